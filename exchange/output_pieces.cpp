// The output pass on several threads: the order table cut into pieces, each
// piece's lines made on a thread of its own from the writer's memory as it
// stands at the piece's start, and the pieces' lines put together in order.
//
// The memory at each start comes from a pass over the entries' attribute
// blocks alone (what the attribute emitters would write, never a figure):
// a few comparisons an entry against the hundreds of instructions its
// numbers cost to format. Progress and Escape are looked at as the pieces
// are put together, at the same entries and with the same texts as on one
// thread, so the lines and the progress are those of the one thread.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "common/ordered_work.h"
#include "exchange/output_entries.h"

namespace q527::output {

namespace {

// Entries of the progress count per piece: some 200 KB of lines, so the
// pieces in flight stay a few megabytes while each is long enough that
// handing it over costs nothing to speak of.
constexpr std::size_t kPieceEntries = 4096;
// Pieces given to the threads ahead of the one being put together, per
// thread.
constexpr std::size_t kPiecesPerThread = 2;

// Where a piece lies: its entries, their place in the progress count, and
// the writer's memory at its start.
struct Cut {
  std::size_t first = 0, last = 0;
  std::size_t counted = 0, countedEnd = 0;
  TJwwWritten start;
};

struct Piece {
  std::string bytes;
  std::size_t count = 0;
};

// One thread's own: its polygon walk and vertices, kept from piece to piece.
struct WorkerState {
  std::unique_ptr<TJwwPolygonWalk> walk;
  std::vector<TJwwVertex> vertices;
};

Piece MakePiece(const Store& s, const TJwwOverrides& o, const Cut& cut, WorkerState& state) {
  TJwwWriter w(s);
  w.written = cut.start;
  w.lines.bytes.reserve(kPieceEntries * 64);
  EntryWriter ew{s, w, o, std::move(state.walk), std::move(state.vertices)};
  WriteEntries(ew, cut.first, cut.last, cut.counted, [](std::size_t) { return true; });
  state.walk = std::move(ew.walk);
  state.vertices = std::move(ew.vertices);
  return Piece{std::move(w.lines.bytes), w.lines.count};
}

// The cutting of the order table and the pass over its attribute blocks,
// one piece ahead of the threads.
class Cutter {
 public:
  Cutter(const Store& s, const TJwwOverrides& o, const TJwwWritten& start)
      : s_(s), scratch_(s), attrs_{s, scratch_, o, nullptr, {}} {
    scratch_.written = start;
  }
  bool Done() const { return next_ >= s_.order.size(); }
  Cut Next() {
    Cut cut{next_, next_, counted_, counted_, scratch_.written};
    while (cut.last < s_.order.size() && cut.countedEnd - cut.counted < kPieceEntries) {
      cut.countedEnd += CountedEntries(s_, s_.order[cut.last++]);
    }
    WriteEntriesAttrs(attrs_, cut.first, cut.last);
    scratch_.lines.bytes.clear();
    next_ = cut.last;
    counted_ = cut.countedEnd;
    return cut;
  }
  // The memory after every entry cut so far.
  const TJwwWritten& Written() const { return scratch_.written; }

 private:
  const Store& s_;
  TJwwWriter scratch_;
  EntryWriter attrs_;
  std::size_t next_ = 0, counted_ = 0;
};

// The writer's memory when the pass stops before entry `stop` of the
// progress count, inside the piece `cut`: its start and the attribute
// blocks of the entries begun before the stop.
TJwwWritten WrittenBefore(const Store& s, const TJwwOverrides& o, const Cut& cut,
                          std::size_t stop) {
  TJwwWriter w(s);
  w.written = cut.start;
  EntryWriter ew{s, w, o, nullptr, {}};
  std::size_t counted = cut.counted;
  for (std::size_t k = cut.first; k < cut.last && counted < stop; ++k) {
    WriteEntriesAttrs(ew, k, k + 1);
    counted += CountedEntries(s, s.order[k]);
  }
  return w.written;
}

}  // namespace

bool WritePieces(const Store& s, TJwwWriter& w, const TJwwOverrides& o, std::size_t threads,
                 const PieceProgress& tick) {
  std::vector<WorkerState> states(threads);
  Cutter cutter(s, o, w.written);
  std::deque<Cut> given;
  OrderedWork<Piece> work(threads);
  const auto give = [&] {
    given.push_back(cutter.Next());
    work.Give([&s, &o, &states, cut = given.back()](std::size_t worker) {
      return MakePiece(s, o, cut, states[worker]);
    });
  };
  while (!cutter.Done() && given.size() < threads * kPiecesPerThread) give();
  while (!given.empty()) {
    Piece piece = work.TakeNext();
    const Cut cut = given.front();
    given.pop_front();
    for (std::size_t i = (cut.counted + 99) / 100 * 100; i < cut.countedEnd; i += 100) {
      if (!tick(i)) {
        w.written = WrittenBefore(s, o, cut, i);
        return false;
      }
    }
    w.lines.bytes.append(piece.bytes);
    w.lines.count += piece.count;
    SpillIfDue(w);
    if (!cutter.Done()) give();
  }
  w.written = cutter.Written();
  return true;
}

}  // namespace q527::output
