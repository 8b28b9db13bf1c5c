// The attribute emitters of the writer.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "exchange/out_line.h"
#include "exchange/writer.h"

namespace q527 {

namespace {

// Attribute line: keyword followed directly by a number.
void AddAttr(Store& s, std::string_view keyword, std::int32_t value, bool hex) {
  char buf[8 + kIntTextMax];  // the longest keyword is "lc10 "
  std::memcpy(buf, keyword.data(), keyword.size());
  char* p = buf + keyword.size();
  p = hex ? FormatHex(p, value) : FormatInt(p, value);
  JwwAddOut(s, {buf, static_cast<std::size_t>(p - buf)});
}

// The step the attribute emitters share: the attribute line only when the
// value differs from the one last written, or nothing was written yet. True
// when the line was written.
bool AddAttrOnChange(Store& s, std::int32_t& last, bool& nothingYet, std::string_view keyword,
                     std::int32_t value, bool hex) {
  if (!nothingYet && value == last) return false;
  AddAttr(s, keyword, value, hex);
  last = value;
  nothingYet = false;
  return true;
}

}  // namespace

void JwwOutLg(Store& s, std::int32_t lg) {
  TJwwWritten& w = s.written;
  // A layer line always follows a layer-group line.
  if (AddAttrOnChange(s, w.lg, w.first.lg, "lg", lg, true)) w.first.ly = true;
}

void JwwOutLy(Store& s, std::int32_t ly) {
  AddAttrOnChange(s, s.written.ly, s.written.first.ly, "ly", ly, true);
}

void JwwOutLc(Store& s, std::int32_t color) {
  TJwwWritten& w = s.written;
  if (AddAttrOnChange(s, w.color, w.first.color, "lc", color, false)) w.first.solidColor = false;
}

void JwwOutLt(Store& s, std::int32_t ltype) {
  AddAttrOnChange(s, s.written.ltype, s.written.first.ltype, "lt", ltype, false);
}

void JwwOutLw(Store& s, std::int32_t lwidth) {
  // A file without line widths gets none back.
  if (!s.cur.lwGiven) return;
  if (lwidth == -1) lwidth = s.initial.lwidth;
  if (lwidth < 0 || lwidth > 30000) lwidth = 0;
  AddAttrOnChange(s, s.written.lwidth, s.written.first.lwidth, "lw", lwidth, false);
}

void JwwOutCn(Store& s, std::int32_t ckind, std::int32_t color, double width, double height,
              double spacing) {
  if (ckind < 0 || ckind > 10) {
    ckind = s.initial.ckind;
    if (ckind == 0) {
      width = s.initial.freeWidth;
      height = s.initial.freeHeight;
      spacing = s.initial.freeSpacing;
      color = s.initial.freeColor;
    }
  }
  TJwwWritten& c = s.written;
  if (ckind == 0) {
    // A size that is no number keeps the size last written (always finite),
    // so neither "inf" nor "nan" reaches the file.
    if (!std::isfinite(width)) width = c.freeWidth;
    if (!std::isfinite(height)) height = c.freeHeight;
    if (!std::isfinite(spacing)) spacing = c.freeSpacing;
  }
  const bool changed = c.first.ckind || ckind != c.ckind ||
                       (ckind == 0 && (width != c.freeWidth || height != c.freeHeight ||
                                       spacing != c.freeSpacing || color != c.freeColor));
  if (!changed) return;
  if (ckind == 0) {
    OutLine line;
    line.Word("cn0").Real(width).Real(height).Real(spacing).Int(color);
    AddLine(s, line);
    c.freeWidth = width;
    c.freeHeight = height;
    c.freeSpacing = spacing;
    c.freeColor = color;
  } else {
    AddAttr(s, "cn", ckind, false);
  }
  c.ckind = ckind;
  c.first.ckind = false;
}

void JwwOutCc(Store& s, std::int32_t cc) {
  if (cc < 0 || cc > 8) cc = 0;
  AddAttrOnChange(s, s.written.cc, s.written.first.cc, "cc", cc, false);
}

void JwwOutFont(Store& s, std::string_view font) {
  if (font.empty() || font == "<>") font = s.initial.font;
  TJwwWritten& w = s.written;
  if (!w.first.font && font == w.font) return;
  JwwAddOutJoined(s, "cn\"$", font);
  w.font.assign(font);
  w.first.font = false;
}

void JwwOutPn(Store& s, std::int32_t pointColor) {
  AddAttrOnChange(s, s.written.pointColor, s.written.first.pointColor, "pn", pointColor, false);
}

void JwwOutLc10(Store& s, std::int32_t solidColor) {
  if (solidColor < 0 || solidColor > 0xFFFFFF) solidColor = 0;
  TJwwWritten& w = s.written;
  if (!w.first.color && w.color == 10 && !w.first.solidColor && solidColor == w.solidColor) {
    return;
  }
  AddAttr(s, "lc10 ", solidColor, false);
  w.solidColor = solidColor;
  w.first.solidColor = false;
  w.color = 10;
  w.first.color = false;
}

void JwwOutZ(Store& s, std::int32_t zflags) {
  if (zflags & 1) JwwAddOut(s, "z1");
  if (zflags & 2) JwwAddOut(s, "z2");
  if (zflags & 4) JwwAddOut(s, "z3");
  if ((zflags & 8) && !(zflags & 16)) JwwAddOut(s, "z4");
  if (zflags & 16) JwwAddOut(s, "z5");
}

}  // namespace q527
