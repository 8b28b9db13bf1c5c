// Chains cut into runs by a stand-in judge (least-squares circles and
// axis-aligned ellipses, their vertices within eps): closed figures whole
// or kept, arcs between straight sides, one ellipse over many circles, the
// minimum counts, and runs that do not depend on where a closed chain
// starts or which way a chain runs.
#include "polygon/runs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace q527 {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Solves the n×n system a·x = b (row-major, partial pivoting); false when
// it is singular.
template <std::size_t n>
bool Solve(std::array<std::array<double, n + 1>, n> m, std::array<double, n>& x) {
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t p = c;
    for (std::size_t r = c + 1; r < n; ++r)
      if (std::fabs(m[r][c]) > std::fabs(m[p][c])) p = r;
    if (std::fabs(m[p][c]) < 1e-300) return false;
    std::swap(m[p], m[c]);
    for (std::size_t r = 0; r < n; ++r) {
      if (r == c) continue;
      const double f = m[r][c] / m[c][c];
      for (std::size_t k = c; k <= n; ++k) m[r][k] -= f * m[c][k];
    }
  }
  for (std::size_t c = 0; c < n; ++c) x[c] = m[c][n] / m[c][c];
  return true;
}

// The least-squares fit of the conic x² + B·y² + D·x + E·y + F = 0 (about
// the points' mean; B fixed at 1 for a circle) and its vertices' largest
// first-order distance; infinity when it is no ellipse or a flat one.
double ConicDeviation(const std::vector<ChainPoint>& p, bool circle) {
  double mx = 0, my = 0, extent = 0;
  for (const ChainPoint& q : p) mx += q.x / p.size(), my += q.y / p.size();
  for (const ChainPoint& q : p)
    extent = std::max({extent, std::fabs(q.x - mx), std::fabs(q.y - my)});
  // Normal equations over the terms (y², x, y, 1) = -x², or (x, y, 1) = -x²-y².
  constexpr std::size_t kTerms = 4;
  std::array<std::array<double, kTerms + 1>, kTerms> m{};
  for (const ChainPoint& q : p) {
    const double u = q.x - mx, w = q.y - my;
    const std::array<double, kTerms> t = {circle ? 0 : w * w, u, w, 1};
    const double rhs = -u * u - (circle ? w * w : 0);
    for (std::size_t r = 0; r < kTerms; ++r) {
      for (std::size_t c = 0; c < kTerms; ++c) m[r][c] += t[r] * t[c];
      m[r][kTerms] += t[r] * rhs;
    }
  }
  if (circle) m[0] = {1, 0, 0, 0, 0};  // B = 1 comes in below
  std::array<double, kTerms> x{};
  if (!Solve<kTerms>(m, x)) return INFINITY;
  const double b = circle ? 1 : x[0], d = x[1], e = x[2], f = x[3];
  const double a2 = d * d / 4 + e * e / (4 * b) - f;
  if (!(b > 0) || !(a2 > 0) || a2 > 1e6 * extent * extent || a2 / b > 1e6 * extent * extent)
    return INFINITY;
  double worst = 0;
  for (const ChainPoint& q : p) {
    const double u = q.x - mx, w = q.y - my;
    const double value = u * u + b * w * w + d * u + e * w + f;
    worst = std::max(worst, std::fabs(value) / std::hypot(2 * u + d, 2 * b * w + e));
  }
  return worst;
}

// The stand-in judge: a circle first, then (if allowed) an ellipse.
struct TestJudge {
  std::vector<ChainPoint> vertices;
  double eps = 1e-9;
  bool ellipses = true;

  CurveVerdict operator()(std::int32_t first, std::int32_t segments) const {
    std::vector<ChainPoint> p;
    for (std::int32_t k = 0; k <= segments; ++k)
      p.push_back(vertices[(first + k) % vertices.size()]);
    const double circle = ConicDeviation(p, true);
    if (circle <= eps) return {CurveKind::kCircle, circle};
    const double ellipse = ellipses && segments >= 4 ? ConicDeviation(p, false) : INFINITY;
    if (ellipse <= eps) return {CurveKind::kEllipse, ellipse};
    return {};
  }
};

// The plan, each run's verdict checked against the judge's for just that
// run (a run cut back is judged again).
RunPlan Plan(const std::vector<ChainPoint>& v, bool closed, const RunRules& rules,
             double eps = 1e-9) {
  const TestJudge judge{v, eps};
  const RunPlan plan = PlanRuns(v, closed, rules, judge);
  for (const Run& run : plan.runs) {
    const CurveVerdict verdict = judge(run.first, run.segments);
    EXPECT_EQ(run.verdict.kind, verdict.kind) << "run from " << run.first;
    EXPECT_EQ(run.verdict.deviation, verdict.deviation) << "run from " << run.first;
  }
  return plan;
}

