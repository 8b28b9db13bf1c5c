#include "conversion/run.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "common/fpu_precision.h"
#include "common/myfunc.h"

namespace q527 {

namespace {

// Remembers whether the pass was told the Escape key was down, so the run
// can tell an abort from a finished pass.
struct WatchedEscape final : EscapeKey {
  explicit WatchedEscape(EscapeKey& key) : key(key) {}
  bool IsDown() override {
    if (key.IsDown()) pressed = true;
    return pressed;
  }
  EscapeKey& key;
  bool pressed = false;
};

constexpr std::string_view kRefusedMessage =
    "交換ファイル JWC_TEMP.TXT を最後まで読めなかったため、変換を行いません。"
    "図形は変更されません。";
constexpr std::string_view kFailedMessage =
    "メモリ不足または図形数の上限により変換を完了できませんでした。"
    "図形は変更されません。";
constexpr std::string_view kWriteFailedMessage =
    "交換ファイル JWC_TEMP.TXT を書き込めないため、変換を完了できませんでした。"
    "図形は変更されません。";

// Planned counts differ per figure: all of them are planned before the first
// kind is converted, as the dialog's status line has always shown them.
struct PlannedCounts {
  PolygonCounts circles, arcs, solids;
};

PlannedCounts PlanAll(Store& s, const ConversionRequest& r) {
  PlannedCounts c;
  ReserveForPolygons(s, r.circles, r.arcs, r.solids);
  if (!r.policy.planned) return c;
  if (r.circles) c.circles = PlanCircles(s, r.policy);
  if (r.arcs) c.arcs = PlanArcs(s, r.policy);
  if (r.solids) c.solids = PlanSolidCircles(s, r.policy);
  return c;
}

// The chosen kinds converted in turn, each step named on the status line
// whether its kind is chosen or not. False when a count limit stopped it.
bool ConvertChosen(Store& s, const ConversionRequest& r, RunUi& ui, PolygonSummary& summary) {
  const PlannedCounts planned = PlanAll(s, r);
  auto counts = [&](const PolygonCounts& c) { return r.policy.planned ? &c : nullptr; };
  const PolygonPolicy& p = r.policy;
  ui.ShowNow("円データ参照中です");
  if (r.circles &&
      ConvertCircles(s, p, &summary, counts(planned.circles)) != ConvertStatus::kDone) {
    return false;
  }
  ui.ShowNow("円弧・楕円データ参照中です");
  if (r.arcs && ConvertArcs(s, p, &summary, counts(planned.arcs)) != ConvertStatus::kDone) {
    return false;
  }
  ui.ShowNow("円周ソリッドデータ参照中です");
  return !r.solids ||
         ConvertSolidCircles(s, p, &summary, counts(planned.solids)) == ConvertStatus::kDone;
}

// The way back, named on the status line. False when a count limit
// stopped it.
bool RestoreChosen(Store& s, const ConversionRequest& r, RunUi& ui, RestoreSummary& summary) {
  ui.ShowNow("復元中です");
  RestoreOptions options = r.restore;
  options.circles = r.circles;
  options.arcs = r.arcs;
  options.solids = r.solids;
  const auto threads = static_cast<std::size_t>(std::max<std::int32_t>(r.threads, 1));
  return RestoreCurves(s, options, &summary, threads) == ConvertStatus::kDone;
}

// "hd" and every figure into the writer's lines.
RunOutcome WriteFigures(const Store& s, TJwwWriter& w, RunUi& ui, std::int32_t threads) {
  JwwAddOut(w, "hd");
  WatchedEscape escape(ui);
  JwwWriteAll(s, w, {}, &ui, &escape, threads > 1 ? static_cast<std::size_t>(threads) : 1);
  ui.ShowNow("ファイル生成中です");
  return escape.pressed ? RunOutcome::kAborted : RunOutcome::kConverted;
}

// Whatever was queued is incomplete: dropped, so that the close writes "hq"
// and the host keeps its figures, and said once.
RunOutcome Fail(TJwwWriter& w, RunUi& ui, RunOutcome outcome, std::string_view message) {
  JwwClearOut(w.lines);
  ui.ReportFailure(message);
  return outcome;
}

}  // namespace

std::int32_t DivisionCountOf(std::string_view text) { return ClampSegments(TextToInt(text)); }

RunResult RunConversion(Store& s, TJwwWriter& w, const ConversionRequest& request,
                        bool readComplete, RunUi& ui) {
  RunResult result;
  // An exchange file read only in part would come back as "hd" with the
  // rest of the user's figures missing, and the host would delete them.
  // Nothing is queued, so the close writes "hq" and the drawing stays.
  if (!readComplete) {
    ui.ReportFailure(kRefusedMessage);
    result.outcome = RunOutcome::kRefused;
    return result;
  }
  // The vertices and the output pass's tolerances are long double
  // arithmetic: the same bits on every build only at 64-bit precision.
  const ExtendedPrecisionScope precision;
  try {
    ui.ShowNow("処理中です");
    const bool done = request.mode == RunMode::kRestore
                          ? RestoreChosen(s, request, ui, result.restored)
                          : ConvertChosen(s, request, ui, result.summary);
    if (!done) {
      result.outcome = Fail(w, ui, RunOutcome::kFailed, kFailedMessage);
      return result;
    }
    result.outcome = WriteFigures(s, w, ui, request.threads);
  } catch (const JwwSpillError&) {
    // The output went to the exchange file's temporary file as it grew, and
    // that file could not be written (a full disk, in practice).
    result.outcome = Fail(w, ui, RunOutcome::kWriteFailed, kWriteFailedMessage);
  } catch (const std::bad_alloc&) {
    // Memory ran out while a table or the output grew.
    result.outcome = Fail(w, ui, RunOutcome::kFailed, kFailedMessage);
  } catch (const std::length_error&) {
    // A table or the output would outgrow what the library can hold.
    result.outcome = Fail(w, ui, RunOutcome::kFailed, kFailedMessage);
  }
  return result;
}

}  // namespace q527
