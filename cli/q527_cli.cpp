// q527-cli: the conversion without a window. It runs the same steps as the
// dialog (read, load settings, convert, output pass, write) on a file named
// on the command line, so tests, benchmarks and scripts drive the product
// through the code the user's OK button runs.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/console.h"
#include "cli/options.h"
#include "cli/svg_document.h"
#include "cli/svg_restore.h"
#include "cli/utf8_paths.h"
#include "common/number_texts.h"
#include "conversion/counts_text.h"
#include "conversion/run.h"
#include "conversion/settings.h"
#include "exchange/reader.h"
#include "exchange/store.h"
#include "exchange/writer.h"

#ifndef Q527_VERSION
#define Q527_VERSION "0"
#endif

namespace q527 {
namespace {

// Status texts of the run go to a terminal only, overwriting each other on
// one line, so that pipes and redirected stderr stay clean. The driver says
// itself why a run failed.
struct ConsoleUi final : RunUi {
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
bool WriteResult(TJwwOutLines& out, const std::string& output) {
  if (output != "-") return JwwWriteFile(out, PathFromUtf8(output));
  const std::string_view bytes = out.count == 0 ? std::string_view("hq\r\n") : out.bytes;
  Say(stdout, bytes);
  return std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
}

// What the run is asked for, and the settings fields OK would save with it:
// the options, or the settings file's values where an option is not given.
struct Job {
  FormSettings fields;
  ConversionRequest request;
};

// The threads asked for, or the machine's cores (at least one).
std::int32_t ThreadsOf(const Options& opt) {
  if (opt.threads > 0) return opt.threads;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<std::int32_t>(std::min<unsigned>(cores, kMostThreads));
}

Job JobOf(const Options& opt) {
  Job job;
  job.request.threads = ThreadsOf(opt);
  if (opt.restore) {
    job.request.mode = RunMode::kRestore;
    job.request.circles = opt.circle;
    job.request.arcs = opt.arc;
    job.request.solids = opt.solid;
    job.request.restore = opt.restoreOptions;
    return job;
  }
  FormSettings& fields = job.fields;
  if (!opt.settings.empty()) LoadSettings(fields, PathFromUtf8(opt.settings));
  if (opt.haveDivisions) fields.DivisionCount = DivisionCountOf(opt.divisions);
  if (opt.haveKinds) {
    fields.TargetCircle = opt.circle;
    fields.TargetArc = opt.arc;
    fields.TargetSolid = opt.solid;
  }
  job.request.circles = fields.TargetCircle;
  job.request.arcs = fields.TargetArc;
  job.request.solids = fields.TargetSolid;
  job.request.policy = opt.policy;
  job.request.policy.segments = fields.DivisionCount;
  return job;
}

// How a conversion run ended, for the report: the exit status and, when it
// succeeded, what was made.
struct RunReport {
  int status = 0;
  std::string made;
  bool settingsKept = false;  // the settings file could not be saved
  // For the picture: the figures taken before the run, the policy it used
  // and what it made; drawn only when it converted.
  bool converted = false;
  SvgSources sources;
  PolygonPolicy plan;
  PolygonSummary summary;
  // The way back's: the order table's kinds before the run, what it made.
  RestoreSnapshot before;
  RestoreSummary restored;
};

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

// The summary's account of the way back.
std::string RestoredText(const RestoreSummary& r) {
  std::string text = "; " + IntegerText(r.circles) + " circles, " + IntegerText(r.arcs) +
                     " arcs, " + IntegerText(r.ellipses) + " ellipses, " +
                     IntegerText(r.ellipticArcs) + " elliptic arcs and " + IntegerText(r.solids) +
                     " circular solids restored from " + IntegerText(r.segments) + " segments";
  if (r.Figures() > 0) {
    text += ", largest deviation " + ShortRealText(static_cast<double>(r.largestDeviation));
  }
  return text + " (" + IntegerText(r.closedKept) +
         " closed chains kept: fewer segments than asked)";
}

// The outcome of a run as the report tells it.
void TellOutcome(RunOutcome outcome, const Options& opt, const std::string& output, RunReport& r) {
  switch (outcome) {
    case RunOutcome::kConverted: r.converted = true; break;
    case RunOutcome::kAborted: r.made = "; output pass aborted"; break;
    case RunOutcome::kRefused:
      Error(opt.input + ": could not be read to its end; nothing converted");
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
}

// Converts (or cancels) on a store that has been read, as OK (or Cancel)
// would; the writer's lines hold what is to be written.
RunReport RunJob(Store& s, TJwwWriter& w, const Options& opt, const std::string& output,
                 bool readComplete) {
  RunReport r;
  if (opt.cancel) {
    if (!readComplete) {
      Error(opt.input + ": could not be read to its end; nothing converted");
      r.status = 1;
    }
    return r;
  }
  const Job job = JobOf(opt);
  const ConversionRequest& request = job.request;
  // Saved before the run, as OK saves them.
  if (!opt.settings.empty()) r.settingsKept = !SaveSettings(job.fields, PathFromUtf8(opt.settings));
  const bool convert = request.mode == RunMode::kConvert;
  const long long circles = convert && request.circles ? JwwCircleCount(s) : 0;
  const long long arcs = convert && request.arcs ? JwwArcCount(s) : 0;
  const long long solids = convert && request.solids ? JwwSolidCircleCount(s) : 0;
  // The conversion frees the figures it replaces: the picture takes its
  // copies first.
  if (!opt.svg.empty() && convert) {
    r.sources = TakeSvgSources(s, request.circles, request.arcs, request.solids);
  }
  if (!opt.svg.empty() && !convert) r.before = TakeRestoreSnapshot(s);

  // A large result goes into the output file's temporary file while the
  // pass runs, instead of being held whole until the end.
  if (output != "-") JwwSpillOutTo(w.lines, PathFromUtf8(output));
  ConsoleUi ui(!opt.quiet && IsStatusTerminal(stderr));
  const RunResult result = RunConversion(s, w, request, readComplete, ui);
  ui.Finish();
  r.plan = request.policy;
  r.summary = result.summary;
  r.restored = result.restored;
  TellOutcome(result.outcome, opt, output, r);
  if (r.converted) {
    r.made =
        convert ? MadeText(r.summary, r.plan, circles, arcs, solids) : RestoredText(r.restored);
  }
  return r;
}

// Draws the picture of a finished conversion into its file; false, said in
// one line, when it cannot be made or written.
bool WritePicture(const std::string& name, const Store& s, const Options& opt, const RunReport& r) {
  try {
    SvgPicture picture;
    if (opt.restore) {
      picture = DrawRestore(s, r.before);
      picture.caption = RestoreCaption(r.restored, picture.figures, picture.drawn);
    } else {
      picture = DrawConversion(r.sources, r.plan);
      picture.caption = SvgCaption(r.summary, r.plan, picture.figures, picture.drawn);
    }
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
int Report(const Store& s, TJwwOutLines& out, const Options& opt, const std::string& output,
           const RunReport& r) {
  const long long lines = out.count == 0 ? 1 : static_cast<long long>(out.count);
  const std::string where = output == "-" ? std::string("standard output") : output;
  if (!WriteResult(out, output)) {
    Error(where + ": cannot write");
    return 1;
  }
  if (r.status == 0 && !opt.quiet) {
    Error(IntegerText(lines) + " lines written to " + where + r.made);
  }
  int status = r.status;
  if (r.settingsKept) {
    Error(opt.settings + ": cannot save the settings; the exchange file is written");
    status = 1;
  }
  if (r.converted && !opt.svg.empty() && !WritePicture(opt.svg, s, opt, r)) status = 1;
  return status;
}

// What a command line that asks for no run asks for.
int Answer(const CommandLine& line) {
  switch (line.action) {
    case CommandLine::Action::kHelp: Say(stdout, UsageText()); return 0;
    case CommandLine::Action::kVersion: Say(stdout, "q527-cli " Q527_VERSION "\n"); return 0;
    case CommandLine::Action::kUsageError:
      Error(line.error);
      Say(stderr, UsageText());
      return 2;
    case CommandLine::Action::kRun: break;
  }
  return 0;
}

int Run(int argc, char** argv) {
  const CommandLine line = ParseCommandLine(argc, argv);
  if (line.action != CommandLine::Action::kRun) return Answer(line);
  const Options& opt = line.options;
  const std::string output = opt.output.empty() ? opt.input : opt.output;

  Store s;
  JwwInit(s);
  const JwwReadStatus read = JwwReadFile(s, PathFromUtf8(opt.input), ThreadsOf(opt));
  if (!InputWasOpened(read, opt.input)) return 1;
  const bool readComplete = read == JwwReadStatus::kComplete;
  TJwwWriter w(s);
  JwwWriteStart(w);

  if (opt.counts) {
    if (!readComplete) {
      Error(opt.input + ": could not be read to its end");
      return 1;
    }
    Say(stdout, CountsText(s));
    Say(stdout, "\n");
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  const RunReport report = RunJob(s, w, opt, output, readComplete);
  return Report(s, w.lines, opt, output, report);
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
  } catch (const std::bad_alloc&) {
    // Memory running out outside the run itself (reading is guarded by the
    // reader, the run by RunConversion): said rather than aborted.
    q527::Error("stopped: out of memory; nothing written");
    return 1;
  } catch (const std::exception& e) {
    // Anything else is a fault of the program: said as one.
    q527::Error(std::string("internal error: ") + e.what() + "; nothing written");
    return 1;
  }
}
