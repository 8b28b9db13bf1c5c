// The form the ellipse fits work in: (x - c)ᵀ·S·(x - c) = 1 with S symmetric
// positive definite. Unlike semi-axes and tilt it is smooth in its
// parameters where the ellipse is a circle, whose tilt means nothing.
#pragma once

#include <optional>
#include <span>

#include "polygon/curves.h"
#include "polygon/least_squares.h"

namespace q527 {

struct CentredConic {
  long double cx, cy, sxx, sxy, syy;
};

// The conic's axes: the unit direction (ux, uy) of the long semi-axis a and
// the short one b. Nullopt when S is not positive definite.
struct ConicAxes {
  long double ux, uy, a, b;
};
std::optional<ConicAxes> AxesOfConic(const CentredConic& c);

// A semi-axis beyond this many times the points' spread makes a run a
// parabola, not part of an ellipse.
inline constexpr long double kLargestAxis = 1e4L;

// Whether the conic is an ellipse a fit may stand on: S positive definite,
// finite and not too large. Its axes when it is.
std::optional<ConicAxes> UsableAxes(const CentredConic& c);

// A point's signed distance to the conic (positive outside) with its
// gradient in (cx, cy, sxx, sxy, syy).
struct ConicResidual {
  long double distance;
  long double row[5];
};
ConicResidual ResidualOf(Vec2 v, const CentredConic& c, const ConicAxes& axes);

// The conic in the frame as the drawing's ellipse; nullopt when it is
// beyond the doubles' range.
std::optional<Ellipse> EllipseOfConic(const PointFrame& frame, const ConicAxes& axes,
                                      const CentredConic& c);

// Fitzgibbon, Pilu and Fisher's direct least squares fit of an ellipse, in
// the numerically stable form of Halir and Flusser, to the points in the
// frame. Nullopt for points on a line or on no ellipse.
std::optional<CentredConic> DirectEllipseFit(std::span<const Point2> points,
                                             const PointFrame& frame);

}  // namespace q527
