// The preview's picture: one-pixel marks clipped to the pane, curves and
// over them the polygons OK writes where the frame puts them, figures below
// a pixel as one, and a drawing that stops when asked.
#include "dialog/plus/preview_picture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>

#include "dialog/plus/choices.h"
#include "support/conversion_store.h"

namespace q527 {

namespace {

// Whether the colour is at the pixel or one of its eight neighbours.
bool Near(const Canvas& c, int x, int y, std::uint32_t colour) {
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (c.At(x + dx, y + dy) == colour) return true;
    }
  }
  return false;
}

int CountColour(const Canvas& c, std::uint32_t colour) {
  int n = 0;
  for (std::uint32_t p : c.pixels) n += p == colour ? 1 : 0;
  return n;
}

TEST(DrawSegmentTest, MarksEveryPixelAlongTheLongerAxisWithinThePicture) {
  Canvas c;
  c.Reset(10, 5, 0);
  DrawSegment(c, 0.5, 0.5, 9.5, 0.5, 1);  // the top row, end to end
  EXPECT_EQ(CountColour(c, 1), 10);
  DrawSegment(c, -100, 2.5, 100, 2.5, 2);  // clipped on both sides
  EXPECT_EQ(CountColour(c, 2), 10);
  DrawSegment(c, 0.5, 4.5, 4.5, 0.5, 3);  // a diagonal: one pixel per column
  EXPECT_EQ(CountColour(c, 3), 5);
  EXPECT_EQ(c.At(0, 4), 3u);
  EXPECT_EQ(c.At(4, 0), 3u);
  const double inf = std::numeric_limits<double>::infinity();
  for (const double bad : {inf, -inf, std::numeric_limits<double>::quiet_NaN()}) {
    DrawSegment(c, bad, 1, 3, 1, 4);
    DrawSegment(c, 1, 1, 3, bad, 4);
  }
  DrawSegment(c, 20, 20, 30, 30, 4);  // wholly outside
  DrawSegment(c, -1e300, -1e300, 1e300, 1e300, 5);
  EXPECT_EQ(CountColour(c, 4), 0);
  EXPECT_GT(CountColour(c, 5), 0);
}

// A circle of radius 40 at the pane's centre, 100 × 100 pixels, one
// drawing unit a pixel.
struct CircleScene {
  ReadJob job{"ci 0 0 40\r\n"};
  Canvas canvas;
  PictureFrame frame;
  CircleScene() {
    canvas.Reset(100, 100, 0);
    frame.x0 = -50;
    frame.y1 = 50;
  }
  PreviewPlan PlanWith(std::int32_t n, bool circles = true) {
    PreviewPlan plan;
    plan.request.circles = circles;
    plan.request.policy.segments = n;
    plan.complete = true;
    return plan;
  }
};

TEST(DrawPreviewTest, CurvesUnderThePolygonsOkWrites) {
  CircleScene s;
  const std::atomic<bool> go{false};
  ASSERT_TRUE(DrawPreview(s.canvas, s.frame, s.job.s, s.PlanWith(4), go));
  // The square's vertices lie on the curve at (±40, 0), (0, ±40): pixels
  // (90, 50), (50, 10)...; its edges run inside the circle.
  EXPECT_EQ(s.canvas.At(89, 50), kPolygonColour);
  EXPECT_EQ(s.canvas.At(50, 10), kPolygonColour);
  EXPECT_EQ(s.canvas.At(70, 30), kPolygonColour);  // the edge's middle, (20, 20)
  // The curve at 45°, (28.3, 28.3), beyond the edge.
  EXPECT_TRUE(Near(s.canvas, 78, 21, kCurveColour));
  EXPECT_FALSE(Near(s.canvas, 78, 21, kPolygonColour));
  EXPECT_EQ(s.canvas.At(50, 50), kPaneColour);
  // Kinds not chosen keep their curve and get no polygon.
  Canvas kept;
  kept.Reset(100, 100, 0);
  ASSERT_TRUE(DrawPreview(kept, s.frame, s.job.s, s.PlanWith(4, false), go));
  EXPECT_EQ(CountColour(kept, kPolygonColour), 0);
  EXPECT_GT(CountColour(kept, kCurveColour), 200);
}

