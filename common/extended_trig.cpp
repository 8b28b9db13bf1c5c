// Sine and cosine of a double at extended precision (64-bit significand).
//
// Two steps, both exact enough that the result is within about half a unit in
// the last place:
// 1. Reduction: x = k·π/2 + r with |r| <= π/4. No double lies closer to a
//    multiple of π/2 than about 2^-62 (Muller, "Elementary Functions",
//    chapter 11), so r needs well over 126 correct bits. Below 2^22, k·π/2 is
//    subtracted in four parts of π/2, the first three of 41 bits so that
//    their products with k are exact (Cody and Waite's method, 187 bits of
//    π/2 in all). Above, the product x·2/π is formed exactly in integer
//    arithmetic from a 192-bit window of the bits of 2/π (the method of Payne
//    and Hanek, "Radian reduction for trigonometric functions", SIGNUM
//    Newsletter 18, 1983), good for every finite double up to 1e308.
// 2. Evaluation: Taylor series on |r| <= π/4, with the leading terms carried
//    as a sum of two long doubles (Dekker's exact product and Knuth's exact
//    sum, from Dekker, "A floating-point technique for extending the
//    available precision", Numer. Math. 18, 1971), so only the final addition
//    rounds at full weight.
//
// Only +, -, *, / on long double and integer arithmetic are used: on x87
// every one of them is correctly rounded while the precision control is set
// to 64 bits (see fpu_precision.h), so the same bits come out on every
// target. No call into the C library's mathematics beyond reading a sign.
#include "common/extended_trig.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace q527 {

static_assert(std::numeric_limits<long double>::digits == 64,
              "the geometry relies on the x87 80-bit long double");

