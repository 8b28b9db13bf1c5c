#include "dialog/form.h"

#include <utility>

#include "common/number_texts.h"
#include "conversion/counts_text.h"
#include "dialog/shield.h"
#include "exchange/reader.h"
#include "exchange/writer.h"

namespace q527 {

FormSettings SettingsOf(const DialogState& state) {
  FormSettings fields;
  fields.FormLeft = state.left;
  fields.FormTop = state.top;
  fields.DivisionCount = DivisionCountOf(state.edit1);
  fields.TargetCircle = state.checkCircle;
  fields.TargetArc = state.checkArc;
  fields.TargetSolid = state.checkSolid;
  return fields;
}

ConversionRequest RequestOf(const FormSettings& fields) {
  ConversionRequest request;
  request.circles = fields.TargetCircle;
  request.arcs = fields.TargetArc;
  request.solids = fields.TargetSolid;
  request.policy.segments = fields.DivisionCount;
  return request;
}

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
    JwwSpillOutTo(writer_.lines, exchangeFile_);
    JwwWriteStart(writer_);
  });
  if (!read) readComplete_ = false;  // OK will then convert nothing
  if (!ShieldMessageLoop([this] { LoadSettings(fields_, settingsFile_); })) {
    fields_ = FormSettings{};
  }
  // A dialog that could not be placed or filled in still works.
  ShieldMessageLoop([this] {
    platform_.MoveTo(fields_.FormLeft, fields_.FormTop);
    platform_.SetEdit1(IntegerText(fields_.DivisionCount));
    platform_.SetChecks(fields_.TargetCircle, fields_.TargetArc, fields_.TargetSolid);
    platform_.ShowNow(CountsText(store_));
  });
}

void TForm1::Button1Click(const DialogState& state) {
  if (!IsOpen()) return;
  const bool ran = ShieldMessageLoop([&] {
    fields_ = SettingsOf(state);
    // A settings file that cannot be replaced keeps its old content, and
    // the run goes on: the user asked for the conversion, not for the file.
    if (!settingsFile_.empty()) static_cast<void>(SaveSettings(fields_, settingsFile_));
    const RunResult result =
        RunConversion(store_, writer_, RequestOf(fields_), readComplete_, platform_);
    writeFailureReported_ = result.outcome == RunOutcome::kWriteFailed;
  });
  if (!ran) {
    // A fault of the program itself: whatever was queued may be
    // incomplete, so the close writes "hq", and the user hears that the
    // drawing stays as it was.
    JwwClearOut(writer_.lines);
    ShieldMessageLoop([this] { platform_.ReportFailure(kInternalErrorMessage); });
  }
  RequestClose();
}

void TForm1::Button2Click() {
  if (IsOpen()) RequestClose();
}

void TForm1::RequestClose() {
  stage_ = Stage::kClosing;
  platform_.Close();
}

void TForm1::FormClose() {
  if (stage_ == Stage::kClosed) return;
  stage_ = Stage::kClosed;
  // The host reads the file back after we end: a file that could not be
  // replaced still holds the host's own figures, so the user must hear that
  // the conversion did not arrive.
  bool written = false;
  ShieldMessageLoop([this, &written] { written = JwwWriteFile(writer_.lines, exchangeFile_); });
  // When the run already said the exchange file could not be written, the
  // user has heard it: the drawing stays as it was either way.
  if (!written && !writeFailureReported_) {
    ShieldMessageLoop([this] { platform_.ReportFailure(kWriteFailedMessage); });
  }
  JwwFree(store_);
  writer_.lines = TJwwOutLines{};
}

}  // namespace q527
