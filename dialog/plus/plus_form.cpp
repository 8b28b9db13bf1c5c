#include "dialog/plus/plus_form.h"

#include <utility>

#include "dialog/shield.h"
#include "exchange/reader.h"

namespace q527 {

PlusForm::PlusForm(PlusPlatform& platform, std::filesystem::path exchangeFile,
                   std::filesystem::path settingsFile)
    : platform_(platform),
      exchangeFile_(std::move(exchangeFile)),
      settingsFile_(std::move(settingsFile)) {}

PlusForm::~PlusForm() { StopPreview(); }

void PlusForm::FormShow() {
  const bool read = ShieldMessageLoop([this] {
    JwwInit(store_);
    readComplete_ = JwwReadFile(store_, exchangeFile_) == JwwReadStatus::kComplete;
    // A large conversion's output goes into the exchange file's temporary
    // file while the pass runs; the close completes and moves it.
    JwwSpillOutTo(writer_.lines, exchangeFile_);
    JwwWriteStart(writer_);
    drawingBox_ = DrawingBoxOf(store_);
    segmentsBox_ = SegmentsBoxOf(store_);
  });
  if (!read) readComplete_ = false;  // OK will then convert nothing
  if (!ShieldMessageLoop([this] { settings_ = LoadPlusSettings(settingsFile_); })) {
    settings_ = PlusSettings{};
  }
  // The preview is a help, not a need: without its thread the window
  // still converts.
  ShieldMessageLoop([this] {
    preview_ = std::make_unique<PreviewWorker>(store_, [this] { platform_.PostPreviewReady(); });
  });
  ShieldMessageLoop([this] {
    platform_.Place(settings_);
    platform_.SetChoices(settings_.choices);
  });
  ChoicesChanged(settings_.choices);
}

void PlusForm::ChoicesChanged(const PlusChoices& choices) {
  if (!IsOpen()) return;
  settings_.choices = choices;
  ShieldMessageLoop([&] {
    if (preview_) choices_ = preview_->Plan(RequestOf(choices));
    ShowStatus();
  });
}

void PlusForm::ViewChanged(const PaneView& view) {
  if (!IsOpen() || !preview_) return;
  ShieldMessageLoop([&] {
    preview_->Draw(view.frame, static_cast<int>(view.width), static_cast<int>(view.height));
  });
}

void PlusForm::PreviewReady() {
  if (IsOpen()) ShieldMessageLoop([this] { ShowStatus(); });
}

std::shared_ptr<const PreviewPicture> PlusForm::Picture() const {
  return preview_ ? preview_->LatestPicture() : nullptr;
}

// The counts and what OK makes, once the plan for the current choices is
// there; until then that it is being made.
void PlusForm::ShowStatus() {
  const std::shared_ptr<const PreviewPlan> plan = preview_ ? preview_->PlanOf(choices_) : nullptr;
  platform_.ShowNow(PreviewStatusText(store_, readComplete_, plan.get(), settings_.choices.run));
}

void PlusForm::OkClick(const PlusSettings& state) {
  if (!IsOpen()) return;
  // The run changes the store the preview reads: the preview ends first.
  StopPreview();
  const bool ran = ShieldMessageLoop([&] {
    settings_ = state;
    // A settings file that cannot be replaced keeps its old content, and
    // the run goes on: the user asked for the conversion, not for the file.
    if (!settingsFile_.empty()) static_cast<void>(SavePlusSettings(settings_, settingsFile_));
    const RunResult result =
        RunConversion(store_, writer_, RequestOf(settings_.choices), readComplete_, platform_);
    writeFailureReported_ = result.outcome == RunOutcome::kWriteFailed;
  });
  if (!ran) {
    // A fault of the program itself: the close writes "hq".
    JwwClearOut(writer_.lines);
    ShieldMessageLoop([this] { platform_.ReportFailure(kInternalErrorMessage); });
  }
  RequestClose();
}

void PlusForm::CancelClick() {
  if (IsOpen()) RequestClose();
}

void PlusForm::RequestClose() {
  stage_ = Stage::kClosing;
  platform_.Close();
}

void PlusForm::FormClose() {
  if (stage_ == Stage::kClosed) return;
  stage_ = Stage::kClosed;
  StopPreview();
  // The host reads the file back after we end: a file that could not be
  // replaced still holds the host's own figures, so the user must hear it.
  bool written = false;
  ShieldMessageLoop([this, &written] { written = JwwWriteFile(writer_.lines, exchangeFile_); });
  if (!written && !writeFailureReported_) {
    ShieldMessageLoop([this] { platform_.ReportFailure(kWriteFailedMessage); });
  }
  JwwFree(store_);
  writer_.lines = TJwwOutLines{};
}

void PlusForm::StopPreview() {
  if (preview_) preview_->Stop();
}

}  // namespace q527
