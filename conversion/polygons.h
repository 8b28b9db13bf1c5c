// The conversions of the store: its circles, arcs/ellipses and circular
// solids replaced by polygons (of line segments, of linear solids) with the
// same attributes, appended after the existing records in source order. Each
// polygon is kept as one record (Store::polygons) that the output pass
// writes as its segments; StorePolygonSegments (polygon_maker.h) makes them
// records of their own.
#pragma once

#include <cstdint>
#include <vector>

#include "exchange/store.h"
#include "polygon/plan.h"

namespace q527 {

// What a planned conversion made, for the summary.
struct PolygonSummary {
  long long polygons = 0;
  std::int32_t fewest = 0;  // segments; 0 before the first polygon
  std::int32_t most = 0;
  double largestDeviation = 0;  // over the figures that are not degenerate
  long long capped = 0;         // figures converted at maxSegments

  // Adds what another conversion made.
  void Add(const PolygonSummary& other);
};

// The counts (and, mid fit, the scales) a planned conversion gives one
// kind's figures, in table order, and what they make together: found ahead
// of the conversion, which checks their total against the count limit.
struct PolygonCounts {
  std::vector<std::int32_t> counts;
  std::vector<double> scales;  // the plans' scales, mid fit only
  std::int64_t segments = 0;
  PolygonSummary summary;
};
PolygonCounts PlanCircles(const Store& s, const PolygonPolicy& policy);
PolygonCounts PlanArcs(const Store& s, const PolygonPolicy& policy);
PolygonCounts PlanSolidCircles(const Store& s, const PolygonPolicy& policy);

enum class ConvertStatus {
  kDone,
  // A table or the order table would pass 2147483647 entries (or the counts
  // given are not the store's): nothing changed.
  kCountLimit,
};

// Converts the circles of the store into polygons by the policy, with the
// counts given or, when none are, planned here; std::bad_alloc when memory
// runs out while growing. summary, when given, gathers what a planned
// conversion made.
[[nodiscard]] ConvertStatus ConvertCircles(Store& s, const PolygonPolicy& policy,
                                           PolygonSummary* summary = nullptr,
                                           const PolygonCounts* counts = nullptr);
// Converts arcs, ellipses and elliptic arcs into polygons.
[[nodiscard]] ConvertStatus ConvertArcs(Store& s, const PolygonPolicy& policy,
                                        PolygonSummary* summary = nullptr,
                                        const PolygonCounts* counts = nullptr);
// Converts circular solids into linear solids, one per segment.
[[nodiscard]] ConvertStatus ConvertSolidCircles(Store& s, const PolygonPolicy& policy,
                                                PolygonSummary* summary = nullptr,
                                                const PolygonCounts* counts = nullptr);

// The dialog's rule: n (clamped to 3..999) segments for every figure.
[[nodiscard]] ConvertStatus ConvertCircles(Store& s, std::int32_t n);
[[nodiscard]] ConvertStatus ConvertArcs(Store& s, std::int32_t n);
[[nodiscard]] ConvertStatus ConvertSolidCircles(Store& s, std::int32_t n);

// Reserves, once for all the chosen kinds, the polygon and order tables
// their conversions fill (capacity only; nothing past the 32-bit limit).
void ReserveForPolygons(Store& s, bool circles, bool arcs, bool solids);

}  // namespace q527
