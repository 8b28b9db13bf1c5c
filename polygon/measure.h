// The largest distance between a figure and its polygon with n segments.
// For the plan's own files.
#pragma once

#include <cstdint>

#include "polygon/unit_polygon.h"

namespace q527 {

// The scale the polygon's off-curve vertices get, and the deviation at it.
struct ScaledDeviation {
  LD scale = 1;
  LD deviation = 0;
  bool balanced = false;  // the scale is the mid fit's balance, not the walk's
  bool bound = false;     // `deviation` is a bound of it, not its value
};

// Any figure but a closed circle, as MeasurePolygon.
ScaledDeviation MeasureCurve(PolygonFit fit, const PolygonShape& s, std::int32_t n, LD enough);

// The deviation of the fit's polygon with n segments, or, where the polygon
// provably strays no more than `enough`, a bound of it at most that.
inline ScaledDeviation MeasurePolygon(PolygonFit fit, const PolygonShape& s, std::int32_t n,
                                      LD enough = -1) {
  if (!(s.a == s.b && s.closed)) return MeasureCurve(fit, s, n, enough);
  // A regular polygon. (The scale is the walk's, which the conversion finds
  // itself.)
  ScaledDeviation r;
  r.deviation = s.a * UnitDeviation(fit, SinCosOfPiOver(n).cos);
  return r;
}

}  // namespace q527
