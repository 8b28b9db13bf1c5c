// The centred conic's axes and the distance residual the ellipse fits are
// built from. A residual's gradient comes from its foot X on the curve:
// changing a parameter q moves the distance by F_q(X)/|∇F(X)| for
// F(x) = (x - c)ᵀS(x - c) - 1, the foot's own motion adding nothing to
// first order (the distance is smallest there).
#include "polygon/centred_conic.h"

#include <cmath>

#include "common/extended_atan.h"
#include "common/geometry.h"
#include "polygon/ellipse_foot.h"

namespace q527 {

using LD = long double;

std::optional<ConicAxes> AxesOfConic(const CentredConic& c) {
  const LD det = c.sxx * c.syy - c.sxy * c.sxy;
  if (!(c.sxx > 0) || !(det > 0)) return std::nullopt;
  // Eigenvalues: the larger from the mean, the smaller from the product.
  const LD half = (c.sxx - c.syy) / 2;
  const LD larger = (c.sxx + c.syy) / 2 + std::sqrt(half * half + c.sxy * c.sxy);
  const LD smaller = det / larger;
  // The long axis is the smaller eigenvalue's eigenvector; of its two forms
  // the longer is the better conditioned.
  LD ux = c.sxy, uy = smaller - c.sxx;
  if (std::fabs(smaller - c.syy) + std::fabs(c.sxy) > std::fabs(ux) + std::fabs(uy)) {
    ux = smaller - c.syy;
    uy = c.sxy;
  }
  const LD length = std::sqrt(ux * ux + uy * uy);
  if (length > 0) {
    ux /= length;
    uy /= length;
  } else {
    ux = 1, uy = 0;  // a circle
  }
  const LD a = 1 / std::sqrt(smaller), b = 1 / std::sqrt(larger);
  if (!std::isfinite(a)) return std::nullopt;
  return ConicAxes{ux, uy, a, b};
}

std::optional<ConicAxes> UsableAxes(const CentredConic& c) {
  if (!std::isfinite(c.cx) || !std::isfinite(c.cy)) return std::nullopt;
  const std::optional<ConicAxes> axes = AxesOfConic(c);
  if (!axes || !(axes->a <= kLargestAxis)) return std::nullopt;
  return axes;
}

ConicResidual ResidualOf(Vec2 v, const CentredConic& c, const ConicAxes& axes) {
  // The point in the conic's axes, and its foot there.
  const LD dx = v.x - c.cx, dy = v.y - c.cy;
  const LD u = dx * axes.ux + dy * axes.uy, w = dy * axes.ux - dx * axes.uy;
  const EllipseFoot f = NearestOnEllipse(u, w, axes.a, axes.b);
  // The foot X - c and the gradient S·(X - c) back in the frame.
  const LD x = f.x * axes.ux - f.y * axes.uy, y = f.x * axes.uy + f.y * axes.ux;
  const LD gx = c.sxx * x + c.sxy * y, gy = c.sxy * x + c.syy * y;
  const LD g = std::sqrt(gx * gx + gy * gy);
  return {f.distance, {-gx / g, -gy / g, x * x / (2 * g), x * y / g, y * y / (2 * g)}};
}

std::optional<Ellipse> EllipseOfConic(const PointFrame& frame, const ConicAxes& axes,
                                      const CentredConic& c) {
  // The long axis' tilt, in [0, π).
  LD tilt = Atan2Extended(axes.uy, axes.ux);
  if (tilt < 0) tilt += kPi;
  double tiltOut = static_cast<double>(tilt);
  if (tiltOut >= static_cast<double>(kPi)) tiltOut = 0;
  const Ellipse e{static_cast<double>(frame.mx + c.cx * frame.scale),
                  static_cast<double>(frame.my + c.cy * frame.scale),
                  static_cast<double>(axes.a * frame.scale),
                  static_cast<double>(axes.b * frame.scale), tiltOut};
  // A short axis may underflow to zero where the long one is tiny.
  if (!std::isfinite(e.cx) || !std::isfinite(e.cy) || !std::isfinite(e.a) || !(e.b > 0)) {
    return std::nullopt;
  }
  return e;
}

}  // namespace q527
