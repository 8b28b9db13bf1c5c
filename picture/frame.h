// The frame of a picture of a drawing: drawing units to pixels with y turned
// up, a box of the drawing fitted into a pixel area, zoomed about a pixel,
// moved, and the part of the drawing a pane shows. Geometry on plain
// numbers: it knows no figure record and no file format. q527-cli's SVG
// picture and the preview of q527-plus.exe both place their drawing here.
#pragma once

#include <limits>

namespace q527 {

// A box of the drawing, grown point by point; a point that is not a pair of
// finite numbers is left out.
struct PictureBox {
  long double x0 = std::numeric_limits<long double>::infinity(), y0 = x0;
  long double x1 = -x0, y1 = -x0;
  void Add(long double x, long double y);
  bool Empty() const { return x0 > x1; }
  // Whether the two boxes share a point.
  bool Meets(const PictureBox& other) const;
};

// A curve as a picture draws it: an ellipse (a circle has flat 1) or a
// piece of one, from startDeg over sweepDeg (either sign), angles
// counter-clockwise in the drawing's y-up system as the host has them.
struct PictureCurve {
  double cx = 0, cy = 0, radius = 0, flat = 1;
  double tiltDeg = 0, startDeg = 0, sweepDeg = 360;
  bool closed = true;
};

// Whether every number of the curve is finite.
bool IsFiniteCurve(const PictureCurve& c);
// A curve as a picture draws it: past a whole turn an open piece covers the
// whole ellipse.
bool IsDrawnClosed(const PictureCurve& c);
// Grows the box by the curve's: a whole ellipse's from its semi-axes, a
// piece's from its ends and the turning points (in x and in y) on it.
void AddCurveBox(PictureBox& box, const PictureCurve& c);

// Drawing units to pixels, y turned up: the drawing's x0 and y1 (its left
// and top) land at the pixel (ox, oy), and a drawing unit is `scale` pixels.
struct PictureFrame {
  long double x0 = 0, y1 = 0, scale = 1, ox = 0, oy = 0;
  long double X(long double x) const { return ox + (x - x0) * scale; }
  long double Y(long double y) const { return oy + (y1 - y) * scale; }
  // The drawing point at a pixel.
  long double DrawingX(long double px) const { return x0 + (px - ox) / scale; }
  long double DrawingY(long double py) const { return y1 - (py - oy) / scale; }
};

// A frame that fits a box, and the drawing's own size in pixels (at most
// the area's).
struct FittedFrame {
  PictureFrame frame;
  long double width = 0, height = 0;
};
// The box as large as fits into the area of width × height pixels whose
// top left corner is (left, top), centred in it. A point, an empty box or
// spans no scale brings into the area: scale 1, at the area's centre.
FittedFrame FitBox(const PictureBox& box, long double left, long double top, long double width,
                   long double height);

// The frame scaled by `factor` about the pixel (px, py): the drawing point
// under that pixel stays under it.
PictureFrame ZoomAbout(const PictureFrame& f, long double px, long double py, long double factor);
// The frame moved by (dx, dy) pixels: the drawing moves with the pointer.
PictureFrame MoveBy(const PictureFrame& f, long double dx, long double dy);
// The part of the drawing inside the pixels [0, width] × [0, height].
PictureBox VisibleBox(const PictureFrame& f, long double width, long double height);

}  // namespace q527
