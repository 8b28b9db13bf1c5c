#include "picture/curves.h"

#include "common/geometry.h"
#include "conversion/figures.h"
#include "polygon/walk.h"

namespace q527 {

namespace {

// The curve closed exactly when the polygon walk takes its figure as closed.
template <typename Record>
PictureCurve ClosedAsConverted(PictureCurve c, const Record& r) {
  c.closed = FigureOf(r).shape.closed;
  return c;
}

}  // namespace

PictureCurve CurveOf(const TJwwEntCircle& c) { return {c.cx, c.cy, c.r, 1, 0, 0, 360, true}; }

PictureCurve CurveOf(const TJwwEntArc& a) {
  const double sweep = ArcSweepDegrees(a.start, a.end);
  return ClosedAsConverted({a.cx, a.cy, a.r, a.flat, a.tilt, a.start, sweep, sweep == 360.0}, a);
}

PictureCurve CurveOf(const TJwwEntSe& se) {
  // Radians in the record.
  const long double toDeg = 180 / kPi;
  return ClosedAsConverted(
      {se.v[0], se.v[1], se.v[2], se.v[3], static_cast<double>(se.v[4] * toDeg),
       static_cast<double>(se.v[5] * toDeg), static_cast<double>(se.v[6] * toDeg), true},
      se);
}

}  // namespace q527
