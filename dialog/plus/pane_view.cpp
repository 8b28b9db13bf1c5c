#include "dialog/plus/pane_view.h"

#include <algorithm>
#include <cmath>

namespace q527 {

namespace {

// The area a fitted drawing takes: the pane less its margin, never less
// than one pixel.
PictureFrame FittedFrameOf(const PictureBox& drawing, long double width, long double height,
                           long double margin) {
  const long double w = std::max<long double>(width - 2 * margin, 1);
  const long double h = std::max<long double>(height - 2 * margin, 1);
  return FitBox(drawing, (width - w) / 2, (height - h) / 2, w, h).frame;
}

}  // namespace

PaneView FitView(const PictureBox& drawing, long double width, long double height,
                 long double margin) {
  PaneView view;
  view.frame = FittedFrameOf(drawing, width, height, margin);
  view.width = width;
  view.height = height;
  view.fitted = true;
  return view;
}

void ZoomView(PaneView& view, const PictureBox& drawing, long double margin, long double px,
              long double py, int notches) {
  if (notches == 0) return;
  // The factor by repeated products: the same on every build.
  long double factor = 1;
  for (int k = 0; k < std::abs(notches); ++k) factor *= kZoomStep;
  if (notches < 0) factor = 1 / factor;
  const long double fitted = FittedFrameOf(drawing, view.width, view.height, margin).scale;
  const long double scale =
      std::clamp(view.frame.scale * factor, fitted * kMostZoomOut, fitted * kMostZoomIn);
  if (!(scale > 0) || !std::isfinite(scale) || scale == view.frame.scale) return;
  view.frame = ZoomAbout(view.frame, px, py, scale / view.frame.scale);
  view.frame.scale = scale;
  view.fitted = false;
}

void PanView(PaneView& view, long double dx, long double dy) {
  if (dx == 0 && dy == 0) return;
  view.frame = MoveBy(view.frame, dx, dy);
  view.fitted = false;
}

void ResizeView(PaneView& view, const PictureBox& drawing, long double width, long double height,
                long double margin) {
  if (view.fitted) {
    view = FitView(drawing, width, height, margin);
    return;
  }
  // The drawing point at the old centre moves to the new centre.
  view.frame = MoveBy(view.frame, (width - view.width) / 2, (height - view.height) / 2);
  view.width = width;
  view.height = height;
}

PixelRect PictureRectIn(const PictureFrame& drawn, long double width, long double height,
                        const PictureFrame& now) {
  PixelRect r;
  r.left = now.X(drawn.DrawingX(0));
  r.right = now.X(drawn.DrawingX(width));
  r.top = now.Y(drawn.DrawingY(0));
  r.bottom = now.Y(drawn.DrawingY(height));
  return r;
}

}  // namespace q527
