#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/DcState.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/GdiPlus.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/Text.h"
#include "tests/platform/GdiCanvas.h"

namespace {

// Selects an object for one scope and deletes it afterwards.
struct Selected {
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), object_(object), previous_(SelectObject(dc, object)) {}
  ~Selected() {
    SelectObject(dc_, previous_);
    DeleteObject(object_);
  }
  HDC dc_;
  HGDIOBJ object_;
  HGDIOBJ previous_;
};

std::vector<COLORREF> PixelsOf(const Canvas& canvas, int width, int height) {
  std::vector<COLORREF> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(canvas.At(x, y));
  return pixels;
}

TEST(RasterOperations, CombinePatternSourceAndDestination) {
  const COLORREF d = RGB(0xF0, 0x0F, 0x55), s = RGB(0xCC, 0x33, 0xAA), p = RGB(0x81, 0x42, 0x24);
  auto bits = [](COLORREF c) { return c & 0xFFFFFF; };
  struct Case {
    const char* name;
    DWORD rop;
    COLORREF expected;
  } cases[] = {
      {"SRCCOPY", SRCCOPY, s},
      {"SRCPAINT", SRCPAINT, s | d},
      {"SRCAND", SRCAND, s & d},
      {"SRCINVERT", SRCINVERT, s ^ d},
      {"SRCERASE", SRCERASE, s & bits(~d)},
      {"NOTSRCCOPY", NOTSRCCOPY, bits(~s)},
      {"NOTSRCERASE", NOTSRCERASE, bits(~(s | d))},
      {"MERGECOPY", MERGECOPY, p & s},
      {"MERGEPAINT", MERGEPAINT, bits(~s) | d},
      {"PATCOPY", PATCOPY, p},
      {"PATPAINT", PATPAINT, bits(~s) | p | d},
      {"PATINVERT", PATINVERT, p ^ d},
      {"DSTINVERT", DSTINVERT, bits(~d)},
      {"BLACKNESS", BLACKNESS, 0},
      {"WHITENESS", WHITENESS, 0xFFFFFF},
  };
  Canvas source(4, 4, s);
  for (const Case& c : cases) {
    Canvas target(4, 4, d);
    Selected brush(target.dc, CreateSolidBrush(p));
    ASSERT_TRUE(BitBlt(target.dc, 1, 1, 2, 2, source.dc, 0, 0, c.rop)) << c.name;
    EXPECT_EQ(target.At(1, 1), c.expected) << c.name;
    EXPECT_EQ(target.At(2, 2), c.expected) << c.name;
    EXPECT_EQ(target.At(0, 0), d) << c.name << ": outside the rectangle";
    EXPECT_EQ(target.At(3, 3), d) << c.name << ": outside the rectangle";
  }
}

TEST(RasterOperations, MonochromeMaskMakesAColourTransparent) {
  // The classic mask trick: invert, and with the mask, invert again.
  const COLORREF key = RGB(255, 0, 255), ink = RGB(10, 200, 30), back = RGB(90, 90, 90);
  Canvas image(2, 1, key);
  SetPixel(image.dc, 1, 0, ink);
  HDC maskDc = CreateCompatibleDC(image.dc);
  HBITMAP mask = CreateBitmap(2, 1, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(maskDc, mask);
  SetBkColor(image.dc, key);
  BitBlt(maskDc, 0, 0, 2, 1, image.dc, 0, 0, SRCCOPY);  // the key colour becomes white
  EXPECT_EQ(GetPixel(maskDc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(maskDc, 1, 0), RGB(0, 0, 0));
  Canvas target(2, 1, back);
  SetBkColor(target.dc, RGB(255, 255, 255));
  SetTextColor(target.dc, RGB(0, 0, 0));
  BitBlt(target.dc, 0, 0, 2, 1, image.dc, 0, 0, 0x00660046);
  BitBlt(target.dc, 0, 0, 2, 1, maskDc, 0, 0, 0x008800C6);
  BitBlt(target.dc, 0, 0, 2, 1, image.dc, 0, 0, 0x00660046);
  EXPECT_EQ(target.At(0, 0), back);
  EXPECT_EQ(target.At(1, 0), ink);
  SelectObject(maskDc, old);
  DeleteObject(mask);
  DeleteDC(maskDc);
}

TEST(RasterOperations, StretchMirrorsAndPicksTheNearestPixel) {
  Canvas source(2, 1);
  SetPixel(source.dc, 0, 0, RGB(255, 0, 0));
  SetPixel(source.dc, 1, 0, RGB(0, 0, 255));
  Canvas target(4, 1);
  StretchBlt(target.dc, 0, 0, 4, 1, source.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(target.At(1, 0), RGB(255, 0, 0));
  EXPECT_EQ(target.At(2, 0), RGB(0, 0, 255));
  StretchBlt(target.dc, 4, 0, -4, 1, source.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(target.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(target.At(3, 0), RGB(255, 0, 0));
}

struct DibInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256];
};

TEST(DibSections, BottomUpRowsAndPalettesKeepStepWithDrawing) {
  DibInfo info{};
  info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 4, 2, 1, 8, BI_RGB, 0, 0, 0, 3, 0};
  info.colors[0] = RGBQUAD{0, 0, 0, 0};
  info.colors[1] = RGBQUAD{0, 0, 255, 0};  // red
  info.colors[2] = RGBQUAD{255, 0, 0, 0};  // blue
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                                 nullptr, 0);
  ASSERT_NE(dib, nullptr);
  auto* rows = static_cast<BYTE*>(bits);
  rows[0] = 1;  // the first row in memory is the bottom row on screen
  rows[4] = 2;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, dib);
  EXPECT_EQ(GetPixel(dc, 0, 1), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255));
  RECT right{2, 0, 4, 1};
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  FillRect(dc, &right, blue);
  DeleteObject(blue);
  EXPECT_EQ(rows[4 + 2], 2);  // the top row on screen is the second in memory
  EXPECT_EQ(rows[4 + 3], 2);
  EXPECT_EQ(rows[0 + 3], 0);
  DIBSECTION section;
  ASSERT_EQ(GetObject(dib, sizeof section, &section), static_cast<int>(sizeof section));
  EXPECT_EQ(section.dsBm.bmBitsPixel, 8);
  EXPECT_EQ(section.dsBm.bmBits, bits);
  SelectObject(dc, old);
  DeleteObject(dib);
  DeleteDC(dc);
}

