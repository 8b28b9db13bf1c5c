#include "exchange/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "support/proof_count.h"

namespace q527 {

namespace {

std::string Real(double v) {
  char buf[kRealTextMax];
  return std::string(buf, FormatReal(buf, v));
}

std::string RealExact(double v) {
  char buf[kRealTextMax];
  return std::string(buf, FormatRealExact(buf, v));
}

double Parse(const std::string& text) {
  double v = 0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

struct RealCase {
  double value;
  const char* text;
};

TEST(FormatRealTest, WritesTheDescribedTexts) {
  const RealCase cases[] = {
      {12.5, "12.5"},
      {100.0, "100"},
      {0.1 + 0.2, "0.3"},
      {1e-5, "1E-5"},
      {1.5e20, "1.5E20"},
      {0.0001, "0.0001"},
      {0.00009999999999999999, "0.0001"},  // rounds up to the plain boundary
      {0.00009999999999999, "9.999999999999E-5"},
      {999999999999999.9, "1E15"},
      {999999999999999.4, "999999999999999"},
      {-999999999999999.0, "-999999999999999"},
      {1e15, "1E15"},
      {123456789012345678.0, "1.23456789012346E17"},
      {-0.0, "0"},
      {0.0, "0"},
      {1.0, "1"},
      {-1.0, "-1"},
      {-12.25, "-12.25"},
      {0.5, "0.5"},
      {10.0, "10"},
      {1234567.0, "1234567"},
      {0.000123, "0.000123"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {-2.0 / 3.0 * 1e-7, "-6.66666666666667E-8"},
      {1e100, "1E100"},
      {1.25e-300, "1.25E-300"},
      {DBL_MAX, "1.79769313486232E308"},
      {DBL_MIN, "2.2250738585072E-308"},
      {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
      {-std::numeric_limits<double>::denorm_min(), "-4.94065645841247E-324"},
      // Rounding boundaries: a five in the 16th digit, with and without more.
      {1.000000000000005, "1.00000000000001"},
      {1.0000000000000049, "1"},
      {1000000000000005.0, "1E15"},  // exact tie: half to even
      {1000000000000015.0, "1.00000000000002E15"},
      {0.1234567890123455, "0.123456789012345"},  // the double lies just below the tie
      {0.1234567890123456, "0.123456789012346"},
      {123456789.0123456, "123456789.012346"},
      {99999.99999999999, "100000"},
      {-9.999999999999995, "-9.99999999999999"},  // the double lies just below the tie
      {99999999999999.25, "99999999999999.2"},    // exact ties inside the plain range
      {99999999999999.75, "99999999999999.8"},
      {1234567890123.375, "1234567890123.38"},
      {0.0001220703125, "0.0001220703125"},
      {1e-8, "1E-8"},
      {12345.678901234567, "12345.6789012346"},
  };
  for (const RealCase& c : cases) {
    EXPECT_EQ(Real(c.value), c.text) << "value " << c.value;
    EXPECT_EQ(RealExact(c.value), c.text) << "value " << c.value;
  }
}

TEST(FormatRealTest, NonFiniteValuesBecomeZero) {
  EXPECT_EQ(Real(std::numeric_limits<double>::infinity()), "0");
  EXPECT_EQ(Real(-std::numeric_limits<double>::infinity()), "0");
  EXPECT_EQ(Real(std::numeric_limits<double>::quiet_NaN()), "0");
}

// Doubles that stress the fast roads: every class the real rule treats apart.
class RealSource {
 public:
  explicit RealSource(std::uint64_t seed) : rng_(seed) {}

  double Next() {
    const double v = Pick();
    return (rng_() & 1) ? -v : v;
  }

 private:
  unsigned Below(unsigned n) { return static_cast<unsigned>(rng_() % n); }

  double Pick() {
    switch (Below(10)) {
      case 0:
      case 1: return FromBits(rng_());                                 // any finite double
      case 2: return Parse(Digits(1 + Below(8)) + Exponent(-12, 12));  // few digits
      case 3:
      case 4: return Nudge(Parse(NearBoundary()), 3);                     // x.xxxxxxxxxxxxxx5
      case 5: return Nudge(static_cast<double>(rng_() >> Below(64)), 3);  // integers
      case 6: return Nudge(Parse(Landmark()), 100);                       // powers of ten, limits
      case 7: return FromBits(rng_() & ((std::uint64_t{1} << 52) - 1));   // subnormals
      case 8:
        return std::ldexp(static_cast<double>(rng_() >> (11 + Below(40))),
                          -static_cast<int>(Below(12)));
      default:  // vertices as the conversion run computes them: 17 digits
        return Below(200000) / 8.0 - 12500 +
               std::ldexp(Below(100000), -6) * std::cos(Below(1000000) * 1e-5);
    }
  }

  double FromBits(std::uint64_t bits) {
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return std::isfinite(v) ? v : 1.0;
  }

  // Steps up to max ulps either way, staying finite.
  double Nudge(double v, unsigned max) {
    const int steps = static_cast<int>(Below(2 * max + 1)) - static_cast<int>(max);
    for (int i = 0; i < std::abs(steps); ++i) {
      const double next = std::nextafter(v, steps > 0 ? INFINITY : -INFINITY);
      if (!std::isfinite(next)) break;
      v = next;
    }
    return v;
  }

  std::string Digits(unsigned n) {
    std::string d(1, static_cast<char>('1' + Below(9)));
    while (d.size() < n) d += static_cast<char>('0' + Below(10));
    return d;
  }

  std::string Exponent(int lo, int hi) {
    return "e" + std::to_string(lo + static_cast<int>(Below(static_cast<unsigned>(hi - lo + 1))));
  }

  // 15 digits and a 5, sometimes with more digits after it; half of them in
  // the range of drawing numbers.
  std::string NearBoundary() {
    std::string d = Digits(15) + "5";
    if (rng_() & 1) d += (rng_() & 1) ? Digits(1 + Below(3)) : "0000000000" + Digits(2);
    return d.substr(0, 1) + "." + d.substr(1) +
           ((rng_() & 1) ? Exponent(-10, 16) : Exponent(-320, 300));
  }

  std::string Landmark() {
    static const char* const kLandmarks[] = {"1e15",
                                             "999999999999999.5",
                                             "1e-4",
                                             "0.00009999999999999995",
                                             "1e-5",
                                             "99999999999999.95",
                                             "1.7976931348623157e308",
                                             "2.2250738585072014e-308",
                                             "4.9e-324",
                                             "0.1"};
    return Below(3) == 0 ? "1" + Exponent(-323, 308) : kLandmarks[Below(10)];
  }

  std::mt19937_64 rng_;
};

// The fast path must give the exactly rounded text for every double; the
// exactly rounded text must say the same number as the 15-digit form.
TEST(FormatRealTest, FastPathAgreesWithExactRounding) {
  const long long count = ProofCount();
  RealSource source(0x5eed'1234'abcdULL);
  long long mismatches = 0;
  for (long long i = 0; i < count; ++i) {
    const double v = source.Next();
    char fast[kRealTextMax];
    char exact[kRealTextMax];
    const char* fastEnd = FormatReal(fast, v);
    const char* exactEnd = FormatRealExact(exact, v);
    const std::string_view f(fast, static_cast<std::size_t>(fastEnd - fast));
    const std::string_view x(exact, static_cast<std::size_t>(exactEnd - exact));
    if (f != x) {
      ADD_FAILURE() << "value " << RealExact(v) << " (bits of " << v << "): fast \"" << f
                    << "\" exact \"" << x << "\"";
      if (++mismatches > 20) break;
      continue;
    }
    if (i % 16 == 0) {
      // The text says the correctly rounded value, the point in its place.
      char ref[40];
      const auto r = std::to_chars(ref, ref + sizeof ref, v, std::chars_format::scientific, 14);
      ASSERT_EQ(Parse(std::string(f)), Parse(std::string(ref, r.ptr))) << f;
    }
  }
}

TEST(FormatIntTest, DecimalAndHexadecimal) {
  struct IntCase {
    std::int32_t value;
    const char* dec;
    const char* hex;
  };
  const IntCase cases[] = {
      {0, "0", "0"},
      {10, "10", "A"},
      {15, "15", "F"},
      {16, "16", "10"},
      {255, "255", "FF"},
      {-1, "-1", "FFFFFFFF"},
      {2147483647, "2147483647", "7FFFFFFF"},
      {-2147483647 - 1, "-2147483648", "80000000"},
      {0xABCDEF, "11259375", "ABCDEF"},
  };
  for (const IntCase& c : cases) {
    std::string dec, hex;
    AppendInt(dec, c.value);
    AppendHex(hex, c.value);
    EXPECT_EQ(dec, c.dec);
    EXPECT_EQ(hex, c.hex);
  }
}

TEST(AppendRealTest, AppendsBehindExistingBytes) {
  std::string out = "ci ";
  AppendReal(out, -0.0);
  out += ' ';
  AppendReal(out, 2.5e-7);
  EXPECT_EQ(out, "ci 0 2.5E-7");
}

}  // namespace

}  // namespace q527
