#include "exchange/reader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>
#include <stdexcept>
#include <system_error>
#include <type_traits>

#include "exchange/file_io.h"
#include "exchange/line_handlers.h"
#include "exchange/line_reader.h"
#include "exchange/read_pieces.h"

namespace q527 {

namespace {

// The keyword table. A line is taken by the first row whose keyword its
// field 0 equals (kExact) or starts with (kPrefix). The row then needs the
// line to have at least `fields` fields (the keyword included), and its
// handler may still refuse the line by the count of its fields; a line no
// row takes is read as four numbers when it has four fields.
enum class Match : std::uint8_t { kExact, kPrefix };

struct KeywordRow {
  std::string_view keyword;
  Match match;
  std::uint8_t fields;
  LineHandler read;
  std::int32_t arg = 0;
};

constexpr Match kExact = Match::kExact;
constexpr Match kPrefix = Match::kPrefix;
constexpr const auto& kTexts = kJwwTextKeywords;

// Grouped by first byte, so that a line looks only at the rows of its own
// first byte; within a group a prefix comes before the shorter prefixes it
// starts with ("lgn" before "lg", "cn$" before "cn"), and the commonest
// figure first.
constexpr KeywordRow kKeywordRows[] = {
    {"ci", kExact, 1, ReadCircle},
    {kTexts[0], kExact, 6, ReadText, 0},
    {kTexts[1], kExact, 6, ReadText, 1},
    {kTexts[2], kExact, 6, ReadText, 2},
    {kTexts[3], kExact, 6, ReadText, 3},
    {kTexts[4], kExact, 6, ReadText, 4},
    {kTexts[5], kExact, 6, ReadText, 5},
    {kTexts[6], kExact, 6, ReadText, 6},
    {kTexts[7], kExact, 6, ReadText, 7},
    {kTexts[8], kExact, 6, ReadText, 8},
    {kTexts[9], kExact, 6, ReadText, 9},
    {"cn$", kPrefix, 1, ReadFont},
    {"cn", kPrefix, 1, ReadCharKind},
    {"cc", kPrefix, 1, ReadCc},
    {"sl", kExact, 1, ReadSolid},
    {"sc", kExact, 9, ReadSevenReals, kJwwSc},
    {"se", kExact, 9, ReadSevenReals, kJwwSe},
    {"so", kExact, 9, ReadEightReals, kJwwSo},
    {"sg", kExact, 9, ReadEightReals, kJwwSg},
    {"lc", kPrefix, 1, ReadLc},
    {"lgn", kPrefix, 1, ReadGroupName},
    {"lyn", kPrefix, 1, ReadLayerName},
    {"lg", kPrefix, 1, ReadLayerGroup},
    {"ly", kPrefix, 1, ReadLayer},
    {"lt", kPrefix, 1, ReadLt},
    {"lw", kPrefix, 1, ReadLw},
    {"pl", kExact, 1, ReadPl},
    {"pt", kExact, 1, ReadPoint},
    {"pn", kPrefix, 1, ReadPn},
    {"hk", kExact, 2, ReadHk},
    {"hs", kExact, 17, ReadHs},
    {"hzs", kExact, 3, ReadHzs},
    {"hcw", kExact, 11, ReadCharKindValues, 'w'},
    {"hch", kExact, 11, ReadCharKindValues, 'h'},
    {"hcd", kExact, 11, ReadCharKindValues, 'd'},
    {"hcc", kExact, 11, ReadCharKindValues, 'c'},
    {"hn", kExact, 5, ReadHn},
    {"hp", kPrefix, 3, ReadHp},
    {"hhp", kPrefix, 1, ReadHhp},
    {"z1", kExact, 1, ReadZ, 1},
    {"z2", kExact, 1, ReadZ, 2},
    {"z3", kExact, 1, ReadZ, 4},
    {"z4", kExact, 1, ReadZ, 8},
    {"z5", kExact, 1, ReadZ, 16},
    {"BL", kExact, 4, ReadBlock},
    {"bz", kExact, 1, ReadBz},
    {"msg", kExact, 1, ReadMsg},
    {"#", kExact, 1, ReadHash},
};

// For each first byte, the rows [begin, end) of its group.
struct RowRange {
  std::uint8_t begin = 0, end = 0;
};

constexpr std::size_t kRowCount = std::size(kKeywordRows);

constexpr std::array<RowRange, 256> kRowsByFirstByte = [] {
  std::array<RowRange, 256> ranges{};
  std::uint8_t i = 0;
  for (const KeywordRow& row : kKeywordRows) {
    RowRange& r = ranges[static_cast<unsigned char>(row.keyword[0])];
    if (r.begin == r.end) r.begin = i;
    // A group split in two would lose the rows before the split.
    if (r.end != 0 && r.end != i) throw "keyword rows of one first byte must stand together";
    r.end = ++i;
  }
  return ranges;
}();

// The first three bytes of a keyword as one number, the first in the low
// byte: a line's keyword is packed once and then matched against each row of
// its group with a mask and a compare.
constexpr std::uint32_t PackKeyword(std::string_view k) {
  std::uint32_t packed = 0;
  for (std::size_t i = 0; i < k.size() && i < 3; ++i) {
    packed |= std::uint32_t{static_cast<unsigned char>(k[i])} << (8 * i);
  }
  return packed;
}

struct RowKey {
  std::uint32_t bytes = 0, mask = 0;
  std::uint8_t size = 0;
};

constexpr std::array<RowKey, kRowCount> kRowKeys = [] {
  std::array<RowKey, kRowCount> keys{};
  for (std::size_t i = 0; i < kRowCount; ++i) {
    const std::string_view w = kKeywordRows[i].keyword;
    if (w.empty() || w.size() > 3) throw "keywords have one to three bytes";
    keys[i] = {PackKeyword(w), (std::uint32_t{1} << (8 * w.size())) - 1,
               static_cast<std::uint8_t>(w.size())};
  }
  return keys;
}();

// True when a row takes the line.
bool ReadKeyword(Store& s, const FieldList& f, std::string_view k) {
  const RowRange range = kRowsByFirstByte[static_cast<unsigned char>(k[0])];
  if (range.begin == range.end) return false;
  const std::uint32_t packed = PackKeyword(k);
  for (std::size_t i = range.begin; i < range.end; ++i) {
    const RowKey& key = kRowKeys[i];
    if ((packed & key.mask) != key.bytes) continue;
    const KeywordRow& row = kKeywordRows[i];
    if (row.match == kExact ? k.size() != key.size : k.size() < key.size) continue;
    return f.count >= row.fields && row.read(s, f, row.arg);
  }
  return false;
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

}  // namespace

void JwwReadLine(Store& s, std::string_view line) {
  if (line.empty()) return;
  FieldSplitter splitter;
  FieldList fields;
  if (splitter.Split(line, fields)) ReadFields(s, fields);
}

namespace {

// Reads the input that feed hands over in blocks (a status of ReadFileBlocks),
// on this thread alone or with others preparing its pieces.
template <typename Reader, typename Feed>
ReadStatus ReadWith(Reader& reader, const Feed& feed) {
  const ReadStatus status = feed([&](std::string_view block) { reader.Feed(block); });
  if (status == ReadStatus::kOk) {
    reader.Finish();
  } else if constexpr (std::is_same_v<Reader, PieceReader>) {
    reader.Drain();
  }
  return status;
}

template <typename Feed>
ReadStatus ReadBlocks(Store& s, std::size_t total, std::size_t threads, const Feed& feed,
                      std::size_t pieceBytes = kReadPieceBytes) {
  if (threads <= 1) {
    LineReader<ReadFields> reader(s, total);
    return ReadWith(reader, feed);
  }
  PieceReader reader(s, ReadFields, total, threads, pieceBytes);
  return ReadWith(reader, feed);
}

}  // namespace

void JwwReadBuffer(Store& s, std::string_view bytes, std::size_t threads) {
  (void)ReadBlocks(s, bytes.size(), threads, [bytes](const auto& sink) {
    sink(bytes);
    return ReadStatus::kOk;
  });
}

void JwwReadInBlocks(Store& s, std::string_view bytes, std::size_t blockBytes,
                     std::size_t threads, std::size_t pieceBytes) {
  const std::size_t step = blockBytes == 0 ? bytes.size() : blockBytes;
  const auto feed = [bytes, step](const auto& sink) {
    for (std::size_t at = 0; at < bytes.size(); at += step) sink(bytes.substr(at, step));
    return ReadStatus::kOk;
  };
  (void)ReadBlocks(s, bytes.size(), threads, feed, pieceBytes);
}

JwwReadStatus JwwReadFile(Store& s, const std::filesystem::path& path, std::size_t threads) {
  if (!FileExists(path)) return JwwReadStatus::kMissing;
  // Memory running out part-way ends the read; the figures read before it
  // stay, and the status tells the caller the store does not hold the whole
  // file. Anything else is no failure of the file and goes to the caller.
  try {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    const ReadStatus status =
        ReadBlocks(s, ec ? 0 : static_cast<std::size_t>(size), threads,
                   [&path](const auto& sink) { return ReadFileBlocks(path, sink); });
    if (status == ReadStatus::kOk) return JwwReadStatus::kComplete;
    // Missing now: gone since it was looked for.
    if (status == ReadStatus::kMissing) return JwwReadStatus::kMissing;
    // Opened but a read failed, even the first: the file is there and says
    // nothing whole, which the caller must not take for an empty drawing.
    return status == ReadStatus::kCannotOpen ? JwwReadStatus::kUnreadable : JwwReadStatus::kPartial;
  } catch (const std::bad_alloc&) {
    return JwwReadStatus::kPartial;
  } catch (const std::length_error&) {
    return JwwReadStatus::kPartial;  // a table past what a vector can hold
  }
}

}  // namespace q527
