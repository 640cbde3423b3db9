#include "core/Matrix3.h"

#include <cmath>

namespace corvel {
namespace {

constexpr double kTolerance = 1e-8;

bool Near(double a, double b) { return std::fabs(a - b) < kTolerance; }

const double* Elements(const Matrix3& m) { return &m.m00; }
double* Elements(Matrix3& m) { return &m.m00; }

}  // namespace

const Matrix3 kIdentityMatrix3 = {1, 0, 0, 0, 1, 0, 0, 0, 1};

void Matrix3SetIdentity(Matrix3* m) {
  if (m != nullptr) *m = kIdentityMatrix3;
}

void Matrix3Copy(Matrix3* dst, const Matrix3* src) {
  if (dst != nullptr) *dst = src != nullptr ? *src : kIdentityMatrix3;
}

std::uint32_t Matrix3Classify(const Matrix3* m) {
  if (m == nullptr) return 0;
  // !Near() so that a NaN element counts as differing.
  std::uint32_t bits = 0;
  if (!Near(m->m02, 0)) bits |= keM02;
  if (!Near(m->m12, 0)) bits |= keM12;
  if (!Near(m->m00, 1)) bits |= keM00;
  if (!Near(m->m11, 1)) bits |= keM11;
  if (!Near(m->m01, 0)) bits |= keM01;
  if (!Near(m->m10, 0)) bits |= keM10;
  if (!Near(m->m20, 0)) bits |= keM20;
  if (!Near(m->m21, 0)) bits |= keM21;
  if (!Near(m->m22, 1)) bits |= keM22;
  return bits;
}

bool Matrix3IsAffine(const Matrix3* m) {
  return m == nullptr || (Near(m->m20, 0) && Near(m->m21, 0) && Near(m->m22, 1));
}

bool Matrix3Equal(const Matrix3* a, const Matrix3* b) {
  const Matrix3& x = a != nullptr ? *a : kIdentityMatrix3;
  const Matrix3& y = b != nullptr ? *b : kIdentityMatrix3;
  for (int i = 0; i < 9; ++i) {
    if (!Near(Elements(x)[i], Elements(y)[i])) return false;
  }
  return true;
}

bool Matrix3IsIdentity(const Matrix3* m) { return m == nullptr || Matrix3Equal(m, &kIdentityMatrix3); }

bool Matrix3IsTranslation(const Matrix3* m) {
  return m == nullptr || (Near(m->m00, 1) && Near(m->m11, 1) && Near(m->m01, 0) && Near(m->m10, 0) &&
                          Near(m->m20, 0) && Near(m->m21, 0) && Near(m->m22, 1));
}

const Matrix3* Matrix3UnlessIdentity(const Matrix3* m) { return Matrix3IsIdentity(m) ? nullptr : m; }

void Matrix3Multiply(Matrix3* dst, const Matrix3* a, const Matrix3* b) {
  if (dst == nullptr) return;
  if (a == nullptr || b == nullptr) {
    Matrix3Copy(dst, a == nullptr ? b : a);
    return;
  }
  Matrix3 product;
  const double* x = Elements(*a);
  const double* y = Elements(*b);
  double* p = Elements(product);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      p[3 * r + c] = x[3 * r] * y[c] + x[3 * r + 1] * y[3 + c] + x[3 * r + 2] * y[6 + c];
    }
  }
  *dst = product;
}

void Matrix3PostMultiply(Matrix3* m, const Matrix3* b) {
  if (m != nullptr && b != nullptr) Matrix3Multiply(m, m, b);
}

void Matrix3Scale(Matrix3* m, double sx, double sy) {
  const Matrix3 scale = {sx, 0, 0, 0, sy, 0, 0, 0, 1};
  if (m != nullptr) Matrix3Multiply(m, &scale, m);
}

void Matrix3Translate(Matrix3* m, double tx, double ty) {
  const Matrix3 translation = {1, 0, tx, 0, 1, ty, 0, 0, 1};
  if (m != nullptr) Matrix3Multiply(m, &translation, m);
}

void Matrix3Rotate(Matrix3* m, double radians) {
  const double c = std::cos(radians), s = std::sin(radians);
  const Matrix3 rotation = {c, -s, 0, s, c, 0, 0, 0, 1};
  if (m != nullptr) Matrix3Multiply(m, &rotation, m);
}

double Matrix3Determinant(const Matrix3* m) {
  if (m == nullptr) return 1;
  return m->m00 * (m->m11 * m->m22 - m->m12 * m->m21) - m->m10 * (m->m01 * m->m22 - m->m02 * m->m21) +
         m->m20 * (m->m01 * m->m12 - m->m02 * m->m11);
}

void Matrix3Minors(const Matrix3* m, double minors[9]) {
  const double* e = Elements(m != nullptr ? *m : kIdentityMatrix3);
  for (int r = 0; r < 3; ++r) {
    const int r0 = r == 0 ? 1 : 0, r1 = r == 2 ? 1 : 2;
    for (int c = 0; c < 3; ++c) {
      const int c0 = c == 0 ? 1 : 0, c1 = c == 2 ? 1 : 2;
      minors[3 * r + c] = e[3 * r0 + c0] * e[3 * r1 + c1] - e[3 * r0 + c1] * e[3 * r1 + c0];
    }
  }
}

