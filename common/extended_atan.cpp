// atan2 at extended precision from a table and a short series.
//
// 1. Reduction to the first octant: t = min(|x|, |y|) / max(|x|, |y|) in
//    [0, 1], the octant's symmetries applied at the end.
// 2. Table: c = k/16 nearest to t, and atan t = atan c + atan u with
//    u = (t - c)/(1 + t·c), |u| <= 1/32. The numerator is formed without
//    cancellation error: c·max is split into a part whose product is exact
//    and a small rest.
// 3. Series: atan u = u - u³/3 + u⁵/5 - ... to u¹⁹, whose first term left
//    out is below 2^-80 of u.
#include "common/extended_atan.h"

#include <cmath>
#include <limits>

namespace q527 {

namespace {

using LD = long double;

// atan(k/16) for k = 0..16 as an unevaluated sum hi + lo, about 113 bits.
struct Angle {
  LD hi, lo;
};
// clang-format off: one entry a row
constexpr Angle kAtanOfSixteenths[17] = {
    {0x0p+0L, 0x0p+0L},
    {0xf.faaddb967ef4e37p-8L, -0xd.361b48fc748p-74L},
    {0xf.eadd4d5617b6e33p-7L, -0xd.da19d8305dep-73L},
    {0xb.dcbda5e72d81134p-6L, 0xf.6169f103939p-71L},
    {0xf.adbafc96406eb15p-6L, 0xd.b8f3debef44p-71L},
    {0x9.b13b9b83f5e5e6ap-5L, -0xe.9512d9cb614p-71L},
    {0xb.7b0ca0f26f78474p-5L, -0xe.ab9bdba4603p-70L},
    {0xd.327761e611fe5b6p-5L, 0x8.4f92bd2003dp-70L},
    {0xe.d63382b0dda7b45p-5L, 0xd.fc88bd97875p-70L},
    {0x8.32bf4a6d9867e2ap-4L, 0x9.6d41396c34ap-69L},
    {0x8.f005d5ef7f59f9bp-4L, 0xb.906bc2ccb88p-69L},
    {0x9.a2f80e671bdda2p-4L, 0x8.44df1c440ap-69L},
    {0xa.4bc7d1934f70924p-4L, 0xc.d43f9522becp-71L},
    {0xa.eac4c38b4d8c08p-4L, 0xa.392f179f29p-71L},
    {0xb.8053e2bc2319e74p-4L, -0xd.3496ab7bd6ep-70L},
    {0xc.0ce85b8ac526641p-4L, -0xe.c453a7722dap-69L},
    {0xc.90fdaa22168c235p-4L, -0xe.ce675d1fc9p-70L},
};
// clang-format on
constexpr Angle kHalfPi = {0xc.90fdaa22168c235p-3L, -0xe.ce675d1fc9p-69L};
constexpr Angle kPi = {0xc.90fdaa22168c235p-2L, -0xe.ce675d1fc9p-68L};

// atan u for |u| <= 1/32, less u itself: u·(-z/3 + z²/5 - ...), z = u².
LD AtanSeriesTail(LD u) {
  const LD z = u * u;
  LD sum = 1.0L / 19;
  for (int d = 17; d >= 3; d -= 2) sum = 1.0L / d - z * sum;
  return -u * z * sum;
}

// atan(small / large) for 0 <= small <= large, large > 0 and finite.
Angle AtanOfRatio(LD small, LD large) {
  const LD t = small / large;
  const int k = static_cast<int>(t * 16 + 0.5L);
  const LD c = static_cast<LD>(k) / 16;
  // large = hi + lo with hi of 32 significant bits: c·hi is exact and, as
  // small lies within a factor 2 of it when k > 0, so is small - c·hi.
  constexpr LD kSplitter = 4294967297.0L;  // 2^32 + 1
  const LD scaled = kSplitter * large;
  const LD hi = scaled - (scaled - large);
  const LD numerator = (small - c * hi) - c * (large - hi);
  const LD u = numerator / (large + c * small);
  const Angle& base = kAtanOfSixteenths[k];
  return {base.hi, base.lo + u + AtanSeriesTail(u)};
}

}  // namespace

long double Atan2Extended(long double y, long double x) {
  if (std::isnan(x) || std::isnan(y)) return std::numeric_limits<LD>::quiet_NaN();
  LD ax = std::fabs(x), ay = std::fabs(y);
  // Infinite arguments: only their directions count.
  if (std::isinf(ax) || std::isinf(ay)) {
    ax = std::isinf(ax) ? 1 : 0;
    ay = std::isinf(ay) ? 1 : 0;
  }
  LD angle = 0;
  if (ay == 0 && ax == 0) {
    angle = 0;
  } else if (ay <= ax) {
    const Angle a = AtanOfRatio(ay, ax);
    angle = std::signbit(x) ? (kPi.hi - a.hi) + (kPi.lo - a.lo) : a.hi + a.lo;
  } else {
    // atan(y/x) = π/2 - atan(x/y), and π/2 + atan(|x|/y) for x < 0.
    const Angle a = AtanOfRatio(ax, ay);
    angle = std::signbit(x) ? (kHalfPi.hi + a.hi) + (kHalfPi.lo + a.lo)
                            : (kHalfPi.hi - a.hi) + (kHalfPi.lo - a.lo);
  }
  if (ay == 0 && ax == 0 && std::signbit(x)) angle = kPi.hi + kPi.lo;
  return std::signbit(y) ? -angle : angle;
}

}  // namespace q527
