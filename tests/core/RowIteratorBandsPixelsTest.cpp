#include <gtest/gtest.h>

#include <vector>

#include "core/RowIteratorBands.h"
#include "platform/gdi/Gdi.h"
#include "tests/core/ImageBytes.h"
#include "tests/platform/GdiCanvas.h"

namespace corvel {
namespace {

int Code(const CoreResult& result) { return result.GetCode(); }

TEST(Pixels, SetAndGetInEveryFormat) {
  struct Case {
    keFormat format;
    CColorRef color;
    std::vector<BYTE> stored;  // the pixel's bytes at x = 1
    int red, green, blue, alpha;
  };
  const Case cases[] = {
      {keFormatIndex8, CColorRef(255, 0, 0, 255), {180}, 255, 0, 0, 255},
      {keFormatIndex8A, CColorRef(0, 0, 255, 77), {5, 77}, 0, 0, 255, 77},
      {keFormatGrey, CColorRef(0, 0, 255, 255), {27}, 27, 27, 27, 255},
      {keFormatGreyA, CColorRef(255, 0, 0, 9), {76, 9}, 76, 76, 76, 9},
      {keFormatBGR, CColorRef(1, 2, 3, 255), {3, 2, 1}, 1, 2, 3, 255},
      {keFormatBGRA, CColorRef(1, 2, 3, 4), {3, 2, 1, 4}, 1, 2, 3, 4},
      {keFormatBGRxA, CColorRef(0, 100, 200, 128), {100, 50, 0, 128}, 0, 99, 199, 128},
      {keFormatGrey_u16, CColorRef(0, 0, 255, 255), {0xFF, 0x1B}, 27, 27, 27, 255},
      {keFormatBGR_u16, CColorRef(1, 2, 3, 255), {3, 3, 2, 2, 1, 1}, 1, 2, 3, 255},
      {keFormatBGRA_u16, CColorRef(255, 0, 0, 255), {0, 0, 0, 0, 255, 255, 255, 255}, 255, 0, 0, 255},
      {keFormatGreyA_u16, CColorRef(0, 0, 0, 128), {0, 0, 128, 128}, 0, 0, 0, 128},
  };
  for (const Case& c : cases) {
    CRowIteratorBands image;
    ASSERT_EQ(Code(image.Create(3, 1, c.format)), keErrorNone);
    ASSERT_EQ(Code(image.SetPixel(1, 0, c.color)), keErrorNone) << c.format;
    const std::vector<BYTE> row = RowBytes(image, 0);
    const std::size_t size = c.stored.size();
    EXPECT_EQ(std::vector<BYTE>(row.begin() + size, row.begin() + 2 * size), c.stored) << c.format;
    CColorRef back;
    ASSERT_EQ(Code(image.GetPixel(1, 0, &back)), keErrorNone);
    EXPECT_EQ(back.GetRed(), c.red) << c.format;
    EXPECT_EQ(back.GetGreen(), c.green) << c.format;
    EXPECT_EQ(back.GetBlue(), c.blue) << c.format;
    EXPECT_EQ(back.GetAlpha(), c.alpha) << c.format;
  }
  CRowIteratorBands unsupported;
  ASSERT_EQ(Code(unsupported.Create(1, 1, keFormatBGRxA_u16)), keErrorNone);
  CColorRef color;
  EXPECT_EQ(Code(unsupported.GetPixel(0, 0, &color)), keErrorNotCreated);
  EXPECT_EQ(Code(unsupported.GetPixel(1, 0, &color)), keErrorBadArgument);
}

TEST(Pixels, PremultipliedColourAboveItsAlphaReadsAsFull) {
  CRowIteratorBands image;
  ASSERT_EQ(Code(image.Create(1, 1, keFormatBGRxA)), keErrorNone);
  BYTE* pixel;
  ASSERT_EQ(Code(image.LockRow(0, &pixel)), keErrorNone);
  const BYTE bytes[] = {200, 128, 0, 128};
  std::copy(bytes, bytes + 4, pixel);
  image.ReleaseRow(0);
  CColorRef color;
  ASSERT_EQ(Code(image.GetPixel(0, 0, &color)), keErrorNone);
  EXPECT_EQ(color.GetBlue(), 255);  // 200 x 510 >> 8 would be 398
  EXPECT_EQ(color.GetGreen(), 255);
  EXPECT_EQ(color.GetRed(), 0);
}

TEST(Pixels, PackedIndicesKeepTheirNeighbours) {
  CRowIteratorBands image;
  ASSERT_EQ(Code(image.Create(10, 1, keFormatIndex4)), keErrorNone);
  for (int x = 0; x < 10; ++x) {
    CColorRef color;
    color.SetIndex(x, 16, image.GetPalette());
    ASSERT_EQ(Code(image.SetPixel(x, 0, color)), keErrorNone);
  }
  EXPECT_EQ(RowBytes(image, 0), (std::vector<BYTE>{0x01, 0x23, 0x45, 0x67, 0x89}));
  ASSERT_EQ(Code(image.Create(10, 1, keFormatIndex1)), keErrorNone);
  for (int x : {0, 3, 9}) ASSERT_EQ(Code(image.SetPixel(x, 0, CColorRef(255, 255, 255, 255))), keErrorNone);
  EXPECT_EQ(RowBytes(image, 0), (std::vector<BYTE>{0x90, 0x40}));
  CColorRef color;
  ASSERT_EQ(Code(image.GetPixel(9, 0, &color)), keErrorNone);
  EXPECT_EQ(color.GetRed(), 255);
}

TEST(Fill, PackedSubViewsLeaveEveryOtherPixelAlone) {
  for (keFormat format : {keFormatIndex1, keFormatIndex4}) {
    CRowIteratorBands image, part;
    ASSERT_EQ(Code(image.Create(24, 4, format)), keErrorNone);
    ASSERT_EQ(Code(part.CreateSubView(image, 3, 1, 14, 3)), keErrorNone);
    ASSERT_EQ(Code(part.Fill(CColorRef(255, 255, 255, 255))), keErrorNone);
    const int white = format == keFormatIndex1 ? 1 : 15;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 24; ++x) {
        CColorRef color;
        ASSERT_EQ(Code(image.GetPixel(x, y, &color)), keErrorNone);
        const bool inside = x >= 3 && x < 14 && y >= 1 && y < 3;
        std::int32_t index;
        ASSERT_EQ(Code(color.GetIndex(&index, image.GetPaletteSize(), image.GetPalette())), keErrorNone);
        EXPECT_EQ(index, inside ? white : 0) << format << " at " << x << "," << y;
      }
  }
}

TEST(Fill, EveryRowTakesTheColourThroughAView) {
  CRowIteratorBands image;
  ASSERT_EQ(Code(image.Create(5, 200, keFormatGrey)), keErrorNone);
  ASSERT_EQ(Code(image.SetViewFormat(keFormatBGR, keAccessReadWrite)), keErrorNone);
  ASSERT_EQ(Code(image.Fill(CColorRef(0, 255, 0, 255))), keErrorNone);
  ASSERT_EQ(Code(image.SetViewFormat(keFormatNone, keAccessReadWrite)), keErrorNone);
  for (int y : {0, 127, 128, 199}) EXPECT_EQ(RowBytes(image, y), std::vector<BYTE>(5, 150)) << y;
  CColorRef invalid;
  EXPECT_EQ(Code(image.Fill(invalid)), keErrorBadArgument);
}

TEST(Unpremultiply, RestoresStraightColour) {
  CRowIteratorBands image;
  ASSERT_EQ(Code(image.Create(2, 1, keFormatGreyA)), keErrorNone);
  BYTE* row;
  ASSERT_EQ(Code(image.LockRow(0, &row)), keErrorNone);
  const BYTE pixels[] = {64, 128, 9, 0};
  std::copy(pixels, pixels + 4, row);
  image.ReleaseRow(0);
  EXPECT_TRUE(image.Unpremultiply());
  EXPECT_EQ(RowBytes(image, 0), (std::vector<BYTE>{128, 128, 9, 0}));  // alpha 0 left as it is
  ASSERT_EQ(Code(image.Create(1, 1, keFormatBGRA)), keErrorNone);
  ASSERT_EQ(Code(image.LockRow(0, &row)), keErrorNone);
  const BYTE colour[] = {128, 64, 0, 128};
  std::copy(colour, colour + 4, row);
  image.ReleaseRow(0);
  EXPECT_TRUE(image.Unpremultiply());
  EXPECT_EQ(RowBytes(image, 0), (std::vector<BYTE>{255, 128, 0, 128}));
  ASSERT_EQ(Code(image.Create(1, 1, keFormatBGR)), keErrorNone);
  EXPECT_FALSE(image.Unpremultiply());
}

// Fills an image with a pattern that differs from pixel to pixel (as far as the format can).
void Paint(CRowIteratorBands& image) {
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      const int index = (x * 7 + y * 3) % 251;
      CColorRef color(static_cast<BYTE>(index), static_cast<BYTE>(255 - index), static_cast<BYTE>(x ^ y),
                      255);
      if (CPixelFormat(image.GetFormat()).IsIndexed())
        color.SetIndex(index % image.GetPaletteSize(), image.GetPaletteSize(), image.GetPalette());
      ASSERT_EQ(Code(image.SetPixel(x, y, color)), keErrorNone);
    }
}

