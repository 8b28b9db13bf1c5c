#include "polygon/chains.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "polygon/end_clusters.h"

// Joining goes in two stages, so that what the walks need is gone before
// the vertices' points are written: first the walks through the graph of
// vertices and segments give each chain's steps; then each step's first
// vertex (and an open chain's last) is looked up by its end, the graph
// reduced to where each end's vertex stands.

namespace q527 {
namespace {

// Gives a vector's memory back (clearing it keeps it).
template <typename T>
void Release(std::vector<T>& v) {
  std::vector<T>().swap(v);
}

// What becomes of a segment, one byte each.
enum SegmentState : std::uint8_t { kOut, kZeroLength, kLive, kDuplicate, kWalked };

// What a walk needs of a vertex: the first two segments of one state that
// meet there, the second kMore when three or more do.
struct VertexLinks {
  std::int32_t first = -1, second = -1;
};

constexpr std::int32_t kMore = -2;

// Segments at a vertex: 3 stands for three or more.
int DegreeOf(const VertexLinks& links) {
  if (links.first < 0) return 0;
  return links.second == -1 ? 1 : links.second == kMore ? 3 : 2;
}

struct Graph {
  const SegmentView& view;
  EndClusters ends;                 // endVertex -1 for ends left out or not finite
  std::vector<VertexLinks> links;   // per vertex
  std::vector<std::uint8_t> state;  // per segment
};

std::int32_t OtherEnd(const Graph& g, std::int32_t s, std::int32_t v) {
  const std::vector<std::int32_t>& endVertex = g.ends.endVertex;
  return endVertex[2 * s] == v ? endVertex[2 * s + 1] : endVertex[2 * s];
}

// Each segment in, zero-length or out; the zero-length ones listed.
void SortOutSegments(Graph& g, ChainSet& set) {
  g.state.assign(g.view.count, kOut);
  for (std::int32_t s = 0; s < static_cast<std::int32_t>(g.view.count); ++s) {
    if (GroupOf(g.view, static_cast<std::size_t>(s)) == kLeftOut) continue;
    const std::int32_t a = g.ends.endVertex[2 * s], b = g.ends.endVertex[2 * s + 1];
    g.state[s] = a >= 0 && a != b ? kLive : kZeroLength;
    if (g.state[s] == kZeroLength) set.zeroLength.push_back(s);
  }
}

// Each vertex's first two live segments.
void LinkVertices(Graph& g) {
  g.links.assign(g.ends.vertexEnd.size(), VertexLinks{});
  for (std::int32_t s = 0; s < static_cast<std::int32_t>(g.state.size()); ++s) {
    if (g.state[s] != kLive) continue;
    for (int k = 0; k < 2; ++k) {
      VertexLinks& links = g.links[g.ends.endVertex[2 * s + k]];
      if (links.first < 0) {
        links.first = s;
      } else {
        links.second = links.second == -1 ? s : kMore;
      }
    }
  }
}

// Marks a segment that joins the same two vertices as an earlier one; both
// of its vertices come to the same verdict. At a vertex of two segments
// the two are compared; at a junction, its segments sorted by their other
// vertex, then by number. Returns whether there were any.
bool MarkDuplicates(Graph& g) {
  struct Incidence {
    std::int32_t vertex, other, segment;
    auto operator<=>(const Incidence&) const = default;
  };
  bool junctions = false, marked = false;
  for (std::int32_t v = 0; v < static_cast<std::int32_t>(g.links.size()); ++v) {
    const VertexLinks& links = g.links[v];
    const int degree = DegreeOf(links);
    if (degree == 2 && OtherEnd(g, links.first, v) == OtherEnd(g, links.second, v)) {
      g.state[links.second] = kDuplicate;
      marked = true;
    }
    junctions = junctions || degree > 2;
  }
  if (!junctions) return marked;
  // Each live segment's ends at junctions (a segment already marked has an
  // earlier twin that stays in the list).
  auto atJunction = [&](std::int32_t s, int k) {
    return DegreeOf(g.links[g.ends.endVertex[2 * s + k]]) > 2;
  };
  std::size_t count = 0;
  for (std::int32_t s = 0; s < static_cast<std::int32_t>(g.state.size()); ++s)
    if (g.state[s] == kLive) count += (atJunction(s, 0) ? 1 : 0) + (atJunction(s, 1) ? 1 : 0);
  std::vector<Incidence> atJunctions;
  atJunctions.reserve(count);
  for (std::int32_t s = 0; s < static_cast<std::int32_t>(g.state.size()); ++s) {
    if (g.state[s] != kLive) continue;
    for (int k = 0; k < 2; ++k)
      if (atJunction(s, k))
        atJunctions.push_back({g.ends.endVertex[2 * s + k], g.ends.endVertex[2 * s + 1 - k], s});
  }
  std::sort(atJunctions.begin(), atJunctions.end());
  for (std::size_t j = 1; j < atJunctions.size(); ++j) {
    const Incidence &a = atJunctions[j - 1], &b = atJunctions[j];
    if (a.vertex == b.vertex && a.other == b.other) {
      g.state[b.segment] = kDuplicate;
      marked = true;
    }
  }
  return marked;
}

// A step of a walk: the segment taken, the vertex it leads to, and whether
// it runs against the walk.
struct Stride {
  std::int32_t segment, to;
  bool reversed;
};

void TakeStep(Graph& g, std::int32_t s, bool reversed, ChainSet& set) {
  g.state[s] = kWalked;
  set.steps.push_back({s, reversed});
}

// Walks from vertex v, reached along s, over two-segment vertices, into
// `strides`; false when it comes round to s0 (the chain is a loop).
bool WalkFrom(const Graph& g, std::int32_t s0, std::int32_t s, std::int32_t v,
              std::vector<Stride>& strides) {
  while (DegreeOf(g.links[v]) == 2) {
    const VertexLinks& links = g.links[v];
    s = links.first == s ? links.second : links.first;
    if (s == s0) return false;
    const bool startsHere = g.ends.endVertex[2 * s] == v;
    v = OtherEnd(g, s, v);
    strides.push_back({s, v, !startsHere});
  }
  return true;
}

// Appends the strides the other way round, from the far end back to where
// they began.
void TakeBack(Graph& g, const std::vector<Stride>& strides, ChainSet& set) {
  for (std::size_t k = strides.size(); k-- > 0;)
    TakeStep(g, strides[k].segment, !strides[k].reversed, set);
}

// Puts the steps of the chain through segment s0 (from a to b) into the
// set, each segment walked once: back from a, then forward from b. Step k
// runs from the chain's vertex k to vertex k + 1.
void WalkChain(Graph& g, std::int32_t s0, std::vector<Stride>& strides, ChainSet& set) {
  const std::int32_t a = g.ends.endVertex[2 * s0], b = g.ends.endVertex[2 * s0 + 1];
  Chain chain;
  chain.firstStep = static_cast<std::int32_t>(set.steps.size());
  chain.group = GroupOf(g.view, static_cast<std::size_t>(s0));
  strides.clear();
  if (!WalkFrom(g, s0, s0, a, strides)) {
    // A loop: s0, then the strides back from a the other way round (the
    // last of which returns to a).
    TakeStep(g, s0, false, set);
    TakeBack(g, strides, set);
    chain.closed = true;
  } else {
    // Open: the strides back from a the other way round, s0, and forward.
    const std::int32_t first = strides.empty() ? a : strides.back().to;
    TakeBack(g, strides, set);
    TakeStep(g, s0, false, set);
    strides.clear();
    WalkFrom(g, s0, s0, b, strides);
    for (const Stride& stride : strides) TakeStep(g, stride.segment, stride.reversed, set);
    // Back at the first vertex (a junction), the chain is closed.
    chain.closed = (strides.empty() ? b : strides.back().to) == first;
  }
  chain.steps = static_cast<std::int32_t>(set.steps.size()) - chain.firstStep;
  set.chains.push_back(chain);
}

// The chains' steps, each chain from its first segment in the list; the
// duplicates listed.
void WalkChains(Graph& g, ChainSet& set) {
  std::size_t steps = 0;
  for (const std::uint8_t state : g.state) steps += state == kLive ? 1 : 0;
  set.steps.reserve(steps);
  std::vector<Stride> strides;
  for (std::int32_t s = 0; s < static_cast<std::int32_t>(g.state.size()); ++s) {
    if (g.state[s] == kDuplicate) set.duplicates.push_back(s);
    if (g.state[s] == kLive) WalkChain(g, s, strides, set);
  }
}

// Per end, the end its vertex stands at: all the vertices' points need.
std::vector<std::int32_t> EndsStoodAt(EndClusters ends) {
  std::vector<std::int32_t> at = std::move(ends.endVertex);
  for (std::int32_t& e : at)
    if (e >= 0) e = ends.vertexEnd[e];
  return at;
}

// Each chain's vertices: the first vertex of every step, and an open
// chain's last.
void PlaceVertices(const SegmentView& view, const std::vector<std::int32_t>& at, ChainSet& set) {
  auto point = [&](std::int32_t s, bool second) {
    return EndPoint(view, static_cast<std::size_t>(at[2 * static_cast<std::size_t>(s) + second]));
  };
  std::size_t open = 0;
  for (const Chain& chain : set.chains) open += chain.closed ? 0 : 1;
  set.vertices.reserve(set.steps.size() + open);
  for (Chain& chain : set.chains) {
    chain.firstVertex = static_cast<std::int32_t>(set.vertices.size());
    for (const ChainStep& step : StepsOf(set, chain))
      set.vertices.push_back(point(step.segment, step.reversed));
    if (!chain.closed) {
      const ChainStep& last =
          set.steps[static_cast<std::size_t>(chain.firstStep + chain.steps - 1)];
      set.vertices.push_back(point(last.segment, !last.reversed));
    }
    chain.vertices = static_cast<std::int32_t>(set.vertices.size()) - chain.firstVertex;
  }
}

// Turns a chain round: the same vertices and segments the other way.
void Reverse(std::span<ChainPoint> vertices, std::span<ChainStep> steps, bool closed) {
  // A closed chain keeps its first vertex.
  std::reverse(vertices.begin() + (closed ? 1 : 0), vertices.end());
  std::reverse(steps.begin(), steps.end());
  for (ChainStep& step : steps) step.reversed = !step.reversed;
}

// Twice the signed area of a closed chain, about its first vertex.
double TwiceArea(std::span<const ChainPoint> v) {
  double sum = 0;
  for (std::size_t k = 1; k + 1 < v.size(); ++k) {
    const double ax = v[k].x - v[0].x, ay = v[k].y - v[0].y;
    const double bx = v[k + 1].x - v[0].x, by = v[k + 1].y - v[0].y;
    sum += ax * by - ay * bx;
  }
  return sum;
}

// Puts a chain into its canonical form (see the header).
void Canonicalise(const Chain& chain, ChainSet& set) {
  const std::span<ChainPoint> vertices(set.vertices.data() + chain.firstVertex,
                                       static_cast<std::size_t>(chain.vertices));
  const std::span<ChainStep> steps(set.steps.data() + chain.firstStep,
                                   static_cast<std::size_t>(chain.steps));
  if (!chain.closed) {
    if (PointBefore(vertices.back(), vertices.front())) Reverse(vertices, steps, false);
    return;
  }
  // Start at the smallest vertex, first towards its smaller neighbour: a
  // form that does not depend on the walk, in which the area is taken.
  const auto smallest = std::min_element(vertices.begin(), vertices.end(), PointBefore);
  const auto shift = smallest - vertices.begin();
  std::rotate(vertices.begin(), smallest, vertices.end());
  std::rotate(steps.begin(), steps.begin() + shift, steps.end());
  if (PointBefore(vertices.back(), vertices[1])) Reverse(vertices, steps, true);
  if (TwiceArea(vertices) < 0) Reverse(vertices, steps, true);
}

}  // namespace

bool PointBefore(ChainPoint a, ChainPoint b) {
  if (a.x != b.x) return a.x < b.x;
  if (std::signbit(a.x) != std::signbit(b.x)) return std::signbit(a.x);
  if (a.y != b.y) return a.y < b.y;
  return std::signbit(a.y) && !std::signbit(b.y);
}

ChainSet JoinChains(const SegmentView& segments, double tol) {
  if (segments.count > 0x3fffffff) throw std::length_error("JoinChains: too many segments");
  ChainSet set;
  std::vector<std::int32_t> at;
  {
    // Ends into vertices; zero-length segments out, then duplicates, the
    // vertices linked to what is left; the walks.
    Graph g{segments, ClusterEnds(segments, tol), {}, {}};
    SortOutSegments(g, set);
    LinkVertices(g);
    if (MarkDuplicates(g)) LinkVertices(g);
    WalkChains(g, set);
    Release(g.links);
    Release(g.state);
    at = EndsStoodAt(std::move(g.ends));
  }
  // The points, then each chain into canonical form.
  PlaceVertices(segments, at, set);
  Release(at);
  for (const Chain& chain : set.chains) Canonicalise(chain, set);
  return set;
}

std::span<const ChainStep> StepsOf(const ChainSet& set, const Chain& chain) {
  return {set.steps.data() + chain.firstStep, static_cast<std::size_t>(chain.steps)};
}

std::span<const ChainPoint> VerticesOf(const ChainSet& set, const Chain& chain) {
  return {set.vertices.data() + chain.firstVertex, static_cast<std::size_t>(chain.vertices)};
}

}  // namespace q527
