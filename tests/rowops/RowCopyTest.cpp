// Every pair of the integer formats converted through RowOpExecutor(RowCopyOp) under both kernel
// variants, and the conversion rules on chosen values.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/CpuFeatures.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowOpContext.h"

namespace corvel {
namespace {

const keFormat kFormats[14] = {keFormatIndex1,   keFormatIndex4,   keFormatIndex8,    keFormatIndex8A,
                               keFormatGrey,     keFormatGreyA,    keFormatBGR,       keFormatBGRA,
                               keFormatBGRxA,    keFormatGrey_u16, keFormatGreyA_u16, keFormatBGR_u16,
                               keFormatBGRA_u16, keFormatBGRxA_u16};

// Bytes of count pixels from pixel x of a row; packed pixels start inside the first byte.
int RowBytes(keFormat format, int count, int x) {
  const int bits = CPixelFormat(format).GetBitsPerPixel();
  const int firstBit = bits < 8 ? x % (8 / bits) * bits : 0;
  return (firstBit + count * bits + 7) / 8;
}

class RowCopyAllPairs : public ::testing::TestWithParam<int> {};

// By destination, in the order of kFormats.
const std::uint64_t kPinned[14] = {
    16691896754251195892ull, 11025425786432032252ull, 15426913914288068376ull, 5987855987202416427ull,
    1085549780047908663ull,  14980641752392800166ull, 8598795622121047093ull,  2198493288078073894ull,
    11385436116719479552ull, 15438987010665224181ull, 14614577565452252835ull, 17736396526090084564ull,
    10328909822801114838ull, 16296768558876905687ull,
};

// Every source into this destination under both kernel variants and at two starting pixels, folded
// into one number: the rules were checked value by value against a reference written from them
// and the numbers pinned then, so that a swapped channel, a changed rounding or a wrong route
// changes them. Nothing beyond the span is written.
TEST_P(RowCopyAllPairs, PinnedResultsAndNothingBeyondTheSpan) {
  const keFormat d = kFormats[GetParam()];
  constexpr int kCount = 37;
  constexpr int kGuard = 16;
  std::mt19937 random(1234 + GetParam());
  std::vector<std::uint8_t> srcEntries(1024), dstEntries(1024);
  for (auto* palette : {&srcEntries, &dstEntries})
    for (auto& byte : *palette) byte = static_cast<std::uint8_t>(random());
  // Indexed rows carry a palette as long as their indices reach.
  auto paletteSize = [](keFormat f) {
    return CPixelFormat(f).IsIndexed() ? std::min(256, 1 << CPixelFormat(f).GetBitsPerPixel()) : 0;
  };
  std::uint64_t hash = 14695981039346656037ull;
  for (const keFormat s : kFormats) {
    for (int variant : {0, 1}) {
      for (int x : {0, 3}) {
        SCOPED_TRACE(std::string(CPixelFormat(d).GetName()) + " from " + CPixelFormat(s).GetName() +
                     ", variant " + std::to_string(variant) + ", x " + std::to_string(x));
        CpuFeaturesOverride forced(ProbedOrNone(variant != 0));
        std::vector<std::uint8_t> src(RowBytes(s, kCount, x));
        for (auto& byte : src) byte = static_cast<std::uint8_t>(random());
        const int dstBytes = RowBytes(d, kCount, x);
        std::vector<std::uint8_t> dst(dstBytes + kGuard, 0xA5);
        RowOpExecutor executor(RowCopyOp(), d, s);
        ASSERT_TRUE(executor.IsBound());
        RowOpArgs& args = executor.Args();
        args.src.palette = paletteSize(s) ? srcEntries.data() : nullptr;
        args.src.paletteSize = paletteSize(s);
        args.dst.palette = paletteSize(d) ? dstEntries.data() : nullptr;
        args.dst.paletteSize = paletteSize(d);
        args.src.x = args.dst.x = x;
        executor.Run(kCount, dst.data(), src.data());
        for (int i = dstBytes; i < dstBytes + kGuard; ++i) ASSERT_EQ(dst[i], 0xA5) << "guard byte " << i;
        for (int i = 0; i < dstBytes; ++i) hash = (hash ^ dst[i]) * 1099511628211ull;
      }
    }
  }
  EXPECT_EQ(hash, kPinned[GetParam()]);
}

INSTANTIATE_TEST_SUITE_P(Destinations, RowCopyAllPairs, ::testing::Range(0, 14),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(CPixelFormat(kFormats[info.param]).GetName() + 8);
                         });

TEST(RowCopy, EdgeValues) {
  struct Case {
    keFormat dst, src;
    std::vector<std::uint8_t> in, out;
  };
  const Case cases[] = {
      {keFormatBGRA, keFormatBGR, {1, 2, 3}, {1, 2, 3, 255}},
      {keFormatBGR, keFormatBGRA, {1, 2, 3, 4}, {1, 2, 3}},
      {keFormatBGR_u16, keFormatBGR, {1, 2, 3}, {1, 1, 2, 2, 3, 3}},
      {keFormatBGR, keFormatBGRA_u16, {0, 1, 0, 2, 0, 3, 0, 4}, {1, 2, 3}},
      {keFormatGreyA, keFormatBGRA, {0, 0, 255, 9}, {76, 9}},
      {keFormatGrey, keFormatBGR, {255, 255, 255}, {255}},
      {keFormatGrey, keFormatBGR, {0, 0, 255}, {76}},
      {keFormatGrey, keFormatGrey_u16, {0xFF, 0xFF}, {255}},
      {keFormatGrey_u16, keFormatGrey, {255}, {0xFF, 0xFF}},
      {keFormatGrey_u16, keFormatGrey, {128}, {0x80, 0x80}},
      {keFormatBGRxA, keFormatBGRA, {200, 100, 50, 128}, {100, 50, 25, 128}},
      {keFormatBGRA, keFormatBGRxA, {100, 50, 25, 128}, {199, 99, 49, 128}},
      {keFormatBGRA, keFormatBGRxA, {200, 10, 10, 100}, {255, 25, 25, 100}},
      {keFormatBGRA, keFormatBGRxA, {9, 9, 9, 0}, {0, 0, 0, 0}},
      {keFormatBGRxA, keFormatBGRA, {9, 9, 9, 0}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> out(c.out.size(), 0x5A);
    RowOpExecutor executor(RowCopyOp(), c.dst, c.src);
    executor.Run(1, out.data(), c.in.data());
    EXPECT_EQ(out, c.out) << CPixelFormat(c.dst).GetName() << " from " << CPixelFormat(c.src).GetName();
  }
}

TEST(RowCopy, FloatFormatsDoNotBind) {
  RowOpExecutor executor(RowCopyOp(), keFormatBGR_f32, keFormatBGR);
  EXPECT_FALSE(executor.IsBound());
  float row[3] = {0.25f, 0.5f, 0.75f};
  const std::uint8_t src[3] = {1, 2, 3};
  executor.Run(1, row, src);
  EXPECT_EQ(row[1], 0.5f);
}

}  // namespace
}  // namespace corvel
