// Blend and solid-blend kernels against references written from the compositing rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/CpuFeatures.h"
#include "rowops/CoreTables.h"
#include "rowops/RowBlendOp.h"
#include "rowops/RowFillOp.h"
#include "tests/rowops/BlendTestSupport.h"

namespace corvel {
namespace {

using namespace blendtest;

class RowBlendTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitCoreTables(nullptr); }
  static void TearDownTestSuite() { FreeCoreTables(); }
  std::mt19937 random{1234};
};

// Mode 0 on every pair it serves, and the solid blend on every format, pinned (see BlendDigest).
TEST_F(RowBlendTest, PinnedResultsOfNormalAndSolidBlends) {
  const Pairs normal = {{keFormatGrey, keFormatGreyA},      {keFormatBGR, keFormatBGRA},
                        {keFormatBGR, keFormatBGRA_u16},    {keFormatGreyA, keFormatGreyA},
                        {keFormatGreyA_u16, keFormatGreyA}, {keFormatGreyA_u16, keFormatBGRA},
                        {keFormatBGRA, keFormatBGRA},       {keFormatBGRA, keFormatBGRA_u16},
                        {keFormatBGRA_u16, keFormatBGRA},   {keFormatBGRA_u16, keFormatBGRA_u16}};
  RowBlendOp normal2(keBlendNormal2);
  EXPECT_EQ(BlendDigest(DefaultRowBlendOp(), normal), 6864010181183931881ull);
  EXPECT_EQ(BlendDigest(normal2, normal), BlendDigest(DefaultRowBlendOp(), normal));
  const Pairs solid = {{keFormatGrey, keFormatNone},
                       {keFormatGreyA, keFormatNone},
                       {keFormatBGR, keFormatNone},
                       {keFormatBGRA, keFormatNone},
                       {keFormatBGRxA, keFormatNone}};
  struct Case {
    std::uint32_t colour;
    std::uint64_t expected;
  };
  // Alphas 26 and 152 meet the byte products where an approximate divide by 255 would be off; long
  // rows make sure those products come up.
  const Case cases[] = {
      {0x01C08040, 13179660154222755380ull}, {0x1A2080F0, 15109510130073730994ull},
      {0x80FF0010, 11925122823761973884ull}, {0x98E5D4AD, 366934494433928244ull},
      {0xFE12ABCD, 15289743708946132068ull},
  };
  for (const Case& c : cases) {
    RowBlendSolidOp op(c.colour);
    EXPECT_EQ(BlendDigest(op, solid, 14695981039346656037ull, 4096), c.expected) << std::hex << c.colour;
  }
  // Indexed rows take the entry nearest the blend of their own entry: blue 100 at half over entry 1
  // (red 100) gives blue 50, red 50, nearest entry 2; entry 0 stays nearest itself.
  const std::uint8_t palette[] = {200, 0, 0, 0, 0, 0, 100, 0, 90, 0, 60, 0};
  RowBlendSolidOp half(0x80640000);
  EXPECT_EQ(RunBlend(half, keFormatIndex8, {0, 1}, keFormatNone, {}, 2, 0, 0, palette, 3), (Bytes{0, 2}));
}

TEST_F(RowBlendTest, NormalModeEdges) {
  RowBlendOp& op = DefaultRowBlendOp();
  // Onto a fully transparent destination the source comes through unchanged.
  EXPECT_EQ(RunBlend(op, keFormatBGRA, {9, 9, 9, 0}, keFormatBGRA, {10, 20, 30, 77}, 1),
            (Bytes{10, 20, 30, 77}));
  EXPECT_EQ(RunBlend(op, keFormatBGRA, {9, 9, 9, 40}, keFormatBGRA, {10, 20, 30, 255}, 1),
            (Bytes{10, 20, 30, 255}));
  EXPECT_EQ(RunBlend(op, keFormatBGRA, {9, 9, 9, 40}, keFormatBGRA, {10, 20, 30, 0}, 1),
            (Bytes{9, 9, 9, 40}));
  // Sources without alpha copy.
  EXPECT_EQ(RunBlend(op, keFormatBGR, {1, 2, 3}, keFormatBGR, {4, 5, 6}, 1), (Bytes{4, 5, 6}));
  EXPECT_EQ(RunBlend(op, keFormatIndex4, {0x12}, keFormatIndex4, {0x34}, 2), (Bytes{0x34}));
  EXPECT_EQ(RunBlend(op, keFormatIndex8, {1}, keFormatIndex8, {7}, 1), (Bytes{7}));
  RowBlendOp none(12);
  RowOpArgs args;
  args.dst.format = args.src.format = keFormatBGRA;
  RowOpContext context;
  EXPECT_FALSE(context.Bind(none, args, 2, 1));
  EXPECT_EQ(GetRowBlendKernelTable(10), nullptr);
  EXPECT_EQ(GetRowBlendKernelTable(-1), nullptr);
}

