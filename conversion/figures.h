// The store's circles, arcs and circular solids as the polygon walk and the
// plan see them.
#pragma once

#include "exchange/store.h"
#include "polygon/walk.h"

namespace q527 {

PolygonFigure FigureOf(const TJwwEntCircle& c);
// An arc, ellipse or elliptic arc: degrees, counter-clockwise from start to
// end; ends that meet make a closed ellipse.
PolygonFigure FigureOf(const TJwwEntArc& arc);
// A circular solid: radians, the sweep taken as stored (either sign).
PolygonFigure FigureOf(const TJwwEntSe& se);

}  // namespace q527
