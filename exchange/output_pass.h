// The figure output pass: every figure of the store, in reading order, into
// the output line list, with progress and abort by the Escape key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/store.h"
#include "exchange/writer.h"

namespace q527 {

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

// The attribute overrides of an output pass. A layer group or layer applies
// when in 0..15, every other value when it is not -1; solidColor is written
// for solids when the colour override is 10. The defaults override nothing.
struct TJwwOverrides {
  std::int32_t lg = -1;
  std::int32_t ly = -1;
  std::int32_t color = -1;
  std::int32_t ltype = -1;
  std::int32_t lwidth = -1;
  std::int32_t textColor = -1;
  std::int32_t cc = -1;
  std::int32_t solidColor = 0;
};

// The entries the pass counts its progress in: one per order entry, a
// polygon's segments one each.
std::size_t JwwCountedEntries(const Store& s);

// Writes every figure, in reading order, into the output line list, then the
// first layer group and layer again. progress may be null; escape may be null
// (never down). When escape goes down the list is cleared and the pass ends.
// With threads > 1 the lines are made on that many threads besides the
// caller's, in pieces of the order table; the lines, the progress texts and
// the looks at escape are the same for every count.
void JwwWriteAll(const Store& s, TJwwWriter& w, const TJwwOverrides& overrides = {},
                 ProgressDisplay* progress = nullptr, EscapeKey* escape = nullptr,
                 std::size_t threads = 1);

}  // namespace q527
