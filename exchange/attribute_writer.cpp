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
void AddAttr(TJwwWriter& w, std::string_view keyword, std::int32_t value, bool hex) {
  char buf[8 + kIntTextMax];  // the longest keyword is "lc10 "
  std::memcpy(buf, keyword.data(), keyword.size());
  char* p = buf + keyword.size();
  p = hex ? FormatHex(p, value) : FormatInt(p, value);
  JwwAddOut(w, {buf, static_cast<std::size_t>(p - buf)});
}

// The step the attribute emitters share: the attribute line only when the
// value differs from the one last written, or nothing was written yet. True
// when the line was written.
bool AddAttrOnChange(TJwwWriter& w, std::int32_t& last, bool& nothingYet, std::string_view keyword,
                     std::int32_t value, bool hex) {
  if (!nothingYet && value == last) return false;
  AddAttr(w, keyword, value, hex);
  last = value;
  nothingYet = false;
  return true;
}

}  // namespace

void JwwOutLg(TJwwWriter& w, std::int32_t lg) {
  TJwwWritten& mem = w.written;
  // A layer line always follows a layer-group line.
  if (AddAttrOnChange(w, mem.lg, mem.first.lg, "lg", lg, true)) mem.first.ly = true;
}

void JwwOutLy(TJwwWriter& w, std::int32_t ly) {
  AddAttrOnChange(w, w.written.ly, w.written.first.ly, "ly", ly, true);
}

void JwwOutLc(TJwwWriter& w, std::int32_t color) {
  TJwwWritten& mem = w.written;
  if (AddAttrOnChange(w, mem.color, mem.first.color, "lc", color, false))
    mem.first.solidColor = false;
}

void JwwOutLt(TJwwWriter& w, std::int32_t ltype) {
  AddAttrOnChange(w, w.written.ltype, w.written.first.ltype, "lt", ltype, false);
}

void JwwOutLw(TJwwWriter& w, std::int32_t lwidth) {
  // A file without line widths gets none back.
  if (!w.model->cur.lwGiven) return;
  if (lwidth == -1) lwidth = w.model->initial.lwidth;
  if (lwidth < 0 || lwidth > 30000) lwidth = 0;
  AddAttrOnChange(w, w.written.lwidth, w.written.first.lwidth, "lw", lwidth, false);
}

void JwwOutCn(TJwwWriter& w, std::int32_t ckind, std::int32_t color, double width, double height,
              double spacing) {
  if (ckind < 0 || ckind > 10) {
    ckind = w.model->initial.ckind;
    if (ckind == 0) {
      width = w.model->initial.freeWidth;
      height = w.model->initial.freeHeight;
      spacing = w.model->initial.freeSpacing;
      color = w.model->initial.freeColor;
    }
  }
  TJwwWritten& mem = w.written;
  if (ckind == 0) {
    // A size that is no number keeps the size last written (always finite),
    // so neither "inf" nor "nan" reaches the file.
    if (!std::isfinite(width)) width = mem.freeWidth;
    if (!std::isfinite(height)) height = mem.freeHeight;
    if (!std::isfinite(spacing)) spacing = mem.freeSpacing;
  }
  const bool changed = mem.first.ckind || ckind != mem.ckind ||
                       (ckind == 0 && (width != mem.freeWidth || height != mem.freeHeight ||
                                       spacing != mem.freeSpacing || color != mem.freeColor));
  if (!changed) return;
  if (ckind == 0) {
    OutLine line;
    line.Word("cn0").Real(width).Real(height).Real(spacing).Int(color);
    AddLine(w, line);
    mem.freeWidth = width;
    mem.freeHeight = height;
    mem.freeSpacing = spacing;
    mem.freeColor = color;
  } else {
    AddAttr(w, "cn", ckind, false);
  }
  mem.ckind = ckind;
  mem.first.ckind = false;
}

void JwwOutCc(TJwwWriter& w, std::int32_t cc) {
  if (cc < 0 || cc > 8) cc = 0;
  AddAttrOnChange(w, w.written.cc, w.written.first.cc, "cc", cc, false);
}

void JwwOutFont(TJwwWriter& w, std::string_view font) {
  if (font.empty() || font == "<>") font = w.model->initial.font;
  TJwwWritten& mem = w.written;
  if (!mem.first.font && font == mem.font) return;
  JwwAddOutJoined(w, "cn\"$", font);
  mem.font.assign(font);
  mem.first.font = false;
}

void JwwOutPn(TJwwWriter& w, std::int32_t pointColor) {
  AddAttrOnChange(w, w.written.pointColor, w.written.first.pointColor, "pn", pointColor, false);
}

void JwwOutLc10(TJwwWriter& w, std::int32_t solidColor) {
  if (solidColor < 0 || solidColor > 0xFFFFFF) solidColor = 0;
  TJwwWritten& mem = w.written;
  if (!mem.first.color && mem.color == 10 && !mem.first.solidColor &&
      solidColor == mem.solidColor) {
    return;
  }
  AddAttr(w, "lc10 ", solidColor, false);
  mem.solidColor = solidColor;
  mem.first.solidColor = false;
  mem.color = 10;
  mem.first.color = false;
}

void JwwOutZ(TJwwWriter& w, std::int32_t zflags) {
  if (zflags & 1) JwwAddOut(w, "z1");
  if (zflags & 2) JwwAddOut(w, "z2");
  if (zflags & 4) JwwAddOut(w, "z3");
  if ((zflags & 8) && !(zflags & 16)) JwwAddOut(w, "z4");
  if (zflags & 16) JwwAddOut(w, "z5");
}

}  // namespace q527
