#include "cli/utf8_paths.h"

namespace q527 {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  // A char8_t string is UTF-8 by the standard's rule, on Windows too.
  return std::filesystem::path(
      std::u8string_view(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

}  // namespace q527
