#include "common/geometry.h"

#include <gtest/gtest.h>

#include <numbers>

namespace q527 {

namespace {

constexpr double kTol = 1e-12;

struct RoundCase {
  double value;
  std::int32_t digits;
  std::int32_t mode;
  double want;
};

TEST(RoundToDigits, RoundsTheMagnitudeByMode) {
  const RoundCase cases[] = {
      {1.23, 1, 1, 1.3},       {1.205, 1, 1, 1.2},
      {2.5, 0, 2, 3},          {-2.5, 0, 2, -3},
      {-2.7, 0, 0, -2},        {2.71, 1, 2, 2.7},
      {2.71, 14, 2, 3},        {2.71, -1, 2, 3},
      {2.79, 1, 0, 2.7},       {-1.23, 1, 1, -1.3},
      {1.25, 1, 7, 1.3},       {0.0, 5, 1, 0.0},
      {123.456, 2, 2, 123.46}, {1.0000001, 13, 0, 1.0000001},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(RoundToDigits(c.value, c.digits, c.mode), c.want, kTol)
        << c.value << " digits " << c.digits << " mode " << c.mode;
  }
}

TEST(PointDistance, IsSymmetric) {
  EXPECT_DOUBLE_EQ(PointDistance(0, 0, 3, 4), 5);
  EXPECT_DOUBLE_EQ(PointDistance(3, 4, 0, 0), 5);
  EXPECT_DOUBLE_EQ(PointDistance(1, 1, 1, 1), 0);
  EXPECT_DOUBLE_EQ(PointDistance(-1, 2, 2, -2), 5);  // x pairs with x, y with y
}

TEST(RotatePoint, TurnsCounterClockwiseAboutTheCentre) {
  double X = 0, Y = 0;
  RotatePoint(X, Y, 1, 0, 0, 0, std::numbers::pi / 2);
  EXPECT_NEAR(X, 0, kTol);
  EXPECT_NEAR(Y, 1, kTol);
  RotatePoint(X, Y, 2, 1, 1, 1, std::numbers::pi);
  EXPECT_NEAR(X, 0, kTol);
  EXPECT_NEAR(Y, 1, kTol);
  // The outputs may be the inputs.
  double x = 1, y = 0;
  RotatePoint(x, y, x, y, 0, 0, std::numbers::pi / 2);
  EXPECT_NEAR(x, 0, kTol);
  EXPECT_NEAR(y, 1, kTol);
}

struct EllipseCase {
  double cx, cy, r, flat, tilt, angle;
  double wantX, wantY;
};

TEST(EllipsePointDeg, PutsTheRadiusAxisAlongTheTilt) {
  const EllipseCase cases[] = {
      {10, 20, 5, 1, 0, 90, 10, 25}, {0, 0, 4, 0.5, 90, 0, 0, 4}, {0, 0, 4, 0.5, 0, 90, 0, 2},
      {0, 0, 4, 0, 45, 90, 0, 0},   // flatness 0 collapses onto the axis
      {0, 0, 2, -1, 0, 90, 0, -2},  // negative flatness mirrors
      {1, 1, 2, 1, 0, 180, -1, 1},   {0, 0, 1, 1, 0, 360, 1, 0},
  };
  for (const auto& c : cases) {
    double X = 0, Y = 0;
    EllipsePointDeg(X, Y, c.cx, c.cy, c.r, c.flat, c.tilt, c.angle);
    EXPECT_NEAR(X, c.wantX, kTol) << "angle " << c.angle << " tilt " << c.tilt;
    EXPECT_NEAR(Y, c.wantY, kTol) << "angle " << c.angle << " tilt " << c.tilt;
  }
}

TEST(EllipsePoint, AgreesWithTheDegreeForm) {
  double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  EllipsePoint(X1, Y1, 3, -2, 7, 0.3, std::numbers::pi / 6, std::numbers::pi / 4);
  EllipsePointDeg(X2, Y2, 3, -2, 7, 0.3, 30, 45);
  EXPECT_NEAR(X1, X2, kTol);
  EXPECT_NEAR(Y1, Y2, kTol);
}

}  // namespace

}  // namespace q527
