// Invariants every store must keep whatever bytes were read, shared by the
// fuzz targets. A broken invariant aborts, which libFuzzer reports as a crash
// with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "exchange/store.h"

namespace q527 {

namespace fuzz {

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

inline void Require(bool ok, const char* what) {
  if (!ok) Fail(what);
}

inline void RequireLayer(const TJwwAttr& a) {
  Require(a.lg >= 0 && a.lg <= 15, "record layer group outside 0..15");
  Require(a.ly >= 0 && a.ly <= 15, "record layer outside 0..15");
}

// After reading (nothing converted yet): one order entry per record, each
// pointing at its own record, and every record on a real layer.
inline void CheckReadStore(const Store& s) {
  std::size_t perKind[16] = {};
  for (const TJwwOrder& o : s.order) {
    Require(o.kind >= 1 && o.kind <= 15, "order entry with a kind a reader never makes");
    Require(o.index >= 0 && static_cast<std::size_t>(o.index) < JwwTableCount(s, o.kind),
            "order entry points past its table");
    Require(static_cast<std::size_t>(o.index) == perKind[o.kind],
            "order entries of a kind out of reading order");
    ++perKind[o.kind];
  }
  for (std::int32_t k = 1; k <= 15; ++k) {
    Require(perKind[k] == JwwTableCount(s, k), "a record without its order entry");
  }
  for (const auto& r : s.lines) RequireLayer(r.attr);
  for (const auto& r : s.circles) RequireLayer(r.attr);
  for (const auto& r : s.arcs) RequireLayer(r.attr);
  for (const auto& r : s.texts) {
    RequireLayer(r.attr);
    Require(r.cc >= 0 && r.cc <= 8, "text cc value outside 0..8");
    Require(r.code >= 0 && r.code <= 9, "text keyword code outside 0..9");
  }
  for (const auto& r : s.msgs) {
    RequireLayer(r.attr);
    Require(r.line.plgroup == 0, "message line in a polyline group");
  }
  for (const auto& r : s.solid2s) RequireLayer(r.attr);
  for (const auto& r : s.ses) RequireLayer(r.attr);
  for (const auto& r : s.lines) Require(r.plgroup >= 0, "negative polyline group");
}

// The output list as the file will hold it: CR LF after every line, and no
// CR or LF inside a line (the host would see extra or cut lines). A NUL may
// stand inside a text as the second byte of a double-byte character.
inline void CheckOutputLines(std::string_view bytes, std::size_t count) {
  std::size_t lines = 0;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t lf = bytes.find('\n', start);
    Require(lf != std::string_view::npos, "output line without its LF");
    Require(lf > start && bytes[lf - 1] == '\r', "output line without CR before LF");
    const std::string_view body = bytes.substr(start, lf - 1 - start);
    Require(body.find('\r') == std::string_view::npos, "CR inside an output line");
    ++lines;
    start = lf + 1;
  }
  Require(lines == count, "output line count differs from the lines in the buffer");
}

}  // namespace fuzz

}  // namespace q527
