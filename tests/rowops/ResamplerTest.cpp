#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/CpuFeatures.h"
#include "rowops/Resampler.h"
#include "rowops/RowOperation.h"
#include "tests/rowops/SamplingTestImages.h"

namespace corvel {
namespace {

using testing::MakeImage;
using testing::Noise;

// Samples count positions (x, y pairs) into a packed row.
std::vector<std::uint8_t> Sample(const Resampler& resampler, CRowIteratorBands& image,
                                 const std::vector<std::int32_t>& positions) {
  TiledImageAdapter adapter(image);
  const int count = static_cast<int>(positions.size() / 2);
  const int bytes = CPixelFormat(image.GetFormat()).GetBitsPerPixel() / 8;
  std::vector<std::uint8_t> out(count * bytes + 8, 0xCD);
  PixelBlock dst{image.GetFormat(), count, 1, out.data(), 0};
  EXPECT_EQ(resampler.SampleRow(dst, positions.data(), adapter), 0);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(out[count * bytes + i], 0xCD) << "guard byte " << i;
  out.resize(count * bytes);
  return out;
}

std::vector<std::uint8_t> SampleOne(int mode, CRowIteratorBands& image, std::int32_t x, std::int32_t y,
                                    int edge = keEdgeClamp, std::uint32_t colour = 0) {
  auto resampler = CreateResampler(mode, image.GetFormat(), edge, colour);
  EXPECT_TRUE(resampler);
  if (!resampler) return {};
  return Sample(*resampler, image, {x, y});
}

TEST(CubicWeightTable, CubicConvolutionWithWholeSums) {
  const CubicWeights* table = CubicWeightTable();
  EXPECT_EQ(table[0], (CubicWeights{0, 256, 0, 0}));
  EXPECT_EQ(table[128], (CubicWeights{-32, 160, 160, -32}));
  for (int i = 0; i < 256; ++i) {
    const double t = i / 256.0;
    EXPECT_EQ(table[i][0] + table[i][1] + table[i][2] + table[i][3], 256) << i;
    EXPECT_EQ(table[i][0], std::trunc((-t + 2 * t * t - t * t * t) * 256)) << i;
    EXPECT_EQ(table[i][3], std::trunc((-t * t + t * t * t) * 256)) << i;
    EXPECT_NEAR(table[i][1], (1 - 2 * t * t + t * t * t) * 256, 3) << i;
  }
}

TEST(NearestResampler, FloorsPositionsIncludingMinus256) {
  CRowIteratorBands image;
  MakeImage(image, 4, 1, keFormatGrey, [](int x, int, int) { return std::uint8_t(10 * (x + 1)); });
  struct Case {
    std::int32_t x;
    std::uint8_t clamp, fill;
  };
  // Pixel -1 is outside: clamp gives pixel 0, fill the fill colour.
  const Case cases[] = {{0, 10, 10},    {255, 10, 10},  {256, 20, 20},  {-1, 10, 99},  {-255, 10, 99},
                        {-256, 10, 99}, {-257, 10, 99}, {1023, 40, 40}, {1024, 40, 99}};
  for (const Case& c : cases) {
    EXPECT_EQ(SampleOne(keInterpolationNearest, image, c.x, 0)[0], c.clamp) << c.x;
    EXPECT_EQ(SampleOne(keInterpolationNearest, image, c.x, 0, keEdgeFill, 0x636363)[0], c.fill) << c.x;
  }
}

TEST(NearestResampler, FillOnIndexedImageIsTheNearestPaletteEntry) {
  CRowIteratorBands image;
  RGBQUAD palette[4] = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
  ASSERT_EQ(image.Create(2, 2, keFormatIndex8, nullptr, palette, 4).GetCode(), 0);
  // Red is bits 0..7 of the colour: nearly red is entry 1 (its red byte is 255).
  EXPECT_EQ(SampleOne(keInterpolationNearest, image, -600, 0, keEdgeFill, 0x000010F0)[0], 1);
  EXPECT_EQ(SampleOne(keInterpolationNearest, image, -600, 0, keEdgeFill, 0x00F01000)[0], 3);
}

TEST(Resamplers, RefusePackedFormatsAndUnknownModes) {
  for (int mode : {0, 1, 2}) {
    EXPECT_FALSE(CreateResampler(mode, keFormatIndex1, keEdgeClamp, 0)) << mode;
    EXPECT_FALSE(CreateResampler(mode, keFormatIndex4, keEdgeClamp, 0)) << mode;
  }
  EXPECT_FALSE(CreateResampler(3, keFormatBGRA, keEdgeClamp, 0));
  EXPECT_FALSE(CreateResampler(-1, keFormatBGRA, keEdgeClamp, 0));
}

TEST(Resamplers, InterpolatingKindsWriteNothingOnIndexedImages) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(4, 4, keFormatIndex8).GetCode(), 0);
  for (int mode : {keInterpolationBilinear, keInterpolationBicubic})
    EXPECT_EQ(SampleOne(mode, image, 256, 256)[0], 0xCD) << mode;
}

