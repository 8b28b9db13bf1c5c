#include "polygon/plan.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/extended_trig.h"
#include "common/geometry.h"

namespace {

using LD = long double;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

LD CosOf(LD x) { return SinCosExtended(static_cast<double>(x)).cos; }

// Distances of the affine picture. The polygon is the image of a polygon of
// the unit circle under diag(a, b) (the tilt turns both alike and changes no
// distance). A unit-circle line at distance d inside or outside its tangent
// point's direction m maps to a line that the image curve's point at m stays
// a·b·d / g(m) from, with g(m) = |(-a sin m, b cos m)| the speed at m.
LD Speed(LD a, LD b, LD t) {
  const ExtendedSinCos sc = SinCosExtended(static_cast<double>(t));
  return std::sqrt(a * a * sc.sin * sc.sin + b * b * sc.cos * sc.cos);
}

// The largest of f over the walk t0 + j·step, j = 0..count-1, where f is
// largest next to the parameter angles `tip` + k·π and monotone in between:
// only the ends and the two walk angles either side of each such angle in
// range can be largest.
template <typename F>
LD LargestOverWalk(LD t0, LD step, std::int32_t count, LD tip, F f) {
  LD best = std::max(f(t0), f(t0 + step * (count - 1)));
  if (count <= 2) return best;
  const LD lo = std::min(t0, t0 + step * (count - 1));
  const LD hi = std::max(t0, t0 + step * (count - 1));
  const LD first = std::ceil((lo - tip) / kPi);
  for (LD k = first; tip + k * kPi <= hi && k < first + 8; ++k) {
    const LD j = std::floor((tip + k * kPi - t0) / step);
    for (LD jj = j - 1; jj <= j + 2; ++jj) {
      if (jj > 0 && jj < count - 1) best = std::max(best, f(t0 + jj * step));
    }
  }
  return best;
}

// An upper bound of the distance from the point (px, py) outside the
// ellipse (a cos t, b sin t) to the ellipse, starting the search at t0: any
// point of the ellipse bounds it, Newton's steps bring it down to the
// nearest one.
LD DistanceToEllipse(LD a, LD b, LD px, LD py, LD t0) {
  auto at = [&](LD t) {
    const ExtendedSinCos sc = SinCosExtended(static_cast<double>(t));
    return std::hypot(a * sc.cos - px, b * sc.sin - py);
  };
  LD best = at(t0);
  LD t = t0;
  for (int i = 0; i < 6; ++i) {
    const ExtendedSinCos sc = SinCosExtended(static_cast<double>(t));
    const LD f = (b * b - a * a) * sc.sin * sc.cos + a * px * sc.sin - b * py * sc.cos;
    const LD df =
        (b * b - a * a) * (sc.cos * sc.cos - sc.sin * sc.sin) + a * px * sc.cos + b * py * sc.sin;
    if (!(df > 0)) break;
    t -= std::clamp(f / df, -0.5L, 0.5L);
    best = std::min(best, at(t));
  }
  return best;
}

bool Degenerate(const PolygonShape& s) {
  return !(s.a > 0 && s.b > 0 && std::isfinite(s.a) && std::isfinite(s.b) &&
           std::isfinite(s.start) && std::isfinite(s.sweep) && s.sweep != 0);
}

// The parameter angle next to which the major axis' ends lie.
LD MajorTip(const PolygonShape& s) { return s.a >= s.b ? 0.0L : kPi / 2; }

}  // namespace

FitWalk WalkOfFit(PolygonFit fit, double sweep, bool closed, std::int32_t n) {
  FitWalk w;
  if (fit == PolygonFit::kInscribed) return w;
  if (fit == PolygonFit::kCircumscribed && !closed) {
    w.halfStep = true;
    w.scale = 1.0L / CosOf(static_cast<LD>(sweep) / (n - 1) / 2);
    return w;
  }
  const LD c = CosOf(static_cast<LD>(sweep) / n / 2);
  w.scale = fit == PolygonFit::kCircumscribed ? 1.0L / c : 2.0L / (1.0L + c);
  return w;
}

double PolygonDeviation(PolygonFit fit, const PolygonShape& s, std::int32_t n) {
  if (Degenerate(s) || n < 2) return kNaN;
  const LD a = s.a, b = s.b;
  const FitWalk w = WalkOfFit(fit, s.sweep, s.closed, n);
  const LD sweep = std::fabs(static_cast<LD>(s.sweep));
  const LD start = s.sweep < 0 ? s.start + s.sweep : s.start;  // walk upwards alike
  // Segments' tangent directions (or chord middles), their unit-circle
  // distance from the curve, and the off-curve vertices.
  LD h, segStart, inside;
  std::int32_t segCount = n;
  LD vStart, vStep = 0;
  std::int32_t vCount;
  if (w.halfStep) {
    h = sweep / (n - 1);
    segStart = start;
    inside = 1 - CosOf(h / 2);  // curve points under a vertex, to the tangent
    vStart = start + h / 2;
    vStep = h;
    vCount = n - 1;
  } else {
    h = sweep / n;
    const LD c = CosOf(h / 2);
    segStart = start + h / 2;
    inside = fit == PolygonFit::kMid ? 1 - w.scale * c : 1 - c;
    // An open figure's end segments run from the curve to a vertex off it:
    // they lie within the off-curve distance of the inscribed chord.
    if (fit == PolygonFit::kMid && !s.closed) inside = std::max(inside, (1 - c) + (w.scale - 1));
    vStep = h;
    vStart = s.closed ? start : start + h;
    vCount = s.closed ? n : n - 1;
  }
  const bool circle = a == b;
  const LD tip = MajorTip(s);
  LD dev = circle ? a * inside : LargestOverWalk(segStart, h, segCount, tip, [&](LD m) {
    return a * b * inside / Speed(a, b, m);
  });
  if (fit != PolygonFit::kInscribed && vCount > 0) {
    const LD out = w.scale - 1;
    dev = std::max(dev, circle ? a * out : LargestOverWalk(vStart, vStep, vCount, tip, [&](LD t) {
                     const ExtendedSinCos sc = SinCosExtended(static_cast<double>(t));
                     return DistanceToEllipse(a, b, w.scale * a * sc.cos, w.scale * b * sc.sin, t);
                   }));
  }
  return static_cast<double>(dev);
}

