// What both dialogs tell the user when a run cannot finish, and the shield
// that keeps their handlers' faults inside the message loop.
#pragma once

#include <string_view>

namespace q527 {

inline constexpr std::string_view kWriteFailedMessage =
    "交換ファイル JWC_TEMP.TXT を書き込めませんでした。";
inline constexpr std::string_view kInternalErrorMessage =
    "内部エラーのため変換を完了できませんでした。図形は変更されません。";

// The handlers run inside the window's message handling, where nothing may
// escape: an exception leaving a window procedure ends the program without
// the exchange file being written. Each step of a handler runs in this
// shield, which keeps whatever it throws inside; false tells the handler
// the step did not finish, so that it can leave a state whose close still
// writes a whole exchange file.
template <typename Step>
bool ShieldMessageLoop(Step&& step) noexcept {
  try {
    step();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace q527
