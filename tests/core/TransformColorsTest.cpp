#include "core/TransformColors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/VTetra.h"
#include "platform/win32/Clock.h"
#include "tests/core/ImageBytes.h"

namespace corvel {
namespace {

const int kAxes30[kVTetraMaxChannels] = {30, 30, 30, 1, 1};

// Sums its inputs (scaled) into each output, so interpolation is exact on it.
template <typename T>
class LinearFunction : public VTetraFunctionT<T> {
 public:
  int inputs = 3;
  int outputs = 2;
  void Evaluate(const T* in, T* out) override {
    std::uint32_t sum = 0;
    for (int i = 0; i < inputs; ++i) sum += in[i];
    out[0] = static_cast<T>(sum / inputs);
    if (outputs > 1) out[1] = in[0];
  }
};

TEST(VTetraGrid, EvenPositionsAndAxisTables) {
  const int two[kVTetraMaxChannels] = {2, 2, 1, 5, 5};
  VTetraGrid grid(two);
  EXPECT_EQ(grid.GetPosition(0, 0), 0);
  EXPECT_EQ(grid.GetPosition(0, 1), 255);
  EXPECT_EQ(grid.GetSampleCount(3), 1);  // forced by axis 2
  LinearFunction<std::uint8_t> f;
  f.inputs = 2;
  VTetra lattice(2, 2, grid, &f);
  EXPECT_EQ(lattice.CellFraction(0, 128), 128u);
  EXPECT_EQ(lattice.CellIndex(0, 255), 0);
  EXPECT_EQ(lattice.CellFraction(0, 255), 256u);

  VTetraGrid thirty(kAxes30);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(thirty.GetPosition(1, i), (i * 255 + 14) / 29);
  f.inputs = 3;
  VTetra cube(3, 2, thirty, &f);
  EXPECT_EQ(cube.CellIndex(0, 9), 1);
  EXPECT_EQ(cube.CellFraction(0, 9), 0u);

  VTetraGrid16 wide(kAxes30);
  EXPECT_EQ(wide.GetPosition(0, 29), 65535);
  LinearFunction<std::uint16_t> g;
  VTetra16 cube16(3, 2, wide, &g);
  EXPECT_EQ(cube16.CellFraction(2, 65535), 32768u);
}

TEST(VTetra, InterpolatesCornersAndLinearFunctionsExactly) {
  std::mt19937 random(3);
  VTetraGrid grid(kAxes30);
  LinearFunction<std::uint8_t> f;
  VTetra lattice(3, 2, grid, &f);
  // Lattice points give the table's values; the far corner is reached at 255.
  const std::uint8_t corners[] = {0, 0, 0, 255, 255, 255, 9, 18, 26};
  std::uint8_t out[6];
  lattice.InterpolateRow(corners, out, 3);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[2], 255);
  EXPECT_EQ(out[3], 255);
  EXPECT_EQ(out[4], 17);
  EXPECT_EQ(out[5], 9);
  // A linear function is reproduced within one step of rounding everywhere.
  for (int i = 0; i < 2000; ++i) {
    const std::uint8_t in[4] = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                                static_cast<std::uint8_t>(random()), 77};
    std::uint8_t result[2] = {};
    lattice.InterpolateRow(in, result, 1, 4, 2);
    const double mean = (in[0] + in[1] + in[2]) / 3.0;
    ASSERT_NEAR(result[0], mean, 1.5) << int(in[0]) << " " << int(in[1]) << " " << int(in[2]);
    ASSERT_NEAR(result[1], in[0], 1.0);
  }
  // One input reads the table directly.
  LinearFunction<std::uint8_t> single;
  single.inputs = 1;
  VTetra line(1, 2, grid, &single);
  const std::uint8_t v[1] = {123};
  line.InterpolateRow(v, out, 1);
  EXPECT_EQ(out[0], 123);
}

TEST(VTetra, SixteenBitMemberScalesTo65535) {
  VTetraGrid16 grid(kAxes30);
  LinearFunction<std::uint16_t> f;
  VTetra16 lattice(3, 2, grid, &f);
  const std::uint16_t in[6] = {65535, 65535, 65535, 1000, 2000, 3000};
  std::uint16_t out[4];
  lattice.InterpolateRow(in, out, 2);
  EXPECT_EQ(out[0], 65535);
  EXPECT_NEAR(out[2], 2000, 2);
  EXPECT_NEAR(out[3], 1000, 2);
}

