#include "vector/detail/CurveGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "tests/vector/PathTestSupport.h"

namespace corvel {
namespace {

constexpr double kPi = 3.14159265358979;

double DistanceToSegment(const PathPoint& p, const PathPoint& a, const PathPoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
  t = std::fmax(0, std::fmin(1, t));
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

PathPoint CubicAt(const PathPoint c[4], double t) {
  const double u = 1 - t, a = u * u * u, b = 3 * u * u * t, d = 3 * u * t * t, e = t * t * t;
  return {a * c[0].x + b * c[1].x + d * c[2].x + e * c[3].x,
          a * c[0].y + b * c[1].y + d * c[2].y + e * c[3].y};
}

TEST(ArcToBeziers, PieceCountsFollowTheSweep) {
  struct Case {
    double sweep;
    int pieces;
  };
  for (const Case& c : {Case{2 * kPi, 4}, Case{4 * 3.14159265358979, 0}, Case{0, 0}, Case{3 * kPi / 4, 2},
                        Case{-kPi, 2}, Case{kPi / 2, 1}}) {
    PathPoint points[16];
    EXPECT_EQ(ArcToBeziers(points, 0.3, c.sweep, nullptr), c.pieces) << c.sweep;
  }
}

TEST(ArcToBeziers, PiecesLieOnTheUnitCircleAndWalkTheSweep) {
  for (double sweep : {3 * kPi / 4, -3 * kPi / 4, 2 * kPi}) {
    PathPoint points[16];
    const int pieces = ArcToBeziers(points, 0.5, sweep, nullptr);
    EXPECT_NEAR(points[0].x, std::cos(0.5), 1e-12);
    EXPECT_NEAR(points[0].y, std::sin(0.5), 1e-12);
    const PathPoint& last = points[4 * pieces - 1];
    EXPECT_NEAR(last.x, std::cos(0.5 + sweep), 1e-12);
    EXPECT_NEAR(last.y, std::sin(0.5 + sweep), 1e-12);
    for (int i = 0; i < pieces; ++i) {
      for (double t = 0; t <= 1; t += 0.125)
        EXPECT_NEAR(std::hypot(CubicAt(points + 4 * i, t).x, CubicAt(points + 4 * i, t).y), 1, 3e-4);
    }
    if (sweep < 0) {
      EXPECT_LT(points[3].y, points[0].y);  // decreasing angle first
    }
  }
}

TEST(CurveFlattening, EveryPointOfTheCurveStaysWithinTheTolerance) {
  const PathPoint cubic[4] = {{0, 0}, {30, 90}, {70, -40}, {100, 30}};
  for (double tolerance : {0.05, 1.0}) {
    RecordingSink sink;
    sink.MoveTo(cubic[0], nullptr);
    ASSERT_TRUE(FlattenCubic(sink, cubic[0], cubic[1], cubic[2], cubic[3], nullptr, tolerance, 0));
    EXPECT_GT(sink.lines.size(), 4u);
    for (double t = 0; t <= 1; t += 1.0 / 512) {
      const PathPoint p = CubicAt(cubic, t);
      double nearest = 1e9;
      for (std::size_t i = 1; i < sink.lines.size(); ++i) {
        nearest = std::fmin(nearest, DistanceToSegment(p, sink.lines[i - 1], sink.lines[i]));
      }
      EXPECT_LE(nearest, std::sqrt(tolerance)) << t;
    }
  }
}

TEST(CurveFlattening, StraightAndClosedCurvesNeedNoSplitting) {
  RecordingSink sink;
  sink.MoveTo({0, 0}, nullptr);
  EXPECT_TRUE(sink.CurveTo3({1, 1}, {2, 2}, {3, 3}, nullptr));
  EXPECT_EQ(sink.lines.size(), 2u);
  // A curve that ends where it starts is judged from its start point, without a division by zero.
  const PathPoint loop[3] = {{5, 5}, {5.1, 5}, {5, 5}};
  EXPECT_TRUE(QuadIsFlat(loop, 0.05));
  const PathPoint wide[4] = {{5, 5}, {9, 5}, {5, 9}, {5, 5}};
  EXPECT_FALSE(CubicIsFlat(wide, 0.05));
  RecordingSink loops;
  loops.MoveTo(wide[0], nullptr);
  EXPECT_TRUE(loops.CurveTo3(wide[1], wide[2], wide[3], nullptr));
  for (const PathPoint& p : loops.lines) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
}

TEST(CurveFlattening, EndPointArcsKeepTheirRadiusOrGrowToReach) {
  struct Case {
    PathPoint radii;
    double radius;  // of the circle drawn, centred at (5, 0)
  };
  for (const Case& c : {Case{{5, 5}, 5}, Case{{2, 2}, 5}}) {
    RecordingSink sink;
    sink.MoveTo({0, 0}, nullptr);
    ASSERT_TRUE(sink.ArcTo(c.radii, 0, 0, 1, {10, 0}, nullptr));
    EXPECT_NEAR(sink.lines.back().x, 10, 1e-9);
    for (const PathPoint& p : sink.lines) EXPECT_NEAR(std::hypot(p.x - 5, p.y), c.radius, 3e-4 * c.radius);
  }
  // No radius, or an arc back to its own start: a straight line to the end.
  for (PathPoint end : {PathPoint{10, 0}, PathPoint{0, 0}}) {
    RecordingSink sink;
    sink.MoveTo({0, 0}, nullptr);
    ASSERT_TRUE(sink.ArcTo(end.x == 0 ? PathPoint{3, 3} : PathPoint{0, 4}, 0, 0, 1, end, nullptr));
    ASSERT_EQ(sink.lines.size(), 2u);
    EXPECT_EQ(sink.lines[1].x, end.x);
  }
}

TEST(CurveFlattening, TheToleranceBelongsToEachThread) {
  const double before = SetDefaultFlatness(2.0);
  double seen = 0;
  std::thread other([&seen] { seen = GetDefaultFlatness(); });
  other.join();
  EXPECT_EQ(seen, 0.05);
  EXPECT_EQ(GetDefaultFlatness(), 2.0);
  SetDefaultFlatness(before);
}

}  // namespace
}  // namespace corvel
