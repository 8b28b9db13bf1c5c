#include "exchange/number_text.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "common/exact_double.h"

namespace q527 {

// A real goes out as its value rounded to 15 significant digits. The exact
// way to get those digits is std::to_chars with precision 14 in scientific
// form, which is slow; FormatReal reaches the same digits by one of three
// roads, cheapest first, and a road that cannot be sure hands over to the next:
//
// 1. Scaled integer (magnitudes 1e-8 .. 1e15, the numbers of a drawing): the
//    value times 10^p (exact for p <= 22) is rounded to the nearest integer
//    of 15 digits. The product is known exactly where it matters, as a sum
//    of two doubles (Dekker's product gives the rounding error). Only an
//    exact tie is left to the exact road, so its rounding rule stays the
//    library's.
// 2. Shortest form: std::to_chars' shortest round-trip digits lie within half
//    an ulp of the value. With 15 digits or fewer they are the 15-digit
//    rounding itself, because two decimals of at most 15 digits are more than
//    an ulp apart (for normal numbers), so no other could be nearer. With 16
//    or 17 digits they are rounded to 15 in decimal, which agrees with the
//    value's rounding unless a rounding boundary (five in the 16th digit)
//    lies within half an ulp of them.
// 3. Exact: to_chars with precision 14.

namespace {

// A decimal of 1 to 17 significant digits: 0.d1d2d3... x 10^(exp10 + 1).
struct Digits {
  // Room for the fixed-size copies of CopyDigits; the bytes past count are
  // scratch that only ever lands behind the written text.
  char d[40];
  int count = 0;
  int exp10 = 0;  // exponent of the first digit
};

// Reads the exponent after 'e' in a to_chars scientific text.
int ReadExponent(const char* p, const char* end) {
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  int e = 0;
  for (; p < end; ++p) e = e * 10 + (*p - '0');
  return negative ? -e : e;
}

// Splits "d.ddde+XX" into its digits and exponent.
void ReadScientific(const char* text, const char* end, Digits& out) {
  out.count = 0;
  const char* p = text;
  for (; p < end && *p != 'e'; ++p) {
    if (*p != '.') out.d[out.count++] = *p;
  }
  out.exp10 = ReadExponent(p + 1, end);
}

void DropTrailingZeros(Digits& x) {
  while (x.count > 1 && x.d[x.count - 1] == '0') --x.count;
}

// Copies n <= 17 digits with one fixed-size move; the bytes after the n
// copied are scratch that later writes overwrite or leave beyond the end.
inline char* CopyDigits(char* p, const char* d, int n) {
  std::memcpy(p, d, 17);
  return p + n;
}

// Writes the number; needs kRealTextMax bytes at p for the scratch copies.
char* WriteDigits(char* p, bool negative, const Digits& x) {
  if (negative) *p++ = '-';
  const int n = x.count;
  const int e = x.exp10;
  if (e >= 0 && e <= 14) {
    const int intDigits = e + 1;
    if (n <= intDigits) {
      p = CopyDigits(p, x.d, n);
      std::memset(p, '0', 16);
      return p + (intDigits - n);
    }
    p = CopyDigits(p, x.d, intDigits);
    *p++ = '.';
    return CopyDigits(p, x.d + intDigits, n - intDigits);
  }
  if (e < 0 && e >= -4) {
    std::memcpy(p, "0.0000", 6);
    return CopyDigits(p + 1 - e, x.d, n);
  }
  *p++ = x.d[0];
  if (n > 1) {
    *p++ = '.';
    p = CopyDigits(p, x.d + 1, n - 1);
  }
  *p++ = 'E';
  int exp = e;
  if (exp < 0) {
    *p++ = '-';
    exp = -exp;
  }
  return std::to_chars(p, p + 4, exp).ptr;
}

// Digits of |value| correctly rounded to 15 significant digits.
void ExactDigits(double magnitude, Digits& x) {
  char text[40];
  const auto r =
      std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, 14);
  ReadScientific(text, r.ptr, x);
  DropTrailingZeros(x);
}

// The shortest form's digits rounded to 15; false when the shortest form is
// too near a rounding boundary to decide. Normal numbers only.
bool ShortestDigits(double magnitude, std::uint64_t significand, Digits& x) {
  char text[40];
  const auto r = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific);
  ReadScientific(text, r.ptr, x);

  if (x.count <= 15) {
    DropTrailingZeros(x);
    return true;
  }

