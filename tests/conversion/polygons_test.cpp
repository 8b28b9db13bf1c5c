// The conversions of the store's figures by the dialog's rule: where the
// vertices lie, which attributes and colours the segments carry, where the
// new records go in the order table, and the count limit.
#include "conversion/polygons.h"
#include "conversion/polygon_maker.h"
#include "polygon/walk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "exchange/store.h"
#include "support/conversion_store.h"

namespace q527 {

namespace {

constexpr double kPi = 3.14159265358979323846;

bool SameAttr(const TJwwAttr& a, const TJwwAttr& b) {
  return a.hhp == b.hhp && a.lg == b.lg && a.ly == b.ly && a.color == b.color &&
         a.ltype == b.ltype && a.lwidth == b.lwidth && a.zflags == b.zflags;
}

void AddCircle(Store& s, double cx, double r) {
  JwwAddOrder(s, kJwwCircle, static_cast<std::int32_t>(s.circles.size()));
  s.circles.push_back({kFigureAttr, cx, 0, r});
}

void AddLine(Store& s) {
  JwwAddOrder(s, kJwwLine, static_cast<std::int32_t>(s.lines.size()));
  s.lines.push_back({kFigureAttr, 0, 0, 0, 1, 1});
}

// Checks that the n segments from `from` join up and that vertex k lies at
// want[k] (as many as given).
template <typename Seg>
void ExpectPolygon(const std::vector<Seg>& segs, std::size_t from, std::size_t n,
                   const std::vector<std::pair<double, double>>& want) {
  ASSERT_GE(segs.size(), from + n);
  for (std::size_t k = 0; k < n; ++k) {
    const Seg& seg = segs[from + k];
    if (k > 0) {
      EXPECT_EQ(seg.x1, segs[from + k - 1].x2);
      EXPECT_EQ(seg.y1, segs[from + k - 1].y2);
    }
    if (k < want.size()) {
      EXPECT_NEAR(seg.x1, want[k].first, 1e-12) << "vertex " << k;
      EXPECT_NEAR(seg.y1, want[k].second, 1e-12) << "vertex " << k;
    }
    if (k + 1 < want.size()) {
      EXPECT_NEAR(seg.x2, want[k + 1].first, 1e-12) << "vertex " << k + 1;
      EXPECT_NEAR(seg.y2, want[k + 1].second, 1e-12) << "vertex " << k + 1;
    }
    EXPECT_TRUE(SameAttr(seg.attr, kFigureAttr));
  }
}

TEST(ArcSweepDegrees, NormalisesAndAlwaysEnds) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double start, end, sweep;
  };
  const Case cases[] = {
      {0, 90, 90},     {300, 30, 90},       {0, -90, 270},        {45, 45, 360},
      {45, 405, 360},  {0, 720.5, 0.5},     {10, 10 + 1e-9, 360}, {10, 10 - 1e-9, 360},
      {0, 1e-6, 1e-6}, {0, -700.25, 19.75}, {0, inf, 360},        {-inf, 0, 360},
      {nan, 0, 360},   {0, nan, 360},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " .. " << c.end);
    EXPECT_NEAR(ArcSweepDegrees(c.start, c.end), c.sweep, 1e-9);
  }
  for (double end : {1e300, -1e300, 1.7e308, -1e20}) {
    SCOPED_TRACE(end);
    const double sweep = ArcSweepDegrees(0, end);
    EXPECT_TRUE(sweep > 0 && sweep <= 360);
  }
}

TEST(ConvertCircles, UnitCircleInFourSegments) {
  Store s = ReadStore("");
  AddCircle(s, 0, 1);
  ASSERT_EQ(ConvertCircles(s, 4), ConvertStatus::kDone);
  StorePolygonSegments(s);
  ASSERT_EQ(s.lines.size(), 4u);
  ExpectPolygon(s.lines, 0, 4, {{1, 0}, {0, 1}, {-1, 0}, {0, -1}, {1, 0}});
  EXPECT_EQ(s.lines[0].x1, 1.0);  // starts exactly at (cx + r, cy)
  EXPECT_EQ(s.lines[2].plgroup, 0);
  ASSERT_EQ(s.order.size(), 5u);
  EXPECT_EQ(s.order[0].kind, kJwwRemoved);
  EXPECT_EQ(s.order[4].kind, kJwwLine);
  EXPECT_EQ(s.order[4].index, 3);
  EXPECT_EQ(s.circles.capacity(), 0u);
}

