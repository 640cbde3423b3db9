#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "rowops/ImageSampler.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowOpContext.h"
#include "tests/rowops/SamplingTestImages.h"

namespace corvel {
namespace {

using testing::MakeImage;
using testing::Noise;
using testing::ReadPixel;

TEST(ImageSampler, DefaultsAndEmptyCalls) {
  CRowIteratorBands image;
  MakeImage(image, 4, 4, keFormatBGRA, Noise);
  ImageSampler sampler(image, nullptr);
  EXPECT_TRUE(sampler.IsReady());
  EXPECT_EQ(sampler.Interpolation(), keInterpolationBilinear);
  EXPECT_EQ(sampler.EdgeMode(), keEdgeWrap);
  EXPECT_EQ(sampler.BytesPerPixel(), 4);
  EXPECT_EQ(sampler.ChannelCount(), 4);
  std::uint8_t out[4] = {1, 2, 3, 4};
  EXPECT_EQ(sampler.SampleRow(out, nullptr, 0), 0);
  EXPECT_EQ(out[0], 1);
  sampler.Reset();
  EXPECT_EQ(sampler.Interpolation(), -1);
  EXPECT_EQ(sampler.EdgeMode(), -1);
  const std::int32_t position[2] = {0, 0};
  EXPECT_EQ(sampler.SampleRow(out, position, 1), keErrorNotCreated);
  EXPECT_EQ(out[0], 1);
}

// Generators sample one position a call: the band read last stays locked between calls and is
// let go by Reset.
TEST(ImageSampler, KeepsTheLastTileLockedBetweenCalls) {
  CRowIteratorBands image;
  MakeImage(image, 4, 300, keFormatBGRA, Noise);
  const int created = image.GetBand(0)->lockCount;
  ImageSampler sampler;
  sampler.Init(image, keInterpolationBilinear, keEdgeClamp, 0, false);
  std::uint8_t out[4];
  const std::int32_t first[2] = {256, 256}, second[2] = {256, 200 * 256};
  EXPECT_EQ(sampler.SampleRow(out, first, 1), 0);
  EXPECT_EQ(image.GetBand(0)->lockCount, created + 1);
  EXPECT_EQ(sampler.SampleRow(out, second, 1), 0);
  EXPECT_EQ(image.GetBand(0)->lockCount, created);
  EXPECT_EQ(image.GetBand(1)->lockCount, created + 1);
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 4), ReadPixel(image, 1, 200));
  sampler.Reset();
  EXPECT_EQ(image.GetBand(1)->lockCount, created);
}

// A row whose samples alternate between two bands reads each from its own band, and leaves
// only the band read last locked.
TEST(ImageSampler, SamplesAlternatingBetweenTwoBands) {
  CRowIteratorBands image;
  MakeImage(image, 4, 300, keFormatBGRA, Noise);
  const int created = image.GetBand(0)->lockCount;
  ImageSampler sampler;
  sampler.Init(image, keInterpolationBilinear, keEdgeClamp, 0, false);
  const std::int32_t positions[] = {256,      10 * 256, 512,       200 * 256, 256,
                                    11 * 256, 768,      201 * 256, 512,       12 * 256};
  std::uint8_t out[5 * 4];
  ASSERT_EQ(sampler.SampleRow(out, positions, 5), 0);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(std::vector<std::uint8_t>(out + 4 * i, out + 4 * i + 4),
              ReadPixel(image, positions[2 * i] / 256, positions[2 * i + 1] / 256))
        << i;
  }
  EXPECT_EQ(image.GetBand(0)->lockCount, created + 1);
  EXPECT_EQ(image.GetBand(1)->lockCount, created);
  sampler.Reset();
  EXPECT_EQ(image.GetBand(0)->lockCount, created);
}

TEST(ImageSampler, RefusesPackedImages) {
  for (keFormat format : {keFormatIndex1, keFormatIndex4}) {
    CRowIteratorBands image;
    ASSERT_EQ(image.Create(8, 2, format).GetCode(), 0);
    ImageSampler sampler;
    EXPECT_EQ(sampler.Init(image, keInterpolationNearest, keEdgeClamp, 0, false), 0);
    EXPECT_FALSE(sampler.IsReady());
    std::uint8_t out[4] = {};
    EXPECT_EQ(sampler.SampleSpan(out, 0, 0, 4, nullptr, 0), keErrorNotCreated);
  }
}

