// The way back in memory: read the bytes, restore chains of segments to
// curves, queue the output. The first input bytes choose the options, the
// rest is the exchange file.
//
//   byte 0: bit 0 circles, bit 1 arcs, bit 2 circular solids
//   byte 1: the fewest segments, 3 + b
//   byte 2: the largest deviation, 10^(b/16 - 8): from 1e-8 to about 1e8
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/run.h"
#include "exchange/reader.h"
#include "exchange/store.h"
#include "exchange/writer.h"
#include "fuzz/store_checks.h"

namespace q527 {

namespace {

// Segments one input may hold before it is skipped: a long chain's runs
// cost about its length squared in fits.
constexpr std::size_t kSegmentBudget = 4000;

struct FakeUi : RunUi {
  void ShowNow(std::string_view utf8) override {
    fuzz::Require(!utf8.empty(), "empty status text");
  }
  bool IsDown() override { return false; }
  void ReportFailure(std::string_view) override { fuzz::Fail("a restore reported a failure"); }
};

std::size_t Live(const Store& s, std::int32_t kind) {
  std::size_t n = 0;
  for (const TJwwOrder& o : s.order) n += o.kind == kind;
  return n;
}

// One run: the bytes written and what it made.
struct Restored {
  std::string bytes;
  RestoreSummary summary;
};

Restored RestoreOnce(std::string_view file, const ConversionRequest& request) {
  Store s;
  JwwInit(s);
  JwwReadBuffer(s, file);
  TJwwWriter w(s);
  JwwWriteStart(w);
  const std::size_t lines = Live(s, kJwwLine), solids = Live(s, kJwwSolid2);
  const std::size_t figures = s.order.size();
  FakeUi ui;
  const RunResult r = RunConversion(s, w, request, true, ui);
  fuzz::Require(r.outcome == RunOutcome::kConverted, "a small complete file was not restored");
  const RestoreSummary& sum = r.restored;
  fuzz::Require(lines + solids - Live(s, kJwwLine) - Live(s, kJwwSolid2) ==
                    static_cast<std::size_t>(sum.segments),
                "segments consumed differ from the entries removed");
  fuzz::Require(s.order.size() - figures == static_cast<std::size_t>(sum.Figures()),
                "figures restored differ from the entries added");
  fuzz::Require(sum.Figures() == 0 || sum.largestDeviation <= request.restore.maxDeviation,
                "a restored vertex strays farther than the deviation asked for");
  fuzz::Require(request.circles || sum.circles == 0, "a circle made when none was asked for");
  fuzz::Require(request.arcs || sum.arcs + sum.ellipses + sum.ellipticArcs == 0,
                "an arc made when none was asked for");
  fuzz::Require(request.solids || sum.solids == 0, "a solid made when none was asked for");
  fuzz::CheckOutputLines(w.lines.bytes, w.lines.count);
  fuzz::Require(w.lines.bytes.rfind("hd\r\n", 0) == 0, "restored output does not start with hd");
  return {w.lines.bytes, sum};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  ConversionRequest request;
  request.mode = RunMode::kRestore;
  request.circles = data[0] & 1;
  request.arcs = data[0] & 2;
  request.solids = data[0] & 4;
  request.restore.minSegments = 3 + data[1];
  request.restore.maxDeviation = std::pow(10.0, data[2] / 16.0 - 8);
  const std::string_view file(reinterpret_cast<const char*>(data + 3), size - 3);
  {
    Store s;
    JwwInit(s);
    JwwReadBuffer(s, file);
    if (s.lines.size() + s.solid2s.size() > kSegmentBudget) return 0;
  }
  const Restored once = RestoreOnce(file, request);
  // The same bytes give the same result.
  fuzz::Require(RestoreOnce(file, request).bytes == once.bytes, "two restores of one file differ");
  // What the host would read back is a sound store.
  Store back;
  JwwInit(back);
  JwwReadBuffer(back, once.bytes);
  fuzz::CheckReadStore(back);
  return 0;
}

}  // namespace q527