COLORREF Expected(CRowIteratorBands& image, int x, int y) {
  CColorRef color;
  EXPECT_EQ(Code(image.GetPixel(x, y, &color)), keErrorNone);
  COLORREF packed = 0;
  EXPECT_EQ(Code(color.GetColorref(&packed, image.GetPaletteSize(), image.GetPalette())), keErrorNone);
  return packed;
}

TEST(Draw, ReproducesThePixelsOfEveryDrawableFormat) {
  for (keFormat format :
       {keFormatIndex1, keFormatIndex4, keFormatIndex8, keFormatGrey, keFormatBGR, keFormatBGRA}) {
    CRowIteratorBands image;
    ASSERT_EQ(Code(image.Create(37, 300, format)), keErrorNone);
    Paint(image);
    MemoryDC target(37, 300);
    ASSERT_EQ(Code(image.DrawCopy(target.dc, 0, 0)), keErrorNone) << format;
    for (int y = 0; y < 300; y += 7)
      for (int x = 0; x < 37; ++x)
        ASSERT_EQ(GetPixel(target.dc, x, y), Expected(image, x, y)) << format << " at " << x << "," << y;
  }
}

TEST(Draw, StoredGreyIsDrawnThroughTheGreyRampWhateverItPresents) {
  CRowIteratorBands image;
  const CColorRef grey(90, 90, 90, 255);
  ASSERT_EQ(Code(image.Create(3, 2, keFormatGrey, &grey)), keErrorNone);
  ASSERT_EQ(Code(image.SetViewFormat(keFormatBGR, keAccessReadWrite)), keErrorNone);
  MemoryDC target(3, 2);
  ASSERT_EQ(Code(image.DrawCopy(target.dc, 0, 0)), keErrorNone);
  EXPECT_EQ(GetPixel(target.dc, 2, 1), RGB(90, 90, 90));
}

