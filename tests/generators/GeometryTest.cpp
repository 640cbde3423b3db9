#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "generators/Geometry.h"

namespace corvel {
namespace {

constexpr double kRoot2 = 0.70710678118654752;

void ExpectLine(const Line2D& line, double nx, double ny, double c) {
  EXPECT_NEAR(line.n.x, nx, 1e-12);
  EXPECT_NEAR(line.n.y, ny, 1e-12);
  EXPECT_NEAR(line.c, c, 1e-12);
}

TEST(Line2D, ThroughTwoPointsHasAUnitNormalAndNonNegativeOffset) {
  ExpectLine(Line2D({0, 0}, {1, 1}), kRoot2, -kRoot2, 0);
  ExpectLine(Line2D({1, 0}, {0, 1}), kRoot2, kRoot2, kRoot2);
  ExpectLine(Line2D({1, 1}, {0.5, 0}), 2 / std::sqrt(5.0), -1 / std::sqrt(5.0), 1 / std::sqrt(5.0));
  ExpectLine(Line2D({3, 4}, {3 + 0.5e-8, 4}), 0, 1, 0);  // coinciding points: the default line
  ExpectLine(Line2D(), 0, 1, 0);
}

TEST(Line2D, IntersectAndProject) {
  Point2D q;
  Line2D vertical({0, 0}, {0, 5}), horizontal({-1, 0}, {7, 0});
  EXPECT_TRUE(vertical.Intersect(horizontal, q));
  EXPECT_NEAR(q.x, 0, 1e-15);
  EXPECT_NEAR(q.y, 0, 1e-15);

  Line2D parallel({1, 0}, {1, 5});
  q.Set(1, 2);
  EXPECT_FALSE(vertical.Intersect(parallel, q));
  EXPECT_EQ(q.x, DBL_MAX);
  EXPECT_EQ(q.y, DBL_MAX);

  Line2D diagonal({0, 1}, {1, 0});
  EXPECT_TRUE(diagonal.Intersect(Line2D({0, 0}, {1, 1}), q));
  EXPECT_NEAR(q.x, 0.5, 1e-12);
  EXPECT_NEAR(q.y, 0.5, 1e-12);
  Point2D foot = diagonal.Project({0, 0});
  EXPECT_NEAR(foot.x, 0.5, 1e-12);
  EXPECT_NEAR(foot.y, 0.5, 1e-12);
}

TEST(Point2D, ReflectionAndHalfTurn) {
  Point2D mirrored = Point2D(0.2, 0.6).Reflect(Line2D({0, 0}, {1, 1}));
  EXPECT_NEAR(mirrored.x, 0.6, 1e-12);
  EXPECT_NEAR(mirrored.y, 0.2, 1e-12);
  Point2D acrossXAxis = Point2D(3, 2).Reflect(Line2D());
  EXPECT_DOUBLE_EQ(acrossXAxis.y, -2);

  Point2D turned = Point2D(1, 2).HalfTurn({3, 3});
  EXPECT_DOUBLE_EQ(turned.x, 5);
  EXPECT_DOUBLE_EQ(turned.y, 4);
}

TEST(Point2D, FuzzyInequality) {
  EXPECT_TRUE(Point2D(0, 0) != Point2D(1e-8, 0));
  EXPECT_FALSE(Point2D(0, 0) != Point2D(0.5e-8, 0.5e-8));
  EXPECT_TRUE(Point2D(0, 0) != Point2D(0, NAN));
  EXPECT_TRUE(IsEqual(1, 1 + 0.9e-8));
  EXPECT_FALSE(IsEqual(0, NAN));
  EXPECT_TRUE(std::isinf((Point2D(1, 1) / 0).x));
}

TEST(Rotation, PositiveAnglesTurnXTowardsMinusY) {
  Point2D p = Point2D(1, 0).Rotated(M_PI / 2, 0, 0);
  EXPECT_NEAR(p.x, 0, 1e-15);
  EXPECT_NEAR(p.y, -1, 1e-15);

  POINT integer{10, 0};
  RotateIntPointDegrees(90, 0, 0, integer);
  EXPECT_EQ(integer.x, 0);
  EXPECT_EQ(integer.y, -10);
  integer = {6, 5};
  RotateIntPointDegrees(180, 5, 5, integer);
  EXPECT_EQ(integer.x, 4);
  EXPECT_EQ(integer.y, 5);

  // The double-precision degree uses single-precision pi: a whole turn overshoots slightly.
  Point2D far(1e9, 0);
  RotatePointDegrees(360, 0, 0, far);
  EXPECT_NEAR(far.y, -1e9 * std::sin(360 * (3.1415927410125732 / 180)), 1e-3);
  EXPECT_GT(std::fabs(far.y), 1.0);
}

TEST(Triangles, AreaAndBarycentricWeights) {
  EXPECT_DOUBLE_EQ(TriangleArea(0, 0, 4, 0, 0, 3), 6);
  EXPECT_EQ(TriangleArea(1, 1, 1, 1, 5, 7), 0);
  EXPECT_EQ(TriangleArea(0, 0, 1, 0, 2, 0), 0);  // collinear

  double s, t, w;
  EXPECT_TRUE(BarycentricCoords({0, 0}, {1, 0}, {2, 0}, {5, 5}, s, t, w));
  EXPECT_EQ(s, 0.33);
  EXPECT_EQ(t, 0.33);
  EXPECT_DOUBLE_EQ(w, 1 - 0.33 - 0.33);

  BarycentricCoords({0, 0}, {4, 0}, {0, 4}, {1, 1}, s, t, w);
  EXPECT_NEAR(s, 0.5, 1e-12);
  EXPECT_NEAR(t, 0.25, 1e-12);
  EXPECT_NEAR(w, 0.25, 1e-12);
}

}  // namespace
}  // namespace corvel