TEST(DibSections, EveryDepthReadsBackThroughGetDIBits) {
  for (int depth : {1, 4, 8, 16, 24, 32}) {
    DibInfo info{};
    info.header = BITMAPINFOHEADER{
        sizeof(BITMAPINFOHEADER), 3, -2, 1, static_cast<WORD>(depth), BI_RGB, 0, 0, 0, 0, 0};
    info.colors[0] = RGBQUAD{0, 0, 0, 0};
    info.colors[1] = RGBQUAD{255, 255, 255, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                                   nullptr, 0);
    ASSERT_NE(dib, nullptr) << depth;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, dib);
    SetPixel(dc, 1, 1, RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 255, 255)) << depth;
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0)) << depth;
    SelectObject(dc, old);
    // Read bottom-up and top-down: the rows come in opposite orders, and only the bottom one
    // (with the white pixel) holds anything.
    const std::size_t rowBytes = static_cast<std::size_t>((3 * depth + 31) / 32 * 4);
    std::vector<BYTE> up(2 * rowBytes), down(2 * rowBytes);
    DibInfo out = info;
    out.header.biHeight = 2;
    EXPECT_EQ(GetDIBits(dc, dib, 0, 2, up.data(), reinterpret_cast<BITMAPINFO*>(&out), DIB_RGB_COLORS), 2)
        << depth;
    out.header.biHeight = -2;
    EXPECT_EQ(GetDIBits(dc, dib, 0, 2, down.data(), reinterpret_cast<BITMAPINFO*>(&out), DIB_RGB_COLORS), 2)
        << depth;
    EXPECT_TRUE(std::equal(up.begin(), up.begin() + static_cast<std::ptrdiff_t>(rowBytes),
                           down.begin() + static_cast<std::ptrdiff_t>(rowBytes)))
        << depth;
    EXPECT_TRUE(std::any_of(up.begin(), up.begin() + static_cast<std::ptrdiff_t>(rowBytes), [](BYTE b) {
      return b != 0;
    })) << depth;
    EXPECT_TRUE(std::all_of(down.begin(), down.begin() + static_cast<std::ptrdiff_t>(rowBytes), [](BYTE b) {
      return b == 0;
    })) << depth;
    DeleteDC(dc);
    DeleteObject(dib);
  }
}

