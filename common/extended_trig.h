// Sine and cosine at extended precision, computed by the project's own code so
// that every build (Linux, 32-bit and 64-bit Windows) gets the same bits: the
// C libraries' long double sine and cosine differ in their last bits, and those
// bits reach the vertices written to the exchange file.
#pragma once

struct ExtendedSinCos {
  long double sin;
  long double cos;
};

// sin and cos of a double angle in radians, any finite value; NaN for a
// non-finite one.
ExtendedSinCos SinCosExtended(double radians);
