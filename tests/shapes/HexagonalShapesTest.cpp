// The shapes of the three- and six-fold groups: built by the factory, their resize drags keep
// their angles and proportions at every angle, their splines stop at an eighth, and their
// overlays shade what lies outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "generators/TileLattice.h"
#include "platform/ui/Capture.h"
#include "shapes/FramedShape.h"
#include "shapes/P3LMShape.h"
#include "shapes/P3MLShape.h"
#include "shapes/P3Shape.h"
#include "shapes/P6MShape.h"
#include "shapes/P6Shape.h"
#include "shapes/TargetShapeFactory.h"
#include "shapes/ToolView.h"
#include "tests/shapes/ShapeFixture.h"

namespace shapes_test {
namespace {

using namespace resources;

constexpr double kRoot3 = 1.7320508075688772;

double Length(Point2D v) { return std::hypot(v.x, v.y); }
double Cross(Point2D a, Point2D b) { return a.x * b.y - a.y * b.x; }
// a turned by -60 degrees as the shapes turn: (1, 0) goes to (0.5, sqrt(3) / 2).
Point2D Minus60(Point2D a) { return {a.x * 0.5 - a.y * kRoot3 / 2, a.x * kRoot3 / 2 + a.y * 0.5}; }
// The turns use pi in single precision: a few millionths of a pixel off.
bool Near(Point2D a, Point2D b, double tolerance = 1e-4) { return Length(a - b) < tolerance; }

// Each group's rule on the displayed corners.
using Constraint = std::function<bool(const Point2D* p)>;

bool Equilateral(const Point2D* p) { return Near(p[3] - p[0], Minus60(p[1] - p[0])); }
bool Kite(const Point2D* p) {
  return Equilateral(p) && Near(p[2], p[0] + (p[1] - p[0]) * (2.0 / 3) + (p[3] - p[0]) * (2.0 / 3));
}
// The right angle at corner 0, the 30-degree corner 3 on the long leg.
bool HalfEquilateral(const Point2D* p) {
  const Point2D a = p[1] - p[0], b = p[3] - p[0];
  return std::fabs(a.x * b.x + a.y * b.y) < 1e-3 && std::fabs(Length(b) - kRoot3 * Length(a)) < 1e-4;
}
bool Rhombus(const Point2D* p) { return Equilateral(p) && Near(p[2], p[1] + p[3] - p[0]); }

template <class Shape>
bool Is(shapes::TargetShape* shape) {
  return dynamic_cast<Shape*>(shape) != nullptr;
}

struct Family {
  int method;
  const char* name;
  bool (*isItsClass)(shapes::TargetShape*);
  int resizeCorner, fixedCorner, scaleCorner;
  Constraint constraint;
  int splineHandles;
};

void PrintTo(const Family& f, std::ostream* os) { *os << f.name; }

const Family kFamily[] = {
    {corvel::keTilingP3, "P3", Is<shapes::P3Shape>, 3, 0, 1, Rhombus, 2},
    {corvel::keTilingP3ML, "P3ML", Is<shapes::P3MLShape>, 1, 3, 1, Equilateral, 0},
    {corvel::keTilingP3LM, "P3LM", Is<shapes::P3LMShape>, 1, 0, 1, Kite, 1},
    {corvel::keTilingP6, "P6", Is<shapes::P6Shape>, 1, 0, 1, Kite, 2},
    {corvel::keTilingP6M, "P6M", Is<shapes::P6MShape>, 3, 1, 3, HalfEquilateral, 0},
};

class HexagonalShapeTest : public ShapeTest, public testing::WithParamInterface<Family> {
 protected:
  framework::ZoomScrollView* MakeView() override { return tool = new shapes::CToolView; }
  // The factory's shape for the group from corner 12 at (150, 110) and side `leg`, at `angle`.
  shapes::TargetShape& Build(int angle, double leg = 80) {
    command->GetParameters().GetParameter(kTilingMethod)->SetInt(GetParam().method);
    command->GetParameters().GetParameter(kAngle)->SetInt(angle);
    SetCorners(150.0f / kWidth, 110.0f / kHeight, static_cast<float>((150 + leg) / kWidth), 110.0f / kHeight,
               static_cast<float>((150 + leg / 2) / kWidth), static_cast<float>((110 + leg) / kHeight));
    tool->CreateTargetShape(shapes::kKeepCentre);
    built = tool->GetShape();
    return *built;
  }
  const Point2D* P() { return built->GetPoints(); }
  shapes::CToolView* tool = nullptr;
  shapes::TargetShape* built = nullptr;
};

TEST_P(HexagonalShapeTest, TheFactoryBuildsItAndTheParametersSayWhatIsShown) {
  const Family& f = GetParam();
  Build(0);
  EXPECT_TRUE(f.isItsClass(built));
  EXPECT_TRUE(built->IsUsable());
  EXPECT_TRUE(f.constraint(P()));
  EXPECT_EQ(P()[13].y, P()[12].y) << "the unturned shape has a level side";
  EXPECT_FLOAT_EQ(Float(kPoint2X), static_cast<float>(P()[13].x / kWidth));
  EXPECT_FLOAT_EQ(Float(kPoint1Y), static_cast<float>(P()[15].y / kHeight));
  EXPECT_FLOAT_EQ(Float(kPointCenterX), static_cast<float>(P()[4].x / kWidth));
}

// The resize corner slides on the line from the fixed corner through where it was pressed;
// the fixed corner stays and the group's angles hold, whichever way the shape is turned.
TEST_P(HexagonalShapeTest, AResizeKeepsTheShapeAtEveryAngle) {
  const Family& f = GetParam();
  for (int angle : {0, 37, 90, 180, 270, 301}) {
    for (double push : {12.0, -12.0}) {
      Build(angle);
      const Point2D fixed = P()[f.fixedCorner], from = P()[f.resizeCorner];
      const Point2D along = (from - fixed) / Length(from - fixed), across(-along.y, along.x);
      Drag(*built, from, from + along * push + across * 9);
      const std::string what = std::to_string(angle) + " push " + std::to_string(push);
      const Point2D to = P()[f.resizeCorner];
      EXPECT_TRUE(Near(P()[f.fixedCorner], fixed)) << what;
      EXPECT_NEAR(Cross(to - fixed, along), 0, 1e-4) << what << ": on the line";
      // The pointer moves in whole pixels.
      EXPECT_NEAR(Length(to - fixed), Length(from - fixed) + push, 1) << what;
      EXPECT_TRUE(f.constraint(P())) << what;
      EXPECT_EQ(P()[13].y, P()[12].y) << what;
      EXPECT_EQ(built->GetAngle(), angle) << what;
    }
  }
}

TEST_P(HexagonalShapeTest, TheRightButtonScalesAboutTheCentre) {
  const Family& f = GetParam();
  Build(90);
  const Point2D centre = P()[4];
  const Point2D from = P()[f.scaleCorner];
  const double before = Length(P()[1] - P()[0]);
  Drag(*built, from, centre + (from - centre) * 1.25, MK_RBUTTON);
  EXPECT_NEAR(Length(P()[1] - P()[0]), 1.25 * before, 1);
  EXPECT_TRUE(Near(P()[4], centre));
  EXPECT_TRUE(f.constraint(P()));
}

TEST_P(HexagonalShapeTest, SplinesStopAtAnEighthEitherWay) {
  const Family& f = GetParam();
  for (int handle = 0; handle < f.splineHandles; ++handle) {
    double stops[2];
    for (int side = 0; side < 2; ++side) {
      // Large enough that a kite's rotation handle keeps clear of its handle 7.
      Build(side == 0 ? 0 : 270, 140);
      const int point = handle == 0 ? 5 : 7;
      const Point2D from = P()[point], centre = P()[4];
      Drag(*built, from, from + (centre - from) * (side == 0 ? 4.0 : -4.0), MK_LBUTTON, 8);
      stops[side] = built->GetSplines()[handle];
      EXPECT_EQ(std::fabs(stops[side]), 0.125) << "handle " << handle << " side " << side;
      EXPECT_FLOAT_EQ(Float(kSpline1 + handle), static_cast<float>(stops[side]));
      EXPECT_TRUE(f.constraint(P()));
    }
    EXPECT_EQ(stops[0], -stops[1]) << "handle " << handle;
  }
}

TEST_P(HexagonalShapeTest, TheToolViewShadesTheOutsideOfTheShapeOnly) {
  SetFloat(kSpline1, 0.1f);
  SetFloat(kSpline2, -0.08f);
  Build(20);
  const platform::CapturedImage shown = platform::Capture(*tool);
  if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
    platform::WritePng(shown, std::string(dir) + "/tool-view-" + GetParam().name + ".png");
  auto grey = [](std::uint32_t pixel) {
    return ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
  };
  auto picture = [](int x, int y) { return 3u * ((x + y) & 0xFF); };
  EXPECT_LT(grey(shown.At(5, 200)), picture(5, 200)) << "outside is shaded";
  const Point2D inside = P()[4] + (P()[0] - P()[4]) * 0.5;
  const int x = static_cast<int>(inside.x), y = static_cast<int>(inside.y);
  EXPECT_EQ(grey(shown.At(x, y)), picture(x, y)) << "inside is as it was";
}

// Opens the resize of the half triangle to a press its legs could not give.
class OpenP6M : public shapes::P6MShape {
 public:
  using P6MShape::BeginResize;
  using P6MShape::P6MShape;
  using P6MShape::pressPoints;
  using P6MShape::Resize;
};

TEST_F(ShapeTest, TheHalfTriangleMeetsItsUprightLegAndRefusesParallelLegs) {
  command->GetParameters().GetParameter(kTilingMethod)->SetInt(corvel::keTilingP6M);
  SetFloat(kPoint3X, 150.0f / kWidth);
  SetFloat(kPoint3Y, 60.0f / kHeight);
  SetFloat(kPoint2X, 200.0f / kWidth);
  SetFloat(kPoint2Y, 60.0f / kHeight);
  std::unique_ptr<shapes::TargetShape> shape = shapes::CreateTargetShape(view, shapes::kKeepCentre);
  const Point2D* p = shape->GetPoints();
  const Point2D corner1 = p[1], corner3 = p[3];
  shape->OnLButtonDown(MK_LBUTTON, At(corner3));
  shape->OnMouseMove(MK_LBUTTON, At(corner3 + (corner1 - corner3) * 0.2));
  shape->OnLButtonUp(0, At(corner3 + (corner1 - corner3) * 0.2));
  EXPECT_FALSE(p[1] != corner1) << "the 60-degree corner stays";
  EXPECT_NEAR(p[0].x, p[3].x, 1e-9) << "the long leg stays upright";
  EXPECT_NEAR(p[0].y, p[1].y, 1e-9);
  EXPECT_NEAR(p[15].y - p[12].y, kRoot3 * (p[13].x - p[12].x), 1e-9);

  OpenP6M open(view);
  Point2D points[shapes::kShapePointCount];
  std::copy(p, p + shapes::kShapePointCount, points);
  open.SetPoints(points);
  open.BeginResize();
  open.pressPoints[2] = open.pressPoints[1] + open.pressPoints[0];
  EXPECT_FALSE(open.Resize(p[3] + Point2D(3, 3)));
}

INSTANTIATE_TEST_SUITE_P(Groups, HexagonalShapeTest, testing::ValuesIn(kFamily),
                         [](const testing::TestParamInfo<Family>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace shapes_test
