#include "cli/utf8_paths.h"

#include "exchange/reader.h"
#include "exchange/writer.h"

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  // A char8_t string is UTF-8 by the standard's rule, on Windows too.
  return std::filesystem::path(
      std::u8string_view(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

JwwReadStatus JwwReadFile(Store& s, const std::string& utf8Path) {
  return JwwReadFile(s, PathFromUtf8(utf8Path));
}

bool JwwWriteFile(Store& s, const std::string& utf8Path) {
  return JwwWriteFile(s, PathFromUtf8(utf8Path));
}

void JwwSpillOutTo(Store& s, const std::string& utf8Path) {
  JwwSpillOutTo(s, PathFromUtf8(utf8Path));
}

void LoadSettings(FormSettings& form, const std::string& utf8Path) {
  LoadSettings(form, PathFromUtf8(utf8Path));
}

RunOutcome RunConversion(Store& s, FormSettings& fields, const DialogState& state,
                         const std::string& utf8SettingsPath, bool readComplete, DialogUi& ui) {
  return RunConversion(s, fields, state, PathFromUtf8(utf8SettingsPath), readComplete, ui);
}
