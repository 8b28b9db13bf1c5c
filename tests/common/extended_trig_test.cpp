// SinCosExtended against a 113-bit reference (libquadmath) over millions of
// angles: random ones of every size, the angles of the circle walk for every
// division count, the angles of arc walks with huge starts, and the doubles
// that lie closest to multiples of π/2. The largest error is printed in units
// of the last place of a long double and must stay within the bound below;
// the C library's own long double sine and cosine, which the geometry used
// before, are measured beside it on the same angles.
#include <quadmath.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/extended_trig.h"
#include "common/fpu_precision.h"

namespace q527 {

namespace {

// Half a unit is the best a rounded result can do; the evaluation's own
// error adds a few hundredths (0.5195 is the largest seen over 6·10^7 angles).
constexpr double kMaxUlps = 0.53;

long long AngleCount() {
  if (const char* env = std::getenv("Q527_TRIG_PROOF_COUNT")) {
    const long long n = std::atoll(env);
    if (n > 0) return n;
  }
  return 1'000'000;
}

// |value - reference| in units of the last place of the long double nearest
// to reference.
double UlpError(long double value, __float128 reference) {
  if (reference == 0) return value == 0 ? 0.0 : 1e30;
  int exponent;
  frexpq(reference, &exponent);  // reference = f · 2^exponent, 0.5 <= |f| < 1
  const __float128 ulp = ldexpq(1.0, exponent - 64);
  return static_cast<double>(fabsq(static_cast<__float128>(value) - reference) / ulp);
}

struct Worst {
  double ulps = 0;
  double angle = 0;
  void Take(double e, double a) {
    if (e > ulps) {
      ulps = e;
      angle = a;
    }
  }
};

struct Measure {
  Worst ours, library;
  long long angles = 0;
  void Check(double a) {
    const __float128 s = sinq(a), c = cosq(a);
    const ExtendedSinCos t = SinCosExtended(a);
    ours.Take(UlpError(t.sin, s), a);
    ours.Take(UlpError(t.cos, c), a);
    const long double x = a;
    library.Take(UlpError(std::sin(x), s), a);
    library.Take(UlpError(std::cos(x), c), a);
    ++angles;
  }
  void Report(const char* what) const {
    std::printf(
        "%-34s %9lld angles: largest error %.4f ulp (at %.17g); C library %.4f ulp (at %.17g)\n",
        what, angles, ours.ulps, ours.angle, library.ulps, library.angle);
  }
};

double FromBits(std::uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

TEST(ExtendedTrig, RandomAnglesOfEverySize) {
  ASSERT_TRUE(X87IsExtendedToNearest());
  std::mt19937_64 rng(527);
  Measure small, any;
  const long long n = AngleCount();
  const double pi = 3.141592653589793;
  std::uniform_real_distribution<double> turn(-4 * pi, 4 * pi);
  for (long long i = 0; i < n; ++i) small.Check(turn(rng));
  // Every exponent alike: random bit patterns of finite doubles.
  for (long long i = 0; i < n; ++i) {
    const double a = FromBits(rng());
    if (std::isfinite(a)) any.Check(a);
  }
  small.Report("random in [-4pi, 4pi]");
  any.Report("random bit patterns");
  EXPECT_LE(small.ours.ulps, kMaxUlps) << "at " << small.ours.angle;
  EXPECT_LE(any.ours.ulps, kMaxUlps) << "at " << any.ours.angle;
}

// The vertex angles of every circle walk: the step 2π/N held as a double and
// added N times, for N = 3..999; and arc walks as the conversion forms them,
// degrees to radians, from starts up to 1e300 degrees.
TEST(ExtendedTrig, AnglesOfTheWalks) {
  Measure circles, arcs;
  const long double twoPi = 6.283185307179586476925286766559005768L;
  for (int n = 3; n <= 999; ++n) {
    const double step = static_cast<double>(twoPi / n);
    double a = 0;
    for (int k = 0; k <= n; ++k, a += step) circles.Check(a);
  }
  std::mt19937_64 rng(2);
  const long double pi = 3.141592653589793238462643383279502884L;
  const auto radians = [&](double d) { return static_cast<double>(d / 180.0L * pi); };
  const long long walks = AngleCount() / 25;
  std::uniform_real_distribution<double> exponent(-3, 300);
  std::uniform_real_distribution<double> unit(-1, 1);
  for (long long w = 0; w < walks; ++w) {
    double start = unit(rng) * std::pow(10.0, exponent(rng));
    const double step = 360.0 * std::abs(unit(rng)) / 24;
    for (int k = 0; k <= 24; ++k, start += step) arcs.Check(radians(start));
  }
  circles.Report("circle walks N = 3..999");
  arcs.Report("arc walks, starts up to 1e300 deg");
  EXPECT_LE(circles.ours.ulps, kMaxUlps) << "at " << circles.ours.angle;
  EXPECT_LE(arcs.ours.ulps, kMaxUlps) << "at " << arcs.ours.angle;
}

// Where the reduction has to cancel most: the doubles nearest to k·π/2 for
// k up to a million, and doubles known to lie within 2^-60 of a multiple of
// π/2 (the closest of all is 6381956970095103 · 2^797).
TEST(ExtendedTrig, AnglesClosestToMultiplesOfHalfPi) {
  Measure near;
  const __float128 halfPi = acosq(0.0);
  for (long long k = 1; k <= 200'000; ++k) {
    const double a = static_cast<double>(k * halfPi);
    near.Check(a);
    near.Check(std::nextafter(a, 0.0));
    near.Check(-std::nextafter(a, 1e300));
  }
  const double hard[] = {std::ldexp(6381956970095103.0, 797),
                         std::ldexp(5319372648903203.0, 33),
                         std::ldexp(6411027962775774.0, -48),
                         1.5707963267948966,
                         3.1415926535897931,
                         1e22,
                         1.7976931348623157e308};
  for (const double a : hard) near.Check(a);
  near.Report("nearest to k*pi/2");
  EXPECT_LE(near.ours.ulps, kMaxUlps) << "at " << near.ours.angle;
}

TEST(ExtendedTrig, ExactAndSpecialValues) {
  struct Row {
    double angle;
    long double sin, cos;
  } const rows[] = {
      {0.0, 0.0L, 1.0L},
      {-0.0, -0.0L, 1.0L},
      {5e-324, static_cast<long double>(5e-324), 1.0L},
      {1e-30, static_cast<long double>(1e-30), 1.0L},
  };
  for (const Row& r : rows) {
    const ExtendedSinCos t = SinCosExtended(r.angle);
    EXPECT_EQ(t.sin, r.sin) << r.angle;
    EXPECT_EQ(std::signbit(t.sin), std::signbit(r.sin)) << r.angle;
    EXPECT_EQ(t.cos, r.cos) << r.angle;
  }
  for (const double a : {HUGE_VAL, -HUGE_VAL, std::nan("")}) {
    const ExtendedSinCos t = SinCosExtended(a);
    EXPECT_TRUE(std::isnan(t.sin) && std::isnan(t.cos)) << a;
  }
  // Odd and even, bit for bit.
  std::mt19937_64 rng(3);
  for (int i = 0; i < 100000; ++i) {
    const double a = FromBits(rng() >> 1);
    if (!std::isfinite(a)) continue;
    const ExtendedSinCos p = SinCosExtended(a), m = SinCosExtended(-a);
    ASSERT_EQ(p.sin, -m.sin) << a;
    ASSERT_EQ(p.cos, m.cos) << a;
  }
}

// SinCosNear serves measures, not written vertices: within a few units of
// the last place, absolutely (its results are directions of unit length)
// and, for the small angles of half steps, relatively as well.
TEST(ExtendedTrig, NearSineAndCosine) {
  ASSERT_TRUE(X87IsExtendedToNearest());
  const long double unit = 0x1p-63L;  // a unit in the last place of 1
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> turns(-8 * 3.141592653589793, 8 * 3.141592653589793);
  std::uniform_real_distribution<double> exponent(-40, 0);
  long double worstAbsolute = 0, worstRelative = 0;
  for (int i = 0; i < 300000; ++i) {
    const long double a = i % 2 ? turns(rng) : std::exp2(exponent(rng)) * (i % 4 ? 1 : -1);
    const ExtendedSinCos t = SinCosNear(a);
    const __float128 s = sinq(a), c = cosq(a);
    worstAbsolute = std::max(worstAbsolute, static_cast<long double>(fabsq(t.sin - s)) / unit);
    worstAbsolute = std::max(worstAbsolute, static_cast<long double>(fabsq(t.cos - c)) / unit);
    if (std::fabs(a) <= 0.78) {
      worstRelative = std::max(worstRelative, static_cast<long double>(UlpError(t.sin, s)));
    }
  }
  std::printf("SinCosNear: largest error %.3Lf units of 1, %.3Lf ulp of small sines\n",
              worstAbsolute, worstRelative);
  EXPECT_LE(worstAbsolute, 2);
  EXPECT_LE(worstRelative, 4);
  // Beyond 2^22 it hands over to SinCosExtended; NaN stays NaN.
  EXPECT_EQ(SinCosNear(1e10L).sin, SinCosExtended(1e10).sin);
  for (const long double a : {HUGE_VALL, std::nanl("")}) {
    EXPECT_TRUE(std::isnan(SinCosNear(a).sin)) << static_cast<double>(a);
  }
}

}  // namespace

}  // namespace q527
