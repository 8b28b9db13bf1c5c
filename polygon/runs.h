// A chain cut into runs: the stretches of vertices that one circle or
// ellipse fits, each as long as it can be, the rest left as lines. Which
// figure fits a stretch is a judge's question, asked through a callable, so
// that the runs know nothing of the fits.
//
// The rules:
// - A closed chain of at least closedMinSegments (N) segments that one
//   figure fits whole becomes that closed figure. A closed chain of fewer
//   segments stays as it is (a hexagon stays a hexagon), fitting or not.
// - Every other chain is cut: for every start vertex, the longest stretch
//   any figure fits (two pointers: a stretch that fits still fits when
//   shortened, so a start's end never lies before the previous start's),
//   and for every start the longest that a circle fits. Of these the
//   maximal ones (contained in no other) are candidates, picked longest
//   first; at equal length the simpler figure first (a circle explains the
//   same vertices with fewer numbers); then by their vertices' coordinates
//   (the smaller pair of end vertices, then the middle vertex). A pick
//   takes its segments; a candidate that overlaps it is cut back to its
//   free part and judged again. A run keeps at least the minimum number of
//   segments of its kind.
// - So the runs depend neither on where a closed chain starts nor on its
//   direction (reversed, the same runs reversed), provided the judge does
//   not: picking longest first is what makes one ellipse win over a string
//   of circular arcs that each fit part of it.
//
// Judge calls: one for a chain that fits whole (closed, or open: an open
// chain is asked whole first), none for a closed one under N. Cutting a chain asks at every start
// once where the circle's stretch ends and, unless that answer settles it, once where the other
// ends, plus once per vertex the ends advance and once per candidate cut back: about two to two and
// a half calls a segment (57 for a rounded rectangle of 24 segments, 6393 for an open chain of
// 3000). Each call's own cost grows with its stretch; maxRunSegments bounds that on very long arcs.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "polygon/chains.h"

namespace q527 {

// Figures by richness: a circle is the simpler figure.
enum class CurveKind : std::int8_t { kNone = 0, kCircle = 1, kEllipse = 2 };

struct CurveVerdict {
  CurveKind kind = CurveKind::kNone;  // the simplest figure that fits; kNone: none does
  double deviation = 0;               // the vertices' largest distance from it
};

// The judge of vertices first, first + 1, .. first + segments, indices
// taken modulo the vertex count on a closed chain; segments equal to a
// closed chain's count asks for the whole chain as a closed figure. It must
// answer the same for the same stretch given the other way round, and a
// stretch that fits must fit when shortened: a circle down to the least
// segments of a circle, an ellipse (or a circle) down to those of an
// ellipse. Shorter stretches are not asked about for that figure.
using RunJudge = std::function<CurveVerdict(std::int32_t first, std::int32_t segments)>;

struct RunRules {
  std::int32_t closedMinSegments = 8;  // N
  std::int32_t circleMinSegments = 3;
  std::int32_t ellipseMinSegments = 6;
  // The longest run, in segments; 0: no cap. A cap bounds what one judge
  // call costs on very long chains, at the price of cutting longer arcs.
  std::int32_t maxRunSegments = 0;
};

// Vertices first .. first + segments (modulo the count on a closed chain).
struct Run {
  std::int32_t first = 0;
  std::int32_t segments = 0;
  CurveVerdict verdict;
  bool closed = false;  // the whole closed chain as one closed figure
};

struct RunPlan {
  std::vector<Run> runs;  // by first vertex
  std::int64_t judgeCalls = 0;
};

// vertices: a chain's, as ChainSet gives them (a closed chain's last
// segment returns to vertex 0).
RunPlan PlanRuns(std::span<const ChainPoint> vertices, bool closed, const RunRules& rules,
                 const RunJudge& judge);

}  // namespace q527
