// Read → write → read → write ... The first write normalises: numbers to
// 15 digits, texts and lines cut, figures that the rounding made degenerate
// dropped by the next write. So from the second write on, the figure lines
// must come out byte for byte the same, and the whole output must settle
// within a few passes.
//
// The attribute lines may take longer to settle, and that is not a fault: a
// dropped figure leaves its attribute lines behind, the next reading takes the
// first layer group it meets as the initial one, and the closing lines of the
// following write name that layer group again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "exchange/output_pass.h"
#include "exchange/reader.h"
#include "exchange/store.h"
#include "exchange/writer.h"
#include "fuzz/store_checks.h"

namespace q527 {

namespace {

std::string Pass(std::string_view input) {
  Store s;
  JwwInit(s);
  JwwReadBuffer(s, input);
  fuzz::CheckReadStore(s);
  TJwwWriter w(s);
  JwwWriteStart(w);
  JwwAddOut(w, "hd");
  JwwWriteAll(s, w);
  fuzz::CheckOutputLines(w.lines.bytes, w.lines.count);
  fuzz::Require(w.lines.bytes.rfind("hd\r\n", 0) == 0, "output does not start with hd");
  return w.lines.bytes;
}

void ShowDifference(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  const std::size_t from = a.rfind('\n', i) == std::string::npos ? 0 : a.rfind('\n', i) + 1;
  std::fprintf(stderr, "one write:\n%.*s\nthe next:\n%.*s\n",
               static_cast<int>(std::min<std::size_t>(200, a.size() - from)), a.data() + from,
               static_cast<int>(std::min<std::size_t>(200, b.size() - std::min(from, b.size()))),
               b.data() + std::min(from, b.size()));
}

// Attribute lines are written only on change, so they depend on what came
// before, and z lines may move to the next figure when theirs is dropped;
// everything else is a figure's own line. The line comes without its CR LF.
bool IsAttributeLine(std::string_view line) {
  static constexpr std::string_view kPrefixes[] = {"lg", "ly", "lc", "lt", "lw", "cn", "cc", "pn"};
  for (std::string_view p : kPrefixes) {
    if (line.substr(0, 2) == p) return true;
  }
  return line.size() == 2 && line[0] == 'z' && line[1] >= '1' && line[1] <= '5';
}

std::string FigureLines(std::string_view out) {
  std::string figures;
  std::size_t start = 0;
  while (start < out.size()) {
    const std::size_t lf = out.find('\n', start);
    const std::string_view line = out.substr(start, lf + 1 - start);
    if (!IsAttributeLine(line.substr(0, line.size() - 2))) figures += line;
    start = lf + 1;
  }
  return figures;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string first = Pass(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string previous = Pass(first);
  std::string next = Pass(previous);
  const std::string a = FigureLines(previous), b = FigureLines(next);
  if (a != b) {
    ShowDifference(a, b);
    fuzz::Fail("the figure lines changed when written output was read and written again");
  }
  for (int pass = 3; previous != next; ++pass) {
    if (pass == 6) {
      ShowDifference(previous, next);
      fuzz::Fail("writing what was written and read back does not settle");
    }
    previous = std::move(next);
    next = Pass(previous);
  }
  return 0;
}

}  // namespace q527
