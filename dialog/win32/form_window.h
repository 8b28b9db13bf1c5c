// The conversion dialog as a Win32 window around TForm1.
#pragma once

#include <windows.h>

#include <filesystem>

namespace q527 {

// Shows the dialog as the program's main window and runs the message loop
// until it has closed. Returns the exit code.
int RunFormWindow(HINSTANCE instance, const std::filesystem::path& exchangeFile,
                  const std::filesystem::path& settingsFile);

}  // namespace q527
