#include "polygon/curve_distance.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/extended_atan.h"
#include "common/extended_trig.h"
#include "common/fpu_precision.h"
#include "common/geometry.h"
#include "polygon/ellipse_foot.h"

namespace q527 {

namespace {

using LD = long double;

constexpr LD kNaN = std::numeric_limits<LD>::quiet_NaN();
constexpr LD kInfinity = std::numeric_limits<LD>::infinity();

bool Finite(Point2 p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool Valid(const Ellipse& e) {
  return std::isfinite(e.cx) && std::isfinite(e.cy) && std::isfinite(e.tilt) && e.a > 0 &&
         e.b > 0 && std::isfinite(e.a) && std::isfinite(e.b);
}

// The ellipse's own axes: the tilt's cosine and sine found once for many
// points.
struct EllipseAxes {
  LD cx, cy, cos, sin, a, b;
};

EllipseAxes AxesOf(const Ellipse& e) {
  const ExtendedSinCos t = SinCosNear(e.tilt);
  return {e.cx, e.cy, t.cos, t.sin, e.a, e.b};
}

// The foot of p in the ellipse's axes; p's offset from the centre is exact
// in long double for any two doubles of similar size.
EllipseFoot FootOf(Point2 p, const EllipseAxes& e) {
  const LD dx = p.x - e.cx, dy = p.y - e.cy;
  const LD u = dx * e.cos + dy * e.sin, v = dy * e.cos - dx * e.sin;
  return NearestOnEllipse(u, v, e.a, e.b);
}

// The parameter angle in [0, 2π) of the curve point nearest to p.
LD ParameterInAxes(Point2 p, const EllipseAxes& e) {
  const EllipseFoot f = FootOf(p, e);
  LD t = Atan2Extended(f.y / e.b, f.x / e.a);
  if (t < 0) {
    t += 2 * kPi;
    // A hair below zero rounds up to a whole turn.
    if (t >= 2 * kPi) t = 0;
  }
  return t;
}

// Steps along a curve, taken one vertex at a time: where the run started,
// how far it has turned, whether it has gone one way only.
struct Walk {
  LD first = 0, previous = 0, turned = 0;
  int sign = 0;
  bool oneWay = true;
  bool started = false;

  void Take(LD t) {
    if (!started) {
      first = previous = t;
      started = true;
      return;
    }
    LD step = t - previous;
    if (step > kPi) step -= 2 * kPi;
    if (step <= -kPi) step += 2 * kPi;
    const int s = step > 0 ? 1 : step < 0 ? -1 : 0;
    if (s == 0 || (sign != 0 && s != sign)) oneWay = false;
    sign = s;
    turned += step;
    previous = t;
  }
  // The span, as SpanOfRun gives it.
  std::optional<ParameterSpan> Span(std::span<const Point2> points) const {
    if (turned == 0) return std::nullopt;
    // A closed run ends where it starts: a whole turn, whatever the
    // rounding of the steps' sum.
    const Point2 a = points.front(), b = points.back();
    const bool closed = a.x == b.x && a.y == b.y;
    const LD sweep = closed ? 2 * kPi : std::min<LD>(std::fabs(turned), 2 * kPi);
    const LD start = turned < 0 ? previous : first;
    return ParameterSpan{start, start + sweep, turned < 0};
  }
};

// A run's walk and largest distance, from one measure per vertex giving its
// distance and parameter.
template <typename Measure>
std::optional<RunAlongCurve> WalkRun(std::span<const Point2> points, Measure measure) {
  if (points.size() < 2) return std::nullopt;
  Walk walk;
  RunAlongCurve run;
  for (const Point2& p : points) {
    if (!Finite(p)) return std::nullopt;
    LD distance, t;
    measure(p, distance, t);
    run.largest = std::max(run.largest, distance);
    walk.Take(t);
  }
  const std::optional<ParameterSpan> span = walk.Span(points);
  if (!span) return std::nullopt;
  run.span = *span;
  run.advances = walk.oneWay && std::fabs(walk.turned) < 2 * kPi;
  return run;
}

}  // namespace

std::optional<RunAlongCurve> MeasureRun(std::span<const Point2> points, const Ellipse& e) {
  const ExtendedPrecisionScope precision;
  if (!Valid(e)) return std::nullopt;
  const EllipseAxes axes = AxesOf(e);
  return WalkRun(points, [&](Point2 p, LD& distance, LD& t) {
    const EllipseFoot f = FootOf(p, axes);
    distance = std::fabs(f.distance);
    t = Atan2Extended(f.y / axes.b, f.x / axes.a);
    if (t < 0) t += 2 * kPi;
    if (t >= 2 * kPi) t = 0;
  });
}

std::optional<RunAlongCurve> MeasureRun(std::span<const Point2> points, const Circle& c) {
  const ExtendedPrecisionScope precision;
  if (!(c.r > 0) || !std::isfinite(c.cx) || !std::isfinite(c.cy) || !std::isfinite(c.r)) {
    return std::nullopt;
  }
  return WalkRun(points, [&](Point2 p, LD& distance, LD& t) {
    const LD dx = p.x - static_cast<LD>(c.cx), dy = p.y - static_cast<LD>(c.cy);
    distance = std::fabs(std::sqrt(dx * dx + dy * dy) - c.r);
    t = Atan2Extended(dy, dx);
    if (t < 0) t += 2 * kPi;
    if (t >= 2 * kPi) t = 0;
  });
}

long double DistanceToCircle(Point2 p, const Circle& c) {
  const ExtendedPrecisionScope precision;
  if (!(c.r >= 0)) return kNaN;
  const LD dx = p.x - static_cast<LD>(c.cx), dy = p.y - static_cast<LD>(c.cy);
  return std::fabs(std::sqrt(dx * dx + dy * dy) - c.r);
}

long double DistanceToEllipse(Point2 p, const Ellipse& e) {
  const ExtendedPrecisionScope precision;
  if (!Finite(p) || !Valid(e)) return kNaN;
  return std::fabs(FootOf(p, AxesOf(e)).distance);
}

long double ParameterOf(Point2 p, const Ellipse& e) {
  const ExtendedPrecisionScope precision;
  if (!Finite(p) || !Valid(e)) return kNaN;
  return ParameterInAxes(p, AxesOf(e));
}

std::optional<ParameterSpan> SpanOfRun(std::span<const Point2> points, const Ellipse& e) {
  const ExtendedPrecisionScope precision;
  if (points.size() < 2 || !Valid(e)) return std::nullopt;
  const EllipseAxes axes = AxesOf(e);
  Walk walk;
  for (const Point2& p : points) {
    if (!Finite(p)) return std::nullopt;
    walk.Take(ParameterInAxes(p, axes));
  }
  return walk.Span(points);
}

long double LargestDistance(std::span<const Point2> points, const Circle& c) {
  const ExtendedPrecisionScope precision;
  LD largest = 0;
  for (const Point2& p : points) {
    const LD d = DistanceToCircle(p, c);
    if (!std::isfinite(d)) return kInfinity;
    largest = std::max(largest, d);
  }
  return largest;
}

long double LargestDistance(std::span<const Point2> points, const Ellipse& e) {
  const ExtendedPrecisionScope precision;
  if (points.empty()) return 0;
  if (!Valid(e)) return kInfinity;
  const EllipseAxes axes = AxesOf(e);
  LD largest = 0;
  for (const Point2& p : points) {
    if (!Finite(p)) return kInfinity;
    largest = std::max(largest, std::fabs(FootOf(p, axes).distance));
  }
  return largest;
}

long double LargestDistanceToLine(std::span<const Point2> points) {
  const ExtendedPrecisionScope precision;
  if (points.size() < 2) return 0;
  // Centroid.
  LD mx = 0, my = 0;
  for (const Point2& p : points) {
    if (!Finite(p)) return kInfinity;
    mx += p.x;
    my += p.y;
  }
  mx /= points.size();
  my /= points.size();
  // Scatter about it.
  LD sxx = 0, sxy = 0, syy = 0;
  for (const Point2& p : points) {
    const LD dx = p.x - mx, dy = p.y - my;
    sxx += dx * dx;
    sxy += dx * dy;
    syy += dy * dy;
  }
  // The line's normal is the eigenvector of the smaller eigenvalue; of the
  // two forms of it, the longer is the better conditioned.
  const LD half = (sxx - syy) / 2;
  const LD smallest = (sxx + syy) / 2 - std::sqrt(half * half + sxy * sxy);
  LD nx = sxy, ny = smallest - sxx;
  if (std::fabs(smallest - syy) + std::fabs(sxy) > std::fabs(nx) + std::fabs(ny)) {
    nx = smallest - syy;
    ny = sxy;
  }
  const LD length = std::sqrt(nx * nx + ny * ny);
  // All points equal, or a scatter with no preferred direction.
  if (!(length > 0)) {
    if (sxx + syy == 0) return 0;
    nx = 1, ny = 0;
  } else {
    nx /= length;
    ny /= length;
  }
  // Largest distance.
  LD largest = 0;
  for (const Point2& p : points) {
    largest = std::max(largest, std::fabs((p.x - mx) * nx + (p.y - my) * ny));
  }
  return largest;
}

}  // namespace q527
