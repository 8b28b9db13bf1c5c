// Planned polygons measured against their figures by dense sampling: random
// circles, arcs, ellipses, elliptic arcs and circular solids from tiny to
// huge, flat and tilted, in every fit. The measure is the largest distance
// both ways, every point of the curve to the polygon and every point of the
// polygon to the curve, taken near each piece of the curve.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "conversion/polygons.h"
#include "conversion/polygon_maker.h"

namespace q527 {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Pt {
  double x, y;
};

double SegmentDistance(Pt p, Pt a, Pt b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

enum class Kind { kCircle, kArc, kEllipse, kEllipticArc, kSolid };

// One random figure: an ellipse (a along the tilt, b = a·flat) over the
// parameter range start + [0, sweep] in radians.
struct Figure {
  Kind kind;
  double cx, cy, a, flat, tilt, start, sweep;
  bool closed;

  double ct = 1, st = 0;  // the tilt's cosine and sine

  Pt At(double t) const {
    const double u = a * std::cos(t), v = a * flat * std::sin(t);
    return {cx + u * ct - v * st, cy + u * st + v * ct};
  }
  // Where p lies against the ellipse: < 1 inside, > 1 outside.
  double Level(Pt p) const {
    const double dx = p.x - cx, dy = p.y - cy;
    const double u = dx * std::cos(tilt) + dy * std::sin(tilt);
    const double v = -dx * std::sin(tilt) + dy * std::cos(tilt);
    return std::hypot(u / a, v / (a * flat));
  }
  double Size() const { return std::fabs(cx) + std::fabs(cy) + a * (1 + flat); }
};

Figure RandomFigure(std::mt19937_64& rng, Kind kind) {
  auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); };
  Figure f{};
  f.kind = kind;
  f.cx = uni(-1e3, 1e3);
  f.cy = uni(-1e3, 1e3);
  f.a = std::pow(10.0, uni(-3, 5));
  const bool round = kind == Kind::kCircle || kind == Kind::kArc;
  f.flat = round ? 1.0 : std::pow(10.0, uni(-2, 2));
  f.tilt = round ? 0.0 : uni(-kPi, kPi);
  f.ct = std::cos(f.tilt);
  f.st = std::sin(f.tilt);
  f.closed =
      kind == Kind::kCircle || kind == Kind::kEllipse || (kind == Kind::kSolid && rng() % 2 == 0);
  if (kind == Kind::kCircle) {
    f.start = 0;
  } else if (kind == Kind::kSolid || !f.closed) {
    // Arcs in whole degrees' range; solids in radians, either way round.
    f.start = uni(-2 * kPi, 2 * kPi);
  } else {
    f.start = 0;
  }
  f.sweep = f.closed ? 2 * kPi : uni(0.1, 6.1);
  if (kind == Kind::kSolid && !f.closed && rng() % 2 == 0) f.sweep = -f.sweep;
  return f;
}

// The vertices of a chain of segments, in order.
template <typename Segment>
std::vector<Pt> ChainOf(const std::vector<Segment>& segments) {
  std::vector<Pt> v;
  for (const Segment& seg : segments) v.push_back({seg.x1, seg.y1});
  if (!segments.empty()) v.push_back({segments.back().x2, segments.back().y2});
  return v;
}

