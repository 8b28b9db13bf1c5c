#include "exchange/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_files.h"

namespace q527 {

namespace {

class FileIo : public ::testing::Test {
 protected:
  void SetUp() override { FaultArm(0); }
  void TearDown() override { FaultArm(0); }

  // Files in the folder other than the target: a temporary file left behind.
  std::size_t Leftovers(const std::filesystem::path& target) {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) n += e.path() != target;
    return n;
  }
  TempDir dir_{"q527-file-io"};
};

TEST_F(FileIo, ReadStatusOfMissingFolderAndEmptyFiles) {
  std::string out = "stale";
  EXPECT_EQ(ReadWholeFile(dir_ / "none.txt", out), ReadStatus::kMissing);
  EXPECT_EQ(ReadWholeFile(dir_.path(), out), ReadStatus::kCannotOpen);
  WriteFileBytes(dir_ / "empty.txt", "");
  EXPECT_EQ(ReadWholeFile(dir_ / "empty.txt", out), ReadStatus::kOk);
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(FileExists(dir_ / "none.txt"));
  EXPECT_TRUE(FileExists(dir_ / "empty.txt"));
}

TEST_F(FileIo, ReadFaultsReportFailure) {
  WriteFileBytes(dir_ / "f.txt", std::string(3 << 19, 'a'));
  // open, read, read, close
  for (long long k = 1; k <= 4; ++k) {
    FaultArm(k);
    std::string out;
    EXPECT_EQ(ReadWholeFile(dir_ / "f.txt", out),
              k == 1 ? ReadStatus::kCannotOpen : ReadStatus::kFailed)
        << k;
  }
  FaultArm(0);
  std::string out;
  EXPECT_EQ(ReadWholeFile(dir_ / "f.txt", out), ReadStatus::kOk);
  EXPECT_EQ(out.size(), std::size_t{3} << 19);
}

TEST_F(FileIo, ReplaceKeepsTheOldContentWhenAnyOperationFails) {
  const auto target = dir_ / "JWC_TEMP.TXT";
  WriteFileBytes(target, "old\r\n");
  FaultArm(0);
  ASSERT_TRUE(ReplaceFileAtomically(target, {"a\r\n", "", "b\r\n"}));
  EXPECT_EQ(ReadFileBytes(target), "a\r\nb\r\n");
  EXPECT_EQ(Leftovers(target), 0u);
  const long long ops = FaultCalls();  // open, three writes, flush, close, move
  ASSERT_GE(ops, 4);
  for (long long k = 1; k <= ops; ++k) {
    WriteFileBytes(target, "old\r\n");
    FaultArm(k);
    EXPECT_FALSE(ReplaceFileAtomically(target, {"a\r\n", "", "b\r\n"})) << k;
    FaultArm(0);
    EXPECT_EQ(ReadFileBytes(target), "old\r\n") << k;
    EXPECT_EQ(Leftovers(target), 0u) << k;
  }
}

// A replacement built piece by piece leaves the target alone until Commit,
// and whatever fails (or is discarded) leaves no temporary file behind.
TEST_F(FileIo, PiecewiseReplacementCommitsOrLeavesTheTargetAlone) {
  const auto target = dir_ / "JWC_TEMP.TXT";
  WriteFileBytes(target, "old\r\n");
  {
    FileReplacement r(target);
    EXPECT_FALSE(r.Started());
    ASSERT_TRUE(r.Append("a\r\n"));
    EXPECT_TRUE(r.Started());
    ASSERT_TRUE(r.Append("b\r\n"));
    EXPECT_EQ(ReadFileBytes(target), "old\r\n");
    ASSERT_TRUE(r.Commit());
    EXPECT_EQ(ReadFileBytes(target), "a\r\nb\r\n");
    // After a commit the same replacement starts afresh.
    ASSERT_TRUE(r.Append("c\r\n"));
    r.Discard();
    EXPECT_EQ(ReadFileBytes(target), "a\r\nb\r\n");
    EXPECT_EQ(Leftovers(target), 0u);
    ASSERT_TRUE(r.Append("d\r\n"));
  }  // dropped without Commit
  EXPECT_EQ(ReadFileBytes(target), "a\r\nb\r\n");
  EXPECT_EQ(Leftovers(target), 0u);

  // Every operation of three appends and a commit failing in turn.
  FaultArm(0);
  {
    FileReplacement r(target);
    for (const char* piece : {"x", "y", "z"}) r.Append(piece);
    ASSERT_TRUE(r.Commit());
  }
  const long long ops = FaultCalls();  // open, three writes, flush, close, move
  ASSERT_EQ(ops, 7);
  for (long long k = 1; k <= ops; ++k) {
    WriteFileBytes(target, "old\r\n");
    FaultArm(k);
    FileReplacement r(target);
    bool appended = true;
    for (const char* piece : {"x", "y", "z"}) appended = r.Append(piece) && appended;
    EXPECT_EQ(appended, k > 4) << k;
    EXPECT_FALSE(r.Commit()) << k;
    FaultArm(0);
    EXPECT_EQ(ReadFileBytes(target), "old\r\n") << k;
    EXPECT_EQ(Leftovers(target), 0u) << k;
  }
}

}  // namespace

}  // namespace q527
