#include "dialog/form.h"

#include <charconv>
#include <utility>

#include "exchange/reader.h"
#include "exchange/writer.h"

namespace q527 {

namespace {

constexpr std::string_view kWriteFailedMessage =
    "交換ファイル JWC_TEMP.TXT を書き込めませんでした。";

// The handlers run inside the window's message handling, where nothing may
// escape: an exception leaving a window procedure ends the program without
// the exchange file being written. Each step of a handler runs in this
// shield, which keeps whatever it throws (memory running out, in practice)
// inside; false tells the handler the step did not finish, so that it can
// leave a state whose close still writes a whole exchange file.
template <typename Step>
bool ShieldMessageLoop(Step&& step) noexcept {
  try {
    step();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

TForm1::TForm1(FormPlatform& platform, std::filesystem::path exchangeFile,
               std::filesystem::path settingsFile)
    : platform_(platform),
      exchangeFile_(std::move(exchangeFile)),
      settingsFile_(std::move(settingsFile)) {}

void TForm1::FormShow() {
  const bool read = ShieldMessageLoop([this] {
    JwwInit(store_);
    readComplete_ = JwwReadFile(store_, exchangeFile_) == JwwReadStatus::kComplete;
    // A large conversion's output goes into the exchange file's temporary
    // file while the pass runs; the close completes and moves it.
    JwwSpillOutTo(store_, exchangeFile_);
    JwwWriteStart(store_);
  });
  if (!read) readComplete_ = false;  // OK will then convert nothing
  if (!ShieldMessageLoop([this] { LoadSettings(fields_, settingsFile_); })) {
    fields_ = FormSettings{};
  }
  // A dialog that could not be placed or filled in still works.
  ShieldMessageLoop([this] {
    platform_.MoveTo(fields_.FormLeft, fields_.FormTop);
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, fields_.DivisionCount);
    platform_.SetEdit1(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
    platform_.SetChecks(fields_.TargetCircle, fields_.TargetArc, fields_.TargetSolid);
    platform_.ShowNow(CountsText(store_));
  });
}

void TForm1::Button1Click(const DialogState& state) {
  const bool ran = ShieldMessageLoop([&] {
    writeFailureReported_ = RunConversion(store_, fields_, state, settingsFile_, readComplete_,
                                          platform_) == RunOutcome::kWriteFailed;
  });
  // Only the failure report itself can fail here; whatever was queued may
  // be incomplete, so the close writes "hq".
  if (!ran) JwwClearOut(store_);
  platform_.Close();
}

void TForm1::Button2Click() { platform_.Close(); }

void TForm1::FormClose() {
  // Every way of closing ends here; the exchange file is written once.
  if (closed_) return;
  closed_ = true;
  // The host reads the file back after we end: a file that could not be
  // replaced still holds the host's own figures, so the user must hear that
  // the conversion did not arrive.
  bool written = false;
  ShieldMessageLoop([this, &written] { written = JwwWriteFile(store_, exchangeFile_); });
  // When the run already said the exchange file could not be written, the
  // user has heard it: the drawing stays as it was either way.
  if (!written && !writeFailureReported_) {
    ShieldMessageLoop([this] { platform_.ReportFailure(kWriteFailedMessage); });
  }
  JwwFree(store_);
}

}  // namespace q527
