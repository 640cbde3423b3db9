#include "core/MaskedCombine.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/core/ImageBytes.h"

namespace corvel {
namespace {

// The combine of one channel, written from its definition: round(((255 - m) d + m s) / 255).
std::uint32_t Expected(std::uint32_t m, std::uint32_t d, std::uint32_t s, bool hard) {
  if (m == 0) return d;
  if (hard) return s;
  const double exact = ((255.0 - m) * d + m * s) / 255.0;
  return static_cast<std::uint32_t>(exact + 0.5);
}

struct CombineCase {
  keFormat format;
  bool hard;
  POINT offset;
};

TEST(MaskedCombine, EveryChannelOfEveryIntegerFormat) {
  const CombineCase cases[] = {
      {keFormatGrey, false, {0, 0}},      {keFormatGreyA, false, {3, 1}},
      {keFormatBGR, false, {1, 130}},     {keFormatBGRA, false, {0, 2}},
      {keFormatGrey_u16, false, {2, 2}},  {keFormatGreyA_u16, false, {5, 0}},
      {keFormatBGR_u16, false, {0, 129}}, {keFormatBGRA_u16, false, {4, 3}},
      {keFormatBGRA, true, {1, 1}},       {keFormatGreyA_u16, true, {0, 0}},
  };
  std::mt19937 random(7);
  for (const CombineCase& c : cases) {
    SCOPED_TRACE(CPixelFormat(c.format).GetName());
    const int width = 13, height = 260;
    CRowIteratorBands first, second, mask, destination;
    const auto a = RandomImage(first, width, height, c.format, random);
    const auto b = RandomImage(second, width, height, c.format, random);
    const int maskWidth = width - c.offset.x, maskHeight = height - c.offset.y - 1;
    const auto m = RandomImage(mask, maskWidth, maskHeight, keFormatGrey, random);
    CoreResult result = MaskedCombine(first, second, destination, mask, nullptr, c.hard, &c.offset);
    ASSERT_EQ(result.GetCode(), 0);
    const auto out = ImageBytes(destination);
    const CPixelFormat format(c.format);
    const int channels = format.GetChannelCount();
    const bool wide = format.Is16Bit();
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const bool covered = x >= c.offset.x && y >= c.offset.y && y < c.offset.y + maskHeight;
        const std::uint32_t weight = covered ? m[(y - c.offset.y) * maskWidth + (x - c.offset.x)] : 0;
        for (int k = 0; k < channels; ++k) {
          const std::size_t i = (static_cast<std::size_t>(y) * width + x) * channels + k;
          const std::uint32_t d = wide ? Word(a, i) : a[i];
          const std::uint32_t s = wide ? Word(b, i) : b[i];
          const std::uint32_t got = wide ? Word(out, i) : out[i];
          ASSERT_EQ(got, Expected(weight, d, s, c.hard)) << "x " << x << " y " << y << " channel " << k;
        }
      }
    }
  }
}

TEST(MaskedCombine, ValuesAtTheEdges) {
  struct {
    keFormat format;
    std::uint8_t m;
    std::uint32_t d, s, expected;
  } rows[] = {
      {keFormatGrey, 255, 0, 255, 255},         {keFormatGrey, 128, 0, 255, 128},
      {keFormatGrey, 1, 255, 255, 255},         {keFormatGrey_u16, 255, 0, 65535, 65535},
      {keFormatGrey_u16, 128, 0, 65535, 32896}, {keFormatGreyA, 128, 0, 255, 128},
  };
  for (const auto& row : rows) {
    CRowIteratorBands first, second, mask, destination;
    const CPixelFormat format(row.format);
    ASSERT_EQ(first.Create(1, 1, row.format).GetCode(), 0);
    ASSERT_EQ(second.Create(1, 1, row.format).GetCode(), 0);
    ASSERT_EQ(mask.Create(1, 1, keFormatGrey).GetCode(), 0);
    std::vector<std::uint8_t> a(first.GetRowBytes()), b(a.size());
    for (int k = 0; k < format.GetChannelCount(); ++k) {
      if (format.Is16Bit()) {
        std::uint16_t d = static_cast<std::uint16_t>(row.d), s = static_cast<std::uint16_t>(row.s);
        std::memcpy(&a[k * 2], &d, 2);
        std::memcpy(&b[k * 2], &s, 2);
      } else {
        a[k] = static_cast<std::uint8_t>(row.d);
        b[k] = static_cast<std::uint8_t>(row.s);
      }
    }
    SetImageBytes(first, a);
    SetImageBytes(second, b);
    SetImageBytes(mask, {row.m});
    ASSERT_EQ(MaskedCombine(first, second, destination, mask, nullptr, false, nullptr).GetCode(), 0);
    const auto out = ImageBytes(destination);
    for (int k = 0; k < format.GetChannelCount(); ++k)
      EXPECT_EQ(format.Is16Bit() ? Word(out, k) : out[k], row.expected)
          << format.GetName() << " m " << int(row.m);
  }
}

