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

Store Fresh() {
  Store s;
  JwwInit(s);
  return s;
}

void AddCircle(Store& s, double cx, double cy, double r, TJwwAttr attr = kAttr) {
  JwwAddOrder(s, kJwwCircle, static_cast<std::int32_t>(s.circles.size()));
  s.circles.push_back({attr, cx, cy, r});
}

void AddLine(Store& s) {
  JwwAddOrder(s, kJwwLine, static_cast<std::int32_t>(s.lines.size()));
  s.lines.push_back({kAttr, 0, 0, 0, 1, 1});
}

// The vertices of consecutive segments, first vertex first.
template <typename Seg>
std::vector<std::pair<double, double>> Vertices(const std::vector<Seg>& segs, std::size_t from,
                                                std::size_t n) {
  std::vector<std::pair<double, double>> v{{segs[from].x1, segs[from].y1}};
  for (std::size_t k = from; k < from + n; ++k) {
    EXPECT_EQ(segs[k].x1, v.back().first) << "segment " << k << " does not join";
    EXPECT_EQ(segs[k].y1, v.back().second) << "segment " << k << " does not join";
    v.push_back({segs[k].x2, segs[k].y2});
  }
  return v;
}

void ExpectNearPoint(std::pair<double, double> got, double x, double y) {
  EXPECT_NEAR(got.first, x, 1e-12);
  EXPECT_NEAR(got.second, y, 1e-12);
}

// Records what the run shows and reports; can press Escape or run out of
// memory at a chosen status text.
struct RecordingUi : DialogUi {
  void ShowNow(std::string_view utf8) override {
    shown.emplace_back(utf8);
    if (!throwAt.empty() && utf8.substr(0, throwAt.size()) == throwAt) throw std::bad_alloc();
  }
  bool IsDown() override { return escape; }
  void ReportFailure(std::string_view utf8) override { failures.emplace_back(utf8); }
  std::vector<std::string> shown;
  std::vector<std::string> failures;
  std::string throwAt;
  bool escape = false;
};

std::vector<std::string> OutLines(const Store& s) {
  std::vector<std::string> lines;
  std::string_view rest = s.out.bytes;
  while (!rest.empty()) {
    const std::size_t end = rest.find("\r\n");
    lines.emplace_back(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
  }
  return lines;
}

std::ptrdiff_t IndexOf(const std::vector<std::string>& lines, std::string_view line) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == line) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

Store Read(std::string_view file) {
  Store s = Fresh();
  JwwReadBuffer(s, file);
  JwwWriteStart(s);
  return s;
}

DialogState Checks(bool circle, bool arc, bool solid, std::string edit1 = "24") {
  DialogState st;
  st.edit1 = std::move(edit1);
  st.checkCircle = circle;
  st.checkArc = arc;
  st.checkSolid = solid;
  return st;
}

TEST(ArcSweepDegrees, NormalisesTheSweepIntoDegrees) {
  struct Case {
    double start, end, sweep;
  };
  const Case cases[] = {
      {0, 90, 90},        {300, 30, 90},     {30, 300, 270},   {0, -90, 270},
      {45, 45, 360},      {45, 405, 360},    {0, 360, 360},    {0, 720.5, 0.5},
      {10, 10 + 1e-9, 360}, {10, 10 - 1e-9, 360}, {0, 1e-6, 1e-6}, {-700, 0, 340},
      {0, -700.25, 19.75},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " .. " << c.end);
    EXPECT_NEAR(ArcSweepDegrees(c.start, c.end), c.sweep, 1e-9);
  }
}

