#include "conversion/settings.h"

#include <array>

#include "common/myfunc.h"
#include "common/number_texts.h"
#include "exchange/file_io.h"
#include "polygon/plan.h"

namespace q527 {

namespace {

constexpr std::size_t kSettingsLines = 6;

// Splits the file image into its first six lines. A line ends at LF; a CR
// anywhere in a line (the one of CR LF included) is dropped. Missing lines
// stay empty, which the field conversions read as 0 or false.
std::array<std::string, kSettingsLines> SplitSettingsLines(std::string_view bytes) {
  std::array<std::string, kSettingsLines> lines;
  std::size_t line = 0;
  for (char c : bytes) {
    if (c == '\n') {
      if (++line == kSettingsLines) break;
    } else if (c != '\r') {
      lines[line].push_back(c);
    }
  }
  return lines;
}

// A settings line: the number and its CR LF.
void AppendIntLine(std::string& out, std::int32_t value) {
  AppendIntegerText(out, value);
  out.append("\r\n");
}

}  // namespace

void ParseSettings(FormSettings& form, std::string_view bytes) {
  const auto lines = SplitSettingsLines(bytes);
  form.FormLeft = TextToInt(lines[0]);
  form.FormTop = TextToInt(lines[1]);
  form.DivisionCount = ClampSegments(TextToInt(lines[2]));
  form.TargetCircle = TextToBool(lines[3]);
  form.TargetArc = TextToBool(lines[4]);
  form.TargetSolid = TextToBool(lines[5]);
}

void LoadSettings(FormSettings& form, const std::filesystem::path& path) {
  form = FormSettings{};
  if (path.empty()) return;
  std::string bytes;
  // A file that cannot be read whole leaves the defaults: half a line would
  // otherwise turn into a wrong value rather than a missing one.
  if (ReadWholeFile(path, bytes) != ReadStatus::kOk) return;
  ParseSettings(form, bytes);
}

std::string FormatSettings(const FormSettings& form) {
  std::string out;
  AppendIntLine(out, form.FormLeft);
  AppendIntLine(out, form.FormTop);
  AppendIntLine(out, form.DivisionCount);
  for (bool target : {form.TargetCircle, form.TargetArc, form.TargetSolid}) {
    out.append(BoolToText(target));
    out.append("\r\n");
  }
  return out;
}

bool SaveSettings(const FormSettings& form, const std::filesystem::path& path) {
  // Written beside the old file and moved over it, so a save that fails
  // part-way keeps the previous choices instead of leaving half a file or none.
  const std::string text = FormatSettings(form);
  return ReplaceFileAtomically(path, {text});
}

}  // namespace q527
