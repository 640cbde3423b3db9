#include "vector/detail/StrokeStage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tests/vector/CoverageGrid.h"
#include "tests/vector/PathTestSupport.h"
#include "vector/VectorPath.h"
#include "vector/detail/AntiAlias.h"
#include "vector/detail/Coverage.h"
#include "vector/detail/PathReader.h"

namespace corvel {
namespace {

RefPtr<VectorPath> Polyline(const std::vector<PathPoint>& points, bool close = false) {
  RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateVectorPath());
  path->MoveTo(points[0], nullptr);
  for (std::size_t i = 1; i < points.size(); ++i) path->LineTo(points[i], nullptr);
  if (close) path->Close(nullptr);
  return path;
}

StagePtr Stroke(const VectorPath& path, const PenStyle& pen, int kind = keStrokeOutline, int level = 8) {
  PathReader* reader = CreatePathReader(path);
  return StagePtr(CreateStrokeOrFill(*reader, kind, pen, nullptr, 0.05, level, true));
}

// Total coverage in pixels of the stroked path, drawn anti-aliased into a 200 x 200 grid.
double CoveredArea(const VectorPath& path, const PenStyle& pen) {
  StagePtr stage = Stroke(path, pen);
  if (!stage) return -1;
  RenderSettings settings;
  CoverageGrid grid(200, 200);
  const RECT clip{0, 0, 200, 200};
  RefPtr<RegionBase> region = RefPtr<RegionBase>::Adopt(
      CreatePathCoverage(*stage, 0, &settings, &clip, nullptr, nullptr, true));
  if (region) region->Draw(grid, keQualityBox);
  return static_cast<double>(grid.Sum() + grid.outside) / 255.0;
}

PenStyle Pen(double width, int cap = 0, int join = keJoinMiter) {
  PenStyle pen;
  pen.width = width;
  pen.join = join;
  for (PenCap& c : pen.caps) c.kind = cap;
  return pen;
}

bool HasPoint(const std::vector<PathSegmentRecord>& records, PathPoint point) {
  for (const PathSegmentRecord& r : records) {
    if (std::fabs(r.end.x - point.x) < 1e-4 && std::fabs(r.end.y - point.y) < 1e-4) return true;
  }
  return false;
}

TEST(StrokeStage, ButtSegmentCoversLengthTimesWidth) {
  EXPECT_NEAR(CoveredArea(*Polyline({{50, 50}, {70, 50}}), Pen(4)), 80, 0.5);
  EXPECT_NEAR(CoveredArea(*Polyline({{50, 50}, {70, 50}}), Pen(4, 1)), 96, 1.0);  // square caps add w each
}

TEST(StrokeStage, RightAngleMiterTipLiesAtTheOuterCorner) {
  const std::vector<PathSegmentRecord> outline = ReadStage(
      *Stroke(*Polyline({{10, 10}, {30, 10}, {30, 30}}), Pen(4)));
  EXPECT_TRUE(HasPoint(outline, {32, 8}));
  // The limit scales with the pen: a wide pen mitres the same corner.
  EXPECT_TRUE(HasPoint(ReadStage(*Stroke(*Polyline({{40, 60}, {100, 60}, {100, 120}}), Pen(20))), {110, 50}));
  // A full turn back bevels instead of spiking: nothing beyond the turning point.
  for (const PathSegmentRecord& r : ReadStage(*Stroke(*Polyline({{10, 10}, {30, 10}, {10, 10}}), Pen(4)))) {
    EXPECT_LE(r.end.x, 30 + 1e-6);
  }
}

TEST(StrokeStage, DashesTakeFigureCapsOnlyAtTheFigureEnds) {
  PenStyle pen = Pen(4);
  pen.caps[0].kind = pen.caps[1].kind = 1;
  const double dashes[] = {10, 5};
  pen.SetDash(dashes, 2, 0);
  // Three dashes of 10 by 4, and the square caps add 2 x 4 at the two ends of the figure only.
  EXPECT_NEAR(CoveredArea(*Polyline({{20, 50}, {60, 50}}), pen), 136, 1.0);
  // Inner dash ends take their own cap, not the one of inner dash starts.
  pen.caps[0].kind = pen.caps[1].kind = pen.caps[2].kind = 0;
  pen.caps[3].kind = 1;
  EXPECT_NEAR(CoveredArea(*Polyline({{20, 50}, {60, 50}}), pen), 136, 1.5);
}

TEST(StrokeStage, ThinAndFillKindsAreNeverStroked) {
  RefPtr<VectorPath> path = Polyline({{1, 1}, {9, 1}, {9, 7}});
  PenStyle pen = Pen(4);
  const double dashes[] = {1, 1};
  pen.SetDash(dashes, 2, 0);
  PathReader reader(*path);
  const std::vector<PathSegmentRecord> plain = ReadStage(reader);
  for (int kind : {keStrokeFill, keStrokeThin}) {
    const std::vector<PathSegmentRecord> got = ReadStage(*Stroke(*path, pen, kind));
    ASSERT_EQ(got.size(), plain.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].end.x, plain[i].end.x);
  }
}

