#include "conversion/polygons.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "conversion/figures.h"
#include "conversion/polygon_maker.h"

namespace q527 {

namespace {

constexpr std::int64_t kMaxCount = std::numeric_limits<std::int32_t>::max();

// One kind a conversion replaces: its table, the table its kept sources
// go to, and its kind code.
template <typename Src>
struct KindTables {
  std::vector<Src>& src;
  std::vector<Src>& converted;
  TJwwKind srcKind;
};

KindTables<TJwwEntCircle> CirclesOf(Store& s) {
  return {s.circles, s.converted.circles, kJwwCircle};
}
KindTables<TJwwEntArc> ArcsOf(Store& s) { return {s.arcs, s.converted.arcs, kJwwArc}; }
KindTables<TJwwEntSe> SolidCirclesOf(Store& s) { return {s.ses, s.converted.ses, kJwwSe}; }

// How many segments each figure gets: the same count for all (the
// dialog's rule), or each its own plan.
struct Counts {
  std::int32_t even = 0;
  const PolygonCounts* planned = nullptr;
  std::int32_t At(std::size_t i) const { return planned ? planned->counts[i] : even; }
};

// The segments the polygons already in the store make: as line records,
// as linear solids, and together.
struct MadeSegments {
  std::int64_t lines = 0, solid2s = 0;
};
MadeSegments SegmentsMade(const Store& s) {
  MadeSegments made;
  for (const TJwwEntPolygon& p : s.polygons) {
    (p.source == kJwwSe ? made.solid2s : made.lines) += p.segments;
  }
  return made;
}

// Checks the new counts against the 32-bit limit and reserves the polygon
// and order tables, so running out of memory leaves both at their old
// counts and the appends never allocate. The counts are those the store's
// segments would have as records of their own: the exchange format and
// every reader of it count them so.
template <typename Src>
bool ReserveFor(Store& s, const KindTables<Src>& k, std::int64_t added) {
  const MadeSegments made = SegmentsMade(s);
  const bool solids = k.srcKind == kJwwSe;
  const std::int64_t t0 = solids ? static_cast<std::int64_t>(s.solid2s.size()) + made.solid2s
                                 : static_cast<std::int64_t>(s.lines.size()) + made.lines;
  const std::int64_t o0 = static_cast<std::int64_t>(s.order.size() - s.polygons.size()) +
                          made.lines + made.solid2s;
  // Indexes and counts are 32-bit in the store and in the exchange format;
  // a conversion that would pass that limit is refused before anything
  // changes, instead of wrapping into negative indexes.
  if (t0 + added > kMaxCount || o0 + added > kMaxCount) return false;
  s.polygons.reserve(s.polygons.size() + k.src.size());
  s.order.reserve(s.order.size() + k.src.size());
  // An empty converted table takes the source table whole.
  if (!k.converted.empty()) k.converted.reserve(k.converted.size() + k.src.size());
  return true;
}

// The source table moves to the converted ones and its old order entries
// are marked removed.
template <typename Src>
void RemoveSources(Store& s, const KindTables<Src>& k, std::size_t entries) {
  if (k.converted.empty()) {
    k.converted.swap(k.src);
  } else {
    k.converted.insert(k.converted.end(), k.src.begin(), k.src.end());
  }
  std::vector<Src>().swap(k.src);
  for (std::size_t i = 0; i < entries; ++i) {
    if (s.order[i].kind == k.srcKind) s.order[i].kind = kJwwRemoved;
  }
}

// The conversion of one kind: the tables checked and reserved for `added`
// segments, each figure's polygon recorded with one order entry (the output
// pass makes its segments), the sources moved aside.
template <typename Src>
ConvertStatus ConvertKind(Store& s, const KindTables<Src>& k, const PolygonPolicy& policy,
                          const Counts& counts, std::int64_t added) {
  const std::size_t entries = s.order.size();
  if (!ReserveFor(s, k, added)) return ConvertStatus::kCountLimit;
  const auto first = static_cast<std::int32_t>(k.converted.size());
  const std::vector<double>* scales = counts.planned ? &counts.planned->scales : nullptr;
  for (std::size_t i = 0; i < k.src.size(); ++i) {
    TJwwEntPolygon p;
    p.source = k.srcKind;
    p.index = first + static_cast<std::int32_t>(i);
    p.segments = counts.At(i);
    p.walk = scales == nullptr ? kEvenWalk : PlannedWalkOf(policy.fit);
    p.scale = scales == nullptr || scales->empty() ? 0 : (*scales)[i];
    s.order.push_back(TJwwOrder{kJwwPolygon, static_cast<std::int32_t>(s.polygons.size())});
    s.polygons.push_back(p);
  }
  RemoveSources(s, k, entries);
  s.polygonMaker = &ConversionPolygonMaker();
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
template <typename Src>
ConvertStatus ConvertEvenly(Store& s, const KindTables<Src>& k, std::int32_t n) {
  const std::int32_t segments = ClampSegments(n);
  const auto added = static_cast<std::int64_t>(k.src.size()) * segments;
  return ConvertKind(s, k, PolygonPolicy{}, Counts{segments, nullptr}, added);
}

// A planned conversion: the counts first (planned here unless given), since
// the count limit is checked on their total and planning an ellipse costs
// more than keeping its count.
template <typename Src>
ConvertStatus ConvertPlanned(Store& s, const KindTables<Src>& k, const PolygonPolicy& policy,
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

// The three conversions append to the same two tables, a record and an
// entry per figure. Reserving what all of them add at once moves each table
// once instead of once per kind. Capacity only: the counts stay, and when memory
// is short the conversions fail exactly as they would have.
void ReserveForPolygons(Store& s, bool circles, bool arcs, bool solids) {
  const std::size_t figures =
      (circles ? s.circles.size() : 0) + (arcs ? s.arcs.size() : 0) + (solids ? s.ses.size() : 0);
  if (static_cast<std::int64_t>(s.order.size() + figures) > kMaxCount) return;
  s.polygons.reserve(s.polygons.size() + figures);
  s.order.reserve(s.order.size() + figures);
}

}  // namespace q527
