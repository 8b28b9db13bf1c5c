// Text and number helpers on Shift-JIS byte strings.
//
// Every conversion is quiet: a text that does not convert gives 0 or false.
// Lead bytes of double-byte characters are 0x80..0x9F and 0xE0..0xFD.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace q527 {

// True for a byte that starts a double-byte Shift-JIS character.
constexpr bool IsLeadByte(unsigned char b) {
  return (b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD);
}

// Removes ASCII spaces, full-width spaces and control characters anywhere.
std::string StripBlanks(std::string_view text);
// "T", "TR", "TRU", "TRUE", "1", "ON" and the double-byte "１", "○", "真", "正"
// (after StripBlanks and ASCII upper-casing) are true; everything else false.
bool TextToBool(std::string_view text);
// "1" or "0".
std::string_view BoolToText(bool value);
// Decimal or hexadecimal ("$", "x", "0x") 32-bit integer; 0 on any deviation.
std::int32_t TextToInt(std::string_view text);
// Decimal real with optional exponent; 0 on any deviation or overflow.
double TextToFloat(std::string_view text);

}  // namespace q527
