// The reader on arbitrary bytes: the whole image at once, the same bytes
// handed over line by line, and in blocks and pieces on two threads. All
// must keep the store's invariants; the threads must build the figures of
// the whole image, and so must the lines without a Ctrl-Z (which ends the
// image early).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "exchange/reader.h"
#include "exchange/store.h"
#include "fuzz/store_checks.h"

namespace q527 {

namespace {

void SameFigures(const Store& a, const Store& b) {
  fuzz::Require(a.order.size() == b.order.size(), "line-by-line reading made other figures");
  for (std::size_t i = 0; i < a.order.size(); ++i) {
    fuzz::Require(a.order[i].kind == b.order[i].kind && a.order[i].index == b.order[i].index,
                  "line-by-line reading made figures in another order");
  }
  for (std::int32_t k = 1; k <= 15; ++k) {
    fuzz::Require(JwwTableCount(a, k) == JwwTableCount(b, k),
                  "line-by-line reading filled the tables differently");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  Store whole;
  JwwInit(whole);
  JwwReadBuffer(whole, bytes);
  fuzz::CheckReadStore(whole);

  // Lines split at LF with every CR removed, as the file reader does (a CR
  // before LF ends the line, a lone CR is dropped before the line is split,
  // so it never becomes the second byte of a double-byte character).
  Store byLine;
  JwwInit(byLine);
  std::string line;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t lf = bytes.find('\n', start);
    if (lf == std::string_view::npos) lf = bytes.size();
    line.clear();
    for (char c : bytes.substr(start, lf - start)) {
      if (c != '\r') line += c;
    }
    JwwReadLine(byLine, line);
    start = lf + 1;
  }
  fuzz::CheckReadStore(byLine);

  if (bytes.find('\x1a') == std::string_view::npos) SameFigures(whole, byLine);

  // On two threads, in blocks and pieces cut from the input's own bytes:
  // the same figures as the whole image, Ctrl-Z or not.
  if (size > 0) {
    Store cut;
    JwwInit(cut);
    JwwReadInBlocks(cut, bytes, 1 + data[0] % 97, 2, 1 + data[size - 1] % 61);
    fuzz::CheckReadStore(cut);
    SameFigures(whole, cut);
  }
  return 0;
}

}  // namespace q527
