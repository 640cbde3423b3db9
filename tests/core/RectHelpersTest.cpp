#include <gtest/gtest.h>

#include <cmath>

#include "core/RectHelpers.h"
#include "core/Rounding.h"
#include "core/RowIteratorBands.h"

namespace corvel {
namespace {

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

void ExpectRectD(const RectD& r, double left, double top, double right, double bottom) {
  EXPECT_DOUBLE_EQ(r.left, left);
  EXPECT_DOUBLE_EQ(r.top, top);
  EXPECT_DOUBLE_EQ(r.right, right);
  EXPECT_DOUBLE_EQ(r.bottom, bottom);
}

TEST(RoundToInt, HalvesToEvenAndSaturates) {
  EXPECT_EQ(RoundToInt(0.5), 0);
  EXPECT_EQ(RoundToInt(1.5), 2);
  EXPECT_EQ(RoundToInt(2.5), 2);
  EXPECT_EQ(RoundToInt(-2.5), -2);
  EXPECT_EQ(RoundToInt(-2.6), -3);
  EXPECT_EQ(RoundToInt(1e20), INT32_MAX);
  EXPECT_EQ(RoundToInt(-1e20), INT32_MIN);
  EXPECT_EQ(RoundToInt(NAN), 0);
}

TEST(RectDToRect, EdgesWithinToleranceCountAsIntegral) {
  ExpectRect(RectDToRect({0.999999999, 0, 2.000000001, 1}), 1, 0, 2, 1);
  ExpectRect(RectDToRect({0.5, 0.5, 1.5, 1.5}), 0, 0, 2, 2);
  ExpectRect(RectDToRect({-0.5, -1.2, -0.1, 3.0}), -1, -2, 0, 3);
  ExpectRect(RectDToRect({NAN, -1e30, 1e30, INFINITY}), 0, INT32_MIN, INT32_MAX, INT32_MAX);
}

TEST(IntersectRectOpt, TouchingIsEmptyForIntegersButMeetsForDoubles) {
  RECT a{0, 0, 10, 10}, b{10, 0, 20, 10}, out{1, 1, 1, 1};
  EXPECT_FALSE(IntersectRectOpt(&out, &a, &b));
  ExpectRect(out, 0, 0, 0, 0);

  RectD da{0, 0, 10, 10}, db{10, 0, 20, 10}, dout;
  EXPECT_TRUE(IntersectRectDOpt(&dout, &da, &db));
  ExpectRectD(dout, 10, 0, 10, 10);

  EXPECT_TRUE(IntersectRectDOptInt(&dout, &a, &db));
  ExpectRectD(dout, 10, 0, 10, 10);

  RectD far{30, 0, 40, 10};
  dout = {1, 1, 1, 1};
  EXPECT_FALSE(IntersectRectDOpt(&dout, &da, &far));
  ExpectRectD(dout, 0, 0, 0, 0);
}

TEST(IntersectRectOpt, MissingRectangleIsUnbounded) {
  RECT a{1, 2, 3, 4}, out{};
  EXPECT_TRUE(IntersectRectOpt(&out, nullptr, &a));
  ExpectRect(out, 1, 2, 3, 4);
  out = {};
  EXPECT_TRUE(IntersectRectOpt(&out, &a, nullptr));
  ExpectRect(out, 1, 2, 3, 4);
  EXPECT_TRUE(IntersectRectOpt(nullptr, &a, nullptr));

  RECT overlap{2, 3, 9, 9};
  EXPECT_TRUE(IntersectRectOpt(&out, &a, &overlap));
  ExpectRect(out, 2, 3, 3, 4);

  RectD d{0.5, 0.5, 2, 2}, dout;
  EXPECT_TRUE(IntersectRectDOpt(&dout, nullptr, &d));
  ExpectRectD(dout, 0.5, 0.5, 2, 2);
}

TEST(RectDArithmetic, SetAddOffsetInflateScale) {
  RectD r = SetRectD(1, 2, 3, 4);
  ExpectRectD(AddRectD(r, r), 2, 4, 6, 8);
  ExpectRectD(OffsetRectD(r, 1, -1), 2, 1, 4, 3);
  ExpectRectD(InflateRectD(r, 1, 2), 0, 0, 4, 6);
  ExpectRectD(ScaleRectD(r, 0.5), 0.5, 1, 1.5, 2);
  ExpectRectD(ScaleRectDXY(r, 2, 3), 2, 6, 6, 12);
  ExpectRectD(RectToRectD(RECT{-1, 2, 3, 4}), -1, 2, 3, 4);
}

TEST(IntegerRectScaling, RoundingRules) {
  struct Case {
    RECT rect;
    double factor;
    RECT expected;
  };
  // Halves go to the even neighbour.
  const Case cases[] = {
      {{1, 3, 5, 7}, 0.5, {0, 2, 2, 4}},
      {{-1, -3, 1, 3}, 0.5, {0, -2, 0, 2}},
      {{10, 10, 20, 20}, 1.26, {13, 13, 25, 25}},
  };
  for (const Case& c : cases) {
    RECT got = ScaleRectRound(c.rect, c.factor);
    ExpectRect(got, c.expected.left, c.expected.top, c.expected.right, c.expected.bottom);
  }
  ExpectRect(ScaleRectInt(RECT{1, -2, 3, 4}, 3), 3, -6, 9, 12);
  // MulDiv rounds half away from zero.
  ExpectRect(MulDivRect(RECT{1, -1, 3, -3}, 1, 2), 1, -1, 2, -2);
}

TEST(ScaleRectByFractions, MeasuresFromLeftAndTop) {
  const double fractions[4] = {0.25, 0.5, 0.75, 1.0};
  ExpectRect(ScaleRectByFractions(RECT{10, 20, 14, 30}, fractions), 11, 25, 13, 30);
  // 2 x 0.25 = 0.5 rounds to 0, 6 x 0.25 = 1.5 rounds to 2.
  ExpectRect(ScaleRectByFractions(RECT{0, 0, 2, 6}, fractions), 0, 3, 2, 6);
  ExpectRect(ScaleRectByFractions(RECT{0, 0, 6, 2}, fractions), 2, 1, 4, 2);
}

TEST(RectDToCorners, ClockwiseFromTopLeftOnlyWithRoom) {
  double points[4][2] = {};
  RectDToCorners(points, 4, RectD{1, 2, 3, 4});
  const double expected[4][2] = {{1, 2}, {3, 2}, {3, 4}, {1, 4}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(points[i][0], expected[i][0]) << i;
    EXPECT_EQ(points[i][1], expected[i][1]) << i;
  }
  double untouched[3][2] = {};
  RectDToCorners(untouched, 3, RectD{1, 2, 3, 4});
  EXPECT_EQ(untouched[0][0], 0);
}

TEST(RectDDimensions, CountsAxesWithExtent) {
  EXPECT_EQ(RectDDimensions({0, 0, 5, 0}), 1);
  EXPECT_EQ(RectDDimensions({0, 0, 5, 5}), 2);
  EXPECT_EQ(RectDDimensions({0, 0, 5e-9, -5e-9}), 0);
  EXPECT_EQ(RectDDimensions({5, 0, 0, 5}), 2);  // extents count by magnitude
}

TEST(SizeHelpers, SameRectSizeAndLog2Exact) {
  EXPECT_TRUE(SameRectSize(RECT{0, 0, 3, 4}, RECT{10, 10, 13, 14}));
  EXPECT_FALSE(SameRectSize(RECT{0, 0, 3, 4}, RECT{0, 0, 4, 3}));
  EXPECT_EQ(Log2Exact(1), 0);
  EXPECT_EQ(Log2Exact(64), 6);
  EXPECT_EQ(Log2Exact(0x80000000u), 31);
  EXPECT_EQ(Log2Exact(0), -1);
  EXPECT_EQ(Log2Exact(12), -1);
}

TEST(ImageBounds, ClippedAndDefaulted) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(7, 5, keFormatGrey).GetCode(), 0);
  ExpectRect(GetImageBoundsClipped(image, nullptr), 0, 0, 7, 5);
  RECT clip{-2, 3, 4, 9};
  ExpectRect(GetImageBoundsClipped(image, &clip), 0, 3, 4, 5);
  RECT outside{10, 10, 12, 12};
  ExpectRect(GetImageBoundsClipped(image, &outside), 0, 0, 0, 0);

  RECT given{1, 1, 2, 2}, empty{3, 3, 3, 9};
  ExpectRect(ImageBoundsOr(image, &given), 1, 1, 2, 2);
  ExpectRect(ImageBoundsOr(image, &empty), 0, 0, 7, 5);
  ExpectRect(ImageBoundsOr(image, nullptr), 0, 0, 7, 5);
}

}  // namespace
}  // namespace corvel
