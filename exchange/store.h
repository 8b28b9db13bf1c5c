// The figure store: the whole in-memory model of one exchange file.
//
// Header values, layer tables, numbered reference points, one table per figure
// kind, the order table that remembers reading order, and the reader's
// attribute state. A default-constructed store is the store of a fresh file,
// ready for the reader. The writer keeps its own state (writer.h): the store
// is only the model, and an output pass only reads it.
//
// Records are plain structs with their fields in the order of the file format;
// tables are std::vector, so they grow geometrically and a table's count is
// its size(). Texts are Shift-JIS byte strings, stored whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "exchange/polygon_entries.h"

namespace q527 {

// Figure kind codes as kept in the order table.
enum TJwwKind : std::int32_t {
  kJwwRemoved = 0,
  kJwwLine = 1,
  kJwwCircle = 2,
  kJwwArc = 3,  // arc, ellipse or elliptic arc
  kJwwText = 4,
  kJwwPoint = 5,
  kJwwPointEx = 6,
  kJwwMsg = 7,
  kJwwBlock = 8,
  kJwwSolid2 = 9,   // linear solid
  kJwwSolid3 = 10,  // triangle solid
  kJwwSolid4 = 11,  // quadrilateral solid
  kJwwSc = 12,
  kJwwSe = 13,  // circular solid
  kJwwSo = 14,
  kJwwSg = 15,
  // Not a table of its own: a converted figure's polygon (Store::polygons),
  // written as its segments.
  kJwwPolygon = 16,
};

// The seven integers at the head of every figure record.
struct TJwwAttr {
  std::int32_t hhp = 0;     // number from an "hhp" line just before the figure
  std::int32_t lg = 0;      // layer group 0..15
  std::int32_t ly = 0;      // layer 0..15
  std::int32_t color = 0;   // line colour; point colour for points; text colour for texts
  std::int32_t ltype = 0;   // line type
  std::int32_t lwidth = 0;  // line width
  std::int32_t zflags = 0;  // 1 = z1, 2 = z2, 4 = z3, 8 = z4, 16 = z5
};

struct TJwwEntLine {
  TJwwAttr attr;
  std::int32_t plgroup = 0;  // polyline group, 0 outside a polyline
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct TJwwEntCircle {
  TJwwAttr attr;
  double cx = 0, cy = 0, r = 0;
};

struct TJwwEntArc {
  TJwwAttr attr;
  double cx = 0, cy = 0, r = 0;
  double start = 0, end = 0;  // degrees
  double flat = 0;            // second semi-axis / radius
  double tilt = 0;            // degrees
};

// The text keywords by keyword code, for the reader and the writer alike.
inline constexpr std::array<std::string_view, 10> kJwwTextKeywords = {"ch", "cv", "cs", "cr", "co",
                                                                      "cp", "ct", "ck", "cz", "c2"};

struct TJwwEntText {
  TJwwAttr attr;
  std::int32_t code = 0;   // keyword code: the index in kJwwTextKeywords
  std::int32_t cc = 0;     // 0..8
  std::int32_t ckind = 0;  // character kind
  double width = 0, height = 0, spacing = 0;
  double x = 0, y = 0, dx = 0, dy = 0;
  std::string font;  // Shift-JIS bytes
  std::string text;  // Shift-JIS bytes
};

struct TJwwEntPoint {
  TJwwAttr attr;  // color = point colour
  double x = 0, y = 0;
};

struct TJwwEntPointEx {
  TJwwAttr attr;  // color = point colour
  double x = 0, y = 0, v1 = 0, v2 = 0;
  std::int32_t code = 0;
};

struct TJwwEntMsg {
  TJwwAttr attr;
  TJwwEntLine line;  // the pending message line, polyline group 0
  TJwwEntText text;  // keyword code 2
};

struct TJwwEntBlk {
  TJwwAttr attr;
  double x = 0, y = 0;
  std::string name;
};

struct TJwwEntSolid2 {
  TJwwAttr attr;
  std::int32_t scolor = 0;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct TJwwEntSolid3 {
  TJwwAttr attr;
  std::int32_t scolor = 0;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0, x3 = 0, y3 = 0;
};

struct TJwwEntSolid4 {
  TJwwAttr attr;
  std::int32_t scolor = 0;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0, x3 = 0, y3 = 0, x4 = 0, y4 = 0;
};

// "sc" and "se": seven reals and one integer. For a circular solid ("se") the
// reals are centre x, centre y, radius, flatness, tilt, start angle, sweep,
// the angles in radians.
struct TJwwEntSc {
  TJwwAttr attr;
  std::int32_t scolor = 0;
  std::array<double, 7> v{};
  std::int32_t code = 0;
};
using TJwwEntSe = TJwwEntSc;

// "so" and "sg": eight reals.
struct TJwwEntSo {
  TJwwAttr attr;
  std::int32_t scolor = 0;
  std::array<double, 8> v{};
};
using TJwwEntSg = TJwwEntSo;

// The source records of converted figures, moved out of the figure tables:
// the figures are gone from the drawing, their polygons walk them.
struct TJwwConverted {
  std::vector<TJwwEntCircle> circles;
  std::vector<TJwwEntArc> arcs;
  std::vector<TJwwEntSe> ses;
};

struct TJwwOrder {
  std::int32_t kind = 0;
  std::int32_t index = 0;
};

struct TJwwHp {
  bool used = false;
  double x = 0, y = 0;
  std::int32_t suffix = 0;  // 0 none, 1 "-", 2 "ln", 3 "ci", 4 "ch"
};

struct TJwwCharKind {
  double width = 3.0, height = 3.0, spacing = 0.0;
  std::int32_t color = 2;
};

// "<ＭＳ ゴシック>" in Shift-JIS: the font every text starts with.
inline constexpr std::string_view kJwwDefaultFont =
    "<\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e>";

// The values the attribute lines set. The reader's current values, the first
// value each keyword carried in the file, and the writer's memory of what it
// last wrote all have this shape; the defaults are those of a fresh file.
struct TJwwAttrValues {
  std::int32_t lg = 0;
  std::int32_t ly = 0;
  std::int32_t color = 1;
  std::int32_t ltype = 1;
  std::int32_t lwidth = 0;
  std::int32_t ckind = 1;
  double freeWidth = 2.0, freeHeight = 2.0, freeSpacing = 0.0;
  std::int32_t freeColor = 1;
  std::int32_t cc = 0;
  std::string font{kJwwDefaultFont};
  std::int32_t pointColor = 1;
  std::int32_t solidColor = 0;
};

// The reader's state between lines: the attribute values that apply to the
// next figure read, and the modes and one-figure marks the lines before set.
struct TJwwState : TJwwAttrValues {
  std::int32_t hhp = 0;
  std::int32_t zflags = 0;
  std::int32_t plCounter = 0;
  bool inPolyline = false;
  bool msgMode = false;
  bool lwGiven = false;  // the file read had an "lw" line
};

// First-seen flags. For the reader a set flag means "not met yet" (only the
// six attributes it records an initial value for are used); for the writer it
// means "nothing emitted yet".
struct TJwwFirst {
  bool lg = true, ly = true, color = true, ltype = true, lwidth = true, ckind = true;
  bool cc = true, font = true, pointColor = true, solidColor = true;
};

struct Store {
  // Header values.
  double hk = 0.0;
  std::string fileName;
  std::array<double, 16> groupScale = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  double sheetW = 1189.0, sheetH = 841.0;
  std::array<TJwwCharKind, 11> charKinds{};  // 1..10 used
  bool bz = false;
  std::array<double, 4> hn{};

