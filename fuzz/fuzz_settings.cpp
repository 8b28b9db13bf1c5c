// The settings file on arbitrary bytes: the fields stay in range, and what
// is written reads back as the same fields in the program's own format.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/settings.h"
#include "fuzz/store_checks.h"

namespace q527 {

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FormSettings form;
  ParseSettings(form, std::string_view(reinterpret_cast<const char*>(data), size));
  fuzz::Require(form.DivisionCount >= 3 && form.DivisionCount <= 999,
                "division count outside 3..999");

  const std::string text = FormatSettings(form);
  std::size_t lines = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      fuzz::Require(i + 1 < text.size() && text[i + 1] == '\n', "CR without LF");
      ++lines;
      ++i;
    } else {
      fuzz::Require((c >= '0' && c <= '9') || c == '-', "settings text beyond digits and minus");
    }
  }
  fuzz::Require(lines == 6 && text.size() >= 2 && text.substr(text.size() - 2) == "\r\n",
                "not six CR LF lines");

  FormSettings again;
  ParseSettings(again, text);
  fuzz::Require(again.FormLeft == form.FormLeft && again.FormTop == form.FormTop &&
                    again.DivisionCount == form.DivisionCount &&
                    again.TargetCircle == form.TargetCircle && again.TargetArc == form.TargetArc &&
                    again.TargetSolid == form.TargetSolid,
                "written settings read back as other values");
  fuzz::Require(FormatSettings(again) == text, "writing the read-back settings changed them");
  return 0;
}

}  // namespace q527