TEST(ConvertArcs, VerticesRunFromTheStartByTheNormalisedSweep) {
  struct Case {
    double start, end, flat, tilt;
    int n;
    std::vector<double> degrees;  // parameter angles of the vertices
  };
  const Case cases[] = {
      {0, 90, 1, 0, 3, {0, 30, 60, 90}},
      {300, 30, 1, 0, 3, {300, 330, 360, 390}},
      {45, 45, 1, 0, 4, {45, 135, 225, 315, 405}},
      {45, 405, 1, 0, 4, {45, 135, 225, 315, 405}},
      {0, 10, 1, 0, 24, {0, 10.0 / 24}},
      {0, 0, 0.5, 90, 4, {0, 90, 180, 270, 360}},
      {0, 1e300, 1, 0, 8, {}},
      {0, std::numeric_limits<double>::quiet_NaN(), 1, 0, 8, {0, 45, 90}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " .. " << c.end << " N " << c.n);
    Store s = ReadStore("");
    JwwAddOrder(s, kJwwArc, 0);
    s.arcs.push_back({kFigureAttr, 1, 2, 2, c.start, c.end, c.flat, c.tilt});
    ASSERT_EQ(ConvertArcs(s, c.n), ConvertStatus::kDone);
    StorePolygonSegments(s);
    ASSERT_EQ(s.lines.size(), static_cast<std::size_t>(c.n));
    std::vector<std::pair<double, double>> want;
    const double t = c.tilt * kPi / 180;
    for (double deg : c.degrees) {
      const double u = std::cos(deg * kPi / 180) * 2, w = std::sin(deg * kPi / 180) * 2 * c.flat;
      want.push_back(
          {1 + std::cos(t) * u - std::sin(t) * w, 2 + std::sin(t) * u + std::cos(t) * w});
    }
    ExpectPolygon(s.lines, 0, c.n, want);
    EXPECT_EQ(s.order[0].kind, kJwwRemoved);
    EXPECT_TRUE(s.arcs.empty());
  }
}

TEST(ConvertSolidCircles, SweepIsTakenAsStoredAndSolidColourCarries) {
  Store s = ReadStore("");
  TJwwEntSe se{kFigureAttr, 255, {0, 0, 1, 1, 0, 0, -kPi / 2}, 100};
  JwwAddOrder(s, kJwwSe, 0);
  s.ses.push_back(se);
  se.v = {5, 5, 2, 1, 0, kPi, 0};  // zero sweep: N empty segments
  se.scolor = 7;
  JwwAddOrder(s, kJwwSe, 1);
  s.ses.push_back(se);

  ASSERT_EQ(ConvertSolidCircles(s, 3), ConvertStatus::kDone);
  StorePolygonSegments(s);
  ASSERT_EQ(s.solid2s.size(), 6u);
  ExpectPolygon(s.solid2s, 0, 3,
                {{1, 0}, {std::cos(kPi / 6), -0.5}, {0.5, -std::cos(kPi / 6)}, {0, -1}});
  ExpectPolygon(s.solid2s, 3, 3, {{3, 5}, {3, 5}, {3, 5}, {3, 5}});
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(s.solid2s[k].scolor, k < 3 ? 255 : 7);
    EXPECT_EQ(s.order[2 + k].kind, kJwwSolid2);
    EXPECT_EQ(s.order[2 + k].index, k);
  }
  EXPECT_EQ(s.order[1].kind, kJwwRemoved);
  EXPECT_TRUE(s.ses.empty());
}

TEST(ConversionFrame, NewSegmentsFollowTheExistingOnesInSourceOrder) {
  // Seven lines with two circles among them, N = 5.
  Store s = ReadStore("");
  AddLine(s);
  AddCircle(s, 0, 1);
  for (int k = 0; k < 5; ++k) AddLine(s);
  AddCircle(s, 100, 2);
  AddLine(s);

  ASSERT_EQ(ConvertCircles(s, 5), ConvertStatus::kDone);
  StorePolygonSegments(s);
  ASSERT_EQ(s.lines.size(), 17u);
  ASSERT_EQ(s.order.size(), 19u);
  EXPECT_EQ(s.lines[7].x1, 1.0);     // first circle: entries 7..11
  EXPECT_EQ(s.lines[12].x1, 102.0);  // second circle: entries 12..16
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(s.order[9 + k].kind, kJwwLine);
    EXPECT_EQ(s.order[9 + k].index, 7 + k);
  }
  // The circles' entries keep their places and indexes, marked removed.
  EXPECT_EQ(s.order[7].kind, kJwwRemoved);
  EXPECT_EQ(s.order[7].index, 1);
  EXPECT_EQ(s.order[8].kind, kJwwLine);
  EXPECT_EQ(s.order[8].index, 6);
}

TEST(ConversionFrame, CountPastTheIntegerLimitIsRefusedBeforeAnythingChanges) {
  // 2149643 circles of 999 segments would need 2147493357 line entries.
  Store s = ReadStore("");
  s.circles.resize(2149643, TJwwEntCircle{kFigureAttr, 0, 0, 1});
  JwwAddOrder(s, kJwwCircle, 0);
  EXPECT_EQ(ConvertCircles(s, 999), ConvertStatus::kCountLimit);
  EXPECT_EQ(s.circles.size(), 2149643u);
  EXPECT_TRUE(s.lines.empty());
  EXPECT_EQ(s.order[0].kind, kJwwCircle);
}

}  // namespace

}  // namespace q527