void Matrix3Transpose(const Matrix3* src, Matrix3* dst) {
  if (dst == nullptr) return;
  const Matrix3 s = src != nullptr ? *src : kIdentityMatrix3;
  *dst = {s.m00, s.m10, s.m20, s.m01, s.m11, s.m21, s.m02, s.m12, s.m22};
}

bool Matrix3Invert(const Matrix3* src, Matrix3* dst) {
  if (src == nullptr) {
    Matrix3SetIdentity(dst);
    return true;
  }
  const double determinant = Matrix3Determinant(src);
  if (!(std::fabs(determinant) >= 1e-32)) return false;
  double minors[9];
  Matrix3Minors(src, minors);
  if (dst == nullptr) return true;
  // The adjugate: cofactors with signs (-1)^(r + c), transposed.
  double* d = Elements(*dst);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      const double cofactor = ((r + c) % 2 == 0 ? 1 : -1) * minors[3 * r + c];
      d[3 * c + r] = cofactor / determinant;
    }
  }
  return true;
}

namespace {

void MapOne(const Matrix3& m, bool affine, double* out, const double* in) {
  const double x = in[0], y = in[1];
  double u = m.m00 * x + m.m01 * y + m.m02;
  double v = m.m10 * x + m.m11 * y + m.m12;
  if (!affine) {
    const double w = m.m20 * x + m.m21 * y + m.m22;
    u /= w;
    v /= w;
  }
  out[0] = u;
  out[1] = v;
}

}  // namespace

void Matrix3MapPoint(const Matrix3* m, double point[2]) {
  if (m != nullptr) MapOne(*m, false, point, point);
}

void Matrix3MapPoints(const Matrix3* m, double* points, int count) {
  Matrix3MapPointsTo(m, points, points, count);
}

void Matrix3MapPointsTo(const Matrix3* m, double* dst, const double* src, int count) {
  if (m == nullptr) {
    for (int i = 0; i < 2 * count; ++i) dst[i] = src[i];
    return;
  }
  const bool affine = Matrix3IsAffine(m);
  for (int i = 0; i < count; ++i) MapOne(*m, affine, dst + 2 * i, src + 2 * i);
}

void Matrix3MapRectBounds(const Matrix3* m, double out[4], const double rect[4]) {
  if (m == nullptr) {
    for (int i = 0; i < 4; ++i) out[i] = rect[i];
    return;
  }
  double corners[8] = {rect[0], rect[1], rect[2], rect[1], rect[0], rect[3], rect[2], rect[3]};
  for (int i = 0; i < 4; ++i) MapOne(*m, false, corners + 2 * i, corners + 2 * i);
  BoundsOfPoints(out, corners, 4);
}

void Matrix3MapRectBoundsInPlace(const Matrix3* m, double rect[4]) { Matrix3MapRectBounds(m, rect, rect); }

bool PointsEqual(const double p[2], const double q[2]) { return Near(p[0], q[0]) && Near(p[1], q[1]); }

int BoundsOfPoints(double out[4], const double* points, int count) {
  if (count < 1 || points == nullptr) {
    out[0] = out[1] = out[2] = out[3] = 0;
    return 0;
  }
  double left = points[0], top = points[1], right = points[0], bottom = points[1];
  for (int i = 1; i < count; ++i) {
    const double x = points[2 * i], y = points[2 * i + 1];
    if (x < left)
      left = x;
    else if (x >= right)
      right = x;
    if (y < top)
      top = y;
    else if (y >= bottom)
      bottom = y;
  }
  out[0] = left;
  out[1] = top;
  out[2] = right;
  out[3] = bottom;
  return 1;
}

std::uint32_t Transform2D::Type() {
  if (type_ == kUnclassified) type_ = Matrix3Classify(&matrix_);
  return type_;
}

void Transform2D::MapPoint(double out[2], const double point[2]) {
  const std::uint32_t type = Type();
  if (type == 0) {
    out[0] = point[0];
    out[1] = point[1];
  } else if ((type & ~keTranslationBits) != 0) {
    MapOne(matrix_, false, out, point);
  } else {
    out[0] = point[0] + matrix_.m02;
    out[1] = point[1] + matrix_.m12;
  }
}

Transform2D& Transform2D::Combine(Transform2D& other) {
  if (type_ == 0) {
    matrix_ = other.matrix_;
    type_ = other.Type();
    return *this;
  }
  if (other.Type() == 0) return *this;
  if (HasOnlyFlags(Type(), keTranslationBits) && HasOnlyFlags(other.Type(), keTranslationBits)) {
    matrix_.m02 += other.matrix_.m02;
    matrix_.m12 += other.matrix_.m12;
    return *this;
  }
  Matrix3Multiply(&matrix_, &matrix_, &other.matrix_);
  type_ = Matrix3Classify(&matrix_);
  return *this;
}

Transform2D& Transform2D::Translate(double tx, double ty) {
  Transform2D translation({1, 0, tx, 0, 1, ty, 0, 0, 1});
  return Combine(translation);
}

Transform2D& Transform2D::Scale(double sx, double sy) {
  Transform2D scale({sx, 0, 0, 0, sy, 0, 0, 0, 1});
  return Combine(scale);
}

void Transform2D::MapRectBounds(double rect[4]) {
  if (Type() == 0) return;
  double corners[8] = {rect[0], rect[1], rect[2], rect[1], rect[0], rect[3], rect[2], rect[3]};
  for (int i = 0; i < 4; ++i) MapPoint(corners + 2 * i, corners + 2 * i);
  BoundsOfPoints(rect, corners, 4);
}

}  // namespace corvel
