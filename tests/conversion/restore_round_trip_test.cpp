// The way back over the project's own polygons: random circles, arcs,
// ellipses, elliptic arcs and circular solids (radii 1..5000, flatness
// 0.25..3, any tilt, solids' sweeps of either sign) converted by q527 at
// several counts, written and read back as the host would, then restored.
// Every figure must come back, equal to the original within 1e-9 of its
// size (centre, semi-axes, tilt, end points), with its attributes, and
// nothing else may appear.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "common/geometry.h"
#include "conversion/restore.h"
#include "conversion/run.h"
#include "support/conversion_store.h"

namespace q527 {

namespace {

// A figure as the test compares it: centre, semi-axes a >= b, tilt of the
// a axis, and the end points and middle of an open piece.
struct Shape {
  long double cx = 0, cy = 0, a = 0, b = 0, tilt = 0;
  bool closed = true;
  long double x0 = 0, y0 = 0, x1 = 0, y1 = 0, xm = 0, ym = 0;  // open pieces only
  TJwwAttr attr;
  std::int32_t scolor = 0;
};

struct Point {
  long double x, y;
};

Point At(long double cx, long double cy, long double r, long double flat, long double tilt,
         long double t) {
  const long double u = r * std::cos(t), v = r * flat * std::sin(t);
  return {cx + u * std::cos(tilt) - v * std::sin(tilt),
          cy + u * std::sin(tilt) + v * std::cos(tilt)};
}

// The shape of a figure from the host's numbers: radius along the tilt,
// flatness, tilt and the piece from start over sweep (radians).
Shape ShapeOf(long double cx, long double cy, long double r, long double flat, long double tilt,
              long double start, long double sweep, bool closed) {
  Shape s;
  s.cx = cx, s.cy = cy, s.closed = closed;
  s.a = std::fabs(r), s.b = std::fabs(r * flat), s.tilt = tilt;
  if (s.b > s.a) std::swap(s.a, s.b), s.tilt += kPi / 2;
  s.tilt = std::fmod(s.tilt, kPi);
  if (s.tilt < 0) s.tilt += kPi;
  if (!closed) {
    const Point p = At(cx, cy, r, flat, tilt, start), q = At(cx, cy, r, flat, tilt, start + sweep);
    const Point m = At(cx, cy, r, flat, tilt, start + sweep / 2);
    s.x0 = p.x, s.y0 = p.y, s.x1 = q.x, s.y1 = q.y, s.xm = m.x, s.ym = m.y;
  }
  return s;
}

Shape ShapeOf(const TJwwEntCircle& c) {
  Shape s = ShapeOf(c.cx, c.cy, c.r, 1, 0, 0, 2 * kPi, true);
  s.attr = c.attr;
  return s;
}

Shape ShapeOf(const TJwwEntArc& a) {
  const long double deg = kPi / 180;
  long double sweep = std::fmod(static_cast<long double>(a.end) - a.start, 360.0L);
  if (sweep <= 0) sweep += 360;
  const bool closed = a.start == a.end || std::fabs(sweep - 360) < 1e-9L;
  Shape s = ShapeOf(a.cx, a.cy, a.r, a.flat, a.tilt * deg, a.start * deg, sweep * deg, closed);
  s.attr = a.attr;
  return s;
}

Shape ShapeOf(const TJwwEntSe& se) {
  const bool closed = std::fabs(std::fabs(se.v[6]) - 2 * kPi) < 1e-9;
  Shape s = ShapeOf(se.v[0], se.v[1], se.v[2], se.v[3], se.v[4], se.v[5], se.v[6], closed);
  s.attr = se.attr;
  s.scolor = se.scolor;
  return s;
}

// Whether two shapes are one figure within tol of its size: the open
// pieces' ends in either order (a solid's piece may come back the other
// way round), and the middle, so the same side of the curve is meant.
// Gives the largest error found, relative to the size.
long double ExpectSameShape(const Shape& want, const Shape& got, long double tol,
                            const std::string& what) {
  const long double size = want.a;
  const long double e = tol * size;
  long double worst = std::max({std::fabs(got.cx - want.cx), std::fabs(got.cy - want.cy),
                                std::fabs(got.a - want.a), std::fabs(got.b - want.b)});
  EXPECT_NEAR(got.cx, want.cx, e) << what;
  EXPECT_NEAR(got.cy, want.cy, e) << what;
  EXPECT_NEAR(got.a, want.a, e) << what;
  EXPECT_NEAR(got.b, want.b, e) << what;
  if (want.a - want.b > 1e-6L * want.a) {
    long double dt = std::fabs(got.tilt - want.tilt);
    dt = std::min(dt, kPi - dt);
    EXPECT_LT(dt * want.a, e * 10) << what;  // the tilt, as a displacement of the axis' end
  }
  EXPECT_EQ(got.closed, want.closed) << what;
  if (!want.closed && !got.closed) {
    const long double direct = std::hypot(got.x0 - want.x0, got.y0 - want.y0);
    const bool same = direct < std::hypot(got.x0 - want.x1, got.y0 - want.y1);
    const long double x0 = same ? want.x0 : want.x1, y0 = same ? want.y0 : want.y1;
    const long double x1 = same ? want.x1 : want.x0, y1 = same ? want.y1 : want.y0;
    const long double ends =
        std::max({std::hypot(got.x0 - x0, got.y0 - y0), std::hypot(got.x1 - x1, got.y1 - y1),
                  std::hypot(got.xm - want.xm, got.ym - want.ym)});
    EXPECT_LT(ends, e) << what;
    worst = std::max(worst, ends);
  }
  EXPECT_EQ(got.attr.lg, want.attr.lg) << what;
  EXPECT_EQ(got.attr.ly, want.attr.ly) << what;
  EXPECT_EQ(got.attr.color, want.attr.color) << what;
  EXPECT_EQ(got.attr.ltype, want.attr.ltype) << what;
  EXPECT_EQ(got.attr.lwidth, want.attr.lwidth) << what;
  EXPECT_EQ(got.scolor, want.scolor) << what;
  return worst / size;
}

// The figures of a store as the conversion turns them into polygons: its
// circles, then its arcs, then its circular solids, each in file order.
std::vector<Shape> ShapesByKind(const Store& s) {
  std::vector<Shape> shapes;
  for (const TJwwEntCircle& c : s.circles) shapes.push_back(ShapeOf(c));
  for (const TJwwEntArc& a : s.arcs) shapes.push_back(ShapeOf(a));
  for (const TJwwEntSe& se : s.ses) shapes.push_back(ShapeOf(se));
  return shapes;
}

// The figures of a store in the order the output pass writes them.
std::vector<Shape> ShapesIn(const Store& s) {
  std::vector<Shape> shapes;
  for (const TJwwOrder& e : s.order) {
    const auto i = static_cast<std::size_t>(e.index);
    if (e.kind == kJwwCircle) shapes.push_back(ShapeOf(s.circles[i]));
    if (e.kind == kJwwArc) shapes.push_back(ShapeOf(s.arcs[i]));
    if (e.kind == kJwwSe) shapes.push_back(ShapeOf(s.ses[i]));
  }
  return shapes;
}

struct QuietUi final : RunUi {
  void ShowNow(std::string_view) override {}
  bool IsDown() override { return false; }
  void ReportFailure(std::string_view) override {}
};

// The bytes a run writes for the drawing.
std::string Written(std::string_view drawing, const ConversionRequest& request,
                    RestoreSummary* restored = nullptr) {
  ReadJob j(drawing);
  QuietUi ui;
  const RunResult r = RunConversion(j.s, j.w, request, true, ui);
  EXPECT_EQ(r.outcome, RunOutcome::kConverted);
  if (restored != nullptr) *restored = r.restored;
  return j.w.lines.bytes;
}

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

// A random drawing: circles, arcs and ellipses on layers, and circular
// solids, each figure with its own attributes.
std::string RandomDrawing(std::mt19937_64& rng, int figures) {
  auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); };
  auto flatness = [&] {
    double f;
    do f = std::exp(uni(std::log(0.25), std::log(3.0)));
    while (std::fabs(f - 1) < 0.01);
    return f;
  };
  std::string d;
  for (int k = 0; k < figures; ++k) {
    d += "lg" + std::to_string(k % 3) + "\r\nly" + std::to_string(k % 5) + "\r\nlc" +
         std::to_string(1 + k % 7) + "\r\n";
    const double cx = uni(-1e3, 1e3), cy = uni(-1e3, 1e3), r = std::exp(uni(0, std::log(5000.0)));
    const double start = uni(-360, 360), sweep = uni(45, 350);
    switch (k % 5) {
      case 0: d += "ci " + Num(cx) + " " + Num(cy) + " " + Num(r); break;
      case 1:
        d += "ci " + Num(cx) + " " + Num(cy) + " " + Num(r) + " " + Num(start) + " " +
             Num(start + sweep) + " 1 0";
        break;
      case 2:
        d += "ci " + Num(cx) + " " + Num(cy) + " " + Num(r) + " 0 360 " + Num(flatness()) + " " +
             Num(uni(-180, 180));
        break;
      case 3:
        d += "ci " + Num(cx) + " " + Num(cy) + " " + Num(r) + " " + Num(start) + " " +
             Num(start + sweep) + " " + Num(flatness()) + " " + Num(uni(-180, 180));
        break;
      default: {
        const bool whole = rng() % 3 == 0;
        const double s = uni(-6, 6), w = whole ? 6.28318530717959 : uni(0.8, 6.0);
        d += "lc10 " + std::to_string(k % 11) + "\r\nse " + Num(cx) + " " + Num(cy) + " " + Num(r) +
             " " + Num(rng() % 2 ? 1.0 : flatness()) + " " + Num(uni(-3, 3)) + " " + Num(s) + " " +
             Num(rng() % 2 ? w : -w) + " 100";
      }
    }
    d += "\r\n";
  }
  return d;
}

