// The store's circles, arcs and circular solids as a picture draws them:
// the curve each figure is, drawn closed exactly when the conversion takes
// the figure as closed.
#pragma once

#include "exchange/store.h"
#include "picture/frame.h"

namespace q527 {

PictureCurve CurveOf(const TJwwEntCircle& c);
PictureCurve CurveOf(const TJwwEntArc& arc);
PictureCurve CurveOf(const TJwwEntSe& se);

}  // namespace q527