TEST(Pens, LinesLeaveOutTheirEndAndDashesLeaveGaps) {
  Canvas canvas(60, 3);
  SetBkMode(canvas.dc, TRANSPARENT);
  {
    Selected pen(canvas.dc, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    MoveToEx(canvas.dc, 0, 0, nullptr);
    LineTo(canvas.dc, 10, 0);
  }
  EXPECT_EQ(canvas.At(9, 0), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(10, 0), RGB(255, 255, 255));
  {
    Selected pen(canvas.dc, CreatePen(PS_DASH, 1, RGB(0, 0, 0)));
    MoveToEx(canvas.dc, 0, 2, nullptr);
    LineTo(canvas.dc, 60, 2);
  }
  int inked = 0, gaps = 0;
  for (int x = 0; x < 60; ++x) (canvas.At(x, 2) == RGB(0, 0, 0) ? inked : gaps)++;
  EXPECT_EQ(canvas.At(0, 2), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(20, 2), RGB(255, 255, 255));  // the first gap
  EXPECT_GT(gaps, 10);
  EXPECT_GT(inked, 30);
  // In OPAQUE mode the gaps take the background colour.
  SetBkMode(canvas.dc, OPAQUE);
  SetBkColor(canvas.dc, RGB(0, 255, 0));
  {
    Selected pen(canvas.dc, CreatePen(PS_DOT, 1, RGB(0, 0, 0)));
    MoveToEx(canvas.dc, 0, 1, nullptr);
    LineTo(canvas.dc, 12, 1);
  }
  EXPECT_EQ(canvas.At(0, 1), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(4, 1), RGB(0, 255, 0));
}

TEST(Pens, DashesRunOnOverTheLinesPartsOffTheSurface) {
  // An outline leaving the surface and coming back dashes as it does on a surface that holds it.
  auto draw = [](int width, int shift) {
    Canvas canvas(width, 30);
    Selected pen(canvas.dc, CreatePen(PS_DASHDOT, 0, RGB(0, 0, 0)));
    SetViewportOrgEx(canvas.dc, shift, 0, nullptr);
    const POINT outline[] = {{5, 10}, {67, 10}, {67, 20}, {-13, 20}, {-13, 25}, {30, 25}};
    Polyline(canvas.dc, outline, 6);
    return PixelsOf(canvas, 40, 30);  // read through the shift
  };
  const std::vector<COLORREF> held = draw(100, 20);
  EXPECT_NE(std::count(held.begin(), held.end(), RGB(0, 0, 0)), 0);
  EXPECT_EQ(draw(40, 0), held);
}

TEST(Pens, LinesFromFarOutsideTheSurfaceDrawOnlyTheirVisiblePart) {
  Canvas canvas(10, 3);
  Selected pen(canvas.dc, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
  MoveToEx(canvas.dc, -100000000, 1, nullptr);
  LineTo(canvas.dc, 100000000, 1);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(canvas.At(x, 1), RGB(0, 0, 0)) << x;
  EXPECT_EQ(canvas.At(5, 0), RGB(255, 255, 255));
}

TEST(Pens, OutlinesReachingFarPastTheSurfaceShowWhatNearOnesShow) {
  // A wide and a tall outline, each with its ends just past the surface's edges, and the same
  // stretched outwards by a whole number of dash periods (millions of dashes around), so every
  // visible dash and gap falls where it did.
  constexpr int kWidth = 40, kHeight = 30, kGrow = 24 * 340000;
  struct Case {
    const char* name;
    int style, width, bkMode;
  } cases[] = {
      {"dash-dot", PS_DASHDOT, 0, TRANSPARENT},
      {"dash-dot-dot with opaque gaps", PS_DASHDOTDOT, 0, OPAQUE},
      {"wide solid", PS_SOLID, 3, TRANSPARENT},
  };
  for (const Case& c : cases) {
    auto draw = [&](int grow) {
      Canvas canvas(kWidth, kHeight);
      SetBkMode(canvas.dc, c.bkMode);
      SetBkColor(canvas.dc, RGB(0, 255, 0));
      Selected pen(canvas.dc, CreatePen(c.style, c.width, RGB(0, 0, 0)));
      SelectObject(canvas.dc, GetStockObject(NULL_BRUSH));
      RoundRect(canvas.dc, -3 - grow, 4, kWidth + 3 + grow, kHeight - 3, 0, 0);
      RoundRect(canvas.dc, 3, -3 - grow, kWidth - 5, kHeight + 3 + grow, 0, 0);
      return PixelsOf(canvas, kWidth, kHeight);
    };
    const std::vector<COLORREF> near = draw(0), far = draw(kGrow);
    EXPECT_NE(std::count(near.begin(), near.end(), RGB(0, 0, 0)), 0) << c.name;
    for (std::size_t i = 0; i < near.size(); ++i) {
      ASSERT_EQ(far[i], near[i]) << c.name << " at " << i % kWidth << ", " << i / kWidth;
    }
  }
}

TEST(Pens, PensWiderThanTheSurfaceReachingFarPaintWhatNearOnesPaint) {
  // Lines with ends just past the pen's reach and far past it: one whose stroke covers the
  // surface in part, one that covers all of it.
  constexpr int kWidth = 40, kHeight = 30, kPen = 60;
  for (int y : {-20, 15}) {
    auto draw = [&](int overhang) {
      Canvas canvas(kWidth, kHeight);
      Selected pen(canvas.dc, CreatePen(PS_SOLID, kPen, RGB(0, 0, 0)));
      const POINT line[] = {{-overhang, y}, {kWidth + overhang, y}};
      Polyline(canvas.dc, line, 2);
      return PixelsOf(canvas, kWidth, kHeight);
    };
    const std::vector<COLORREF> near = draw(kPen / 2 + 1), far = draw(4000000);
    EXPECT_NE(std::count(near.begin(), near.end(), RGB(0, 0, 0)), 0) << y;
    EXPECT_EQ(far, near) << y;
  }
  // Far wider than Cairo's coordinates reach.
  Canvas canvas(kWidth, kHeight);
  Selected pen(canvas.dc, CreatePen(PS_SOLID, 1 << 30, RGB(0, 0, 0)));
  const POINT line[] = {{0, 15}, {10, 15}, {5, 20}};
  Polyline(canvas.dc, line, 3);
  const std::vector<COLORREF> pixels = PixelsOf(canvas, kWidth, kHeight);
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), RGB(0, 0, 0)), kWidth * kHeight);
}

// Far past Cairo's 24.8 coordinates (2^23), yet within the device's (2^28).
constexpr int kFar[] = {1 << 22, 1 << 24, 1 << 26, (1 << 28) - 12346};

