// What joining a million segments into chains costs: polygons of 24
// segments (circles as a conversion writes them), each segment either way
// round and each end moved by up to a twentieth of tol, as a drawing from
// another program gives them; in file order (a polygon's segments one after
// the other) and shuffled (every step of a walk a jump in memory). Also the
// polygons as a conversion writes them, each end the one before's bit for
// bit, in records of 64 bytes as the store keeps them; and a million lines
// that join nothing: a million chains.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "polygon/chains.h"

namespace q527 {

namespace {

constexpr double kTol = 0.01;
constexpr std::int64_t kSegments = 1000000;

struct ChainSegment {
  double x1, y1, x2, y2;
};

// Segments in records of the given type, and their groups.
template <typename Record>
struct Drawing {
  std::vector<Record> segments;
  std::vector<std::uint32_t> groups;

  void Add(double x1, double y1, double x2, double y2, std::uint32_t group) {
    Record r{};
    r.x1 = x1, r.y1 = y1, r.x2 = x2, r.y2 = y2;
    segments.push_back(r);
    groups.push_back(group);
  }
  SegmentView View() const {
    return {&segments[0].x1, sizeof(Record), segments.size(), groups.data()};
  }
};

Drawing<ChainSegment> Polygons(bool shuffled) {
  std::mt19937_64 dice(5);
  std::uniform_real_distribution<double> unit(0, 1);
  auto jitter = [&] { return (unit(dice) - 0.5) * 0.1 * kTol; };
  std::vector<std::pair<ChainSegment, std::uint32_t>> out;
  out.reserve(kSegments);
  while (static_cast<std::int64_t>(out.size()) + 24 <= kSegments) {
    const double cx = unit(dice) * 1e5, cy = unit(dice) * 1e5, r = 1 + unit(dice) * 50;
    const auto group = static_cast<std::uint32_t>(dice() % 8);
    for (int k = 0; k < 24; ++k) {
      const double t0 = 6.283185307179586 * k / 24, t1 = 6.283185307179586 * (k + 1) / 24;
      ChainSegment s{cx + r * std::cos(t0) + jitter(), cy + r * std::sin(t0) + jitter(),
                     cx + r * std::cos(t1) + jitter(), cy + r * std::sin(t1) + jitter()};
      if (dice() % 2) std::swap(s.x1, s.x2), std::swap(s.y1, s.y2);
      out.emplace_back(s, group);
    }
  }
  while (static_cast<std::int64_t>(out.size()) < kSegments)
    out.push_back({{unit(dice) * 1e5, unit(dice) * 1e5, unit(dice) * 1e5, unit(dice) * 1e5}, 0});
  if (shuffled) std::shuffle(out.begin(), out.end(), dice);
  Drawing<ChainSegment> d;
  for (const auto& [s, group] : out) d.Add(s.x1, s.y1, s.x2, s.y2, group);
  return d;
}

// A record of the store's size, its coordinates after 32 bytes.
struct WideRecord {
  std::int32_t attributes[8];
  double x1, y1, x2, y2;
};

Drawing<WideRecord> PolygonsAsWritten() {
  std::mt19937_64 dice(5);
  std::uniform_real_distribution<double> unit(0, 1);
  Drawing<WideRecord> d;
  while (static_cast<std::int64_t>(d.segments.size()) + 24 <= kSegments) {
    const double cx = unit(dice) * 1e5, cy = unit(dice) * 1e5, r = 1 + unit(dice) * 50;
    const auto group = static_cast<std::uint32_t>(dice() % 8);
    auto at = [&](int k) {
      const double t = 6.283185307179586 * (k % 24) / 24;
      return std::pair{cx + r * std::cos(t), cy + r * std::sin(t)};
    };
    for (int k = 0; k < 24; ++k)
      d.Add(at(k).first, at(k).second, at(k + 1).first, at(k + 1).second, group);
  }
  return d;
}

Drawing<ChainSegment> LooseLines() {
  std::mt19937_64 dice(6);
  std::uniform_real_distribution<double> unit(0, 1e5);
  Drawing<ChainSegment> d;
  for (std::int64_t k = 0; k < kSegments; ++k)
    d.Add(unit(dice), unit(dice), unit(dice), unit(dice), 0);
  return d;
}

void Join(benchmark::State& state, const SegmentView& segments) {
  std::size_t chains = 0;
  for (auto _ : state) {
    const ChainSet set = JoinChains(segments, kTol);
    chains = set.chains.size();
    benchmark::DoNotOptimize(set);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(segments.count));
  state.counters["chains"] = static_cast<double>(chains);
}

void JoinPolygonsInOrder(benchmark::State& state) {
  static const Drawing<ChainSegment> drawing = Polygons(false);
  Join(state, drawing.View());
}

void JoinPolygonsShuffled(benchmark::State& state) {
  static const Drawing<ChainSegment> drawing = Polygons(true);
  Join(state, drawing.View());
}

void JoinPolygonsAsWritten(benchmark::State& state) {
  static const Drawing<WideRecord> drawing = PolygonsAsWritten();
  Join(state, drawing.View());
}

void JoinLooseLines(benchmark::State& state) {
  static const Drawing<ChainSegment> drawing = LooseLines();
  Join(state, drawing.View());
}

BENCHMARK(JoinPolygonsInOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(JoinPolygonsShuffled)->Unit(benchmark::kMillisecond);
BENCHMARK(JoinPolygonsAsWritten)->Unit(benchmark::kMillisecond);
BENCHMARK(JoinLooseLines)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace q527
