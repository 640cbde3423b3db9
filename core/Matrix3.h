// 3 x 3 matrices of doubles mapping points (x, y, 1) as column vectors, with an optional
// projective row. A null matrix stands for the identity wherever one is read; results go to a
// destination that may be null (then nothing is written). Elements compare within 1e-8.
// Transform2D caches a matrix's classification so mapping loops can skip identity and pure
// translations.
#pragma once
#include <cstdint>

namespace corvel {

struct Matrix3 {
  double m00, m01, m02;
  double m10, m11, m12;
  double m20, m21, m22;
};

extern const Matrix3 kIdentityMatrix3;

// Classification bits: set where an element differs from the identity's by 1e-8 or more (NaN
// differs).
enum Matrix3Bits : std::uint32_t {
  keM02 = 1,
  keM12 = 2,
  keM00 = 4,
  keM11 = 8,
  keM01 = 16,
  keM10 = 32,
  keM20 = 64,
  keM21 = 128,
  keM22 = 256,
  keTranslationBits = keM02 | keM12,
};

void Matrix3SetIdentity(Matrix3* m);
void Matrix3Copy(Matrix3* dst, const Matrix3* src);
std::uint32_t Matrix3Classify(const Matrix3* m);
inline bool HasAnyFlag(std::uint32_t a, std::uint32_t b) { return (a & b) != 0; }
// a shares a bit with b and has none outside it.
inline bool HasOnlyFlags(std::uint32_t a, std::uint32_t b) { return (a & b) != 0 && (a & ~b) == 0; }
bool Matrix3IsAffine(const Matrix3* m);
bool Matrix3Equal(const Matrix3* a, const Matrix3* b);
bool Matrix3IsIdentity(const Matrix3* m);
// Scale 1, no rotation, shear or projective part; the translation is free.
bool Matrix3IsTranslation(const Matrix3* m);
// m, or null when m is null or the identity.
const Matrix3* Matrix3UnlessIdentity(const Matrix3* m);

// dst = a x b; dst may be a or b.
void Matrix3Multiply(Matrix3* dst, const Matrix3* a, const Matrix3* b);
// m = m x b.
void Matrix3PostMultiply(Matrix3* m, const Matrix3* b);
// m = S x m, T x m, R x m: the new step applies after the old ones.
void Matrix3Scale(Matrix3* m, double sx, double sy);
void Matrix3Translate(Matrix3* m, double tx, double ty);
void Matrix3Rotate(Matrix3* m, double radians);

double Matrix3Determinant(const Matrix3* m);
// minors[3 r + c] is the determinant left when row r and column c are struck out.
void Matrix3Minors(const Matrix3* m, double minors[9]);
void Matrix3Transpose(const Matrix3* src, Matrix3* dst);
// False when |determinant| < 1e-32 or it is not a number.
bool Matrix3Invert(const Matrix3* src, Matrix3* dst);

// Points are pairs of doubles; a non-affine matrix divides by w.
void Matrix3MapPoint(const Matrix3* m, double point[2]);
void Matrix3MapPoints(const Matrix3* m, double* points, int count);
void Matrix3MapPointsTo(const Matrix3* m, double* dst, const double* src, int count);
// The bounding box of the mapped corners of (left, top, right, bottom).
void Matrix3MapRectBounds(const Matrix3* m, double out[4], const double rect[4]);
void Matrix3MapRectBoundsInPlace(const Matrix3* m, double rect[4]);
bool PointsEqual(const double p[2], const double q[2]);

// The smallest and largest coordinates of count points into (left, top, right, bottom); with no
// points the rectangle is all 0 and the answer 0.
int BoundsOfPoints(double out[4], const double* points, int count);

class Transform2D {
 public:
  static constexpr std::uint32_t kUnclassified = 65535;

  Transform2D() : matrix_(kIdentityMatrix3), type_(0) {}
  Transform2D(const Matrix3& matrix, std::uint32_t type = kUnclassified) : matrix_(matrix), type_(type) {}

  const Matrix3& Matrix() const { return matrix_; }
  std::uint32_t Type();

  void MapPoint(double out[2], const double point[2]);
  // this = this x other.
  Transform2D& Combine(Transform2D& other);
  // The translation or scale applies before this transform.
  Transform2D& Translate(double tx, double ty);
  Transform2D& Scale(double sx, double sy);
  void MapRectBounds(double rect[4]);

 private:
  Matrix3 matrix_;
  std::uint32_t type_;
};

}  // namespace corvel
