#include "polygon/plan.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/extended_trig.h"
#include "common/geometry.h"

namespace q527 {

// Distances are worked out in the unit picture: a figure is the image of
// the unit circle under diag(a, b) (its tilt turns the curve and the polygon
// alike and changes no distance), and so is its polygon, whose vertices lie
// at scale · (cos θ, sin θ). Only + − × ÷ and square roots of long doubles
// and the project's own sine and cosine are used, so every build plans the
// same counts.

namespace {

using LD = long double;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// An open mid polygon's end segment runs from the curve to a vertex off it.
// Over lead·h (h the other segments' step) it strays beyond the curve by
// (lead²h²/2 - e)²/(2·lead²h²) with the corners e = h²/16 out; that equals e
// at lead = (1 + √2)/(2√2).
constexpr double kMidLead = 0.85355339059327376220;

// No default values: the measures keep arrays of them on the stack, and
// zeroing those would cost more than the measures.
struct Vec {
  LD x, y;
};

Vec operator+(Vec p, Vec q) { return {p.x + q.x, p.y + q.y}; }
Vec operator-(Vec p, Vec q) { return {p.x - q.x, p.y - q.y}; }
Vec operator*(Vec p, LD k) { return {p.x * k, p.y * k}; }
LD Dot(Vec p, Vec q) { return p.x * q.x + p.y * q.y; }
LD Cross(Vec p, Vec q) { return p.x * q.y - p.y * q.x; }
LD Length(Vec p) { return std::sqrt(p.x * p.x + p.y * p.y); }

// The written vertices' cosines are SinCosExtended's; the measures, which
// need a dozen digits, take SinCosNear's.
LD CosOf(LD x) { return SinCosExtended(static_cast<double>(x)).cos; }

// sin and cos of π/n, kept: every closed figure's plan asks for a few.
ExtendedSinCos SinCosOfPiOver(std::int32_t n) {
  static ExtendedSinCos known[1000] = {};
  if (n < 1 || n >= 1000) return SinCosExtended(static_cast<double>(kPi / n));
  if (known[n].cos == 0) known[n] = SinCosExtended(static_cast<double>(kPi / n));
  return known[n];
}

// How far a fit's regular polygon of the unit circle strays, c the cosine
// of its half step: the chord's sagitta, the corner's distance out, or, mid,
// either (they are equal).
LD UnitDeviation(PolygonFit fit, LD c) {
  return fit == PolygonFit::kInscribed       ? 1 - c
         : fit == PolygonFit::kCircumscribed ? 1 / c - 1
                                             : (1 - c) / (1 + c);
}

bool Degenerate(const PolygonShape& s) {
  return !(s.a > 0 && s.b > 0 && std::isfinite(s.a) && std::isfinite(s.b) &&
           std::isfinite(s.start) && std::isfinite(s.sweep) && s.sweep != 0);
}

// A figure's polygon in the unit picture. Vertices 0..n; a closed polygon's
// vertex n is its vertex 0. The walk runs upwards from the lower end, which
// gives the same vertices as the figure's own direction.
struct UnitPolygon {
  PolygonFit fit = PolygonFit::kInscribed;
  LD a = 1, b = 1;
  LD start = 0, sweep = 0, step = 0;
  LD scale = 1;  // of the vertices off the curve
  bool closed = false;
  bool shifted = false;
  LD lead = 0;
  std::int32_t n = 0;
  Vec startDirection{}, endDirection{};  // an open figure's ends

