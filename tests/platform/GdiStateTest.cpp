#include <gtest/gtest.h>

#include <cstring>

#include "platform/gdi/DcState.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/GdiPlus.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Metrics.h"
#include "tests/platform/GdiCanvas.h"

namespace {

TEST(Edges, EachBorderKindUsesItsSystemColours) {
  struct Case {
    UINT edge;
    int outerTopLeft, outerBottomRight, innerTopLeft, innerBottomRight;
  } cases[] = {
      {EDGE_RAISED, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW},
      {EDGE_SUNKEN, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
      {EDGE_ETCHED, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW},
      {EDGE_BUMP, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
  };
  for (const Case& c : cases) {
    Canvas canvas(10, 10);
    RECT rect{0, 0, 10, 10};
    ASSERT_TRUE(DrawEdge(canvas.dc, &rect, c.edge, BF_RECT | BF_ADJUST | BF_MIDDLE));
    EXPECT_EQ(canvas.At(5, 0), GetSysColor(c.outerTopLeft)) << c.edge;
    EXPECT_EQ(canvas.At(9, 5), GetSysColor(c.outerBottomRight)) << c.edge;
    EXPECT_EQ(canvas.At(5, 1), GetSysColor(c.innerTopLeft)) << c.edge;
    EXPECT_EQ(canvas.At(8, 5), GetSysColor(c.innerBottomRight)) << c.edge;
    EXPECT_EQ(canvas.At(5, 5), GetSysColor(COLOR_BTNFACE)) << c.edge;
    EXPECT_EQ(rect.left, 2);
    EXPECT_EQ(rect.bottom, 8);
  }
}

TEST(Inverting, FocusRectanglesAndXorPensUndoThemselves) {
  Canvas canvas(12, 12, RGB(10, 20, 30));
  RECT rect{1, 1, 11, 11};
  DrawFocusRect(canvas.dc, &rect);
  EXPECT_EQ(canvas.At(2, 2), RGB(10, 20, 30));  // inside stays
  EXPECT_NE(canvas.At(1, 1), canvas.At(2, 1));  // dotted
  DrawFocusRect(canvas.dc, &rect);
  for (int x = 0; x < 12; ++x) EXPECT_EQ(canvas.At(x, 1), RGB(10, 20, 30)) << x;
  SetROP2(canvas.dc, R2_XORPEN);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HGDIOBJ old = SelectObject(canvas.dc, pen);
  MoveToEx(canvas.dc, 0, 5, nullptr);
  LineTo(canvas.dc, 12, 5);
  EXPECT_EQ(canvas.At(3, 5), RGB(245, 235, 225));
  MoveToEx(canvas.dc, 0, 5, nullptr);
  LineTo(canvas.dc, 12, 5);
  EXPECT_EQ(canvas.At(3, 5), RGB(10, 20, 30));
  SelectObject(canvas.dc, old);
  DeleteObject(pen);
  InvertRect(canvas.dc, &rect);
  EXPECT_EQ(canvas.At(5, 5), RGB(245, 235, 225));
}

TEST(Brushes, PatternsFollowTheBrushOrigin) {
  Canvas canvas(16, 8);
  HBRUSH hatch = CreateHatchBrush(HS_VERTICAL, RGB(0, 0, 0));
  SetBkMode(canvas.dc, TRANSPARENT);
  RECT all{0, 0, 16, 8};
  FillRect(canvas.dc, &all, hatch);
  EXPECT_EQ(canvas.At(4, 0), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(12, 7), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(5, 0), RGB(255, 255, 255));
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  FillRect(canvas.dc, &all, white);
  SetBrushOrgEx(canvas.dc, 1, 0, nullptr);
  HGDIOBJ old = SelectObject(canvas.dc, hatch);
  PatBlt(canvas.dc, 0, 0, 16, 8, PATCOPY);
  EXPECT_EQ(canvas.At(5, 0), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(4, 0), RGB(255, 255, 255));
  SelectObject(canvas.dc, old);
  DeleteObject(hatch);
  DeleteObject(white);
}

TEST(Shapes, PolygonFillModesDifferOnOverlaps) {
  // A star drawn in one stroke: its centre is inside for WINDING, outside for ALTERNATE.
  POINT star[] = {{20, 0}, {32, 38}, {0, 14}, {40, 14}, {8, 38}};
  for (int mode : {ALTERNATE, WINDING}) {
    Canvas canvas(40, 40);
    SelectObject(canvas.dc, GetStockObject(NULL_PEN));
    SelectObject(canvas.dc, GetStockObject(BLACK_BRUSH));
    SetPolyFillMode(canvas.dc, mode);
    Polygon(canvas.dc, star, 5);
    EXPECT_EQ(canvas.At(20, 20), mode == WINDING ? RGB(0, 0, 0) : RGB(255, 255, 255)) << mode;
    EXPECT_EQ(canvas.At(20, 5), RGB(0, 0, 0)) << mode;  // a point of the star
  }
}

TEST(Shapes, PieAndArcRunCounterClockwise) {
  Canvas canvas(41, 41);
  SelectObject(canvas.dc, GetStockObject(BLACK_BRUSH));
  // From the radial through the right end to the one through the top: the upper right quarter.
  Pie(canvas.dc, 0, 0, 41, 41, 40, 20, 20, 0);
  EXPECT_EQ(canvas.At(30, 10), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(10, 10), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(30, 30), RGB(255, 255, 255));
}

TEST(Text, AlignmentsPlaceTheCellAroundThePoint) {
  struct Case {
    UINT align;
    int inkLeftMin, inkLeftMax;  // where the leftmost ink may lie relative to x = 50
  } cases[] = {{TA_LEFT, 50, 54}, {TA_RIGHT, 0, 49}, {TA_CENTER, 20, 49}};
  for (const Case& c : cases) {
    Canvas canvas(100, 40);
    SetBkMode(canvas.dc, TRANSPARENT);
    SelectObject(canvas.dc, GetStockObject(DEFAULT_GUI_FONT));
    SetTextAlign(canvas.dc, c.align);
    TextOut(canvas.dc, 50, 10, "HHHH", 4);
    int leftmost = -1;
    for (int x = 0; x < 100 && leftmost < 0; ++x) {
      for (int y = 0; y < 40; ++y) {
        if (canvas.At(x, y) != RGB(255, 255, 255)) {
          leftmost = x;
          break;
        }
      }
    }
    EXPECT_GE(leftmost, c.inkLeftMin) << c.align;
    EXPECT_LE(leftmost, c.inkLeftMax) << c.align;
  }
}

TEST(Text, UpdateCpAdvancesTheCurrentPositionAndOpaqueFillsTheCell) {
  Canvas canvas(100, 30);
  SelectObject(canvas.dc, GetStockObject(DEFAULT_GUI_FONT));
  SetTextAlign(canvas.dc, TA_UPDATECP);
  SetBkColor(canvas.dc, RGB(0, 0, 255));
  MoveToEx(canvas.dc, 5, 5, nullptr);
  TextOut(canvas.dc, 0, 0, "ab", 2);
  SIZE size;
  GetTextExtentPoint32(canvas.dc, "ab", 2, &size);
  POINT current;
  MoveToEx(canvas.dc, 0, 0, &current);
  EXPECT_EQ(current.x, 5 + size.cx);
  EXPECT_EQ(canvas.At(5, 5), RGB(0, 0, 255));  // the cell's corner, in the background colour
  EXPECT_EQ(canvas.At(5 + size.cx, 5), RGB(255, 255, 255));
  char face[32];
  EXPECT_GT(GetTextFace(canvas.dc, sizeof face, face), 0);
  EXPECT_STREQ(face, "MS Shell Dlg");
}

TEST(Text, BiggerFontsMeasureWiderAndBoldIsWider) {
  Canvas canvas(10, 10);
  auto width = [&](int height, int weight) {
    HFONT font = CreateFont(height, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
    HGDIOBJ old = SelectObject(canvas.dc, font);
    SIZE size;
    GetTextExtentPoint32(canvas.dc, "Symmetry", 8, &size);
    SelectObject(canvas.dc, old);
    DeleteObject(font);
    return size.cx;
  };
  EXPECT_LT(width(-10, FW_NORMAL), width(-20, FW_NORMAL));
  EXPECT_LT(width(-20, FW_NORMAL), width(-20, FW_BOLD));
  // A positive height is the cell, a negative one the character: the cell is the larger.
  EXPECT_LT(width(20, FW_NORMAL), width(-20, FW_NORMAL));
}

TEST(Mapping, MetricModesTurnYUpwards) {
  Canvas canvas(10, 10);
  SetMapMode(canvas.dc, MM_LOMETRIC);
  POINT p{254, -254};  // one inch right and down
  LPtoDP(canvas.dc, &p, 1);
  EXPECT_EQ(p.x, 96);
  EXPECT_EQ(p.y, 96);
  DPtoLP(canvas.dc, &p, 1);
  EXPECT_EQ(p.x, 254);
  EXPECT_EQ(p.y, -254);
  SetMapMode(canvas.dc, MM_ISOTROPIC);
  SetWindowExtEx(canvas.dc, 10, 10, nullptr);
  SetViewportExtEx(canvas.dc, 40, 20, nullptr);  // the smaller scale wins on both axes
  POINT q{10, 10};
  LPtoDP(canvas.dc, &q, 1);
  EXPECT_EQ(q.x, 20);
  EXPECT_EQ(q.y, 20);
}

TEST(Clipping, SelectedRegionsAreCopiesInDeviceCoordinates) {
  Canvas canvas(20, 20);
  HRGN region = CreateRectRgn(5, 5, 10, 10);
  EXPECT_EQ(SelectClipRgn(canvas.dc, region), SIMPLEREGION);
  OffsetRgn(region, 5, 5);  // changing the handle later changes nothing
  EXPECT_TRUE(PtVisible(canvas.dc, 6, 6));
  EXPECT_FALSE(PtVisible(canvas.dc, 12, 12));
  RECT inside{0, 0, 6, 6}, outside{12, 12, 15, 15};
  EXPECT_TRUE(RectVisible(canvas.dc, &inside));
  EXPECT_FALSE(RectVisible(canvas.dc, &outside));
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(canvas.dc, copy), 1);
  RECT box;
  GetRgnBox(copy, &box);
  EXPECT_EQ(box.left, 5);
  SelectClipRgn(canvas.dc, nullptr);
  EXPECT_EQ(GetClipRgn(canvas.dc, copy), 0);
  DeleteObject(region);
  DeleteObject(copy);
}

TEST(Objects, DescriptionsComeBackFromGetObject) {
  HPEN pen = CreatePen(PS_DASH, 1, RGB(1, 2, 3));
  LOGPEN logPen;
  ASSERT_EQ(GetObject(pen, sizeof logPen, &logPen), static_cast<int>(sizeof logPen));
  EXPECT_EQ(logPen.lopnStyle, static_cast<UINT>(PS_DASH));
  EXPECT_EQ(logPen.lopnColor, RGB(1, 2, 3));
  HBRUSH brush = CreateHatchBrush(HS_CROSS, RGB(4, 5, 6));
  LOGBRUSH logBrush;
  GetObject(brush, sizeof logBrush, &logBrush);
  EXPECT_EQ(logBrush.lbStyle, BS_HATCHED);
  EXPECT_EQ(logBrush.lbHatch, static_cast<ULONG_PTR>(HS_CROSS));
  HFONT font = CreateFont(-13, 0, 0, 0, FW_BOLD, 1, 0, 0, 0, 0, 0, 0, 0, "Arial");
  LOGFONT logFont;
  GetObject(font, sizeof logFont, &logFont);
  EXPECT_EQ(logFont.lfHeight, -13);
  EXPECT_STREQ(logFont.lfFaceName, "Arial");
  HBITMAP bitmap = CreateBitmap(9, 3, 1, 1, nullptr);
  BITMAP info;
  GetObject(bitmap, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 1);
  EXPECT_EQ(info.bmWidthBytes, 2);
  EXPECT_EQ(GetObjectType(pen), OBJ_PEN);
  EXPECT_EQ(GetObjectType(bitmap), OBJ_BITMAP);
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(pen), static_cast<HGDIOBJ>(brush), static_cast<HGDIOBJ>(font),
                         static_cast<HGDIOBJ>(bitmap)}) {
    EXPECT_TRUE(DeleteObject(object));
    EXPECT_FALSE(DeleteObject(object));  // a handle dies once
  }
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));  // stock objects stay
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), OBJ_PEN);
}

