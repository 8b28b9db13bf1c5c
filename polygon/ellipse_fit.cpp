// Ellipse fits: the direct fit as the start, then least squares of the true
// distances by Levenberg-Marquardt on the centred conic, all in the points'
// unit frame.
#include <cmath>

#include "common/fpu_precision.h"
#include "polygon/centred_conic.h"
#include "polygon/curve_fit.h"

namespace q527 {

namespace {

using LD = long double;

// The least squares ellipse from `start` over `points`.
std::optional<CentredConic> RefineEllipse(std::span<const Point2> points, const PointFrame& frame,
                                          const CentredConic& start) {
  auto evaluate = [&](const std::array<LD, 5>& q, NormalEquations<5>& n) {
    const CentredConic c{q[0], q[1], q[2], q[3], q[4]};
    const std::optional<ConicAxes> axes = UsableAxes(c);
    if (!axes) return false;
    ClearNormalEquations(n);
    for (const Point2& p : points) {
      const ConicResidual r = ResidualOf(ToFrame(frame, p), c, *axes);
      AddResidual(n, r.row, r.distance);
    }
    return true;
  };
  std::array<LD, 5> q = {start.cx, start.cy, start.sxx, start.sxy, start.syy};
  if (!MinimizeSumOfSquares(q, evaluate, points.size())) return std::nullopt;
  return CentredConic{q[0], q[1], q[2], q[3], q[4]};
}

// The ellipses through two points p ± h about m, in three parameters
// (α, β, τ) that are smooth everywhere: the shape S̃ = [1+α β; β 1-α]
// (positive definite for α² + β² < 1), the centre c = m + τ·w on the line
// of the chord's conjugate diameter, w = J·S̃·d with d = 2h and J the turn
// by a right angle (so that wᵀS̃h = 0), and S = S̃/k scaled by
// k = hᵀS̃h + τ²·wᵀS̃w, which puts both points on the curve.
struct EndPencil {
  Vec2 m, h;
};

struct PencilConic {
  CentredConic conic;
  LD jacobian[5][3];  // of (cx, cy, sxx, sxy, syy) in (α, β, τ)
};

LD Form(LD sxx, LD sxy, LD syy, Vec2 u, Vec2 v) {
  return sxx * u.x * v.x + sxy * (u.x * v.y + u.y * v.x) + syy * u.y * v.y;
}

std::optional<PencilConic> ConicOfPencil(const EndPencil& e, LD alpha, LD beta, LD tau) {
  if (!(alpha * alpha + beta * beta < 1)) return std::nullopt;
  const Vec2 d{2 * e.h.x, 2 * e.h.y};
  const LD txx = 1 + alpha, txy = beta, tyy = 1 - alpha;
  const Vec2 w{-(txy * d.x + tyy * d.y), txx * d.x + txy * d.y};
  const Vec2 wAlpha{d.y, d.x}, wBeta{-d.x, d.y};
  const LD wSw = Form(txx, txy, tyy, w, w);
  const LD k = Form(txx, txy, tyy, e.h, e.h) + tau * tau * wSw;
  PencilConic p{{e.m.x + tau * w.x, e.m.y + tau * w.y, txx / k, txy / k, tyy / k}, {}};
  // ∂k, then ∂S = (∂S̃ - S·∂k)/k.
  const LD kAlpha = Form(1, 0, -1, e.h, e.h) +
                    tau * tau * (Form(1, 0, -1, w, w) + 2 * Form(txx, txy, tyy, wAlpha, w));
  const LD kBeta = Form(0, 1, 0, e.h, e.h) +
                   tau * tau * (Form(0, 1, 0, w, w) + 2 * Form(txx, txy, tyy, wBeta, w));
  const LD kTau = 2 * tau * wSw;
  const LD ds[3][3] = {{1, 0, -1}, {0, 1, 0}, {0, 0, 0}};  // ∂S̃ by parameter
  const LD dk[3] = {kAlpha, kBeta, kTau};
  const LD s[3] = {p.conic.sxx, p.conic.sxy, p.conic.syy};
  const Vec2 dc[3] = {{tau * wAlpha.x, tau * wAlpha.y}, {tau * wBeta.x, tau * wBeta.y}, w};
  for (int j = 0; j < 3; ++j) {
    p.jacobian[0][j] = dc[j].x;
    p.jacobian[1][j] = dc[j].y;
    for (int i = 0; i < 3; ++i) p.jacobian[2 + i][j] = (ds[j][i] - s[i] * dk[j]) / k;
  }
  return p;
}

// The least squares ellipse through both ends of `points` from `start`.
std::optional<CentredConic> RefineEllipseThroughEnds(std::span<const Point2> points,
                                                     const PointFrame& frame,
                                                     const CentredConic& start) {
  const Vec2 first = ToFrame(frame, points.front()), last = ToFrame(frame, points.back());
  const EndPencil pencil{{(first.x + last.x) / 2, (first.y + last.y) / 2},
                         {(first.x - last.x) / 2, (first.y - last.y) / 2}};
  if (pencil.h.x == 0 && pencil.h.y == 0) return std::nullopt;
  // The start's shape, and its centre moved onto the conjugate diameter.
  const LD trace = start.sxx + start.syy;
  const LD alpha = (start.sxx - start.syy) / trace, beta = 2 * start.sxy / trace;
  const std::optional<PencilConic> shape = ConicOfPencil(pencil, alpha, beta, 0);
  if (!shape) return std::nullopt;
  const Vec2 w{shape->jacobian[0][2], shape->jacobian[1][2]};
  const LD tau =
      ((start.cx - pencil.m.x) * w.x + (start.cy - pencil.m.y) * w.y) / (w.x * w.x + w.y * w.y);
  // Refinement over the inner points; the ends stay on every candidate.
  const std::span<const Point2> inner = points.subspan(1, points.size() - 2);
  auto evaluate = [&](const std::array<LD, 3>& q, NormalEquations<3>& n) {
    const std::optional<PencilConic> p = ConicOfPencil(pencil, q[0], q[1], q[2]);
    if (!p) return false;
    const std::optional<ConicAxes> axes = UsableAxes(p->conic);
    if (!axes) return false;
    ClearNormalEquations(n);
    for (const Point2& point : inner) {
      const ConicResidual r = ResidualOf(ToFrame(frame, point), p->conic, *axes);
      LD row[3] = {};
      for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 5; ++i) row[j] += r.row[i] * p->jacobian[i][j];
      }
      AddResidual(n, row, r.distance);
    }
    return true;
  };
  std::array<LD, 3> q = {alpha, beta, tau};
  if (!MinimizeSumOfSquares(q, evaluate, inner.size())) return std::nullopt;
  const std::optional<PencilConic> p = ConicOfPencil(pencil, q[0], q[1], q[2]);
  if (!p) return std::nullopt;
  return p->conic;
}

