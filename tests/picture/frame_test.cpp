// The picture's frame: a box fitted with y up, zoomed about a pixel, moved,
// and the part of the drawing a pane shows.
#include "picture/frame.h"

#include <gtest/gtest.h>

namespace q527 {

namespace {

PictureBox BoxOf(long double x0, long double y0, long double x1, long double y1) {
  PictureBox b;
  b.Add(x0, y0);
  b.Add(x1, y1);
  return b;
}

TEST(FitBoxTest, FitsTheLongerSpanAndCentresTheOther) {
  // 200 × 100 drawing units into 400 × 400 pixels at (10, 20): 2 px a unit.
  const FittedFrame fit = FitBox(BoxOf(-100, 0, 100, 100), 10, 20, 400, 400);
  EXPECT_EQ(fit.frame.scale, 2);
  EXPECT_EQ(fit.width, 400);
  EXPECT_EQ(fit.height, 200);
  // Left edge at the area's left, top (y = 100) at the centred band's top.
  EXPECT_EQ(fit.frame.X(-100), 10);
  EXPECT_EQ(fit.frame.Y(100), 20 + 100);
  // y up: a larger y is higher on the screen.
  EXPECT_LT(fit.frame.Y(100), fit.frame.Y(0));
  EXPECT_EQ(fit.frame.Y(0), 20 + 300);
}

TEST(FitBoxTest, PointsEmptyAndUnfittableBoxesSitAtTheCentre) {
  const struct {
    PictureBox box;
    long double x, y;
  } cases[] = {
      {BoxOf(5, 5, 5, 5), 5, 5},  // a single point
      {PictureBox{}, 0, 0},       // nothing finite at all
  };
  for (const auto& c : cases) {
    const FittedFrame fit = FitBox(c.box, 0, 0, 100, 60);
    EXPECT_EQ(fit.frame.X(c.x), 50);
    EXPECT_EQ(fit.frame.Y(c.y), 30);
  }
  PictureBox b;
  b.Add(1, std::numeric_limits<long double>::quiet_NaN());
  EXPECT_TRUE(b.Empty());
}

TEST(PictureFrameTest, ZoomKeepsThePointUnderThePixelAndMovingFollowsThePointer) {
  const PictureFrame f = FitBox(BoxOf(0, 0, 100, 50), 0, 0, 200, 100).frame;
  const long double px = 37, py = 81;
  const long double x = f.DrawingX(px), y = f.DrawingY(py);
  for (const long double factor : {1.25L, 0.5L, 1000.0L}) {
    const PictureFrame z = ZoomAbout(f, px, py, factor);
    EXPECT_NEAR(static_cast<double>(z.X(x)), 37, 1e-9);
    EXPECT_NEAR(static_cast<double>(z.Y(y)), 81, 1e-9);
    EXPECT_EQ(z.scale, f.scale * factor);
  }
  const PictureFrame m = MoveBy(f, 5, -3);
  EXPECT_EQ(m.X(x), px + 5);
  EXPECT_EQ(m.Y(y), py - 3);
}

TEST(PictureFrameTest, VisibleBoxIsThePaneInDrawingUnits) {
  const PictureFrame f = FitBox(BoxOf(0, 0, 100, 50), 0, 0, 200, 100).frame;
  const PictureBox v = VisibleBox(f, 200, 100);
  EXPECT_EQ(v.x0, 0);
  EXPECT_EQ(v.x1, 100);
  EXPECT_EQ(v.y0, 0);
  EXPECT_EQ(v.y1, 50);
  EXPECT_TRUE(v.Meets(BoxOf(99, 49, 300, 300)));
  EXPECT_FALSE(v.Meets(BoxOf(101, 0, 300, 300)));
  EXPECT_FALSE(v.Meets(PictureBox{}));
}

TEST(CurveBoxTest, WholeEllipsesAndPiecesReachTheirExtremes) {
  PictureBox circle;
  AddCurveBox(circle, PictureCurve{10, 20, 5, 1, 0, 0, 360, true});
  EXPECT_EQ(circle.x0, 5);
  EXPECT_EQ(circle.x1, 15);
  EXPECT_EQ(circle.y0, 15);
  EXPECT_EQ(circle.y1, 25);
  // The upper half of the unit circle: its top is at the turning point.
  PictureBox half;
  AddCurveBox(half, PictureCurve{0, 0, 1, 1, 0, 0, 180, false});
  EXPECT_NEAR(static_cast<double>(half.y1), 1, 1e-15);
  EXPECT_NEAR(static_cast<double>(half.y0), 0, 1e-15);
  PictureBox none;
  AddCurveBox(none, PictureCurve{0, 0, std::numeric_limits<double>::infinity()});
  EXPECT_TRUE(none.Empty());
}

}  // namespace

}  // namespace q527
