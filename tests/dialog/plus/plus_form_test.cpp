// q527-plus.exe's handlers on a fake window: what the start shows, every
// way of closing, and OK writing what q527.exe and q527-cli write for the
// same choices.
#include "dialog/plus/plus_form.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "dialog/form.h"
#include "support/test_files.h"

namespace q527 {

namespace {

namespace fs = std::filesystem;

// Stands in for the window: records what the form does and closes the way
// the window does, by calling FormClose.
struct FakePlusWindow : PlusPlatform {
  void ShowNow(std::string_view utf8) override { shown.emplace_back(utf8); }
  bool IsDown() override { return false; }
  void ReportFailure(std::string_view utf8) override { failures.emplace_back(utf8); }
  void Place(const PlusSettings& s) override { placed = s; }
  void SetChoices(const PlusChoices& c) override { choices = c; }
  void PostPreviewReady() override {
    std::lock_guard<std::mutex> lock(m);
    ++posted;
    cv.notify_all();
  }
  void Close() override {
    ++closes;
    form->FormClose();
  }
  // Hands the preview's results to the form on this thread, as the window's
  // message loop does, until the status line is no longer "working".
  void SettleStatus() {
    for (int i = 0; i < 1000 && shown.back().ends_with("計算中…"); ++i) {
      std::unique_lock<std::mutex> lock(m);
      cv.wait_for(lock, std::chrono::milliseconds(10), [&] { return posted > 0; });
      posted = 0;
      lock.unlock();
      form->PreviewReady();
    }
  }

  PlusForm* form = nullptr;
  std::vector<std::string> shown, failures;
  PlusSettings placed;
  PlusChoices choices;
  int closes = 0;
  std::mutex m;
  std::condition_variable cv;
  int posted = 0;
};

// The drawing of the Wine tests: 3 circles and 12 circular solids among
// other figures.
constexpr std::string_view kDrawing =
    "hk 0\r\nlg0\r\nly0\r\n0 0 100 0\r\nci 10 10 5\r\nci 20 10 5\r\nlc3\r\nci 30 10 2.5\r\n"
    "ly1\r\nse 10 40 3 1 0 0 6.28318530717959 100\r\nse 20 40 3 0.5 0.3 0 3 100\r\n"
    "ci 60 10 4 10 200 0.5 20\r\n";

class PlusFormTest : public ::testing::Test {
 protected:
  PlusForm& Open(FakePlusWindow& window) {
    form_ = std::make_unique<PlusForm>(window, exchange_, settings_);
    window.form = form_.get();
    return *form_;
  }

