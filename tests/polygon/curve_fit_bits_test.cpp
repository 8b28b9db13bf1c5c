// The fits and measures give the same bits on every build: their results
// over 300 runs of random arcs (some unevenly spaced) are folded into one
// FNV-1a hash and compared with the value the native build gives. The same
// test runs in the 32-bit Windows unit-test program under Wine. A deliberate
// change of the arithmetic changes the value: take the new one from the
// native build, and the Windows runs must agree with it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "common/extended_atan.h"
#include "common/geometry.h"
#include "polygon/curve_distance.h"
#include "polygon/curve_fit.h"

namespace q527 {

namespace {


struct Hash {
  std::uint64_t value = 14695981039346656037ull;
  void Add(double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    value = (value ^ bits) * 1099511628211ull;
  }
  // A long double as its nearest double and what that leaves.
  void Add(long double d) {
    const double hi = static_cast<double>(d);
    Add(hi);
    Add(static_cast<double>(d - hi));
  }
};

TEST(CurveFitBits, AreTheSameOnEveryBuild) {
  // Uniform doubles straight from the engine's bits: the library's
  // distributions may differ between builds.
  std::mt19937_64 rng(9);
  auto uni = [&](double lo, double hi) { return lo + (hi - lo) * ((rng() >> 11) * 0x1p-53); };
  Hash hash;
  for (int i = 0; i < 300; ++i) {
    const double r = uni(1, 5000), flat = uni(0.25, 3), tilt = uni(0, 6.28);
    const double cx = uni(-1e6, 1e6), cy = uni(-1e6, 1e6), start = uni(-6, 6),
                 sweep = uni(0.5, 6.2);
    const int n = 8 + i % 40;
    std::vector<Point2> v;
    for (int k = 0; k <= n; ++k) {
      const double jitter = i % 3 == 0 ? uni(-0.01, 0.01) : 0;
      double x, y;
      EllipsePoint(x, y, cx, cy, r, flat, tilt, start + sweep * k / n + jitter);
      v.push_back({x, y});
    }
    if (const auto c = FitCircle(v)) hash.Add(c->cx), hash.Add(c->cy), hash.Add(c->r);
    if (const auto c = FitCircleThroughEnds(v)) {
      hash.Add(c->cx), hash.Add(c->cy), hash.Add(c->r);
    }
    if (const auto e = FitEllipse(v)) {
      hash.Add(e->cx), hash.Add(e->cy), hash.Add(e->a), hash.Add(e->b), hash.Add(e->tilt);
      hash.Add(ParameterOf(v[1], *e));
      hash.Add(LargestDistance(v, *e));
    }
    if (const auto e = FitEllipseThroughEnds(v)) {
      hash.Add(e->cx), hash.Add(e->cy), hash.Add(e->a), hash.Add(e->b), hash.Add(e->tilt);
    }
    hash.Add(LargestDistanceToLine(v));
    hash.Add(Atan2Extended(uni(-1, 1), uni(-1, 1)));
  }
  EXPECT_EQ(hash.value, 0xbdf9f925d374d484ull);
}

}  // namespace

}  // namespace q527
