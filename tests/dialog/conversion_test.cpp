#include "dialog/conversion.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "exchange/reader.h"
#include "exchange/writer.h"

namespace {

namespace fs = std::filesystem;
constexpr double kPi = 3.14159265358979323846;
const TJwwAttr kAttr{4, 2, 3, 5, 6, 7, 16};

bool SameAttr(const TJwwAttr& a, const TJwwAttr& b) {
  return a.hhp == b.hhp && a.lg == b.lg && a.ly == b.ly && a.color == b.color &&
         a.ltype == b.ltype && a.lwidth == b.lwidth && a.zflags == b.zflags;
}

Store Read(std::string_view file) {
  Store s;
  JwwInit(s);
  JwwReadBuffer(s, file);
  JwwWriteStart(s);
  return s;
}

void AddCircle(Store& s, double cx, double r) {
  JwwAddOrder(s, kJwwCircle, static_cast<std::int32_t>(s.circles.size()));
  s.circles.push_back({kAttr, cx, 0, r});
}

void AddLine(Store& s) {
  JwwAddOrder(s, kJwwLine, static_cast<std::int32_t>(s.lines.size()));
  s.lines.push_back({kAttr, 0, 0, 0, 1, 1});
}

// Checks that the n segments from `from` join up and that vertex k lies at
// want[k] (as many as given).
template <typename Seg>
void ExpectPolygon(const std::vector<Seg>& segs, std::size_t from, std::size_t n,
                   const std::vector<std::pair<double, double>>& want) {
  ASSERT_GE(segs.size(), from + n);
  for (std::size_t k = 0; k < n; ++k) {
    const Seg& seg = segs[from + k];
    if (k > 0) {
      EXPECT_EQ(seg.x1, segs[from + k - 1].x2);
      EXPECT_EQ(seg.y1, segs[from + k - 1].y2);
    }
    if (k < want.size()) {
      EXPECT_NEAR(seg.x1, want[k].first, 1e-12) << "vertex " << k;
      EXPECT_NEAR(seg.y1, want[k].second, 1e-12) << "vertex " << k;
    }
    if (k + 1 < want.size()) {
      EXPECT_NEAR(seg.x2, want[k + 1].first, 1e-12) << "vertex " << k + 1;
      EXPECT_NEAR(seg.y2, want[k + 1].second, 1e-12) << "vertex " << k + 1;
    }
    EXPECT_TRUE(SameAttr(seg.attr, kAttr));
  }
}

// Records what the run shows and reports; can press Escape, or run out of
// memory when a status text with the given beginning is shown.
struct RecordingUi : DialogUi {
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

DialogState Checks(bool circle, bool arc, bool solid, std::string edit1 = "24") {
  DialogState st;
  st.edit1 = std::move(edit1);
  st.checkCircle = circle;
  st.checkArc = arc;
  st.checkSolid = solid;
  return st;
}

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ArcSweepDegrees, NormalisesAndAlwaysEnds) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double start, end, sweep;
  };
  const Case cases[] = {
      {0, 90, 90},     {300, 30, 90},       {0, -90, 270},        {45, 45, 360},
      {45, 405, 360},  {0, 720.5, 0.5},     {10, 10 + 1e-9, 360}, {10, 10 - 1e-9, 360},
      {0, 1e-6, 1e-6}, {0, -700.25, 19.75}, {0, inf, 360},        {-inf, 0, 360},
      {nan, 0, 360},   {0, nan, 360},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " .. " << c.end);
    EXPECT_NEAR(ArcSweepDegrees(c.start, c.end), c.sweep, 1e-9);
  }
  for (double end : {1e300, -1e300, 1.7e308, -1e20}) {
    SCOPED_TRACE(end);
    const double sweep = ArcSweepDegrees(0, end);
    EXPECT_TRUE(sweep > 0 && sweep <= 360);
  }
}

