#include <algorithm>
#include <cmath>
#include <limits>

#include "polygon/measure.h"
#include "polygon/plan.h"

namespace q527 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The smallest count in [lo, hi] for which `meets` holds, taking it to hold
// from some count on; hi + 1 when even hi does not meet it.
template <typename Meets>
std::int32_t SmallestMeeting(std::int32_t lo, std::int32_t hi, std::int32_t guess, Meets meets) {
  guess = std::clamp(guess, lo, hi);
  // Gallop from the guess, then halve the bracket.
  std::int32_t below = lo - 1, above = hi + 1;
  if (meets(guess)) {
    above = guess;
    for (std::int32_t d = 1; guess - d > below; d *= 2) {
      if (!meets(guess - d)) {
        below = guess - d;
        break;
      }
      above = guess - d;
    }
  } else {
    below = guess;
    for (std::int32_t d = 1;; d *= 2) {
      const std::int32_t probe = guess + d < hi ? guess + d : hi;
      if (meets(probe)) {
        above = probe;
        break;
      }
      below = probe;
      if (probe == hi) return hi + 1;
    }
  }
  while (above - below > 1) {
    const std::int32_t mid = below + (above - below) / 2;
    (meets(mid) ? above : below) = mid;
  }
  return above;
}

// The count whose polygon's regular steps are at most h.
std::int32_t CountForStep(const PolygonPolicy& p, const PolygonShape& s, LD sweep, LD h) {
  if (!(h > 0)) return p.maxSegments + 1;
  LD spans = sweep / h;
  // Open figures spend a part of a step on their end segments.
  if (!s.closed && p.fit != PolygonFit::kInscribed) {
    spans += 2 - 2 * (p.fit == PolygonFit::kCircumscribed ? 0.5 : kMidLead);
  }
  return static_cast<std::int32_t>(std::clamp<LD>(std::ceil(spans), 0, p.maxSegments + 1));
}

// A first guess of the count for a largest deviation: the count at which
// the circle through the major axis' ends strays just that far (an ellipse
// never strays farther than that circle). An ellipse's searches need not
// end on the same count from every start, so the guess uses + − × ÷ and
// square roots only, the same on every build: acos(c) = 2·asin(x),
// x = √((1 - c)/2), asin by its series, near enough for a guess.
std::int32_t GuessForDeviation(const PolygonPolicy& p, const PolygonShape& s, LD sweep) {
  const LD q = p.maxDeviation / std::max<LD>(s.a, s.b);
  // cos(h/2) at which the fit's circle strays q·R.
  const LD c = p.fit == PolygonFit::kInscribed       ? 1 - q
               : p.fit == PolygonFit::kCircumscribed ? 1 / (1 + q)
                                                     : (1 - q) / (1 + q);
  if (!(c > -1)) return 0;
  const LD x = std::sqrt(std::max<LD>(0, (1 - c) / 2)), x2 = x * x;
  const LD asinX = x * (1 + x2 * (1.0L / 6 + x2 * (3.0L / 40 + x2 * (15.0L / 336))));
  const LD h = 4 * asinX;
  return CountForStep(p, s, sweep, h);
}

// A bound the deviation of an ellipse's polygon with k segments never
// falls below, wherever its vertices lie against the major axis' ends, or 0
// where there is none. Some segment's middle and some off-curve vertex lie
// within half a step h of an end of the major axis when one lies among the
// regular segments; there the curve's normal leans at most h/2 from the
// axis, and a line or vertex that the unit picture puts δ inside or outside
// the circle lies at least δ·R·r/g(h/2) from the curve, g(φ) =
// √(R² sin²φ + r² cos²φ) (R, r the semi-axes).
LD DeviationFloor(PolygonFit fit, const PolygonShape& s, std::int32_t k) {
  const FitWalk w = WalkSteps(fit, s.closed, k);
  const LD sweep = std::fabs(static_cast<LD>(s.sweep));
  const LD h = sweep / w.spans;
  if (!s.closed) {
    // An end of the major axis in the regular part: past the end segments.
    const LD start = s.sweep < 0 ? s.start + static_cast<LD>(s.sweep) : s.start;
    const LD from = start + (w.shifted ? w.lead : 0) * h, to = start + sweep - (from - start);
    const LD tip = MajorTip(s);
    if (!(std::ceil((from - tip) / kPi) * kPi + tip <= to)) return 0;
  }
  const LD big = std::max(s.a, s.b), small = std::min(s.a, s.b);
  const ExtendedSinCos half = s.closed ? SinCosOfPiOver(k) : SinCosNear(h / 2);
  const LD g = std::sqrt(big * big * half.sin * half.sin + small * small * half.cos * half.cos);
  return UnitDeviation(fit, half.cos) * big * small / g;
}

// A first guess of the count at which an ellipse's floor meets the
// policy's deviation D, from the floor's leading terms: with y = (h/2)²,
// δ ≈ κ·y (κ = 1/2, or 1/4 for the mid fit) and g² ≈ R²·y + r², so
// κ·y·R·r = D·g, a quadratic in y.
std::int32_t GuessForFloor(const PolygonPolicy& p, const PolygonShape& s, LD sweep) {
  const LD big = std::max(s.a, s.b), small = std::min(s.a, s.b);
  const LD kappa = p.fit == PolygonFit::kMid ? 0.25L : 0.5L;
  const LD d = p.maxDeviation, k2r2 = kappa * kappa * small * small;
  const LD y =
      (d * d + std::sqrt(d * d * d * d + 4 * k2r2 * d * d * (small / big) * (small / big))) /
      (2 * k2r2);
  const LD h = 2 * std::sqrt(y);
  return CountForStep(p, s, sweep, h);
}