  // Layer tables: layer entries are indexed by group * 16 + layer.
  std::vector<std::string> groupNames = std::vector<std::string>(16);
  std::vector<std::int32_t> groupValues = std::vector<std::int32_t>(16);
  std::vector<std::string> layerNames = std::vector<std::string>(256);
  std::vector<std::int32_t> layerValues = std::vector<std::int32_t>(256);

  // Numbered reference points 1..99 (entry 0 unused) and the count of
  // accepted hp lines.
  std::vector<TJwwHp> hp = std::vector<TJwwHp>(100);
  std::int32_t hpCount = 0;

  // Figure tables, kinds 1..15; JwwVisitTables visits them all.
  std::vector<TJwwEntLine> lines;
  std::vector<TJwwEntCircle> circles;
  std::vector<TJwwEntArc> arcs;
  std::vector<TJwwEntText> texts;
  std::vector<TJwwEntPoint> points;
  std::vector<TJwwEntPointEx> pointExs;
  std::vector<TJwwEntMsg> msgs;
  std::vector<TJwwEntBlk> blocks;
  std::vector<TJwwEntSolid2> solid2s;
  std::vector<TJwwEntSolid3> solid3s;
  std::vector<TJwwEntSolid4> solid4s;
  std::vector<TJwwEntSc> scs;
  std::vector<TJwwEntSe> ses;
  std::vector<TJwwEntSo> sos;
  std::vector<TJwwEntSg> sgs;

  std::vector<TJwwOrder> order;

  // Converted figures, one order entry of kind kJwwPolygon each, their
  // sources, and what walks their vertices (set by the conversion; it must
  // outlive the store).
  std::vector<TJwwEntPolygon> polygons;
  TJwwConverted converted;
  const TJwwPolygonMaker* polygonMaker = nullptr;

