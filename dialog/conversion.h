// The OK run without a window: take the dialog's state, save the settings,
// convert the chosen circles, arcs and circular solids into polygons,
// queue "hd" and every figure for output.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "dialog/settings.h"
#include "exchange/output_pass.h"
#include "exchange/store.h"
#include "polygon/convert.h"

namespace q527 {

// What OK reads off the dialog.
struct DialogState {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::string edit1 = "24";  // the division count text as typed
  bool checkCircle = true;
  bool checkArc = true;
  bool checkSolid = true;
};

// What the run needs from its surroundings: the status label (set and shown
// at once, UTF-8), the Escape key and a way to report a run that could not
// finish.
struct DialogUi : ProgressDisplay, EscapeKey {
  virtual void ReportFailure(std::string_view utf8) = 0;
};

enum class RunOutcome {
  kConverted,    // "hd" and every figure queued
  kAborted,      // Escape during the output pass: the list holds only the closing lines
  kRefused,      // the exchange file was not read completely: nothing queued ("hq")
  kFailed,       // memory or a count limit ran out: nothing queued ("hq"), failure reported
  kWriteFailed,  // the output could not be written as it went: nothing queued ("hq"), reported
};

// The whole OK run. fields receives the dialog's values; the settings are
// saved to settingsPath unless it is empty. readComplete tells whether the
// exchange file was read to its end. Without a policy every figure gets the
// division count, as the dialog converts; a policy's own count is replaced
// by the division count, and summary gathers what a planned policy made.
RunOutcome RunConversion(Store& s, FormSettings& fields, const DialogState& state,
                         const std::filesystem::path& settingsPath, bool readComplete, DialogUi& ui,
                         const PolygonPolicy* policy = nullptr, PolygonSummary* summary = nullptr);

// The counts label: "円：" n " 円弧楕円弧：" n " 円周S：" n (UTF-8).
std::string CountsText(const Store& s);

}  // namespace q527