TEST(Resamplers, ImageOfAnotherFormatIsRefused) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(4, 4, keFormatBGR).GetCode(), 0);
  auto resampler = CreateResampler(keInterpolationBilinear, keFormatBGRA, keEdgeClamp, 0);
  TiledImageAdapter adapter(image);
  std::uint8_t out[4] = {};
  const std::int32_t position[2] = {0, 0};
  EXPECT_EQ(resampler->SampleRow(PixelBlock{keFormatBGRA, 1, 1, out, 0}, position, adapter),
            keErrorBadArgument);
}

TEST(BilinearResampler, GreyTruncates) {
  CRowIteratorBands image;
  MakeImage(image, 2, 2, keFormatGrey, [](int x, int, int) { return std::uint8_t(x ? 255 : 0); });
  EXPECT_EQ(SampleOne(keInterpolationBilinear, image, 0, 0)[0], 0);
  EXPECT_EQ(SampleOne(keInterpolationBilinear, image, 128, 0)[0], 127);
  EXPECT_EQ(SampleOne(keInterpolationBilinear, image, 256, 0)[0], 255);
}

TEST(BilinearResampler, ColourIsWeightedByAlpha) {
  CRowIteratorBands image;
  // Column 0 opaque red, column 1 transparent green.
  MakeImage(image, 2, 2, keFormatBGRA, [](int x, int, int c) {
    static const std::uint8_t red[4] = {0, 0, 255, 255}, clear[4] = {0, 255, 0, 0};
    return x == 0 ? red[c] : clear[c];
  });
  for (int simd : {0, 1}) {
    CpuFeaturesOverride forced(ProbedOrNone(simd != 0));
    EXPECT_EQ(SampleOne(keInterpolationBilinear, image, 128, 0), (std::vector<std::uint8_t>{0, 0, 255, 127}));
    EXPECT_EQ(SampleOne(keInterpolationBilinear, image, 256, 0), (std::vector<std::uint8_t>{0, 0, 0, 0}));
  }
}

struct FormatCase {
  keFormat format;
  int channels;
  int bytes;
  bool alpha;  // straight alpha in the last channel
};
const FormatCase kFormats[] = {
    {keFormatGrey, 1, 1, false},      {keFormatGreyA, 2, 1, true},    {keFormatBGR, 3, 1, false},
    {keFormatBGRA, 4, 1, true},       {keFormatBGRxA, 4, 1, false},   {keFormatGrey_u16, 1, 2, false},
    {keFormatGreyA_u16, 2, 2, true},  {keFormatBGR_u16, 3, 2, false}, {keFormatBGRA_u16, 4, 2, true},
    {keFormatBGRxA_u16, 4, 2, false},
};

double ChannelValue(CRowIteratorBands& image, const FormatCase& f, int x, int y, int c) {
  std::vector<std::uint8_t> p = testing::ReadPixel(image, std::clamp(x, 0, image.Width() - 1),
                                                   std::clamp(y, 0, image.Height() - 1));
  return f.bytes == 1 ? p[c] : p[2 * c] + 256.0 * p[2 * c + 1];
}

double OutputValue(const std::vector<std::uint8_t>& out, const FormatCase& f, int i, int c) {
  const int at = (i * f.channels + c) * f.bytes;
  return f.bytes == 1 ? out[at] : out[at] + 256.0 * out[at + 1];
}

