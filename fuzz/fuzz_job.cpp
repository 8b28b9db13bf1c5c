// A whole OK run in memory: read the bytes, convert the chosen kinds by the
// dialog's rule or by a planned policy, queue the output. The first input
// bytes choose the request, the rest is the exchange file.
//
//   byte 0: bit 0 circles, bit 1 arcs, bit 2 circular solids; bits 3..5: the
//           Escape key goes down at that poll of the output pass (0 = never);
//           bit 6: a planned policy follows the division count text
//   byte 1: length of the division count text (0..5), which follows
//   planned: one byte of fit (bits 0..1) and bounds (bit 2 deviation, bit 3
//           angle, bit 4 length), the smallest and the largest count (a byte
//           each, 3 + 4·b, capped at 999), then the deviation, angle and
//           length as the raw bits of three doubles (any value: a bound that
//           is not a positive finite number is left out, as the command
//           line refuses it)
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "conversion/polygon_maker.h"
#include "conversion/run.h"
#include "exchange/reader.h"
#include "exchange/store.h"
#include "exchange/writer.h"
#include "fuzz/store_checks.h"

namespace q527 {

namespace {

// Segments one input may ask for before it is skipped: enough for every
// path, small enough to keep thousands of runs a second.
constexpr std::int64_t kSegmentBudget = 200000;
constexpr std::size_t kPolicyBytes = 3 + 3 * sizeof(double);

struct FakeUi : RunUi {
  int escapeAtPoll = 0;  // 0: never
  int polls = 0;
  int failures = 0;
  void ShowNow(std::string_view utf8) override {
    fuzz::Require(!utf8.empty(), "empty status text");
  }
  bool IsDown() override { return ++polls == escapeAtPoll; }
  void ReportFailure(std::string_view) override { ++failures; }
};

std::size_t CountKind(const Store& s, std::int32_t kind) {
  std::size_t n = 0;
  for (const TJwwOrder& o : s.order) n += o.kind == kind;
  return n;
}

// A bound from raw bits: its magnitude when that is a positive finite
// number, else none.
double BoundOf(const std::uint8_t* bytes, bool given) {
  double v;
  std::memcpy(&v, bytes, sizeof v);
  v = std::fabs(v);
  return given && std::isfinite(v) && v > 0 ? v : 0;
}

// The planned policy the bytes describe; the division count stays the
// request's.
void ReadPolicy(const std::uint8_t* p, PolygonPolicy& policy) {
  policy.planned = true;
  policy.fit = static_cast<PolygonFit>((p[0] & 3) % 3);
  policy.minSegments = ClampSegments(3 + 4 * p[1]);
  policy.maxSegments = ClampSegments(3 + 4 * p[2]);
  if (policy.minSegments > policy.maxSegments) std::swap(policy.minSegments, policy.maxSegments);
  policy.maxDeviation = BoundOf(p + 3, p[0] & 4);
  policy.maxAngle = BoundOf(p + 3 + 8, p[0] & 8);
  policy.maxLength = BoundOf(p + 3 + 16, p[0] & 16);
}

// The segments each converted figure got, in the tables after the run:
// between the policy's bounds, and a closed polygon closes exactly.
void CheckPlannedPolygons(const Store& s, std::size_t lines, std::size_t solid2s,
                          const PolygonPolicy& p, const PolygonSummary& sum) {
  fuzz::Require(sum.polygons == 0 || (sum.fewest >= p.minSegments && sum.most <= p.maxSegments),
                "a planned count outside the smallest and largest count");
  const std::size_t added = s.lines.size() - lines + s.solid2s.size() - solid2s;
  fuzz::Require(added >= static_cast<std::size_t>(sum.polygons) * sum.fewest &&
                    added <= static_cast<std::size_t>(sum.polygons) * sum.most,
                "segments made differ from the counts planned");
  if (p.maxDeviation > 0 && sum.capped == 0) {
    fuzz::Require(!(sum.largestDeviation > p.maxDeviation * (1 + 1e-9)),
                  "a polygon strays farther than the deviation asked for");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t flags = data[0];
  const std::size_t editLength = data[1] % 6u;
  const bool planned = flags & 64;
  const std::size_t head = 2 + editLength + (planned ? kPolicyBytes : 0);
  if (size < head) return 0;

  ConversionRequest request;
  request.circles = flags & 1;
  request.arcs = flags & 2;
  request.solids = flags & 4;
  const std::string edit1(reinterpret_cast<const char*>(data + 2), editLength);
  request.policy.segments = DivisionCountOf(edit1);
  if (planned) ReadPolicy(data + 2 + editLength, request.policy);
  const std::string_view file(reinterpret_cast<const char*>(data + head), size - head);

  Store s;
  JwwInit(s);
  JwwReadBuffer(s, file);
  TJwwWriter w(s);
  JwwWriteStart(w);

  const PolygonPolicy& policy = request.policy;
  const std::int32_t n = policy.segments;
  const std::size_t circles = s.circles.size(), arcs = s.arcs.size(), ses = s.ses.size();
  const std::size_t lines = s.lines.size(), solid2s = s.solid2s.size();
  const std::int64_t converted = static_cast<std::int64_t>(
      (request.circles ? circles : 0) + (request.arcs ? arcs : 0) + (request.solids ? ses : 0));
  if (converted * (planned ? policy.maxSegments : n) > kSegmentBudget) return 0;

  FakeUi ui;
  ui.escapeAtPoll = (flags >> 3) & 7;
  const RunResult result = RunConversion(s, w, request, true, ui);
  const RunOutcome outcome = result.outcome;
  // The polygons' segments as records, to be counted.
  StorePolygonSegments(s);

  fuzz::Require(outcome == RunOutcome::kConverted || outcome == RunOutcome::kAborted,
                "a small complete file did not convert");
  fuzz::Require(ui.failures == 0, "failure reported for a run that finished");
  fuzz::CheckOutputLines(w.lines.bytes, w.lines.count);

  // The store after conversion: chosen kinds gone, N segments per figure
  // by the dialog's rule, the planned counts otherwise.
  const auto convertedOf = [&](bool chosen, std::size_t count) { return chosen ? count : 0; };
  if (planned) {
    fuzz::Require(result.summary.polygons == converted, "not one polygon per converted figure");
    CheckPlannedPolygons(s, lines, solid2s, policy, result.summary);
  } else {
    fuzz::Require(s.lines.size() == lines + (convertedOf(request.circles, circles) +
                                             convertedOf(request.arcs, arcs)) *
                                                static_cast<std::size_t>(n),
                  "not N line segments per converted circle and arc");
    fuzz::Require(s.solid2s.size() ==
                      solid2s + convertedOf(request.solids, ses) * static_cast<std::size_t>(n),
                  "not N linear solids per converted circular solid");
  }
  fuzz::Require(s.circles.size() == circles - convertedOf(request.circles, circles) &&
                    CountKind(s, kJwwCircle) == s.circles.size(),
                "circles left over, or their order entries");
  fuzz::Require(s.arcs.size() == arcs - convertedOf(request.arcs, arcs) &&
                    CountKind(s, kJwwArc) == s.arcs.size(),
                "arcs left over, or their order entries");
  fuzz::Require(s.ses.size() == ses - convertedOf(request.solids, ses) &&
                    CountKind(s, kJwwSe) == s.ses.size(),
                "circular solids left over, or their order entries");

  if (outcome == RunOutcome::kAborted) {
    fuzz::Require(ui.escapeAtPoll != 0 && ui.polls == ui.escapeAtPoll,
                  "aborted without the Escape key");
    fuzz::Require(w.lines.count <= 2, "an aborted pass left figures in the output");
    fuzz::Require(w.lines.bytes.find("hd\r\n") == std::string::npos, "an aborted pass kept hd");
    return 0;
  }
  fuzz::Require(w.lines.bytes.rfind("hd\r\n", 0) == 0, "converted output does not start with hd");

  // What the host would read back holds none of the converted kinds.
  Store back;
  JwwInit(back);
  JwwReadBuffer(back, w.lines.bytes);
  fuzz::CheckReadStore(back);
  if (request.circles) fuzz::Require(back.circles.empty(), "a converted circle was written");
  if (request.arcs) fuzz::Require(back.arcs.empty(), "a converted arc was written");
  if (request.solids) fuzz::Require(back.ses.empty(), "a converted circular solid was written");
  return 0;
}

}  // namespace q527
