// The fits on noisy runs against long-iteration references, on degenerate
// input, and the arithmetic they may use.
#include "polygon/curve_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "common/geometry.h"
#include "polygon/curve_distance.h"

namespace q527 {

namespace {


constexpr double kTurn = 6.283185307179586;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Nelder and Mead's simplex from `start`, restarted until a restart gains
// nothing: slow, but independent of the fits' algebra and derivatives.
using Objective = std::function<long double(const std::vector<long double>&)>;

std::vector<long double> NelderMead(const Objective& f, std::vector<long double> start,
                                    const std::vector<long double>& steps) {
  const std::size_t n = start.size();
  long double best = f(start);
  for (int restart = 0; restart < 8; ++restart) {
    std::vector<std::vector<long double>> s(n + 1, start);
    std::vector<long double> v(n + 1);
    for (std::size_t i = 0; i < n; ++i) s[i + 1][i] += steps[i] * std::pow(0.1L, restart);
    for (std::size_t i = 0; i <= n; ++i) v[i] = f(s[i]);
    for (int it = 0; it < 300 * static_cast<int>(n); ++it) {
      std::vector<std::size_t> order(n + 1);
      for (std::size_t i = 0; i <= n; ++i) order[i] = i;
      std::sort(order.begin(), order.end(), [&](auto a, auto b) { return v[a] < v[b]; });
      const std::size_t worst = order[n], second = order[n - 1], bestAt = order[0];
      std::vector<long double> centre(n, 0);
      for (std::size_t i = 0; i <= n; ++i) {
        if (i == worst) continue;
        for (std::size_t k = 0; k < n; ++k) centre[k] += s[i][k] / n;
      }
      auto along = [&](long double t) {
        std::vector<long double> p(n);
        for (std::size_t k = 0; k < n; ++k) p[k] = centre[k] + t * (s[worst][k] - centre[k]);
        return p;
      };
      const std::vector<long double> r = along(-1);
      const long double fr = f(r);
      if (fr < v[bestAt]) {
        const std::vector<long double> e = along(-2);
        const long double fe = f(e);
        s[worst] = fe < fr ? e : r, v[worst] = std::min(fe, fr);
      } else if (fr < v[second]) {
        s[worst] = r, v[worst] = fr;
      } else {
        const std::vector<long double> c = along(0.5);
        const long double fc = f(c);
        if (fc < v[worst]) {
          s[worst] = c, v[worst] = fc;
        } else {
          for (std::size_t i = 0; i <= n; ++i) {
            if (i == bestAt) continue;
            for (std::size_t k = 0; k < n; ++k) s[i][k] = (s[i][k] + s[bestAt][k]) / 2;
            v[i] = f(s[i]);
          }
        }
      }
    }
    const std::size_t at = std::min_element(v.begin(), v.end()) - v.begin();
    if (!(v[at] < best)) break;
    best = v[at], start = s[at];
  }
  return start;
}

long double SumOfSquares(std::span<const Point2> points, const Ellipse& e) {
  long double sum = 0;
  for (const Point2& p : points) {
    const long double d = DistanceToEllipse(p, e);
    sum += d * d;
  }
  return sum;
}

Ellipse AsEllipse(const Circle& c) { return {c.cx, c.cy, c.r, c.r, 0}; }

// The ellipse (x - c)ᵀS(x - c) = 1 through p ± h about m, as the
// through-ends fit parametrises them; an invalid ellipse for α² + β² >= 1.
Ellipse EllipseThrough(Point2 p, Point2 q, long double alpha, long double beta, long double tau) {
  if (!(alpha * alpha + beta * beta < 1)) return {0, 0, -1, -1, 0};
  const long double mx = (p.x + q.x) / 2, my = (p.y + q.y) / 2;
  const long double hx = (p.x - q.x) / 2, hy = (p.y - q.y) / 2, dx = 2 * hx, dy = 2 * hy;
  const long double sxx = 1 + alpha, sxy = beta, syy = 1 - alpha;
  const long double wx = -(sxy * dx + syy * dy), wy = sxx * dx + sxy * dy;
  auto form = [&](long double ux, long double uy) {
    return sxx * ux * ux + 2 * sxy * ux * uy + syy * uy * uy;
  };
  const long double k = form(hx, hy) + tau * tau * form(wx, wy);
  // Eigenvalues of S/k: the smaller one's direction is the long axis.
  const long double mean = (sxx + syy) / 2, half = std::hypot((sxx - syy) / 2, sxy);
  const long double tilt = std::atan2(mean - half - sxx, sxy);
  return {static_cast<double>(mx + tau * wx), static_cast<double>(my + tau * wy),
          static_cast<double>(std::sqrt(k / (mean - half))),
          static_cast<double>(std::sqrt(k / (mean + half))), static_cast<double>(tilt)};
}

enum class Kind { kCircle, kCircleThroughEnds, kEllipse, kEllipseThroughEnds };

struct NoisyRun {
  Ellipse truth;
  std::vector<Point2> points;
};

// A random arc or whole figure, vertices at uneven parameters, rounded to
// a thousandth.
NoisyRun RandomNoisyRun(std::mt19937_64& rng, bool round, bool open) {
  auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); };
  const double r = std::pow(10.0, uni(1, 3)), flat = round ? 1 : uni(0.3, 1);
  NoisyRun run{{uni(-1e4, 1e4), uni(-1e4, 1e4), r, r * flat, round ? 0 : uni(0, kTurn / 2)}, {}};
  const double start = uni(0, kTurn), sweep = uni(kTurn / 4, open ? kTurn * 5 / 6 : kTurn);
  const int n = static_cast<int>(uni(12, 60));
  std::vector<double> t{0, 1};
  for (int i = 1; i < n; ++i) t.push_back(uni(0, 1));
  std::sort(t.begin(), t.end());
  for (const double s : t) {
    double x, y;
    EllipsePoint(x, y, run.truth.cx, run.truth.cy, run.truth.a, run.truth.b / run.truth.a,
                 run.truth.tilt, start + sweep * s);
    run.points.push_back({std::round(x * 1000) / 1000, std::round(y * 1000) / 1000});
  }
  return run;
}

