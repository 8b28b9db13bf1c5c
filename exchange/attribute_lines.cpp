#include <cstdint>
#include <string>
#include <string_view>

#include "exchange/line_handlers.h"

namespace q527 {

namespace {

// An attribute line sets the current value; the first line of its keyword
// in the file also records the initial value the writer falls back on.
void SetAttribute(std::int32_t& current, std::int32_t& initial, bool& firstSeen, std::int32_t v) {
  if (firstSeen) {
    initial = v;
    firstSeen = false;
  }
  current = v;
}

}  // namespace

// "hp<number>[suffix]": a numbered reference point.
bool ReadHp(Store& s, const FieldList& f, std::int32_t) {
  const std::string_view k = f[0];
  std::string_view number = k.substr(2);
  std::int32_t suffix = 0;
  static constexpr std::string_view kSuffixes[] = {"-", "ln", "ci", "ch"};
  for (std::int32_t i = 0; i < 4; ++i) {
    const std::size_t pos = k.find(kSuffixes[i]);
    if (pos != std::string_view::npos && pos >= 2) {
      number = k.substr(2, pos - 2);
      suffix = i + 1;
    }
  }
  const std::int32_t n = TextToInt(number);
  if (n < 1 || n > 99 || static_cast<std::size_t>(n) >= s.hp.size()) return true;
  s.hp[n] = TJwwHp{true, Real(f, 1), Real(f, 2), suffix};
  ++s.hpCount;
  return true;
}

// "hhp<number>[suffix]": the number the next figure carries.
bool ReadHhp(Store& s, const FieldList& f, std::int32_t) {
  const std::string_view k = f[0];
  std::string_view number = k.substr(3);
  static constexpr std::string_view kSuffixes[] = {"ln", "ci", "ch"};
  for (std::string_view sfx : kSuffixes) {
    const std::size_t pos = k.find(sfx);
    if (pos != std::string_view::npos && pos >= 4) number = k.substr(3, pos - 3);
  }
  s.cur.hhp = TextToInt(number);
  return true;
}

bool ReadLayerGroup(Store& s, const FieldList& f, std::int32_t) {
  const std::int32_t g = ByteToInt(f[0], 2, true);
  SetAttribute(s.cur.lg, s.initial.lg, s.unmet.lg, g);
  if (f.count >= 2) SetAt(s.groupValues, g, Int(f, 1));
  s.cur.inPolyline = false;
  return true;
}

bool ReadLayer(Store& s, const FieldList& f, std::int32_t) {
  const std::int32_t l = ByteToInt(f[0], 2, true);
  SetAttribute(s.cur.ly, s.initial.ly, s.unmet.ly, l);
  if (f.count >= 2) SetAt(s.layerValues, s.cur.lg * 16 + l, Int(f, 1));
  s.cur.inPolyline = false;
  return true;
}

// "cn<kind>", and for kind 0 the free size and colour.
bool ReadCharKind(Store& s, const FieldList& f, std::int32_t) {
  const std::int32_t k = TextToInt(f[0].substr(2));
  const bool freeSize = k == 0 && f.count >= 5;
  const auto takeFreeSize = [&f](TJwwAttrValues& v) {
    v.freeWidth = Real(f, 1);
    v.freeHeight = Real(f, 2);
    v.freeSpacing = Real(f, 3);
    v.freeColor = Int(f, 4);
  };
  if (s.unmet.ckind) {
    s.initial.ckind = k;
    if (freeSize) takeFreeSize(s.initial);
    s.unmet.ckind = false;
  }
  s.cur.ckind = k;
  if (freeSize) takeFreeSize(s.cur);
  s.cur.inPolyline = false;
  return true;
}

// Header lines.

bool ReadHk(Store& s, const FieldList& f, std::int32_t) {
  s.hk = Real(f, 1);
  return true;
}

bool ReadHs(Store& s, const FieldList& f, std::int32_t) {
  ReadReals(f, s.groupScale, 16);
  return true;
}

bool ReadHzs(Store& s, const FieldList& f, std::int32_t) {
  s.sheetW = Real(f, 1);
  s.sheetH = Real(f, 2);
  return true;
}

// "hcw", "hch", "hcd", "hcc": one value of each of the ten character kinds.
bool ReadCharKindValues(Store& s, const FieldList& f, std::int32_t which) {
  for (std::size_t i = 1; i <= 10; ++i) {
    TJwwCharKind& ck = s.charKinds[i];
    switch (which) {
      case 'w': ck.width = Real(f, i); break;
      case 'h': ck.height = Real(f, i); break;
      case 'd': ck.spacing = Real(f, i); break;
      default: ck.color = Int(f, i); break;
    }
  }
  return true;
}

bool ReadHn(Store& s, const FieldList& f, std::int32_t) {
  ReadReals(f, s.hn, 4);
  return true;
}

bool ReadBz(Store& s, const FieldList&, std::int32_t) {
  s.bz = true;
  return true;
}

// Attribute lines.

bool ReadGroupName(Store& s, const FieldList& f, std::int32_t) {
  SetAt(s.groupNames, s.cur.lg, std::string(f[0].substr(3)));
  return true;
}

bool ReadLayerName(Store& s, const FieldList& f, std::int32_t) {
  SetAt(s.layerNames, s.cur.lg * 16 + s.cur.ly, std::string(f[0].substr(3)));
  return true;
}

bool ReadLc(Store& s, const FieldList& f, std::int32_t) {
  const std::int32_t c = TextToInt(f[0].substr(2));
  SetAttribute(s.cur.color, s.initial.color, s.unmet.color, c);
  if (c == 10 && f.count >= 2) s.cur.solidColor = Int(f, 1);
  s.cur.inPolyline = false;
  return true;
}

bool ReadLt(Store& s, const FieldList& f, std::int32_t) {
  SetAttribute(s.cur.ltype, s.initial.ltype, s.unmet.ltype, TextToInt(f[0].substr(2)));
  s.cur.inPolyline = false;
  return true;
}

bool ReadLw(Store& s, const FieldList& f, std::int32_t) {
  SetAttribute(s.cur.lwidth, s.initial.lwidth, s.unmet.lwidth, TextToInt(f[0].substr(2)));
  s.cur.lwGiven = true;
  s.cur.inPolyline = false;
  return true;
}

bool ReadFont(Store& s, const FieldList& f, std::int32_t) {
  s.cur.font.assign(f[0].substr(3));
  if (s.initial.font.empty()) s.initial.font = s.cur.font;
  s.cur.inPolyline = false;
  return true;
}

bool ReadCc(Store& s, const FieldList& f, std::int32_t) {
  const std::int32_t cc = ByteToInt(f[0], 2, false);
  s.cur.cc = cc >= 0 && cc <= 8 ? cc : 0;
  s.cur.inPolyline = false;
  return true;
}

bool ReadPn(Store& s, const FieldList& f, std::int32_t) {
  s.cur.pointColor = TextToInt(f[0].substr(2));
  s.cur.inPolyline = false;
  return true;
}

// Modes and one-figure marks.

bool ReadPl(Store& s, const FieldList&, std::int32_t) {
  ++s.cur.plCounter;
  s.cur.inPolyline = true;
  s.cur.msgMode = false;
  return true;
}

bool ReadMsg(Store& s, const FieldList&, std::int32_t) {
  s.cur.msgMode = true;
  s.cur.inPolyline = false;
  return true;
}

// "#" ends a polyline and message mode.
bool ReadHash(Store& s, const FieldList&, std::int32_t) {
  s.cur.inPolyline = false;
  s.cur.msgMode = false;
  return true;
}

bool ReadZ(Store& s, const FieldList&, std::int32_t bit) {
  s.cur.zflags |= bit;
  return true;
}

}  // namespace q527
