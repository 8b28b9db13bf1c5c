// The number texts of the exchange file as written.
#pragma once

#include <cstdint>
#include <string>

// Longest text AppendReal can produce ("-1.23456789012345E-308").
inline constexpr int kRealTextMax = 32;

// Real rule: 15 significant digits, trailing zeros dropped, plain notation
// for 1e-4 <= |v| < 1e15 (after rounding), else d.dddE-x; "-0" is "0".
// Writes into buf (at least kRealTextMax bytes) and returns the end.
char* FormatReal(char* buf, double value);
// Decimal integer.
char* FormatInt(char* buf, std::int32_t value);
// Upper-case hexadecimal, at least one digit (layer group and layer).
char* FormatHex(char* buf, std::int32_t value);

void AppendReal(std::string& out, double value);
void AppendInt(std::string& out, std::int32_t value);
void AppendHex(std::string& out, std::int32_t value);
