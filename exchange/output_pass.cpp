#include "exchange/output_pass.h"

#include <cstddef>
#include <string>

#include "common/number_texts.h"
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
void Layers(TJwwWriter& w, const TJwwOverrides& o, const TJwwAttr& a) {
  const TJwwWritten& mem = w.written;
  const std::int32_t lg = Lg(o, a);
  if (mem.first.lg || lg != mem.lg) JwwOutLg(w, lg);
  const std::int32_t ly = Ly(o, a);
  if (mem.first.ly || ly != mem.ly) JwwOutLy(w, ly);
}

// Colour, line type and width of the line-like kinds.
void LineAttrs(TJwwWriter& w, const TJwwOverrides& o, const TJwwAttr& a) {
  const TJwwWritten& mem = w.written;
  const std::int32_t color = Color(o, a);
  if (mem.first.color || color != mem.color) JwwOutLc(w, color);
  const std::int32_t ltype = Ltype(o, a);
  if (mem.first.ltype || ltype != mem.ltype) JwwOutLt(w, ltype);
  JwwOutLw(w, Lwidth(o, a));
}

// Solids carry colour 10 with a separate solid colour ("lc10 n").
void SolidColor(TJwwWriter& w, const TJwwOverrides& o, const TJwwAttr& a, std::int32_t scolor) {
  if (o.color == -1) {
    if (a.color == 10) {
      JwwOutLc10(w, scolor);
    } else {
      JwwOutLc(w, a.color);
    }
  } else if (o.color == 10) {
    JwwOutLc10(w, o.solidColor);
  } else {
    JwwOutLc(w, o.color);
  }
}

// Character kind, cc and font of a text; a text-colour override turns the
// text into a free-size text of that colour.
void TextAttrs(TJwwWriter& w, const TJwwOverrides& o, const TJwwEntText& t) {
  if (o.textColor != -1) {
    JwwOutCn(w, 0, o.textColor, t.width, t.height, t.spacing);
  } else {
    JwwOutCn(w, t.ckind, t.attr.color, t.width, t.height, t.spacing);
  }
  JwwOutCc(w, o.cc != -1 ? o.cc : t.cc);
  JwwOutFont(w, t.font);
}

// The z-flags, then the figure. The flags belong to the next figure the
// reader meets, so when the emitter drops this figure its flags are taken
// back; left standing they would pass to whatever figure follows.
template <typename Emit>
void WithZ(TJwwWriter& w, std::int32_t zflags, Emit emit) {
  if ((zflags & 31) == 0) {
    emit();
    return;
  }
  const std::size_t bytes = w.lines.bytes.size();
  const std::size_t count = w.lines.count;
  JwwOutZ(w, zflags);
  const std::size_t withFlags = w.lines.count;
  emit();
  if (w.lines.count == withFlags) {
    w.lines.bytes.resize(bytes);
    w.lines.count = count;
  }
}

// The pass's table of kinds, a row a kind: the attribute lines its figures
// need after their layers (Attrs), and the figure itself (Figure). Block
// references have no row: the pass writes nothing for them.
template <std::int32_t Kind>
struct Row;

struct LineRow {
  template <typename R>
  static void Attrs(TJwwWriter& w, const TJwwOverrides& o, const R& r) {
    LineAttrs(w, o, r.attr);
  }
};
struct PointRow {
  template <typename R>
  static void Attrs(TJwwWriter& w, const TJwwOverrides& o, const R& r) {
    JwwOutPn(w, Color(o, r.attr));
    JwwOutLw(w, Lwidth(o, r.attr));
  }
};
struct SolidRow {
  template <typename R>
  static void Attrs(TJwwWriter& w, const TJwwOverrides& o, const R& r) {
    SolidColor(w, o, r.attr, r.scolor);
  }
};
// The linear and the circular solid also carry a line width.
struct SolidWidthRow {
  template <typename R>
  static void Attrs(TJwwWriter& w, const TJwwOverrides& o, const R& r) {
    SolidColor(w, o, r.attr, r.scolor);
    JwwOutLw(w, Lwidth(o, r.attr));
  }
};

