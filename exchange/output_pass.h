// The figure output pass: every figure of the store, in reading order, into
// the output line list, with progress and abort by the Escape key.
#pragma once

#include <cstdint>
#include <string_view>

#include "exchange/store.h"

// Where the pass shows "処理中(ESC:中断)：i／n". The text is UTF-8; the display
// shows it at once, without waiting for a message loop.
struct ProgressDisplay {
  virtual ~ProgressDisplay() = default;
  virtual void ShowNow(std::string_view utf8) = 0;
};

// The user's abort key.
struct EscapeKey {
  virtual ~EscapeKey() = default;
  virtual bool IsDown() = 0;
};

// Overrides: a layer group or layer applies when in 0..15, every other one
// when it is not -1. solidColor is written for solids when the colour
// override is 10. progress may be null; escape may be null (never down).
void JwwWriteAll(Store& s, std::int32_t lg, std::int32_t ly, std::int32_t color,
                 std::int32_t ltype, std::int32_t lwidth, std::int32_t textColor, std::int32_t cc,
                 std::int32_t solidColor, ProgressDisplay* progress, EscapeKey* escape);
