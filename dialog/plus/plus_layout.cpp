#include "dialog/plus/plus_layout.h"

#include <algorithm>

namespace q527 {

namespace {

// units · base / divisor, rounded half away from zero (what MulDiv gives).
int Scale(int units, int base, int divisor) {
  const long long product = static_cast<long long>(units) * base;
  const long long half = divisor / 2;
  return static_cast<int>(product >= 0 ? (product + half) / divisor
                                       : -((-product + half) / divisor));
}

}  // namespace

int DialogUnitsToPixelsX(int units, DialogBase base) { return Scale(units, base.x, 4); }
int DialogUnitsToPixelsY(int units, DialogBase base) { return Scale(units, base.y, 8); }

PlusRect PlaceControl(const PlusControlSpec& control, int clientWidth, int clientHeight,
                      DialogBase base) {
  const int x = DialogUnitsToPixelsX(control.x, base), y = DialogUnitsToPixelsY(control.y, base);
  const int w = DialogUnitsToPixelsX(control.w, base), h = DialogUnitsToPixelsY(control.h, base);
  switch (control.anchor) {
    case PlusAnchor::kTopLeft: return {x, y, w, h};
    case PlusAnchor::kFill:
      // The right and bottom margins stay; a client too small leaves none.
      return {x, y, std::max(clientWidth - w - x, 0), std::max(clientHeight - h - y, 0)};
    case PlusAnchor::kTopWide: return {x, y, std::max(clientWidth - w - x, 0), h};
    case PlusAnchor::kBottomWide: return {x, clientHeight - y, std::max(clientWidth - w - x, 0), h};
  }
  return {x, y, w, h};
}

}  // namespace q527