constexpr COLORREF kBlue = RGB(0, 0, 255);

// Filled with a blue brush, no pen, on a white 40 x 30 canvas.
template <class Draw>
std::vector<COLORREF> Filled(Draw draw, int fillMode = ALTERNATE) {
  Canvas canvas(40, 30);
  Selected brush(canvas.dc, CreateSolidBrush(kBlue));
  SelectObject(canvas.dc, GetStockObject(NULL_PEN));
  SetPolyFillMode(canvas.dc, fillMode);
  draw(canvas.dc);
  return PixelsOf(canvas, 40, 30);
}

std::ptrdiff_t BlueCount(const std::vector<COLORREF>& pixels) {
  return std::count(pixels.begin(), pixels.end(), kBlue);
}

TEST(FarShapes, FarPolygonsFillWhatNearOnesShowingTheSameFill) {
  // A wedge opening to the left from (20, 25), its sides one pixel across for two along: near,
  // cut by hand just past the surface, and reaching far out.
  const std::vector<COLORREF> nearWedge = Filled([](HDC dc) {
    const POINT wedge[] = {{20, 25}, {-2, 14}, {-2, 31}, {8, 31}};
    Polygon(dc, wedge, 4);
  });
  EXPECT_GT(BlueCount(nearWedge), 100);
  for (int far : kFar) {
    const std::vector<COLORREF> farWedge = Filled([&](HDC dc) {
      const POINT wedge[] = {{20, 25}, {20 - far, 25 - far / 2}, {20 - far, 25 + far / 2}};
      Polygon(dc, wedge, 3);
    });
    EXPECT_EQ(farWedge, nearWedge) << far;
  }
  // A band and a second such wedge turning the same way: their overlap is wound twice, which
  // one fill rule fills and the other leaves.
  auto bands = [](int far) {
    return [far](HDC dc) {
      const POINT nearPoints[] = {{-2, 5},  {25, 5},  {25, 20}, {-2, 20},  // band
                                  {30, 12}, {-2, 28}, {-2, -2}, {2, -2}};  // wedge
      const POINT farPoints[] = {{-far, 5},
                                 {25, 5},
                                 {25, 20},
                                 {-far, 20},  // band
                                 {30, 12},
                                 {30 - far, 12 + far / 2},
                                 {30 - far, 12 - far / 2}};
      const INT nearCounts[] = {4, 4}, farCounts[] = {4, 3};
      if (far)
        PolyPolygon(dc, farPoints, farCounts, 2);
      else
        PolyPolygon(dc, nearPoints, nearCounts, 2);
    };
  };
  for (int mode : {ALTERNATE, WINDING}) {
    const std::vector<COLORREF> near = Filled(bands(0), mode);
    EXPECT_EQ(near[12 * 40 + 20] == kBlue, mode == WINDING);  // in the overlap
    EXPECT_EQ(near[19 * 40 + 24], kBlue);                     // the band alone
    EXPECT_EQ(near[12 * 40 + 28], kBlue);                     // the wedge alone
    for (int far : kFar) EXPECT_EQ(Filled(bands(far), mode), near) << mode << " " << far;
  }
  // Sides that slope a little less than 45 degrees the further out they reach.
  auto triangle = [](int far) {
    return Filled([far](HDC dc) {
      const POINT points[] = {{-far, 22 - far}, {20, 25}, {-far, 28 + far}};
      Polygon(dc, points, 3);
    });
  };
  const std::vector<COLORREF> reachable = triangle(1 << 22);
  EXPECT_NE(reachable, triangle(0));
  for (int far : {1 << 24, 1 << 26}) EXPECT_EQ(triangle(far), reachable) << far;
}

TEST(FarShapes, FarEllipsesAndPiesShowTheirVisibleArcs) {
  // A pie of a circle reaching far past the surface fills what a smaller one covering the
  // surface fills: the wedge between its sides.
  auto pie = [](int radius) {
    return Filled(
        [radius](HDC dc) { Pie(dc, 20 - radius, 15 - radius, 20 + radius, 15 + radius, 40, 5, 10, 0); });
  };
  const std::vector<COLORREF> nearPie = pie(40);
  EXPECT_GT(BlueCount(nearPie), 50);
  for (int far : kFar) EXPECT_EQ(pie(far), nearPie) << far;
  // The tip of an ellipse 2^28 wide and 2^16 high, bent as a circle of 8 pixels: each pixel
  // whose centre lies clearly inside it is filled, clearly outside it left.
  constexpr double kHalfWidth = 1 << 27, kHalfHeight = 1 << 15;
  const std::vector<COLORREF> tip = Filled([&](HDC dc) {
    Ellipse(dc, 30 - 2 * static_cast<int>(kHalfWidth), 15 - static_cast<int>(kHalfHeight), 30,
            15 + static_cast<int>(kHalfHeight));
  });
  int wrong = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      // The ellipse's equation, and the distance to it along its gradient.
      const double u = (x + 0.5 - (30 - kHalfWidth)) / kHalfWidth, v = (y + 0.5 - 15) / kHalfHeight;
      const double f = u * u + v * v - 1;
      const double gradient = 2 * std::hypot(u / kHalfWidth, v / kHalfHeight);
      const double distance = f / gradient;
      if (std::fabs(distance) < 0.5) continue;
      if ((tip[static_cast<std::size_t>(y * 40 + x)] == kBlue) != (distance < 0)) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(tip[15 * 40 + 28], kBlue);
  EXPECT_NE(tip[0 * 40 + 29], kBlue);
}

