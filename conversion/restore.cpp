#include "conversion/restore.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "common/geometry.h"
#include "common/ordered_work.h"
#include "polygon/chains.h"
#include "polygon/curve_of_run.h"
#include "polygon/runs.h"

namespace q527 {

namespace {

constexpr std::int64_t kMaxCount = std::numeric_limits<std::int32_t>::max();
// The code a circular solid is written with.
constexpr std::int32_t kSolidCode = 100;

// Segments join only within one group: the same kind (line or linear
// solid), the whole attribute block and, for solids, the solid colour.
struct Group {
  bool solid = false;
  TJwwAttr attr;
  std::int32_t scolor = 0;
};

using GroupKey = std::array<std::int32_t, 9>;

struct GroupKeyHash {
  std::size_t operator()(const GroupKey& k) const {
    std::uint64_t h = 0x9E3779B97F4A7C15u;
    for (const std::int32_t v : k) h = (h ^ static_cast<std::uint32_t>(v)) * 0x100000001B3u;
    return static_cast<std::size_t>(h ^ (h >> 29));
  }
};

// The store's segments that may join, read in place: each table's records
// with their group numbers (kLeftOut for a record the order table does not
// draw or the options do not want), and the order entry of each segment,
// numbered lines first, then linear solids.
struct Segments {
  std::vector<std::uint32_t> lineGroup;   // per line record, when lines are wanted
  std::vector<std::uint32_t> solidGroup;  // per linear solid record, when solids are
  std::vector<std::int32_t> entry;        // position in the order table
  std::vector<Group> groups;              // by group number
  std::unordered_map<GroupKey, std::uint32_t, GroupKeyHash> numbers;
  GroupKey lastKey{};
  std::uint32_t lastNumber = kLeftOut;

  // A record's group number: most records have the one before's.
  std::uint32_t NumberOf(const TJwwAttr& a, bool solid, std::int32_t scolor) {
    const GroupKey key{solid, a.hhp, a.lg, a.ly, a.color, a.ltype, a.lwidth, a.zflags, scolor};
    if (lastNumber != kLeftOut && key == lastKey) return lastNumber;
    const auto [it, added] = numbers.try_emplace(key, static_cast<std::uint32_t>(groups.size()));
    if (added) groups.push_back({solid, a, scolor});
    lastKey = key;
    lastNumber = it->second;
    return lastNumber;
  }
};

// The live line and linear-solid entries of the order table, as far as the
// options want them; group numbers in the order table's order.
Segments GatherSegments(const Store& s, const RestoreOptions& o) {
  constexpr std::size_t kMostSegments = 0x3fffffff;
  if (s.lines.size() + s.solid2s.size() > kMostSegments)
    throw std::length_error("RestoreCurves: too many segments");
  Segments seg;
  const bool lines = o.circles || o.arcs;
  if (lines) seg.lineGroup.assign(s.lines.size(), kLeftOut);
  if (o.solids) seg.solidGroup.assign(s.solid2s.size(), kLeftOut);
  seg.entry.assign(s.lines.size() + s.solid2s.size(), -1);
  for (std::size_t k = 0; k < s.order.size(); ++k) {
    const TJwwOrder& e = s.order[k];
    const auto i = static_cast<std::size_t>(e.index);
    const auto at = static_cast<std::int32_t>(k);
    if (e.kind == kJwwLine && lines && e.index >= 0 && i < s.lines.size()) {
      seg.lineGroup[i] = seg.NumberOf(s.lines[i].attr, false, 0);
      seg.entry[i] = at;
    } else if (e.kind == kJwwSolid2 && o.solids && e.index >= 0 && i < s.solid2s.size()) {
      const TJwwEntSolid2& l = s.solid2s[i];
      seg.solidGroup[i] = seg.NumberOf(l.attr, true, l.scolor);
      seg.entry[s.lines.size() + i] = at;
    }
  }
  return seg;
}

template <typename Record>
SegmentView ViewOf(const std::vector<Record>& table, const std::vector<std::uint32_t>& groups) {
  return {table.empty() ? nullptr : &table[0].x1, sizeof(Record), groups.size(), groups.data()};
}

// Each table's chains on its own (lines and linear solids never join), the
// solids' segments numbered after the lines'.
std::array<ChainSet, 2> JoinTables(const Store& s, const Segments& seg, double tol) {
  std::array<ChainSet, 2> sets{JoinChains(ViewOf(s.lines, seg.lineGroup), tol), ChainSet{}};
  sets[1] = JoinChains(ViewOf(s.solid2s, seg.solidGroup), tol);
  for (ChainStep& step : sets[1].steps) step.segment += static_cast<std::int32_t>(s.lines.size());
  return sets;
}

// What a group's chains may become.
CurveRules RulesOf(const Group& g, const RestoreOptions& o) {
  CurveRules r;
  r.maxDeviation = o.maxDeviation;
  r.closedCircles = g.solid ? o.solids : o.circles;
  r.closedEllipses = g.solid ? o.solids : o.arcs;
  r.arcs = g.solid ? o.solids : o.arcs;
  r.ellipseMinSegments = o.minSegments;
  return r;
}

RunRules RunRulesOf(const RestoreOptions& o) {
  RunRules r;
  r.closedMinSegments = o.minSegments;
  r.circleMinSegments = std::max(3, (o.minSegments + 1) / 2);
  r.ellipseMinSegments = o.minSegments;
  return r;
}

// A figure restored from a run, waiting for its place after the figures
// left.
struct Restored {
  std::int32_t firstEntry = 0;  // the order position of its first segment
  bool closed = false;
  const Group* group = nullptr;
  RunCurve curve;
};

// One chain's vertices and the judge's questions about them.
struct ChainJudge {
  std::span<const Point2> vertices;
  bool closed = false;
  CurveRules rules;
  std::vector<Point2> scratch;

