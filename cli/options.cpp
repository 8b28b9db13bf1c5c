#include "cli/options.h"

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "cli/utf8_paths.h"
#include "common/decimal_text.h"

namespace q527 {

namespace {

constexpr std::string_view kUsage =
    "usage: q527-cli [-n TEXT] [-k LIST] [--counts] [--cancel] [--settings FILE]\n"
    "                [--max-deviation D] [--max-angle DEG] [--max-length L]\n"
    "                [--min-segments N] [--max-segments N] [--fit F]\n"
    "                [--svg PICTURE] [--threads N] [-o OUT] [-q] [FILE]\n"
    "       q527-cli --restore [--max-deviation D] [--min-segments N] [-k LIST]\n"
    "                [--svg PICTURE] [--threads N] [-o OUT] [-q] [FILE]\n"
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
    "  --threads N      read, restore and write on N threads (default: the\n"
    "                   machine's cores); the output is the same for every N\n"
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
    "\n"
    "A picture of the conversion:\n"
    "  --svg PICTURE    also draw the converted figures (blue) and their polygons\n"
    "                   (red) into the SVG file PICTURE, 1000 px wide, y up, one\n"
    "                   group per layer (id \"layer-G-L\", G and L in hex), the\n"
    "                   counts and the largest deviation below; at most the first\n"
    "                   100000 figures and 2000000 segments are drawn. Written\n"
    "                   after the exchange file; not with --counts or --cancel\n"
    "                   (e.g. --max-deviation 0.05 --svg picture.svg)\n"
    "\n"
    "The way back:\n"
    "  --restore        restore chains of line segments (and of linear solids) to\n"
    "                   the circles, arcs, ellipses, elliptic arcs (and circular\n"
    "                   solids) they follow; everything else is written back as\n"
    "                   -k none writes it. -k chooses what is made: circle (closed\n"
    "                   circles), arc (arcs, ellipses, elliptic arcs), solid\n"
    "                   (circular solids); --svg draws the segments replaced (red)\n"
    "                   and the curves restored (blue). With --restore:\n"
    "  --max-deviation D  every vertex of a restored run lies within D of its curve\n"
    "                   (default 0.01); segment ends within D/10 join\n"
    "  --min-segments N a closed chain becomes a circle or an ellipse with at least\n"
    "                   N segments (default 8, 3..100000); an open run becomes a\n"
    "                   circular arc with at least N/2 (rounded up, at least 3), an\n"
    "                   elliptic arc with at least N\n"
    "                   (e.g. --restore --max-deviation 0.005 -o out.txt)\n"
    "\n"
    "  -h, --help       show this help\n"
    "  --version        show the version\n";

// A positive finite number, the whole text (a leading "+" allowed), read
// as the project reads every number: exactly, the same on every build.
std::optional<double> PositiveNumberOf(std::string_view text) {
  if (text.starts_with('+')) text.remove_prefix(1);
  double v = 0;
  if (!DecimalTextToDouble(text, v) || !(v > 0)) return std::nullopt;
  return v;
}

// A segment count of lo..hi, the whole text.
std::optional<std::int32_t> SegmentCountOf(std::string_view text, std::int32_t lo,
                                           std::int32_t hi) {
  int v = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), v);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size() || v < lo || v > hi) {
    return std::nullopt;
  }
  return v;
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

std::optional<PolygonFit> FitOf(std::string_view text) {
  if (text == "inscribed") return PolygonFit::kInscribed;
  if (text == "circumscribed") return PolygonFit::kCircumscribed;
  if (text == "mid") return PolygonFit::kMid;
  return std::nullopt;
}

// The walk over the arguments: the one in hand, the next as its value, and
// the first usage error met.
struct Arguments {
  int argc = 0;
  char** argv = nullptr;
  int i = 1;
  std::string error;

  // The options given that only the conversion takes, the first of them
  // (for the way back's usage error), and whether --max-deviation or
  // --min-segments were.
  std::string conversionOnly;
  bool deviationGiven = false;
  bool minimumGiven = false;
  bool largeMinimum = false;  // --min-segments past the conversion's 999

  std::optional<std::string> Value() {
    if (i + 1 >= argc) return std::nullopt;
    return std::string(argv[++i]);
  }
  void ConversionOnly(std::string_view arg) {
    if (conversionOnly.empty()) conversionOnly = std::string(arg);
  }
  // Records the error; false, so that a parse step can end with it.
  bool Fail(std::string text) {
    if (error.empty()) error = std::move(text);
    return false;
  }
};

