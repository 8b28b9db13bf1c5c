// The point of an axis-aligned ellipse nearest to a given point: the step
// every distance, parameter and geometric fit of an ellipse is built on.
#pragma once

namespace q527 {

struct EllipseFoot {
  long double x, y;  // the nearest curve point
  // The signed distance: positive outside, negative inside.
  long double distance;
  // The outward unit normal at (x, y).
  long double nx, ny;
};

// The nearest point to (u, v) on the ellipse (x/e0)² + (y/e1)² = 1, for
// finite u, v and e0, e1 > 0 in either order. Where several points are
// nearest (a point on an axis inside the curve), one of them. The distance
// is accurate to a few units in the last place of the ellipse's size, also
// for flat ellipses and points near the centre or on the curve.
EllipseFoot NearestOnEllipse(long double u, long double v, long double e0, long double e1);

}  // namespace q527
