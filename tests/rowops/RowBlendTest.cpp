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

// Mode 0 on channel values: the source over the destination.
void ReferenceNormal(keFormat dstFormat, keFormat srcFormat, const Bytes& dstRow, const Bytes& srcRow,
                     int i, std::uint32_t* out) {
  const CPixelFormat df(dstFormat), sf(srcFormat);
  const bool dw = df.Is16Bit(), sw = sf.Is16Bit();
  const int dn = df.GetChannelCount(), sn = sf.GetChannelCount();
  auto depth = [&](std::uint32_t v) { return dw == sw ? v : dw ? v * 257 : v >> 8; };
  std::uint32_t s[4];
  for (int c = 0; c < sn; ++c) s[c] = At(srcRow, sw, static_cast<std::size_t>(i) * sn + c);
  std::uint32_t d[4];
  for (int c = 0; c < dn; ++c) d[c] = At(dstRow, dw, static_cast<std::size_t>(i) * dn + c);
  std::copy(d, d + dn, out);
  const std::uint32_t sa = depth(s[sn - 1]);
  if (sa == 0) return;
  std::uint32_t colour[3];
  const int colours = df.HasAlpha() ? dn - 1 : dn;
  if (df.IsGrey() && !sf.IsGrey()) colour[0] = depth((77 * s[2] + 151 * s[1] + 28 * s[0]) >> 8);
  else for (int c = 0; c < colours; ++c) colour[c] = depth(s[c]);
  const std::uint32_t max = dw ? 65535 : 255;
  std::uint64_t w;
  if (df.HasAlpha()) {
    const std::uint32_t da = d[dn - 1];
    const std::uint32_t na = da + sa - (dw ? R16(std::uint64_t{da} * sa) : R8(da * sa));
    w = na == sa ? 65536 : (std::uint64_t{sa} * 65536 + na / 2) / na;
    out[dn - 1] = na;
  } else if (df.IsGrey()) {
    w = sa == max ? 65536 : sa * 257 + 1;
  } else {
    w = sa == max ? 65536 : (std::uint64_t{sa} * 65536 + max / 2) / max;
  }
  for (int c = 0; c < colours; ++c) out[c] = Toward(d[c], colour[c], w);
}

TEST_F(RowBlendTest, NormalModeEveryPairEveryValue) {
  const std::pair<keFormat, keFormat> pairs[] = {
      {keFormatGrey, keFormatGreyA},       {keFormatBGR, keFormatBGRA},
      {keFormatBGR, keFormatBGRA_u16},     {keFormatGreyA, keFormatGreyA},
      {keFormatGreyA_u16, keFormatGreyA},  {keFormatGreyA_u16, keFormatBGRA},
      {keFormatBGRA, keFormatBGRA},        {keFormatBGRA, keFormatBGRA_u16},
      {keFormatBGRA_u16, keFormatBGRA},    {keFormatBGRA_u16, keFormatBGRA_u16},
  };
  constexpr int kCount = 257;
  for (const auto& [dstFormat, srcFormat] : pairs) {
    SCOPED_TRACE(std::string(CPixelFormat(dstFormat).GetName()) + " from " + CPixelFormat(srcFormat).GetName());
    const Bytes dst = RandomRow(dstFormat, kCount, random);
    const Bytes src = RandomRow(srcFormat, kCount, random);
    for (RowBlendOp* op : {&DefaultRowBlendOp(), new RowBlendOp(keBlendNormal2)}) {
      const Bytes out = RunBlend(*op, dstFormat, dst, srcFormat, src, kCount);
      const int dn = CPixelFormat(dstFormat).GetChannelCount();
      for (int i = 0; i < kCount; ++i) {
        std::uint32_t expected[4];
        ReferenceNormal(dstFormat, srcFormat, dst, src, i, expected);
        for (int c = 0; c < dn; ++c)
          ASSERT_EQ(At(out, CPixelFormat(dstFormat).Is16Bit(), static_cast<std::size_t>(i) * dn + c), expected[c])
              << "pixel " << i << " channel " << c;
      }
      if (op != &DefaultRowBlendOp()) delete op;
    }
  }
}