// Vertices along an ellipse (a along x, b along y) about c, from angle t0
// to t1 in n segments; `last`: with the final vertex.
void AddArc(std::vector<ChainPoint>& v, ChainPoint c, double a, double b, double t0, double t1,
            int n, bool last = false) {
  for (int k = 0; k < n + (last ? 1 : 0); ++k) {
    const double t = t0 + (t1 - t0) * k / n;
    v.push_back({c.x + a * std::cos(t), c.y + b * std::sin(t)});
  }
}

void AddLine(std::vector<ChainPoint>& v, ChainPoint p, ChainPoint q, int n) {
  for (int k = 0; k < n; ++k) v.push_back({p.x + (q.x - p.x) * k / n, p.y + (q.y - p.y) * k / n});
}

// A rectangle (w by h about the origin) with its corners rounded by radius
// r in `arc` segments each and its sides in `side` segments (sides of no
// length left out), counter-clockwise from the bottom side.
std::vector<ChainPoint> RoundedRectangle(double w, double h, double r, int arc, int side) {
  const double x = w / 2 - r, y = h / 2 - r;
  const ChainPoint corners[4] = {{x, -y}, {x, y}, {-x, y}, {-x, -y}};
  std::vector<ChainPoint> v;
  for (int k = 0; k < 4; ++k) {
    const ChainPoint c = corners[k], before = corners[(k + 3) % 4];
    const double t0 = (k - 1) * kPi / 2;
    const ChainPoint from{before.x + r * std::cos(t0), before.y + r * std::sin(t0)};
    const ChainPoint to{c.x + r * std::cos(t0), c.y + r * std::sin(t0)};
    if (std::hypot(to.x - from.x, to.y - from.y) > 1e-9) AddLine(v, from, to, side);
    AddArc(v, c, r, r, t0, t0 + kPi / 2, arc);
  }
  return v;
}

struct Seen {
  std::int32_t first, segments;
  CurveKind kind;
  bool closed;
  auto operator<=>(const Seen&) const = default;
};

std::vector<Seen> Runs(const RunPlan& plan) {
  std::vector<Seen> seen;
  for (const Run& run : plan.runs)
    seen.push_back({run.first, run.segments, run.verdict.kind, run.closed});
  return seen;
}

// The runs of the chain turned round (reversed) and, closed, started at
// vertex `shift` of that, told in the vertex numbers of the chain itself.
std::vector<Seen> RunsTurned(const std::vector<ChainPoint>& v, bool closed, const RunRules& rules,
                             std::int32_t shift, bool reversed, double eps = 1e-9) {
  const auto n = static_cast<std::int32_t>(v.size()) - (closed ? 0 : 1);
  const auto count = static_cast<std::int32_t>(v.size());
  auto index = [&](std::int32_t k) {  // vertex k of the turned chain in v
    const std::int32_t i = closed ? (k + shift) % n : k;
    return reversed ? (closed ? (n - i) % n : n - i) : i;
  };
  std::vector<ChainPoint> turned(count);
  for (std::int32_t k = 0; k < count; ++k) turned[k] = v[index(k)];
  std::vector<Seen> seen;
  for (const Run& run : Plan(turned, closed, rules, eps).runs) {
    const std::int32_t a = index(run.first), b = index((run.first + run.segments) % count);
    const std::int32_t first = run.closed ? 0 : reversed ? b : a;
    seen.push_back({first, run.segments, run.verdict.kind, run.closed});
  }
  std::sort(seen.begin(), seen.end());
  return seen;
}

// Every start and both directions give the same runs.
void ExpectTurnsAgree(const std::vector<ChainPoint>& v, bool closed, const RunRules& rules,
                      double eps = 1e-9) {
  const std::vector<Seen> want = RunsTurned(v, closed, rules, 0, false, eps);
  const std::int32_t shifts = closed ? static_cast<std::int32_t>(v.size()) : 1;
  for (std::int32_t shift = 0; shift < shifts; ++shift)
    for (bool reversed : {false, true}) {
      SCOPED_TRACE(testing::Message() << "start " << shift << (reversed ? ", reversed" : ""));
      EXPECT_EQ(RunsTurned(v, closed, rules, shift, reversed, eps), want);
    }
}