TEST(FarShapes, FarCirclesStrokeTheirVisibleArcs) {
  // The top of a circle millions of pixels across, drawn with a 3-pixel pen, is the straight
  // line through its top across the surface.
  auto outline = [](auto draw) {
    Canvas canvas(40, 30);
    Selected pen(canvas.dc, CreatePen(PS_SOLID, 3, RGB(255, 0, 0)));
    SelectObject(canvas.dc, GetStockObject(NULL_BRUSH));
    draw(canvas.dc);
    return PixelsOf(canvas, 40, 30);
  };
  const std::vector<COLORREF> line = outline([](HDC dc) {
    const POINT points[] = {{-5, 16}, {45, 16}};
    Polyline(dc, points, 2);
  });
  for (int radius : {1 << 22, 1 << 24, 1 << 26}) {
    EXPECT_EQ(outline([radius](HDC dc) { Ellipse(dc, 20 - radius, 15, 20 + radius, 15 + 2 * radius); }), line)
        << radius;
  }
}

TEST(FarShapes, RectanglesAndTextCellsFarAwayPaintNothing) {
  // Each would wrap onto the surface in Cairo's coordinates.
  const int far = (1 << 24) + 5;
  const std::vector<COLORREF> pixels = Filled([far](HDC dc) {
    RECT r{far, 0, far + 10, 10};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    Rectangle(dc, far, 10, far + 10, 20);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 0, 0));
    TextOut(dc, far, 20, "Hm", 2);
  });
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), RGB(255, 255, 255)), 40 * 30);
}

TEST(FarShapes, ShapesAtTheDevicesEdgeDrawInBoundedTime) {
  // Every shape spanning the whole device range, filled, outlined solid and dashed: each
  // covers or crosses the surface.
  const int edge = 1 << 28;
  for (int style : {PS_SOLID, PS_DASHDOT}) {
    for (int width : {0, 7}) {
      Canvas canvas(40, 30);
      SetBkMode(canvas.dc, OPAQUE);
      Selected pen(canvas.dc, CreatePen(style, width, RGB(255, 0, 0)));
      Selected brush(canvas.dc, CreateSolidBrush(kBlue));
      Ellipse(canvas.dc, -edge, -edge, edge, edge);
      EXPECT_EQ(canvas.At(20, 15), kBlue);
      RoundRect(canvas.dc, -edge, -edge, edge, 20, edge, edge);
      Pie(canvas.dc, -edge, -edge, edge, edge, edge, 0, 0, edge);
      Chord(canvas.dc, -edge, -edge, edge, 10, -edge, 0, edge, 10);
      Arc(canvas.dc, 20 - edge, 15 - edge, 20 + edge, 15 + edge, 0, edge, edge, 0);
      const POINT points[] = {{-edge, 3}, {edge, -edge}, {edge, edge}, {-edge, edge},
                              {20, 15},   {edge, 25},    {-edge, 3}};
      Polygon(canvas.dc, points, 6);
      PolyBezier(canvas.dc, points, 7);
      Rectangle(canvas.dc, -edge, -edge, edge, edge);
      EXPECT_EQ(canvas.At(20, 15), kBlue);
    }
  }
}

TEST(Shapes, WidePenRectanglesHaveSquareCorners) {
  Canvas canvas(40, 30);
  Selected pen(canvas.dc, CreatePen(PS_SOLID, 9, RGB(255, 0, 0)));
  SelectObject(canvas.dc, GetStockObject(NULL_BRUSH));
  Rectangle(canvas.dc, 6, 6, 34, 25);  // the pen runs along 6.5 ... 33.5, 4.5 to each side
  for (POINT corner : {POINT{2, 2}, POINT{37, 2}, POINT{2, 28}, POINT{37, 28}}) {
    EXPECT_EQ(canvas.At(corner.x, corner.y), RGB(255, 0, 0)) << corner.x << ", " << corner.y;
  }
  EXPECT_EQ(canvas.At(1, 1), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(38, 29), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(20, 15), RGB(255, 255, 255));
  // Other shapes keep their round joins.
  Canvas round(40, 30);
  Selected roundPen(round.dc, CreatePen(PS_SOLID, 9, RGB(255, 0, 0)));
  const POINT corner[] = {{6, 25}, {6, 6}, {34, 6}};
  Polyline(round.dc, corner, 3);
  EXPECT_EQ(round.At(2, 2), RGB(255, 255, 255));
  EXPECT_EQ(round.At(3, 3), RGB(255, 0, 0));
}

