// q527-cli: the conversion without a window. It runs the same steps as the
// dialog (read, load settings, convert, output pass, write) on a file named
// on the command line, so tests, benchmarks and scripts drive the product
// through the code the user's OK button runs.
#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "cli/console.h"
#include "cli/number_texts.h"
#include "cli/options.h"
#include "cli/svg_document.h"
#include "cli/utf8_paths.h"
#include "dialog/conversion.h"
#include "dialog/settings.h"
#include "exchange/reader.h"
#include "exchange/store.h"
#include "exchange/writer.h"

#ifndef Q527_VERSION
#define Q527_VERSION "0"
#endif

namespace q527 {
namespace {

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

// How a conversion run ended, for the report: the exit status and, when it
// succeeded, what was made.
struct RunResult {
  int status = 0;
  std::string made;
  // For the picture: the figures taken before the run, the policy it used
  // and what it made; drawn only when it converted.
  bool converted = false;
  SvgSources sources;
  PolygonPolicy plan;
  PolygonSummary summary;
};

// What the dialog would read off its controls: the options, or the
// settings file's values where an option is not given.
DialogState StateOf(const Options& opt, const FormSettings& fields) {
  DialogState state;
  state.left = fields.FormLeft;
  state.top = fields.FormTop;
  state.edit1 = opt.haveDivisions ? opt.divisions : IntegerText(fields.DivisionCount);
  state.checkCircle = opt.haveKinds ? opt.circle : fields.TargetCircle;
  state.checkArc = opt.haveKinds ? opt.arc : fields.TargetArc;
  state.checkSolid = opt.haveKinds ? opt.solid : fields.TargetSolid;
  return state;
}

// The summary's account of a conversion, after the count of lines.
std::string MadeText(const PolygonSummary& summary, const PolygonPolicy& plan, long long circles,
                     long long arcs, long long solids) {
  if (plan.planned) {
    return "; " + IntegerText(summary.polygons) + " polygons of " + IntegerText(summary.fewest) +
           " to " + IntegerText(summary.most) + " segments made, largest deviation " +
           ShortRealText(summary.largestDeviation) + " (" + IntegerText(summary.capped) +
           " at the maximum count)";
  }
  return "; " + IntegerText(circles + arcs + solids) + " polygons of " +
         IntegerText(plan.segments) + " segments made (" + IntegerText(circles) + " circles, " +
         IntegerText(arcs) + " arcs, " + IntegerText(solids) + " circular solids)";
}

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
  const DialogState state = StateOf(opt, fields);
  const long long circles = state.checkCircle ? JwwCircleCount(s) : 0;
  const long long arcs = state.checkArc ? JwwArcCount(s) : 0;
  const long long solids = state.checkSolid ? JwwSolidCircleCount(s) : 0;
  // The conversion frees the figures it replaces: the picture takes its
  // copies first.
  if (!opt.svg.empty()) {
    r.sources = TakeSvgSources(s, state.checkCircle, state.checkArc, state.checkSolid);
  }

  // A large result goes into the output file's temporary file while the
  // pass runs, instead of being held whole until the end.
  if (output != "-") JwwSpillOutTo(s, PathFromUtf8(output));
  ConsoleUi ui(!opt.quiet && IsStatusTerminal(stderr));
  PolygonSummary& summary = r.summary;
  const RunOutcome outcome = RunConversion(s, fields, state, PathFromUtf8(opt.settings),
                                           readComplete, ui, &opt.policy, &summary);
  ui.Finish();
  r.plan = opt.policy;
  r.plan.segments = fields.DivisionCount;
  switch (outcome) {
    case RunOutcome::kConverted:
      r.converted = true;
      r.made = MadeText(summary, r.plan, circles, arcs, solids);
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

// Draws the picture of a finished conversion into its file; false, said in
// one line, when it cannot be made or written.
bool WritePicture(const std::string& name, const RunResult& r) {
  try {
    SvgPicture picture = DrawConversion(r.sources, r.plan);
    picture.caption = SvgCaption(r.summary, r.plan, picture.figures, picture.drawn);
    if (WriteSvgFile(picture, PathFromUtf8(name))) return true;
    Error(name + ": cannot write the picture; the exchange file is written");
  } catch (const std::bad_alloc&) {
    Error(name + ": out of memory drawing the picture; the exchange file is written");
  }
  return false;
}

// Writes the result and says what was done in one line. The picture comes
// after the exchange file: the host waits for that file, and a picture that
// cannot be written must not cost the user the conversion.
int Report(Store& s, const Options& opt, const std::string& output, const RunResult& r) {
  const long long lines = s.out.count == 0 ? 1 : static_cast<long long>(s.out.count);
  const std::string where = output == "-" ? std::string("standard output") : output;
  if (!WriteResult(s, output)) {
    Error(where + ": cannot write");
    return 1;
  }
  if (r.status == 0 && !opt.quiet)
    Error(IntegerText(lines) + " lines written to " + where + r.made);
  if (r.converted && !opt.svg.empty() && !WritePicture(opt.svg, r)) return 1;
  return r.status;
}

int Run(int argc, char** argv) {
  const Parsed parsed = ParseOptions(argc, argv, Q527_VERSION);
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
}  // namespace q527

#ifdef _WIN32
// Windows hands the arguments over as UTF-16; the driver works in UTF-8.
int wmain(int argc, wchar_t** wargv) {
  q527::SetBinaryStreams();
  try {
    std::vector<std::string> args = q527::Utf8Arguments(argc, wargv);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return q527::Run(argc, argv.data());
#else
int main(int argc, char** argv) {
  try {
    return q527::Run(argc, argv);
#endif
  } catch (const std::exception& e) {
    // Memory running out outside the run itself (reading is guarded by the
    // reader, the run by RunConversion): report it rather than abort.
    q527::Error(std::string("stopped: ") + e.what());
    return 1;
  }
}
