// q527-cli: the conversion without a window. It runs the same steps as the
// dialog (read, load settings, convert, output pass, write) on a file named
// on the command line, so tests, benchmarks and scripts drive the product
// through the code the user's OK button runs.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "cli/console.h"
#include "cli/utf8_paths.h"
#include "dialog/conversion.h"
#include "dialog/settings.h"
#include "exchange/reader.h"
#include "exchange/store.h"
#include "exchange/writer.h"

#ifndef Q527_VERSION
#define Q527_VERSION "0"
#endif

namespace {

constexpr std::string_view kUsage =
    "usage: q527-cli [-n TEXT] [-k LIST] [--counts] [--cancel] [--settings FILE]\n"
    "                [--max-deviation D] [--max-angle DEG] [--max-length L]\n"
    "                [--min-segments N] [--max-segments N] [--fit F]\n"
    "                [-o OUT] [-q] [FILE]\n"
    "\n"
    "Replaces circles, arcs/ellipses and circular solids of an exchange file by\n"
    "inscribed N-segment polygons, as the dialog's OK button does.\n"
    "\n"
    "  FILE             exchange file to read (default JWC_TEMP.TXT); the result\n"
    "                   replaces it unless -o is given\n"
    "  -n TEXT          division count as typed into the dialog (default 24, or\n"
    "                   the settings file's); read as an integer, clamped to 3..999\n"
    "  -k LIST          kinds to convert, comma-separated: circle, arc, solid, or\n"
    "                   none (default: all three, or the settings file's choices)\n"
    "  --counts         print the counts line and write nothing\n"
    "  --cancel         write \"hq\", as the dialog's Cancel does\n"
    "  --settings FILE  take the defaults of -n/-k from this settings file and\n"
    "                   save the choices to it, as OK does\n"
    "  -o OUT           write the result to OUT (\"-\" for standard output)\n"
    "  -q, --quiet      no summary line\n"
    "\n"
    "Polygons by accuracy (any of these: counts per figure, closed figures closed\n"
    "exactly; the summary tells the counts and the largest deviation):\n"
    "  --max-deviation D  largest distance between a curve and its polygon, in\n"
    "                   drawing units (e.g. --max-deviation 0.05)\n"
    "  --max-angle DEG  largest angle per segment, in degrees of the figure's own\n"
    "                   parameter (e.g. --max-angle 10)\n"
    "  --max-length L   largest segment length (e.g. --max-length 2)\n"
    "  --min-segments N, --max-segments N  bounds of the count, 3..999 (default\n"
    "                   3 and 999); with several bounds the smallest count meeting\n"
    "                   all is taken, capped at the maximum\n"
    "  --fit F          inscribed (vertices on the curve, the default),\n"
    "                   circumscribed (polygon on or outside the curve) or mid\n"
    "                   (the curve crosses every segment: half the error); an\n"
    "                   arc's end points stay where they are\n"
    "  -h, --help       show this help\n"
    "  --version        show the version\n";

void Say(FILE* to, std::string_view text) { WriteToStream(to, text); }

void Error(std::string_view text) {
  Say(stderr, "q527-cli: ");
  Say(stderr, text);
  Say(stderr, "\n");
}

int UsageError(std::string_view text) {
  Error(text);
  Say(stderr, kUsage);
  return 2;
}

std::string Number(long long value) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

std::string Real(double value) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
  return std::string(buf, res.ptr);
}

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
  PolygonPolicy policy;  // planned when any of the polygon options is given
};

// A positive finite number, the whole text; false on anything else.
bool ParsePositive(const std::string& text, double& into) {
  if (text.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(v) || !(v > 0)) return false;
  into = v;
  return true;
}

// A segment count of 3..999, the whole text.
bool ParseSegments(const std::string& text, std::int32_t& into) {
  int v = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), v);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size() || v < 3 || v > 999) {
    return false;
  }
  into = v;
  return true;
}