TEST(Draw, SubViewsScalingAndSourceRectangles) {
  CRowIteratorBands image, part;
  ASSERT_EQ(Code(image.Create(40, 300, keFormatBGR)), keErrorNone);
  Paint(image);
  // A sub-view that starts in the middle of a band, drawn twice as large.
  ASSERT_EQ(Code(part.CreateSubView(image, 5, 100, 25, 160)), keErrorNone);
  MemoryDC target(40, 120);
  ASSERT_EQ(Code(part.DrawCopy(target.dc, 0, 0, 40, 120)), keErrorNone);
  for (int y = 0; y < 120; y += 3)
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(GetPixel(target.dc, x, y), Expected(image, 5 + x / 2, 100 + y / 2)) << x << "," << y;

  // A source rectangle of the sub-view placed at (3, 4), one to one.
  MemoryDC small(20, 20);
  ASSERT_EQ(Code(part.Draw(small.dc, RECT{3, 4, 13, 14}, RECT{2, 25, 12, 35}, SRCCOPY)), keErrorNone);
  EXPECT_EQ(GetPixel(small.dc, 3, 4), Expected(image, 7, 125));
  EXPECT_EQ(GetPixel(small.dc, 12, 13), Expected(image, 16, 134));
  EXPECT_EQ(GetPixel(small.dc, 2, 4), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(small.dc, 13, 13), RGB(0, 0, 0));
}

TEST(Draw, ImagesOverCallerMemoryKeepTheirRowOrder) {
  // Top-down rows; the second stride is not a multiple of four.
  for (std::intptr_t stride : {std::intptr_t{12}, std::intptr_t{10}}) {
    std::vector<BYTE> memory(stride * 200);
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 3; ++x) memory[y * stride + 3 * x + 1] = static_cast<BYTE>(y + x);
    CRowIteratorBands image;
    ASSERT_EQ(Code(image.CreateView(3, 200, memory.data(), stride, keFormatBGR)), keErrorNone);
    MemoryDC target(3, 200);
    ASSERT_EQ(Code(image.DrawCopy(target.dc, 0, 0)), keErrorNone);
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 3; ++x)
        ASSERT_EQ(GetPixel(target.dc, x, y), RGB(0, y + x, 0)) << stride << ": " << x << "," << y;
  }
}

TEST(Draw, RefusesWhatItCannotDraw) {
  CRowIteratorBands image;
  MemoryDC target(4, 4);
  EXPECT_EQ(Code(image.DrawCopy(target.dc, 0, 0)), keErrorNotCreated);
  ASSERT_EQ(Code(image.Create(4, 4, keFormatGreyA)), keErrorNone);
  EXPECT_EQ(Code(image.DrawCopy(target.dc, 0, 0)), keErrorNotCreated);
  ASSERT_EQ(Code(image.Create(4, 4, keFormatBGR)), keErrorNone);
  EXPECT_EQ(Code(image.Draw(target.dc, RECT{0, 0, 0, 4}, RECT{0, 0, 4, 4}, SRCCOPY)), keErrorBadArgument);
  EXPECT_EQ(Code(image.Draw(target.dc, RECT{0, 0, 4, 4}, RECT{2, 2, 2, 4}, SRCCOPY)), keErrorBadArgument);
  EXPECT_EQ(Code(image.DrawCopy(nullptr, 0, 0)), keErrorBadArgument);
  EXPECT_EQ(Code(image.Draw(target.dc, RECT{0, 0, 4, 4}, RECT{10, 10, 14, 14}, SRCCOPY)),
            keErrorNone);  // nothing to draw
}

}  // namespace
}  // namespace corvel