namespace {

// The bits of 2/π after the binary point, most significant first, behind
// two words of zeros so that a window may start up to 64 bits before the
// point.
constexpr int kLeadingZeroWords = 2;
// clang-format off: six words a row
constexpr std::uint32_t kTwoOverPiBits[] = {
    0,          0,          0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599,
    0x3C439041, 0xFE5163AB, 0xDEBBC561, 0xB7246E3A, 0x424DD2E0, 0x06492EEA, 0x09D1921C,
    0xFE1DEB1C, 0xB129A73E, 0xE88235F5, 0x2EBB4484, 0xE99C7026, 0xB45F7E41, 0x3991D639,
    0x835339F4, 0x9C845F8B, 0xBDF9283B, 0x1FF897FF, 0xDE05980F, 0xEF2F118B, 0x5A0A6D1F,
    0x6D367ECF, 0x27CB09B7, 0x4F463F66, 0x9E5FEA2D, 0x7527BAC7, 0xEBE5F17B, 0x3D0739F7,
    0x8A5292EA, 0x6BFB5FB1, 0x1F8D5D08, 0x56033046, 0xFC7B6BAB, 0xF0CFBC20, 0x9AF4361D,
};
// clang-format on

// π/2 as P1 + P2 + P3 + P4, the first three of 41 significant bits.
constexpr long double kHalfPi1 = 0x1921FB54443p-40L;
constexpr long double kHalfPi2 = -0x173DCB3B39Ap-83L;
constexpr long double kHalfPi3 = 0x145C06E0E69p-126L;
constexpr long double kHalfPi4 = -0xD6FDB1F77598338Cp-191L;
constexpr long double kTwoOverPi = 0xA2F9836E4E44152Ap-64L;
// Below this, k < 2^22 and k times a 41-bit part is exact.
constexpr double kCodyWaiteLimit = 0x1p22;

// π/2 as an unevaluated sum of two long doubles, about 128 bits.
constexpr long double kHalfPiHi = 0xC90FDAA22168C235p-63L;
constexpr long double kHalfPiLo = -0xECE675D1FC8F8CBBp-129L;

// 1/n!, each rounded to the nearest long double.
// clang-format off: three a row
constexpr long double kInvFactorial[24] = {
    1.0L,
    1.0L,
    0x8000000000000000p-64L,
    0xAAAAAAAAAAAAAAABp-66L,
    0xAAAAAAAAAAAAAAABp-68L,
    0x8888888888888889p-70L,
    0xB60B60B60B60B60Bp-73L,
    0xD00D00D00D00D00Dp-76L,
    0xD00D00D00D00D00Dp-79L,
    0xB8EF1D2AB6399C7Dp-82L,
    0x93F27DBBC4FAE397p-85L,
    0xD7322B3FAA271C7Fp-89L,
    0x8F76C77FC6C4BDAAp-92L,
    0xB092309D43684BE5p-96L,
    0xC9CBA54603E4E906p-100L,
    0xD73F9F399DC0F88Fp-104L,
    0xD73F9F399DC0F88Fp-108L,
    0xCA963B81856A5359p-112L,
    0xB413C31DCBECBBDEp-116L,
    0x97A4DA340A0AB926p-120L,
    0xF2A15D201011283Dp-125L,
    0xB8DC77B6E7AB8C5Fp-129L,
    0x8671CB6DBFC294A3p-133L,
    0xBB0DA098B1C0CECCp-138L,
};
// clang-format on

// A value as hi + lo with |lo| at most about one unit in the last place of hi.
struct Pair {
  long double hi, lo;
};

// a + b exactly, for any a and b.
Pair TwoSum(long double a, long double b) {
  const long double s = a + b;
  const long double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

// a + b exactly, when |a| >= |b|.
Pair FastTwoSum(long double a, long double b) {
  const long double s = a + b;
  return {s, b - (s - a)};
}

// A long double as two halves of at most 32 significant bits each, whose
// products are exact (Dekker's split).
struct Halves {
  long double hi, lo;
};

Halves SplitHalves(long double a) {
  constexpr long double kSplitter = 4294967297.0L;  // 2^32 + 1
  const long double t = kSplitter * a;
  const long double hi = t - (t - a);
  return {hi, a - hi};
}

// a · b exactly (no overflow here), from the factors and their halves.
Pair TwoProduct(long double a, Halves ah, long double b, Halves bh) {
  const long double p = a * b;
  return {p, ((ah.hi * bh.hi - p) + ah.hi * bh.lo + ah.lo * bh.hi) + ah.lo * bh.lo};
}

Pair TwoProduct(long double a, long double b) {
  return TwoProduct(a, SplitHalves(a), b, SplitHalves(b));
}

// v / d for a small integer d, given 1/d, as a pair: the quotient's
// rounding error is recovered from the exact product (a multiplication by
// the reciprocal is cheaper than a division and as good here).
Pair DivideBySmall(Pair v, long double d, long double inverse) {
  const long double q = v.hi * inverse;
  const Pair back = TwoProduct(q, SplitHalves(q), d, Halves{d, 0.0L});
  return {q, (((v.hi - back.hi) - back.lo) + v.lo) * inverse};
}

struct Reduced {
  Pair r;             // |r| <= π/4 (a hair more at the boundary)
  unsigned quadrant;  // k mod 4
};

// x·2/π mod 4 for a finite x = m · 2^e (m of 53 bits), as a 192-bit
// number with 190 fraction bits, least significant word first.
using Words192 = std::array<std::uint32_t, 6>;

Words192 TimesTwoOverPiModFour(std::uint64_t m, int e) {
  // The bits of 2/π of weight 2^(e - i) >= 4 add multiples of 4 to x·2/π
  // and are skipped: the window starts at bit i0 = e - 1.
  const int start = (e - 1) - 1 + 32 * kLeadingZeroWords;  // index into the padded bits
  const int word = start / 32;
  const int shift = start % 32;
  Words192 window;
  for (int j = 0; j < 6; ++j) {
    const std::uint32_t hi = kTwoOverPiBits[word + j];
    const std::uint32_t lo = kTwoOverPiBits[word + j + 1];
    window[5 - j] = shift == 0 ? hi : (hi << shift) | (lo >> (32 - shift));
  }
  // m · window mod 2^192, row by row of m's two words.
  const std::uint32_t m0 = static_cast<std::uint32_t>(m), m1 = static_cast<std::uint32_t>(m >> 32);
  Words192 p;
  std::uint64_t carry = 0;
  for (int j = 0; j < 6; ++j) {
    const std::uint64_t t = static_cast<std::uint64_t>(m0) * window[j] + carry;
    p[j] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  carry = 0;
  for (int j = 0; j + 1 < 6; ++j) {
    const std::uint64_t t = static_cast<std::uint64_t>(m1) * window[j] + p[j + 1] + carry;
    p[j + 1] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  return p;
}

// x = k·π/2 + r for x >= 2^22, finite.
Reduced ReduceLarge(double x) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  Words192 p = TimesTwoOverPiModFour(m, static_cast<int>(bits >> 52) - 1075);

  unsigned quadrant = p[5] >> 30;
  p[5] &= 0x3FFFFFFFu;
  bool negative = false;
  if (p[5] & 0x20000000u) {
    // Fraction >= 1/2: round k up and take r = (fraction - 1)·π/2.
    ++quadrant;
    negative = true;
    std::uint64_t borrow = 1;
    for (std::uint32_t& w : p) {
      const std::uint64_t t = static_cast<std::uint64_t>(static_cast<std::uint32_t>(~w)) + borrow;
      w = static_cast<std::uint32_t>(t);
      borrow = t >> 32;
    }
    p[5] &= 0x3FFFFFFFu;
  }

  // The fraction as three exactly converted 64-bit pieces of weights 2^-62,
  // 2^-126 and 2^-190, summed into a pair.
  const auto piece = [&](int k) {
    return static_cast<long double>((static_cast<std::uint64_t>(p[k + 1]) << 32) | p[k]);
  };
  const Pair top = TwoSum(piece(4) * 0x1p-62L, piece(2) * 0x1p-126L);
  const Pair f = FastTwoSum(top.hi, top.lo + piece(0) * 0x1p-190L);

  // r = f · π/2.
  Pair r = TwoProduct(f.hi, kHalfPiHi);
  r = FastTwoSum(r.hi, r.lo + (f.hi * kHalfPiLo + f.lo * kHalfPiHi));
  if (negative) r = {-r.hi, -r.lo};
  return {r, quadrant & 3u};
}

// x = k·π/2 + r for π/4 <= x < 2^22.
Reduced ReduceModerate(double x) {
  // k, the nearest integer to x·2/π (off by one only where x is within an
  // ulp of an odd multiple of π/4: r is then a hair past π/4, still fine).
  constexpr long double kRoundingShift = 0x1.8p63L;
  const long double k = (x * kTwoOverPi + kRoundingShift) - kRoundingShift;
  const long double a = x - k * kHalfPi1;  // exact: the product is, and so is the difference
  Pair r = TwoSum(a, -(k * kHalfPi2));
  const Pair b = TwoSum(r.hi, -(k * kHalfPi3));
  r = FastTwoSum(b.hi, (b.lo + r.lo) - k * kHalfPi4);
  return {r, static_cast<unsigned>(static_cast<long long>(k)) & 3u};
}

// sin r for |r| <= π/4: r - r³/6 + r⁵·Q(r²), the cube and its sixth as pairs.
// (Sine and cosine stay two functions: together they need more than the
// eight x87 registers, and the spills cost more than the shared square.)
long double SinKernel(Pair r) {
  const long double z = r.hi * r.hi;
  // 1/5! - z/7! + z²/9! - ... + z⁸/21!, in pairs of terms for a shorter chain.
  const long double z2 = z * z, z4 = z2 * z2;
  const long double p0 = kInvFactorial[5] - z * kInvFactorial[7];
  const long double p1 = kInvFactorial[9] - z * kInvFactorial[11];
  const long double p2 = kInvFactorial[13] - z * kInvFactorial[15];
  const long double p3 = kInvFactorial[17] - z * kInvFactorial[19];
  const long double q = (p0 + z2 * p1) + z4 * ((p2 + z2 * p3) + z4 * kInvFactorial[21]);
  const long double tail = r.hi * z2 * q;
  const Pair square = TwoProduct(r.hi, r.hi);
  Pair cube = TwoProduct(r.hi, square.hi);
  cube.lo += r.hi * square.lo;
  const Pair sixth = DivideBySmall(cube, 6.0L, kInvFactorial[3]);
  const Pair s = FastTwoSum(r.hi, -sixth.hi);
  // sin(hi + lo) = sin hi + lo·cos hi, and cos hi is 1 - hi²/2 to the bits
  // that a lo of a unit in hi's last place can reach.
  const long double lo = r.lo * (1.0L - 0.5L * z);
  return s.hi + (s.lo - sixth.lo + tail + lo);
}

// cos r for |r| <= π/4: 1 - r²/2 + r⁴/24 - r⁶·R(r²), the first three as pairs.
long double CosKernel(Pair r) {
  Pair square = TwoProduct(r.hi, r.hi);
  square.lo += 2.0L * r.hi * r.lo;
  const long double z = square.hi;
  // -1/6! + z/8! - z²/10! + ... + z⁷/20!, in pairs of terms.
  const long double z2 = z * z, z4 = z2 * z2;
  const long double p0 = z * kInvFactorial[8] - kInvFactorial[6];
  const long double p1 = z * kInvFactorial[12] - kInvFactorial[10];
  const long double p2 = z * kInvFactorial[16] - kInvFactorial[14];
  const long double p3 = z * kInvFactorial[20] - kInvFactorial[18];
  const long double q = (p0 + z2 * p1) + z4 * (p2 + z2 * p3);
  const long double tail = z2 * z * q;
  Pair fourth = TwoProduct(square.hi, square.hi);
  fourth.lo += 2.0L * square.hi * square.lo;
  const Pair term4 = DivideBySmall(fourth, 24.0L, kInvFactorial[4]);
  const Pair s1 = FastTwoSum(1.0L, -0.5L * square.hi);
  const Pair s2 = FastTwoSum(s1.hi, term4.hi);
  return s2.hi + (s1.lo + s2.lo - 0.5L * square.lo + term4.lo + tail);
}

}  // namespace

ExtendedSinCos SinCosExtended(double radians) {
  if (!(radians - radians == 0.0)) {  // infinite or NaN
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    return {nan, nan};
  }
  const bool negative = std::signbit(radians);
  const double x = negative ? -radians : radians;
  Reduced red{{x, 0.0L}, 0};
  if (x >= kCodyWaiteLimit) {
    red = ReduceLarge(x);
  } else if (x >= 0.78539816339744828) {  // the double just below π/4
    red = ReduceModerate(x);
  }
  const long double s = SinKernel(red.r), c = CosKernel(red.r);
  ExtendedSinCos out{};
  switch (red.quadrant) {
    case 0: out = {s, c}; break;
    case 1: out = {c, -s}; break;
    case 2: out = {-s, -c}; break;
    default: out = {-c, s}; break;
  }
  // sin(-0) = -0, and sin is odd everywhere else.
  if (negative) out.sin = -out.sin;
  return out;
}

ExtendedSinCos SinCosNear(long double radians) {
  // Beyond 2^22 (or not finite) the careful reduction is needed.
  if (!(std::fabs(radians) < 0x1p22L)) return SinCosExtended(static_cast<double>(radians));
  constexpr long double kRoundingShift = 0x1.8p63L;
  const long double k = (radians * kTwoOverPi + kRoundingShift) - kRoundingShift;
  // Each product of k (below 2^22) with a 41-bit part is exact.
  const long double r = ((radians - k * kHalfPi1) - k * kHalfPi2) - k * kHalfPi3;
  // Taylor series to r¹⁹ and r²⁰ on |r| <= π/4: the first terms left out
  // are below 2^-70 of the result.
  const long double z = r * r;
  // Horner's rule on the alternating terms: sin r = r·(1 - z(1/3! - z(...))).
  // The two chains side by side, so that each waits less on the other.
  long double s = kInvFactorial[19], c = kInvFactorial[20];
  for (int i = 17; i >= 1; i -= 2) {
    s = kInvFactorial[i] - z * s;
    c = kInvFactorial[i + 1] - z * c;
  }
  s *= r;
  c = 1 - z * c;
  switch (static_cast<unsigned>(static_cast<long long>(k)) & 3u) {
    case 0: return {s, c};
    case 1: return {c, -s};
    case 2: return {-s, -c};
    default: return {-c, s};
  }
}

}  // namespace q527
