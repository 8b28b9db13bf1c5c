// The way back in the preview is what OK makes: the same summary as
// RunConversion's restore, the restored curves those OK appends, a restore
// of the same options taken from the last one, and the status line that
// tells it.
#include "dialog/plus/preview_restore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "bench/workload.h"
#include "conversion/run.h"
#include "dialog/plus/choices.h"
#include "dialog/plus/preview_plan.h"
#include "picture/curves.h"
#include "support/conversion_store.h"
#include "support/test_files.h"

namespace q527 {

namespace {

struct QuietUi final : RunUi {
  void ShowNow(std::string_view) override {}
  bool IsDown() override { return false; }
  void ReportFailure(std::string_view) override {}
};

// The generated drawing as q527 -n 24 writes it: a drawing of polygons,
// past the "hd" line.
std::string PolygonDrawing() {
  ReadJob job(GenerateConversion(7, 60, 90, 30));
  QuietUi ui;
  ConversionRequest convert;
  EXPECT_EQ(RunConversion(job.s, job.w, convert, true, ui).outcome, RunOutcome::kConverted);
  return job.w.lines.bytes.substr(4);
}

bool SameCurve(const PictureCurve& a, const PictureCurve& b) {
  return a.cx == b.cx && a.cy == b.cy && a.radius == b.radius && a.flat == b.flat &&
         a.tiltDeg == b.tiltDeg && a.startDeg == b.startDeg && a.sweepDeg == b.sweepDeg &&
         a.closed == b.closed;
}

// The curves of the figures the run appended after the `before` entries.
std::vector<PictureCurve> AppendedCurves(const Store& s, std::size_t before) {
  std::vector<PictureCurve> curves;
  for (std::size_t k = before; k < s.order.size(); ++k) {
    const TJwwOrder& e = s.order[k];
    const auto i = static_cast<std::size_t>(e.index);
    if (e.kind == kJwwCircle) curves.push_back(CurveOf(s.circles[i]));
    if (e.kind == kJwwArc) curves.push_back(CurveOf(s.arcs[i]));
    if (e.kind == kJwwSe) curves.push_back(CurveOf(s.ses[i]));
  }
  return curves;
}

TEST(PreviewRestoreTest, SummaryAndCurvesAreThoseOfTheRun) {
  const std::string drawings[] = {
      PolygonDrawing(),
      ReadFileBytes(std::filesystem::path(Q527_SOURCE_DIR) / "samples/SEGMENTS.TXT")};
  const struct {
    const char* cli;  // the same choices given to q527-cli
    const char* deviation;
    std::int32_t fewest;
    bool circles, arcs, solids;
  } cases[] = {
      {"--restore", "0.01", 8, true, true, true},
      {"--restore --max-deviation 0.2 --min-segments 30", "0.2", 30, true, true, true},
      {"--restore --max-deviation 1e-6 -k arc", "1e-6", 8, false, true, false},
      {"--restore --min-segments 3 -k circle,solid", "", 3, true, false, true},
  };
  for (const std::string& drawing : drawings) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.cli);
      PlusChoices choices;
      choices.run = RunMode::kRestore;
      choices.restoreDeviation = c.deviation;
      choices.restoreMinSegments = c.fewest;
      choices.circles = c.circles;
      choices.arcs = c.arcs;
      choices.solids = c.solids;
      const ConversionRequest request = RequestOf(choices);
      ReadJob job(drawing);
      const std::atomic<bool> go{false};
      const PreviewPlan plan = PlanPreview(job.s, request, go);
      ASSERT_TRUE(plan.complete);
      ASSERT_NE(plan.restored, nullptr);
      const std::size_t before = job.s.order.size();
      QuietUi ui;
      const RunResult run = RunConversion(job.s, job.w, request, true, ui);
      ASSERT_EQ(run.outcome, RunOutcome::kConverted);
      const RestoreSummary& want = run.restored;
      const RestoreSummary& got = plan.restored->summary;
      EXPECT_EQ(got.circles, want.circles);
      EXPECT_EQ(got.arcs, want.arcs);
      EXPECT_EQ(got.ellipses, want.ellipses);
      EXPECT_EQ(got.ellipticArcs, want.ellipticArcs);
      EXPECT_EQ(got.solids, want.solids);
      EXPECT_EQ(got.segments, want.segments);
      EXPECT_EQ(got.closedKept, want.closedKept);
      EXPECT_EQ(got.largestDeviation, want.largestDeviation);
      const std::vector<PictureCurve> appended = AppendedCurves(job.s, before);
      ASSERT_EQ(plan.restored->curves.size(), appended.size());
      for (std::size_t k = 0; k < appended.size(); ++k) {
        EXPECT_TRUE(SameCurve(plan.restored->curves[k], appended[k])) << "curve " << k;
      }
    }
  }
}

