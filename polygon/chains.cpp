#include "polygon/chains.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "polygon/end_clusters.h"

namespace q527 {
namespace {

// Each vertex's segments (those that are not zero-length), ascending.
struct VertexLists {
  std::vector<std::int32_t> start;  // per vertex, into segments; one more at the back
  std::vector<std::int32_t> segments;
};

// What a walk needs of a vertex, in one place: where it stands, how many
// segments meet there (neither zero-length nor duplicates), and of the
// first two their other vertices and whether they run from here.
struct VertexLinks {
  ChainPoint at;
  std::int32_t degree = 0;
  std::int32_t segment[2] = {-1, -1};
  std::int32_t far[2] = {-1, -1};
  bool startsHere[2] = {false, false};
};

struct Graph {
  std::vector<std::int32_t> endVertex;  // -1 for ends that are not finite
  std::vector<VertexLinks> links;
};

std::int32_t OtherEnd(const Graph& g, std::int32_t s, std::int32_t v) {
  return g.endVertex[2 * s] == v ? g.endVertex[2 * s + 1] : g.endVertex[2 * s];
}

VertexLists ListSegmentsByVertex(const Graph& g, const std::vector<char>& live) {
  const std::size_t vertices = g.links.size();
  VertexLists lists;
  lists.start.assign(vertices + 1, 0);
  for (std::size_t s = 0; s < live.size(); ++s) {
    if (!live[s]) continue;
    ++lists.start[g.endVertex[2 * s] + 1];
    ++lists.start[g.endVertex[2 * s + 1] + 1];
  }
  for (std::size_t v = 1; v <= vertices; ++v) lists.start[v] += lists.start[v - 1];
  std::vector<std::int32_t> fill(lists.start.begin(), lists.start.end() - 1);
  lists.segments.resize(lists.start.back());
  for (std::int32_t s = 0; s < static_cast<std::int32_t>(live.size()); ++s) {
    if (!live[s]) continue;
    lists.segments[fill[g.endVertex[2 * s]]++] = s;
    lists.segments[fill[g.endVertex[2 * s + 1]]++] = s;
  }
  return lists;
}

// Marks a segment that joins the same two vertices as an earlier one;
// both of its vertices come to the same verdict.
void MarkDuplicates(const Graph& g, const VertexLists& lists, std::vector<char>& duplicate) {
  constexpr std::int32_t kFewSegments = 16;
  std::vector<std::pair<std::int32_t, std::int32_t>> byOther;
  for (std::int32_t v = 0; v < static_cast<std::int32_t>(g.links.size()); ++v) {
    const std::int32_t* list = lists.segments.data() + lists.start[v];
    const std::int32_t n = lists.start[v + 1] - lists.start[v];
    if (n <= kFewSegments) {
      // Few segments: compare each with the earlier ones.
      for (std::int32_t j = 1; j < n; ++j)
        for (std::int32_t k = 0; k < j; ++k)
          if (OtherEnd(g, list[k], v) == OtherEnd(g, list[j], v)) {
            duplicate[list[j]] = 1;
            break;
          }
      continue;
    }
    // Many: sort by the other vertex, then by segment.
    byOther.clear();
    for (std::int32_t j = 0; j < n; ++j) byOther.emplace_back(OtherEnd(g, list[j], v), list[j]);
    std::sort(byOther.begin(), byOther.end());
    for (std::size_t j = 1; j < byOther.size(); ++j)
      if (byOther[j].first == byOther[j - 1].first) duplicate[byOther[j].second] = 1;
  }
}

// Each vertex's degree and first two segments, duplicates left out.
void LinkVertices(const VertexLists& lists, const std::vector<char>& duplicate, Graph& g) {
  for (std::int32_t v = 0; v < static_cast<std::int32_t>(g.links.size()); ++v) {
    VertexLinks& links = g.links[v];
    for (std::int32_t j = lists.start[v]; j < lists.start[v + 1]; ++j) {
      const std::int32_t s = lists.segments[j];
      if (duplicate[s]) continue;
      if (links.degree < 2) {
        links.segment[links.degree] = s;
        links.far[links.degree] = OtherEnd(g, s, v);
        links.startsHere[links.degree] = g.endVertex[2 * s] == v;
      }
      ++links.degree;
    }
  }
}

// A step of a walk: the segment taken, the vertex it leads to, and whether
// it runs against the walk.
struct Stride {
  std::int32_t segment, to;
  bool reversed;
};

void TakeStep(std::int32_t s, bool reversed, std::vector<char>& walked, ChainSet& set) {
  walked[s] = 1;
  set.steps.push_back({s, reversed});
}

// Walks from vertex v, reached along s, over two-segment vertices, into
// `strides`; false when it comes round to s0 (the chain is a loop).
bool WalkFrom(const Graph& g, std::int32_t s0, std::int32_t s, std::int32_t v,
              std::vector<Stride>& strides) {
  while (g.links[v].degree == 2) {
    const VertexLinks& links = g.links[v];
    const int k = links.segment[0] == s ? 1 : 0;
    s = links.segment[k];
    if (s == s0) return false;
    v = links.far[k];
    strides.push_back({s, v, !links.startsHere[k]});
  }
  return true;
}

// Appends the strides the other way round, from the far end back to
// vertex v where they began: each step and the vertex it reaches.
void TakeBack(const Graph& g, const std::vector<Stride>& strides, std::int32_t v,
              std::vector<char>& walked, ChainSet& set) {
  for (std::size_t k = strides.size(); k-- > 0;) {
    const std::int32_t to = k == 0 ? v : strides[k - 1].to;
    TakeStep(strides[k].segment, !strides[k].reversed, walked, set);
    set.vertices.push_back(g.links[to].at);
  }
}

// Puts the chain through segment s0 (from a to b) into the set, each
// segment walked once: back from a, then forward from b.
void WalkChain(const Graph& g, std::int32_t s0, std::int64_t group, std::vector<char>& walked,
               std::vector<Stride>& strides, ChainSet& set) {
  const std::int32_t a = g.endVertex[2 * s0], b = g.endVertex[2 * s0 + 1];
  Chain chain;
  chain.firstStep = static_cast<std::int32_t>(set.steps.size());
  chain.firstVertex = static_cast<std::int32_t>(set.vertices.size());
  chain.group = group;
  strides.clear();
  if (!WalkFrom(g, s0, s0, a, strides)) {
    // A loop: s0, then the strides back from a the other way round (the
    // last of which returns to a, not written again).
    set.vertices.push_back(g.links[a].at);
    TakeStep(s0, false, walked, set);
    set.vertices.push_back(g.links[b].at);
    TakeBack(g, strides, a, walked, set);
    set.vertices.pop_back();
    chain.closed = true;
  } else {
    // Open: the strides back from a the other way round, s0, and forward.
    const std::int32_t first = strides.empty() ? a : strides.back().to;
    set.vertices.push_back(g.links[first].at);
    TakeBack(g, strides, a, walked, set);
    TakeStep(s0, false, walked, set);
    strides.clear();
    WalkFrom(g, s0, s0, b, strides);
    std::int32_t v = b;
    for (const Stride& stride : strides) {
      set.vertices.push_back(g.links[v].at);
      TakeStep(stride.segment, stride.reversed, walked, set);
      v = stride.to;
    }
    // Back at the first vertex (a junction), the chain is closed.
    chain.closed = v == first;
    if (!chain.closed) set.vertices.push_back(g.links[v].at);
  }
  chain.steps = static_cast<std::int32_t>(set.steps.size()) - chain.firstStep;
  chain.vertices = static_cast<std::int32_t>(set.vertices.size()) - chain.firstVertex;
  set.chains.push_back(chain);
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

ChainSet JoinChains(std::span<const ChainSegment> segments, double tol) {
  if (segments.size() > 0x3fffffff) throw std::length_error("JoinChains: too many segments");
  const auto count = static_cast<std::int32_t>(segments.size());
  // Ends into vertices.
  Graph g;
  {
    EndClusters clusters = ClusterEnds(segments, tol);
    g.endVertex = std::move(clusters.endVertex);
    g.links.resize(clusters.at.size());
    for (std::size_t v = 0; v < clusters.at.size(); ++v) g.links[v].at = clusters.at[v];
  }
  // Zero-length segments out, then duplicates.
  ChainSet set;
  std::vector<char> live(segments.size(), 0);
  for (std::int32_t s = 0; s < count; ++s) {
    live[s] = g.endVertex[2 * s] >= 0 && g.endVertex[2 * s] != g.endVertex[2 * s + 1];
    if (!live[s]) set.zeroLength.push_back(s);
  }
  std::vector<char> duplicate(segments.size(), 0);
  {
    const VertexLists lists = ListSegmentsByVertex(g, live);
    MarkDuplicates(g, lists, duplicate);
    LinkVertices(lists, duplicate, g);
  }
  // Each chain from its first segment in the list, then into canonical form.
  std::vector<char> walked(segments.size(), 0);
  std::vector<Stride> strides;
  set.steps.reserve(segments.size() - set.zeroLength.size());
  for (std::int32_t s = 0; s < count; ++s) {
    if (duplicate[s]) set.duplicates.push_back(s);
    if (live[s] && !duplicate[s] && !walked[s])
      WalkChain(g, s, segments[s].group, walked, strides, set);
  }
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
