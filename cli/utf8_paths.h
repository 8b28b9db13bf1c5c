// The driver holds its file names as UTF-8 strings (on Windows the UTF-16
// arguments converted). A std::string turned into a std::filesystem::path
// implicitly is decoded by the C library's locale, which on Windows is no
// UTF-8: "ソ", "€" or an emoji in a folder name would name another file. So
// the driver's calls of the library's path-taking routines go through these
// overloads, which an argument of type std::string selects over the path
// versions, and which build the path as UTF-8 (wide on Windows).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "dialog/conversion.h"
#include "dialog/settings.h"
#include "exchange/reader.h"
#include "exchange/store.h"

// The path named by UTF-8 text, on every system.
std::filesystem::path PathFromUtf8(std::string_view utf8);

JwwReadStatus JwwReadFile(Store& s, const std::string& utf8Path);
bool JwwWriteFile(Store& s, const std::string& utf8Path);
void JwwSpillOutTo(Store& s, const std::string& utf8Path);
void LoadSettings(FormSettings& form, const std::string& utf8Path);
RunOutcome RunConversion(Store& s, FormSettings& fields, const DialogState& state,
                         const std::string& utf8SettingsPath, bool readComplete, DialogUi& ui);