TEST(PreviewRestoreTest, TheSameOptionsTakeTheLastRestoreAndStopLeavesItUnmade) {
  ReadJob job(ReadFileBytes(std::filesystem::path(Q527_SOURCE_DIR) / "samples/SEGMENTS.TXT"));
  PlusChoices choices;
  choices.run = RunMode::kRestore;
  const std::atomic<bool> go{false}, stop{true};
  EXPECT_FALSE(PlanPreview(job.s, RequestOf(choices), stop).complete);
  const PreviewPlan first = PlanPreview(job.s, RequestOf(choices), go);
  ASSERT_TRUE(first.complete);
  EXPECT_GT(first.restored->summary.Figures(), 0);
  // The conversion's own fields do not change the way back.
  choices.divisionCount = 5;
  choices.fit = PolygonFit::kMid;
  EXPECT_EQ(PlanPreview(job.s, RequestOf(choices), go, &first).restored, first.restored);
  choices.restoreMinSegments = 9;
  EXPECT_NE(PlanPreview(job.s, RequestOf(choices), go, &first).restored, first.restored);
  choices.restoreMinSegments = 8;
  choices.solids = false;
  EXPECT_NE(PlanPreview(job.s, RequestOf(choices), go, &first).restored, first.restored);
}

TEST(PreviewRestoreTest, StatusLineCountsTheSegmentsAndTellsWhatOkRestores) {
  // Two lines and a linear solid.
  ReadJob job("ci 0 0 10\r\n0 0 1 0\r\n1 0 1 1\r\nsl 0 0 2 2\r\n");
  ASSERT_EQ(SegmentCount(job.s), 3);
  const std::string counts = "円：1 円弧楕円弧：0 円周S：0 線分：3";
  PreviewPlan plan;
  plan.complete = true;
  auto restored = std::make_shared<RestorePreview>();
  restored->summary.circles = 2;
  restored->summary.arcs = 1;
  restored->summary.ellipticArcs = 3;
  restored->summary.segments = 120;
  restored->summary.largestDeviation = 0.0025L;
  plan.restored = restored;
  EXPECT_EQ(PreviewStatusText(job.s, true, &plan, RunMode::kRestore),
            counts + "　→ 復元 円 2 円弧 1 楕円 0 楕円弧 3 円周S 0（線分 120 本）最大誤差 0.0025");
  restored->summary.closedKept = 4;
  EXPECT_EQ(PreviewStatusText(job.s, true, &plan, RunMode::kRestore),
            counts +
                "　→ 復元 円 2 円弧 1 楕円 0 楕円弧 3 円周S 0（線分 120 本）最大誤差 0.0025"
                "（線分が足りず残す閉図形 4）");
  restored->summary = {};
  EXPECT_EQ(PreviewStatusText(job.s, true, &plan, RunMode::kRestore),
            counts + "　→ 復元できる曲線はありません");
  EXPECT_EQ(PreviewStatusText(job.s, true, nullptr, RunMode::kRestore), counts + "　→ 計算中…");
}

}  // namespace

}  // namespace q527
