// Circle fits: Taubin's algebraic circle as the start, then least squares of
// the true distances |p - c| - r by Levenberg-Marquardt, all in the points'
// unit frame.
#include <cmath>

#include "common/fpu_precision.h"
#include "polygon/curve_fit.h"
#include "polygon/least_squares.h"

namespace q527 {

namespace {

using LD = long double;

// A radius beyond this many times the points' spread is a straight line.
constexpr LD kLargestRadius = 1e12L;

struct FrameCircle {
  LD x, y, r;
};

// Taubin's fit, solved as Chernov does ("Circular and linear regression",
// 2010): the smallest root of a cubic by Newton's method from zero.
std::optional<FrameCircle> TaubinCircle(std::span<const Point2> points, const PointFrame& frame) {
  // Moments about the centroid (the frame's origin, up to rounding).
  LD mx = 0, my = 0;
  for (const Point2& p : points) {
    const Vec2 v = ToFrame(frame, p);
    mx += v.x;
    my += v.y;
  }
  const auto n = static_cast<LD>(points.size());
  mx /= n;
  my /= n;
  LD xx = 0, yy = 0, xy = 0, xz = 0, yz = 0, zz = 0;
  for (const Point2& p : points) {
    const Vec2 v = ToFrame(frame, p);
    const LD x = v.x - mx, y = v.y - my, z = x * x + y * y;
    xx += x * x, yy += y * y, xy += x * y;
    xz += x * z, yz += y * z, zz += z * z;
  }
  xx /= n, yy /= n, xy /= n, xz /= n, yz /= n, zz /= n;
  // The characteristic cubic.
  const LD mz = xx + yy, covXY = xx * yy - xy * xy, varZ = zz - mz * mz;
  const LD a3 = 4 * mz, a2 = -3 * mz * mz - zz;
  const LD a1 = varZ * mz + 4 * covXY * mz - xz * xz - yz * yz;
  const LD a0 = xz * (xz * yy - yz * xy) + yz * (yz * xx - xz * xy) - varZ * covXY;
  // Newton from zero, while the cubic's value keeps falling.
  LD root = 0, value = a0;
  for (int i = 0; i < 64; ++i) {
    const LD slope = a1 + root * (2 * a2 + root * 3 * a3);
    const LD next = root - value / slope;
    if (!std::isfinite(next) || next == root) break;
    const LD nextValue = a0 + next * (a1 + next * (a2 + next * a3));
    if (std::fabs(nextValue) >= std::fabs(value)) break;
    root = next, value = nextValue;
  }
  if (root < 0) root = 0;
  // The centre.
  const LD det = root * root - root * mz + covXY;
  const LD cx = (xz * (yy - root) - yz * xy) / det / 2;
  const LD cy = (yz * (xx - root) - xz * xy) / det / 2;
  const LD r = std::sqrt(cx * cx + cy * cy + mz);
  if (!std::isfinite(r) || !(r > 0) || r > kLargestRadius) return std::nullopt;
  return FrameCircle{cx + mx, cy + my, r};
}

// The circle in the drawing; nullopt when it is beyond the doubles' range.
std::optional<Circle> ToWorld(const PointFrame& frame, FrameCircle c) {
  const Circle circle{static_cast<double>(frame.mx + c.x * frame.scale),
                      static_cast<double>(frame.my + c.y * frame.scale),
                      static_cast<double>(c.r * frame.scale)};
  if (!std::isfinite(circle.cx) || !std::isfinite(circle.cy) || !std::isfinite(circle.r)) {
    return std::nullopt;
  }
  return circle;
}

}  // namespace

std::optional<Circle> FitCircle(std::span<const Point2> points) {
  const ExtendedPrecisionScope precision;
  if (points.size() < 3) return std::nullopt;
  const std::optional<PointFrame> frame = FrameOf(points);
  if (!frame) return std::nullopt;
  const std::optional<FrameCircle> start = TaubinCircle(points, *frame);
  if (!start) return std::nullopt;
  // Residuals |p - c| - r with the gradient (-(p - c)/|p - c|, -1).
  auto evaluate = [&](const std::array<LD, 3>& c, NormalEquations<3>& n) {
    if (!(c[2] > 0) || c[2] > kLargestRadius) return false;
    ClearNormalEquations(n);
    for (const Point2& p : points) {
      const Vec2 v = ToFrame(*frame, p);
      const LD dx = v.x - c[0], dy = v.y - c[1];
      const LD d = std::sqrt(dx * dx + dy * dy);
      const LD row[3] = {d > 0 ? -dx / d : 0, d > 0 ? -dy / d : 0, -1};
      AddResidual(n, row, d - c[2]);
    }
    return true;
  };
  std::array<LD, 3> c = {start->x, start->y, start->r};
  if (!MinimizeSumOfSquares(c, evaluate, points.size())) return std::nullopt;
  return ToWorld(*frame, {c[0], c[1], c[2]});
}

std::optional<Circle> FitCircleThroughEnds(std::span<const Point2> points) {
  const ExtendedPrecisionScope precision;
  if (points.size() < 3) return std::nullopt;
  const std::optional<PointFrame> frame = FrameOf(points);
  if (!frame) return std::nullopt;
  // The centre is m + t·normal, the radius √(h² + t²): every t gives a
  // circle through both ends.
  const Vec2 first = ToFrame(*frame, points.front()), last = ToFrame(*frame, points.back());
  const Vec2 m{(first.x + last.x) / 2, (first.y + last.y) / 2};
  const LD h =
      std::sqrt((last.x - first.x) * (last.x - first.x) + (last.y - first.y) * (last.y - first.y)) /
      2;
  if (!(h > 0)) return std::nullopt;
  const Vec2 normal{-(last.y - first.y) / (2 * h), (last.x - first.x) / (2 * h)};
  const std::span<const Point2> inner = points.subspan(1, points.size() - 2);
  // Start: the algebraic fit of the pencil |p - m|² - h² - 2t·(p - m)·normal.
  LD gl = 0, ll = 0;
  for (const Point2& p : inner) {
    const Vec2 v = ToFrame(*frame, p);
    const LD dx = v.x - m.x, dy = v.y - m.y;
    const LD l = dx * normal.x + dy * normal.y;
    gl += (dx * dx + dy * dy - h * h) * l;
    ll += l * l;
  }
  if (!(ll > 0)) return std::nullopt;
  std::array<LD, 1> t = {gl / (2 * ll)};
  auto evaluate = [&](const std::array<LD, 1>& q, NormalEquations<1>& n) {
    const LD r = std::sqrt(h * h + q[0] * q[0]);
    if (!(r <= kLargestRadius)) return false;
    const LD cx = m.x + q[0] * normal.x, cy = m.y + q[0] * normal.y;
    ClearNormalEquations(n);
    for (const Point2& p : inner) {
      const Vec2 v = ToFrame(*frame, p);
      const LD dx = v.x - cx, dy = v.y - cy;
      const LD d = std::sqrt(dx * dx + dy * dy);
      const LD row[1] = {(d > 0 ? -(dx * normal.x + dy * normal.y) / d : 0) - q[0] / r};
      AddResidual(n, row, d - r);
    }
    return true;
  };
  if (!(std::fabs(t[0]) <= kLargestRadius)) return std::nullopt;
  if (!MinimizeSumOfSquares(t, evaluate, inner.size())) return std::nullopt;
  return ToWorld(*frame,
                 {m.x + t[0] * normal.x, m.y + t[0] * normal.y, std::sqrt(h * h + t[0] * t[0])});
}

}  // namespace q527
