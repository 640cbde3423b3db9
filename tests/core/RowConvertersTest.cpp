#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/RowConverters.h"
#include "core/RowIteratorBands.h"

namespace corvel {
namespace {

using Bytes = std::vector<BYTE>;

// Runs a kernel into a destination that starts as `initial` followed by a guard zone, and
// checks both the result and that the guard was not touched.
void ExpectKernel(RowKernel kernel, const CRowIteratorBands* image, const Bytes& source, int count,
                  const Bytes& initial, const Bytes& expected, const char* name) {
  constexpr BYTE kGuard = 0xCD;
  Bytes destination = initial;
  destination.resize(initial.size() + 8, kGuard);
  kernel(image, destination.data(), source.data(), count);
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(destination[i], expected[i]) << name << " byte " << i;
  for (std::size_t i = initial.size(); i < destination.size(); ++i)
    EXPECT_EQ(destination[i], kGuard) << name << " wrote past the span at " << i;
}

struct KernelCase {
  const char* name;
  RowKernel kernel;
  Bytes source;
  int count;
  Bytes initial;
  Bytes expected;
};

TEST(RowConverters, FormatKernels) {
  const KernelCase cases[] = {
      {"Unpack1Bit whole byte", Unpack1Bit, {0xA5}, 8, Bytes(8), {1, 0, 1, 0, 0, 1, 0, 1}},
      {"Unpack1Bit top three bits", Unpack1Bit, {0xA5}, 3, Bytes(3), {1, 0, 1}},
      {"Unpack1Bit across bytes", Unpack1Bit, {0xFF, 0x40}, 10, Bytes(10), {1, 1, 1, 1, 1, 1, 1, 1, 0, 1}},
      {"Pack1Bit partial byte", Pack1Bit, {1, 1, 1}, 3, {0x0F}, {0xEF}},
      {"Pack1Bit whole and partial",
       Pack1Bit,
       {1, 0, 0, 0, 0, 0, 0, 1, 0, 1},
       10,
       {0x00, 0x3F},
       {0x81, 0x7F}},
      {"Unpack4Bit", Unpack4Bit, {0x12, 0x3F}, 3, Bytes(3), {1, 2, 3}},
      {"Pack4Bit partial byte", Pack4Bit, {1, 2, 3}, 3, {0xFF, 0xFF}, {0x12, 0x3F}},
      {"Pack4Bit masks out-of-range values", Pack4Bit, {0x21, 0x1F}, 2, {0x00}, {0x1F}},
      {"ByteToPairOpaque", ByteToPairOpaque, {7, 9}, 2, Bytes(4), {7, 255, 9, 255}},
      {"PairToByte", PairToByte, {7, 1, 9, 2}, 2, Bytes(2), {7, 9}},
      {"GreyToBGR", GreyToBGR, {5, 6}, 2, Bytes(6), {5, 5, 5, 6, 6, 6}},
      {"GreyToBGRA", GreyToBGRA, {5}, 1, Bytes(4), {5, 5, 5, 255}},
      {"GreyAToBGR", GreyAToBGR, {5, 9}, 1, Bytes(3), {5, 5, 5}},
      {"GreyAToBGRA", GreyAToBGRA, {5, 9}, 1, Bytes(4), {5, 5, 5, 9}},
      {"BGRToGrey red", BGRToGrey, {0, 0, 255}, 1, Bytes(1), {76}},
      {"BGRToGrey blue", BGRToGrey, {255, 0, 0}, 1, Bytes(1), {27}},
      {"BGRAToGrey ignores alpha", BGRAToGrey, {0, 0, 255, 0}, 1, Bytes(1), {76}},
      {"BGRToGreyA", BGRToGreyA, {0, 255, 0}, 1, Bytes(2), {150, 255}},
      {"BGRAToGreyA", BGRAToGreyA, {0, 255, 0, 33}, 1, Bytes(2), {150, 33}},
      {"BGRToBGRA",
       BGRToBGRA,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
       5,
       Bytes(20),
       {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12, 255, 13, 14, 15, 255}},
      {"BGRAToBGR",
       BGRAToBGR,
       {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0, 13, 14, 15, 0},
       5,
       Bytes(15),
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
      {"BGRIntoBGRA keeps alpha",
       BGRIntoBGRA,
       {1, 2, 3, 4, 5, 6},
       2,
       {0, 0, 0, 77, 0, 0, 0, 88},
       {1, 2, 3, 77, 4, 5, 6, 88}},
      {"PremultiplyRow",
       PremultiplyRow,
       {255, 128, 0, 128, 9, 9, 9, 0, 9, 8, 7, 255},
       3,
       Bytes(12),
       {128, 64, 0, 128, 0, 0, 0, 0, 9, 8, 7, 255}},
      {"PremultiplyRow divides as the formats do",
       PremultiplyRow,
       {229, 0, 0, 152},
       1,
       Bytes(4),
       {136, 0, 0, 152}},
      {"UnpremultiplyRow",
       UnpremultiplyRow,
       {128, 64, 0, 128, 9, 9, 9, 0},
       2,
       Bytes(8),
       {255, 128, 0, 128, 0, 0, 0, 0}},
      {"count 0 writes nothing", BGRToBGRA, {1, 2, 3}, 0, {}, {}},
  };
  for (const KernelCase& c : cases)
    ExpectKernel(c.kernel, nullptr, c.source, c.count, c.initial, c.expected, c.name);
}

TEST(RowConverters, PaletteKernelsReadTheStoredPalette) {
  CRowIteratorBands image;
  RGBQUAD palette[4] = {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}, {1, 2, 3, 0}};
  ASSERT_EQ(image.Create(4, 1, keFormatIndex8, nullptr, palette, 4).GetCode(), keErrorNone);
  const KernelCase cases[] = {
      {"Index8ToBGR", Index8ToBGR, {2, 0}, 2, Bytes(6), {70, 80, 90, 10, 20, 30}},
      {"Index8ToBGRA", Index8ToBGRA, {1}, 1, Bytes(4), {40, 50, 60, 255}},
      {"Index8ToBGRA beyond the palette is black", Index8ToBGRA, {200}, 1, Bytes(4), {0, 0, 0, 255}},
      {"Index8AToBGRA", Index8AToBGRA, {3, 99}, 1, Bytes(4), {1, 2, 3, 99}},
      {"Index1ToBGR", Index1ToBGR, {0x40}, 2, Bytes(6), {10, 20, 30, 40, 50, 60}},
      {"Index4ToBGRA", Index4ToBGRA, {0x21}, 2, Bytes(8), {70, 80, 90, 255, 40, 50, 60, 255}},
  };
  for (const KernelCase& c : cases)
    ExpectKernel(c.kernel, &image, c.source, c.count, c.initial, c.expected, c.name);
}

TEST(RowConverters, WideningKernelsWorkInPlace) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(4, 1, keFormatIndex8).GetCode(), keErrorNone);  // colour cube: entry 215 is white
  Bytes buffer = {215, 0, 215, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Index8ToBGRA(&image, buffer.data(), buffer.data(), 3);
  EXPECT_EQ(buffer, (Bytes{255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255}));
  Bytes grey = {1, 2, 3, 0, 0, 0, 0, 0, 0};
  GreyToBGR(nullptr, grey.data(), grey.data(), 3);
  EXPECT_EQ(grey, (Bytes{1, 1, 1, 2, 2, 2, 3, 3, 3}));
}

TEST(RowConverters, ChannelKernelsUseTheImagesChannelOffset) {
  CRowIteratorBands image;
  ASSERT_EQ(image.Create(2, 1, keFormatBGRA).GetCode(), keErrorNone);
  ASSERT_EQ(image.SetChannelView(keRoleRed, keAccessReadWrite).GetCode(), keErrorNone);
  ExpectKernel(ReadChannel4, &image, {1, 2, 3, 4, 5, 6, 7, 8}, 2, Bytes(2), {3, 7}, "ReadChannel4");
  ExpectKernel(WriteChannel4, &image, {30, 70}, 2, Bytes(8, 9), {9, 9, 30, 9, 9, 9, 70, 9}, "WriteChannel4");
  ASSERT_EQ(image.Create(2, 1, keFormatBGR).GetCode(), keErrorNone);
  ASSERT_EQ(image.SetChannelView(keRoleGreen, keAccessReadWrite).GetCode(), keErrorNone);
  ExpectKernel(ReadChannel3, &image, {1, 2, 3, 4, 5, 6}, 2, Bytes(2), {2, 5}, "ReadChannel3");
  ASSERT_EQ(image.Create(2, 1, keFormatGreyA).GetCode(), keErrorNone);
  ASSERT_EQ(image.SetChannelView(keRoleAlpha, keAccessReadWrite).GetCode(), keErrorNone);
  ExpectKernel(WriteChannel2, &image, {8, 9}, 2, Bytes(4), {0, 8, 0, 9}, "WriteChannel2");
}

TEST(UnpremultiplyTable, MatchesItsDefinitionAndIsBuiltOnce) {
  const std::uint8_t* tables[4];
  std::vector<std::thread> threads;
  for (auto& table : tables) threads.emplace_back([&table] { table = GetUnpremultiplyTable(); });
  for (auto& thread : threads) thread.join();
  for (auto* table : tables) EXPECT_EQ(table, tables[0]);
  const std::uint8_t* table = tables[0];
  EXPECT_EQ(table[128 * 256 + 128], 255);
  EXPECT_EQ(table[128 * 256 + 64], 128);
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(table[c], 0) << c;
    EXPECT_EQ(table[255 * 256 + c], c) << c;
  }
  EXPECT_EQ(table[3 * 256 + 1], (255 + 1) / 3);
}

}  // namespace
}  // namespace corvel