  // Everything after digit 15, in units of digit 17: 0..99, boundary at 50.
  const int tail = (x.d[15] - '0') * 10 + (x.count == 17 ? x.d[16] - '0' : 0);
  // Half an ulp of the value in the same units: the value is significand
  // ulps and about digits17 units of digit 17. The upper ulp is used, which
  // is the larger one at a power of two; the extra half unit covers the
  // rounding of this estimate many times over.
  std::uint64_t digits17 = 0;
  for (int i = 0; i < x.count; ++i) digits17 = digits17 * 10 + static_cast<unsigned>(x.d[i] - '0');
  if (x.count == 16) digits17 *= 10;
  const double halfUlp = static_cast<double>(digits17) / (2.0 * static_cast<double>(significand));
  if (std::fabs(static_cast<double>(tail - 50)) <= halfUlp + 0.5) return false;

  x.count = 15;
  if (tail > 50) {
    int i = 14;
    while (i >= 0 && x.d[i] == '9') x.d[i--] = '0';
    if (i >= 0) {
      ++x.d[i];
    } else {
      x.d[0] = '1';
      x.count = 1;
      ++x.exp10;
    }
  }
  DropTrailingZeros(x);
  return true;
}

// Road 1 needs doubles that round every operation to 53 bits.
constexpr bool kScaledRoad = kDoubleOpsRoundTo53Bits;

// Veltkamp split of a into two halves of 26 bits.
inline void Split(double a, double& high, double& low) {
  const double c = 134217729.0 * a;  // 2^27 + 1
  high = c - (c - a);
  low = a - high;
}

// The rounding error of product = a * b: a * b == product + error exactly.
inline double ProductError(double a, double b, double product) {
  double ah, al, bh, bl;
  Split(a, ah, al);
  Split(b, bh, bl);
  return ((ah * bh - product) + ah * bl + al * bh) + al * bl;
}

// The eight decimal digits of v < 10^8, one per byte, the first digit in the
// lowest byte: the halves, quarters and single digits are split in all lanes
// at once by multiplying with reciprocals that are exact in these ranges.
inline std::uint64_t EightDigits(std::uint32_t v) {
  const std::uint64_t halves = (v / 10000) | (static_cast<std::uint64_t>(v % 10000) << 32);
  const std::uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007FULL;  // lane / 100
  const std::uint64_t pairs = hundreds | ((halves - hundreds * 100) << 16);
  const std::uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000FULL;  // lane / 10
  return tens | ((pairs - tens * 10) << 8);
}

// Writes the 15 digits of k, 10^14 <= k < 10^15, as text into p (16 bytes of
// room) and returns how many of them are trailing zeros.
inline int WriteFifteen(char* p, std::uint64_t k) {
  const std::uint64_t high = EightDigits(static_cast<std::uint32_t>(k / 100000000)) >> 8;  // 7
  const std::uint64_t low = EightDigits(static_cast<std::uint32_t>(k % 100000000));        // 8
  const std::uint64_t highText = high | 0x0030303030303030ULL;
  const std::uint64_t lowText = low | 0x3030303030303030ULL;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &highText, 8);
    std::memcpy(p + 7, &lowText, 8);
  } else {
    for (int i = 0; i < 7; ++i) p[i] = static_cast<char>(highText >> (8 * i));
    for (int i = 0; i < 8; ++i) p[7 + i] = static_cast<char>(lowText >> (8 * i));
  }
  // The last digits sit in the highest bytes; zero digits are zero bytes.
  if (low != 0) return std::countl_zero(low) / 8;
  return 8 + std::countl_zero(high) / 8 - 1;  // high holds 7 digits in 8 bytes
}

