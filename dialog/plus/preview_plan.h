// What OK will make of the figures for the current choices, found ahead of
// OK for the picture and the status line: each chosen figure's count (and,
// mid fit, scale) by the same PlanPolygon and the same policy as the run,
// and the summary q527-cli prints. The picture's polygons are walked from
// these counts by the same PolygonWalker the run uses, so the picture is
// what OK writes.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "conversion/polygons.h"
#include "conversion/request.h"
#include "dialog/plus/preview_restore.h"
#include "exchange/store.h"
#include "polygon/walk.h"

namespace q527 {

struct PreviewPlan {
  ConversionRequest request;
  // Per chosen kind, in table order, as the run plans them; empty for the
  // dialog's rule, which gives every figure the division count.
  PolygonCounts circles, arcs, solids;
  // What OK makes: the polygons, fewest and most segments, the largest
  // deviation reached (for the dialog's rule, that of the division count
  // with vertices on the curve) and the figures held at the most.
  PolygonSummary summary;
  // The way back's figures and summary; null in the conversion's mode.
  std::shared_ptr<const RestorePreview> restored;
  // False when the plan was stopped before its end: then it holds nothing
  // to draw.
  bool complete = false;
};

// Plans as the run plans, under the run's precision. Looks at `stop` every
// few hundred figures and gives up (complete false) once it is set; the
// way back, which runs whole, only before it. A restore of the
// same options as `previous`'s is taken from it, not made again.
PreviewPlan PlanPreview(const Store& s, const ConversionRequest& request,
                        const std::atomic<bool>& stop, const PreviewPlan* previous = nullptr);

// The vertices OK writes for figure `index` of the kind whose counts are
// given: the conversion's walk of that figure, vertex for vertex.
void WalkPreviewPolygon(PolygonWalker& walker, const PolygonFigure& figure, const PreviewPlan& plan,
                        const PolygonCounts& kind, std::size_t index, std::vector<Vertex>& out);

// The status line: the counts read (the segments too, for the way back)
// and what OK will make of them (UTF-8).
// plan: null while the plan for the current choices is being made;
// incomplete when it could not be made.
std::string PreviewStatusText(const Store& s, bool readComplete, const PreviewPlan* plan,
                              RunMode mode = RunMode::kConvert);

}  // namespace q527
