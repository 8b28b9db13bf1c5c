// TextToFloat reads short decimals on one road and the rest exactly on
// another (DecimalTextToDouble). Whatever road a text takes, the double must
// be the correctly rounded one, bit for bit, and a text that is not a number
// must read as 0. The reference is glibc's std::from_chars; the 32-bit
// Windows runtime's is not correctly rounded, so there the exact road, held
// to exact bits by its own test, is the reference of the short one.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "common/decimal_text.h"
#include "common/myfunc.h"
#include "support/proof_count.h"

namespace q527 {

namespace {

// The rule as from_chars alone states it: blanks, a sign, then a text that
// starts with a digit or a point and that from_chars reads to its end as a
// finite number.
double Reference(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end && *p == ' ') ++p;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
  }
  if (p == end || !((*p >= '0' && *p <= '9') || *p == '.')) return 0.0;
  double value = 0.0;
#if defined(_WIN32)
  if (!DecimalTextToDouble(std::string_view(p, static_cast<std::size_t>(end - p)), value))
    return 0.0;
#else
  const auto r = std::from_chars(p, end, value, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != end || !std::isfinite(value)) return 0.0;
#endif
  return negative ? -value : value;
}

std::uint64_t Bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// Decimal texts of the kinds a drawing holds and of the kinds around the
// limits of the short road: 1..22 digits, the point anywhere or missing,
// leading and trailing zeros, exponents up to and past 10^22, mantissas
// around 2^53, and now and then a byte that makes the text malformed.
class DecimalSource {
 public:
  explicit DecimalSource(std::uint64_t seed) : rng_(seed) {}

  std::string Next() {
    std::string t;
    if (Below(20) == 0) t.append(1 + Below(2), ' ');
    switch (Below(8)) {
      case 0: t += '-'; break;
      case 1: t += '+'; break;
      default: break;
    }
    t += Mantissa();
    if (Below(4) == 0) t += Exponent();
    if (Below(40) == 0) Damage(t);
    return t;
  }

 private:
  unsigned Below(unsigned n) { return static_cast<unsigned>(rng_() % n); }

  std::string Digits(unsigned n) {
    std::string d;
    for (unsigned i = 0; i < n; ++i) d += static_cast<char>('0' + Below(10));
    return d;
  }

  std::string Mantissa() {
    std::string d;
    switch (Below(6)) {
      case 0: d = std::to_string(rng_() >> (11 + Below(2))); break;  // around 2^53
      case 1:
        d = std::string(Below(4), '0') + Digits(1 + Below(22)) + std::string(Below(6), '0');
        break;
      default: d = Digits(1 + Below(17)); break;  // drawing numbers: up to 17 digits
    }
    switch (Below(5)) {
      case 0: return d;                                      // an integer
      case 1: return d + ".";                                // "12."
      case 2: return "." + d;                                // ".5"
      case 3: return "0." + std::string(Below(8), '0') + d;  // small values
      default: {
        const std::size_t at = Below(static_cast<unsigned>(d.size()) + 1);
        return d.substr(0, at) + "." + d.substr(at);
      }
    }
  }

  std::string Exponent() {
    std::string e(1, Below(2) ? 'e' : 'E');
    if (Below(3) == 0) e += Below(2) ? '-' : '+';
    const unsigned kind = Below(10);
    const unsigned value = kind < 6 ? Below(25) : (kind < 9 ? Below(400) : Below(100000));
    if (Below(10) == 0) e += '0';
    e += std::to_string(value);
    return e;
  }

  void Damage(std::string& t) {
    static const char kBytes[] = {'.', 'e', 'E', '-', '+', 'x', ' ', '1', '\0', 'i', 'n'};
    const std::size_t at = Below(static_cast<unsigned>(t.size()) + 1);
    switch (Below(3)) {
      case 0: t.insert(at, 1, kBytes[Below(sizeof kBytes)]); break;
      case 1:
        if (at < t.size()) t.erase(at, 1);
        break;
      default: t = t.substr(0, at); break;
    }
  }

  std::mt19937_64 rng_;
};

TEST(TextToFloatProof, EveryTextReadsAsFromCharsReadsIt) {
  const long long count = ProofCount();
  DecimalSource source(0x7e47'70f1'0a75ULL);
  long long mismatches = 0;
  for (long long i = 0; i < count; ++i) {
    const std::string text = source.Next();
    const double got = TextToFloat(text);
    const double want = Reference(text);
    if (Bits(got) != Bits(want)) {
      ADD_FAILURE() << '"' << text << "\" reads as " << got << ", from_chars says " << want;
      if (++mismatches > 20) break;
    }
  }
}

// The edges of the short road, each next to its neighbour across the edge.
TEST(TextToFloatProof, EdgesOfTheShortRoad) {
  const char* const cases[] = {
      "9007199254740992",
      "9007199254740993",
      "9007199254740991.5",
      "1e22",
      "1e23",
      "1e-22",
      "1e-23",
      "4.5e-22",
      "123456789012345e-22",
      "9999999999999999999",
      "99999999999999999999",
      "0.0000000000000000000000001",
      "0e99999",
      "0e9999",
      "00000000000000000000000001",
      "1.",
      ".5",
      "1.e5",
      ".e5",
      "1e",
      "1e+",
      "-.0",
      "+0",
      "1234.56789012345",
      "0.1",
      "0.30000000000000004",
      "179769313486231570000e288",
      "2.2250738585072014e-308",
      "4.9e-324",
      "1e400",
  };
  for (const char* c : cases) {
    EXPECT_EQ(Bits(TextToFloat(c)), Bits(Reference(c))) << '"' << c << '"';
  }
}

}  // namespace

}  // namespace q527