TEST(ImageSampler, InvertsEveryByte) {
  CRowIteratorBands image;
  MakeImage(image, 2, 2, keFormatBGRA, [](int, int, int c) {
    static const std::uint8_t pixel[4] = {10, 20, 30, 255};
    return pixel[c];
  });
  ImageSampler sampler;
  sampler.Init(image, keInterpolationBilinear, keEdgeClamp, 0, true);
  std::uint8_t out[4];
  const std::int32_t position[2] = {100, 100};
  EXPECT_EQ(sampler.SampleRow(out, position, 1), 0);
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 4), (std::vector<std::uint8_t>{245, 235, 225, 0}));
  std::uint8_t span[8];
  EXPECT_EQ(sampler.SampleSpan(span, 0, 0, 2, nullptr, 0), 0);
  EXPECT_EQ(span[4], 245);
}

TEST(ImageSampler, FillOnPalettesTakesTheNearestEntry) {
  CRowIteratorBands indexed;
  RGBQUAD palette[3] = {{0, 0, 0, 0}, {200, 10, 10, 0}, {10, 10, 200, 0}};  // blue, green, red
  ASSERT_EQ(indexed.Create(2, 2, keFormatIndex8, nullptr, palette, 3).GetCode(), 0);
  ImageSampler sampler;
  sampler.Init(indexed, keInterpolationNearest, keEdgeFill, 0x801010F0, false);  // nearly red
  EXPECT_EQ(sampler.FillPixel()[0], 2);
  EXPECT_EQ(sampler.FillPixel()[1], 0x80);
  EXPECT_EQ(sampler.FillColour(), 0x800A0AC8u);  // the entry's colour, alpha kept
  std::uint8_t out[3] = {9, 9, 9};
  EXPECT_EQ(sampler.SampleSpan(out, -2, 0, 3, nullptr, 0), 0);
  EXPECT_EQ(out[0], 2);
  EXPECT_EQ(out[1], 2);
  EXPECT_EQ(out[2], 0);

  CRowIteratorBands grey;
  MakeImage(grey, 2, 2, keFormatGrey, [](int, int, int) { return std::uint8_t(5); });
  sampler.Init(grey, keInterpolationBilinear, keEdgeFill, 0x00646464, false);
  const std::int32_t far[2] = {-5000, 0};
  EXPECT_EQ(sampler.SampleRow(out, far, 1), 0);
  EXPECT_EQ(out[0], 100);
}

TEST(FoldSpanPosition, EachModeAgainstItsRule) {
  struct Case {
    std::int64_t position;
    int mode;
    std::int32_t expected;
  };
  const std::int64_t w = 4 * 256;
  const Case cases[] = {
      {-1, keEdgeWrap, 1023},  {1024, keEdgeWrap, 0},      {-1024, keEdgeWrap, 0},
      {2500, keEdgeWrap, 452}, {5000, keEdgeClamp, 1023},  {-3, keEdgeClamp, 0},
      {700, keEdgeClamp, 700}, {-10, keEdgeMirror, 10},    {1030, keEdgeMirror, 1016},
      {2046, keEdgeMirror, 0}, {-5000, keEdgeFill, -5000}, {9, 7, 9},
  };
  for (const Case& c : cases) EXPECT_EQ(FoldSpanPosition(c.position, w, c.mode), c.expected) << c.position;
}

TEST(ProjectSpanToSource, IdentityAffineAndProjective) {
  std::int32_t p[6];
  ProjectSpanToSource(p, 3, 2, 5, nullptr);
  EXPECT_EQ(std::vector<std::int32_t>(p, p + 6),
            (std::vector<std::int32_t>{512, 1280, 768, 1280, 1024, 1280}));

  const Matrix3 affine{0.5, 0, 1, 0, 2, -1, 0, 0, 1};
  ProjectSpanToSource(p, 3, 1, 1, &affine);
  // x: (0.5 + 1) 256 = 384, then steps of 128; y: (2 - 1) 256.
  EXPECT_EQ(std::vector<std::int32_t>(p, p + 6), (std::vector<std::int32_t>{384, 256, 512, 256, 640, 256}));

  const Matrix3 half{1.0 / 512, 0, 0, 0, 1, 0, 0, 0, 1};
  ProjectSpanToSource(p, 3, 0, 0, &half);  // 0, 0.5, 1: the half goes to the even neighbour
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[2], 0);
  EXPECT_EQ(p[4], 1);

  const Matrix3 projective{1, 0, 0, 0, 1, 0, 1, 0, 1};
  ProjectSpanToSource(p, 3, 1, 4, &projective);  // w = x + 1
  EXPECT_EQ(std::vector<std::int32_t>(p, p + 6), (std::vector<std::int32_t>{128, 512, 171, 341, 192, 256}));
}

