#include "dialog/paths.h"

#include "common/myfunc.h"

namespace q527 {

namespace {

template <typename Char>
constexpr bool IsSeparator(Char c) {
  return c == Char('\\') || c == Char(':') || c == Char('/');
}

// Position just after the last separator (0 when there is none), and the
// position of the last "." after it (npos when there is none). Byte strings
// are walked a character at a time, so the second byte of a double-byte
// character is never taken for a separator: "ソ" is 0x83 0x5C, and a folder
// named "ソフト" must stay whole.
struct PathCuts {
  std::size_t dirEnd = 0;
  std::size_t dot = std::string_view::npos;
};

PathCuts FindCuts(std::string_view path) {
  PathCuts cuts;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto b = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(b)) {
      ++i;  // the pair's second byte, whatever it is
      continue;
    }
    if (IsSeparator(path[i])) {
      cuts.dirEnd = i + 1;
      cuts.dot = std::string_view::npos;
    } else if (path[i] == '.') {
      cuts.dot = i;
    }
  }
  return cuts;
}

PathCuts FindCuts(std::wstring_view path) {
  PathCuts cuts;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsSeparator(path[i])) {
      cuts.dirEnd = i + 1;
      cuts.dot = std::wstring_view::npos;
    } else if (path[i] == L'.') {
      cuts.dot = i;
    }
  }
  return cuts;
}

template <typename String, typename View>
String WithDatExtension(View path) {
  const PathCuts cuts = FindCuts(path);
  String out(path.substr(0, cuts.dot == View::npos ? path.size() : cuts.dot));
  for (char c : std::string_view(".dat"))
    out.push_back(static_cast<typename String::value_type>(c));
  return out;
}

}  // namespace

std::string ExeDirOf(std::string_view exePath) {
  return std::string(exePath.substr(0, FindCuts(exePath).dirEnd));
}

std::wstring ExeDirOf(std::wstring_view exePath) {
  return std::wstring(exePath.substr(0, FindCuts(exePath).dirEnd));
}

std::string SettingsPathOf(std::string_view exePath) {
  return WithDatExtension<std::string>(exePath);
}

std::wstring SettingsPathOf(std::wstring_view exePath) {
  return WithDatExtension<std::wstring>(exePath);
}

}  // namespace q527
