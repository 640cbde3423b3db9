#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "core/ColorRef.h"
#include "core/CpuFeatures.h"
#include "core/ProgressMeter.h"
#include "platform/win32/Clock.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowOpContext.h"
#include "rowops/RowOperation.h"
#include "rowops/TransformOperation.h"
#include "rowops/detail/RowCache.h"
#include "tests/rowops/SamplingTestImages.h"

namespace corvel {
namespace {

using testing::MakeImage;
using testing::Noise;
using testing::ReadPixel;
using testing::SamePixels;

TEST(TransformTables, FourTapWeights) {
  EXPECT_EQ(FourTapTable(0, 0), (FourTapWeights{256, 0, 0, 0}));
  EXPECT_EQ(FourTapTable(16, 16), (FourTapWeights{64, 64, 64, 64}));
  EXPECT_EQ(FourTapTable(0, 8), (FourTapWeights{192, 64, 0, 0}));
  EXPECT_EQ(FourTapTable(31, 1), (FourTapWeights{7, 0, 240, 9}));  // truncations, the rest to w3
  for (int a = 0; a < 32; ++a)
    for (int b = 0; b < 32; ++b) {
      const FourTapWeights& w = FourTapTable(a, b);
      EXPECT_EQ(w[0] + w[1] + w[2] + w[3], 256);
      EXPECT_EQ(w[0], (32 - a) * (32 - b) / 4);
    }
}

TEST(TransformTables, CubicConvolutionWeights) {
  CubicConvolutionWeights centre{};
  centre[5] = 16384;
  EXPECT_EQ(CubicConvolutionTable(0, 0), centre);
  for (int a = 0; a < 32; ++a)
    for (int b = 0; b < 32; ++b) {
      const CubicConvolutionWeights& w = CubicConvolutionTable(a, b);
      int sum = 0;
      for (int k = 0; k < 16; ++k) sum += w[k];
      EXPECT_EQ(sum, 16384) << a << "," << b;
      // Tap (0, 3): c0(u) c3(v), truncated.
      const double u = a / 32.0, v = b / 32.0;
      EXPECT_EQ(w[3], std::trunc((-u + 2 * u * u - u * u * u) * (-v * v + v * v * v) * 16384))
          << a << "," << b;
    }
}

struct ChoiceCase {
  std::int32_t method;
  int dstWidth;
  keFormat srcFormat, dstFormat;
  int worker;
};

TEST(TransformOperation, ChoosesTheWorkerByMethodScaleAndFormat) {
  const ChoiceCase cases[] = {
      {90, 5, keFormatBGRA, keFormatBGRA, keWorkerReduce},
      {90, 20, keFormatBGRA, keFormatBGRA, keWorkerNearest},
      {91, 5, keFormatBGRA, keFormatBGRA, keWorkerReduce},
      {91, 20, keFormatBGR, keFormatBGR, keWorkerFourTap},
      {92, 5, keFormatGrey, keFormatGrey, keWorkerReduce},
      {92, 20, keFormatGrey, keFormatGrey, keWorkerCubic},
      {90, 5, keFormatIndex8, keFormatBGR, keWorkerNearest},
      {92, 20, keFormatBGR, keFormatIndex8, keWorkerNearest},
      {1, 5, keFormatBGR, keFormatBGR, keWorkerFourTap},
      {3, 20, keFormatBGR, keFormatBGR, keWorkerReduce},
      {7, 20, keFormatBGR, keFormatBGR, -1},
  };
  for (const ChoiceCase& c : cases) {
    CRowIteratorBands source, destination;
    ASSERT_EQ(source.Create(10, 10, c.srcFormat).GetCode(), 0);
    ASSERT_EQ(destination.Create(c.dstWidth, c.dstWidth, c.dstFormat).GetCode(), 0);
    EXPECT_EQ(TransformOperation(c.method, nullptr, nullptr, 0).ChooseWorker(destination, source), c.worker)
        << c.method << " " << c.dstWidth;
  }
  // Only the width decides when it reduces; the height only when the width does not.
  CRowIteratorBands source, destination;
  ASSERT_EQ(source.Create(10, 10, keFormatBGR).GetCode(), 0);
  ASSERT_EQ(destination.Create(20, 5, keFormatBGR).GetCode(), 0);
  EXPECT_EQ(TransformOperation(92, nullptr, nullptr, 0).ChooseWorker(destination, source), keWorkerReduce);
}

TEST(TransformOperation, EqualSizesCopyTheRectangle) {
  for (std::int32_t method : {90, 91, 92, 0, 1, 2, 3}) {
    for (keFormat format : {keFormatGrey, keFormatBGRA, keFormatBGR_u16, keFormatIndex8}) {
      CRowIteratorBands source, destination;
      MakeImage(source, 13, 140, format, Noise);
      ASSERT_EQ(destination.Create(13, 140, format).GetCode(), 0);
      TransformOperation transform(method, nullptr, nullptr, 0);
      ASSERT_EQ(transform.Run(destination, &source).GetCode(), 0);
      EXPECT_TRUE(SamePixels(destination, source)) << method << " " << CPixelFormat(format).GetName();
    }
  }
}

// Indexed images always go the nearest way, packed rows included; a destination that starts
// inside a byte keeps the pixels before it.
TEST(TransformOperation, IndexedImagesScaleByNearest) {
  for (keFormat format : {keFormatIndex1, keFormatIndex4, keFormatIndex8}) {
    const int levels = format == keFormatIndex1 ? 2 : format == keFormatIndex4 ? 16 : 256;
    CRowIteratorBands source, destination;
    ASSERT_EQ(source.Create(5, 3, format).GetCode(), 0);
    ASSERT_EQ(destination.Create(13, 6, format).GetCode(), 0);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        CColorRef colour;
        colour.SetIndex((x * 3 + y * 7) % levels);
        ASSERT_EQ(source.SetPixel(x, y, colour).GetCode(), 0);
      }
    const RECT area{3, 0, 13, 6};
    ASSERT_EQ(TransformOperation(92, &area, nullptr, 0).Run(destination, &source).GetCode(), 0);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 13; ++x) {
        CColorRef got;
        ASSERT_EQ(destination.GetPixel(x, y, &got).GetCode(), 0);
        std::int32_t index = -1;
        ASSERT_EQ(got.GetIndex(&index).GetCode(), 0);
        const int expected = x < 3 ? 0 : ((x - 3) / 2 * 3 + y / 2 * 7) % levels;
        EXPECT_EQ(index, expected) << CPixelFormat(format).GetName() << " " << x << "," << y;
      }
  }
}

