// What restoring a run costs: each fit, and the measures that judge it, on
// runs of 24 vertices of random arcs and whole figures (radii 1..5000,
// flatness 0.25..1, centres up to 1e4 away, sweeps 90..360 degrees),
// rounded to 15 significant digits as the exchange file writes them.
// Items are points: the rate's inverse is the cost per point.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <vector>

#include "common/geometry.h"
#include "polygon/curve_distance.h"
#include "polygon/curve_fit.h"

namespace q527 {

namespace {

constexpr int kPoints = 24;

double RoundTo15Digits(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%.14e", v);
  return std::strtod(text, nullptr);
}

struct Run {
  std::vector<Point2> points;
  Ellipse figure;  // whose inscribed polygon the points are
};

std::vector<Run> Runs(bool round) {
  constexpr double kTurn = 6.283185307179586;
  std::mt19937_64 dice(4);
  std::uniform_real_distribution<double> radius(1, 5000), flatness(0.25, 1), angle(0, kTurn),
      sweep(kTurn / 4, kTurn), offset(-1e4, 1e4);
  std::vector<Run> runs(1024);
  for (Run& run : runs) {
    const double r = radius(dice), flat = round ? 1 : flatness(dice), tilt = angle(dice);
    const double cx = offset(dice), cy = offset(dice), start = angle(dice), s = sweep(dice);
    run.figure = {cx, cy, r, r * flat, tilt};
    for (int k = 0; k < kPoints; ++k) {
      double x, y;
      EllipsePoint(x, y, cx, cy, r, flat, tilt, start + s * k / kPoints);
      run.points.push_back({RoundTo15Digits(x), RoundTo15Digits(y)});
    }
  }
  return runs;
}

template <typename Fit>
void Restore(benchmark::State& state, bool round, Fit fit) {
  const auto runs = Runs(round);
  std::int64_t found = 0;
  for (auto _ : state) {
    for (const Run& run : runs) {
      const auto curve = fit(run.points, run.figure);
      found += curve.has_value();
      benchmark::DoNotOptimize(curve);
    }
  }
  const auto runsDone = static_cast<double>(state.iterations()) * static_cast<double>(runs.size());
  state.SetItemsProcessed(static_cast<std::int64_t>(runsDone * kPoints));
  state.counters["found"] = static_cast<double>(found) / runsDone;
}

void FitCircle(benchmark::State& s) {
  Restore(s, true, [](auto v, auto) { return FitCircle(v); });
}
void FitCircleThroughEnds(benchmark::State& s) {
  Restore(s, true, [](auto v, auto) { return FitCircleThroughEnds(v); });
}
void FitEllipse(benchmark::State& s) {
  Restore(s, false, [](auto v, auto) { return FitEllipse(v); });
}
void FitEllipseThroughEnds(benchmark::State& s) {
  Restore(s, false, [](auto v, auto) { return FitEllipseThroughEnds(v); });
}
// The measures: a run's largest distance to its ellipse and to a line.
void LargestDistanceToEllipse(benchmark::State& s) {
  Restore(s, false, [](auto v, auto e) { return std::optional(LargestDistance(v, e)); });
}
void LargestDistanceToLine(benchmark::State& s) {
  Restore(s, false, [](auto v, auto) { return std::optional(LargestDistanceToLine(v)); });
}

BENCHMARK(FitCircle);
BENCHMARK(FitCircleThroughEnds);
BENCHMARK(FitEllipse);
BENCHMARK(FitEllipseThroughEnds);
BENCHMARK(LargestDistanceToEllipse);
BENCHMARK(LargestDistanceToLine);

}  // namespace

}  // namespace q527