// The long-iteration reference of each fit, from the true figure.
Ellipse Reference(Kind kind, const NoisyRun& run) {
  const std::span<const Point2> v = run.points;
  const Ellipse& t = run.truth;
  switch (kind) {
    case Kind::kCircle: {
      const auto p = NelderMead(
          [&](const auto& q) {
            return SumOfSquares(v, AsEllipse({double(q[0]), double(q[1]), double(q[2])}));
          },
          {t.cx, t.cy, t.a}, {t.a / 100, t.a / 100, t.a / 100});
      return AsEllipse({double(p[0]), double(p[1]), double(p[2])});
    }
    case Kind::kCircleThroughEnds:
    case Kind::kEllipseThroughEnds: {
      // Start from the true figure's own pencil parameters: its shape and
      // the centre's place along w.
      const double c = std::cos(2 * t.tilt), s = std::sin(2 * t.tilt);
      const double e = (t.a * t.a - t.b * t.b) / (t.a * t.a + t.b * t.b);
      const long double alpha = -e * c, beta = -e * s;
      const Objective f = [&](const auto& q) {
        return SumOfSquares(v.subspan(1, v.size() - 2),
                            EllipseThrough(v.front(), v.back(), q[0], q[1], q[2]));
      };
      // τ from a coarse scan: its scale depends on the chord.
      long double bestTau = 0, bestValue = f({alpha, beta, 0});
      for (int i = -400; i <= 400; ++i) {
        const long double tau = i / 200.0L;
        const long double value = f({alpha, beta, tau});
        if (value < bestValue) bestValue = value, bestTau = tau;
      }
      std::vector<long double> p = {alpha, beta, bestTau};
      if (kind == Kind::kCircleThroughEnds) {
        p = NelderMead([&](const auto& q) { return f({0, 0, q[0]}); }, {bestTau}, {0.01L});
        return EllipseThrough(v.front(), v.back(), 0, 0, p[0]);
      }
      p = NelderMead(f, p, {0.01L, 0.01L, 0.01L});
      return EllipseThrough(v.front(), v.back(), p[0], p[1], p[2]);
    }
    case Kind::kEllipse: {
      const auto p = NelderMead(
          [&](const auto& q) {
            return SumOfSquares(
                v, {double(q[0]), double(q[1]), double(q[2]), double(q[3]), double(q[4])});
          },
          {t.cx, t.cy, t.a, t.b, t.tilt}, {t.a / 100, t.a / 100, t.a / 100, t.a / 100, 0.01L});
      return {double(p[0]), double(p[1]), double(p[2]), double(p[3]), double(p[4])};
    }
  }
  return t;
}