// A polygon within a quarter pixel of its curve covers the curve's pixels:
// drawn so, in the polygon's colour, no curve pixel is left beside it.
TEST(DrawPreviewTest, PolygonsAsFineAsThePixelsCoverTheirCurves) {
  CircleScene s;
  const std::atomic<bool> go{false};
  ASSERT_TRUE(DrawPreview(s.canvas, s.frame, s.job.s, s.PlanWith(999), go));
  EXPECT_EQ(CountColour(s.canvas, kCurveColour), 0);
  EXPECT_TRUE(Near(s.canvas, 78, 21, kPolygonColour));
  EXPECT_GT(CountColour(s.canvas, kPolygonColour), 200);
}

TEST(DrawPreviewTest, TinyAndFarFiguresAndAStop) {
  CircleScene s;
  s.frame.scale = 0.01L;  // the circle is 0.4 pixels: one pixel
  const std::atomic<bool> go{false};
  ASSERT_TRUE(DrawPreview(s.canvas, s.frame, s.job.s, s.PlanWith(24), go));
  EXPECT_EQ(CountColour(s.canvas, kPolygonColour), 1);
  s.frame.x0 = 1e6;  // far to the right of the pane
  ASSERT_TRUE(DrawPreview(s.canvas, s.frame, s.job.s, s.PlanWith(24), go));
  EXPECT_EQ(CountColour(s.canvas, kPaneColour), 100 * 100);
  const std::atomic<bool> stop{true};
  EXPECT_FALSE(DrawPreview(s.canvas, s.frame, s.job.s, s.PlanWith(24), stop));
}

// The way back: a 48-gon of radius 40 at the centre, a stray line from
// (-45, -45) to (-45, 45) and a circle that is no segment. The segments are
// drawn in the colour of what is handed over, the circle OK restores in
// that of what it writes, the circle handed over not at all.
TEST(DrawPreviewTest, TheWayBackDrawsTheSegmentsAndTheRestoredCurves) {
  std::string drawing = "ci 0 0 20\r\n-45 -45 -45 45\r\n";
  for (int k = 0; k < 48; ++k) {
    const double a = 2 * 3.14159265358979 * k / 48, b = 2 * 3.14159265358979 * (k + 1) / 48;
    drawing += std::to_string(40 * std::cos(a)) + " " + std::to_string(40 * std::sin(a)) + " " +
               std::to_string(40 * std::cos(b)) + " " + std::to_string(40 * std::sin(b)) + "\r\n";
  }
  ReadJob job(drawing);
  PlusChoices choices;
  choices.run = RunMode::kRestore;
  const std::atomic<bool> go{false};
  const PreviewPlan plan = PlanPreview(job.s, RequestOf(choices), go);
  ASSERT_TRUE(plan.complete);
  ASSERT_EQ(plan.restored->summary.circles, 1);
  Canvas canvas;
  canvas.Reset(100, 100, 0);
  PictureFrame frame;
  frame.x0 = -50;
  frame.y1 = 50;
  ASSERT_TRUE(DrawPreview(canvas, frame, job.s, plan, go));
  EXPECT_TRUE(Near(canvas, 90, 50, kPolygonColour));  // the restored circle at (40, 0)
  EXPECT_TRUE(Near(canvas, 78, 21, kPolygonColour));  // and at 45°
  EXPECT_EQ(canvas.At(5, 50), kCurveColour);          // the stray line
  EXPECT_FALSE(Near(canvas, 70, 50, kCurveColour));   // no circle handed over drawn
  EXPECT_EQ(canvas.At(50, 50), kPaneColour);
  // Before the plan is there: the segments alone.
  PreviewPlan planning = plan;
  planning.complete = false;
  ASSERT_TRUE(DrawPreview(canvas, frame, job.s, planning, go));
  EXPECT_EQ(CountColour(canvas, kPolygonColour), 0);
  EXPECT_TRUE(Near(canvas, 90, 50, kCurveColour));
  const PictureBox box = SegmentsBoxOf(job.s);
  EXPECT_EQ(box.x0, -45);
  EXPECT_EQ(box.x1, 40);
}

TEST(DrawingBoxOfTest, HoldsEveryCurveHandedOver) {
  ReadJob job("ci 0 0 10\r\nci 100 -20 5\r\n");
  const PictureBox box = DrawingBoxOf(job.s);
  EXPECT_EQ(box.x0, -10);
  EXPECT_EQ(box.x1, 105);
  EXPECT_EQ(box.y0, -25);
  EXPECT_EQ(box.y1, 10);
}

}  // namespace

}  // namespace q527
