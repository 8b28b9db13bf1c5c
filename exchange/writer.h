// Exchange-file writer: its memory of what it wrote, the attribute and figure
// emitters, and the output line list they fill.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "exchange/out_lines.h"
#include "exchange/store.h"

namespace q527 {

// The writer's memory: each attribute as last written, so that an attribute
// line is written only when the value changes.
struct TJwwWritten : TJwwAttrValues {
  TJwwFirst first;
};

// The writer of one output: its memory of what it last wrote, the lines it
// made, and the store whose first values some lines fall back on (a line
// width of -1, an unknown character kind, an empty font) and which tells
// whether the file read had line widths at all. It only reads that store,
// which must outlive it.
struct TJwwWriter {
  explicit TJwwWriter(const Store& model) : model(&model) {}
  const Store* model;
  TJwwWritten written;
  TJwwOutLines lines;
};

// Resets the writer's attribute memory: all ten first-seen flags set, values
// as for a fresh file.
void JwwWriteStart(TJwwWriter& w);
// Appends one physical line to the output line list.
void JwwAddOut(TJwwWriter& w, std::string_view line);
// Appends a text command and its text as one physical line.
void JwwAddOutJoined(TJwwWriter& w, std::string_view command, std::string_view text);

// Attribute emitters: each writes its line only when the value differs from
// the one last written (or nothing was written yet).
void JwwOutLg(TJwwWriter& w, std::int32_t lg);
void JwwOutLy(TJwwWriter& w, std::int32_t ly);
void JwwOutLc(TJwwWriter& w, std::int32_t color);
void JwwOutLt(TJwwWriter& w, std::int32_t ltype);
void JwwOutLw(TJwwWriter& w, std::int32_t lwidth);  // -1 = the initial line width
void JwwOutCn(TJwwWriter& w, std::int32_t ckind, std::int32_t color, double width, double height,
              double spacing);
void JwwOutCc(TJwwWriter& w, std::int32_t cc);
void JwwOutFont(TJwwWriter& w, std::string_view font);
void JwwOutPn(TJwwWriter& w, std::int32_t pointColor);
void JwwOutLc10(TJwwWriter& w, std::int32_t solidColor);
void JwwOutZ(TJwwWriter& w, std::int32_t zflags);

// Figure emitters: append the figure's line(s), or nothing when the figure is
// degenerate (1e-8) or holds a non-finite number.
void JwwOutLine(TJwwWriter& w, double x1, double y1, double x2, double y2);
void JwwOutPoint(TJwwWriter& w, double x, double y);
void JwwOutPointEx(TJwwWriter& w, double x, double y, double v1, double v2, std::int32_t code);
void JwwOutCircle(TJwwWriter& w, double cx, double cy, double r);
void JwwOutArc(TJwwWriter& w, double cx, double cy, double r, double start, double end, double flat,
               double tilt);
void JwwOutText(TJwwWriter& w, std::int32_t code, std::string_view text, double x, double y,
                double dx, double dy);
void JwwOutMsg(TJwwWriter& w, std::string_view text, double x1, double y1, double x2, double y2,
               double x, double y, double dx, double dy);
void JwwOutSolid2(TJwwWriter& w, double x1, double y1, double x2, double y2);
void JwwOutSolid3(TJwwWriter& w, double x1, double y1, double x2, double y2, double x3, double y3);
void JwwOutSolid4(TJwwWriter& w, double x1, double y1, double x2, double y2, double x3, double y3,
                  double x4, double y4);
void JwwOutSc(TJwwWriter& w, const std::array<double, 7>& v, std::int32_t code);
void JwwOutSe(TJwwWriter& w, const std::array<double, 7>& v, std::int32_t code);
void JwwOutSo(TJwwWriter& w, const std::array<double, 8>& v);
void JwwOutSg(TJwwWriter& w, const std::array<double, 8>& v);

// The keyword of a text keyword code ("ch" for any unknown code).
std::string_view JwwTextKeyword(std::int32_t code);

}  // namespace q527
