#include "dialog/form.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "exchange/file_io.h"
#include "support/test_files.h"

namespace q527 {

namespace {

namespace fs = std::filesystem;

// Stands in for the window: records what the form does to its controls and
// closes the way the window does, by calling FormClose.
struct FakePlatform : FormPlatform {
  void ShowNow(std::string_view utf8) override { shown.emplace_back(utf8); }
  bool IsDown() override { return false; }
  void ReportFailure(std::string_view utf8) override { failures.emplace_back(utf8); }
  void MoveTo(std::int32_t l, std::int32_t t) override {
    left = l;
    top = t;
    ++moves;
  }
  void SetEdit1(std::string_view text) override { edit1 = text; }
  void SetChecks(bool c, bool a, bool s) override {
    circle = c;
    arc = a;
    solid = s;
  }
  void Close() override {
    ++closes;
    form->FormClose();
  }

  TForm1* form = nullptr;
  std::vector<std::string> shown, failures;
  std::int32_t left = -1, top = -1;
  int moves = 0, closes = 0;
  std::string edit1;
  bool circle = false, arc = false, solid = false;
};

// What OK reads off a dialog moved to (120, -5) with the text typed and
// arcs unchecked.
DialogState MovedWithText(std::string edit1) {
  DialogState st;
  st.left = 120;
  st.top = -5;
  st.edit1 = std::move(edit1);
  st.checkArc = false;
  return st;
}

class FormTest : public ::testing::Test {
 protected:
  void TearDown() override { FaultArm(0); }
  TForm1& Open(FakePlatform& platform) {
    form_ = std::make_unique<TForm1>(platform, exchange_, settings_);
    platform.form = form_.get();
    return *form_;
  }

