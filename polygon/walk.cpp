#include "polygon/walk.h"

#include <cmath>

#include "common/extended_trig.h"
#include "common/geometry.h"

namespace q527 {

namespace {

// 2π at extended precision; the dialog's circle step is its quotient by N
// held as a double, so the vertices match those of the host's own
// conversions.
constexpr long double kTwoPi = 2 * kPi;
// An arc whose ends meet to within this many degrees is a closed ellipse.
constexpr long double kClosedSweep = 1.0E-8L;
// A circular solid whose sweep is a whole turn to within this many radians
// is closed.
constexpr long double kClosedSolidSweep = 1.0E-8L;
// Sweeps up to this size are reduced by the plain add/subtract-360 steps
// (at most a few thousand rounds); larger ones are first brought below 360
// by an exact remainder, so no angle can keep the run busy.
constexpr double kStepwiseLimit = 360.0 * 4096.0;

// The point at the angle whose cosine and sine are given, on the figure
// scaled by `scale` about its centre.
Vertex PointAt(const PolygonFigure& f, const ExtendedSinCos& tilt, long double scale,
               long double cosA, long double sinA) {
  if (f.circle) {
    const long double r = f.radius * scale;
    return {static_cast<double>(cosA * r + f.cx), static_cast<double>(sinA * r + f.cy)};
  }
  const double r = scale == 1.0L ? f.radius : static_cast<double>(f.radius * scale);
  Vertex v;
  EllipsePointAt(v.x, v.y, f.cx, f.cy, r, f.flat, tilt.cos, tilt.sin, cosA, sinA);
  return v;
}

ExtendedSinCos TiltOf(const PolygonFigure& f) {
  return f.circle ? ExtendedSinCos{0, 1} : SinCosExtended(f.tilt);
}

// The point at an angle in the figure's unit, on the figure itself.
Vertex PointAtAngle(const PolygonFigure& f, const ExtendedSinCos& tilt, double angle) {
  const ExtendedSinCos a = SinCosExtended(
      f.unit == AngleUnit::kDegrees ? AngleTables::Degrees(angle) : AngleTables::Radians(angle));
  return PointAt(f, tilt, 1.0L, a.cos, a.sin);
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

bool IsWholeTurn(double sweep) {
  return std::fabs(std::fabs(static_cast<long double>(sweep)) - kTwoPi) <= kClosedSolidSweep;
}

AngleTables& PolygonWalker::TablesOf(const PolygonFigure& f) {
  return f.unit == AngleUnit::kDegrees ? degrees_ : radians_;
}

void PolygonWalker::WalkEvenly(const PolygonFigure& f, std::int32_t n, std::vector<Vertex>& out) {
  n = ClampSegments(n);
  // The sweep taken as stored: a solid's negative one runs the other way
  // round, zero gives n empty segments.
  const long double sweep = f.circle ? kTwoPi : static_cast<long double>(f.sweep);
  const double step = static_cast<double>(sweep / n);
  const AngleTable& angles = TablesOf(f).For(n + 1, f.start, step);
  const ExtendedSinCos tilt = TiltOf(f);
  out.resize(static_cast<std::size_t>(n) + 1);
  for (std::size_t k = 0; k < out.size(); ++k) {
    out[k] = PointAt(f, tilt, 1.0L, angles.cos[k], angles.sin[k]);
  }
}

void PolygonWalker::WalkPlanned(const PolygonFigure& f, PolygonFit fit, std::int32_t n,
                                double scale, std::vector<Vertex>& out) {
  FitWalk w = WalkOfFit(fit, f.shape.sweep, f.shape.closed, n);
  if (scale != 0) w.scale = scale;
  // The walk of the off-curve (or, inscribed, all) vertices.
  const double step = static_cast<double>(static_cast<long double>(f.sweep) / w.spans);
  const double first = w.shifted ? f.start + w.lead * step : f.start;
  const AngleTable& angles = TablesOf(f).For(n + 1, first, step);
  const ExtendedSinCos tilt = TiltOf(f);
  const auto count = static_cast<std::size_t>(n);
  out.resize(count + 1);
  // Shifted, the walk gives vertices 1..n-1; vertex 0 is the start point.
  const std::size_t from = w.shifted ? 1 : 0;
  for (std::size_t k = 0; k + from < count; ++k) {
    out[k + from] = PointAt(f, tilt, w.scale, angles.cos[k], angles.sin[k]);
  }
  if (f.shape.closed) {
    out[count] = out[0];
    return;
  }
  if (w.shifted) out[0] = PointAtAngle(f, tilt, f.start);
  out[count] = PointAtAngle(f, tilt, f.end);
}

void PolygonWalker::Walk(const PolygonFigure& f, const PolygonPolicy& policy,
                         std::vector<Vertex>& out) {
  if (!policy.planned) return WalkEvenly(f, policy.segments, out);
  const PolygonPlan plan = PlanPolygon(policy, f.shape);
  WalkPlanned(f, policy.fit, plan.segments, plan.scale, out);
}

}  // namespace q527