TEST(ConvertCircles, UnitCircleInFourSegments) {
  Store s = Read("");
  AddCircle(s, 0, 1);
  ASSERT_TRUE(ConvertCircles(s, 4));
  ASSERT_EQ(s.lines.size(), 4u);
  ExpectPolygon(s.lines, 0, 4, {{1, 0}, {0, 1}, {-1, 0}, {0, -1}, {1, 0}});
  EXPECT_EQ(s.lines[0].x1, 1.0);  // starts exactly at (cx + r, cy)
  EXPECT_EQ(s.lines[2].plgroup, 0);
  ASSERT_EQ(s.order.size(), 5u);
  EXPECT_EQ(s.order[0].kind, kJwwRemoved);
  EXPECT_EQ(s.order[4].kind, kJwwLine);
  EXPECT_EQ(s.order[4].index, 3);
  EXPECT_EQ(s.circles.capacity(), 0u);
}

TEST(ConvertArcs, VerticesRunFromTheStartByTheNormalisedSweep) {
  struct Case {
    double start, end, flat, tilt;
    int n;
    std::vector<double> degrees;  // parameter angles of the vertices
  };
  const Case cases[] = {
      {0, 90, 1, 0, 3, {0, 30, 60, 90}},
      {300, 30, 1, 0, 3, {300, 330, 360, 390}},
      {45, 45, 1, 0, 4, {45, 135, 225, 315, 405}},
      {45, 405, 1, 0, 4, {45, 135, 225, 315, 405}},
      {0, 10, 1, 0, 24, {0, 10.0 / 24}},
      {0, 0, 0.5, 90, 4, {0, 90, 180, 270, 360}},
      {0, 1e300, 1, 0, 8, {}},
      {0, std::numeric_limits<double>::quiet_NaN(), 1, 0, 8, {0, 45, 90}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " .. " << c.end << " N " << c.n);
    Store s = Read("");
    JwwAddOrder(s, kJwwArc, 0);
    s.arcs.push_back({kAttr, 1, 2, 2, c.start, c.end, c.flat, c.tilt});
    ASSERT_TRUE(ConvertArcs(s, c.n));
    ASSERT_EQ(s.lines.size(), static_cast<std::size_t>(c.n));
    std::vector<std::pair<double, double>> want;
    const double t = c.tilt * kPi / 180;
    for (double deg : c.degrees) {
      const double u = std::cos(deg * kPi / 180) * 2, w = std::sin(deg * kPi / 180) * 2 * c.flat;
      want.push_back(
          {1 + std::cos(t) * u - std::sin(t) * w, 2 + std::sin(t) * u + std::cos(t) * w});
    }
    ExpectPolygon(s.lines, 0, c.n, want);
    EXPECT_EQ(s.order[0].kind, kJwwRemoved);
    EXPECT_TRUE(s.arcs.empty());
  }
}

TEST(ConvertSolidCircles, SweepIsTakenAsStoredAndSolidColourCarries) {
  Store s = Read("");
  TJwwEntSe se{kAttr, 255, {0, 0, 1, 1, 0, 0, -kPi / 2}, 100};
  JwwAddOrder(s, kJwwSe, 0);
  s.ses.push_back(se);
  se.v = {5, 5, 2, 1, 0, kPi, 0};  // zero sweep: N empty segments
  se.scolor = 7;
  JwwAddOrder(s, kJwwSe, 1);
  s.ses.push_back(se);

  ASSERT_TRUE(ConvertSolidCircles(s, 3));
  ASSERT_EQ(s.solid2s.size(), 6u);
  ExpectPolygon(s.solid2s, 0, 3,
                {{1, 0}, {std::cos(kPi / 6), -0.5}, {0.5, -std::cos(kPi / 6)}, {0, -1}});
  ExpectPolygon(s.solid2s, 3, 3, {{3, 5}, {3, 5}, {3, 5}, {3, 5}});
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(s.solid2s[k].scolor, k < 3 ? 255 : 7);
    EXPECT_EQ(s.order[2 + k].kind, kJwwSolid2);
    EXPECT_EQ(s.order[2 + k].index, k);
  }
  EXPECT_EQ(s.order[1].kind, kJwwRemoved);
  EXPECT_TRUE(s.ses.empty());
}

