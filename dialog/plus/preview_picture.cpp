#include "dialog/plus/preview_picture.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/extended_trig.h"
#include "common/fpu_precision.h"
#include "common/geometry.h"
#include "conversion/figures.h"
#include "picture/curves.h"

namespace q527 {

namespace {

// The figures are looked at for a stop this often.
constexpr std::size_t kStopCheck = 256;
// A curve is drawn as a polyline whose chords stray at most this many
// pixels from it, in no more than kMostCurvePoints pieces.
constexpr long double kCurveSag = 0.25L;
constexpr long double kMostCurvePoints = 4096;
// A polygon whose segments stray less than this from their curve is drawn
// as the curve (pixels).
constexpr long double kSamePixels = 0.25L;

// Where a figure lies in the pane: its centre and a radius round it that
// holds the whole figure, in pixels.
struct PixelReach {
  long double x = 0, y = 0, r = 0;
  bool visible = false;
  bool dot = false;  // smaller than a pixel: drawn as one
};

PixelReach ReachOf(const PictureCurve& c, const PictureFrame& f, const Canvas& canvas) {
  PixelReach p;
  if (!IsFiniteCurve(c)) return p;
  const long double axis = std::fabs(static_cast<long double>(c.radius)) *
                           std::max<long double>(1, std::fabs(static_cast<long double>(c.flat)));
  p.x = f.X(c.cx);
  p.y = f.Y(c.cy);
  p.r = axis * f.scale;
  p.visible =
      p.x + p.r >= 0 && p.y + p.r >= 0 && p.x - p.r <= canvas.width && p.y - p.r <= canvas.height;
  p.dot = p.r < 1;
  return p;
}

// The curve as a polyline: the ellipse point by the project's formula,
// the angle advanced by a rotation, which needs one sine and cosine.
void DrawCurve(Canvas& canvas, const PictureFrame& f, const PictureCurve& c, long double reach,
               std::uint32_t colour) {
  const long double sweep = IsDrawnClosed(c) ? 360.0L : c.sweepDeg;
  const long double radians = std::fabs(sweep) / 180 * kPi;
  const long double step = std::sqrt(8 * kCurveSag / reach);
  const long double pieces =
      std::clamp<long double>(std::ceil(radians / step), 8, kMostCurvePoints);
  const ExtendedSinCos turn = SinCosExtended(static_cast<double>(sweep / pieces / 180 * kPi));
  const ExtendedSinCos tilt = SinCosExtended(static_cast<double>(c.tiltDeg / 180 * kPi));
  ExtendedSinCos at = SinCosExtended(static_cast<double>(std::fmod(c.startDeg, 360.0) / 180 * kPi));
  long double px = 0, py = 0;
  for (int k = 0; k <= static_cast<int>(pieces); ++k) {
    long double x, y;
    EllipsePointAt(x, y, c.cx, c.cy, c.radius, c.flat, tilt.cos, tilt.sin, at.cos, at.sin);
    const long double qx = f.X(x), qy = f.Y(y);
    if (k > 0) {
      DrawSegment(canvas, static_cast<double>(px), static_cast<double>(py), static_cast<double>(qx),
                  static_cast<double>(qy), colour);
    }
    px = qx;
    py = qy;
    const long double cos = at.cos * turn.cos - at.sin * turn.sin;
    at.sin = at.sin * turn.cos + at.cos * turn.sin;
    at.cos = cos;
  }
}

// Every figure of one table in turn; false when stopped.
template <typename Record, typename Visit>
bool ForEachFigure(const std::vector<Record>& records, const std::atomic<bool>& stop,
                   Visit&& visit) {
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i % kStopCheck == 0 && stop.load(std::memory_order_relaxed)) return false;
    visit(records[i], i);
  }
  return true;
}

template <typename Record>
bool DrawCurves(Canvas& canvas, const PictureFrame& f, const std::vector<Record>& records,
                const std::atomic<bool>& stop) {
  return ForEachFigure(records, stop, [&](const Record& r, std::size_t) {
    const PictureCurve c = CurveOf(r);
    const PixelReach p = ReachOf(c, f, canvas);
    if (!p.visible) return;
    if (p.dot) return canvas.Plot(static_cast<double>(p.x), static_cast<double>(p.y), kCurveColour);
    DrawCurve(canvas, f, c, p.r, kCurveColour);
  });
}

// Whether every segment of the polygon lies within kSamePixels of its
// curve in the pane: its step's sagitta, r·step²/8, is that small (the
// corners of the other fits stray as little). Such a polygon covers the
// pixels its curve covers.
bool LooksLikeItsCurve(const PolygonFigure& figure, std::int32_t segments, long double reach) {
  const long double step = std::fabs(static_cast<long double>(figure.shape.sweep)) / segments;
  return reach * step * step / 8 < kSamePixels;
}