TEST(ArcSweepDegrees, HugeAndUndefinedAnglesStillEnd) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(ArcSweepDegrees(0, inf), 360.0);
  EXPECT_EQ(ArcSweepDegrees(-inf, 0), 360.0);
  EXPECT_EQ(ArcSweepDegrees(inf, inf), 360.0);
  EXPECT_EQ(ArcSweepDegrees(nan, 0), 360.0);
  EXPECT_EQ(ArcSweepDegrees(0, nan), 360.0);
  for (double end : {1e300, -1e300, 1.7e308, 3.6e15 + 90, -1e20}) {
    SCOPED_TRACE(end);
    const double sweep = ArcSweepDegrees(0, end);
    EXPECT_GT(sweep, 0.0);
    EXPECT_LE(sweep, 360.0);
  }
}

TEST(ConvertCircles, UnitCircleInFourSegmentsCarriesTheAttributes) {
  Store s = Fresh();
  AddCircle(s, 0, 0, 1);
  ASSERT_TRUE(ConvertCircles(s, 4));
  ASSERT_EQ(s.lines.size(), 4u);
  const auto v = Vertices(s.lines, 0, 4);
  ExpectNearPoint(v[0], 1, 0);
  ExpectNearPoint(v[1], 0, 1);
  ExpectNearPoint(v[2], -1, 0);
  ExpectNearPoint(v[3], 0, -1);
  ExpectNearPoint(v[4], 1, 0);
  EXPECT_EQ(v[0].first, 1.0);  // the polygon starts exactly at (cx + r, cy)
  for (const TJwwEntLine& line : s.lines) {
    EXPECT_TRUE(SameAttr(line.attr, kAttr));
    EXPECT_EQ(line.plgroup, 0);
  }
  ASSERT_EQ(s.order.size(), 5u);
  EXPECT_EQ(s.order[0].kind, kJwwRemoved);
  for (int j = 0; j < 4; ++j) {
    EXPECT_EQ(s.order[1 + j].kind, kJwwLine);
    EXPECT_EQ(s.order[1 + j].index, j);
  }
  EXPECT_TRUE(s.circles.empty());
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
      {0, 10, 1, 0, 24, {}},  // 24 segments of 10/24 degrees
      {0, 0, 0.5, 90, 4, {0, 90, 180, 270, 360}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " .. " << c.end << " N " << c.n);
    Store s = Fresh();
    JwwAddOrder(s, kJwwArc, 0);
    s.arcs.push_back({kAttr, 1, 2, 2, c.start, c.end, c.flat, c.tilt});
    ASSERT_TRUE(ConvertArcs(s, c.n));
    ASSERT_EQ(s.lines.size(), static_cast<std::size_t>(c.n));
    const auto v = Vertices(s.lines, 0, c.n);
    for (std::size_t k = 0; k < c.degrees.size(); ++k) {
      // Tilt 90 turns the radius axis upright: u along y, v = r/2 along -x.
      const double a = c.degrees[k] * kPi / 180;
      const double u = std::cos(a) * 2, w = std::sin(a) * 2 * c.flat;
      const double t = c.tilt * kPi / 180;
      ExpectNearPoint(v[k], 1 + std::cos(t) * u - std::sin(t) * w,
                      2 + std::sin(t) * u + std::cos(t) * w);
    }
    if (c.degrees.empty()) ExpectNearPoint(v.back(), 1 + 2 * std::cos(kPi / 18), 2 + 2 * std::sin(kPi / 18));
    EXPECT_TRUE(SameAttr(s.lines.back().attr, kAttr));
    EXPECT_EQ(s.order[0].kind, kJwwRemoved);
    EXPECT_TRUE(s.arcs.empty());
  }
}

TEST(ConvertArcs, HugeAngleArcStillGetsItsSegments) {
  Store s = Fresh();
  JwwAddOrder(s, kJwwArc, 0);
  s.arcs.push_back({kAttr, 0, 0, 1, 0, 1e300, 1, 0});
  JwwAddOrder(s, kJwwArc, 1);
  s.arcs.push_back({kAttr, 0, 0, 1, 0, std::numeric_limits<double>::quiet_NaN(), 1, 0});
  ASSERT_TRUE(ConvertArcs(s, 8));
  EXPECT_EQ(s.lines.size(), 16u);
  // The undefined sweep became the whole circle.
  ExpectNearPoint({s.lines[15].x2, s.lines[15].y2}, 1, 0);
  ExpectNearPoint({s.lines[8].x2, s.lines[8].y2}, std::sqrt(0.5), std::sqrt(0.5));
}