TEST(VTetra, ThrowsItsOwnErrors) {
  LinearFunction<std::uint8_t> f;
  VTetraGrid grid(kAxes30);
  EXPECT_THROW(VTetra(0, 1, grid, &f), VTetra::BadChannelCount);
  EXPECT_THROW(VTetra(3, 6, grid, &f), VTetra::BadChannelCount);
  EXPECT_THROW(VTetra(4, 1, grid, &f), VTetra::BadSampleCount);  // axis 3 has one sample
  EXPECT_THROW(VTetra(3, 1, grid, nullptr), VTetra::BadUserFunction);
  const int one[kVTetraMaxChannels] = {1, 2, 2, 2, 2};
  EXPECT_THROW(VTetraGrid{one}, VTetra::BadSampleCount);
  const int many[kVTetraMaxChannels] = {2, 257, 1, 1, 1};
  EXPECT_THROW(VTetraGrid{many}, VTetra::BadSampleCount);
  EXPECT_THROW(grid.GetPosition(5, 0), VTetra::BadChannelCount);
  EXPECT_THROW(grid.GetPosition(0, 30), VTetra::BadSampleCount);
  f.outputs = 1;
  VTetra named(3, 1, grid, &f);
  named.SetName("grey");
  EXPECT_STREQ(named.GetName(), "grey");
}

ColorTransformParams SRGB() {
  ColorTransformParams params;
  params.curve = keCurveSRGB;
  params.matrix[0][1] = 0.2126;
  params.matrix[1][1] = 0.7152;
  params.matrix[2][1] = 0.0722;
  return params;
}

TEST(TransformColors, CurvesDecodeAndEncodeBack) {
  for (int curve : {0, 1, 2, 3}) {
    ColorTransformParams params = SRGB();
    params.curve = curve;
    params.gamma = curve == 0 ? 2.2 : 0.0;
    for (double x : {0.0, 0.01, 0.05, 0.3, 0.5, 0.9, 1.0, -0.4})
      EXPECT_NEAR(EncodeTransfer(params, DecodeTransfer(params, x)), x, 1e-4) << curve << " " << x;
  }
  ColorTransformParams power = SRGB();
  power.curve = keCurvePower;
  EXPECT_DOUBLE_EQ(DecodeTransfer(power, 0.5), DecodeTransfer(SRGB(), 0.5));  // gamma 0 acts as sRGB
}

TEST(TransformColors, GreyOfColourImagesBothDepths) {
  std::mt19937 random(12);
  const ColorTransformParams params = SRGB();
  for (keFormat format : {keFormatBGR, keFormatBGRA, keFormatBGR_u16, keFormatBGRA_u16}) {
    SCOPED_TRACE(CPixelFormat(format).GetName());
    CRowIteratorBands source, destination;
    auto bytes = RandomImage(source, 40, 3, format, random);
    const bool wide = CPixelFormat(format).Is16Bit(), alpha = CPixelFormat(format).HasAlpha();
    const int channels = alpha ? 4 : 3;
    // White and black first.
    for (int c = 0; c < channels * (wide ? 2 : 1); ++c)
      bytes[c] = 255, bytes[channels * (wide ? 2 : 1) + c] = 0;
    SetImageBytes(source, bytes);
    ASSERT_EQ(TransformColors(nullptr, source, destination, params).GetCode(), 0);
    EXPECT_EQ(destination.GetFormat(),
              wide ? (alpha ? keFormatGreyA_u16 : keFormatGrey_u16) : (alpha ? keFormatGreyA : keFormatGrey));
    const auto out = ImageBytes(destination);
    const double max = wide ? 65535.0 : 255.0;
    auto channel = [&](const std::vector<std::uint8_t>& v, std::size_t i) {
      return wide ? Word(v, i) : v[i];
    };
    const int outChannels = alpha ? 2 : 1;
    EXPECT_EQ(channel(out, 0), static_cast<std::uint32_t>(max));
    EXPECT_EQ(channel(out, outChannels), 0u);
    for (int i = 0; i < 40 * 3; ++i) {
      auto linear = [&](std::uint32_t v) { return DecodeTransfer(params, v / max); };
      const double y = 0.2126 * linear(channel(bytes, i * channels + 2)) +
                       0.7152 * linear(channel(bytes, i * channels + 1)) +
                       0.0722 * linear(channel(bytes, i * channels));
      const double exact = EncodeTransfer(params, y) * max;
      // The lattice interpolates the curve between its samples.
      ASSERT_NEAR(channel(out, i * outChannels), exact, max * 0.02) << "pixel " << i;
      if (alpha) {
        ASSERT_EQ(channel(out, i * 2 + 1), channel(bytes, i * 4 + 3));
      }
    }
  }
}

