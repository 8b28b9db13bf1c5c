// The workloads must be the same bytes everywhere (benchmark figures from
// different days compare the same input), must hold what their names promise,
// and must be read the way a host's file is.
#include "bench/workload.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "exchange/reader.h"
#include "exchange/store.h"

namespace q527 {

namespace {

std::uint64_t Fnv1a(std::string_view bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

Store Read(const std::string& bytes) {
  Store s;
  JwwInit(s);
  JwwReadBuffer(s, bytes);
  return s;
}

TEST(Workload, SameArgumentsSameBytesOtherSeedOtherBytes) {
  struct Case {
    const char* name;
    std::string (*make)(std::uint64_t);
  };
  const Case cases[] = {
      {"realistic", [](std::uint64_t seed) { return GenerateRealistic(seed, 3000); }},
      {"malformed", [](std::uint64_t seed) { return GenerateMalformed(seed, 3000); }},
      {"conversion", [](std::uint64_t seed) { return GenerateConversion(seed, 300, 200, 100); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.make(5), c.make(5));
    EXPECT_NE(c.make(5), c.make(6));
  }
}

// Pinned digests: a change here means a standard library or compiler gave
// other bytes (the generator leaned on something implementation-defined), or
// the generator was changed and older measurements no longer compare.
TEST(Workload, BytesArePinnedAcrossMachines) {
  EXPECT_EQ(Fnv1a(GenerateRealistic(7, 500)), 220138000449552163u) << "realistic";
  EXPECT_EQ(Fnv1a(GenerateConversion(7, 50, 40, 30)), 6786170020568685301u) << "conversion";
  EXPECT_EQ(Fnv1a(GenerateMalformed(7, 500)), 13248849334476475469u) << "malformed";
}

TEST(Workload, ConversionHoldsExactlyTheAskedCounts) {
  struct Case {
    long long circles, arcs, solids;
  };
  for (const Case c :
       {Case{0, 0, 0}, Case{1, 0, 0}, Case{0, 7, 0}, Case{0, 0, 3}, Case{1000, 500, 100}}) {
    SCOPED_TRACE(testing::Message() << c.circles << "/" << c.arcs << "/" << c.solids);
    const Store s = Read(GenerateConversion(3, c.circles, c.arcs, c.solids));
    EXPECT_EQ(static_cast<long long>(s.circles.size()), c.circles);
    EXPECT_EQ(static_cast<long long>(s.arcs.size()), c.arcs);
    EXPECT_EQ(static_cast<long long>(s.ses.size()), c.solids);
    EXPECT_EQ(static_cast<long long>(s.order.size()), c.circles + c.arcs + c.solids);
  }
}

TEST(Workload, RealisticHasEveryKindAndExactFigureCount) {
  const long long figures = 20000;
  const std::string bytes = GenerateRealistic(4, figures);
  const Store s = Read(bytes);
  EXPECT_EQ(static_cast<long long>(s.order.size()), figures);
  const std::pair<const char*, std::size_t> tables[] = {
      {"lines", s.lines.size()},     {"circles", s.circles.size()}, {"arcs", s.arcs.size()},
      {"texts", s.texts.size()},     {"points", s.points.size()},   {"pointExs", s.pointExs.size()},
      {"msgs", s.msgs.size()},       {"blocks", s.blocks.size()},   {"solid2s", s.solid2s.size()},
      {"solid3s", s.solid3s.size()}, {"solid4s", s.solid4s.size()}, {"scs", s.scs.size()},
      {"ses", s.ses.size()},         {"sos", s.sos.size()},         {"sgs", s.sgs.size()}};
  for (const auto& [name, count] : tables) EXPECT_GT(count, 0u) << name;
  EXPECT_GT(s.lines.size(), static_cast<std::size_t>(figures / 2)) << "lines are the bulk";
  EXPECT_GT(s.cur.plCounter, 0) << "polylines";
  EXPECT_TRUE(s.cur.lwGiven);
  EXPECT_FALSE(s.fileName.empty());
}

// Every line ends in CR LF, and every lead byte has its second byte on the
// same line: the file is what the host writes, not junk.
TEST(Workload, RealisticIsCleanShiftJisWithCrLf) {
  const std::string bytes = GenerateRealistic(9, 20000);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  bool sawDoubleByte = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if ((b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD)) {
      ASSERT_LT(i + 1, bytes.size());
      const auto second = static_cast<unsigned char>(bytes[i + 1]);
      ASSERT_TRUE(second >= 0x40 && second != 0x7F) << "offset " << i;
      sawDoubleByte = true;
      ++i;
    } else if (b == '\r') {
      ASSERT_EQ(bytes[i + 1], '\n') << "offset " << i;
      ++i;
    } else {
      ASSERT_TRUE(b >= 0x20 && b != 0x7F && b <= 0xDF) << "offset " << i << " byte " << int(b);
    }
  }
  EXPECT_TRUE(sawDoubleByte);
}

// A million figures make about 50 MB; the benchmarks' throughput figures
// assume that density.
TEST(Workload, RealisticDensityIsAboutFiftyBytesPerFigure) {
  const long long figures = 100000;
  const double perFigure =
      static_cast<double>(GenerateRealistic(1, figures).size()) / static_cast<double>(figures);
  EXPECT_GT(perFigure, 42.0);
  EXPECT_LT(perFigure, 58.0);
}

TEST(Workload, MalformedHoldsTheAdvertisedJunk) {
  const std::string bytes = GenerateMalformed(2, 5000);
  EXPECT_NE(bytes.find('\0'), std::string::npos) << "NUL";
  EXPECT_NE(bytes.find('\x1a'), std::string::npos) << "Ctrl-Z";
  EXPECT_NE(bytes.find("\r "), std::string::npos) << "lone CR";
  EXPECT_NE(bytes.find("\x82\r\n"), std::string::npos) << "lone lead byte";
  std::size_t longest = 0;
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
    longest = std::max(longest, end - start);
    start = end + 1;
  }
  EXPECT_GT(longest, 1000u) << "long lines";
  // Nothing after the Ctrl-Z is read, so fewer figures than lines before it.
  const Store s = Read(bytes);
  EXPECT_GT(s.order.size(), 1000u);
  EXPECT_LT(s.order.size(), 5000u);
}

TEST(Workload, StoreHeapBytesCountsCapacityAndLongStrings) {
  Store s;
  JwwInit(s);
  const std::size_t empty = StoreHeapBytes(s);
  s.lines.reserve(100);
  EXPECT_GE(StoreHeapBytes(s), empty + 100 * sizeof(TJwwEntLine));
  const std::size_t withLines = StoreHeapBytes(s);
  TJwwEntText t;
  t.text.assign(200, 'a');
  t.font.assign(1, 'x');  // short enough to live inside the string object
  s.texts.push_back(t);
  EXPECT_GE(StoreHeapBytes(s), withLines + sizeof(TJwwEntText) + 200);
  EXPECT_LT(StoreHeapBytes(s), withLines + s.texts.capacity() * sizeof(TJwwEntText) + 240);
}

}  // namespace

}  // namespace q527
