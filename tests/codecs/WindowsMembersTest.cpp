#include <gtest/gtest.h>

#include <cstring>

#include "codecs/ImageFile.h"
#include "platform/gdi/DcState.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"
#include "platform/ui/Icons.h"
#include "platform/win32/Memory.h"
#include "tests/platform/GdiCanvas.h"

namespace {

// Distinct colours, or indices, at every pixel.
CImageFile Pattern(unsigned long bpp, unsigned long width = 7, unsigned long height = 5) {
  CImageFile image(width, height, bpp, 0);
  if (bpp <= 8) {
    for (unsigned i = 0; i < image.GetNumColors(); ++i)
      image.SetPaletteColor(static_cast<BYTE>(i), static_cast<BYTE>(i * 37), static_cast<BYTE>(255 - i), 99);
  }
  for (long y = 0; y < static_cast<long>(height); ++y) {
    for (long x = 0; x < static_cast<long>(width); ++x) {
      if (bpp <= 8)
        image.SetPixelIndex(x, y, static_cast<BYTE>((x + 3 * y) % image.GetNumColors()));
      else
        image.SetPixelColor(x, y, RGB(x * 30, y * 50, 200 - x * y));
    }
  }
  return image;
}

bool SamePixels(CImageFile& a, CImageFile& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
  for (long y = 0; y < static_cast<long>(a.GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(a.GetWidth()); ++x) {
      RGBQUAD p = a.GetPixelColor(x, y, false), q = b.GetPixelColor(x, y, false);
      if (p.rgbRed != q.rgbRed || p.rgbGreen != q.rgbGreen || p.rgbBlue != q.rgbBlue) return false;
    }
  }
  return true;
}

}  // namespace

TEST(WindowsMembers, GlobalHandlesRoundTripEveryDepth) {
  for (unsigned long bpp : {1ul, 4ul, 8ul, 24ul}) {
    CImageFile image = Pattern(bpp);
    image.SetXDPI(300);
    HANDLE handle = image.CopyToHandle();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(GlobalSize(handle), static_cast<SIZE_T>(image.GetSize()));
    CImageFile back;
    ASSERT_TRUE(back.CreateFromHANDLE(handle)) << back.GetLastError();
    EXPECT_EQ(back.GetBpp(), image.GetBpp());
    EXPECT_TRUE(SamePixels(back, image)) << bpp;
    EXPECT_EQ(back.GetXDPI(), 300);
    EXPECT_EQ(back.GetYDPI(), 96);
    GlobalFree(handle);
  }
  EXPECT_EQ(CImageFile().CopyToHandle(), nullptr);
}

TEST(WindowsMembers, HandleReadsStayInsideTheBlock) {
  CImageFile image = Pattern(24, 40, 30);
  HANDLE whole = image.CopyToHandle();
  // The same header over a block cut short, and over one that ends inside the header.
  for (SIZE_T size : {static_cast<SIZE_T>(image.GetSize() / 2), SIZE_T{20}}) {
    HGLOBAL cut = GlobalAlloc(GHND, size);
    std::memcpy(GlobalLock(cut), GlobalLock(whole), size);
    GlobalUnlock(cut);
    GlobalUnlock(whole);
    CImageFile back;
    if (back.CreateFromHANDLE(cut)) {
      EXPECT_EQ(back.GetWidth(), 40u);
      EXPECT_EQ(back.GetPixelColor(3, 2).rgbRed, image.GetPixelColor(3, 2).rgbRed);  // the rows it has
    }
    GlobalFree(cut);
  }
  // Run-length data that runs past the block's end.
  BITMAPINFOHEADER rle{sizeof(BITMAPINFOHEADER), 4, 2, 1, 8, BI_RLE8, 0, 0, 0, 1, 0};
  HGLOBAL coded = GlobalAlloc(GHND, sizeof rle + 4 + 2);
  BYTE* bytes = static_cast<BYTE*>(GlobalLock(coded));
  std::memcpy(bytes, &rle, sizeof rle);
  bytes[sizeof rle + 4] = 0;
  bytes[sizeof rle + 5] = 200;  // a literal of 200 bytes in a 6-byte block
  GlobalUnlock(coded);
  CImageFile back;
  back.CreateFromHANDLE(coded);
  GlobalFree(coded);
  GlobalFree(whole);
  EXPECT_FALSE(back.CreateFromHANDLE(whole));  // freed: no size
  BITMAPINFOHEADER unknown = rle;
  unknown.biCompression = 7;
  HGLOBAL odd = GlobalAlloc(GHND, sizeof unknown + 4 + 16);
  std::memcpy(GlobalLock(odd), &unknown, sizeof unknown);
  GlobalUnlock(odd);
  EXPECT_FALSE(back.CreateFromHANDLE(odd));
  EXPECT_STREQ(back.GetLastError(), "compression type not supported");
  GlobalFree(odd);
}

