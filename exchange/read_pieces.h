// Reading on several threads (q527-cli --threads): the input cut into pieces
// of whole lines, each piece split into fields and its numbers read on a
// thread of its own, and the pieces' lines then handed, in order and on the
// calling thread, to the same keyword table as on one thread.
//
// What a line means depends on the lines before it (the current attributes,
// polyline and message modes, the figure a z-flag belongs to), so only the
// part of the work that depends on the line alone is done ahead: cutting,
// splitting and the numbers, which are most of it. The store is the one the
// one-thread reader builds, table capacities included.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "exchange/line_reader.h"
#include "exchange/store.h"

namespace q527 {

// A piece is cut at the first line end after this many bytes.
inline constexpr std::size_t kReadPieceBytes = std::size_t{64} << 10;

class PieceReader {
 public:
  // total: the expected size of the whole input, for the table growth;
  // threads: those that prepare pieces (at least one), beside the caller's.
  PieceReader(Store& s, FieldsReader read, std::size_t total, std::size_t threads,
              std::size_t pieceBytes = kReadPieceBytes);
  ~PieceReader();
  PieceReader(const PieceReader&) = delete;
  PieceReader& operator=(const PieceReader&) = delete;

  void Feed(std::string_view block);
  // The end of the input: a last line without a line end is read too.
  void Finish();
  // Reads the whole lines fed so far and no more: the store then holds what
  // the one-thread reader holds when its input breaks off at the same place.
  void Drain();

  // From the cutter.
  void Run(std::string_view run, std::size_t start, std::size_t tailDone);

 private:
  struct Work;
  std::unique_ptr<Work> work_;
  LineCutter<PieceReader> cutter_;
};

}  // namespace q527
