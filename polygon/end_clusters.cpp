#include "polygon/end_clusters.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

#include "polygon/chains.h"

// The ends stay where the caller keeps them; what the clustering holds is
// numbers: per end the union-find parent (by end number, the smaller end
// the root, so that the sets turn into vertex numbers in place), and per
// searched end its place in a table sorted by cell, with a bit for whether
// its surroundings reach beyond its cell.
//
// Most ends of a drawing repeat an end of the segment before bit for bit
// (a polyline, a polygon written one segment after the other): such an end
// joins that end's set at once and is not searched, since whatever lies
// within tol of it lies within tol of the end it repeats. The other ends
// are found through a hash of grid cells of 32·tol. An end looks in its own
// cell and in the few its surroundings of ±tol reach into (most reach into
// none: the cells are large), so two ends within tol always meet; an end
// equal to an earlier one of its bucket leaves its search to that one. A
// crowded cell (a tolerance far beyond the drawing's details puts every
// end in a few) is sorted by small cells of tol/2, whose ends all lie
// within tol of each other and are joined at once; an end then looks only
// into the small cells its surroundings reach, and skips those already
// joined to it. Only + − × and floor reach a decision, so every build joins
// alike.

namespace q527 {
namespace {

constexpr std::int32_t kNone = -1;

// Per end: an end of its set no larger than itself (the root: itself), or
// kNone for an end that is left out.
using Parents = std::vector<std::int32_t>;

bool IsFinite(const double* c) {
  return std::isfinite(c[0]) && std::isfinite(c[1]) && std::isfinite(c[2]) && std::isfinite(c[3]);
}

bool SamePoint(const double* a, const double* b) { return a[0] == b[0] && a[1] == b[1]; }

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
// all share the last. The floor by truncation, one step down for a
// negative fraction: exact, and cheaper than std::floor where the machine
// has no instruction for it.
std::int64_t CellOf(const Grid& g, double v, double inverse) {
  if (g.exact) {
    std::int64_t bits = 0;
    const double w = v == 0 ? 0.0 : v;  // -0 and +0 are one coordinate
    std::memcpy(&bits, &w, sizeof bits);
    return bits;
  }
  constexpr std::int64_t kLast = std::int64_t{1} << 62;
  const double t = v * inverse;
  if (!(t > -static_cast<double>(kLast))) return -kLast;
  if (!(t < static_cast<double>(kLast))) return kLast;
  const auto cell = static_cast<std::int64_t>(t);
  return static_cast<double>(cell) > t ? cell - 1 : cell;
}

std::int64_t CellOf(const Grid& g, double v) { return CellOf(g, v, g.inverse); }

std::uint64_t Mix(std::uint64_t x) {
  x ^= x >> 31;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

std::uint32_t BucketOf(std::int64_t cx, std::int64_t cy, std::uint32_t group, std::uint32_t mask) {
  const std::uint64_t h = Mix(static_cast<std::uint64_t>(cx) + Mix(static_cast<std::uint64_t>(cy)) +
                              Mix(std::uint64_t{group} ^ 0x9e3779b97f4a7c15ULL));
  return static_cast<std::uint32_t>(h) & mask;
}

std::int32_t RootOf(Parents& parent, std::int32_t i) {
  while (parent[i] != i) {
    parent[i] = parent[parent[i]];
    i = parent[i];
  }
  return i;
}

// Joins two sets under the smaller root: a set's root is its first end.
void Unite(Parents& parent, std::int32_t a, std::int32_t b) {
  a = RootOf(parent, a);
  b = RootOf(parent, b);
  if (a < b) parent[b] = a;
  if (b < a) parent[a] = b;
}

// Every end its own set, an end left out none; an end equal to an end of
// its own segment or of the segment before (in the same group) joins that
// end's set unsearched. Returns how many ends are left to search: those
// that stand for themselves.
std::size_t JoinRepeatedEnds(const SegmentView& v, Parents& parent) {
  parent.assign(2 * v.count, kNone);
  std::size_t searched = 0;
  const double* before = nullptr;  // the segment before, when it is in
  std::uint32_t beforeGroup = kLeftOut;
  for (std::size_t s = 0; s < v.count; ++s) {
    const double* c = CoordinatesOf(v, s);
    const std::uint32_t group = GroupOf(v, s);
    if (group == kLeftOut || !IsFinite(c)) {
      before = nullptr;
      continue;
    }
    const bool follows = before != nullptr && beforeGroup == group;
    const auto e = static_cast<std::int32_t>(2 * s);
    for (std::int32_t k = 0; k < 2; ++k) {
      const double* p = c + 2 * k;
      std::int32_t same = e + k;
      if (follows && SamePoint(p, before + 2)) {
        same = e - 1;
      } else if (follows && SamePoint(p, before)) {
        same = e - 2;
      } else if (k == 1 && SamePoint(p, c)) {
        same = e;
      }
      parent[e + k] = same == e + k ? same : parent[same];
      searched += same == e + k ? 1 : 0;
    }
    before = c;
    beforeGroup = group;
  }
  return searched;
}

// Whether the surroundings of p reach beyond its own cell (the own cell
// lies between the outer ones: the floor of a rounded product climbs with
// the coordinate). Most ends' do not: the cells are large.
bool ReachesOut(const Grid& g, Point2 p) {
  return CellOf(g, p.x - g.reach) != CellOf(g, p.x + g.reach) ||
         CellOf(g, p.y - g.reach) != CellOf(g, p.y + g.reach);
}

// The searched ends by bucket of their own cell, and where each bucket
// starts.
struct EndTable {
  std::uint32_t mask = 0;
  std::vector<std::uint32_t> start;  // per bucket, into ends; one more at the back
  std::vector<std::int32_t> ends;    // a bucket's ends in ascending order
  std::vector<bool> reaches;         // per place in ends: ReachesOut
  std::uint32_t largest = 0;         // the most ends in one bucket
};

// A counting sort: each searched end's bucket (and in its top bit whether
// it reaches out), the buckets' sizes summed, then one scatter of end
// numbers, the last end first to the back of its bucket, so that each
// bucket comes out in ascending order. The points are read here, one after
// the other; the search reads only those of ends that have neighbours.
EndTable SortEndsByCell(const SegmentView& v, const Grid& g, const Parents& parent,
                        std::size_t searched) {
  constexpr std::uint32_t kReaches = 0x80000000u;
  EndTable t;
  t.mask = std::bit_ceil(static_cast<std::uint32_t>(std::max<std::size_t>(searched, 16))) - 1;
  t.start.assign(std::size_t{t.mask} + 2, 0);
  std::vector<std::uint32_t> bucketOf;
  bucketOf.reserve(searched);
  for (std::size_t e = 0; e < parent.size(); ++e) {
    if (parent[e] != static_cast<std::int32_t>(e)) continue;
    const Point2 p = EndPoint(v, e);
    const std::uint32_t k = BucketOf(CellOf(g, p.x), CellOf(g, p.y), GroupOf(v, e / 2), t.mask);
    bucketOf.push_back(k | (ReachesOut(g, p) ? kReaches : 0));
    t.largest = std::max(t.largest, ++t.start[k]);
  }
  // Each bucket's end, then the scatter moves it to its start.
  std::uint32_t sum = 0;
  for (std::uint32_t& n : t.start) n = sum += n;
  t.ends.resize(searched);
  t.reaches.assign(searched, false);
  std::size_t rank = searched;
  for (std::size_t e = parent.size(); e-- > 0;) {
    if (parent[e] != static_cast<std::int32_t>(e)) continue;
    const std::uint32_t k = bucketOf[--rank];
    const std::uint32_t at = --t.start[k & ~kReaches];
    t.ends[at] = static_cast<std::int32_t>(e);
    t.reaches[at] = (k & kReaches) != 0;
  }
  return t;
}

// Where the search reads: the segments, their grid and the sets so far.
struct Search {
  const SegmentView& v;
  const Grid& g;
  EndTable& t;
  Parents& parent;

  // Whether end f is of the group and within tol of p (equal to it, with
  // no tolerance: a square may vanish below the smallest double).
  bool Near(Point2 p, std::uint32_t group, std::int32_t f) const {
    const Point2 q = EndPoint(v, static_cast<std::size_t>(f));
    const double dx = q.x - p.x, dy = q.y - p.y;
    const bool near = g.exact ? dx == 0 && dy == 0 : dx * dx + dy * dy <= g.tol2;
    return near && GroupOf(v, static_cast<std::size_t>(f) / 2) == group;
  }
};

// Unites end e with those of its group within tol among table positions
// from .. to.
void UniteNear(Search& s, std::int32_t e, std::uint32_t from, std::uint32_t to) {
  const Point2 p = EndPoint(s.v, static_cast<std::size_t>(e));
  const std::uint32_t group = GroupOf(s.v, static_cast<std::size_t>(e) / 2);
  for (std::uint32_t j = from; j < to; ++j)
    if (s.Near(p, group, s.t.ends[j])) Unite(s.parent, e, s.t.ends[j]);
}

// Unites the end at position i of a bucket that is not crowded with the
// bucket's earlier ends; true when one of them is the very same point, whose
// search then stands for this end's.
bool UniteWithEarlier(Search& s, std::uint32_t from, std::uint32_t i) {
  const std::int32_t e = s.t.ends[i];
  const Point2 p = EndPoint(s.v, static_cast<std::size_t>(e));
  const std::uint32_t group = GroupOf(s.v, static_cast<std::size_t>(e) / 2);
  for (std::uint32_t j = from; j < i; ++j) {
    const std::int32_t f = s.t.ends[j];
    if (!s.Near(p, group, f)) continue;
    Unite(s.parent, e, f);
    const Point2 q = EndPoint(s.v, static_cast<std::size_t>(f));
    if (q.x == p.x && q.y == p.y) return true;
  }
  return false;
}

// A bucket of more ends than this is crowded.
constexpr std::uint32_t kCrowded = 32;

bool Crowded(const EndTable& t, std::uint32_t k) { return t.start[k + 1] - t.start[k] > kCrowded; }

// A small cell of an end's group, row then column: the order of a crowded
// bucket.
struct SmallCell {
  std::uint32_t group;
  std::int64_t y, x;
  auto operator<=>(const SmallCell&) const = default;
};

SmallCell SmallCellOf(const Search& s, std::int32_t e) {
  const Point2 p = EndPoint(s.v, static_cast<std::size_t>(e));
  return {GroupOf(s.v, static_cast<std::size_t>(e) / 2), CellOf(s.g, p.y, s.g.smallInverse),
          CellOf(s.g, p.x, s.g.smallInverse)};
}

// Sorts each crowded bucket by small cell (then by end: the same order
// whatever the sort; the reaches beside them anew) and joins each small
// cell's ends, all within tol of each other.
void JoinSmallCells(Search& s) {
  if (s.t.largest <= kCrowded) return;
  std::vector<std::pair<SmallCell, std::int32_t>> cells;
  for (std::uint32_t k = 0; k <= s.t.mask; ++k) {
    if (!Crowded(s.t, k)) continue;
    cells.clear();
    for (std::uint32_t i = s.t.start[k]; i < s.t.start[k + 1]; ++i)
      cells.emplace_back(SmallCellOf(s, s.t.ends[i]), s.t.ends[i]);
    std::sort(cells.begin(), cells.end());
    for (std::uint32_t j = 0; j < cells.size(); ++j) {
      const std::int32_t e = cells[j].second;
      s.t.ends[s.t.start[k] + j] = e;
      s.t.reaches[s.t.start[k] + j] = ReachesOut(s.g, EndPoint(s.v, static_cast<std::size_t>(e)));
      if (j > 0 && cells[j].first == cells[j - 1].first)
        Unite(s.parent, cells[j].second, cells[j - 1].second);
    }
  }
}

// Unites end e with the ends within tol in crowded bucket k: row by row
// through the small cells its surroundings reach, each cell passed by when
// already joined to it, else looked through until one of its ends joins
// (then all of them have).
void UniteInCrowded(Search& s, std::uint32_t k, std::int32_t e) {
  const Grid& g = s.g;
  const Point2 p = EndPoint(s.v, static_cast<std::size_t>(e));
  const std::uint32_t group = GroupOf(s.v, static_cast<std::size_t>(e) / 2);
  const std::int64_t x0 = CellOf(g, p.x - g.reach, g.smallInverse);
  const std::int64_t x1 = CellOf(g, p.x + g.reach, g.smallInverse);
  const std::int64_t y0 = CellOf(g, p.y - g.reach, g.smallInverse);
  const std::int64_t y1 = CellOf(g, p.y + g.reach, g.smallInverse);
  // Doubles farther apart than small cells: every end of the bucket.
  if (x1 - x0 > 8 || y1 - y0 > 8) return UniteNear(s, e, s.t.start[k], s.t.start[k + 1]);
  const std::int32_t* const data = s.t.ends.data();
  const std::int32_t *at = data + s.t.start[k], *const last = data + s.t.start[k + 1];
  auto before = [&](std::int32_t f, const SmallCell& c) { return SmallCellOf(s, f) < c; };
  auto after = [&](const SmallCell& c, std::int32_t f) { return c < SmallCellOf(s, f); };
  for (std::int64_t y = y0; y <= y1; ++y) {
    for (at = std::lower_bound(at, last, SmallCell{group, y, x0}, before); at != last;) {
      const SmallCell cell = SmallCellOf(s, *at);
      if (cell.group != group || cell.y != y || cell.x > x1) break;
      const std::int32_t* const next = std::upper_bound(at, last, cell, after);
      if (RootOf(s.parent, *at) != RootOf(s.parent, e)) {
        const std::int32_t* joined =
            std::find_if(at, next, [&](std::int32_t f) { return s.Near(p, group, f); });
        if (joined != next) Unite(s.parent, e, *joined);
      }
      at = next;
    }
  }
}

// Unites end e (in bucket k), whose surroundings reach out, with the ends
// of the other cells they reach: one or two per axis (three only where
// doubles lie farther apart than tol/8 and rounding may skip one).
void UniteAcrossCells(Search& s, std::uint32_t k, std::int32_t e) {
  const Grid& g = s.g;
  const Point2 p = EndPoint(s.v, static_cast<std::size_t>(e));
  const std::int64_t xs[3] = {CellOf(g, p.x - g.reach), CellOf(g, p.x), CellOf(g, p.x + g.reach)};
  const std::int64_t ys[3] = {CellOf(g, p.y - g.reach), CellOf(g, p.y), CellOf(g, p.y + g.reach)};
  const std::uint32_t group = GroupOf(s.v, static_cast<std::size_t>(e) / 2);
  for (int a = 0; a < 3; ++a) {
    if (a > 0 && xs[a] == xs[a - 1]) continue;
    for (int b = 0; b < 3; ++b) {
      if ((b > 0 && ys[b] == ys[b - 1]) || (xs[a] == xs[1] && ys[b] == ys[1])) continue;
      // A cell hashed into the own bucket is seen there already.
      const std::uint32_t other = BucketOf(xs[a], ys[b], group, s.t.mask);
      if (other == k) continue;
      if (Crowded(s.t, other)) {
        UniteInCrowded(s, other, e);
      } else {
        UniteNear(s, e, s.t.start[other], s.t.start[other + 1]);
      }
    }
  }
}

// Unites every searched end with the ends within tol of it. An end alone
// in its bucket whose surroundings stay in its cell has nothing to look
// at, and its point is not read.
void JoinNearEnds(Search& s) {
  JoinSmallCells(s);
  for (std::uint32_t k = 0; k <= s.t.mask; ++k) {
    const bool crowded = Crowded(s.t, k);
    for (std::uint32_t i = s.t.start[k]; i < s.t.start[k + 1]; ++i) {
      // The bucket's ends (the earlier ones, when it is not crowded), then
      // the neighbouring cells' ends.
      if (crowded) {
        UniteInCrowded(s, k, s.t.ends[i]);
      } else if (i > s.t.start[k] && UniteWithEarlier(s, s.t.start[k], i)) {
        continue;
      }
      if (s.t.reaches[i]) UniteAcrossCells(s, k, s.t.ends[i]);
    }
  }
}

// Turns the sets into vertices numbered in the order of their first ends,
// in place: every end's parent is an earlier end, already turned into its
// vertex, so one look suffices. Each vertex stands at its smallest end.
EndClusters NumberVertices(const SegmentView& v, Parents parent) {
  EndClusters c;
  std::size_t roots = 0;
  for (std::size_t e = 0; e < parent.size(); ++e)
    roots += parent[e] == static_cast<std::int32_t>(e) ? 1 : 0;
  c.vertexEnd.reserve(roots);
  for (std::size_t e = 0; e < parent.size(); ++e) {
    const std::int32_t up = parent[e];
    if (up == kNone) continue;
    if (up == static_cast<std::int32_t>(e)) {
      parent[e] = static_cast<std::int32_t>(c.vertexEnd.size());
      c.vertexEnd.push_back(up);
      continue;
    }
    const std::int32_t vertex = parent[e] = parent[up];
    std::int32_t& smallest = c.vertexEnd[vertex];
    if (PointBefore(EndPoint(v, e), EndPoint(v, static_cast<std::size_t>(smallest))))
      smallest = static_cast<std::int32_t>(e);
  }
  c.endVertex = std::move(parent);
  return c;
}

}  // namespace

EndClusters ClusterEnds(const SegmentView& segments, double tol) {
  const Grid g = GridFor(tol);
  Parents parent;
  const std::size_t searched = JoinRepeatedEnds(segments, parent);
  {
    // The table goes before the vertices are numbered.
    EndTable t = SortEndsByCell(segments, g, parent, searched);
    Search s{segments, g, t, parent};
    JoinNearEnds(s);
  }
  return NumberVertices(segments, std::move(parent));
}

}  // namespace q527
