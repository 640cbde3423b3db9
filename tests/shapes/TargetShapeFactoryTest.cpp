#include "shapes/TargetShapeFactory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "tests/shapes/ShapeFixture.h"

namespace shapes_test {
namespace {

using namespace resources;
using shapes::CreateTargetShape;
using shapes::kKeepCentre;

class FactoryTest : public ShapeTest {
 protected:
  void SetUp() override {
    ShapeTest::SetUp();
    command->GetParameters().GetParameter(kTilingMethod)->SetInt(0);
  }
};

bool SamePoints(const shapes::TargetShape& a, const shapes::TargetShape& b) {
  const Point2D* p = const_cast<shapes::TargetShape&>(a).GetPoints();
  const Point2D* q = const_cast<shapes::TargetShape&>(b).GetPoints();
  for (int i = 0; i < shapes::kShapePointCount; ++i)
    if (p[i] != q[i]) return false;
  return true;
}

TEST_F(FactoryTest, BuildsTheShapeFromTheParametersAndWritesItsFittedPlacementBack) {
  SetCorners(0.25f, 0.3f, 0.5f, 0.3f, 0.3f, 0.7f);
  std::unique_ptr<shapes::TargetShape> shape = CreateTargetShape(view, kKeepCentre);
  ASSERT_TRUE(shape);
  EXPECT_NE(dynamic_cast<shapes::P1Shape*>(shape.get()), nullptr);
  const Point2D* p = shape->GetPoints();
  EXPECT_FALSE(p[12] != Point2D(100, 90));
  EXPECT_EQ(p[13].y, 90) << "edge A level";
  for (int i : {13, 14, 15})
    EXPECT_TRUE(p[i].x == std::round(p[i].x) && p[i].y == std::round(p[i].y))
        << "whole pixels after the snap";
  EXPECT_FLOAT_EQ(Float(kPointCenterX), static_cast<float>(p[4].x / kWidth));
  EXPECT_FLOAT_EQ(Float(kPoint1X), static_cast<float>(p[15].x / kWidth)) << "parameters and shape agree";

  SetCorners(0.25f, 0.3f, 0.5f, 0.3f, 0.25f, 0.7f);
  const std::unique_ptr<shapes::TargetShape> moved = CreateTargetShape(view, Point2D(250, 160));
  EXPECT_FALSE(moved->GetPoints()[4] != Point2D(250, 160));
  EXPECT_FLOAT_EQ(Float(kPointCenterX), 250.0f / kWidth);
}

TEST_F(FactoryTest, MethodsPastTheGroupsGiveTheP1Shape) {
  command->GetParameters().GetParameter(kTilingMethod)->SetInt(17);
  EXPECT_NE(dynamic_cast<shapes::P1Shape*>(CreateTargetShape(view, kKeepCentre).get()), nullptr);
}

TEST_F(FactoryTest, OutOfRangeOrDegenerateParametersAreFittedBackNeverNotANumber) {
  SetCorners(0.25f, 0.3f, 1.0f, 0.3f, 0.3f, 0.7f);
  const auto atEdge = CreateTargetShape(view, kKeepCentre);
  SetCorners(0.25f, 0.3f, 1.7f, 0.3f, 0.3f, 0.7f);
  const auto beyond = CreateTargetShape(view, kKeepCentre);
  EXPECT_TRUE(SamePoints(*atEdge, *beyond)) << "1.7 counts as the right edge";
  EXPECT_TRUE(beyond->IsUsable());

  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float cases[][6] = {{0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f},
                            {0.2f, 0.2f, 0.8f, 0.2f, 0.9f, 0.2f},
                            {nan, nan, nan, nan, nan, nan}};
  for (const auto& c : cases) {
    SetCorners(c[0], c[1], c[2], c[3], c[4], c[5]);
    SetFloat(kSpline1, nan);
    const auto shape = CreateTargetShape(view, kKeepCentre);
    for (int i = 0; i < shapes::kShapePointCount; ++i) {
      EXPECT_TRUE(std::isfinite(shape->GetPoints()[i].x) && std::isfinite(shape->GetPoints()[i].y)) << i;
    }
    EXPECT_TRUE(shape->IsUsable()) << c[0];
    EXPECT_FLOAT_EQ(Float(kPoint3X), 0.4f) << "the default cell";
    EXPECT_FLOAT_EQ(Float(kPoint1Y), 0.6f);
    EXPECT_TRUE(std::isfinite(Float(kSpline1)));
  }
}

TEST_F(FactoryTest, NoCommandNoShape) {
  shapes::UiContextRun none(nullptr, nullptr, nullptr);
  EXPECT_EQ(CreateTargetShape(view, kKeepCentre), nullptr);
}

// A picture that repeats over the lattice of corners 12, 13 and 15 of the shape.
void MakePeriodicPicture(corvel::CRowIteratorBands& image, const shapes::TargetShape& shape) {
  const Point2D* p = const_cast<shapes::TargetShape&>(shape).GetPoints();
  const Point2D a = p[13] - p[12], b = p[15] - p[12];
  ASSERT_EQ(image.CreateBGR(ShapeTest::kWidth, ShapeTest::kHeight).GetCode(), corvel::keErrorNone);
  constexpr double kTurn = 6.283185307179586;
  for (int y = 0; y < ShapeTest::kHeight; ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int x = 0; x < ShapeTest::kWidth; ++x) {
      const Point2D uv = shapes::TargetShape::ImageToLattice(a, b, Point2D(x, y) - p[12]);
      row[3 * x] = static_cast<BYTE>(128 + 60 * std::sin(kTurn * uv.x) + 60 * std::cos(kTurn * uv.y));
      row[3 * x + 1] = static_cast<BYTE>(128 + 100 * std::sin(kTurn * (uv.x + uv.y)));
      row[3 * x + 2] = 90;
    }
    image.UnlockRow(y);
  }
}

// The largest step between neighbouring pixels of the rendered picture.
int LargestStep(corvel::CRowIteratorBands& image) {
  int largest = 0;
  const int width = image.Width(), height = image.Height();
  std::vector<BYTE> above(width * 3);
  for (int y = 0; y < height; ++y) {
    const BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int i = 0; i < width * 3; ++i) {
      if (i >= 3) largest = std::max(largest, std::abs(row[i] - row[i - 3]));
      if (y > 0) largest = std::max(largest, std::abs(row[i] - above[i]));
      above[i] = row[i];
    }
    image.UnlockRow(y);
  }
  return largest;
}

