#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "generators/RectangularPeriod.h"
#include "shapes/detail/OverlayGdiplus.h"
#include "tests/shapes/ShapeFixture.h"

namespace shapes_test {
namespace {

using namespace resources;

void ExpectPoint(const Point2D& p, double x, double y, const char* what) {
  EXPECT_NEAR(p.x, x, 1e-9) << what;
  EXPECT_NEAR(p.y, y, 1e-9) << what;
}

class P1ShapeTest : public ShapeTest {
 protected:
  // The rectangle (100, 100) to (200, 200): corner handles 1 (200, 100) and 3 (100, 200), centre
  // (150, 150), rotation handle (183, 150), curve handles 5 (150, 100) and 7 (100, 150).
  OpenP1& Square() { return Place({100, 100}, {200, 100}, {100, 200}); }
  const Point2D* P() { return shape->GetPoints(); }
};

TEST_F(P1ShapeTest, Corner1ShearsTheCellAndTheSnapPicksTheSmallestRepeatNearby) {
  Square();
  shape->OnLButtonDown(MK_LBUTTON, CPoint(200, 100));
  shape->OnMouseMove(MK_LBUTTON, CPoint(230, 100));
  ExpectPoint(P()[1], 230, 100, "corner 1 follows the pointer");
  ExpectPoint(P()[0], 130, 100, "edge A keeps its vector");
  ExpectPoint(P()[3], 100, 200, "corner 3 stays");
  shape->OnLButtonUp(0, CPoint(230, 100));
  // (100, 0), (-30, 100) repeats every 100 x 1000; (96, 0), (-32, 100) every 96 x 300.
  ExpectPoint(P()[12], 130, 100, "origin");
  ExpectPoint(P()[13], 226, 100, "edge A");
  ExpectPoint(P()[15], 98, 200, "edge B");
  ExpectPoint(P()[14], 194, 200, "opposite");
  const POINT period = corvel::RectangularPeriod(POINT{96, 0}, POINT{-32, 100});
  EXPECT_EQ(period.x * period.y, 96 * 300);
  EXPECT_FLOAT_EQ(Float(kPoint2X), 226.0f / kWidth);
  EXPECT_FLOAT_EQ(Float(kPoint1X), 98.0f / kWidth);
  EXPECT_FLOAT_EQ(Float(kPoint1Y), 200.0f / kHeight);
}

TEST_F(P1ShapeTest, Corner1RefusesALeanBeyond30DegreesOrAFlatEdgeB) {
  const struct {
    CPoint to;
    bool kept;
  } cases[] = {{{180, 100}, true}, {{240, 100}, false}, {{130, 100}, true},
               {{80, 100}, false}, {{160, 125}, false}, {{160, 115}, true}};  // right, left, down
  for (const auto& c : cases) {
    Place({100, 100}, {160, 100}, {100, 140});
    shape->OnLButtonDown(MK_LBUTTON, CPoint(160, 100));
    shape->OnMouseMove(MK_LBUTTON, c.to);
    EXPECT_EQ(P()[1].x == c.to.x && P()[1].y == c.to.y, c.kept) << c.to.x << "," << c.to.y;
    if (!c.kept) ExpectPoint(P()[1], 160, 100, "refused");
    shape->OnLButtonUp(0, c.to);
  }
}

TEST_F(P1ShapeTest, Corner3SlidesAlongEdge32WhateverThePointersDistance) {
  Square();
  Drag({100, 200}, {130, 260});
  ExpectPoint(P()[12], 130, 100, "origin");
  ExpectPoint(P()[13], 200, 100, "edge A end stays");
  ExpectPoint(P()[15], 130, 200, "corner 3 on its line");
  // Narrower than 20 across is refused.
  Drag({130, 200}, {185, 200}, MK_LBUTTON, 1);
  ExpectPoint(P()[15], 130, 200, "refused");
}

TEST_F(P1ShapeTest, CurveHandlesBowTheEdgePairsUpToAnEighth) {
  Square();
  Drag({150, 100}, {150, 95});
  EXPECT_NEAR(shape->GetSplines()[0], -0.05, 1e-9);
  ExpectPoint(P()[5], 150, 95, "the handle is on the pointer");
  ExpectPoint(P()[6], 150, 195, "its copy on edge 3-2");
  Drag({150, 95}, {150, 20});
  EXPECT_DOUBLE_EQ(shape->GetSplines()[0], -0.125);
  EXPECT_FLOAT_EQ(Float(kSpline1), -0.125f);
  Drag({100, 150}, {300, 150});
  EXPECT_DOUBLE_EQ(shape->GetSplines()[1], 0.125);
  ExpectPoint(P()[7], 112.5, 150, "");
  ExpectPoint(P()[8], 212.5, 150, "its copy on edge 1-2");
  EXPECT_FLOAT_EQ(Float(kSpline2), 0.125f);
}

TEST_F(P1ShapeTest, TheCentreMovesTheWholeCellAndWritesItBack) {
  Square();
  Drag({150, 150}, {200, 180});
  ExpectPoint(P()[12], 150, 130, "");
  ExpectPoint(P()[4], 200, 180, "");
  ExpectPoint(P()[11], 233, 180, "");
  EXPECT_FLOAT_EQ(Float(kPoint3X), 150.0f / kWidth);
  EXPECT_FLOAT_EQ(Float(kPoint3Y), 130.0f / kHeight);
  EXPECT_FLOAT_EQ(Float(kPointCenterX), 0.5f);
  EXPECT_FLOAT_EQ(Float(kPointCenterY), 0.6f);
  EXPECT_FLOAT_EQ(Float(kBoundBoxLeft), 150.0f / kWidth);
  EXPECT_FLOAT_EQ(Float(kBoundBoxTop), 130.0f / kHeight);
  EXPECT_FLOAT_EQ(Float(kBoundBoxRight), 251.0f / kWidth);
  EXPECT_FLOAT_EQ(Float(kBoundBoxBottom), 231.0f / kHeight);
  // A move that would leave the image is refused.
  Drag({200, 180}, {380, 180}, MK_LBUTTON, 1);
  ExpectPoint(P()[4], 200, 180, "refused");
}

TEST_F(P1ShapeTest, TheRotationHandleTurnsTheCellAndTheRightButtonScalesIt) {
  Square();
  Drag({183, 150}, {150, 100});
  EXPECT_EQ(shape->GetAngle(), 90);
  EXPECT_EQ(Int(kAngle), 90);
  ExpectPoint(P()[13], 200, 100, "the lattice corners stay");

  Square();
  Drag({200, 100}, {250, 50}, MK_RBUTTON);
  ExpectPoint(P()[12], 50, 50, "twice as far from the centre");
  ExpectPoint(P()[13], 250, 50, "");
  ExpectPoint(P()[15], 50, 250, "");
  EXPECT_FLOAT_EQ(Float(kPoint3X), 50.0f / kWidth);
}

TEST_F(P1ShapeTest, AButtonReleasedOutsideEndsTheDragAtTheNextMove) {
  Square();
  shape->OnLButtonDown(MK_LBUTTON, CPoint(150, 150));
  shape->OnMouseMove(MK_LBUTTON, CPoint(160, 150));
  shape->OnMouseMove(0, CPoint(170, 150));
  EXPECT_FALSE(shape->Grabbing());
  EXPECT_FLOAT_EQ(Float(kPointCenterX), 160.0f / kWidth) << "written as a release writes";
  shape->OnMouseMove(MK_LBUTTON, CPoint(190, 150));
  ExpectPoint(P()[4], 160, 150, "no drag without a press");
}

TEST_F(P1ShapeTest, TheHoveredHandlePicksTheCursor) {
  Square();
  shape->OnMouseMove(0, CPoint(150, 150));
  EXPECT_TRUE(shape->OnSetCursor(view, HTCLIENT, WM_MOUSEMOVE));
  shape->OnMouseMove(0, CPoint(300, 250));
  EXPECT_FALSE(shape->OnSetCursor(view, HTCLIENT, WM_MOUSEMOVE));
}

// The overlay's calls, each with the arguments that tell them apart.
std::vector<std::string>& Calls() {
  static std::vector<std::string> calls;
  return calls;
}
std::string Text(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

struct RecordGdiplus {
  shapes::detail::GdiplusFunctions saved = shapes::detail::OverlayGdiplus();
  RecordGdiplus() {
    Calls().clear();
    auto& f = shapes::detail::OverlayGdiplus();
    f.CreateFromHDC = [](HDC dc, GpGraphics** g) {
      return Calls().push_back("CreateFromHDC"), GdipCreateFromHDC(dc, g);
    };
    f.DeleteGraphics = [](GpGraphics* g) {
      return Calls().push_back("DeleteGraphics"), GdipDeleteGraphics(g);
    };
    f.SetSmoothingMode = [](GpGraphics* g, SmoothingMode m) {
      return Calls().push_back("SetSmoothingMode " + Text(m)), GdipSetSmoothingMode(g, m);
    };
    f.CreateSolidFill = [](ARGB c, GpSolidFill** b) {
      char text[40];
      std::snprintf(text, sizeof text, "CreateSolidFill %08X", c);
      return Calls().push_back(text), GdipCreateSolidFill(c, b);
    };
    f.CreateHatchBrush = [](HatchStyle s, ARGB fore, ARGB back, GpHatch** b) {
      char text[64];
      std::snprintf(text, sizeof text, "CreateHatchBrush %d %08X %08X", s, fore, back);
      return Calls().push_back(text), GdipCreateHatchBrush(s, fore, back, b);
    };
    f.DeleteBrush = [](GpBrush* b) { return Calls().push_back("DeleteBrush"), GdipDeleteBrush(b); };
    f.CreatePen2 = [](GpBrush* b, REAL w, Unit u, GpPen** p) {
      return Calls().push_back("CreatePen2 " + Text(w) + " " + Text(u)), GdipCreatePen2(b, w, u, p);
    };
    f.DeletePen = [](GpPen* p) { return Calls().push_back("DeletePen"), GdipDeletePen(p); };
    f.CreatePath = [](FillMode m, GpPath** p) {
      return Calls().push_back("CreatePath " + Text(m)), GdipCreatePath(m, p);
    };
    f.DeletePath = [](GpPath* p) { return Calls().push_back("DeletePath"), GdipDeletePath(p); };
    f.AddPathBezier = [](GpPath* p, REAL x1, REAL y1, REAL x2, REAL y2, REAL x3, REAL y3, REAL x4, REAL y4) {
      Calls().push_back("AddPathBezier " + Text(x1) + "," + Text(y1) + " " + Text(x2) + "," + Text(y2) + " " +
                        Text(x4) + "," + Text(y4));
      return GdipAddPathBezier(p, x1, y1, x2, y2, x3, y3, x4, y4);
    };
    f.CreateRegion = [](GpRegion** r) { return Calls().push_back("CreateRegion"), GdipCreateRegion(r); };
    f.CombineRegionPath = [](GpRegion* r, GpPath* p, CombineMode m) {
      return Calls().push_back("CombineRegionPath " + Text(m)), GdipCombineRegionPath(r, p, m);
    };
    f.DeleteRegion = [](GpRegion* r) { return Calls().push_back("DeleteRegion"), GdipDeleteRegion(r); };
    f.FillRegion = [](GpGraphics* g, GpBrush* b, GpRegion* r) {
      return Calls().push_back("FillRegion"), GdipFillRegion(g, b, r);
    };
    f.DrawBezier = [](GpGraphics* g, GpPen* p, REAL x1, REAL y1, REAL x2, REAL y2, REAL x3, REAL y3, REAL x4,
                      REAL y4) {
      Calls().push_back("DrawBezier " + Text(x1) + "," + Text(y1) + " " + Text(x4) + "," + Text(y4));
      return GdipDrawBezier(g, p, x1, y1, x2, y2, x3, y3, x4, y4);
    };
    f.DrawRectangleI = [](GpGraphics* g, GpPen* p, INT x, INT y, INT w, INT h) {
      Calls().push_back("DrawRectangleI " + Text(x) + "," + Text(y) + " " + Text(w) + "x" + Text(h));
      return GdipDrawRectangleI(g, p, x, y, w, h);
    };
    f.DrawEllipseI = [](GpGraphics* g, GpPen* p, INT x, INT y, INT w, INT h) {
      Calls().push_back("DrawEllipseI " + Text(x) + "," + Text(y) + " " + Text(w) + "x" + Text(h));
      return GdipDrawEllipseI(g, p, x, y, w, h);
    };
    f.DrawLine = [](GpGraphics* g, GpPen* p, REAL x1, REAL y1, REAL x2, REAL y2) {
      Calls().push_back("DrawLine " + Text(x1) + "," + Text(y1) + " " + Text(x2) + "," + Text(y2));
      return GdipDrawLine(g, p, x1, y1, x2, y2);
    };
  }
  ~RecordGdiplus() { shapes::detail::OverlayGdiplus() = saved; }
};

TEST_F(P1ShapeTest, TheOverlayShadesOutsideStrokesTheBowedOutlineAndDrawsTheHandles) {
  ULONG_PTR token = 0;
  GdiplusStartupInput input;
  ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
  Square();
  const double bowed[shapes::kSplineCount] = {0.1, 0, 0};
  shape->SetSplines(bowed);
  shape->PlaceSplineHandles();
  const Point2D before = P()[5];
  CDC dc;
  ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  {
    RecordGdiplus record;
    shape->Draw(&dc);
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  GdiplusShutdown(token);
  // Edge 0-1 and its copy 3-2 bow 10 pixels down at their middles: inner points 10 / 0.75 lower.
  const std::vector<std::string> expected = {"CreateFromHDC",
                                             "CreateHatchBrush 2 FF191919 FFE6E6E6",
                                             "CreatePen2 0.5 0",
                                             "SetSmoothingMode 2",
                                             "CreatePath 0",
                                             "AddPathBezier 100,100 150,113.333 200,100",
                                             "AddPathBezier 200,100 200,150 200,200",
                                             "AddPathBezier 200,200 150,213.333 100,200",
                                             "AddPathBezier 100,200 100,150 100,100",
                                             "CreateRegion",
                                             "CombineRegionPath 3",
                                             "CreateSolidFill 40202020",
                                             "FillRegion",
                                             "DrawBezier 100,100 200,100",
                                             "DrawBezier 200,100 200,200",
                                             "DrawBezier 200,200 100,200",
                                             "DrawBezier 100,200 100,100",
                                             "DrawRectangleI 196,96 8x8",
                                             "DrawRectangleI 96,196 8x8",
                                             "DrawRectangleI 146,146 8x8",
                                             "DrawEllipseI 146,106 8x8",
                                             "DrawEllipseI 96,146 8x8",
                                             "DrawEllipseI 179,146 8x8",
                                             "DrawLine 183,150 150,150",
                                             "DeleteRegion",
                                             "DeleteBrush",
                                             "DeleteBrush",
                                             "DeletePath",
                                             "DeletePen",
                                             "DeleteGraphics"};
  EXPECT_EQ(Calls(), expected);
  ExpectPoint(P()[5], before.x, before.y, "the shape stays in image coordinates");
}

}  // namespace
}  // namespace shapes_test
