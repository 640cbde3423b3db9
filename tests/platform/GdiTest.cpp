#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "tests/platform/GdiCanvas.h"

namespace {

// A bitmap header with room for a full palette.
struct DibInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256];
};

DibInfo MakeInfo(int width, int height, int bits, DWORD colorsUsed = 0) {
  DibInfo info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bits);
  info.header.biClrUsed = colorsUsed;
  return info;
}

const BITMAPINFO* AsInfo(const DibInfo& info) { return reinterpret_cast<const BITMAPINFO*>(&info); }

TEST(GdiObjects, SelectionRules) {
  HDC first = CreateCompatibleDC(nullptr);
  HDC second = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(first, 3, 2);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(first, 0, 2), nullptr);

  HGDIOBJ stock = SelectObject(first, bitmap);
  ASSERT_NE(stock, nullptr);
  EXPECT_EQ(platform::GetDCSurface(first), platform::GetBitmapSurface(bitmap));
  EXPECT_EQ(SelectObject(second, bitmap), nullptr);  // one device context at a time
  EXPECT_FALSE(DeleteObject(bitmap));                // still selected

  const platform::Surface* surface = platform::GetBitmapSurface(bitmap);
  EXPECT_EQ(surface->width, 3);
  EXPECT_EQ(surface->height, 2);
  EXPECT_EQ(surface->stride, 12);
  EXPECT_EQ(GetPixel(first, 2, 1), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(first, 3, 1), CLR_INVALID);

  EXPECT_EQ(SelectObject(first, stock), bitmap);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_EQ(platform::GetBitmapSurface(bitmap), nullptr);
  EXPECT_EQ(SelectObject(first, bitmap), nullptr);
  EXPECT_TRUE(DeleteDC(first));
  EXPECT_FALSE(DeleteDC(first));
  EXPECT_EQ(GetPixel(first, 0, 0), CLR_INVALID);
  EXPECT_TRUE(DeleteDC(second));
}

