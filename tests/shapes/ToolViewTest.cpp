#include "shapes/ToolView.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "generators/TileLattice.h"
#include "platform/ui/Capture.h"
#include "shapes/TargetShapeFactory.h"
#include "tests/platform/ShownCheck.h"
#include "tests/shapes/ShapeFixture.h"

namespace shapes_test {
namespace {

using namespace resources;
using shapes::CToolView;

struct PanelSpy : shapes::SettingsPanelLink {
  int shown = 0, applied = 0, cleared = 0;
  bool HasWindow() const override { return true; }
  void ClearPresetSelection() override { ++cleared; }
  void ShowOriginal() override { ++shown; }
  void OnApply() override { ++applied; }
};

LPARAM Lp(int x, int y) { return MAKELPARAM(x, y); }

class ToolViewTest : public ShapeTest {
 protected:
  framework::ZoomScrollView* MakeView() override { return tool = new CToolView; }
  void SetUp() override {
    ShapeTest::SetUp();
    ASSERT_TRUE(dialog.CreateEx(0, nullptr, "Dialog", WS_POPUP, CRect(0, 0, 100, 30), nullptr, 0));
    status = CreateWindowEx(0, "STATIC", "", WS_CHILD, 0, 0, 100, 20, dialog.m_hWnd,
                            reinterpret_cast<HMENU>(CToolView::kStatusItem), nullptr, nullptr);
    dialogRun = std::make_unique<shapes::UiContextRun>(&dialog, &panel, command.get());
    // The rectangle (100, 100) to (200, 200) as the parameters hold it.
    SetFloat(kPoint3X, 0.25f);
    SetFloat(kPoint3Y, 1 / 3.0f);
    SetFloat(kPoint2X, 0.5f);
    SetFloat(kPoint2Y, 1 / 3.0f);
    SetFloat(kPoint1X, 0.25f);
    SetFloat(kPoint1Y, 2 / 3.0f);
    tool->OnInitialUpdate();
  }
  void TearDown() override {
    dialogRun.reset();
    dialog.DestroyWindow();
    ShapeTest::TearDown();
  }
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessage(tool->m_hWnd, message, wParam, lParam);
  }
  void Command(UINT id) { Send(WM_COMMAND, id, 0); }
  std::string StatusText() { return WindowText(status); }
  Point2D Centre() { return tool->GetShape()->GetPoints()[4]; }

  CToolView* tool = nullptr;
  CDialog dialog;
  HWND status = nullptr;
  PanelSpy panel;
  std::unique_ptr<shapes::UiContextRun> dialogRun;
};

TEST_F(ToolViewTest, TheInitialUpdateShowsTheParametersShapeAndANewShapeReplacesIt) {
  ASSERT_NE(tool->GetShape(), nullptr);
  EXPECT_EQ(tool->GetCurrentShape(), tool->GetShape());
  EXPECT_NEAR(Centre().x, 150, 1e-3);
  EXPECT_NEAR(Centre().y, 150, 1e-3);
  EXPECT_TRUE(tool->CreateTargetShape(Point2D(250, 160)));
  EXPECT_EQ(tool->GetCurrentShape(), tool->GetShape()) << "the old shape is freed, the new one current";
  EXPECT_NEAR(Centre().x, 250, 1e-3);
}

TEST_F(ToolViewTest, MouseMessagesDragTheShapeAndWriteTheParameters) {
  Send(WM_MOUSEMOVE, 0, Lp(150, 150));
  Send(WM_LBUTTONDOWN, MK_LBUTTON, Lp(150, 150));
  EXPECT_EQ(panel.shown, 1) << "the source is shown while the shape is edited";
  Send(WM_MOUSEMOVE, MK_LBUTTON, Lp(170, 160));
  Send(WM_MOUSEMOVE, MK_LBUTTON, Lp(190, 170));
  Send(WM_LBUTTONUP, 0, Lp(190, 170));
  EXPECT_NEAR(Centre().x, 190, 1e-9);
  EXPECT_FLOAT_EQ(Float(kPointCenterX), 190.0f / kWidth);
  EXPECT_FLOAT_EQ(Float(kPoint3Y), 120.0f / kHeight);
  EXPECT_GE(panel.cleared, 1) << "a hand-made change deselects the preset";

  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Lp(10, 10));
  EXPECT_EQ(panel.applied, 1);
  Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, Lp(190, 170));
  EXPECT_EQ(tool->GetShape()->GetAngle(), 0);
  EXPECT_EQ(Int(kAngle), 0);
}

