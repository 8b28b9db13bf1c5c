// The preview's picture: every circle, arc and circular solid handed over,
// drawn as the curve it is, and over them the polygons OK will write for
// the chosen kinds, in a frame of the pane; for the way back, every line
// and linear solid handed over, and over them the curves OK restores. Only what lies in the pane is
// drawn, and a figure smaller than a pixel is one pixel, so a drawing of a
// hundred thousand figures costs what the pane shows.
#pragma once

#include <atomic>
#include <cstdint>

#include "dialog/plus/preview_plan.h"
#include "dialog/plus/raster.h"
#include "exchange/store.h"
#include "picture/frame.h"

namespace q527 {

inline constexpr std::uint32_t kPaneColour = 0xFFFFFF;
// What is handed over is drawn in the one colour, what OK writes in the
// other (q527-cli --svg's colours of curves and polygons).
inline constexpr std::uint32_t kCurveColour = 0x2060D0;
inline constexpr std::uint32_t kPolygonColour = 0xD02010;

// The box of every curve handed over (the fitted view shows them all).
PictureBox DrawingBoxOf(const Store& s);

// Draws into the canvas (already of the pane's size): the background, the
// curves, then the polygons of a complete plan (for the way back: the
// segments, then the restored curves). False when `stop` was set
// before the end; the canvas then holds a part.
bool DrawPreview(Canvas& canvas, const PictureFrame& frame, const Store& s, const PreviewPlan& plan,
                 const std::atomic<bool>& stop);

}  // namespace q527