  UnitPolygon(PolygonFit fit, const PolygonShape& s, std::int32_t count)
      : fit(fit), a(s.a), b(s.b), closed(s.closed), n(count) {
    sweep = std::fabs(static_cast<LD>(s.sweep));
    start = s.sweep < 0 ? s.start + static_cast<LD>(s.sweep) : s.start;
    const FitWalk w = WalkOfFit(fit, s.sweep, s.closed, count);
    scale = w.scale;
    shifted = w.shifted;
    lead = w.lead;
    step = sweep / w.spans;
    // Only corners off the curve need to know where an open arc ends.
    if (!closed && fit != PolygonFit::kInscribed) {
      startDirection = Direction(0);
      endDirection = Direction(n);
    }
  }
  // Whether the direction u lies on an open figure's arc.
  bool OnArc(Vec u) const {
    if (closed) return true;
    if (sweep <= kPi) return Cross(startDirection, u) >= 0 && Cross(u, endDirection) >= 0;
    return !(Cross(endDirection, u) > 0 && Cross(u, startDirection) > 0);
  }
  bool OnCurve(std::int32_t j) const {
    return fit == PolygonFit::kInscribed || (!closed && (j == 0 || j == n));
  }
  LD AngleOf(std::int32_t j) const {
    if (closed) return start + (j % n) * step;
    if (j == 0) return start;
    if (j == n) return start + sweep;
    return start + (shifted ? j - 1 + lead : j) * step;
  }
  // Vertex j's direction; its place is that times `scale` unless it stays
  // on the curve.
  Vec Direction(std::int32_t j) const {
    const ExtendedSinCos sc = SinCosNear(static_cast<double>(AngleOf(j)));
    return {sc.cos, sc.sin};
  }
  Vec At(std::int32_t j) const { return OnCurve(j) ? Direction(j) : Direction(j) * scale; }
  Vec Image(Vec u) const { return {a * u.x, b * u.y}; }
  // The segment whose parameter span holds the angle t.
  std::int32_t SegmentAt(LD t) const {
    const LD k = std::floor((t - start) / step + (shifted ? 1 - lead : 0));
    return static_cast<std::int32_t>(std::clamp<LD>(k, 0, n - 1));
  }
};

LD SegmentDistance(Vec p, Vec v, Vec d) {
  const LD len2 = Dot(d, d);
  const LD t = len2 > 0 ? std::clamp<LD>(Dot(p - v, d) / len2, 0, 1) : 0;
  return Length(p - (v + d * t));
}

// The largest distance from the part of the curve beyond the line of the
// edge X1→X2 (outside the polygon) to the edge. That part is the image of
// the unit arc between the line's two crossings with the unit circle, and
// every distance to the line is the unit picture's divided by |A⁻¹n| for
// the line's normal n: the largest is at the arc's middle. Next to the
// major axis' ends of a flat ellipse the edge can end before the curve's
// feet do; then the nearest point of the polygon may lie on a neighbouring
// edge, and the distance is found numerically against `chain`, the
// polygon's vertices around the edge (unit picture, in order).
struct Chain {
  static constexpr int kMost = 4;
  int count = 0;
  Vec at[kMost];
};

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
  // Overhanging: the largest distance to the edge over the arc, sampled and
  // then narrowed by golden sections around the best sample.
  Vec images[Chain::kMost];
  for (int i = 0; i < chain.count; ++i) images[i] = poly.Image(chain.at[i]);
  auto distanceAt = [&](LD lam) {
    const Vec u = ua * (1 - lam) + ub * lam;
    const Vec p = poly.Image(u * (1 / Length(u)));
    LD d = SegmentDistance(p, v1, dd);
    for (int i = 0; i + 1 < chain.count; ++i) {
      d = std::min(d, SegmentDistance(p, images[i], images[i + 1] - images[i]));
    }
    return d;
  };
  constexpr int kSamples = 12;
  int best = 0;
  LD bestValue = distanceAt(0);
  for (int i = 1; i <= kSamples; ++i) {
    const LD v = distanceAt(static_cast<LD>(i) / kSamples);
    if (v > bestValue) bestValue = v, best = i;
  }
  LD lo2 = std::max(0, best - 1) / static_cast<LD>(kSamples);
  LD hi2 = std::min(kSamples, best + 1) / static_cast<LD>(kSamples);
  constexpr LD kGolden = 0.6180339887498948482L;
  LD m1 = hi2 - kGolden * (hi2 - lo2), m2 = lo2 + kGolden * (hi2 - lo2);
  LD f1 = distanceAt(m1), f2 = distanceAt(m2);
  for (int i = 0; i < 32; ++i) {
    if (f1 < f2) {
      lo2 = m1, m1 = m2, f1 = f2;
      m2 = lo2 + kGolden * (hi2 - lo2), f2 = distanceAt(m2);
    } else {
      hi2 = m2, m2 = m1, f2 = f1;
      m1 = hi2 - kGolden * (hi2 - lo2), f1 = distanceAt(m1);
    }
  }
  return std::max({height, bestValue, f1, f2});
}

// The distance from the image of x (outside the unit circle) to the curve:
// the nearest point's Lagrange parameter t solves
// (a·px/(t+a²))² + (b·py/(t+b²))² = 1, a convex falling function that
// Newton's steps from t = 0 approach from below without overshooting. The
// point found is put onto the curve, so the result never falls short.
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

// The segments that can be largest: deviations grow towards the ends of
// the major axis and lengths towards those of the minor one, monotonely in
// between, so only the segments next to those ends (parameter angles `tip`
// + kπ) and an open polygon's first and last two need a look. A circle's
// segments are all alike but for an open polygon's end ones.
template <typename F>
void ForCandidateSegments(const UnitPolygon& poly, LD tip, F f) {
  const std::int32_t n = poly.n;
  auto visit = [&](std::int32_t k) {
    if (poly.closed) k = ((k % n) + n) % n;
    if (k >= 0 && k < n) f(k);
  };
  if (poly.a == poly.b) {
    // Segments all alike but for an open figure's end ones.
    if (poly.closed) {
      visit(0);
    } else {
      for (const std::int32_t k : {0, 1, n - 2, n - 1}) visit(k);
    }
    return;
  }
  if (!poly.closed) {
    for (const std::int32_t k : {0, 1, n - 2, n - 1}) visit(k);
  }
  // A closed figure's end is its start: its two ends of the axis are
  // those within one turn from the start.
  const LD end = poly.start + poly.sweep;
  const LD first = std::ceil((poly.start - tip) / kPi);
  for (LD m = first; m < first + 3; ++m) {
    const LD at = tip + m * kPi;
    if (poly.closed ? !(at < end) : !(at <= end)) break;
    // The segment over the axis' end strays most of the regular ones: its
    // middle and one of its ends are the nearest to the axis' end (where
    // that end is a vertex, its other segment strays as far).
    visit(poly.SegmentAt(at));
  }
}

// The parameter angle next to which the major axis' ends lie.
LD MajorTip(const PolygonShape& s) { return s.a >= s.b ? 0.0L : kPi / 2; }

}  // namespace