TEST(RestoreRoundTrip, EveryFigureOfOurOwnPolygonsComesBack) {
  std::mt19937_64 rng(20261210);
  // The largest error relative to the size, by kind: circle, circular arc,
  // ellipse, elliptic arc, circular solid.
  long double worst[5] = {};
  for (const int n : {8, 13, 24, 97}) {
    for (const bool planned : {false, true}) {
      SCOPED_TRACE("n " + std::to_string(n) + (planned ? " planned" : ""));
      const std::string drawing = RandomDrawing(rng, 250);
      ConversionRequest convert;
      convert.policy.segments = n;
      convert.policy.planned = planned;
      convert.policy.minSegments = convert.policy.maxSegments = n;
      const std::string polygons = Written(drawing, convert);

      ConversionRequest back;
      back.mode = RunMode::kRestore;
      back.restore.maxDeviation = 1e-6;
      RestoreSummary sum;
      const std::string restored = Written(polygons.substr(4), back, &sum);  // past "hd"

      const std::vector<Shape> want = ShapesByKind(ReadStore(drawing));
      const Store got = ReadStore(restored.substr(4));
      const std::vector<Shape> have = ShapesIn(got);
      ASSERT_EQ(have.size(), want.size());
      EXPECT_EQ(sum.Figures(), static_cast<long long>(want.size()));
      // Nothing else: no segment is left over.
      EXPECT_TRUE(got.lines.empty() && got.solid2s.empty());
      const Store source = ReadStore(drawing);
      for (std::size_t k = 0; k < want.size(); ++k) {
        const long double e =
            ExpectSameShape(want[k], have[k], 1e-9L, "figure " + std::to_string(k));
        const std::size_t circles = source.circles.size(), arcs = source.arcs.size();
        const int kind = k < circles                          ? 0
                         : k >= circles + arcs                ? 4
                         : source.arcs[k - circles].flat == 1 ? 1
                         : want[k].closed                     ? 2
                                                              : 3;
        worst[kind] = std::max(worst[kind], e);
      }
    }
  }
  std::printf(
      "largest relative error: circle %.2Lg, arc %.2Lg, ellipse %.2Lg, elliptic arc %.2Lg, "
      "circular solid %.2Lg\n",
      worst[0], worst[1], worst[2], worst[3], worst[4]);
}

