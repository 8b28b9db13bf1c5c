// q527-plus.dat, the settings file beside q527-plus.exe: the window's place
// and size and every choice, one value a line (CR LF), read leniently:
// a missing file or line gives that value's default, a value out of its
// range is clamped, a bound that is no positive number is dropped.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "dialog/plus/choices.h"

namespace q527 {

struct PlusSettings {
  // Whether the file gave a place; without one the window is centred.
  bool placed = false;
  std::int32_t left = 0;
  std::int32_t top = 0;
  // The window's outer size in pixels; 0: the layout's own size.
  std::int32_t width = 0;
  std::int32_t height = 0;
  PlusChoices choices;
};

// The largest size kept, in pixels.
inline constexpr std::int32_t kMaxWindowSize = 32767;

// Parses a settings file image.
PlusSettings ParsePlusSettings(std::string_view bytes);
// Reads the file; the defaults when it is missing or cannot be read whole.
PlusSettings LoadPlusSettings(const std::filesystem::path& path);
// The lines as written.
std::string FormatPlusSettings(const PlusSettings& settings);
// Writes the file atomically; false when the old file was kept.
[[nodiscard]] bool SavePlusSettings(const PlusSettings& settings,
                                    const std::filesystem::path& path);

}  // namespace q527
