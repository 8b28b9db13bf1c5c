#include "exchange/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_files.h"

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
  EXPECT_EQ(ReadWholeFile(dir_.path(), out), ReadStatus::kFailed);
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
    EXPECT_EQ(ReadWholeFile(dir_ / "f.txt", out), ReadStatus::kFailed) << k;
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

}  // namespace