TEST(TransformOperation, FlatColourStaysFlat) {
  struct Case {
    std::int32_t method;
    int width, height;
  };
  const Case cases[] = {{90, 31, 200}, {91, 31, 200}, {92, 31, 200}, {90, 7, 50}, {92, 7, 3}, {92, 1, 1}};
  for (keFormat format : {keFormatBGRA, keFormatGreyA_u16}) {
    for (const Case& c : cases) {
      CRowIteratorBands source, destination;
      // 16-bit samples are convolved at 14 bits: values on multiples of 4 come back whole.
      MakeImage(source, 17, 130, format, [](int, int, int b) { return std::uint8_t(32 + 40 * b); });
      ASSERT_EQ(destination.Create(c.width, c.height, format).GetCode(), 0);
      ASSERT_EQ(TransformOperation(c.method, nullptr, nullptr, 0).Run(destination, &source).GetCode(), 0);
      const auto colour = ReadPixel(source, 0, 0);
      for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
          ASSERT_EQ(ReadPixel(destination, x, y), colour)
              << c.method << " " << c.width << "x" << c.height << " at " << x << "," << y;
    }
  }
}

TEST(TransformOperation, HalvingAveragesEachBlock) {
  CRowIteratorBands checker, blocks, half;
  MakeImage(checker, 8, 6, keFormatGrey,
            [](int x, int y, int) { return std::uint8_t((x + y) % 2 ? 255 : 0); });
  ASSERT_EQ(half.Create(4, 3, keFormatGrey).GetCode(), 0);
  ASSERT_EQ(TransformOperation(92, nullptr, nullptr, 0).Run(half, &checker).GetCode(), 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(ReadPixel(half, x, y)[0], 127);  // 127.5, truncated

  MakeImage(blocks, 8, 6, keFormatBGR, Noise);
  ASSERT_EQ(TransformOperation(91, nullptr, nullptr, 0).Run(half, &blocks).GetCode(), 0);  // converts to grey
  CRowIteratorBands halfColour;
  ASSERT_EQ(halfColour.Create(4, 3, keFormatBGR).GetCode(), 0);
  ASSERT_EQ(TransformOperation(90, nullptr, nullptr, 0).Run(halfColour, &blocks).GetCode(), 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      for (int c = 0; c < 3; ++c) {
        const int a = ReadPixel(blocks, 2 * x, 2 * y)[c], b = ReadPixel(blocks, 2 * x + 1, 2 * y)[c];
        const int d = ReadPixel(blocks, 2 * x, 2 * y + 1)[c], e = ReadPixel(blocks, 2 * x + 1, 2 * y + 1)[c];
        // Columns averaged down first, each truncated, then across.
        EXPECT_EQ(ReadPixel(halfColour, x, y)[c], ((a + d) / 2 + (b + e) / 2) / 2)
            << x << "," << y << " " << c;
      }
}

TEST(TransformOperation, SampledReductionByTwoTakesOnePixelPerBlock) {
  CRowIteratorBands source, destination;
  MakeImage(source, 8, 8, keFormatBGRA, Noise);
  ASSERT_EQ(destination.Create(4, 4, keFormatBGRA).GetCode(), 0);
  ASSERT_EQ(TransformOperation(90, nullptr, nullptr, 5).Run(destination, &source).GetCode(), 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(ReadPixel(destination, x, y), ReadPixel(source, 2 * x, 2 * y));
}

TEST(TransformOperation, SampledReductionAveragesItsSamples) {
  CRowIteratorBands source, destination;
  // Blocks of 4 x 4 at factor 5: columns 0..3 of each 5, values 10 x column.
  MakeImage(source, 10, 10, keFormatGrey, [](int x, int, int) { return std::uint8_t(10 * (x % 5)); });
  ASSERT_EQ(destination.Create(2, 2, keFormatGrey).GetCode(), 0);
  ASSERT_EQ(ResampleReduceSampled(destination, source, RECT{0, 0, 2, 2}, RectD{0, 0, 10, 10}, 16, nullptr),
            0);
  EXPECT_EQ(ReadPixel(destination, 1, 1)[0], 15);  // (0 + 10 + 20 + 30) / 4
  EXPECT_EQ(ResampleReduceSampled(destination, source, RECT{0, 0, 2, 2}, RectD{0, 0, 3, 10}, 0, nullptr),
            keErrorBadArgument);  // factor below 2
}

TEST(ResampleFourTap, SingleColumnDestinationReadsTheSourceLeft) {
  CRowIteratorBands source, destination;
  MakeImage(source, 6, 3, keFormatGrey, [](int x, int y, int) { return std::uint8_t(10 * x + y); });
  ASSERT_EQ(destination.Create(1, 3, keFormatGrey).GetCode(), 0);
  ASSERT_EQ(ResampleFourTap(destination, source, RECT{0, 0, 1, 3}, RectD{2, 0, 6, 3}, nullptr), 0);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(ReadPixel(destination, 0, y)[0], 20 + y);
}

// A one-pixel-wide source: the taps stay on its only column.
TEST(ResampleFourTap, OnePixelWideSourceStaysInside) {
  CRowIteratorBands source, destination;
  MakeImage(source, 3, 4, keFormatGrey,
            [](int x, int y, int) { return std::uint8_t(x == 1 ? 40 * y : 255); });
  ASSERT_EQ(destination.Create(5, 7, keFormatGrey).GetCode(), 0);
  ASSERT_EQ(ResampleFourTap(destination, source, RECT{0, 0, 5, 7}, RectD{1, 0, 2, 4}, nullptr), 0);
  for (int y = 0; y < 7; ++y) {
    const int value = ReadPixel(destination, 0, y)[0];
    EXPECT_LE(value, 120) << y;
    for (int x = 1; x < 5; ++x) EXPECT_EQ(ReadPixel(destination, x, y)[0], value);
  }
}

TEST(TransformOperation, EnlargesSmoothlyBetweenCorners) {
  CRowIteratorBands source, destination;
  MakeImage(source, 2, 2, keFormatGrey, [](int x, int, int) { return std::uint8_t(x ? 248 : 0); });
  ASSERT_EQ(destination.Create(32, 2, keFormatGrey).GetCode(), 0);
  ASSERT_EQ(TransformOperation(91, nullptr, nullptr, 0).Run(destination, &source).GetCode(), 0);
  EXPECT_EQ(ReadPixel(destination, 0, 0)[0], 0);
  for (int x = 1; x < 32; ++x)
    EXPECT_GE(ReadPixel(destination, x, 0)[0], ReadPixel(destination, x - 1, 0)[0]);
  EXPECT_GE(ReadPixel(destination, 31, 0)[0], 240);
}

TEST(TransformOperation, ConvertsIntoAnotherDestinationFormat) {
  CRowIteratorBands source, direct, converted;
  MakeImage(source, 20, 20, keFormatBGRA,
            [](int x, int y, int c) { return c == 3 ? std::uint8_t(255) : Noise(x, y, c); });
  ASSERT_EQ(direct.Create(33, 29, keFormatBGRA).GetCode(), 0);
  ASSERT_EQ(converted.Create(33, 29, keFormatBGR).GetCode(), 0);
  for (std::int32_t method : {90, 91, 92}) {
    ASSERT_EQ(TransformOperation(method, nullptr, nullptr, 0).Run(direct, &source).GetCode(), 0);
    ASSERT_EQ(TransformOperation(method, nullptr, nullptr, 0).Run(converted, &source).GetCode(), 0);
    for (int y = 0; y < 29; ++y)
      for (int x = 0; x < 33; ++x) {
        auto expected = ReadPixel(direct, x, y);
        expected.pop_back();
        ASSERT_EQ(ReadPixel(converted, x, y), expected) << method << " " << x << "," << y;
      }
  }
}

// The SSE2 cubic kernel of four 8-bit channels against the plain one, enlarging and shrinking
// one axis at a time, with overshoots that the clamps catch.
TEST(TransformOperation, CubicSimdMatchesPlain) {
  CRowIteratorBands source;
  MakeImage(source, 37, 150, keFormatBGRA,
            [](int x, int y, int c) { return (x + y) % 3 ? Noise(x, y, c) : std::uint8_t(0); });
  for (auto size : {std::pair{101, 160}, std::pair{40, 300}}) {
    CRowIteratorBands results[2];
    for (int simd : {0, 1}) {
      CpuFeaturesOverride forced(ProbedOrNone(simd != 0));
      ASSERT_EQ(results[simd].Create(size.first, size.second, keFormatBGRA).GetCode(), 0);
      ASSERT_EQ(ResampleCubicConvolution(results[simd], source, RECT{0, 0, size.first, size.second},
                                         RectD{0.5, 0, 37, 150}, nullptr),
                0);
    }
    EXPECT_TRUE(SamePixels(results[0], results[1])) << size.first;
  }
}

TEST(TransformOperation, RectanglesOutsideTheImagesAreRefused) {
  CRowIteratorBands source, destination;
  ASSERT_EQ(source.Create(10, 10, keFormatBGR).GetCode(), 0);
  ASSERT_EQ(destination.Create(20, 20, keFormatBGR).GetCode(), 0);
  const RECT outside{5, 5, 25, 25};
  const RectD beyond{-2, 0, 10, 10};
  const RectD broken{NAN, 0, 1e300, 10}, half{NAN, 0, 10, 10};
  for (std::int32_t method : {90, 91, 92}) {
    EXPECT_EQ(TransformOperation(method, nullptr, &broken, 0).Run(destination, &source).GetCode(),
              keErrorBadArgument);
    EXPECT_EQ(TransformOperation(method, nullptr, &half, 0).Run(destination, &source).GetCode(),
              keErrorBadArgument);
    EXPECT_EQ(TransformOperation(method, &outside, nullptr, 0).Run(destination, &source).GetCode(),
              keErrorBadArgument);
    EXPECT_EQ(TransformOperation(method, nullptr, &beyond, 0).Run(destination, &source).GetCode(),
              keErrorBadArgument);
  }
  EXPECT_EQ(TransformOperation(92, nullptr, nullptr, 0).Run(destination, nullptr).GetCode(),
            keErrorBadArgument);
}

TEST(TransformOperation, StopsWhenTheMeterSaysSo) {
  platform::VirtualClockScope clock;
  ElapsedSeconds();  // the clock's origin, so that the first report is due a second later
  CProgressMeter meter;
  meter.SetContinueCallback([](CProgressMeter*) { return std::int32_t{1}; });
  CRowIteratorBands source, destination;
  MakeImage(source, 10, 10, keFormatGrey, Noise);
  ASSERT_EQ(destination.Create(25, 25, keFormatGrey).GetCode(), 0);
  for (std::int32_t method : {90, 91, 92, 3}) {
    TransformOperation transform(method, nullptr, nullptr, 0);
    transform.SetProgressMeter(&meter);
    platform::AdvanceVirtualClock(std::chrono::seconds(1));
    EXPECT_EQ(transform.Run(destination, &source).GetCode(), keErrorStopped) << method;
  }
}

TEST(RowCache, AnswersNothingWhenEverySlotIsOut) {
  CRowIteratorBands image;
  MakeImage(image, 4, 4, keFormatBGR, Noise);
  for (keFormat working : {keFormatBGR, keFormatBGRA}) {
    detail::RowCache cache(working);
    ASSERT_TRUE(cache.Allocate(image, 2, false));
    EXPECT_EQ(cache.Converting(), working != keFormatBGR);
    BYTE* first = cache.GetRow(0, 0, 4);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(cache.GetRow(0, 0, 4), first);  // handed out again
    ASSERT_NE(cache.GetRow(1, 0, 4), nullptr);
    EXPECT_EQ(cache.GetRow(2, 0, 4), nullptr);
    cache.Release(1);
    EXPECT_NE(cache.GetRow(2, 0, 4), nullptr);  // the released slot is reused
    cache.Release(0);
    cache.Release(0);
    cache.Release(2);
  }
}

}  // namespace
}  // namespace corvel
