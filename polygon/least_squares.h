// What the geometric fits share: the points moved to a frame where they are
// of unit size, and a Levenberg-Marquardt minimiser of a sum of squares in a
// handful of parameters that needs no heap.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <span>

#include "polygon/curves.h"

namespace q527 {

struct Vec2 {
  long double x, y;
};

// The points' centroid and root-mean-square distance from it. A fit works
// on (p - centroid)/scale: coordinates far from the origin lose nothing, and
// the algebra sees numbers near 1.
struct PointFrame {
  long double mx, my, scale, inverse;
};

// Nullopt for a non-finite point or points that are all equal.
std::optional<PointFrame> FrameOf(std::span<const Point2> points);

inline Vec2 ToFrame(const PointFrame& f, Point2 p) {
  return {(p.x - f.mx) * f.inverse, (p.y - f.my) * f.inverse};
}

// JᵀJ, Jᵀr and rᵀr of a least squares problem in P parameters.
template <int P>
struct NormalEquations {
  long double a[P][P];
  long double g[P];
  long double cost;
};

template <int P>
void ClearNormalEquations(NormalEquations<P>& n) {
  for (int i = 0; i < P; ++i) {
    for (int j = 0; j < P; ++j) n.a[i][j] = 0;
    n.g[i] = 0;
  }
  n.cost = 0;
}

// One residual r with its gradient row.
template <int P>
void AddResidual(NormalEquations<P>& n, const long double (&row)[P], long double r) {
  for (int i = 0; i < P; ++i) {
    for (int j = 0; j <= i; ++j) n.a[i][j] += row[i] * row[j];
    n.g[i] += row[i] * r;
  }
  n.cost += r * r;
}

// The step x of (A + λ·diag A)·x = -g by Cholesky's method (A's lower
// triangle); false when the matrix is not positive definite.
template <int P>
bool SolveDamped(const NormalEquations<P>& n, long double lambda, long double (&x)[P]) {
  long double largest = 0;
  for (int i = 0; i < P; ++i) largest = std::fmax(largest, n.a[i][i]);
  long double l[P][P];
  for (int i = 0; i < P; ++i) {
    for (int j = 0; j <= i; ++j) {
      long double sum = n.a[i][j];
      // A parameter the residuals barely see is damped as if they saw it a
      // little, so that it stays put instead of running off.
      if (i == j) sum += lambda * std::fmax(n.a[i][i], 1e-18L * largest);
      for (int k = 0; k < j; ++k) sum -= l[i][k] * l[j][k];
      if (i == j) {
        if (!(sum > 0)) return false;
        l[i][i] = std::sqrt(sum);
      } else {
        l[i][j] = sum / l[j][j];
      }
    }
  }
  // Forward, then back substitution.
  for (int i = 0; i < P; ++i) {
    long double sum = -n.g[i];
    for (int k = 0; k < i; ++k) sum -= l[i][k] * x[k];
    x[i] = sum / l[i][i];
  }
  for (int i = P - 1; i >= 0; --i) {
    long double sum = x[i];
    for (int k = i + 1; k < P; ++k) sum -= l[k][i] * x[k];
    x[i] = sum / l[i][i];
  }
  return true;
}

// What the undamped Gauss-Newton step would gain, gᵀA⁻¹g: an upper bound
// of what is left to gain near the minimum. Infinite when A is singular.
template <int P>
long double GaussNewtonGain(const NormalEquations<P>& n) {
  long double step[P];
  if (!SolveDamped(n, 0, step)) return HUGE_VALL;
  long double gain = 0;
  for (int i = 0; i < P; ++i) gain -= n.g[i] * step[i];
  return gain;
}

// How long the minimiser may work, and when it has converged: when what is
// left to gain is below a part in 10^12 of the cost, or a step moves the
// residuals by less than kStepTolerance in root mean square (only rounding
// is left then), or the steps are damped so hard that none lowers the cost.
// Runs of the curve converge within 30 evaluations but for a few in a
// thousand (short arcs with noise); what takes longer is mostly a curve
// running off towards a line or a parabola, not worth waiting for.
inline constexpr int kMostEvaluations = 100;
inline constexpr long double kStepTolerance = 1e-14L;
inline constexpr long double kGainTolerance = 1e-12L;
// Points a quarter of their spread off the start, in root mean square, lie
// on no curve of the kind: the fits' starts are much closer for any run of
// one, even a noisy one.
inline constexpr long double kHopelessResidual = 0.25L;

// Levenberg-Marquardt from `params`: evaluate(params, normal) fills the
// normal equations there and returns false where the parameters leave the
// model's domain. `count` is the number of residuals, each in units of the
// points' spread. False for a hopeless start and when it did not converge
// within kMostEvaluations.
template <std::size_t N, typename Evaluate>
bool MinimizeSumOfSquares(std::array<long double, N>& params, Evaluate&& evaluate,
                          std::size_t count) {
  constexpr int P = static_cast<int>(N);
  NormalEquations<P> current, trial;
  if (!evaluate(params, current)) return false;
  const auto n = static_cast<long double>(count);
  if (!(current.cost <= kHopelessResidual * kHopelessResidual * n)) return false;
  const long double smallChange = kStepTolerance * kStepTolerance * n;
  long double lambda = 1e-4L;
  bool moved = true;
  for (int evaluations = 1; evaluations < kMostEvaluations; ++evaluations) {
    // Converged: nothing worth a step is left.
    if (moved &&
        GaussNewtonGain(current) <= std::fmax(kGainTolerance * current.cost, smallChange)) {
      return true;
    }
    long double step[P];
    if (!SolveDamped(current, lambda, step)) {
      lambda *= 10;
      if (lambda > 1e20L) return true;
      continue;
    }
    // The change of the residuals the step is expected to make, |J·step|².
    long double change = 0;
    for (int i = 0; i < P; ++i) {
      for (int j = 0; j < P; ++j) {
        change += step[i] * step[j] * current.a[std::max(i, j)][std::min(i, j)];
      }
    }
    std::array<long double, N> next = params;
    for (int i = 0; i < P; ++i) next[i] += step[i];
    moved = evaluate(next, trial) && trial.cost <= current.cost;
    if (moved) {
      params = next;
      current = trial;
      lambda = std::fmax(lambda / 3, 1e-12L);
    } else {
      lambda *= 10;
      if (lambda > 1e16L) return true;
    }
    if (change <= smallChange) return true;
  }
  return false;
}

}  // namespace q527
