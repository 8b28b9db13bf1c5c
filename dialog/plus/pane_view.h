// The view of the picture pane: where the drawing lies in the pane's
// pixels, fitted to it, zoomed at the pointer by the mouse wheel, moved by
// dragging; and where a picture drawn for an older view lands in the
// current one, so the pane follows the pointer before the new picture is
// ready.
#pragma once

#include "picture/frame.h"

namespace q527 {

struct PaneView {
  PictureFrame frame;
  long double width = 0, height = 0;  // the pane in pixels
  // Fitted views follow the pane's size; one zoomed or moved keeps its scale.
  bool fitted = true;
};

// Each wheel notch zooms by this factor (in) or its inverse (out).
inline constexpr long double kZoomStep = 1.25L;
// How far a view may zoom out from and in beyond the fitted view.
inline constexpr long double kMostZoomOut = 1.0L / 64;
inline constexpr long double kMostZoomIn = 1.0e7L;

// The drawing's box fitted into the pane, `margin` pixels from its edges.
PaneView FitView(const PictureBox& drawing, long double width, long double height,
                 long double margin);
// Zooms by `notches` wheel notches (positive: in) about the pixel (px, py),
// within the limits round the fitted scale.
void ZoomView(PaneView& view, const PictureBox& drawing, long double margin, long double px,
              long double py, int notches);
// Moves the drawing by (dx, dy) pixels.
void PanView(PaneView& view, long double dx, long double dy);
// A new pane size: a fitted view fits again; another keeps its scale and
// the drawing point at the pane's centre.
void ResizeView(PaneView& view, const PictureBox& drawing, long double width, long double height,
                long double margin);

// Where a picture drawn in `drawn` (width × height pixels) lies in the
// pixels of `now`: its left, top, right and bottom edges.
struct PixelRect {
  long double left = 0, top = 0, right = 0, bottom = 0;
};
PixelRect PictureRectIn(const PictureFrame& drawn, long double width, long double height,
                        const PictureFrame& now);

}  // namespace q527
