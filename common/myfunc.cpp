#include "common/myfunc.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

constexpr bool IsDigit(unsigned char b) { return b >= '0' && b <= '9'; }

constexpr bool IsHexDigit(unsigned char b) {
  return IsDigit(b) || (b >= 'A' && b <= 'F') || (b >= 'a' && b <= 'f');
}

}  // namespace

std::string StripBlanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(b)) {
      // The pair is taken whole, so its second byte is never read as a blank
      // or a control character. A lead byte at the very end is completed by
      // a zero byte, as the text's terminator would have done.
      const char second = i + 1 < n ? text[i + 1] : '\0';
      if (!(b == 0x81 && static_cast<unsigned char>(second) == 0x40)) {
        out.push_back(static_cast<char>(b));
        out.push_back(second);
      }
      i += 2;
      continue;
    }
    if (b > 0x20) out.push_back(static_cast<char>(b));
    ++i;
  }
  return out;
}

bool TextToBool(std::string_view text) {
  std::string s = StripBlanks(text);
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(b)) {
      i += 2;  // StripBlanks never leaves a lead byte without its partner
      continue;
    }
    if (b >= 'a' && b <= 'z') s[i] = static_cast<char>(b - 'a' + 'A');
    ++i;
  }
  static constexpr std::string_view kTrue[] = {
      "T", "TR", "TRU", "TRUE", "1", "\x82\x50", "\x81\x9B", "ON", "\x90\x5E", "\x90\xB3",
  };
  for (std::string_view t : kTrue) {
    if (s == t) return true;
  }
  return false;
}

std::string_view BoolToText(bool value) { return value ? "1" : "0"; }

std::int32_t TextToInt(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end && *p == ' ') ++p;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
  }
  if (p == end) return 0;

  bool hex = false;
  if (*p == '$' || *p == 'x' || *p == 'X') {
    hex = true;
    ++p;
  } else if (*p == '0' && end - p >= 2 && (p[1] == 'x' || p[1] == 'X')) {
    hex = true;
    p += 2;
  }

  if (hex) {
    if (p == end) return 0;
    for (const char* q = p; q < end; ++q) {
      if (!IsHexDigit(static_cast<unsigned char>(*q))) return 0;
    }
    // Leading zeros do not count towards the eight significant digits.
    while (end - p > 1 && *p == '0') ++p;
    if (end - p > 8) return 0;
    std::uint32_t bits = 0;
    const auto r = std::from_chars(p, end, bits, 16);
    if (r.ec != std::errc() || r.ptr != end) return 0;
    if (negative) bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
  }

  for (const char* q = p; q < end; ++q) {
    if (!IsDigit(static_cast<unsigned char>(*q))) return 0;
  }
  std::uint32_t magnitude = 0;
  const auto r = std::from_chars(p, end, magnitude, 10);
  if (r.ec != std::errc() || r.ptr != end) return 0;
  if (negative) {
    if (magnitude > 2147483648u) return 0;
    return static_cast<std::int32_t>(0u - magnitude);
  }
  if (magnitude > 2147483647u) return 0;
  return static_cast<std::int32_t>(magnitude);
}

double TextToFloat(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end && *p == ' ') ++p;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
  }
  // from_chars reads exactly digits with an optional point and exponent once
  // the text starts with a digit or a point; that first byte keeps out what it
  // would read beyond the format ("inf", "nan", a second sign), and it has to
  // consume the whole rest, so a missing exponent or a trailing byte fails.
  const char* const number = p;
  if (p == end || !(IsDigit(static_cast<unsigned char>(*p)) || *p == '.')) return 0.0;
  double value = 0.0;
  const auto r = std::from_chars(number, end, value, std::chars_format::general);
  // A magnitude beyond the double range reads as 0, like any other text that
  // does not convert; a value below the smallest double is 0 anyway.
  if (r.ec != std::errc() || r.ptr != end || !std::isfinite(value)) return 0.0;
  return negative ? -value : value;
}
