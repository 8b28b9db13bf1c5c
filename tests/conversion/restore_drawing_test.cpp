// The way back on drawings as other programs hand them over: curves
// flattened with uneven steps, vertices rounded to 0.001, segments shuffled
// and partly reversed, slots and rounded rectangles among them; and shapes
// that are no curve, which must come back byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/geometry.h"
#include "conversion/restore.h"
#include "conversion/run.h"
#include "support/conversion_store.h"

namespace q527 {

namespace {

struct Pt {
  double x, y;
};

struct QuietUi final : RunUi {
  void ShowNow(std::string_view) override {}
  bool IsDown() override { return false; }
  void ReportFailure(std::string_view) override {}
};

// The bytes a run writes, and what the way back made.
std::string Written(std::string_view drawing, bool restore, RestoreSummary* restored = nullptr,
                    std::int32_t threads = 1) {
  ReadJob j(drawing);
  ConversionRequest r;
  r.threads = threads;
  if (restore) {
    r.mode = RunMode::kRestore;
  } else {
    r.circles = r.arcs = r.solids = false;
  }
  QuietUi ui;
  const RunResult result = RunConversion(j.s, j.w, r, true, ui);
  EXPECT_EQ(result.outcome, RunOutcome::kConverted);
  if (restored != nullptr) *restored = result.restored;
  return j.w.lines.bytes;
}

double Round3(double v) { return std::round(v * 1000) / 1000; }

// Segments of a drawing: added as polylines, written shuffled, each the one
// way or the other.
struct Drawing {
  std::vector<std::pair<Pt, Pt>> segments;

  void Polyline(const std::vector<Pt>& v) {
    for (std::size_t k = 0; k + 1 < v.size(); ++k) {
      const Pt a{Round3(v[k].x), Round3(v[k].y)}, b{Round3(v[k + 1].x), Round3(v[k + 1].y)};
      if (a.x != b.x || a.y != b.y) segments.push_back({a, b});
    }
  }
  std::string Text(std::mt19937_64& rng) const {
    std::vector<std::pair<Pt, Pt>> s = segments;
    std::shuffle(s.begin(), s.end(), rng);
    std::string d = "lg0\r\nly1\r\nlc2\r\nlt1\r\n";
    char buf[128];
    for (auto [a, b] : s) {
      if (rng() % 2) std::swap(a, b);
      std::snprintf(buf, sizeof buf, "%.3f %.3f %.3f %.3f\r\n", a.x, a.y, b.x, b.y);
      d += buf;
    }
    return d;
  }
};

// A piece of an ellipse flattened with uneven steps: each step between
// half and one and a half times the even one.
std::vector<Pt> Flatten(std::mt19937_64& rng, Pt c, double r, double flat, double tilt,
                        double start, double sweep, int steps) {
  std::uniform_real_distribution<> jitter(0.5, 1.5);
  std::vector<double> weights(static_cast<std::size_t>(steps));
  double total = 0;
  for (double& w : weights) total += w = jitter(rng);
  std::vector<Pt> v;
  double t = start;
  for (int k = 0; k <= steps; ++k) {
    const double u = r * std::cos(t), w = r * flat * std::sin(t);
    v.push_back({c.x + u * std::cos(tilt) - w * std::sin(tilt),
                 c.y + u * std::sin(tilt) + w * std::cos(tilt)});
    if (k < steps) t += sweep * weights[static_cast<std::size_t>(k)] / total;
  }
  if (std::fabs(sweep) >= 2 * kPi - 1e-12) v.back() = v.front();
  return v;
}

// A rounded rectangle: four quarter arcs of radius r joined by straight
// sides, corners at ±w/2, ±h/2 around c.
std::vector<Pt> RoundedRectangle(std::mt19937_64& rng, Pt c, double w, double h, double r) {
  std::vector<Pt> v;
  const Pt corners[4] = {{w / 2 - r, h / 2 - r},
                         {-w / 2 + r, h / 2 - r},
                         {-w / 2 + r, -h / 2 + r},
                         {w / 2 - r, -h / 2 + r}};
  for (int q = 0; q < 4; ++q) {
    const std::vector<Pt> arc =
        Flatten(rng, {c.x + corners[q].x, c.y + corners[q].y}, r, 1, 0, q * kPi / 2, kPi / 2, 12);
    v.insert(v.end(), arc.begin(), arc.end());
  }
  v.push_back(v.front());
  return v;
}

// Curves as other programs flatten them: ellipses and their arcs, rounded
// rectangles and slots; how many curves and straight sides it holds.
struct OtherDrawing {
  Drawing d;
  int curves = 0, straightSides = 0;
};

OtherDrawing FromOtherPrograms(std::mt19937_64& rng, int ellipses) {
  auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); };
  OtherDrawing o;
  Drawing& d = o.d;
  int& curves = o.curves;
  int& straightSides = o.straightSides;
  for (int k = 0; k < ellipses; ++k) {
    const Pt c{uni(-2000, 2000), uni(-2000, 2000)};
    const double r = uni(5, 500), flat = k % 4 >= 2 ? uni(0.3, 0.8) : 1.0;
    const bool closed = k % 2 == 0;
    const double sweep = closed ? 2 * kPi : uni(1.0, 5.0);
    d.Polyline(Flatten(rng, c, r, flat, uni(0, kPi), uni(0, 2 * kPi), sweep,
                       static_cast<int>(uni(16, 64))));
    ++curves;
  }
  for (int k = 0; k < 40; ++k) {
    // Rounded rectangles: four arcs each, four straight sides.
    d.Polyline(RoundedRectangle(rng, {uni(3000, 5000), uni(-2000, 2000)}, uni(40, 80), uni(40, 80),
                                uni(5, 15)));
    curves += 4;
    straightSides += 4;
  }
  for (int k = 0; k < 40; ++k) {
    // Slots: two half circles and two straight sides.
    const Pt c{uni(-5000, -3000), uni(-2000, 2000)};
    const double r = uni(5, 15), len = uni(30, 60);
    std::vector<Pt> v = Flatten(rng, {c.x + len / 2, c.y}, r, 1, 0, -kPi / 2, kPi, 16);
    const std::vector<Pt> back = Flatten(rng, {c.x - len / 2, c.y}, r, 1, 0, kPi / 2, kPi, 16);
    v.insert(v.end(), back.begin(), back.end());
    v.push_back(v.front());
    d.Polyline(v);
    curves += 2;
    straightSides += 2;
  }
  return o;
}

