// q527-plus.exe's window around PlusForm.
#pragma once

#include <windows.h>

#include <filesystem>

namespace q527 {

// Shows the window and runs the message loop until it has closed. Returns
// the exit code.
int RunPlusWindow(HINSTANCE instance, const std::filesystem::path& exchangeFile,
                  const std::filesystem::path& settingsFile);

}  // namespace q527
