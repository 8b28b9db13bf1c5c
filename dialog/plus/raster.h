// A picture in memory and the two marks the preview makes on it: a pixel
// and a one-pixel line. Pixels are 0x00RRGGBB, rows top down; the pixel
// (i, j) covers [i, i + 1) × [j, j + 1) of the pane's coordinates.
#pragma once

#include <cstdint>
#include <vector>

namespace q527 {

struct Canvas {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  // A width × height picture of one colour (negative sizes give none).
  void Reset(int w, int h, std::uint32_t colour);
  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
  // Sets the pixel under the point; points outside are left out.
  void Plot(double x, double y, std::uint32_t colour);
};

// The segment from (x0, y0) to (x1, y1), clipped to the picture: every
// pixel it passes over along its longer axis. Ends that are not finite
// numbers draw nothing.
void DrawSegment(Canvas& canvas, double x0, double y0, double x1, double y1, std::uint32_t colour);

}  // namespace q527
