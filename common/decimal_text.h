// Exact reading of a decimal number text, on every build the same.
//
// The C runtimes do not agree here: the 32-bit MinGW runtime's from_chars
// falls back to a strtod that is not correctly rounded, so a reader built on
// it would read other doubles than the Linux build. This road uses integer
// arithmetic only.
#pragma once

#include <string_view>

namespace q527 {

// Reads digits [. digits] [(e|E) [+|-] digits], with at least one digit
// before the exponent, as the whole of text, and gives the nearest double
// (ties to even) in out. False, with out untouched, for any other text and
// for a value out of range: one that rounds past the largest double, or one
// that is not zero but rounds to 0.
bool DecimalTextToDouble(std::string_view text, double& out);

}  // namespace q527
