// The driver holds its file names as UTF-8 strings (on Windows the UTF-16
// arguments converted). A std::string turned into a std::filesystem::path
// implicitly is decoded by the C library's locale, which on Windows is no
// UTF-8: "ソ", "€" or an emoji in a folder name would name another file. So
// every name the driver hands to the library goes through PathFromUtf8.
#pragma once

#include <filesystem>
#include <string_view>

namespace q527 {

// The path named by UTF-8 text, on every system.
std::filesystem::path PathFromUtf8(std::string_view utf8);

}  // namespace q527
