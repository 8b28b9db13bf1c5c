// The preview's plan is what OK makes: the same summary as the run, and
// every polygon vertex the picture walks is the vertex the run writes.
#include "dialog/plus/preview_plan.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "bench/workload.h"
#include "conversion/figures.h"
#include "conversion/polygon_maker.h"
#include "conversion/run.h"
#include "support/conversion_store.h"

namespace q527 {

namespace {

struct QuietUi : RunUi {
  void ShowNow(std::string_view) override {}
  bool IsDown() override { return false; }
  void ReportFailure(std::string_view) override {}
};

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The segments OK appends for one kind, from the first new record on, are
// the preview's walks of that kind's figures in table order.
template <typename Record, typename Segment>
void ExpectSameSegments(const std::vector<Record>& sources, const PreviewPlan& plan,
                        const PolygonCounts& kind, const std::vector<Segment>& written,
                        std::size_t& at) {
  PolygonWalker walker;
  std::vector<Vertex> v;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    WalkPreviewPolygon(walker, FigureOf(sources[i]), plan, kind, i, v);
    for (std::size_t k = 0; k + 1 < v.size(); ++k, ++at) {
      ASSERT_LT(at, written.size());
      const Segment& s = written[at];
      ASSERT_TRUE(SameBits(s.x1, v[k].x) && SameBits(s.y1, v[k].y) && SameBits(s.x2, v[k + 1].x) &&
                  SameBits(s.y2, v[k + 1].y))
          << "figure " << i << " segment " << k;
    }
  }
}

PolygonPolicy Planned(PolygonFit fit, double deviation, double angle = 0, double length = 0) {
  PolygonPolicy p;
  p.planned = true;
  p.fit = fit;
  p.maxDeviation = deviation;
  p.maxAngle = angle;
  p.maxLength = length;
  return p;
}

TEST(PreviewPlanTest, SummaryAndEveryVertexAreThoseOfTheRun) {
  const std::string drawing = GenerateConversion(11, 150, 250, 80);
  PolygonPolicy even, few, bounded = Planned(PolygonFit::kInscribed, 0, 20, 30);
  few.segments = 5;
  bounded.minSegments = 6;
  bounded.maxSegments = 40;
  PolygonPolicy counted = Planned(PolygonFit::kMid, 0);
  counted.segments = 9;
  const PolygonPolicy policies[] = {even,
                                    few,
                                    Planned(PolygonFit::kInscribed, 0.5),
                                    Planned(PolygonFit::kCircumscribed, 0.2),
                                    Planned(PolygonFit::kMid, 1),
                                    bounded,
                                    counted};
  for (const PolygonPolicy& policy : policies) {
    SCOPED_TRACE(testing::Message() << "planned " << policy.planned << " fit "
                                    << static_cast<int>(policy.fit) << " n " << policy.segments);
    ConversionRequest request;
    request.policy = policy;
    ReadJob job(drawing);
    const std::atomic<bool> stop{false};
    const PreviewPlan plan = PlanPreview(job.s, request, stop);
    ASSERT_TRUE(plan.complete);
    const Store before = job.s;
    QuietUi ui;
    const RunResult run = RunConversion(job.s, job.w, request, true, ui);
    ASSERT_EQ(run.outcome, RunOutcome::kConverted);
    StorePolygonSegments(job.s);
    const PolygonSummary& want = run.summary;
    if (policy.planned) {
      EXPECT_EQ(plan.summary.polygons, want.polygons);
      EXPECT_EQ(plan.summary.fewest, want.fewest);
      EXPECT_EQ(plan.summary.most, want.most);
      EXPECT_TRUE(SameBits(plan.summary.largestDeviation, want.largestDeviation));
      EXPECT_EQ(plan.summary.capped, want.capped);
    } else {
      EXPECT_EQ(plan.summary.polygons, 480);
      EXPECT_EQ(plan.summary.fewest, policy.segments);
      EXPECT_EQ(plan.summary.most, policy.segments);
      EXPECT_GT(plan.summary.largestDeviation, 0);
    }
    std::size_t lines = before.lines.size(), solids = before.solid2s.size();
    ExpectSameSegments(before.circles, plan, plan.circles, job.s.lines, lines);
    ExpectSameSegments(before.arcs, plan, plan.arcs, job.s.lines, lines);
    ExpectSameSegments(before.ses, plan, plan.solids, job.s.solid2s, solids);
    EXPECT_EQ(lines, job.s.lines.size());
    EXPECT_EQ(solids, job.s.solid2s.size());
  }
}

TEST(PreviewPlanTest, StopsWhenAskedAndLeavesOutKindsNotChosen) {
  ReadJob job(GenerateConversion(3, 600, 0, 0));
  ConversionRequest request;
  request.policy = Planned(PolygonFit::kInscribed, 0.1);
  const std::atomic<bool> stop{true};
  EXPECT_FALSE(PlanPreview(job.s, request, stop).complete);
  const std::atomic<bool> go{false};
  request.circles = false;
  const PreviewPlan none = PlanPreview(job.s, request, go);
  EXPECT_TRUE(none.complete);
  EXPECT_EQ(none.summary.polygons, 0);
  EXPECT_TRUE(none.circles.counts.empty());
}

TEST(PreviewStatusTextTest, SaysTheCountsAndWhatOkMakes) {
  ReadJob job("ci 0 0 10\r\nci 5 5 1\r\nse 0 0 1 1 0 0 6.28318530717959 100\r\n");
  PreviewPlan plan;
  plan.complete = true;
  plan.summary = {3, 8, 40, 0.0125, 0};
  EXPECT_EQ(PreviewStatusText(job.s, true, &plan),
            "円：2 円弧楕円弧：0 円周S：1　→ 多角形 3（8～40 分割）最大誤差 0.0125");
  plan.summary = {3, 24, 24, 0.5, 2};
  EXPECT_EQ(PreviewStatusText(job.s, true, &plan),
            "円：2 円弧楕円弧：0 円周S：1　→ 多角形 3（24 分割）最大誤差 0.5（2 個が最多分割数）");
  EXPECT_EQ(PreviewStatusText(job.s, true, nullptr), "円：2 円弧楕円弧：0 円周S：1　→ 計算中…");
  plan.complete = false;
  EXPECT_EQ(PreviewStatusText(job.s, true, &plan),
            "円：2 円弧楕円弧：0 円周S：1　→ メモリが足りず計算できませんでした");
  plan.complete = true;
  plan.summary = {};
  EXPECT_EQ(PreviewStatusText(job.s, true, &plan),
            "円：2 円弧楕円弧：0 円周S：1　→ 変換する図形はありません");
  EXPECT_EQ(PreviewStatusText(job.s, false, &plan),
            "円：2 円弧楕円弧：0 円周S：1　→ 読み込めなかったため変換しません");
}

}  // namespace

}  // namespace q527