TEST(TransformColors, IndexedGreyAndRefusedSources) {
  const ColorTransformParams params = SRGB();
  RGBQUAD palette[16];
  for (int i = 0; i < 16; ++i)
    palette[i] = RGBQUAD{static_cast<BYTE>(i * 17), static_cast<BYTE>(i * 17), static_cast<BYTE>(i * 17), 0};
  palette[1] = RGBQUAD{255, 255, 255, 0};
  for (keFormat format : {keFormatIndex1, keFormatIndex4, keFormatIndex8, keFormatIndex8A}) {
    SCOPED_TRACE(CPixelFormat(format).GetName());
    CRowIteratorBands source, destination;
    const int entries = format == keFormatIndex1 ? 2 : 16;
    ASSERT_EQ(source.Create(9, 2, format, nullptr, palette, entries).GetCode(), 0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(source.GetRowBytes()) * 2, 0);
    // Pixel 1 of row 0 has index 1 (white); the rest index 0 (black).
    if (format == keFormatIndex1)
      bytes[0] = 0x40;
    else if (format == keFormatIndex4)
      bytes[0] = 0x01;
    else if (format == keFormatIndex8)
      bytes[1] = 1;
    else
      bytes[2] = 1, bytes[3] = 200;
    SetImageBytes(source, bytes);
    ASSERT_EQ(TransformColors(nullptr, source, destination, params).GetCode(), 0);
    const bool alpha = format == keFormatIndex8A;
    EXPECT_EQ(destination.GetFormat(), alpha ? keFormatGreyA : keFormatGrey);
    const auto out = ImageBytes(destination);
    const int step = alpha ? 2 : 1;
    for (int x = 0; x < 9; ++x) EXPECT_EQ(out[x * step], x == 1 ? 255 : 0) << x;
    if (alpha) {
      EXPECT_EQ(out[3], 200);
    }
  }
  CRowIteratorBands grey, copy, premultiplied, empty;
  std::mt19937 random(1);
  const auto greyBytes = RandomImage(grey, 5, 5, keFormatGreyA, random);
  ASSERT_EQ(TransformColors(nullptr, grey, copy, params).GetCode(), 0);
  EXPECT_EQ(ImageBytes(copy), greyBytes);
  RandomImage(premultiplied, 5, 5, keFormatBGRxA, random);
  EXPECT_EQ(TransformColors(nullptr, premultiplied, copy, params).GetCode(), keErrorFormatNotSupported);
  EXPECT_EQ(TransformColors(nullptr, empty, copy, params).GetCode(), keErrorBadArgument);
}

TEST(TransformColors, StopsThroughTheMeter) {
  platform::VirtualClockScope clock;
  ElapsedSeconds();
  platform::AdvanceVirtualClock(std::chrono::milliseconds(1000));
  std::mt19937 random(2);
  CRowIteratorBands source, destination;
  RandomImage(source, 8, 8, keFormatBGR, random);
  CProgressMeter meter;
  meter.SetContinueCallback([](CProgressMeter*) -> std::int32_t { return 1; });
  EXPECT_EQ(TransformColors(&meter, source, destination, SRGB()).GetCode(), keErrorStopped);
  EXPECT_FALSE(CRowIteratorBands::IsValid(&destination));
}

}  // namespace
}  // namespace corvel
