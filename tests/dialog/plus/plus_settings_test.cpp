// q527-plus.dat: the defaults that make OK on a first start write what
// q527.exe writes, the lines as written and read back, and the lenient
// reading of files that are short, old or damaged.
#include "dialog/plus/plus_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_files.h"

namespace q527 {

namespace {

TEST(PlusSettingsTest, WithoutAFileTheDescribedDialogsDefaults) {
  TempDir dir("q527-plus-settings");
  const PlusSettings s = LoadPlusSettings(dir / "q527-plus.dat");
  EXPECT_FALSE(s.placed);
  EXPECT_EQ(s.width, 0);
  const ConversionRequest r = RequestOf(s.choices);
  EXPECT_TRUE(r.circles && r.arcs && r.solids);
  EXPECT_FALSE(r.policy.planned);
  EXPECT_EQ(r.policy.segments, 24);
  EXPECT_EQ(r.mode, RunMode::kConvert);
}

TEST(PlusSettingsTest, EveryValueIsWrittenAndReadBack) {
  TempDir dir("q527-plus-settings");
  PlusSettings s;
  s.placed = true;
  s.left = -1200;
  s.top = 35;
  s.width = 900;
  s.height = 640;
  PlusChoices& c = s.choices;
  c.circles = false;
  c.solids = false;
  c.mode = SegmentMode::kAccuracy;
  c.divisionCount = 7;
  c.fit = PolygonFit::kMid;
  c.maxDeviation = "0.05";
  c.maxAngle = "";
  c.maxLength = "12.5";
  c.minSegments = 6;
  c.maxSegments = 300;
  c.run = RunMode::kRestore;
  c.restoreDeviation = "0.002";
  c.restoreMinSegments = 12;
  ASSERT_TRUE(SavePlusSettings(s, dir / "q527-plus.dat"));
  EXPECT_EQ(ReadFileBytes(dir / "q527-plus.dat"),
            "-1200\r\n35\r\n900\r\n640\r\n7\r\n0\r\n1\r\n0\r\n1\r\n2\r\n0.05\r\n\r\n12.5\r\n6\r\n"
            "300\r\n1\r\n0.002\r\n12\r\n");
  const PlusSettings back = LoadPlusSettings(dir / "q527-plus.dat");
  EXPECT_EQ(FormatPlusSettings(back), FormatPlusSettings(s));
  EXPECT_TRUE(back.placed);
}

TEST(PlusSettingsTest, ReadsLenientlyAndClamps) {
  const struct {
    const char* file;
    const char* want;  // what the file reads as, written again
  } cases[] = {
      // Only the place: every other value its default.
      {"10\n20\n",
       "10\r\n20\r\n0\r\n0\r\n24\r\n1\r\n1\r\n1\r\n0\r\n0\r\n\r\n\r\n\r\n3\r\n999\r\n0\r\n0."
       "01\r\n8\r\n"},
      // Out of range, junk and bounds that are no numbers.
      {"x\r\n-5\r\n-3\r\n99999\r\n1000\r\n0\r\nTRUE\r\n-1\r\n7\r\n9\r\nabc\r\n-2\r\n0\r\n2\r\n1000",
       "0\r\n-5\r\n0\r\n32767\r\n999\r\n0\r\n1\r\n0\r\n0\r\n0\r\n\r\n\r\n\r\n3\r\n999\r\n0\r\n0."
       "01\r\n8\r\n"},
      // The way back's lines out of range or junk.
      {"0\n0\n0\n0\n24\n1\n1\n1\n0\n0\n\n\n\n3\n999\n2\n-0.5\n200000\n",
       "0\r\n0\r\n0\r\n0\r\n24\r\n1\r\n1\r\n1\r\n0\r\n0\r\n\r\n\r\n\r\n3\r\n999\r\n0\r\n0."
       "01\r\n100000\r\n"},
      // Blanks round numbers, a CR alone, lines past the last.
      {" 4 \r\r\n 5\n0\n0\n 12 \n1\n1\n1\n1\n1\n 0.25 \n15\n\n10\n20\n1\n 0.5 \n 2 \nmore\n",
       "4\r\n5\r\n0\r\n0\r\n12\r\n1\r\n1\r\n1\r\n1\r\n1\r\n0.25\r\n15\r\n\r\n10\r\n20\r\n1\r\n0."
       "5\r\n3\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(FormatPlusSettings(ParsePlusSettings(c.file)), c.want);
  }
  EXPECT_FALSE(ParsePlusSettings("").placed);
  EXPECT_FALSE(ParsePlusSettings("10\n").placed);
}

// A file of an older q527-plus.exe, without the way back's lines: the
// conversion, so OK writes what it wrote before.
TEST(PlusSettingsTest, AnOlderFileKeepsTheConversion) {
  const PlusSettings s = ParsePlusSettings(
      "10\r\n20\r\n0\r\n0\r\n12\r\n1\r\n1\r\n1\r\n0\r\n0\r\n\r\n\r\n\r\n3\r\n999\r\n");
  EXPECT_EQ(s.choices.run, RunMode::kConvert);
  EXPECT_EQ(RequestOf(s.choices).mode, RunMode::kConvert);
  EXPECT_EQ(s.choices.restoreDeviation, "0.01");
  EXPECT_EQ(s.choices.restoreMinSegments, 8);
}

TEST(PlusSettingsTest, AFileThatCannotBeReplacedKeepsItsContent) {
  TempDir dir("q527-plus-settings");
  EXPECT_FALSE(SavePlusSettings(PlusSettings{}, dir / "absent" / "q527-plus.dat"));
}

}  // namespace

}  // namespace q527
