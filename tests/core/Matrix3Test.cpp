#include "core/Matrix3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace corvel {
namespace {

TEST(Matrix3, ClassifyAgainstTheIdentity) {
  struct Case {
    Matrix3 m;
    std::uint32_t bits;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {{1 + 1e-9, 0, 0, 0, 1, 0, 0, 0, 1}, 0},
      {{1 + 2e-8, 0, 0, 0, 1, 0, 0, 0, 1}, keM00},
      {{1, 0, 5, 0, 1, -2, 0, 0, 1}, keM02 | keM12},
      {{1, 0.5, 0, 0.25, 1, 0, 0, 0, 1}, keM01 | keM10},
      {{1, 0, 0, 0, 2, 0, 1, 1, 3}, keM11 | keM20 | keM21 | keM22},
      {{nan, 0, 0, 0, 1, 0, 0, 0, 1}, keM00},
  };
  for (const Case& c : cases) EXPECT_EQ(Matrix3Classify(&c.m), c.bits);
  EXPECT_EQ(Matrix3Classify(nullptr), 0u);
  EXPECT_TRUE(HasOnlyFlags(keM02 | keM12, keTranslationBits));
  EXPECT_FALSE(HasOnlyFlags(keM02 | keM00, keTranslationBits));
  EXPECT_FALSE(HasOnlyFlags(0, keTranslationBits));
}

TEST(Matrix3, NullIsTheIdentity) {
  EXPECT_TRUE(Matrix3IsIdentity(nullptr));
  EXPECT_TRUE(Matrix3IsAffine(nullptr));
  EXPECT_TRUE(Matrix3Equal(nullptr, &kIdentityMatrix3));
  EXPECT_EQ(Matrix3UnlessIdentity(&kIdentityMatrix3), nullptr);
  EXPECT_EQ(Matrix3Determinant(nullptr), 1.0);
  const Matrix3 shift = {1, 0, 3, 0, 1, 4, 0, 0, 1};
  EXPECT_EQ(Matrix3UnlessIdentity(&shift), &shift);
  EXPECT_TRUE(Matrix3IsTranslation(&shift));
  Matrix3 copy;
  Matrix3Copy(&copy, nullptr);
  EXPECT_TRUE(Matrix3IsIdentity(&copy));
}

TEST(Matrix3, InvertUpToTheDeterminantTolerance) {
  const Matrix3 small = {1e-11, 0, 0, 0, 1e-11, 0, 0, 0, 1};
  const Matrix3 tiny = {1e-17, 0, 0, 0, 1e-17, 0, 0, 0, 1};
  Matrix3 inverse;
  ASSERT_TRUE(Matrix3Invert(&small, &inverse));
  EXPECT_DOUBLE_EQ(inverse.m00, 1e11);
  EXPECT_FALSE(Matrix3Invert(&tiny, &inverse));

  const Matrix3 m = {2, 1, 3, -1, 4, 5, 0.5, 0.25, 2};
  ASSERT_TRUE(Matrix3Invert(&m, &inverse));
  Matrix3 product;
  Matrix3Multiply(&product, &m, &inverse);
  EXPECT_TRUE(Matrix3IsIdentity(&product));
}

TEST(Matrix3, MultiplyIntoAnOperand) {
  const Matrix3 a = {1, 2, 3, 4, 5, 6, 7, 8, 10};
  const Matrix3 b = {0, 1, 0, -1, 0, 2, 3, 0, 1};
  Matrix3 separate, inPlace = a;
  Matrix3Multiply(&separate, &a, &b);
  Matrix3Multiply(&inPlace, &inPlace, &b);
  EXPECT_TRUE(Matrix3Equal(&separate, &inPlace));
  EXPECT_DOUBLE_EQ(separate.m00, 1 * 0 + 2 * -1 + 3 * 3);
  Matrix3 right = b;
  Matrix3Multiply(&right, &a, &right);
  EXPECT_TRUE(Matrix3Equal(&separate, &right));
}

TEST(Matrix3, ScaleThenTranslatePreMultiplies) {
  Matrix3 m = kIdentityMatrix3;
  Matrix3Scale(&m, 2, 2);
  Matrix3Translate(&m, 1, 0);
  double p[2] = {0, 0};
  Matrix3MapPoint(&m, p);
  EXPECT_DOUBLE_EQ(p[0], 1);
  EXPECT_DOUBLE_EQ(p[1], 0);
  Matrix3Rotate(&m, M_PI / 2);  // then a quarter turn: (1, 0) -> (0, 1)
  double q[2] = {0, 0};
  Matrix3MapPoint(&m, q);
  EXPECT_NEAR(q[0], 0, 1e-12);
  EXPECT_NEAR(q[1], 1, 1e-12);
}

TEST(Matrix3, ProjectiveMapsDivideByW) {
  const Matrix3 m = {1, 0, 0, 0, 1, 0, 0, 0, 2};
  double points[4] = {4, 6, 2, 8};
  Matrix3MapPoints(&m, points, 2);
  EXPECT_DOUBLE_EQ(points[0], 2);
  EXPECT_DOUBLE_EQ(points[3], 4);
  double rect[4] = {0, 0, 4, 2};
  const Matrix3 turn = {0, -1, 0, 1, 0, 0, 0, 0, 1};
  Matrix3MapRectBoundsInPlace(&turn, rect);
  EXPECT_DOUBLE_EQ(rect[0], -2);
  EXPECT_DOUBLE_EQ(rect[1], 0);
  EXPECT_DOUBLE_EQ(rect[2], 0);
  EXPECT_DOUBLE_EQ(rect[3], 4);
}

TEST(Matrix3, BoundsOfNoPoints) {
  double rect[4] = {1, 2, 3, 4};
  EXPECT_EQ(BoundsOfPoints(rect, nullptr, 0), 0);
  for (double v : rect) EXPECT_EQ(v, 0);
}

TEST(Transform2D, TranslationsAddUp) {
  Transform2D t;
  t.Translate(5, 7).Translate(1, 1);
  EXPECT_EQ(t.Type(), keM02 | keM12);
  EXPECT_DOUBLE_EQ(t.Matrix().m02, 6);
  EXPECT_DOUBLE_EQ(t.Matrix().m12, 8);
}

TEST(Transform2D, ScaleThenTranslateAppliesTheTranslationFirst) {
  Transform2D t;
  t.Scale(2, 2).Translate(1, 0);
  const double origin[2] = {0, 0};
  double out[2];
  t.MapPoint(out, origin);
  EXPECT_DOUBLE_EQ(out[0], 2);
  EXPECT_DOUBLE_EQ(out[1], 0);
  double rect[4] = {0, 0, 1, 1};
  t.MapRectBounds(rect);
  EXPECT_DOUBLE_EQ(rect[2], 4);
  EXPECT_DOUBLE_EQ(rect[3], 2);
}

}  // namespace
}  // namespace corvel