TEST(ConversionFrame, NewSegmentsFollowTheExistingOnesInSourceOrder) {
  // Seven lines with two circles among them, N = 5.
  Store s = Read("");
  AddLine(s);
  AddCircle(s, 0, 1);
  for (int k = 0; k < 5; ++k) AddLine(s);
  AddCircle(s, 100, 2);
  AddLine(s);

  ASSERT_TRUE(ConvertCircles(s, 5));
  ASSERT_EQ(s.lines.size(), 17u);
  ASSERT_EQ(s.order.size(), 19u);
  EXPECT_EQ(s.lines[7].x1, 1.0);     // first circle: entries 7..11
  EXPECT_EQ(s.lines[12].x1, 102.0);  // second circle: entries 12..16
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(s.order[9 + k].kind, kJwwLine);
    EXPECT_EQ(s.order[9 + k].index, 7 + k);
  }
  // The circles' entries keep their places and indexes, marked removed.
  EXPECT_EQ(s.order[7].kind, kJwwRemoved);
  EXPECT_EQ(s.order[7].index, 1);
  EXPECT_EQ(s.order[8].kind, kJwwLine);
  EXPECT_EQ(s.order[8].index, 6);
}

TEST(ConversionFrame, CountPastTheIntegerLimitIsRefusedBeforeAnythingChanges) {
  // 2149643 circles of 999 segments would need 2147493357 line entries.
  Store s = Read("");
  s.circles.resize(2149643, TJwwEntCircle{kAttr, 0, 0, 1});
  JwwAddOrder(s, kJwwCircle, 0);
  EXPECT_FALSE(ConvertCircles(s, 999));
  EXPECT_EQ(s.circles.size(), 2149643u);
  EXPECT_TRUE(s.lines.empty());
  EXPECT_EQ(s.order[0].kind, kJwwCircle);

  RecordingUi ui;
  FormSettings fields;
  EXPECT_EQ(RunConversion(s, fields, Checks(true, true, true, "999"), {}, true, ui),
            RunOutcome::kFailed);
  EXPECT_EQ(ui.failures.size(), 1u);
  EXPECT_TRUE(s.out.bytes.empty());
}

