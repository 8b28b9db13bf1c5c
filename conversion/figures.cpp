#include "conversion/figures.h"

#include <cmath>

#include "common/geometry.h"

namespace q527 {

PolygonFigure FigureOf(const TJwwEntCircle& c) {
  PolygonFigure f;
  f.cx = c.cx;
  f.cy = c.cy;
  f.radius = c.r;
  f.circle = true;
  f.sweep = static_cast<double>(2 * kPi);
  f.shape = {std::fabs(c.r), std::fabs(c.r), 0.0, f.sweep, true};
  return f;
}

PolygonFigure FigureOf(const TJwwEntArc& arc) {
  PolygonFigure f;
  f.cx = arc.cx;
  f.cy = arc.cy;
  f.radius = arc.r;
  f.flat = arc.flat;
  f.tilt = AngleTables::Degrees(arc.tilt);
  f.unit = AngleUnit::kDegrees;
  f.start = arc.start;
  f.sweep = ArcSweepDegrees(arc.start, arc.end);
  f.end = arc.end;
  const bool closed = f.sweep == 360.0;
  f.shape = {std::fabs(arc.r), std::fabs(arc.r * arc.flat), AngleTables::Degrees(arc.start),
             static_cast<double>(f.sweep / 180.0L * kPi), closed};
  return f;
}

PolygonFigure FigureOf(const TJwwEntSe& se) {
  PolygonFigure f;
  f.cx = se.v[0];
  f.cy = se.v[1];
  f.radius = se.v[2];
  f.flat = se.v[3];
  f.tilt = se.v[4];
  f.start = se.v[5];
  f.sweep = se.v[6];
  f.end = static_cast<double>(static_cast<long double>(se.v[5]) + se.v[6]);
  f.shape = {std::fabs(se.v[2]), std::fabs(se.v[2] * se.v[3]), se.v[5], se.v[6],
             IsWholeTurn(se.v[6])};
  return f;
}

}  // namespace q527
