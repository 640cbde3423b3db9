// Fill, mask, channel, gather and lookup kernels, and the SIMD forms against the plain ones.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "core/CpuFeatures.h"
#include "rowops/ChannelLutOp.h"
#include "rowops/ChannelOps.h"
#include "rowops/PixelHelpers.h"
#include "rowops/RowCopyIndexedOp.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowFillOp.h"
#include "rowops/RowMaskOp.h"
#include "rowops/RowOpContext.h"

namespace corvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Binds the operation itself (an executor's clone would forget a fill's palette index) for
// (dst, src) and runs it on rows that already hold their bytes.
void RunOp(RowOperation&& op, keFormat dst, keFormat src, int count, Bytes& dstRow, const Bytes& srcRow,
           int dstX = 0, const Bytes* palette = nullptr, int paletteSize = 0) {
  RowOpArgs args;
  args.dst = {dst, count, dstRow.data(), paletteSize, palette ? palette->data() : nullptr, dstX};
  args.src = {src, count, srcRow.empty() ? nullptr : const_cast<std::uint8_t*>(srcRow.data())};
  RowOpContext context;
  ASSERT_TRUE(context.Bind(op, args, 2, 1)) << dst << " from " << src;
  context.Execute(args);
}

TEST(RowFill, EveryFormat) {
  const std::uint32_t color = 0x80306090;  // red 0x90, green 0x60, blue 0x30, alpha 0x80
  const std::uint8_t grey = (0x90 * 77 + 0x60 * 151 + 0x30 * 28) >> 8;
  struct Case {
    keFormat format;
    Bytes pixel;
  };
  const Case cases[] = {
      {keFormatGrey, {grey}},
      {keFormatGreyA, {grey, 0x80}},
      {keFormatGrey_u16, {grey, grey}},
      {keFormatGreyA_u16, {grey, grey, 0x80, 0x80}},
      {keFormatBGR, {0x30, 0x60, 0x90}},
      {keFormatBGR_u16, {0x30, 0x30, 0x60, 0x60, 0x90, 0x90}},
      {keFormatBGRA, {0x30, 0x60, 0x90, 0x80}},
      {keFormatBGRA_u16, {0x30, 0x30, 0x60, 0x60, 0x90, 0x90, 0x80, 0x80}},
      {keFormatBGRxA, {0x18, 0x30, 0x48, 0x80}},
      {keFormatIndex8, {5}},
      {keFormatIndex8A, {5, 0x80}},
  };
  for (int variant : {0, 1}) {
    CpuFeaturesOverride forced(ProbedOrNone(variant != 0));
    for (const Case& c : cases) {
      constexpr int kCount = 21;
      const std::size_t size = c.pixel.size();
      Bytes row(kCount * size + 8, 0xEE);
      RunOp(RowFillOp(color, 5), c.format, keFormatNone, kCount, row, {});
      for (int i = 0; i < kCount; ++i) {
        for (std::size_t b = 0; b < size; ++b) {
          ASSERT_EQ(row[i * size + b], c.pixel[b]) << c.format << " pixel " << i << " byte " << b;
        }
      }
      for (std::size_t b = kCount * size; b < row.size(); ++b) ASSERT_EQ(row[b], 0xEE) << "guard";
    }
  }
}

TEST(RowFill, IndexedRowsFindTheNearestEntryUnlessGivenAnIndex) {
  Bytes palette(16 * 4, 0);
  palette[4 * 9 + 2] = 250;  // entry 9 is nearly pure red
  Bytes row(4, 0);
  RunOp(RowFillOp(0xFF0000FF), keFormatIndex8, keFormatNone, 4, row, {}, 0, &palette, 16);
  EXPECT_EQ(row, (Bytes{9, 9, 9, 9}));
  RunOp(RowFillOp(0xFF0000FF, 3), keFormatIndex8, keFormatNone, 4, row, {}, 0, &palette, 16);
  EXPECT_EQ(row, (Bytes{3, 3, 3, 3}));
}

TEST(RowFill, PackedRunsLeaveTheirNeighbours) {
  struct Case {
    keFormat format;
    std::int32_t index;
    int x, count;
    Bytes before, after;
  };
  const Case cases[] = {
      {keFormatIndex1, 0, 3, 11, {0xFF, 0xFF, 0xFF}, {0xE0, 0x03, 0xFF}},
      {keFormatIndex1, 1, 3, 11, {0x00, 0x00, 0x00}, {0x1F, 0xFC, 0x00}},
      {keFormatIndex1, 1, 8 + 2, 3, {0x00, 0x00}, {0x38, 0x00}},
      {keFormatIndex4, 0xA, 1, 4, {0x11, 0x11, 0x11}, {0x1A, 0xAA, 0xA1}},
      {keFormatIndex4, 0x3, 0, 3, {0xFF, 0xFF}, {0x33, 0x3F}},
  };
  for (const Case& c : cases) {
    Bytes row = c.before;
    RunOp(RowFillOp(0, c.index), c.format, keFormatNone, c.count, row, {}, c.x);
    EXPECT_EQ(row, c.after) << c.format << " x " << c.x;
  }
}

