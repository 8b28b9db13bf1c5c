// Segments joined into chains: the ends that coincide within a tolerance
// become one vertex, and every path through vertices where exactly two
// segments meet becomes one chain, open or closed. Plain data in and out:
// the segments are read where the caller keeps them (a SegmentView), and
// what a segment was in a drawing is the caller's business.
//
// The rules, all independent of the order of the segments and of the way
// each one runs (beyond which segment numbers appear):
// - A segment of group kLeftOut is not there: it joins nothing and is
//   reported nowhere.
// - Vertices: two ends of the same group whose distance is at most tol are
//   one vertex, and so are ends joined through a series of such ends
//   (single linkage), so no end's vertex depends on which end came first.
//   A vertex stands at the smallest of its ends (by x, then y).
// - A segment whose two ends fall in one vertex is zero-length: it joins no
//   chain and counts at no vertex. So does a segment with a coordinate that
//   is not finite.
// - A segment between the same two vertices as a segment earlier in the
//   list (either way round) is a duplicate: left alone like a zero-length
//   one, so the chain runs on through the first of them.
// - A vertex where three or more of the remaining segments meet ends every
//   chain through it; so does a vertex with one.
// - A chain is closed when it returns to its first vertex (three segments at
//   least, since loops and duplicates are left out); a closed chain may
//   start and end at a junction, as a circle's polygon with a line touching
//   one of its corners.
// - Canonical order: an open chain runs from its smaller end vertex (x,
//   then y, -0 before +0); a closed chain starts at its smallest vertex and
//   runs counter-clockwise (positive area; with zero area, towards the
//   smaller of the start's two neighbours).
// Chains come in the order of their smallest segment number.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "polygon/curves.h"
#include "polygon/segment_view.h"

namespace q527 {

// A vertex: the curves the way back fits take the chains' vertices as
// they are.
using ChainPoint = Point2;

// One segment of a chain; reversed: it runs from (x2, y2) to (x1, y1).
struct ChainStep {
  std::int32_t segment = 0;
  bool reversed = false;
};

// A chain's steps and vertices are slices of the ChainSet's arrays. Step k
// runs from vertex k to vertex k + 1; an open chain has one vertex more than
// steps, a closed one as many (its last step returns to vertex 0).
struct Chain {
  std::int32_t firstStep = 0;
  std::int32_t steps = 0;
  std::int32_t firstVertex = 0;
  std::int32_t vertices = 0;
  std::uint32_t group = 0;
  bool closed = false;
};

struct ChainSet {
  std::vector<Chain> chains;
  std::vector<ChainStep> steps;
  std::vector<ChainPoint> vertices;
  // The segments in no chain, each list in ascending order.
  std::vector<std::int32_t> zeroLength;  // both ends one vertex, or not finite
  std::vector<std::int32_t> duplicates;
};

// Joins the segments into chains; tol (at least 0: 0 joins only equal ends)
// is the join distance. Takes time about linear in the number of segments,
// crowds of ends within a few tol included; only ends packed just over tol
// apart from a crowd can make a small cell's ends be looked through often.
// Besides its result (8 bytes a step, 16 a vertex, 24 a chain) it holds
// about 24 bytes a segment where most ends repeat an end of the segment
// before bit for bit (a polyline, a polygon written segment by segment),
// up to about 40 where every end has to be searched.
ChainSet JoinChains(const SegmentView& segments, double tol);

std::span<const ChainStep> StepsOf(const ChainSet& set, const Chain& chain);
std::span<const ChainPoint> VerticesOf(const ChainSet& set, const Chain& chain);

// The order of canonical forms: x, then y, each with -0 before +0.
bool PointBefore(ChainPoint a, ChainPoint b);

}  // namespace q527