TEST(RestoreDrawing, CurvesFromOtherProgramsComeBackWithinTheDeviation) {
  std::mt19937_64 rng(42);
  const auto [d, curves, straightSides] = FromOtherPrograms(rng, 300);
  RestoreSummary sum;
  const std::string out = Written(d.Text(rng), true, &sum);
  const Store back = ReadStore(out.substr(4));
  EXPECT_GE(sum.Figures(), curves * 99 / 100) << "of " << curves;
  EXPECT_LE(sum.Figures(), curves);
  EXPECT_LE(sum.largestDeviation, 0.01L);
  // The straight sides stay lines, and nothing else does.
  EXPECT_EQ(static_cast<int>(back.lines.size()), straightSides);
  std::printf("%lld of %d curves restored, largest deviation %.3Lg\n", sum.Figures(), curves,
              sum.largestDeviation);
}

// The chains restored on several threads, in pieces of some thousands of
// segments: the same bytes and the same summary as on one.
TEST(RestoreDrawing, EveryThreadCountRestoresTheSame) {
  std::mt19937_64 rng(7);
  const std::string text = FromOtherPrograms(rng, 1500).d.Text(rng);
  RestoreSummary one;
  const std::string bytes = Written(text, true, &one);
  ASSERT_GT(one.segments, 5 * 8192);  // several pieces
  for (const std::int32_t threads : {2, 7}) {
    SCOPED_TRACE(threads);
    RestoreSummary sum;
    EXPECT_TRUE(Written(text, true, &sum, threads) == bytes);
    EXPECT_EQ(sum.Figures(), one.Figures());
    EXPECT_EQ(sum.circles, one.circles);
    EXPECT_EQ(sum.ellipticArcs, one.ellipticArcs);
    EXPECT_EQ(sum.segments, one.segments);
    EXPECT_EQ(sum.closedKept, one.closedKept);
    EXPECT_EQ(sum.largestDeviation, one.largestDeviation);
  }
}