TEST(ConvertSolidCircles, SweepIsTakenAsStoredAndSolidColourCarries) {
  Store s = Fresh();
  JwwAddOrder(s, kJwwSe, 0);
  TJwwEntSe clockwise;
  clockwise.attr = kAttr;
  clockwise.scolor = 255;
  clockwise.v = {0, 0, 1, 1, 0, 0, -kPi / 2};
  clockwise.code = 100;
  s.ses.push_back(clockwise);
  JwwAddOrder(s, kJwwSe, 1);
  TJwwEntSe empty = clockwise;
  empty.v = {5, 5, 2, 1, 0, kPi, 0};
  empty.scolor = 7;
  s.ses.push_back(empty);

  ASSERT_TRUE(ConvertSolidCircles(s, 3));
  ASSERT_EQ(s.solid2s.size(), 6u);
  const auto v = Vertices(s.solid2s, 0, 3);
  ExpectNearPoint(v[0], 1, 0);
  ExpectNearPoint(v[1], std::cos(kPi / 6), -0.5);
  ExpectNearPoint(v[3], 0, -1);
  for (int k = 3; k < 6; ++k) {
    ExpectNearPoint({s.solid2s[k].x1, s.solid2s[k].y1}, 3, 5);
    ExpectNearPoint({s.solid2s[k].x2, s.solid2s[k].y2}, 3, 5);
  }
  for (int k = 0; k < 6; ++k) {
    EXPECT_TRUE(SameAttr(s.solid2s[k].attr, kAttr));
    EXPECT_EQ(s.solid2s[k].scolor, k < 3 ? 255 : 7);
    EXPECT_EQ(s.order[2 + k].kind, kJwwSolid2);
    EXPECT_EQ(s.order[2 + k].index, k);
  }
  EXPECT_EQ(s.order[0].kind, kJwwRemoved);
  EXPECT_EQ(s.order[1].kind, kJwwRemoved);
  EXPECT_TRUE(s.ses.empty());
}

TEST(ConversionFrame, NewSegmentsFollowTheExistingOnesInSourceOrder) {
  // Seven lines with two circles among them, N = 5.
  Store s = Fresh();
  AddLine(s);
  AddCircle(s, 0, 0, 1);
  for (int k = 0; k < 5; ++k) AddLine(s);
  AddCircle(s, 100, 0, 2);
  AddLine(s);
  ASSERT_EQ(s.order.size(), 9u);

  ASSERT_TRUE(ConvertCircles(s, 5));
  ASSERT_EQ(s.lines.size(), 17u);
  ASSERT_EQ(s.order.size(), 19u);
  EXPECT_EQ(s.lines[7].x1, 1.0);    // first circle: entries 7..11
  EXPECT_EQ(s.lines[12].x1, 102.0);  // second circle: entries 12..16
  EXPECT_NEAR(s.lines[11].x2, 1.0, 1e-12);
  EXPECT_NEAR(s.lines[16].x2, 102.0, 1e-12);
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(s.order[9 + k].kind, kJwwLine);
    EXPECT_EQ(s.order[9 + k].index, 7 + k);
  }
  // The circles' entries keep their places and indexes, marked removed; the
  // line entries are untouched.
  EXPECT_EQ(s.order[1].kind, kJwwRemoved);
  EXPECT_EQ(s.order[7].kind, kJwwRemoved);
  EXPECT_EQ(s.order[7].index, 1);
  EXPECT_EQ(s.order[8].kind, kJwwLine);
  EXPECT_EQ(s.order[8].index, 6);

  // A second kind with nothing to convert changes nothing.
  ASSERT_TRUE(ConvertArcs(s, 5));
  EXPECT_EQ(s.lines.size(), 17u);
  EXPECT_EQ(s.order.size(), 19u);
}

