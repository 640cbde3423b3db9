#include "vector/detail/Coverage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/vector/CoverageGrid.h"
#include "vector/VectorPath.h"
#include "vector/detail/AntiAlias.h"
#include "vector/detail/PathReader.h"

namespace corvel {
namespace {

constexpr double kPi = 3.14159265358979;

struct Mode {
  int factor;
  int quality;
};
const Mode kModes[] = {{1, keQualityBox},        {4, keQualityConeTable},   {8, keQualityBox},
                       {8, keQualityConeKernel}, {8, keQualityGaussKernel}, {4, keQualityBox}};

RefPtr<VectorPath> Polygon(const std::vector<PathPoint>& points) {
  RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateVectorPath());
  path->MoveTo(points[0], nullptr);
  for (std::size_t i = 1; i < points.size(); ++i) path->LineTo(points[i], nullptr);
  path->Close(nullptr);
  return path;
}

RefPtr<VectorPath> Circle(double cx, double cy, double r) {
  RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateVectorPath());
  path->MoveTo({cx - r, cy}, nullptr);
  path->ArcTo({r, r}, 0, 0, 1, {cx + r, cy}, nullptr);
  path->ArcTo({r, r}, 0, 0, 1, {cx - r, cy}, nullptr);
  path->Close(nullptr);
  return path;
}

CoverageGrid Draw(const VectorPath& path, Mode mode, int fillRule = keFillNonZero, const RECT* clip = nullptr,
                  int size = 200, const Matrix3* matrix = nullptr) {
  RenderSettings settings;
  settings.antiAliasLevel = mode.factor;
  settings.fillRule = fillRule;
  PathReader reader(path);
  CoverageGrid grid(size, size);
  RefPtr<RegionBase> region = RefPtr<RegionBase>::Adopt(
      CreatePathCoverage(reader, 0, &settings, clip, matrix, nullptr, true));
  if (region) region->Draw(grid, mode.quality);
  return grid;
}

TEST(RectRegion, EdgePixelsTakeTheirFractions) {
  struct Case {
    double rect[4];
    std::vector<std::vector<int>> rows;  // from (0, 0)
  };
  const Case cases[] = {
      {{0.5, 0.5, 2.5, 1.5}, {{64, 128, 64}, {64, 128, 64}}},
      {{0.25, 0.25, 0.75, 0.75}, {{64}}},  // inside one pixel: one pixel, not two
      {{1.0, 0.0, 2.0, 1.0}, {{0, 255}}},
      {{0.0, 0.5, 3.0, 0.75}, {{64, 64, 64}}},
      {{0.25, 0.25, 2.0, 2.0}, {{143, 191}, {191, 255}}},  // edges a quarter in from the left and top
  };
  for (const Case& c : cases) {
    RefPtr<RegionBase> region = RefPtr<RegionBase>::Adopt(
        CreateRectCoverage(c.rect, nullptr, nullptr, nullptr, true));
    ASSERT_TRUE(region);
    EXPECT_EQ(region->GetKind(), 1);
    CoverageGrid grid(4, 3);
    region->Draw(grid, keQualityBox);
    for (std::size_t y = 0; y < c.rows.size(); ++y) {
      for (std::size_t x = 0; x < c.rows[y].size(); ++x) {
        EXPECT_EQ(grid.At(int(x), int(y)), c.rows[y][x]) << c.rect[0] << " at " << x << "," << y;
      }
    }
    EXPECT_EQ(grid.Sum(), [&] {
      long s = 0;
      for (auto& r : c.rows)
        for (int v : r) s += v;
      return s;
    }());
  }
}

TEST(RectCoverage, RotationGoesThroughTheScanConverter) {
  const double rect[4] = {10, 10, 20, 20};
  Matrix3 turn = kIdentityMatrix3;
  Matrix3Rotate(&turn, 0.3);
  Matrix3 scale = kIdentityMatrix3;
  Matrix3Scale(&scale, 2, 3);
  RefPtr<RegionBase> turned = RefPtr<RegionBase>::Adopt(
      CreateRectCoverage(rect, nullptr, nullptr, &turn, true));
  RefPtr<RegionBase> scaled = RefPtr<RegionBase>::Adopt(
      CreateRectCoverage(rect, nullptr, nullptr, &scale, true));
  EXPECT_EQ(turned->GetKind(), 0);
  EXPECT_EQ(scaled->GetKind(), 1);
  EXPECT_EQ(scaled->GetBounds().right, 40);
  CoverageGrid grid(100, 100);
  turned->Draw(grid, keQualityBox);
  EXPECT_NEAR(grid.Sum() / 255.0, 100, 1);
}

