// True Euclidean distances from points to circles, ellipses and lines: the
// measures a restored curve is judged by. Only + − × ÷, square roots and the
// project's own trigonometry are used, so every build gets the same bits.
#pragma once

#include <optional>
#include <span>

#include "polygon/curves.h"

namespace q527 {

// The distance from p to the circle's curve, inside or outside. NaN for a
// non-finite argument or a negative radius.
long double DistanceToCircle(Point2 p, const Circle& c);
// The distance from p to the ellipse's curve, inside or outside, robust for
// flat ellipses and points near the centre. NaN for a non-finite argument or
// a semi-axis that is not positive.
long double DistanceToEllipse(Point2 p, const Ellipse& e);
// The parameter angle, in [0, 2π), of the curve point nearest to p (one of
// them where several are). NaN where DistanceToEllipse is.
long double ParameterOf(Point2 p, const Ellipse& e);

// Where a run lies on an ellipse (a circle is one with a = b and tilt 0,
// its parameter the polar angle): the parameter angles it covers, counter-
// clockwise from start to end in radians, start in [0, 2π) and end - start
// in (0, 2π], 2π for a run that closes or winds round; and whether the run
// walks them clockwise. Each step between neighbours is taken the short way
// round. Nullopt for fewer than two points, a point or an ellipse that
// cannot be measured, or a run that covers no angle.
struct ParameterSpan {
  long double start, end;
  bool clockwise;
};
std::optional<ParameterSpan> SpanOfRun(std::span<const Point2> points, const Ellipse& e);

// How a run lies along a curve, from one nearest point per vertex: its
// largest distance, whether its vertices advance along the curve without
// going back (every parameter step, taken the short way round, of one sign
// and none zero, and all of them less than a whole turn), and the span it
// covers as SpanOfRun gives it. Nullopt where SpanOfRun gives none. A
// circle's parameter is the polar angle, found without a nearest point.
struct RunAlongCurve {
  long double largest = 0;
  bool advances = false;
  ParameterSpan span{};
};
std::optional<RunAlongCurve> MeasureRun(std::span<const Point2> points, const Ellipse& e);
std::optional<RunAlongCurve> MeasureRun(std::span<const Point2> points, const Circle& c);

// The largest distance of the points to the curve: 0 for no points,
// infinite when a distance cannot be measured (a non-finite point), so that
// such a run lies within no tolerance.
long double LargestDistance(std::span<const Point2> points, const Circle& c);
long double LargestDistance(std::span<const Point2> points, const Ellipse& e);
// The largest distance of the points to their best straight line in the
// total least squares sense: a run within a tolerance of a line is no arc.
// 0 for fewer than two points, infinite for a non-finite point.
long double LargestDistanceToLine(std::span<const Point2> points);

}  // namespace q527
