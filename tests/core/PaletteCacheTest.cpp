#include "core/PaletteCache.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvel {
namespace {

std::vector<std::uint8_t> Ramp(int step) {
  std::vector<std::uint8_t> palette(256 * 4, 0);
  for (int i = 0; i < 256; ++i) {
    const int v = std::min(255, i * step);
    palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = static_cast<std::uint8_t>(v);
  }
  return palette;
}

TEST(PaletteCache, NoPaletteGivesMinusOne) { EXPECT_EQ(RgbToPaletteIndex(1, 2, 3, nullptr, 16), -1); }

TEST(PaletteCache, UnregisteredPalettesAreSearched) {
  const auto palette = Ramp(1);
  EXPECT_EQ(RgbToPaletteIndex(7, 7, 7, palette.data(), 256), 7);
  EXPECT_EQ(RgbToPaletteIndex(200, 200, 200, palette.data(), 100), 99);
  EXPECT_EQ(FindPaletteSlot(palette.data()), -1);
}

TEST(PaletteCache, RegisteredPalettesAnswerPerQuantisedColour) {
  const auto palette = Ramp(1);
  AddPaletteInverseMap(palette.data(), 256);
  ASSERT_GE(FindPaletteSlot(palette.data()), 0);
  // 96 and 99 differ only in the low three bits of red and blue: the first one asked decides.
  EXPECT_EQ(RgbToPaletteIndex(96, 96, 96, palette.data(), 256), 96);
  EXPECT_EQ(RgbToPaletteIndex(99, 96, 99, palette.data(), 256), 96);
  EXPECT_EQ(RgbToPaletteIndex(99, 100, 99, palette.data(), 256), 99);  // green differs in bit 2
  RemovePaletteInverseMap(palette.data());
  EXPECT_EQ(FindPaletteSlot(palette.data()), -1);
  EXPECT_EQ(RgbToPaletteIndex(99, 96, 99, palette.data(), 256), 98);
}

TEST(PaletteCache, AMapLivesUntilItsLastHolderRemovesIt) {
  const auto palette = Ramp(1);
  AddPaletteInverseMap(palette.data(), 256);
  AddPaletteInverseMap(palette.data(), 256);
  RemovePaletteInverseMap(palette.data());
  ASSERT_GE(FindPaletteSlot(palette.data()), 0);
  EXPECT_EQ(RgbToPaletteIndex(40, 40, 40, palette.data(), 256), 40);
  RemovePaletteInverseMap(palette.data());
  EXPECT_EQ(FindPaletteSlot(palette.data()), -1);
}

TEST(PaletteCache, AFifthPaletteStaysUnregistered) {
  std::vector<std::vector<std::uint8_t>> palettes;
  for (int i = 0; i < 5; ++i) palettes.push_back(Ramp(i + 1));
  for (const auto& p : palettes) AddPaletteInverseMap(p.data(), 256);
  for (int i = 0; i < 4; ++i) EXPECT_GE(FindPaletteSlot(palettes[i].data()), 0) << i;
  EXPECT_EQ(FindPaletteSlot(palettes[4].data()), -1);
  EXPECT_EQ(FindPaletteSlot(nullptr), -1);
  EXPECT_EQ(RgbToPaletteIndex(10, 10, 10, palettes[4].data(), 256), 2);  // searched: 10 / 5
  for (const auto& p : palettes) RemovePaletteInverseMap(p.data());
  EXPECT_EQ(FindPaletteSlot(nullptr), 0);
}

}  // namespace
}  // namespace corvel