TEST(Antialiasing, AFullPixelGives255InEveryMode) {
  RefPtr<VectorPath> square = Polygon({{10, 10}, {30, 10}, {30, 30}, {10, 30}});
  for (const Mode& mode : kModes) {
    const CoverageGrid grid = Draw(*square, mode);
    EXPECT_EQ(grid.At(20, 20), 255) << mode.factor << "/" << mode.quality;
    EXPECT_EQ(grid.Max(), 255) << mode.factor << "/" << mode.quality;
  }
  // A pixel on its own, box filtered, is exactly full and spills nowhere.
  const CoverageGrid pixel = Draw(*Polygon({{5, 5}, {6, 5}, {6, 6}, {5, 6}}), {8, keQualityBox});
  EXPECT_EQ(pixel.At(5, 5), 255);
  EXPECT_EQ(pixel.Sum(), 255);
}

TEST(Antialiasing, BoxFilterFillsAFullPixelAtEveryLevel) {
  RefPtr<VectorPath> square = Polygon({{10, 10}, {30, 10}, {30, 30}, {10, 30}});
  for (int level = 1; level <= 8; ++level) {
    const CoverageGrid grid = Draw(*square, {level, keQualityBox});
    EXPECT_EQ(grid.At(20, 20), 255) << level;
  }
}

TEST(Antialiasing, ACircleCoversItsArea) {
  RefPtr<VectorPath> circle = Circle(100.3, 99.6, 40);
  for (const Mode& mode : kModes) {
    if (mode.factor == 1) continue;  // aliased pixels include their edges
    const CoverageGrid grid = Draw(*circle, mode);
    EXPECT_NEAR(grid.Sum() / (kPi * 1600 * 255), 1.0, 0.005) << mode.factor << "/" << mode.quality;
    EXPECT_EQ(grid.At(100, 100), 255);
    EXPECT_EQ(grid.At(100, 50), 0);
  }
}

TEST(Coverage, EvenOddAndNonZeroDifferAtAPentagramsCentre) {
  std::vector<PathPoint> star;
  for (int i = 0; i < 5; ++i) {
    const double angle = -kPi / 2 + i * 4 * kPi / 5;
    star.push_back({50 + 40 * std::cos(angle), 50 + 40 * std::sin(angle)});
  }
  RefPtr<VectorPath> pentagram = Polygon(star);
  for (const Mode& mode : {Mode{1, keQualityBox}, Mode{8, keQualityBox}}) {
    EXPECT_EQ(Draw(*pentagram, mode, keFillNonZero).At(50, 50), 255);
    EXPECT_EQ(Draw(*pentagram, mode, keFillEvenOdd).At(50, 50), 0);
    EXPECT_EQ(Draw(*pentagram, mode, keFillEvenOdd).At(50, 16), 255);  // inside a point
  }
}

TEST(Coverage, ClippedShapesFillUpToTheClipUnderBothRules) {
  RefPtr<VectorPath> square = Polygon({{10, 10}, {60, 10}, {60, 60}, {10, 60}});
  const RECT clip{20, 20, 40, 40};
  for (int rule : {keFillNonZero, keFillEvenOdd}) {
    const CoverageGrid grid = Draw(*square, {8, keQualityBox}, rule, &clip);
    EXPECT_EQ(grid.At(20, 30), 255);
    EXPECT_EQ(grid.At(39, 30), 255);
    EXPECT_EQ(grid.At(30, 20), 255);
  }
}

