// What a run is asked to do: which kinds it converts and how many segments
// each figure gets. The dialog builds one from its controls, q527-cli from
// its command line.
#pragma once

#include <cstdint>
#include <string_view>

#include "conversion/restore.h"
#include "polygon/plan.h"

namespace q527 {

// Curves to polygons (the dialog's job), or the way back.
enum class RunMode { kConvert, kRestore };

struct ConversionRequest {
  RunMode mode = RunMode::kConvert;
  bool circles = true;  // circles
  bool arcs = true;     // arcs, ellipses and elliptic arcs
  bool solids = true;   // circular solids
  // The dialog's rule (policy.segments, the division count, for every
  // figure) unless policy.planned.
  PolygonPolicy policy;
  // The way back: its kinds are circles, arcs and solids above.
  RestoreOptions restore;
  // Threads the output pass makes its lines on (q527-cli; the dialogs keep
  // one). The output is the same for every count.
  std::int32_t threads = 1;
};

// The division count the dialog's edit field gives: its text read as an
// integer (0 when it is none), clamped to 3..999.
std::int32_t DivisionCountOf(std::string_view text);

}  // namespace q527
