// The settings file: the dialog's position, division count and three target
// choices, six CR LF lines beside the executable.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace q527 {

struct FormSettings {
  std::int32_t FormLeft = 0;
  std::int32_t FormTop = 0;
  std::int32_t DivisionCount = 24;
  bool TargetCircle = true;
  bool TargetArc = true;
  bool TargetSolid = true;
};

// Fills the six fields; defaults when the file is missing or unreadable.
void LoadSettings(FormSettings& form, const std::filesystem::path& path);
// Parses a settings file image (the lenient reading rules).
void ParseSettings(FormSettings& form, std::string_view bytes);
// The six lines as written.
std::string FormatSettings(const FormSettings& form);
// Writes the six lines atomically; false when the old file was kept.
[[nodiscard]] bool SaveSettings(const FormSettings& form, const std::filesystem::path& path);

}  // namespace q527