TEST(RowFill, SimdBGRMatchesPlainAtEveryAlignment) {
  for (int offset = 0; offset < 16; ++offset) {
    for (int count : {0, 1, 5, 16, 17, 33, 100}) {
      Bytes plain(3 * 100 + 40, 0x77), simd = plain;
      for (Bytes* row : {&plain, &simd}) {
        CpuFeaturesOverride forced(ProbedOrNone(row == &simd));
        RowOpExecutor(RowFillOp(0xFF112233), keFormatBGR, keFormatNone)
            .Run(count, row->data() + offset, nullptr);
      }
      ASSERT_EQ(plain, simd) << "offset " << offset << ", count " << count;
    }
  }
}

TEST(RowCopySimd, MatchesPlainOnRandomRowsOfEveryLength) {
  const keFormat pairs[][2] = {
      {keFormatBGRA, keFormatBGR}, {keFormatBGR, keFormatBGRA}, {keFormatGrey, keFormatBGRA}};
  std::mt19937 random(7);
  for (const auto& pair : pairs) {
    const int dstBytes = CPixelFormat(pair[0]).GetBitsPerPixel() / 8;
    const int srcBytes = CPixelFormat(pair[1]).GetBitsPerPixel() / 8;
    for (int count = 0; count <= 70; ++count) {
      Bytes src(count * srcBytes);
      for (auto& b : src) b = static_cast<std::uint8_t>(random());
      Bytes plain(count * dstBytes + 16, 0xC3), simd = plain;
      for (Bytes* row : {&plain, &simd}) {
        CpuFeaturesOverride forced(ProbedOrNone(row == &simd));
        RowOpExecutor(RowCopyOp(), pair[0], pair[1]).Run(count, row->data(), src.data());
      }
      ASSERT_EQ(plain, simd) << pair[0] << " from " << pair[1] << ", count " << count;
    }
  }
}

TEST(RowMask, OpacityInversionAndDepths) {
  struct Case {
    keFormat dst, mask;
    std::uint32_t opacity;
    bool invert;
    Bytes dstIn, maskIn, dstOut;
  };
  const Case cases[] = {
      // Alpha of BGRA scaled by the mask's grey.
      {keFormatBGRA, keFormatGrey, 255, false, {1, 2, 3, 200}, {128}, {1, 2, 3, 100}},
      // An inverted mask of 0 at full opacity leaves alpha alone; opacity 0 clears it.
      {keFormatBGRA, keFormatGrey, 255, true, {1, 2, 3, 200}, {0}, {1, 2, 3, 200}},
      {keFormatBGRA, keFormatGrey, 0, false, {1, 2, 3, 200}, {255}, {1, 2, 3, 0}},
      {keFormatBGRA, keFormatGrey, 0, true, {1, 2, 3, 200}, {0}, {1, 2, 3, 0}},
      // Opacity first scales the mask: 255 x 128 / 255 = 128, then 200 x 128 / 255.
      {keFormatGreyA, keFormatGreyA, 128, false, {9, 200}, {0, 255}, {9, 100}},
      // Without alpha the first channel is scaled.
      {keFormatGrey, keFormatBGRA, 255, false, {200}, {0, 0, 0, 64}, {50}},
      // A 16-bit mask divides by 65535 with 16-bit rounding.
      {keFormatBGRA, keFormatGrey_u16, 255, false, {0, 0, 0, 255}, {0x00, 0x80}, {0, 0, 0, 128}},
      // A 16-bit destination with an 8-bit mask.
      {keFormatGreyA_u16, keFormatGrey, 255, false, {7, 7, 0xFF, 0xFF}, {51}, {7, 7, 0x33, 0x33}},
  };
  for (const Case& c : cases) {
    Bytes row = c.dstIn;
    RunOp(RowMaskOp(c.opacity, c.invert), c.dst, c.mask, 1, row, c.maskIn);
    EXPECT_EQ(row, c.dstOut) << c.dst << " by " << c.mask << ", opacity " << c.opacity
                             << (c.invert ? " inverted" : "");
  }
}

