#include "program_files.h"

#include <windows.h>

#include <cwchar>

namespace q527 {

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

namespace {

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceExists(HDC dc, const wchar_t* face) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(dc, &lf, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

}  // namespace

const wchar_t* FirstInstalledFace(const wchar_t* const* faces, int count) {
  HDC dc = GetDC(nullptr);
  const wchar_t* chosen = L"";
  for (int i = 0; i < count; ++i) {
    if (FaceExists(dc, faces[i])) {
      chosen = faces[i];
      break;
    }
  }
  ReleaseDC(nullptr, dc);
  return chosen;
}

}  // namespace q527
