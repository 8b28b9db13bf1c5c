// The plain-line road of the field splitter must give exactly what the
// byte-wise road gives, and hand every other line on.
#include "exchange/fields.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace q527 {

namespace {

struct Split {
  bool kept = false;  // false: the line is ignored
  std::vector<std::string> fields;
  std::size_t count = 0;
  bool operator==(const Split&) const = default;
};

Split Collect(bool kept, const FieldList& f) {
  Split r{kept, {}, f.count};
  for (std::size_t i = 0; i < f.count && i < kMaxFields; ++i) r.fields.emplace_back(f[i]);
  return r;
}

bool HasOnlyPlainBytesAndBlanks(const std::string& line) {
  for (unsigned char b : line) {
    if (b != ' ' && !(b > 0x20 && b < 0x7F && b != '"' && b != '=')) return false;
  }
  return true;
}

// Compares the roads on one line; the plain road must take every line of
// plain bytes and blanks, and no other before its 33rd field.
void Compare(const std::string& line) {
  FieldSplitter anyLine;
  FieldList expected;
  const Split want = Collect(anyLine.SplitAnyLine(line, expected), expected);
  for (auto split : {SplitPlainLine, SplitPlainLineByWords}) {
    FieldList got;
    const PlainSplit road = split(line, got);
    if (road == PlainSplit::kNotPlain) {
      ASSERT_FALSE(HasOnlyPlainBytesAndBlanks(line)) << '[' << line << ']';
      continue;
    }
    // Another byte may stand only past the 33rd field, which neither road
    // reads.
    if (!HasOnlyPlainBytesAndBlanks(line)) {
      ASSERT_EQ(want.count, kMaxFields + 1) << '[' << line << ']';
    }
    EXPECT_EQ(Collect(road == PlainSplit::kFields, got), want) << '[' << line << ']';
  }
  // The splitter as the reader uses it takes either road to the same fields.
  FieldSplitter reader;
  FieldList through;
  EXPECT_EQ(Collect(reader.Split(line, through), through), want) << '[' << line << ']';
}

TEST(FieldSplitting, PlainRoadAgreesOnChosenLines) {
  const std::string cases[] = {
      "",
      " ",
      "        ",
      "a",
      " a",
      "a ",
      "  a  b  ",
      "1234.56789012345 -5.25 100 200.5",
      "ci 10 20 5",
      "lg1",
      "hhp 3",
      std::string(63, 'x') + " y",
      std::string(64, 'x') + " y",
      std::string(65, ' ') + "z",
      "a" + std::string(200, ' '),
      std::string(130, '7'),
      // Exactly 32 fields, then with a trailing blank (that makes it "more"),
      // then 33: the counting of the byte-wise road is kept.
      [] {
        std::string s;
        for (int i = 0; i < 32; ++i) s += (i ? " f" : "f") + std::to_string(i);
        return s;
      }(),
      [] {
        std::string s;
        for (int i = 0; i < 32; ++i) s += "f" + std::to_string(i) + " ";
        return s;
      }(),
      [] {
        std::string s;
        for (int i = 0; i < 33; ++i) s += " f" + std::to_string(i);
        return s;
      }(),
      // Lines the plain road must hand on.
      "ch 0 0 1 0 \"text",
      "file=a.jww",
      "a\tb",
      "a\x01"
      "b",
      "a\x7F",
      "\x81\x40",
      "x\xA5y",
      "abcdefgh\xFF",
      std::string(70, 'a') + "=",
  };
  for (const std::string& line : cases) Compare(line);
}

TEST(FieldSplitting, PlainRoadAgreesOnRandomLines) {
  std::mt19937_64 rng(527);
  const std::string plain = "0123456789.-+eEabcxyzlgych$#";
  const std::string odd = "\"=\t\x01\x7F\x81\xA5\xE0\xFF";
  for (int n = 0; n < 200000; ++n) {
    const std::size_t length = rng() % 150;
    const bool allPlain = rng() % 4 != 0;
    const unsigned blankOdds = 2 + rng() % 8;
    std::string line;
    for (std::size_t i = 0; i < length; ++i) {
      if (rng() % blankOdds == 0) {
        line += ' ';
      } else if (!allPlain && rng() % 20 == 0) {
        line += odd[rng() % odd.size()];
      } else {
        line += plain[rng() % plain.size()];
      }
    }
    Compare(line);
    if (HasFailure()) break;
  }
}

}  // namespace

}  // namespace q527
