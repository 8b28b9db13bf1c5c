#include "polygon/convert.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "common/extended_trig.h"
#include "common/geometry.h"
#include "polygon/angle_tables.h"

namespace q527 {

namespace {

// 2π at extended precision; the circle step is its quotient by N held as a
// double, so the vertices match those of the host's own conversions.
constexpr long double kTwoPi = 2 * kPi;
// An arc whose ends meet to within this many degrees is a closed ellipse.
constexpr long double kClosedSweep = 1.0E-8L;
// A circular solid whose sweep is a full turn to within this many radians
// is closed (the host stores 2π rounded to 15 digits).
constexpr long double kClosedSolidSweep = 1.0E-8L;
// Sweeps up to this size are reduced by the plain add/subtract-360 steps
// (at most a few thousand rounds); larger ones are first brought below 360
// by an exact remainder, so no angle can keep the run busy.
constexpr double kStepwiseLimit = 360.0 * 4096.0;
constexpr std::int64_t kMaxCount = std::numeric_limits<std::int32_t>::max();

std::int32_t ClampCount(std::int32_t n) { return std::clamp<std::int32_t>(n, 3, 999); }

// Degrees to radians as EllipsePointDeg converts them.
double Radians(double degrees) { return static_cast<double>(degrees / 180.0L * kPi); }
double Identity(double radians) { return radians; }

struct Point {
  double x = 0;
  double y = 0;
};

Point CirclePoint(double cx, double cy, long double r, long double cosA, long double sinA) {
  const long double x = cosA * r + cx;
  const long double y = sinA * r + cy;
  return {static_cast<double>(x), static_cast<double>(y)};
}

// The tilt's cosine and sine, found once per figure.
struct Tilt {
  long double c, s;
  explicit Tilt(double theta) {
    const ExtendedSinCos t = SinCosExtended(theta);
    c = t.cos;
    s = t.sin;
  }
};

Point TiltedEllipsePoint(double cx, double cy, double radius, double flatness, const Tilt& t,
                         long double cosA, long double sinA) {
  Point p;
  EllipsePointAt(p.x, p.y, cx, cy, radius, flatness, t.c, t.s, cosA, sinA);
  return p;
}

void SetSegment(TJwwEntLine& line, const TJwwAttr& attr, std::int32_t /*scolor*/, Point p,
                Point q) {
  line.attr = attr;
  line.x1 = p.x;
  line.y1 = p.y;
  line.x2 = q.x;
  line.y2 = q.y;
}

void SetSegment(TJwwEntSolid2& solid, const TJwwAttr& attr, std::int32_t scolor, Point p, Point q) {
  solid.attr = attr;
  solid.scolor = scolor;
  solid.x1 = p.x;
  solid.y1 = p.y;
  solid.x2 = q.x;
  solid.y2 = q.y;
}

// Checks the new counts against the 32-bit limit and reserves both tables,
// so running out of memory leaves both at their old counts and the appends
// never allocate.
template <typename Dst>
bool ReserveFor(Store& s, std::vector<Dst>& dst, std::int64_t added) {
  const auto t0 = static_cast<std::int64_t>(dst.size());
  const auto o0 = static_cast<std::int64_t>(s.order.size());
  // Indexes and counts are 32-bit in the store and in the exchange format;
  // a conversion that would pass that limit is refused before anything
  // changes, instead of wrapping into negative indexes.
  if (t0 + added > kMaxCount || o0 + added > kMaxCount) return false;
  dst.reserve(static_cast<std::size_t>(t0 + added));
  s.order.reserve(static_cast<std::size_t>(o0 + added));
  return true;
}

// Appends one segment and its order entry: segments and entries go in step,
// so the entry names the segment's own index.
template <typename Dst>
void AppendSegment(Store& s, std::vector<Dst>& dst, TJwwKind dstKind, const TJwwAttr& attr,
                   std::int32_t scolor, Point p, Point q) {
  const auto at = static_cast<std::int32_t>(dst.size());
  SetSegment(dst.emplace_back(), attr, scolor, p, q);
  s.order.push_back(TJwwOrder{dstKind, at});
}

// The source table goes and its old order entries are marked removed.
template <typename Src>
void RemoveSources(Store& s, std::vector<Src>& src, TJwwKind srcKind, std::int64_t o0) {
  std::vector<Src>().swap(src);
  for (std::int64_t k = 0; k < o0; ++k) {
    TJwwOrder& entry = s.order[static_cast<std::size_t>(k)];
    if (entry.kind == srcKind) entry.kind = kJwwRemoved;
  }
}

// The dialog's frame: N segments per source figure at T0 + i·N + j.
// `walk` gives, for one source figure, its attribute block, solid colour,
// start angle, step and point function; the point function takes the
// vertex's angle and its number 0..N.
template <typename Src, typename Dst, typename Walk>
bool ConvertFigures(Store& s, std::vector<Src>& src, std::vector<Dst>& dst, TJwwKind srcKind,
                    TJwwKind dstKind, std::int32_t n, Walk walk) {
  n = ClampCount(n);
  const auto c = static_cast<std::int64_t>(src.size());
  const auto o0 = static_cast<std::int64_t>(s.order.size());
  if (!ReserveFor(s, dst, c * n)) return false;
  for (std::int64_t i = 0; i < c; ++i) {
    const Src& fig = src[static_cast<std::size_t>(i)];
    walk(fig, [&](const TJwwAttr& attr, std::int32_t scolor, double a, double step, auto pointAt) {
      Point p = pointAt(a, 0);
      for (std::int32_t j = 0; j < n; ++j) {
        // Summed step by step: the closing vertex is the point at start + N·s,
        // which may differ from the first vertex in the last bits.
        a += step;
        const Point q = pointAt(a, static_cast<std::size_t>(j) + 1);
        AppendSegment(s, dst, dstKind, attr, scolor, p, q);
        p = q;
      }
    });
  }
  RemoveSources(s, src, srcKind, o0);
  return true;
}

// One figure of a planned conversion, in the figure's own angle unit.
struct PlannedFigure {
  PolygonShape shape;  // radians
  double start = 0;    // the walk's start, step and end in the unit of `toAngle`
  double sweep = 0;
  double end = 0;
};

// Each figure's count (and, mid fit, scale) by the policy, and what they
// make together. `describe` gives a figure's PlannedFigure.
template <typename Src, typename Describe>
PolygonCounts PlanFigures(const std::vector<Src>& src, const PolygonPolicy& policy,
                          Describe describe) {
  PolygonCounts c;
  c.counts.resize(src.size());
  // The mid fit balances each ellipse's scale of its own.
  if (policy.fit == PolygonFit::kMid) c.scales.resize(src.size());
  PolygonSummary& sum = c.summary;
  for (std::size_t i = 0; i < src.size(); ++i) {
    const PolygonPlan plan = PlanPolygon(policy, describe(src[i]).shape, sum.largestDeviation);
    c.counts[i] = plan.segments;
    if (!c.scales.empty()) c.scales[i] = plan.scale;
    c.segments += plan.segments;
    ++sum.polygons;
    sum.fewest = sum.fewest == 0 ? plan.segments : std::min(sum.fewest, plan.segments);
    sum.most = std::max(sum.most, plan.segments);
    if (plan.deviation > sum.largestDeviation) sum.largestDeviation = plan.deviation;
    sum.capped += plan.capped;
  }
  return c;
}

// The planned frame: the counts (planned here unless given), then each
// figure's vertices by the fit. Vertices off the curve lie on it scaled
// about the centre; an open figure's end vertices are its own end points, a
// closed figure's last vertex is its first.
template <typename Src, typename Dst, typename Describe, typename Point3>
bool ConvertPlanned(Store& s, std::vector<Src>& src, std::vector<Dst>& dst, TJwwKind srcKind,
                    TJwwKind dstKind, const PolygonPolicy& policy, PolygonSummary* summary,
                    const PolygonCounts* given, double (*toAngle)(double), Describe describe,
                    Point3 pointOf) {
  // The counts first: they fix the tables' new sizes, and planning an
  // ellipse costs more than keeping its count.
  PolygonCounts planned;
  if (given == nullptr) planned = PlanFigures(src, policy, describe);
  const PolygonCounts& plan = given != nullptr ? *given : planned;
  if (plan.counts.size() != src.size()) return false;
  const std::vector<std::int32_t>& counts = plan.counts;
  const std::vector<double>& scales = plan.scales;
  const std::int64_t added = plan.segments;
  const PolygonSummary& sum = plan.summary;
  const auto o0 = static_cast<std::int64_t>(s.order.size());
  if (!ReserveFor(s, dst, added)) return false;

  AngleTables tables(toAngle);
  std::vector<Point> vertices;
  for (std::size_t i = 0; i < src.size(); ++i) {
    const Src& fig = src[i];
    const PlannedFigure pf = describe(fig);
    const std::int32_t n = counts[i];
    FitWalk w = WalkOfFit(policy.fit, pf.shape.sweep, pf.shape.closed, n);
    if (!scales.empty() && scales[i] != 0) w.scale = scales[i];
    // The walk of the off-curve (or, inscribed, all) vertices.
    const double step = static_cast<double>(static_cast<long double>(pf.sweep) / w.spans);
    const double first = w.shifted ? pf.start + w.lead * step : pf.start;
    const AngleTable& angles = tables.For(n + 1, first, step);
    vertices.resize(static_cast<std::size_t>(n) + 1);
    for (std::int32_t k = 0; k < n; ++k) {
      vertices[static_cast<std::size_t>(k)] =
          pointOf(fig, w.scale, angles.cos[static_cast<std::size_t>(k)],
                  angles.sin[static_cast<std::size_t>(k)]);
    }
    if (pf.shape.closed) {
      vertices[static_cast<std::size_t>(n)] = vertices[0];
    } else {
      // An unshifted walk starts on the figure's own start point.
      if (w.shifted) {
        // The walk gave vertices 1..n-1.
        for (std::int32_t k = n - 1; k >= 1; --k) vertices[k] = vertices[k - 1];
        const ExtendedSinCos a = SinCosExtended(toAngle(pf.start));
        vertices[0] = pointOf(fig, 1.0L, a.cos, a.sin);
      }
      const ExtendedSinCos b = SinCosExtended(toAngle(pf.end));
      vertices[static_cast<std::size_t>(n)] = pointOf(fig, 1.0L, b.cos, b.sin);
    }
    const TJwwAttr& attr = fig.attr;
    std::int32_t scolor = 0;
    if constexpr (requires { fig.scolor; }) scolor = fig.scolor;
    for (std::int32_t k = 0; k < n; ++k) {
      AppendSegment(s, dst, dstKind, attr, scolor, vertices[static_cast<std::size_t>(k)],
                    vertices[static_cast<std::size_t>(k) + 1]);
    }
  }
  RemoveSources(s, src, srcKind, o0);
  if (summary != nullptr && sum.polygons > 0) {
    summary->fewest = summary->polygons == 0 ? sum.fewest : std::min(summary->fewest, sum.fewest);
    summary->most = std::max(summary->most, sum.most);
    summary->polygons += sum.polygons;
    summary->largestDeviation = std::max(summary->largestDeviation, sum.largestDeviation);
    summary->capped += sum.capped;
  }
  return true;
}

}  // namespace

double ArcSweepDegrees(double start, double end) {
  double sweep = end - start;
  // Infinite or undefined angles have no direction to follow; the whole
  // ellipse is the one polygon that is still well defined.
  if (!std::isfinite(sweep)) return 360.0;
  if (std::fabs(sweep) > kStepwiseLimit) sweep = std::fmod(sweep, 360.0);
  while (sweep < 0) sweep += 360.0;
  while (sweep >= 360.0) sweep -= 360.0;
  if (std::fabs(static_cast<long double>(sweep)) <= kClosedSweep ||
      std::fabs(static_cast<long double>(sweep) - 360.0L) <= kClosedSweep) {
    sweep = 360.0;
  }
  return sweep;
}

bool ConvertCircles(Store& s, std::int32_t n) {
  const std::int32_t segments = ClampCount(n);
  const double step = static_cast<double>(kTwoPi / segments);
  AngleTables tables(Identity);
  const AngleTable& angles = tables.For(segments + 1, 0.0, step);
  return ConvertFigures(s, s.circles, s.lines, kJwwCircle, kJwwLine, n,
                        [&](const TJwwEntCircle& c, auto emit) {
                          emit(c.attr, 0, 0.0, step, [&](double, std::size_t k) {
                            return CirclePoint(c.cx, c.cy, c.r, angles.cos[k], angles.sin[k]);
                          });
                        });
}

bool ConvertArcs(Store& s, std::int32_t n) {
  const std::int32_t segments = ClampCount(n);
  AngleTables tables(Radians);
  return ConvertFigures(s, s.arcs, s.lines, kJwwArc, kJwwLine, n,
                        [&](const TJwwEntArc& arc, auto emit) {
                          const long double sweep = ArcSweepDegrees(arc.start, arc.end);
                          const double step = static_cast<double>(sweep / segments);
                          const AngleTable& angles = tables.For(segments + 1, arc.start, step);
                          const Tilt tilt(Radians(arc.tilt));
                          emit(arc.attr, 0, arc.start, step, [&](double, std::size_t k) {
                            return TiltedEllipsePoint(arc.cx, arc.cy, arc.r, arc.flat, tilt,
                                                      angles.cos[k], angles.sin[k]);
                          });
                        });
}

bool ConvertSolidCircles(Store& s, std::int32_t n) {
  const std::int32_t segments = ClampCount(n);
  AngleTables tables(Identity);
  return ConvertFigures(s, s.ses, s.solid2s, kJwwSe, kJwwSolid2, n,
                        [&](const TJwwEntSe& se, auto emit) {
                          // The sweep is taken as stored: a negative one runs
                          // the other way round, zero gives N empty segments.
                          const long double sweep = se.v[6];
                          const double step = static_cast<double>(sweep / segments);
                          const AngleTable& angles = tables.For(segments + 1, se.v[5], step);
                          const Tilt tilt(se.v[4]);
                          emit(se.attr, se.scolor, se.v[5], step, [&](double, std::size_t k) {
                            return TiltedEllipsePoint(se.v[0], se.v[1], se.v[2], se.v[3], tilt,
                                                      angles.cos[k], angles.sin[k]);
                          });
                        });
}

namespace {

// The tilt of the figure in hand, found once per figure: the point function
// is called for each of its vertices.
template <typename Fig>
struct TiltOfFigure {
  const Fig* of = nullptr;
  Tilt tilt{0.0};
  const Tilt& Of(const Fig& fig, double radians) {
    if (of != &fig) {
      tilt = Tilt(radians);
      of = &fig;
    }
    return tilt;
  }
};

PlannedFigure DescribeCircle(const TJwwEntCircle& c) {
  PlannedFigure f;
  f.shape = {std::fabs(c.r), std::fabs(c.r), 0.0, static_cast<double>(kTwoPi), true};
  f.sweep = static_cast<double>(kTwoPi);
  return f;
}

PlannedFigure DescribeArc(const TJwwEntArc& arc) {
  PlannedFigure f;
  f.sweep = ArcSweepDegrees(arc.start, arc.end);
  f.start = arc.start;
  f.end = arc.end;
  const bool closed = f.sweep == 360.0;
  f.shape = {std::fabs(arc.r), std::fabs(arc.r * arc.flat), Radians(arc.start),
             static_cast<double>(f.sweep / 180.0L * kPi), closed};
  return f;
}

PlannedFigure DescribeSolidCircle(const TJwwEntSe& se) {
  PlannedFigure f;
  f.start = se.v[5];
  f.sweep = se.v[6];
  f.end = static_cast<double>(static_cast<long double>(se.v[5]) + se.v[6]);
  const bool closed =
      std::fabs(std::fabs(static_cast<long double>(se.v[6])) - kTwoPi) <= kClosedSolidSweep;
  f.shape = {std::fabs(se.v[2]), std::fabs(se.v[2] * se.v[3]), se.v[5], se.v[6], closed};
  return f;
}

}  // namespace

PolygonCounts PlanCircles(const Store& s, const PolygonPolicy& policy) {
  return PlanFigures(s.circles, policy, DescribeCircle);
}
PolygonCounts PlanArcs(const Store& s, const PolygonPolicy& policy) {
  return PlanFigures(s.arcs, policy, DescribeArc);
}
PolygonCounts PlanSolidCircles(const Store& s, const PolygonPolicy& policy) {
  return PlanFigures(s.ses, policy, DescribeSolidCircle);
}

bool ConvertCircles(Store& s, const PolygonPolicy& policy, PolygonSummary* summary,
                    const PolygonCounts* counts) {
  if (!policy.planned) return ConvertCircles(s, policy.segments);
  return ConvertPlanned(
      s, s.circles, s.lines, kJwwCircle, kJwwLine, policy, summary, counts, Identity,
      DescribeCircle,
      [](const TJwwEntCircle& c, long double scale, long double cosA, long double sinA) {
        return CirclePoint(c.cx, c.cy, c.r * scale, cosA, sinA);
      });
}

bool ConvertArcs(Store& s, const PolygonPolicy& policy, PolygonSummary* summary,
                 const PolygonCounts* counts) {
  if (!policy.planned) return ConvertArcs(s, policy.segments);
  TiltOfFigure<TJwwEntArc> tilt;
  return ConvertPlanned(
      s, s.arcs, s.lines, kJwwArc, kJwwLine, policy, summary, counts, Radians, DescribeArc,
      [&](const TJwwEntArc& arc, long double scale, long double cosA, long double sinA) {
        const double r = scale == 1.0L ? arc.r : static_cast<double>(arc.r * scale);
        return TiltedEllipsePoint(arc.cx, arc.cy, r, arc.flat, tilt.Of(arc, Radians(arc.tilt)),
                                  cosA, sinA);
      });
}

bool ConvertSolidCircles(Store& s, const PolygonPolicy& policy, PolygonSummary* summary,
                         const PolygonCounts* counts) {
  if (!policy.planned) return ConvertSolidCircles(s, policy.segments);
  TiltOfFigure<TJwwEntSe> tilt;
  return ConvertPlanned(
      s, s.ses, s.solid2s, kJwwSe, kJwwSolid2, policy, summary, counts, Identity,
      DescribeSolidCircle,
      [&](const TJwwEntSe& se, long double scale, long double cosA, long double sinA) {
        const double r = scale == 1.0L ? se.v[2] : static_cast<double>(se.v[2] * scale);
        return TiltedEllipsePoint(se.v[0], se.v[1], r, se.v[3], tilt.Of(se, se.v[4]), cosA, sinA);
      });
}

// The three conversions append to the same two tables, circles and arcs
// even to the same line table. Reserving what all of them add at once moves
// (and touches fresh memory for) each table once instead of once per kind.
// Capacity only: the counts stay, and when memory is short the conversions
// fail exactly as they would have. A total past the 32-bit limit is left to
// the conversion that passes it to refuse.
void ReserveForConversion(Store& s, std::int32_t n, bool circles, bool arcs, bool solids) {
  const std::int64_t segments = ClampCount(n);
  const std::int64_t lines = segments * static_cast<std::int64_t>((circles ? s.circles.size() : 0) +
                                                                  (arcs ? s.arcs.size() : 0));
  const std::int64_t solid2s = segments * static_cast<std::int64_t>(solids ? s.ses.size() : 0);
  ReserveForPlanned(s, lines, solid2s);
}

void ReserveForPlanned(Store& s, std::int64_t lines, std::int64_t solid2s) {
  const auto lineCount = static_cast<std::int64_t>(s.lines.size()) + lines;
  const auto solid2Count = static_cast<std::int64_t>(s.solid2s.size()) + solid2s;
  const auto orderCount = static_cast<std::int64_t>(s.order.size()) + lines + solid2s;
  if (lineCount > kMaxCount || solid2Count > kMaxCount || orderCount > kMaxCount) return;
  s.lines.reserve(static_cast<std::size_t>(lineCount));
  s.solid2s.reserve(static_cast<std::size_t>(solid2Count));
  s.order.reserve(static_cast<std::size_t>(orderCount));
}

}  // namespace q527
