#include "dialog/plus/preview_restore.h"

#include "common/fpu_precision.h"
#include "common/number_texts.h"
#include "picture/curves.h"

namespace q527 {

namespace {

// The restored figure of an order entry the run appended, as a curve.
bool AppendCurve(std::vector<PictureCurve>& curves, const Store& s, const TJwwOrder& e) {
  const auto i = static_cast<std::size_t>(e.index);
  if (e.kind == kJwwCircle && i < s.circles.size()) {
    curves.push_back(CurveOf(s.circles[i]));
  } else if (e.kind == kJwwArc && i < s.arcs.size()) {
    curves.push_back(CurveOf(s.arcs[i]));
  } else if (e.kind == kJwwSe && i < s.ses.size()) {
    curves.push_back(CurveOf(s.ses[i]));
  } else {
    return false;
  }
  return true;
}

void AppendCount(std::string& text, std::string_view name, long long value) {
  text += name;
  AppendIntegerText(text, value);
}

}  // namespace

RestoreOptions RestoreOptionsOf(const ConversionRequest& request) {
  RestoreOptions options = request.restore;
  options.circles = request.circles;
  options.arcs = request.arcs;
  options.solids = request.solids;
  return options;
}

bool SameRestore(const RestoreOptions& a, const RestoreOptions& b) {
  return a.maxDeviation == b.maxDeviation && a.minSegments == b.minSegments &&
         a.circles == b.circles && a.arcs == b.arcs && a.solids == b.solids;
}

RestorePreview PlanRestorePreview(const Store& s, const ConversionRequest& request) {
  // The run's precision: the fits and the figures it will make.
  const ExtendedPrecisionScope precision;
  RestorePreview preview;
  preview.options = RestoreOptionsOf(request);
  // The run changes the store it restores: the preview's copy takes that,
  // and is let go once the restored figures are taken from it.
  Store copy = s;
  const std::size_t before = copy.order.size();
  if (RestoreCurves(copy, preview.options, &preview.summary) != ConvertStatus::kDone) {
    preview.summary = RestoreSummary{};
    return preview;
  }
  preview.curves.reserve(copy.order.size() - before);
  for (std::size_t k = before; k < copy.order.size(); ++k) {
    AppendCurve(preview.curves, copy, copy.order[k]);
  }
  return preview;
}

long long SegmentCount(const Store& s) {
  return static_cast<long long>(s.lines.size() + s.solid2s.size());
}

PictureBox SegmentsBoxOf(const Store& s) {
  PictureBox box;
  for (const TJwwEntLine& l : s.lines) {
    box.Add(l.x1, l.y1);
    box.Add(l.x2, l.y2);
  }
  for (const TJwwEntSolid2& l : s.solid2s) {
    box.Add(l.x1, l.y1);
    box.Add(l.x2, l.y2);
  }
  return box;
}

std::string RestoreStatusText(const RestoreSummary& r) {
  std::string text = "　→ 復元できる曲線はありません";
  if (r.Figures() > 0) {
    text = "　→ 復元";
    AppendCount(text, " 円 ", r.circles);
    AppendCount(text, " 円弧 ", r.arcs);
    AppendCount(text, " 楕円 ", r.ellipses);
    AppendCount(text, " 楕円弧 ", r.ellipticArcs);
    AppendCount(text, " 円周S ", r.solids);
    AppendCount(text, "（線分 ", r.segments);
    text += " 本）最大誤差 " + ShortRealText(static_cast<double>(r.largestDeviation));
  }
  if (r.closedKept > 0) {
    AppendCount(text, "（線分が足りず残す閉図形 ", r.closedKept);
    text += "）";
  }
  return text;
}

}  // namespace q527