namespace {

// The walk's steps without its scale.
FitWalk WalkSteps(PolygonFit fit, bool closed, std::int32_t n) {
  FitWalk w;
  w.spans = n;
  if (fit != PolygonFit::kInscribed && !closed) {
    w.shifted = true;
    w.lead = fit == PolygonFit::kCircumscribed ? 0.5 : kMidLead;
    w.spans = n - 2 + 2 * static_cast<LD>(w.lead);
  }
  return w;
}

}  // namespace

FitWalk WalkOfFit(PolygonFit fit, double sweep, bool closed, std::int32_t n) {
  FitWalk w = WalkSteps(fit, closed, n);
  if (fit == PolygonFit::kInscribed) return w;
  const LD c = CosOf(static_cast<LD>(sweep) / w.spans / 2);
  w.scale = fit == PolygonFit::kCircumscribed ? 1.0L / c : 2.0L / (1.0L + c);
  return w;
}

namespace {

// The edges that can be largest, with the directions of the vertices
// around them, found once for a count: the mid fit's balance tries several
// scales on them.
struct CandidateEdges {
  static constexpr int kMostEdges = 24;
  static constexpr int kMostVertices = 64;
  static constexpr int kChain = 4;  // vertices k-1..k+2 around edge k
  int edges = 0;
  std::int32_t first[kMostEdges];  // the edge's first vertex
  int chain[kMostEdges][kChain];   // slots of the vertices around it; -1 past an end
  int vertices = 0;
  std::int32_t index[kMostVertices];
  Vec direction[kMostVertices];
  bool onCurve[kMostVertices];