TEST(Shapes, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  Canvas canvas(12, 12);
  Selected pen(canvas.dc, CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
  Selected brush(canvas.dc, CreateSolidBrush(RGB(0, 0, 255)));
  Rectangle(canvas.dc, 2, 2, 8, 8);
  EXPECT_EQ(canvas.At(2, 2), RGB(255, 0, 0));
  EXPECT_EQ(canvas.At(7, 7), RGB(255, 0, 0));
  EXPECT_EQ(canvas.At(4, 4), RGB(0, 0, 255));
  EXPECT_EQ(canvas.At(8, 8), RGB(255, 255, 255));  // right and bottom are outside
  Ellipse(canvas.dc, 0, 0, 12, 12);
  EXPECT_EQ(canvas.At(6, 6), RGB(0, 0, 255));
  EXPECT_EQ(canvas.At(0, 0), RGB(255, 255, 255));  // corners stay outside
}

TEST(Brushes, HatchesDrawLinesOnTheBackground) {
  Canvas canvas(8, 8);
  SetBkColor(canvas.dc, RGB(0, 255, 0));
  HBRUSH hatch = CreateHatchBrush(HS_HORIZONTAL, RGB(0, 0, 0));
  RECT all{0, 0, 8, 8};
  FillRect(canvas.dc, &all, hatch);
  EXPECT_EQ(canvas.At(3, 4), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(3, 3), RGB(0, 255, 0));
  SetBkMode(canvas.dc, TRANSPARENT);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  FillRect(canvas.dc, &all, white);
  FillRect(canvas.dc, &all, hatch);
  EXPECT_EQ(canvas.At(3, 3), RGB(255, 255, 255));
  DeleteObject(hatch);
  DeleteObject(white);
}

TEST(Clipping, ClipRectanglesLimitDrawingUntilRestored) {
  Canvas canvas(10, 10);
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  RECT all{0, 0, 10, 10};
  int saved = SaveDC(canvas.dc);
  IntersectClipRect(canvas.dc, 2, 2, 6, 6);
  ExcludeClipRect(canvas.dc, 3, 3, 4, 4);
  RECT box;
  EXPECT_EQ(GetClipBox(canvas.dc, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 2);
  EXPECT_EQ(box.right, 6);
  FillRect(canvas.dc, &all, black);
  EXPECT_EQ(canvas.At(6, 6), CLR_INVALID);  // outside the clip region pixels cannot be read
  RestoreDC(canvas.dc, saved);
  EXPECT_EQ(canvas.At(2, 2), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(3, 3), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(6, 6), RGB(255, 255, 255));
  FillRect(canvas.dc, &all, black);
  EXPECT_EQ(canvas.At(9, 9), RGB(0, 0, 0));
  DeleteObject(black);
}

TEST(Mapping, ViewportAndWindowMoveAndScaleDrawing) {
  Canvas canvas(20, 20);
  SetViewportOrgEx(canvas.dc, 5, 5, nullptr);
  SetPixel(canvas.dc, 0, 0, RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(canvas.dc, 0, 0), RGB(0, 0, 0));
  SetViewportOrgEx(canvas.dc, 0, 0, nullptr);
  EXPECT_EQ(canvas.At(5, 5), RGB(0, 0, 0));
  SetMapMode(canvas.dc, MM_ANISOTROPIC);
  SetWindowExtEx(canvas.dc, 100, 100, nullptr);
  SetViewportExtEx(canvas.dc, 20, 20, nullptr);
  POINT p{50, 75};
  LPtoDP(canvas.dc, &p, 1);
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, 15);
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  RECT logical{0, 0, 50, 50};
  FillRect(canvas.dc, &logical, black);
  DeleteObject(black);
  SetMapMode(canvas.dc, MM_TEXT);
  EXPECT_EQ(canvas.At(9, 9), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(10, 10), RGB(255, 255, 255));
}

TEST(Regions, CombineModesGiveTheExpectedAreas) {
  HRGN a = CreateRectRgn(0, 0, 10, 10);
  HRGN b = CreateRectRgn(5, 5, 15, 15);
  HRGN out = CreateRectRgn(0, 0, 0, 0);
  struct Case {
    int mode;
    POINT inside;
    POINT outside;
    int kind;
  } cases[] = {
      {RGN_AND, {7, 7}, {2, 2}, SIMPLEREGION},
      {RGN_OR, {12, 12}, {12, 2}, COMPLEXREGION},
      {RGN_XOR, {2, 2}, {7, 7}, COMPLEXREGION},
      {RGN_DIFF, {2, 2}, {7, 7}, COMPLEXREGION},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CombineRgn(out, a, b, c.mode), c.kind) << c.mode;
    EXPECT_TRUE(PtInRegion(out, c.inside.x, c.inside.y)) << c.mode;
    EXPECT_FALSE(PtInRegion(out, c.outside.x, c.outside.y)) << c.mode;
  }
  HRGN ellipse = CreateEllipticRgn(0, 0, 20, 10);
  EXPECT_TRUE(PtInRegion(ellipse, 10, 5));
  EXPECT_FALSE(PtInRegion(ellipse, 0, 0));
  RECT box;
  GetRgnBox(ellipse, &box);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.bottom, 10);
  for (HRGN r : {a, b, out, ellipse}) DeleteObject(r);
}