// Random positions over the image and a little beyond it, edge mode clamp.
std::vector<std::int32_t> RandomPositions(int width, int height, int count, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<std::int32_t> xs(-300, width * 256 + 300), ys(-300, height * 256 + 300);
  std::vector<std::int32_t> positions;
  for (int i = 0; i < count; ++i) {
    positions.push_back(xs(random));
    positions.push_back(ys(random));
  }
  return positions;
}

// Each format against a double-precision reference with the kind's truncations: exact for the
// formats without straight alpha, close to the alpha-weighted mean for the others.
TEST(InterpolatingResamplers, MatchDoublePrecisionReference) {
  for (const FormatCase& f : kFormats) {
    CRowIteratorBands image;
    MakeImage(image, 9, 140, f.format, [](int x, int y, int c) {
      // Alpha bytes of 16-bit pixels are forced high now and then, to meet the opaque path.
      return (x + y) % 5 == 0 ? std::uint8_t(255) : Noise(x, y, c);
    });
    const auto positions = RandomPositions(9, 140, 400, 7);
    for (int mode : {keInterpolationBilinear, keInterpolationBicubic}) {
      auto resampler = CreateResampler(mode, f.format, keEdgeClamp, 0);
      const auto out = Sample(*resampler, image, positions);
      for (int i = 0; i < 400; ++i) {
        const std::int32_t px = positions[2 * i], py = positions[2 * i + 1];
        const int size = mode == keInterpolationBilinear ? 2 : 4;
        const int x0 = (px >> 8) - (size == 4), y0 = (py >> 8) - (size == 4);
        double wx[4], wy[4];
        if (size == 2) {
          wx[0] = 256 - (px & 255), wx[1] = px & 255, wy[0] = 256 - (py & 255), wy[1] = py & 255;
        } else {
          for (int k = 0; k < 4; ++k)
            wx[k] = CubicWeightTable()[px & 255][k], wy[k] = CubicWeightTable()[py & 255][k];
        }
        const double limit = f.bytes == 1 ? 255 : 65535;
        auto value = [&](int c, bool weighted) {
          double sum = 0, alphaSum = 0;
          for (int k = 0; k < size; ++k) {
            double row = 0, alphaRow = 0;
            for (int l = 0; l < size; ++l) {
              const double a = weighted ? ChannelValue(image, f, x0 + l, y0 + k, f.channels - 1) : 1;
              row += ChannelValue(image, f, x0 + l, y0 + k, c) * a * wx[l];
              alphaRow += a * wx[l];
            }
            // The plain kinds truncate each row of the bicubic footprint.
            sum += (size == 4 && !weighted ? std::floor(row / 256) * 256 : row) * wy[k];
            alphaSum += alphaRow * wy[k];
          }
          return weighted ? sum / alphaSum : std::floor(sum / 65536);
        };
        for (int c = 0; c < f.channels; ++c) {
          const double got = OutputValue(out, f, i, c);
          const bool colour = f.alpha && c < f.channels - 1;
          const double alpha = f.alpha ? OutputValue(out, f, i, f.channels - 1) : limit;
          if (!colour) {
            ASSERT_EQ(got, std::clamp(value(c, false), 0.0, limit))
                << CPixelFormat(f.format).GetName() << " mode " << mode << " sample " << i << " channel "
                << c;
          } else if (alpha == 0) {
            ASSERT_EQ(got, 0);
          } else {
            // The alpha-weighted rules truncate several times; a few units at 8 bits.
            const double tolerance = (f.bytes == 1 ? 3 : 700) * (size == 4 ? 2 : 1) * limit /
                                     std::max(alpha, 1.0);
            ASSERT_NEAR(got, std::clamp(value(c, true), 0.0, limit),
                        std::max(tolerance, f.bytes == 1 ? 3.0 : 700.0))
                << CPixelFormat(f.format).GetName() << " mode " << mode << " sample " << i << " channel "
                << c;
          }
        }
      }
    }
  }
}