  CandidateEdges(const UnitPolygon& poly, LD tip) {
    // The step's rotation, to walk from one vertex's direction to the next
    // instead of finding each one's sine and cosine.
    const ExtendedSinCos turn = SinCosNear(static_cast<double>(poly.step));
    ForCandidateSegments(poly, tip, [&](std::int32_t k) {
      if (edges == kMostEdges) return;
      for (int e = 0; e < edges; ++e) {
        if (first[e] == k) return;
      }
      first[edges] = k;
      int previous = -1;
      for (int i = 0; i < kChain; ++i) {
        const int slot = Remember(poly, k - 1 + i, previous, turn);
        chain[edges][i] = slot;
        previous = slot;
      }
      ++edges;
    });
  }
  // The slots of edge e's ends.
  int From(int e) const { return chain[e][1]; }
  int To(int e) const { return chain[e][2]; }

 private:
  static std::int32_t Wrap(const UnitPolygon& poly, std::int32_t j) {
    if (poly.closed) return ((j % poly.n) + poly.n) % poly.n;
    return j < 0 || j > poly.n ? -1 : j;
  }
  // Vertex j's slot, its direction found from the previous vertex's slot
  // where the walk's regular step lies between them.
  int Remember(const UnitPolygon& poly, std::int32_t j, int previous, ExtendedSinCos turn) {
    j = Wrap(poly, j);
    if (j < 0) return -1;
    for (int i = 0; i < vertices; ++i) {
      if (index[i] == j) return i;
    }
    if (vertices == kMostVertices) return -1;
    const bool regular = previous >= 0 && (poly.closed || (j >= 2 && j <= poly.n - 1)) &&
                         index[previous] == Wrap(poly, j - 1);
    if (regular) {
      const Vec d = direction[previous];
      direction[vertices] = {d.x * turn.cos - d.y * turn.sin, d.x * turn.sin + d.y * turn.cos};
    } else {
      direction[vertices] = poly.Direction(j);
    }
    index[vertices] = j;
    onCurve[vertices] = poly.OnCurve(j);
    return vertices++;
  }
};

// An inscribed ellipse polygon's deviation without its vertices. Each edge
// is a chord over parameter angles m ± h/2: in the unit picture the curve
// beyond it reaches 1 - cos(h/2) past its line, whose normal is
// (cos m, sin m), which the drawing makes (1 - cos(h/2))·a·b /
// √(b²cos²m + a²sin²m), at the chord's middle. That is the edge's whole
// deviation unless the curve's feet overhang the chord's ends, which they
// do where w = A²·(-sin m, cos m) or -w leans less than h/2 from the
// normal (w·u over the arc is then extreme inside it): then 0 is returned,
// and the edges are measured against their neighbours.
// `half`: sin and cos of h/2.
LD InscribedDeviation(const UnitPolygon& poly, LD tip, ExtendedSinCos half) {
  const LD a2 = poly.a * poly.a, b2 = poly.b * poly.b;
  const LD c2 = half.cos * half.cos;
  // Neighbouring segments' middles by the step's rotation.
  const ExtendedSinCos turn{2 * half.sin * half.cos, c2 - half.sin * half.sin};
  LD least = std::numeric_limits<LD>::infinity();
  bool overhangs = false;
  std::int32_t last = -2;
  Vec middle{};
  ForCandidateSegments(poly, tip, [&](std::int32_t k) {
    if (k == last) return;
    if (k == last + 1) {
      middle = {middle.x * turn.cos - middle.y * turn.sin,
                middle.x * turn.sin + middle.y * turn.cos};
    } else {
      const ExtendedSinCos m = SinCosNear(poly.AngleOf(k) + poly.step / 2);
      middle = {m.cos, m.sin};
    }
    last = k;
    const LD cc = middle.x * middle.x, ss = middle.y * middle.y;
    const LD lean = (a2 - b2) * (a2 - b2) * ss * cc;
    if (lean >= c2 * (a2 * a2 * ss + b2 * b2 * cc)) overhangs = true;
    least = std::min(least, b2 * cc + a2 * ss);
  });
  if (overhangs) return 0;
  const LD sag = half.sin * half.sin / (1 + half.cos);  // 1 - cos(h/2)
  return sag * poly.a * poly.b / std::sqrt(least);
}

// The two parts of the largest distance between the curve and the polygon
// with its off-curve vertices at `scale`.
struct DeviationParts {
  LD inside = 0;   // the curve beyond the edges, to the polygon
  LD outside = 0;  // the corners outside the curve, to the curve
  LD Largest() const { return std::max(inside, outside); }
};

DeviationParts MeasureParts(const UnitPolygon& poly, const CandidateEdges& edges, LD scale) {
  DeviationParts parts;
  Vec place[CandidateEdges::kMostVertices];
  for (int i = 0; i < edges.vertices; ++i) {
    place[i] = edges.onCurve[i] ? edges.direction[i] : edges.direction[i] * scale;
    if (!edges.onCurve[i]) parts.outside = std::max(parts.outside, VertexDistance(poly, place[i]));
  }
  // Circumscribed edges have no curve beyond them.
  if (poly.fit == PolygonFit::kCircumscribed) return parts;
  for (int e = 0; e < edges.edges; ++e) {
    if (edges.From(e) < 0 || edges.To(e) < 0) continue;
    Chain chain;
    for (const int slot : edges.chain[e]) {
      if (slot >= 0) chain.at[chain.count++] = place[slot];
    }
    parts.inside = std::max(parts.inside,
                            EdgeDeviation(poly, place[edges.From(e)], place[edges.To(e)], chain));
  }
  return parts;
}

// The mid fit: the scale at which the corners stray as far out as the
// curve strays beyond the edges. A closed circle's 2/(1 + cos(h/2)) does
// that exactly; an ellipse's corners and edges are stretched unlike, and an
// open figure's end segments differ from the others, so the scale is found
// by false position between 1 (all inside error) and the circumscribed
// scale (all outside error).
LD BalanceMidScale(const UnitPolygon& poly, const CandidateEdges& edges) {
  auto gap = [&](LD s) {
    const DeviationParts p = MeasureParts(poly, edges, s);
    return p.outside - p.inside;
  };
  LD lo = 1, flo = gap(lo);
  LD hi = 1 / SinCosNear(poly.step / 2).cos, fhi = gap(hi);
  for (int i = 0; i < 8 && fhi < 0; ++i) {
    lo = hi, flo = fhi;
    hi = 1 + 2 * (hi - 1), fhi = gap(hi);
  }
  if (!(flo < 0) || !(fhi > 0)) return poly.scale;
  int side = 0;
  LD s = poly.scale;
  for (int i = 0; i < 40; ++i) {
    s = (lo * fhi - hi * flo) / (fhi - flo);
    if (!(s > lo && s < hi)) s = lo + (hi - lo) / 2;
    const LD f = gap(s);
    // Balanced to far below the digits the deviation is told in.
    if (std::fabs(f) <= (hi - 1) * 1e-12L || hi - lo <= (hi + lo) * 1e-17L) break;
    // Illinois: halve the value of an end that stays put twice.
    if (f < 0) {
      lo = s, flo = f;
      if (side == -1) fhi /= 2;
      side = -1;
    } else {
      hi = s, fhi = f;
      if (side == 1) flo /= 2;
      side = 1;
    }
  }
  return s;
}

// The scale the polygon's off-curve vertices get, and the deviation at it.
struct ScaledDeviation {
  LD scale = 1;
  LD deviation = 0;
  bool balanced = false;  // the scale is the mid fit's balance, not the walk's
  bool bound = false;     // `deviation` is a bound of it, not its value
};

// Any figure but a closed circle. (Apart: its frame is large, and a circle
// is planned faster without it.)
// Where the polygon provably strays no more than `enough`, that bound may
// stand for the value: the plan's search and the summary's largest value
// need no more, and measuring a flat ellipse's overhanging chords or a
// circumscribed one's corners costs several times more than the bound.
ScaledDeviation MeasureCurve(PolygonFit fit, const PolygonShape& s, std::int32_t n, LD enough) {
  ScaledDeviation r;
  // sin and cos of half the regular step, before the polygon: the bound
  // and the circle need nothing more.
  const LD step = std::fabs(static_cast<LD>(s.sweep)) / WalkSteps(fit, s.closed, n).spans;
  const ExtendedSinCos half = s.closed ? SinCosOfPiOver(n) : SinCosNear(step / 2);
  const LD c = half.cos;
  if (s.a == s.b && fit != PolygonFit::kMid) {
    // An open circle's segments are alike too. (The circumscribed one's
    // end segments are half tangents.)
    r.deviation = s.a * UnitDeviation(fit, c);
    return r;
  }
  // A polygon of the unit circle strays 1 - cos(h/2) inscribed and
  // 1/cos(h/2) - 1 circumscribed (its end segments half tangents), and
  // diag(a, b) stretches no distance by more than the larger semi-axis.
  // (Steps of about a half turn or more are left to the general measure.)
  const bool regular = c > 1e-6L;
  if (regular && fit != PolygonFit::kMid) {
    const LD unit = fit == PolygonFit::kInscribed ? half.sin * half.sin / (1 + c) : 1 / c - 1;
    const LD bound = std::max(s.a, s.b) * unit;
    if (bound <= enough) {
      r.deviation = bound;
      r.bound = true;
      return r;
    }
  }
  const UnitPolygon poly(fit, s, n);
  r.scale = poly.scale;
  if (regular && fit == PolygonFit::kInscribed) {
    r.deviation = InscribedDeviation(poly, MajorTip(s), half);
    if (r.deviation > 0) return r;
  }
  // The curve and the polygon bound convex regions (or, open, parts of
  // them): a point of either that is inside the other is no farther from
  // it than some corner outside the curve or some part of the curve beyond
  // an edge. So the largest distance is the larger of those two parts.
  const CandidateEdges edges(poly, MajorTip(s));
  if (fit == PolygonFit::kMid && s.a == s.b) {
    // An open circle: balanced at the closed one's scale unless its end
    // segments stray more than the others.
    const DeviationParts parts = MeasureParts(poly, edges, poly.scale);
    if (parts.inside <= parts.outside) {
      r.deviation = parts.outside;
      return r;
    }
  }
  if (fit == PolygonFit::kMid) {
    // The vertices are written with a double's scale: measure that one.
    r.scale = static_cast<double>(BalanceMidScale(poly, edges));
    r.balanced = true;
  }
  r.deviation = MeasureParts(poly, edges, r.scale).Largest();
  return r;
}

ScaledDeviation MeasurePolygon(PolygonFit fit, const PolygonShape& s, std::int32_t n,
                               LD enough = -1) {
  if (!(s.a == s.b && s.closed)) return MeasureCurve(fit, s, n, enough);
  // A regular polygon. (The scale is the walk's, which the conversion finds
  // itself.)
  ScaledDeviation r;
  r.deviation = s.a * UnitDeviation(fit, SinCosOfPiOver(n).cos);
  return r;
}

}  // namespace

