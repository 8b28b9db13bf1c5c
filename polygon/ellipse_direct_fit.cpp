// The direct ellipse fit: the conic a·x² + b·xy + c·y² + d·x + e·y + f = 0
// that minimises the algebraic distances under 4ac - b² = 1. Halir and
// Flusser ("Numerically stable direct least squares fitting of ellipses",
// 1998) split the scatter matrix so that only a 3×3 eigenproblem M·v = λ·v
// remains, whose one positive eigenvalue belongs to the ellipse (zero for
// points exactly on one, and then the largest).
#include <cmath>

#include "polygon/centred_conic.h"

namespace q527 {

namespace {

using LD = long double;
using Matrix3 = LD[3][3];

LD Determinant(const Matrix3& m) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// The largest real root of λ³ - c2·λ² + c1·λ - c0, whose roots are real:
// Newton's method from above all of them falls to it monotonically.
LD LargestRoot(LD c2, LD c1, LD c0, LD bound) {
  LD x = bound;
  for (int i = 0; i < 200; ++i) {
    const LD value = ((x - c2) * x + c1) * x - c0;
    const LD slope = (3 * x - 2 * c2) * x + c1;
    if (!(value > 0) || !(slope > 0)) break;
    const LD next = x - value / slope;
    if (!(next < x)) break;
    x = next;
  }
  return x;
}

// A vector spanning the null space of the 3×3 matrix a of rank 2: the
// longest cross product of two of its rows.
void NullVector(const Matrix3& a, LD (&v)[3]) {
  LD best = -1;
  for (int i = 0; i < 3; ++i) {
    const LD* p = a[i];
    const LD* q = a[(i + 1) % 3];
    const LD c[3] = {p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2],
                     p[0] * q[1] - p[1] * q[0]};
    const LD norm = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
    if (norm > best) best = norm, v[0] = c[0], v[1] = c[1], v[2] = c[2];
  }
}

// The centred form of a·x² + b·xy + c·y² + d·x + e·y + f = 0; nullopt
// when it is no real ellipse.
std::optional<CentredConic> CentredFormOf(LD a, LD b, LD c, LD d, LD e, LD f) {
  const LD det = 4 * a * c - b * b;
  if (!(det > 0)) return std::nullopt;
  const LD cx = (b * e - 2 * c * d) / det, cy = (b * d - 2 * a * e) / det;
  const LD level = -(f + (d * cx + e * cy) / 2);
  const CentredConic conic{cx, cy, a / level, b / 2 / level, c / level};
  if (!(conic.sxx > 0 && conic.syy > 0) || !std::isfinite(conic.cx) || !std::isfinite(conic.cy)) {
    return std::nullopt;
  }
  return conic;
}

// The scatter matrices of the quadratic part q = (x², xy, y²) and the
// linear part l = (x, y, 1) of the points: S1 = Σqqᵀ, S2 = Σqlᵀ, S3 = Σllᵀ.
struct Scatter {
  Matrix3 s1, s2, s3;
};

Scatter ScatterOf(std::span<const Point2> points, const PointFrame& frame) {
  // Their entries are the 14 moments Σxⁱyʲ of degree 1 to 4 and the count.
  LD moment[5][5] = {};  // moment[i][j] = Σxⁱyʲ
  for (const Point2& p : points) {
    const Vec2 v = ToFrame(frame, p);
    const LD xx = v.x * v.x, xy = v.x * v.y, yy = v.y * v.y;
    moment[1][0] += v.x, moment[0][1] += v.y;
    moment[2][0] += xx, moment[1][1] += xy, moment[0][2] += yy;
    moment[3][0] += xx * v.x, moment[2][1] += xx * v.y;
    moment[1][2] += xy * v.y, moment[0][3] += yy * v.y;
    moment[4][0] += xx * xx, moment[3][1] += xx * xy, moment[2][2] += xx * yy;
    moment[1][3] += xy * yy, moment[0][4] += yy * yy;
  }
  moment[0][0] = static_cast<LD>(points.size());
  // q_i = x^(2-i)·y^i, so q_i·q_j = x^(4-i-j)·y^(i+j), q_i·x = x^(3-i)·y^i,
  // q_i·y = x^(2-i)·y^(i+1).
  Scatter s{{},
            {},
            {{moment[2][0], moment[1][1], moment[1][0]},
             {moment[1][1], moment[0][2], moment[0][1]},
             {moment[1][0], moment[0][1], moment[0][0]}}};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) s.s1[i][j] = moment[4 - i - j][i + j];
    s.s2[i][0] = moment[3 - i][i];
    s.s2[i][1] = moment[2 - i][i + 1];
    s.s2[i][2] = moment[2 - i][i];
  }
  return s;
}

// The 3×3 problem: T = -S3⁻¹·S2ᵀ, which gives the linear part from the
// quadratic one, and the reduced scatter M = S1 + S2·T premultiplied by the
// constraint's inverse (rows M₃/2, -M₂, M₁/2). False for points on a line,
// where S3 is singular.
bool ReduceScatter(const Scatter& s, Matrix3& t, Matrix3& m) {
  const LD det3 = Determinant(s.s3);
  if (!(det3 > 0)) return false;
  Matrix3 inverse3;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const int i1 = (j + 1) % 3, i2 = (j + 2) % 3, j1 = (i + 1) % 3, j2 = (i + 2) % 3;
      inverse3[i][j] = (s.s3[i1][j1] * s.s3[i2][j2] - s.s3[i1][j2] * s.s3[i2][j1]) / det3;
    }
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      t[i][j] = 0;
      for (int k = 0; k < 3; ++k) t[i][j] -= inverse3[i][k] * s.s2[j][k];
    }
  }
  Matrix3 reduced;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      reduced[i][j] = s.s1[i][j];
      for (int k = 0; k < 3; ++k) reduced[i][j] += s.s2[i][k] * t[k][j];
    }
  }
  for (int j = 0; j < 3; ++j) {
    m[0][j] = reduced[2][j] / 2;
    m[1][j] = -reduced[1][j];
    m[2][j] = reduced[0][j] / 2;
  }
  return true;
}

}  // namespace

std::optional<CentredConic> DirectEllipseFit(std::span<const Point2> points,
                                             const PointFrame& frame) {
  // The reduced eigenproblem.
  Matrix3 t, m;
  if (!ReduceScatter(ScatterOf(points, frame), t, m)) return std::nullopt;
  // The ellipse's eigenvalue: the largest root of the characteristic cubic,
  // bounded by the largest row sum.
  const LD c2 = m[0][0] + m[1][1] + m[2][2];
  const LD c1 = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) + (m[0][0] * m[2][2] - m[0][2] * m[2][0]) +
                (m[1][1] * m[2][2] - m[1][2] * m[2][1]);
  LD bound = 0;
  for (const auto& row : m) {
    bound = std::fmax(bound, std::fabs(row[0]) + std::fabs(row[1]) + std::fabs(row[2]));
  }
  const LD lambda = LargestRoot(c2, c1, Determinant(m), bound);
  // Its eigenvector gives the quadratic part, T the linear part.
  for (int i = 0; i < 3; ++i) m[i][i] -= lambda;
  LD quadratic[3] = {};
  NullVector(m, quadratic);
  LD linear[3] = {};
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < 3; ++k) linear[i] += t[i][k] * quadratic[k];
  }
  return CentredFormOf(quadratic[0], quadratic[1], quadratic[2], linear[0], linear[1], linear[2]);
}

}  // namespace q527
