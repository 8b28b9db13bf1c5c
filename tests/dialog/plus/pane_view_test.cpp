// The pane's view: fitted with a margin, zoomed at the pointer within its
// limits, moved, resized, and an older picture placed in a newer view.
#include "dialog/plus/pane_view.h"

#include <gtest/gtest.h>

namespace q527 {

namespace {

PictureBox Drawing() {
  PictureBox b;
  b.Add(0, 0);
  b.Add(100, 50);
  return b;
}

TEST(PaneViewTest, FitLeavesTheMarginAndCentres) {
  const PaneView v = FitView(Drawing(), 220, 220, 10);
  EXPECT_TRUE(v.fitted);
  EXPECT_EQ(v.frame.scale, 2);
  EXPECT_EQ(v.frame.X(0), 10);
  EXPECT_EQ(v.frame.X(100), 210);
  EXPECT_EQ(v.frame.Y(25), 110);  // the drawing's middle in the pane's
}

TEST(PaneViewTest, WheelZoomsAtThePointerWithinItsLimits) {
  PaneView v = FitView(Drawing(), 220, 220, 10);
  const long double x = v.frame.DrawingX(50), y = v.frame.DrawingY(70);
  ZoomView(v, Drawing(), 10, 50, 70, 2);
  EXPECT_FALSE(v.fitted);
  EXPECT_EQ(v.frame.scale, 2 * kZoomStep * kZoomStep);
  EXPECT_NEAR(static_cast<double>(v.frame.X(x)), 50, 1e-9);
  EXPECT_NEAR(static_cast<double>(v.frame.Y(y)), 70, 1e-9);
  ZoomView(v, Drawing(), 10, 50, 70, -2);
  EXPECT_NEAR(static_cast<double>(v.frame.scale), 2, 1e-15);
  // Far out and far in stop at the limits round the fitted scale.
  ZoomView(v, Drawing(), 10, 0, 0, -1000);
  EXPECT_EQ(v.frame.scale, 2 * kMostZoomOut);
  ZoomView(v, Drawing(), 10, 0, 0, 100000);
  EXPECT_EQ(v.frame.scale, 2 * kMostZoomIn);
}

TEST(PaneViewTest, ResizeRefitsAFittedViewAndKeepsTheCentreOfAnother) {
  PaneView v = FitView(Drawing(), 220, 220, 10);
  ResizeView(v, Drawing(), 420, 320, 10);
  EXPECT_TRUE(v.fitted);
  EXPECT_EQ(v.frame.scale, 4);
  PanView(v, 30, -20);
  EXPECT_FALSE(v.fitted);
  const long double cx = v.frame.DrawingX(210), cy = v.frame.DrawingY(160);
  ResizeView(v, Drawing(), 620, 120, 10);
  EXPECT_EQ(v.frame.scale, 4);
  EXPECT_EQ(v.frame.X(cx), 310);
  EXPECT_EQ(v.frame.Y(cy), 60);
  EXPECT_EQ(v.width, 620);
}

TEST(PaneViewTest, AnOlderPictureLandsWhereItsDrawingIsNow) {
  const PaneView drawn = FitView(Drawing(), 200, 100, 0);
  PaneView now = drawn;
  PixelRect same = PictureRectIn(drawn.frame, 200, 100, now.frame);
  EXPECT_EQ(same.left, 0);
  EXPECT_EQ(same.top, 0);
  EXPECT_EQ(same.right, 200);
  EXPECT_EQ(same.bottom, 100);
  PanView(now, 15, -5);
  const PixelRect moved = PictureRectIn(drawn.frame, 200, 100, now.frame);
  EXPECT_EQ(moved.left, 15);
  EXPECT_EQ(moved.top, -5);
  ZoomView(now, Drawing(), 0, 15, -5, 1);  // about the picture's corner
  const PixelRect zoomed = PictureRectIn(drawn.frame, 200, 100, now.frame);
  EXPECT_NEAR(static_cast<double>(zoomed.left), 15, 1e-9);
  EXPECT_NEAR(static_cast<double>(zoomed.right - zoomed.left), 250, 1e-9);
}

}  // namespace

}  // namespace q527