double PolygonDeviation(PolygonFit fit, const PolygonShape& s, std::int32_t n) {
  if (Degenerate(s) || n < 2) return kNaN;
  return static_cast<double>(MeasurePolygon(fit, s, n).deviation);
}

double PolygonSegmentLength(PolygonFit fit, const PolygonShape& s, std::int32_t n) {
  if (Degenerate(s) || n < 2) return kNaN;
  const UnitPolygon poly(fit, s, n);
  LD longest = 0;
  ForCandidateSegments(poly, MajorTip(s) + kPi / 2, [&](std::int32_t k) {
    longest = std::max(longest, Length(poly.Image(poly.At(k + 1) - poly.At(k))));
  });
  return static_cast<double>(longest);
}

namespace {

// The smallest count in [lo, hi] for which `meets` holds, taking it to hold
// from some count on; hi + 1 when even hi does not meet it.
template <typename Meets>
std::int32_t SmallestMeeting(std::int32_t lo, std::int32_t hi, std::int32_t guess, Meets meets) {
  guess = std::clamp(guess, lo, hi);
  // Gallop from the guess, then halve the bracket.
  std::int32_t below = lo - 1, above = hi + 1;
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
    for (std::int32_t d = 1;; d *= 2) {
      const std::int32_t probe = guess + d < hi ? guess + d : hi;
      if (meets(probe)) {
        above = probe;
        break;
      }
      below = probe;
      if (probe == hi) return hi + 1;
    }
  }
  while (above - below > 1) {
    const std::int32_t mid = below + (above - below) / 2;
    (meets(mid) ? above : below) = mid;
  }
  return above;
}