TEST(Palettes, EntriesComeBackAndNearestIndicesAreFound) {
  struct {
    LOGPALETTE head;
    PALETTEENTRY more[2];
  } block{{0x300, 3, {{255, 0, 0, 0}}}, {{0, 255, 0, 0}, {0, 0, 255, 0}}};
  HPALETTE palette = CreatePalette(&block.head);
  ASSERT_NE(palette, nullptr);
  PALETTEENTRY entries[3];
  EXPECT_EQ(GetPaletteEntries(palette, 0, 3, entries), 3u);
  EXPECT_EQ(entries[2].peBlue, 255);
  EXPECT_EQ(GetNearestPaletteIndex(palette, RGB(10, 240, 20)), 1u);
  Canvas canvas(1, 1);
  HPALETTE old = SelectPalette(canvas.dc, palette, FALSE);
  EXPECT_NE(old, nullptr);
  EXPECT_EQ(RealizePalette(canvas.dc), 0u);
  SelectPalette(canvas.dc, old, FALSE);
  DeleteObject(palette);
  block.head.palVersion = 0x200;
  EXPECT_EQ(CreatePalette(&block.head), nullptr);
}

TEST(DeviceCaps, TheDisplayIsA32BitOneAt96Dpi) {
  Canvas canvas(30, 20);
  EXPECT_EQ(GetDeviceCaps(canvas.dc, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(canvas.dc, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(canvas.dc, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(canvas.dc, HORZRES), 30);
  EXPECT_NE(GetDeviceCaps(canvas.dc, RASTERCAPS) & RC_STRETCHDIB, 0);
}

TEST(DrawingPlus, ObjectsNeedTheLibraryStartedAndStrokesLandOnPixelCentres) {
  GpSolidFill* brush = nullptr;
  EXPECT_EQ(GdipCreateSolidFill(0xFF000000, &brush), GdiplusNotInitialized);
  ULONG_PTR token;
  GdiplusStartupInput input;
  ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
  Canvas canvas(20, 20);
  GpGraphics* graphics = nullptr;
  ASSERT_EQ(GdipCreateFromHDC(canvas.dc, &graphics), Ok);
  GpPen* pen = nullptr;
  ASSERT_EQ(GdipCreatePen1(0xFFFF0000, 1, UnitWorld, &pen), Ok);
  GdipDrawLineI(graphics, pen, 2, 5, 17, 5);
  EXPECT_EQ(canvas.At(10, 5), RGB(255, 0, 0));
  EXPECT_EQ(canvas.At(10, 4), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(10, 6), RGB(255, 255, 255));
  GdipDrawEllipseI(graphics, pen, 2, 8, 10, 10);
  EXPECT_EQ(canvas.At(7, 8), RGB(255, 0, 0));  // the top of the ellipse
  EXPECT_EQ(canvas.At(7, 13), RGB(255, 255, 255));
  GpRegion* region = nullptr;
  GpRectF rect{0, 0, 5, 5};
  ASSERT_EQ(GdipCreateRegionRect(&rect, &region), Ok);
  GpRectF other{3, 3, 5, 5};
  GdipCombineRegionRect(region, &other, CombineModeIntersect);
  GpSolidFill* green = nullptr;
  GdipCreateSolidFill(0xFF00FF00, &green);
  GdipFillRegion(graphics, reinterpret_cast<GpBrush*>(green), region);
  EXPECT_EQ(canvas.At(3, 3), RGB(0, 255, 0));
  EXPECT_EQ(canvas.At(4, 4), RGB(0, 255, 0));
  EXPECT_EQ(canvas.At(2, 2), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(6, 6), RGB(255, 255, 255));
  GdipDeleteRegion(region);
  GdipDeleteBrush(reinterpret_cast<GpBrush*>(green));
  GdipDeletePen(pen);
  GdipDeleteGraphics(graphics);
  GdiplusShutdown(token);
}

}  // namespace
