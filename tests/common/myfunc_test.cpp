#include "common/myfunc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace q527 {

namespace {

using namespace std::string_literals;

constexpr std::string_view kFullSpace = "\x81\x40";

struct StripCase {
  std::string in;
  std::string want;
};

TEST(StripBlanks, RemovesBlanksAndControlsButKeepsDoubleByteCharacters) {
  const StripCase cases[] = {
      {"\x81\x40"
       "A B\t",
       "AB"},
      {" \x81\x40\t\r\n \x01\x1f", ""},
      {"\x83\x5C", "\x83\x5C"},  // second byte looks like a backslash
      {"\x83\x40", "\x83\x40"},  // second byte equals the full-width space's
      {"\x81\x40"
       "1",
       "1"},
      {"\x82\x20x", "\x82\x20x"},        // a blank as second byte belongs to the pair
      {"\x80\x0a", "\x80\x0a"},          // 0x80 is a lead byte, its partner a control code
      {"\xFD\x09", "\xFD\x09"},          // 0xFD is a lead byte too
      {"\xFE \xFF", "\xFE\xFF"},         // 0xFE and 0xFF stand alone
      {"\x7F\xA0\xDF", "\x7F\xA0\xDF"},  // DEL and single-byte katakana stay
      {"\x81\x81\x40", "\x81\x81@"},     // pairs are taken from the left
      {"a\x81", "a\x81\0"s},             // a trailing lead byte gets a zero partner
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StripBlanks(c.in), c.want) << "input: " << c.in;
  }
}

TEST(TextToBool, AcceptsExactlyTheTenTrueTexts) {
  const std::string yes[] = {"T",        "TR",
                             "TRU",      "TRUE",
                             "1",        "ON",
                             "t r u e",  "tr",
                             "oN",       "\x82\x50",
                             "\x81\x9B", "\x90\x5E",
                             "\x90\xB3", std::string(kFullSpace) + "1",
                             " TRUE\r\n"};
  for (const auto& t : yes) EXPECT_TRUE(TextToBool(t)) << t;
  const std::string no[] = {"",     "   ", "0", "F",     "FALSE", "NO",       "OFF",
                            "YES",  "O",   "Y", "TRUEX", "11",    "\x82\x51", "\x90\x5E\x90\x5E",
                            "T\x81"};
  for (const auto& t : no) EXPECT_FALSE(TextToBool(t)) << t;
}

TEST(BoolToText, GivesOneOrZero) {
  EXPECT_EQ(BoolToText(true), "1");
  EXPECT_EQ(BoolToText(false), "0");
}

struct IntCase {
  const char* in;
  std::int32_t want;
};

TEST(TextToInt, ReadsDecimalAndHexadecimalLiterals) {
  const IntCase cases[] = {
      {"  42", 42},
      {"42 ", 0},
      {"-17", -17},
      {"+5", 5},
      {"0", 0},
      {"-0", 0},
      {"007", 7},
      {"$1F", 31},
      {"$1f", 31},
      {"x1F", 31},
      {"X1F", 31},
      {"0x10", 16},
      {"0X10", 16},
      {"-$10", -16},
      {"+$10", 16},
      {"-0x10", -16},
      {"$FFFFFFFF", -1},
      {"$7FFFFFFF", 2147483647},
      {"$80000000", -2147483647 - 1},
      {"$000000001", 1},
      {"$100000000", 0},
      {"2147483647", 2147483647},
      {"2147483648", 0},
      {"-2147483648", -2147483647 - 1},
      {"-2147483649", 0},
      {"99999999999999999999", 0},
      {"3.0", 0},
      {"1e3", 0},
      {"-", 0},
      {"+", 0},
      {"$", 0},
      {"0x", 0},
      {"x", 0},
      {"", 0},
      {"\t5", 0},
      {"1,0", 0},
      {"--5", 0},
      {"$G", 0},
      {"\x82\x54", 0},
      {"0000000000000000000042", 42},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToInt(c.in), c.want) << '"' << c.in << '"';
}

struct FloatCase {
  const char* in;
  double want;
};

TEST(TextToFloat, ReadsDecimalRealsAndRejectsEverythingElse) {
  const FloatCase cases[] = {
      {"  1.5", 1.5}, {"-2.5E3", -2500},
      {".5", 0.5},    {"5.", 5},
      {"+5", 5},      {"1e-2", 0.01},
      {"1E+2", 100},  {"-.25", -0.25},
      {"1,5", 0},     {"1.5 ", 0},
      {"1e", 0},      {"1e+", 0},
      {"$10", 0},     {"", 0},
      {".", 0},       {"-", 0},
      {"e5", 0},      {"inf", 0},
      {"nan", 0},     {"0x10", 0},
      {"1.2.3", 0},   {"\t1", 0},
      {"1e400", 0},   {"-1e400", 0},
      {"1e-400", 0},  {"123456789012345678901234567890", 1.2345678901234568e29},
      {"0.1", 0.1},   {"1189.0", 1189.0},
      {"1.e3", 1000}, {"+-5", 0},
      {"-+5", 0},     {".e3", 0},
      {"1e5x", 0},    {"infinity", 0},
      {"-inf", 0},    {"1e+-5", 0},
      {"- 5", 0},     {"0x1p3", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToFloat(c.in), c.want) << '"' << c.in << '"';
}

TEST(TextToFloat, HugeExponentsNeitherCrashNorGiveInfinity) {
  EXPECT_EQ(TextToFloat("9" + std::string(400, '9')), 0.0);
  EXPECT_EQ(TextToFloat("1e99999999999999999999999"), 0.0);
  EXPECT_EQ(TextToFloat("1e-99999999999999999999999"), 0.0);
  EXPECT_EQ(TextToFloat("0." + std::string(500, '0') + "1e500"), 0.1);
}

}  // namespace

}  // namespace q527
