// q527-plus.exe: the program body. Everything it reads and writes lies
// beside the executable, so the paths come from the module's own file name.
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <string>

#include "dialog/paths.h"
#include "plus_window.h"
#include "program_files.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Common controls 6 (the manifest asks for them) give the system's look.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const std::wstring exe = q527::ModulePath();
  const std::filesystem::path exchangeFile(q527::ExeDirOf(exe) + L"JWC_TEMP.TXT");
  const std::filesystem::path settingsFile(q527::SettingsPathOf(exe));
  return q527::RunPlusWindow(instance, exchangeFile, settingsFile);
}