TEST_F(ToolViewTest, APressInTheViewTakesTheFocusFromAnEditField) {
  HWND field = CreateWindowEx(0, "EDIT", "", WS_CHILD, 0, 0, 50, 20, dialog.m_hWnd, nullptr, nullptr,
                              nullptr);
  for (UINT press : {WM_LBUTTONDOWN, WM_RBUTTONDOWN}) {
    SetFocus(field);
    Send(press, press == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, Lp(10, 10));
    Send(press + 1, 0, Lp(10, 10));
    EXPECT_EQ(GetFocus(), tool->m_hWnd) << press;
  }
}

TEST_F(ToolViewTest, ToolsShowTheirHintsAndTheZoomToolZoomsAtTheMouse) {
  Command(CToolView::kZoomTool);
  EXPECT_EQ(StatusText(), "Click to zoom in. Right-click to zoom out.  Use mouse wheel to zoom.");
  EXPECT_TRUE(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(tool->m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  Send(WM_LBUTTONDOWN, MK_LBUTTON, Lp(150, 150));
  Send(WM_LBUTTONUP, 0, Lp(150, 150));
  EXPECT_DOUBLE_EQ(tool->GetZoom(), 1.5);
  EXPECT_EQ(panel.shown, 0);
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Lp(150, 150));
  EXPECT_EQ(panel.applied, 0) << "only the shape tool applies";
  Send(WM_RBUTTONDOWN, MK_RBUTTON, Lp(150, 150));
  Send(WM_RBUTTONUP, 0, Lp(150, 150));
  EXPECT_DOUBLE_EQ(tool->GetZoom(), 1.0);

  Command(CToolView::kPanTool);
  EXPECT_EQ(StatusText(), "Click and drag to scroll image in desired direction.");
  Command(CToolView::kShapeTool);
  EXPECT_EQ(StatusText(),
            "Drag a target shape to match object, then click Apply. Use Shift-click to reset shape.");
  Command(CToolView::kShapeTool + 5);
  EXPECT_EQ(StatusText(), " ");
  EXPECT_EQ(tool->GetCurrentTool(), CToolView::kShapeTool + 5u);
}

TEST_F(ToolViewTest, EveryZoomKeepsTheHandlesAndConvertsTheHitTolerance) {
  Send(WM_MOUSEMOVE, 0, Lp(5, 5));
  EXPECT_EQ(tool->GetShape()->GetHitTolerance(), 4);
  Command(CToolView::kZoomIn);
  Command(CToolView::kZoomIn);
  EXPECT_DOUBLE_EQ(tool->GetZoom(), 2);
  EXPECT_EQ(tool->GetShape()->GetHandleSize(), 4) << "window pixels at any zoom";
  EXPECT_EQ(tool->GetShape()->GetHitTolerance(), 2) << "the keys' zoom";
  POINT screen{100, 100};
  ClientToScreen(tool->m_hWnd, &screen);
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(screen.x, screen.y));
  EXPECT_DOUBLE_EQ(tool->GetZoom(), 3);
  EXPECT_GE(tool->GetShape()->GetHitTolerance(), 1) << "4 / 3 of an image pixel, whole";
  EXPECT_LE(tool->GetShape()->GetHitTolerance(), 2);
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), MAKELPARAM(screen.x, screen.y));
  EXPECT_DOUBLE_EQ(tool->GetZoom(), 2);
  EXPECT_EQ(tool->GetShape()->GetHitTolerance(), 2);

  Command(CToolView::kZoomTool);
  Send(WM_RBUTTONDOWN, MK_RBUTTON, Lp(150, 150));
  Send(WM_RBUTTONUP, 0, Lp(150, 150));
  EXPECT_DOUBLE_EQ(tool->GetZoom(), 1.5);
  EXPECT_EQ(tool->GetShape()->GetHitTolerance(), 2) << "the zoom tool's: 4 / 1.5, whole";
  tool->SetZoom(0.1, CToolView::kNoAnchor);
  EXPECT_EQ(tool->GetShape()->GetHitTolerance(), 40) << "a zoom set from outside, as the dialog fits it";
  tool->CreateTargetShape(shapes::kKeepCentre);
  EXPECT_EQ(tool->GetShape()->GetHitTolerance(), 40) << "a new shape at that zoom";
}

TEST_F(ToolViewTest, TheHandlesLookTheSameAtAZoomHoweverItWasReached) {
  tool->SetZoom(0.5, CToolView::kNoAnchor);  // as the dialog fits it
  const std::vector<std::uint32_t> fitted = platform::Capture(*tool).pixels;
  POINT screen{100, 100};
  ClientToScreen(tool->m_hWnd, &screen);
  const struct {
    const char* path;
    std::vector<UINT> keys;
    std::vector<int> wheel;
    bool newShape;
  } paths[] = {
      {"keys in, out", {CToolView::kZoomIn, CToolView::kZoomOut}, {}, false},
      {"keys out, in", {CToolView::kZoomOut, CToolView::kZoomIn}, {}, false},
      {"keys, then the wheel", {CToolView::kZoomIn}, {120, -120, -120}, false},
      {"keys, then a new shape", {CToolView::kZoomIn, CToolView::kZoomOut}, {}, true},
  };
  for (const auto& [path, keys, wheel, newShape] : paths) {
    for (UINT key : keys) Command(key);
    for (int delta : wheel)
      Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), MAKELPARAM(screen.x, screen.y));
    if (newShape) tool->CreateTargetShape(shapes::kKeepCentre);
    ASSERT_DOUBLE_EQ(tool->GetZoom(), 0.5) << path;
    EXPECT_TRUE(platform::Capture(*tool).pixels == fitted) << path;
  }
}

