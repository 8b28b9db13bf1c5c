// The curve a run of vertices follows, if any: the judge of the way back.
// A closed chain is asked whole; a stretch of a chain as an arc through its
// two end vertices, so that whatever met the stretch there still meets the
// arc. The simplest figure wins: a circle where one fits, else an ellipse.
#pragma once

#include <optional>
#include <span>

#include "polygon/curve_distance.h"
#include "polygon/curves.h"
#include "polygon/runs.h"

namespace q527 {

struct CurveRules {
  // Every vertex lies within this of the curve (drawing units).
  long double maxDeviation = 0.01L;
  // Which figures may be made: closed circles, closed ellipses, and arcs
  // (circular or elliptic) from stretches.
  bool closedCircles = true;
  bool closedEllipses = true;
  bool arcs = true;
  // The fewest segments of an elliptic arc: an ellipse passes through any
  // five points in convex position, so a short stretch is no evidence.
  std::int32_t ellipseMinSegments = 8;
};

// The curve of a run: a circle or an ellipse (the other left as found), the
// parameter range the run covers (counter-clockwise from start to end, and
// whether the run walks it clockwise) and the largest vertex distance.
struct RunCurve {
  CurveKind kind = CurveKind::kNone;
  Circle circle{};
  Ellipse ellipse{};
  ParameterSpan span{};
  long double deviation = 0;
};

// A closed chain's vertices (the last joined back to the first), whole: a
// circle or ellipse that every vertex lies within the deviation of.
std::optional<RunCurve> CurveOfClosedChain(std::span<const Point2> vertices,
                                           const CurveRules& rules);

// A stretch of vertices as an arc through its two ends: not within the
// deviation of a straight line, turning one way, its vertices advancing
// along the curve without going back and within the deviation of it, and
// covering less than a whole turn.
std::optional<RunCurve> CurveOfStretch(std::span<const Point2> vertices, const CurveRules& rules);

}  // namespace q527
