#include "common/myfunc.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "common/decimal_text.h"
#include "common/exact_double.h"

namespace q527 {

namespace {

constexpr bool IsDigit(unsigned char b) { return b >= '0' && b <= '9'; }

constexpr bool IsHexDigit(unsigned char b) {
  return IsDigit(b) || (b >= 'A' && b <= 'F') || (b >= 'a' && b <= 'f');
}

// The drawing's numbers are short decimals. Their value is an integer of at
// most 53 bits times or over a power of ten up to 10^22, both exact doubles,
// so one correctly rounded operation gives the exactly rounded double.
constexpr bool kShortDecimalRoad = kDoubleOpsRoundTo53Bits;

constexpr std::uint64_t kAsciiZeros = 0x3030303030303030ULL;

// Eight digits at a time: the test for eight ASCII digits in one word and the
// combination of their values by three multiplications are the technique of
// simdjson and fast_float (Daniel Lemire and others; described in D. Lemire,
// "Number Parsing at a Gigabyte per Second", Software: Practice and
// Experience 51(8), 2021). The code here is written for this reader.

// 0x80 in each byte of the eight that is not an ASCII digit. Carries and
// borrows only ever reach the bytes after the first such byte, so that one and
// all digits before it are marked exactly.
inline std::uint64_t NotDigitBytes(std::uint64_t bytes) {
  return ((bytes + 0x4646464646464646ULL) | (bytes - kAsciiZeros)) & 0x8080808080808080ULL;
}

// The value of eight digit values 0..9, one per byte, the first in the lowest
// byte: pairs, then quadruples, then the two halves are combined by
// multiplications.
inline std::uint32_t EightDigitsValue(std::uint64_t digits) {
  digits = digits * 10 + (digits >> 8);
  digits = (((digits & 0x000000FF000000FFULL) * 0x000F424000000064ULL) +
            (((digits >> 16) & 0x000000FF000000FFULL) * 0x0000271000000001ULL)) >>
           32;
  return static_cast<std::uint32_t>(digits);
}

constexpr std::uint64_t kPow10Int[9] = {1,      10,      100,      1000,     10000,
                                        100000, 1000000, 10000000, 100000000};

// Appends the digits at p to value (modulo 2^64: the caller counts them)
// and returns the first byte that is not a digit. Where eight bytes can be
// read, the run of digits at their start is taken in one step, moved to the
// top of the word so that the empty places read as leading zeros.
inline const char* ReadDigits(const char* p, const char* const end, std::uint64_t& value) {
  if constexpr (std::endian::native == std::endian::little) {
    while (end - p >= 8) {
      std::uint64_t bytes;
      std::memcpy(&bytes, p, 8);
      const std::uint64_t notDigit = NotDigitBytes(bytes);
      if (notDigit == 0) {
        value = value * 100000000 + EightDigitsValue(bytes - kAsciiZeros);
        p += 8;
        continue;
      }
      const int n = std::countr_zero(notDigit) >> 3;
      if (n == 0) return p;
      const std::uint64_t digits = (bytes - kAsciiZeros) << (64 - 8 * n);
      value = value * kPow10Int[n] + EightDigitsValue(digits);
      return p + n;
    }
  }
  for (; p < end && IsDigit(static_cast<unsigned char>(*p)); ++p) value = value * 10 + (*p - '0');
  return p;
}

// Reads digits [. digits] [e|E [sign] digits] that make up the whole of
// [p, end) when the value needs only the one operation above; false leaves
// the text to DecimalTextToDouble, which also decides every malformed text.
bool ReadShortDecimal(const char* p, const char* const end, double& out) {
  const char* const begin = p;
  std::uint64_t mantissa = 0;
  while (p < end && *p == '0') ++p;  // leading zeros are not significant
  const char* digits = p;
  p = ReadDigits(p, end, mantissa);
  std::ptrdiff_t significant = p - digits;
  std::ptrdiff_t scale = 0;  // value = mantissa * 10^scale
  bool anyDigit = p != begin;
  if (p < end && *p == '.') {
    const char* const fraction = ++p;
    if (significant == 0) {
      while (p < end && *p == '0') ++p;
    }
    digits = p;
    p = ReadDigits(p, end, mantissa);
    significant += p - digits;
    scale = -(p - fraction);
    anyDigit = anyDigit || p != fraction;
  }
  if (!anyDigit || significant > 19) return false;
  if (p < end) {
    if (*p != 'e' && *p != 'E') return false;
    ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
      negative = *p == '-';
      ++p;
    }
    int exponent = 0;
    const char* const exponentDigits = p;
    for (; p < end && IsDigit(static_cast<unsigned char>(*p)); ++p) {
      if (p - exponentDigits == 4) return false;
      exponent = exponent * 10 + (*p - '0');
    }
    if (p == exponentDigits || p != end) return false;
    scale += negative ? -exponent : exponent;
  }
  if (mantissa == 0) {
    out = 0.0;
    return true;
  }
  if (mantissa > (std::uint64_t{1} << 53) || scale < -22 || scale > 22) return false;
  const auto exact = static_cast<double>(mantissa);
  out = scale < 0 ? exact / kExactPow10[-scale] : exact * kExactPow10[scale];
  return true;
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

namespace {

// Both number readers start alike: ASCII spaces only (no tabs, no
// full-width blanks), then an optional sign. Returns whether it was "-".
bool SkipBlanksAndSign(const char*& p, const char* end) {
  while (p < end && *p == ' ') ++p;
  if (p < end && (*p == '-' || *p == '+')) return *p++ == '-';
  return false;
}

}  // namespace

std::string_view BoolToText(bool value) { return value ? "1" : "0"; }

std::int32_t TextToInt(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  const bool negative = SkipBlanksAndSign(p, end);
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
  const bool negative = SkipBlanksAndSign(p, end);
  // The number is digits with an optional point and exponent, starting with a
  // digit or a point (so "inf", "nan" and a second sign read as 0), and it is
  // the whole rest: a missing exponent or a trailing byte fails.
  const char* const number = p;
  if (p == end || !(IsDigit(static_cast<unsigned char>(*p)) || *p == '.')) return 0.0;
  double value = 0.0;
  if (kShortDecimalRoad && ReadShortDecimal(number, end, value)) return negative ? -value : value;
  // A magnitude beyond the double range reads as 0, like any other text that
  // does not convert; a value below the smallest double is 0 anyway.
  if (!DecimalTextToDouble(std::string_view(number, static_cast<std::size_t>(end - number)),
                           value)) {
    return 0.0;
  }
  return negative ? -value : value;
}

}  // namespace q527
