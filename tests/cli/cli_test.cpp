// Runs the built q527-cli on files in a temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_files.h"

namespace q527 {

namespace {

namespace fs = std::filesystem;

constexpr const char* kDrawing =
    "lg1\r\n"
    "ly2\r\n"
    "lc3\r\n"
    "lt1\r\n"
    "lw2\r\n"
    "0 0 10 0\r\n"
    "ci 10 20 5\r\n"
    "ci 0 0 10 0 90 1 0\r\n";

class CliTest : public ::testing::Test {
 protected:
  CliResult Run(const std::string& args) { return RunCli(dir_.path(), args); }

  TempDir dir_{"q527-cli"};
  fs::path in_ = dir_ / "JWC_TEMP.TXT";
  fs::path out_ = dir_ / "out.txt";
};

TEST_F(CliTest, ConvertsTheChosenCirclesAsTheDialogWould) {
  WriteFileBytes(in_, kDrawing);
  const CliResult r = Run("-k circle -n 4 -o out.txt JWC_TEMP.TXT");
  EXPECT_EQ(r.code, 0) << r.err;
  // Untouched figures first, in their order, then the circle's square; its
  // vertices (15, 20), (10, 25), (5, 20), (10, 15) are exact in doubles.
  EXPECT_EQ(ReadFileBytes(out_),
            "hd\r\n"
            "lg1\r\n"
            "ly2\r\n"
            "lc3\r\n"
            "lt1\r\n"
            "lw2\r\n"
            "0 0 10 0\r\n"
            "ci 0 0 10 0 90 1 0\r\n"
            "15 20 10 25\r\n"
            "10 25 5 20\r\n"
            "5 20 10 15\r\n"
            "10 15 15 20\r\n");
  EXPECT_EQ(ReadFileBytes(in_), kDrawing);
  EXPECT_TRUE(r.out.empty());
  // One summary line, and no status texts when stderr is not a terminal.
  EXPECT_NE(r.err.find("12 lines written"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\r'), std::string::npos);
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);

  const CliResult quiet = Run("-q -k circle -n 4 -o - JWC_TEMP.TXT");
  EXPECT_EQ(quiet.code, 0);
  EXPECT_EQ(quiet.out, ReadFileBytes(out_));
  EXPECT_TRUE(quiet.err.empty()) << quiet.err;
}

// A result of several megabytes goes to the output file's temporary file
// while it is made; the file must be what standard output gets in one piece,
// written over the input in place, with nothing left beside it.
TEST_F(CliTest, LargeResultIsTheSameInPlaceAndOnStandardOutput) {
  std::string drawing = "lg3\r\nlc2\r\n";
  for (int i = 0; i < 60; ++i) drawing += "ci " + std::to_string(i) + ".125 -3 987.5\r\n";
  WriteFileBytes(in_, drawing);
  const CliResult piped = Run("-q -k circle -n 999 -o - JWC_TEMP.TXT");
  ASSERT_EQ(piped.code, 0) << piped.err;
  ASSERT_GT(piped.out.size(), std::size_t{3} << 20);
  const CliResult inPlace = Run("-k circle -n 999 JWC_TEMP.TXT");
  EXPECT_EQ(inPlace.code, 0) << inPlace.err;
  EXPECT_NE(inPlace.err.find("59945 lines written"), std::string::npos) << inPlace.err;
  EXPECT_TRUE(ReadFileBytes(in_) == piped.out);
  std::size_t files = 0;
  for (const auto& e : fs::directory_iterator(dir_.path()))
    files += e.path().filename().string()[0] != '.';
  EXPECT_EQ(files, 1u);
}

TEST_F(CliTest, ExitStatusesAndMessages) {
  WriteFileBytes(in_, kDrawing);
  fs::create_directories(dir_ / "folder");
  struct Case {
    const char* args;
    int code;
    const char* errHas;
  };
  const Case cases[] = {
      {"--bogus", 2, "usage:"},
      {"-k bogus", 2, "usage:"},
      {"-k none,circle", 2, "usage:"},
      {"-k circle,", 2, "usage:"},
      {"-n", 2, "usage:"},
      {"-o", 2, "usage:"},
      {"a.txt b.txt", 2, "usage:"},
      {"--counts --cancel", 2, "usage:"},
      {"--max-deviation -1", 2, "positive number"},
      {"--max-deviation 0", 2, "positive number"},
      {"--max-angle nan", 2, "positive number"},
      {"--max-length 2mm", 2, "positive number"},
      {"--max-length", 2, "positive number"},
      {"--min-segments 2", 2, "3 to 999"},
      {"--max-segments 1000", 2, "3 to 999"},
      {"--min-segments 50 --max-segments 40", 2, "larger than"},
      {"--fit outside", 2, "--fit takes"},
      {"--restore --max-deviation -1", 2, "positive number"},
      {"--restore --max-deviation 0", 2, "positive number"},
      {"--restore --max-deviation nan", 2, "positive number"},
      {"--restore --max-deviation 0.01mm", 2, "positive number"},
      {"--restore --min-segments 2", 2, "3 to 100000"},
      {"--restore --min-segments 100001", 2, "3 to 100000"},
      {"--restore --min-segments eight", 2, "3 to 100000"},
      {"--min-segments 1000", 2, "3 to 999"},
      {"--restore -k ellipse", 2, "-k takes"},
      {"--restore -n 24", 2, "--restore does not take -n"},
      {"--restore --fit mid", 2, "--restore does not take --fit"},
      {"--restore --max-angle 5", 2, "--restore does not take --max-angle"},
      {"--restore --counts", 2, "not with --counts"},
      {"--restore --settings q.dat", 2, "--settings"},
      {"missing.txt", 1, "missing.txt"},
      {"-o out.txt missing.txt", 1, "missing.txt"},
      {"folder", 1, "folder"},
      {"-q -o absent/out.txt", 1, "absent/out.txt"},
      {"--help", 0, ""},
      {"--version", 0, ""},
      {"-q -k none -o out.txt", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliResult r = Run(c.args);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
    if (c.code == 1) {
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    }
  }
  // None of the failures touched the input or created the output.
  EXPECT_EQ(ReadFileBytes(in_), kDrawing);
  EXPECT_FALSE(fs::exists(dir_ / "missing.txt"));
  EXPECT_TRUE(fs::exists(out_));  // only from the last, successful case
}

TEST_F(CliTest, DeviationOptionPlansCountsAndTellsTheAccuracy) {
  WriteFileBytes(in_, kDrawing);
  // The radius-5 circle within 0.1: 5 (1 - cos(π/n)) <= 0.1 first holds at n = 16.
  const CliResult r = Run("-k circle --max-deviation 0.1 -o out.txt");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("1 polygons of 16 to 16 segments made, largest deviation 0.0960736"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("(0 at the maximum count)"), std::string::npos) << r.err;
}

TEST_F(CliTest, MissingFileStaysMissing) {
  const CliResult r = Run("-q");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("JWC_TEMP.TXT"), std::string::npos);
  EXPECT_FALSE(fs::exists(in_));
}

TEST_F(CliTest, CancelAndCountsWriteWhatTheDialogWould) {
  WriteFileBytes(in_, kDrawing);
  const CliResult counts = Run("--counts");
  EXPECT_EQ(counts.code, 0);
  EXPECT_EQ(counts.out, "円：1 円弧楕円弧：1 円周S：0\n");
  EXPECT_EQ(ReadFileBytes(in_), kDrawing);

  const CliResult cancel = Run("-q --cancel");
  EXPECT_EQ(cancel.code, 0);
  EXPECT_EQ(ReadFileBytes(in_), "hq\r\n");
}

TEST_F(CliTest, SettingsFileGivesDefaultsAndIsSavedAsOkDoes) {
  WriteFileBytes(in_, kDrawing);
  const fs::path dat = dir_ / "q527.dat";
  WriteFileBytes(dat, "120\r\n-5\r\n36\r\n1\r\n0\r\n1\r\n");
  ASSERT_EQ(Run("-q --settings q527.dat -o out.txt").code, 0);
  const std::string out = ReadFileBytes(out_);
  EXPECT_NE(out.find("ci 0 0 10 0 90 1 0\r\n"), std::string::npos);  // arcs off
  EXPECT_EQ(out.find("ci 10 20 5"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(dat), "120\r\n-5\r\n36\r\n1\r\n0\r\n1\r\n");

  ASSERT_EQ(Run("-q --settings q527.dat -n 5 -k arc -o out.txt").code, 0);
  EXPECT_EQ(ReadFileBytes(dat), "120\r\n-5\r\n5\r\n0\r\n1\r\n0\r\n");

  ASSERT_EQ(Run("-q --settings q527.dat --cancel -n 7 -o out.txt").code, 0);
  EXPECT_EQ(ReadFileBytes(dat), "120\r\n-5\r\n5\r\n0\r\n1\r\n0\r\n");  // Cancel saves nothing

  // Without --settings no settings file is read or written.
  fs::remove(dat);
  ASSERT_EQ(Run("-q -o out.txt").code, 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 2);
}

// The sample's figures as polygons, and back: every curve returns (the
// closed circle in arc form as a plain circle), the summary says so, and a
// second restore finds nothing left to do.
TEST_F(CliTest, RestoreBringsTheSamplesPolygonsBack) {
  fs::copy_file(fs::path(Q527_SOURCE_DIR) / "samples" / "JWC_TEMP.TXT", in_);
  ASSERT_EQ(Run("-q -n 24 -o poly.txt").code, 0);
  EXPECT_EQ(Run("--counts poly.txt").out, "円：0 円弧楕円弧：0 円周S：0\n");
  const CliResult r = Run("--restore -o back.txt poly.txt");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("4 circles, 3 arcs, 1 ellipses, 1 elliptic arcs and 3 circular solids "
                       "restored from 288 segments, largest deviation"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(Run("--counts back.txt").out, "円：4 円弧楕円弧：5 円周S：3\n");
  const CliResult again = Run("--restore -o again.txt back.txt");
  ASSERT_EQ(again.code, 0) << again.err;
  EXPECT_NE(again.err.find("0 circles, 0 arcs, 0 ellipses, 0 elliptic arcs and 0 circular solids"),
            std::string::npos)
      << again.err;
  // Nothing restored: written as -k none writes it.
  ASSERT_EQ(Run("-q -k none -o kept.txt back.txt").code, 0);
  EXPECT_EQ(ReadFileBytes(dir_ / "again.txt"), ReadFileBytes(dir_ / "kept.txt"));
  // Only the kinds asked for: circles from lines, and nothing else.
  ASSERT_EQ(Run("-q --restore -k circle -o circles.txt poly.txt").code, 0);
  EXPECT_EQ(Run("--counts circles.txt").out, "円：4 円弧楕円弧：0 円周S：0\n");
}

TEST_F(CliTest, BundledSampleConvertsCompletely) {
  fs::copy_file(fs::path(Q527_SOURCE_DIR) / "samples" / "JWC_TEMP.TXT", in_);
  const CliResult counts = Run("--counts");
  ASSERT_EQ(counts.code, 0);
  EXPECT_EQ(counts.out, "円：3 円弧楕円弧：6 円周S：3\n");

  // Nothing chosen: every figure comes back, so the result counts the same.
  ASSERT_EQ(Run("-q -k none -o kept.txt").code, 0);
  EXPECT_EQ(ReadFileBytes(dir_ / "kept.txt").substr(0, 4), "hd\r\n");
  EXPECT_EQ(Run("--counts kept.txt").out, counts.out);

  // Everything chosen: no circle, arc or circular solid is left.
  ASSERT_EQ(Run("-q").code, 0);
  EXPECT_EQ(ReadFileBytes(in_).substr(0, 4), "hd\r\n");
  EXPECT_EQ(Run("--counts").out, "円：0 円弧楕円弧：0 円周S：0\n");
}

}  // namespace

}  // namespace q527
