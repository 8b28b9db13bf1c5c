#include "conversion/polygons.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "conversion/figures.h"
#include "polygon/walk.h"

namespace q527 {

namespace {

constexpr std::int64_t kMaxCount = std::numeric_limits<std::int32_t>::max();

// One kind a conversion replaces: its table, the table its segments go to,
// and the kind codes of both.
template <typename Src, typename Dst>
struct KindTables {
  std::vector<Src>& src;
  std::vector<Dst>& dst;
  TJwwKind srcKind;
  TJwwKind dstKind;
};

KindTables<TJwwEntCircle, TJwwEntLine> CirclesOf(Store& s) {
  return {s.circles, s.lines, kJwwCircle, kJwwLine};
}
KindTables<TJwwEntArc, TJwwEntLine> ArcsOf(Store& s) {
  return {s.arcs, s.lines, kJwwArc, kJwwLine};
}
KindTables<TJwwEntSe, TJwwEntSolid2> SolidCirclesOf(Store& s) {
  return {s.ses, s.solid2s, kJwwSe, kJwwSolid2};
}

// How many segments each figure gets: the same count for all (the
// dialog's rule), or each its own plan.
struct Counts {
  std::int32_t even = 0;
  const PolygonCounts* planned = nullptr;
  std::int32_t At(std::size_t i) const { return planned ? planned->counts[i] : even; }
};

void SetSegment(TJwwEntLine& line, const TJwwAttr& attr, std::int32_t /*scolor*/, Vertex p,
                Vertex q) {
  line.attr = attr;
  line.x1 = p.x;
  line.y1 = p.y;
  line.x2 = q.x;
  line.y2 = q.y;
}

void SetSegment(TJwwEntSolid2& solid, const TJwwAttr& attr, std::int32_t scolor, Vertex p,
                Vertex q) {
  solid.attr = attr;
  solid.scolor = scolor;
  solid.x1 = p.x;
  solid.y1 = p.y;
  solid.x2 = q.x;
  solid.y2 = q.y;
}

// Checks the new counts against the 32-bit limit and reserves both tables,
// so running out of memory leaves both at their old counts and the appends
// never allocate.
template <typename Dst>
bool ReserveFor(Store& s, std::vector<Dst>& dst, std::int64_t added) {
  const auto t0 = static_cast<std::int64_t>(dst.size());
  const auto o0 = static_cast<std::int64_t>(s.order.size());
  // Indexes and counts are 32-bit in the store and in the exchange format;
  // a conversion that would pass that limit is refused before anything
  // changes, instead of wrapping into negative indexes.
  if (t0 + added > kMaxCount || o0 + added > kMaxCount) return false;
  dst.reserve(static_cast<std::size_t>(t0 + added));
  s.order.reserve(static_cast<std::size_t>(o0 + added));
  return true;
}

// Appends one figure's polygon and its order entries: segments and entries
// go in step, so each entry names its segment's own index.
template <typename Src, typename Dst>
void AppendPolygon(Store& s, const KindTables<Src, Dst>& k, const Src& fig,
                   const std::vector<Vertex>& vertices) {
  std::int32_t scolor = 0;
  if constexpr (requires { fig.scolor; }) scolor = fig.scolor;
  for (std::size_t j = 0; j + 1 < vertices.size(); ++j) {
    const auto at = static_cast<std::int32_t>(k.dst.size());
    SetSegment(k.dst.emplace_back(), fig.attr, scolor, vertices[j], vertices[j + 1]);
    s.order.push_back(TJwwOrder{k.dstKind, at});
  }
}

// The source table goes and its old order entries are marked removed.
template <typename Src, typename Dst>
void RemoveSources(Store& s, const KindTables<Src, Dst>& k, std::size_t entries) {
  std::vector<Src>().swap(k.src);
  for (std::size_t i = 0; i < entries; ++i) {
    if (s.order[i].kind == k.srcKind) s.order[i].kind = kJwwRemoved;
  }
}

// The conversion of one kind: the tables reserved for `added` segments,
// each figure's polygon walked and appended, the sources removed.
template <typename Src, typename Dst>
ConvertStatus ConvertKind(Store& s, const KindTables<Src, Dst>& k, const PolygonPolicy& policy,
                          const Counts& counts, std::int64_t added) {
  const std::size_t entries = s.order.size();
  if (!ReserveFor(s, k.dst, added)) return ConvertStatus::kCountLimit;
  PolygonWalker walker;
  std::vector<Vertex> vertices;
  for (std::size_t i = 0; i < k.src.size(); ++i) {
    const PolygonFigure f = FigureOf(k.src[i]);
    if (counts.planned == nullptr) {
      walker.WalkEvenly(f, counts.even, vertices);
    } else {
      const std::vector<double>& scales = counts.planned->scales;
      walker.WalkPlanned(f, policy.fit, counts.At(i), scales.empty() ? 0 : scales[i], vertices);
    }
    AppendPolygon(s, k, k.src[i], vertices);
  }
  RemoveSources(s, k, entries);
  return ConvertStatus::kDone;
}

// Each figure's count (and, mid fit, scale) by the policy, and what they
// make together.
template <typename Src>
PolygonCounts PlanFigures(const std::vector<Src>& src, const PolygonPolicy& policy) {
  PolygonCounts c;
  c.counts.resize(src.size());
  // The mid fit balances each ellipse's scale of its own.
  if (policy.fit == PolygonFit::kMid) c.scales.resize(src.size());
  PolygonSummary& sum = c.summary;
  for (std::size_t i = 0; i < src.size(); ++i) {
    const PolygonPlan plan = PlanPolygon(policy, FigureOf(src[i]).shape, sum.largestDeviation);
    c.counts[i] = plan.segments;
    if (!c.scales.empty()) c.scales[i] = plan.scale;
    c.segments += plan.segments;
    sum.Add({1, plan.segments, plan.segments, plan.deviation, plan.capped ? 1 : 0});
  }
  return c;
}

// The dialog's rule: n segments for every figure.
template <typename Src, typename Dst>
ConvertStatus ConvertEvenly(Store& s, const KindTables<Src, Dst>& k, std::int32_t n) {
  const std::int32_t segments = ClampSegments(n);
  const auto added = static_cast<std::int64_t>(k.src.size()) * segments;
  return ConvertKind(s, k, PolygonPolicy{}, Counts{segments, nullptr}, added);
}

// A planned conversion: the counts first (planned here unless given), since
// they fix the tables' new sizes and planning an ellipse costs more than
// keeping its count.
template <typename Src, typename Dst>
ConvertStatus ConvertPlanned(Store& s, const KindTables<Src, Dst>& k, const PolygonPolicy& policy,
                             PolygonSummary* summary, const PolygonCounts* given) {
  if (!policy.planned) return ConvertEvenly(s, k, policy.segments);
  PolygonCounts planned;
  if (given == nullptr) planned = PlanFigures(k.src, policy);
  const PolygonCounts& plan = given != nullptr ? *given : planned;
  if (plan.counts.size() != k.src.size()) return ConvertStatus::kCountLimit;
  const ConvertStatus status = ConvertKind(s, k, policy, Counts{0, &plan}, plan.segments);
  if (status == ConvertStatus::kDone && summary != nullptr) summary->Add(plan.summary);
  return status;
}

}  // namespace

void PolygonSummary::Add(const PolygonSummary& other) {
  if (other.polygons == 0) return;
  fewest = polygons == 0 ? other.fewest : std::min(fewest, other.fewest);
  most = std::max(most, other.most);
  polygons += other.polygons;
  // A NaN (a degenerate figure) never becomes the largest.
  if (other.largestDeviation > largestDeviation) largestDeviation = other.largestDeviation;
  capped += other.capped;
}

PolygonCounts PlanCircles(const Store& s, const PolygonPolicy& policy) {
  return PlanFigures(s.circles, policy);
}
PolygonCounts PlanArcs(const Store& s, const PolygonPolicy& policy) {
  return PlanFigures(s.arcs, policy);
}
PolygonCounts PlanSolidCircles(const Store& s, const PolygonPolicy& policy) {
  return PlanFigures(s.ses, policy);
}

ConvertStatus ConvertCircles(Store& s, std::int32_t n) { return ConvertEvenly(s, CirclesOf(s), n); }
ConvertStatus ConvertArcs(Store& s, std::int32_t n) { return ConvertEvenly(s, ArcsOf(s), n); }
ConvertStatus ConvertSolidCircles(Store& s, std::int32_t n) {
  return ConvertEvenly(s, SolidCirclesOf(s), n);
}

ConvertStatus ConvertCircles(Store& s, const PolygonPolicy& policy, PolygonSummary* summary,
                             const PolygonCounts* counts) {
  return ConvertPlanned(s, CirclesOf(s), policy, summary, counts);
}
ConvertStatus ConvertArcs(Store& s, const PolygonPolicy& policy, PolygonSummary* summary,
                          const PolygonCounts* counts) {
  return ConvertPlanned(s, ArcsOf(s), policy, summary, counts);
}
ConvertStatus ConvertSolidCircles(Store& s, const PolygonPolicy& policy, PolygonSummary* summary,
                                  const PolygonCounts* counts) {
  return ConvertPlanned(s, SolidCirclesOf(s), policy, summary, counts);
}

// The three conversions append to the same two tables, circles and arcs
// even to the same line table. Reserving what all of them add at once moves
// (and touches fresh memory for) each table once instead of once per kind.
// Capacity only: the counts stay, and when memory is short the conversions
// fail exactly as they would have. A total past the 32-bit limit is left to
// the conversion that passes it to refuse.
void ReserveForConversion(Store& s, std::int32_t n, bool circles, bool arcs, bool solids) {
  const std::int64_t segments = ClampSegments(n);
  const std::int64_t lines = segments * static_cast<std::int64_t>((circles ? s.circles.size() : 0) +
                                                                  (arcs ? s.arcs.size() : 0));
  const std::int64_t solid2s = segments * static_cast<std::int64_t>(solids ? s.ses.size() : 0);
  ReserveForPlanned(s, lines, solid2s);
}

void ReserveForPlanned(Store& s, std::int64_t lines, std::int64_t solid2s) {
  const auto lineCount = static_cast<std::int64_t>(s.lines.size()) + lines;
  const auto solid2Count = static_cast<std::int64_t>(s.solid2s.size()) + solid2s;
  const auto orderCount = static_cast<std::int64_t>(s.order.size()) + lines + solid2s;
  if (lineCount > kMaxCount || solid2Count > kMaxCount || orderCount > kMaxCount) return;
  s.lines.reserve(static_cast<std::size_t>(lineCount));
  s.solid2s.reserve(static_cast<std::size_t>(solid2Count));
  s.order.reserve(static_cast<std::size_t>(orderCount));
}

}  // namespace q527
