#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "core/CopyRect.h"
#include "core/RowIteratorBands.h"

namespace corvel {
namespace {

int Code(const CoreResult& result) { return result.GetCode(); }

struct Variant {
  const char* name;
  CpuFeatures features;
};
const Variant kVariants[] = {{"plain", {false, false}}, {"MMX", {true, false}}, {"SSE", {true, true}}};

struct KernelEntry {
  const char* name;
  CopyRectKernel kernel;
  bool aligned;
};
const KernelEntry kKernels[] = {
    {"Plain", CopyRectPlain, false},
    {"MMX", CopyRectMMX, false},
    {"SSEUnaligned", CopyRectSSEUnaligned, false},
    {"SSEUnalignedStream", CopyRectSSEUnalignedStream, false},
    {"SSEAligned", CopyRectSSEAligned, true},
    {"SSEAlignedStream", CopyRectSSEAlignedStream, true},
};

TEST(CopyRectKernels, CopyEveryByteAndNothingElse) {
  constexpr BYTE kGuard = 0xA5;
  for (const KernelEntry& entry : kKernels) {
    for (std::size_t bytesPerRow : {16, 17, 31, 48, 127, 128, 129, 255, 1040}) {
      if (entry.aligned && bytesPerRow % 16) continue;
      for (std::size_t shift : {0, 1, 7, 15}) {
        if (entry.aligned && shift) continue;
        const std::size_t rows = 3;
        const std::intptr_t stride = static_cast<std::intptr_t>((bytesPerRow + 40 + 15) / 16 * 16);
        alignas(16) static BYTE source[4 * 1200], destination[4 * 1200];
        for (std::size_t i = 0; i < sizeof source; ++i) source[i] = static_cast<BYTE>(i * 31 + 7);
        std::fill(std::begin(destination), std::end(destination), kGuard);
        // Bottom-up: the first row is the last in memory, as in the bands.
        const CopyRectArgs args{destination + 2 * stride + shift,
                                -stride,
                                source + 2 * stride + (shift ? 16 - shift : 0),
                                -stride,
                                bytesPerRow,
                                rows};
        EXPECT_EQ(entry.kernel(args), bytesPerRow * rows);
        for (std::intptr_t row = 0; row < 3; ++row)
          for (std::intptr_t i = -static_cast<std::intptr_t>(shift);
               i < stride - static_cast<std::intptr_t>(shift); ++i) {
            const BYTE* to = args.destination - row * stride + i;
            const BYTE expected = i >= 0 && i < static_cast<std::intptr_t>(bytesPerRow)
                                      ? args.source[-row * stride + i]
                                      : kGuard;
            ASSERT_EQ(*to, expected) << entry.name << " bytes " << bytesPerRow << " shift " << shift
                                     << " row " << row << " at " << i;
          }
      }
    }
  }
}

TEST(CopyRectKernels, ChoiceFollowsSizeAlignmentAndFeatures) {
  alignas(16) static BYTE buffer[64];
  struct Case {
    CpuFeatures features;
    std::size_t bytesPerRow;
    std::size_t offset;
    std::intptr_t stride;
    std::size_t imageBytes;
    CopyRectKernel expected;
  };
  const Case cases[] = {
      {{true, true}, 15, 0, 16, 15, CopyRectPlain},  // a 5 x 3 BGR image
      {{true, true}, 32, 0, -32, 1000, CopyRectSSEAligned},
      {{true, true}, 32, 0, -32, kStreamThreshold, CopyRectSSEAlignedStream},
      {{true, true}, 32, 1, 32, 1000, CopyRectSSEUnaligned},
      {{true, true}, 40, 0, 48, 1000, CopyRectSSEUnaligned},
      {{true, true}, 32, 0, 40, 1000, CopyRectSSEUnaligned},
      {{true, true}, 32, 1, 32, kStreamThreshold, CopyRectSSEUnalignedStream},
      {{true, false}, 32, 0, 32, 1000, CopyRectMMX},
      {{false, false}, 32, 0, 32, 1000, CopyRectPlain},
  };
  for (const Case& c : cases) {
    CpuFeaturesOverride forced(c.features);
    const CopyRectArgs args{buffer + c.offset, c.stride, buffer, c.stride, c.bytesPerRow, 1};
    EXPECT_EQ(ChooseCopyRectKernel(args, c.imageBytes), c.expected)
        << c.bytesPerRow << " " << c.offset << " " << c.stride;
  }
}

TEST(CpuFeatures, ProbeFindsWhatEveryX86_64Has) {
  const CpuFeatures features = ProbeCpuFeatures();
  EXPECT_TRUE(features.mmx && features.sse && features.sse2);
  {
    CpuFeaturesOverride forced(CpuFeatures{});
    EXPECT_FALSE(GetCpuFeatures().sse);
    {
      CpuFeaturesOverride inner(features);
      EXPECT_TRUE(GetCpuFeatures().sse);
    }
    EXPECT_FALSE(GetCpuFeatures().sse);
  }
  EXPECT_EQ(GetCpuFeatures().sse, features.sse);
}

// Fills every pixel of an image's storage with bytes that name their position.
void Paint(CRowIteratorBands& image, int seed) {
  for (int y = 0; y < image.Height(); ++y) {
    BYTE* row;
    ASSERT_EQ(Code(image.LockRow(y, &row)), keErrorNone);
    for (int i = 0; i < image.GetRowBytes(); ++i) row[i] = static_cast<BYTE>(seed + y * 13 + i * 7);
    image.ReleaseRow(y);
  }
}

// Every pixel through the image's own pixel reading, so that packed sub-views starting inside
// a byte compare exactly.
void ExpectSamePixels(CRowIteratorBands& a, CRowIteratorBands& b, const std::string& what) {
  ASSERT_EQ(a.Width(), b.Width());
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      CColorRef pa, pb;
      ASSERT_EQ(Code(a.GetPixel(x, y, &pa)), keErrorNone);
      ASSERT_EQ(Code(b.GetPixel(x, y, &pb)), keErrorNone);
      std::uint32_t ca = 0, cb = 0;
      ASSERT_EQ(Code(pa.GetColorrefAlpha(&ca, a.GetPaletteSize(), a.GetPalette())), keErrorNone);
      ASSERT_EQ(Code(pb.GetColorrefAlpha(&cb, b.GetPaletteSize(), b.GetPalette())), keErrorNone);
      ASSERT_EQ(ca, cb) << what << " at " << x << "," << y;
    }
}

TEST(CopyPixels, SubViewsAcrossUnalignedBandBoundariesInEveryVariant) {
  struct Case {
    keFormat format;
    int width, height;
    RECT destination, source;  // sub-view rectangles in a 300 x 400 image each
  };
  const Case cases[] = {
      {keFormatBGRA, 257, 300, {3, 100, 260, 400}, {40, 5, 297, 305}},
      {keFormatBGRA, 64, 200, {0, 0, 64, 200}, {64, 127, 128, 327}},  // aligned rows
      {keFormatBGR, 5, 150, {1, 120, 6, 270}, {2, 3, 7, 153}},        // 15-byte rows
      {keFormatBGR, 101, 260, {7, 1, 108, 261}, {0, 139, 101, 399}},
      {keFormatGrey, 33, 257, {5, 128, 38, 385}, {6, 0, 39, 257}},
      {keFormatBGRA_u16, 20, 140, {1, 60, 21, 200}, {2, 200, 22, 340}},
      {keFormatIndex1, 75, 200, {3, 30, 78, 230}, {10, 100, 85, 300}},  // starts inside bytes
      {keFormatIndex1, 80, 130, {8, 0, 88, 130}, {5, 1, 85, 131}},
      {keFormatIndex1, 13, 129, {0, 0, 13, 129}, {0, 1, 13, 130}},  // ends inside a byte
      {keFormatIndex4, 31, 140, {1, 2, 32, 142}, {4, 120, 35, 260}},
  };
  for (const Variant& variant : kVariants) {
    CpuFeaturesOverride forced(variant.features);
    for (const Case& c : cases) {
      CRowIteratorBands to, from, expectedImage, toPart, fromPart;
      ASSERT_EQ(Code(to.Create(300, 400, c.format)), keErrorNone);
      ASSERT_EQ(Code(from.Create(300, 400, c.format)), keErrorNone);
      Paint(to, 1);
      Paint(from, 2);
      ASSERT_EQ(Code(expectedImage.CreateCopy(to)), keErrorNone);
      const RECT& d = c.destination;
      const RECT& s = c.source;
      ASSERT_EQ(Code(toPart.CreateSubView(to, d.left, d.top, d.right, d.bottom)), keErrorNone);
      ASSERT_EQ(Code(fromPart.CreateSubView(from, s.left, s.top, s.right, s.bottom)), keErrorNone);
      ASSERT_EQ(Code(CRowIteratorBands::CopyPixels(toPart, fromPart)), keErrorNone);

      const std::string what = std::string(variant.name) + " " + CPixelFormat(c.format).GetName() + " " +
                               std::to_string(c.width) + "x" + std::to_string(c.height);
      ExpectSamePixels(toPart, fromPart, what);
      // Outside the destination sub-view nothing changed, not even bits sharing its bytes.
      CRowIteratorBands rows;
      for (const RECT& outside : {RECT{0, 0, 300, d.top}, RECT{0, d.bottom, 300, 400},
                                  RECT{0, d.top, d.left, d.bottom}, RECT{d.right, d.top, 300, d.bottom}}) {
        if (outside.left >= outside.right || outside.top >= outside.bottom) continue;
        CRowIteratorBands was;
        ASSERT_EQ(Code(rows.CreateSubView(to, outside.left, outside.top, outside.right, outside.bottom)),
                  keErrorNone);
        ASSERT_EQ(
            Code(was.CreateSubView(expectedImage, outside.left, outside.top, outside.right, outside.bottom)),
            keErrorNone);
        ExpectSamePixels(rows, was, what + " outside");
      }
    }
  }
}

TEST(CopyPixels, WholeImagesWhoseRowsFollowWithoutGapsInEveryVariant) {
  for (const Variant& variant : kVariants) {
    CpuFeaturesOverride forced(variant.features);
    for (keFormat format : {keFormatBGRA, keFormatGrey, keFormatIndex1}) {
      CRowIteratorBands to, from;
      ASSERT_EQ(Code(to.Create(256, 300, format)), keErrorNone);
      ASSERT_EQ(Code(from.Create(256, 300, format)), keErrorNone);
      Paint(from, 3);
      ASSERT_EQ(Code(CRowIteratorBands::CopyPixels(to, from)), keErrorNone);
      for (int y : {0, 1, 127, 128, 200, 255, 256, 299}) {
        BYTE *a, *b;
        ASSERT_EQ(Code(to.LockRow(y, &a)), keErrorNone);
        ASSERT_EQ(Code(from.LockRow(y, &b)), keErrorNone);
        EXPECT_EQ(std::memcmp(a, b, static_cast<std::size_t>(to.GetRowBytes())), 0)
            << variant.name << " row " << y;
      }
    }
  }
}

TEST(CopyPixels, CopiesThroughViewsRowByRow) {
  CRowIteratorBands bgra, bgr, viewed;
  const CColorRef fill(10, 20, 30, 40);
  ASSERT_EQ(Code(bgra.Create(6, 140, keFormatBGRA, &fill)), keErrorNone);
  ASSERT_EQ(Code(bgr.Create(6, 140, keFormatBGR)), keErrorNone);
  ASSERT_EQ(Code(viewed.Create(6, 140, keFormatBGRA)), keErrorNone);
  ASSERT_EQ(Code(viewed.SetViewFormat(keFormatBGR, keAccessReadWrite)), keErrorNone);
  EXPECT_EQ(Code(CRowIteratorBands::CopyPixels(bgra, viewed)),
            keErrorBadArgument);  // presents another format
  ASSERT_EQ(Code(bgra.SetViewFormat(keFormatBGR, keAccessRead)), keErrorNone);
  ASSERT_EQ(Code(CRowIteratorBands::CopyPixels(bgr, bgra)), keErrorNone);
  CColorRef pixel;
  ASSERT_EQ(Code(bgr.GetPixel(5, 139, &pixel)), keErrorNone);
  EXPECT_EQ(pixel.GetBlue(), 30);
  ASSERT_EQ(Code(CRowIteratorBands::CopyPixels(viewed, bgr)), keErrorNone);
  ASSERT_EQ(Code(viewed.GetPixel(0, 0, &pixel)), keErrorNone);
  EXPECT_EQ(pixel.GetGreen(), 20);
}

TEST(CopyPixels, RefusesMismatchedAndEmptyImages) {
  CRowIteratorBands a, b, empty, alsoEmpty;
  ASSERT_EQ(Code(a.Create(4, 4, keFormatBGR)), keErrorNone);
  ASSERT_EQ(Code(b.Create(4, 5, keFormatBGR)), keErrorNone);
  EXPECT_EQ(Code(CRowIteratorBands::CopyPixels(a, b)), keErrorBadArgument);
  ASSERT_EQ(Code(b.Create(4, 4, keFormatGrey)), keErrorNone);
  EXPECT_EQ(Code(CRowIteratorBands::CopyPixels(a, b)), keErrorBadArgument);
  EXPECT_EQ(Code(CRowIteratorBands::CopyPixels(empty, alsoEmpty)), keErrorBadArgument);
}

TEST(CopyRectFrom, CopiesBetweenRectanglesOfTwoImages) {
  CRowIteratorBands to, from;
  ASSERT_EQ(Code(to.Create(50, 200, keFormatGrey)), keErrorNone);
  ASSERT_EQ(Code(from.Create(30, 300, keFormatGrey)), keErrorNone);
  Paint(from, 5);
  ASSERT_EQ(Code(to.CopyRectFrom(RECT{10, 100, 20, 190}, from, RECT{0, 200, 10, 290})), keErrorNone);
  CColorRef a, b;
  ASSERT_EQ(Code(to.GetPixel(19, 189, &a)), keErrorNone);
  ASSERT_EQ(Code(from.GetPixel(9, 289, &b)), keErrorNone);
  EXPECT_EQ(a.GetRed(), b.GetRed());
  EXPECT_EQ(Code(to.CopyRectFrom(RECT{45, 0, 55, 10}, from, RECT{0, 0, 10, 10})), keErrorBadArgument);
}

}  // namespace
}  // namespace corvel
