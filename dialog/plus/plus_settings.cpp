#include "dialog/plus/plus_settings.h"

#include <algorithm>
#include <vector>

#include "common/myfunc.h"
#include "common/number_texts.h"
#include "exchange/file_io.h"

namespace q527 {

namespace {

// The lines in the file's order. New values go at the end, so an older
// file still gives every value it has.
enum Line : std::size_t {
  kLeft,
  kTop,
  kWidth,
  kHeight,
  kDivisionCount,
  kCircles,
  kArcs,
  kSolids,
  kMode,
  kFit,
  kMaxDeviation,
  kMaxAngle,
  kMaxLength,
  kMinSegments,
  kMaxSegments,
  kRunMode,
  kRestoreDeviation,
  kRestoreMinSegments,
  kLineCount
};

// A bound's text is kept only while it reads as one, and never longer than
// an edit field takes.
constexpr std::size_t kBoundTextLimit = 32;

// The first kLineCount lines; a line ends at LF, and a CR in it (that of
// CR LF included) is dropped. Lines the file does not have are absent.
std::vector<std::string> SplitLines(std::string_view bytes) {
  std::vector<std::string> lines(1);
  for (char c : bytes) {
    if (c == '\n') {
      if (lines.size() == kLineCount) return lines;
      lines.emplace_back();
    } else if (c != '\r') {
      lines.back().push_back(c);
    }
  }
  // A last line without its LF still counts; an empty one is no line.
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

std::string BoundText(std::string_view text) {
  const std::string trimmed = StripBlanks(text);
  if (trimmed.size() > kBoundTextLimit || BoundOf(trimmed) == 0) return {};
  return trimmed;
}

PolygonFit FitOf(std::int32_t value) {
  switch (value) {
    case 1: return PolygonFit::kCircumscribed;
    case 2: return PolygonFit::kMid;
    default: return PolygonFit::kInscribed;
  }
}

std::int32_t FitNumber(PolygonFit fit) {
  return fit == PolygonFit::kCircumscribed ? 1 : fit == PolygonFit::kMid ? 2 : 0;
}

// Reads the lines the file has into the defaults.
void ReadLines(const std::vector<std::string>& lines, PlusSettings& s) {
  auto has = [&](Line l) { return l < lines.size(); };
  auto number = [&](Line l) { return TextToInt(StripBlanks(lines[l])); };
  PlusChoices& c = s.choices;
  s.placed = has(kTop);
  if (s.placed) {
    s.left = number(kLeft);
    s.top = number(kTop);
  }
  if (has(kWidth)) s.width = std::clamp<std::int32_t>(number(kWidth), 0, kMaxWindowSize);
  if (has(kHeight)) s.height = std::clamp<std::int32_t>(number(kHeight), 0, kMaxWindowSize);
  if (has(kDivisionCount)) c.divisionCount = ClampSegments(number(kDivisionCount));
  if (has(kCircles)) c.circles = TextToBool(lines[kCircles]);
  if (has(kArcs)) c.arcs = TextToBool(lines[kArcs]);
  if (has(kSolids)) c.solids = TextToBool(lines[kSolids]);
  if (has(kMode)) c.mode = number(kMode) == 1 ? SegmentMode::kAccuracy : SegmentMode::kCount;
  if (has(kFit)) c.fit = FitOf(number(kFit));
  if (has(kMaxDeviation)) c.maxDeviation = BoundText(lines[kMaxDeviation]);
  if (has(kMaxAngle)) c.maxAngle = BoundText(lines[kMaxAngle]);
  if (has(kMaxLength)) c.maxLength = BoundText(lines[kMaxLength]);
  if (has(kMinSegments)) c.minSegments = ClampSegments(number(kMinSegments));
  if (has(kMaxSegments)) c.maxSegments = ClampSegments(number(kMaxSegments));
  if (has(kRunMode)) c.run = number(kRunMode) == 1 ? RunMode::kRestore : RunMode::kConvert;
  // The way back's deviation is never empty: a line that is no positive
  // number keeps the default.
  if (has(kRestoreDeviation) && !BoundText(lines[kRestoreDeviation]).empty()) {
    c.restoreDeviation = BoundText(lines[kRestoreDeviation]);
  }
  if (has(kRestoreMinSegments))
    c.restoreMinSegments = RestoreSegmentCountOf(lines[kRestoreMinSegments]);
}

void AppendLine(std::string& out, std::string_view text) {
  out.append(text);
  out.append("\r\n");
}

void AppendLine(std::string& out, std::int32_t value) { AppendLine(out, IntegerText(value)); }

}  // namespace

PlusSettings ParsePlusSettings(std::string_view bytes) {
  PlusSettings s;
  ReadLines(SplitLines(bytes), s);
  return s;
}

PlusSettings LoadPlusSettings(const std::filesystem::path& path) {
  std::string bytes;
  // A file that cannot be read whole leaves the defaults: half a line would
  // otherwise turn into a wrong value rather than a missing one.
  if (path.empty() || ReadWholeFile(path, bytes) != ReadStatus::kOk) return PlusSettings{};
  return ParsePlusSettings(bytes);
}

std::string FormatPlusSettings(const PlusSettings& s) {
  const PlusChoices& c = s.choices;
  std::string out;
  AppendLine(out, s.left);
  AppendLine(out, s.top);
  AppendLine(out, s.width);
  AppendLine(out, s.height);
  AppendLine(out, ClampSegments(c.divisionCount));
  AppendLine(out, BoolToText(c.circles));
  AppendLine(out, BoolToText(c.arcs));
  AppendLine(out, BoolToText(c.solids));
  AppendLine(out, c.mode == SegmentMode::kAccuracy ? 1 : 0);
  AppendLine(out, FitNumber(c.fit));
  AppendLine(out, BoundText(c.maxDeviation));
  AppendLine(out, BoundText(c.maxAngle));
  AppendLine(out, BoundText(c.maxLength));
  AppendLine(out, ClampSegments(c.minSegments));
  AppendLine(out, ClampSegments(c.maxSegments));
  AppendLine(out, c.run == RunMode::kRestore ? 1 : 0);
  const std::string deviation = BoundText(c.restoreDeviation);
  AppendLine(out, deviation.empty() ? PlusChoices{}.restoreDeviation : deviation);
  AppendLine(out, ClampRestoreSegments(c.restoreMinSegments));
  return out;
}

bool SavePlusSettings(const PlusSettings& s, const std::filesystem::path& path) {
  // Written beside the old file and moved over it: a save that fails keeps
  // the previous choices whole.
  return ReplaceFileAtomically(path, {FormatPlusSettings(s)});
}

}  // namespace q527
