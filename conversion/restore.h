// The way back: chains of line segments and of linear solids in the store
// restored to the circles, arcs, ellipses, elliptic arcs and circular
// solids they follow. The consumed segments are marked removed; the
// restored figures come after every figure left, in the order of their
// first segment in the file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "conversion/polygons.h"
#include "exchange/store.h"

namespace q527 {

struct RestoreOptions {
  // Every vertex of a restored run lies within this of its curve; segment
  // ends within a tenth of it join.
  double maxDeviation = 0.01;
  // A closed chain becomes a circle or an ellipse with at least this many
  // segments; an open run becomes a circular arc with at least ⌈N/2⌉ (never
  // fewer than 3) and an elliptic arc with at least N.
  std::int32_t minSegments = 8;
  bool circles = true;  // closed circles from lines
  bool arcs = true;     // arcs, ellipses and elliptic arcs from lines
  bool solids = true;   // circular solids from linear solids
};

// The fewest and most segments a restore may be asked to require.
inline constexpr std::int32_t kFewestRestoreSegments = 3;
inline constexpr std::int32_t kMostRestoreSegments = 100000;

struct RestoreSummary {
  long long circles = 0;       // closed circles
  long long arcs = 0;          // circular arcs
  long long ellipses = 0;      // closed ellipses
  long long ellipticArcs = 0;  // elliptic arcs
  long long solids = 0;        // circular solids, closed or not
  long long segments = 0;      // segments consumed
  long double largestDeviation = 0;
  // Closed chains that a curve fits but that were left as they were, having
  // fewer than minSegments segments.
  long long closedKept = 0;

  long long Figures() const { return circles + arcs + ellipses + ellipticArcs + solids; }
};

// Restores the store's chains by the options; the count limit as the
// conversions have it, std::bad_alloc when memory runs out. With threads > 1
// the chains are restored on that many threads, to the same figures.
[[nodiscard]] ConvertStatus RestoreCurves(Store& s, const RestoreOptions& options,
                                          RestoreSummary* summary = nullptr,
                                          std::size_t threads = 1);

}  // namespace q527
