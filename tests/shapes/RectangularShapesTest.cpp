// The shapes of the groups whose cell is a rectangle or half of one: "P2", "PM", "PG", "PGG",
// "PMM" and "PMG", built by the factory, dragged at every angle, rendered and drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <typeinfo>

#include "core/Rounding.h"
#include "generators/Geometry.h"
#include "generators/TileGroups.h"
#include "platform/ui/Capture.h"
#include "shapes/P2Shape.h"
#include "shapes/PGShape.h"
#include "shapes/PMGShape.h"
#include "shapes/PMMShape.h"
#include "shapes/PMShape.h"
#include "shapes/TargetShapeFactory.h"
#include "shapes/ToolView.h"
#include "tests/generators/TileSymmetry.h"
#include "tests/generators/TileTestImages.h"
#include "tests/shapes/ShapeFixture.h"

namespace shapes_test {
namespace {

using namespace resources;
using corvel::keTilingP2;

const int kAngles[] = {0, 30, 90, 180, 270};

std::string GroupName(int method) { return corvel::FindTileGroup(method)->name; }

class RectangularShapesTest : public ShapeTest {
 protected:
  framework::ZoomScrollView* MakeView() override { return tool = new shapes::CToolView; }

  // The 80-pixel square at (90, 90) with the given angle and splines, as the factory builds it.
  shapes::TargetShape& Build(int method, int angle, double s1 = 0, double s2 = 0, double s3 = 0) {
    command->GetParameters().GetParameter(kTilingMethod)->SetInt(method);
    command->GetParameters().GetParameter(kAngle)->SetInt(angle);
    SetCorners(90.0f / kWidth, 90.0f / kHeight, 170.0f / kWidth, 90.0f / kHeight, 90.0f / kWidth,
               170.0f / kHeight);
    SetFloat(kSpline1, static_cast<float>(s1));
    SetFloat(kSpline2, static_cast<float>(s2));
    SetFloat(kSpline3, static_cast<float>(s3));
    tool->CreateTargetShape(shapes::kKeepCentre);
    return *tool->GetShape();
  }
  Point2D* P() { return tool->GetShape()->GetPoints(); }
  static int CornerHandle(int method) { return method == keTilingP2 ? 3 : 1; }
  // Hovers over `from`, then drags from there in steps.
  void DragShape(Point2D from, Point2D to, UINT button = MK_LBUTTON, int steps = 4) {
    shapes::TargetShape* shape = tool->GetShape();
    shape->OnMouseMove(0, At(from));
    button == MK_LBUTTON ? shape->OnLButtonDown(button, At(from)) : shape->OnRButtonDown(button, At(from));
    for (int i = 1; i <= steps; ++i) shape->OnMouseMove(button, At(from + (to - from) * (double(i) / steps)));
    button == MK_LBUTTON ? shape->OnLButtonUp(0, At(to)) : shape->OnRButtonUp(0, At(to));
  }

  // The tile the render routine makes from the parameters, checked against the group.
  void ExpectRenderedGroup(int method, const std::string& what) {
    command->GetParameters().GetParameter(kFeathering)->SetInt(0);
    command->GetParameters().GetParameter(kTileSize)->SetInt(100);
    corvel::testing_images::MakeGradient(command->GetSourceImage(), kWidth, kHeight);
    corvel::CRowIteratorBands output;
    ASSERT_EQ(output.CreateBGRA(kWidth, kHeight).GetCode(), corvel::keErrorNone);
    framework::RenderJob job;
    job.source = &command->GetSourceImage();
    job.output = &output;
    ASSERT_EQ(command->RunTiling(job), 0) << what;
    auto at = [&](int xId, int yId) {
      return POINT{corvel::RoundToInt(double{Float(xId)} * kWidth),
                   corvel::RoundToInt(double{Float(yId)} * kHeight)};
    };
    corvel::TileShape pick;
    pick.method = method;
    pick.p0 = at(kPoint3X, kPoint3Y);
    pick.p1 = at(kPoint1X, kPoint1Y);
    pick.p2 = at(kPoint2X, kPoint2Y);
    pick.centre = at(kPointCenterX, kPointCenterY);
    corvel::tile_symmetry::ExpectGroupSymmetries(command->GetTile(), pick, true, what);
  }

