#include "polygon/measure.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "polygon/distance.h"

namespace q527 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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

// A polygon that laps itself. Its segments each span at most one step h
// between vertices at the walk's scale s or on the curve, so in the unit
// picture every point of the curve lies within max(s - 1, 1 - cos(h/2)) of
// the segment across its direction and every point of the polygon as near
// the curve; diag(a, b) stretches that by at most the larger semi-axis.
// The measures of single laps (candidate segments, feet on the arc) do not
// hold here, and this bound, which does, is what is reported.
ScaledDeviation LappedDeviation(PolygonFit fit, const PolygonShape& s, std::int32_t n,
                                ExtendedSinCos half) {
  ScaledDeviation r;
  r.scale = WalkOfFit(fit, s.sweep, s.closed, n).scale;
  const LD outward = std::fabs(r.scale);
  // Steps of a half turn or more: nothing nearer than the far side.
  const LD unit = half.cos > 0 ? std::max(outward - 1, 1 - half.cos) : 1 + outward;
  r.deviation = std::max(s.a, s.b) * unit;
  return r;
}

}  // namespace

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
  if (WindsAround(s)) return LappedDeviation(fit, s, n, half);
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

double PolygonDeviation(PolygonFit fit, const PolygonShape& s, std::int32_t n) {
  if (Degenerate(s) || n < 2) return kNaN;
  return static_cast<double>(MeasurePolygon(fit, s, n).deviation);
}

double PolygonSegmentLength(PolygonFit fit, const PolygonShape& s, std::int32_t n) {
  if (Degenerate(s) || n < 2) return kNaN;
  const UnitPolygon poly(fit, s, n);
  LD longest = 0;
  const auto measure = [&](std::int32_t k) {
    longest = std::max(longest, Length(poly.Image(poly.At(k + 1) - poly.At(k))));
  };
  if (WindsAround(s)) {
    // Each lap meets the minor axis' ends at other phases: every segment.
    for (std::int32_t k = 0; k < n; ++k) measure(k);
  } else {
    ForCandidateSegments(poly, MajorTip(s) + kPi / 2, measure);
  }
  return static_cast<double>(longest);
}

}  // namespace q527
