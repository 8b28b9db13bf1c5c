// Segments joined into chains: joins within the tolerance in any order and
// direction, junctions, zero-length and duplicate segments, groups, and the
// canonical form that makes the chains independent of the input's order.
#include "polygon/chains.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "polygon/end_clusters.h"

namespace q527 {
namespace {

constexpr double kTol = 0.01;

// A segment as the tests write it down: its ends and its group.
struct ChainSegment {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::uint32_t group = 0;
};

// The segments seen in place, their groups copied beside them.
struct Viewed {
  std::vector<std::uint32_t> groups;
  SegmentView view;

  explicit Viewed(const std::vector<ChainSegment>& s) {
    for (const ChainSegment& seg : s) groups.push_back(seg.group);
    view = {s.empty() ? nullptr : &s[0].x1, sizeof(ChainSegment), s.size(), groups.data()};
  }
};

ChainSet JoinChains(const std::vector<ChainSegment>& segments, double tol) {
  return JoinChains(Viewed(segments).view, tol);
}

EndClusters ClusterEnds(const std::vector<ChainSegment>& segments, double tol) {
  return ClusterEnds(Viewed(segments).view, tol);
}

ChainSegment Seg(double x1, double y1, double x2, double y2, std::uint32_t group = 0) {
  return {x1, y1, x2, y2, group};
}

// A polyline's segments, first to last.
std::vector<ChainSegment> Polyline(const std::vector<ChainPoint>& points, std::uint32_t group = 0) {
  std::vector<ChainSegment> segments;
  for (std::size_t k = 1; k < points.size(); ++k)
    segments.push_back(Seg(points[k - 1].x, points[k - 1].y, points[k].x, points[k].y, group));
  return segments;
}

// A chain as the tests compare it: whether closed, its group, vertices and
// segments (as numbers in some reference list, with direction).
struct Seen {
  bool closed = false;
  std::uint32_t group = 0;
  std::vector<std::pair<double, double>> vertices;
  std::vector<std::pair<std::int32_t, bool>> steps;
  auto operator<=>(const Seen&) const = default;
};

// The chains sorted, segment numbers mapped through `original` and their
// directions through `flipped` (both indexed by the numbers given).
std::vector<Seen> Describe(const ChainSet& set, const std::vector<std::int32_t>& original = {},
                           const std::vector<char>& flipped = {}) {
  std::vector<Seen> seen;
  for (const Chain& chain : set.chains) {
    Seen s{chain.closed, chain.group, {}, {}};
    for (const ChainPoint& p : VerticesOf(set, chain)) s.vertices.emplace_back(p.x, p.y);
    for (const ChainStep& step : StepsOf(set, chain)) {
      const std::int32_t id = original.empty() ? step.segment : original[step.segment];
      const bool flip = !flipped.empty() && flipped[step.segment];
      s.steps.emplace_back(id, step.reversed != flip);
    }
    seen.push_back(s);
  }
  std::sort(seen.begin(), seen.end());
  return seen;
}

std::vector<std::pair<double, double>> VerticesAsPairs(const ChainSet& set, const Chain& chain) {
  std::vector<std::pair<double, double>> v;
  for (const ChainPoint& p : VerticesOf(set, chain)) v.emplace_back(p.x, p.y);
  return v;
}

ChainSegment Flipped(const ChainSegment& s) { return {s.x2, s.y2, s.x1, s.y1, s.group}; }

TEST(JoinChains, SquareJoinsInEveryOrderAndDirection) {
  const std::vector<ChainSegment> square =
      Polyline({{0, 0}, {0, 1}, {1, 1}, {1, 0}, {0, 0}});  // clockwise
  std::vector<std::int32_t> order = {0, 1, 2, 3};
  do {
    for (int flips = 0; flips < 16; ++flips) {
      std::vector<ChainSegment> input;
      for (int k = 0; k < 4; ++k)
        input.push_back((flips >> k) & 1 ? Flipped(square[order[k]]) : square[order[k]]);
      const ChainSet set = JoinChains(input, kTol);
      ASSERT_EQ(set.chains.size(), 1u);
      const Chain& chain = set.chains[0];
      EXPECT_TRUE(chain.closed);
      // Counter-clockwise from the smallest vertex.
      const std::vector<std::pair<double, double>> want = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
      EXPECT_EQ(VerticesAsPairs(set, chain), want);
      // Step k runs from vertex k to vertex k + 1 along its segment.
      const auto vertices = VerticesOf(set, chain);
      for (std::int32_t k = 0; k < chain.steps; ++k) {
        const ChainStep step = StepsOf(set, chain)[k];
        const ChainSegment& s = input[step.segment];
        const ChainPoint from = step.reversed ? ChainPoint{s.x2, s.y2} : ChainPoint{s.x1, s.y1};
        EXPECT_EQ(from.x, vertices[k].x);
        EXPECT_EQ(from.y, vertices[k].y);
      }
    }
  } while (std::next_permutation(order.begin(), order.end()));
}

// Two segments meeting at a corner whose ends lie `gap` apart: joined at
// most tol apart, wherever the corner lies on the grid.
TEST(JoinChains, ToleranceBorderAndGridCells) {
  const double cell = 3 * kTol;
  const double corners[] = {
      0, cell, -cell, cell * 7 + 0.4 * kTol, -cell * 7, cell - 1e-12, 1e6 * cell, -1e6, 1.5 * cell};
  struct Gap {
    double factor;
    bool joined;
  };
  const Gap gaps[] = {{0, true},      {0.5, true},  {0.9, true},  {0.999, true},
                      {1.001, false}, {1.1, false}, {1.5, false}, {2.6, false}};
  const double directions[] = {0, 0.3, 0.785, 1.6, 2.5, 3.3, 4.7, 5.9};
  for (double corner : corners)
    for (const Gap& gap : gaps)
      for (double angle : directions) {
        SCOPED_TRACE(testing::Message()
                     << "corner " << corner << " gap " << gap.factor << " angle " << angle);
        const double ex = corner + gap.factor * kTol * std::cos(angle);
        const double ey = corner + gap.factor * kTol * std::sin(angle);
        const std::vector<ChainSegment> input = {Seg(corner - 1, corner, corner, corner),
                                                 Seg(ex, ey, ex, ey + 1)};
        const ChainSet set = JoinChains(input, kTol);
        ASSERT_EQ(set.chains.size(), gap.joined ? 1u : 2u);
        if (gap.joined) {
          EXPECT_EQ(set.chains[0].steps, 2);
        }
      }
}

TEST(JoinChains, ZeroToleranceJoinsEqualEndsOnly) {
  const std::vector<ChainSegment> input = {Seg(0, 0, 1, 0), Seg(1, 0, 1, 1),
                                           Seg(1, 1 + 1e-15, 2, 2), Seg(-0.0, -0.0, -1, 0)};
  const ChainSet set = JoinChains(input, 0);
  ASSERT_EQ(set.chains.size(), 2u);
  EXPECT_EQ(set.chains[0].steps, 3);  // -0 and +0 are one point
  EXPECT_EQ(set.chains[1].steps, 1);
  for (double bad : {-1.0, std::numeric_limits<double>::quiet_NaN()})
    EXPECT_EQ(JoinChains(input, bad).chains.size(), 2u);
}

// Ends apart by less than the square root of the smallest double: their
// squared distance is 0, yet with no tolerance they stay apart.
TEST(JoinChains, ZeroToleranceKeepsTinyGaps) {
  std::vector<ChainSegment> input;
  for (int k = 0; k < 64; ++k) input.push_back(Seg(1e-170 * k, 0, k + 1, 5));
  const ChainSet set = JoinChains(input, 0);
  EXPECT_EQ(set.chains.size(), 64u);
}

// Junctions of three or more ends end every chain through them.
TEST(JoinChains, JunctionsEndChains) {
  struct Case {
    std::string name;
    std::vector<ChainSegment> input;
    std::vector<std::int32_t> steps;  // per chain, sorted
    std::vector<bool> closed;         // per chain, in the same order
  };
  const std::vector<Case> cases = {
      {"T", {Seg(-1, 0, 0, 0), Seg(0, 0, 1, 0), Seg(0, 0, 0, 1)}, {1, 1, 1}, {0, 0, 0}},
      {"X",
       {Seg(-1, 0, 0, 0), Seg(0, 0, 1, 0), Seg(0, -1, 0, 0), Seg(0, 0, 0, 1)},
       {1, 1, 1, 1},
       {0, 0, 0, 0}},
      {"polyline with a branch",
       {Seg(0, 0, 1, 0), Seg(1, 0, 2, 0), Seg(2, 0, 3, 0), Seg(3, 0, 4, 0), Seg(2, 0, 2, 5)},
       {1, 2, 2},
       {0, 0, 0}},
      // A square touched at a corner by a line: a closed chain and the line.
      {"loop at a junction",
       {Seg(0, 0, 1, 0), Seg(1, 0, 1, 1), Seg(1, 1, 0, 1), Seg(0, 1, 0, 0), Seg(0, 0, -3, -3)},
       {1, 4},
       {0, 1}},
      // Two squares sharing a corner: two closed chains.
      {"figure eight",
       {Seg(0, 0, 1, 0), Seg(1, 0, 1, 1), Seg(1, 1, 0, 1), Seg(0, 1, 0, 0), Seg(0, 0, -1, 0),
        Seg(-1, 0, -1, -1), Seg(-1, -1, 0, -1), Seg(0, -1, 0, 0)},
       {4, 4},
       {1, 1}},
  };
  for (const Case& c : cases) {
    // Whichever segment comes first, either way round.
    for (std::size_t turn = 0; turn < 2 * c.input.size(); ++turn) {
      SCOPED_TRACE(testing::Message() << c.name << ", turn " << turn);
      std::vector<ChainSegment> input = c.input;
      std::rotate(input.begin(), input.begin() + turn % input.size(), input.end());
      if (turn >= input.size())
        for (ChainSegment& s : input) s = Flipped(s);
      const ChainSet set = JoinChains(input, kTol);
      std::vector<std::pair<std::int32_t, bool>> got;
      for (const Chain& chain : set.chains) got.emplace_back(chain.steps, chain.closed);
      std::sort(got.begin(), got.end());
      ASSERT_EQ(got.size(), c.steps.size());
      for (std::size_t k = 0; k < got.size(); ++k) {
        EXPECT_EQ(got[k].first, c.steps[k]);
        EXPECT_EQ(got[k].second, c.closed[k]);
      }
    }
  }
}

// Ends within tol of each other through a series of ends are one vertex:
// 0, 0.9·tol and 1.8·tol meet, whichever comes first.
TEST(JoinChains, NearEndsClusterBySingleLinkage) {
  std::vector<ChainSegment> input = {Seg(0, 0, 0, 5), Seg(0.9 * kTol, 0, 5, 0),
                                     Seg(1.8 * kTol, 0, 5, -5)};
  for (int turn = 0; turn < 3; ++turn) {
    const ChainSet set = JoinChains(input, kTol);
    ASSERT_EQ(set.chains.size(), 3u);  // one vertex of three ends
    for (const Chain& chain : set.chains) {
      EXPECT_EQ(chain.steps, 1);
      EXPECT_EQ(VerticesOf(set, chain)[0].x, 0);  // the smallest end stands for all
    }
    std::rotate(input.begin(), input.begin() + 1, input.end());
  }
}

TEST(JoinChains, ZeroLengthAndUnfiniteSegmentsStayOut) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<ChainSegment> input = {
      Seg(0, 0, 1, 0),   Seg(1, 0, 1 + 0.5 * kTol, 0),  // zero-length at a vertex
      Seg(1, 0, 1, 1),   Seg(1, 1, 1, 1),               // a point
      Seg(1, 1, 2, 1),   Seg(nan, 0, 1, 1),             // not finite
      Seg(2, 1, inf, 1), Seg(5, 5, 5 + 0.3 * kTol, 5),  // alone
  };
  const ChainSet set = JoinChains(input, kTol);
  EXPECT_EQ(set.zeroLength, (std::vector<std::int32_t>{1, 3, 5, 6, 7}));
  ASSERT_EQ(set.chains.size(), 1u);  // the vertices of two segments stay so
  EXPECT_EQ(set.chains[0].steps, 3);
  EXPECT_FALSE(set.chains[0].closed);
}

TEST(JoinChains, DuplicatesStayOutAndTheChainRunsOn) {
  const std::vector<ChainSegment> input = {
      Seg(0, 0, 1, 0),
      Seg(1, 0, 2, 1),
      Seg(2, 1, 3, 1),
      Seg(1, 0, 2, 1),                        // exact duplicate
      Seg(2 + 0.3 * kTol, 1, 1, 0.2 * kTol),  // reversed, within tol
      Seg(5, 5, 6, 5),
      Seg(6, 5, 5, 5),  // a pair alone
  };
  const ChainSet set = JoinChains(input, kTol);
  EXPECT_EQ(set.duplicates, (std::vector<std::int32_t>{3, 4, 6}));
  ASSERT_EQ(set.chains.size(), 2u);
  EXPECT_EQ(set.chains[0].steps, 3);
  EXPECT_EQ(StepsOf(set, set.chains[0])[1].segment, 1);
  EXPECT_EQ(set.chains[1].steps, 1);

  // Many duplicates at one vertex take the sorted road.
  std::vector<ChainSegment> star;
  for (int k = 0; k < 40; ++k) star.push_back(Seg(0, 0, k % 20 + 1, 1));
  const ChainSet stars = JoinChains(star, kTol);
  EXPECT_EQ(stars.duplicates.size(), 20u);
  EXPECT_EQ(stars.duplicates.front(), 20);
  EXPECT_EQ(stars.chains.size(), 20u);
}

TEST(JoinChains, GroupsDoNotJoin) {
  std::vector<ChainSegment> input = Polyline({{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}});
  input[2].group = 7;
  const ChainSet set = JoinChains(input, kTol);
  ASSERT_EQ(set.chains.size(), 2u);
  EXPECT_EQ(set.chains[0].group, 0);
  EXPECT_EQ(set.chains[0].steps, 3);
  EXPECT_FALSE(set.chains[0].closed);
  EXPECT_EQ(set.chains[1].group, 7);
  // Groups far apart in value but equal in their low bits still differ.
  const std::vector<ChainSegment> two = {Seg(0, 0, 1, 0, 1), Seg(1, 0, 2, 0, 1 + (1u << 30))};
  EXPECT_EQ(JoinChains(two, kTol).chains.size(), 2u);
}

// Segments read in place from wider records, some left out: those are in
// no chain and on no list, and the others join as if they were alone.
TEST(JoinChains, WideRecordsAndSegmentsLeftOut) {
  struct Record {
    std::int32_t attributes[8];
    double x1, y1, x2, y2;
  };
  const std::vector<Record> records = {
      {{}, 0, 0, 1, 0}, {{}, 1, 0, 1, 1}, {{}, 1, 0, 9, 9},  // left out: else a junction
      {{}, 1, 1, 0, 1}, {{}, 4, 4, 4, 4},                    // left out: else zero-length
      {{}, 1, 1, 0, 1},                                      // left out: else a duplicate
      {{}, 0, 1, 0, 0}};
  const std::vector<std::uint32_t> groups = {3, 3, kLeftOut, 3, kLeftOut, kLeftOut, 3};
  const ChainSet set =
      JoinChains(SegmentView{&records[0].x1, sizeof(Record), records.size(), groups.data()}, kTol);
  EXPECT_TRUE(set.zeroLength.empty());
  EXPECT_TRUE(set.duplicates.empty());
  ASSERT_EQ(set.chains.size(), 1u);
  EXPECT_TRUE(set.chains[0].closed);
  EXPECT_EQ(set.chains[0].group, 3u);
  std::vector<std::int32_t> segments;
  for (const ChainStep& step : StepsOf(set, set.chains[0])) segments.push_back(step.segment);
  std::sort(segments.begin(), segments.end());
  EXPECT_EQ(segments, (std::vector<std::int32_t>{0, 1, 3, 6}));
}

TEST(JoinChains, CanonicalForms) {
  struct Case {
    std::string name;
    std::vector<ChainPoint> drawn;
    std::vector<std::pair<double, double>> want;
    bool closed;
  };
  const std::vector<Case> cases = {
      {"open, drawn from its larger end",
       {{3, 0}, {2, 1}, {0, 5}},
       {{0, 5}, {2, 1}, {3, 0}},
       false},
      {"open, ends equal in x", {{1, 9}, {4, 4}, {1, 2}}, {{1, 2}, {4, 4}, {1, 9}}, false},
      {"clockwise triangle", {{0, 0}, {0, 2}, {3, 1}, {0, 0}}, {{0, 0}, {3, 1}, {0, 2}}, true},
      {"counter-clockwise from elsewhere",
       {{4, 4}, {0, 4}, {0, 0}, {4, 0}, {4, 4}},
       {{0, 0}, {4, 0}, {4, 4}, {0, 4}},
       true},
      // Both lobes cancel: towards the smaller neighbour of the start.
      {"bow tie of zero area",
       {{2, 2}, {0, 2}, {2, 0}, {0, 0}, {2, 2}},
       {{0, 0}, {2, 0}, {0, 2}, {2, 2}},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ChainSet set = JoinChains(Polyline(c.drawn), kTol);
    ASSERT_EQ(set.chains.size(), 1u);
    EXPECT_EQ(set.chains[0].closed, c.closed);
    EXPECT_EQ(VerticesAsPairs(set, set.chains[0]), c.want);
  }
}

// Each end's cluster told by its first end (-1 for ends in none): the
// clusters as ClusterEnds makes them, and by every pair of ends (the same
// distance test).
std::vector<std::int32_t> FirstEnds(const EndClusters& c) {
  std::vector<std::int32_t> first(c.endVertex.size(), -1), ofVertex(c.vertexEnd.size(), -1);
  for (std::size_t e = 0; e < first.size(); ++e) {
    if (c.endVertex[e] < 0) continue;
    std::int32_t& f = ofVertex[c.endVertex[e]];
    if (f < 0) f = static_cast<std::int32_t>(e);
    first[e] = f;
  }
  return first;
}

ChainPoint EndOf(const std::vector<ChainSegment>& s, std::size_t e) {
  return e % 2 == 0 ? ChainPoint{s[e / 2].x1, s[e / 2].y1} : ChainPoint{s[e / 2].x2, s[e / 2].y2};
}

std::vector<std::int32_t> FirstEndsByEveryPair(const std::vector<ChainSegment>& s, double tol) {
  const std::size_t ends = 2 * s.size();
  auto in = [&](std::size_t e) {
    const ChainSegment& seg = s[e / 2];
    return seg.group != kLeftOut && std::isfinite(seg.x1) && std::isfinite(seg.y1) &&
           std::isfinite(seg.x2) && std::isfinite(seg.y2);
  };
  std::vector<std::int32_t> first(ends);
  for (std::size_t e = 0; e < ends; ++e) first[e] = in(e) ? static_cast<std::int32_t>(e) : -1;
  // Relabel to the smaller first end until nothing changes.
  for (bool changed = true; changed;) {
    changed = false;
    for (std::size_t a = 0; a < ends; ++a)
      for (std::size_t b = a + 1; b < ends; ++b) {
        const double dx = EndOf(s, b).x - EndOf(s, a).x, dy = EndOf(s, b).y - EndOf(s, a).y;
        if (first[a] < 0 || first[b] < 0 || first[a] == first[b] ||
            s[a / 2].group != s[b / 2].group || dx * dx + dy * dy > tol * tol)
          continue;
        const std::int32_t least = std::min(first[a], first[b]);
        for (std::int32_t& f : first)
          if (f == first[a] || f == first[b]) f = least;
        changed = true;
      }
  }
  return first;
}

// The clusters of every pair, each vertex at its smallest end.
void ExpectClustersOfEveryPair(const std::vector<ChainSegment>& s, double tol) {
  const EndClusters clusters = ClusterEnds(s, tol);
  EXPECT_EQ(FirstEnds(clusters), FirstEndsByEveryPair(s, tol));
  for (std::size_t e = 0; e < 2 * s.size(); ++e) {
    if (clusters.endVertex[e] < 0) continue;
    const std::int32_t at = clusters.vertexEnd[clusters.endVertex[e]];
    EXPECT_EQ(clusters.endVertex[at], clusters.endVertex[e]);
    EXPECT_FALSE(PointBefore(EndOf(s, e), EndOf(s, at)));
  }
}

// Crowds of ends (a tolerance far beyond the drawing's details) beside
// sparse ones: the same clusters as every pair gives, each vertex at its
// smallest end.
TEST(ClusterEnds, CrowdsJoinAsEveryPairDoes) {
  struct Case {
    const char* name;
    double spread;  // in tol, the square the crowd's ends lie in
    int crowd, sparse;
  };
  const Case cases[] = {{"crowd in a few small cells", 1, 600, 0},
                        {"crowd over many small cells", 12, 700, 0},
                        {"crowd beside loose ends", 40, 500, 300},
                        {"no crowd", 3000, 0, 700}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<ChainSegment> s;
    for (int k = 0; k < c.crowd + c.sparse; ++k) {
      const double spread = (k < c.crowd ? c.spread : 3000) * kTol;
      s.push_back(Seg(unit(rng) * spread, unit(rng) * spread, unit(rng) * spread,
                      unit(rng) * spread, static_cast<std::uint32_t>(rng() % 2)));
    }
    ExpectClustersOfEveryPair(s, kTol);
  }
}

// Walks whose segments start where the one before ended or began, bit for
// bit (the ends that are joined unsearched), among near and far starts,
// changes of group, zero-length and unfinite segments and segments left
// out: the same clusters as every pair gives, at tol and at 0.
TEST(ClusterEnds, RepeatedEndsJoinAsEveryPairDoes) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (std::uint64_t seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<ChainSegment> s = {Seg(0, 0, 1, 0)};
    std::uint32_t group = 0;
    for (int k = 0; k < 500; ++k) {
      const ChainSegment& last = s.back();
      ChainPoint from{last.x2, last.y2};
      switch (rng() % 6) {
        case 0: from = {last.x1, last.y1}; break;
        case 1: from = {last.x2 + 0.5 * kTol, last.y2}; break;  // near, not equal
        case 2: from = {unit(rng), unit(rng)}; break;
        case 3: from = {-0.0, rng() % 2 ? 0.0 : -0.0}; break;  // where +0 may lie
        default: break;
      }
      ChainPoint to = {from.x + unit(rng) - 0.5, from.y + unit(rng) - 0.5};
      if (rng() % 10 == 0) to = rng() % 2 ? from : ChainPoint{0, 0};
      if (rng() % 10 == 0) group = static_cast<std::uint32_t>(rng() % 2);
      ChainSegment seg = rng() % 2 ? Seg(from.x, from.y, to.x, to.y, group)
                                   : Seg(to.x, to.y, from.x, from.y, group);
      if (rng() % 40 == 0) seg.y2 = nan;
      if (rng() % 40 == 0) seg.group = kLeftOut;
      s.push_back(seg);
    }
    ExpectClustersOfEveryPair(s, kTol);
    ExpectClustersOfEveryPair(s, 0);
  }
}

// A drawing of polygons, polylines, spokes, duplicates and tiny segments,
// each end moved by up to tol/5; duplicates only when asked for.
std::vector<ChainSegment> RandomDrawing(std::mt19937_64& rng, bool duplicates) {
  std::uniform_real_distribution<double> unit(0, 1);
  auto jitter = [&] { return (unit(rng) - 0.5) * 0.4 * kTol / std::sqrt(2.0); };
  std::vector<ChainSegment> out;
  auto add = [&](ChainPoint a, ChainPoint b, std::uint32_t group) {
    out.push_back({a.x + jitter(), a.y + jitter(), b.x + jitter(), b.y + jitter(), group});
  };
  for (int figure = 0; figure < 60; ++figure) {
    const ChainPoint c{unit(rng) * 100, unit(rng) * 100};
    const std::uint32_t group = static_cast<std::uint32_t>(rng() % 3);
    const int n = 3 + static_cast<int>(rng() % 20);
    const int kind = static_cast<int>(rng() % 4);
    const double r = 0.5 + unit(rng) * 5;
    auto at = [&](int k) {
      const double t = 6.283185307179586 * k / n;
      return ChainPoint{c.x + r * std::cos(t), c.y + r * std::sin(t)};
    };
    const bool closed = rng() % 2 == 0;
    const int segments = closed ? n : n - 1 - static_cast<int>(rng() % (n - 1));
    for (int k = 0; k < segments; ++k) add(at(k), at(k + 1), group);
    if (kind == 2) add(at(0), c, group);  // a spoke: a junction on a closed one
    if (kind == 3 && duplicates) add(at(1), at(0), group);
    if (kind == 1) add(at(1), {at(1).x + kTol / 3, at(1).y}, group);  // a tiny segment
  }
  return out;
}

TEST(JoinChains, ShuffledAndReversedInputGivesTheSameChains) {
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937_64 rng(seed);
    const std::vector<ChainSegment> drawing = RandomDrawing(rng, seed % 2 == 0);
    const ChainSet reference = JoinChains(drawing, kTol);
    std::vector<std::int32_t> original(drawing.size());
    std::iota(original.begin(), original.end(), 0);
    std::vector<char> flipped(drawing.size());
    for (int round = 0; round < 5; ++round) {
      std::shuffle(original.begin(), original.end(), rng);
      std::vector<ChainSegment> input;
      for (std::size_t k = 0; k < drawing.size(); ++k) {
        flipped[k] = rng() % 2;
        input.push_back(flipped[k] ? Flipped(drawing[original[k]]) : drawing[original[k]]);
      }
      const ChainSet set = JoinChains(input, kTol);
      // Duplicates may be named differently; the chains' geometry may not.
      EXPECT_EQ(set.zeroLength.size(), reference.zeroLength.size());
      EXPECT_EQ(set.duplicates.size(), reference.duplicates.size());
      std::vector<Seen> got = Describe(set, original, flipped), want = Describe(reference);
      auto geometry = [](std::vector<Seen> seen) {
        for (Seen& s : seen) s.steps.clear();
        std::sort(seen.begin(), seen.end());
        return seen;
      };
      ASSERT_EQ(geometry(got), geometry(want));
      // Without duplicates among them, the same segments too.
      if (seed % 2 == 1) {
        ASSERT_TRUE(reference.duplicates.empty());
        EXPECT_EQ(got, want);
      } else {
        EXPECT_FALSE(reference.duplicates.empty());
      }
    }
  }
}

}  // namespace
}  // namespace q527