TEST(MaskedCombine, RefusesBadOperandsAndLeavesOtherFormatsAsTheCopy) {
  std::mt19937 random(3);
  CRowIteratorBands first, second, mask, destination;
  RandomImage(first, 4, 4, keFormatBGRA, random);
  RandomImage(second, 4, 4, keFormatBGRA, random);
  RandomImage(mask, 4, 4, keFormatGreyA, random);
  EXPECT_EQ(MaskedCombine(first, second, destination, mask, nullptr, false, nullptr).GetCode(),
            keErrorBadArgument);
  EXPECT_FALSE(CRowIteratorBands::IsValid(&destination));

  RandomImage(mask, 3, 3, keFormatGrey, random);
  const POINT outside{2, 0};  // reaches one column past the images
  EXPECT_EQ(MaskedCombine(first, second, destination, mask, nullptr, false, &outside).GetCode(),
            keErrorBadArgument);
  const POINT negative{-1, 0};
  EXPECT_EQ(MaskedCombine(first, second, destination, mask, nullptr, false, &negative).GetCode(),
            keErrorBadArgument);
  CRowIteratorBands other;
  RandomImage(other, 4, 4, keFormatBGR, random);
  EXPECT_EQ(MaskedCombine(first, other, destination, mask, nullptr, false, nullptr).GetCode(),
            keErrorBadArgument);
  CRowIteratorBands empty;
  EXPECT_EQ(MaskedCombine(first, empty, destination, mask, nullptr, false, nullptr).GetCode(),
            keErrorBadArgument);

  CRowIteratorBands premultipliedA, premultipliedB;
  const auto bytes = RandomImage(premultipliedA, 4, 4, keFormatBGRxA, random);
  RandomImage(premultipliedB, 4, 4, keFormatBGRxA, random);
  ASSERT_EQ(
      MaskedCombine(premultipliedA, premultipliedB, destination, mask, nullptr, false, nullptr).GetCode(), 0);
  EXPECT_EQ(ImageBytes(destination), bytes);

  // A destination with pixels of another size cannot take the copy.
  CRowIteratorBands small;
  RandomImage(small, 2, 2, keFormatBGRA, random);
  EXPECT_NE(MaskedCombine(first, second, small, mask, nullptr, false, nullptr).GetCode(), 0);
}

TEST(MaskedCombine, CopiesIntoADestinationThatHasPixels) {
  std::mt19937 random(5);
  CRowIteratorBands first, second, mask, destination;
  const auto a = RandomImage(first, 5, 3, keFormatBGR, random);
  RandomImage(second, 5, 3, keFormatBGR, random);
  RandomImage(destination, 5, 3, keFormatBGR, random);
  ASSERT_EQ(mask.Create(5, 3, keFormatGrey).GetCode(), 0);  // all zero: nothing combined
  ASSERT_EQ(MaskedCombine(first, second, destination, mask, nullptr, false, nullptr).GetCode(), 0);
  EXPECT_EQ(ImageBytes(destination), a);
}

}  // namespace
}  // namespace corvel
