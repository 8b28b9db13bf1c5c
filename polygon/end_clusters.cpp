#include "polygon/end_clusters.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

// Near ends are found through a hash of grid cells of 32·tol. An end looks
// in its own cell and in the few its surroundings of ±tol reach into (most
// reach into none: the cells are large), so two ends within tol always
// meet. The ends are sorted by the hash of their cells into one table that
// keeps each end's coordinates and group beside it, so that a cell's ends
// lie together in memory and the union-find over table positions stays
// local, in whatever order the segments come. A crowded cell (a tolerance
// far beyond the drawing's details puts every end in a few) is sorted by
// small cells of tol/2, whose ends all lie within tol of each other and
// are joined at once; an end then looks only into the small cells its
// surroundings reach, and skips those already joined to it. Only + − × and
// floor reach a decision, so every build joins alike.

namespace q527 {
namespace {

constexpr std::int32_t kNone = -1;

bool IsFinite(const ChainSegment& s) {
  return std::isfinite(s.x1) && std::isfinite(s.y1) && std::isfinite(s.x2) && std::isfinite(s.y2);
}

// The grid: cells of 32·tol and small cells of tol/2, or with tol 0 (or
// too small to divide by) one cell per exact coordinate.
struct Grid {
  bool exact = true;
  double inverse = 0;       // 1 / cell
  double smallInverse = 0;  // 1 / small cell
  // The surroundings an end looks into: a hair over tol, since the distance
  // test, rounded, may pass ends a few units of the last place beyond it.
  double reach = 0;
  double tol2 = 0;
};

Grid GridFor(double tol) {
  Grid g;
  if (!(tol > 0) || !std::isfinite(tol)) return g;
  const double inverse = 1 / (32 * tol), smallInverse = 2 / tol;
  if (!std::isfinite(smallInverse)) return g;
  g.exact = false;
  g.inverse = inverse;
  g.smallInverse = smallInverse;
  g.reach = tol * (1 + 0x1p-20);
  g.tol2 = tol * tol;
  return g;
}

// The index of a coordinate's cell (by 1 / cell size); beyond ±2^62 cells
// all share the last.
std::int64_t CellOf(const Grid& g, double v, double inverse) {
  if (g.exact) {
    std::int64_t bits = 0;
    const double w = v == 0 ? 0.0 : v;  // -0 and +0 are one coordinate
    std::memcpy(&bits, &w, sizeof bits);
    return bits;
  }
  constexpr double kLimit = 4611686018427387904.0;
  return static_cast<std::int64_t>(std::clamp(std::floor(v * inverse), -kLimit, kLimit));
}

std::int64_t CellOf(const Grid& g, double v) { return CellOf(g, v, g.inverse); }

std::uint64_t Mix(std::uint64_t x) {
  x ^= x >> 31;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

std::uint32_t BucketOf(std::int64_t cx, std::int64_t cy, std::int64_t group, std::uint32_t mask) {
  const std::uint64_t h = Mix(static_cast<std::uint64_t>(cx) + Mix(static_cast<std::uint64_t>(cy)) +
                              Mix(static_cast<std::uint64_t>(group) ^ 0x9e3779b97f4a7c15ULL));
  return static_cast<std::uint32_t>(h) & mask;
}

struct GridEnd {
  double x, y;
  std::int64_t group;
  std::int32_t end;
  std::uint32_t bucket;  // of the end's own cell
};

// The finite ends by bucket of their own cell, and where each bucket starts.
struct EndTable {
  std::uint32_t mask = 0;
  std::vector<std::uint32_t> start;  // per bucket, into ends; one more at the back
  std::vector<GridEnd> ends;
};

// Sorts the ends by bucket: a radix sort, eleven bits a pass, whose passes
// stream through memory where a counting sort over all the buckets would
// write each end to a random place. Stable: a bucket's ends keep their order.
EndTable SortEndsByCell(std::span<const ChainSegment> segments, const Grid& g) {
  constexpr int kDigit = 11;
  constexpr std::uint32_t kRadix = 1u << kDigit;
  EndTable t;
  t.mask =
      std::bit_ceil(static_cast<std::uint32_t>(std::max<std::size_t>(2 * segments.size(), 16))) - 1;
  const int passes = (std::bit_width(t.mask) + kDigit - 1) / kDigit;
  // Each end's bucket, and how many ends each digit value takes per pass.
  std::vector<GridEnd> from, to;
  from.reserve(2 * segments.size());
  std::vector<std::uint32_t> counts(static_cast<std::size_t>(passes) * kRadix, 0);
  for (std::size_t s = 0; s < segments.size(); ++s) {
    const ChainSegment& seg = segments[s];
    if (!IsFinite(seg)) continue;
    const auto e = static_cast<std::int32_t>(2 * s);
    for (GridEnd p :
         {GridEnd{seg.x1, seg.y1, seg.group, e, 0}, GridEnd{seg.x2, seg.y2, seg.group, e + 1, 0}}) {
      p.bucket = BucketOf(CellOf(g, p.x), CellOf(g, p.y), p.group, t.mask);
      for (int d = 0; d < passes; ++d)
        ++counts[d * kRadix + ((p.bucket >> (d * kDigit)) & (kRadix - 1))];
      from.push_back(p);
    }
  }
  // One stable scatter per digit, lowest first.
  to.resize(from.size());
  for (int d = 0; d < passes; ++d) {
    std::uint32_t* next = counts.data() + d * kRadix;
    std::uint32_t sum = 0;
    for (std::uint32_t k = 0; k < kRadix; ++k) sum += std::exchange(next[k], sum);
    for (const GridEnd& p : from) to[next[(p.bucket >> (d * kDigit)) & (kRadix - 1)]++] = p;
    from.swap(to);
  }
  t.ends = std::move(from);
  // Where each bucket starts, in one sweep.
  t.start.resize(std::size_t{t.mask} + 2);
  std::uint32_t k = 0;
  for (std::uint32_t i = 0; i < t.ends.size(); ++i)
    while (k <= t.ends[i].bucket) t.start[k++] = i;
  while (k < t.start.size()) t.start[k++] = static_cast<std::uint32_t>(t.ends.size());
  return t;
}

std::int32_t RootOf(std::vector<std::int32_t>& parent, std::int32_t i) {
  while (parent[i] != i) {
    parent[i] = parent[parent[i]];
    i = parent[i];
  }
  return i;
}

// Joins two sets under the smaller root: a set's root is its first position.
void Unite(std::vector<std::int32_t>& parent, std::int32_t a, std::int32_t b) {
  a = RootOf(parent, a);
  b = RootOf(parent, b);
  if (a < b) parent[b] = a;
  if (b < a) parent[a] = b;
}

// Unites the end at position i with those of its group within tol among
// positions from .. to.
void UniteNear(const EndTable& t, const Grid& g, std::uint32_t i, std::uint32_t from,
               std::uint32_t to, std::vector<std::int32_t>& parent) {
  const GridEnd& p = t.ends[i];
  for (std::uint32_t j = from; j < to; ++j) {
    const GridEnd& q = t.ends[j];
    const double dx = q.x - p.x, dy = q.y - p.y;
    if (dx * dx + dy * dy <= g.tol2 && q.group == p.group)
      Unite(parent, static_cast<std::int32_t>(i), static_cast<std::int32_t>(j));
  }
}

// A bucket of more ends than this is crowded.
constexpr std::uint32_t kCrowded = 32;

bool Crowded(const EndTable& t, std::uint32_t k) { return t.start[k + 1] - t.start[k] > kCrowded; }

// A small cell of an end's group, row then column: the order of a crowded
// bucket.
struct SmallCell {
  std::int64_t group, y, x;
  auto operator<=>(const SmallCell&) const = default;
};

SmallCell SmallCellOf(const Grid& g, const GridEnd& p) {
  return {p.group, CellOf(g, p.y, g.smallInverse), CellOf(g, p.x, g.smallInverse)};
}

// Sorts each crowded bucket by small cell (then by end: the same order
// whatever the sort) and joins each small cell's ends, all within tol of
// each other.
void JoinSmallCells(EndTable& t, const Grid& g, std::vector<std::int32_t>& parent) {
  std::vector<std::pair<SmallCell, GridEnd>> cells;
  for (std::uint32_t k = 0; k <= t.mask; ++k) {
    if (!Crowded(t, k)) continue;
    cells.clear();
    for (std::uint32_t i = t.start[k]; i < t.start[k + 1]; ++i)
      cells.emplace_back(SmallCellOf(g, t.ends[i]), t.ends[i]);
    std::sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) {
      return a.first != b.first ? a.first < b.first : a.second.end < b.second.end;
    });
    for (std::uint32_t j = 0; j < cells.size(); ++j) {
      t.ends[t.start[k] + j] = cells[j].second;
      if (j > 0 && cells[j].first == cells[j - 1].first)
        Unite(parent, static_cast<std::int32_t>(t.start[k] + j),
              static_cast<std::int32_t>(t.start[k] + j - 1));
    }
  }
}

// Unites the end at position i with the ends within tol in crowded bucket
// k: row by row through the small cells its surroundings reach, each cell
// passed by when already joined to it, else looked through until one of
// its ends joins (then all of them have).
void UniteInCrowded(const EndTable& t, const Grid& g, std::uint32_t k, std::uint32_t i,
                    std::vector<std::int32_t>& parent) {
  const GridEnd& p = t.ends[i];
  const std::int64_t x0 = CellOf(g, p.x - g.reach, g.smallInverse);
  const std::int64_t x1 = CellOf(g, p.x + g.reach, g.smallInverse);
  const std::int64_t y0 = CellOf(g, p.y - g.reach, g.smallInverse);
  const std::int64_t y1 = CellOf(g, p.y + g.reach, g.smallInverse);
  // Doubles farther apart than small cells: every end of the bucket.
  if (x1 - x0 > 8 || y1 - y0 > 8) return UniteNear(t, g, i, t.start[k], t.start[k + 1], parent);
  const GridEnd* const data = t.ends.data();
  const GridEnd *at = data + t.start[k], *const last = data + t.start[k + 1];
  auto before = [&](const GridEnd& q, const SmallCell& c) { return SmallCellOf(g, q) < c; };
  auto after = [&](const SmallCell& c, const GridEnd& q) { return c < SmallCellOf(g, q); };
  for (std::int64_t y = y0; y <= y1; ++y) {
    for (at = std::lower_bound(at, last, SmallCell{p.group, y, x0}, before); at != last;) {
      const SmallCell cell = SmallCellOf(g, *at);
      if (cell.group != p.group || cell.y != y || cell.x > x1) break;
      const GridEnd* const next = std::upper_bound(at, last, cell, after);
      const auto j = static_cast<std::int32_t>(at - data);
      if (RootOf(parent, j) != RootOf(parent, static_cast<std::int32_t>(i))) {
        for (const GridEnd* q = at; q != next; ++q) {
          const double dx = q->x - p.x, dy = q->y - p.y;
          if (dx * dx + dy * dy > g.tol2) continue;
          Unite(parent, static_cast<std::int32_t>(i), static_cast<std::int32_t>(q - data));
          break;
        }
      }
      at = next;
    }
  }
}

// Unites the end at position i (in bucket k) with the ends of the other
// cells its surroundings reach: one or two per axis (three only where
// doubles lie farther apart than tol/8 and rounding may skip one).
void UniteAcrossCells(const EndTable& t, const Grid& g, std::uint32_t k, std::uint32_t i,
                      std::vector<std::int32_t>& parent) {
  const GridEnd& p = t.ends[i];
  const std::int64_t xs[3] = {CellOf(g, p.x - g.reach), CellOf(g, p.x), CellOf(g, p.x + g.reach)};
  const std::int64_t ys[3] = {CellOf(g, p.y - g.reach), CellOf(g, p.y), CellOf(g, p.y + g.reach)};
  if (xs[0] == xs[2] && ys[0] == ys[2]) return;
  for (int a = 0; a < 3; ++a) {
    if (a > 0 && xs[a] == xs[a - 1]) continue;
    for (int b = 0; b < 3; ++b) {
      if ((b > 0 && ys[b] == ys[b - 1]) || (xs[a] == xs[1] && ys[b] == ys[1])) continue;
      // A cell hashed into the own bucket is seen there already.
      const std::uint32_t other = BucketOf(xs[a], ys[b], p.group, t.mask);
      if (other == k) continue;
      if (Crowded(t, other)) {
        UniteInCrowded(t, g, other, i, parent);
      } else {
        UniteNear(t, g, i, t.start[other], t.start[other + 1], parent);
      }
    }
  }
}

// The sets of near ends, by table position (crowded buckets reordered).
std::vector<std::int32_t> JoinNearEnds(EndTable& t, const Grid& g) {
  std::vector<std::int32_t> parent(t.ends.size());
  for (std::size_t i = 0; i < parent.size(); ++i) parent[i] = static_cast<std::int32_t>(i);
  JoinSmallCells(t, g, parent);
  for (std::uint32_t k = 0; k <= t.mask; ++k) {
    const bool crowded = Crowded(t, k);
    for (std::uint32_t i = t.start[k]; i < t.start[k + 1]; ++i) {
      // The bucket's ends (the earlier ones, when it is not crowded), then
      // the neighbouring cells' ends.
      if (crowded) {
        UniteInCrowded(t, g, k, i, parent);
      } else {
        UniteNear(t, g, i, t.start[k], i, parent);
      }
      UniteAcrossCells(t, g, k, i, parent);
    }
  }
  return parent;
}

// Numbers the sets of near ends as vertices, in the order of their first
// ends: a drawing's chains then lie in memory about as they lie in the file.
EndClusters NumberVertices(const EndTable& t, std::vector<std::int32_t>& parent,
                           std::size_t endCount) {
  // Set by set in table order, where a root comes before its set's others;
  // each set's smallest end.
  std::vector<std::int32_t> setAt(t.ends.size());
  std::vector<std::int32_t> setOfEnd(endCount, kNone);
  std::vector<ChainPoint> smallest;
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(t.ends.size()); ++i) {
    const ChainPoint p{t.ends[i].x, t.ends[i].y};
    const std::int32_t root = RootOf(parent, i);
    if (root == i) {
      setAt[i] = static_cast<std::int32_t>(smallest.size());
      smallest.push_back(p);
    } else {
      setAt[i] = setAt[root];
      if (PointBefore(p, smallest[setAt[i]])) smallest[setAt[i]] = p;
    }
    setOfEnd[t.ends[i].end] = setAt[i];
  }
  // Renumbered by first end.
  EndClusters c;
  c.endVertex.assign(endCount, kNone);
  c.at.reserve(smallest.size());
  std::vector<std::int32_t> vertexOfSet(smallest.size(), kNone);
  for (std::size_t e = 0; e < endCount; ++e) {
    const std::int32_t set = setOfEnd[e];
    if (set == kNone) continue;
    if (vertexOfSet[set] == kNone) {
      vertexOfSet[set] = static_cast<std::int32_t>(c.at.size());
      c.at.push_back(smallest[set]);
    }
    c.endVertex[e] = vertexOfSet[set];
  }
  return c;
}

}  // namespace

EndClusters ClusterEnds(std::span<const ChainSegment> segments, double tol) {
  const Grid g = GridFor(tol);
  EndTable t = SortEndsByCell(segments, g);
  std::vector<std::int32_t> parent = JoinNearEnds(t, g);
  return NumberVertices(t, parent, 2 * segments.size());
}

}  // namespace q527