TEST(PlanRuns, ClosedChainsWholeOrKept) {
  struct Case {
    const char* name;
    std::vector<ChainPoint> v;
    std::int32_t n;  // N
    std::vector<Seen> want;
    std::int64_t calls;
  };
  std::vector<ChainPoint> circle, ellipse, hexagon;
  AddArc(circle, {3, 4}, 10, 10, 0.2, 0.2 + 2 * kPi, 24);
  AddArc(ellipse, {3, 4}, 10, 4, 0, 2 * kPi, 24);
  AddArc(hexagon, {0, 0}, 5, 5, 0, 2 * kPi, 6);
  const std::vector<Case> cases = {
      {"circle", circle, 8, {{0, 24, CurveKind::kCircle, true}}, 1},
      {"ellipse", ellipse, 8, {{0, 24, CurveKind::kEllipse, true}}, 1},
      {"hexagon, N = 8", hexagon, 8, {}, 0},
      {"hexagon, N = 6", hexagon, 6, {{0, 6, CurveKind::kCircle, true}}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunRules rules;
    rules.closedMinSegments = c.n;
    const RunPlan plan = Plan(c.v, true, rules);
    EXPECT_EQ(Runs(plan), c.want);
    EXPECT_EQ(plan.judgeCalls, c.calls);
  }
}

// Arcs between straight sides: the arcs become runs, the sides stay lines.
TEST(PlanRuns, ArcsBetweenStraightSides) {
  std::vector<ChainPoint> open;
  AddLine(open, {-30, -10}, {-10, -10}, 3);
  AddArc(open, {-10, 0}, 10, 10, -kPi / 2, kPi / 2, 8);
  AddLine(open, {-10, 10}, {-10, 30}, 3);
  open.push_back({-10, 30});
  struct Case {
    const char* name;
    std::vector<ChainPoint> v;
    bool closed;
    std::vector<Seen> want;
  };
  const std::vector<Case> cases = {
      {"rounded rectangle",
       RoundedRectangle(60, 40, 8, 4, 2),
       true,
       {{2, 4, CurveKind::kCircle, false},
        {8, 4, CurveKind::kCircle, false},
        {14, 4, CurveKind::kCircle, false},
        {20, 4, CurveKind::kCircle, false}}},
      {"slot",
       RoundedRectangle(60, 20, 10, 6, 3),
       true,
       {{3, 12, CurveKind::kCircle, false}, {18, 12, CurveKind::kCircle, false}}},
      {"line, half circle, line", open, false, {{3, 8, CurveKind::kCircle, false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RunPlan plan = Plan(c.v, c.closed, RunRules{});
    EXPECT_EQ(Runs(plan), c.want);
    ExpectTurnsAgree(c.v, c.closed, RunRules{});
    // About two calls a segment for the cut, one for the whole that failed.
    EXPECT_LE(plan.judgeCalls, 3 * static_cast<std::int64_t>(c.v.size()));
  }
}

// A circle's polygon with one vertex pushed out: no closed figure, one arc
// over the rest, the two segments at that vertex left as lines.
TEST(PlanRuns, OneVertexOffLeavesItsSegments) {
  std::vector<ChainPoint> v;
  AddArc(v, {0, 0}, 10, 10, 0, 2 * kPi, 24);
  v[5].x *= 1.05, v[5].y *= 1.05;
  EXPECT_EQ(Runs(Plan(v, true, RunRules{})),
            (std::vector<Seen>{{6, 22, CurveKind::kCircle, false}}));
  ExpectTurnsAgree(v, true, RunRules{});
}

// Radial lines in and out of an arc of the ellipse (a, b) about the origin:
// corners at both ends of the arc.
std::vector<ChainPoint> ArcBetweenSpokes(double a, double b, double t0, double t1, int n) {
  std::vector<ChainPoint> v;
  AddLine(v, {3 * a * std::cos(t0), 3 * b * std::sin(t0)}, {a * std::cos(t0), b * std::sin(t0)}, 3);
  AddArc(v, {0, 0}, a, b, t0, t1, n);
  AddLine(v, {a * std::cos(t1), b * std::sin(t1)}, {3 * a * std::cos(t1), 3 * b * std::sin(t1)}, 3);
  v.push_back({3 * a * std::cos(t1), 3 * b * std::sin(t1)});
  return v;
}

// An elliptic arc loose enough a judge takes its short pieces for circles
// still becomes one elliptic run.
TEST(PlanRuns, OneEllipseOverManyCircles) {
  const std::vector<ChainPoint> v = ArcBetweenSpokes(100, 40, 0.4, 2.7, 24);
  constexpr double kEps = 0.05;
  const TestJudge judge{v, kEps};
  std::int32_t circles = 0;
  for (std::int32_t first = 3; first + 4 <= 27; ++first)
    circles += judge(first, 4).kind == CurveKind::kCircle;
  ASSERT_GT(circles, 10);  // the pieces a greedy walk would string together
  EXPECT_EQ(Runs(Plan(v, false, RunRules{}, kEps)),
            (std::vector<Seen>{{3, 24, CurveKind::kEllipse, false}}));
  ExpectTurnsAgree(v, false, RunRules{}, kEps);
}

TEST(PlanRuns, MinimumSegmentsPerKind) {
  struct Case {
    const char* name;
    double a, b;
    int segments;
    std::int32_t circleMin, ellipseMin;
    std::vector<Seen> want;
  };
  const std::vector<Case> cases = {
      {"arc of 2", 10, 10, 2, 3, 6, {}},
      {"arc of 3", 10, 10, 3, 3, 6, {{3, 3, CurveKind::kCircle, false}}},
      {"arc of 3, 4 asked", 10, 10, 3, 4, 6, {}},
      {"elliptic arc of 5", 10, 4, 5, 3, 6, {}},
      {"elliptic arc of 5, 5 asked", 10, 4, 5, 3, 5, {{3, 5, CurveKind::kEllipse, false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunRules rules;
    rules.circleMinSegments = c.circleMin;
    rules.ellipseMinSegments = c.ellipseMin;
    const std::vector<ChainPoint> v = ArcBetweenSpokes(c.a, c.b, 0.3, 1.6, c.segments);
    EXPECT_EQ(Runs(Plan(v, false, rules)), c.want);
  }
}

// Two hundred half circles between straight pieces, 3000 segments: calls
// grow with the segments, not with their square.
TEST(PlanRuns, LongChainsCostAboutTwoCallsASegment) {
  std::vector<ChainPoint> v;
  for (int k = 0; k < 200; ++k) {
    AddArc(v, {40.0 * k + 10, 0}, 10, 10, kPi, 0, 10);
    AddLine(v, {40.0 * k + 20, 0}, {40.0 * k + 40, 0}, 5);
  }
  v.push_back({8000, 0});
  const RunPlan plan = Plan(v, false, RunRules{});
  ASSERT_EQ(plan.runs.size(), 200u);
  for (std::size_t k = 0; k < plan.runs.size(); ++k) {
    EXPECT_EQ(plan.runs[k].first, 15 * static_cast<std::int32_t>(k));
    EXPECT_EQ(plan.runs[k].segments, 10);
  }
  EXPECT_LE(plan.judgeCalls, 3 * 3000);
}

TEST(PlanRuns, CappedRunsStayCappedAndAgreeTurned) {
  // 28 segments: cut from either end the pieces differ, so only the order
  // of equal runs by their vertices keeps the turned chain's runs the same.
  std::vector<ChainPoint> v;
  AddArc(v, {0, 0}, 10, 10, 0, 4, 28, true);
  RunRules rules;
  rules.maxRunSegments = 10;
  std::int32_t covered = 0;
  for (const q527::Run& run : Plan(v, false, rules).runs) {
    EXPECT_LE(run.segments, 10);
    covered += run.segments;
  }
  EXPECT_GE(covered, 26);
  ExpectTurnsAgree(v, false, rules);
}

// Rounded rectangles of many makes: the arcs are the runs, from any start
// and either way round. (Corners of fewer segments are left out: a
// rectangle's symmetric stretches of four vertices lie on circles too.)
TEST(PlanRuns, RoundedRectanglesAgreeTurned) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int round = 0; round < 12; ++round) {
    const double w = 20 + 80 * unit(rng), h = 20 + 80 * unit(rng);
    const double r = (0.2 + 0.3 * unit(rng)) * std::min(w, h);
    const int arc = 4 + static_cast<int>(rng() % 5), side = 1 + static_cast<int>(rng() % 3);
    SCOPED_TRACE(testing::Message()
                 << w << " x " << h << ", r " << r << ", " << arc << "/" << side);
    const std::vector<ChainPoint> v = RoundedRectangle(w, h, r, arc, side);
    const std::vector<Seen> runs = Runs(Plan(v, true, RunRules{}));
    EXPECT_EQ(runs.size(), 4u);
    for (const Seen& run : runs) EXPECT_EQ(run.segments, arc);
    ExpectTurnsAgree(v, true, RunRules{});
  }
}

}  // namespace
}  // namespace q527