std::optional<Ellipse> Fit(Kind kind, std::span<const Point2> v) {
  switch (kind) {
    case Kind::kCircle: {
      const auto c = FitCircle(v);
      return c ? std::optional(AsEllipse(*c)) : std::nullopt;
    }
    case Kind::kCircleThroughEnds: {
      const auto c = FitCircleThroughEnds(v);
      return c ? std::optional(AsEllipse(*c)) : std::nullopt;
    }
    case Kind::kEllipse: return FitEllipse(v);
    case Kind::kEllipseThroughEnds: return FitEllipseThroughEnds(v);
  }
  return std::nullopt;
}

class NoisyRuns : public testing::TestWithParam<Kind> {};

TEST_P(NoisyRuns, FitAsWellAsALongIterationReference) {
  const Kind kind = GetParam();
  const bool round = kind == Kind::kCircle || kind == Kind::kCircleThroughEnds;
  const bool ends = kind == Kind::kCircleThroughEnds || kind == Kind::kEllipseThroughEnds;
  std::mt19937_64 rng(21 + static_cast<int>(kind));
  double worstCost = 0, worstLargest = 0, worstTruth = 0;
  for (int i = 0; i < 8; ++i) {
    const NoisyRun run = RandomNoisyRun(rng, round, ends);
    const std::optional<Ellipse> fit = Fit(kind, run.points);
    ASSERT_TRUE(fit) << "run " << i;
    const Ellipse ref = Reference(kind, run);
    const std::span<const Point2> scored =
        ends ? std::span<const Point2>(run.points).subspan(1, run.points.size() - 2)
             : std::span<const Point2>(run.points);
    const long double cost = SumOfSquares(scored, *fit), refCost = SumOfSquares(scored, ref);
    const long double largest = LargestDistance(run.points, *fit);
    const long double refLargest = LargestDistance(run.points, ref);
    const long double truthLargest = LargestDistance(run.points, run.truth);
    worstCost = std::max(worstCost, double(cost / refCost));
    worstLargest = std::max(worstLargest, double(largest / refLargest));
    worstTruth = std::max(worstTruth, double(largest / truthLargest));
    // Never worse than the reference, nor off the true figure. A curve
    // through both ends is rounded to doubles off the set of curves through
    // them, where the cost's slope is not zero: that costs about 1e-9.
    EXPECT_LE(cost, refCost * (1 + (ends ? 1e-8L : 1e-11L))) << "run " << i;
    EXPECT_NEAR(double(largest / refLargest), 1, 1e-3) << "run " << i;
    EXPECT_LE(std::hypot(fit->cx - run.truth.cx, fit->cy - run.truth.cy), 0.05 * run.truth.a);
    if (ends) {
      const double size = fit->a + std::max(std::fabs(fit->cx), std::fabs(fit->cy));
      EXPECT_LE(double(DistanceToEllipse(run.points.front(), *fit)), 1e-15 * size);
      EXPECT_LE(double(DistanceToEllipse(run.points.back(), *fit)), 1e-15 * size);
    }
  }
  std::printf("cost / reference %.12f, largest distance / reference's %.6f, / true figure's %.3f\n",
              worstCost, worstLargest, worstTruth);
}

