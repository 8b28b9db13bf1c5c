// The distances against a brute-force reference: the curve sampled densely
// and the nearest sample narrowed by golden sections, for points near the
// curve, near the centre, on the axes and far away, on flat and round
// ellipses; the parameter of a point; the line measure.
#include "polygon/curve_distance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "common/geometry.h"
#include "polygon/ellipse_foot.h"

namespace q527 {

namespace {


constexpr double kTurn = 6.283185307179586;

Point2 At(const Ellipse& e, long double t) {
  const long double u = e.a * std::cos(t), v = e.b * std::sin(t);
  const long double c = std::cos(static_cast<long double>(e.tilt));
  const long double s = std::sin(static_cast<long double>(e.tilt));
  return {static_cast<double>(e.cx + u * c - v * s), static_cast<double>(e.cy + u * s + v * c)};
}

long double Gap(const Ellipse& e, Point2 p, long double t) {
  const long double u = e.a * std::cos(t), v = e.b * std::sin(t);
  const long double c = std::cos(static_cast<long double>(e.tilt));
  const long double s = std::sin(static_cast<long double>(e.tilt));
  return std::hypot(p.x - (e.cx + u * c - v * s), p.y - (e.cy + u * s + v * c));
}

// The nearest distance by sampling, then golden sections around the best
// sample.
long double ReferenceDistance(const Ellipse& e, Point2 p) {
  constexpr int kSamples = 4096;
  int best = 0;
  long double bestGap = Gap(e, p, 0);
  for (int i = 1; i < kSamples; ++i) {
    const long double g = Gap(e, p, kTurn * static_cast<long double>(i) / kSamples);
    if (g < bestGap) bestGap = g, best = i;
  }
  long double lo = kTurn * (best - 1.0L) / kSamples, hi = kTurn * (best + 1.0L) / kSamples;
  for (int i = 0; i < 100; ++i) {
    const long double m1 = lo + (hi - lo) * 0.381966L, m2 = lo + (hi - lo) * 0.618034L;
    if (Gap(e, p, m1) < Gap(e, p, m2)) {
      hi = m2;
    } else {
      lo = m1;
    }
  }
  return std::min(bestGap, Gap(e, p, (lo + hi) / 2));
}

TEST(DistanceToEllipse, MatchesTheNearestPointFoundByBruteForce) {
  std::mt19937_64 rng(11);
  auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); };
  double worst = 0;
  for (int i = 0; i < 400; ++i) {
    const double a = std::pow(10.0, uni(-2, 4));
    // Down to a hundredth as flat, and now and then a circle.
    const double b = i % 10 == 0 ? a : a * std::pow(10.0, uni(-2, 0));
    const Ellipse e{uni(-1e3, 1e3), uni(-1e3, 1e3), a, b, uni(0, kTurn / 2)};
    const Point2 onCurve = At(e, uni(0, kTurn));
    const Point2 c{e.cx, e.cy};
    const Point2 points[] = {
        // Near the curve, both sides.
        {onCurve.x + a * uni(-1e-6, 1e-6), onCurve.y + a * uni(-1e-6, 1e-6)},
        // Anywhere inside or around it.
        {c.x + a * uni(-2, 2), c.y + a * uni(-2, 2)},
        // Near the centre, where the nearest point flips between sides.
        {c.x + b * uni(-1e-3, 1e-3), c.y + b * uni(-1e-3, 1e-3)},
        // On the long axis (inside the evolute for a flat ellipse).
        {c.x + uni(-1, 1) * a * std::cos(e.tilt), c.y + uni(-1, 1) * a * std::sin(e.tilt)},
        // Far away.
        {c.x + a * uni(-100, 100), c.y + a * uni(-100, 100)},
    };
    for (const Point2& p : points) {
      const long double got = DistanceToEllipse(p, e);
      const long double want = ReferenceDistance(e, p);
      const double error = static_cast<double>(std::fabs(got - want) / a);
      worst = std::max(worst, error);
      ASSERT_LE(error, 1e-12) << "ellipse " << i << " a " << a << " b " << b;
    }
  }
  std::printf("largest difference from brute force: %.2e of the long semi-axis\n", worst);
}

