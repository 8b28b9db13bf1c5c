// The conversions: circles, arcs/ellipses and circular solids of the store
// replaced by polygons (line records, linear solids) with the same
// attributes, appended after the existing records in source order.
#pragma once

#include <cstdint>

#include "exchange/store.h"
#include "polygon/plan.h"

// What a planned conversion made, for the summary.
struct PolygonSummary {
  long long polygons = 0;
  std::int32_t fewest = 0;  // segments; 0 before the first polygon
  std::int32_t most = 0;
  double largestDeviation = 0;  // over the figures that are not degenerate
  long long capped = 0;         // figures converted at maxSegments
};

// Converts the circles of the store into polygons by the policy. False, with
// the store untouched, when a table count would pass 2147483647;
// std::bad_alloc when memory runs out while growing. summary, when given,
// gathers what a planned conversion made.
bool ConvertCircles(Store& s, const PolygonPolicy& policy, PolygonSummary* summary = nullptr);
// Converts arcs, ellipses and elliptic arcs into polygons.
bool ConvertArcs(Store& s, const PolygonPolicy& policy, PolygonSummary* summary = nullptr);
// Converts circular solids into linear solids, one per segment.
bool ConvertSolidCircles(Store& s, const PolygonPolicy& policy, PolygonSummary* summary = nullptr);

// The dialog's rule: n (clamped to 3..999) segments for every figure.
bool ConvertCircles(Store& s, std::int32_t n);
bool ConvertArcs(Store& s, std::int32_t n);
bool ConvertSolidCircles(Store& s, std::int32_t n);

// The arc's sweep in degrees, in (0, 360]; a closed ellipse gives 360, and so
// does a sweep that is not a finite number.
double ArcSweepDegrees(double start, double end);

// Reserves, once for all the chosen kinds, the tables the dialog's rule with
// n segments will fill (capacity only; nothing when a count would pass the
// 32-bit limit).
void ReserveForConversion(Store& s, std::int32_t n, bool circles, bool arcs, bool solids);