// Converts the figure by the policy; the polygon's vertices in order.
std::vector<Pt> Convert(const Figure& f, const PolygonPolicy& p, PolygonSummary* sum) {
  Store s;
  JwwInit(s);
  if (f.kind == Kind::kCircle) {
    s.circles.push_back({{}, f.cx, f.cy, f.a});
    s.order.push_back({kJwwCircle, 0});
    if (ConvertCircles(s, p, sum) != ConvertStatus::kDone) return {};
    StorePolygonSegments(s);
  } else if (f.kind == Kind::kSolid) {
    TJwwEntSe se;
    se.v = {f.cx, f.cy, f.a, f.flat, f.tilt, f.start, f.sweep};
    s.ses.push_back(se);
    s.order.push_back({kJwwSe, 0});
    if (ConvertSolidCircles(s, p, sum) != ConvertStatus::kDone) return {};
    StorePolygonSegments(s);
    return ChainOf(s.solid2s);
  } else {
    TJwwEntArc arc;
    arc.cx = f.cx, arc.cy = f.cy, arc.r = f.a, arc.flat = f.flat;
    arc.tilt = f.tilt * 180 / kPi;
    arc.start = f.start * 180 / kPi;
    arc.end = f.closed ? arc.start + 360 : (f.start + f.sweep) * 180 / kPi;
    s.arcs.push_back(arc);
    s.order.push_back({kJwwArc, 0});
    if (ConvertArcs(s, p, sum) != ConvertStatus::kDone) return {};
    StorePolygonSegments(s);
  }
  return ChainOf(s.lines);
}

// The two ways of the largest distance, measured near each piece of the
// curve: the polygon's segment k follows the curve's k-th piece, so the
// nearest points lie within a few pieces of each other. A largest or
// nearest point is found among samples and then narrowed by golden
// sections around the best one; the samples lie at most about d/8 apart
// along the curve, so that the best one is next to the true point.
struct Measured {
  double curveToPolygon = 0;
  double polygonToCurve = 0;
  double Largest() const { return std::max(curveToPolygon, polygonToCurve); }
};

// The point of f's extreme in [lo, hi] (sign +1 largest, -1 smallest),
// narrowed from the whole bracket.
template <typename F>
double Narrow(F f, double lo, double hi, double sign) {
  for (int it = 0; it < 60; ++it) {
    const double m1 = lo + (hi - lo) * 0.382, m2 = lo + (hi - lo) * 0.618;
    if (sign * f(m1) > sign * f(m2)) {
      hi = m2;
    } else {
      lo = m1;
    }
  }
  return (lo + hi) / 2;
}

Measured Measure(const Figure& f, const std::vector<Pt>& v, double d) {
  const int n = static_cast<int>(v.size()) - 1;
  constexpr int kWindow = 3;
  const double sweep = std::fabs(f.sweep);
  const double lo = f.sweep < 0 ? f.start + f.sweep : f.start;
  const double length = sweep * f.a * std::max(1.0, f.flat);
  const int per = static_cast<int>(std::clamp(std::ceil(length / (d / 8) / n), 16.0, 200000.0 / n));
  const int samples = per * n;
  std::vector<Pt> curve(samples + 1);
  for (int j = 0; j <= samples; ++j) curve[j] = f.At(lo + sweep * j / samples);
  // A negative sweep walks the other way: piece k is then the (n-1-k)-th.
  auto piece = [&](int k) { return f.sweep < 0 ? n - 1 - k : k; };
  auto segment = [&](int k, int dk) {
    const int j = k + dk;
    return f.closed ? ((j % n) + n) % n : std::clamp(j, 0, n - 1);
  };
  Measured m;
  for (int c = 0; c < n; ++c) {
    const int k = piece(c);
    auto toPolygon = [&](double t) {
      const Pt p = f.At(t);
      double best = INFINITY;
      for (int dk = -kWindow; dk <= kWindow; ++dk) {
        const int s = segment(k, dk);
        best = std::min(best, SegmentDistance(p, v[s], v[s + 1]));
      }
      return best;
    };
    int at = c * per;
    double best = 0;
    for (int j = c * per; j <= (c + 1) * per; ++j) {
      double dist = INFINITY;
      for (int dk = -kWindow; dk <= kWindow; ++dk) {
        const int s = segment(k, dk);
        dist = std::min(dist, SegmentDistance(curve[j], v[s], v[s + 1]));
      }
      if (dist > best) best = dist, at = j;
    }
    const double t1 = lo + sweep * std::max(0, at - 1) / samples;
    const double t2 = lo + sweep * std::min(samples, at + 1) / samples;
    m.curveToPolygon = std::max({m.curveToPolygon, best, toPolygon(Narrow(toPolygon, t1, t2, 1))});
  }
  for (int k = 0; k < n; ++k) {
    const int c = piece(k);
    const int j1 = f.closed ? (c - 2) * per : std::max(0, (c - 2) * per);
    const int j2 = f.closed ? (c + 3) * per : std::min(samples, (c + 3) * per);
    for (int i = 0; i <= 8; ++i) {
      const Pt p{v[k].x + (v[k + 1].x - v[k].x) * i / 8, v[k].y + (v[k + 1].y - v[k].y) * i / 8};
      auto toCurve = [&](double t) {
        const Pt q = f.At(t);
        return std::hypot(p.x - q.x, p.y - q.y);
      };
      int at = j1;
      double best = INFINITY;
      for (int j = j1; j <= j2; ++j) {
        const Pt q = curve[((j % samples) + samples) % samples];
        const double dist = std::hypot(p.x - q.x, p.y - q.y);
        if (dist < best) best = dist, at = j;
      }
      double t1 = lo + sweep * (at - 1) / samples, t2 = lo + sweep * (at + 1) / samples;
      if (!f.closed) t1 = std::max(t1, lo), t2 = std::min(t2, lo + sweep);
      best = std::min(best, toCurve(Narrow(toCurve, t1, t2, -1)));
      m.polygonToCurve = std::max(m.polygonToCurve, best);
    }
  }
  return m;
}