// The fit's ellipse in the drawing, nullopt for none.
std::optional<Ellipse> Finish(const PointFrame& frame, const std::optional<CentredConic>& fit) {
  if (!fit) return std::nullopt;
  const std::optional<ConicAxes> axes = UsableAxes(*fit);
  if (!axes) return std::nullopt;
  return EllipseOfConic(frame, *axes, *fit);
}

}  // namespace

namespace {

// The steps both fits share: the points' frame and the direct fit as the
// start, then the refinement given, then the ellipse it found.
template <typename Refine>
std::optional<Ellipse> FitEllipseBy(std::span<const Point2> points, Refine refine) {
  const ExtendedPrecisionScope precision;
  if (points.size() < 5) return std::nullopt;
  const std::optional<PointFrame> frame = FrameOf(points);
  if (!frame) return std::nullopt;
  const std::optional<CentredConic> start = DirectEllipseFit(points, *frame);
  if (!start) return std::nullopt;
  return Finish(*frame, refine(points, *frame, *start));
}

}  // namespace

std::optional<Ellipse> FitEllipse(std::span<const Point2> points) {
  return FitEllipseBy(points, [](auto p, const PointFrame& f, const CentredConic& c) {
    return RefineEllipse(p, f, c);
  });
}

std::optional<Ellipse> FitEllipseThroughEnds(std::span<const Point2> points) {
  return FitEllipseBy(points, [](auto p, const PointFrame& f, const CentredConic& c) {
    return RefineEllipseThroughEnds(p, f, c);
  });
}

}  // namespace q527
