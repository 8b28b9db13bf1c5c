#include "exchange/reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <system_error>

#include "common/myfunc.h"
#include "exchange/fields.h"
#include "exchange/file_io.h"

namespace {

double Real(const FieldList& f, std::size_t i) { return TextToFloat(f[i]); }
std::int32_t Int(const FieldList& f, std::size_t i) { return TextToInt(f[i]); }

// Converts a single byte of field 0 ("lg", "ly", "cc" take one character).
std::int32_t ByteToInt(std::string_view field, std::size_t pos, bool hex) {
  if (pos >= field.size()) return 0;
  const char text[2] = {'$', field[pos]};
  return hex ? TextToInt(std::string_view(text, 2)) : TextToInt(std::string_view(text + 1, 1));
}

template <typename T>
void SetAt(std::vector<T>& table, std::int32_t index, const T& value) {
  if (index >= 0 && static_cast<std::size_t>(index) < table.size()) table[index] = value;
}

// Appends a record of the given kind with the current attribute block. The
// record is in place before its order entry, so that a failure to grow never
// leaves an order entry that points past its table.
template <typename T>
T& AddFigure(Store& s, std::vector<T>& table, std::int32_t kind) {
  T& rec = table.emplace_back();
  try {
    JwwAddOrder(s, kind, static_cast<std::int32_t>(table.size() - 1));
  } catch (...) {
    table.pop_back();
    throw;
  }
  JwwSetAttr(s, rec.attr);
  return rec;
}

// z-flags and the hhp number apply to one figure only.
void EndFigure(Store& s) {
  s.cur.zflags = 0;
  s.cur.hhp = 0;
}

// A keyword figure also ends a polyline and message mode.
void EndKeywordFigure(Store& s) {
  EndFigure(s);
  s.cur.inPolyline = false;
  s.cur.msgMode = false;
}

struct Corner {
  double x, y;
};

bool Coincide(Corner a, Corner b) {
  return std::fabs(a.x - b.x) <= 1e-10 && std::fabs(a.y - b.y) <= 1e-10;
}

void AddSolid2(Store& s, Corner a, Corner b) {
  TJwwEntSolid2& r = AddFigure(s, s.solid2s, kJwwSolid2);
  r.scolor = s.cur.solidColor;
  r.x1 = a.x;
  r.y1 = a.y;
  r.x2 = b.x;
  r.y2 = b.y;
}

void AddSolid3(Store& s, Corner a, Corner b, Corner c) {
  TJwwEntSolid3& r = AddFigure(s, s.solid3s, kJwwSolid3);
  r.scolor = s.cur.solidColor;
  r.x1 = a.x;
  r.y1 = a.y;
  r.x2 = b.x;
  r.y2 = b.y;
  r.x3 = c.x;
  r.y3 = c.y;
}

void AddSolid4(Store& s, Corner a, Corner b, Corner c, Corner d) {
  TJwwEntSolid4& r = AddFigure(s, s.solid4s, kJwwSolid4);
  r.scolor = s.cur.solidColor;
  r.x1 = a.x;
  r.y1 = a.y;
  r.x2 = b.x;
  r.y2 = b.y;
  r.x3 = c.x;
  r.y3 = c.y;
  r.x4 = d.x;
  r.y4 = d.y;
}

Corner CornerAt(const FieldList& f, std::size_t i) { return {Real(f, i), Real(f, i + 1)}; }

// "sl": corners that coincide collapse the solid to fewer corners.
void ReadSolid(Store& s, const FieldList& f) {
  const Corner p1 = CornerAt(f, 1), p2 = CornerAt(f, 3);
  if (f.count == 5) {
    AddSolid2(s, p1, p2);
  } else if (f.count == 7) {
    const Corner p3 = CornerAt(f, 5);
    if (Coincide(p1, p2)) {
      AddSolid2(s, p1, p3);
    } else if (Coincide(p2, p3)) {
      AddSolid2(s, p1, p2);
    } else {
      AddSolid3(s, p1, p2, p3);
    }
  } else {
    const Corner p3 = CornerAt(f, 5), p4 = CornerAt(f, 7);
    const bool c12 = Coincide(p1, p2), c13 = Coincide(p1, p3), c23 = Coincide(p2, p3);
    const bool c14 = Coincide(p1, p4), c24 = Coincide(p2, p4), c34 = Coincide(p3, p4);
    if (c12 && c13) {
      AddSolid2(s, p1, p4);
    } else if (c23 && c24) {
      AddSolid2(s, p1, p2);
    } else if (c12 && c34) {
      AddSolid2(s, p1, p3);
    } else if (c14 || c24 || c34) {
      AddSolid3(s, p1, p2, p3);
    } else if (c13 || c23) {
      AddSolid3(s, p1, p2, p4);
    } else if (c12) {
      AddSolid3(s, p1, p3, p4);
    } else {
      AddSolid4(s, p1, p2, p3, p4);
    }
  }
  EndKeywordFigure(s);
}

// Texts take their size and colour from their character kind, or the free
// size and colour for any kind outside 1..10.
void FillText(const Store& s, const FieldList& f, std::int32_t code, TJwwEntText& t) {
  JwwSetAttr(s, t.attr);
  t.code = code;
  t.cc = s.cur.cc;
  t.ckind = s.cur.ckind;
  if (t.ckind >= 1 && t.ckind <= 10) {
    const TJwwCharKind& k = s.charKinds[t.ckind];
    t.width = k.width;
    t.height = k.height;
    t.spacing = k.spacing;
    t.attr.color = k.color;
  } else {
    t.width = s.cur.freeWidth;
    t.height = s.cur.freeHeight;
    t.spacing = s.cur.freeSpacing;
    t.attr.color = s.cur.freeColor;
  }
  t.x = Real(f, 1);
  t.y = Real(f, 2);
  t.dx = Real(f, 3);
  t.dy = Real(f, 4);
  t.font = s.cur.font;
  t.text.assign(f[5]);
}

void ReadText(Store& s, const FieldList& f, std::int32_t code) {
  if (code == 2 && s.cur.msgMode) {
    TJwwEntMsg& m = AddFigure(s, s.msgs, kJwwMsg);
    m.line = s.pendingMsgLine;
    m.line.plgroup = 0;
    FillText(s, f, 2, m.text);
  } else {
    TJwwEntText& t = AddFigure(s, s.texts, kJwwText);
    FillText(s, f, code, t);
  }
  EndKeywordFigure(s);
}

std::int32_t TextCode(char second) {
  switch (second) {
    case 'h': return 0;
    case 'v': return 1;
    case 's': return 2;
    case 'r': return 3;
    case 'o': return 4;
    case 'p': return 5;
    case 't': return 6;
    case 'k': return 7;
    case 'z': return 8;
    case '2': return 9;
    default: return -1;
  }
}

// "hp<number>[suffix]": a numbered reference point.
void ReadHp(Store& s, const FieldList& f) {
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
  if (n < 1 || n > 99 || static_cast<std::size_t>(n) >= s.hp.size()) return;
  s.hp[n] = TJwwHp{true, Real(f, 1), Real(f, 2), suffix};
  ++s.hpCount;
}

// "hhp<number>[suffix]": the number the next figure carries.
void ReadHhp(Store& s, std::string_view k) {
  std::string_view number = k.substr(3);
  static constexpr std::string_view kSuffixes[] = {"ln", "ci", "ch"};
  for (std::string_view sfx : kSuffixes) {
    const std::size_t pos = k.find(sfx);
    if (pos != std::string_view::npos && pos >= 4) number = k.substr(3, pos - 3);
  }
  s.cur.hhp = TextToInt(number);
}

// An attribute line sets the current value; the first line of its keyword
// in the file also records the initial value the writer falls back on.
void SetAttribute(std::int32_t& current, std::int32_t& initial, bool& firstSeen, std::int32_t v) {
  if (firstSeen) {
    initial = v;
    firstSeen = false;
  }
  current = v;
}

void ReadLayerGroup(Store& s, const FieldList& f) {
  const std::int32_t g = ByteToInt(f[0], 2, true);
  SetAttribute(s.cur.lg, s.initial.lg, s.unmet.lg, g);
  if (f.count >= 2) SetAt(s.groupValues, g, Int(f, 1));
  s.cur.inPolyline = false;
}

void ReadLayer(Store& s, const FieldList& f) {
  const std::int32_t l = ByteToInt(f[0], 2, true);
  SetAttribute(s.cur.ly, s.initial.ly, s.unmet.ly, l);
  if (f.count >= 2) SetAt(s.layerValues, s.cur.lg * 16 + l, Int(f, 1));
  s.cur.inPolyline = false;
}

void ReadCharKind(Store& s, const FieldList& f) {
  const std::int32_t k = TextToInt(f[0].substr(2));
  const bool freeSize = k == 0 && f.count >= 5;
  if (s.unmet.ckind) {
    s.initial.ckind = k;
    if (freeSize) {
      s.initial.freeWidth = Real(f, 1);
      s.initial.freeHeight = Real(f, 2);
      s.initial.freeSpacing = Real(f, 3);
      s.initial.freeColor = Int(f, 4);
    }
    s.unmet.ckind = false;
  }
  s.cur.ckind = k;
  if (freeSize) {
    s.cur.freeWidth = Real(f, 1);
    s.cur.freeHeight = Real(f, 2);
    s.cur.freeSpacing = Real(f, 3);
    s.cur.freeColor = Int(f, 4);
  }
  s.cur.inPolyline = false;
}

template <std::size_t N>
void ReadReals(const FieldList& f, std::array<double, N>& to, std::size_t first, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) to[first + i] = Real(f, 1 + i);
}