  // The cell the user sees is the cell written: the corners square (P2's one, the rectangles'
  // four), and the written lattice corners, turned by the written angle about the written centre,
  // on the corners shown.
  void ExpectCellAsShown(int method, const std::string& what) {
    const Point2D* p = P();
    for (int i = 0; i < (method == keTilingP2 ? 1 : 4); ++i) {
      const Point2D a = p[(i + 1) % 4] - p[i], b = p[(i + 3) % 4] - p[i];
      EXPECT_NEAR(a.x * b.x + a.y * b.y, 0, 1e-6 * (a.x * a.x + a.y * a.y)) << what << " corner " << i;
    }
    const double cx = double{Float(kPointCenterX)} * kWidth, cy = double{Float(kPointCenterY)} * kHeight;
    const struct {
      int xId, yId, corner;
    } written[] = {{kPoint3X, kPoint3Y, 0}, {kPoint2X, kPoint2Y, 1}, {kPoint1X, kPoint1Y, 3}};
    for (const auto& w : written) {
      Point2D shown(double{Float(w.xId)} * kWidth, double{Float(w.yId)} * kHeight);
      corvel::RotatePointDegrees(Int(kAngle), cx, cy, shown);
      EXPECT_NEAR(shown.x, p[w.corner].x, 0.01) << what << " corner " << w.corner << " written";
      EXPECT_NEAR(shown.y, p[w.corner].y, 0.01) << what << " corner " << w.corner << " written";
    }
  }