// The last few counts measured for one figure: the search ends on counts
// it has just measured.
struct MeasureMemo {
  std::int32_t count[4] = {0, 0, 0, 0};
  ScaledDeviation value[4];
  int next = 0;

  // `enough` as for MeasureCurve.
  ScaledDeviation Measure(PolygonFit fit, const PolygonShape& s, std::int32_t n, LD enough) {
    for (int i = 0; i < 4; ++i) {
      if (count[i] == n && (!value[i].bound || value[i].deviation <= enough)) return value[i];
    }
    const ScaledDeviation m = MeasurePolygon(fit, s, n, enough);
    count[next] = n;
    value[next] = m;
    next = (next + 1) % 4;
    return m;
  }
};

// The smallest count in [lo, hi] whose polygon strays at most the policy's
// deviation; hi + 1 if none does. A circle's deviation falls with every
// segment added. An ellipse's also depends on where the vertices fall
// against its major axis' ends (a closed ellipse from 0° has a vertex on
// both only at even counts, and those can stray several times less than the
// odd ones around them), so its counts are tried one by one upwards from
// the first whose floor meets the bound.
std::int32_t SmallestForDeviation(const PolygonPolicy& p, const PolygonShape& s, std::int32_t lo,
                                  std::int32_t hi, MeasureMemo& memo) {
  const LD sweep = std::fabs(static_cast<LD>(s.sweep));
  auto meets = [&](std::int32_t k) {
    return memo.Measure(p.fit, s, k, p.maxDeviation).deviation <= p.maxDeviation;
  };
  if (s.a == s.b) return SmallestMeeting(lo, hi, GuessForDeviation(p, s, sweep), meets);
  // The floor falls with the count where it holds; where the figure has no
  // regular part round an end of its major axis it is 0, and the search
  // starts lower.
  const std::int32_t guess = GuessForDeviation(p, s, sweep);
  // The search ends on the last count that met the bound: its floor is kept.
  LD floorMet = 0;
  std::int32_t k = SmallestMeeting(lo, hi, GuessForFloor(p, s, sweep), [&](std::int32_t j) {
    const LD f = DeviationFloor(p.fit, s, j);
    if (f <= p.maxDeviation) floorMet = f;
    return f <= p.maxDeviation;
  });
  if (k <= hi && floorMet == 0) {
    // No end of the major axis among the regular segments: the end
    // segments, which start where the figure does, stray most, and the
    // deviation falls with the count but for a count now and then.
    std::int32_t found = SmallestMeeting(lo, hi, guess, meets);
    if (found <= hi && found - 1 >= lo && meets(found - 1)) --found;
    return found;
  }
  for (int tries = 0; k <= hi; ++k, ++tries) {
    if (tries == 64) return SmallestMeeting(k, hi, k, meets);  // a pathological figure
    if (meets(k)) return k;
  }
  return hi + 1;
}

}  // namespace

PolygonPlan PlanPolygon(const PolygonPolicy& p, const PolygonShape& s, double reached) {
  const std::int32_t lo = std::max<std::int32_t>(p.minSegments, 2);
  const std::int32_t hi = std::max(p.maxSegments, lo);
  PolygonPlan plan;
  MeasureMemo memo;
  const bool bounded = p.maxDeviation > 0 || p.maxAngle > 0 || p.maxLength > 0;
  std::int32_t n = bounded ? lo : std::clamp(p.segments, lo, hi);
  if (!Degenerate(s) && bounded) {
    const LD sweep = std::fabs(static_cast<LD>(s.sweep));
    if (p.maxAngle > 0) {
      const LD degrees = sweep * 180 / kPi;
      const LD want = std::ceil(degrees / p.maxAngle);
      n = std::max<std::int32_t>(n, want > hi ? hi + 1 : static_cast<std::int32_t>(want));
    }
    if (p.maxDeviation > 0 && n <= hi) {
      n = std::max(n, SmallestForDeviation(p, s, n, hi, memo));
    }
    if (p.maxLength > 0 && n <= hi) {
      const LD guess = sweep * std::max(s.a, s.b) / p.maxLength;
      const auto g = static_cast<std::int32_t>(std::min<LD>(guess, hi));
      n = std::max(n, SmallestMeeting(n, hi, g, [&](std::int32_t k) {
                     return PolygonSegmentLength(p.fit, s, k) <= p.maxLength;
                   }));
    }
    if (n > hi) {
      n = hi;
      plan.capped = true;
    }
  }
  plan.segments = n;
  if (Degenerate(s) || n < 2) {
    plan.deviation = kNaN;
  } else {
    const ScaledDeviation m = memo.Measure(p.fit, s, n, reached);
    plan.deviation = static_cast<double>(m.deviation);
    if (m.balanced) plan.scale = static_cast<double>(m.scale);
  }
  return plan;
}

}  // namespace q527