TEST(StretchDIBits, BottomUpAndTopDownRowsLandTheSameWay) {
  // 2 x 2 at 24 bits: rows padded to 8 bytes. Display top row: red, green; bottom: blue, white.
  const BYTE topDown[] = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
  const BYTE bottomUp[] = {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
  for (const auto& [bits, height] : {std::pair{topDown, -2}, std::pair{bottomUp, 2}}) {
    MemoryDC target(2, 2);
    const DibInfo info = MakeInfo(2, height, 24);
    EXPECT_EQ(StretchDIBits(target.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, AsInfo(info), DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(GetPixel(target.dc, 0, 0), RGB(255, 0, 0)) << height;
    EXPECT_EQ(GetPixel(target.dc, 1, 0), RGB(0, 255, 0)) << height;
    EXPECT_EQ(GetPixel(target.dc, 0, 1), RGB(0, 0, 255)) << height;
    EXPECT_EQ(GetPixel(target.dc, 1, 1), RGB(255, 255, 255)) << height;
    EXPECT_EQ(platform::GetDCSurface(target.dc)->pixels[3], 255);  // written pixels are opaque
  }
}

TEST(StretchDIBits, PalettesOfOneFourAndEightBits) {
  struct Case {
    int bits;
    std::vector<BYTE> row;  // one row of 10 pixels, padded to 4 bytes
    std::vector<int> indices;
  };
  const Case cases[] = {
      {1, {0xA5, 0xC0, 0, 0}, {1, 0, 1, 0, 0, 1, 0, 1, 1, 1}},
      {4, {0x01, 0x23, 0x45, 0x67, 0x89, 0, 0, 0}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {8, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0}, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
  };
  for (const Case& c : cases) {
    DibInfo info = MakeInfo(10, 1, c.bits);
    for (int i = 0; i < 256; ++i) info.colors[i] = RGBQUAD{BYTE(i * 3), BYTE(i * 5), BYTE(i * 7), 0};
    MemoryDC target(10, 1);
    ASSERT_EQ(StretchDIBits(target.dc, 0, 0, 10, 1, 0, 0, 10, 1, c.row.data(), AsInfo(info), DIB_RGB_COLORS,
                            SRCCOPY),
              1);
    for (int x = 0; x < 10; ++x) {
      const int i = c.indices[x];
      EXPECT_EQ(GetPixel(target.dc, x, 0), RGB(BYTE(i * 7), BYTE(i * 5), BYTE(i * 3)))
          << c.bits << " bits, x " << x;
    }
  }
}

TEST(StretchDIBits, IndicesBeyondTheColoursInUseAreBlack) {
  DibInfo info = MakeInfo(2, 1, 8, 1);
  info.colors[0] = RGBQUAD{10, 20, 30, 0};
  info.colors[1] = RGBQUAD{90, 90, 90, 0};
  const BYTE row[] = {0, 1, 0, 0};
  MemoryDC target(2, 1);
  StretchDIBits(target.dc, 0, 0, 2, 1, 0, 0, 2, 1, row, AsInfo(info), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(GetPixel(target.dc, 0, 0), RGB(30, 20, 10));
  EXPECT_EQ(GetPixel(target.dc, 1, 0), RGB(0, 0, 0));
}

// A 4 x 4 top-down 32-bit source whose pixel (x, y) has red 10 x, green 10 y.
std::vector<BYTE> Gradient4x4() {
  std::vector<BYTE> bits(4 * 4 * 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      BYTE* pixel = &bits[(y * 4 + x) * 4];
      pixel[1] = BYTE(10 * y);
      pixel[2] = BYTE(10 * x);
    }
  return bits;
}

TEST(StretchDIBits, StretchesShrinksAndMirrorsByNearestPixel) {
  const std::vector<BYTE> bits = Gradient4x4();
  const DibInfo info = MakeInfo(4, -4, 32);
  struct Case {
    int destWidth, destHeight, srcX, srcY, srcWidth, srcHeight;
    int probeX, probeY, expectX, expectY;
  };
  const Case cases[] = {
      {8, 8, 0, 0, 4, 4, 3, 5, 1, 2},                                   // doubled
      {8, 8, 0, 0, 4, 4, 7, 7, 3, 3},  {2, 2, 0, 0, 4, 4, 1, 1, 3, 3},  // halved: centres of the 2 x 2 blocks
      {2, 2, 0, 0, 4, 4, 0, 0, 1, 1},  {2, 2, 1, 2, 2, 2, 0, 0, 1, 2},  // a source rectangle, 1:1
      {-4, 4, 0, 0, 4, 4, 0, 0, 3, 0},  // mirrored left to right (drawn from x = 4 leftwards)
      {4, 4, 0, 0, 4, -4, 1, 0, 1, 3},  // mirrored top to bottom
  };
  for (const Case& c : cases) {
    MemoryDC target(8, 8);
    const int xDest = c.destWidth < 0 ? -c.destWidth : 0;
    ASSERT_NE(StretchDIBits(target.dc, xDest, 0, c.destWidth, c.destHeight, c.srcX,
                            c.srcHeight < 0 ? c.srcY + 4 : c.srcY, c.srcWidth, c.srcHeight, bits.data(),
                            AsInfo(info), DIB_RGB_COLORS, SRCCOPY),
              0);
    EXPECT_EQ(GetPixel(target.dc, c.probeX, c.probeY), RGB(BYTE(10 * c.expectX), BYTE(10 * c.expectY), 0))
        << c.destWidth << "x" << c.destHeight << " probe " << c.probeX << "," << c.probeY;
  }
}

TEST(StretchDIBits, StretchFarBeyondTheSurfacePaintsItsVisiblePart) {
  const BYTE bits[] = {0, 0, 255, 0, 0, 255, 0, 0};  // red, then green
  const DibInfo info = MakeInfo(2, 1, 32);
  MemoryDC target(200, 2);
  // The middle 200 columns of a stretch two hundred thousand wide: the seam falls at x = 100.
  ASSERT_NE(StretchDIBits(target.dc, -100000, 0, 200200, 2, 0, 0, 2, 1, bits, AsInfo(info), DIB_RGB_COLORS,
                          SRCCOPY),
            0);
  EXPECT_EQ(GetPixel(target.dc, 99, 1), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(target.dc, 100, 1), RGB(0, 255, 0));
}

TEST(StretchDIBits, BottomUpSourceRectangleCountsFromTheBottomRow) {
  // The same gradient stored bottom-up: memory row 0 is display row 3.
  std::vector<BYTE> topDown = Gradient4x4(), bottomUp(topDown.size());
  for (int y = 0; y < 4; ++y) std::memcpy(&bottomUp[y * 16], &topDown[(3 - y) * 16], 16);
  const DibInfo info = MakeInfo(4, 4, 32);
  MemoryDC target(1, 1);
  StretchDIBits(target.dc, 0, 0, 1, 1, 2, 0, 1, 1, bottomUp.data(), AsInfo(info), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(GetPixel(target.dc, 0, 0), RGB(20, 30, 0));  // display row 3
}

TEST(StretchDIBits, ClipsToTheSurfaceAndTheBitmap) {
  const std::vector<BYTE> bits = Gradient4x4();
  const DibInfo info = MakeInfo(4, -4, 32);
  MemoryDC target(3, 3);
  // Half of it off the surface, and a source rectangle sticking out of the bitmap.
  // Destination column x takes source column x + 2, row y source row y + 1.
  EXPECT_NE(
      StretchDIBits(target.dc, -1, 1, 4, 4, 1, 2, 4, 4, bits.data(), AsInfo(info), DIB_RGB_COLORS, SRCCOPY),
      0);
  EXPECT_EQ(GetPixel(target.dc, 0, 1), RGB(20, 20, 0));
  EXPECT_EQ(GetPixel(target.dc, 1, 2), RGB(30, 30, 0));
  EXPECT_EQ(GetPixel(target.dc, 2, 1), RGB(0, 0, 0));  // maps outside the bitmap: untouched
  EXPECT_EQ(GetPixel(target.dc, 0, 0), RGB(0, 0, 0));
}

TEST(StretchDIBits, RasterOperationsCombineWithTheSurface) {
  const BYTE row[] = {0x0F, 0xF0, 0x33, 0};
  const DibInfo info = MakeInfo(1, 1, 32);
  struct Case {
    DWORD rop;
    COLORREF expected;
  };
  // The surface starts at red 0x55, green 0x55, blue 0x55 after a first copy.
  const BYTE grey[] = {0x55, 0x55, 0x55, 0};
  for (const Case& c : {Case{SRCCOPY, RGB(0x33, 0xF0, 0x0F)}, Case{SRCPAINT, RGB(0x77, 0xF5, 0x5F)},
                        Case{SRCAND, RGB(0x11, 0x50, 0x05)}, Case{SRCINVERT, RGB(0x66, 0xA5, 0x5A)}}) {
    MemoryDC target(1, 1);
    StretchDIBits(target.dc, 0, 0, 1, 1, 0, 0, 1, 1, grey, AsInfo(info), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(StretchDIBits(target.dc, 0, 0, 1, 1, 0, 0, 1, 1, row, AsInfo(info), DIB_RGB_COLORS, c.rop), 1);
    EXPECT_EQ(GetPixel(target.dc, 0, 0), c.expected) << std::hex << c.rop;
  }
}

TEST(StretchDIBits, RefusesWhatItCannotDraw) {
  const BYTE bits[64] = {};
  MemoryDC target(2, 2);
  DibInfo info = MakeInfo(2, 2, 32);
  EXPECT_EQ(StretchDIBits(target.dc, 0, 0, 0, 2, 0, 0, 2, 2, bits, AsInfo(info), DIB_RGB_COLORS, SRCCOPY), 0);
  EXPECT_EQ(StretchDIBits(nullptr, 0, 0, 2, 2, 0, 0, 2, 2, bits, AsInfo(info), DIB_RGB_COLORS, SRCCOPY), 0);
  EXPECT_EQ(StretchDIBits(target.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, AsInfo(info), 1, SRCCOPY), 0);
  for (int badBits : {0, 2, 12, 48}) {
    info = MakeInfo(2, 2, badBits);
    EXPECT_EQ(StretchDIBits(target.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, AsInfo(info), DIB_RGB_COLORS, SRCCOPY),
              0)
        << badBits;
  }
  info = MakeInfo(2, 2, 32);
  info.header.biCompression = 3;
  EXPECT_EQ(StretchDIBits(target.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, AsInfo(info), DIB_RGB_COLORS, SRCCOPY), 0);
}

}  // namespace
