// Sine and cosine at extended precision, computed by the project's own code so
// that every build (Linux, 32-bit and 64-bit Windows) gets the same bits: the
// C libraries' long double sine and cosine differ in their last bits, and those
// bits reach the vertices written to the exchange file.
#pragma once

namespace q527 {

struct ExtendedSinCos {
  long double sin;
  long double cos;
};

// sin and cos of a double angle in radians, any finite value; NaN for a
// non-finite one.
ExtendedSinCos SinCosExtended(double radians);

// sin and cos of a long double angle to within a few units in the last
// place, a few times cheaper than SinCosExtended and also the same bits on
// every build: for measures that need a dozen digits, not the last bit of
// a written vertex. NaN for a non-finite angle.
ExtendedSinCos SinCosNear(long double radians);

}  // namespace q527
