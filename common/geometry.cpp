#include "common/geometry.h"

#include <cmath>

#include "common/extended_trig.h"

namespace q527 {

namespace {

// Angles and products are formed in extended precision and rounded to double
// only when a result is delivered.
constexpr double kPowersOfTen[] = {1.0, 1e1, 1e2, 1e3,  1e4,  1e5,  1e6,
                                   1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13};

}  // namespace

double RoundToDigits(double value, std::int32_t digits, std::int32_t mode) {
  const long double p = (digits >= 0 && digits <= 13) ? kPowersOfTen[digits] : 1.0L;
  long double m = std::fabs(static_cast<long double>(value));
  switch (mode) {
    case 0: m = std::trunc(m * p) / p; break;
    case 1: m = std::trunc(m * p + 0.9L) / p; break;
    default: m = std::trunc(m * p + 0.5L) / p; break;
  }
  return static_cast<double>(value < 0 ? -m : m);
}

double PointDistance(double x1, double y1, double x2, double y2) {
  const long double dx = static_cast<long double>(x2) - x1;
  const long double dy = static_cast<long double>(y2) - y1;
  return static_cast<double>(std::sqrt(dx * dx + dy * dy));
}

void RotatePoint(double& X, double& Y, double x, double y, double cx, double cy, double theta) {
  const ExtendedSinCos t = SinCosExtended(theta);
  const long double c = t.cos;
  const long double s = t.sin;
  const long double dx = static_cast<long double>(x) - cx;
  const long double dy = static_cast<long double>(y) - cy;
  X = static_cast<double>(cx + c * dx - s * dy);
  Y = static_cast<double>(cy + s * dx + c * dy);
}

void EllipsePoint(double& X, double& Y, double cx, double cy, double radius, double flatness,
                  double tilt, double angle) {
  const ExtendedSinCos a = SinCosExtended(angle);
  const ExtendedSinCos t = SinCosExtended(tilt);
  EllipsePointAt(X, Y, cx, cy, radius, flatness, t.cos, t.sin, a.cos, a.sin);
}

void EllipsePointDeg(double& X, double& Y, double cx, double cy, double radius, double flatness,
                     double tilt, double angle) {
  const double tiltRad = static_cast<double>(tilt / 180.0L * kPi);
  const double angleRad = static_cast<double>(angle / 180.0L * kPi);
  EllipsePoint(X, Y, cx, cy, radius, flatness, tiltRad, angleRad);
}

}  // namespace q527
