// Segment ends clustered into vertices: ends of the same group at most tol
// apart are one vertex, and so are ends joined through a series of such
// ends (single linkage), so that no end's vertex depends on the order of
// the segments. Found through a hash of grid cells (crowded ones sorted by
// small cells of tol/2), in time about linear in the number of ends; an end
// that repeats an end of the segment before bit for bit is joined to it
// without a search. Besides the result (8 bytes a segment, 4 a vertex) it
// holds 12 to 16 bytes per end searched.
#pragma once

#include <cstdint>
#include <vector>

#include "polygon/segment_view.h"

namespace q527 {

struct EndClusters {
  // Per end: 2s is segment s's first point, 2s + 1 its second; -1 for the
  // ends of a segment left out or with a coordinate that is not finite.
  std::vector<std::int32_t> endVertex;
  // Per vertex: its smallest end (PointBefore), where the vertex stands.
  std::vector<std::int32_t> vertexEnd;
};

// tol not a finite number above 0 joins equal ends only.
EndClusters ClusterEnds(const SegmentView& segments, double tol);

}  // namespace q527
