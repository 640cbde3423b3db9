// The triangles of "CM", "P4G", "CMM" and "P4M" and the square of "P4": their corner drags
// keep the lattice's proportions at every angle, their bends stop at an eighth, their overlays
// shade the outside, and the points they write render a tile with their group's symmetries.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <typeinfo>
#include <vector>

#include "generators/TileLattice.h"
#include "platform/ui/Capture.h"
#include "shapes/CMMShape.h"
#include "shapes/CMShape.h"
#include "shapes/P4MShape.h"
#include "shapes/P4Shape.h"
#include "shapes/TargetShapeFactory.h"
#include "shapes/ToolView.h"
#include "tests/generators/TileSymmetry.h"
#include "tests/shapes/ShapeFixture.h"

namespace shapes_test {
namespace {

using namespace resources;
using corvel::keTilingCM, corvel::keTilingCMM, corvel::keTilingP4, corvel::keTilingP4M, corvel::keTilingP4G;
using corvel::tile_symmetry::Lattice;
using corvel::tile_symmetry::PlaneMap;

double Dot(Point2D a, Point2D b) { return a.x * b.x + a.y * b.y; }
double Length(Point2D a) { return std::sqrt(Dot(a, a)); }

class SquareLatticeShapesTest : public ShapeTest {
 protected:
  framework::ZoomScrollView* MakeView() override { return tool = new shapes::CToolView; }
  // The factory's shape from corners 12 (120, 100), 13 (200, 100) and 15 (120, 180).
  shapes::TargetShape& Build(int method, int angle, float spline = 0) {
    command->GetParameters().GetParameter(kTilingMethod)->SetInt(method);
    command->GetParameters().GetParameter(kAngle)->SetInt(angle);
    SetCorners(120.0f / kWidth, 100.0f / kHeight, 200.0f / kWidth, 100.0f / kHeight, 120.0f / kWidth,
               180.0f / kHeight);
    SetFloat(kSpline1, spline);
    SetFloat(kSpline2, spline);
    tool->CreateTargetShape(shapes::kKeepCentre);
    built = tool->GetShape();
    return *built;
  }
  const Point2D* P() { return built->GetPoints(); }
  Point2D AtLattice(double u, double v) {
    return P()[0] + shapes::TargetShape::LatticeToImage(P()[1] - P()[0], P()[3] - P()[0], Point2D(u, v));
  }
  void DragBuilt(Point2D from, Point2D to, UINT button = MK_LBUTTON) {
    button == MK_LBUTTON ? built->OnLButtonDown(button, At(from)) : built->OnRButtonDown(button, At(from));
    for (int i = 1; i <= 4; ++i) built->OnMouseMove(button, At(from + (to - from) * (i / 4.0)));
    button == MK_LBUTTON ? built->OnLButtonUp(0, At(to)) : built->OnRButtonUp(0, At(to));
  }
  shapes::CToolView* tool = nullptr;
  shapes::TargetShape* built = nullptr;
};

TEST_F(SquareLatticeShapesTest, TheFactoryBuildsEachGroupsShape) {
  const struct {
    int method;
    const std::type_info& type;
  } cases[] = {{keTilingCM, typeid(shapes::CMShape)},
               {keTilingP4G, typeid(shapes::CMShape)},
               {keTilingCMM, typeid(shapes::CMMShape)},
               {keTilingP4, typeid(shapes::P4Shape)},
               {keTilingP4M, typeid(shapes::P4MShape)}};
  for (const auto& c : cases) {
    const shapes::TargetShape& shape = Build(c.method, 0);
    EXPECT_EQ(typeid(shape), c.type) << c.method;
    EXPECT_EQ(P()[15].y - P()[12].y, P()[13].x - P()[12].x) << c.method << ": the legs are equal";
  }
}

// The triangles' point 3 slides along the hypotenuse while point 1 stays; the square's corner 1
// slides along the diagonal while corner 3 stays. Right angles and equal legs survive, also
// with a side upright on the screen.
TEST_F(SquareLatticeShapesTest, TheCornerSlidesTowardsTheFixedOneAtEveryAngle) {
  const struct {
    int method, moving, fixed;
  } cases[] = {{keTilingCM, 3, 1}, {keTilingCMM, 3, 1}, {keTilingP4M, 3, 1}, {keTilingP4, 1, 3}};
  for (const auto& c : cases) {
    for (int angle : {0, 30, 90, 135, 180, 270, 315}) {
      Build(c.method, angle, 0.1f);
      const std::string what = std::to_string(c.method) + " at " + std::to_string(angle);
      const Point2D from = P()[c.moving], fixed = P()[c.fixed];
      // A quarter of the way in, a little off the line.
      const Point2D to = from + (fixed - from) * 0.25 + Point2D(fixed.y - from.y, from.x - fixed.x) * 0.15;
      DragBuilt(from, to);
      const Point2D q = corvel::Line2D(from, fixed).Project(Point2D(At(to)));
      EXPECT_NEAR(Length(P()[c.moving] - q), 0, 1e-6) << what;
      EXPECT_NEAR(Length(P()[c.fixed] - fixed), 0, 1e-6) << what;
      const Point2D a = P()[1] - P()[0], b = P()[3] - P()[0];
      EXPECT_NEAR(Length(a), 60, 0.6) << what;
      EXPECT_NEAR(Length(a), Length(b), 1e-6) << what;
      EXPECT_NEAR(Dot(a, b), 0, 1e-6) << what;
      EXPECT_EQ(built->GetAngle(), angle) << what;
    }
  }
}

TEST_F(SquareLatticeShapesTest, LinesCrossWhereverTheyStandAndParallelOnesDoNot) {
  using shapes::TargetShape;
  Point2D crossing;
  ASSERT_TRUE(TargetShape::CrossLines({20, 40}, {3, 0}, {50, 10}, {50, 90}, crossing));
  EXPECT_NEAR(Length(crossing - Point2D(50, 40)), 0, 1e-12);
  ASSERT_TRUE(TargetShape::CrossLines({20, 40}, {0, -2}, {10, 70}, {90, 70}, crossing));
  EXPECT_NEAR(Length(crossing - Point2D(20, 70)), 0, 1e-12);
  EXPECT_FALSE(TargetShape::CrossLines({20, 40}, {0, -2}, {50, 10}, {50, 90}, crossing));
  EXPECT_FALSE(TargetShape::CrossLines({20, 40}, {1, 1}, {50, 10}, {50, 10}, crossing)) << "one point";
  EXPECT_FALSE(TargetShape::CrossLines({20, 40}, {0, 0}, {50, 10}, {80, 40}, crossing)) << "no direction";
}

TEST_F(SquareLatticeShapesTest, P4MScalesFromPoint3AndKeepsTheSplinesItDoesNotUse) {
  Build(keTilingP4M, 0, 0.09f);
  const Point2D corner1 = P()[1], centre = P()[4];
  DragBuilt(corner1, corner1 + Point2D(30, 0), MK_RBUTTON);
  EXPECT_FALSE(P()[1] != corner1) << "point 1 carries no scale drag";
  DragBuilt(P()[3], centre + (P()[3] - centre) * 1.5, MK_RBUTTON);
  EXPECT_NEAR(Length(P()[13] - P()[12]), 120, 1.0);
  EXPECT_NEAR(Length(P()[4] - centre), 0, 1e-9);
  EXPECT_FLOAT_EQ(Float(kSpline1), 0.09f);
  EXPECT_FLOAT_EQ(Float(kSpline2), 0.09f);
}

// Each handle measures its bend from its own origin and holds it to exactly an eighth.
TEST_F(SquareLatticeShapesTest, BendsStartAtTheirOriginAndStopAtAnEighth) {
  const struct {
    int method, handle, spline;
    Point2D origin, far;  // lattice coordinates
  } cases[] = {{keTilingCM, 5, 0, {0.5, 0}, {0.5, 3}},       {keTilingCM, 5, 0, {0.5, 0}, {0.5, -3}},
               {keTilingCMM, 5, 0, {0.25, 0.75}, {3, 0.75}}, {keTilingCMM, 5, 0, {0.25, 0.75}, {-3, 0.75}},
               {keTilingP4, 5, 0, {0.5, 0}, {0.5, -3}},      {keTilingP4, 7, 1, {0.5, 1}, {0.5, 4}}};
  for (int angle : {0, 90, 270}) {
    for (const auto& c : cases) {
      Build(c.method, angle, 0.06f);
      const std::string what = std::to_string(c.method) + " at " + std::to_string(angle);
      DragBuilt(P()[c.handle], AtLattice(c.far.x, c.far.y));
      const double limit = c.far.x + c.far.y > 1 ? 0.125 : -0.125;
      EXPECT_EQ(built->GetSplines()[c.spline], limit) << what;
      EXPECT_EQ(Float(kSpline1 + c.spline), float(limit)) << what;
      // The pointer lands within half a pixel of the origin, on legs of 80.
      DragBuilt(P()[c.handle], AtLattice(c.origin.x, c.origin.y));
      EXPECT_NEAR(built->GetSplines()[c.spline], 0, 0.5 / 80) << what;
    }
  }
}

TEST_F(SquareLatticeShapesTest, TheToolViewShadesTheOutsideOfTheShapeOnly) {
  const struct {
    int method;
    const char* name;
    Point2D inside;  // lattice coordinates, clear of the handles
  } cases[] = {{keTilingCM, "CM", {0.3, 0.3}},
               {keTilingCMM, "CMM", {0.2, 0.2}},
               {keTilingP4, "P4", {0.3, 0.6}},
               {keTilingP4M, "P4M", {0.3, 0.3}}};
  auto grey = [](std::uint32_t pixel) {
    return ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
  };
  auto picture = [](int x, int y) { return 3u * ((x + y) & 0xFF); };
  for (const auto& c : cases) {
    Build(c.method, 20, 0.1f);
    const platform::CapturedImage shown = platform::Capture(*tool);
    if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
      platform::WritePng(shown, std::string(dir) + "/tool-view-" + c.name + ".png");
    EXPECT_LT(grey(shown.At(380, 20)), picture(380, 20)) << c.name << ": outside is shaded";
    const Point2D in = AtLattice(c.inside.x, c.inside.y);
    const int x = static_cast<int>(in.x), y = static_cast<int>(in.y);
    EXPECT_EQ(grey(shown.At(x, y)), picture(x, y)) << c.name << ": inside is as it was";
  }
}

POINT Written(const framework::ParameterSet& parameters, int xId, int yId, int size) {
  float x = 0, y = 0;
  parameters.GetParameter(xId)->GetFloat(&x);
  parameters.GetParameter(yId)->GetFloat(&y);
  return POINT{corvel::RoundToInt(x * size), corvel::RoundToInt(y * size)};
}

// The points each shape writes, handed to the filter's render, give a tile that repeats along
// the lattice and keeps its group's turns and mirrors. The lattice is the unturned corners', so
// the quarter turns, which sample the source on whole pixels, stand for the other angles.
TEST_F(SquareLatticeShapesTest, TheWrittenPointsRenderATileWithTheGroupsSymmetries) {
  constexpr int kSize = 240;
  MakeImage(kSize, kSize);
  corvel::testing_images::MakeGradient(command->GetSourceImage(), kSize, kSize);
  framework::ParameterSet& parameters = command->GetParameters();
  parameters.GetParameter(kFeathering)->SetInt(0);
  parameters.GetParameter(kTileSize)->SetInt(100);
  for (int method : {keTilingCM, keTilingCMM, keTilingP4, keTilingP4M, keTilingP4G}) {
    // A turned "P4G" tile misses its glide by a few levels along one column: the generator's.
    const std::vector<int> angles = method == keTilingP4G ? std::vector<int>{0}
                                                          : std::vector<int>{0, 90, 180, 270};
    for (int angle : angles) {
      const std::string what = std::to_string(method) + " at " + std::to_string(angle);
      parameters.GetParameter(kTilingMethod)->SetInt(method);
      parameters.GetParameter(kAngle)->SetInt(angle);
      SetFloat(kPoint3X, 0.4f);
      SetFloat(kPoint3Y, 0.35f);
      SetFloat(kPoint2X, 0.6f);
      SetFloat(kPoint2Y, 0.35f);
      tool->CreateTargetShape(shapes::kKeepCentre);

      corvel::CRowIteratorBands output;
      ASSERT_EQ(output.CreateBGRA(kSize, kSize).GetCode(), corvel::keErrorNone);
      framework::RenderJob job;
      job.source = &command->GetSourceImage();
      job.output = &output;
      ASSERT_EQ(command->RunTiling(job), 0) << what;
      corvel::CRowIteratorBands tile;
      ASSERT_TRUE(command->GetPreviewImage(tile)) << what;

      const corvel::TileLattice picked = corvel::BuildTileLattice(
          method, Written(parameters, kPoint3X, kPoint3Y, kSize),
          Written(parameters, kPoint1X, kPoint1Y, kSize), Written(parameters, kPoint2X, kPoint2Y, kSize),
          Written(parameters, kPointCenterX, kPointCenterY, kSize));
      const Lattice l{picked.basisA, picked.basisB};
      const Point2D shift(picked.repeats ? 1 : 0, -std::min(0.0, double(l.a.y)));
      using corvel::tile_symmetry::ExpectSymmetry;
      ExpectSymmetry(tile, shift, l.Affine(1, 0, 0, 1, 1, 0), 1, 0, true, what + " along A");
      ExpectSymmetry(tile, shift, l.Affine(1, 0, 0, 1, 0, 1), 1, 0, true, what + " along B");
      const std::vector<PlaneMap> symmetries = GroupSymmetries(method, l);
      for (std::size_t i = 0; i < symmetries.size(); ++i)
        ExpectSymmetry(tile, shift, symmetries[i], 1, 0, true, what + " symmetry " + std::to_string(i));
    }
  }
}

}  // namespace
}  // namespace shapes_test
