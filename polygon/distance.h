// The two parts of the largest distance between a figure and its polygon,
// in the unit picture: the curve beyond an edge, and a corner outside the
// curve.
#pragma once

#include "polygon/unit_polygon.h"

namespace q527 {

// The distance from p to the segment from v along d.
LD SegmentDistance(Vec p, Vec v, Vec d);

// The largest distance from the part of the curve beyond the line of the
// edge X1→X2 (outside the polygon) to the edge. That part is the image of
// the unit arc between the line's two crossings with the unit circle, and
// every distance to the line is the unit picture's divided by |A⁻¹n| for
// the line's normal n: the largest is at the arc's middle. Next to the
// major axis' ends of a flat ellipse the edge can end before the curve's
// feet do; then the nearest point of the polygon may lie on a neighbouring
// edge, and the distance is found numerically against `chain`, the
// polygon's vertices around the edge (unit picture, in order).
struct Chain {
  static constexpr int kMost = 4;
  int count = 0;
  Vec at[kMost];
};

LD EdgeDeviation(const UnitPolygon& poly, Vec x1, Vec x2, const Chain& chain);

// The distance from the image of x (outside the unit circle) to the curve:
// the nearest point's Lagrange parameter t solves
// (a·px/(t+a²))² + (b·py/(t+b²))² = 1, a convex falling function that
// Newton's steps from t = 0 approach from below without overshooting. The
// point found is put onto the curve, so the result never falls short.
LD VertexDistance(const UnitPolygon& poly, Vec x);

}  // namespace q527