// Partly transparent colours drift where the rules truncate premultiplied values (the bicubic
// kind's division by 255, the 16-bit products); every other case stays exactly flat.
TEST(InterpolatingResamplers, FlatColourStaysFlat) {
  for (const FormatCase& f : kFormats) {
    for (std::uint8_t alphaByte : {std::uint8_t(255), std::uint8_t(90)}) {
      CRowIteratorBands image;
      MakeImage(image, 5, 130, f.format, [&](int, int, int c) {
        return f.alpha && c / f.bytes == f.channels - 1 ? alphaByte : std::uint8_t(40 + 50 * c);
      });
      const auto positions = RandomPositions(5, 130, 300, 3);
      for (int mode : {keInterpolationNearest, keInterpolationBilinear, keInterpolationBicubic}) {
        if (f.alpha && alphaByte != 255 && (mode == keInterpolationBicubic || f.bytes == 2)) continue;
        for (int edge : {keEdgeWrap, keEdgeClamp, keEdgeMirror}) {
          auto resampler = CreateResampler(mode, f.format, edge, 0);
          const auto out = Sample(*resampler, image, positions);
          const auto expected = testing::ReadPixel(image, 0, 0);
          for (int i = 0; i < 300; ++i)
            ASSERT_TRUE(std::equal(expected.begin(), expected.end(), out.begin() + i * expected.size()))
                << CPixelFormat(f.format).GetName() << " mode " << mode << " edge " << edge << " sample "
                << i;
        }
      }
    }
  }
}

TEST(BicubicResampler, PhaseZeroIsThePixelItself) {
  CRowIteratorBands image;
  MakeImage(image, 6, 6, keFormatBGRA, Noise);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      auto pixel = testing::ReadPixel(image, x, y);
      if (pixel[3] == 0) pixel = {0, 0, 0, 0};
      const auto got = SampleOne(keInterpolationBicubic, image, x * 256, y * 256);
      // Colour of a partly transparent pixel comes back through its premultiplied product.
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], pixel[c], pixel[3] == 255 ? 0 : 1.0 + 255.0 / pixel[3]);
      EXPECT_EQ(got[3], pixel[3]);
    }
  CRowIteratorBands grey;
  MakeImage(grey, 6, 6, keFormatGrey_u16, Noise);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(SampleOne(keInterpolationBicubic, grey, x * 256, y * 256), testing::ReadPixel(grey, x, y));
}

TEST(InterpolatingResamplers, FillOutsideTheAcceptedRange) {
  CRowIteratorBands image;
  MakeImage(image, 4, 4, keFormatBGRA, [](int, int, int) { return std::uint8_t(200); });
  // Fill colour 0xAABBGGRR in BGRA bytes.
  const std::vector<std::uint8_t> fill{0x30, 0x20, 0x10, 0x40};
  for (int mode : {keInterpolationNearest, keInterpolationBilinear, keInterpolationBicubic}) {
    EXPECT_EQ(SampleOne(mode, image, -5000, 0, keEdgeFill, 0x40302010), fill) << mode;
    EXPECT_EQ(SampleOne(mode, image, 0, 4 * 256 + 300, keEdgeFill, 0x40302010), fill) << mode;
    EXPECT_EQ(SampleOne(mode, image, 512, 512, keEdgeFill, 0x40302010), (std::vector<std::uint8_t>(4, 200)))
        << mode;
  }
}

// The SSE2 kernels against the plain ones, on partly transparent pixels across band edges.
TEST(BilinearResampler, SimdMatchesPlain) {
  for (keFormat format : {keFormatBGRA, keFormatBGRxA}) {
    CRowIteratorBands image;
    MakeImage(image, 33, 300, format, [](int x, int y, int c) {
      if (c == 3 && (x / 4 + y / 4) % 3 == 0) return std::uint8_t(255);
      if (c == 3 && (x / 4 + y / 4) % 3 == 1) return std::uint8_t(0);
      return Noise(x, y, c);
    });
    const auto positions = RandomPositions(33, 300, 5000, 11);
    std::vector<std::uint8_t> results[2];
    for (int simd : {0, 1}) {
      CpuFeaturesOverride forced(ProbedOrNone(simd != 0));
      results[simd] = Sample(*CreateResampler(keInterpolationBilinear, format, keEdgeMirror, 0), image,
                             positions);
    }
    ASSERT_EQ(results[0], results[1]) << CPixelFormat(format).GetName();
  }
}

}  // namespace
}  // namespace corvel
