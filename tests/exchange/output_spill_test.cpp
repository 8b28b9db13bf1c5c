// The output pass moving finished lines into the exchange file's temporary
// file as it goes: the file must come out byte for byte as from the list held
// whole, and every way the run can end must leave the target whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <type_traits>
#include <utility>

#include "conversion/polygons.h"
#include "exchange/file_io.h"
#include "exchange/output_pass.h"
#include "exchange/reader.h"
#include "exchange/writer.h"
#include "support/test_files.h"

namespace q527 {

namespace {

namespace fs = std::filesystem;

// The bundled sample (every kind, Shift-JIS texts) and figures whose emitter
// drops them while they carry z-flags, converted at N = 7 so the pass has a
// few hundred entries.
struct ConvertedDrawing {
  Store s;
  TJwwWriter w{s};
  TJwwOutLines& out = w.lines;
  ConvertedDrawing() {
    std::string file = ReadFileBytes(fs::path(Q527_SOURCE_DIR) / "samples/JWC_TEMP.TXT");
    file += "z3\r\nci 0 0 0\r\nz5\r\n1 1 1 1\r\nz1\r\nci 4 4 2\r\nz2\r\n0 0 5 5\r\n";
    JwwInit(s);
    JwwReadBuffer(s, file);
    JwwWriteStart(w);
    EXPECT_EQ(ConvertCircles(s, 7), ConvertStatus::kDone);
    EXPECT_EQ(ConvertArcs(s, 7), ConvertStatus::kDone);
    EXPECT_EQ(ConvertSolidCircles(s, 7), ConvertStatus::kDone);
  }
};

void Pass(ConvertedDrawing& d, EscapeKey* escape = nullptr) {
  JwwAddOut(d.w, "hd");
  JwwWriteAll(d.s, d.w, {}, nullptr, escape);
}

std::string HeldWhole() {
  ConvertedDrawing d;
  Pass(d);
  return d.out.bytes;
}

struct EscapeAtPoll : EscapeKey {
  explicit EscapeAtPoll(int at) : at(at) {}
  bool IsDown() override { return ++polls == at; }
  int at;
  int polls = 0;
};

class OutputSpill : public ::testing::Test {
 protected:
  void SetUp() override {
    FaultArm(0);
    WriteFileBytes(target_, "old\r\n");
  }
  void TearDown() override { FaultArm(0); }
  std::size_t Leftovers() const {
    std::size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir_.path())) n += e.path() != target_;
    return n;
  }
  TempDir dir_{"q527-spill"};
  fs::path target_ = dir_ / "JWC_TEMP.TXT";
};

TEST_F(OutputSpill, FileIsByteIdenticalToTheListHeldWhole) {
  const std::string whole = HeldWhole();
  ASSERT_GT(whole.size(), 5000u);
  // A threshold of one byte moves the lines out after every figure; the
  // others land between the lines of a polygon or of a text's attributes.
  for (std::size_t spillAt : {std::size_t{1}, std::size_t{97}, std::size_t{4096}, whole.size()}) {
    WriteFileBytes(target_, "old\r\n");
    ConvertedDrawing s;
    JwwSpillOutTo(s.out, target_);
    s.out.spillAt = spillAt;
    Pass(s);
    EXPECT_LT(s.out.bytes.size(), spillAt + 512) << spillAt;
    EXPECT_EQ(ReadFileBytes(target_), "old\r\n") << "the target changed before the save";
    ASSERT_TRUE(JwwWriteFile(s.out, target_)) << spillAt;
    EXPECT_EQ(ReadFileBytes(target_), whole) << spillAt;
    EXPECT_EQ(Leftovers(), 0u) << spillAt;
    // The lines moved out are gone: saving again cannot make the same file.
    EXPECT_EQ(JwwWriteFile(s.out, target_), spillAt >= whole.size()) << spillAt;
    EXPECT_EQ(ReadFileBytes(target_), whole) << spillAt;
  }
}

TEST_F(OutputSpill, AbortAndClearRemoveWhatWasMovedOut) {
  // Escape at the second poll (entry 100), after lines were moved out: the
  // save holds only the closing layer lines, as without a spill.
  ConvertedDrawing held;
  EscapeAtPoll heldEscape(2);
  Pass(held, &heldEscape);

  ConvertedDrawing s;
  JwwSpillOutTo(s.out, target_);
  s.out.spillAt = 1;
  EscapeAtPoll escape(2);
  Pass(s, &escape);
  EXPECT_EQ(s.out.bytes, held.out.bytes);
  EXPECT_EQ(s.out.spilled, 0u);
  EXPECT_EQ(Leftovers(), 0u);
  ASSERT_TRUE(JwwWriteFile(s.out, target_));
  EXPECT_EQ(ReadFileBytes(target_), held.out.count == 0 ? "hq\r\n" : held.out.bytes);

  // Cleared after a full pass (a failure later in the run): "hq".
  ConvertedDrawing t;
  JwwSpillOutTo(t.out, target_);
  t.out.spillAt = 1;
  Pass(t);
  JwwClearOut(t.out);
  EXPECT_EQ(Leftovers(), 0u);
  ASSERT_TRUE(JwwWriteFile(t.out, target_));
  EXPECT_EQ(ReadFileBytes(target_), "hq\r\n");
}

// Each file operation of the pass and the save failing in turn: the pass
// throws JwwSpillError or the save fails, and the target keeps its content.
TEST_F(OutputSpill, FailuresLeaveTheTargetWhole) {
  const std::string whole = HeldWhole();
  long long points = 0;
  for (long long k = 1;; ++k) {
    WriteFileBytes(target_, "old\r\n");
    ConvertedDrawing s;
    JwwSpillOutTo(s.out, target_);
    s.out.spillAt = 2048;
    FaultArm(k);
    bool thrown = false;
    try {
      Pass(s);
    } catch (const JwwSpillError&) {
      thrown = true;
      JwwClearOut(s.out);
    }
    const bool saved = JwwWriteFile(s.out, target_);
    const long long calls = FaultCalls();
    FaultArm(0);
    const std::string now = ReadFileBytes(target_);
    if (k > calls) {  // the fault was never reached: the fault-free run
      EXPECT_TRUE(saved);
      EXPECT_EQ(now, whole);
      break;
    }
    ++points;
    EXPECT_FALSE(saved && !thrown) << k;
    EXPECT_TRUE(now == "old\r\n" || (thrown && now == "hq\r\n")) << k << ": " << now.substr(0, 80);
    EXPECT_EQ(Leftovers(), 0u) << k;
  }
  EXPECT_GT(points, 5);
}

TEST_F(OutputSpill, OnlyTheSpillsOwnTargetCanTakeTheLines) {
  ConvertedDrawing s;
  JwwSpillOutTo(s.out, target_);
  s.out.spillAt = 1;
  Pass(s);
  const fs::path other = dir_ / "other.txt";
  EXPECT_FALSE(JwwWriteFile(s.out, other));
  EXPECT_FALSE(fs::exists(other));

  // The lines own their temporary file: they can be moved, with what was
  // moved out, but not copied.
  static_assert(!std::is_copy_constructible_v<TJwwOutLines>);
  TJwwOutLines moved = std::move(s.out);
  EXPECT_EQ(ReadFileBytes(target_), "old\r\n");

  ASSERT_TRUE(JwwWriteFile(moved, target_));
  EXPECT_EQ(ReadFileBytes(target_), HeldWhole());
  EXPECT_EQ(Leftovers(), 0u);
}

}  // namespace

}  // namespace q527