bool ReadHeader(Store& s, const FieldList& f, std::string_view k) {
  const std::size_t n = f.count;
  if (k == "hk") {
    if (n < 2) return false;
    s.hk = Real(f, 1);
  } else if (k == "hs") {
    if (n < 17) return false;
    ReadReals(f, s.groupScale, 0, 16);
  } else if (k == "hzs") {
    if (n < 3) return false;
    s.sheetW = Real(f, 1);
    s.sheetH = Real(f, 2);
  } else if (k.size() == 3 && k[1] == 'c' &&
             (k[2] == 'w' || k[2] == 'h' || k[2] == 'd' || k[2] == 'c')) {
    if (n < 11) return false;
    for (std::size_t i = 1; i <= 10; ++i) {
      TJwwCharKind& ck = s.charKinds[i];
      switch (k[2]) {
        case 'w': ck.width = Real(f, i); break;
        case 'h': ck.height = Real(f, i); break;
        case 'd': ck.spacing = Real(f, i); break;
        default: ck.color = Int(f, i); break;
      }
    }
  } else if (k == "hn") {
    if (n < 5) return false;
    ReadReals(f, s.hn, 0, 4);
  } else if (k.starts_with("hp")) {
    if (n < 3) return false;
    ReadHp(s, f);
  } else if (k.starts_with("hhp")) {
    ReadHhp(s, k);
  } else {
    return false;
  }
  return true;
}

