#include "core/ConvertImageForHost.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/win32/Clock.h"
#include "tests/core/ImageBytes.h"

namespace corvel {
namespace {

const std::uint8_t* DivideTable() {
  static std::vector<std::uint8_t> table = [] {
    std::vector<std::uint8_t> t(65026);
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = static_cast<std::uint8_t>((i + 128) / 255);
    return t;
  }();
  return table.data();
}

struct HostCase {
  keFormat source;
  keFormat target;
  bool useMask;
  bool multiply;
  POINT offset;
};

TEST(ConvertImageForHost, EveryTargetWithAndWithoutMasks) {
  const HostCase cases[] = {
      {keFormatBGR, keFormatBGRA, true, false, {0, 0}},
      {keFormatBGRA, keFormatBGRA, true, true, {3, 2}},
      {keFormatBGRA, keFormatBGRA, true, false, {-2, 130}},
      {keFormatBGRA, keFormatBGRA, false, false, {0, 0}},
      {keFormatBGR, keFormatBGRA, false, false, {0, 0}},
      {keFormatGrey, keFormatGreyA, true, true, {1, 1}},
      {keFormatGreyA, keFormatGreyA, true, true, {0, 5}},
      {keFormatGreyA, keFormatGreyA, false, false, {0, 0}},
      {keFormatIndex8, keFormatIndex8A, true, false, {2, 0}},
      {keFormatGrey, keFormatIndex8A, false, false, {0, 0}},
      {keFormatBGR_u16, keFormatBGRA_u16, true, false, {1, 3}},
      {keFormatBGRA_u16, keFormatBGRA_u16, true, true, {0, 0}},
      {keFormatBGRA_u16, keFormatBGRA_u16, false, false, {0, 0}},
      {keFormatGrey_u16, keFormatGreyA_u16, false, false, {0, 0}},
      {keFormatGreyA_u16, keFormatGreyA_u16, true, true, {4, 1}},
  };
  std::mt19937 random(11);
  for (const HostCase& c : cases) {
    SCOPED_TRACE(std::string(CPixelFormat(c.source).GetName()) + " -> " + CPixelFormat(c.target).GetName());
    const int width = 9, height = 140;
    CRowIteratorBands source, mask, destination;
    const auto src = RandomImage(source, width, height, c.source, random);
    source.MoveRectTo(10, 20);
    const int maskWidth = 6, maskHeight = 100;
    const auto m = RandomImage(mask, maskWidth, maskHeight, keFormatGrey, random);
    // Offsets are given from the source's top-left, which lies at (10, 20).
    const POINT offset{c.offset.x + 10, c.offset.y + 20};
    CoreResult result = ConvertImageForHost(nullptr, source, destination, c.target,
                                            c.useMask ? &mask : nullptr, DivideTable(), c.multiply, &offset);
    ASSERT_EQ(result.GetCode(), 0);
    EXPECT_EQ(destination.GetFormat(), c.target);
    EXPECT_EQ(destination.GetRect().left, 10);
    EXPECT_EQ(destination.GetRect().top, 20);
    const auto out = ImageBytes(destination);
    const CPixelFormat in(c.source), to(c.target);
    const bool wide = to.Is16Bit();
    const std::uint32_t opaque = wide ? 65535 : 255;
    const int channelBits = wide ? 16 : 8;
    const int colours = to.GetBitsPerPixel() / channelBits - 1;
    const int inChannels = in.GetBitsPerPixel() / channelBits;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const int mx = x - c.offset.x, my = y - c.offset.y;
        const bool covered = c.useMask && mx >= 0 && mx < maskWidth && my >= 0 && my < maskHeight;
        const std::size_t o = (static_cast<std::size_t>(y) * width + x) * (colours + 1);
        const std::size_t s = (static_cast<std::size_t>(y) * width + x) * inChannels;
        auto outAt = [&](std::size_t i) { return wide ? Word(out, i) : out[i]; };
        auto srcAt = [&](std::size_t i) { return wide ? Word(src, i) : src[i]; };
        if (c.useMask && !covered) {
          for (int k = 0; k <= colours; ++k) ASSERT_EQ(outAt(o + k), 0u) << x << "," << y;
          continue;
        }
        for (int k = 0; k < colours; ++k) ASSERT_EQ(outAt(o + k), srcAt(s + k)) << x << "," << y;
        const std::uint32_t sourceAlpha = in.HasAlpha() ? srcAt(s + colours) : opaque;
        std::uint32_t alpha = sourceAlpha;
        if (covered) {
          const std::uint32_t weight = m[my * maskWidth + mx];
          // The 8-bit form reads the divide table, (i + 128) / 255; the 16-bit form rounds exactly.
          alpha = !(c.multiply && in.HasAlpha()) ? weight * (wide ? 257 : 1)
                  : wide ? static_cast<std::uint32_t>(weight * sourceAlpha / 255.0 + 0.5)
                         : (weight * sourceAlpha + 128) / 255;
        }
        ASSERT_EQ(outAt(o + colours), alpha) << x << "," << y;
      }
    }
  }
}

