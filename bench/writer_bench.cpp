// The output pass over a converted store (lines/s), the conversion itself,
// and the pass over an unconverted realistic drawing.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/workload.h"
#include "conversion/polygons.h"
#include "exchange/output_pass.h"
#include "exchange/reader.h"
#include "exchange/store.h"
#include "exchange/writer.h"

namespace q527 {

namespace {

constexpr std::int32_t kDivisions = 24;

std::unique_ptr<Store> ReadStore(const std::string& bytes) {
  auto s = std::make_unique<Store>();
  JwwInit(*s);
  JwwReadBuffer(*s, bytes);
  return s;
}

const Store& ConvertedStore() {
  static const std::unique_ptr<Store> s = [] {
    auto store = ReadStore(GenerateConversion(2, 20000, 10000, 2000));
    static_cast<void>(ConvertCircles(*store, kDivisions));
    static_cast<void>(ConvertArcs(*store, kDivisions));
    static_cast<void>(ConvertSolidCircles(*store, kDivisions));
    return store;
  }();
  return *s;
}

const Store& RealisticStore() {
  static const std::unique_ptr<Store> s = ReadStore(GenerateRealistic(1, 200000));
  return *s;
}

// The pass only reads the store: one writer serves every iteration.
void Pass(benchmark::State& state, const Store& s) {
  TJwwWriter w(s);
  std::size_t lines = 0;
  std::size_t bytes = 0;
  for (auto _ : state) {
    JwwClearOut(w.lines);
    JwwWriteStart(w);
    JwwAddOut(w, "hd");
    JwwWriteAll(s, w);
    lines = w.lines.count;
    bytes = w.lines.bytes.size();
    benchmark::DoNotOptimize(w.lines.bytes.data());
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<std::int64_t>(iterations * static_cast<double>(lines)));
  state.SetBytesProcessed(static_cast<std::int64_t>(iterations * static_cast<double>(bytes)));
  state.counters["lines"] = static_cast<double>(lines);
}

void BM_OutputPassConverted(benchmark::State& state) { Pass(state, ConvertedStore()); }
void BM_OutputPassRealistic(benchmark::State& state) { Pass(state, RealisticStore()); }

void BM_Convert(benchmark::State& state) {
  static const std::unique_ptr<Store> source = ReadStore(GenerateConversion(2, 20000, 10000, 2000));
  std::size_t made = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto s = std::make_unique<Store>(*source);
    state.ResumeTiming();
    static_cast<void>(ConvertCircles(*s, kDivisions));
    static_cast<void>(ConvertArcs(*s, kDivisions));
    static_cast<void>(ConvertSolidCircles(*s, kDivisions));
    made = s->lines.size() + s->solid2s.size();
    benchmark::DoNotOptimize(s->lines.data());
    state.PauseTiming();
    s.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(static_cast<double>(state.iterations()) *
                                                    static_cast<double>(made)));
  state.counters["segments"] = static_cast<double>(made);
}

BENCHMARK(BM_OutputPassConverted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OutputPassRealistic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace q527