bool ReadL(Store& s, const FieldList& f, std::string_view k) {
  if (k.starts_with("lgn")) {
    SetAt(s.groupNames, s.cur.lg, std::string(k.substr(3)));
  } else if (k.starts_with("lyn")) {
    SetAt(s.layerNames, s.cur.lg * 16 + s.cur.ly, std::string(k.substr(3)));
  } else if (k.starts_with("lg")) {
    ReadLayerGroup(s, f);
  } else if (k.starts_with("ly")) {
    ReadLayer(s, f);
  } else if (k.starts_with("lc")) {
    const std::int32_t c = TextToInt(k.substr(2));
    SetAttribute(s.cur.color, s.initial.color, s.unmet.color, c);
    if (c == 10 && f.count >= 2) s.cur.solidColor = Int(f, 1);
    s.cur.inPolyline = false;
  } else if (k.starts_with("lt")) {
    SetAttribute(s.cur.ltype, s.initial.ltype, s.unmet.ltype, TextToInt(k.substr(2)));
    s.cur.inPolyline = false;
  } else if (k.starts_with("lw")) {
    SetAttribute(s.cur.lwidth, s.initial.lwidth, s.unmet.lwidth, TextToInt(k.substr(2)));
    s.cur.lwGiven = true;
    s.cur.inPolyline = false;
  } else {
    return false;
  }
  return true;
}

