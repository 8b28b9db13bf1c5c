#include "polygon/least_squares.h"

namespace q527 {

std::optional<PointFrame> FrameOf(std::span<const Point2> points) {
  if (points.empty()) return std::nullopt;
  long double mx = 0, my = 0;
  for (const Point2& p : points) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return std::nullopt;
    mx += p.x;
    my += p.y;
  }
  const auto n = static_cast<long double>(points.size());
  mx /= n;
  my /= n;
  // Long double's range holds the squares of any double's differences.
  long double sum = 0;
  for (const Point2& p : points) {
    const long double dx = p.x - mx, dy = p.y - my;
    sum += dx * dx + dy * dy;
  }
  const long double scale = std::sqrt(sum / n);
  if (!(scale > 0)) return std::nullopt;
  return PointFrame{mx, my, scale, 1 / scale};
}

}  // namespace q527