TEST(StrokeStage, DegeneratePolylinesYieldNoOutline) {
  EXPECT_TRUE(ReadStage(*Stroke(*Polyline({{5, 5}}), Pen(4))).empty());
  EXPECT_TRUE(ReadStage(*Stroke(*Polyline({{5, 5}, {5, 5}}), Pen(4))).empty());
}

TEST(StrokeStage, AliasedWidthIsAtLeastOnePixel) {
  double lowest = 0, highest = 0;
  for (const PathSegmentRecord& r : ReadStage(*Stroke(*Polyline({{0, 10}, {20, 10}}), Pen(0.25), 1, 1))) {
    if (r.kind == keRecordClose) continue;
    lowest = std::min(lowest == 0 ? r.end.y : lowest, r.end.y);
    highest = std::max(highest, r.end.y);
  }
  EXPECT_NEAR(highest - lowest, 1.0, 1e-9);
}

// Every cap kind and join gives an outline that covers at least the bare segment and stays near it.
TEST(StrokeStage, EveryCapAndJoinDrawsABoundedOutline) {
  RefPtr<VectorPath> path = Polyline({{60, 60}, {100, 60}, {100, 100}});
  const double bare = CoveredArea(*path, Pen(4, 0, keJoinBevel));
  for (int join : {keJoinMiter, keJoinRound, keJoinBevel}) {
    for (int cap = 0; cap <= 15; ++cap) {
      PenStyle pen = Pen(4, cap, join);
      pen.caps[0].length = 1.5;
      const double area = CoveredArea(*path, pen);
      EXPECT_GE(area, bare - 0.5) << join << " " << cap;
      EXPECT_LT(area, bare + 120) << join << " " << cap;
    }
  }
}

TEST(StrokeStage, ClosedSquareStrokesARing) {
  RefPtr<VectorPath> square = Polyline({{20, 20}, {60, 20}, {60, 60}, {20, 60}}, true);
  // 44^2 - 36^2, less what the rasteriser's sampling takes off the vertical sides of a width
  // shrunk by a hair.
  const double area = CoveredArea(*square, Pen(4));
  EXPECT_GT(area, 625);
  EXPECT_LT(area, 641);
}

// Hostile values end in nothing drawn or in what the rasteriser's limits let through: never a
// crash or a hang.
TEST(StrokeStage, HostileInputIsRefusedOrDrawnAsNothing) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const double huge = 1073741824.0;
  const std::vector<std::vector<PathPoint>> paths = {{{nan, 0}, {10, 10}},
                                                     {{0, 0}, {inf, 5}},
                                                     {{-inf, 0}, {inf, 0}, {5, nan}},
                                                     {{0, 5}, {huge, 5}},
                                                     {{-huge, -huge}, {huge, huge}, {0, 3}}};
  const double dashes[] = {3, 2};
  for (const std::vector<PathPoint>& points : paths) {
    for (double width : {0.0, 2.0, nan, inf, -1.0, huge}) {
      // A dashed path 2^30 long is cut short after many thousand dashes: too slow for a test.
      for (bool dashed : {false, points[0].x > -1e6 && points[1].x < 1e6}) {
        PenStyle pen = Pen(width, 2, keJoinRound);
        if (dashed) pen.SetDash(dashes, 2, 0);
        RefPtr<VectorPath> path = Polyline(points);
        const double area = CoveredArea(*path, pen);
        EXPECT_TRUE(std::isfinite(area)) << width;
      }
    }
  }
  RefPtr<VectorPath> empty = RefPtr<VectorPath>::Adopt(CreateVectorPath());
  EXPECT_LE(CoveredArea(*empty, Pen(2)), 0);
  EXPECT_EQ(CoveredArea(*Polyline({{0, 0}, {50, 50}}), Pen(0)), 0);
}

TEST(StrokeStage, ThinStrokeNeedsAPlainAliasedPen) {
  RenderSettings aliased;
  aliased.antiAliasLevel = 1;
  Matrix3 scaled = kIdentityMatrix3;
  Matrix3Scale(&scaled, 2, 2);
  EXPECT_TRUE(IsThinStroke(Pen(1), aliased, nullptr));
  EXPECT_FALSE(IsThinStroke(Pen(1), RenderSettings(), nullptr));
  EXPECT_FALSE(IsThinStroke(Pen(1.5), aliased, nullptr));
  EXPECT_FALSE(IsThinStroke(Pen(1, 3), aliased, nullptr));
  EXPECT_FALSE(IsThinStroke(Pen(1), aliased, &scaled));
  PenStyle any = Pen(1);
  any.thinInAnyMatrix = true;
  EXPECT_TRUE(IsThinStroke(any, aliased, &scaled));
}

}  // namespace
}  // namespace corvel
