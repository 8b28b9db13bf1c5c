// UTF-8 (the native code's texts) to and from UTF-16 (the window texts).
#pragma once

#include <string>
#include <string_view>

namespace q527 {

std::wstring WidenUtf8(std::string_view utf8);
std::string NarrowToUtf8(std::wstring_view utf16);

}  // namespace q527
