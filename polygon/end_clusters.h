// Segment ends clustered into vertices: ends of the same group at most tol
// apart are one vertex, and so are ends joined through a series of such
// ends (single linkage), so that no end's vertex depends on the order of
// the segments. Found through a hash of grid cells (crowded ones sorted by
// small cells of tol/2), in time about linear in the number of ends.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "polygon/chains.h"

namespace q527 {

struct EndClusters {
  // Per end: 2s is segment s's first point, 2s + 1 its second; -1 for the
  // ends of a segment with a coordinate that is not finite.
  std::vector<std::int32_t> endVertex;
  std::vector<ChainPoint> at;  // per vertex: its smallest end (PointBefore)
};

// tol not a finite number above 0 joins equal ends only.
EndClusters ClusterEnds(std::span<const ChainSegment> segments, double tol);

}  // namespace q527
