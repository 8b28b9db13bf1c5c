// UTF-8 (the program's own texts) to and from UTF-16 (the window texts and
// the arguments on Windows), the one conversion of the project. Invalid
// sequences become U+FFFD, as the system's own conversions make them.
#pragma once

#include <string>
#include <string_view>

namespace q527 {

std::u16string Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::u16string_view utf16);

#ifdef _WIN32
// The same for the system's wide strings, which are UTF-16 on Windows.
inline std::wstring WidenUtf8(std::string_view utf8) {
  const std::u16string u = Utf16FromUtf8(utf8);
  return std::wstring(u.begin(), u.end());
}
inline std::string NarrowToUtf8(std::wstring_view utf16) {
  return Utf8FromUtf16(
      std::u16string_view(reinterpret_cast<const char16_t*>(utf16.data()), utf16.size()));
}
#endif

}  // namespace q527
