// Pixel density for q527-plus.exe: the window's dots per inch (per
// monitor where the system tells it), the dialog font at that density and
// its dialog base units, and the dialog manager's own rescaling turned off
// (the window lays itself out anew on every change).
#pragma once

#include <windows.h>

#include "dialog/plus/plus_layout.h"

namespace q527 {

inline constexpr UINT kDefaultDpi = 96;

// The window's dots per inch: its monitor's where the system has
// GetDpiForWindow, the screen's otherwise.
UINT WindowDpi(HWND window);
// The dialog font, 9 points at the given density; the caller deletes it.
HFONT CreatePlusFont(UINT dpi);
// The font's dialog base units (average width of the Latin letters, height).
DialogBase BaseUnitsOf(HFONT font);
// Leaves the dialog's fonts and sizes to the window on a density change.
void TakeOverDpiScaling(HWND dialog);

}  // namespace q527
