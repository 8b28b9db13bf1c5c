#include "polygon/runs.h"

#include <algorithm>
#include <utility>

namespace q527 {
namespace {

struct RunContext {
  std::span<const ChainPoint> vertices;
  bool closed = false;
  std::int32_t segments = 0;
  RunRules rules;
  const RunJudge* judge = nullptr;
  std::int64_t calls = 0;
};

CurveVerdict Ask(RunContext& c, std::int32_t first, std::int32_t segments) {
  ++c.calls;
  return (*c.judge)(first, segments);
}

// A stretch this long is judged again at each start only at a cost: past
// it, the starts it blocks are found by halving.
constexpr std::int32_t kLongStretch = 32;

std::int32_t MinSegments(const RunRules& rules, CurveKind kind) {
  return kind == CurveKind::kCircle ? rules.circleMinSegments : rules.ellipseMinSegments;
}

// The most segments a run from vertex i may take: a closed chain's run
// leaves one segment out (the whole chain was judged as a closed figure).
std::int32_t LongestFrom(const RunContext& c, std::int32_t i) {
  std::int32_t most = c.closed ? c.segments - 1 : c.segments - i;
  if (c.rules.maxRunSegments > 0) most = std::min(most, c.rules.maxRunSegments);
  return most;
}

// The verdicts a start has had for a row of lengths, so that the second
// pointer need not ask again what the first asked.
struct Asked {
  std::int32_t start = -1;
  std::int32_t shortest = 0;
  std::vector<CurveVerdict> verdicts;
};

CurveVerdict VerdictOf(RunContext& c, Asked& asked, std::int32_t i, std::int32_t length) {
  const std::int32_t k = length - asked.shortest;
  const bool row = asked.start == i && k >= 0;
  if (row && k < static_cast<std::int32_t>(asked.verdicts.size())) return asked.verdicts[k];
  const CurveVerdict verdict = Ask(c, i, length);
  if (!row || k != static_cast<std::int32_t>(asked.verdicts.size())) asked = {i, length, {}};
  asked.verdicts.push_back(verdict);
  return verdict;
}

struct Candidate {
  std::int32_t first = 0;
  std::int32_t segments = 0;
  CurveVerdict verdict;
};

// One of the two pointers: the end (in unwrapped vertex numbers) of the
// previous start's longest stretch, and the shortest stretch it looks for.
struct Pointer {
  std::int32_t end = 0;
  std::int32_t shortest = 1;
  bool circleOnly = false;
  // Starts before this one cannot reach past `end`: found at once for a
  // row of starts, so that a long stretch is not judged again at each.
  std::int32_t blockedBefore = 0;
};

// A start's longest stretch by one pointer, 0 when none of at least its
// shortest fits; judged: its verdict came at this start (not only the
// previous start's, shortened).
struct Reach {
  std::int32_t length = 0;
  CurveVerdict verdict;
  bool judged = false;
};

bool Fits(const Pointer& p, const CurveVerdict& v) {
  return p.circleOnly ? v.kind == CurveKind::kCircle : v.kind != CurveKind::kNone;
}

// After start i's stretch stopped before vertex end + 1: the first later
// start whose stretch reaches that vertex, found by halving (a stretch that
// fits still fits when shortened from its start, so those that reach it
// follow those that do not). The starts before it cannot pass `end`.
void BlockStarts(RunContext& c, Pointer& p, std::int32_t i, std::int32_t end) {
  std::int32_t lo = i, hi = end + 1 - p.shortest + 1;  // lo fails; hi: past the last start
  while (hi - lo > 1) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    const bool fits = mid + LongestFrom(c, mid) >= end + 1 && Fits(p, Ask(c, mid, end + 1 - mid));
    (fits ? hi : lo) = mid;
  }
  p.blockedBefore = hi;
}

// The longest stretch from start i the pointer's figures fit, looked for
// from `known` (a length known to fit) on.
Reach Advance(RunContext& c, Pointer& p, Asked& asked, std::int32_t i, Reach known) {
  const std::int32_t most = LongestFrom(c, i);
  Reach reach = known;
  if (reach.length < std::max(p.end - i, p.shortest - 1))
    reach = {std::max(p.end - i, p.shortest - 1), {}, false};
  const bool blocked = i < p.blockedBefore && p.end - i >= p.shortest - 1;
  bool stopped = false;
  while (!blocked && reach.length < most) {
    const CurveVerdict v = VerdictOf(c, asked, i, reach.length + 1);
    if (!Fits(p, v)) {
      stopped = true;
      break;
    }
    reach = {reach.length + 1, v, true};
  }
  p.end = i + reach.length;
  // A long stretch that stopped: the starts after it that stop too are
  // found at once. (Short ones cost no more one by one.)
  if (stopped && reach.length >= kLongStretch) BlockStarts(c, p, i, p.end);
  if (reach.length < p.shortest) reach = {};
  return reach;
}

// Each start's longest stretch by both pointers, kept where it is maximal
// (the previous start's does not reach as far) and long enough for its kind.
std::vector<Candidate> FindCandidates(RunContext& c) {
  const RunRules& r = c.rules;
  const std::int32_t starts = c.segments;
  Pointer circle{0, std::max(1, r.circleMinSegments), true};
  // Stretches shorter than an ellipse's least are runs only as circles:
  // the circle's pointer finds them, the other does not look.
  Pointer any{0, std::max(1, r.ellipseMinSegments), false};
  std::vector<Reach> circles(starts), anys(starts);
  Asked asked;
  for (std::int32_t i = 0; i < starts; ++i) {
    // What a circle fits, any figure fits: the second pointer goes on from there.
    circles[i] = Advance(c, circle, asked, i, {});
    anys[i] = Advance(c, any, asked, i, circles[i]);
  }
  // Maximal: the stretch from the start before ends earlier (on a closed
  // chain the last start comes before the first, a turn later).
  auto maximal = [&](const std::vector<Reach>& reach, std::int32_t i) {
    if (reach[i].length == 0 || !reach[i].judged) return false;
    if (i == 0 && !c.closed) return true;
    const std::int32_t before = i == 0 ? starts - 1 : i - 1;
    const std::int32_t turn = i == 0 ? c.segments : 0;
    return reach[before].length == 0 || before + reach[before].length < i + turn + reach[i].length;
  };
  std::vector<Candidate> found;
  for (std::int32_t i = 0; i < starts; ++i) {
    const bool anyKept = maximal(anys, i) && anys[i].length >= MinSegments(r, anys[i].verdict.kind);
    if (anyKept) found.push_back({i, anys[i].length, anys[i].verdict});
    if (maximal(circles, i) && !(anyKept && anys[i].length == circles[i].length))
      found.push_back({i, circles[i].length, circles[i].verdict});
  }
  return found;
}

// What orders runs of equal length and kind: the smaller and the larger end
// vertex, then the middle vertex (of two, the smaller) - the same whichever
// way the chain runs and wherever a closed one starts.
struct RunKey {
  ChainPoint low, high, middle;
};

RunKey KeyOf(const RunContext& c, const Candidate& run) {
  const auto count = static_cast<std::int32_t>(c.vertices.size());
  auto at = [&](std::int32_t k) { return c.vertices[(run.first + k) % count]; };
  RunKey key{at(0), at(run.segments), at(run.segments / 2)};
  if (PointBefore(key.high, key.low)) std::swap(key.low, key.high);
  if (run.segments % 2 == 1 && PointBefore(at(run.segments / 2 + 1), key.middle))
    key.middle = at(run.segments / 2 + 1);
  return key;
}

bool KeyBefore(const RunKey& a, const RunKey& b) {
  const std::pair<ChainPoint, ChainPoint> pairs[] = {
      {a.low, b.low}, {a.high, b.high}, {a.middle, b.middle}};
  for (const auto& [p, q] : pairs) {
    if (PointBefore(p, q)) return true;
    if (PointBefore(q, p)) return false;
  }
  return false;
}

// a is picked before b: longer, then simpler, then by key.
bool PickedBefore(const RunContext& c, const Candidate& a, const Candidate& b) {
  if (a.segments != b.segments) return a.segments > b.segments;
  if (a.verdict.kind != b.verdict.kind) return a.verdict.kind < b.verdict.kind;
  return KeyBefore(KeyOf(c, a), KeyOf(c, b));
}

// The part of a candidate no picked run has taken: runs picked before it
// are at least as long, so they overlap only its ends. Empty if one lies
// inside all the same.
Candidate FreePart(const RunContext& c, const std::vector<char>& taken, const Candidate& run) {
  auto segment = [&](std::int32_t k) { return (run.first + k) % c.segments; };
  std::int32_t lo = 0, hi = run.segments;
  while (lo < hi && taken[segment(lo)]) ++lo;
  while (hi > lo && taken[segment(hi - 1)]) --hi;
  for (std::int32_t k = lo; k < hi; ++k)
    if (taken[segment(k)]) return {};
  return {segment(lo), hi - lo, run.verdict};
}

// Picks the runs among the candidates, longest first.
std::vector<Run> PickRuns(RunContext& c, std::vector<Candidate> heap) {
  auto later = [&](const Candidate& a, const Candidate& b) { return PickedBefore(c, b, a); };
  std::make_heap(heap.begin(), heap.end(), later);
  std::vector<char> taken(c.segments, 0);
  std::vector<Run> runs;
  while (!heap.empty()) {
    std::pop_heap(heap.begin(), heap.end(), later);
    const Candidate top = heap.back();
    heap.pop_back();
    Candidate free = FreePart(c, taken, top);
    if (free.segments == 0) continue;
    // Cut back: judged again and put back in its new place.
    if (free.segments != top.segments) {
      free.verdict = Ask(c, free.first, free.segments);
      if (free.verdict.kind == CurveKind::kNone ||
          free.segments < MinSegments(c.rules, free.verdict.kind))
        continue;
      heap.push_back(free);
      std::push_heap(heap.begin(), heap.end(), later);
      continue;
    }
    for (std::int32_t k = 0; k < top.segments; ++k) taken[(top.first + k) % c.segments] = 1;
    runs.push_back({top.first, top.segments, top.verdict, false});
  }
  std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.first < b.first; });
  return runs;
}