TEST(WindowsMembers, BitmapsRoundTripWithAndWithoutADeviceContext) {
  Canvas device(4, 4, RGB(0, 0, 0));
  for (unsigned long bpp : {8ul, 24ul}) {
    CImageFile image = Pattern(bpp);
    for (HDC dc : {static_cast<HDC>(nullptr), device.dc}) {
      HBITMAP bitmap = image.MakeBitmap(dc);
      ASSERT_NE(bitmap, nullptr);
      CImageFile back;
      ASSERT_TRUE(back.CreateFromHBITMAP(bitmap));
      EXPECT_TRUE(SamePixels(back, image)) << bpp << (dc ? " through the device" : " as a DIB section");
      DeleteObject(bitmap);
    }
  }
  CImageFile none;
  EXPECT_FALSE(none.CreateFromHBITMAP(nullptr));
  EXPECT_EQ(none.MakeBitmap(nullptr), nullptr);
}

TEST(WindowsMembers, IconsKeepTheirColoursAndMask) {
  CImageFile image = Pattern(24, 6, 4);
  CImageFile maskImage(6, 4, 24, 0);
  maskImage.Clear(0);
  image.AlphaCreate();
  image.AlphaSet(255);
  // The top row and the first column show through, black beneath as icons have them.
  auto through = [&](long x, long y) {
    image.AlphaSet(x, y, 0);
    image.SetPixelColor(x, y, RGB(0, 0, 0));
    maskImage.SetPixelColor(x, y, RGB(255, 255, 255));
  };
  for (long x = 0; x < 6; ++x) through(x, 3);
  for (long y = 0; y < 4; ++y) through(0, y);
  ICONINFO parts{TRUE, 3, 2, maskImage.MakeBitmap(nullptr), image.MakeBitmap(nullptr)};
  HICON icon = CreateIconIndirect(&parts);
  DeleteObject(parts.hbmColor);
  DeleteObject(parts.hbmMask);
  ASSERT_NE(icon, nullptr);
  CImageFile back;
  ASSERT_TRUE(back.CreateFromHICON(icon));
  ASSERT_TRUE(back.AlphaIsValid());
  for (long y = 0; y < 4; ++y) {
    for (long x = 0; x < 6; ++x) {
      EXPECT_EQ(back.AlphaGet(x, y), image.AlphaGet(x, y)) << x << "," << y;
      if (image.AlphaGet(x, y)) {
        EXPECT_EQ(back.GetPixelColor(x, y).rgbGreen, image.GetPixelColor(x, y).rgbGreen);
      }
    }
  }
  // The icon and the image draw the same over a red device.
  Canvas byIcon(6, 4, RGB(255, 0, 0)), byImage(6, 4, RGB(255, 0, 0));
  DrawIconEx(byIcon.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  back.Draw(byImage.dc);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(GetPixel(byIcon.dc, x, y), GetPixel(byImage.dc, x, y)) << x << "," << y;
  }
  DestroyIcon(icon);
  EXPECT_FALSE(back.CreateFromHICON(nullptr));
}

