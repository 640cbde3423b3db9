#include "vector/detail/BezierFit.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvel {
namespace {

struct Collector : CubicReceiver {
  bool AddCubic(const PathPoint* points, int) override {
    cubics.push_back({points[0], points[1], points[2], points[3]});
    return true;
  }
  std::vector<std::vector<PathPoint>> cubics;
};

TEST(BezierFit, TwoPointsGiveControlsAtTheThirds) {
  const PathPoint points[] = {{0, 0}, {0, 0}, {9, 0}};  // the repeat is ignored
  Collector out;
  ASSERT_TRUE(FitBezierCurve(out, points, 3, 0.01));
  ASSERT_EQ(out.cubics.size(), 1u);
  EXPECT_DOUBLE_EQ(out.cubics[0][1].x, 3);
  EXPECT_DOUBLE_EQ(out.cubics[0][2].x, 6);
}

TEST(BezierFit, CollinearPointsGiveOneStraightCubic) {
  std::vector<PathPoint> points;
  for (int i = 0; i <= 10; ++i) points.push_back({i * 2.0, i * 1.0});
  Collector out;
  ASSERT_TRUE(FitBezierCurve(out, points.data(), 11, 0.01));
  ASSERT_EQ(out.cubics.size(), 1u);
  for (const PathPoint& p : out.cubics[0]) EXPECT_NEAR(p.y, p.x / 2, 1e-9);
}

TEST(BezierFit, TooFewDistinctPointsAreRefused) {
  const PathPoint same[] = {{1, 1}, {1, 1}};
  Collector out;
  EXPECT_FALSE(FitBezierCurve(out, same, 2, 0.01));
  EXPECT_FALSE(FitBezierCurve(out, same, 0, 0.01));
  EXPECT_TRUE(out.cubics.empty());
}

}  // namespace
}  // namespace corvel
