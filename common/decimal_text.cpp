#include "common/decimal_text.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace q527 {

namespace {

// Digits past this many only tell whether the tail is zero: a double lies
// halfway between two neighbours at no more than 767 significant digits, so
// keeping 800 and a trailing 1 for any nonzero rest rounds exactly as the
// whole text would.
constexpr std::size_t kKeptDigits = 800;

// An unsigned integer of any size, least significant 32-bit limb first.
struct BigInt {
  std::vector<std::uint32_t> limbs;

  void MultiplyAdd(std::uint32_t factor, std::uint32_t addend) {
    std::uint64_t carry = addend;
    for (std::uint32_t& limb : limbs) {
      const std::uint64_t t = static_cast<std::uint64_t>(limb) * factor + carry;
      limb = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    if (carry != 0) limbs.push_back(static_cast<std::uint32_t>(carry));
  }

  void MultiplyByPowerOfTen(long long n) {
    for (; n >= 9; n -= 9) MultiplyAdd(1000000000u, 0);
    static constexpr std::uint32_t kSmall[9] = {1,      10,      100,      1000,     10000,
                                                100000, 1000000, 10000000, 100000000};
    if (n > 0) MultiplyAdd(kSmall[n], 0);
  }

  void ShiftLeft(long long bits) {
    if (limbs.empty() || bits == 0) return;
    const auto words = static_cast<std::size_t>(bits / 32);
    const int rest = static_cast<int>(bits % 32);
    if (rest != 0) {
      std::uint32_t carry = 0;
      for (std::uint32_t& limb : limbs) {
        const std::uint32_t next = limb >> (32 - rest);
        limb = (limb << rest) | carry;
        carry = next;
      }
      if (carry != 0) limbs.push_back(carry);
    }
    limbs.insert(limbs.begin(), words, 0u);
  }

  void ShiftRightOne() {
    for (std::size_t i = 0; i < limbs.size(); ++i) {
      const std::uint32_t high = i + 1 < limbs.size() ? limbs[i + 1] << 31 : 0u;
      limbs[i] = (limbs[i] >> 1) | high;
    }
    Trim();
  }

  void Subtract(const BigInt& b) {  // *this >= b
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < limbs.size(); ++i) {
      std::int64_t t = static_cast<std::int64_t>(limbs[i]) - borrow -
                       (i < b.limbs.size() ? static_cast<std::int64_t>(b.limbs[i]) : 0);
      borrow = t < 0 ? 1 : 0;
      limbs[i] = static_cast<std::uint32_t>(t + (borrow << 32));
    }
    Trim();
  }

  void Trim() {
    while (!limbs.empty() && limbs.back() == 0) limbs.pop_back();
  }

  long long BitLength() const {
    if (limbs.empty()) return 0;
    return static_cast<long long>(limbs.size() - 1) * 32 + std::bit_width(limbs.back());
  }

