// Reading throughput of the exchange-file reader on generated files held in
// memory, on one thread and on the machine's cores, and how much heap the
// filled store takes per byte of file.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <thread>

#include "bench/workload.h"
#include "exchange/reader.h"
#include "exchange/store.h"

namespace q527 {

namespace {

const std::string& RealisticFile() {
  static const std::string bytes = GenerateRealistic(1, 200000);
  return bytes;
}
const std::string& ConversionFile() {
  static const std::string bytes = GenerateConversion(2, 20000, 10000, 2000);
  return bytes;
}
const std::string& MalformedFile() {
  static const std::string bytes = GenerateMalformed(3, 50000);
  return bytes;
}

void ReadInto(benchmark::State& state, const std::string& bytes, std::size_t threads = 1) {
  std::size_t heap = 0;
  std::size_t figures = 0;
  for (auto _ : state) {
    auto s = std::make_unique<Store>();
    JwwInit(*s);
    JwwReadBuffer(*s, bytes, threads);
    benchmark::DoNotOptimize(s->order.data());
    state.PauseTiming();
    heap = StoreHeapBytes(*s);
    figures = s->order.size();
    s.reset();  // releasing the tables is not reading
    state.ResumeTiming();
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(iterations * bytes.size()));
  state.counters["figures"] = static_cast<double>(figures);
  state.counters["figures/s"] =
      benchmark::Counter(iterations * static_cast<double>(figures), benchmark::Counter::kIsRate);
  state.counters["store/file"] = static_cast<double>(heap) / static_cast<double>(bytes.size());
  state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
}

void BM_ReadRealistic(benchmark::State& state) { ReadInto(state, RealisticFile()); }
void BM_ReadRealisticOnEveryCore(benchmark::State& state) {
  const std::size_t cores = std::thread::hardware_concurrency();
  ReadInto(state, RealisticFile(), cores == 0 ? 1 : cores);
  state.counters["threads"] = static_cast<double>(cores == 0 ? 1 : cores);
}
void BM_ReadConversion(benchmark::State& state) { ReadInto(state, ConversionFile()); }
void BM_ReadMalformed(benchmark::State& state) { ReadInto(state, MalformedFile()); }

BENCHMARK(BM_ReadRealistic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRealisticOnEveryCore)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadConversion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadMalformed)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace q527