  // The reader's: the current state, the first value of each attribute in
  // the file (the writer falls back on it; no font until the first font
  // line), and which of those first values are still to be met.
  TJwwState cur;
  TJwwAttrValues initial{.font = {}};
  TJwwFirst unmet;
  // The line a message text takes when no line came before it in the file.
  TJwwEntLine pendingMsgLine{.attr = {.color = 1, .ltype = 1}, .x2 = 1.0};
};

// Resets the whole store to the values of a fresh file, as constructed.
void JwwInit(Store& s);
// Releases every table; JwwInit must run before the store is used again.
void JwwFree(Store& s);
// Appends (kind, index) to the order table.
void JwwAddOrder(Store& s, std::int32_t kind, std::int32_t index);
// Copies the current attribute state into a record's attribute block. Inline:
// the reader calls it for every figure.
inline void JwwSetAttr(const Store& s, TJwwAttr& attr) {
  attr.hhp = s.cur.hhp;
  attr.lg = s.cur.lg;
  attr.ly = s.cur.ly;
  attr.color = s.cur.color;
  attr.ltype = s.cur.ltype;
  attr.lwidth = s.cur.lwidth;
  attr.zflags = s.cur.zflags;
}
// The number of records in the table of a figure kind (0 for kind 0 and
// unknown kinds).
std::size_t JwwTableCount(const Store& s, std::int32_t kind);

// The counts the dialog shows.
inline std::size_t JwwCircleCount(const Store& s) { return s.circles.size(); }
inline std::size_t JwwArcCount(const Store& s) { return s.arcs.size(); }
inline std::size_t JwwSolidCircleCount(const Store& s) { return s.ses.size(); }

// A figure kind as a type, so that a visitor of the tables can tell apart the
// kinds that share a record type ("sc" and "se", "so" and "sg").
template <std::int32_t K>
using TJwwKindTag = std::integral_constant<std::int32_t, K>;

// The one place that pairs the figure kinds with their tables: calls
// visit(TJwwKindTag<kind>{}, table) with the table of kind, and nothing for
// kind 0 and unknown kinds. StoreRef is Store or const Store.
template <typename StoreRef, typename Visit>
void JwwVisitTable(StoreRef& s, std::int32_t kind, Visit&& visit) {
  switch (kind) {
    case kJwwLine: return visit(TJwwKindTag<kJwwLine>{}, s.lines);
    case kJwwCircle: return visit(TJwwKindTag<kJwwCircle>{}, s.circles);
    case kJwwArc: return visit(TJwwKindTag<kJwwArc>{}, s.arcs);
    case kJwwText: return visit(TJwwKindTag<kJwwText>{}, s.texts);
    case kJwwPoint: return visit(TJwwKindTag<kJwwPoint>{}, s.points);
    case kJwwPointEx: return visit(TJwwKindTag<kJwwPointEx>{}, s.pointExs);
    case kJwwMsg: return visit(TJwwKindTag<kJwwMsg>{}, s.msgs);
    case kJwwBlock: return visit(TJwwKindTag<kJwwBlock>{}, s.blocks);
    case kJwwSolid2: return visit(TJwwKindTag<kJwwSolid2>{}, s.solid2s);
    case kJwwSolid3: return visit(TJwwKindTag<kJwwSolid3>{}, s.solid3s);
    case kJwwSolid4: return visit(TJwwKindTag<kJwwSolid4>{}, s.solid4s);
    case kJwwSc: return visit(TJwwKindTag<kJwwSc>{}, s.scs);
    case kJwwSe: return visit(TJwwKindTag<kJwwSe>{}, s.ses);
    case kJwwSo: return visit(TJwwKindTag<kJwwSo>{}, s.sos);
    case kJwwSg: return visit(TJwwKindTag<kJwwSg>{}, s.sgs);
    default: return;
  }
}

// Calls visit(record) with the source record of a polygon, and nothing when
// its kind or index names none.
template <typename Visit>
void JwwVisitPolygonSource(const Store& s, const TJwwEntPolygon& p, Visit&& visit) {
  const auto at = static_cast<std::size_t>(p.index);
  if (p.index < 0) return;
  if (p.source == kJwwCircle && at < s.converted.circles.size()) visit(s.converted.circles[at]);
  if (p.source == kJwwArc && at < s.converted.arcs.size()) visit(s.converted.arcs[at]);
  if (p.source == kJwwSe && at < s.converted.ses.size()) visit(s.converted.ses[at]);
}

// Visits every figure table, kinds 1..15 in order. The kinds are constants
// here, so each visit compiles to the call for its table alone.
template <typename StoreRef, typename Visit>
void JwwVisitTables(StoreRef& s, Visit&& visit) {
  [&]<std::int32_t... K>(std::integer_sequence<std::int32_t, K...>) {
    (JwwVisitTable(s, K + kJwwLine, visit), ...);
  }
  (std::make_integer_sequence<std::int32_t, kJwwSg>{});
}

}  // namespace q527
