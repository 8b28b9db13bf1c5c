// TForm1: the dialog's handlers on a small platform interface. The Win32
// layer implements FormPlatform with real controls; tests use a fake.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "conversion/run.h"
#include "conversion/settings.h"
#include "exchange/store.h"
#include "exchange/writer.h"

namespace q527 {

// What OK reads off the dialog.
struct DialogState {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::string edit1 = "24";  // the division count text as typed
  bool checkCircle = true;
  bool checkArc = true;
  bool checkSolid = true;
};

struct FormPlatform : RunUi {
  virtual void MoveTo(std::int32_t left, std::int32_t top) = 0;
  virtual void SetEdit1(std::string_view text) = 0;
  virtual void SetChecks(bool circle, bool arc, bool solid) = 0;
  // Asks the window to close; the platform then calls FormClose exactly once.
  virtual void Close() = 0;
};

// The six settings fields as OK takes them off the dialog.
FormSettings SettingsOf(const DialogState& state);
// The run the fields ask for: the dialog's rule with their division count
// for their kinds.
ConversionRequest RequestOf(const FormSettings& fields);

class TForm1 {
 public:
  // exchangeFile and settingsFile lie beside the executable.
  TForm1(FormPlatform& platform, std::filesystem::path exchangeFile,
         std::filesystem::path settingsFile);

  void FormShow();
  // OK and Cancel; either asks the platform to close, after which no click
  // is taken any more.
  void Button1Click(const DialogState& state);
  void Button2Click();
  // Every way of closing ends here; it writes the exchange file the first
  // time only.
  void FormClose();

  // Whether clicks are still taken: no close has been asked for.
  bool IsOpen() const { return stage_ == Stage::kOpen; }
  const FormSettings& Settings() const { return fields_; }

 private:
  FormPlatform& platform_;
  std::filesystem::path exchangeFile_;
  std::filesystem::path settingsFile_;
  Store store_;
  TJwwWriter writer_{store_};
  FormSettings fields_;
  bool readComplete_ = false;
  bool writeFailureReported_ = false;  // by the run, while it wrote the output out
  // The dialog's life: open, a close asked for, closed (the file written).
  enum class Stage { kOpen, kClosing, kClosed };
  Stage stage_ = Stage::kOpen;

  void RequestClose();
};

}  // namespace q527
