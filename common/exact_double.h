// What exact arithmetic on doubles rests on, shared by the reading and the
// writing of numbers.
#pragma once

#include <cfloat>

namespace q527 {

// Every operation on doubles rounds to 53 bits (no extended-precision
// intermediates, no fast-math), so one operation on exact operands gives the
// correctly rounded result. Where this does not hold, the fast roads that rely
// on it stay closed and the library's exact ones are taken.
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0 && !defined(__FAST_MATH__)
inline constexpr bool kDoubleOpsRoundTo53Bits = true;
#else
inline constexpr bool kDoubleOpsRoundTo53Bits = false;
#endif

// 10^0 .. 10^22: the powers of ten a double holds exactly.
inline constexpr double kExactPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                           1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace q527
