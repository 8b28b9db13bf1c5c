// Plane geometry and decimal rounding on doubles. Angles are counter-clockwise
// in a y-up system, radians unless the name says degrees.
#pragma once

#include <cstdint>

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
// As EllipsePoint, with tilt and angle in degrees.
void EllipsePointDeg(double& X, double& Y, double cx, double cy, double radius, double flatness,
                     double tilt, double angle);
