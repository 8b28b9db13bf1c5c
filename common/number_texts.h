// The numbers of messages, status texts and captions: integers, and reals
// to six significant digits, as std::to_chars writes them (no locale). The
// exchange file's own numbers follow the writer's rules instead
// (exchange/number_text.h).
#pragma once

#include <charconv>
#include <string>

namespace q527 {

inline void AppendIntegerText(std::string& out, long long value) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, res.ptr);
}

inline std::string IntegerText(long long value) {
  std::string text;
  AppendIntegerText(text, value);
  return text;
}

inline std::string ShortRealText(double value) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
  return std::string(buf, res.ptr);
}

}  // namespace q527
