// DecimalTextToDouble is the reader's road for every number text that the
// short road cannot take (more than 19 digits, exponents past 10^22). It must
// give the correctly rounded double on every build, so it is held to exact
// bit patterns here (the 32-bit Windows build runs this test too, where the
// runtime's own conversion is not correctly rounded).
#include "common/decimal_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace q527 {

namespace {

std::uint64_t Bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

struct Case {
  std::string text;
  double want;
};

TEST(DecimalText, RoundsToNearestEvenAtEveryEdge) {
  // 1 + 2^-53 exactly: halfway between 1 and the next double.
  const std::string halfAboveOne = "1.00000000000000011102230246251565404236316680908203125";
  const Case cases[] = {
      {"2.2250738585072011e-308", 0x0.fffffffffffffp-1022},
      {"2.2250738585072012e-308", 0x1.0000000000000p-1022},
      {"4.9406564584124654e-324", 0x0.0000000000001p-1022},
      {"2.4703282292062328e-324", 0x0.0000000000001p-1022},
      {"1.7976931348623157e308", 0x1.fffffffffffffp+1023},
      {"1.7976931348623158e308", 0x1.fffffffffffffp+1023},
      {"9007199254740993", 0x1.0000000000000p+53},
      {"9007199254740993.00000000000000000000000000001", 0x1.0000000000001p+53},
      {"0.1", 0x1.999999999999ap-4},
      {"1e23", 0x1.52d02c7e14af6p+76},
      {"8.98846567431158e307", 0x1.0000000000000p+1023},
      {"123456789012345678901234567890e-40", 0x1.b25ffd636ec12p-37},
      {"0.000000000000000000000000000000000000000000001e45", 0x1.0000000000000p+0},
      {"1.00000000000000011102230246251565404236316680908203125", 0x1.0000000000000p+0},
      {"7.2057594037927933e16", 0x1.0000000000000p+56},
      {"3.0517578125e-5", 0x1.0000000000000p-15},
      {"1.00000000000000000000000000000000000000000000000000000000001", 0x1.0000000000000p+0},
      {"999999999999999999999999999999999999999999e-42", 0x1.0000000000000p+0},
      {halfAboveOne, 1.0},                                                 // a tie goes to even
      {halfAboveOne + std::string(900, '0') + "1", 0x1.0000000000001p+0},  // past 800 digits
      {halfAboveOne + std::string(900, '0'), 1.0},
      {"0" + std::string(2000, '0') + "." + std::string(300, '0') + "5e301", 5.0},
  };
  for (const Case& c : cases) {
    double got = -1;
    ASSERT_TRUE(DecimalTextToDouble(c.text, got)) << c.text.substr(0, 80);
    EXPECT_EQ(Bits(got), Bits(c.want))
        << c.text.substr(0, 80) << ": " << got << ", want " << c.want;
  }
}

// 2^-1075 exactly: halfway between 0 and the smallest double, so it rounds to
// 0 (even) and is out of range.
constexpr const char* kHalfOfTheSmallest =
    "2.47032822920623272088284396434110686182529901307162382212792841250337753635104375932649"
    "9181808179961898982823477228588654633283551779698981993873980053909390631503565951557022"
    "6392290858392449105184435931802849936536152500319370457678249219365623669863658480757001"
    "5857692699037063119282795585513329278343384093519780155312465972635795746227664652728272"
    "2005637400648549997709659947045402082816622623785739345073633900796776193057750674017632"
    "4673600968951340535537458516661134223766678604162159680461914467291840300530057530849048"
    "7653917113865916462395249126236538818796362393732804238910186723484976682350898633885879"
    "2562830275599565752445550725518931369083625477918694866799496832404970582102851318545139"
    "6213837722826145437693412532098591327667236328125e-324";

TEST(DecimalText, RefusesWhatIsOutOfRangeOrNotANumber) {
  const char* const refused[] = {
      "2.4703282292062327e-324",
      kHalfOfTheSmallest,
      "1.7976931348623159e308",
      "1e400",
      "1e-400",
      "1e999999999999",
      "",
      ".",
      "e5",
      ".e5",
      "1e",
      "1e+",
      "1e-",
      "1.2.3",
      "1e5.5",
      "0x10",
      "inf",
      "nan",
      "1 ",
      " 1",
      "+1",
      "-1",
      "1f",
  };
  for (const char* text : refused) {
    double out = 42;
    EXPECT_FALSE(DecimalTextToDouble(text, out)) << '"' << text << '"';
    EXPECT_EQ(out, 42) << '"' << text << '"';
  }
  for (const char* zero : {"0", "0.", ".0", "000.000e99999", "0e-99999999999999"}) {
    double out = 42;
    EXPECT_TRUE(DecimalTextToDouble(zero, out)) << zero;
    EXPECT_EQ(Bits(out), Bits(0.0)) << zero;
  }
}

}  // namespace

}  // namespace q527