// 10^-8 .. 10^15, index e + 8. Those below 1 are rounded, so next to a power
// of ten the exponent found with them may be one off; the range test of the
// product then hands the number on.
constexpr double kPowersFromMinus8[24] = {1e-8, 1e-7, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1,
                                          1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The value rounded to 15 digits as k * 10^(e - 14), 10^14 <= k <= 10^15;
// false when the scaled road cannot be sure.
bool ScaledInteger(double magnitude, std::uint64_t biased, std::uint64_t& k, int& e) {
  // floor(log2(m) * log10(2)) is the decimal exponent or one below it.
  const int e2 = static_cast<int>(biased) - 1023;
  e = (e2 * 1233) >> 12;
  if (e < -9 || e > 14) return false;
  if (magnitude >= kPowersFromMinus8[e + 9]) ++e;
  const int p = 14 - e;
  if (p < 0 || p > 22) return false;

  // The exact product is high + low with |low| at most half an ulp of high.
  // high's ulp is at most 1/8 here, so high - k and the distance to the half
  // are exact multiples of it: low matters only where high itself sits on a
  // boundary, and is computed only then.
  const double high = magnitude * kExactPow10[p];
  const auto low = [&] { return ProductError(magnitude, kExactPow10[p], high); };
  // The product must have 15 digits before the point.
  if (high < 1e14 || (high == 1e14 && low() < 0)) return false;
  if (high > 1e15 || (high == 1e15 && low() >= 0)) return false;
  // high <= 10^15 here, so the signed conversions (one instruction each on
  // common hardware, unlike the unsigned ones) are exact.
  const auto whole = static_cast<std::int64_t>(high);
  k = static_cast<std::uint64_t>(whole);
  const double aboveHalf = (high - static_cast<double>(whole)) - 0.5;
  if (aboveHalf > 0) {
    ++k;
  } else if (aboveHalf == 0) {
    const double l = low();
    if (l == 0) return false;  // an exact tie
    if (l > 0) ++k;
  }
  return true;
}

void ScaledToDigits(std::uint64_t k, int e, Digits& x) {
  if (k == 1000000000000000) {
    x.d[0] = '1';
    x.count = 1;
    x.exp10 = e + 1;
    return;
  }
  x.count = 15 - WriteFifteen(x.d, k);
  x.exp10 = e;
}

// The plain form of a number of 1 to 15 integer digits (exp10 0..14) with
// k < 10^15, written straight from the 15-digit text: digits past the last
// significant one are zeros, so the integer part is always a prefix of it.
// Needs 34 bytes at p.
char* WritePlainScaled(char* p, bool negative, std::uint64_t k, int e) {
  if (negative) *p++ = '-';
  // Room for the fixed-size copies: the fraction's copy starts at most 14
  // digits in; the bytes past the 15 digits are scratch that lands only
  // behind the written text.
  char d[32];
  const int count = 15 - WriteFifteen(d, k);
  const int intDigits = e + 1;
  std::memcpy(p, d, 16);
  if (count <= intDigits) return p + intDigits;
  p += intDigits;
  *p = '.';
  std::memcpy(p + 1, d + intDigits, 16);
  return p + 1 + (count - intDigits);
}

char* WriteZero(char* buf) {
  *buf = '0';
  return buf + 1;
}

}  // namespace

char* FormatReal(char* buf, double value) {
  if (value == 0.0 || !std::isfinite(value)) return WriteZero(buf);
  const double magnitude = std::fabs(value);
  std::uint64_t bits;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const std::uint64_t biased = bits >> 52;
  Digits x;
  // A subnormal has fewer than 53 bits, so its ulp can exceed the gap between
  // 15-digit decimals and only the exact road is sure.
  bool done = false;
  if (biased != 0) {
    std::uint64_t k;
    int e;
    if (kScaledRoad && ScaledInteger(magnitude, biased, k, e)) {
      if (k < 1000000000000000 && e >= 0) return WritePlainScaled(buf, value < 0, k, e);
      ScaledToDigits(k, e, x);
      done = true;
    } else {
      const std::uint64_t significand =
          (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
      done = ShortestDigits(magnitude, significand, x);
    }
  }
  if (!done) ExactDigits(magnitude, x);
  return WriteDigits(buf, value < 0, x);
}

char* FormatRealExact(char* buf, double value) {
  if (value == 0.0 || !std::isfinite(value)) return WriteZero(buf);
  Digits x;
  ExactDigits(std::fabs(value), x);
  return WriteDigits(buf, value < 0, x);
}

char* FormatInt(char* buf, std::int32_t value) {
  return std::to_chars(buf, buf + kIntTextMax, value).ptr;
}

char* FormatHex(char* buf, std::int32_t value) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::uint32_t u = static_cast<std::uint32_t>(value);
  char tmp[8];
  int n = 0;
  do {
    tmp[n++] = kHexDigits[u & 0xF];
    u >>= 4;
  } while (u != 0);
  while (n > 0) *buf++ = tmp[--n];
  return buf;
}

void AppendReal(std::string& out, double value) {
  char buf[kRealTextMax];
  out.append(buf, FormatReal(buf, value));
}

void AppendInt(std::string& out, std::int32_t value) {
  char buf[kIntTextMax];
  out.append(buf, FormatInt(buf, value));
}

void AppendHex(std::string& out, std::int32_t value) {
  char buf[kIntTextMax];
  out.append(buf, FormatHex(buf, value));
}

}  // namespace q527