TEST(RestoreDrawing, ShapesThatAreNoCurveStayByteForByte) {
  std::mt19937_64 rng(5);
  auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); };
  struct Case {
    const char* name;
    std::vector<Pt> vertices;
  };
  auto regular = [](int n, double r) {
    std::vector<Pt> v;
    for (int k = 0; k <= n; ++k) {
      const double a = static_cast<double>(2 * kPi * k / n);
      v.push_back({r * std::cos(a), r * std::sin(a)});
    }
    v.back() = v.front();
    return v;
  };
  std::vector<Case> cases = {
      {"triangle", {{0, 0}, {10, 0}, {3, 7}, {0, 0}}},
      {"rectangle", {{0, 0}, {10, 0}, {10, 5}, {0, 5}, {0, 0}}},
      {"hexagon nut", regular(6, 8)},
      {"heptagon", regular(7, 20)},
  };
  std::vector<Pt> zigzag, straight, walk;
  for (int k = 0; k < 40; ++k) zigzag.push_back({k * 2.0, k % 2 ? 1.5 : 0.0});
  for (int k = 0; k < 60; ++k)
    straight.push_back({k * 1.7 + uni(-4e-4, 4e-4), 3 + uni(-4e-4, 4e-4)});
  Pt p{0, 0};
  for (int k = 0; k < 200; ++k) {
    walk.push_back(p);
    const double a = uni(0, 2 * kPi), l = uni(0.5, 5);
    p = {p.x + l * std::cos(a), p.y + l * std::sin(a)};
  }
  cases.push_back({"zig-zag", zigzag});
  cases.push_back({"straight run with rounding noise", straight});
  cases.push_back({"random walk", walk});
  for (const Case& c : cases) {
    Drawing d;
    d.Polyline(c.vertices);
    const std::string drawing = d.Text(rng);
    RestoreSummary sum;
    EXPECT_EQ(Written(drawing, true, &sum), Written(drawing, false)) << c.name;
    EXPECT_EQ(sum.Figures(), 0) << c.name;
  }
}

// Each restored figure carries its segments' attribute block (and a
// circular solid their solid colour); segments of other blocks never join.
TEST(RestoreDrawing, AttributesJoinAndCarry) {
  char buf[160];
  // A 16-gon of radius 10 round (cx, 0), segment k with the prefix given.
  auto polygon = [&](double cx, const std::function<std::string(int)>& prefix) {
    std::string d;
    for (int k = 0; k < 16; ++k) {
      const double a = 2 * kPi * k / 16, b = 2 * kPi * (k + 1) / 16;
      std::snprintf(buf, sizeof buf, "%.15g %.15g %.15g %.15g\r\n", cx + 10 * std::cos(a),
                    10 * std::sin(a), cx + 10 * std::cos(b), 10 * std::sin(b));
      d += prefix(k) + buf;
    }
    return d;
  };
  std::string d = polygon(0, [](int) { return "lg3\r\nly4\r\nlc5\r\nlt2\r\n"; });
  // Layers taking turns: no two neighbours join.
  d += polygon(100, [](int k) { return k % 2 ? "lg3\r\nly5\r\n" : "lg3\r\nly6\r\n"; });
  // Linear solids: one colour all round, and two colours half and half.
  d += "lc10 7\r\n" + polygon(200, [](int) { return "sl "; });
  d += polygon(300, [](int k) { return std::string(k < 8 ? "lc10 7\r\nsl " : "lc10 8\r\nsl "); });
  RestoreSummary sum;
  const Store back = ReadStore(Written(d, true, &sum).substr(4));
  ASSERT_EQ(back.circles.size(), 1u);
  EXPECT_EQ(back.circles[0].attr.lg, 3);
  EXPECT_EQ(back.circles[0].attr.ly, 4);
  EXPECT_EQ(back.circles[0].attr.color, 5);
  EXPECT_EQ(back.circles[0].attr.ltype, 2);
  EXPECT_NEAR(back.circles[0].r, 10, 1e-9);
  EXPECT_EQ(back.lines.size(), 16u);  // the alternating layers
  ASSERT_EQ(back.ses.size(), 3u);
  EXPECT_EQ(back.ses[0].scolor, 7);
  EXPECT_NEAR(std::fabs(back.ses[0].v[6]), 2 * kPi, 1e-12);
  // The two halves: arcs of half a turn each, in their own colours.
  EXPECT_EQ(back.ses[1].scolor + back.ses[2].scolor, 15);
  EXPECT_NEAR(back.ses[1].v[6], kPi, 1e-9);
  EXPECT_NEAR(back.ses[2].v[6], kPi, 1e-9);
  EXPECT_TRUE(back.solid2s.empty());
}

}  // namespace

}  // namespace q527
