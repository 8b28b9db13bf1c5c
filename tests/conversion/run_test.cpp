// The OK run around the conversions: the division count and the settings,
// which kinds are converted, the status texts, and every way the run fails.
#include "conversion/run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "conversion/counts_text.h"
#include "conversion/polygon_maker.h"
#include "exchange/store.h"
#include "exchange/writer.h"
#include "support/conversion_store.h"
#include "support/test_files.h"

namespace q527 {

namespace {

namespace fs = std::filesystem;

// Records what the run shows and reports; can press Escape, or run out of
// memory when a status text with the given beginning is shown.
struct RecordingUi : RunUi {
  void ShowNow(std::string_view utf8) override {
    shown.emplace_back(utf8);
    if (!throwAt.empty() && utf8.starts_with(throwAt)) throw std::bad_alloc();
  }
  bool IsDown() override { return escape; }
  void ReportFailure(std::string_view utf8) override { failures.emplace_back(utf8); }
  std::vector<std::string> shown, failures;
  std::string throwAt;
  bool escape = false;
};

// The dialog's rule for the kinds checked, with the division count typed.
ConversionRequest Checks(bool circle, bool arc, bool solid, std::string_view edit1 = "24") {
  ConversionRequest r;
  r.circles = circle;
  r.arcs = arc;
  r.solids = solid;
  r.policy.segments = DivisionCountOf(edit1);
  return r;
}

RunOutcome RunJob(ReadJob& j, const ConversionRequest& r, RunUi& ui, bool readComplete = true) {
  return RunConversion(j.s, j.w, r, readComplete, ui).outcome;
}

// Refused by the conversion with the store untouched, the run is a failure
// that is reported once and queues nothing.
TEST(RunConversion, CountPastTheIntegerLimitFailsWithOneReportAndNothingQueued) {
  // 2149643 circles of 999 segments would need 2147493357 line entries.
  ReadJob j("");
  j.s.circles.resize(2149643, TJwwEntCircle{kFigureAttr, 0, 0, 1});
  JwwAddOrder(j.s, kJwwCircle, 0);

  RecordingUi ui;
  EXPECT_EQ(RunJob(j, Checks(true, true, true, "999"), ui), RunOutcome::kFailed);
  EXPECT_EQ(ui.failures.size(), 1u);
  EXPECT_TRUE(j.w.lines.bytes.empty());
}

TEST(RunConversion, DivisionTextIsClamped) {
  const std::pair<std::string, int> cases[] = {{"2", 3},   {"abc", 3},  {"-5", 3}, {"999", 999},
                                               {"24", 24}, {"$1F", 31}, {"", 3},   {"1000", 999}};
  for (const auto& [text, n] : cases) {
    SCOPED_TRACE(text);
    ReadJob j("ci 0 0 10\r\n");
    RecordingUi ui;
    ASSERT_EQ(RunJob(j, Checks(true, false, true, text), ui), RunOutcome::kConverted);
    StorePolygonSegments(j.s);
    EXPECT_EQ(j.s.lines.size(), static_cast<std::size_t>(n));
  }
}

TEST(RunConversion, OnlyCirclesConvertedKeepsArcsAndSolidsInPlace) {
  ReadJob j(
      "ci 10 20 5\r\n"
      "ci 0 0 10 0 90 1 0\r\n"
      "se 0 0 3 1 0 0 3.14 100\r\n"
      "1 2 3 4\r\n");
  RecordingUi ui;
  ASSERT_EQ(RunJob(j, Checks(true, false, false, "4"), ui), RunOutcome::kConverted);
  EXPECT_EQ(j.w.lines.bytes,
            "hd\r\nlg0\r\nly0\r\nlc1\r\nlt1\r\n"
            "ci 0 0 10 0 90 1 0\r\n"
            "se 0 0 3 1 0 0 3.14 100\r\n"
            "1 2 3 4\r\n"
            "15 20 10 25\r\n10 25 5 20\r\n5 20 10 15\r\n10 15 15 20\r\n");
  // Every status shows, checked or not, with the pass's progress between.
  const std::vector<std::string> want = {"処理中です",
                                         "円データ参照中です",
                                         "円弧・楕円データ参照中です",
                                         "円周ソリッドデータ参照中です",
                                         "処理中(ESC:中断)：1／8",
                                         "ファイル生成中です"};
  EXPECT_EQ(ui.shown, want);
}

TEST(RunConversion, CircleInArcFormIsConvertedOnlyAsAnArc) {
  RecordingUi ui;
  ReadJob circlesOnly("ci 5 5 2 30 30 1 0\r\n");
  ASSERT_EQ(RunJob(circlesOnly, Checks(true, false, true, "4"), ui), RunOutcome::kConverted);
  EXPECT_NE(circlesOnly.w.lines.bytes.find("ci 5 5 2 30 30 1 0\r\n"), std::string::npos);

  ReadJob arcs("ci 5 5 2 30 30 1 0\r\n");
  ASSERT_EQ(RunJob(arcs, Checks(false, true, false, "4"), ui), RunOutcome::kConverted);
  StorePolygonSegments(arcs.s);
  ASSERT_EQ(arcs.s.lines.size(), 4u);
  EXPECT_NEAR(arcs.s.lines[0].x1, 5 + std::sqrt(3.0), 1e-12);
  EXPECT_NEAR(arcs.s.lines[0].y1, 6, 1e-12);
}

TEST(RunConversion, PartialReadConvertsAndQueuesNothing) {
  ReadJob j("ci 0 0 10\r\n");
  RecordingUi ui;
  EXPECT_EQ(RunJob(j, Checks(true, true, true, "36"), ui, false), RunOutcome::kRefused);
  EXPECT_EQ(ui.failures.size(), 1u);
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(j.s.circles.size(), 1u);
  EXPECT_EQ(j.w.lines.count, 0u);
}

TEST(RunConversion, FailureAnywhereLeavesAnEmptyOutputAndOneReport) {
  for (const char* at : {"円弧・楕円データ参照中です", "処理中(ESC", "ファイル生成中です"}) {
    SCOPED_TRACE(at);
    ReadJob j("ci 0 0 10\r\nci 0 0 1 0 90 1 0\r\n");
    RecordingUi ui;
    ui.throwAt = at;
    EXPECT_EQ(RunJob(j, Checks(true, true, true), ui), RunOutcome::kFailed);
    EXPECT_EQ(ui.failures.size(), 1u);
    EXPECT_EQ(j.w.lines.count, 0u);
  }
}

// The output goes to the exchange file's temporary file as it grows; when
// that cannot be written (here: its folder is missing) the run says so once
// and queues nothing.
TEST(RunConversion, OutputThatCannotBeWrittenAsItGrowsIsAWriteFailure) {
  ReadJob j("ci 0 0 10\r\nci 3 3 1\r\n");
  JwwSpillOutTo(j.w.lines, fs::temp_directory_path() / "q527-no-such-folder" / "JWC_TEMP.TXT");
  j.w.lines.spillAt = 1;
  RecordingUi ui;
  EXPECT_EQ(RunJob(j, Checks(true, true, true), ui), RunOutcome::kWriteFailed);
  ASSERT_EQ(ui.failures.size(), 1u);
  EXPECT_NE(ui.failures[0].find("JWC_TEMP.TXT"), std::string::npos);
  EXPECT_EQ(j.w.lines.count, 0u);
  EXPECT_EQ(j.w.lines.spilled, 0u);
}

TEST(RunConversion, EscapeDuringThePassIsAnAbortWithoutHd) {
  ReadJob j("ci 0 0 10\r\n");
  RecordingUi ui;
  ui.escape = true;
  EXPECT_EQ(RunJob(j, Checks(true, true, true), ui), RunOutcome::kAborted);
  EXPECT_EQ(j.w.lines.bytes.find("hd"), std::string::npos);
  EXPECT_EQ(ui.shown.back(), "ファイル生成中です");
  EXPECT_TRUE(ui.failures.empty());
}

TEST(CountsText, NamesTheThreeCounts) {
  Store s = ReadStore("ci 0 0 1\r\nci 0 0 2\r\nci 0 0 3\r\n");
  s.ses.resize(12);
  EXPECT_EQ(CountsText(s), "円：3 円弧楕円弧：0 円周S：12");
}

}  // namespace

}  // namespace q527