TEST(Coverage, ManyCrossingsGiveTheSameSpansInDenseAndListedRows) {
  // Teeth give each row 24 crossings; a speck far above makes the table too big for dense rows.
  std::vector<PathPoint> comb = {{2, 2}};
  for (int i = 0; i < 12; ++i) {
    comb.push_back({3.0 + i * 4, 30});
    comb.push_back({5.0 + i * 4, 30});
    comb.push_back({5.5 + i * 4, 2});
  }
  RefPtr<VectorPath> small = Polygon(comb);
  RefPtr<VectorPath> large = Polygon(comb);
  large->MoveTo({190, -160}, nullptr);
  large->LineTo({191, -160}, nullptr);
  large->LineTo({190, -159}, nullptr);
  large->Close(nullptr);
  const CoverageGrid a = Draw(*small, {8, keQualityBox});
  CoverageGrid b = Draw(*large, {8, keQualityBox});
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 60; ++x) ASSERT_EQ(a.At(x, y), b.At(x, y)) << x << "," << y;
  }
}

TEST(Coverage, HugeAndBrokenPathsCostNoMoreThanTheClip) {
  RefPtr<VectorPath> wide = Polygon({{-1e9, 10}, {1e9, 10}, {1e9, 20}, {-1e9, 20}});
  const RECT clip{0, 0, 50, 50};
  const CoverageGrid grid = Draw(*wide, {8, keQualityBox}, keFillNonZero, &clip);
  EXPECT_EQ(grid.At(25, 15), 255);
  EXPECT_EQ(grid.At(25, 25), 0);
  RefPtr<VectorPath> broken = Polygon({{10, 10}, {NAN, 10}, {20, 20}});
  EXPECT_EQ(Draw(*broken, {8, keQualityBox}).Sum(), 0);
}

TEST(Coverage, OutlineModeMarksALineThatFillingDrops) {
  RefPtr<VectorPath> line = RefPtr<VectorPath>::Adopt(CreateVectorPath());
  line->MoveTo({5, 5}, nullptr);
  line->LineTo({15, 5}, nullptr);
  PathReader reader(*line);
  RenderSettings settings;
  settings.antiAliasLevel = 1;
  EXPECT_EQ(CreatePathCoverage(reader, 0, &settings, nullptr, nullptr, nullptr, true), nullptr);
  RECT bounds;
  RefPtr<RegionBase> outline = RefPtr<RegionBase>::Adopt(
      CreatePathCoverage(reader, keRenderOutline, &settings, nullptr, nullptr, &bounds, true));
  ASSERT_TRUE(outline);
  CoverageGrid grid(30, 30);
  outline->Draw(grid, keQualityBox);
  EXPECT_EQ(grid.At(5, 5), 255);
  EXPECT_EQ(grid.At(15, 5), 255);
  EXPECT_EQ(grid.Sum(), 11 * 255);
}

TEST(SpanRegion, StoresWhatWasDrawnAndMoves) {
  RefPtr<VectorPath> circle = Circle(20, 20, 10);
  PathReader reader(*circle);
  RefPtr<RegionBase> region = RefPtr<RegionBase>::Adopt(
      CreatePathCoverage(reader, 0, nullptr, nullptr, nullptr, nullptr, true));
  CoverageGrid direct(60, 60), stored(60, 60), moved(60, 60);
  region->Draw(direct, keQualityBox);
  RefPtr<RegionBase> spans = RefPtr<RegionBase>::Adopt(region->ToSpanRegion(keQualityBox));
  ASSERT_TRUE(spans);
  spans->Draw(stored, 0);
  EXPECT_TRUE(direct == stored);
  EXPECT_TRUE(spans->HitTest(20, 20));
  EXPECT_FALSE(spans->HitTest(20, 40));
  spans->Offset(5, 7);
  EXPECT_EQ(spans->GetBounds().left, region->GetBounds().left + 5);
  spans->Draw(moved, 0);
  EXPECT_EQ(moved.At(25, 27), direct.At(20, 20));
  EXPECT_EQ(moved.Sum(), direct.Sum());
}

TEST(FilterKernel, IsComputedOnceAndSumsToFull) {
  const auto first = GetFilterKernel(keQualityGaussKernel, 6);
  const int builds = FilterKernelBuildCount();
  const auto again = GetFilterKernel(keQualityGaussKernel, 6);
  EXPECT_EQ(FilterKernelBuildCount(), builds);
  EXPECT_EQ(first.get(), again.get());
  GetFilterKernel(keQualityConeKernel, 6);
  long sum = 0;
  for (std::uint16_t w : *first) sum += w;  // still ours after the cache moved on
  EXPECT_EQ(sum, 65535);
}

}  // namespace
}  // namespace corvel