TEST(Text, ExtentsAreStableAndAddUpFromCharacterWidths) {
  Canvas canvas(200, 40);
  Selected font(canvas.dc, CreateFont(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "MS Shell Dlg"));
  SIZE first, second;
  ASSERT_TRUE(GetTextExtentPoint32(canvas.dc, "Wendle Forge", 12, &first));
  ASSERT_TRUE(GetTextExtentPoint32(canvas.dc, "Wendle Forge", 12, &second));
  EXPECT_EQ(first.cx, second.cx);
  INT widths[256];
  ASSERT_TRUE(GetCharWidth32(canvas.dc, 0, 255, widths));
  int sum = 0;
  for (char c : std::string("Wendle Forge")) sum += widths[static_cast<unsigned char>(c)];
  EXPECT_EQ(first.cx, sum);
  TEXTMETRIC metrics;
  ASSERT_TRUE(GetTextMetrics(canvas.dc, &metrics));
  EXPECT_EQ(first.cy, metrics.tmHeight);
  EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, 16);  // the character height asked for
  EXPECT_GT(first.cx, 60);
  EXPECT_LT(first.cx, 140);
}

TEST(Text, EveryBeginningsExtentComesInOnePassAsEachAlone) {
  Canvas canvas(200, 40);
  Selected font(canvas.dc, CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "MS Shell Dlg"));
  const std::string text = "Wendle Forge";
  const int count = static_cast<int>(text.size());
  std::vector<int> dx(text.size());
  SIZE whole{}, alone{};
  int fit = -1;
  ASSERT_TRUE(GetTextExtentPoint32(canvas.dc, text.c_str(), 6, &alone));
  ASSERT_TRUE(GetTextExtentExPoint(canvas.dc, text.c_str(), count, alone.cx, &fit, dx.data(), &whole));
  EXPECT_EQ(fit, 6) << "\"Wendle\" and no more within its own width";
  for (int i = 0; i < count; ++i) {
    ASSERT_TRUE(GetTextExtentPoint32(canvas.dc, text.c_str(), i + 1, &alone));
    EXPECT_EQ(dx[static_cast<std::size_t>(i)], alone.cx) << i;
  }
  EXPECT_EQ(whole.cx, alone.cx);
  EXPECT_EQ(whole.cy, alone.cy);
}

TEST(Text, TextOutInksOnlyInsideItsCell) {
  Canvas canvas(120, 40);
  Selected font(canvas.dc, CreateFont(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
  SetTextColor(canvas.dc, RGB(0, 0, 0));
  SetBkMode(canvas.dc, TRANSPARENT);
  SIZE size;
  GetTextExtentPoint32(canvas.dc, "Hm", 2, &size);
  TextOut(canvas.dc, 10, 5, "Hm", 2);
  int inked = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 120; ++x) {
      if (canvas.At(x, y) == RGB(255, 255, 255)) continue;
      ++inked;
      EXPECT_TRUE(x >= 10 && x < 10 + size.cx && y >= 5 && y < 5 + size.cy) << x << "," << y;
    }
  }
  EXPECT_GT(inked, 50);
}