int RenderStep(app::TilingCommand& command) {
  corvel::CRowIteratorBands output;
  EXPECT_EQ(output.CreateBGR(ShapeTest::kWidth, ShapeTest::kHeight).GetCode(), corvel::keErrorNone);
  framework::RenderJob job;
  job.source = &command.GetSourceImage();
  job.output = &output;
  EXPECT_EQ(command.RunTiling(job), 0);
  corvel::CRowIteratorBands result;
  EXPECT_TRUE(command.GetResultImage(result));
  return LargestStep(result);
}

TEST_F(FactoryTest, TheWrittenPointsRenderASeamlessTile) {
  command->GetParameters().GetParameter(kFeathering)->SetInt(0);
  command->GetParameters().GetParameter(kTileSize)->SetInt(100);
  SetCorners(0.3f, 0.3f, 0.55f, 0.3f, 0.35f, 0.7f);
  const std::unique_ptr<shapes::TargetShape> shape = CreateTargetShape(view, kKeepCentre);
  MakePeriodicPicture(command->GetSourceImage(), *shape);
  const int smooth = LargestStep(command->GetSourceImage());
  EXPECT_LE(RenderStep(*command), smooth + 6) << "no seam beyond the picture's own steps";

  // A cell a few pixels off the picture's period shows its seams.
  SetFloat(kPoint2X, Float(kPoint2X) + 9.0f / kWidth);
  EXPECT_GT(RenderStep(*command), smooth + 20);
}

}  // namespace
}  // namespace shapes_test