double PolygonSegmentLength(PolygonFit fit, const PolygonShape& s, std::int32_t n) {
  if (Degenerate(s) || n < 2) return kNaN;
  const LD a = s.a, b = s.b;
  const FitWalk w = WalkOfFit(fit, s.sweep, s.closed, n);
  const LD sweep = std::fabs(static_cast<LD>(s.sweep));
  const LD start = s.sweep < 0 ? s.start + s.sweep : s.start;
  // A chord of the unit circle over a step h is 2 sin(h/2) long, a tangent
  // piece between two middles 2 tan(h/2); scaled, the image is that times
  // the speed at its middle, longest next to the minor axis' ends.
  LD h, factor, mStart;
  if (w.halfStep) {
    h = sweep / (n - 1);
    const ExtendedSinCos sc = SinCosExtended(static_cast<double>(h / 2));
    factor = 2 * sc.sin / sc.cos;
    mStart = start;
  } else {
    h = sweep / n;
    factor = 2 * SinCosExtended(static_cast<double>(h / 2)).sin * w.scale;
    mStart = start + h / 2;
  }
  const LD minorTip = MajorTip(s) + kPi / 2;
  const std::int32_t count = w.halfStep ? n - 1 + 1 : n;
  const LD g =
      a == b ? a
             : LargestOverWalk(mStart, h, count, minorTip, [&](LD m) { return Speed(a, b, m); });
  return static_cast<double>(factor * g);
}

namespace {

// The smallest count in [lo, hi] for which `meets` holds, taking it to hold
// from some count on; hi + 1 when even hi does not meet it.
template <typename Meets>
std::int32_t SmallestMeeting(std::int32_t lo, std::int32_t hi, std::int32_t guess, Meets meets) {
  if (!meets(hi)) return hi + 1;
  guess = std::clamp(guess, lo, hi);
  // Gallop from the guess, then halve the bracket.
  std::int32_t below = lo - 1, above = hi;
  if (meets(guess)) {
    above = guess;
    for (std::int32_t d = 1; guess - d > below; d *= 2) {
      if (!meets(guess - d)) {
        below = guess - d;
        break;
      }
      above = guess - d;
    }
  } else {
    below = guess;
    for (std::int32_t d = 1; guess + d < above; d *= 2) {
      if (meets(guess + d)) {
        above = guess + d;
        break;
      }
      below = guess + d;
    }
  }
  while (above - below > 1) {
    const std::int32_t mid = below + (above - below) / 2;
    (meets(mid) ? above : below) = mid;
  }
  return above;
}

}  // namespace

PolygonPlan PlanPolygon(const PolygonPolicy& p, const PolygonShape& s) {
  const std::int32_t lo = std::max<std::int32_t>(p.minSegments, 2);
  const std::int32_t hi = std::max(p.maxSegments, lo);
  PolygonPlan plan;
  const bool bounded = p.maxDeviation > 0 || p.maxAngle > 0 || p.maxLength > 0;
  std::int32_t n = bounded ? lo : std::clamp(p.segments, lo, hi);
  if (!Degenerate(s) && bounded) {
    const LD sweep = std::fabs(static_cast<LD>(s.sweep));
    if (p.maxAngle > 0) {
      const LD degrees = sweep * 180 / kPi;
      const LD want = std::ceil(degrees / p.maxAngle);
      n = std::max<std::int32_t>(n, want > hi ? hi + 1 : static_cast<std::int32_t>(want));
    }
    if (p.maxDeviation > 0 && n <= hi) {
      // A circle of radius R strays R·h²/8 from a chord over the step h;
      // start the search there.
      const LD r = std::max(s.a, s.b);
      const LD guess = sweep / std::sqrt(8 * p.maxDeviation / r);
      const auto g = static_cast<std::int32_t>(std::min<LD>(guess, hi));
      n = std::max(n, SmallestMeeting(n, hi, g, [&](std::int32_t k) {
                     return PolygonDeviation(p.fit, s, k) <= p.maxDeviation;
                   }));
    }
    if (p.maxLength > 0 && n <= hi) {
      const LD guess = sweep * std::max(s.a, s.b) / p.maxLength;
      const auto g = static_cast<std::int32_t>(std::min<LD>(guess, hi));
      n = std::max(n, SmallestMeeting(n, hi, g, [&](std::int32_t k) {
                     return PolygonSegmentLength(p.fit, s, k) <= p.maxLength;
                   }));
    }
    if (n > hi) {
      n = hi;
      plan.capped = true;
    }
  }
  plan.segments = n;
  plan.deviation = PolygonDeviation(p.fit, s, n);
  return plan;
}