TEST(ConversionFrame, CountPastTheIntegerLimitIsRefusedBeforeAnythingChanges) {
  // 2149643 circles of 999 segments would need 2147493357 line entries.
  Store s = Fresh();
  s.circles.resize(2149643, TJwwEntCircle{kAttr, 0, 0, 1});
  JwwAddOrder(s, kJwwCircle, 0);
  EXPECT_FALSE(ConvertCircles(s, 999));
  EXPECT_EQ(s.circles.size(), 2149643u);
  EXPECT_TRUE(s.lines.empty());
  EXPECT_EQ(s.order.size(), 1u);
  EXPECT_EQ(s.order[0].kind, kJwwCircle);

  RecordingUi ui;
  FormSettings fields;
  EXPECT_EQ(RunConversion(s, fields, Checks(true, true, true, "999"), {}, true, ui),
            RunOutcome::kFailed);
  EXPECT_EQ(ui.failures.size(), 1u);
  EXPECT_EQ(s.out.count, 0u);
  EXPECT_TRUE(s.out.bytes.empty());
}

class RunConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("q527-run-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path dir_;
};

TEST_F(RunConversionTest, DivisionTextIsClampedAndSaved) {
  struct Case {
    std::string text;
    int n;
  };
  const Case cases[] = {{"2", 3},     {"abc", 3},   {"-5", 3}, {"999", 999},
                        {"24", 24},   {"$1F", 31},  {"", 3},   {"1000", 999}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Store s = Read("ci 0 0 10\r\n");
    FormSettings fields;
    RecordingUi ui;
    DialogState st = Checks(true, false, true, c.text);
    st.left = 120;
    st.top = -5;
    const fs::path dat = dir_ / "q527.dat";
    ASSERT_EQ(RunConversion(s, fields, st, dat, true, ui), RunOutcome::kConverted);
    EXPECT_EQ(s.lines.size(), static_cast<std::size_t>(c.n));
    EXPECT_EQ(fields.DivisionCount, c.n);
    EXPECT_EQ(Slurp(dat), "120\r\n-5\r\n" + std::to_string(c.n) + "\r\n1\r\n0\r\n1\r\n");
    EXPECT_TRUE(ui.failures.empty());
  }
}

TEST_F(RunConversionTest, StatusTextsComeInTheirPlacesWhateverIsChecked) {
  Store s = Read("0 0 1 1\r\n");
  FormSettings fields;
  RecordingUi ui;
  ASSERT_EQ(RunConversion(s, fields, Checks(false, false, false), {}, true, ui),
            RunOutcome::kConverted);
  const std::vector<std::string> want = {
      "処理中です", "円データ参照中です", "円弧・楕円データ参照中です",
      "円周ソリッドデータ参照中です", "処理中(ESC:中断)：1／1", "ファイル生成中です"};
  EXPECT_EQ(ui.shown, want);
  const auto lines = OutLines(s);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "hd");
  EXPECT_NE(IndexOf(lines, "0 0 1 1"), -1);
}

