// What both dialog programs take from their own module: the exchange file and
// the settings file lie beside the executable.
#pragma once

#include <filesystem>
#include <string>

namespace q527 {

// The executable's full path, however long (GetModuleFileNameW truncates
// silently); empty if the system does not tell it.
std::wstring ModulePath();

// The first of `faces` (in order of preference) that the system has, or ""
// (the font mapper then picks by character set). Asks the system each
// call: callers look it up once.
const wchar_t* FirstInstalledFace(const wchar_t* const* faces, int count);

}  // namespace q527