// Reads "circle,arc", "solid", "none" ...; false on anything else.
bool ParseKinds(std::string_view list, Options& opt) {
  opt.circle = opt.arc = opt.solid = false;
  bool none = false;
  bool any = false;
  while (true) {
    const std::size_t comma = list.find(',');
    const std::string_view word = list.substr(0, comma);
    if (word == "circle") {
      opt.circle = true;
    } else if (word == "arc") {
      opt.arc = true;
    } else if (word == "solid") {
      opt.solid = true;
    } else if (word == "none") {
      none = true;
    } else {
      return false;
    }
    any = true;
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  // "none" with a kind beside it is a contradiction, not a choice.
  return any && !(none && (opt.circle || opt.arc || opt.solid));
}

// Status texts of the run go to a terminal only, overwriting each other on
// one line, so that pipes and redirected stderr stay clean.
struct ConsoleUi final : DialogUi {
  explicit ConsoleUi(bool show) : show(show) {}
  void ShowNow(std::string_view utf8) override {
    if (!show) return;
    Say(stderr, "\r");
    Say(stderr, utf8);
    Say(stderr, "\x1b[K");
    std::fflush(stderr);
    shown = true;
  }
  bool IsDown() override { return false; }
  void ReportFailure(std::string_view) override {}
  void Finish() {
    if (shown) Say(stderr, "\r\x1b[K");
    shown = false;
  }
  bool show;
  bool shown = false;
};

// A file that is not there or cannot be opened at all is an error that
// leaves it untouched; the read's status tells which. The messages name the
// file as given, in UTF-8: path.string() cannot show every name on Windows.
bool InputWasOpened(JwwReadStatus status, const std::string& name) {
  if (status == JwwReadStatus::kMissing) {
    Error(name + ": no such file");
    return false;
  }
  if (status == JwwReadStatus::kUnreadable) {
    std::error_code ec;
    const bool directory = std::filesystem::is_directory(PathFromUtf8(name), ec);
    Error(name + (directory ? ": is a directory" : ": cannot open for reading"));
    return false;
  }
  return true;
}

// Writes the output line list as the dialog's close does ("hq" when empty).
bool WriteResult(Store& s, const std::string& output) {
  if (output != "-") return JwwWriteFile(s, PathFromUtf8(output));
  const std::string_view bytes = s.out.count == 0 ? std::string_view("hq\r\n") : s.out.bytes;
  Say(stdout, bytes);
  return std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
}

// What the command line asks for, or the exit status to end with at once
// (help, version, a usage error).
struct Parsed {
  Options opt;
  int exitNow = -1;
};

Parsed ParseOptions(int argc, char** argv) {
  Parsed p;
  Options& opt = p.opt;
  auto stop = [&](int code) {
    p.exitNow = code;
    return p;
  };
  bool haveInput = false;
  bool optionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    if (optionsEnd || arg.empty() || arg[0] != '-' || arg == "-") {
      if (haveInput) return stop(UsageError("more than one FILE given"));
      opt.input = std::string(arg);
      haveInput = true;
    } else if (arg == "--") {
      optionsEnd = true;
    } else if (arg == "-h" || arg == "--help") {
      Say(stdout, kUsage);
      return stop(0);
    } else if (arg == "--version") {
      Say(stdout, "q527-cli " Q527_VERSION "\n");
      return stop(0);
    } else if (arg == "-n") {
      if (!value(opt.divisions)) return stop(UsageError("-n needs a division count"));
      opt.haveDivisions = true;
    } else if (arg == "-k") {
      std::string list;
      if (!value(list)) return stop(UsageError("-k needs a list of kinds"));
      if (!ParseKinds(list, opt)) {
        return stop(UsageError("-k takes circle, arc, solid (comma-separated) or none"));
      }
      opt.haveKinds = true;
    } else if (arg == "-o") {
      if (!value(opt.output) || opt.output.empty()) {
        return stop(UsageError("-o needs a file name"));
      }
    } else if (arg == "--settings") {
      if (!value(opt.settings) || opt.settings.empty()) {
        return stop(UsageError("--settings needs a file name"));
      }
    } else if (arg == "--max-deviation" || arg == "--max-angle" || arg == "--max-length") {
      std::string text;
      double& into = arg == "--max-deviation" ? opt.policy.maxDeviation
                     : arg == "--max-angle"   ? opt.policy.maxAngle
                                              : opt.policy.maxLength;
      if (!value(text) || !ParsePositive(text, into)) {
        return stop(UsageError(std::string(arg) + " needs a positive number"));
      }
      opt.policy.planned = true;
    } else if (arg == "--min-segments" || arg == "--max-segments") {
      std::string text;
      std::int32_t& into =
          arg == "--min-segments" ? opt.policy.minSegments : opt.policy.maxSegments;
      if (!value(text) || !ParseSegments(text, into)) {
        return stop(UsageError(std::string(arg) + " needs a count of 3 to 999"));
      }
      opt.policy.planned = true;
    } else if (arg == "--fit") {
      std::string text;
      if (!value(text)) return stop(UsageError("--fit needs inscribed, circumscribed or mid"));
      if (text == "inscribed") {
        opt.policy.fit = PolygonFit::kInscribed;
      } else if (text == "circumscribed") {
        opt.policy.fit = PolygonFit::kCircumscribed;
      } else if (text == "mid") {
        opt.policy.fit = PolygonFit::kMid;
      } else {
        return stop(UsageError("--fit takes inscribed, circumscribed or mid"));
      }
      opt.policy.planned = true;
    } else if (arg == "--counts") {
      opt.counts = true;
    } else if (arg == "--cancel") {
      opt.cancel = true;
    } else if (arg == "-q" || arg == "--quiet") {
      opt.quiet = true;
    } else {
      return stop(UsageError("unknown option " + std::string(arg)));
    }
  }
  if (opt.counts && opt.cancel) {
    return stop(UsageError("--counts and --cancel exclude each other"));
  }
  if (opt.input.empty()) return stop(UsageError("empty FILE name"));
  if (opt.policy.minSegments > opt.policy.maxSegments) {
    return stop(UsageError("--min-segments is larger than --max-segments"));
  }
  return p;
}

