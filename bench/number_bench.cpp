// The number texts of the exchange file: FormatReal per number against the
// bare std::to_chars it builds on, and the two parsers against from_chars.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/myfunc.h"
#include "exchange/number_text.h"

namespace q527 {

namespace {

// Coordinates as drawings hold them: computed 15-digit values, round values,
// a few tiny and huge ones that take the exponent form.
const std::vector<double>& Values() {
  static const std::vector<double> values = [] {
    std::mt19937_64 rng(11);
    std::vector<double> v;
    for (int i = 0; i < 4096; ++i) {
      const std::uint64_t r = rng();
      const auto mantissa = static_cast<double>(100000000000000 + r % 900000000000000);
      switch (i % 8) {
        case 0: v.push_back(static_cast<double>(r % 20000) - 10000.0); break;
        case 1: v.push_back(static_cast<double>(r % 200000) / 100.0); break;
        case 2: v.push_back(mantissa * 1e-20); break;
        case 3: v.push_back(mantissa * 1e8); break;
        default: v.push_back(mantissa / 1e11 * ((r >> 60) & 1 ? -1.0 : 1.0)); break;
      }
    }
    return v;
  }();
  return values;
}

const std::vector<std::string>& Texts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> t;
    for (double v : Values()) {
      char buf[kRealTextMax];
      t.emplace_back(buf, FormatReal(buf, v));
    }
    return t;
  }();
  return texts;
}

void BM_FormatReal(benchmark::State& state) {
  char buf[kRealTextMax];
  for (auto _ : state) {
    for (double v : Values()) {
      benchmark::DoNotOptimize(FormatReal(buf, v));
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * Values().size()));
}

void BM_ToCharsPrecision14(benchmark::State& state) {
  char buf[64];
  for (auto _ : state) {
    for (double v : Values()) {
      benchmark::DoNotOptimize(
          std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14).ptr);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * Values().size()));
}

void BM_TextToFloat(benchmark::State& state) {
  for (auto _ : state) {
    for (const auto& t : Texts()) benchmark::DoNotOptimize(TextToFloat(t));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * Texts().size()));
}

void BM_FromChars(benchmark::State& state) {
  for (auto _ : state) {
    for (const auto& t : Texts()) {
      double v = 0;
      std::from_chars(t.data(), t.data() + t.size(), v);
      benchmark::DoNotOptimize(v);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * Texts().size()));
}

void BM_TextToInt(benchmark::State& state) {
  static const std::vector<std::string> texts = {"0",   "1",        "24",         "-17", "255",
                                                 "$1F", "16711680", "2147483647", "lc",  "100"};
  for (auto _ : state) {
    for (const auto& t : texts) benchmark::DoNotOptimize(TextToInt(t));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * texts.size()));
}

BENCHMARK(BM_FormatReal);
BENCHMARK(BM_ToCharsPrecision14);
BENCHMARK(BM_TextToFloat);
BENCHMARK(BM_FromChars);
BENCHMARK(BM_TextToInt);

}  // namespace

}  // namespace q527
