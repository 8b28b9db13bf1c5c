#include "cli/options.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "cli/console.h"
#include "cli/utf8_paths.h"

namespace q527 {

namespace {

constexpr std::string_view kUsage =
    "usage: q527-cli [-n TEXT] [-k LIST] [--counts] [--cancel] [--settings FILE]\n"
    "                [--max-deviation D] [--max-angle DEG] [--max-length L]\n"
    "                [--min-segments N] [--max-segments N] [--fit F]\n"
    "                [--svg PICTURE] [-o OUT] [-q] [FILE]\n"
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
    "\n"
    "A picture of the conversion:\n"
    "  --svg PICTURE    also draw the converted figures (blue) and their polygons\n"
    "                   (red) into the SVG file PICTURE, 1000 px wide, y up, one\n"
    "                   group per layer (id \"layer-G-L\", G and L in hex), the\n"
    "                   counts and the largest deviation below; at most the first\n"
    "                   100000 figures and 2000000 segments are drawn. Written\n"
    "                   after the exchange file; not with --counts or --cancel\n"
    "                   (e.g. --max-deviation 0.05 --svg picture.svg)\n"
    "  -h, --help       show this help\n"
    "  --version        show the version\n";

int UsageError(std::string_view text) {
  Error(text);
  Say(stderr, kUsage);
  return 2;
}

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

bool ParseFit(const std::string& text, PolygonFit& into) {
  if (text == "inscribed") {
    into = PolygonFit::kInscribed;
  } else if (text == "circumscribed") {
    into = PolygonFit::kCircumscribed;
  } else if (text == "mid") {
    into = PolygonFit::kMid;
  } else {
    return false;
  }
  return true;
}

// The walk over the arguments: the one in hand and a way to take the next
// as its value.
struct Arguments {
  int argc;
  char** argv;
  int i = 1;
  bool Value(std::string& into) {
    if (i + 1 >= argc) return false;
    into = argv[++i];
    return true;
  }
};

// The polygon options. -1: not one of them; otherwise the exit status to
// end with (2 for a bad value) or 0 to go on.
int ParsePolygonOption(std::string_view arg, Arguments& args, PolygonPolicy& policy) {
  std::string text;
  if (arg == "--max-deviation" || arg == "--max-angle" || arg == "--max-length") {
    double& into = arg == "--max-deviation" ? policy.maxDeviation
                   : arg == "--max-angle"   ? policy.maxAngle
                                            : policy.maxLength;
    if (!args.Value(text) || !ParsePositive(text, into)) {
      return UsageError(std::string(arg) + " needs a positive number");
    }
  } else if (arg == "--min-segments" || arg == "--max-segments") {
    std::int32_t& into = arg == "--min-segments" ? policy.minSegments : policy.maxSegments;
    if (!args.Value(text) || !ParseSegments(text, into)) {
      return UsageError(std::string(arg) + " needs a count of 3 to 999");
    }
  } else if (arg == "--fit") {
    if (!args.Value(text)) return UsageError("--fit needs inscribed, circumscribed or mid");
    if (!ParseFit(text, policy.fit)) {
      return UsageError("--fit takes inscribed, circumscribed or mid");
    }
  } else {
    return -1;
  }
  policy.planned = true;
  return 0;
}

// The options that take a file name or a text. -1: not one of them;
// otherwise as ParsePolygonOption.
int ParseValueOption(std::string_view arg, Arguments& args, Options& opt) {
  if (arg == "-n") {
    if (!args.Value(opt.divisions)) return UsageError("-n needs a division count");
    opt.haveDivisions = true;
  } else if (arg == "-k") {
    std::string list;
    if (!args.Value(list)) return UsageError("-k needs a list of kinds");
    if (!ParseKinds(list, opt)) {
      return UsageError("-k takes circle, arc, solid (comma-separated) or none");
    }
    opt.haveKinds = true;
  } else if (arg == "-o") {
    if (!args.Value(opt.output) || opt.output.empty()) return UsageError("-o needs a file name");
  } else if (arg == "--settings") {
    if (!args.Value(opt.settings) || opt.settings.empty()) {
      return UsageError("--settings needs a file name");
    }
  } else if (arg == "--svg") {
    if (!args.Value(opt.svg) || opt.svg.empty()) return UsageError("--svg needs a file name");
  } else {
    return ParsePolygonOption(arg, args, opt.policy);
  }
  return 0;
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

// The choices that exclude each other, once every argument is read.
int CheckOptions(const Options& opt) {
  if (opt.counts && opt.cancel) return UsageError("--counts and --cancel exclude each other");
  // The picture shows a conversion; counting and Cancel convert nothing.
  if (!opt.svg.empty() && (opt.counts || opt.cancel)) {
    return UsageError("--svg draws a conversion: not with --counts or --cancel");
  }
  if (opt.input.empty()) return UsageError("empty FILE name");
  if (!opt.svg.empty()) {
    // Standard output may carry the exchange file; and a picture over the
    // exchange file would destroy the user's drawing.
    if (opt.svg == "-") return UsageError("--svg writes a file, not standard output");
    const std::string& output = opt.output.empty() ? opt.input : opt.output;
    if (SameFile(opt.svg, opt.input) || (output != "-" && SameFile(opt.svg, output))) {
      return UsageError("--svg names the exchange file");
    }
  }
  if (opt.policy.minSegments > opt.policy.maxSegments) {
    return UsageError("--min-segments is larger than --max-segments");
  }
  return -1;
}

}  // namespace

void Say(FILE* to, std::string_view text) { WriteToStream(to, text); }

void Error(std::string_view text) {
  Say(stderr, "q527-cli: ");
  Say(stderr, text);
  Say(stderr, "\n");
}

Parsed ParseOptions(int argc, char** argv, std::string_view version) {
  Parsed p;
  Options& opt = p.opt;
  auto stop = [&](int code) {
    p.exitNow = code;
    return p;
  };
  bool haveInput = false;
  bool optionsEnd = false;
  for (Arguments args{argc, argv}; args.i < argc; ++args.i) {
    const std::string_view arg = argv[args.i];
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
      Say(stdout, "q527-cli " + std::string(version) + "\n");
      return stop(0);
    } else if (arg == "--counts") {
      opt.counts = true;
    } else if (arg == "--cancel") {
      opt.cancel = true;
    } else if (arg == "-q" || arg == "--quiet") {
      opt.quiet = true;
    } else {
      const int code = ParseValueOption(arg, args, opt);
      if (code == -1) return stop(UsageError("unknown option " + std::string(arg)));
      if (code != 0) return stop(code);
    }
  }
  return stop(CheckOptions(opt));
}

}  // namespace q527
