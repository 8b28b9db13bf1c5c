#include "dialog/plus/preview_plan.h"

#include "common/fpu_precision.h"
#include "common/number_texts.h"
#include "conversion/counts_text.h"
#include "conversion/figures.h"

namespace q527 {

namespace {

// The plan is looked at for a stop this often (figures).
constexpr std::size_t kStopCheck = 256;

// One kind's figures planned in table order, the deviation reached carried
// from figure to figure as the run carries it. False when stopped.
template <typename Record>
bool PlanKind(const std::vector<Record>& records, const PolygonPolicy& policy, bool keepCounts,
              PolygonCounts& c, const std::atomic<bool>& stop) {
  if (keepCounts) c.counts.resize(records.size());
  if (keepCounts && policy.fit == PolygonFit::kMid) c.scales.resize(records.size());
  PolygonSummary& sum = c.summary;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i % kStopCheck == 0 && stop.load(std::memory_order_relaxed)) return false;
    const PolygonPlan plan = PlanPolygon(policy, FigureOf(records[i]).shape, sum.largestDeviation);
    if (keepCounts) c.counts[i] = plan.segments;
    if (!c.scales.empty()) c.scales[i] = plan.scale;
    c.segments += plan.segments;
    sum.Add({1, plan.segments, plan.segments, plan.deviation, plan.capped ? 1 : 0});
  }
  return true;
}

// The policy the plan measures with. The dialog's rule is measured as the
// division count planned with vertices on the curve: the same polygons but
// for the last bits of a closing vertex.
PolygonPolicy MeasuredPolicy(const PolygonPolicy& policy) {
  if (policy.planned) return policy;
  PolygonPolicy measured;
  measured.planned = true;
  measured.segments = ClampSegments(policy.segments);
  return measured;
}

void AppendCount(std::string& text, long long value) { AppendIntegerText(text, value); }

// The way back runs whole: it is looked at for a stop only before it. The
// same options as the last restore's give its figures again.
PreviewPlan PlanRestore(const Store& s, const ConversionRequest& request,
                        const std::atomic<bool>& stop, const PreviewPlan* previous) {
  PreviewPlan plan;
  plan.request = request;
  if (previous && previous->complete && previous->restored &&
      SameRestore(previous->restored->options, RestoreOptionsOf(request))) {
    plan.restored = previous->restored;
    plan.complete = true;
    return plan;
  }
  if (stop.load(std::memory_order_relaxed)) return plan;
  // A restore once made stands even when newer choices came meanwhile:
  // they may restore alike and take it.
  plan.restored = std::make_shared<const RestorePreview>(PlanRestorePreview(s, request));
  plan.complete = true;
  return plan;
}

}  // namespace

PreviewPlan PlanPreview(const Store& s, const ConversionRequest& request,
                        const std::atomic<bool>& stop, const PreviewPlan* previous) {
  if (request.mode == RunMode::kRestore) return PlanRestore(s, request, stop, previous);
  // The run's precision: the counts and scales it will find.
  const ExtendedPrecisionScope precision;
  PreviewPlan plan;
  plan.request = request;
  const PolygonPolicy policy = MeasuredPolicy(request.policy);
  const bool keep = request.policy.planned;
  if ((request.circles && !PlanKind(s.circles, policy, keep, plan.circles, stop)) ||
      (request.arcs && !PlanKind(s.arcs, policy, keep, plan.arcs, stop)) ||
      (request.solids && !PlanKind(s.ses, policy, keep, plan.solids, stop))) {
    return plan;
  }
  for (const PolygonCounts* c : {&plan.circles, &plan.arcs, &plan.solids}) {
    plan.summary.Add(c->summary);
  }
  plan.complete = true;
  return plan;
}

void WalkPreviewPolygon(PolygonWalker& walker, const PolygonFigure& figure, const PreviewPlan& plan,
                        const PolygonCounts& kind, std::size_t index, std::vector<Vertex>& out) {
  const PolygonPolicy& policy = plan.request.policy;
  if (!policy.planned) return walker.WalkEvenly(figure, policy.segments, out);
  const double scale = kind.scales.empty() ? 0 : kind.scales[index];
  walker.WalkPlanned(figure, policy.fit, kind.counts[index], scale, out);
}

std::string PreviewStatusText(const Store& s, bool readComplete, const PreviewPlan* plan,
                              RunMode mode) {
  std::string text = CountsText(s);
  if (mode == RunMode::kRestore) {
    text += " 線分：";
    AppendCount(text, SegmentCount(s));
  }
  if (!readComplete) return text + "　→ 読み込めなかったため変換しません";
  if (plan == nullptr) return text + "　→ 計算中…";
  if (!plan->complete) return text + "　→ メモリが足りず計算できませんでした";
  if (plan->restored) return text + RestoreStatusText(plan->restored->summary);
  const PolygonSummary& sum = plan->summary;
  if (sum.polygons == 0) return text + "　→ 変換する図形はありません";
  text += "　→ 多角形 ";
  AppendCount(text, sum.polygons);
  text += "（";
  AppendCount(text, sum.fewest);
  if (sum.most != sum.fewest) {
    text += "～";
    AppendCount(text, sum.most);
  }
  text += " 分割）最大誤差 " + ShortRealText(sum.largestDeviation);
  if (sum.capped > 0) {
    text += "（";
    AppendCount(text, sum.capped);
    text += " 個が最多分割数）";
  }
  return text;
}

}  // namespace q527