// Modes 1 to 9 per channel on premultiplied values.
std::uint32_t ReferenceMode(int mode, std::uint32_t s, std::uint32_t sa, std::uint32_t d, std::uint32_t da) {
  switch (mode) {
    case 1:
      return R8(s * (255 - da)) + R8(d * (255 - sa)) + R8(s * d);
    case 2:
      return s + d - R8(s * d);
    case 3:
      return std::min(s + R8(d * (255 - sa)), d + R8(s * (255 - da)));
    case 4:
      return std::max(s + R8(d * (255 - sa)), d + R8(s * (255 - da)));
    case 5:
      return R8(s * da) + R8(d * (255 - sa));
    case 6:
      return R8(s * da);
    case 7:
      return R8(s * (255 - da));
    default:
      return R8(s * (255 - da)) + R8(d * (255 - sa));
  }
}

// Back to straight colour as the row unpremultiply does.
std::uint32_t Straight(std::uint32_t c, std::uint32_t a) {
  if (a == 255) return c;
  if (a == 0) return 0;
  return c >= a ? 255 : c * 255 / a;
}

TEST_F(RowBlendTest, ModesOneToNineEveryPair) {
  for (int variant : {0, 1}) {
    CpuFeaturesOverride forced(ProbedOrNone(variant != 0));
    struct Pair {
      keFormat dst, src;
    };
    const Pair separable[] = {{keFormatBGR, keFormatBGRA},
                              {keFormatBGR, keFormatBGRxA},
                              {keFormatBGRA, keFormatBGRA},
                              {keFormatBGRxA, keFormatBGRxA}};
    const Pair porterDuff[] = {{keFormatBGRA, keFormatBGRA}, {keFormatBGRxA, keFormatBGRxA}};
    constexpr int kCount = 300;
    for (int mode : {1, 2, 3, 4, 5, 6, 7, 9}) {
      const bool pd = mode >= 5;
      for (const Pair& pair : pd ? std::vector<Pair>(std::begin(porterDuff), std::end(porterDuff))
                                 : std::vector<Pair>(std::begin(separable), std::end(separable))) {
        SCOPED_TRACE("mode " + std::to_string(mode) + " " + CPixelFormat(pair.dst).GetName() + " from " +
                     CPixelFormat(pair.src).GetName());
        Bytes src = RandomRow(pair.src, kCount, random);
        Bytes dst = RandomRow(pair.dst, kCount, random);
        ClampPremultiplied(pair.src, src);
        ClampPremultiplied(pair.dst, dst);
        RowBlendOp op(mode);
        const Bytes out = RunBlend(op, pair.dst, dst, pair.src, src, kCount);
        const int dn = PixelBytes(pair.dst), sn = PixelBytes(pair.src);
        for (int i = 0; i < kCount; ++i) {
          const std::uint8_t* s = &src[static_cast<std::size_t>(i) * sn];
          const std::uint8_t* d = &dst[static_cast<std::size_t>(i) * dn];
          const std::uint32_t sa = s[3], da = dn == 4 ? d[3] : 255;
          auto premultiplied = [](keFormat f, const std::uint8_t* p, int c, std::uint32_t a) {
            return f == keFormatBGRA ? R8(p[c] * a) : std::uint32_t{p[c]};
          };
          std::uint32_t result[4];
          for (int c = 0; c < 3; ++c)
            result[c] = std::min(255u, ReferenceMode(mode, premultiplied(pair.src, s, c, sa), sa,
                                                     premultiplied(pair.dst, d, c, da), da));
          result[3] = pd ? std::min(255u, ReferenceMode(mode, sa, sa, da, da)) : sa + da - R8(sa * da);
          if (pair.dst == keFormatBGRA)
            for (int c = 0; c < 3; ++c) result[c] = Straight(result[c], result[3]);
          if (pair.dst == keFormatBGRA && result[3] == 0) result[0] = result[1] = result[2] = 0;
          for (int c = 0; c < dn; ++c)
            ASSERT_EQ(out[static_cast<std::size_t>(i) * dn + c], result[c])
                << "pixel " << i << " channel " << c;
        }
      }
    }
  }
}

