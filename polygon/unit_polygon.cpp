#include "polygon/unit_polygon.h"

namespace q527 {

PiOverTable::PiOverTable() : at{} {
  for (std::int32_t n = 1; n <= kMostSegments; ++n) {
    at[n] = SinCosExtended(static_cast<double>(kPi / n));
  }
}

LD CosOf(LD x) { return SinCosExtended(static_cast<double>(x)).cos; }

// The walk's steps without its scale.
FitWalk WalkSteps(PolygonFit fit, bool closed, std::int32_t n) {
  FitWalk w;
  w.spans = n;
  if (fit != PolygonFit::kInscribed && !closed) {
    w.shifted = true;
    w.lead = fit == PolygonFit::kCircumscribed ? 0.5 : kMidLead;
    w.spans = n - 2 + 2 * static_cast<LD>(w.lead);
  }
  return w;
}

FitWalk WalkOfFit(PolygonFit fit, double sweep, bool closed, std::int32_t n) {
  FitWalk w = WalkSteps(fit, closed, n);
  if (fit == PolygonFit::kInscribed) return w;
  const LD c = CosOf(static_cast<LD>(sweep) / w.spans / 2);
  w.scale = fit == PolygonFit::kCircumscribed ? 1.0L / c : 2.0L / (1.0L + c);
  return w;
}

}  // namespace q527