TEST(WindowsMembers, DrawBlendsAlphaOverTheDevice) {
  CImageFile image(2, 2, 24, 0);
  image.Clear(0);
  image.SetPixelColor(0, 1, RGB(0, 0, 200));
  image.AlphaCreate();
  image.AlphaSet(128);
  image.AlphaSet(1, 1, 0);
  image.AlphaSet(0, 0, 255);
  Canvas device(4, 4, RGB(255, 255, 255));
  EXPECT_EQ(image.Draw(device.dc, 1, 1, 0, 2), 0);
  EXPECT_EQ(GetPixel(device.dc, 1, 1), RGB(255, 255, 255));
  EXPECT_EQ(image.Draw(device.dc, 1, 1), 1);
  const BYTE faded = static_cast<BYTE>((255 * 127) >> 8);
  EXPECT_EQ(GetPixel(device.dc, 1, 1), RGB(faded, faded, static_cast<BYTE>((255 * 127 + 200 * 128) >> 8)));
  EXPECT_EQ(GetPixel(device.dc, 2, 1), RGB(255, 255, 255));  // alpha 0 leaves the device
  EXPECT_EQ(GetPixel(device.dc, 1, 2), RGB(0, 0, 0));        // 255 replaces it
  EXPECT_EQ(GetPixel(device.dc, 3, 3), RGB(255, 255, 255));
  // The overall opacity scales the plane: 127 over 128 leaves a = 64, and over 255 a = 127.
  Canvas halved(2, 2, RGB(255, 255, 255));
  image.AlphaSetMax(127);
  image.Draw(halved.dc);
  EXPECT_EQ(GetPixel(halved.dc, 0, 0), RGB(190, 190, (255 * 191 + 200 * 64) >> 8));
  EXPECT_EQ(GetPixel(halved.dc, 0, 1), RGB(127, 127, 127));
  // A palette image's transparent index keeps the device; its palette alpha fades the rest.
  CImageFile indexed(2, 1, 8, 0);
  indexed.SetPaletteColor(1, 0, 0, 0, 0);
  indexed.SetPaletteColor(2, 0, 0, 0, 127);
  indexed.SetPixelIndex(0, 0, 1);
  indexed.SetPixelIndex(1, 0, 2);
  indexed.SetTransIndex(1);
  indexed.AlphaPaletteEnable(true);
  Canvas under(2, 1, RGB(255, 255, 255));
  indexed.Draw(under.dc);
  EXPECT_EQ(GetPixel(under.dc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(under.dc, 1, 0), RGB(127, 127, 127));  // a = (127 + 1) x 255 >> 8
}

TEST(WindowsMembers, DrawStretchesClipsAndTiles) {
  CImageFile image(2, 1, 24, 0);
  image.SetPixelColor(0, 0, RGB(255, 0, 0));
  image.SetPixelColor(1, 0, RGB(0, 0, 255));
  Canvas device(8, 4, RGB(0, 255, 0));
  RECT clip{0, 0, 8, 2};
  EXPECT_EQ(image.Draw(device.dc, 0, 0, 8, 4, &clip), 1);
  EXPECT_EQ(GetPixel(device.dc, 3, 1), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(device.dc, 4, 1), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(device.dc, 3, 2), RGB(0, 255, 0));  // outside the clip
  RECT box;
  GetClipBox(device.dc, &box);
  EXPECT_EQ(box.bottom, 4);  // the clip as it was
  Canvas tiled(5, 2, RGB(0, 255, 0));
  RECT area{0, 0, 5, 2};
  EXPECT_EQ(image.Tile(tiled.dc, &area), 1);
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(GetPixel(tiled.dc, x, 1), x % 2 ? RGB(0, 0, 255) : RGB(255, 0, 0)) << x;
  }
  Canvas stretched(4, 1, RGB(0, 0, 0));
  EXPECT_EQ(image.Stretch(stretched.dc, 0, 0, 4, 1), 1);
  EXPECT_EQ(GetPixel(stretched.dc, 1, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(stretched.dc, 2, 0), RGB(0, 0, 255));
}

TEST(WindowsMembers, Draw2ShowsTheBackgroundThroughTheTransparentColour) {
  CImageFile image(2, 1, 8, 0);
  image.SetPaletteColor(0, 255, 0, 0);
  image.SetPaletteColor(1, 0, 0, 255);
  image.SetPixelIndex(0, 0, 0);
  image.SetPixelIndex(1, 0, 1);
  image.SetTransIndex(0);
  Canvas device(4, 2, RGB(0, 255, 0));
  EXPECT_EQ(image.Draw2(device.dc, 0, 0, 4, 2), 1);
  EXPECT_EQ(GetPixel(device.dc, 1, 1), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(device.dc, 2, 1), RGB(0, 0, 255));
  EXPECT_EQ(image.Draw2(device.dc, 50, 50, 4, 2), 1);  // not visible
  EXPECT_EQ(image.Draw2(device.dc, 0, 0, 0, 2), 0);
}

TEST(WindowsMembers, TextIsDrawnIntoThePicture) {
  CImageFile image(200, 80, 24, 0);
  image.Clear(255);
  CTextInfo info;
  CImageFile::InitTextInfo(&info);
  EXPECT_STREQ(info.lfont.lfFaceName, "Arial");
  EXPECT_EQ(static_cast<BYTE>(info.text[17]), 0xF5);
  info.b_round = 60;
  info.b_opacity = 2;
  info.align = 7;
  std::strcpy(info.text, "Wq");
  ASSERT_EQ(image.DrawStringEx(nullptr, 100, 70, &info), 1);
  EXPECT_EQ(info.b_round, 10);
  EXPECT_EQ(info.b_opacity, 0.0f);
  EXPECT_EQ(info.align, 1);
  // The box in the background colour 0x6020 rises from picture row 70, centred on x 100.
  const RGBQUAD box = image.GetPixelColor(100, 80 - 1 - 70);
  EXPECT_EQ(RGB(box.rgbRed, box.rgbGreen, box.rgbBlue), 0x6020u);
  int text = 0;
  for (long y = 0; y < 80; ++y) {
    for (long x = 0; x < 200; ++x) {
      RGBQUAD c = image.GetPixelColor(x, y);
      text += RGB(c.rgbRed, c.rgbGreen, c.rgbBlue) == 0xA0FFFFu;
    }
  }
  EXPECT_GT(text, 20);
  EXPECT_EQ(image.GetPixelColor(2, 40).rgbRed, 255);  // left of the box
  CImageFile plain(60, 30, 24, 0);
  plain.Clear(0);
  ASSERT_EQ(
      plain.DrawString(nullptr, 5, 25, "Hi", CImageFile::RGBtoRGBQUAD(RGB(255, 0, 0)), "DejaVu Sans", -16),
      1);
  int red = 0;
  for (long y = 0; y < 30; ++y) {
    for (long x = 0; x < 60; ++x) red += plain.GetPixelColor(x, y).rgbRed == 255;
  }
  EXPECT_GT(red, 10);
  EXPECT_EQ(CImageFile().DrawStringEx(nullptr, 0, 0, &info), -1);
}