TEST_F(ToolViewTest, ThePanLoopScrollsWithTheMouseWithinTheImage) {
  MakeImage(800, 600);
  Command(CToolView::kPanTool);
  PostMessage(tool->m_hWnd, WM_MOUSEMOVE, MK_LBUTTON, Lp(150, 170));
  PostMessage(tool->m_hWnd, WM_MOUSEMOVE, MK_LBUTTON, Lp(120, 140));
  PostMessage(tool->m_hWnd, WM_LBUTTONUP, 0, Lp(120, 140));
  Send(WM_LBUTTONDOWN, MK_LBUTTON, Lp(200, 200));
  EXPECT_EQ(tool->GetScrollPosition(), CPoint(80, 60))
      << "dragging left and up shows more to the right and below";
  EXPECT_EQ(GetCapture(), nullptr);

  PostMessage(tool->m_hWnd, WM_MOUSEMOVE, MK_LBUTTON, Lp(390, 290));
  PostMessage(tool->m_hWnd, WM_LBUTTONUP, 0, Lp(390, 290));
  Send(WM_LBUTTONDOWN, MK_LBUTTON, Lp(10, 10));
  EXPECT_EQ(tool->GetScrollPosition(), CPoint(0, 0)) << "clamped at the image's edge";

  PostMessage(tool->m_hWnd, WM_MOUSEMOVE, MK_LBUTTON, Lp(150, 170));
  PostMessage(tool->m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessage(tool->m_hWnd, WM_MOUSEMOVE, MK_LBUTTON, Lp(100, 100));
  PostMessage(tool->m_hWnd, WM_LBUTTONUP, 0, Lp(100, 100));
  Send(WM_LBUTTONDOWN, MK_LBUTTON, Lp(200, 200));
  EXPECT_EQ(tool->GetScrollPosition(), CPoint(0, 0)) << "Esc scrolls back to where the pan began";
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ToolViewTest, TheViewShowsTheOverlayOverThePicture) {
  const double bowed[shapes::kSplineCount] = {0.08, -0.06, 0};
  tool->GetShape()->SetSplines(bowed);
  tool->GetShape()->SetAngle(20);
  const platform::CapturedImage shown = platform::Capture(*tool);
  if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
    platform::WritePng(shown, std::string(dir) + "/tool-view-p1.png");
  auto grey = [](std::uint32_t pixel) {
    return ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
  };
  const int picture = 3 * ((5 + 200) & 0xFF);
  EXPECT_LT(grey(shown.At(5, 200)), picture) << "outside is shaded";
  EXPECT_EQ(grey(shown.At(130, 130)), 3u * ((130 + 130) & 0xFF)) << "inside is as it was";
}

// What the view shows after each step is what a full repaint of it paints.
class ShownToolViewTest : public ToolViewTest {
 protected:
  wf_test::ShownCheck check;
};

TEST_F(ShownToolViewTest, TheFirstDragOfANewShapeLeavesNothingWhereItWas) {
  // A group whose corners the factory derives and fits after taking the parameters.
  command->GetParameters().GetParameter(kTilingMethod)->SetInt(corvel::keTilingPGG);
  tool->CreateTargetShape(shapes::kKeepCentre);
  ASSERT_TRUE(check.AsPainted(tool->m_hWnd, "placed"));
  CPoint at = At(Centre());
  Send(WM_MOUSEMOVE, 0, Lp(at.x, at.y));
  Send(WM_LBUTTONDOWN, MK_LBUTTON, Lp(at.x, at.y));
  for (int step = 1; step <= 4; ++step) {
    at.Offset(23, -15);
    Send(WM_MOUSEMOVE, MK_LBUTTON, Lp(at.x, at.y));
    EXPECT_TRUE(check.AsPainted(tool->m_hWnd, "drag-step-" + std::to_string(step)));
  }
  Send(WM_LBUTTONUP, 0, Lp(at.x, at.y));
  EXPECT_NEAR(Centre().x, 150 + 4 * 23, 1) << "the drag moved the shape";
  EXPECT_TRUE(check.AsPainted(tool->m_hWnd, "released"));
}

}  // namespace
}  // namespace shapes_test
