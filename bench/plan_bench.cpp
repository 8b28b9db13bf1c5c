// What planning a count costs a figure, by kind and fit, on figures drawn
// like the conversion workload's: radii 1..5000, flatness 0.1..1, any start
// and sweep, and a largest deviation of 6 (about 24 segments a figure).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "polygon/plan.h"

namespace q527 {

namespace {

enum class Kind { kCircle, kCircularArc, kEllipse, kEllipticArc };

std::vector<PolygonShape> Shapes(Kind kind) {
  constexpr double kTurn = 6.283185307179586;
  std::mt19937_64 dice(2);
  std::uniform_real_distribution<double> radius(1, 5000), flatness(0.1, 1), angle(0, kTurn);
  std::vector<PolygonShape> shapes(4096);
  for (PolygonShape& s : shapes) {
    s.a = radius(dice);
    const bool elliptic = kind == Kind::kEllipse || kind == Kind::kEllipticArc;
    s.b = elliptic ? s.a * flatness(dice) : s.a;
    s.closed = kind == Kind::kCircle || kind == Kind::kEllipse;
    s.start = s.closed ? 0 : angle(dice);
    s.sweep = s.closed ? kTurn : angle(dice);
  }
  return shapes;
}

void Plan(benchmark::State& state, Kind kind, PolygonFit fit) {
  const std::vector<PolygonShape> shapes = Shapes(kind);
  PolygonPolicy policy;
  policy.planned = true;
  policy.fit = fit;
  policy.maxDeviation = 6;
  std::int64_t segments = 0;
  for (auto _ : state) {
    // As a conversion plans: the largest deviation reached so far given.
    double reached = 0;
    for (const PolygonShape& s : shapes) {
      const PolygonPlan plan = PlanPolygon(policy, s, reached);
      reached = std::max(reached, plan.deviation);
      segments += plan.segments;
      benchmark::DoNotOptimize(plan);
    }
  }
  const auto figures = static_cast<double>(state.iterations()) * static_cast<double>(shapes.size());
  state.SetItemsProcessed(static_cast<std::int64_t>(figures));
  state.counters["segments"] = static_cast<double>(segments) / figures;
}

constexpr PolygonFit kInscribed = PolygonFit::kInscribed;
constexpr PolygonFit kCircumscribed = PolygonFit::kCircumscribed;
constexpr PolygonFit kMid = PolygonFit::kMid;

BENCHMARK_CAPTURE(Plan, circle, Kind::kCircle, kInscribed);
BENCHMARK_CAPTURE(Plan, circular_arc, Kind::kCircularArc, kInscribed);
BENCHMARK_CAPTURE(Plan, ellipse, Kind::kEllipse, kInscribed);
BENCHMARK_CAPTURE(Plan, elliptic_arc, Kind::kEllipticArc, kInscribed);
BENCHMARK_CAPTURE(Plan, ellipse_circumscribed, Kind::kEllipse, kCircumscribed);
BENCHMARK_CAPTURE(Plan, elliptic_arc_circumscribed, Kind::kEllipticArc, kCircumscribed);
BENCHMARK_CAPTURE(Plan, ellipse_mid, Kind::kEllipse, kMid);
BENCHMARK_CAPTURE(Plan, elliptic_arc_mid, Kind::kEllipticArc, kMid);

}  // namespace

}  // namespace q527