bool ReadC(Store& s, const FieldList& f, std::string_view k) {
  const std::size_t n = f.count;
  if (k.starts_with("cn$")) {
    s.cur.font.assign(k.substr(3));
    if (s.initial.font.empty()) s.initial.font = s.cur.font;
    s.cur.inPolyline = false;
  } else if (k.starts_with("cn")) {
    ReadCharKind(s, f);
  } else if (k.starts_with("cc")) {
    const std::int32_t cc = ByteToInt(k, 2, false);
    s.cur.cc = cc >= 0 && cc <= 8 ? cc : 0;
    s.cur.inPolyline = false;
  } else if (k == "ci") {
    if (n == 4) {
      TJwwEntCircle& c = AddFigure(s, s.circles, kJwwCircle);
      c.cx = Real(f, 1);
      c.cy = Real(f, 2);
      c.r = Real(f, 3);
    } else if (n >= 8) {
      TJwwEntArc& a = AddFigure(s, s.arcs, kJwwArc);
      a.cx = Real(f, 1);
      a.cy = Real(f, 2);
      a.r = Real(f, 3);
      a.start = Real(f, 4);
      a.end = Real(f, 5);
      a.flat = Real(f, 6);
      a.tilt = Real(f, 7);
    } else {
      return false;
    }
    EndKeywordFigure(s);
  } else if (k.size() == 2 && TextCode(k[1]) >= 0) {
    if (n < 6) return false;
    ReadText(s, f, TextCode(k[1]));
  } else {
    return false;
  }
  return true;
}

bool ReadP(Store& s, const FieldList& f, std::string_view k) {
  if (k.starts_with("pn")) {
    s.cur.pointColor = TextToInt(k.substr(2));
    s.cur.inPolyline = false;
  } else if (k == "pl") {
    ++s.cur.plCounter;
    s.cur.inPolyline = true;
    s.cur.msgMode = false;
  } else if (k == "pt") {
    if (f.count == 3) {
      TJwwEntPoint& pt = AddFigure(s, s.points, kJwwPoint);
      pt.attr.color = s.cur.pointColor;
      pt.x = Real(f, 1);
      pt.y = Real(f, 2);
    } else if (f.count >= 6) {
      TJwwEntPointEx& pt = AddFigure(s, s.pointExs, kJwwPointEx);
      pt.attr.color = s.cur.pointColor;
      pt.x = Real(f, 1);
      pt.y = Real(f, 2);
      pt.v1 = Real(f, 3);
      pt.v2 = Real(f, 4);
      pt.code = Int(f, 5);
    } else {
      return false;
    }
    EndKeywordFigure(s);
  } else {
    return false;
  }
  return true;
}

bool ReadS(Store& s, const FieldList& f, std::string_view k) {
  if (k.size() != 2) return false;
  const std::size_t n = f.count;
  switch (k[1]) {
    case 'l':
      if (n != 5 && n != 7 && n < 9) return false;
      ReadSolid(s, f);
      return true;
    case 'c':
    case 'e': {
      if (n < 9) return false;
      TJwwEntSc& r = k[1] == 'c' ? AddFigure(s, s.scs, kJwwSc) : AddFigure(s, s.ses, kJwwSe);
      r.scolor = s.cur.solidColor;
      ReadReals(f, r.v, 0, 7);
      r.code = Int(f, 8);
      EndKeywordFigure(s);
      return true;
    }
    case 'o':
    case 'g': {
      if (n < 9) return false;
      TJwwEntSo& r = k[1] == 'o' ? AddFigure(s, s.sos, kJwwSo) : AddFigure(s, s.sgs, kJwwSg);
      r.scolor = s.cur.solidColor;
      ReadReals(f, r.v, 0, 8);
      EndKeywordFigure(s);
      return true;
    }
    default:
      return false;
  }
}

