// The driver's command line: what it asks for and the usage text. Reading
// it prints nothing; the driver says what is to be said.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/restore.h"
#include "polygon/plan.h"

namespace q527 {

struct Options {
  std::string input = "JWC_TEMP.TXT";
  std::string output;  // empty: replace the input
  std::string divisions;
  bool haveDivisions = false;
  bool circle = true, arc = true, solid = true;
  bool haveKinds = false;
  bool counts = false;
  bool cancel = false;
  bool quiet = false;
  std::string settings;
  std::string svg;       // empty: no picture
  PolygonPolicy policy;  // planned when any of the polygon options is given
  // The way back instead of the conversion: --max-deviation and
  // --min-segments are its own then.
  bool restore = false;
  RestoreOptions restoreOptions;
  // Threads of the output pass; 0: the machine's cores.
  std::int32_t threads = 0;
};

// The most threads --threads takes.
inline constexpr std::int32_t kMostThreads = 256;

// What the command line asks for: a run with its options, the help or the
// version, or nothing because of a usage error (said in `error`, one line).
struct CommandLine {
  enum class Action { kRun, kHelp, kVersion, kUsageError };
  Action action = Action::kRun;
  Options options;
  std::string error;
};

CommandLine ParseCommandLine(int argc, char** argv);

// The help text, also shown after a usage error.
std::string_view UsageText();

}  // namespace q527
