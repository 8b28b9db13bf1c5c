#include "exchange/output_pass.h"

#include <cstddef>
#include <string>

#include "common/number_texts.h"
#include "exchange/output_entries.h"
#include "exchange/writer.h"

namespace q527 {

namespace {

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

std::size_t JwwCountedEntries(const Store& s) {
  if (s.polygons.empty()) return s.order.size();
  std::size_t n = 0;
  for (const TJwwOrder& e : s.order) n += output::CountedEntries(s, e);
  return n;
}

void JwwWriteAll(const Store& s, TJwwWriter& w, const TJwwOverrides& o, ProgressDisplay* progress,
                 EscapeKey* escape, std::size_t threads) {
  if (s.bz) JwwAddOut(w, "bz");

  // Progress counts a polygon's segments, as when each was an entry.
  const std::size_t n = JwwCountedEntries(s);
  std::size_t room = n < kReserveCap / kBytesPerEntry ? n * kBytesPerEntry : kReserveCap;
  if (w.lines.spill && room > w.lines.spillAt) room = w.lines.spillAt + kSpillSlack;
  w.lines.bytes.reserve(w.lines.bytes.size() + room + 64);
  const auto tick = [&](std::size_t i) {
    if (i % 100 != 0) return true;
    if (progress != nullptr) ShowProgress(*progress, i, n);
    return escape == nullptr || !escape->IsDown();
  };
  bool finished;
  if (threads > 1) {
    finished = output::WritePieces(s, w, o, threads, tick);
  } else {
    output::EntryWriter ew{s, w, o, nullptr, {}};
    finished = output::WriteEntries(ew, 0, s.order.size(), 0, tick);
  }
  if (!finished) JwwClearOut(w.lines);

  // The file ends by naming again the first layer group and layer it had.
  JwwOutLg(w, s.initial.lg);
  JwwOutLy(w, s.initial.ly);
}

}  // namespace q527
