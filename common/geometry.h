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
void EllipsePointAt(double& X, double& Y, double cx, double cy, double radius, double flatness,
                    long double tiltCos, long double tiltSin, long double angleCos,
                    long double angleSin);
// As EllipsePoint, with tilt and angle in degrees.
void EllipsePointDeg(double& X, double& Y, double cx, double cy, double radius, double flatness,
                     double tilt, double angle);

}  // namespace q527
