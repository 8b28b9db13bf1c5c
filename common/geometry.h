// Plane geometry and decimal rounding on doubles. Angles are counter-clockwise
// in a y-up system, radians unless the name says degrees.
#pragma once

#include <cstdint>

namespace q527 {

// π at extended precision: the one value every angle conversion uses.
inline constexpr long double kPi = 3.141592653589793238462643383279502884L;

// Rounds |value| to `digits` decimals (0..13; otherwise whole numbers) and
// gives it the sign of value. Mode 0 truncates, mode 1 adds 0.9 of a unit,
// any other mode rounds half up.
double RoundToDigits(double value, std::int32_t digits, std::int32_t mode);
double PointDistance(double x1, double y1, double x2, double y2);
// Rotates (x, y) by theta about (cx, cy).
void RotatePoint(double& X, double& Y, double x, double y, double cx, double cy, double theta);
// The point at parameter angle on the ellipse with semi-axes radius (along
// tilt) and radius * flatness.
void EllipsePoint(double& X, double& Y, double cx, double cy, double radius, double flatness,
                  double tilt, double angle);
// As EllipsePoint, from the cosine and sine of the tilt and of the angle:
// the conversions find the tilt's once per figure and the angle's in tables,
// and get EllipsePoint's vertices to the last bit.
//
// The one ellipse formula of the project. Real is the type the steps round
// to: double gives the written vertices; long double keeps points far past
// a double's range finite, for a picture's frame.
template <typename Real>
void EllipsePointAt(Real& X, Real& Y, double cx, double cy, double radius, double flatness,
                    long double tiltCos, long double tiltSin, long double angleCos,
                    long double angleSin) {
  const Real u = static_cast<Real>(angleCos * radius);
  const Real v = static_cast<Real>(angleSin * (static_cast<long double>(radius) * flatness));
  // RotatePoint about the origin, step by step as it rounds.
  const long double dx = static_cast<long double>(u) - 0.0;
  const long double dy = static_cast<long double>(v) - 0.0;
  X = static_cast<Real>(0.0 + tiltCos * dx - tiltSin * dy);
  Y = static_cast<Real>(0.0 + tiltSin * dx + tiltCos * dy);
  X += cx;
  Y += cy;
}
// As EllipsePoint, with tilt and angle in degrees.
void EllipsePointDeg(double& X, double& Y, double cx, double cy, double radius, double flatness,
                     double tilt, double angle);

}  // namespace q527