// The keyword rows; false when no row takes the line.
bool ReadKeyword(Store& s, const FieldList& f, std::string_view k) {
  switch (k[0]) {
    case 'h':
      return ReadHeader(s, f, k);
    case 'b':
      if (k != "bz") return false;
      s.bz = true;
      return true;
    case 'l':
      return ReadL(s, f, k);
    case 'c':
      return ReadC(s, f, k);
    case 'z':
      if (k.size() != 2 || k[1] < '1' || k[1] > '5') return false;
      s.cur.zflags |= 1 << (k[1] - '1');
      return true;
    case 'p':
      return ReadP(s, f, k);
    case 'm':
      if (k != "msg") return false;
      s.cur.msgMode = true;
      s.cur.inPolyline = false;
      return true;
    case '#':
      if (k.size() != 1) return false;
      s.cur.inPolyline = false;
      s.cur.msgMode = false;
      return true;
    case 'B': {
      if (k != "BL" || f.count < 4) return false;
      TJwwEntBlk& b = AddFigure(s, s.blocks, kJwwBlock);
      b.x = Real(f, 1);
      b.y = Real(f, 2);
      b.name.assign(f[3]);
      EndKeywordFigure(s);
      return true;
    }
    case 's':
      return ReadS(s, f, k);
    default:
      return false;
  }
}

// Any other line of four fields is a line segment; in message mode it only
// replaces the line that the next message text carries.
void ReadFourNumbers(Store& s, const FieldList& f) {
  if (s.cur.msgMode) {
    TJwwEntLine& m = s.pendingMsgLine;
    JwwSetAttr(s, m.attr);
    m.plgroup = 0;
    m.x1 = Real(f, 0);
    m.y1 = Real(f, 1);
    m.x2 = Real(f, 2);
    m.y2 = Real(f, 3);
  } else {
    TJwwEntLine& l = AddFigure(s, s.lines, kJwwLine);
    l.plgroup = s.cur.inPolyline ? s.cur.plCounter : 0;
    l.x1 = Real(f, 0);
    l.y1 = Real(f, 1);
    l.x2 = Real(f, 2);
    l.y2 = Real(f, 3);
  }
  EndFigure(s);
}

void ReadFields(Store& s, const FieldList& f) {
  const std::string_view k = f[0];
  if (k.size() >= 5 && k.find("file=") != std::string_view::npos) {
    s.fileName.assign(k.substr(5));
    return;
  }
  if (!k.empty() && ReadKeyword(s, f, k)) return;
  if (f.count == 4) ReadFourNumbers(s, f);
}

// Table growth while a whole input is read. Doubling alone would leave up to
// half of every table unused and copy it on every step; instead, once a fair
// part of the input has been read, a table that runs short is given room for
// the share of the input still to come, so the big tables end close to their
// final size after a step or two.
class TableGrowth {
 public:
  // Every line adds at most one record, so a table with kBatch free places
  // cannot run short during the next kBatch lines.
  static constexpr std::size_t kBatch = 64;

  explicit TableGrowth(std::size_t total) : total_(total) {}

  void Check(Store& s, std::size_t done) {
    if (++lines_ < kBatch) return;
    lines_ = 0;
    EnsureAll(s, done, false);
  }

  // Gives back the room a projection left over.
  void Trim(Store& s) { EnsureAll(s, total_, true); }

 private:
  void EnsureAll(Store& s, std::size_t done, bool trim) {
    Ensure(s.order, done, trim);
    JwwVisitTables(s, [&](auto, auto& table) { Ensure(table, done, trim); });
  }