// The count whose polygon's regular steps are at most h.
std::int32_t CountForStep(const PolygonPolicy& p, const PolygonShape& s, LD sweep, LD h) {
  if (!(h > 0)) return p.maxSegments + 1;
  LD spans = sweep / h;
  // Open figures spend a part of a step on their end segments.
  if (!s.closed && p.fit != PolygonFit::kInscribed) {
    spans += 2 - 2 * (p.fit == PolygonFit::kCircumscribed ? 0.5 : kMidLead);
  }
  return static_cast<std::int32_t>(std::clamp<LD>(std::ceil(spans), 0, p.maxSegments + 1));
}

// A first guess of the count for a largest deviation: the count at which
// the circle through the major axis' ends strays just that far (an ellipse
// never strays farther than that circle). An ellipse's searches need not
// end on the same count from every start, so the guess uses + − × ÷ and
// square roots only, the same on every build: acos(c) = 2·asin(x),
// x = √((1 - c)/2), asin by its series, near enough for a guess.
std::int32_t GuessForDeviation(const PolygonPolicy& p, const PolygonShape& s, LD sweep) {
  const LD q = p.maxDeviation / std::max<LD>(s.a, s.b);
  // cos(h/2) at which the fit's circle strays q·R.
  const LD c = p.fit == PolygonFit::kInscribed       ? 1 - q
               : p.fit == PolygonFit::kCircumscribed ? 1 / (1 + q)
                                                     : (1 - q) / (1 + q);
  if (!(c > -1)) return 0;
  const LD x = std::sqrt(std::max<LD>(0, (1 - c) / 2)), x2 = x * x;
  const LD asinX = x * (1 + x2 * (1.0L / 6 + x2 * (3.0L / 40 + x2 * (15.0L / 336))));
  const LD h = 4 * asinX;
  return CountForStep(p, s, sweep, h);
}