TEST(NearestOnEllipse, KnowsTheFeetOfSpecialPoints) {
  struct Row {
    long double u, v, e0, e1, x, y, distance;
  };
  const long double kHalfRoot3 = std::sqrt(3.0L) / 2;
  const Row rows[] = {
      // The centre: the end of the short axis.
      {0, 0, 4, 2, 0, 2, -2},
      {0, 0, 2, 4, 2, 0, -2},
      // On the long axis inside the evolute, e0·u < e0² - e1²: off the axis.
      {1.5L, 0, 4, 2, 2, 2 * kHalfRoot3, -std::sqrt(0.25L + 3)},
      // On the long axis beyond it, and outside.
      {3.5L, 0, 4, 2, 4, 0, -0.5L},
      {-6, 0, 4, 2, -4, 0, 2},
      // On the short axis.
      {0, -3, 4, 2, 0, -2, 1},
      // On the curve.
      {4 * 0.6L, 2 * 0.8L, 4, 2, 4 * 0.6L, 2 * 0.8L, 0},
      // A circle.
      {3, 4, 1, 1, 0.6L, 0.8L, 4},
  };
  for (const Row& r : rows) {
    const EllipseFoot f = NearestOnEllipse(r.u, r.v, r.e0, r.e1);
    EXPECT_NEAR(static_cast<double>(f.x), static_cast<double>(r.x), 1e-15) << r.u << ", " << r.v;
    EXPECT_NEAR(static_cast<double>(f.y), static_cast<double>(r.y), 1e-15) << r.u << ", " << r.v;
    EXPECT_NEAR(static_cast<double>(f.distance), static_cast<double>(r.distance), 1e-15);
    EXPECT_NEAR(static_cast<double>(f.nx * f.nx + f.ny * f.ny), 1, 1e-15);
  }
}

TEST(ParameterOf, GivesBackTheParameterOfCurvePointsAndTheirNormals) {
  std::mt19937_64 rng(5);
  auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); };
  for (int i = 0; i < 2000; ++i) {
    const double a = std::pow(10.0, uni(-1, 3));
    const Ellipse e{uni(-1e5, 1e5), uni(-1e5, 1e5), a, a * uni(0.2, 1), uni(0, kTurn / 2)};
    const double t = uni(0, kTurn);
    const Point2 p = At(e, t);
    const long double got = ParameterOf(p, e);
    ASSERT_GE(got, 0);
    ASSERT_LT(got, kTurn);
    double d = std::fabs(static_cast<double>(got) - t);
    d = std::min(d, kTurn - d);
    // The point's rounding to doubles, seen through the flatter side.
    ASSERT_LE(d, 1e-10 * (1 + std::fabs(e.cx) + std::fabs(e.cy)) / e.b) << i;
  }
}

TEST(Distances, AreNotANumberOrBeyondEveryToleranceForBadInput) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double inf = std::numeric_limits<double>::infinity();
  const Ellipse e{0, 0, 2, 1, 0};
  EXPECT_TRUE(std::isnan(DistanceToEllipse({nan, 0}, e)));
  EXPECT_TRUE(std::isnan(DistanceToEllipse({0, inf}, e)));
  EXPECT_TRUE(std::isnan(DistanceToEllipse({0, 0}, Ellipse{0, 0, 0, 1, 0})));
  EXPECT_TRUE(std::isnan(ParameterOf({1, 1}, Ellipse{0, 0, 2, -1, 0})));
  EXPECT_TRUE(std::isnan(DistanceToCircle({nan, 0}, {0, 0, 1})));
  const Point2 bad[] = {{0, 0}, {nan, 1}, {2, 0}};
  EXPECT_EQ(LargestDistance(bad, e), inf);
  EXPECT_EQ(LargestDistance(bad, Circle{0, 0, 1}), inf);
  EXPECT_EQ(LargestDistanceToLine(bad), inf);
  EXPECT_EQ(LargestDistance({}, e), 0);
}

