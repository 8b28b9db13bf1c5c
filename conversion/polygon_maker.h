// How the conversion's polygon records are walked: the maker the store lends
// the output pass, and the records made back into segment records of their
// own where a caller wants to look at them.
#pragma once

#include <cstdint>

#include "exchange/store.h"
#include "polygon/plan.h"

namespace q527 {

// TJwwEntPolygon::walk: the dialog's rule (n segments, every vertex on the
// curve), or a plan's fit.
inline constexpr std::int32_t kEvenWalk = 0;
inline std::int32_t PlannedWalkOf(PolygonFit fit) { return 1 + static_cast<std::int32_t>(fit); }

// The one maker of the conversion's polygons: PolygonWalker over the
// converted source records.
const TJwwPolygonMaker& ConversionPolygonMaker();

// Replaces every polygon record by its segments, line records and linear
// solids appended to their tables with order entries of their own: the
// store as if the conversion had made the segments at once. The output pass
// writes the same bytes either way.
void StorePolygonSegments(Store& s);

}  // namespace q527