// The polygon options. Nullopt: not one of them; otherwise whether its
// value was good.
std::optional<bool> ParsePolygonOption(std::string_view arg, Arguments& args,
                                       PolygonPolicy& policy) {
  if (arg == "--max-deviation" || arg == "--max-angle" || arg == "--max-length") {
    double& into = arg == "--max-deviation" ? policy.maxDeviation
                   : arg == "--max-angle"   ? policy.maxAngle
                                            : policy.maxLength;
    const std::optional<std::string> text = args.Value();
    const std::optional<double> v = text ? PositiveNumberOf(*text) : std::nullopt;
    if (!v) return args.Fail(std::string(arg) + " needs a positive number");
    into = *v;
    if (arg == "--max-deviation") {
      args.deviationGiven = true;
    } else {
      args.ConversionOnly(arg);
    }
  } else if (arg == "--min-segments") {
    const std::optional<std::string> text = args.Value();
    const std::optional<std::int32_t> v =
        text ? SegmentCountOf(*text, kFewestSegments, kMostRestoreSegments) : std::nullopt;
    if (!v)
      return args.Fail("--min-segments needs a count of 3 to 999 (3 to 100000 with --restore)");
    policy.minSegments = *v;
    args.minimumGiven = true;
    args.largeMinimum = *v > kMostSegments;
  } else if (arg == "--max-segments") {
    const std::optional<std::string> text = args.Value();
    const std::optional<std::int32_t> v =
        text ? SegmentCountOf(*text, kFewestSegments, kMostSegments) : std::nullopt;
    if (!v) return args.Fail("--max-segments needs a count of 3 to 999");
    policy.maxSegments = *v;
    args.ConversionOnly(arg);
  } else if (arg == "--fit") {
    args.ConversionOnly(arg);
    const std::optional<std::string> text = args.Value();
    if (!text) return args.Fail("--fit needs inscribed, circumscribed or mid");
    const std::optional<PolygonFit> fit = FitOf(*text);
    if (!fit) return args.Fail("--fit takes inscribed, circumscribed or mid");
    policy.fit = *fit;
  } else {
    return std::nullopt;
  }
  policy.planned = true;
  return true;
}

// A file name after its option: present and not empty.
bool TakeName(Arguments& args, std::string& into, std::string_view what) {
  std::optional<std::string> text = args.Value();
  if (!text || text->empty()) return args.Fail(std::string(what) + " needs a file name");
  into = std::move(*text);
  return true;
}

// The options that take a file name or a text. Nullopt: not one of them.
std::optional<bool> ParseValueOption(std::string_view arg, Arguments& args, Options& opt) {
  if (arg == "-n") {
    args.ConversionOnly(arg);
    std::optional<std::string> text = args.Value();
    if (!text) return args.Fail("-n needs a division count");
    opt.divisions = std::move(*text);
    opt.haveDivisions = true;
    return true;
  }
  if (arg == "-k") {
    const std::optional<std::string> list = args.Value();
    if (!list) return args.Fail("-k needs a list of kinds");
    if (!ParseKinds(*list, opt)) {
      return args.Fail("-k takes circle, arc, solid (comma-separated) or none");
    }
    opt.haveKinds = true;
    return true;
  }
  if (arg == "--threads") {
    const std::optional<std::string> text = args.Value();
    const std::optional<std::int32_t> n =
        text ? SegmentCountOf(*text, 1, kMostThreads) : std::nullopt;
    if (!n) return args.Fail("--threads needs a count of 1.." + std::to_string(kMostThreads));
    opt.threads = *n;
    return true;
  }
  if (arg == "-o") return TakeName(args, opt.output, "-o");
  if (arg == "--settings") return TakeName(args, opt.settings, "--settings");
  if (arg == "--svg") return TakeName(args, opt.svg, "--svg");
  return ParsePolygonOption(arg, args, opt.policy);
}