TEST(LargestDistance, IsTheFarthestPointsDistance) {
  const Point2 points[] = {{3, 0}, {0, 0.5L}, {0, -4}};
  EXPECT_NEAR(static_cast<double>(LargestDistance(points, Ellipse{0, 0, 2, 1, 0})), 3, 1e-15);
  EXPECT_NEAR(static_cast<double>(LargestDistance(points, Circle{0, 0, 2})), 2, 1e-15);
  EXPECT_NEAR(static_cast<double>(DistanceToCircle({1e6 + 3, 1e6 + 4}, {1e6, 1e6, 5})), 0,
              1e-12);
}

TEST(LargestDistanceToLine, MeasuresAgainstTheTotalLeastSquaresLine) {
  struct Row {
    std::vector<Point2> points;
    double want;
  };
  const Row rows[] = {
      {{}, 0},
      {{{1, 1}}, 0},
      {{{1, 1}, {1, 1}, {1, 1}}, 0},
      // On a line far from the origin, steep and shallow.
      {{{1e6, 1e6}, {1e6 + 1, 1e6 + 3}, {1e6 + 2, 1e6 + 6}}, 0},
      {{{0, 5}, {1, 5}, {7, 5}}, 0},
      // A zigzag: the line's normal is (1, -2 - √5); the inner points lie farthest.
      {{{0, 0}, {1, 1}, {2, 0}, {3, 1}},
       (3 + std::sqrt(5.0)) / 2 / std::sqrt(1 + (2 + std::sqrt(5.0)) * (2 + std::sqrt(5.0)))},
      // A square's corners: no direction is preferred; the measure takes the x axis.
      {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 0.5},
  };
  for (const Row& r : rows) {
    EXPECT_NEAR(static_cast<double>(LargestDistanceToLine(r.points)), r.want, 1e-9)
        << r.points.size() << " points";
  }
}

TEST(SpanOfRun, GivesTheParametersARunCoversAndItsDirection) {
  const Ellipse e{100, -50, 40, 10, 2.5};
  auto run = [&](double from, double to, int n) {
    std::vector<Point2> v;
    for (int k = 0; k <= n; ++k) v.push_back(At(e, from + (to - from) * k / n));
    return v;
  };
  std::vector<Point2> closed = run(45 * kTurn / 360, 400 * kTurn / 360, 71);
  closed.push_back(closed.front());
  struct Row {
    const char* what;
    std::vector<Point2> points;
    double start, end;
    bool clockwise;
  };
  const double deg = kTurn / 360;
  const Row rows[] = {
      {"counter-clockwise", run(30 * deg, 120 * deg, 6), 30 * deg, 120 * deg, false},
      {"clockwise", run(120 * deg, 30 * deg, 6), 30 * deg, 120 * deg, true},
      {"over zero", run(350 * deg, 380 * deg, 3), 350 * deg, 380 * deg, false},
      {"over zero, clockwise", run(20 * deg, -10 * deg, 3), 350 * deg, 380 * deg, true},
      {"nearly round", run(10 * deg, 350 * deg, 40), 10 * deg, 350 * deg, false},
      {"closed", closed, 45 * deg, 405 * deg, false},
  };
  for (const Row& r : rows) {
    const std::optional<ParameterSpan> span = SpanOfRun(r.points, e);
    ASSERT_TRUE(span) << r.what;
    EXPECT_NEAR(static_cast<double>(span->start), r.start, 1e-12) << r.what;
    EXPECT_NEAR(static_cast<double>(span->end), r.end, 1e-12) << r.what;
    EXPECT_EQ(span->clockwise, r.clockwise) << r.what;
  }
  // A closed run is a whole turn to the last bit; a run in one place none.
  const auto whole = SpanOfRun(closed, e);
  EXPECT_EQ(whole->end - whole->start, 2 * kPi);
  const Point2 still[] = {{1, 2}, {1, 2}, {1, 2}};
  EXPECT_FALSE(SpanOfRun(still, e));
  EXPECT_FALSE(SpanOfRun(std::span(still, 1), e));
}

}  // namespace

}  // namespace q527
