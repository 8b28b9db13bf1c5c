#include "exchange/read_pieces.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "common/myfunc.h"
#include "common/ordered_work.h"

namespace q527 {

namespace {

// Pieces given to the threads ahead of the one being read, per thread.
constexpr std::size_t kPiecesPerThread = 3;

// A line as its piece holds it: where its fields and their values start in
// the piece's lists, and how many there are (0: a line of blanks, which the
// table growth counts but nothing reads).
struct PreparedLine {
  std::size_t done = 0;  // for the table growth: see ForEachLine
  std::uint32_t first = 0;
  std::uint32_t known = 0;  // which fields have their value in reals
  std::uint8_t count = 0;   // FieldList::count, kMaxFields + 1 included
};

// A piece's lines, split. The fields are views into bytes, or into copied
// for those the splitter had to gather (a quote or a control byte in the
// middle, a CR dropped): both are fixed in size before the first view is
// taken, so no view ever moves.
struct Piece {
  std::vector<char> bytes;
  std::unique_ptr<char[]> copied;
  std::size_t copiedSize = 0, copiedUsed = 0;
  std::vector<PreparedLine> lines;
  std::vector<std::string_view> fields;
  std::vector<double> reals;
};

// A field whose value a handler may read as a real: only such fields are
// read ahead. The rest read themselves when a handler asks.
bool MayBeReal(std::string_view field) {
  if (field.empty()) return false;
  const char c = field[0];
  return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+';
}

// Copies a field that lies outside the piece's bytes into copied. Each line
// gives at most its own length there (its fields are parts of it), so the
// piece's size is room for all.
std::string_view Keep(Piece& piece, std::string_view field) {
  if (field.empty()) return {};
  const char* begin = piece.bytes.data();
  const std::less_equal<const char*> atMost;
  if (atMost(begin, field.data()) && atMost(field.data() + field.size(), begin + piece.bytes.size())) {
    return field;
  }
  if (piece.copiedSize < piece.bytes.size()) {
    piece.copied = std::make_unique_for_overwrite<char[]>(piece.bytes.size());
    piece.copiedSize = piece.bytes.size();
  }
  char* to = piece.copied.get() + piece.copiedUsed;
  std::copy(field.begin(), field.end(), to);
  piece.copiedUsed += field.size();
  return {to, field.size()};
}

void Prepare(Piece& piece, std::size_t start, std::size_t tailDone) {
  const std::string_view run(piece.bytes.data(), piece.bytes.size());
  // Lines are some 40 bytes and 5 fields; the guess only saves regrowing.
  piece.lines.reserve(run.size() / 32 + 1);
  piece.fields.reserve(run.size() / 6 + 1);
  piece.reals.reserve(run.size() / 6 + 1);
  FieldSplitter splitter;
  FieldList f;
  std::string crFree;
  ForEachLine(run, start, tailDone, crFree, [&](std::string_view line, std::size_t done) {
    PreparedLine& l = piece.lines.emplace_back();
    l.done = done;
    l.first = static_cast<std::uint32_t>(piece.fields.size());
    if (!splitter.Split(line, f)) return;
    l.count = static_cast<std::uint8_t>(f.count);
    const std::size_t n = std::min(f.count, kMaxFields);
    for (std::size_t i = 0; i < n; ++i) {
      const std::string_view field = Keep(piece, f.field[i]);
      piece.fields.push_back(field);
      if (MayBeReal(field)) {
        piece.reals.push_back(TextToFloat(field));
        l.known |= std::uint32_t{1} << i;
      } else {
        piece.reals.push_back(0.0);
      }
    }
  });
}

}  // namespace

struct PieceReader::Work {
  Work(Store& store, FieldsReader reader, std::size_t total, std::size_t threads,
       std::size_t bytes)
      : s(store), read(reader), growth(total), window(threads * kPiecesPerThread),
        pieceBytes(std::max<std::size_t>(bytes, 1)), pool(threads) {}

  void Give(std::string_view run, std::size_t start, std::size_t tailDone) {
    std::shared_ptr<Piece> piece = Recycled();
    piece->bytes.assign(run.begin(), run.end());
    // Numbers read alike on every thread: OrderedWork runs the jobs with
    // this thread's x87 rounding.
    pool.Give([piece, start, tailDone](std::size_t) {
      Prepare(*piece, start, tailDone);
      return piece;
    });
    while (pool.Waiting() >= window) ReadNext();
  }

  void Drain() {
    while (pool.Waiting() > 0) ReadNext();
  }

  // A piece read before, its lists emptied but their room kept: the pieces
  // in flight then stay in the same memory, warm in the caches.
  std::shared_ptr<Piece> Recycled() {
    if (spare.empty()) return std::make_shared<Piece>();
    std::shared_ptr<Piece> piece = std::move(spare.back());
    spare.pop_back();
    piece->copiedUsed = 0;
    piece->lines.clear();
    piece->fields.clear();
    piece->reals.clear();
    return piece;
  }

  void ReadNext() {
    std::shared_ptr<Piece> piece = pool.TakeNext();
    ReadPiece(*piece);
    spare.push_back(std::move(piece));
  }

  // The one-thread reader's steps for each line, on the prepared fields.
  void ReadPiece(const Piece& piece) {
    for (const PreparedLine& l : piece.lines) {
      growth.Check(s, l.done);
      if (l.count == 0) continue;
      const std::size_t n = std::min<std::size_t>(l.count, kMaxFields);
      std::copy_n(piece.fields.begin() + l.first, n, fields.field.begin());
      fields.count = l.count;
      fields.reals = piece.reals.data() + l.first;
      fields.realsKnown = l.known;
      read(s, fields);
    }
  }

  Store& s;
  FieldsReader read;
  TableGrowth growth;
  std::size_t window;
  std::size_t pieceBytes;
  FieldList fields;
  std::vector<std::shared_ptr<Piece>> spare;
  OrderedWork<std::shared_ptr<Piece>> pool;  // last: its threads stop first
};

PieceReader::PieceReader(Store& s, FieldsReader read, std::size_t total, std::size_t threads,
                         std::size_t pieceBytes)
    : work_(std::make_unique<Work>(s, read, total, std::max<std::size_t>(threads, 1), pieceBytes)),
      cutter_(*this) {}

PieceReader::~PieceReader() = default;

void PieceReader::Feed(std::string_view block) { cutter_.Feed(block); }

void PieceReader::Finish() {
  cutter_.Finish();
  work_->Drain();
  work_->growth.Trim(work_->s);
}

void PieceReader::Drain() { work_->Drain(); }

void PieceReader::Run(std::string_view run, std::size_t start, std::size_t tailDone) {
  while (!run.empty()) {
    std::size_t cut = run.size();
    if (cut > work_->pieceBytes) {
      const std::size_t lf = run.find('\n', work_->pieceBytes - 1);
      if (lf != std::string_view::npos) cut = lf + 1;
    }
    work_->Give(run.substr(0, cut), start, tailDone);
    run.remove_prefix(cut);
    start += cut;
  }
}

}  // namespace q527
