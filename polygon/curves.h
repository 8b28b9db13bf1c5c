// The curves a chain of segments is restored to: circles and ellipses, with
// points as the drawing's doubles.
#pragma once

namespace q527 {

struct Point2 {
  double x = 0, y = 0;
};

struct Circle {
  double cx, cy, r;
};

// Semi-axes a >= b > 0; the a axis points along tilt, in [0, π) radians. A
// circle-like ellipse still has a tilt. The point at parameter angle t is
// centre + Rot(tilt)·(a cos t, b sin t); an arc runs counter-clockwise in t.
struct Ellipse {
  double cx, cy, a, b, tilt;
};

}  // namespace q527