// A bound the deviation of an ellipse's polygon with k segments never
// falls below, wherever its vertices lie against the major axis' ends, or 0
// where there is none. Some segment's middle and some off-curve vertex lie
// within half a step h of an end of the major axis when one lies among the
// regular segments; there the curve's normal leans at most h/2 from the
// axis, and a line or vertex that the unit picture puts δ inside or outside
// the circle lies at least δ·R·r/g(h/2) from the curve, g(φ) =
// √(R² sin²φ + r² cos²φ) (R, r the semi-axes).
LD DeviationFloor(PolygonFit fit, const PolygonShape& s, std::int32_t k) {
  const FitWalk w = WalkSteps(fit, s.closed, k);
  const LD sweep = std::fabs(static_cast<LD>(s.sweep));
  const LD h = sweep / w.spans;
  if (!s.closed) {
    // An end of the major axis in the regular part: past the end segments.
    const LD start = s.sweep < 0 ? s.start + static_cast<LD>(s.sweep) : s.start;
    const LD from = start + (w.shifted ? w.lead : 0) * h, to = start + sweep - (from - start);
    const LD tip = MajorTip(s);
    if (!(std::ceil((from - tip) / kPi) * kPi + tip <= to)) return 0;
  }
  const LD big = std::max(s.a, s.b), small = std::min(s.a, s.b);
  const ExtendedSinCos half = s.closed ? SinCosOfPiOver(k) : SinCosNear(h / 2);
  const LD g = std::sqrt(big * big * half.sin * half.sin + small * small * half.cos * half.cos);
  return UnitDeviation(fit, half.cos) * big * small / g;
}