  TempDir dir_{"q527-form"};
  fs::path exchange_ = dir_ / "JWC_TEMP.TXT";
  fs::path settings_ = dir_ / "q527.dat";
  std::unique_ptr<TForm1> form_;
};

TEST_F(FormTest, ShowFillsTheControlsFromSettingsAndCounts) {
  std::string file = "ci 0 0 1\r\nci 0 0 2\r\nci 0 0 3\r\n";
  for (int k = 0; k < 12; ++k) file += "se 0 0 1 1 0 0 1 100\r\n";
  WriteFileBytes(exchange_, file);
  FakePlatform p;
  Open(p).FormShow();
  EXPECT_EQ(p.moves, 1);
  EXPECT_EQ(p.left, 0);
  EXPECT_EQ(p.edit1, "24");
  EXPECT_TRUE(p.circle && p.arc && p.solid);
  EXPECT_EQ(p.shown, std::vector<std::string>{"円：3 円弧楕円弧：0 円周S：12"});

  // A saved place off the screen is taken as it is.
  WriteFileBytes(settings_, "-3000\r\n-5\r\n36\r\n1\r\n0\r\n1\r\n");
  FakePlatform q;
  Open(q).FormShow();
  EXPECT_EQ(q.left, -3000);
  EXPECT_EQ(q.top, -5);
  EXPECT_EQ(q.edit1, "36");
  EXPECT_TRUE(q.circle && !q.arc && q.solid);
}

TEST_F(FormTest, CancelWritesHqAndLeavesTheSettingsAlone) {
  WriteFileBytes(exchange_, "ci 0 0 10\r\n");
  const std::string settings = "1\r\n2\r\n30\r\n1\r\n1\r\n1\r\n";
  WriteFileBytes(settings_, settings);
  FakePlatform p;
  TForm1& form = Open(p);
  form.FormShow();
  form.Button2Click();
  EXPECT_EQ(p.closes, 1);
  EXPECT_EQ(ReadFileBytes(exchange_), "hq\r\n");
  EXPECT_EQ(ReadFileBytes(settings_), settings);
  EXPECT_TRUE(p.failures.empty());
}

TEST_F(FormTest, MissingExchangeFileStillEndsWithHq) {
  FakePlatform p;
  TForm1& form = Open(p);
  form.FormShow();
  form.Button1Click(DialogState{});
  // A file that could not be read is not converted.
  EXPECT_EQ(ReadFileBytes(exchange_), "hq\r\n");
  EXPECT_EQ(p.failures.size(), 1u);
}

TEST_F(FormTest, OkConvertsSavesAndClosesOnce) {
  WriteFileBytes(exchange_, "ci 10 20 5\r\n");
  FakePlatform p;
  TForm1& form = Open(p);
  form.FormShow();
  form.Button1Click(MovedWithText("4"));
  EXPECT_EQ(p.closes, 1);
  EXPECT_TRUE(p.failures.empty());
  const std::string written = ReadFileBytes(exchange_);
  EXPECT_EQ(written.substr(0, 4), "hd\r\n");
  EXPECT_NE(written.find("15 20 10 25\r\n10 25 5 20\r\n5 20 10 15\r\n10 15 15 20\r\n"),
            std::string::npos);
  EXPECT_EQ(ReadFileBytes(settings_), "120\r\n-5\r\n4\r\n1\r\n0\r\n1\r\n");
  EXPECT_EQ(form.Settings().DivisionCount, 4);
  EXPECT_EQ(p.shown.back(), "ファイル生成中です");

  // The window may deliver a second close; the file is written only once.
  WriteFileBytes(exchange_, "changed\r\n");
  form.FormClose();
  EXPECT_EQ(ReadFileBytes(exchange_), "changed\r\n");
}

// OK takes the division text as the edit field reads it, clamped, and
// saves the six lines before the run.
TEST_F(FormTest, OkSavesTheDivisionCountClamped) {
  const std::pair<std::string, int> cases[] = {{"2", 3},   {"abc", 3},  {"-5", 3}, {"999", 999},
                                               {"24", 24}, {"$1F", 31}, {"", 3},   {"1000", 999}};
  for (const auto& [text, n] : cases) {
    SCOPED_TRACE(text);
    WriteFileBytes(exchange_, "ci 0 0 10\r\n");
    FakePlatform p;
    TForm1& form = Open(p);
    form.FormShow();
    form.Button1Click(MovedWithText(text));
    EXPECT_EQ(ReadFileBytes(settings_),
              "120\r\n-5\r\n" + std::to_string(n) + "\r\n1\r\n0\r\n1\r\n");
  }
}

// A fault of the program inside the run (anything but memory, a count limit
// or a file) is no "out of memory": it is said as an internal error, and the
// close writes "hq".
TEST_F(FormTest, AFaultInsideTheRunIsAnInternalError) {
  struct FaultyPlatform : FakePlatform {
    void ShowNow(std::string_view utf8) override {
      if (utf8 == "円データ参照中です") throw std::logic_error("fault");
      FakePlatform::ShowNow(utf8);
    }
  };
  WriteFileBytes(exchange_, "ci 0 0 10\r\n");
  FaultyPlatform p;
  TForm1& form = Open(p);
  form.FormShow();
  form.Button1Click(DialogState{});
  ASSERT_EQ(p.failures.size(), 1u);
  EXPECT_NE(p.failures[0].find("内部エラー"), std::string::npos) << p.failures[0];
  EXPECT_EQ(p.closes, 1);
  EXPECT_EQ(ReadFileBytes(exchange_), "hq\r\n");
}

TEST_F(FormTest, PartialReadRefusesOkWithOneMessage) {
  WriteFileBytes(exchange_, "ci 0 0 10\r\nci 0 0 20\r\n");
  FakePlatform p;
  TForm1& form = Open(p);
  FaultArm(2);  // the exchange file opens, then its first read fails
  form.FormShow();
  FaultArm(0);
  form.Button1Click(DialogState{});
  EXPECT_EQ(p.failures.size(), 1u);
  EXPECT_EQ(ReadFileBytes(exchange_), "hq\r\n");
  EXPECT_EQ(ReadFileBytes(settings_), "0\r\n0\r\n24\r\n1\r\n1\r\n1\r\n");
}

// The folder disappears after the start: a result large enough to go out
// while it is made fails during OK, which says so once; the close, which
// cannot write "hq" either, adds no second message.
TEST_F(FormTest, OutputThatCannotBeWrittenIsReportedOnce) {
  const fs::path folder = dir_ / "gone";
  fs::create_directories(folder);
  exchange_ = folder / "JWC_TEMP.TXT";
  std::string drawing;
  for (int i = 0; i < 40; ++i) drawing += "ci " + std::to_string(i) + " 0 1000.5\r\n";
  WriteFileBytes(exchange_, drawing);
  FakePlatform p;
  TForm1& form = Open(p);
  form.FormShow();
  fs::remove_all(folder);
  DialogState ok;
  ok.edit1 = "999";
  ok.checkCircle = true;
  form.Button1Click(ok);
  form.FormClose();
  ASSERT_EQ(p.failures.size(), 1u);
  EXPECT_NE(p.failures[0].find("書き込めないため"), std::string::npos) << p.failures[0];
  EXPECT_FALSE(fs::exists(folder));
}

TEST_F(FormTest, UnwritableExchangeFileIsReported) {
  exchange_ = dir_ / "absent" / "JWC_TEMP.TXT";
  FakePlatform p;
  TForm1& form = Open(p);
  form.FormShow();
  form.Button2Click();
  EXPECT_EQ(p.failures.size(), 1u);
  EXPECT_FALSE(fs::exists(exchange_));
}

}  // namespace

}  // namespace q527