TEST_F(RunConversionTest, OnlyCirclesConvertedKeepsArcsAndSolidsInPlace) {
  Store s = Read(
      "ci 10 20 5\r\n"
      "ci 0 0 10 0 90 1 0\r\n"
      "se 0 0 3 1 0 0 3.14 100\r\n"
      "1 2 3 4\r\n");
  FormSettings fields;
  RecordingUi ui;
  ASSERT_EQ(RunConversion(s, fields, Checks(true, false, false, "4"), {}, true, ui),
            RunOutcome::kConverted);
  const auto lines = OutLines(s);
  const auto arc = IndexOf(lines, "ci 0 0 10 0 90 1 0");
  const auto se = IndexOf(lines, "se 0 0 3 1 0 0 3.14 100");
  const auto kept = IndexOf(lines, "1 2 3 4");
  const auto first = IndexOf(lines, "15 20 10 25");
  ASSERT_NE(arc, -1);
  ASSERT_NE(se, -1);
  ASSERT_NE(kept, -1);
  ASSERT_NE(first, -1);
  EXPECT_LT(arc, se);
  EXPECT_LT(se, kept);
  EXPECT_LT(kept, first);
  EXPECT_EQ(IndexOf(lines, "ci 10 20 5"), -1);
  EXPECT_EQ(lines[first + 1], "10 25 5 20");
  EXPECT_EQ(lines[first + 2], "5 20 10 15");
  EXPECT_EQ(lines[first + 3], "10 15 15 20");
}

TEST_F(RunConversionTest, CircleInArcFormIsConvertedOnlyAsAnArc) {
  const char* file = "ci 5 5 2 30 30 1 0\r\n";
  Store circlesOnly = Read(file);
  FormSettings fields;
  RecordingUi ui;
  RunConversion(circlesOnly, fields, Checks(true, false, true, "4"), {}, true, ui);
  EXPECT_EQ(circlesOnly.arcs.size(), 1u);
  EXPECT_TRUE(circlesOnly.lines.empty());
  EXPECT_NE(IndexOf(OutLines(circlesOnly), "ci 5 5 2 30 30 1 0"), -1);

  Store arcs = Read(file);
  RunConversion(arcs, fields, Checks(false, true, false, "4"), {}, true, ui);
  ASSERT_EQ(arcs.lines.size(), 4u);
  ExpectNearPoint({arcs.lines[0].x1, arcs.lines[0].y1}, 5 + std::sqrt(3.0), 6);
  ExpectNearPoint({arcs.lines[3].x2, arcs.lines[3].y2}, 5 + std::sqrt(3.0), 6);
}

TEST_F(RunConversionTest, PartialReadConvertsAndQueuesNothing) {
  Store s = Read("ci 0 0 10\r\n");
  FormSettings fields;
  RecordingUi ui;
  const fs::path dat = dir_ / "q527.dat";
  EXPECT_EQ(RunConversion(s, fields, Checks(true, true, true, "36"), dat, false, ui),
            RunOutcome::kRefused);
  EXPECT_EQ(ui.failures.size(), 1u);
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(s.circles.size(), 1u);
  EXPECT_TRUE(s.lines.empty());
  EXPECT_EQ(s.out.count, 0u);
  EXPECT_EQ(Slurp(dat), "0\r\n0\r\n36\r\n1\r\n1\r\n1\r\n");  // saved as OK does
}

TEST_F(RunConversionTest, FailureAnywhereLeavesAnEmptyOutputAndOneReport) {
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
    EXPECT_TRUE(s.out.bytes.empty());
  }
}

TEST_F(RunConversionTest, EscapeDuringThePassIsAnAbortWithoutHd) {
  Store s = Read("ci 0 0 10\r\n");
  FormSettings fields;
  RecordingUi ui;
  ui.escape = true;
  EXPECT_EQ(RunConversion(s, fields, Checks(true, true, true), {}, true, ui),
            RunOutcome::kAborted);
  EXPECT_EQ(IndexOf(OutLines(s), "hd"), -1);
  EXPECT_EQ(ui.shown.back(), "ファイル生成中です");
  EXPECT_TRUE(ui.failures.empty());
}

TEST(CountsText, NamesTheThreeCounts) {
  Store s = Fresh();
  for (int k = 0; k < 3; ++k) AddCircle(s, 0, 0, 1);
  s.ses.resize(12);
  EXPECT_EQ(CountsText(s), "円：3 円弧楕円弧：0 円周S：12");
  EXPECT_EQ(CountsText(Fresh()), "円：0 円弧楕円弧：0 円周S：0");
}

}  // namespace
