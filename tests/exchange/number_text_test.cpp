#include "exchange/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

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
      {1000000000000005.0, "1E15"},   // exact tie: half to even
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

// The text must be one of the two described notations, with at most 15
// significant digits and no redundant characters.
::testing::AssertionResult WellFormed(const std::string& t, double v) {
  auto fail = [&](const char* why) {
    return ::testing::AssertionFailure() << why << ": \"" << t << "\" for " << v;
  };
  std::size_t i = 0;
  if (t.empty()) return fail("empty");
  if (t[0] == '-') ++i;
  const std::size_t e = t.find('E');
  const std::string mant = t.substr(i, e == std::string::npos ? std::string::npos : e - i);
  const std::size_t dot = mant.find('.');
  if (dot != std::string::npos) {
    if (mant.back() == '0') return fail("trailing zero");
    if (mant.back() == '.') return fail("trailing point");
  }
  int significant = 0;
  bool leading = true;
  for (char c : mant) {
    if (c == '.') continue;
    if (c < '0' || c > '9') return fail("stray character");
    if (leading && c == '0') continue;
    leading = false;
    ++significant;
  }
  if (e == std::string::npos) {
    // Plain: up to 15 digits before the point, magnitude at least 0.0001.
    const std::size_t intDigits = dot == std::string::npos ? mant.size() : dot;
    if (intDigits > 15) return fail("too many integer digits");
    if (intDigits > 1 && mant[0] == '0') return fail("leading zero");
    if (std::fabs(Parse(t)) < 0.0001 && v != 0) return fail("plain below 0.0001");
    // Trailing integer zeros are not significant.
    std::string digits = mant.substr(0, intDigits);
    if (dot == std::string::npos) {
      while (!digits.empty() && digits.back() == '0' && significant > 1) {
        digits.pop_back();
        --significant;
      }
    }
  } else {
    if (mant.size() < 1 || mant[0] < '1' || mant[0] > '9') return fail("bad leading digit");
    if (dot != std::string::npos && dot != 1) return fail("point not after first digit");
    const std::string ex = t.substr(e + 1);
    std::size_t j = 0;
    if (!ex.empty() && ex[0] == '-') j = 1;
    if (j >= ex.size() || ex[j] == '0') return fail("bad exponent");
    const int exp = std::atoi(ex.c_str());
    if (exp >= -4 && exp <= 14) return fail("scientific inside the plain range");
  }
  if (significant > 15) return fail("more than 15 digits");
  return ::testing::AssertionSuccess();
}

// Doubles that stress the fast path: every class the real rule treats apart.
class RealSource {
 public:
  explicit RealSource(std::uint64_t seed) : rng_(seed) {}

  double Next() {
    switch (rng_() % 12) {
      case 0:
      case 1:
        return RandomBits();
      case 10:
        return Dyadic();
      case 11:
        return Computed();
      case 2:
        return FewDigits();
      case 3:
      case 4:
        return NearBoundary();
      case 5:
        return Integer();
      case 6:
        return NearPowerOfTen();
      case 7:
        return NearPlainLimits();
      case 8:
        return Subnormal();
      default:
        return Nudge(Extreme());
    }
  }

 private:
  double Sign(double v) { return (rng_() & 1) ? -v : v; }

  // Steps a few ulps either way, staying finite.
  double Nudge(double v) {
    const int steps = static_cast<int>(rng_() % 7) - 3;
    for (int i = 0; i < std::abs(steps); ++i) {
      const double next = std::nextafter(v, steps > 0 ? INFINITY : -INFINITY);
      if (!std::isfinite(next)) break;
      v = next;
    }
    return v;
  }

  double RandomBits() {
    for (;;) {
      const std::uint64_t bits = rng_();
      double v;
      std::memcpy(&v, &bits, sizeof v);
      if (std::isfinite(v)) return v;
    }
  }

  double FromText(const std::string& text) { return Parse(text); }

