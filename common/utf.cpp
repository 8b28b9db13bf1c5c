#include "common/utf.h"

namespace q527 {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point of the UTF-8 sequence at text[i], and its length. An
// invalid sequence (overlong, a surrogate, past U+10FFFF, cut short) gives
// one replacement character for its longest valid beginning, as Unicode
// recommends and the system does.
char32_t DecodeUtf8(std::string_view text, std::size_t i, std::size_t& length) {
  const auto c = static_cast<unsigned char>(text[i]);
  length = 1;
  if (c < 0x80) return c;
  std::size_t len;
  unsigned char lo = 0x80, hi = 0xBF;
  char32_t cp;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2, cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3, cp = c & 0x0F;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4, cp = c & 0x07;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return kReplacement;
  }
  for (std::size_t k = 1; k < len; ++k) {
    const unsigned char low = k == 1 ? lo : 0x80, high = k == 1 ? hi : 0xBF;
    if (i + k >= text.size() || static_cast<unsigned char>(text[i + k]) < low ||
        static_cast<unsigned char>(text[i + k]) > high) {
      length = k;
      return kReplacement;
    }
    const auto next = static_cast<unsigned char>(text[i + k]);
    cp = (cp << 6) | (next & 0x3F);
  }
  length = len;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::u16string Utf16FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    std::size_t length;
    const char32_t cp = DecodeUtf8(utf8, i, length);
    i += length;
    if (cp < 0x10000) {
      out.push_back(static_cast<char16_t>(cp));
    } else {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
  }
  return out;
}

std::string Utf8FromUtf16(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char16_t u = utf16[i];
    if (IsHighSurrogate(u) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
      AppendUtf8(out,
                 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      AppendUtf8(out, kReplacement);  // a lone half of a pair
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

}  // namespace q527
