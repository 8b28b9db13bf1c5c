// The nearest point on an ellipse, after Eberly ("Distance from a point to an
// ellipse, an ellipsoid, or a hyperellipsoid"): in the first quadrant, with
// e0 >= e1, the foot of (y0, y1) is x_i = r_i·y_i/(s + r_i), r0 = (e0/e1)²,
// r1 = 1, where s > -1 is the one root of
//   G(s) = (r0·z0/(s + r0))² + (z1/(s + 1))² - 1,   z_i = y_i/e_i.
// G falls and is convex on s > -1, so Newton's method from a point left of
// the root climbs to it without overshooting; bisection takes over in the
// rare case that it climbs slowly (near the evolute's cusp).
#include "polygon/ellipse_foot.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace q527 {

namespace {

using LD = long double;

// G(s) for n0 = r0·z0.
LD FootEquation(LD s, LD n0, LD z1, LD r0) {
  const LD q0 = n0 / (s + r0), q1 = z1 / (s + 1);
  return q0 * q0 + q1 * q1 - 1;
}

// The root s of G for z0, z1 > 0 and r0 >= 1.
LD SolveFootEquation(LD z0, LD z1, LD r0) {
  const LD n0 = r0 * z0;
  // Each term alone reaches 1 at its bound, so G >= 0 at the larger one;
  // at hi both denominators are at least the point's scaled length.
  LD lo = std::max(z1 - 1, n0 - r0);
  LD hi = std::sqrt(n0 * n0 + z1 * z1) - 1;
  // A point near the curve has its root near 0: Newton's step from 0 lands
  // left of the root (G is convex), so it starts there when it beats lo.
  const LD g = z0 * z0 + z1 * z1 - 1;
  const LD first = std::min(g, LD{0}) / (2 * (z0 * z0 / r0 + z1 * z1));
  LD s = std::max(lo, first);
  // Newton from the left.
  for (int i = 0; i < 64; ++i) {
    const LD i0 = 1 / (s + r0), i1 = 1 / (s + 1);
    const LD q0 = n0 * i0, q1 = z1 * i1;
    const LD value = q0 * q0 + q1 * q1 - 1;
    if (!(value > 0)) return s;
    const LD fall = 2 * (q0 * q0 * i0 + q1 * q1 * i1);
    const LD next = std::min(s + value / fall, hi);
    if (!(next > s)) return s;
    s = next;
  }
  // Bisection on what is left, until the bracket stops shrinking.
  lo = s;
  for (int i = 0; i < 512; ++i) {
    const LD mid = lo + (hi - lo) / 2;
    if (!(mid > lo && mid < hi)) break;
    (FootEquation(mid, n0, z1, r0) > 0 ? lo : hi) = mid;
  }
  return lo;
}

// The foot of (y0, y1) >= 0 on the ellipse with semi-axes e0 >= e1 > 0,
// given z_i = y_i/e_i.
std::pair<LD, LD> FirstQuadrantFoot(LD y0, LD y1, LD e0, LD e1, LD z0, LD z1) {
  if (y1 > 0) {
    if (!(y0 > 0)) return {0, e1};
    if (z0 * z0 + z1 * z1 == 1) return {y0, y1};
    const LD ratio = e0 / e1;
    const LD r0 = ratio * ratio;
    const LD s = SolveFootEquation(z0, z1, r0);
    return {r0 * y0 / (s + r0), y1 / (s + 1)};
  }
  // On the major axis: inside the evolute the foot leaves the axis.
  const LD numerator = e0 * y0, denominator = (e0 - e1) * (e0 + e1);
  if (numerator < denominator) {
    const LD x = numerator / denominator;
    return {e0 * x, e1 * std::sqrt((1 - x) * (1 + x))};
  }
  return {e0, 0};
}

}  // namespace

EllipseFoot NearestOnEllipse(LD u, LD v, LD e0, LD e1) {
  if (e0 < e1) {
    // Solve with the long axis first, then swap back.
    const EllipseFoot f = NearestOnEllipse(v, u, e1, e0);
    return {f.y, f.x, f.distance, f.ny, f.nx};
  }
  const LD y0 = std::fabs(u), y1 = std::fabs(v);
  const LD i0 = 1 / e0, i1 = 1 / e1;
  const LD z0 = y0 * i0, z1 = y1 * i1;
  const auto [x0, x1] = FirstQuadrantFoot(y0, y1, e0, e1, z0, z1);
  // The outward normal is the gradient of (x/e0)² + (y/e1)².
  const LD g0 = x0 * i0 * i0, g1 = x1 * i1 * i1;
  const LD inverseGradient = 1 / std::sqrt(g0 * g0 + g1 * g1);
  const LD d0 = y0 - x0, d1 = y1 - x1;
  const LD length = std::sqrt(d0 * d0 + d1 * d1);
  const LD distance = z0 * z0 + z1 * z1 < 1 ? -length : length;
  const LD sx = std::signbit(u) ? -inverseGradient : inverseGradient;
  const LD sy = std::signbit(v) ? -inverseGradient : inverseGradient;
  return {std::copysign(x0, sx), std::copysign(x1, sy), distance, sx * g0, sy * g1};
}

}  // namespace q527
