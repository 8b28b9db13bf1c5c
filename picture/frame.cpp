#include "picture/frame.h"

#include <algorithm>
#include <cmath>

#include "common/extended_trig.h"
#include "common/geometry.h"

namespace q527 {

namespace {

long double Radians(long double degrees) { return degrees / 180 * kPi; }

// An angle brought below one turn, so its sine and cosine stay exact.
long double TurnOf(long double degrees) {
  const long double r = std::fmod(degrees, 360.0L);
  if (r == 0) return 0;
  return r < 0 ? r + 360 : r;
}

// Whether the parameter angle lies on the piece (start, sweep either way).
bool OnPiece(const PictureCurve& c, long double degrees) {
  const long double lo = c.sweepDeg >= 0 ? c.startDeg : c.startDeg + c.sweepDeg;
  return TurnOf(degrees - lo) <= std::fabs(static_cast<long double>(c.sweepDeg));
}

// The point at a parameter angle (degrees), by the project's one ellipse
// formula at extended precision, so points far past a double stay finite.
void CurvePoint(const PictureCurve& c, const ExtendedSinCos& tilt, long double degrees,
                long double& x, long double& y) {
  const ExtendedSinCos th = SinCosExtended(static_cast<double>(Radians(TurnOf(degrees))));
  EllipsePointAt(x, y, c.cx, c.cy, c.radius, c.flat, tilt.cos, tilt.sin, th.cos, th.sin);
}

}  // namespace

void PictureBox::Add(long double x, long double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  x0 = std::min(x0, x);
  x1 = std::max(x1, x);
  y0 = std::min(y0, y);
  y1 = std::max(y1, y);
}

bool PictureBox::Meets(const PictureBox& other) const {
  return !Empty() && !other.Empty() && x0 <= other.x1 && other.x0 <= x1 && y0 <= other.y1 &&
         other.y0 <= y1;
}

bool IsFiniteCurve(const PictureCurve& c) {
  return std::isfinite(c.cx) && std::isfinite(c.cy) && std::isfinite(c.radius) &&
         std::isfinite(c.flat) && std::isfinite(c.tiltDeg) && std::isfinite(c.startDeg) &&
         std::isfinite(c.sweepDeg);
}

bool IsDrawnClosed(const PictureCurve& c) { return c.closed || std::fabs(c.sweepDeg) >= 360; }

void AddCurveBox(PictureBox& b, const PictureCurve& c) {
  if (!IsFiniteCurve(c)) return;
  const long double a = c.radius, bb = static_cast<long double>(c.radius) * c.flat;
  const ExtendedSinCos tilt = SinCosExtended(static_cast<double>(Radians(TurnOf(c.tiltDeg))));
  if (IsDrawnClosed(c)) {
    const long double hx = std::hypot(a * tilt.cos, bb * tilt.sin);
    const long double hy = std::hypot(a * tilt.sin, bb * tilt.cos);
    b.Add(c.cx - hx, c.cy - hy);
    b.Add(c.cx + hx, c.cy + hy);
    return;
  }
  long double x, y;
  CurvePoint(c, tilt, c.startDeg, x, y);
  b.Add(x, y);
  CurvePoint(c, tilt, static_cast<long double>(c.startDeg) + c.sweepDeg, x, y);
  b.Add(x, y);
  // Where x and where y turn back: the extremes between the ends.
  const long double toDeg = 180 / kPi;
  const long double turns[2] = {std::atan2(-bb * tilt.sin, a * tilt.cos) * toDeg,
                                std::atan2(bb * tilt.cos, a * tilt.sin) * toDeg};
  for (const long double t : turns) {
    for (const long double at : {t, t + 180}) {
      if (!OnPiece(c, at)) continue;
      CurvePoint(c, tilt, at, x, y);
      b.Add(x, y);
    }
  }
}

FittedFrame FitBox(const PictureBox& b, long double left, long double top, long double width,
                   long double height) {
  FittedFrame fit;
  PictureFrame& f = fit.frame;
  long double w = 0, h = 0;
  if (!b.Empty()) {
    // long double holds the spans of any two doubles, 1e308 apart or 1e-320.
    const long double dx = b.x1 - b.x0, dy = b.y1 - b.y0;
    long double scale = std::numeric_limits<long double>::infinity();
    if (dx > 0) scale = width / dx;
    if (dy > 0) scale = std::min(scale, height / dy);
    // A point, or spans no scale can bring to the area: drawn at the centre.
    if (!std::isfinite(scale) || !(scale > 0)) scale = 1;
    f.x0 = b.x0;
    f.y1 = b.y1;
    f.scale = scale;
    w = std::min(dx * scale, width);
    h = std::min(dy * scale, height);
    if (!std::isfinite(w)) w = 0;
    if (!std::isfinite(h)) h = 0;
  }
  f.ox = left + (width - w) / 2;
  f.oy = top + (height - h) / 2;
  fit.width = w;
  fit.height = h;
  return fit;
}

PictureFrame ZoomAbout(const PictureFrame& f, long double px, long double py, long double factor) {
  // The drawing point under the pixel becomes the frame's anchor, so it
  // stays where it is whatever the scale.
  PictureFrame z;
  z.x0 = f.DrawingX(px);
  z.y1 = f.DrawingY(py);
  z.ox = px;
  z.oy = py;
  z.scale = f.scale * factor;
  return z;
}

PictureFrame MoveBy(const PictureFrame& f, long double dx, long double dy) {
  PictureFrame m = f;
  m.ox += dx;
  m.oy += dy;
  return m;
}

PictureBox VisibleBox(const PictureFrame& f, long double width, long double height) {
  PictureBox b;
  b.Add(f.DrawingX(0), f.DrawingY(0));
  b.Add(f.DrawingX(width), f.DrawingY(height));
  return b;
}

}  // namespace q527