TEST_F(RowBlendTest, NormalModeEdges) {
  RowBlendOp& op = DefaultRowBlendOp();
  // Onto a fully transparent destination the source comes through unchanged.
  EXPECT_EQ(RunBlend(op, keFormatBGRA, {9, 9, 9, 0}, keFormatBGRA, {10, 20, 30, 77}, 1), (Bytes{10, 20, 30, 77}));
  EXPECT_EQ(RunBlend(op, keFormatBGRA, {9, 9, 9, 40}, keFormatBGRA, {10, 20, 30, 255}, 1), (Bytes{10, 20, 30, 255}));
  EXPECT_EQ(RunBlend(op, keFormatBGRA, {9, 9, 9, 40}, keFormatBGRA, {10, 20, 30, 0}, 1), (Bytes{9, 9, 9, 40}));
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
    case 1: return R8(s * (255 - da)) + R8(d * (255 - sa)) + R8(s * d);
    case 2: return s + d - R8(s * d);
    case 3: return std::min(s + R8(d * (255 - sa)), d + R8(s * (255 - da)));
    case 4: return std::max(s + R8(d * (255 - sa)), d + R8(s * (255 - da)));
    case 5: return R8(s * da) + R8(d * (255 - sa));
    case 6: return R8(s * da);
    case 7: return R8(s * (255 - da));
    default: return R8(s * (255 - da)) + R8(d * (255 - sa));
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
        // Premultiplied rows hold colours no larger than their alpha.
        for (Bytes* row : {&src, &dst}) {
          if ((row == &src ? pair.src : pair.dst) != keFormatBGRxA) continue;
          for (int i = 0; i < kCount; ++i)
            for (int c = 0; c < 3; ++c) (*row)[4 * i + c] = std::min((*row)[4 * i + c], (*row)[4 * i + 3]);
        }
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
            ASSERT_EQ(out[static_cast<std::size_t>(i) * dn + c], result[c]) << "pixel " << i << " channel " << c;
        }
      }
    }
  }
}

TEST_F(RowBlendTest, ModeEdges) {
  RowBlendOp screen(keBlendScreen), exclusive(keBlendXor);
  EXPECT_EQ(RunBlend(screen, keFormatBGR, {10, 100, 200}, keFormatBGRA, {0, 0, 0, 255}, 1), (Bytes{10, 100, 200}));
  EXPECT_EQ(RunBlend(screen, keFormatBGR, {10, 100, 200}, keFormatBGRA, {255, 255, 255, 255}, 1), (Bytes{255, 255, 255}));
  EXPECT_EQ(RunBlend(exclusive, keFormatBGRA, {1, 2, 3, 255}, keFormatBGRA, {4, 5, 6, 255}, 1), (Bytes{0, 0, 0, 0}));
  // Other pairs run through an intermediate.
  RowBlendOp multiply(keBlendMultiply);
  RowOpExecutor executor(multiply, keFormatBGRA_u16, keFormatBGRA_u16);
  EXPECT_TRUE(executor.IsBound());
  EXPECT_TRUE(executor.Context().IsTwoStage());
}

