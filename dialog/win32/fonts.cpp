#include "fonts.h"

#include <array>
#include <cwchar>

namespace q527 {

namespace {

// Japanese Windows has the first; English Windows the second; Wine and the
// fontconfig world usually one of the rest.
constexpr std::array<const wchar_t*, 8> kFaces{
    L"ＭＳ ゴシック", L"MS Gothic", L"IPAゴシック",           L"IPAGothic",
    L"Takao Gothic",  L"VL Gothic", L"Noto Sans Mono CJK JP", L"Noto Sans CJK JP",
};

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

// Looked up once: every font of the dialog uses the same face.
const wchar_t* ChosenFace() {
  static const wchar_t* face = [] {
    HDC dc = GetDC(nullptr);
    const wchar_t* chosen = L"";  // none found: the font mapper picks by charset and pitch
    for (const wchar_t* f : kFaces) {
      if (FaceExists(dc, f)) {
        chosen = f;
        break;
      }
    }
    ReleaseDC(nullptr, dc);
    return chosen;
  }();
  return face;
}

}  // namespace

HFONT CreateDialogFont(int characterHeight) {
  LOGFONTW lf{};
  lf.lfHeight = -characterHeight;  // negative: character height, not cell height
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  wcsncpy(lf.lfFaceName, ChosenFace(), LF_FACESIZE - 1);
  return CreateFontIndirectW(&lf);
}

}  // namespace q527