// An open chain judged whole: true, with the run in the plan, when one
// figure fits it and it has that figure's least segments.
bool WholeFits(RunContext& c, RunPlan& plan) {
  const std::int32_t most = LongestFrom(c, 0);
  if (most != c.segments || c.segments < c.rules.circleMinSegments) return false;
  const CurveVerdict whole = Ask(c, 0, c.segments);
  if (whole.kind == CurveKind::kNone || c.segments < MinSegments(c.rules, whole.kind)) return false;
  plan.runs.push_back({0, c.segments, whole, false});
  plan.judgeCalls = c.calls;
  return true;
}

}  // namespace

RunPlan PlanRuns(std::span<const ChainPoint> vertices, bool closed, const RunRules& rules,
                 const RunJudge& judge) {
  RunContext c;
  c.vertices = vertices;
  c.closed = closed;
  c.segments = static_cast<std::int32_t>(vertices.size()) - (closed ? 0 : 1);
  c.rules = rules;
  c.judge = &judge;
  RunPlan plan;
  if (c.segments < 1) return plan;
  // A closed chain: whole, or as it is when it is short.
  if (closed) {
    if (c.segments < rules.closedMinSegments) return plan;
    const CurveVerdict whole = Ask(c, 0, c.segments);
    if (whole.kind != CurveKind::kNone) {
      plan.runs.push_back({0, c.segments, whole, true});
      plan.judgeCalls = c.calls;
      return plan;
    }
  } else if (WholeFits(c, plan)) {
    // An open chain that one figure fits whole is its own longest run, the
    // common case, settled with one call.
    return plan;
  }
  plan.runs = PickRuns(c, FindCandidates(c));
  plan.judgeCalls = c.calls;
  return plan;
}

}  // namespace q527