TEST(RowMask, PackedRowsAreLeftAlone) {
  Bytes row = {0xAB};
  RunOp(RowMaskOp(), keFormatIndex1, keFormatGrey, 8, row, Bytes(8, 0));
  EXPECT_EQ(row, Bytes{0xAB});
}

TEST(ChannelGet, ChannelsAlphaAndPremultiplied) {
  struct Case {
    keFormat src;
    int channel;
    bool raw;
    Bytes in, out;
  };
  const Case cases[] = {
      {keFormatBGR, 2, false, {1, 2, 3, 4, 5, 6}, {3, 6}},
      {keFormatBGR, 3, false, {1, 2, 3, 4, 5, 6}, {255, 255}},
      {keFormatBGRA, 1, false, {1, 2, 3, 4, 5, 6, 7, 8}, {2, 6}},
      {keFormatGreyA, 3, false, {10, 20, 30, 40}, {20, 40}},
      {keFormatIndex8A, 0, false, {10, 20, 30, 40}, {10, 30}},
      {keFormatGrey, 3, false, {10, 20}, {10, 20}},
      // Unpremultiplied through the table: 100 x 255 / 128 = 199.
      {keFormatBGRxA, 0, false, {100, 0, 0, 128, 50, 0, 0, 0}, {199, 0}},
      {keFormatBGRxA, 0, true, {100, 0, 0, 128, 50, 0, 0, 0}, {100, 50}},
      {keFormatBGRxA, 3, false, {100, 0, 0, 128, 50, 0, 0, 0}, {128, 0}},
      {keFormatBGR_u16, 1, false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, {3, 4, 9, 10}},
      {keFormatBGR_u16, 3, false, Bytes(12, 0), {255, 255, 255, 255}},
      {keFormatGreyA_u16, 3, false, {1, 2, 3, 4, 5, 6, 7, 8}, {3, 4, 7, 8}},
  };
  for (const Case& c : cases) {
    const bool wide = CPixelFormat(c.src).Is16Bit();
    Bytes row(c.out.size(), 0x11);
    RunOp(ChannelGetOp(c.channel, c.raw), wide ? keFormatGrey_u16 : keFormatGrey, c.src, 2, row, c.in);
    EXPECT_EQ(row, c.out) << "channel " << c.channel << " of " << c.src << (c.raw ? " raw" : "");
  }
}

TEST(ChannelSet, ChannelsAlphaAndPremultiplied) {
  struct Case {
    keFormat dst;
    int channel;
    bool raw;
    Bytes in, grey, out;
  };
  const Case cases[] = {
      {keFormatBGR, 0, false, {1, 2, 3, 4, 5, 6}, {9, 8}, {9, 2, 3, 8, 5, 6}},
      {keFormatBGR, 3, false, {1, 2, 3, 4, 5, 6}, {9, 8}, {1, 2, 3, 4, 5, 6}},
      {keFormatBGRA, 3, false, {1, 2, 3, 4, 5, 6, 7, 8}, {9, 8}, {1, 2, 3, 9, 5, 6, 7, 8}},
      {keFormatGreyA, 0, false, {1, 2, 3, 4}, {9, 8}, {9, 2, 8, 4}},
      // Unpremultiply (50 -> 99 at alpha 128), set red, premultiply again.
      {keFormatBGRxA, 2, false, {50, 0, 0, 128, 0, 0, 0, 255}, {255, 7}, {50, 0, 128, 128, 0, 0, 7, 255}},
      {keFormatBGRxA, 2, true, {50, 0, 0, 128, 0, 0, 0, 255}, {255, 7}, {50, 0, 255, 128, 0, 0, 7, 255}},
      {keFormatBGRA_u16,
       2,
       false,
       Bytes(16, 0),
       {1, 2, 3, 4},
       {0, 0, 0, 0, 1, 2, 0, 0, 0, 0, 0, 0, 3, 4, 0, 0}},
      {keFormatBGR_u16, 3, false, Bytes(12, 0), {1, 2, 3, 4}, Bytes(12, 0)},
  };
  for (const Case& c : cases) {
    const bool wide = CPixelFormat(c.dst).Is16Bit();
    Bytes row = c.in;
    RunOp(ChannelSetOp(c.channel, c.raw), c.dst, wide ? keFormatGrey_u16 : keFormatGrey, 2, row, c.grey);
    EXPECT_EQ(row, c.out) << "channel " << c.channel << " of " << c.dst << (c.raw ? " raw" : "");
  }
}

