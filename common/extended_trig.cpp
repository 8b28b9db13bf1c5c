#include "common/extended_trig.h"

#include <cmath>

ExtendedSinCos SinCosExtended(double radians) {
  const long double x = radians;
  return {std::sin(x), std::cos(x)};
}