TEST_F(RowBlendTest, ModeEdges) {
  RowBlendOp screen(keBlendScreen), exclusive(keBlendXor);
  EXPECT_EQ(RunBlend(screen, keFormatBGR, {10, 100, 200}, keFormatBGRA, {0, 0, 0, 255}, 1),
            (Bytes{10, 100, 200}));
  EXPECT_EQ(RunBlend(screen, keFormatBGR, {10, 100, 200}, keFormatBGRA, {255, 255, 255, 255}, 1),
            (Bytes{255, 255, 255}));
  EXPECT_EQ(RunBlend(exclusive, keFormatBGRA, {1, 2, 3, 255}, keFormatBGRA, {4, 5, 6, 255}, 1),
            (Bytes{0, 0, 0, 0}));
  // Other pairs run through an intermediate.
  RowBlendOp multiply(keBlendMultiply);
  RowOpExecutor executor(multiply, keFormatBGRA_u16, keFormatBGRA_u16);
  EXPECT_TRUE(executor.IsBound());
  EXPECT_TRUE(executor.Context().IsTwoStage());
}

// The fast kernels against the plain ones on the same rows, every value, with odd lengths for
// the tails.
TEST_F(RowBlendTest, FastVariantsMatchThePlainKernels) {
  for (int count : {1, 3, 4, 15, 16, 17, 63, 64, 301}) {
    for (int mode : {5, 6, 7, 9}) {
      Bytes src = RandomRow(keFormatBGRxA, count, random), dst = RandomRow(keFormatBGRxA, count, random);
      ClampPremultiplied(keFormatBGRxA, src);
      ClampPremultiplied(keFormatBGRxA, dst);
      RowBlendOp op(mode);
      const Bytes plain = RunBlendForced(false, op, keFormatBGRxA, dst, keFormatBGRxA, src, count);
      const Bytes fast = RunBlendForced(true, op, keFormatBGRxA, dst, keFormatBGRxA, src, count);
      for (std::size_t i = 0; i < plain.size(); ++i)
        ASSERT_EQ(fast[i], plain[i]) << "mode " << mode << " count " << count << " byte " << i;
    }
    for (keFormat format : {keFormatBGR, keFormatBGRxA}) {
      for (std::uint32_t alpha : {1u, 100u, 254u}) {
        RowBlendSolidOp op(0x00336699u | alpha << 24);
        const Bytes dst = RandomRow(format, count, random);
        const Bytes plain = RunBlendForced(false, op, format, dst, keFormatNone, {}, count);
        const Bytes fast = RunBlendForced(true, op, format, dst, keFormatNone, {}, count);
        for (std::size_t i = 0; i < plain.size(); ++i)
          ASSERT_EQ(fast[i], plain[i])
              << CPixelFormat(format).GetName() << " count " << count << " byte " << i;
      }
    }
  }
}

TEST_F(RowBlendTest, SolidAtFullAndNoAlpha) {
  for (keFormat format :
       {keFormatGrey, keFormatGreyA, keFormatBGR, keFormatBGRA, keFormatBGRxA, keFormatIndex8}) {
    const Bytes dst = RandomRow(format, 33, random);
    RowBlendSolidOp clear(0x00123456), full(0xFF123456);
    RowFillOp fill(0xFF123456);
    EXPECT_EQ(RunBlend(clear, format, dst, keFormatNone, {}, 33), dst) << CPixelFormat(format).GetName();
    EXPECT_EQ(RunBlend(full, format, dst, keFormatNone, {}, 33),
              RunBlend(fill, format, dst, keFormatNone, {}, 33))
        << CPixelFormat(format).GetName();
  }
  // The straight grey destination is premultiplied first: 200 at alpha 128 under black at 128.
  RowBlendSolidOp black(0x80000000);
  EXPECT_EQ(RunBlend(black, keFormatGreyA, {200, 128}, keFormatNone, {}, 1), (Bytes{66, 192}));
  // Onto a transparent BGRA destination the colour arrives with its alpha.
  RowBlendSolidOp colour(0x40102030);
  EXPECT_EQ(RunBlend(colour, keFormatBGRA, {0, 0, 0, 0}, keFormatNone, {}, 1),
            (Bytes{0x10, 0x20, 0x30, 0x40}));
}

}  // namespace
}  // namespace corvel
