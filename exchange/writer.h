// Exchange-file writer: attribute and figure emitters, the output line list
// and the file save.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string_view>

#include "exchange/store.h"

namespace q527 {

// Resets the writer's attribute memory: all ten first-seen flags set, values
// as for a fresh file.
void JwwWriteStart(Store& s);
// Appends one physical line to the output line list.
void JwwAddOut(Store& s, std::string_view line);
// Appends a text command and its text as one physical line.
void JwwAddOutJoined(Store& s, std::string_view command, std::string_view text);
// Saves the output line list ("hq" when empty) to path, atomically: the
// content goes to a temporary file beside it that then replaces the target.
// On failure the target keeps its previous content and false is returned.
// Lines already moved to a spill are completed only when path is the spill's
// target; for any other path, or a second save after them, false is returned.
bool JwwWriteFile(Store& s, const std::filesystem::path& path);

// Names the file the output line list is meant for, so that the output pass
// may move finished lines into its pending replacement as it goes (see
// TJwwOutLines) instead of holding them all until JwwWriteFile(s, path).
// Empties the output line list first.
void JwwSpillOutTo(Store& s, const std::filesystem::path& path);
// Thrown by JwwSpillOut when the spill's temporary file cannot be written.
struct JwwSpillError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Moves the gathered lines into the spill when there is one and they reach
// its threshold. Throws JwwSpillError when the temporary file cannot be
// written: the output is then incomplete and must be cleared.
void JwwSpillOut(Store& s);

// Attribute emitters: each writes its line only when the value differs from
// the one last written (or nothing was written yet).
void JwwOutLg(Store& s, std::int32_t lg);
void JwwOutLy(Store& s, std::int32_t ly);
void JwwOutLc(Store& s, std::int32_t color);
void JwwOutLt(Store& s, std::int32_t ltype);
void JwwOutLw(Store& s, std::int32_t lwidth);  // -1 = the initial line width
void JwwOutCn(Store& s, std::int32_t ckind, std::int32_t color, double width, double height,
              double spacing);
void JwwOutCc(Store& s, std::int32_t cc);
void JwwOutFont(Store& s, std::string_view font);
void JwwOutPn(Store& s, std::int32_t pointColor);
void JwwOutLc10(Store& s, std::int32_t solidColor);
void JwwOutZ(Store& s, std::int32_t zflags);

// Figure emitters: append the figure's line(s), or nothing when the figure is
// degenerate (1e-8) or holds a non-finite number.
void JwwOutLine(Store& s, double x1, double y1, double x2, double y2);
void JwwOutPoint(Store& s, double x, double y);
void JwwOutPointEx(Store& s, double x, double y, double v1, double v2, std::int32_t code);
void JwwOutCircle(Store& s, double cx, double cy, double r);
void JwwOutArc(Store& s, double cx, double cy, double r, double start, double end, double flat,
               double tilt);
void JwwOutText(Store& s, std::int32_t code, std::string_view text, double x, double y, double dx,
                double dy);
void JwwOutMsg(Store& s, std::string_view text, double x1, double y1, double x2, double y2,
               double x, double y, double dx, double dy);
void JwwOutSolid2(Store& s, double x1, double y1, double x2, double y2);
void JwwOutSolid3(Store& s, double x1, double y1, double x2, double y2, double x3, double y3);
void JwwOutSolid4(Store& s, double x1, double y1, double x2, double y2, double x3, double y3,
                  double x4, double y4);
void JwwOutSc(Store& s, const std::array<double, 7>& v, std::int32_t code);
void JwwOutSe(Store& s, const std::array<double, 7>& v, std::int32_t code);
void JwwOutSo(Store& s, const std::array<double, 8>& v);
void JwwOutSg(Store& s, const std::array<double, 8>& v);

// The keyword of a text keyword code ("ch" for any unknown code).
std::string_view JwwTextKeyword(std::int32_t code);

}  // namespace q527