  TempDir dir_{"q527-plus-form"};
  fs::path exchange_ = dir_ / "JWC_TEMP.TXT";
  fs::path settings_ = dir_ / "q527-plus.dat";
  std::unique_ptr<PlusForm> form_;
};

TEST_F(PlusFormTest, StartShowsTheDefaultsAndWhatOkMakes) {
  WriteFileBytes(exchange_, kDrawing);
  FakePlusWindow w;
  PlusForm& form = Open(w);
  form.FormShow();
  EXPECT_FALSE(w.placed.placed);
  EXPECT_EQ(w.choices.divisionCount, 24);
  EXPECT_FALSE(form.DrawingBox().Empty());
  w.SettleStatus();
  EXPECT_TRUE(w.shown.back().starts_with("円：3 円弧楕円弧：1 円周S：2　→ 多角形 6（24 分割）"))
      << w.shown.back();
  form.CancelClick();
}

TEST_F(PlusFormTest, CancelWritesHqAndNoSettings) {
  WriteFileBytes(exchange_, kDrawing);
  FakePlusWindow w;
  PlusForm& form = Open(w);
  form.FormShow();
  form.CancelClick();
  form.OkClick(PlusSettings{});  // too late: no click is taken after a close
  EXPECT_EQ(w.closes, 1);
  EXPECT_EQ(ReadFileBytes(exchange_), "hq\r\n");
  EXPECT_FALSE(fs::exists(settings_));
  EXPECT_TRUE(w.failures.empty());
}

// OK on the first start writes what q527.exe's OK writes with its defaults.
TEST_F(PlusFormTest, FirstOkWritesWhatTheDescribedDialogWrites) {
  struct QuietPlatform : FormPlatform {
    void ShowNow(std::string_view) override {}
    bool IsDown() override { return false; }
    void ReportFailure(std::string_view) override {}
    void MoveTo(std::int32_t, std::int32_t) override {}
    void SetEdit1(std::string_view) override {}
    void SetChecks(bool, bool, bool) override {}
    void Close() override { form->FormClose(); }
    TForm1* form = nullptr;
  };
  WriteFileBytes(exchange_, kDrawing);
  QuietPlatform p;
  TForm1 described(p, exchange_, dir_ / "q527.dat");
  p.form = &described;
  described.FormShow();
  described.Button1Click(DialogState{});
  const std::string want = ReadFileBytes(exchange_);
  ASSERT_TRUE(want.starts_with("hd\r\n"));

  WriteFileBytes(exchange_, kDrawing);
  FakePlusWindow w;
  PlusForm& form = Open(w);
  form.FormShow();
  PlusSettings state = form.Settings();
  state.left = 30;
  state.top = 40;
  form.OkClick(state);
  EXPECT_EQ(ReadFileBytes(exchange_), want);
  EXPECT_EQ(ReadFileBytes(settings_), FormatPlusSettings(state));
  EXPECT_TRUE(w.failures.empty());
}

// By accuracy, OK writes what q527-cli writes with the same options.
TEST_F(PlusFormTest, OkByAccuracyWritesWhatTheCliWrites) {
  WriteFileBytes(dir_ / "input.txt", kDrawing);
  ASSERT_EQ(RunCli(dir_.path(),
                   "-q --max-deviation 0.05 --fit circumscribed --max-segments 60 -o want.txt "
                   "input.txt")
                .code,
            0);
  WriteFileBytes(exchange_, kDrawing);
  FakePlusWindow w;
  PlusForm& form = Open(w);
  form.FormShow();
  PlusSettings state = form.Settings();
  state.choices.mode = SegmentMode::kAccuracy;
  state.choices.fit = PolygonFit::kCircumscribed;
  state.choices.maxDeviation = "0.05";
  state.choices.maxSegments = 60;
  form.ChoicesChanged(state.choices);
  w.SettleStatus();
  EXPECT_NE(w.shown.back().find("最大誤差"), std::string::npos) << w.shown.back();
  form.OkClick(state);
  EXPECT_EQ(ReadFileBytes(exchange_), ReadFileBytes(dir_ / "want.txt"));
  const PlusSettings saved = LoadPlusSettings(settings_);
  EXPECT_EQ(saved.choices.maxDeviation, "0.05");
  EXPECT_EQ(saved.choices.fit, PolygonFit::kCircumscribed);
}

// The way back on the plate of segments: the pane fits the segments, the
// status line tells what is restored, and OK writes what q527-cli --restore
// writes with the same values.
TEST_F(PlusFormTest, OkInTheWayBackWritesWhatCliRestoreWrites) {
  const std::string plate = ReadFileBytes(fs::path(Q527_SOURCE_DIR) / "samples/SEGMENTS.TXT");
  WriteFileBytes(dir_ / "input.txt", plate);
  ASSERT_EQ(RunCli(dir_.path(),
                   "-q --restore --max-deviation 0.005 --min-segments 6 -k circle,arc -o want.txt "
                   "input.txt")
                .code,
            0);
  WriteFileBytes(exchange_, plate);
  FakePlusWindow w;
  PlusForm& form = Open(w);
  form.FormShow();
  w.SettleStatus();
  const PictureBox curves = form.DrawingBox();
  PlusSettings state = form.Settings();
  state.choices.run = RunMode::kRestore;
  state.choices.restoreDeviation = "0.005";
  state.choices.restoreMinSegments = 6;
  state.choices.solids = false;
  form.ChoicesChanged(state.choices);
  EXPECT_TRUE(curves.Empty());  // the plate holds no curve: the conversion has nothing to fit
  EXPECT_FALSE(form.DrawingBox().Empty());
  w.SettleStatus();
  EXPECT_TRUE(w.shown.back().starts_with("円：0 円弧楕円弧：0 円周S：0 線分：")) << w.shown.back();
  EXPECT_NE(w.shown.back().find("→ 復元 円 "), std::string::npos) << w.shown.back();
  form.OkClick(state);
  EXPECT_EQ(ReadFileBytes(exchange_), ReadFileBytes(dir_ / "want.txt"));
  const PlusSettings saved = LoadPlusSettings(settings_);
  EXPECT_EQ(saved.choices.run, RunMode::kRestore);
  EXPECT_EQ(saved.choices.restoreDeviation, "0.005");
  EXPECT_EQ(saved.choices.restoreMinSegments, 6);
}

TEST_F(PlusFormTest, MissingExchangeFileRefusesOkAndEndsWithHq) {
  FakePlusWindow w;
  PlusForm& form = Open(w);
  form.FormShow();
  form.OkClick(form.Settings());
  EXPECT_EQ(ReadFileBytes(exchange_), "hq\r\n");
  EXPECT_EQ(w.failures.size(), 1u);
}

}  // namespace

}  // namespace q527