// The solid blend of one colour (red 0..7, green 8..15, blue 16..23, alpha 24..31).
TEST_F(RowBlendTest, SolidEveryFormat) {
  constexpr int kCount = 200;
  std::uint8_t palette[16 * 4];
  for (int i = 0; i < 16; ++i) {
    palette[4 * i] = static_cast<std::uint8_t>(i * 17);
    palette[4 * i + 1] = static_cast<std::uint8_t>(255 - i * 17);
    palette[4 * i + 2] = static_cast<std::uint8_t>(i * 9);
    palette[4 * i + 3] = 0;
  }
  for (std::uint32_t alpha : {1u, 77u, 128u, 254u}) {
    const std::uint32_t red = random() & 0xFF, green = random() & 0xFF, blue = random() & 0xFF;
    const std::uint32_t color = red | green << 8 | blue << 16 | alpha << 24;
    const std::uint32_t grey = (77 * red + 151 * green + 28 * blue) >> 8;
    const std::uint32_t colour[3] = {blue, green, red};
    RowBlendSolidOp op(color);
    for (keFormat format : {keFormatGrey, keFormatGreyA, keFormatBGR, keFormatBGRA, keFormatBGRxA, keFormatIndex8}) {
      SCOPED_TRACE(std::string(CPixelFormat(format).GetName()) + " alpha " + std::to_string(alpha));
      Bytes dst = RandomRow(format, kCount, random);
      if (format == keFormatIndex8) for (auto& b : dst) b &= 15;
      if (format == keFormatBGRxA)
        for (int i = 0; i < kCount; ++i)
          for (int c = 0; c < 3; ++c) dst[4 * i + c] = std::min(dst[4 * i + c], dst[4 * i + 3]);
      const Bytes out = RunBlend(op, format, dst, keFormatNone, {}, kCount, 0, 0, palette, 16);
      const int n = PixelBytes(format);
      for (int i = 0; i < kCount; ++i) {
        const std::uint8_t* d = &dst[static_cast<std::size_t>(i) * n];
        std::uint32_t expected[4] = {};
        switch (format) {
          case keFormatGrey: expected[0] = R8(grey * alpha) + R8(d[0] * (255 - alpha)); break;
          case keFormatGreyA: {
            const std::uint32_t a = d[1] + alpha - R8(d[1] * alpha);
            const std::uint32_t g = R8(grey * alpha) + R8(R8(d[0] * d[1]) * (255 - alpha));
            expected[0] = a == 0 ? 0 : Straight(g, a);
            expected[1] = a;
            break;
          }
          case keFormatBGR:
            for (int c = 0; c < 3; ++c) expected[c] = R8(d[c] * (255 - alpha)) + R8(colour[c] * alpha);
            break;
          case keFormatBGRA: {
            const std::uint32_t na = d[3] + P((255 - d[3]) * alpha);
            const std::int64_t w = (std::int64_t{alpha} * 65536 + na / 2) / na;
            for (int c = 0; c < 3; ++c) {
              // An arithmetic shift: the signed step rounds toward minus infinity.
              const std::int64_t step = ((static_cast<std::int64_t>(colour[c]) - d[c]) * w + 32768) >> 16;
              expected[c] = static_cast<std::uint32_t>(d[c] + step);
            }
            expected[3] = na;
            break;
          }
          case keFormatBGRxA:
            // The colour is premultiplied as the core's PremultiplyColor rounds.
            for (int c = 0; c < 3; ++c) {
              const std::uint32_t x = colour[c] * alpha;
              expected[c] = R8(d[c] * (255 - alpha)) + (((x >> 8) + x + 128) >> 8);
            }
            expected[3] = d[3] + alpha - R8(d[3] * alpha);
            break;
          default: {
            const std::uint8_t* p = &palette[4 * d[0]];
            int best = 0, bestDistance = 1 << 30;
            const int blended[3] = {static_cast<int>(R8(p[0] * (255 - alpha) + blue * alpha)),
                                    static_cast<int>(R8(p[1] * (255 - alpha) + green * alpha)),
                                    static_cast<int>(R8(p[2] * (255 - alpha) + red * alpha))};
            for (int e = 0; e < 16; ++e) {
              int distance = 0;
              for (int c = 0; c < 3; ++c) distance += (palette[4 * e + c] - blended[c]) * (palette[4 * e + c] - blended[c]);
              if (distance < bestDistance) bestDistance = distance, best = e;
            }
            expected[0] = static_cast<std::uint32_t>(best);
          }
        }
        for (int c = 0; c < n; ++c)
          ASSERT_EQ(out[static_cast<std::size_t>(i) * n + c], expected[c]) << "pixel " << i << " channel " << c;
      }
    }
  }
}

// The fast kernels against the plain ones on the same rows, every value, with odd lengths for
// the tails.
TEST_F(RowBlendTest, FastVariantsMatchThePlainKernels) {
  for (int count : {1, 3, 4, 15, 16, 17, 63, 64, 301}) {
    for (int mode : {5, 6, 7, 9}) {
      Bytes src = RandomRow(keFormatBGRxA, count, random), dst = RandomRow(keFormatBGRxA, count, random);
      for (Bytes* row : {&src, &dst})
        for (int i = 0; i < count; ++i)
          for (int c = 0; c < 3; ++c) (*row)[4 * i + c] = std::min((*row)[4 * i + c], (*row)[4 * i + 3]);
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
          ASSERT_EQ(fast[i], plain[i]) << CPixelFormat(format).GetName() << " count " << count << " byte " << i;
      }
    }
  }
}

TEST_F(RowBlendTest, SolidAtFullAndNoAlpha) {
  for (keFormat format : {keFormatGrey, keFormatGreyA, keFormatBGR, keFormatBGRA, keFormatBGRxA, keFormatIndex8}) {
    const Bytes dst = RandomRow(format, 33, random);
    RowBlendSolidOp clear(0x00123456), full(0xFF123456);
    RowFillOp fill(0xFF123456);
    EXPECT_EQ(RunBlend(clear, format, dst, keFormatNone, {}, 33), dst) << CPixelFormat(format).GetName();
    EXPECT_EQ(RunBlend(full, format, dst, keFormatNone, {}, 33), RunBlend(fill, format, dst, keFormatNone, {}, 33))
        << CPixelFormat(format).GetName();
  }
  // The straight grey destination is premultiplied first: 200 at alpha 128 under black at 128.
  RowBlendSolidOp black(0x80000000);
  EXPECT_EQ(RunBlend(black, keFormatGreyA, {200, 128}, keFormatNone, {}, 1), (Bytes{66, 192}));
  // Onto a transparent BGRA destination the colour arrives with its alpha.
  RowBlendSolidOp colour(0x40102030);
  EXPECT_EQ(RunBlend(colour, keFormatBGRA, {0, 0, 0, 0}, keFormatNone, {}, 1), (Bytes{0x10, 0x20, 0x30, 0x40}));
}

}  // namespace
}  // namespace corvel
