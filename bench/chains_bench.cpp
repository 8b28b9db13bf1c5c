// What joining a million segments into chains costs: polygons of 24
// segments (circles as a conversion writes them), each segment either way
// round and each end moved by up to a twentieth of tol, as a drawing from
// another program gives them; in file order (a polygon's segments one after
// the other) and shuffled (every step of a walk a jump in memory). Also a
// million lines that join nothing: a million chains.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "polygon/chains.h"

namespace q527 {

namespace {

constexpr double kTol = 0.01;
constexpr std::int64_t kSegments = 1000000;

std::vector<ChainSegment> Polygons(bool shuffled) {
  std::mt19937_64 dice(5);
  std::uniform_real_distribution<double> unit(0, 1);
  auto jitter = [&] { return (unit(dice) - 0.5) * 0.1 * kTol; };
  std::vector<ChainSegment> out;
  out.reserve(kSegments);
  while (static_cast<std::int64_t>(out.size()) + 24 <= kSegments) {
    const double cx = unit(dice) * 1e5, cy = unit(dice) * 1e5, r = 1 + unit(dice) * 50;
    const std::int64_t group = static_cast<std::int64_t>(dice() % 8);
    for (int k = 0; k < 24; ++k) {
      const double t0 = 6.283185307179586 * k / 24, t1 = 6.283185307179586 * (k + 1) / 24;
      ChainSegment s{cx + r * std::cos(t0) + jitter(), cy + r * std::sin(t0) + jitter(),
                           cx + r * std::cos(t1) + jitter(), cy + r * std::sin(t1) + jitter(),
                           group};
      if (dice() % 2) std::swap(s.x1, s.x2), std::swap(s.y1, s.y2);
      out.push_back(s);
    }
  }
  while (static_cast<std::int64_t>(out.size()) < kSegments)
    out.push_back({unit(dice) * 1e5, unit(dice) * 1e5, unit(dice) * 1e5, unit(dice) * 1e5, 0});
  if (shuffled) std::shuffle(out.begin(), out.end(), dice);
  return out;
}

std::vector<ChainSegment> LooseLines() {
  std::mt19937_64 dice(6);
  std::uniform_real_distribution<double> unit(0, 1e5);
  std::vector<ChainSegment> out(kSegments);
  for (ChainSegment& s : out) s = {unit(dice), unit(dice), unit(dice), unit(dice), 0};
  return out;
}

void Join(benchmark::State& state, const std::vector<ChainSegment>& segments) {
  std::size_t chains = 0;
  for (auto _ : state) {
    const ChainSet set = JoinChains(segments, kTol);
    chains = set.chains.size();
    benchmark::DoNotOptimize(set);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(segments.size()));
  state.counters["chains"] = static_cast<double>(chains);
}

void JoinPolygonsInOrder(benchmark::State& state) {
  static const std::vector<ChainSegment> segments = Polygons(false);
  Join(state, segments);
}

void JoinPolygonsShuffled(benchmark::State& state) {
  static const std::vector<ChainSegment> segments = Polygons(true);
  Join(state, segments);
}

void JoinLooseLines(benchmark::State& state) {
  static const std::vector<ChainSegment> segments = LooseLines();
  Join(state, segments);
}

BENCHMARK(JoinPolygonsInOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(JoinPolygonsShuffled)->Unit(benchmark::kMillisecond);
BENCHMARK(JoinLooseLines)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace q527