// A first guess of the count at which an ellipse's floor meets the
// policy's deviation D, from the floor's leading terms: with y = (h/2)²,
// δ ≈ κ·y (κ = 1/2, or 1/4 for the mid fit) and g² ≈ R²·y + r², so
// κ·y·R·r = D·g, a quadratic in y.
std::int32_t GuessForFloor(const PolygonPolicy& p, const PolygonShape& s, LD sweep) {
  const LD big = std::max(s.a, s.b), small = std::min(s.a, s.b);
  const LD kappa = p.fit == PolygonFit::kMid ? 0.25L : 0.5L;
  const LD d = p.maxDeviation, k2r2 = kappa * kappa * small * small;
  const LD y =
      (d * d + std::sqrt(d * d * d * d + 4 * k2r2 * d * d * (small / big) * (small / big))) /
      (2 * k2r2);
  const LD h = 2 * std::sqrt(y);
  return CountForStep(p, s, sweep, h);
}

// The last few counts measured for one figure: the search ends on counts
// it has just measured.
struct MeasureMemo {
  std::int32_t count[4] = {0, 0, 0, 0};
  ScaledDeviation value[4];
  int next = 0;

  // `enough` as for MeasureCurve.
  ScaledDeviation Measure(PolygonFit fit, const PolygonShape& s, std::int32_t n, LD enough) {
    for (int i = 0; i < 4; ++i) {
      if (count[i] == n && (!value[i].bound || value[i].deviation <= enough)) return value[i];
    }
    const ScaledDeviation m = MeasurePolygon(fit, s, n, enough);
    count[next] = n;
    value[next] = m;
    next = (next + 1) % 4;
    return m;
  }
};

// The smallest count in [lo, hi] whose polygon strays at most the policy's
// deviation; hi + 1 if none does. A circle's deviation falls with every
// segment added. An ellipse's also depends on where the vertices fall
// against its major axis' ends (a closed ellipse from 0° has a vertex on
// both only at even counts, and those can stray several times less than the
// odd ones around them), so its counts are tried one by one upwards from
// the first whose floor meets the bound.
std::int32_t SmallestForDeviation(const PolygonPolicy& p, const PolygonShape& s, std::int32_t lo,
                                  std::int32_t hi, MeasureMemo& memo) {
  const LD sweep = std::fabs(static_cast<LD>(s.sweep));
  auto meets = [&](std::int32_t k) {
    return memo.Measure(p.fit, s, k, p.maxDeviation).deviation <= p.maxDeviation;
  };
  if (s.a == s.b) return SmallestMeeting(lo, hi, GuessForDeviation(p, s, sweep), meets);
  // The floor falls with the count where it holds; where the figure has no
  // regular part round an end of its major axis it is 0, and the search
  // starts lower.
  const std::int32_t guess = GuessForDeviation(p, s, sweep);
  // The search ends on the last count that met the bound: its floor is kept.
  LD floorMet = 0;
  std::int32_t k = SmallestMeeting(lo, hi, GuessForFloor(p, s, sweep), [&](std::int32_t j) {
    const LD f = DeviationFloor(p.fit, s, j);
    if (f <= p.maxDeviation) floorMet = f;
    return f <= p.maxDeviation;
  });
  if (k <= hi && floorMet == 0) {
    // No end of the major axis among the regular segments: the end
    // segments, which start where the figure does, stray most, and the
    // deviation falls with the count but for a count now and then.
    std::int32_t found = SmallestMeeting(lo, hi, guess, meets);
    if (found <= hi && found - 1 >= lo && meets(found - 1)) --found;
    return found;
  }
  for (int tries = 0; k <= hi; ++k, ++tries) {
    if (tries == 64) return SmallestMeeting(k, hi, k, meets);  // a pathological figure
    if (meets(k)) return k;
  }
  return hi + 1;
}

}  // namespace

PolygonPlan PlanPolygon(const PolygonPolicy& p, const PolygonShape& s, double reached) {
  const std::int32_t lo = std::max<std::int32_t>(p.minSegments, 2);
  const std::int32_t hi = std::max(p.maxSegments, lo);
  PolygonPlan plan;
  MeasureMemo memo;
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
      n = std::max(n, SmallestForDeviation(p, s, n, hi, memo));
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
  if (Degenerate(s) || n < 2) {
    plan.deviation = kNaN;
  } else {
    const ScaledDeviation m = memo.Measure(p.fit, s, n, reached);
    plan.deviation = static_cast<double>(m.deviation);
    if (m.balanced) plan.scale = static_cast<double>(m.scale);
  }
  return plan;
}

}  // namespace q527
