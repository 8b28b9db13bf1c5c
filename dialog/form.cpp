#include "dialog/form.h"

#include <charconv>
#include <utility>

#include "exchange/reader.h"
#include "exchange/writer.h"

namespace {

constexpr std::string_view kWriteFailedMessage =
    "交換ファイル JWC_TEMP.TXT を書き込めませんでした。";

}  // namespace

TForm1::TForm1(FormPlatform& platform, std::filesystem::path exchangeFile,
               std::filesystem::path settingsFile)
    : platform_(platform),
      exchangeFile_(std::move(exchangeFile)),
      settingsFile_(std::move(settingsFile)) {}

// The handlers run inside the window's message handling, where nothing may
// escape: each catches what the store, the files or the platform throw
// (memory running out, in practice) and leaves the program in a state whose
// close still writes a whole exchange file.

void TForm1::FormShow() {
  try {
    JwwInit(store_);
    readComplete_ = JwwReadFile(store_, exchangeFile_) == JwwReadStatus::kComplete;
    // A large conversion's output goes into the exchange file's temporary
    // file while the pass runs; the close completes and moves it.
    JwwSpillOutTo(store_, exchangeFile_);
    JwwWriteStart(store_);
  } catch (...) {
    readComplete_ = false;  // OK will then convert nothing
  }
  try {
    LoadSettings(fields_, settingsFile_);
  } catch (...) {
    fields_ = FormSettings{};
  }
  try {
    platform_.MoveTo(fields_.FormLeft, fields_.FormTop);
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, fields_.DivisionCount);
    platform_.SetEdit1(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
    platform_.SetChecks(fields_.TargetCircle, fields_.TargetArc, fields_.TargetSolid);
    platform_.ShowNow(CountsText(store_));
  } catch (...) {
  }
}

void TForm1::Button1Click(const DialogState& state) {
  try {
    writeFailureReported_ = RunConversion(store_, fields_, state, settingsFile_, readComplete_,
                                          platform_) == RunOutcome::kWriteFailed;
  } catch (...) {
    // Only the failure report itself can get here; whatever was queued may
    // be incomplete, so the close writes "hq".
    JwwClearOut(store_);
  }
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
  try {
    written = JwwWriteFile(store_, exchangeFile_);
  } catch (...) {
  }
  // When the run already said the exchange file could not be written, the
  // user has heard it: the drawing stays as it was either way.
  if (!written && !writeFailureReported_) {
    try {
      platform_.ReportFailure(kWriteFailedMessage);
    } catch (...) {
    }
  }
  JwwFree(store_);
}
