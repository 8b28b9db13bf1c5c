// The reader's line handlers, one per keyword row of the reader's table, and
// the steps they share: field values, appending a figure with the current
// attributes, and ending a figure.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "common/myfunc.h"
#include "exchange/fields.h"
#include "exchange/store.h"

namespace q527 {

inline double Real(const FieldList& f, std::size_t i) {
  if (i < kMaxFields && ((f.realsKnown >> i) & 1U) != 0) return f.reals[i];
  return TextToFloat(f[i]);
}
inline std::int32_t Int(const FieldList& f, std::size_t i) { return TextToInt(f[i]); }

// Converts a single byte of field 0 ("lg", "ly", "cc" take one character).
inline std::int32_t ByteToInt(std::string_view field, std::size_t pos, bool hex) {
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
inline void EndFigure(Store& s) {
  s.cur.zflags = 0;
  s.cur.hhp = 0;
}

// A keyword figure also ends a polyline and message mode.
inline void EndKeywordFigure(Store& s) {
  EndFigure(s);
  s.cur.inPolyline = false;
  s.cur.msgMode = false;
}

template <std::size_t N>
void ReadReals(const FieldList& f, std::array<double, N>& to, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) to[i] = Real(f, 1 + i);
}

// A keyword line's handler: arg is the value its row gives (a keyword code,
// a kind, a flag). False when the line's fields do not fit the keyword; the
// line is then read as any other line.
using LineHandler = bool (*)(Store& s, const FieldList& f, std::int32_t arg);

// The figure keywords.
bool ReadSolid(Store& s, const FieldList& f, std::int32_t);
bool ReadText(Store& s, const FieldList& f, std::int32_t code);
bool ReadCircle(Store& s, const FieldList& f, std::int32_t);
bool ReadPoint(Store& s, const FieldList& f, std::int32_t);
bool ReadBlock(Store& s, const FieldList& f, std::int32_t);
bool ReadSevenReals(Store& s, const FieldList& f, std::int32_t kind);
bool ReadEightReals(Store& s, const FieldList& f, std::int32_t kind);

// The header, attribute and mode keywords.
bool ReadHp(Store& s, const FieldList& f, std::int32_t);
bool ReadHhp(Store& s, const FieldList& f, std::int32_t);
bool ReadLayerGroup(Store& s, const FieldList& f, std::int32_t);
bool ReadLayer(Store& s, const FieldList& f, std::int32_t);
bool ReadCharKind(Store& s, const FieldList& f, std::int32_t);
bool ReadHk(Store& s, const FieldList& f, std::int32_t);
bool ReadHs(Store& s, const FieldList& f, std::int32_t);
bool ReadHzs(Store& s, const FieldList& f, std::int32_t);
bool ReadCharKindValues(Store& s, const FieldList& f, std::int32_t which);
bool ReadHn(Store& s, const FieldList& f, std::int32_t);
bool ReadBz(Store& s, const FieldList& f, std::int32_t);
bool ReadGroupName(Store& s, const FieldList& f, std::int32_t);
bool ReadLayerName(Store& s, const FieldList& f, std::int32_t);
bool ReadLc(Store& s, const FieldList& f, std::int32_t);
bool ReadLt(Store& s, const FieldList& f, std::int32_t);
bool ReadLw(Store& s, const FieldList& f, std::int32_t);
bool ReadFont(Store& s, const FieldList& f, std::int32_t);
bool ReadCc(Store& s, const FieldList& f, std::int32_t);
bool ReadPn(Store& s, const FieldList& f, std::int32_t);
bool ReadPl(Store& s, const FieldList& f, std::int32_t);
bool ReadMsg(Store& s, const FieldList& f, std::int32_t);
bool ReadHash(Store& s, const FieldList& f, std::int32_t);
bool ReadZ(Store& s, const FieldList& f, std::int32_t bit);

}  // namespace q527
