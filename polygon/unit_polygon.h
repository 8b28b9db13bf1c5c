// The unit picture the plan measures in: a figure is the image of the unit
// circle under diag(a, b) (its tilt turns the curve and the polygon alike
// and changes no distance), and so is its polygon, whose vertices lie at
// scale · (cos θ, sin θ). Only + − × ÷ and square roots of long doubles and
// the project's own sine and cosine are used, so every build plans the same
// counts. For the plan's own files; the rest of the project sees plan.h.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "common/extended_trig.h"
#include "common/geometry.h"
#include "polygon/plan.h"

namespace q527 {

using LD = long double;

// An open mid polygon's end segment runs from the curve to a vertex off it.
// Over lead·h (h the other segments' step) it strays beyond the curve by
// (lead²h²/2 - e)²/(2·lead²h²) with the corners e = h²/16 out; that equals e
// at lead = (1 + √2)/(2√2).
inline constexpr double kMidLead = 0.85355339059327376220;

// No default values: the measures keep arrays of them on the stack, and
// zeroing those would cost more than the measures.
struct Vec {
  LD x, y;
};

inline Vec operator+(Vec p, Vec q) { return {p.x + q.x, p.y + q.y}; }
inline Vec operator-(Vec p, Vec q) { return {p.x - q.x, p.y - q.y}; }
inline Vec operator*(Vec p, LD k) { return {p.x * k, p.y * k}; }
inline LD Dot(Vec p, Vec q) { return p.x * q.x + p.y * q.y; }
inline LD Cross(Vec p, Vec q) { return p.x * q.y - p.y * q.x; }
inline LD Length(Vec p) { return std::sqrt(p.x * p.x + p.y * p.y); }

// The cosine of the written vertices' angles (SinCosExtended's); the
// measures, which need a dozen digits, take SinCosNear's.
LD CosOf(LD x);

// sin and cos of π/n for the counts a plan can ask for, found once (on
// first use, so under the caller's precision) and only read after that.
struct PiOverTable {
  ExtendedSinCos at[kMostSegments + 1];
  PiOverTable();
};

// sin and cos of π/n: every closed figure's plan asks for a few.
inline ExtendedSinCos SinCosOfPiOver(std::int32_t n) {
  if (n < 1 || n > kMostSegments) return SinCosExtended(static_cast<double>(kPi / n));
  static const PiOverTable table;
  return table.at[n];
}

// How far a fit's regular polygon of the unit circle strays, c the cosine
// of its half step: the chord's sagitta, the corner's distance out, or, mid,
// either (they are equal).
inline LD UnitDeviation(PolygonFit fit, LD c) {
  return fit == PolygonFit::kInscribed       ? 1 - c
         : fit == PolygonFit::kCircumscribed ? 1 / c - 1
                                             : (1 - c) / (1 + c);
}

inline bool Degenerate(const PolygonShape& s) {
  return !(s.a > 0 && s.b > 0 && std::isfinite(s.a) && std::isfinite(s.b) &&
           std::isfinite(s.start) && std::isfinite(s.sweep) && s.sweep != 0);
}

// The walk's steps without its scale.
FitWalk WalkSteps(PolygonFit fit, bool closed, std::int32_t n);

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

// An open figure that winds once or more round its centre (a circular
// solid's stored sweep may be any angle): its polygon laps itself, and
// every direction lies on its arc.
inline bool WindsAround(const PolygonShape& s) {
  return !s.closed && std::fabs(static_cast<LD>(s.sweep)) >= 2 * kPi;
}

// The parameter angle next to which the major axis' ends lie.
inline LD MajorTip(const PolygonShape& s) { return s.a >= s.b ? 0.0L : kPi / 2; }

}  // namespace q527