// The polygons of one chosen kind, walked as OK walks them.
template <typename Record>
bool DrawPolygons(Canvas& canvas, const PictureFrame& f, const std::vector<Record>& records,
                  const PreviewPlan& plan, const PolygonCounts& kind,
                  const std::atomic<bool>& stop) {
  PolygonWalker walker;
  std::vector<Vertex> vertices;
  const PolygonPolicy& policy = plan.request.policy;
  return ForEachFigure(records, stop, [&](const Record& r, std::size_t i) {
    const PictureCurve c = CurveOf(r);
    const PixelReach p = ReachOf(c, f, canvas);
    if (!p.visible) return;
    if (p.dot) {
      return canvas.Plot(static_cast<double>(p.x), static_cast<double>(p.y), kPolygonColour);
    }
    const PolygonFigure figure = FigureOf(r);
    const std::int32_t segments = policy.planned ? kind.counts[i] : ClampSegments(policy.segments);
    // Walking costs a sine and cosine a vertex; where the polygon and its
    // curve are the same pixels, the curve is drawn in the polygon's colour.
    if (LooksLikeItsCurve(figure, segments, p.r))
      return DrawCurve(canvas, f, c, p.r, kPolygonColour);
    WalkPreviewPolygon(walker, figure, plan, kind, i, vertices);
    for (std::size_t k = 0; k + 1 < vertices.size(); ++k) {
      DrawSegment(canvas, static_cast<double>(f.X(vertices[k].x)),
                  static_cast<double>(f.Y(vertices[k].y)),
                  static_cast<double>(f.X(vertices[k + 1].x)),
                  static_cast<double>(f.Y(vertices[k + 1].y)), kPolygonColour);
    }
  });
}

// The frame in doubles for the segments handed over: a million of them
// are drawn, and a pixel's place needs no more digits than these.
struct SegmentPixels {
  PictureBox visible;  // the pane in drawing units
  double x0, y1, scale, ox, oy;
  SegmentPixels(const PictureFrame& f, const Canvas& canvas)
      : visible(VisibleBox(f, canvas.width, canvas.height)),
        x0(static_cast<double>(f.x0)),
        y1(static_cast<double>(f.y1)),
        scale(static_cast<double>(f.scale)),
        ox(static_cast<double>(f.ox)),
        oy(static_cast<double>(f.oy)) {}
};

// One segment handed over: left out at once when it misses the pane, one
// pixel when it is within one, so that a drawing of a million segments
// costs little more than the pane shows.
template <typename Segment>
void DrawHandedSegment(Canvas& canvas, const SegmentPixels& p, const Segment& seg) {
  const PictureBox& v = p.visible;
  if ((seg.x1 < v.x0 && seg.x2 < v.x0) || (seg.x1 > v.x1 && seg.x2 > v.x1) ||
      (seg.y1 < v.y0 && seg.y2 < v.y0) || (seg.y1 > v.y1 && seg.y2 > v.y1)) {
    return;
  }
  const double x1 = p.ox + (seg.x1 - p.x0) * p.scale, y1 = p.oy + (p.y1 - seg.y1) * p.scale;
  const double x2 = p.ox + (seg.x2 - p.x0) * p.scale, y2 = p.oy + (p.y1 - seg.y2) * p.scale;
  if (std::floor(x1) == std::floor(x2) && std::floor(y1) == std::floor(y2)) {
    return canvas.Plot(x1, y1, kCurveColour);
  }
  DrawSegment(canvas, x1, y1, x2, y2, kCurveColour);
}

// The way back: every segment handed over, then the curves OK restores.
bool DrawRestored(Canvas& canvas, const PictureFrame& f, const Store& s, const PreviewPlan& plan,
                  const std::atomic<bool>& stop) {
  const SegmentPixels pixels(f, canvas);
  const auto segment = [&](const auto& seg, std::size_t) {
    DrawHandedSegment(canvas, pixels, seg);
  };
  if (!ForEachFigure(s.lines, stop, segment) || !ForEachFigure(s.solid2s, stop, segment)) {
    return false;
  }
  if (!plan.complete || !plan.restored) return true;
  return ForEachFigure(plan.restored->curves, stop, [&](const PictureCurve& c, std::size_t) {
    const PixelReach p = ReachOf(c, f, canvas);
    if (!p.visible) return;
    if (p.dot) {
      return canvas.Plot(static_cast<double>(p.x), static_cast<double>(p.y), kPolygonColour);
    }
    DrawCurve(canvas, f, c, p.r, kPolygonColour);
  });
}

}  // namespace

PictureBox DrawingBoxOf(const Store& s) {
  PictureBox box;
  for (const TJwwEntCircle& c : s.circles) AddCurveBox(box, CurveOf(c));
  for (const TJwwEntArc& a : s.arcs) AddCurveBox(box, CurveOf(a));
  for (const TJwwEntSe& se : s.ses) AddCurveBox(box, CurveOf(se));
  return box;
}

bool DrawPreview(Canvas& canvas, const PictureFrame& frame, const Store& s, const PreviewPlan& plan,
                 const std::atomic<bool>& stop) {
  // The walks' precision, so the polygons are the vertices OK writes.
  const ExtendedPrecisionScope precision;
  std::fill(canvas.pixels.begin(), canvas.pixels.end(), kPaneColour);
  if (plan.request.mode == RunMode::kRestore) return DrawRestored(canvas, frame, s, plan, stop);
  // Curves first: the polygons that replace them lie over them.
  if (!DrawCurves(canvas, frame, s.circles, stop) || !DrawCurves(canvas, frame, s.arcs, stop) ||
      !DrawCurves(canvas, frame, s.ses, stop)) {
    return false;
  }
  if (!plan.complete) return true;
  const ConversionRequest& r = plan.request;
  return (!r.circles || DrawPolygons(canvas, frame, s.circles, plan, plan.circles, stop)) &&
         (!r.arcs || DrawPolygons(canvas, frame, s.arcs, plan, plan.arcs, stop)) &&
         (!r.solids || DrawPolygons(canvas, frame, s.ses, plan, plan.solids, stop));
}

}  // namespace q527
