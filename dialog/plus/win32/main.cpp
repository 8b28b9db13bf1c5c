// q527-plus.exe: the program body. Everything it reads and writes lies
// beside the executable, so the paths come from the module's own file name.
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <string>

#include "dialog/paths.h"
#include "plus_window.h"

namespace q527 {
namespace {

// The full path, however long: GetModuleFileNameW truncates silently.
std::wstring ModulePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace
}  // namespace q527

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Common controls 6 (the manifest asks for them) give the system's look.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const std::wstring exe = q527::ModulePath();
  const std::filesystem::path exchangeFile(q527::ExeDirOf(exe) + L"JWC_TEMP.TXT");
  const std::filesystem::path settingsFile(q527::SettingsPathOf(exe));
  return q527::RunPlusWindow(instance, exchangeFile, settingsFile);
}
