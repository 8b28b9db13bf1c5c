#include "exchange/output_pass.h"

#include <cstddef>
#include <string>

#include "exchange/writer.h"

namespace q527 {

namespace {

std::int32_t Lg(const TJwwOverrides& o, const TJwwAttr& a) {
  return o.lg >= 0 && o.lg <= 15 ? o.lg : a.lg;
}
std::int32_t Ly(const TJwwOverrides& o, const TJwwAttr& a) {
  return o.ly >= 0 && o.ly <= 15 ? o.ly : a.ly;
}
std::int32_t Color(const TJwwOverrides& o, const TJwwAttr& a) {
  return o.color != -1 ? o.color : a.color;
}
std::int32_t Ltype(const TJwwOverrides& o, const TJwwAttr& a) {
  return o.ltype != -1 ? o.ltype : a.ltype;
}
std::int32_t Lwidth(const TJwwOverrides& o, const TJwwAttr& a) {
  return o.lwidth != -1 ? o.lwidth : a.lwidth;
}

// Most figures repeat the attributes last written, and then the emitters
// write nothing; the same test made here saves the call.
void Layers(Store& s, const TJwwOverrides& o, const TJwwAttr& a) {
  const TJwwWritten& w = s.written;
  const std::int32_t lg = Lg(o, a);
  if (w.first.lg || lg != w.lg) JwwOutLg(s, lg);
  const std::int32_t ly = Ly(o, a);
  if (w.first.ly || ly != w.ly) JwwOutLy(s, ly);
}

// Colour, line type and width of the line-like kinds.
void LineAttrs(Store& s, const TJwwOverrides& o, const TJwwAttr& a) {
  const TJwwWritten& w = s.written;
  const std::int32_t color = Color(o, a);
  if (w.first.color || color != w.color) JwwOutLc(s, color);
  const std::int32_t ltype = Ltype(o, a);
  if (w.first.ltype || ltype != w.ltype) JwwOutLt(s, ltype);
  JwwOutLw(s, Lwidth(o, a));
}

// Solids carry colour 10 with a separate solid colour ("lc10 n").
void SolidColor(Store& s, const TJwwOverrides& o, const TJwwAttr& a, std::int32_t scolor) {
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
void TextAttrs(Store& s, const TJwwOverrides& o, const TJwwEntText& t) {
  if (o.textColor != -1) {
    JwwOutCn(s, 0, o.textColor, t.width, t.height, t.spacing);
  } else {
    JwwOutCn(s, t.ckind, t.attr.color, t.width, t.height, t.spacing);
  }
  JwwOutCc(s, o.cc != -1 ? o.cc : t.cc);
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

// The pass's table of kinds, a row a kind: the attribute lines its figures
// need after their layers (Attrs), and the figure itself (Figure). Block
// references have no row: the pass writes nothing for them.
template <std::int32_t Kind>
struct Row;

struct LineRow {
  template <typename R>
  static void Attrs(Store& s, const TJwwOverrides& o, const R& r) {
    LineAttrs(s, o, r.attr);
  }
};
struct PointRow {
  template <typename R>
  static void Attrs(Store& s, const TJwwOverrides& o, const R& r) {
    JwwOutPn(s, Color(o, r.attr));
    JwwOutLw(s, Lwidth(o, r.attr));
  }
};
struct SolidRow {
  template <typename R>
  static void Attrs(Store& s, const TJwwOverrides& o, const R& r) {
    SolidColor(s, o, r.attr, r.scolor);
  }
};
// The linear and the circular solid also carry a line width.
struct SolidWidthRow {
  template <typename R>
  static void Attrs(Store& s, const TJwwOverrides& o, const R& r) {
    SolidColor(s, o, r.attr, r.scolor);
    JwwOutLw(s, Lwidth(o, r.attr));
  }
};

template <>
struct Row<kJwwLine> : LineRow {
  static void Figure(Store& s, const TJwwEntLine& r) { JwwOutLine(s, r.x1, r.y1, r.x2, r.y2); }
};
template <>
struct Row<kJwwCircle> : LineRow {
  static void Figure(Store& s, const TJwwEntCircle& r) { JwwOutCircle(s, r.cx, r.cy, r.r); }
};
template <>
struct Row<kJwwArc> : LineRow {
  static void Figure(Store& s, const TJwwEntArc& r) {
    JwwOutArc(s, r.cx, r.cy, r.r, r.start, r.end, r.flat, r.tilt);
  }
};
template <>
struct Row<kJwwText> {
  static void Attrs(Store& s, const TJwwOverrides& o, const TJwwEntText& r) { TextAttrs(s, o, r); }
  static void Figure(Store& s, const TJwwEntText& r) {
    JwwOutText(s, r.code, r.text, r.x, r.y, r.dx, r.dy);
  }
};
template <>
struct Row<kJwwPoint> : PointRow {
  static void Figure(Store& s, const TJwwEntPoint& r) { JwwOutPoint(s, r.x, r.y); }
};
template <>
struct Row<kJwwPointEx> : PointRow {
  static void Figure(Store& s, const TJwwEntPointEx& r) {
    JwwOutPointEx(s, r.x, r.y, r.v1, r.v2, r.code);
  }
};
// Layers and z-flags from the message itself, line attributes from its line,
// text attributes from its text.
template <>
struct Row<kJwwMsg> {
  static void Attrs(Store& s, const TJwwOverrides& o, const TJwwEntMsg& r) {
    LineAttrs(s, o, r.line.attr);
    TextAttrs(s, o, r.text);
  }
  static void Figure(Store& s, const TJwwEntMsg& r) {
    JwwOutMsg(s, r.text.text, r.line.x1, r.line.y1, r.line.x2, r.line.y2, r.text.x, r.text.y,
              r.text.dx, r.text.dy);
  }
};
template <>
struct Row<kJwwSolid2> : SolidWidthRow {
  static void Figure(Store& s, const TJwwEntSolid2& r) { JwwOutSolid2(s, r.x1, r.y1, r.x2, r.y2); }
};
template <>
struct Row<kJwwSolid3> : SolidRow {
  static void Figure(Store& s, const TJwwEntSolid3& r) {
    JwwOutSolid3(s, r.x1, r.y1, r.x2, r.y2, r.x3, r.y3);
  }
};
template <>
struct Row<kJwwSolid4> : SolidRow {
  static void Figure(Store& s, const TJwwEntSolid4& r) {
    JwwOutSolid4(s, r.x1, r.y1, r.x2, r.y2, r.x3, r.y3, r.x4, r.y4);
  }
};
template <>
struct Row<kJwwSc> : SolidRow {
  static void Figure(Store& s, const TJwwEntSc& r) { JwwOutSc(s, r.v, r.code); }
};
template <>
struct Row<kJwwSe> : SolidWidthRow {
  static void Figure(Store& s, const TJwwEntSe& r) { JwwOutSe(s, r.v, r.code); }
};
template <>
struct Row<kJwwSo> : SolidRow {
  static void Figure(Store& s, const TJwwEntSo& r) { JwwOutSo(s, r.v); }
};
template <>
struct Row<kJwwSg> : SolidRow {
  static void Figure(Store& s, const TJwwEntSg& r) { JwwOutSg(s, r.v); }
};

// The steps every figure shares: its layers, its row's attributes, then its
// z-flags and the figure.
template <std::int32_t Kind, typename Record>
void WriteFigure(Store& s, const TJwwOverrides& o, const Record& r) {
  Layers(s, o, r.attr);
  Row<Kind>::Attrs(s, o, r);
  WithZ(s, r.attr.zflags, [&] { Row<Kind>::Figure(s, r); });
}

// An entry that points past its table, a removed entry and an unknown kind
// write nothing.
void WriteEntry(Store& s, const TJwwOverrides& o, const TJwwOrder& e) {
  JwwVisitTable(s, e.kind, [&](auto kind, const auto& table) {
    constexpr std::int32_t kKind = decltype(kind)::value;
    if constexpr (kKind != kJwwBlock) {
      if (e.index < 0 || static_cast<std::size_t>(e.index) >= table.size()) return;
      WriteFigure<kKind>(s, o, table[static_cast<std::size_t>(e.index)]);
    }
  });
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

void JwwWriteAll(Store& s, const TJwwOverrides& o, ProgressDisplay* progress, EscapeKey* escape) {
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

}  // namespace q527