std::string NameOf(const testing::TestParamInfo<Kind>& info) {
  const char* names[] = {"circle", "circle_through_ends", "ellipse", "ellipse_through_ends"};
  return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Fits, NoisyRuns,
                         testing::Values(Kind::kCircle, Kind::kCircleThroughEnds, Kind::kEllipse,
                                         Kind::kEllipseThroughEnds),
                         NameOf);

// Every fit on degenerate runs: nullopt, or a finite answer.
TEST(Fits, AnswerDegenerateRunsWithNothingOrSomethingFinite) {
  const std::vector<std::vector<Point2>> runs = {
      {},
      {{1, 2}},
      {{1, 2}, {3, 4}},
      {{1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}},
      {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}},
      {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {0, 0}},
      {{0, 0}, {1e-300, 0}, {0, 1e-300}, {1, 1}, {1e300, 1e300}, {-1e300, 5}},
      {{0, 0}, {1, 0}, {kNaN, 0}, {1, 1}, {0, 1}, {0.5, 0.5}},
      {{0, 0}, {1, 0}, {kInf, 0}, {1, 1}, {0, 1}, {0.5, 0.5}},
      {{0, 0}, {1, 0}, {2, 1e-17}, {3, 0}, {4, 0}, {5, 0}},
      {{1.7e308, 1.7e308},
       {-1.7e308, 1.7e308},
       {-1.7e308, -1.7e308},
       {1.7e308, -1.7e308},
       {1.7e308, 0}},
      // A hyperbola's branch.
      {{1, 0}, {1.25, 0.75}, {1.6667, 1.3333}, {1.25, -0.75}, {1.6667, -1.3333}, {2.125, 1.875}},
  };
  auto finite = [](const auto&... v) { return (std::isfinite(v) && ...); };
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const std::span<const Point2> run = runs[i];
    if (const auto c = FitCircle(run)) {
      EXPECT_TRUE(finite(c->cx, c->cy, c->r)) << i;
    }
    if (const auto c = FitCircleThroughEnds(run)) {
      EXPECT_TRUE(finite(c->cx, c->cy, c->r)) << i;
    }
    if (const auto e = FitEllipse(run)) {
      EXPECT_TRUE(finite(e->cx, e->cy, e->a, e->b, e->tilt)) << i;
    }
    if (const auto e = FitEllipseThroughEnds(run)) {
      EXPECT_TRUE(finite(e->cx, e->cy, e->a, e->b, e->tilt)) << i;
    }
    (void)LargestDistanceToLine(run);
  }
  // Too few points, equal points, points on a line: nothing.
  for (std::size_t i : {0, 1, 2, 3, 4, 7, 8}) {
    const std::span<const Point2> run = runs[i];
    EXPECT_FALSE(FitCircle(run)) << i;
    EXPECT_FALSE(FitEllipse(run)) << i;
    EXPECT_FALSE(FitEllipseThroughEnds(run)) << i;
  }
  // A closed run has no two ends to pass through.
  EXPECT_FALSE(FitCircleThroughEnds(runs[5]));
  EXPECT_FALSE(FitEllipseThroughEnds(runs[5]));
}

