// The numbers of the driver's messages and captions: integers, and reals
// to six significant digits, as std::to_chars writes them (no locale).
#pragma once

#include <charconv>
#include <string>

namespace q527 {

inline std::string IntegerText(long long value) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

inline std::string ShortRealText(double value) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
  return std::string(buf, res.ptr);
}

}  // namespace q527
