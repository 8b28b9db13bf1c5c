#include "polygon/curve_of_run.h"

#include <cmath>

#include "common/fpu_precision.h"
#include "common/geometry.h"
#include "polygon/curve_fit.h"

namespace q527 {

namespace {

using LD = long double;

// The distance of b from the line through a and c, as the noise a turn of
// the wrong way at b may be.
LD OffChord(Point2 a, Point2 b, Point2 c) {
  const LD dx = static_cast<LD>(c.x) - a.x, dy = static_cast<LD>(c.y) - a.y;
  const LD len = std::sqrt(dx * dx + dy * dy);
  const LD cross = dx * (static_cast<LD>(b.y) - a.y) - dy * (static_cast<LD>(b.x) - a.x);
  return len > 0 ? std::fabs(cross) / len : 0;
}

// Every turn goes the way of the walk along the curve (left when it runs
// counter-clockwise), but for turns as small as the deviation allows noise
// to be.
bool TurnsOneWay(std::span<const Point2> v, bool clockwise, LD tolerance) {
  for (std::size_t k = 1; k + 1 < v.size(); ++k) {
    const LD ax = static_cast<LD>(v[k].x) - v[k - 1].x, ay = static_cast<LD>(v[k].y) - v[k - 1].y;
    const LD bx = static_cast<LD>(v[k + 1].x) - v[k].x, by = static_cast<LD>(v[k + 1].y) - v[k].y;
    const LD cross = ax * by - ay * bx;
    const bool wrongWay = clockwise ? cross > 0 : cross < 0;
    if (wrongWay && OffChord(v[k - 1], v[k], v[k + 1]) > tolerance) return false;
  }
  return true;
}

// The curve's fit to the stretch, kept when every vertex is close enough,
// the stretch advances along it without going back and turns one way.
template <typename Curve>
std::optional<RunCurve> Accepted(RunCurve curve, const Curve& fitted, std::span<const Point2> v,
                                 const CurveRules& rules) {
  const std::optional<RunAlongCurve> run = MeasureRun(v, fitted);
  if (!run || !(run->largest <= rules.maxDeviation) || !run->advances) return std::nullopt;
  if (!TurnsOneWay(v, run->span.clockwise, rules.maxDeviation)) return std::nullopt;
  curve.deviation = run->largest;
  curve.span = run->span;
  return curve;
}

}  // namespace

std::optional<RunCurve> CurveOfClosedChain(std::span<const Point2> vertices,
                                           const CurveRules& rules) {
  const ExtendedPrecisionScope precision;
  if (vertices.size() < 3) return std::nullopt;
  // A circle that fits is the figure, wanted or not: a closed chain on a
  // circle is never made an ellipse.
  if (const std::optional<Circle> c = FitCircle(vertices)) {
    const LD d = LargestDistance(vertices, *c);
    if (d <= rules.maxDeviation) {
      if (!rules.closedCircles) return std::nullopt;
      RunCurve curve{CurveKind::kCircle, *c, {}, {0, 2 * kPi, false}, d};
      return curve;
    }
  }
  if (!rules.closedEllipses) return std::nullopt;
  const std::optional<Ellipse> e = FitEllipse(vertices);
  if (!e) return std::nullopt;
  const LD d = LargestDistance(vertices, *e);
  if (!(d <= rules.maxDeviation)) return std::nullopt;
  return RunCurve{CurveKind::kEllipse, {}, *e, {0, 2 * kPi, false}, d};
}

std::optional<RunCurve> CurveOfStretch(std::span<const Point2> vertices, const CurveRules& rules) {
  const ExtendedPrecisionScope precision;
  if (!rules.arcs || vertices.size() < 3) return std::nullopt;
  // A straight run with rounding noise is no arc of a huge radius.
  if (LargestDistanceToLine(vertices) <= rules.maxDeviation) return std::nullopt;
  if (const std::optional<Circle> c = FitCircleThroughEnds(vertices)) {
    RunCurve curve;
    curve.kind = CurveKind::kCircle;
    curve.circle = *c;
    if (std::optional<RunCurve> arc = Accepted(curve, *c, vertices, rules)) return arc;
  }
  if (static_cast<std::int32_t>(vertices.size()) - 1 < rules.ellipseMinSegments) {
    return std::nullopt;
  }
  const std::optional<Ellipse> e = FitEllipseThroughEnds(vertices);
  if (!e) return std::nullopt;
  RunCurve curve;
  curve.kind = CurveKind::kEllipse;
  curve.ellipse = *e;
  return Accepted(curve, *e, vertices, rules);
}

}  // namespace q527
