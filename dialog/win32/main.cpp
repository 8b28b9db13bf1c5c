// q527.exe: the program body. Everything it reads and writes lies beside
// the executable, so the paths come from the module's own file name.
#include <windows.h>

#include <filesystem>
#include <string>

#include "dialog/paths.h"
#include "form_window.h"
#include "program_files.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const std::wstring exe = q527::ModulePath();
  const std::filesystem::path exchangeFile(q527::ExeDirOf(exe) + L"JWC_TEMP.TXT");
  const std::filesystem::path settingsFile(q527::SettingsPathOf(exe));
  return q527::RunFormWindow(instance, exchangeFile, settingsFile);
}
