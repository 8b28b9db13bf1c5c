// The vertices of a figure's polygon, on plain numbers: the dialog's rule
// (n segments, the vertices at start + k·step, the step added again and
// again) or a plan's count and fit.
#pragma once

#include <cstdint>
#include <vector>

#include "polygon/angle_tables.h"
#include "polygon/plan.h"

namespace q527 {

struct Vertex {
  double x = 0;
  double y = 0;
};

// The unit a figure's parameter angles are kept in: the host keeps an arc's
// in degrees, a circular solid's in radians.
enum class AngleUnit { kRadians, kDegrees };

// A figure as its polygon is walked: where it lies, and its parameter range
// in the unit its angles are kept in.
struct PolygonFigure {
  double cx = 0, cy = 0;
  double radius = 0;  // the semi-axis along the tilt, as stored (any sign)
  double flat = 1;    // the other semi-axis over `radius`
  double tilt = 0;    // radians
  // A whole circle: no flatness or tilt, its vertices at c + r·(cos, sin).
  bool circle = false;
  AngleUnit unit = AngleUnit::kRadians;
  // In `unit`. A closed figure's sweep is its whole turn; a circle's start
  // and end are 0.
  double start = 0, sweep = 0, end = 0;
  PolygonShape shape;  // radians, for the plan
};

// An arc's sweep in degrees, in (0, 360]; a closed ellipse gives 360, and
// so does a sweep that is not a finite number.
double ArcSweepDegrees(double start, double end);
// Whether a circular solid's sweep (radians) is a whole turn: the host
// stores 2π rounded to 15 digits.
bool IsWholeTurn(double sweep);

// Walks polygons. It keeps the cosines and sines of the walks that repeat
// (every circle of a count walks the same angles), so one walker serves a
// whole conversion.
class PolygonWalker {
 public:
  // The dialog's rule: n segments (clamped to 3..999), every vertex on the
  // curve, the last at start + n·step, which may differ from the first in
  // the last bits. Fills `out` with the n + 1 vertices.
  void WalkEvenly(const PolygonFigure& f, std::int32_t n, std::vector<Vertex>& out);
  // A plan's polygon: n segments in the fit, the vertices off the curve at
  // `scale` (0: the walk's own); a closed polygon's last vertex is its
  // first, an open one's ends are the figure's own end points.
  void WalkPlanned(const PolygonFigure& f, PolygonFit fit, std::int32_t n, double scale,
                   std::vector<Vertex>& out);
  // The polygon a conversion by the policy makes of the figure: the
  // dialog's rule, or the figure's own plan.
  void Walk(const PolygonFigure& f, const PolygonPolicy& policy, std::vector<Vertex>& out);

 private:
  AngleTables& TablesOf(const PolygonFigure& f);

  AngleTables radians_{AngleTables::Radians};
  AngleTables degrees_{AngleTables::Degrees};
};

}  // namespace q527
