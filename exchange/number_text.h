// The number texts of the exchange file as written.
#pragma once

#include <cstdint>
#include <string>

namespace q527 {

// Room FormatReal needs at buf: the longest text is 22 bytes
// ("-1.23456789012345E-308"), and the bytes behind the text are scratch.
inline constexpr int kRealTextMax = 48;
// Longest text FormatInt / FormatHex can produce ("-2147483648").
inline constexpr int kIntTextMax = 12;

// Real rule: 15 significant digits, trailing zeros dropped, plain notation
// for 1e-4 <= |v| < 1e15 (after rounding), else d.dddE-x; "-0" is "0".
// Writes into buf (at least kRealTextMax bytes) and returns the end.
// A non-finite value is written as "0"; the emitters never pass one.
char* FormatReal(char* buf, double value);
// The same text, always taken from the correctly rounded 15-digit form. It is
// the reference FormatReal's fast path must agree with byte for byte.
char* FormatRealExact(char* buf, double value);
// Decimal integer.
char* FormatInt(char* buf, std::int32_t value);
// Upper-case hexadecimal, at least one digit (layer group and layer). A
// negative value is written as its 32-bit pattern ("FFFFFFFF" for -1).
char* FormatHex(char* buf, std::int32_t value);

void AppendReal(std::string& out, double value);
void AppendInt(std::string& out, std::int32_t value);
void AppendHex(std::string& out, std::int32_t value);

}  // namespace q527
