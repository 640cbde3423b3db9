#include <gtest/gtest.h>

#include <cmath>

#include "shapes/TargetShape.h"
#include "tests/shapes/ShapeFixture.h"

namespace shapes_test {
namespace {

using shapes::TargetShape;
using namespace resources;

bool Finite(const Point2D* points) {
  for (int i = 0; i < shapes::kShapePointCount; ++i)
    if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y)) return false;
  return true;
}

TEST_F(ShapeTest, HitTestsReachTwiceTheToleranceInclusive) {
  OpenP1& p1 = Place({100, 100}, {200, 100}, {100, 200});
  EXPECT_TRUE(p1.HitTest({100, 100}, {108, 108}));
  EXPECT_TRUE(p1.HitTest({100, 100}, {92, 92}));
  EXPECT_FALSE(p1.HitTest({100, 100}, {108.0001, 100}));
  EXPECT_TRUE(p1.HitTestInt(POINT{10, 10}, POINT{14, 6}));
  EXPECT_FALSE(p1.HitTestInt(POINT{10, 10}, POINT{15, 10}));
}

TEST_F(ShapeTest, BoundsRoundTheFirstPointAndTruncateTheOthers) {
  OpenP1& p1 = Place({100, 100}, {200, 100}, {100, 200});
  Point2D* p = p1.GetPoints();
  for (int i = 0; i < 12; ++i) p[i] = Point2D(5.5, 20.2);
  p[0] = Point2D(10.6, 20.6);
  p[7] = Point2D(3.7, 30.9);
  const CRect box = p1.GetBounds();
  EXPECT_EQ(box, CRect(3, 20, 11, 30));
}

TEST_F(ShapeTest, SetAngleTurnsTheCornersAboutTheCentre) {
  OpenP1& p1 = Place({100, 100}, {200, 100}, {100, 200});
  const Point2D* p = p1.GetPoints();
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(p[i] != p[12 + i]) << i;
  EXPECT_FALSE(p[4] != Point2D(150, 150));
  EXPECT_FALSE(p[11] != Point2D(183, 150)) << "a third of edge A right of the centre";
  p1.SetAngle(90);
  EXPECT_NEAR(p[1].x, 100, 1e-4) << "edge A turns up the screen";
  EXPECT_NEAR(p[1].y, 100, 1e-4);
  EXPECT_NEAR(p[0].y, 200, 1e-4);
  EXPECT_FALSE(p[13] != Point2D(200, 100)) << "the lattice corners stay";
  p1.ApplyRotatedFrame();
  EXPECT_NEAR(p[11].x, 150, 1e-4) << "taking the turned corners back keeps the rotation handle out";
  EXPECT_NEAR(p[11].y, 117, 1e-4);
}

TEST_F(ShapeTest, RotationDragsTakeTheAngleFromThePointerIntoZeroTo359) {
  OpenP1& p1 = Place({150, 100}, {250, 100}, {150, 200});
  p1.RotateTowards(Point2D(200, 50));
  EXPECT_EQ(p1.GetAngle(), 90);
  p1.RotateTowards(Point2D(200, 250));
  EXPECT_EQ(p1.GetAngle(), 270);
  // Edge A running leftwards turns the other half way, never below 0.
  OpenP1& reversed = Place({250, 100}, {150, 100}, {250, 200});
  reversed.RotateTowards(Point2D(300, 150));
  EXPECT_EQ(reversed.GetAngle(), 180);
  reversed.RotateTowards(Point2D(200, 50));
  EXPECT_EQ(reversed.GetAngle(), 270);
}

TEST_F(ShapeTest, LatticeConversionsRoundTripAndSurviveParallelBases) {
  const Point2D u(30, 5), v(-10, 40), p(0.25, -1.5);
  const Point2D image = TargetShape::LatticeToImage(u, v, p);
  const Point2D back = TargetShape::ImageToLattice(u, v, image);
  EXPECT_NEAR(back.x, 0.25, 1e-12);
  EXPECT_NEAR(back.y, -1.5, 1e-12);
  const Point2D rounded = TargetShape::LatticeToImage({1, 0}, {2, 0}, {2.5, -2.5});
  EXPECT_EQ(rounded.x, 3);
  EXPECT_EQ(rounded.y, -3);
  const Point2D same = TargetShape::ImageToLattice({1, 0}, {2, 0}, {2.5, -2.5});
  EXPECT_EQ(same.x, 2.5);
}

