// Reading on several threads builds the store one thread builds, however the
// input is cut: into blocks as a file comes, into pieces for the threads,
// with lines, CRs, Ctrl-Z and the reader's carried modes falling across every
// cut, on tricky, realistic, malformed and conversion drawings; and a file
// whose read fails part-way keeps what one thread keeps.
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "bench/workload.h"
#include "exchange/file_io.h"
#include "exchange/read_pieces.h"
#include "exchange/reader.h"
#include "support/recorded_pass.h"
#include "support/test_files.h"

namespace q527 {

namespace {

// What a store holds, as far as anyone can tell: every figure with its
// attributes and the header as the output pass writes them, the order, and
// the tables' sizes and room.
struct Contents {
  std::string written;
  std::string fileName;
  std::vector<std::pair<std::int32_t, std::int32_t>> order;
  std::vector<std::size_t> sizes, capacities;
  std::vector<double> pendingMsgLine;
  bool inPolyline = false, msgMode = false;

  bool operator==(const Contents&) const = default;
};

Contents ContentsOf(const Store& s) {
  Contents c;
  c.written = RecordPass(s).bytes;
  c.fileName = s.fileName;
  for (const TJwwOrder& o : s.order) c.order.emplace_back(o.kind, o.index);
  JwwVisitTables(s, [&](auto, const auto& table) {
    c.sizes.push_back(table.size());
    c.capacities.push_back(table.capacity());
  });
  c.sizes.push_back(s.order.size());
  c.capacities.push_back(s.order.capacity());
  const TJwwEntLine& m = s.pendingMsgLine;
  c.pendingMsgLine = {m.x1, m.y1, m.x2, m.y2, static_cast<double>(m.attr.color)};
  c.inPolyline = s.cur.inPolyline;
  c.msgMode = s.cur.msgMode;
  return c;
}

Contents ReadOnOneThread(std::string_view bytes) {
  Store s;
  JwwInit(s);
  JwwReadBuffer(s, bytes);
  return ContentsOf(s);
}

Contents ReadCut(std::string_view bytes, std::size_t block, std::size_t threads,
                 std::size_t piece) {
  Store s;
  JwwInit(s);
  JwwReadInBlocks(s, bytes, block, threads, piece);
  return ContentsOf(s);
}

// Lines that carry state to the lines after them, and lines each cutting
// rule has to get right, repeated with the cuts falling elsewhere each time.
std::string Tricky() {
  const std::string lines[] = {
      "file=C:\\jww\\drawing.jww\r\n",
      "lg1\r\nly2\r\nlc3\r\nlt4\r\nlw5\r\n",
      "pl\r\n0 0 1 1\r\n1 1 2 0\r\n2 0 3 3\r\n#\r\n",
      "msg\r\nlc4\r\n0 0 10 10\r\ncs 1 2 1 0 \"note\r\n",
      "z1\r\nz3\r\nci 0 0 10\r\nhhp7ci\r\nci 0 0 20\r\n",
      "1 1 2\r2 3\r\n",                      // a lone CR, dropped
      "BL 0 0 \x82\r\xA0 z\r\n",             // ... never the second byte of a pair
      "ch 0 0 1 0 \"a\x01" "b  c\x82\xA0\r\n",  // a control byte, blanks, a pair
      "  \r\n\r\n\n",                         // blank lines
      "+1.5 -2 .5 -.5e3\n",                   // LF alone, signs, exponents
      "123456789012345678901234 1e400 0x10 1.\r\n",  // beyond the short road
      "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 32 33\r\n",
      "sl 0 0 1 0 1 1 0 1\r\nse 0 0 5 5 0 0 1 1\r\n",
      "\"quoted at the start 1 2\r\n",
  };
  std::string text;
  for (int round = 0; round < 7; ++round) {
    for (std::size_t i = 0; i < std::size(lines); ++i) {
      text += lines[(i * 5 + round) % std::size(lines)];
      text += std::string(static_cast<std::size_t>(round), ' ') + "0 0 " + std::to_string(round) +
              " 1\r\n";
    }
  }
  return text;
}

struct Input {
  const char* name;
  std::string bytes;
};

std::vector<Input> Inputs() {
  const std::string tricky = Tricky();
  return {
      {"tricky", tricky},
      {"tricky without a last line end", tricky + "ci 1 2 3"},
      {"tricky with a Ctrl-Z inside a line", tricky + "ci 1 2\x1A" " 3\r\nci 0 0 1\r\n"},
      {"tricky ending in a CR", tricky + "ci 1 2 3\r"},
      {"realistic", GenerateRealistic(11, 1500)},
      {"malformed", GenerateMalformed(12, 1500)},
      {"conversion", GenerateConversion(16, 600, 300, 100)},
  };
}

TEST(ReadThreads, EveryCutReadsWhatOneThreadReads) {
  for (const Input& input : Inputs()) {
    SCOPED_TRACE(input.name);
    const Contents one = ReadOnOneThread(input.bytes);
    ASSERT_FALSE(one.order.empty());
    // Blocks: the whole, a byte, a few bytes, a file's. Pieces: a line each,
    // a few lines, the product's.
    for (const std::size_t block : {std::size_t{0}, std::size_t{1}, std::size_t{7},
                                    std::size_t{1} << 20}) {
      for (const std::size_t threads : {std::size_t{1}, std::size_t{2}, std::size_t{7}}) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{100}, kReadPieceBytes}) {
          if (threads == 1 && piece != kReadPieceBytes) continue;  // no pieces on one thread
          SCOPED_TRACE(testing::Message() << "block " << block << ", threads " << threads
                                          << ", piece " << piece);
          EXPECT_TRUE(ReadCut(input.bytes, block, threads, piece) == one);
        }
      }
    }
  }
}