TEST(RowCopyIndexed, GathersWholePixelsBitsAndNibbles) {
  const std::int32_t indices[] = {3, 0, 3, 1};
  Bytes bgr = {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3}, out(12, 0);
  RunOp(RowCopyIndexedOp(indices), keFormatBGR, keFormatBGR, 4, out, bgr);
  EXPECT_EQ(out, (Bytes{3, 3, 3, 0, 0, 0, 3, 3, 3, 1, 1, 1}));

  Bytes bits = {0x90}, bitsOut = {0xFF};  // source pixels 1 0 0 1
  RunOp(RowCopyIndexedOp(indices), keFormatIndex1, keFormatIndex1, 4, bitsOut, bits, 2);
  EXPECT_EQ(bitsOut, Bytes{0xFB});  // from bit 2: 1 1 1 0

  Bytes nibbles = {0x12, 0x34}, nibblesOut = {0x00, 0x00, 0x00};
  RunOp(RowCopyIndexedOp(indices), keFormatIndex4, keFormatIndex4, 4, nibblesOut, nibbles, 1);
  EXPECT_EQ(nibblesOut, (Bytes{0x04, 0x14, 0x20}));
}

TEST(ChannelLut, ChannelsAndGreyRows) {
  Bytes table(256);
  for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(255 - i);
  for (int variant : {0, 1}) {
    CpuFeaturesOverride forced(ProbedOrNone(variant != 0));
    Bytes bgr = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, out(15, 0);
    RunOp(ChannelLutOp(1, table.data()), keFormatBGR, keFormatBGR, 5, out, bgr);
    EXPECT_EQ(out, (Bytes{0, 253, 0, 0, 250, 0, 0, 247, 0, 0, 244, 0, 0, 241, 0}));
    Bytes grey = {0, 10, 255};
    RunOp(ChannelLutOp(0, table.data()), keFormatGrey, keFormatNone, 3, grey, {});
    EXPECT_EQ(grey, (Bytes{255, 245, 0}));
    RunOp(ChannelLutOp(0, nullptr), keFormatGrey, keFormatNone, 3, grey, {});
    EXPECT_EQ(grey, (Bytes{255, 245, 0}));
  }
}

TEST(PixelHelpers, PremultiplyAndBack) {
  const std::uint8_t straight[4] = {200, 100, 50, 128};
  std::uint8_t p[4];
  PremultiplyPixel(p, straight);
  EXPECT_EQ(Bytes(p, p + 4), (Bytes{100, 50, 25, 128}));
  UnpremultiplyPixel(p, p);
  EXPECT_EQ(Bytes(p, p + 4), (Bytes{199, 99, 49, 128}));
  Bytes greyA = {50, 100, 7, 0, 9, 255};
  UnpremultiplyGreyARowInPlace(3, greyA.data());
  EXPECT_EQ(greyA, (Bytes{127, 100, 0, 0, 9, 255}));
}

TEST(PixelHelpers, SplitSpanForAlignment) {
  struct Case {
    std::uintptr_t position;
    int length, alignment, block;
    SpanSplit split;
  };
  const Case cases[] = {{0, 100, 8, 24, {0, 96, 4}},
                        {3, 100, 8, 24, {5, 72, 23}},
                        {3, 4, 8, 24, {4, 0, 0}},
                        {17, 60, 16, 48, {15, 0, 45}}};
  for (const Case& c : cases) {
    const SpanSplit s = SplitSpanForAlignment(c.position, c.length, c.alignment, c.block);
    EXPECT_EQ(s.head, c.split.head);
    EXPECT_EQ(s.body, c.split.body);
    EXPECT_EQ(s.tail, c.split.tail);
  }
}

TEST(PixelHelpers, StridedCopiesAndOpacity) {
  Bytes src = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, dst(12, 0);
  CopyStrided8(dst.data(), 3, src.data() + 1, 4, 3);
  EXPECT_EQ(dst, (Bytes{2, 0, 0, 6, 0, 0, 10, 0, 0, 0, 0, 0}));
  CopyStrided8(dst.data(), 5, src.data(), 2, 2);  // the general loop
  EXPECT_EQ(dst[0], 1);
  EXPECT_EQ(dst[5], 3);

  Bytes pixels = {200, 100, 50, 128};
  GetOpacityScaler(keFormatBGRA)(pixels.data(), 1, 128);
  EXPECT_EQ(pixels, (Bytes{200, 100, 50, 64}));
  GetOpacityScaler(keFormatBGRxA)(pixels.data(), 1, 128);
  EXPECT_EQ(pixels, (Bytes{100, 50, 25, 32}));
  EXPECT_EQ(GetOpacityScaler(keFormatBGR), nullptr);
}

}  // namespace
}  // namespace corvel