// Figures of every size, from 1e-300 to 1e300, and the fewest points that
// fix them.
TEST(Fits, FindFiguresOfAnySizeFromTheFewestPoints) {
  for (const double scale : {1e-300, 1e-20, 1.0, 1e20, 1e300}) {
    const Ellipse e{3 * scale, -2 * scale, 2 * scale, 1 * scale, 0.5};
    std::vector<Point2> five;
    for (int k = 0; k < 5; ++k) {
      double x, y;
      EllipsePoint(x, y, e.cx, e.cy, e.a, 0.5, e.tilt, 0.3 + 1.1 * k);
      five.push_back({x, y});
    }
    const auto fit = FitEllipse(five);
    ASSERT_TRUE(fit) << scale;
    EXPECT_NEAR(fit->cx / scale, 3, 1e-12);
    EXPECT_NEAR(fit->a / scale, 2, 1e-12);
    EXPECT_NEAR(fit->b / scale, 1, 1e-12);
    EXPECT_NEAR(fit->tilt, 0.5, 1e-12);
    const auto through = FitEllipseThroughEnds(five);
    ASSERT_TRUE(through) << scale;
    EXPECT_NEAR(through->cy / scale, -2, 1e-12);
    // Three points fix a circle.
    const std::span<const Point2> three(five.data(), 3);
    // The circumcentre, from the points brought to unit size.
    const Point2 a{three[0].x / scale, three[0].y / scale},
        b{three[1].x / scale, three[1].y / scale}, c{three[2].x / scale, three[2].y / scale};
    const double d = 2 * (a.x * (b.y - c.y) + b.x * (c.y - a.y) + c.x * (a.y - b.y));
    const double ux =
        ((a.x * a.x + a.y * a.y) * (b.y - c.y) + (b.x * b.x + b.y * b.y) * (c.y - a.y) +
         (c.x * c.x + c.y * c.y) * (a.y - b.y)) /
        d;
    for (const auto& circle : {FitCircle(three), FitCircleThroughEnds(three)}) {
      ASSERT_TRUE(circle) << scale;
      EXPECT_NEAR(circle->cx / scale, ux, 1e-12) << scale;
    }
  }
}

// A run of a flat ellipse lies on no circle: the circle fits give up at
// their start instead of chasing one; a cloud of points lies on nothing.
TEST(Fits, GiveUpOnRunsOfNoCurveOfTheirKind) {
  std::vector<Point2> flat;
  for (int k = 0; k < 24; ++k) {
    double x, y;
    EllipsePoint(x, y, 5e3, -7e3, 400, 0.25, 1.0, k * 0.25);
    flat.push_back({x, y});
  }
  EXPECT_FALSE(FitCircle(flat));
  EXPECT_FALSE(FitCircleThroughEnds(flat));
  ASSERT_TRUE(FitEllipse(flat));
  EXPECT_NEAR(FitEllipse(flat)->b, 100, 1e-9);
  // A cross of two lines: no ellipse lies near it.
  std::vector<Point2> cross;
  for (int k = -6; k <= 6; ++k) cross.push_back({static_cast<double>(k), 0});
  for (int k = -6; k <= 6; ++k) cross.push_back({0, static_cast<double>(k)});
  EXPECT_FALSE(FitEllipse(cross));
  EXPECT_FALSE(FitCircle(cross));
}

// The fits' results reach the exchange file, so the code that computes them
// may use only arithmetic that rounds the same on every build: no sine,
// cosine, arc tangent, power or logarithm of a C library.
TEST(Fits, UseNoTranscendentalFunctionOfTheCLibrary) {
  const char* files[] = {
      "common/extended_atan.cpp",  "polygon/ellipse_foot.cpp",       "polygon/curve_distance.cpp",
      "polygon/least_squares.h",   "polygon/least_squares.cpp",      "polygon/circle_fit.cpp",
      "polygon/centred_conic.cpp", "polygon/ellipse_direct_fit.cpp", "polygon/ellipse_fit.cpp",
  };
  const std::regex call(
      R"(\b(sin|cos|tan|asin|acos|atan|atan2|sinh|cosh|tanh|exp|exp2|expm1|log|log2|log10|log1p|pow|cbrt|hypot|fma)[lf]?\s*\()");
  for (const char* name : files) {
    std::ifstream in(std::string(Q527_SOURCE_DIR) + "/" + name);
    ASSERT_TRUE(in) << name;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
      const std::string code = line.substr(0, line.find("//"));
      EXPECT_FALSE(std::regex_search(code, call)) << name << ":" << number << ": " << line;
    }
  }
}

}  // namespace

}  // namespace q527
