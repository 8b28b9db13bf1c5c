#include "dialog/conversion.h"

#include <charconv>
#include <cstdint>
#include <exception>

#include "common/fpu_precision.h"
#include "common/myfunc.h"
#include "exchange/writer.h"

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

void AppendCount(std::string& text, std::size_t count) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, count);
  text.append(buf, res.ptr);
}

}  // namespace

RunOutcome RunConversion(Store& s, FormSettings& fields, const DialogState& state,
                         const std::filesystem::path& settingsPath, bool readComplete, DialogUi& ui,
                         const PolygonPolicy* policy, PolygonSummary* summary) {
  // The vertices and the output pass's tolerances are long double
  // arithmetic: the same bits on every build only at 64-bit precision.
  const ExtendedPrecisionScope precision;
  try {
    fields.FormLeft = state.left;
    fields.FormTop = state.top;
    fields.DivisionCount = ClampDivisionCount(TextToInt(state.edit1));
    fields.TargetCircle = state.checkCircle;
    fields.TargetArc = state.checkArc;
    fields.TargetSolid = state.checkSolid;
    // A settings file that cannot be replaced keeps its old content; the
    // run goes on without it.
    if (!settingsPath.empty()) SaveSettings(fields, settingsPath);

    // An exchange file read only in part would come back as "hd" with the
    // rest of the user's figures missing, and the host would delete them.
    // Nothing is queued, so the close writes "hq" and the drawing stays.
    if (!readComplete) {
      ui.ReportFailure(kRefusedMessage);
      return RunOutcome::kRefused;
    }

    PolygonPolicy plan = policy != nullptr ? *policy : PolygonPolicy{};
    plan.segments = fields.DivisionCount;
    bool fits = true;
    ui.ShowNow("処理中です");
    // Planned counts differ per figure: all of them are planned first, so
    // that the tables are reserved once for every kind here too.
    PolygonCounts circles, arcs, solids;
    if (!plan.planned) {
      ReserveForConversion(s, plan.segments, fields.TargetCircle, fields.TargetArc,
                           fields.TargetSolid);
    } else {
      if (fields.TargetCircle) circles = PlanCircles(s, plan);
      if (fields.TargetArc) arcs = PlanArcs(s, plan);
      if (fields.TargetSolid) solids = PlanSolidCircles(s, plan);
      ReserveForPlanned(s, circles.segments + arcs.segments, solids.segments);
    }
    auto counts = [&](const PolygonCounts& c) { return plan.planned ? &c : nullptr; };
    ui.ShowNow("円データ参照中です");
    if (fields.TargetCircle) fits = ConvertCircles(s, plan, summary, counts(circles));
    if (fits) {
      ui.ShowNow("円弧・楕円データ参照中です");
      if (fields.TargetArc) fits = ConvertArcs(s, plan, summary, counts(arcs));
    }
    if (fits) {
      ui.ShowNow("円周ソリッドデータ参照中です");
      if (fields.TargetSolid) fits = ConvertSolidCircles(s, plan, summary, counts(solids));
    }
    if (fits) {
      JwwAddOut(s, "hd");
      WatchedEscape escape(ui);
      JwwWriteAll(s, {}, &ui, &escape);
      ui.ShowNow("ファイル生成中です");
      return escape.pressed ? RunOutcome::kAborted : RunOutcome::kConverted;
    }
  } catch (const JwwSpillError&) {
    // The output went to the exchange file's temporary file as it grew, and
    // that file could not be written (a full disk, in practice).
    JwwClearOut(s);
    ui.ReportFailure(kWriteFailedMessage);
    return RunOutcome::kWriteFailed;
  } catch (const std::exception&) {
    // Memory running out while a table or the output grows, in most cases.
  }
  // Whatever was queued is incomplete: drop it so the close writes "hq" and
  // the host keeps its figures, and say so once.
  JwwClearOut(s);
  ui.ReportFailure(kFailedMessage);
  return RunOutcome::kFailed;
}

std::string CountsText(const Store& s) {
  std::string text = "円：";
  AppendCount(text, JwwCircleCount(s));
  text += " 円弧楕円弧：";
  AppendCount(text, JwwArcCount(s));
  text += " 円周S：";
  AppendCount(text, JwwSolidCircleCount(s));
  return text;
}

}  // namespace q527
