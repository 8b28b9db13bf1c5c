// The handlers of q527-plus.exe on a small platform interface, as TForm1
// is for q527.exe: reading the exchange file, the settings, the preview
// kept up with every choice and view, OK's run and the single write. The
// Win32 layer implements PlusPlatform with real controls; tests use a fake.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "conversion/run.h"
#include "dialog/plus/pane_view.h"
#include "dialog/plus/plus_settings.h"
#include "dialog/plus/preview_worker.h"
#include "exchange/store.h"
#include "exchange/writer.h"

namespace q527 {

struct PlusPlatform : RunUi {
  // Puts the window at its saved place and size (see PlusSettings).
  virtual void Place(const PlusSettings& settings) = 0;
  virtual void SetChoices(const PlusChoices& choices) = 0;
  // A plan or a picture of the preview is ready. Called on the preview's
  // thread: the platform hands it on to the window's thread, which then
  // calls PlusForm::PreviewReady.
  virtual void PostPreviewReady() = 0;
  // Asks the window to close; the platform then calls FormClose once.
  virtual void Close() = 0;
};

class PlusForm {
 public:
  // exchangeFile and settingsFile lie beside the executable.
  PlusForm(PlusPlatform& platform, std::filesystem::path exchangeFile,
           std::filesystem::path settingsFile);
  ~PlusForm();

  // Reads the exchange file and the settings, fills the controls, places
  // the window and starts the preview.
  void FormShow();
  // The controls changed: the preview plans anew and the status line says
  // it is working until it is done.
  void ChoicesChanged(const PlusChoices& choices);
  // The pane's view changed (or its size).
  void ViewChanged(const PaneView& view);
  // Called on the window's thread after PostPreviewReady: shows the newest
  // status. The pane takes the newest picture with Picture().
  void PreviewReady();
  std::shared_ptr<const PreviewPicture> Picture() const;
  // The box of what the picture draws for the current choices (every curve
  // handed over, or for the way back every segment), for fitting the pane.
  const PictureBox& DrawingBox() const {
    return settings_.choices.run == RunMode::kRestore ? segmentsBox_ : drawingBox_;
  }

  // OK with the window's state, and Cancel; either asks to close, after
  // which no click is taken.
  void OkClick(const PlusSettings& state);
  void CancelClick();
  // Every way of closing ends here; the exchange file is written the first
  // time only.
  void FormClose();

  bool IsOpen() const { return stage_ == Stage::kOpen; }
  const PlusSettings& Settings() const { return settings_; }

 private:
  void StopPreview();
  void ShowStatus();
  void RequestClose();

  PlusPlatform& platform_;
  std::filesystem::path exchangeFile_;
  std::filesystem::path settingsFile_;
  Store store_;
  TJwwWriter writer_{store_};
  PlusSettings settings_;
  PictureBox drawingBox_;
  PictureBox segmentsBox_;
  bool readComplete_ = false;
  bool writeFailureReported_ = false;
  std::unique_ptr<PreviewWorker> preview_;
  std::uint64_t choices_ = 0;  // the preview's number of the current choices
  enum class Stage { kOpen, kClosing, kClosed };
  Stage stage_ = Stage::kOpen;
};

}  // namespace q527
