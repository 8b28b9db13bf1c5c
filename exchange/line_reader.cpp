#include "exchange/line_reader.h"

#include <algorithm>
#include <new>

namespace q527 {

void TableGrowth::EnsureAll(Store& s, std::size_t done, bool trim) {
  Ensure(s.order, done, trim);
  JwwVisitTables(s, [&](auto, auto& table) { Ensure(table, done, trim); });
}

template <typename T>
void TableGrowth::Ensure(std::vector<T>& table, std::size_t done, bool trim) {
  const std::size_t n = table.size();
  const std::size_t cap = table.capacity();
  if (trim) {
    // Shrinking copies the table into new room while the old is still held,
    // twice the table at once, to give back room that was never touched: it
    // is worth it only when the projection overshot by much.
    if (cap - n > n / 16 + kBatch) table.shrink_to_fit();
    return;
  }
  if (cap - n >= kBatch) return;
  std::size_t want = std::max(n * 2, n + 4 * kBatch);
  if (done >= kSample && done < total_) {
    // Figures need at least a few bytes each, which bounds any projection.
    const double projected =
        static_cast<double>(n) * static_cast<double>(total_) / static_cast<double>(done) * 1.02;
    const double bound = static_cast<double>(n + (total_ - done) / 4);
    want = static_cast<std::size_t>(std::min(projected, bound)) + 4 * kBatch;
  }
  try {
    table.reserve(want);
  } catch (const std::bad_alloc&) {
    // The room was only a guess; the next append asks for what it needs.
  }
}

}  // namespace q527
