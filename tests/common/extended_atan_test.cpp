// Atan2Extended against a 113-bit reference (libquadmath) over random
// vectors in every octant, vectors near the table's breakpoints and the
// axes, and the special values atan2 is defined by.
#include "common/extended_atan.h"

#include <quadmath.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

namespace q527 {

namespace {


// |value - reference| in units of the last place of a long double there.
double UlpError(long double value, __float128 reference) {
  if (reference == 0) return value == 0 ? 0.0 : 1e30;
  int exponent;
  frexpq(reference, &exponent);
  const __float128 ulp = ldexpq(1.0, exponent - 64);
  return static_cast<double>(fabsq(static_cast<__float128>(value) - reference) / ulp);
}

struct Worst {
  double ulps = 0;
  long double y = 0, x = 0;
  void Check(long double y0, long double x0) {
    const double e = UlpError(Atan2Extended(y0, x0), atan2q(y0, x0));
    if (e > ulps) ulps = e, y = y0, x = x0;
  }
};

TEST(Atan2Extended, IsWithinTwoUnitsInTheLastPlaceEverywhere) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<long double> unit(-1, 1);
  std::uniform_int_distribution<int> exponent(-40, 40);
  Worst worst;
  // Random vectors of every direction and of very different lengths.
  for (int i = 0; i < 400000; ++i) {
    worst.Check(std::ldexp(unit(rng), exponent(rng) / 8), std::ldexp(unit(rng), exponent(rng) / 8));
    worst.Check(std::ldexp(unit(rng), exponent(rng)), std::ldexp(unit(rng), exponent(rng)));
  }
  // Ratios next to the table's breakpoints k/16 and k/16 ± 1/32.
  for (int k = 0; k <= 32; ++k) {
    for (int j = -50; j <= 50; ++j) {
      const long double t = k / 32.0L + j * 0x1p-60L;
      if (t < 0 || t > 1) continue;
      worst.Check(t, 1);
      worst.Check(1, -t);
      worst.Check(-t * 3, -3);
    }
  }
  std::printf("largest error %.3f ulp at atan2(%.21Lg, %.21Lg)\n", worst.ulps, worst.y, worst.x);
  EXPECT_LE(worst.ulps, 2.0);
}

TEST(Atan2Extended, FollowsTheSpecialValuesOfAtan2) {
  constexpr long double inf = std::numeric_limits<long double>::infinity();
  constexpr long double pi = 3.141592653589793238462643383279502884L;
  struct Row {
    long double y, x, want;
  };
  const Row rows[] = {{0.0L, 1, 0},
                      {-0.0L, 1, -0.0L},
                      {0.0L, -1, pi},
                      {-0.0L, -1, -pi},
                      {0.0L, 0.0L, 0},
                      {-0.0L, 0.0L, -0.0L},
                      {0.0L, -0.0L, pi},
                      {-0.0L, -0.0L, -pi},
                      {1, 0, pi / 2},
                      {-1, 0, -pi / 2},
                      {inf, 5, pi / 2},
                      {-inf, 5, -pi / 2},
                      {5, inf, 0},
                      {5, -inf, pi},
                      {inf, inf, pi / 4},
                      {inf, -inf, 3 * pi / 4},
                      {-inf, -inf, -3 * pi / 4},
                      {1, 1, pi / 4},
                      {-1, -1, -3 * pi / 4}};
  for (const Row& r : rows) {
    const long double got = Atan2Extended(r.y, r.x);
    EXPECT_NEAR(static_cast<double>(got), static_cast<double>(r.want), 1e-18)
        << "atan2(" << static_cast<double>(r.y) << ", " << static_cast<double>(r.x) << ")";
    EXPECT_EQ(std::signbit(got), std::signbit(r.want));
  }
  EXPECT_TRUE(std::isnan(Atan2Extended(std::nanl(""), 1)));
  EXPECT_TRUE(std::isnan(Atan2Extended(1, std::nanl(""))));
}

}  // namespace

}  // namespace q527