TEST(ConvertImageForHost, RefusesMismatchedFamiliesAndStops) {
  std::mt19937 random(2);
  CRowIteratorBands source, destination;
  RandomImage(source, 4, 4, keFormatBGR, random);
  for (keFormat target : {keFormatGreyA, keFormatIndex8A, keFormatBGRA_u16, keFormatBGR, keFormatGreyA_u16}) {
    EXPECT_EQ(
        ConvertImageForHost(nullptr, source, destination, target, nullptr, DivideTable(), false, nullptr)
            .GetCode(),
        keErrorBadArgument)
        << CPixelFormat(target).GetName();
  }
  CRowIteratorBands empty;
  EXPECT_EQ(
      ConvertImageForHost(nullptr, empty, destination, keFormatBGRA, nullptr, DivideTable(), false, nullptr)
          .GetCode(),
      keErrorBadArgument);

  platform::VirtualClockScope clock;
  ElapsedSeconds();
  platform::AdvanceVirtualClock(std::chrono::milliseconds(1000));
  CProgressMeter meter;
  meter.SetContinueCallback([](CProgressMeter*) -> std::int32_t { return 1; });
  CoreResult stopped = ConvertImageForHost(&meter, source, destination, keFormatBGRA, nullptr, DivideTable(),
                                           false, nullptr);
  EXPECT_EQ(stopped.GetCode(), keErrorStopped);
  EXPECT_FALSE(CRowIteratorBands::IsValid(&destination));
}

TEST(ConvertImageForHost, EdgeValuesOfTheAlpha) {
  struct {
    keFormat source, target;
    std::uint32_t sourceAlpha;
    std::uint8_t m;
    bool multiply;
    std::uint32_t alpha;
  } rows[] = {
      {keFormatBGRA, keFormatBGRA, 128, 255, true, 128},
      {keFormatBGRA_u16, keFormatBGRA_u16, 65535, 255, true, 65535},
      {keFormatBGRA_u16, keFormatBGRA_u16, 65535, 128, false, 32896},
      {keFormatBGR, keFormatBGRA, 255, 0, true, 0},
  };
  for (const auto& row : rows) {
    CRowIteratorBands source, mask, destination;
    ASSERT_EQ(source.Create(1, 1, row.source).GetCode(), 0);
    std::vector<std::uint8_t> pixel(source.GetRowBytes(), 0);
    if (CPixelFormat(row.source).HasAlpha()) {
      if (CPixelFormat(row.source).Is16Bit()) {
        const std::uint16_t a = static_cast<std::uint16_t>(row.sourceAlpha);
        std::memcpy(&pixel[6], &a, 2);
      } else {
        pixel[3] = static_cast<std::uint8_t>(row.sourceAlpha);
      }
    }
    SetImageBytes(source, pixel);
    ASSERT_EQ(mask.Create(1, 1, keFormatGrey).GetCode(), 0);
    SetImageBytes(mask, {row.m});
    ASSERT_EQ(ConvertImageForHost(nullptr, source, destination, row.target, &mask, DivideTable(),
                                  row.multiply, nullptr)
                  .GetCode(),
              0);
    const auto out = ImageBytes(destination);
    EXPECT_EQ(CPixelFormat(row.target).Is16Bit() ? Word(out, 3) : out[3], row.alpha);
  }
}

}  // namespace
}  // namespace corvel