const char* FitName(PolygonFit fit) {
  return fit == PolygonFit::kInscribed ? "inscribed"
         : fit == PolygonFit::kMid     ? "mid"
                                       : "circumscribed";
}

PolygonPolicy FixedCount(PolygonFit fit, int n) {
  PolygonPolicy p;
  p.planned = true;
  p.fit = fit;
  p.segments = n;
  return p;
}

class PlannedPolygons : public testing::TestWithParam<Kind> {};

TEST_P(PlannedPolygons, MeetTheDeviationWithTheSmallestCountInEveryFit) {
  std::mt19937_64 rng(15 + static_cast<int>(GetParam()));
  for (const PolygonFit fit :
       {PolygonFit::kInscribed, PolygonFit::kCircumscribed, PolygonFit::kMid}) {
    for (int i = 0; i < 30; ++i) {
      const Figure f = RandomFigure(rng, GetParam());
      const double major = f.a * std::max(1.0, f.flat);
      const double d = major * std::pow(10.0, std::uniform_real_distribution<>(-4.5, -1.3)(rng));
      PolygonPolicy p;
      p.planned = true;
      p.fit = fit;
      p.maxDeviation = d;
      PolygonSummary sum;
      const std::vector<Pt> v = Convert(f, p, &sum);
      SCOPED_TRACE(testing::Message()
                   << FitName(fit) << " a " << f.a << " flat " << f.flat << " tilt " << f.tilt
                   << " c " << f.cx << "," << f.cy << " start " << f.start << " sweep " << f.sweep
                   << " d " << d);
      ASSERT_EQ(static_cast<int>(v.size()) - 1, sum.most);
      const int n = sum.most;
      if (f.closed) {
        // Closed bit for bit.
        EXPECT_EQ(v[n].x, v[0].x);
        EXPECT_EQ(v[n].y, v[0].y);
      } else {
        // The arc's own end points, whatever the fit.
        const double tol = 1e-13 * f.Size();
        const Pt a = f.At(f.start), b = f.At(f.start + f.sweep);
        EXPECT_NEAR(v[0].x, a.x, tol);
        EXPECT_NEAR(v[0].y, a.y, tol);
        EXPECT_NEAR(v[n].x, b.x, tol);
        EXPECT_NEAR(v[n].y, b.y, tol);
      }
      if (sum.capped > 0) continue;
      // Rounding the vertices to doubles moves them by parts of 1e-16 of
      // the figure's place.
      const double noise = 1e-12 * f.Size();
      const Measured m = Measure(f, v, d);
      EXPECT_LE(m.Largest(), d * (1 + 1e-6) + noise);
      EXPECT_NEAR(sum.largestDeviation, m.Largest(), 2e-3 * m.Largest() + noise);
      if (n - 2 >= 3) {
        const Measured fewer = Measure(f, Convert(f, FixedCount(fit, n - 2), nullptr), d);
        EXPECT_GT(fewer.Largest(), d) << "n " << n;
      }
      if (fit == PolygonFit::kCircumscribed) {
        // Every point of the polygon on or outside the curve.
        for (int k = 0; k < n; ++k) {
          for (int j = 0; j <= 8; ++j) {
            const Pt q{v[k].x + (v[k + 1].x - v[k].x) * j / 8,
                       v[k].y + (v[k + 1].y - v[k].y) * j / 8};
            EXPECT_GE(f.Level(q), 1 - noise / (f.a * std::min(1.0, f.flat))) << "segment " << k;
          }
        }
      }
      if (fit == PolygonFit::kMid) {
        // The curve strays as far beyond the polygon as the corners stray
        // beyond the curve.
        EXPECT_NEAR(m.curveToPolygon, m.polygonToCurve, 2e-3 * m.Largest() + noise);
        const Measured in =
            Measure(f, Convert(f, FixedCount(PolygonFit::kInscribed, n), nullptr), d);
        // A closed figure's mid polygon has the inscribed one's corners,
        // moved out: never worse than that one.
        if (f.closed) {
          EXPECT_LE(m.Largest(), in.Largest() * (1 + 1e-3) + noise);
        }
        // A circle's error halves. An open circle keeps its ends on the
        // curve, and its end segments cover 0.85 of a step each: as if it
        // had 2 - √2 segments less.
        const double fewer = f.closed ? 0 : 2 - std::sqrt(2.0);
        const double half = 0.5 / std::cos(kPi / n) * n * n / (n - fewer) / (n - fewer);
        if (f.flat == 1.0) {
          EXPECT_LE(m.Largest(), in.Largest() * (half + 1e-3) + noise);
        }
      }
    }
  }
}

