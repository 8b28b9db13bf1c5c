// TForm1: the dialog's handlers on a small platform interface. The Win32
// layer implements FormPlatform with real controls; tests use a fake.
#pragma once

#include <filesystem>
#include <string_view>

#include "dialog/conversion.h"
#include "dialog/settings.h"
#include "exchange/store.h"

namespace q527 {

struct FormPlatform : DialogUi {
  virtual void MoveTo(std::int32_t left, std::int32_t top) = 0;
  virtual void SetEdit1(std::string_view text) = 0;
  virtual void SetChecks(bool circle, bool arc, bool solid) = 0;
  // Asks the window to close; the platform then calls FormClose exactly once.
  virtual void Close() = 0;
};

class TForm1 {
 public:
  // exchangeFile and settingsFile lie beside the executable.
  TForm1(FormPlatform& platform, std::filesystem::path exchangeFile,
         std::filesystem::path settingsFile);

  void FormShow();
  void Button1Click(const DialogState& state);
  void Button2Click();
  void FormClose();

  const FormSettings& Settings() const { return fields_; }

 private:
  FormPlatform& platform_;
  std::filesystem::path exchangeFile_;
  std::filesystem::path settingsFile_;
  Store store_;
  FormSettings fields_;
  bool readComplete_ = false;
  bool writeFailureReported_ = false;  // by the run, while it wrote the output out
  bool closed_ = false;
};

}  // namespace q527