  shapes::CToolView* tool = nullptr;
};

TEST_F(RectangularShapesTest, TheFactoryBuildsEachGroupsShape) {
  const struct {
    int method;
    const std::type_info& type;
  } cases[] = {{1, typeid(shapes::P2Shape)},  {2, typeid(shapes::PMShape)},  {3, typeid(shapes::PGShape)},
               {4, typeid(shapes::PMMShape)}, {5, typeid(shapes::PMGShape)}, {6, typeid(shapes::PGShape)}};
  for (const auto& c : cases) EXPECT_EQ(typeid(Build(c.method, 0)), c.type) << c.method;
}

// Corner drags and right-button scales keep the legs square and the lattice corners level, and
// the rotation handle a third of edge A out, at every angle.
TEST_F(RectangularShapesTest, DragsKeepTheRightAnglesAtEveryAngle) {
  for (int method = 1; method <= 6; ++method) {
    for (int angle : kAngles) {
      const std::string what = GroupName(method) + " at " + std::to_string(angle);
      Build(method, angle);
      const int corner = CornerHandle(method);
      const Point2D fixed = P()[method == keTilingP2 ? 1 : 3];
      const Point2D start = P()[corner];
      tool->GetShape()->OnMouseMove(0, At(start));
      tool->GetShape()->OnLButtonDown(MK_LBUTTON, At(start));
      for (int step = 1; step <= 3; ++step) {
        const CPoint to = At(start + Point2D(7, -5) * step);
        tool->GetShape()->OnMouseMove(MK_LBUTTON, to);
        EXPECT_FALSE(P()[corner] != Point2D(to.x, to.y)) << what << " follows the pointer";
        EXPECT_FALSE(P()[method == keTilingP2 ? 1 : 3] != fixed) << what << " the opposite corner stays";
        const Point2D a = P()[1] - P()[0], b = P()[3] - P()[0];
        EXPECT_NEAR(a.x * b.x + a.y * b.y, 0, 1e-6 * (a.x * a.x + a.y * a.y)) << what << " right angle";
        EXPECT_EQ(P()[13].y, P()[12].y) << what;
        EXPECT_EQ(P()[15].x, P()[12].x) << what;
        const Point2D lattice = P()[13] - P()[12];
        EXPECT_NEAR(std::hypot(P()[11].x - P()[4].x, P()[11].y - P()[4].y),
                    std::fabs(std::trunc(lattice.x / 3)), 1e-6)
            << what << " rotation handle";
      }
      tool->GetShape()->OnLButtonUp(0, At(start));
      EXPECT_FLOAT_EQ(Float(kPoint2X), static_cast<float>(P()[13].x / kWidth)) << what << " written";
      ExpectCellAsShown(method, what + " dragged");

      const Point2D c = P()[4], from = P()[corner];
      const double before = std::hypot(P()[1].x - P()[0].x, P()[1].y - P()[0].y);
      DragShape(from, c + (from - c) * 1.25, MK_RBUTTON);
      const Point2D a = P()[1] - P()[0], b = P()[3] - P()[0];
      EXPECT_NEAR(a.x * b.x + a.y * b.y, 0, 1e-6 * (a.x * a.x + a.y * a.y)) << what << " scaled";
      EXPECT_NEAR(std::hypot(a.x, a.y), 1.25 * before, 1) << what << " scaled";
      ExpectCellAsShown(method, what + " scaled");
    }
  }
}

TEST_F(RectangularShapesTest, SplineHandlesStopAtExactlyAnEighthAndKeepTheirTrack) {
  // Which handle bends which spline, across edge A or B, and its lattice coordinate along the other.
  const struct {
    int method, handle, spline;
    bool alongA;
    double track;
  } cases[] = {{1, 5, 0, true, 0.75}, {1, 7, 1, true, 0.25}, {1, 9, 2, false, 0.25}, {2, 5, 0, true, 0.5},
               {3, 5, 0, false, 0.5}, {3, 7, 1, true, 0.5},  {5, 5, 0, false, 0.25}, {5, 7, 1, true, 0.5},
               {6, 5, 0, false, 0.5}, {6, 7, 1, true, 0.5}};
  const int splineIds[] = {kSpline1, kSpline2, kSpline3};
  for (const auto& c : cases) {
    for (int angle : {0, 90, 270}) {
      for (double sign : {1.0, -1.0}) {
        const std::string what = GroupName(c.method) + " handle " + std::to_string(c.handle) + " at " +
                                 std::to_string(angle);
        Build(c.method, angle);
        const Point2D a = P()[1] - P()[0], b = P()[3] - P()[0];
        const Point2D across = c.alongA ? a : b;
        const Point2D from = P()[c.handle];
        DragShape(from, from + across * (sign * 1.5));
        EXPECT_EQ(tool->GetShape()->GetSplines()[c.spline], sign * 0.125) << what;
        EXPECT_EQ(Float(splineIds[c.spline]), static_cast<float>(sign * 0.125)) << what;
        for (int other = 0; other < shapes::kSplineCount; ++other)
          if (other != c.spline) {
            EXPECT_EQ(tool->GetShape()->GetSplines()[other], 0) << what;
          }
        const Point2D uv = shapes::TargetShape::ImageToLattice(a, b, P()[c.handle] - P()[0]);
        EXPECT_NEAR(c.alongA ? uv.y : uv.x, c.track, 1e-9) << what;
      }
    }
  }
}

TEST_F(RectangularShapesTest, TheWrittenShapeRendersItsGroupsTile) {
  for (int method = 1; method <= 6; ++method) {
    for (int angle : {0, 30, 90, 270}) {
      const std::string what = GroupName(method) + " at " + std::to_string(angle);
      Build(method, angle, 0.06, -0.05, 0.04);
      const Point2D from = P()[CornerHandle(method)];
      DragShape(from, from + Point2D(9, -6));
      ExpectRenderedGroup(method, what);
    }
  }
}

TEST_F(RectangularShapesTest, CornerOneOfPMAndPMMFollowsOnlyWhileHovered) {
  for (int method : {2, 4, 3}) {
    Build(method, 0);
    const Point2D corner = P()[1];
    tool->GetShape()->OnMouseMove(0, At(corner));
    tool->GetShape()->OnLButtonDown(MK_LBUTTON, At(corner));
    tool->GetShape()->OnMouseMove(MK_LBUTTON, At(Point2D(399, 2)));  // unusable: refused
    tool->GetShape()->OnMouseMove(MK_LBUTTON, At(corner + Point2D(20, 0)));
    const bool followed = std::fabs(P()[1].x - (corner.x + 20)) < 0.5;
    EXPECT_EQ(followed, method == 3) << GroupName(method);
    tool->GetShape()->OnLButtonUp(0, At(corner));
  }
  // A press on corner 3 of "PM" holds it: nothing moves, and the release writes.
  Build(2, 0);
  const Point2D centre = P()[4], corner3 = P()[3];
  SetFloat(kPointCenterX, 0);
  DragShape(corner3, corner3 + Point2D(30, 30));
  EXPECT_FALSE(P()[4] != centre);
  EXPECT_FLOAT_EQ(Float(kPointCenterX), static_cast<float>(centre.x / kWidth));
}

TEST_F(RectangularShapesTest, EachOverlayShadesOutsideItsOutline) {
  auto grey = [](std::uint32_t pixel) {
    return ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
  };
  for (int method = 1; method <= 6; ++method) {
    Build(method, 20, 0.1, -0.08, 0.06);
    const Point2D kept = P()[5];
    const platform::CapturedImage shown = platform::Capture(*tool);
    if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
      platform::WritePng(shown, std::string(dir) + "/" + GroupName(method) + "-overlay.png");
    const std::string what = GroupName(method);
    EXPECT_LT(grey(shown.At(5, 200)), 3u * ((5 + 200) & 0xFF)) << what << " outside is shaded";
    // Inside, clear of the bent sides and of the handles.
    const Point2D inside = P()[0] + (P()[1] - P()[0]) * 0.2 + (P()[3] - P()[0]) * 0.45;
    const int x = static_cast<int>(inside.x), y = static_cast<int>(inside.y);
    EXPECT_EQ(grey(shown.At(x, y)), 3u * ((x + y) & 0xFF)) << what << " inside is as it was";
    EXPECT_FALSE(P()[5] != kept) << what << " the shape stays in image coordinates";
  }
}

}  // namespace
}  // namespace shapes_test