TEST_F(ShapeTest, WritesTheShapeAsFractionsOfTheImage) {
  MakeImage(200, 100);
  OpenP1& p1 = Place({80, 40}, {120, 40}, {80, 70});
  p1.WriteParameters(false);
  EXPECT_FLOAT_EQ(Float(kPoint2X), 0.6f);
  EXPECT_FLOAT_EQ(Float(kPoint2Y), 0.4f);
  EXPECT_FLOAT_EQ(Float(kPoint1X), 0.4f);
  EXPECT_FLOAT_EQ(Float(kPoint1Y), 0.7f);
  EXPECT_FLOAT_EQ(Float(kPoint3X), 0.4f);
  EXPECT_FLOAT_EQ(Float(kPointCenterX), 0.5f);
  EXPECT_FLOAT_EQ(Float(kPointCenterY), 0.55f);
  EXPECT_FLOAT_EQ(Float(kBoundBoxLeft), 0.4f);
  EXPECT_FLOAT_EQ(Float(kBoundBoxRight), 121 / 200.0f) << "bounds grow a pixel right and down";
  EXPECT_FLOAT_EQ(Float(kBoundBoxBottom), 71 / 100.0f);
}

TEST_F(ShapeTest, FittingEnlargesATinyShapeAndPullsAnOutsideOneIn) {
  OpenP1& tiny = Place({200, 150}, {203, 150}, {200, 153});
  tiny.FitStep();
  EXPECT_GE(std::hypot(tiny.edgeA.x, tiny.edgeA.y), 3 * 5.0 / 4);

  OpenP1& outside = Place({300, 200}, {600, 200}, {300, 500});
  outside.FitIntoImage();
  EXPECT_TRUE(outside.AllPointsInside());
  EXPECT_TRUE(outside.IsUsable());
  EXPECT_NEAR(Float(kPoint2X) * kWidth, outside.GetPoints()[13].x, 1e-3) << "written back";
}

TEST_F(ShapeTest, AFlatShapeFallsBackToTheDefaultPlacementWithNothingNotANumber) {
  OpenP1& flat = Place({100, 100}, {200, 100}, {300, 100});
  const double bowed[shapes::kSplineCount] = {0.1, 0.1, 0};
  flat.SetSplines(bowed);
  flat.PlaceSplineHandles();
  EXPECT_TRUE(Finite(flat.GetPoints())) << "edge B along edge A";
  flat.FitIntoImage();
  const Point2D* p = flat.GetPoints();
  EXPECT_TRUE(Finite(p));
  EXPECT_FALSE(p[12] != Point2D(160, 120));
  EXPECT_FALSE(p[13] != Point2D(240, 120));
  EXPECT_FALSE(p[15] != Point2D(160, 180));
  EXPECT_FALSE(p[14] != Point2D(240, 180)) << "the derived corner is not stale";
  EXPECT_FALSE(p[4] != Point2D(200, 150));
  EXPECT_FLOAT_EQ(Float(kPointCenterX), 0.5f);
  EXPECT_FLOAT_EQ(Float(kPointCenterY), 0.5f);
  EXPECT_FLOAT_EQ(Float(kSpline1), 0);
}

TEST_F(ShapeTest, ShiftClickResetsAngleSplinesAndLeanWithoutADrag) {
  OpenP1& p1 = Place({100, 100}, {200, 100}, {150, 200}, 30);
  const double bowed[shapes::kSplineCount] = {0.1, -0.1, 0.05};
  p1.SetSplines(bowed);
  p1.SetAngle(30);
  p1.OnLButtonDown(MK_LBUTTON | MK_SHIFT, ShapeTest::At(p1.GetPoints()[1]));
  EXPECT_EQ(p1.GetAngle(), 0);
  EXPECT_EQ(p1.GetSplines()[0], 0);
  EXPECT_EQ(p1.GetSplines()[2], 0);
  EXPECT_EQ(p1.GetPoints()[15].x, p1.GetPoints()[12].x) << "edge B upright";
  EXPECT_FALSE(p1.Grabbing());
  EXPECT_EQ(Int(kAngle), 0);
}

struct PanelSpy : shapes::SettingsPanelLink {
  bool window = false;
  int cleared = 0;
  bool HasWindow() const override { return window; }
  void ClearPresetSelection() override { ++cleared; }
  void ShowOriginal() override {}
  void OnApply() override {}
};

TEST_F(ShapeTest, AHandMadeChangeDeselectsThePresetOnlyThroughALivePanel) {
  PanelSpy panel;
  {
    shapes::UiContextRun dialogRun(nullptr, &panel, command.get());
    OpenP1& p1 = Place({100, 100}, {200, 100}, {100, 200});
    p1.WriteParameters(true);
    EXPECT_EQ(panel.cleared, 0);
    panel.window = true;
    p1.WriteParameters(true);
    p1.WriteParameters(false);
    EXPECT_EQ(panel.cleared, 1);
  }
  EXPECT_EQ(shapes::GetUiContext()->panel, nullptr) << "the run's panel is gone";
  EXPECT_EQ(shapes::GetUiContext()->dialog, nullptr);
  EXPECT_EQ(shapes::GetUiContext()->command, command.get()) << "the command outlives the run";
}

}  // namespace
}  // namespace shapes_test