  template <typename T>
  void Ensure(std::vector<T>& table, std::size_t done, bool trim) {
    const std::size_t n = table.size();
    const std::size_t cap = table.capacity();
    if (trim) {
      if (cap - n > n / 32 + kBatch) table.shrink_to_fit();
      return;
    }
    if (cap - n >= kBatch) return;
    std::size_t want = std::max(n * 2, n + 4 * kBatch);
    if (done >= kSample && done < total_) {
      // Figures need at least a few bytes each, which bounds any projection.
      const double projected = static_cast<double>(n) * static_cast<double>(total_) /
                               static_cast<double>(done) * 1.02;
      const double bound = static_cast<double>(n + (total_ - done) / 4);
      want = static_cast<std::size_t>(std::min(projected, bound)) + 4 * kBatch;
    }
    try {
      table.reserve(want);
    } catch (const std::bad_alloc&) {
      // The room was only a guess; the next append asks for what it needs.
    }
  }

  static constexpr std::size_t kSample = std::size_t{1} << 20;
  std::size_t total_;
  std::size_t lines_ = 0;
};

// Cuts a byte stream into lines and reads each. Lines end at LF (a CR just
// before it belongs to the line end); a Ctrl-Z ends the file. A line may run
// across any number of blocks: its pieces are gathered in carry_.
class LineReader {
 public:
  // total: the expected size of the whole input, for the table growth.
  LineReader(Store& s, std::size_t total) : s_(s), growth_(total) {}

  void Feed(std::string_view block) {
    // An empty block may come with a null pointer, which memchr must not see.
    if (ended_ || block.empty()) return;
    const char* p = block.data();
    const char* end = p + block.size();
    const std::size_t blockStart = fed_;
    fed_ += block.size();
    if (const void* z = std::memchr(p, 0x1A, block.size())) {
      end = static_cast<const char*>(z);
      ended_ = true;
    }
    if (!carry_.empty()) {
      const auto* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
      if (lf == nullptr) {
        carry_.append(p, end);
        p = end;
      } else {
        carry_.append(p, lf);
        Line(carry_, blockStart + (lf - block.data()));
        carry_.clear();
        p = lf + 1;
      }
    }
    while (p < end) {
      const auto* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
      if (lf == nullptr) {
        carry_.assign(p, end);
        break;
      }
      Line(std::string_view(p, lf - p), blockStart + (lf - block.data()));
      p = lf + 1;
    }
    if (ended_) FlushCarry();
  }

  // The end of the input: a last line without a line end is read too.
  void Finish() {
    if (!ended_) FlushCarry();
    ended_ = true;
    growth_.Trim(s_);
  }

 private:
  void FlushCarry() {
    if (!carry_.empty()) Line(carry_, fed_);
    std::string().swap(carry_);
  }

  void Line(std::string_view line, std::size_t done) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // A CR that does not end the line is dropped before the line is split,
    // so it cannot become the second byte of a double-byte character.
    if (std::memchr(line.data(), '\r', line.size()) != nullptr) {
      crFree_.clear();
      for (char c : line) {
        if (c != '\r') crFree_.push_back(c);
      }
      line = crFree_;
    }
    if (line.empty()) return;
    growth_.Check(s_, done);
    if (splitter_.Split(line, fields_)) ReadFields(s_, fields_);
  }

  Store& s_;
  TableGrowth growth_;
  bool ended_ = false;
  std::size_t fed_ = 0;
  std::string carry_;
  std::string crFree_;
  FieldSplitter splitter_;
  FieldList fields_;
};

}  // namespace

void JwwReadLine(Store& s, std::string_view line) {
  if (line.empty()) return;
  FieldSplitter splitter;
  FieldList fields;
  if (splitter.Split(line, fields)) ReadFields(s, fields);
}

void JwwReadBuffer(Store& s, std::string_view bytes) {
  LineReader reader(s, bytes.size());
  reader.Feed(bytes);
  reader.Finish();
}

bool JwwReadFile(Store& s, const std::filesystem::path& path) {
  if (!FileExists(path)) return false;
  // Whatever fails part-way (a read error, exhausted memory) ends the read;
  // the figures read before it stay, and false tells the caller the store
  // does not hold the whole file.
  try {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    LineReader reader(s, ec ? 0 : static_cast<std::size_t>(size));
    const ReadStatus status =
        ReadFileBlocks(path, [&reader](std::string_view block) { reader.Feed(block); });
    if (status != ReadStatus::kOk) return false;
    reader.Finish();
    return true;
  } catch (...) {
    return false;
  }
}
