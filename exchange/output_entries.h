// The order table's entries into output lines: the pass's table of kinds
// and the steps every figure shares, for the output pass on one thread and
// its pieces on several. Only the output pass includes this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

#include "exchange/output_pass.h"
#include "exchange/store.h"
#include "exchange/writer.h"

namespace q527::output {

// Local to each file that includes it: a template of the one loop that
// calls each step may then inline it as called once, as the pass always
// did.
namespace {

inline std::int32_t Lg(const TJwwOverrides& o, const TJwwAttr& a) {
  return o.lg >= 0 && o.lg <= 15 ? o.lg : a.lg;
}
inline std::int32_t Ly(const TJwwOverrides& o, const TJwwAttr& a) {
  return o.ly >= 0 && o.ly <= 15 ? o.ly : a.ly;
}
inline std::int32_t Color(const TJwwOverrides& o, const TJwwAttr& a) {
  return o.color != -1 ? o.color : a.color;
}
inline std::int32_t Ltype(const TJwwOverrides& o, const TJwwAttr& a) {
  return o.ltype != -1 ? o.ltype : a.ltype;
}
inline std::int32_t Lwidth(const TJwwOverrides& o, const TJwwAttr& a) {
  return o.lwidth != -1 ? o.lwidth : a.lwidth;
}

// Most figures repeat the attributes last written, and then the emitters
// write nothing; the same test made here saves the call.
inline void Layers(TJwwWriter& w, const TJwwOverrides& o, const TJwwAttr& a) {
  const TJwwWritten& mem = w.written;
  const std::int32_t lg = Lg(o, a);
  if (mem.first.lg || lg != mem.lg) JwwOutLg(w, lg);
  const std::int32_t ly = Ly(o, a);
  if (mem.first.ly || ly != mem.ly) JwwOutLy(w, ly);
}

// Colour, line type and width of the line-like kinds.
inline void LineAttrs(TJwwWriter& w, const TJwwOverrides& o, const TJwwAttr& a) {
  const TJwwWritten& mem = w.written;
  const std::int32_t color = Color(o, a);
  if (mem.first.color || color != mem.color) JwwOutLc(w, color);
  const std::int32_t ltype = Ltype(o, a);
  if (mem.first.ltype || ltype != mem.ltype) JwwOutLt(w, ltype);
  JwwOutLw(w, Lwidth(o, a));
}

// Solids carry colour 10 with a separate solid colour ("lc10 n").
inline void SolidColor(TJwwWriter& w, const TJwwOverrides& o, const TJwwAttr& a, std::int32_t scolor) {
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
inline void TextAttrs(TJwwWriter& w, const TJwwOverrides& o, const TJwwEntText& t) {
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

// What writing the figure does to the writer's memory, without the figure:
// the attribute lines it needs (into w's lines, which the caller may drop).
template <std::int32_t Kind, typename Record>
void WriteFigureAttrs(TJwwWriter& w, const TJwwOverrides& o, const Record& r) {
  Layers(w, o, r.attr);
  Row<Kind>::Attrs(w, o, r);
}

// An entry that points past its table, a removed entry and an unknown kind
// write nothing. kFigure false: only the figure's attribute lines.
template <bool kFigure = true>
void WriteEntry(const Store& s, TJwwWriter& w, const TJwwOverrides& o, const TJwwOrder& e) {
  JwwVisitTable(s, e.kind, [&](auto kind, const auto& table) {
    constexpr std::int32_t kKind = decltype(kind)::value;
    if constexpr (kKind != kJwwBlock) {
      if (e.index < 0 || static_cast<std::size_t>(e.index) >= table.size()) return;
      const auto& record = table[static_cast<std::size_t>(e.index)];
      if constexpr (kFigure) {
        WriteFigure<kKind>(w, o, record);
      } else {
        WriteFigureAttrs<kKind>(w, o, record);
      }
    }
  });
}

// A polygon's segment as the record it stands for: a line, or a linear
// solid of a circular solid.
inline TJwwEntLine SegmentOf(const TJwwEntCircle& c) { return {.attr = c.attr}; }
inline TJwwEntLine SegmentOf(const TJwwEntArc& a) { return {.attr = a.attr}; }
inline TJwwEntSolid2 SegmentOf(const TJwwEntSe& se) { return {.attr = se.attr, .scolor = se.scolor}; }

// The polygon an order entry names, or null.
inline const TJwwEntPolygon* PolygonOf(const Store& s, const TJwwOrder& e) {
  if (e.kind != kJwwPolygon || e.index < 0) return nullptr;
  const auto at = static_cast<std::size_t>(e.index);
  return at < s.polygons.size() ? &s.polygons[at] : nullptr;
}

// How many entries of the progress count an order entry is: a polygon one
// per segment, as when its segments were records of their own.
inline std::size_t CountedEntries(const Store& s, const TJwwOrder& e) {
  const TJwwEntPolygon* p = PolygonOf(s, e);
  return p != nullptr && p->segments > 0 ? static_cast<std::size_t>(p->segments) : 1;
}

// One thread's writing of entries: the writer its lines go to, and the
// polygon walk it makes on meeting the first polygon.
struct EntryWriter {
  const Store& s;
  TJwwWriter& w;
  const TJwwOverrides& o;
  std::unique_ptr<TJwwPolygonWalk> walk;
  std::vector<TJwwVertex> vertices;
};

// Moves the gathered lines out when the list has a spill and they reach its
// threshold. Only between figures: a figure's z-flag lines may still be
// taken back while its own line is written.
inline void SpillIfDue(TJwwWriter& w) {
  if (w.lines.spill && w.lines.bytes.size() >= w.lines.spillAt) JwwSpillOut(w.lines);
}

// A polygon's vertices; segments + 1 of them, those the walk cannot give
// left unfinite (their segments write nothing, their attributes are written
// as for every segment).
inline const std::vector<TJwwVertex>& VerticesOf(EntryWriter& ew, const TJwwEntPolygon& p) {
  ew.vertices.clear();
  if (ew.s.polygonMaker != nullptr) {
    if (!ew.walk) ew.walk = ew.s.polygonMaker->NewWalk();
    ew.walk->Vertices(ew.s, p, ew.vertices);
  }
  const auto want = static_cast<std::size_t>(p.segments) + 1;
  if (ew.vertices.size() != want) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    ew.vertices.assign(want, TJwwVertex{kNaN, kNaN});
  }
  return ew.vertices;
}

// The kind a polygon's segment is written as.
template <typename Segment>
constexpr std::int32_t kSegmentKind =
    std::is_same_v<std::remove_cvref_t<Segment>, TJwwEntSolid2> ? kJwwSolid2 : kJwwLine;

// Writes a polygon's segments, each one entry of the progress count from
// `counted` on; before(i) is asked before entry i and false stops the
// writing (then false is returned). A polygon without its source counts its
// segments and writes nothing. Out of line: inlined, it costs the loop over
// the other entries the inlining of their figures.
template <typename Before>
[[gnu::noinline]] bool WritePolygon(EntryWriter& ew, const TJwwEntPolygon& p, std::size_t& counted, Before& before) {
  bool found = false, going = true;
  JwwVisitPolygonSource(ew.s, p, [&](const auto& source) {
    found = true;
    const std::vector<TJwwVertex>& v = VerticesOf(ew, p);
    auto segment = SegmentOf(source);
    for (std::size_t j = 0; j + 1 < v.size(); ++j) {
      if (!before(counted++)) {
        going = false;
        return;
      }
      segment.x1 = v[j].x, segment.y1 = v[j].y, segment.x2 = v[j + 1].x, segment.y2 = v[j + 1].y;
      WriteFigure<kSegmentKind<decltype(segment)>>(ew.w, ew.o, segment);
      SpillIfDue(ew.w);
    }
  });
  for (std::int32_t j = 0; !found && j < p.segments; ++j) {
    if (!before(counted++)) return false;
  }
  return going;
}

// The attribute lines a polygon's segments need: those of its first one,
// as every segment carries the same attributes.
inline void WritePolygonAttrs(EntryWriter& ew, const TJwwEntPolygon& p) {
  if (p.segments <= 0) return;
  JwwVisitPolygonSource(ew.s, p, [&](const auto& source) {
    const auto segment = SegmentOf(source);
    WriteFigureAttrs<kSegmentKind<decltype(segment)>>(ew.w, ew.o, segment);
  });
}

// Writes the entries [first, last) of the order table, the first of them
// being entry `counted` of the progress count. before(i) is asked before
// entry i is written; false stops the writing and is returned.
template <typename Before>
[[gnu::flatten]] bool WriteEntries(EntryWriter& ew, std::size_t first, std::size_t last,
                                   std::size_t counted, Before before) {
  // Held here, not read through ew: every byte the figures write might
  // alias ew, and the references would be loaded again for each entry.
  const Store& s = ew.s;
  TJwwWriter& w = ew.w;
  const TJwwOverrides& o = ew.o;
  const TJwwOrder* const order = s.order.data();
  for (std::size_t k = first; k < last; ++k) {
    const TJwwOrder e = order[k];
    if (e.kind == kJwwPolygon) {
      const TJwwEntPolygon* p = PolygonOf(s, e);
      if (p == nullptr || p->segments <= 0) {
        if (!before(counted++)) return false;
      } else if (!WritePolygon(ew, *p, counted, before)) {
        return false;
      }
      continue;
    }
    if (!before(counted++)) return false;
    WriteEntry(s, w, o, e);
    SpillIfDue(w);
  }
  return true;
}

// What writing the entries [first, last) does to the writer's memory: their
// attribute lines only, into w's lines.
inline void WriteEntriesAttrs(EntryWriter& ew, std::size_t first, std::size_t last) {
  for (std::size_t k = first; k < last; ++k) {
    const TJwwOrder& e = ew.s.order[k];
    if (e.kind == kJwwPolygon) {
      if (const TJwwEntPolygon* p = PolygonOf(ew.s, e)) WritePolygonAttrs(ew, *p);
      continue;
    }
    WriteEntry<false>(ew.s, ew.w, ew.o, e);
  }
}

}  // namespace

// Asked before entry i of the progress count is written, for every i a
// multiple of 100; false ends the pass.
using PieceProgress = std::function<bool(std::size_t i)>;

// The entries' lines made on `threads` threads and added to w's lines in
// order, w's memory left as after the last entry; the same lines as
// WriteEntries over the whole table. False when tick ended the pass: w's
// memory is then as the one thread leaves it at that entry, and its lines
// are to be dropped.
bool WritePieces(const Store& s, TJwwWriter& w, const TJwwOverrides& o, std::size_t threads,
                 const PieceProgress& tick);

}  // namespace q527::output