// Long enough for several of the product's pieces, from a file.
TEST(ReadThreads, AFileReadsWhatOneThreadReads) {
  TempDir dir("q527-read-threads");
  const std::filesystem::path path = dir / "JWC_TEMP.TXT";
  const std::string bytes = GenerateRealistic(13, 40000) + GenerateMalformed(14, 8000);
  ASSERT_GT(bytes.size(), 6 * kReadPieceBytes);
  WriteFileBytes(path, bytes);
  const Contents one = ReadOnOneThread(bytes);
  for (const std::size_t threads : {std::size_t{2}, std::size_t{7}}) {
    Store s;
    JwwInit(s);
    ASSERT_EQ(JwwReadFile(s, path, threads), JwwReadStatus::kComplete);
    EXPECT_TRUE(ContentsOf(s) == one) << threads;
  }
}

// A read that fails after some blocks keeps the whole lines of the blocks
// before the failure, as one thread does.
TEST(ReadThreads, AFailedReadKeepsWhatOneThreadKeeps) {
  TempDir dir("q527-read-threads");
  const std::filesystem::path path = dir / "JWC_TEMP.TXT";
  WriteFileBytes(path, GenerateRealistic(15, 60000));
  // Operations: open, then a read a block, then close.
  for (const long long fault : {2LL, 3LL, 4LL, 5LL}) {
    SCOPED_TRACE(fault);
    FaultArm(fault);
    Store one;
    JwwInit(one);
    const JwwReadStatus oneStatus = JwwReadFile(one, path);
    FaultArm(fault);
    Store two;
    JwwInit(two);
    const JwwReadStatus twoStatus = JwwReadFile(two, path, 2);
    FaultArm(0);
    EXPECT_EQ(twoStatus, JwwReadStatus::kPartial);
    EXPECT_EQ(twoStatus, oneStatus);
    EXPECT_TRUE(ContentsOf(two) == ContentsOf(one));
  }
}

}  // namespace

}  // namespace q527
