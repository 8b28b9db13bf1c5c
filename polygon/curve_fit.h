// Circles and ellipses fitted to the vertices of a run of segments: the best
// curve in the geometric sense (least squares of the true distances), found
// from an algebraic start. Only + − × ÷, square roots and the project's own
// trigonometry are used, so every build restores the same bits.
#pragma once

#include <optional>
#include <span>

#include "polygon/curves.h"

namespace q527 {

// The circle nearest the points in least squares of distances, from
// Taubin's algebraic fit refined by Levenberg-Marquardt. Nullopt for fewer
// than 3 points, a non-finite point, points that are all equal or on one
// line (or so nearly that the radius passes 10^12 times their spread),
// points that lie on no circle (a quarter of their spread from the
// algebraic one, in root mean square), and when the refinement does not
// converge within 100 steps.
std::optional<Circle> FitCircle(std::span<const Point2> points);
// The circle through points.front() and points.back() (its centre on their
// bisector) nearest the other points. Nullopt as FitCircle, and when the
// two end points coincide.
std::optional<Circle> FitCircleThroughEnds(std::span<const Point2> points);

// The ellipse nearest the points in least squares of distances, from the
// direct ellipse-specific fit of Fitzgibbon in Halir and Flusser's stable
// form, refined by Levenberg-Marquardt. Nullopt for fewer than 5 points, a
// non-finite point, points on a line or on no ellipse (a quarter of their
// spread from the direct fit's, in root mean square), and when the
// refinement does not converge within 100 steps or runs off towards a
// parabola (a semi-axis 10^4 times the points' spread).
std::optional<Ellipse> FitEllipse(std::span<const Point2> points);
// The ellipse through points.front() and points.back() nearest the other
// points. Nullopt as FitEllipse, and when the two end points coincide.
std::optional<Ellipse> FitEllipseThroughEnds(std::span<const Point2> points);

}  // namespace q527
