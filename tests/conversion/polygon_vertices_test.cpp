// The conversions keep the sine and cosine of repeated walks and of a
// figure's tilt instead of recomputing them per vertex. The vertices must
// still be exactly those of the geometry helpers, walked from the start angle
// by the summed step, to the last bit: mixed walks that repeat and walks that
// do not, tilted and untilted, several division counts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "common/extended_trig.h"
#include "common/geometry.h"
#include "conversion/polygons.h"
#include "conversion/polygon_maker.h"
#include "exchange/store.h"
#include "polygon/walk.h"

namespace q527 {

namespace {

constexpr long double kTwoPi = 6.283185307179586476925286766559005768L;

struct Vertex {
  double x, y;
};

bool SameBits(double a, double b) {
  std::uint64_t x, y;
  std::memcpy(&x, &a, sizeof a);
  std::memcpy(&y, &b, sizeof b);
  return x == y;
}

// Checks the N segments of figure i in a table of two-point records against
// the N + 1 expected vertices.
template <typename Table>
void ExpectChain(const Table& table, std::size_t i, int n, const std::vector<Vertex>& want) {
  for (int j = 0; j < n; ++j) {
    const auto& seg = table[i * static_cast<std::size_t>(n) + static_cast<std::size_t>(j)];
    ASSERT_TRUE(SameBits(seg.x1, want[j].x) && SameBits(seg.y1, want[j].y) &&
                SameBits(seg.x2, want[j + 1].x) && SameBits(seg.y2, want[j + 1].y))
        << "figure " << i << " segment " << j;
  }
}

class Figures {
 public:
  explicit Figures(std::uint64_t seed) : rng_(seed) {}
  double Uniform(double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng_);
  }
  bool OneIn(unsigned n) { return rng_() % n == 0; }

 private:
  std::mt19937_64 rng_;
};

TEST(ConversionVertices, CirclesAreThoseOfTheCircleFormula) {
  for (const int n : {3, 7, 24, 999}) {
    Figures g(static_cast<std::uint64_t>(n));
    Store s;
    JwwInit(s);
    for (int i = 0; i < 50; ++i) {
      TJwwEntCircle c;
      c.cx = g.Uniform(-1e5, 1e5);
      c.cy = g.Uniform(-1e5, 1e5);
      c.r = g.Uniform(0.001, 5e4);
      s.circles.push_back(c);
      s.order.push_back({kJwwCircle, i});
    }
    const std::vector<TJwwEntCircle> circles = s.circles;
    ASSERT_EQ(ConvertCircles(s, n), ConvertStatus::kDone);
    StorePolygonSegments(s);
    const double step = static_cast<double>(kTwoPi / n);
    for (std::size_t i = 0; i < circles.size(); ++i) {
      std::vector<Vertex> want;
      double a = 0.0;
      for (int k = 0; k <= n; ++k, a += step) {
        const ExtendedSinCos t = SinCosExtended(a);
        want.push_back({static_cast<double>(t.cos * circles[i].r + circles[i].cx),
                        static_cast<double>(t.sin * circles[i].r + circles[i].cy)});
      }
      ExpectChain(s.lines, i, n, want);
    }
  }
}

TEST(ConversionVertices, ArcsAreThoseOfEllipsePointDeg) {
  for (const int n : {3, 7, 24}) {
    Figures g(100 + static_cast<std::uint64_t>(n));
    Store s;
    JwwInit(s);
    for (int i = 0; i < 400; ++i) {
      TJwwEntArc a;
      a.cx = g.Uniform(-1e5, 1e5);
      a.cy = g.Uniform(-1e5, 1e5);
      a.r = g.Uniform(0.001, 5e4);
      // A third are closed ellipses, which all walk the same angles; a few
      // start angles repeat; the rest are one-off walks.
      if (g.OneIn(3)) {
        a.start = 0;
        a.end = 360;
      } else if (g.OneIn(4)) {
        a.start = 45;
        a.end = 300;
      } else {
        a.start = g.Uniform(-720, 720);
        a.end = g.Uniform(-720, 720);
      }
      a.flat = g.OneIn(2) ? 1.0 : g.Uniform(0.05, 3);
      a.tilt = g.OneIn(2) ? 0.0 : g.Uniform(-400, 400);
      s.arcs.push_back(a);
      s.order.push_back({kJwwArc, i});
    }
    const std::vector<TJwwEntArc> arcs = s.arcs;
    ASSERT_EQ(ConvertArcs(s, n), ConvertStatus::kDone);
    StorePolygonSegments(s);
    for (std::size_t i = 0; i < arcs.size(); ++i) {
      const TJwwEntArc& a = arcs[i];
      const double step =
          static_cast<double>(static_cast<long double>(ArcSweepDegrees(a.start, a.end)) / n);
      std::vector<Vertex> want;
      double angle = a.start;
      for (int k = 0; k <= n; ++k, angle += step) {
        Vertex v;
        EllipsePointDeg(v.x, v.y, a.cx, a.cy, a.r, a.flat, a.tilt, angle);
        want.push_back(v);
      }
      ExpectChain(s.lines, i, n, want);
    }
  }
}

TEST(ConversionVertices, CircularSolidsAreThoseOfEllipsePoint) {
  for (const int n : {3, 24}) {
    Figures g(200 + static_cast<std::uint64_t>(n));
    Store s;
    JwwInit(s);
    for (int i = 0; i < 300; ++i) {
      TJwwEntSe se;
      se.v = {g.Uniform(-1e5, 1e5),
              g.Uniform(-1e5, 1e5),
              g.Uniform(0.001, 5e4),
              g.OneIn(2) ? 1.0 : g.Uniform(0.05, 3),
              g.OneIn(2) ? 0.0 : g.Uniform(-7, 7),
              0.0,
              6.28318530717959};
      if (!g.OneIn(2)) {
        se.v[5] = g.Uniform(-7, 7);
        se.v[6] = g.Uniform(-7, 7);
      }
      se.code = 100;
      s.ses.push_back(se);
      s.order.push_back({kJwwSe, i});
    }
    const std::vector<TJwwEntSe> ses = s.ses;
    ASSERT_EQ(ConvertSolidCircles(s, n), ConvertStatus::kDone);
    StorePolygonSegments(s);
    for (std::size_t i = 0; i < ses.size(); ++i) {
      const auto& v = ses[i].v;
      const double step = static_cast<double>(static_cast<long double>(v[6]) / n);
      std::vector<Vertex> want;
      double angle = v[5];
      for (int k = 0; k <= n; ++k, angle += step) {
        Vertex p;
        EllipsePoint(p.x, p.y, v[0], v[1], v[2], v[3], v[4], angle);
        want.push_back(p);
      }
      ExpectChain(s.solid2s, i, n, want);
    }
  }
}

}  // namespace

}  // namespace q527