template <>
struct Row<kJwwLine> : LineRow {
  static void Figure(TJwwWriter& w, const TJwwEntLine& r) { JwwOutLine(w, r.x1, r.y1, r.x2, r.y2); }
};
template <>
struct Row<kJwwCircle> : LineRow {
  static void Figure(TJwwWriter& w, const TJwwEntCircle& r) { JwwOutCircle(w, r.cx, r.cy, r.r); }
};
template <>
struct Row<kJwwArc> : LineRow {
  static void Figure(TJwwWriter& w, const TJwwEntArc& r) {
    JwwOutArc(w, r.cx, r.cy, r.r, r.start, r.end, r.flat, r.tilt);
  }
};
template <>
struct Row<kJwwText> {
  static void Attrs(TJwwWriter& w, const TJwwOverrides& o, const TJwwEntText& r) {
    TextAttrs(w, o, r);
  }
  static void Figure(TJwwWriter& w, const TJwwEntText& r) {
    JwwOutText(w, r.code, r.text, r.x, r.y, r.dx, r.dy);
  }
};
template <>
struct Row<kJwwPoint> : PointRow {
  static void Figure(TJwwWriter& w, const TJwwEntPoint& r) { JwwOutPoint(w, r.x, r.y); }
};
template <>
struct Row<kJwwPointEx> : PointRow {
  static void Figure(TJwwWriter& w, const TJwwEntPointEx& r) {
    JwwOutPointEx(w, r.x, r.y, r.v1, r.v2, r.code);
  }
};
// Layers and z-flags from the message itself, line attributes from its line,
// text attributes from its text.
template <>
struct Row<kJwwMsg> {
  static void Attrs(TJwwWriter& w, const TJwwOverrides& o, const TJwwEntMsg& r) {
    LineAttrs(w, o, r.line.attr);
    TextAttrs(w, o, r.text);
  }
  static void Figure(TJwwWriter& w, const TJwwEntMsg& r) {
    JwwOutMsg(w, r.text.text, r.line.x1, r.line.y1, r.line.x2, r.line.y2, r.text.x, r.text.y,
              r.text.dx, r.text.dy);
  }
};
template <>
struct Row<kJwwSolid2> : SolidWidthRow {
  static void Figure(TJwwWriter& w, const TJwwEntSolid2& r) {
    JwwOutSolid2(w, r.x1, r.y1, r.x2, r.y2);
  }
};
template <>
struct Row<kJwwSolid3> : SolidRow {
  static void Figure(TJwwWriter& w, const TJwwEntSolid3& r) {
    JwwOutSolid3(w, r.x1, r.y1, r.x2, r.y2, r.x3, r.y3);
  }
};
template <>
struct Row<kJwwSolid4> : SolidRow {
  static void Figure(TJwwWriter& w, const TJwwEntSolid4& r) {
    JwwOutSolid4(w, r.x1, r.y1, r.x2, r.y2, r.x3, r.y3, r.x4, r.y4);
  }
};
template <>
struct Row<kJwwSc> : SolidRow {
  static void Figure(TJwwWriter& w, const TJwwEntSc& r) { JwwOutSc(w, r.v, r.code); }
};
template <>
struct Row<kJwwSe> : SolidWidthRow {
  static void Figure(TJwwWriter& w, const TJwwEntSe& r) { JwwOutSe(w, r.v, r.code); }
};
template <>
struct Row<kJwwSo> : SolidRow {
  static void Figure(TJwwWriter& w, const TJwwEntSo& r) { JwwOutSo(w, r.v); }
};
template <>
struct Row<kJwwSg> : SolidRow {
  static void Figure(TJwwWriter& w, const TJwwEntSg& r) { JwwOutSg(w, r.v); }
};

// The steps every figure shares: its layers, its row's attributes, then its
// z-flags and the figure.
template <std::int32_t Kind, typename Record>
void WriteFigure(TJwwWriter& w, const TJwwOverrides& o, const Record& r) {
  Layers(w, o, r.attr);
  Row<Kind>::Attrs(w, o, r);
  WithZ(w, r.attr.zflags, [&] { Row<Kind>::Figure(w, r); });
}

// An entry that points past its table, a removed entry and an unknown kind
// write nothing.
void WriteEntry(const Store& s, TJwwWriter& w, const TJwwOverrides& o, const TJwwOrder& e) {
  JwwVisitTable(s, e.kind, [&](auto kind, const auto& table) {
    constexpr std::int32_t kKind = decltype(kind)::value;
    if constexpr (kKind != kJwwBlock) {
      if (e.index < 0 || static_cast<std::size_t>(e.index) >= table.size()) return;
      WriteFigure<kKind>(w, o, table[static_cast<std::size_t>(e.index)]);
    }
  });
}

// "処理中(ESC:中断)：" + (i + 1) + "／" + n, in UTF-8.
void ShowProgress(ProgressDisplay& progress, std::size_t i, std::size_t n) {
  static constexpr char kLabel[] =
      "\xE5\x87\xA6\xE7\x90\x86\xE4\xB8\xAD(ESC:\xE4\xB8\xAD\xE6\x96\xAD)\xEF\xBC\x9A";
  static constexpr char kSlash[] = "\xEF\xBC\x8F";
  std::string text(kLabel);
  AppendIntegerText(text, static_cast<long long>(i + 1));
  text += kSlash;
  AppendIntegerText(text, static_cast<long long>(n));
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

void JwwWriteAll(const Store& s, TJwwWriter& w, const TJwwOverrides& o, ProgressDisplay* progress,
                 EscapeKey* escape) {
  if (s.bz) JwwAddOut(w, "bz");

  const std::size_t n = s.order.size();
  std::size_t room = n < kReserveCap / kBytesPerEntry ? n * kBytesPerEntry : kReserveCap;
  if (w.lines.spill && room > w.lines.spillAt) room = w.lines.spillAt + kSpillSlack;
  w.lines.bytes.reserve(w.lines.bytes.size() + room + 64);
  for (std::size_t i = 0; i < n; ++i) {
    if (i % 100 == 0) {
      if (progress != nullptr) ShowProgress(*progress, i, n);
      if (escape != nullptr && escape->IsDown()) {
        JwwClearOut(w.lines);
        break;
      }
    }
    WriteEntry(s, w, o, s.order[i]);
    // Only between figures: a figure's z-flag lines may still be taken back
    // while its own line is written.
    if (w.lines.spill && w.lines.bytes.size() >= w.lines.spillAt) JwwSpillOut(w.lines);
  }

  // The file ends by naming again the first layer group and layer it had.
  JwwOutLg(w, s.initial.lg);
  JwwOutLy(w, s.initial.ly);
}

}  // namespace q527
