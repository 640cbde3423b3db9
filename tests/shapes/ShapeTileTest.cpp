// The shape editor and the generators agree: for every group the factory builds a shape of,
// the points the shape writes back, rendered by the filter, give one seamless period of the
// group's lattice with the group's symmetries, however the shape is turned and bent.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "generators/TileGroups.h"
#include "shapes/P1Shape.h"
#include "shapes/TargetShapeFactory.h"
#include "tests/generators/TileSymmetry.h"
#include "tests/shapes/ShapeFixture.h"

namespace shapes_test {
namespace {

using namespace resources;

// How many copies of its shape one period of each group's lattice holds, as the generators
// build the lattices.
constexpr int kCopiesPerPeriod[corvel::keTilingMethodCount] = {1, 2, 2, 2, 4, 4, 4, 2, 4,
                                                               4, 8, 8, 3, 6, 6, 6, 12};

// The area of the outline's corners, 0 1 2 3 or, where corner 2 lies on corner 0, 0 1 3; bends
// take from one side what they give to its partner.
double CornerArea(const Point2D* p) {
  const std::vector<Point2D> corners = p[2] != p[0] ? std::vector<Point2D>{p[0], p[1], p[2], p[3]}
                                                    : std::vector<Point2D>{p[0], p[1], p[3]};
  double twice = 0;
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const Point2D a = corners[i], b = corners[(i + 1) % corners.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return std::fabs(twice) / 2;
}

class ShapeTile : public ShapeTest, public testing::WithParamInterface<int> {
 protected:
  // A BGRA gradient of about a level a pixel on both axes, never wrapping.
  void MakeSource() {
    corvel::CRowIteratorBands& source = command->GetSourceImage();
    ASSERT_EQ(source.CreateBGRA(kWidth, kHeight).GetCode(), corvel::keErrorNone);
    for (int y = 0; y < kHeight; ++y) {
      BYTE* row = source.LockRowPointer(y, 0, -1);
      for (int x = 0; x < kWidth; ++x) {
        row[4 * x] = 7;
        row[4 * x + 1] = static_cast<BYTE>(y * 4 / 5);
        row[4 * x + 2] = static_cast<BYTE>(x * 3 / 5);
        row[4 * x + 3] = 255;
      }
      source.UnlockRow(y);
    }
  }
  // The shape's points as the render routine reads them from the parameters.
  corvel::TileShape Written(int method) {
    auto at = [&](int xId, int yId) {
      return POINT{corvel::RoundToInt(Float(xId) * kWidth), corvel::RoundToInt(Float(yId) * kHeight)};
    };
    corvel::TileShape shape;
    shape.method = method;
    shape.p0 = at(kPoint3X, kPoint3Y);
    shape.p1 = at(kPoint1X, kPoint1Y);
    shape.p2 = at(kPoint2X, kPoint2Y);
    shape.centre = at(kPointCenterX, kPointCenterY);
    return shape;
  }
};

TEST_P(ShapeTile, TheWrittenShapeRendersTheGroupsSeamlessTile) {
  const int method = GetParam();
  const std::string group = corvel::FindTileGroup(method)->name;
  MakeSource();
  command->GetParameters().GetParameter(kTilingMethod)->SetInt(method);
  command->GetParameters().GetParameter(kFeathering)->SetInt(0);
  command->GetParameters().GetParameter(kTileSize)->SetInt(100);
  for (int angle : {0, 30, 90, 270}) {
    const std::string what = group + " at " + std::to_string(angle);
    SetCorners(0.35f, 0.35f, 0.55f, 0.35f, 0.4f, 0.65f);
    SetFloat(kSpline1, 0.06f);
    SetFloat(kSpline2, -0.05f);
    SetFloat(kSpline3, 0.04f);
    command->GetParameters().GetParameter(kAngle)->SetInt(angle);
    const std::unique_ptr<shapes::TargetShape> shape = shapes::CreateTargetShape(view, shapes::kKeepCentre);
    ASSERT_TRUE(shape);
    EXPECT_EQ(dynamic_cast<shapes::P1Shape*>(shape.get()) != nullptr, method == corvel::keTilingP1) << what;

    corvel::CRowIteratorBands output;
    ASSERT_EQ(output.CreateBGR(kWidth, kHeight).GetCode(), corvel::keErrorNone);
    framework::RenderJob job;
    job.source = &command->GetSourceImage();
    job.output = &output;
    ASSERT_EQ(command->RunTiling(job), 0) << what;
    corvel::CRowIteratorBands& tile = command->GetTile();

    const corvel::TileShape written = Written(method);
    corvel::tile_symmetry::ExpectGroupSymmetries(tile, written, true, what);
    // The lattice is the shape's: a period is so many copies of it, to the pixels' rounding.
    const corvel::TileLattice picked = corvel::BuildTileLattice(method, written.p0, written.p1, written.p2,
                                                                written.centre);
    const double period = std::fabs(double(picked.basisA.x) * picked.basisB.y -
                                    double(picked.basisB.x) * picked.basisA.y);
    const int copies = kCopiesPerPeriod[method];
    EXPECT_NEAR(period / CornerArea(shape->GetPoints()), copies, 0.06 * copies) << what;
  }
}

INSTANTIATE_TEST_SUITE_P(AllGroups, ShapeTile, testing::Range(0, int(corvel::keTilingMethodCount)),
                         [](const testing::TestParamInfo<int>& info) {
                           return std::string(corvel::FindTileGroup(info.param)->name);
                         });

}  // namespace
}  // namespace shapes_test
