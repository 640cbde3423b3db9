#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/PixelFormat.h"

namespace corvel {
namespace {

struct FormatExpectation {
  keFormat format;
  const char* name;
  int bitsPerPixel, bitsPerChannel, channels;
  bool alpha, indexed, grey, eightBit, sixteenBit;
  keFormat alphaForm, eightBitForm, premultipliedForm;
};

const FormatExpectation kTable[] = {
    {keFormatCustom, "keFormatCustom", 0, 0, 0, false, false, false, false, false, keFormatCustom,
     keFormatNone, keFormatCustom},
    {keFormatNone, "keFormatNone", 0, 0, 0, false, false, false, false, false, keFormatNone, keFormatNone,
     keFormatNone},
    {keFormatIndex1, "keFormatIndex1", 1, 1, 3, false, true, false, false, false, keFormatIndex8A,
     keFormatIndex8, keFormatIndex1},
    {keFormatIndex4, "keFormatIndex4", 4, 4, 3, false, true, false, false, false, keFormatIndex8A,
     keFormatIndex8, keFormatIndex4},
    {keFormatIndex8, "keFormatIndex8", 8, 8, 3, false, true, false, true, false, keFormatIndex8A,
     keFormatIndex8, keFormatIndex8},
    {keFormatIndex8A, "keFormatIndex8A", 16, 8, 4, true, true, false, true, false, keFormatIndex8A,
     keFormatIndex8A, keFormatIndex8A},
    {keFormatGrey, "keFormatGrey", 8, 8, 1, false, false, true, true, false, keFormatGreyA, keFormatGrey,
     keFormatGrey},
    {keFormatGreyA, "keFormatGreyA", 16, 8, 2, true, false, true, true, false, keFormatGreyA, keFormatGreyA,
     keFormatGreyA},
    {keFormatBGR, "keFormatBGR", 24, 8, 3, false, false, false, true, false, keFormatBGRA, keFormatBGR,
     keFormatBGR},
    {keFormatBGRA, "keFormatBGRA", 32, 8, 4, true, false, false, true, false, keFormatBGRA, keFormatBGRA,
     keFormatBGRxA},
    {keFormatBGRxA, "keFormatBGRxA", 32, 8, 4, true, false, false, true, false, keFormatBGRxA, keFormatBGRxA,
     keFormatBGRxA},
    {keFormatGrey_u16, "keFormatGrey_u16", 16, 16, 1, false, false, true, false, true, keFormatGreyA_u16,
     keFormatGrey, keFormatGrey_u16},
    {keFormatGreyA_u16, "keFormatGreyA_u16", 32, 16, 2, true, false, true, false, true, keFormatGreyA_u16,
     keFormatGreyA, keFormatGreyA_u16},
    {keFormatBGR_u16, "keFormatBGR_u16", 48, 16, 3, false, false, false, false, true, keFormatBGRA_u16,
     keFormatBGR, keFormatBGR_u16},
    {keFormatBGRA_u16, "keFormatBGRA_u16", 64, 16, 4, true, false, false, false, true, keFormatBGRA_u16,
     keFormatBGRA, keFormatBGRxA_u16},
    {keFormatBGRxA_u16, "keFormatBGRxA_u16", 64, 16, 4, true, false, false, false, true, keFormatBGRxA_u16,
     keFormatBGRxA, keFormatBGRxA_u16},
    {keFormatGrey_f32, "keFormatGrey_f32", 32, 32, 1, false, false, true, false, false, keFormatGreyA_f32,
     keFormatGrey, keFormatGrey_f32},
    {keFormatGreyA_f32, "keFormatGreyA_f32", 64, 32, 2, true, false, true, false, false, keFormatGreyA_f32,
     keFormatGreyA, keFormatGreyA_f32},
    {keFormatBGR_f32, "keFormatBGR_f32", 96, 32, 3, false, false, false, false, false, keFormatBGRA_f32,
     keFormatBGR, keFormatBGR_f32},
    {keFormatBGRA_f32, "keFormatBGRA_f32", 128, 32, 4, true, false, false, false, false, keFormatBGRA_f32,
     keFormatBGRA, keFormatBGRxA_f32},
    {keFormatBGRxA_f32, "keFormatBGRxA_f32", 128, 32, 4, true, false, false, false, false, keFormatBGRxA_f32,
     keFormatBGRxA, keFormatBGRxA_f32},
};

TEST(PixelFormat, EveryValueHasItsProperties) {
  for (const FormatExpectation& e : kTable) {
    CPixelFormat format(e.format);
    SCOPED_TRACE(e.name);
    EXPECT_STREQ(format.GetName(), e.name);
    EXPECT_EQ(format.GetBitsPerPixel(), e.bitsPerPixel);
    EXPECT_EQ(format.GetBitsPerChannel(), e.bitsPerChannel);
    EXPECT_EQ(format.GetChannelCount(), e.channels);
    EXPECT_EQ(format.HasAlpha(), e.alpha);
    EXPECT_EQ(format.IsIndexed(), e.indexed);
    EXPECT_EQ(format.IsGrey(), e.grey);
    EXPECT_EQ(format.Is8Bit(), e.eightBit);
    EXPECT_EQ(format.Is16Bit(), e.sixteenBit);
    EXPECT_EQ(format.GetAlphaForm(), e.alphaForm);
    EXPECT_EQ(format.Get8BitForm(), e.eightBitForm);
    EXPECT_EQ(format.GetPremultipliedForm(), e.premultipliedForm);
  }
}

TEST(PixelFormat, ValuesOutsideTheEnumerationAreUnknown) {
  for (int value : {-2, 20, 1000}) {
    CPixelFormat format(static_cast<keFormat>(value));
    EXPECT_STREQ(format.GetName(), "<unknown");
    EXPECT_EQ(format.GetBitsPerPixel(), 0);
    EXPECT_EQ(format.GetChannelCount(), 0);
    EXPECT_FALSE(format.HasAlpha());
    EXPECT_EQ(format.Get8BitForm(), keFormatNone);
    EXPECT_EQ(format.GetAlphaForm(), static_cast<keFormat>(value));
  }
}

TEST(PixelFormat, ChannelRolesAndPositions) {
  ChannelInfo greyA = CPixelFormat(keFormatGreyA_u16).GetChannelInfo();
  ASSERT_EQ(greyA.count, 2);
  EXPECT_EQ(greyA.roles[0], keRoleGrey);
  EXPECT_EQ(greyA.roles[1], keRoleAlpha);
  ChannelInfo index8A = CPixelFormat(keFormatIndex8A).GetChannelInfo();
  ASSERT_EQ(index8A.count, 4);
  EXPECT_EQ(index8A.roles[3], keRoleAlpha);
  EXPECT_EQ(CPixelFormat(keFormatNone).GetChannelInfo().roles, nullptr);

  struct Position {
    keFormat format;
    int role, position;
  };
  const Position positions[] = {
      {keFormatIndex8A, keRoleAlpha, 1},  {keFormatIndex8A, keRolePaletteIndex, 0},
      {keFormatGreyA, keRoleAlpha, 1},    {keFormatGreyA, keRoleGrey, 0},
      {keFormatBGR, keRoleRed, 2},        {keFormatBGR, keRoleAlpha, 0},
      {keFormatBGRA_f32, keRoleAlpha, 3}, {keFormatBGRxA, keRoleGreen, 1},
      {keFormatIndex8, keRoleRed, 0},     {keFormatBGRA, -1, 0},
  };
  for (const Position& p : positions) {
    EXPECT_EQ(CPixelFormat(p.format).GetChannelRole(p.role), p.position)
        << CPixelFormat(p.format).GetName() << " role " << p.role;
  }
  EXPECT_EQ(FormatClassIndex(4), 4);
  EXPECT_EQ(FormatClassIndex(7), keRolePaletteIndex);
  EXPECT_EQ(FormatClassIndex(5), -1);
  EXPECT_EQ(FormatClassIndex(-1), -1);
}

std::vector<std::uint8_t> PixelOf(keFormat format, std::uint32_t color) {
  std::vector<std::uint8_t> pixel(16, 0xEE);
  CPixelFormat(format).SetPixelColor(pixel.data(), color);
  pixel.resize(static_cast<std::size_t>(CPixelFormat(format).GetBitsPerPixel() + 7) / 8);
  return pixel;
}

TEST(PixelFormat, SetPixelColorStoresEachLayout) {
  using Bytes = std::vector<std::uint8_t>;
  const std::uint32_t red = 0xFF0000FF;            // alpha 255, red 255
  const std::uint32_t halfBlue = 0x80FF0000 | 40;  // alpha 128, blue 255, red 40
  EXPECT_EQ(PixelOf(keFormatBGR, 0x00302010), (Bytes{0x30, 0x20, 0x10}));
  EXPECT_EQ(PixelOf(keFormatBGRA, halfBlue), (Bytes{255, 0, 40, 128}));
  EXPECT_EQ(PixelOf(keFormatBGRxA, halfBlue), (Bytes{128, 0, 20, 128}));
  EXPECT_EQ(PixelOf(keFormatBGRxA, 0x00FFFFFF), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(PixelOf(keFormatBGRxA, 0x980000E5), (Bytes{0, 0, 136, 152}));
  EXPECT_EQ(PixelOf(keFormatGrey, 0x00FFFFFF), (Bytes{255}));
  EXPECT_EQ(PixelOf(keFormatGreyA, red), (Bytes{76, 255}));  // 77 * 255 >> 8
  EXPECT_EQ(PixelOf(keFormatIndex8A, 0x7F000009), (Bytes{9, 0x7F}));
  EXPECT_EQ(PixelOf(keFormatBGRA_u16, red), (Bytes{0, 0, 0, 0, 255, 255, 255, 255}));
  EXPECT_EQ(PixelOf(keFormatBGRxA_u16, halfBlue), (Bytes{0x80, 0x80, 0, 0, 0x14, 0x14, 0x80, 0x80}));

  std::vector<std::uint8_t> untouched(4, 0xEE);
  CPixelFormat(keFormatIndex1).SetPixelColor(untouched.data(), red);
  CPixelFormat(keFormatNone).SetPixelColor(untouched.data(), red);
  EXPECT_EQ(untouched, Bytes(4, 0xEE));

  float channels[4];
  CPixelFormat(keFormatBGRA_f32).SetPixelColor(channels, 0x80FF0033);
  EXPECT_FLOAT_EQ(channels[0], 1.0f);
  EXPECT_FLOAT_EQ(channels[1], 0.0f);
  EXPECT_FLOAT_EQ(channels[2], 0x33 / 255.0f);
  EXPECT_FLOAT_EQ(channels[3], 128 / 255.0f);
}

TEST(Div255, ExactRoundsEveryByteProductAndTheFormatsDivideMissesTwentyFour) {
  int misses = 0;
  for (std::uint32_t a = 0; a < 256; ++a)
    for (std::uint32_t b = 0; b < 256; ++b) {
      ASSERT_EQ(Div255Exact(a * b), (2 * a * b + 255) / 510) << a << " x " << b;
      misses += Div255Approx(a * b) != Div255Exact(a * b);
    }
  EXPECT_EQ(misses, 24);
  EXPECT_EQ(Div255Approx(152 * 229), 136u);
}

TEST(PackedColors, SwapAndPremultiply) {
  EXPECT_EQ(SwapRedBlue(0x11223344), 0x11443322u);
  EXPECT_EQ(SwapRedBlue(SwapRedBlue(0xA1B2C3D4)), 0xA1B2C3D4u);
  EXPECT_EQ(PremultiplyColor(0x80FF0000), 0x80800000u);
  EXPECT_EQ(PremultiplyColor(0xFF123456), 0xFF123456u);
  EXPECT_EQ(PremultiplyColor(0x00FFFFFF), 0u);
  EXPECT_EQ(PremultiplyColor(0x01FFFFFF), 0x01010101u);
  EXPECT_EQ(PremultiplyColor(0x980000E5), 0x98000088u);  // 229 x 152 / 255 by the formats' divide
}

}  // namespace
}  // namespace corvel
