// How many segments each figure gets and where its vertices lie: the
// dialog's rule (one count for all, vertices on the curve) or counts chosen
// from a largest deviation, angle or segment length, in one of three fits.
#pragma once

#include <cstdint>

enum class PolygonFit {
  kInscribed,      // vertices on the curve
  kCircumscribed,  // every point of the polygon on or outside the curve
  kMid,            // the curve crosses every segment; inside and outside errors equal
};

struct PolygonPolicy {
  // False: the dialog's rule, bit for bit: `segments` for every figure,
  // inscribed, the closing vertex recomputed at start + N·step. True: the
  // counts below, the fit, and closed figures closed exactly.
  bool planned = false;
  std::int32_t segments = 24;  // the count when no bound below is given
  PolygonFit fit = PolygonFit::kInscribed;
  double maxDeviation = 0;  // drawing units; 0: no bound
  double maxAngle = 0;      // degrees of the figure's parameter; 0: no bound
  double maxLength = 0;     // drawing units; 0: no bound
  std::int32_t minSegments = 3;
  std::int32_t maxSegments = 999;
};

// A figure as the plan sees it: semi-axes a (along the tilt) and b, the
// parameter range in radians; a closed figure's end is its start.
struct PolygonShape {
  double a = 0;
  double b = 0;
  double start = 0;
  double sweep = 0;
  bool closed = false;
};

struct PolygonPlan {
  std::int32_t segments = 0;
  double deviation = 0;  // largest distance between figure and polygon; NaN if degenerate
  bool capped = false;   // the bounds asked for more than maxSegments
};

PolygonPlan PlanPolygon(const PolygonPolicy& policy, const PolygonShape& shape);

// The largest distance between the figure and its n-segment polygon in the
// fit (never below the real one), NaN for a degenerate figure.
double PolygonDeviation(PolygonFit fit, const PolygonShape& shape, std::int32_t n);
// The largest segment length of that polygon.
double PolygonSegmentLength(PolygonFit fit, const PolygonShape& shape, std::int32_t n);

// Where a fit puts the vertices that are not held on the curve: at the
// parameter walk's angles, on the curve scaled by `scale` about the centre.
// Inscribed and mid walk start + k·sweep/n; circumscribed open figures walk
// the tangent points' middles, start + (k - 1/2)·sweep/(n - 1), k = 1..n-1.
struct FitWalk {
  long double scale = 1;
  bool halfStep = false;  // circumscribed open figure
};
FitWalk WalkOfFit(PolygonFit fit, double sweep, bool closed, std::int32_t n);
