// The output pass on several threads writes what it writes on one: the same
// lines, the same progress texts and looks at Escape, the same writer memory
// after an abort, and the same file when the lines are moved out as they
// grow; on generated realistic, malformed and converted drawings.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "bench/workload.h"
#include "conversion/polygons.h"
#include "exchange/out_lines.h"
#include "support/conversion_store.h"
#include "support/recorded_pass.h"

namespace q527 {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kThreadCounts[] = {2, 7};

// Drawings long enough for several pieces each.
std::vector<std::pair<std::string, Store>> Drawings() {
  PolygonPolicy mid{.planned = true, .fit = PolygonFit::kMid, .maxDeviation = 0.5};
  const std::string conversion = GenerateConversion(5, 600, 300, 100);
  std::vector<std::pair<std::string, Store>> d;
  d.emplace_back("realistic", ReadStore(GenerateRealistic(1, 16000)));
  d.emplace_back("malformed", ReadStore(GenerateMalformed(2, 20000)));
  d.emplace_back("realistic converted", Converted(GenerateRealistic(3, 16000), PolygonPolicy{}));
  d.emplace_back("conversion n24", Converted(conversion, PolygonPolicy{.segments = 24}));
  d.emplace_back("conversion mid", Converted(conversion, mid));
  return d;
}

TEST(OutputThreads, EveryCountWritesWhatOneThreadWrites) {
  TJwwOverrides overrides;
  overrides.lg = 3;
  overrides.color = 10;
  overrides.solidColor = 4;
  overrides.textColor = 2;
  for (const auto& [name, s] : Drawings()) {
    SCOPED_TRACE(name);
    const RecordedPass one = RecordPass(s);
    // Pieces are some 4096 entries: at least three of them.
    ASSERT_GT(one.polls, 3 * 41);
    const RecordedPass oneOverridden = RecordPass(s, 0, 1, overrides);
    for (const std::size_t threads : kThreadCounts) {
      SCOPED_TRACE(threads);
      ExpectSamePass(RecordPass(s, 0, threads), one);
      ExpectSamePass(RecordPass(s, 0, threads, overrides), oneOverridden);
    }
  }
}

// Escape at the first look, inside a later piece and at the last look: the
// closing lines show the writer's memory at the stop.
TEST(OutputThreads, AnAbortLeavesWhatOneThreadLeaves) {
  for (const auto& [name, s] : Drawings()) {
    SCOPED_TRACE(name);
    const int looks = RecordPass(s).polls;
    for (const int at : {1, looks / 2, looks}) {
      SCOPED_TRACE(at);
      const RecordedPass one = RecordPass(s, at);
      for (const std::size_t threads : kThreadCounts) ExpectSamePass(RecordPass(s, at, threads), one);
    }
  }
}

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The lines moved into the target's temporary file as they grow.
std::string SpilledFile(const Store& s, std::size_t threads, const fs::path& path) {
  TJwwWriter w(s);
  JwwWriteStart(w);
  JwwSpillOutTo(w.lines, path);
  w.lines.spillAt = 50000;
  JwwWriteAll(s, w, {}, nullptr, nullptr, threads);
  EXPECT_GT(w.lines.spilled, 0u);
  EXPECT_TRUE(JwwWriteFile(w.lines, path));
  return FileBytes(path);
}

TEST(OutputThreads, SpilledFileIsTheSameForEveryCount) {
  const fs::path path = fs::temp_directory_path() / "q527-output-threads-test.txt";
  const Store s = Converted(GenerateConversion(8, 500, 200, 50), PolygonPolicy{.segments = 24});
  const std::string one = SpilledFile(s, 1, path);
  ASSERT_FALSE(one.empty());
  for (const std::size_t threads : kThreadCounts) {
    EXPECT_TRUE(SpilledFile(s, threads, path) == one) << threads << " threads";
  }
  fs::remove(path);
}

}  // namespace

}  // namespace q527
