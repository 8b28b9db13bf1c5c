// Path rules of the program: its folder and its settings file, both derived
// from the executable's own path. Separators are "\" and ":" (and "/"), found
// Shift-JIS-aware in byte strings so that "ソ" (0x83 0x5C) is no separator.
#pragma once

#include <string>
#include <string_view>

namespace q527 {

// The executable's folder, ending in its separator ("" when there is none).
std::string ExeDirOf(std::string_view exePath);
std::wstring ExeDirOf(std::wstring_view exePath);
// The executable's path with its extension replaced by ".dat" (appended when
// the name has no extension).
std::string SettingsPathOf(std::string_view exePath);
std::wstring SettingsPathOf(std::wstring_view exePath);

}  // namespace q527
