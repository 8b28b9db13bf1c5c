// q527-gen: writes a deterministic exchange-file workload.
//
//   q527-gen [--seed S] --figures N [--malformed] [-o FILE]
//   q527-gen [--seed S] --circles C --arcs A --solids S [-o FILE]
//
// The same arguments give the same bytes on every machine, so benchmark
// figures taken on different days compare the same input.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "bench/workload.h"

using namespace q527;

namespace {

constexpr const char* kUsage =
    "usage: q527-gen [--seed S] --figures N [--malformed] [-o FILE]\n"
    "       q527-gen [--seed S] --circles C --arcs A --solids S [-o FILE]\n"
    "\n"
    "Writes an exchange file (Shift-JIS, CR LF) to FILE or standard output.\n"
    "  --figures N    a realistic drawing of N figures of every kind\n"
    "  --malformed    mix junk into it: bad field counts and numbers, lone lead\n"
    "                 bytes, NUL bytes, long lines, lone CR, a late Ctrl-Z\n"
    "  --circles C --arcs A --solids S\n"
    "                 a conversion workload: exactly C circles, A arcs/ellipses\n"
    "                 and S circular solids after a small header\n"
    "  --seed S       random seed (default 1)\n";

bool ParseCount(const char* text, long long& value) {
  const char* end = text + std::strlen(text);
  const auto res = std::from_chars(text, end, value);
  return res.ec == std::errc() && res.ptr == end && value >= 0;
}

int Fail(const char* message) {
  std::fprintf(stderr, "q527-gen: %s\n%s", message, kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long long seed = 1, figures = -1, circles = -1, arcs = -1, solids = -1;
  bool malformed = false;
  const char* outPath = nullptr;

  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto number = [&](long long& value) {
      if (i + 1 >= argc || !ParseCount(argv[i + 1], value)) return false;
      ++i;
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--seed") {
      if (!number(seed)) return Fail("--seed needs a number");
    } else if (arg == "--figures") {
      if (!number(figures)) return Fail("--figures needs a count");
    } else if (arg == "--circles") {
      if (!number(circles)) return Fail("--circles needs a count");
    } else if (arg == "--arcs") {
      if (!number(arcs)) return Fail("--arcs needs a count");
    } else if (arg == "--solids") {
      if (!number(solids)) return Fail("--solids needs a count");
    } else if (arg == "--malformed") {
      malformed = true;
    } else if (arg == "-o") {
      if (i + 1 >= argc) return Fail("-o needs a file");
      outPath = argv[++i];
    } else {
      return Fail("unknown argument");
    }
  }

  const bool conversion = circles >= 0 || arcs >= 0 || solids >= 0;
  if (conversion == (figures >= 0)) return Fail("give either --figures or the conversion counts");
  if (conversion && malformed) return Fail("--malformed goes with --figures");

  const auto s = static_cast<std::uint64_t>(seed);
  std::string bytes;
  if (conversion) {
    bytes = GenerateConversion(s, circles < 0 ? 0 : circles, arcs < 0 ? 0 : arcs,
                               solids < 0 ? 0 : solids);
  } else if (malformed) {
    bytes = GenerateMalformed(s, figures);
  } else {
    bytes = GenerateRealistic(s, figures);
  }

  std::FILE* f = outPath ? std::fopen(outPath, "wb") : stdout;
  if (!f) {
    std::perror(outPath);
    return 1;
  }
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = outPath ? std::fclose(f) == 0 : std::fflush(f) == 0;
  if (!ok || !closed) {
    std::perror(outPath ? outPath : "stdout");
    if (outPath) std::remove(outPath);
    return 1;
  }
  return 0;
}
