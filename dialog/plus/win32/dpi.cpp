#include "dpi.h"

#include <array>
#include <cwchar>

#include "program_files.h"

namespace q527 {

namespace {

// Japanese Windows has the first three; Wine and the fontconfig world one
// of the rest.
constexpr std::array<const wchar_t*, 8> kFaces{
    L"Meiryo UI", L"Yu Gothic UI",  L"MS UI Gothic",     L"IPAPGothic",
    L"IPAGothic", L"Takao PGothic", L"Noto Sans CJK JP", L"VL PGothic",
};

// Looked up once: every font of the window uses the same face.
const wchar_t* ChosenFace() {
  static const wchar_t* face = FirstInstalledFace(kFaces.data(), static_cast<int>(kFaces.size()));
  return face;
}

// A function of user32 that older systems lack, looked up by name.
template <typename Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                : nullptr;
}

}  // namespace

UINT WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpi = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (getDpi && window) {
    const UINT dpi = getDpi(window);
    if (dpi > 0) return dpi;
  }
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

HFONT CreatePlusFont(UINT dpi) {
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(9, static_cast<int>(dpi), 72);  // 9 points
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfQuality = CLEARTYPE_QUALITY;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  wcsncpy(lf.lfFaceName, ChosenFace(), LF_FACESIZE - 1);
  return CreateFontIndirectW(&lf);
}

DialogBase BaseUnitsOf(HFONT font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  // The dialog manager's rule: the mean width of the 52 Latin letters.
  static constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE size{};
  GetTextExtentPoint32W(dc, kLetters, 52, &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DialogBase base;
  base.x = (size.cx / 26 + 1) / 2;
  base.y = tm.tmHeight;
  if (base.x <= 0) base.x = 6;
  if (base.y <= 0) base.y = 12;
  return base;
}

void TakeOverDpiScaling(HWND dialog) {
  using SetBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
  static const auto set = User32Function<SetBehaviorFn>("SetDialogDpiChangeBehavior");
  constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
  if (set) set(dialog, kDisableAll, kDisableAll);
}

}  // namespace q527
