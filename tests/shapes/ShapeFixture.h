// A view showing a test picture, the filter's command in the UI context, and a P1 shape over it;
// at zoom 1 with the view the image's size, client and image coordinates agree.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/TilingCommand.h"
#include "framework/ZoomScrollView.h"
#include "resources/ParameterTable.h"
#include "rowops/CoreTables.h"
#include "shapes/P1Shape.h"
#include "shapes/UiContext.h"
#include "tests/platform/UiFixture.h"

namespace shapes_test {

using shapes::Point2D;

// Opens the shape's protected operations to the tests.
class OpenP1 : public shapes::P1Shape {
 public:
  using P1Shape::edgeA;
  using P1Shape::edgeB;
  using P1Shape::P1Shape;
  using P1Shape::spare;
  bool Grabbing() const {
    return grabCorner || grabCorner2 || grabCentre || grabRotation || grabControl1 || grabControl2;
  }
};

class ShapeTest : public wf_test::UiTest {
 public:
  static constexpr int kWidth = 400, kHeight = 300;

 protected:
  static void SetUpTestSuite() {
    const char* dir = std::getenv("WF_TEST_TMPDIR");
    registry = std::string(dir ? dir : "/tmp") + "/shapes-registry";
    std::remove(registry.c_str());
    setenv("WF_REGISTRY", registry.c_str(), 1);
    corvel::InitCoreTables(nullptr);
  }
  static void TearDownTestSuite() { corvel::FreeCoreTables(); }

  void SetUp() override {
    UiTest::SetUp();
    command = std::make_unique<app::TilingCommand>();
    command->GetParameters().ResetParameters(false);
    run = std::make_unique<shapes::UiContextRun>(nullptr, nullptr, command.get());
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "Parent", WS_POPUP | WS_VISIBLE, CRect(0, 0, kWidth, kHeight),
                                nullptr, 0));
    view = MakeView();
    view->SetImageProvider(&provider);
    ASSERT_TRUE(
        view->Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, kWidth, kHeight), &parent, 3002));
    MakeImage(kWidth, kHeight);
  }
  void TearDown() override {
    shape.reset();
    parent.DestroyWindow();
    run.reset();
    command.reset();
    UiTest::TearDown();
  }
  virtual framework::ZoomScrollView* MakeView() {
    return new framework::ZoomScrollView;
  }  // deleted with its window

  void MakeImage(int width, int height) {
    corvel::CRowIteratorBands& image = provider.GetSourceImage();
    ASSERT_EQ(image.CreateBGR(width, height).GetCode(), corvel::keErrorNone);
    for (int y = 0; y < height; ++y) {
      BYTE* row = image.LockRowPointer(y, 0, -1);
      for (int x = 0; x < width * 3; ++x) row[x] = static_cast<BYTE>((x / 3 + y) & 0xFF);
      image.UnlockRow(y);
    }
    view->OnInitialUpdate();
  }

  // Corners 12, 13 and 15 as given, fitted and written as the factory leaves a shape.
  OpenP1& Place(Point2D c12, Point2D c13, Point2D c15, int angle = 0) {
    shape = std::make_unique<OpenP1>(view);
    Point2D points[shapes::kShapePointCount];
    points[12] = c12;
    points[13] = c13;
    points[15] = c15;
    shape->SetPoints(points);
    const double splines[shapes::kSplineCount] = {0, 0, 0};
    shape->SetSplines(splines);
    shape->SetAngle(angle);
    return *shape;
  }

  float Float(int id) const {
    float value = 0;
    command->GetParameters().GetParameter(id)->GetFloat(&value);
    return value;
  }
  int Int(int id) const {
    int value = 0;
    command->GetParameters().GetParameter(id)->GetInt(&value);
    return value;
  }
  void SetFloat(int id, float value) { command->GetParameters().GetParameter(id)->SetFloat(value); }
  // Corners 12, 13 and 15 as the parameters hold them: fractions of the image's width and height.
  void SetCorners(float x12, float y12, float x13, float y13, float x15, float y15) {
    SetFloat(resources::kPoint3X, x12);
    SetFloat(resources::kPoint3Y, y12);
    SetFloat(resources::kPoint2X, x13);
    SetFloat(resources::kPoint2Y, y13);
    SetFloat(resources::kPoint1X, x15);
    SetFloat(resources::kPoint1Y, y15);
  }

  static CPoint At(Point2D p) {
    return CPoint(static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)));
  }
  // A drag of a shape from one point to another in steps, with the left or the right button.
  static void Drag(shapes::TargetShape& target, Point2D from, Point2D to, UINT button = MK_LBUTTON,
                   int steps = 4) {
    button == MK_LBUTTON ? target.OnLButtonDown(button, At(from)) : target.OnRButtonDown(button, At(from));
    for (int i = 1; i <= steps; ++i) target.OnMouseMove(button, At(from + (to - from) * (double(i) / steps)));
    button == MK_LBUTTON ? target.OnLButtonUp(0, At(to)) : target.OnRButtonUp(0, At(to));
  }
  void Drag(Point2D from, Point2D to, UINT button = MK_LBUTTON, int steps = 4) {
    Drag(*shape, from, to, button, steps);
  }

  static inline std::string registry;
  std::unique_ptr<app::TilingCommand> command;
  std::unique_ptr<shapes::UiContextRun> run;
  CWnd parent;
  framework::HostImage provider;
  framework::ZoomScrollView* view = nullptr;
  std::unique_ptr<OpenP1> shape;
};

}  // namespace shapes_test