// The result depends neither on the order of the segments in the file nor
// on their direction: the same polygon shuffled and partly reversed comes
// back as the same figure, to the last digits of the fit.
TEST(RestoreRoundTrip, SegmentOrderAndDirectionDoNotMatter) {
  std::mt19937_64 rng(7);
  ConversionRequest convert;
  convert.policy.segments = 24;
  const std::string polygons = Written(
      "ci 10 20 30 15 250 0.6 25\r\nci -5 7 12\r\nlc10 3\r\nse 1 2 3 0.5 1 0 -4 100\r\n", convert);
  std::vector<std::string> lines;
  for (std::size_t at = 4; at < polygons.size();) {
    const std::size_t end = polygons.find("\r\n", at);
    lines.push_back(polygons.substr(at, end + 2 - at));
    at = end + 2;
  }
  ConversionRequest back;
  back.mode = RunMode::kRestore;
  back.restore.maxDeviation = 1e-6;
  const std::vector<Shape> reference =
      ShapesIn(ReadStore(Written(polygons.substr(4), back).substr(4)));
  ASSERT_EQ(reference.size(), 3u);
  for (int trial = 0; trial < 10; ++trial) {
    // Figure lines shuffled among themselves, some written the other way.
    std::vector<std::string> figures, attributes;
    for (const std::string& l : lines) {
      (l[0] == '-' || (l[0] >= '0' && l[0] <= '9') || l.rfind("sl ", 0) == 0 ? figures : attributes)
          .push_back(l);
    }
    std::shuffle(figures.begin(), figures.end(), rng);
    std::string drawing;
    for (const std::string& l : figures) {
      std::vector<std::string> f;
      std::string word;
      for (const char c : l) {
        if (c == ' ' || c == '\r' || c == '\n') {
          if (!word.empty()) f.push_back(word);
          word.clear();
        } else {
          word += c;
        }
      }
      const bool solid = f[0] == "sl";
      const std::size_t o = solid ? 1 : 0;
      if (rng() % 2) std::swap(f[o], f[o + 2]), std::swap(f[o + 1], f[o + 3]);
      // Solids need their colour line; lines theirs.
      drawing += solid ? "lc10 3\r\nsl" : "lc1\r\n";
      for (std::size_t i = o; i < f.size(); ++i) drawing += (i > 0 ? " " : "") + f[i];
      drawing += "\r\n";
    }
    const std::vector<Shape> got = ShapesIn(ReadStore(Written(drawing, back).substr(4)));
    ASSERT_EQ(got.size(), 3u) << trial;
    // Sorted by centre, since the shuffle changes which comes first.
    auto byCentre = [](const Shape& a, const Shape& b) { return a.cx < b.cx; };
    std::vector<Shape> want = reference, have = got;
    std::sort(want.begin(), want.end(), byCentre);
    std::sort(have.begin(), have.end(), byCentre);
    for (std::size_t k = 0; k < 3; ++k) {
      have[k].attr = want[k].attr;  // the shuffled lines carry other hhp and z-flags: none here
      ExpectSameShape(want[k], have[k], 1e-12L, "trial " + std::to_string(trial));
    }
  }
}

}  // namespace

}  // namespace q527