  // The stretch from vertex `first` over `segments` (a closed chain's wraps).
  std::span<const Point2> Stretch(std::int32_t first, std::int32_t segments) {
    const auto n = static_cast<std::int32_t>(vertices.size());
    if (first + segments < n) return vertices.subspan(first, segments + 1);
    scratch.clear();
    for (std::int32_t k = 0; k <= segments; ++k) scratch.push_back(vertices[(first + k) % n]);
    return scratch;
  }
  // The curves accepted so far, by stretch: the runs picked are among
  // them, and need not be fitted again.
  struct Known {
    std::int32_t first, segments;
    RunCurve curve;
  };
  std::vector<Known> accepted;

  std::optional<RunCurve> CurveOf(std::int32_t first, std::int32_t segments) {
    for (const Known& k : accepted) {
      if (k.first == first && k.segments == segments) return k.curve;
    }
    const auto steps = static_cast<std::int32_t>(vertices.size()) - (closed ? 0 : 1);
    const std::optional<RunCurve> c = closed && segments == steps
                                          ? CurveOfClosedChain(vertices, rules)
                                          : CurveOfStretch(Stretch(first, segments), rules);
    if (c) accepted.push_back({first, segments, *c});
    return c;
  }
};

// Whether a closed chain too short to be restored has a curve all the same.
bool ShortClosedOnCurve(std::span<const Point2> vertices, CurveRules rules) {
  rules.closedCircles = rules.closedEllipses = true;
  return CurveOfClosedChain(vertices, rules).has_value();
}

// The runs of one chain: the figures restored from it, and its consumed
// segments marked.
void RestoreChain(const ChainSet& set, const Chain& chain, const Segments& seg,
                  const RestoreOptions& o, std::vector<char>& consumed,
                  std::vector<Restored>& restored, RestoreSummary& sum) {
  const Group& group = seg.groups[static_cast<std::size_t>(chain.group)];
  ChainJudge judge{VerticesOf(set, chain), chain.closed, RulesOf(group, o), {}, {}};
  if (chain.closed && chain.steps < o.minSegments) {
    if (chain.steps >= 3 && ShortClosedOnCurve(judge.vertices, judge.rules)) ++sum.closedKept;
    return;
  }
  const RunPlan plan =
      PlanRuns(judge.vertices, chain.closed, RunRulesOf(o), [&](std::int32_t f, std::int32_t n) {
        const std::optional<RunCurve> c = judge.CurveOf(f, n);
        return c ? CurveVerdict{c->kind, static_cast<double>(c->deviation)} : CurveVerdict{};
      });
  const std::span<const ChainStep> steps = StepsOf(set, chain);
  for (const Run& run : plan.runs) {
    const std::optional<RunCurve> curve = judge.CurveOf(run.first, run.segments);
    if (!curve) continue;  // the judge answers the same each time; never taken
    Restored r{std::numeric_limits<std::int32_t>::max(), run.closed, &group, *curve};
    for (std::int32_t k = 0; k < run.segments; ++k) {
      const ChainStep& step = steps[static_cast<std::size_t>((run.first + k) % chain.steps)];
      consumed[static_cast<std::size_t>(step.segment)] = 1;
      r.firstEntry = std::min(r.firstEntry, seg.entry[static_cast<std::size_t>(step.segment)]);
    }
    sum.segments += run.segments;
    sum.largestDeviation = std::max(sum.largestDeviation, curve->deviation);
    restored.push_back(r);
  }
}

// The chains of both sets restored in order, on this thread alone or, with
// threads > 1, in pieces side by side: each chain's runs depend on the chain
// alone, its consumed segments are its own, and the pieces' figures and
// counts are put together in the chains' order, so every count of threads
// restores the same figures.
void RestoreAllChains(const std::array<ChainSet, 2>& sets, const Segments& seg,
                      const RestoreOptions& o, std::size_t threads, std::vector<char>& consumed,
                      std::vector<Restored>& restored, RestoreSummary& sum) {
  if (threads <= 1) {
    for (const ChainSet& set : sets)
      for (const Chain& chain : set.chains) RestoreChain(set, chain, seg, o, consumed, restored, sum);
    return;
  }
  struct Piece {
    std::vector<Restored> restored;
    RestoreSummary sum;
  };
  // Segments per piece: enough that handing a piece over costs nothing to
  // speak of, few enough that the threads share the work evenly.
  constexpr std::int64_t kPieceSegments = 8192;
  OrderedWork<Piece> work(threads);
  const auto take = [&] {
    Piece piece = work.TakeNext();
    restored.insert(restored.end(), piece.restored.begin(), piece.restored.end());
    sum.segments += piece.sum.segments;
    sum.closedKept += piece.sum.closedKept;
    sum.largestDeviation = std::max(sum.largestDeviation, piece.sum.largestDeviation);
  };
  for (const ChainSet& set : sets) {
    std::size_t first = 0;
    while (first < set.chains.size()) {
      std::size_t last = first;
      std::int64_t steps = 0;
      while (last < set.chains.size() && steps < kPieceSegments) steps += set.chains[last++].steps;
      // The fits are long double work: OrderedWork runs them with this
      // thread's x87 rounding.
      work.Give([&set, &seg, &o, &consumed, first, last](std::size_t) {
        Piece piece;
        for (std::size_t c = first; c < last; ++c)
          RestoreChain(set, set.chains[c], seg, o, consumed, piece.restored, piece.sum);
        return piece;
      });
      while (work.Waiting() >= 2 * threads) take();
      first = last;
    }
  }
  while (work.Waiting() > 0) take();
}

double Degrees(long double radians) { return static_cast<double>(radians * 180 / kPi); }

// An angle in degrees brought into [0, 360).
double TurnDegrees(long double radians) {
  long double d = radians * 180 / kPi;
  d = std::fmod(d, 360.0L);
  if (d < 0) d += 360;
  return d >= 360 ? 0.0 : static_cast<double>(d);
}

// The host's ellipse: the semi-axis along the tilt, the other over it, the
// tilt; a circle is an ellipse of flatness 1 and tilt 0.
struct HostEllipse {
  double cx, cy, r, flat, tilt;  // tilt in radians
};

HostEllipse HostEllipseOf(const RunCurve& c) {
  if (c.kind == CurveKind::kCircle) return {c.circle.cx, c.circle.cy, c.circle.r, 1, 0};
  const Ellipse& e = c.ellipse;
  return {e.cx, e.cy, e.a, static_cast<double>(static_cast<long double>(e.b) / e.a), e.tilt};
}

// Appends the restored figure's record and order entry.
void AppendFigure(Store& s, const Restored& r, RestoreSummary& sum) {
  const HostEllipse h = HostEllipseOf(r.curve);
  const TJwwAttr& attr = r.group->attr;
  const bool circle = r.curve.kind == CurveKind::kCircle;
  if (r.group->solid) {
    const long double sweep = r.closed ? 2 * kPi : r.curve.span.end - r.curve.span.start;
    TJwwEntSe se{attr, r.group->scolor, {}, kSolidCode};
    se.v = {h.cx,
            h.cy,
            h.r,
            h.flat,
            h.tilt,
            r.closed ? 0.0 : static_cast<double>(r.curve.span.start),
            static_cast<double>(sweep)};
    JwwAddOrder(s, kJwwSe, static_cast<std::int32_t>(s.ses.size()));
    s.ses.push_back(se);
    ++sum.solids;
    return;
  }
  if (circle && r.closed) {
    JwwAddOrder(s, kJwwCircle, static_cast<std::int32_t>(s.circles.size()));
    s.circles.push_back({attr, h.cx, h.cy, h.r});
    ++sum.circles;
    return;
  }
  const double start = r.closed ? 0.0 : TurnDegrees(r.curve.span.start);
  const double end = r.closed ? 0.0 : TurnDegrees(r.curve.span.end);
  JwwAddOrder(s, kJwwArc, static_cast<std::int32_t>(s.arcs.size()));
  s.arcs.push_back({attr, h.cx, h.cy, h.r, start, end, h.flat, circle ? 0.0 : Degrees(h.tilt)});
  ++(circle ? sum.arcs : r.closed ? sum.ellipses : sum.ellipticArcs);
}

}  // namespace

ConvertStatus RestoreCurves(Store& s, const RestoreOptions& o, RestoreSummary* summary,
                            std::size_t threads) {
  RestoreSummary sum;
  const Segments seg = GatherSegments(s, o);
  const std::array<ChainSet, 2> sets = JoinTables(s, seg, o.maxDeviation / 10);
  std::vector<char> consumed(seg.entry.size(), 0);
  std::vector<Restored> restored;
  RestoreAllChains(sets, seg, o, threads, consumed, restored, sum);

  // Every table and the order table stay within the 32-bit counts.
  const auto added = static_cast<std::int64_t>(restored.size());
  if (static_cast<std::int64_t>(s.order.size()) + added > kMaxCount ||
      static_cast<std::int64_t>(std::max({s.circles.size(), s.arcs.size(), s.ses.size()})) + added >
          kMaxCount) {
    return ConvertStatus::kCountLimit;
  }
  // The figures left keep their order; the restored ones follow, by their
  // first segment in the file.
  std::sort(restored.begin(), restored.end(),
            [](const Restored& a, const Restored& b) { return a.firstEntry < b.firstEntry; });
  s.order.reserve(s.order.size() + restored.size());
  for (std::size_t k = 0; k < consumed.size(); ++k) {
    if (consumed[k]) s.order[static_cast<std::size_t>(seg.entry[k])].kind = kJwwRemoved;
  }
  for (const Restored& r : restored) AppendFigure(s, r, sum);
  if (summary != nullptr) *summary = sum;
  return ConvertStatus::kDone;
}

}  // namespace q527