  std::string RandomDigits(int n) {
    std::string d;
    d += static_cast<char>('1' + rng_() % 9);
    for (int i = 1; i < n; ++i) d += static_cast<char>('0' + rng_() % 10);
    return d;
  }

  std::string Exponent(int lo, int hi) {
    return "e" + std::to_string(lo + static_cast<int>(rng_() % static_cast<unsigned>(hi - lo + 1)));
  }

  double FewDigits() {
    const int n = 1 + static_cast<int>(rng_() % 8);
    return Sign(FromText(RandomDigits(n) + Exponent(-12, 12)));
  }

  // 15 digits, then a 5 in the 16th place, sometimes with more digits after
  // it, parsed and then moved a few ulps.
  double NearBoundary() {
    std::string d = RandomDigits(15) + "5";
    const int more = static_cast<int>(rng_() % 3);
    if (more == 1) d += RandomDigits(1 + static_cast<int>(rng_() % 3));
    if (more == 2) d += "0000000000" + RandomDigits(2);
    const std::string exponent = (rng_() & 1) ? Exponent(-10, 16) : Exponent(-320, 300);
    const std::string text = d.substr(0, 1) + "." + d.substr(1) + exponent;
    return Sign(Nudge(FromText(text)));
  }

  double Integer() {
    const std::uint64_t limit = (rng_() & 1) ? (std::uint64_t{1} << 53) : ~std::uint64_t{0};
    const std::uint64_t k = rng_() % limit;
    return Sign(Nudge(static_cast<double>(k >> (rng_() % 60))));
  }

  double NearPowerOfTen() {
    return Sign(Nudge(FromText("1" + Exponent(-323, 308))));
  }

  double NearPlainLimits() {
    static const char* kLimits[] = {"1e15",   "999999999999999.5", "999999999999999.4",
                                    "1e-4",   "0.00009999999999999995", "9.99999999999995e14",
                                    "1e-5",   "99999999999999.95"};
    const double base = FromText(kLimits[rng_() % (sizeof kLimits / sizeof *kLimits)]);
    double v = base;
    const int steps = static_cast<int>(rng_() % 200) - 100;
    for (int i = 0; i < std::abs(steps); ++i) v = std::nextafter(v, steps > 0 ? INFINITY : -INFINITY);
    return Sign(v);
  }

  // Integers over small powers of two: many are exact decimal ties.
  double Dyadic() {
    const std::uint64_t k = rng_() >> (11 + rng_() % 40);
    return Sign(std::ldexp(static_cast<double>(k), -static_cast<int>(rng_() % 12)));
  }

  // Vertices as the conversion run computes them: full 17-digit doubles.
  double Computed() {
    const double centre = static_cast<double>(rng_() % 200000) / 8 - 12500;
    const double radius = std::ldexp(static_cast<double>(rng_() % 100000), -6);
    const double angle = static_cast<double>(rng_() % 1000000) * 1e-5;
    return centre + radius * std::cos(angle);
  }

  double Subnormal() {
    const std::uint64_t bits = rng_() & ((std::uint64_t{1} << 52) - 1);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return Sign(v);
  }

  double Extreme() {
    static const double kExtremes[] = {DBL_MAX, DBL_MIN, std::numeric_limits<double>::denorm_min(),
                                       1.0, 0.1, 5e-324, 2.2250738585072009e-308};
    return Sign(kExtremes[rng_() % (sizeof kExtremes / sizeof *kExtremes)]);
  }

  std::mt19937_64 rng_;
};

long long ProofCount() {
  if (const char* env = std::getenv("Q527_NUMBER_PROOF_COUNT")) {
    const long long n = std::atoll(env);
    if (n > 0) return n;
  }
  return 3'000'000;
}

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
      // The text denotes the correctly rounded value and follows the notation.
      char ref[40];
      const auto r = std::to_chars(ref, ref + sizeof ref, v, std::chars_format::scientific, 14);
      const std::string text(f);
      ASSERT_EQ(Parse(text), Parse(std::string(ref, r.ptr))) << text;
      ASSERT_TRUE(WellFormed(text, v));
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
