#include "exchange/output_pass.h"

#include <string>

#include "exchange/number_text.h"
#include "exchange/writer.h"

namespace {

// The seven attribute overrides of a pass and the solid colour that goes with
// a colour override of 10.
struct Overrides {
  std::int32_t lg, ly, color, ltype, lwidth, textColor, cc, solidColor;

  std::int32_t Lg(const TJwwAttr& a) const { return lg >= 0 && lg <= 15 ? lg : a.lg; }
  std::int32_t Ly(const TJwwAttr& a) const { return ly >= 0 && ly <= 15 ? ly : a.ly; }
  std::int32_t Color(const TJwwAttr& a) const { return color != -1 ? color : a.color; }
  std::int32_t Ltype(const TJwwAttr& a) const { return ltype != -1 ? ltype : a.ltype; }
  std::int32_t Lwidth(const TJwwAttr& a) const { return lwidth != -1 ? lwidth : a.lwidth; }
  std::int32_t Cc(std::int32_t own) const { return cc != -1 ? cc : own; }
};

// Most figures repeat the attributes last written, and then the emitters
// write nothing; the same test made here saves the call.
void Layers(Store& s, const Overrides& o, const TJwwAttr& a) {
  const std::int32_t lg = o.Lg(a);
  if (s.written.first.lg || lg != s.written.lg) JwwOutLg(s, lg);
  const std::int32_t ly = o.Ly(a);
  if (s.written.first.ly || ly != s.written.ly) JwwOutLy(s, ly);
}

// Colour, line type and width of the line-like kinds.
void LineAttrs(Store& s, const Overrides& o, const TJwwAttr& a) {
  const std::int32_t color = o.Color(a);
  if (s.written.first.color || color != s.written.color) JwwOutLc(s, color);
  const std::int32_t ltype = o.Ltype(a);
  if (s.written.first.ltype || ltype != s.written.ltype) JwwOutLt(s, ltype);
  JwwOutLw(s, o.Lwidth(a));
}

// Solids carry colour 10 with a separate solid colour ("lc10 n").
void SolidColor(Store& s, const Overrides& o, const TJwwAttr& a, std::int32_t scolor) {
  if (o.color == -1) {
    if (a.color == 10) {
      JwwOutLc10(s, scolor);
    } else {
      JwwOutLc(s, a.color);
    }
  } else if (o.color == 10) {
    JwwOutLc10(s, o.solidColor);
  } else {
    JwwOutLc(s, o.color);
  }
}

// Character kind, cc and font of a text; a text-colour override turns the
// text into a free-size text of that colour.
void TextAttrs(Store& s, const Overrides& o, const TJwwEntText& t) {
  if (o.textColor != -1) {
    JwwOutCn(s, 0, o.textColor, t.width, t.height, t.spacing);
  } else {
    JwwOutCn(s, t.ckind, t.attr.color, t.width, t.height, t.spacing);
  }
  JwwOutCc(s, o.Cc(t.cc));
  JwwOutFont(s, t.font);
}

// The z-flags, then the figure. The flags belong to the next figure the
// reader meets, so when the emitter drops this figure its flags are taken
// back; left standing they would pass to whatever figure follows.
template <typename Emit>
void WithZ(Store& s, std::int32_t zflags, Emit emit) {
  if ((zflags & 31) == 0) {
    emit();
    return;
  }
  const std::size_t bytes = s.out.bytes.size();
  const std::size_t count = s.out.count;
  JwwOutZ(s, zflags);
  const std::size_t withFlags = s.out.count;
  emit();
  if (s.out.count == withFlags) {
    s.out.bytes.resize(bytes);
    s.out.count = count;
  }
}

void WriteLine(Store& s, const Overrides& o, const TJwwEntLine& r) {
  Layers(s, o, r.attr);
  LineAttrs(s, o, r.attr);
  WithZ(s, r.attr.zflags, [&] {
    JwwOutLine(s, r.x1, r.y1, r.x2, r.y2);
  });
}

void WriteCircle(Store& s, const Overrides& o, const TJwwEntCircle& r) {
  Layers(s, o, r.attr);
  LineAttrs(s, o, r.attr);
  WithZ(s, r.attr.zflags, [&] {
    JwwOutCircle(s, r.cx, r.cy, r.r);
  });
}

void WriteArc(Store& s, const Overrides& o, const TJwwEntArc& r) {
  Layers(s, o, r.attr);
  LineAttrs(s, o, r.attr);
  WithZ(s, r.attr.zflags, [&] {
    JwwOutArc(s, r.cx, r.cy, r.r, r.start, r.end, r.flat, r.tilt);
  });
}

void WriteText(Store& s, const Overrides& o, const TJwwEntText& r) {
  Layers(s, o, r.attr);
  TextAttrs(s, o, r);
  WithZ(s, r.attr.zflags, [&] {
    JwwOutText(s, r.code, r.text, r.x, r.y, r.dx, r.dy);
  });
}

void WritePoint(Store& s, const Overrides& o, const TJwwEntPoint& r) {
  Layers(s, o, r.attr);
  JwwOutPn(s, o.Color(r.attr));
  JwwOutLw(s, o.Lwidth(r.attr));
  WithZ(s, r.attr.zflags, [&] {
    JwwOutPoint(s, r.x, r.y);
  });
}

void WritePointEx(Store& s, const Overrides& o, const TJwwEntPointEx& r) {
  Layers(s, o, r.attr);
  JwwOutPn(s, o.Color(r.attr));
  JwwOutLw(s, o.Lwidth(r.attr));
  WithZ(s, r.attr.zflags, [&] {
    JwwOutPointEx(s, r.x, r.y, r.v1, r.v2, r.code);
  });
}

// Layers and z-flags from the message itself, line attributes from its line,
// text attributes from its text.
void WriteMsg(Store& s, const Overrides& o, const TJwwEntMsg& r) {
  Layers(s, o, r.attr);
  LineAttrs(s, o, r.line.attr);
  TextAttrs(s, o, r.text);
  WithZ(s, r.attr.zflags, [&] {
    JwwOutMsg(s, r.text.text, r.line.x1, r.line.y1, r.line.x2, r.line.y2, r.text.x, r.text.y,
              r.text.dx, r.text.dy);
  });
}

void WriteSolid2(Store& s, const Overrides& o, const TJwwEntSolid2& r) {
  Layers(s, o, r.attr);
  SolidColor(s, o, r.attr, r.scolor);
  JwwOutLw(s, o.Lwidth(r.attr));
  WithZ(s, r.attr.zflags, [&] {
    JwwOutSolid2(s, r.x1, r.y1, r.x2, r.y2);
  });
}

void WriteSolid3(Store& s, const Overrides& o, const TJwwEntSolid3& r) {
  Layers(s, o, r.attr);
  SolidColor(s, o, r.attr, r.scolor);
  WithZ(s, r.attr.zflags, [&] {
    JwwOutSolid3(s, r.x1, r.y1, r.x2, r.y2, r.x3, r.y3);
  });
}

void WriteSolid4(Store& s, const Overrides& o, const TJwwEntSolid4& r) {
  Layers(s, o, r.attr);
  SolidColor(s, o, r.attr, r.scolor);
  WithZ(s, r.attr.zflags, [&] {
    JwwOutSolid4(s, r.x1, r.y1, r.x2, r.y2, r.x3, r.y3, r.x4, r.y4);
  });
}

void WriteSc(Store& s, const Overrides& o, const TJwwEntSc& r) {
  Layers(s, o, r.attr);
  SolidColor(s, o, r.attr, r.scolor);
  WithZ(s, r.attr.zflags, [&] {
    JwwOutSc(s, r.v, r.code);
  });
}

void WriteSe(Store& s, const Overrides& o, const TJwwEntSe& r) {
  Layers(s, o, r.attr);
  SolidColor(s, o, r.attr, r.scolor);
  JwwOutLw(s, o.Lwidth(r.attr));
  WithZ(s, r.attr.zflags, [&] {
    JwwOutSe(s, r.v, r.code);
  });
}

void WriteSo(Store& s, const Overrides& o, const TJwwEntSo& r) {
  Layers(s, o, r.attr);
  SolidColor(s, o, r.attr, r.scolor);
  WithZ(s, r.attr.zflags, [&] {
    JwwOutSo(s, r.v);
  });
}

void WriteSg(Store& s, const Overrides& o, const TJwwEntSg& r) {
  Layers(s, o, r.attr);
  SolidColor(s, o, r.attr, r.scolor);
  WithZ(s, r.attr.zflags, [&] {
    JwwOutSg(s, r.v);
  });
}

// Calls write with the record when the index lies inside the table; an entry
// that points past its table writes nothing.
template <typename Record, typename Writer>
void WriteAt(Store& s, const Overrides& o, const std::vector<Record>& table, std::int32_t index,
             Writer write) {
  if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return;
  write(s, o, table[static_cast<std::size_t>(index)]);
}

void WriteEntry(Store& s, const Overrides& o, const TJwwOrder& e) {
  switch (e.kind) {
    case kJwwLine: return WriteAt(s, o, s.lines, e.index, WriteLine);
    case kJwwCircle: return WriteAt(s, o, s.circles, e.index, WriteCircle);
    case kJwwArc: return WriteAt(s, o, s.arcs, e.index, WriteArc);
    case kJwwText: return WriteAt(s, o, s.texts, e.index, WriteText);
    case kJwwPoint: return WriteAt(s, o, s.points, e.index, WritePoint);
    case kJwwPointEx: return WriteAt(s, o, s.pointExs, e.index, WritePointEx);
    case kJwwMsg: return WriteAt(s, o, s.msgs, e.index, WriteMsg);
    case kJwwSolid2: return WriteAt(s, o, s.solid2s, e.index, WriteSolid2);
    case kJwwSolid3: return WriteAt(s, o, s.solid3s, e.index, WriteSolid3);
    case kJwwSolid4: return WriteAt(s, o, s.solid4s, e.index, WriteSolid4);
    case kJwwSc: return WriteAt(s, o, s.scs, e.index, WriteSc);
    case kJwwSe: return WriteAt(s, o, s.ses, e.index, WriteSe);
    case kJwwSo: return WriteAt(s, o, s.sos, e.index, WriteSo);
    case kJwwSg: return WriteAt(s, o, s.sgs, e.index, WriteSg);
    default: return;  // removed entries, block references, unknown codes
  }
}

// "処理中(ESC:中断)：" + (i + 1) + "／" + n, in UTF-8.
void ShowProgress(ProgressDisplay& progress, std::size_t i, std::size_t n) {
  static constexpr char kLabel[] =
      "\xE5\x87\xA6\xE7\x90\x86\xE4\xB8\xAD(ESC:\xE4\xB8\xAD\xE6\x96\xAD)\xEF\xBC\x9A";
  static constexpr char kSlash[] = "\xEF\xBC\x8F";
  std::string text(kLabel);
  text += std::to_string(i + 1);
  text += kSlash;
  text += std::to_string(n);
  progress.ShowNow(text);
}

// Bytes to reserve per order entry: a line of four reals with every digit
// and its CR LF is about this long, so a converted drawing's output seldom has
// to move while it grows. The cap keeps the first block within reach of a
// 32-bit address space; beyond it the buffer grows as it must.
constexpr std::size_t kBytesPerEntry = 72;
constexpr std::size_t kReserveCap = std::size_t{256} << 20;
// With a spill the list only ever holds a little over its threshold: the
// last figure's lines on top, a text of any length being the exception.
constexpr std::size_t kSpillSlack = std::size_t{64} << 10;

}  // namespace