TEST(Text, DrawTextWrapsMeasuresAndCentres) {
  Canvas canvas(200, 100);
  SelectObject(canvas.dc, GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRIC metrics;
  GetTextMetrics(canvas.dc, &metrics);
  RECT rect{0, 0, 60, 0};
  int height = DrawText(canvas.dc, "one two three four", -1, &rect, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_GT(height, metrics.tmHeight);
  EXPECT_EQ(rect.bottom, height);
  EXPECT_LE(rect.right, 60);
  RECT line{0, 0, 0, 0};
  DrawText(canvas.dc, "&Save", -1, &line, DT_CALCRECT | DT_SINGLELINE);
  SIZE plain;
  GetTextExtentPoint32(canvas.dc, "Save", 4, &plain);
  EXPECT_EQ(line.right, plain.cx);  // the prefix mark takes no room
  RECT box{0, 0, 200, 100};
  SetBkMode(canvas.dc, TRANSPARENT);
  DrawText(canvas.dc, "X", 1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  EXPECT_EQ(canvas.At(0, 0), RGB(255, 255, 255));
  bool inkedNearCentre = false;
  for (int y = 40; y < 60; ++y) {
    for (int x = 90; x < 110; ++x) inkedNearCentre = inkedNearCentre || canvas.At(x, y) != RGB(255, 255, 255);
  }
  EXPECT_TRUE(inkedNearCentre);
}

TEST(Text, GlyphOutlinesComeInThePlatformsRecords) {
  Canvas canvas(10, 10);
  Selected font(canvas.dc, CreateFont(-100, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
  GLYPHMETRICS metrics;
  MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  for (UINT format : {GGO_NATIVE, GGO_BEZIER}) {
    DWORD size = GetGlyphOutline(canvas.dc, 'O', format, &metrics, 0, nullptr, &identity);
    ASSERT_NE(size, GDI_ERROR);
    std::vector<BYTE> buffer(size);
    ASSERT_EQ(GetGlyphOutline(canvas.dc, 'O', format, &metrics, size, buffer.data(), &identity), size);
    int contours = 0;
    for (DWORD at = 0; at < size;) {
      auto* header = reinterpret_cast<TTPOLYGONHEADER*>(buffer.data() + at);
      EXPECT_EQ(header->dwType, TT_POLYGON_TYPE);
      for (DWORD curve = at + sizeof(TTPOLYGONHEADER); curve < at + header->cb;) {
        auto* record = reinterpret_cast<TTPOLYCURVE*>(buffer.data() + curve);
        EXPECT_TRUE(record->wType == TT_PRIM_LINE ||
                    record->wType == (format == GGO_BEZIER ? TT_PRIM_CSPLINE : TT_PRIM_QSPLINE));
        curve += 4 + record->cpfx * sizeof(POINTFX);
      }
      at += header->cb;
      ++contours;
    }
    EXPECT_EQ(contours, 2);  // the outside and the hole
  }
  EXPECT_GT(metrics.gmBlackBoxY, 60u);
  EXPECT_GT(metrics.gmCellIncX, 60);
}

TEST(DrawingPlus, HatchedBezierPathLandsWhereExpected) {
  ULONG_PTR token;
  GdiplusStartupInput input;
  ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
  Canvas canvas(100, 100);
  GpGraphics* graphics = nullptr;
  ASSERT_EQ(GdipCreateFromHDC(canvas.dc, &graphics), Ok);
  GdipSetSmoothingMode(graphics, SmoothingModeHighQuality);
  GpHatch* hatch = nullptr;
  GdipCreateHatchBrush(HatchStyleForwardDiagonal, 0xFF191919, 0xFFE6E6E6, &hatch);
  GpPath* path = nullptr;
  GdipCreatePath(FillModeAlternate, &path);
  // A lens between two Beziers from (20, 50) to (80, 50).
  GdipAddPathBezier(path, 20, 50, 40, 20, 60, 20, 80, 50);
  GdipAddPathBezier(path, 80, 50, 60, 80, 40, 80, 20, 50);
  GdipClosePathFigure(path);
  GpRegion* region = nullptr;
  GdipCreateRegion(&region);
  GdipCombineRegionPath(region, path, CombineModeXor);
  GpSolidFill* shade = nullptr;
  GdipCreateSolidFill(0xFF000000, &shade);
  ASSERT_EQ(GdipFillRegion(graphics, reinterpret_cast<GpBrush*>(shade), region), Ok);
  ASSERT_EQ(GdipFillPath(graphics, reinterpret_cast<GpBrush*>(hatch), path), Ok);
  // Outside the lens: the shade; inside: only the hatch's two colours; on a hatch line the ink.
  EXPECT_EQ(canvas.At(5, 5), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(50, 10), RGB(0, 0, 0));
  int ink = 0, paper = 0;
  for (int y = 45; y < 56; ++y) {
    for (int x = 40; x < 61; ++x) {
      COLORREF c = canvas.At(x, y);
      if (c == RGB(0x19, 0x19, 0x19))
        ++ink;
      else if (c == RGB(0xE6, 0xE6, 0xE6))
        ++paper;
      else
        ADD_FAILURE() << "unexpected colour at " << x << "," << y;
    }
  }
  EXPECT_GT(ink, 10);
  EXPECT_GT(paper, 5 * ink);
  GpPen* pen = nullptr;
  ASSERT_EQ(GdipCreatePen2(reinterpret_cast<GpBrush*>(hatch), 0.5f, UnitWorld, &pen), Ok);
  EXPECT_EQ(GdipDrawRectangleI(graphics, pen, 2, 2, 10, 10), Ok);
  GdipDeletePen(pen);
  GdipDeleteRegion(region);
  GdipDeletePath(path);
  GdipDeleteBrush(reinterpret_cast<GpBrush*>(shade));
  GdipDeleteBrush(reinterpret_cast<GpBrush*>(hatch));
  GdipDeleteGraphics(graphics);
  GdiplusShutdown(token);
}

TEST(DrawingPlus, TranslucentFillBlendsWithTheBackground) {
  ULONG_PTR token;
  GdiplusStartupInput input;
  GdiplusStartup(&token, &input, nullptr);
  Canvas canvas(10, 10, RGB(200, 200, 200));
  GpGraphics* graphics = nullptr;
  GdipCreateFromHDC(canvas.dc, &graphics);
  GpSolidFill* shade = nullptr;
  GdipCreateSolidFill(0x40202020, &shade);
  GdipFillRectangleI(graphics, reinterpret_cast<GpBrush*>(shade), 0, 0, 5, 5);
  COLORREF mixed = canvas.At(2, 2);
  EXPECT_NEAR(GetRValue(mixed), (200 * 191 + 32 * 64) / 255, 2);
  EXPECT_EQ(canvas.At(5, 5), RGB(200, 200, 200));
  GdipDeleteBrush(reinterpret_cast<GpBrush*>(shade));
  GdipDeleteGraphics(graphics);
  GdiplusShutdown(token);
}

}  // namespace