  bool IsZero() const { return limbs.empty(); }
};

int Compare(const BigInt& a, const BigInt& b) {
  if (a.limbs.size() != b.limbs.size()) return a.limbs.size() < b.limbs.size() ? -1 : 1;
  for (std::size_t i = a.limbs.size(); i-- > 0;) {
    if (a.limbs[i] != b.limbs[i]) return a.limbs[i] < b.limbs[i] ? -1 : 1;
  }
  return 0;
}

double FromBits(std::uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

// digits · 10^exponent as num / den, both integers; digits past
// kKeptDigits become one trailing 1 when any of them is not 0.
struct Ratio {
  BigInt num, den;
};

Ratio MakeRatio(std::string_view digits, long long exponent) {
  std::string kept(digits.substr(0, std::min(digits.size(), kKeptDigits)));
  exponent += static_cast<long long>(digits.size() - kept.size());
  if (kept.size() < digits.size() &&
      digits.find_first_not_of('0', kKeptDigits) != std::string_view::npos) {
    kept.push_back('1');
    --exponent;
  }
  Ratio r;
  for (std::size_t i = 0; i < kept.size(); i += 9) {
    std::uint32_t chunk = 0, scale = 1;
    for (std::size_t j = i; j < kept.size() && j < i + 9; ++j) {
      chunk = chunk * 10 + static_cast<std::uint32_t>(kept[j] - '0');
      scale *= 10;
    }
    r.num.MultiplyAdd(scale, chunk);
  }
  r.num.Trim();
  r.den.limbs = {1};
  if (exponent >= 0) {
    r.num.MultiplyByPowerOfTen(exponent);
  } else {
    r.den.MultiplyByPowerOfTen(-exponent);
  }
  return r;
}

// The ratio's value as (q + sticky) · 2^-shift with 2^63 <= q < 2^64, where
// sticky tells that something nonzero lies below q's last bit.
struct Scaled {
  std::uint64_t q;
  bool sticky;
  long long shift;
};

Scaled ScaleToSixtyFourBits(const Ratio& ratio) {
  // Scale by 2^shift so that 2^63 <= num / den < 2^64.
  long long shift = 63 - (ratio.num.BitLength() - ratio.den.BitLength());
  BigInt num, den;
  const auto scale = [&](long long by) {
    num = ratio.num;
    den = ratio.den;
    if (by > 0) num.ShiftLeft(by);
    if (by < 0) den.ShiftLeft(-by);
  };
  scale(shift);
  BigInt part = den;
  part.ShiftLeft(63);
  if (Compare(num, part) < 0) {
    scale(++shift);
    part = den;
    part.ShiftLeft(63);
  }
  // Sixty-four quotient bits by shifting and subtracting; the remainder
  // tells whether anything lies below them.
  std::uint64_t q = 0;
  for (int bit = 63; bit >= 0; --bit) {
    if (Compare(num, part) >= 0) {
      num.Subtract(part);
      q |= std::uint64_t{1} << bit;
    }
    part.ShiftRightOne();
  }
  return {q, !num.IsZero(), shift};
}

// The nearest double to (q + sticky) · 2^-shift, ties to even.
double RoundToDouble(Scaled v) {
  const long long e2 = 63 - v.shift;  // 2^e2 <= value < 2^(e2 + 1)
  if (e2 > 1023) return std::numeric_limits<double>::infinity();
  // The significant bits a double has at that exponent.
  const long long keep = e2 >= -1022 ? 53 : 53 - (-1022 - e2);
  if (keep < 0) return 0.0;
  if (keep == 0) return (v.q > (std::uint64_t{1} << 63) || v.sticky) ? FromBits(1) : 0.0;
  const int drop = static_cast<int>(64 - keep);
  std::uint64_t mantissa = v.q >> drop;
  const std::uint64_t rest = v.q & ((std::uint64_t{1} << drop) - 1);
  const std::uint64_t half = std::uint64_t{1} << (drop - 1);
  if (rest > half || (rest == half && (v.sticky || (mantissa & 1) != 0))) ++mantissa;
  // A subnormal's bits are its significand; a normal's are its biased
  // exponent times 2^52 plus the significand with its leading bit, so a
  // significand that rounded up to 2^53 moves into the next binade (or to
  // infinity) by the addition itself.
  if (e2 < -1022) return FromBits(mantissa);
  return FromBits((static_cast<std::uint64_t>(e2 + 1022) << 52) + mantissa);
}

// The nearest double to digits · 10^exponent; digits has no leading zeros
// and is not empty.
double Convert(std::string_view digits, long long exponent) {
  // Outside these bounds the value is past the largest double or below half
  // the smallest, whatever the digits.
  const auto magnitude = static_cast<long long>(digits.size()) + exponent;  // value < 10^magnitude
  if (magnitude > 310) return std::numeric_limits<double>::infinity();
  if (magnitude < -324) return 0.0;
  return RoundToDouble(ScaleToSixtyFourBits(MakeRatio(digits, exponent)));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool DecimalTextToDouble(std::string_view text, double& out) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  std::string digits;
  long long exponent = 0;
  bool anyDigit = false;
  for (; i < n && IsDigit(text[i]); ++i) {
    anyDigit = true;
    if (!digits.empty() || text[i] != '0') digits.push_back(text[i]);
  }
  if (i < n && text[i] == '.') {
    for (++i; i < n && IsDigit(text[i]); ++i) {
      anyDigit = true;
      --exponent;
      if (!digits.empty() || text[i] != '0') digits.push_back(text[i]);
    }
  }
  if (!anyDigit) return false;
  if (i < n) {
    if (text[i] != 'e' && text[i] != 'E') return false;
    ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == n) return false;
    long long e = 0;
    for (; i < n && IsDigit(text[i]); ++i) {
      // Beyond a billion the value is 0 or infinite anyway.
      if (e < 1'000'000'000) e = e * 10 + (text[i] - '0');
    }
    if (i != n) return false;
    exponent += negative ? -e : e;
  }
  // Trailing zeros of the digits only scale.
  const std::size_t last = digits.find_last_not_of('0');
  if (last == std::string::npos) {
    out = 0.0;
    return true;
  }
  exponent += static_cast<long long>(digits.size() - 1 - last);
  digits.resize(last + 1);
  const double value = Convert(digits, exponent);
  if (value == 0.0 || value == std::numeric_limits<double>::infinity()) return false;
  out = value;
  return true;
}

}  // namespace q527