std::string KindName(const testing::TestParamInfo<Kind>& info) {
  static const char* const kNames[] = {"Circles", "Arcs", "Ellipses", "EllipticArcs",
                                       "CircularSolids"};
  return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryKind, PlannedPolygons,
                         testing::Values(Kind::kCircle, Kind::kArc, Kind::kEllipse,
                                         Kind::kEllipticArc, Kind::kSolid),
                         KindName);

// A circular solid's stored sweep may wind round its centre several times;
// its polygon then laps itself. What the summary reports must still hold
// against the polygon written, and not be far above it.
TEST(PlannedPolygons, LappedCircularSolidsHoldTheDeviationTheyReport) {
  std::mt19937_64 rng(23);
  auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); };
  for (const PolygonFit fit :
       {PolygonFit::kInscribed, PolygonFit::kCircumscribed, PolygonFit::kMid}) {
    for (int i = 0; i < 12; ++i) {
      Figure f = RandomFigure(rng, Kind::kSolid);
      f.closed = false;
      f.flat = i % 3 == 0 ? 1.0 : std::pow(10.0, uni(-1, 1));
      f.sweep = uni(2 * kPi + 0.01, 40) * (i % 2 == 0 ? 1 : -1);
      const double major = f.a * std::max(1.0, f.flat);
      const double d = major * std::pow(10.0, uni(-3.5, -1.5));
      PolygonPolicy p;
      p.planned = true;
      p.fit = fit;
      p.maxDeviation = d;
      p.maxAngle = i % 4 == 1 ? 15 : 0;
      PolygonSummary sum;
      const std::vector<Pt> v = Convert(f, p, &sum);
      SCOPED_TRACE(testing::Message() << FitName(fit) << " a " << f.a << " flat " << f.flat
                                      << " sweep " << f.sweep << " d " << d);
      ASSERT_EQ(static_cast<int>(v.size()) - 1, sum.most);
      if (sum.capped > 0) continue;
      const double noise = 1e-12 * f.Size();
      const Measured m = Measure(f, v, d);
      EXPECT_LE(sum.largestDeviation, d);
      EXPECT_LE(m.Largest(), sum.largestDeviation * (1 + 1e-3) + noise);
      EXPECT_LE(sum.largestDeviation, 4 * m.Largest() + noise);
    }
  }
}

