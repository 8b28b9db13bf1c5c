#include "dialog/plus/raster.h"

#include <algorithm>
#include <cmath>

namespace q527 {

namespace {

// Clips the segment's parameter range [t0, t1] to lo <= p + t·d <= hi
// (Liang-Barsky); false when nothing is left.
bool ClipAxis(double p, double d, double lo, double hi, double& t0, double& t1) {
  if (d == 0) return p >= lo && p <= hi;
  double a = (lo - p) / d, b = (hi - p) / d;
  if (a > b) std::swap(a, b);
  t0 = std::max(t0, a);
  t1 = std::min(t1, b);
  return t0 <= t1;
}

}  // namespace

void Canvas::Reset(int w, int h, std::uint32_t colour) {
  width = std::max(w, 0);
  height = std::max(h, 0);
  pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), colour);
}

void Canvas::Plot(double x, double y, std::uint32_t colour) {
  if (!(x >= 0 && y >= 0 && x < width && y < height)) return;
  pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
         static_cast<std::size_t>(x)] = colour;
}

void DrawSegment(Canvas& canvas, double x0, double y0, double x1, double y1, std::uint32_t colour) {
  if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) {
    return;
  }
  // Clipped to the picture first, so a segment miles long costs what its
  // visible part costs.
  const double dx = x1 - x0, dy = y1 - y0;
  double t0 = 0, t1 = 1;
  const double right = canvas.width - 1e-9, bottom = canvas.height - 1e-9;
  if (!ClipAxis(x0, dx, 0, right, t0, t1) || !ClipAxis(y0, dy, 0, bottom, t0, t1)) return;
  const double ax = x0 + t0 * dx, ay = y0 + t0 * dy;
  const double bx = x0 + t1 * dx, by = y0 + t1 * dy;
  // One pixel per step along the longer axis.
  const double along = std::max(std::fabs(bx - ax), std::fabs(by - ay));
  const int steps = static_cast<int>(std::ceil(along));
  if (steps == 0) return canvas.Plot(ax, ay, colour);
  for (int k = 0; k <= steps; ++k) {
    const double t = static_cast<double>(k) / steps;
    canvas.Plot(ax + (bx - ax) * t, ay + (by - ay) * t, colour);
  }
}

}  // namespace q527
