// The run behind OK, without a window: convert the chosen circles, arcs and
// circular solids of a store into polygons (or, the way back, restore them
// from chains of segments), then queue "hd" and every figure for output.
// Both drivers call it.
#pragma once

#include <string_view>

#include "conversion/polygons.h"
#include "conversion/request.h"
#include "exchange/output_pass.h"
#include "exchange/store.h"
#include "exchange/writer.h"

namespace q527 {

// What the run needs from its surroundings: a status line (set and shown at
// once, UTF-8), the Escape key, and a way to report a run that could not
// finish.
struct RunUi : ProgressDisplay, EscapeKey {
  virtual void ReportFailure(std::string_view utf8) = 0;
};

enum class RunOutcome {
  kConverted,    // "hd" and every figure queued
  kAborted,      // Escape during the output pass: the list holds only the closing lines
  kRefused,      // the exchange file was not read completely: nothing queued ("hq")
  kFailed,       // memory or a count limit ran out: nothing queued ("hq"), failure reported
  kWriteFailed,  // the output could not be written as it went: nothing queued ("hq"), reported
};

struct RunResult {
  RunOutcome outcome = RunOutcome::kConverted;
  PolygonSummary summary;   // what a planned policy made
  RestoreSummary restored;  // what the way back made
};

// The whole run. readComplete tells whether the exchange file was read to
// its end; the writer's lines receive the output. Throws only what the run
// cannot explain (a fault of the program): memory running out, a count
// limit and a temporary file that cannot be written end in an outcome.
[[nodiscard]] RunResult RunConversion(Store& s, TJwwWriter& w, const ConversionRequest& request,
                                      bool readComplete, RunUi& ui);

}  // namespace q527
