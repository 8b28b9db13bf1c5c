// TextToInt and TextToFloat against a reference reading written here from
// the rules (grammar checked by hand, value from std::from_chars), and the
// writer's real rule against digits from std::to_chars. They must agree on
// accept/reject and on the value (floats within a few units in the last
// place, as the reading may scale in extended precision).
//
// The input text is the whole input; when it is at least 8 bytes long its
// first 8 bytes are also taken as a double for the real rule.
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "common/myfunc.h"
#include "exchange/number_text.h"
#include "fuzz/store_checks.h"

namespace q527 {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Leading blanks, a sign, then "$", "x", "X", "0x" or "0X" and up to eight
// significant hex digits (a bit pattern), or decimal digits in int32 range.
// nullopt means the text does not convert (the routine gives 0).
std::optional<std::int32_t> ReferenceInt(std::string_view t) {
  std::size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  bool hex = false;
  if (i < t.size() && (t[i] == '$' || t[i] == 'x' || t[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == t.size()) return std::nullopt;
  if (hex) {
    std::uint32_t value = 0;
    int significant = 0;
    for (; i < t.size(); ++i) {
      const int d = HexValue(t[i]);
      if (d < 0) return std::nullopt;
      if (significant > 0 || d != 0) ++significant;
      if (significant > 8) return std::nullopt;
      value = value * 16u + static_cast<std::uint32_t>(d);
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
  }
  std::int64_t value = 0;
  for (; i < t.size(); ++i) {
    if (!IsDigit(t[i])) return std::nullopt;
    value = value * 10 + (t[i] - '0');
    if (value > 2147483648LL) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

enum class FloatClass { kReject, kValue, kOverflow, kUnderflow };

struct ReferenceFloat {
  FloatClass kind = FloatClass::kReject;
  double value = 0;
  long long order = 0;  // the value lies in [10^(order-1), 10^order)
};

// Leading blanks, a sign, digits with at most one point (at least one digit
// on some side), an optional exponent with at least one digit, and nothing
// after. The value is read by from_chars; the magnitude's decimal order tells
// an overflow from an underflow when from_chars reports the range exceeded.
ReferenceFloat ReadReferenceFloat(std::string_view t) {
  ReferenceFloat r;
  std::size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  const std::size_t body = i;
  long long digitsBefore = 0, firstNonZero = -1, digitIndex = 0;
  bool point = false, anyDigit = false;
  for (; i < t.size(); ++i) {
    if (IsDigit(t[i])) {
      anyDigit = true;
      if (firstNonZero < 0 && t[i] != '0') firstNonZero = digitIndex;
      ++digitIndex;
      if (!point) ++digitsBefore;
    } else if (t[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!anyDigit) return r;
  long long exponent = 0;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    bool expNegative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) expNegative = t[i++] == '-';
    if (i == t.size() || !IsDigit(t[i])) return r;
    for (; i < t.size() && IsDigit(t[i]); ++i) {
      if (exponent < 100000000) exponent = exponent * 10 + (t[i] - '0');
    }
    if (expNegative) exponent = -exponent;
  }
  if (i != t.size()) return r;

  if (firstNonZero < 0) {
    r.kind = FloatClass::kValue;  // zero, whatever the exponent
    return r;
  }
  double value = 0;
  const auto res = std::from_chars(t.data() + body, t.data() + t.size(), value);
  if (res.ec == std::errc::result_out_of_range) {
    r.order = digitsBefore - firstNonZero + exponent;
    r.kind = r.order > 0 ? FloatClass::kOverflow : FloatClass::kUnderflow;
    return r;
  }
  fuzz::Require(res.ec == std::errc() && res.ptr == t.data() + t.size(),
                "the reference grammar and from_chars disagree");
  r.kind = FloatClass::kValue;
  r.value = negative ? -value : value;
  return r;
}

void CheckInt(std::string_view t) {
  const std::int32_t got = TextToInt(t);
  const std::int32_t want = ReferenceInt(t).value_or(0);
  if (got != want) {
    std::fprintf(stderr, "TextToInt(\"%.*s\") = %d, expected %d\n", static_cast<int>(t.size()),
                 t.data(), got, want);
    fuzz::Fail("TextToInt disagrees with the reference");
  }
}

void CheckFloat(std::string_view t) {
  const double got = TextToFloat(t);
  fuzz::Require(!std::isnan(got), "TextToFloat gave NaN");
  const ReferenceFloat want = ReadReferenceFloat(t);
  bool ok = false;
  switch (want.kind) {
    case FloatClass::kReject: ok = got == 0; break;
    case FloatClass::kOverflow:
      // 0 by the routine's policy; right at the edge of the range an
      // extended reading may round to the largest double instead.
      ok = got == 0 || (want.order == 309 && std::isfinite(got) && std::fabs(got) >= 1.79e308);
      break;
    case FloatClass::kUnderflow: ok = std::fabs(got) <= DBL_MIN; break;
    case FloatClass::kValue: {
      const double diff = std::fabs(got - want.value);
      const double magnitude = std::fabs(want.value);
      if (t.size() > 1000) {
        // Thousands of digits may exhaust an extended accumulator; such a
        // text only has to give a number, not the exact one.
        ok = std::isfinite(got) || magnitude > 1e300;
      } else if (magnitude < DBL_MIN) {
        // Subnormal: one rounding step apart, or flushed to 0.
        ok = got == 0 || diff <= 2 * std::numeric_limits<double>::denorm_min();
      } else {
        ok = diff <= magnitude * 4 * std::numeric_limits<double>::epsilon();
        // Right below the largest double an extended reading may see the
        // value as beyond it.
        ok = ok || (magnitude > 1.797e308 && got == 0);
      }
      break;
    }
  }
  if (!ok) {
    std::fprintf(stderr, "TextToFloat(\"%.*s\") = %.17g, expected %.17g (class %d)\n",
                 static_cast<int>(t.size()), t.data(), got, want.value,
                 static_cast<int>(want.kind));
    fuzz::Fail("TextToFloat disagrees with the reference");
  }
}

// The real rule rebuilt from std::to_chars's correctly rounded 15 digits:
// trailing zeros dropped, plain for decimal exponents -4..14, else d.dddE-x.
std::string ReferenceReal(double v) {
  if (v == 0) return "0";
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
  const std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
  const std::size_t e = s.find('e');
  int exponent = 0;
  std::from_chars(s.data() + e + 1 + (s[e + 1] == '+'), s.data() + s.size(), exponent);
  std::string digits;
  for (std::size_t i = 0; i < e; ++i) {
    if (IsDigit(s[i])) digits += s[i];
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = v < 0 ? "-" : "";
  if (exponent >= -4 && exponent <= 14) {
    if (exponent < 0) {
      out += "0.";
      out.append(static_cast<std::size_t>(-exponent - 1), '0');
      out += digits;
    } else if (digits.size() <= static_cast<std::size_t>(exponent) + 1) {
      out += digits;
      out.append(static_cast<std::size_t>(exponent) + 1 - digits.size(), '0');
    } else {
      out += digits.substr(0, static_cast<std::size_t>(exponent) + 1);
      out += '.';
      out += digits.substr(static_cast<std::size_t>(exponent) + 1);
    }
    return out;
  }
  out += digits[0];
  if (digits.size() > 1) {
    out += '.';
    out += digits.substr(1);
  }
  out += 'E';
  out += std::to_string(exponent);
  return out;
}

void CheckReal(double v) {
  if (!std::isfinite(v)) return;
  char buf[kRealTextMax + 8];
  std::memset(buf, 0x55, sizeof buf);
  char* end = FormatReal(buf, v);
  fuzz::Require(end > buf && end - buf <= kRealTextMax, "FormatReal wrote outside its room");
  const std::string got(buf, end);
  const std::string want = ReferenceReal(v);
  if (got != want) {
    std::fprintf(stderr, "FormatReal(%.17g) = \"%s\", expected \"%s\"\n", v, got.c_str(),
                 want.c_str());
    fuzz::Fail("FormatReal disagrees with the reference");
  }
  // What is written reads back and is written the same again, unless the
  // 15-digit rounding carried it past the largest double.
  // Subnormals are left out: the reading may flush them to 0.
  const double back = TextToFloat(got);
  if (std::fabs(v) < 1.79769313486231e308 && (v == 0 || std::fabs(v) >= 1e-300)) {
    end = FormatReal(buf, back);
    fuzz::Require(std::string(buf, end) == got, "a written real does not read back to itself");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckInt(text);
  CheckFloat(text);
  if (size >= sizeof(double)) {
    double v;
    std::memcpy(&v, data, sizeof v);
    CheckReal(v);
  }
  return 0;
}

}  // namespace q527
