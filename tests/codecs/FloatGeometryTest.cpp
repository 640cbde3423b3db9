#include <gtest/gtest.h>

#include "codecs/FloatGeometry.h"

TEST(FloatGeometry, CrossSectionAndMeasures) {
  struct Case {
    CFloatRect2 a, b, expected;
  };
  const Case cases[] = {
      {{0, 0, 4, 4}, {2, 1, 6, 3}, {2, 1, 4, 3}},
      {{0, 0, 2, 2}, {2, 0, 4, 2}, {2, 0, 2, 2}},  // touching: width 0, kept
      {{0, 0, 1, 1}, {2, 2, 3, 3}, {0, 0, 0, 0}},  // disjoint
  };
  for (const Case& c : cases) {
    CFloatRect2 r = c.a.CrossSection(c.b);
    EXPECT_FLOAT_EQ(r.botLeft.x, c.expected.botLeft.x);
    EXPECT_FLOAT_EQ(r.botLeft.y, c.expected.botLeft.y);
    EXPECT_FLOAT_EQ(r.topRight.x, c.expected.topRight.x);
    EXPECT_FLOAT_EQ(r.topRight.y, c.expected.topRight.y);
  }
  EXPECT_FLOAT_EQ(CFloatRect2(4, 0, 1, 2).Surface(), -6);  // not normalised
  EXPECT_FLOAT_EQ(CFloatRect2(1, 2, 4, 8).Center().x, 2.5f);
  EXPECT_FLOAT_EQ(CFloatPoint2(1, 1).Distance(CFloatPoint2(4, 5)), 5.0f);
}