// Whether two names (UTF-8) reach the same file, as far as can be told
// before either is written.
bool SameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  const fs::path pa = PathFromUtf8(a), pb = PathFromUtf8(b);
  std::error_code ec;
  if (fs::equivalent(pa, pb, ec)) return true;
  const fs::path ca = fs::weakly_canonical(pa, ec);
  if (ec) return pa.lexically_normal() == pb.lexically_normal();
  const fs::path cb = fs::weakly_canonical(pb, ec);
  if (ec) return pa.lexically_normal() == pb.lexically_normal();
  return ca == cb;
}

// The way back's choices, once every argument is read: the usage error, or
// empty. Its deviation and fewest segments come from the options the
// conversion shares.
std::string TakeRestore(Options& opt, const Arguments& args) {
  if (!opt.restore) {
    if (args.largeMinimum) return "--min-segments needs a count of 3 to 999";
    return {};
  }
  if (!args.conversionOnly.empty()) return "--restore does not take " + args.conversionOnly;
  if (opt.counts || opt.cancel) return "--restore converts: not with --counts or --cancel";
  if (!opt.settings.empty()) return "--restore does not take --settings";
  if (args.deviationGiven) opt.restoreOptions.maxDeviation = opt.policy.maxDeviation;
  if (args.minimumGiven) opt.restoreOptions.minSegments = opt.policy.minSegments;
  opt.policy = PolygonPolicy{};
  return {};
}

// The choices that exclude each other, once every argument is read: the
// usage error, or empty.
std::string ConflictIn(const Options& opt) {
  if (opt.counts && opt.cancel) return "--counts and --cancel exclude each other";
  // The picture shows a conversion; counting and Cancel convert nothing.
  if (!opt.svg.empty() && (opt.counts || opt.cancel)) {
    return "--svg draws a conversion: not with --counts or --cancel";
  }
  if (opt.input.empty()) return "empty FILE name";
  if (!opt.svg.empty()) {
    // Standard output may carry the exchange file; and a picture over the
    // exchange file would destroy the user's drawing.
    if (opt.svg == "-") return "--svg writes a file, not standard output";
    const std::string& output = opt.output.empty() ? opt.input : opt.output;
    if (SameFile(opt.svg, opt.input) || (output != "-" && SameFile(opt.svg, output))) {
      return "--svg names the exchange file";
    }
  }
  if (opt.policy.minSegments > opt.policy.maxSegments) {
    return "--min-segments is larger than --max-segments";
  }
  return {};
}

// One argument: a file name, a switch, or an option with its value. False
// when the command line ends here (help, version, a usage error).
bool ParseArgument(std::string_view arg, Arguments& args, CommandLine& line, bool& haveInput,
                   bool& optionsEnd) {
  Options& opt = line.options;
  using Action = CommandLine::Action;
  if (optionsEnd || arg.empty() || arg[0] != '-' || arg == "-") {
    if (haveInput) return args.Fail("more than one FILE given");
    opt.input = std::string(arg);
    haveInput = true;
  } else if (arg == "--") {
    optionsEnd = true;
  } else if (arg == "-h" || arg == "--help") {
    line.action = Action::kHelp;
    return false;
  } else if (arg == "--version") {
    line.action = Action::kVersion;
    return false;
  } else if (arg == "--counts") {
    opt.counts = true;
  } else if (arg == "--cancel") {
    opt.cancel = true;
  } else if (arg == "--restore") {
    opt.restore = true;
  } else if (arg == "-q" || arg == "--quiet") {
    opt.quiet = true;
  } else {
    const std::optional<bool> taken = ParseValueOption(arg, args, opt);
    if (!taken) return args.Fail("unknown option " + std::string(arg));
    return *taken;
  }
  return true;
}

}  // namespace

std::string_view UsageText() { return kUsage; }

CommandLine ParseCommandLine(int argc, char** argv) {
  CommandLine line;
  bool haveInput = false;
  bool optionsEnd = false;
  Arguments args;
  args.argc = argc;
  args.argv = argv;
  for (; args.i < argc; ++args.i) {
    if (!ParseArgument(argv[args.i], args, line, haveInput, optionsEnd)) break;
  }
  if (line.action != CommandLine::Action::kRun) return line;
  if (args.error.empty()) args.error = TakeRestore(line.options, args);
  if (args.error.empty()) args.error = ConflictIn(line.options);
  if (!args.error.empty()) {
    line.action = CommandLine::Action::kUsageError;
    line.error = std::move(args.error);
  }
  return line;
}

}  // namespace q527
