#include "polygon/distance.h"

#include <algorithm>
#include <cmath>

namespace q527 {

LD SegmentDistance(Vec p, Vec v, Vec d) {
  const LD len2 = Dot(d, d);
  const LD t = len2 > 0 ? std::clamp<LD>(Dot(p - v, d) / len2, 0, 1) : 0;
  return Length(p - (v + d * t));
}

namespace {

// The largest value of f over [0, 1]: sampled, then narrowed by golden
// sections around the best sample.
template <typename F>
LD LargestOver01(F f) {
  constexpr int kSamples = 12;
  int best = 0;
  LD bestValue = f(0);
  for (int i = 1; i <= kSamples; ++i) {
    const LD v = f(static_cast<LD>(i) / kSamples);
    if (v > bestValue) bestValue = v, best = i;
  }
  LD lo = std::max(0, best - 1) / static_cast<LD>(kSamples);
  LD hi = std::min(kSamples, best + 1) / static_cast<LD>(kSamples);
  constexpr LD kGolden = 0.6180339887498948482L;
  LD m1 = hi - kGolden * (hi - lo), m2 = lo + kGolden * (hi - lo);
  LD f1 = f(m1), f2 = f(m2);
  for (int i = 0; i < 32; ++i) {
    if (f1 < f2) {
      lo = m1, m1 = m2, f1 = f2;
      m2 = lo + kGolden * (hi - lo), f2 = f(m2);
    } else {
      hi = m2, m2 = m1, f2 = f1;
      m1 = hi - kGolden * (hi - lo), f1 = f(m1);
    }
  }
  return std::max({bestValue, f1, f2});
}

}  // namespace

LD EdgeDeviation(const UnitPolygon& poly, Vec x1, Vec x2, const Chain& chain) {
  const Vec d = x2 - x1;
  const Vec normal{d.y, -d.x};  // outward: the walk runs counter-clockwise
  const LD len = Length(d);
  if (!(len > 0)) return 0;
  const LD c0 = Dot(normal, x1);
  if (c0 >= len) return 0;  // a tangent or a line clear of the curve
  const LD a = poly.a, b = poly.b;
  const LD height = (len - c0) / Length({normal.x / a, normal.y / b});
  if (!(c0 > 0)) return 2 * std::max(a, b);  // steps past a half turn: no polygon to speak of
  // The crossings, either side of the normal's direction.
  const LD cosA = c0 / len;
  const LD sinA = std::sqrt(std::max<LD>(0, 1 - cosA * cosA));
  const Vec nh = normal * (1 / len), dh = d * (1 / len);
  const Vec ua = nh * cosA - dh * sinA, ub = nh * cosA + dh * sinA;
  // Where the feet fall along the edge: s(u) = (w·u - base) / |D|², a
  // sinusoid over the arc, extreme at ±w when those lie on it.
  const Vec v1 = poly.Image(x1), dd = poly.Image(d);
  const LD len2 = Dot(dd, dd);
  const Vec w{a * dd.x, b * dd.y};
  const LD base = Dot(v1, dd);
  auto onArc = [&](Vec u) { return Cross(ua, u) >= 0 && Cross(u, ub) >= 0; };
  LD hi = std::max(Dot(w, ua), Dot(w, ub)), lo = std::min(Dot(w, ua), Dot(w, ub));
  const LD wl = Length(w);
  if (onArc(w)) hi = wl;
  if (onArc(w * -1)) lo = -wl;
  constexpr LD kSlack = 1e-12L;
  if (lo - base >= -kSlack * len2 && hi - base <= (1 + kSlack) * len2) return height;
  // Overhanging: the largest distance over the arc to the edge or the
  // neighbouring ones.
  Vec images[Chain::kMost];
  for (int i = 0; i < chain.count; ++i) images[i] = poly.Image(chain.at[i]);
  const LD overhang = LargestOver01([&](LD lam) {
    const Vec u = ua * (1 - lam) + ub * lam;
    const Vec p = poly.Image(u * (1 / Length(u)));
    LD dist = SegmentDistance(p, v1, dd);
    for (int i = 0; i + 1 < chain.count; ++i) {
      dist = std::min(dist, SegmentDistance(p, images[i], images[i + 1] - images[i]));
    }
    return dist;
  });
  return std::max(height, overhang);
}

LD VertexDistance(const UnitPolygon& poly, Vec x) {
  const LD a = poly.a, b = poly.b;
  const Vec p{a * x.x, b * x.y};
  const LD px = std::fabs(p.x), py = std::fabs(p.y);
  const LD a2 = a * a, b2 = b * b;
  LD t = 0;
  for (int i = 0; i < 60; ++i) {
    const LD ex = a * px / (t + a2), ey = b * py / (t + b2);
    const LD f = ex * ex + ey * ey - 1;
    if (!(f > 0)) break;
    const LD df = 2 * (ex * ex / (t + a2) + ey * ey / (t + b2));
    const LD move = f / df;
    t += move;
    if (!(move > t * 1e-18L)) break;
  }
  // The foot lies in the point's quadrant.
  Vec u{std::copysign(a * px / (t + a2), p.x), std::copysign(b * py / (t + b2), p.y)};
  const LD ul = Length(u);
  u = ul > 0 ? u * (1 / ul) : Vec{1, 0};
  // Past an open figure's end the nearest point of its arc is that end.
  if (!poly.OnArc(u)) {
    return std::min(Length(p - poly.Image(poly.startDirection)),
                    Length(p - poly.Image(poly.endDirection)));
  }
  return Length(p - poly.Image(u));
}

}  // namespace q527