TEST(PlannedPolygonCounts, AngleAndLengthBoundsGiveTheSmallestCount) {
  // A circle of radius 10: 10° per segment is 36 segments, a length of 1
  // needs 2·10·sin(π/n) ≤ 1, n = 63.
  const PolygonShape circle{10, 10, 0, 2 * kPi, true};
  PolygonPolicy p;
  p.planned = true;
  p.maxAngle = 10;
  EXPECT_EQ(PlanPolygon(p, circle).segments, 36);
  p.maxAngle = 0;
  p.maxLength = 1;
  EXPECT_EQ(PlanPolygon(p, circle).segments, 63);
  p.maxAngle = 3;  // 120 segments meet both
  EXPECT_EQ(PlanPolygon(p, circle).segments, 120);
  p.maxSegments = 100;
  const PolygonPlan capped = PlanPolygon(p, circle);
  EXPECT_EQ(capped.segments, 100);
  EXPECT_TRUE(capped.capped);
}

TEST(PlannedPolygonCounts, MidFitHalvesTheInscribedErrorOfACircle) {
  const PolygonShape circle{10, 10, 0, 2 * kPi, true};
  for (const int n : {6, 24, 200}) {
    const double in = PolygonDeviation(PolygonFit::kInscribed, circle, n);
    const double mid = PolygonDeviation(PolygonFit::kMid, circle, n);
    EXPECT_NEAR(mid / in, 0.5, 0.3 / n);
  }
}

// A conversion hands each plan the largest deviation reached so far; below
// it a bound may stand for a figure's own value. The counts must not change,
// and a bound must hold and stay below what was reached.
TEST(PlannedPolygonCounts, ABoundStandsOnlyBelowTheDeviationReached) {
  std::mt19937_64 rng(41);
  std::uniform_real_distribution<double> unit(0, 1);
  int bounds = 0;
  for (int i = 0; i < 3000; ++i) {
    const double a = std::exp(unit(rng) * 8 - 2);
    const double flat = std::exp((unit(rng) * 2 - 1) * std::log(20.0));
    const bool closed = i % 2 == 0;
    const PolygonShape s{a, a * flat, closed ? 0 : unit(rng) * 7,
                         closed ? 2 * kPi : (unit(rng) * 2 - 1) * 6.2, closed};
    PolygonPolicy p;
    p.planned = true;
    p.fit = static_cast<PolygonFit>(i % 3);
    p.maxDeviation = a * std::pow(10.0, -3 * unit(rng));
    const PolygonPlan exact = PlanPolygon(p, s);
    for (const double reached : {p.maxDeviation / 4, p.maxDeviation, 10 * p.maxDeviation}) {
      const PolygonPlan plan = PlanPolygon(p, s, reached);
      SCOPED_TRACE(testing::Message() << "a " << a << " flat " << flat << " fit " << i % 3 << " d "
                                      << p.maxDeviation << " reached " << reached);
      ASSERT_EQ(plan.segments, exact.segments);
      EXPECT_EQ(plan.scale, exact.scale);
      if (plan.deviation != exact.deviation) {
        ++bounds;
        EXPECT_GE(plan.deviation, exact.deviation * (1 - 1e-12));
        EXPECT_LE(plan.deviation, reached);
      }
    }
  }
  EXPECT_GT(bounds, 100);  // the bounds are taken at all
}

}  // namespace

}  // namespace q527
