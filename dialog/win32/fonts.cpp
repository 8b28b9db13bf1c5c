#include "fonts.h"

#include <array>
#include <cwchar>

#include "program_files.h"

namespace q527 {

namespace {

// Japanese Windows has the first; English Windows the second; Wine and the
// fontconfig world usually one of the rest.
constexpr std::array<const wchar_t*, 8> kFaces{
    L"ＭＳ ゴシック", L"MS Gothic", L"IPAゴシック",           L"IPAGothic",
    L"Takao Gothic",  L"VL Gothic", L"Noto Sans Mono CJK JP", L"Noto Sans CJK JP",
};

// Looked up once: every font of the dialog uses the same face.
const wchar_t* ChosenFace() {
  static const wchar_t* face = FirstInstalledFace(kFaces.data(), static_cast<int>(kFaces.size()));
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
