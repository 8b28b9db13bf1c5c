// How many segments each figure gets and where its vertices lie: the
// dialog's rule (one count for all, vertices on the curve) or counts chosen
// from a largest deviation, angle or segment length, in one of three fits.
#pragma once

#include <cstdint>

namespace q527 {

// The counts a polygon may have: the dialog's division count and every
// planned count are clamped to these.
inline constexpr std::int32_t kFewestSegments = 3;
inline constexpr std::int32_t kMostSegments = 999;
constexpr std::int32_t ClampSegments(std::int32_t n) {
  return n < kFewestSegments ? kFewestSegments : n > kMostSegments ? kMostSegments : n;
}

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
  std::int32_t minSegments = kFewestSegments;
  std::int32_t maxSegments = kMostSegments;
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
  // The largest distance between figure and polygon (NaN if degenerate), or
  // a bound of it at most the `reached` given.
  double deviation = 0;
  bool capped = false;  // the bounds asked for more than maxSegments
  // The off-curve vertices' scale when the plan chose it (the mid fit of an
  // ellipse, balanced so that corners and edges stray alike); 0: the walk's.
  double scale = 0;
};

// `reached`: a deviation other figures have reached. Where this figure's
// polygon provably strays no farther, its own is not measured exactly (a
// drawing's largest deviation needs only the figures that may exceed it).
PolygonPlan PlanPolygon(const PolygonPolicy& policy, const PolygonShape& shape, double reached = 0);

// The largest distance between the figure and its n-segment polygon in the
// fit, NaN for a degenerate figure: both ways, every point of the curve to
// the polygon and every point of the polygon to the curve, to about twelve
// digits.
double PolygonDeviation(PolygonFit fit, const PolygonShape& shape, std::int32_t n);
// The largest segment length of that polygon.
double PolygonSegmentLength(PolygonFit fit, const PolygonShape& shape, std::int32_t n);

// Where a fit puts the vertices that are not held on the curve: on the
// curve scaled by `scale` about the centre, at the parameter walk's angles.
// Inscribed and closed figures walk start + k·sweep/n. Open figures in the
// other fits keep their ends on the curve and walk vertices 1..n-1 at
// start + (lead + k - 1)·step, step = sweep/spans, spans = n - 2 + 2·lead:
// circumscribed, lead 1/2 (the tangent points' middles); mid, lead
// (1 + √2)/(2√2), the longest end segment that strays no more than the
// others.
struct FitWalk {
  long double scale = 1;
  bool shifted = false;
  double lead = 0;
  long double spans = 0;  // n when not shifted
};
FitWalk WalkOfFit(PolygonFit fit, double sweep, bool closed, std::int32_t n);

}  // namespace q527
