// The dialog's fonts: "ＭＳ ゴシック" in the Shift-JIS character set, or the
// nearest Japanese gothic face the system has where that one is missing.
#pragma once

#include <windows.h>

namespace q527 {

// A font of the given character height in pixels; the caller deletes it.
HFONT CreateDialogFont(int characterHeight);

}  // namespace q527
