// A whole OK run in memory: read the bytes, convert with the chosen kinds and
// division count text, queue the output. The first input bytes choose the
// dialog's state, the rest is the exchange file.
//
//   byte 0: bit 0 circles, bit 1 arcs, bit 2 circular solids; bits 3..5: the
//           Escape key goes down at that poll of the output pass (0 = never)
//   byte 1: length of the division count text (0..5), which follows
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/myfunc.h"
#include "dialog/conversion.h"
#include "dialog/settings.h"
#include "exchange/reader.h"
#include "exchange/store.h"
#include "exchange/writer.h"
#include "fuzz/store_checks.h"

namespace q527 {

namespace {

// Segments one input may ask for before it is skipped: enough for every
// path, small enough to keep thousands of runs a second.
constexpr std::int64_t kSegmentBudget = 200000;

struct FakeUi : DialogUi {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t flags = data[0];
  const std::size_t editLength = data[1] % 6u;
  if (size < 2 + editLength) return 0;

  DialogState state;
  state.checkCircle = flags & 1;
  state.checkArc = flags & 2;
  state.checkSolid = flags & 4;
  state.edit1.assign(reinterpret_cast<const char*>(data + 2), editLength);
  const std::string_view file(reinterpret_cast<const char*>(data + 2 + editLength),
                              size - 2 - editLength);

  Store s;
  JwwInit(s);
  JwwReadBuffer(s, file);
  JwwWriteStart(s);

  const std::int32_t n = ClampDivisionCount(TextToInt(state.edit1));
  const std::size_t circles = s.circles.size(), arcs = s.arcs.size(), ses = s.ses.size();
  const std::size_t lines = s.lines.size(), solid2s = s.solid2s.size();
  const std::int64_t converted =
      static_cast<std::int64_t>((state.checkCircle ? circles : 0) + (state.checkArc ? arcs : 0) +
                                (state.checkSolid ? ses : 0));
  if (converted * n > kSegmentBudget) return 0;

  FakeUi ui;
  ui.escapeAtPoll = (flags >> 3) & 7;
  FormSettings fields;
  const RunOutcome outcome = RunConversion(s, fields, state, {}, true, ui);

  fuzz::Require(fields.DivisionCount == n, "division count not the clamped text");
  fuzz::Require(fields.TargetCircle == state.checkCircle && fields.TargetArc == state.checkArc &&
                    fields.TargetSolid == state.checkSolid,
                "target choices not taken from the check boxes");
  fuzz::Require(outcome == RunOutcome::kConverted || outcome == RunOutcome::kAborted,
                "a small complete file did not convert");
  fuzz::Require(ui.failures == 0, "failure reported for a run that finished");
  fuzz::CheckOutputLines(s.out.bytes, s.out.count);

  // The store after conversion: chosen kinds gone, N segments per figure.
  const auto convertedOf = [&](bool chosen, std::size_t count) { return chosen ? count : 0; };
  fuzz::Require(s.lines.size() == lines + (convertedOf(state.checkCircle, circles) +
                                           convertedOf(state.checkArc, arcs)) *
                                              static_cast<std::size_t>(n),
                "not N line segments per converted circle and arc");
  fuzz::Require(s.solid2s.size() ==
                    solid2s + convertedOf(state.checkSolid, ses) * static_cast<std::size_t>(n),
                "not N linear solids per converted circular solid");
  fuzz::Require(s.circles.size() == circles - convertedOf(state.checkCircle, circles) &&
                    CountKind(s, kJwwCircle) == s.circles.size(),
                "circles left over, or their order entries");
  fuzz::Require(s.arcs.size() == arcs - convertedOf(state.checkArc, arcs) &&
                    CountKind(s, kJwwArc) == s.arcs.size(),
                "arcs left over, or their order entries");
  fuzz::Require(s.ses.size() == ses - convertedOf(state.checkSolid, ses) &&
                    CountKind(s, kJwwSe) == s.ses.size(),
                "circular solids left over, or their order entries");

  if (outcome == RunOutcome::kAborted) {
    fuzz::Require(ui.escapeAtPoll != 0 && ui.polls == ui.escapeAtPoll,
                  "aborted without the Escape key");
    fuzz::Require(s.out.count <= 2, "an aborted pass left figures in the output");
    fuzz::Require(s.out.bytes.find("hd\r\n") == std::string::npos, "an aborted pass kept hd");
    return 0;
  }
  fuzz::Require(s.out.bytes.rfind("hd\r\n", 0) == 0, "converted output does not start with hd");

  // What the host would read back holds none of the converted kinds.
  Store back;
  JwwInit(back);
  JwwReadBuffer(back, s.out.bytes);
  fuzz::CheckReadStore(back);
  if (state.checkCircle) fuzz::Require(back.circles.empty(), "a converted circle was written");
  if (state.checkArc) fuzz::Require(back.arcs.empty(), "a converted arc was written");
  if (state.checkSolid) fuzz::Require(back.ses.empty(), "a converted circular solid was written");
  return 0;
}

}  // namespace q527