// How a conversion run ended, for the report: the exit status and, when it
// succeeded, what was made.
struct RunResult {
  int status = 0;
  std::string made;
};

// Converts (or cancels) on a store that has been read, as OK (or Cancel)
// would; the output line list holds what is to be written.
RunResult RunJob(Store& s, const Options& opt, const std::string& output, bool readComplete) {
  RunResult r;
  const std::string notRead = opt.input + ": could not be read to its end; nothing converted";
  if (opt.cancel) {
    if (!readComplete) {
      Error(notRead);
      r.status = 1;
    }
    return r;
  }
  FormSettings fields;
  if (!opt.settings.empty()) LoadSettings(fields, PathFromUtf8(opt.settings));
  DialogState state;
  state.left = fields.FormLeft;
  state.top = fields.FormTop;
  state.edit1 = opt.haveDivisions ? opt.divisions : Number(fields.DivisionCount);
  state.checkCircle = opt.haveKinds ? opt.circle : fields.TargetCircle;
  state.checkArc = opt.haveKinds ? opt.arc : fields.TargetArc;
  state.checkSolid = opt.haveKinds ? opt.solid : fields.TargetSolid;
  const long long circles = state.checkCircle ? JwwCircleCount(s) : 0;
  const long long arcs = state.checkArc ? JwwArcCount(s) : 0;
  const long long solids = state.checkSolid ? JwwSolidCircleCount(s) : 0;

  // A large result goes into the output file's temporary file while the
  // pass runs, instead of being held whole until the end.
  if (output != "-") JwwSpillOutTo(s, PathFromUtf8(output));
  ConsoleUi ui(!opt.quiet && IsStatusTerminal(stderr));
  PolygonSummary summary;
  const RunOutcome outcome = RunConversion(s, fields, state, PathFromUtf8(opt.settings),
                                           readComplete, ui, &opt.policy, &summary);
  ui.Finish();
  switch (outcome) {
    case RunOutcome::kConverted:
      if (opt.policy.planned) {
        r.made = "; " + Number(summary.polygons) + " polygons of " + Number(summary.fewest) +
                 " to " + Number(summary.most) + " segments made, largest deviation " +
                 Real(summary.largestDeviation) + " (" + Number(summary.capped) +
                 " at the maximum count)";
        break;
      }
      r.made = "; " + Number(circles + arcs + solids) + " polygons of " +
               Number(fields.DivisionCount) + " segments made (" + Number(circles) + " circles, " +
               Number(arcs) + " arcs, " + Number(solids) + " circular solids)";
      break;
    case RunOutcome::kAborted: r.made = "; output pass aborted"; break;
    case RunOutcome::kRefused:
      Error(notRead);
      r.status = 1;
      break;
    case RunOutcome::kFailed:
      Error("out of memory or past 2147483647 figures; nothing converted");
      r.status = 1;
      break;
    case RunOutcome::kWriteFailed:
      Error(output + ": cannot write the output as it is made; nothing converted");
      r.status = 1;
      break;
  }
  return r;
}

// Writes the result and says what was done in one line.
int Report(Store& s, const Options& opt, const std::string& output, const RunResult& r) {
  const long long lines = s.out.count == 0 ? 1 : static_cast<long long>(s.out.count);
  const std::string where = output == "-" ? std::string("standard output") : output;
  if (!WriteResult(s, output)) {
    Error(where + ": cannot write");
    return 1;
  }
  if (r.status == 0 && !opt.quiet) Error(Number(lines) + " lines written to " + where + r.made);
  return r.status;
}

int Run(int argc, char** argv) {
  const Parsed parsed = ParseOptions(argc, argv);
  if (parsed.exitNow >= 0) return parsed.exitNow;
  const Options& opt = parsed.opt;
  const std::string output = opt.output.empty() ? opt.input : opt.output;

  Store s;
  JwwInit(s);
  const JwwReadStatus read = JwwReadFile(s, PathFromUtf8(opt.input));
  if (!InputWasOpened(read, opt.input)) return 1;
  const bool readComplete = read == JwwReadStatus::kComplete;
  JwwWriteStart(s);

  if (opt.counts) {
    if (!readComplete) {
      Error(opt.input + ": could not be read to its end");
      return 1;
    }
    Say(stdout, CountsText(s));
    Say(stdout, "\n");
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  return Report(s, opt, output, RunJob(s, opt, output, readComplete));
}

}  // namespace

#ifdef _WIN32
// Windows hands the arguments over as UTF-16; the driver works in UTF-8.
int wmain(int argc, wchar_t** wargv) {
  SetBinaryStreams();
  try {
    std::vector<std::string> args = Utf8Arguments(argc, wargv);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return Run(argc, argv.data());
#else
int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
#endif
  } catch (const std::exception& e) {
    // Memory running out outside the run itself (reading is guarded by the
    // reader, the run by RunConversion): report it rather than abort.
    Error(std::string("stopped: ") + e.what());
    return 1;
  }
}