void JwwWriteAll(Store& s, std::int32_t lg, std::int32_t ly, std::int32_t color,
                 std::int32_t ltype, std::int32_t lwidth, std::int32_t textColor, std::int32_t cc,
                 std::int32_t solidColor, ProgressDisplay* progress, EscapeKey* escape) {
  const Overrides o{lg, ly, color, ltype, lwidth, textColor, cc, solidColor};
  if (s.bz) JwwAddOut(s, "bz");

  const std::size_t n = s.order.size();
  std::size_t room = n < kReserveCap / kBytesPerEntry ? n * kBytesPerEntry : kReserveCap;
  if (s.out.spill && room > s.out.spillAt) room = s.out.spillAt + kSpillSlack;
  s.out.bytes.reserve(s.out.bytes.size() + room + 64);
  for (std::size_t i = 0; i < n; ++i) {
    if (i % 100 == 0) {
      if (progress != nullptr) ShowProgress(*progress, i, n);
      if (escape != nullptr && escape->IsDown()) {
        JwwClearOut(s);
        break;
      }
    }
    WriteEntry(s, o, s.order[i]);
    // Only between figures: a figure's z-flag lines may still be taken back
    // while its own line is written.
    if (s.out.spill && s.out.bytes.size() >= s.out.spillAt) JwwSpillOut(s);
  }

  // The file ends by naming again the first layer group and layer it had.
  JwwOutLg(s, s.initial.lg);
  JwwOutLy(s, s.initial.ly);
}