TEST(ImageSampler, IntegerTranslationCopiesWithTheEdgeMode) {
  CRowIteratorBands image;
  MakeImage(image, 4, 4, keFormatGrey, [](int x, int y, int) { return std::uint8_t(16 * y + x); });
  ImageSampler sampler;
  sampler.Init(image, keInterpolationBilinear, keEdgeWrap, 0, false);
  const Matrix3 shift{1, 0, 3, 0, 1, -2, 0, 0, 1};
  std::uint8_t out[4];
  EXPECT_EQ(sampler.SampleSpan(out, 0, 3, 4, &shift, kClassifyHere), 0);
  // Source row 1 from column 3: 3, then wrapped 0, 1, 2.
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 4), (std::vector<std::uint8_t>{19, 16, 17, 18}));
}

// The same span through SampleSpanAs in the source format, and in another format against the
// row copy of SampleSpan's result.
TEST(ImageSampler, SampleSpanAsConverts) {
  CRowIteratorBands image;
  MakeImage(image, 16, 16, keFormatBGRA,
            [](int x, int y, int c) { return c == 3 ? std::uint8_t(255) : Noise(x, y, c); });
  ImageSampler sampler;
  sampler.Init(image, keInterpolationBilinear, keEdgeMirror, 0, false);
  const Matrix3 turn{0.8, -0.3, 4.2, 0.3, 0.8, -1.7, 0, 0, 1};
  std::vector<std::uint8_t> direct(40 * 4), same(40 * 4), grey(40), reference(40);
  ASSERT_EQ(sampler.SampleSpan(direct.data(), -3, 5, 40, &turn, kClassifyHere), 0);
  ASSERT_EQ(sampler.SampleSpanAs({keFormatBGRA, 40, same.data(), 0, nullptr, -3, 5}, &turn, kClassifyHere),
            0);
  EXPECT_EQ(direct, same);
  for (int pass = 0; pass < 2; ++pass) {  // the second pass reuses the bound copy
    ASSERT_EQ(sampler.SampleSpanAs({keFormatGrey, 40, grey.data(), 0, nullptr, -3, 5}, &turn, kClassifyHere),
              0);
    RowOpExecutor copy(RowCopyOp(), keFormatGrey, keFormatBGRA);
    copy.Run(40, reference.data(), direct.data());
    EXPECT_EQ(grey, reference);
  }
}

// dst (x, y) = src (y, H - 1 - x): a quarter turn at whole-pixel positions.
void QuarterTurn(CRowIteratorBands& dst, CRowIteratorBands& src, int interpolation) {
  ASSERT_EQ(dst.Create(src.Height(), src.Width(), src.GetFormat()).GetCode(), 0);
  ImageSampler sampler;
  ASSERT_GT(sampler.Init(src, interpolation, keEdgeClamp, 0, false), 0);
  const Matrix3 turn{0, 1, 0, -1, 0, double(src.Height() - 1), 0, 0, 1};
  for (int y = 0; y < dst.Height(); ++y) {
    BYTE* row = nullptr;
    ASSERT_EQ(dst.LockRow(y, &row).GetCode(), 0);
    ASSERT_EQ(sampler.SampleSpan(row, 0, y, dst.Width(), &turn, kClassifyHere), 0);
    dst.ReleaseRow(y);
  }
}

TEST(ImageSampler, FourQuarterTurnsGiveTheImageBack) {
  for (keFormat format : {keFormatGrey, keFormatBGR, keFormatBGRA, keFormatBGRA_u16}) {
    for (int interpolation : {keInterpolationNearest, keInterpolationBilinear, keInterpolationBicubic}) {
      CRowIteratorBands images[5];
      // Partial alpha comes back exactly only where the rule divides the exact product (8-bit
      // nearest and bilinear); elsewhere the alpha is opaque. Never 0, which clears colours.
      const bool exactAlpha = format == keFormatBGRA && interpolation != keInterpolationBicubic;
      const int alphaByte = format == keFormatBGRA_u16 ? 6 : 3;
      MakeImage(images[0], 7, 150, format, [&](int x, int y, int c) {
        const bool alpha = CPixelFormat(format).HasAlpha() && c >= alphaByte;
        return alpha && !exactAlpha ? std::uint8_t(255) : std::uint8_t(Noise(x, y, c) | 1);
      });
      for (int i = 1; i <= 4; ++i) QuarterTurn(images[i], images[i - 1], interpolation);
      EXPECT_EQ(images[1].Width(), 150);
      EXPECT_EQ(ReadPixel(images[1], 0, 0), ReadPixel(images[0], 0, 149));
      EXPECT_TRUE(testing::SamePixels(images[4], images[0]))
          << CPixelFormat(format).GetName() << " interpolation " << interpolation;
    }
  }
}

}  // namespace
}  // namespace corvel