TEST(RunConversion, DivisionTextIsClampedAndSaved) {
  const fs::path dat =
      fs::temp_directory_path() / ("q527-run-" + std::to_string(::getpid()) + ".dat");
  const std::pair<std::string, int> cases[] = {{"2", 3},   {"abc", 3},  {"-5", 3}, {"999", 999},
                                               {"24", 24}, {"$1F", 31}, {"", 3},   {"1000", 999}};
  for (const auto& [text, n] : cases) {
    SCOPED_TRACE(text);
    Store s = Read("ci 0 0 10\r\n");
    FormSettings fields;
    RecordingUi ui;
    DialogState st = Checks(true, false, true, text);
    st.left = 120;
    st.top = -5;
    ASSERT_EQ(RunConversion(s, fields, st, dat, true, ui), RunOutcome::kConverted);
    EXPECT_EQ(s.lines.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(Slurp(dat), "120\r\n-5\r\n" + std::to_string(n) + "\r\n1\r\n0\r\n1\r\n");
  }
  fs::remove(dat);
}

TEST(RunConversion, OnlyCirclesConvertedKeepsArcsAndSolidsInPlace) {
  Store s = Read(
      "ci 10 20 5\r\n"
      "ci 0 0 10 0 90 1 0\r\n"
      "se 0 0 3 1 0 0 3.14 100\r\n"
      "1 2 3 4\r\n");
  RecordingUi ui;
  FormSettings fields;
  ASSERT_EQ(RunConversion(s, fields, Checks(true, false, false, "4"), {}, true, ui),
            RunOutcome::kConverted);
  EXPECT_EQ(s.out.bytes,
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
  FormSettings fields;
  RecordingUi ui;
  Store circlesOnly = Read("ci 5 5 2 30 30 1 0\r\n");
  RunConversion(circlesOnly, fields, Checks(true, false, true, "4"), {}, true, ui);
  EXPECT_NE(circlesOnly.out.bytes.find("ci 5 5 2 30 30 1 0\r\n"), std::string::npos);

  Store arcs = Read("ci 5 5 2 30 30 1 0\r\n");
  RunConversion(arcs, fields, Checks(false, true, false, "4"), {}, true, ui);
  ASSERT_EQ(arcs.lines.size(), 4u);
  EXPECT_NEAR(arcs.lines[0].x1, 5 + std::sqrt(3.0), 1e-12);
  EXPECT_NEAR(arcs.lines[0].y1, 6, 1e-12);
}

TEST(RunConversion, PartialReadConvertsAndQueuesNothing) {
  const fs::path dat =
      fs::temp_directory_path() / ("q527-partial-" + std::to_string(::getpid()) + ".dat");
  Store s = Read("ci 0 0 10\r\n");
  FormSettings fields;
  RecordingUi ui;
  EXPECT_EQ(RunConversion(s, fields, Checks(true, true, true, "36"), dat, false, ui),
            RunOutcome::kRefused);
  EXPECT_EQ(ui.failures.size(), 1u);
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(s.circles.size(), 1u);
  EXPECT_EQ(s.out.count, 0u);
  EXPECT_EQ(Slurp(dat), "0\r\n0\r\n36\r\n1\r\n1\r\n1\r\n");  // saved as OK does
  fs::remove(dat);
}

TEST(RunConversion, FailureAnywhereLeavesAnEmptyOutputAndOneReport) {
  for (const char* at : {"円弧・楕円データ参照中です", "処理中(ESC", "ファイル生成中です"}) {
    SCOPED_TRACE(at);
    Store s = Read("ci 0 0 10\r\nci 0 0 1 0 90 1 0\r\n");
    FormSettings fields;
    RecordingUi ui;
    ui.throwAt = at;
    EXPECT_EQ(RunConversion(s, fields, Checks(true, true, true), {}, true, ui),
              RunOutcome::kFailed);
    EXPECT_EQ(ui.failures.size(), 1u);
    EXPECT_EQ(s.out.count, 0u);
  }
}

// The output goes to the exchange file's temporary file as it grows; when
// that cannot be written (here: its folder is missing) the run says so once
// and queues nothing.
TEST(RunConversion, OutputThatCannotBeWrittenAsItGrowsIsAWriteFailure) {
  Store s = Read("ci 0 0 10\r\nci 3 3 1\r\n");
  JwwSpillOutTo(s, fs::temp_directory_path() / "q527-no-such-folder" / "JWC_TEMP.TXT");
  s.out.spillAt = 1;
  FormSettings fields;
  RecordingUi ui;
  EXPECT_EQ(RunConversion(s, fields, Checks(true, true, true), {}, true, ui),
            RunOutcome::kWriteFailed);
  ASSERT_EQ(ui.failures.size(), 1u);
  EXPECT_NE(ui.failures[0].find("JWC_TEMP.TXT"), std::string::npos);
  EXPECT_EQ(s.out.count, 0u);
  EXPECT_EQ(s.out.spilled, 0u);
}

TEST(RunConversion, EscapeDuringThePassIsAnAbortWithoutHd) {
  Store s = Read("ci 0 0 10\r\n");
  FormSettings fields;
  RecordingUi ui;
  ui.escape = true;
  EXPECT_EQ(RunConversion(s, fields, Checks(true, true, true), {}, true, ui), RunOutcome::kAborted);
  EXPECT_EQ(s.out.bytes.find("hd"), std::string::npos);
  EXPECT_EQ(ui.shown.back(), "ファイル生成中です");
  EXPECT_TRUE(ui.failures.empty());
}

TEST(CountsText, NamesTheThreeCounts) {
  Store s = Read("ci 0 0 1\r\nci 0 0 2\r\nci 0 0 3\r\n");
  s.ses.resize(12);
  EXPECT_EQ(CountsText(s), "円：3 円弧楕円弧：0 円周S：12");
}

}  // namespace
