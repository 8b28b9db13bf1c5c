#include "conversion/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "exchange/file_io.h"
#include "support/test_files.h"

namespace q527 {

namespace {

namespace fs = std::filesystem;

struct Expect {
  std::int32_t left, top, count;
  bool circle, arc, solid;
};

void ExpectFields(const FormSettings& f, const Expect& e) {
  EXPECT_EQ(f.FormLeft, e.left);
  EXPECT_EQ(f.FormTop, e.top);
  EXPECT_EQ(f.DivisionCount, e.count);
  EXPECT_EQ(f.TargetCircle, e.circle);
  EXPECT_EQ(f.TargetArc, e.arc);
  EXPECT_EQ(f.TargetSolid, e.solid);
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void TearDown() override { FaultArm(0); }
  TempDir dir_{"q527-settings"};
  fs::path path_ = dir_ / "q527.dat";
};

TEST(SettingsFormat, WritesSixCrLfLinesOfDigitsAndSigns) {
  EXPECT_EQ(FormatSettings({120, -5, 36, true, false, true}), "120\r\n-5\r\n36\r\n1\r\n0\r\n1\r\n");
  EXPECT_EQ(FormatSettings({-2147483647 - 1, 0, 3, false, false, false}),
            "-2147483648\r\n0\r\n3\r\n0\r\n0\r\n0\r\n");
}

TEST(SettingsParse, ReadsTheLenientForms) {
  struct Case {
    const char* name;
    std::string bytes;
    Expect want;
  };
  const Case cases[] = {
      {"as written", "120\r\n-5\r\n36\r\n1\r\n0\r\n1\r\n", {120, -5, 36, true, false, true}},
      {"LF only", "120\n-5\n36\n1\n0\n1\n", {120, -5, 36, true, false, true}},
      {"no final line end", "120\r\n-5\r\n36\r\n1\r\n0\r\n1", {120, -5, 36, true, false, true}},
      {"lone CR dropped", "1\r2\n3\n4\r\r\n1\n1\n1\n", {12, 3, 4, true, true, true}},
      {"lines past six ignored", "1\n2\n3\n1\n1\n1\n99\n0\n", {1, 2, 3, true, true, true}},
      {"count 1000 clamps to 999", "0\n0\n1000\n1\n1\n1\n", {0, 0, 999, true, true, true}},
      {"count 2 clamps to 3", "0\n0\n2\n1\n1\n1\n", {0, 0, 3, true, true, true}},
      {"count abc", "0\n0\nabc\n1\n1\n1\n", {0, 0, 3, true, true, true}},
      {"count empty", "0\n0\n\n1\n1\n1\n", {0, 0, 3, true, true, true}},
      {"two lines only", "10\r\n20\r\n", {10, 20, 3, false, false, false}},
      {"empty file", "", {0, 0, 3, false, false, false}},
      {"hexadecimal and trailing blank", "$10\n7 \n$1F\n1\n1\n1\n", {16, 0, 31, true, true, true}},
      {"position not clamped",
       "-30000\n99999\n24\n0\n0\n0\n",
       {-30000, 99999, 24, false, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FormSettings f;
    ParseSettings(f, c.bytes);
    ExpectFields(f, c.want);
  }
}

TEST(SettingsParse, ReadsTheAcceptedTruthTexts) {
  struct Case {
    std::string line4;
    bool want;
  };
  const Case cases[] = {
      {"on", true},        {" on ", true}, {"T", true}, {"\x82\x50", true},  // full-width digit one
      {"\x81\x9B", true},                                                    // white circle
      {"\x90\x5E", true},                                                    // "true" kanji
      {"\x90\xB3", true},                                                    // "correct" kanji
      {"\x82\x73", false},                                                   // full-width letter T
      {"YES", false},      {"2", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line4);
    FormSettings f;
    ParseSettings(f, "0\n0\n24\n" + c.line4 + "\n0\n0\n");
    EXPECT_EQ(f.TargetCircle, c.want);
    EXPECT_FALSE(f.TargetArc);
  }
}

TEST_F(SettingsFileTest, MissingOrUnreadableFileGivesTheDefaults) {
  const Expect defaults{0, 0, 24, true, true, true};
  FormSettings f{5, 5, 5, false, false, false};
  LoadSettings(f, path_);
  ExpectFields(f, defaults);

  fs::create_directories(path_);  // a folder where the file should be
  f = FormSettings{5, 5, 5, false, false, false};
  LoadSettings(f, path_);
  ExpectFields(f, defaults);
  fs::remove(path_);

  WriteFileBytes(path_, "120\r\n-5\r\n36\r\n1\r\n0\r\n1\r\n");
  FaultArm(1);  // the open fails
  f = FormSettings{5, 5, 5, false, false, false};
  LoadSettings(f, path_);
  ExpectFields(f, defaults);
}

TEST_F(SettingsFileTest, SaveThenLoadGivesTheSameFields) {
  const FormSettings saved{120, -5, 36, true, false, true};
  ASSERT_TRUE(SaveSettings(saved, path_));
  EXPECT_EQ(ReadFileBytes(path_), "120\r\n-5\r\n36\r\n1\r\n0\r\n1\r\n");
  FormSettings loaded;
  LoadSettings(loaded, path_);
  ExpectFields(loaded, {120, -5, 36, true, false, true});
  // Nothing is left beside the settings file.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
}

TEST_F(SettingsFileTest, FailedSaveKeepsTheOldFileWhole) {
  const std::string old = "7\r\n8\r\n9\r\n0\r\n1\r\n0\r\n";
  WriteFileBytes(path_, old);
  FaultArm(0);
  ASSERT_TRUE(SaveSettings(FormSettings{}, path_));
  const long long operations = FaultCalls();
  ASSERT_GT(operations, 0);
  for (long long k = 1; k <= operations; ++k) {
    SCOPED_TRACE(k);
    WriteFileBytes(path_, old);
    FaultArm(k);
    EXPECT_FALSE(SaveSettings(FormSettings{1, 2, 3, true, true, true}, path_));
    FaultArm(0);
    EXPECT_EQ(ReadFileBytes(path_), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
  }
  EXPECT_FALSE(SaveSettings(FormSettings{}, dir_ / "absent" / "q527.dat"));
}

}  // namespace

}  // namespace q527
