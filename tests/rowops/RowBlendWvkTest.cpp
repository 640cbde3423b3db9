// The editor-compatible blend: every mode's results pinned on random rows of every pair, and the
// edges of each mode spelled out.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

#include "rowops/CoreTables.h"
#include "rowops/RowBlendOp.h"
#include "rowops/RowBlendWvkOp.h"
#include "tests/rowops/BlendTestSupport.h"

namespace corvel {
namespace {

using namespace blendtest;

class RowBlendWvkTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitCoreTables(nullptr); }
  static void TearDownTestSuite() { FreeCoreTables(); }
  std::mt19937 random{99};
};

struct Pix {
  std::uint32_t c[3];
  std::uint32_t a;
};

Pix Read(const Bytes& row, keFormat format, int i) {
  const CPixelFormat f(format);
  const bool wide = f.Is16Bit();
  const int n = f.GetChannelCount();
  const int colours = f.HasAlpha() ? n - 1 : n;
  Pix p{{0, 0, 0}, wide ? 65535u : 255u};
  for (int c = 0; c < colours; ++c) p.c[c] = At(row, wide, static_cast<std::size_t>(i) * n + c);
  if (f.HasAlpha()) p.a = At(row, wide, static_cast<std::size_t>(i) * n + colours);
  return p;
}

void ExpectRow(const Bytes& out, keFormat format, int count, const std::function<Pix(int)>& expected) {
  const CPixelFormat f(format);
  const int colours = f.IsGrey() ? 1 : 3;
  for (int i = 0; i < count; ++i) {
    const Pix got = Read(out, format, i), want = expected(i);
    for (int c = 0; c < colours; ++c) ASSERT_EQ(got.c[c], want.c[c]) << "pixel " << i << " channel " << c;
    if (f.HasAlpha()) {
      ASSERT_EQ(got.a, want.a) << "pixel " << i << " alpha";
    }
  }
}

struct Pair {
  keFormat dst, src;
};
const Pair kColourPairs[] = {{keFormatBGRA, keFormatBGRA},
                             {keFormatBGR, keFormatBGRA},
                             {keFormatBGRA, keFormatBGR},
                             {keFormatBGR, keFormatBGR}};
const Pair kGreyPairs[] = {
    {keFormatGreyA, keFormatGreyA}, {keFormatGrey, keFormatGreyA}, {keFormatGreyA, keFormatGrey}};

TEST_F(RowBlendWvkTest, ModesWithoutALoopBindNothing) {
  for (int mode : {3, 4, 5, 6, 17, 18, 19, 20}) {
    RowBlendWvkOp op(mode);
    EXPECT_EQ(op.ChooseKernel(keFormatGrey, keFormatGreyA, 2, 0), EmptyFunction) << mode;
  }
  RowBlendWvkOp hue(3);
  RowOpArgs args;
  args.dst.format = args.src.format = keFormatBGRA_u16;
  RowOpContext context;
  hue.Bind(context, args, 2, 0);
  EXPECT_EQ(context.Kernel(), EmptyFunction);
  hue.Unbind(context);
  RowBlendWvkOp multiply(7);
  args.dst.format = args.src.format = keFormatBGRA;
  multiply.Bind(context, args, 2, 0);
  EXPECT_EQ(context.Kernel(), BlendLoopBgr);
  EXPECT_TRUE(multiply.ChannelFunction());
  multiply.Unbind(context);
  EXPECT_FALSE(multiply.ChannelFunction());
  EXPECT_FALSE(GetBlendChannelFunction(0));
  EXPECT_FALSE(GetBlendChannelFunction(6));
  EXPECT_FALSE(GetBlendChannelFunction(9));
  EXPECT_FALSE(CanUseGenericBlendLoop(keFormatBGRA, keFormatBGRA, 1));
  EXPECT_FALSE(CanUseGenericBlendLoop(keFormatGrey, keFormatBGRA, 2));
}

TEST_F(RowBlendWvkTest, SharedOperationStillBlendsAfterAnotherContextUnbinds) {
  RowBlendWvkOp op(7);
  Bytes dst = {100, 100, 100}, src = {128, 255, 0};
  RowOpArgs args;
  args.dst = {keFormatBGR, 1, dst.data()};
  args.src = {keFormatBGR, 1, src.data()};
  RowOpContext first, second;
  ASSERT_TRUE(first.Bind(op, args, 2, 1));
  ASSERT_TRUE(second.Bind(op, args, 2, 1));
  first.Unbind();
  second.Execute(args);
  EXPECT_EQ(dst, (Bytes{static_cast<std::uint8_t>(P(128 * 100)), 100, 0}));
}

TEST_F(RowBlendWvkTest, SeparableEdges) {
  auto one = [](int mode, std::uint32_t opacity, Bytes d, Bytes s) {
    RowBlendWvkOp op(mode);
    op.SetOpacity(opacity);
    return RunBlend(op, keFormatBGR, d, keFormatBGR, s, 1);
  };
  EXPECT_EQ(one(1, 255, {10, 200, 90}, {50, 100, 90}), (Bytes{10, 100, 90}));
  EXPECT_EQ(one(1, 0, {10, 200, 90}, {50, 100, 90}), (Bytes{10, 200, 90}));
  EXPECT_EQ(one(13, 255, {10, 10, 10}, {200, 200, 200}), (Bytes{190, 190, 190}));
  EXPECT_EQ(one(14, 255, {1, 0, 200}, {255, 255, 255}), (Bytes{255, 0, 255}));
  EXPECT_EQ(one(15, 255, {0, 254, 255}, {0, 0, 0}), (Bytes{0, 0, 255}));
  // Over a transparent destination the divide modes give the source, like every loop.
  RowBlendWvkOp dodge(14), burn(15);
  EXPECT_EQ(RunBlend(dodge, keFormatBGRA, {9, 9, 9, 0}, keFormatBGRA, {40, 50, 60, 255}, 1),
            (Bytes{40, 50, 60, 255}));
  EXPECT_EQ(RunBlend(burn, keFormatBGRA, {9, 9, 9, 0}, keFormatBGRA, {40, 50, 60, 255}, 1),
            (Bytes{40, 50, 60, 255}));
}

TEST_F(RowBlendWvkTest, DissolveIsAllOrNothingOnTheGrid) {
  constexpr int kCount = 300;
  const std::uint8_t* grid = GetRandomTable();
  for (const Pair& pair : {kColourPairs[0], kColourPairs[1], kGreyPairs[0]}) {
    for (std::uint32_t opacity : {255u, 128u, 0u}) {
      const Bytes dst = RandomRow(pair.dst, kCount, random), src = RandomRow(pair.src, kCount, random);
      RowBlendWvkOp op(9);
      op.SetOpacity(opacity);
      op.SetDissolve(3, -5, 200);
      const int x = 7, y = -3;
      const Bytes out = RunBlend(op, pair.dst, dst, pair.src, src, kCount, x, y);
      const int colours = CPixelFormat(pair.dst).IsGrey() ? 1 : 3;
      ExpectRow(out, pair.dst, kCount, [&](int i) {
        Pix d = Read(dst, pair.dst, i);
        const Pix s = Read(src, pair.src, i);
        const int row = ((200 + y) % 128 + 128) % 128;
        const int column = (((-5 + x + 3 * i) % 128) + 128) % 128;
        const std::uint32_t a = P(s.a * opacity);
        if (a != 0 && a >= grid[row * 128 + column]) {
          for (int c = 0; c < colours; ++c) d.c[c] = s.c[c];
          d.a = 255;
        }
        return d;
      });
    }
  }
  // Opaque sources at full opacity replace every pixel.
  RowBlendWvkOp op(9);
  const Bytes src = RandomRow(keFormatBGR, 50, random);
  EXPECT_EQ(RunBlend(op, keFormatBGR, RandomRow(keFormatBGR, 50, random), keFormatBGR, src, 50), src);
}

// ---- Normal mode ---------------------------------------------------------------------------------

TEST_F(RowBlendWvkTest, NormalEdges) {
  RowBlendWvkOp op(0);
  EXPECT_EQ(RunBlend(op, keFormatBGRA, {1, 2, 3, 40}, keFormatBGRA, {9, 8, 7, 255}, 1),
            (Bytes{9, 8, 7, 255}));
  EXPECT_EQ(RunBlend(op, keFormatBGRA, {1, 2, 3, 40}, keFormatBGRA, {9, 8, 7, 0}, 1), (Bytes{1, 2, 3, 40}));
  EXPECT_EQ(RunBlend(op, keFormatBGR, {1, 2, 3}, keFormatBGR, {9, 8, 7}, 1), (Bytes{9, 8, 7}));
  op.SetKeepDestinationAlpha(true);
  EXPECT_EQ(RunBlend(op, keFormatBGRA, {1, 2, 3, 40}, keFormatBGRA, {9, 8, 7, 255}, 1), (Bytes{9, 8, 7, 40}));
  // Indexed destinations take the nearest palette entry, whatever the opacity.
  const std::uint8_t palette[] = {0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 200, 0};
  RowBlendWvkOp faint(0);
  faint.SetOpacity(10);
  EXPECT_EQ(RunBlend(faint, keFormatIndex8, {0}, keFormatBGRA, {0, 0, 210, 255}, 1, 0, 0, palette, 3),
            (Bytes{2}));
  RowOpArgs args;
  args.dst.format = keFormatIndex8;
  args.src.format = keFormatBGRA;
  RowOpContext context;
  faint.Bind(context, args, 2, 0);
  EXPECT_EQ(context.Kernel(), BlendNormalIndex8FromBgra);
}

// ---- Special modes ---------------------------------------------------------------------------------

TEST_F(RowBlendWvkTest, SpecialModeEdgesAndCurves) {
  auto opaque = [](int mode, int flag, Bytes d, Bytes s) {
    RowBlendWvkOp op(mode);
    op.SetSpecialFlag(flag);
    return RunBlend(op, keFormatBGR, d, keFormatBGR, s, 1);
  };
  EXPECT_EQ(opaque(22, 0, {100, 200, 0}, {100, 100, 7}), (Bytes{200, 255, 7}));
  EXPECT_EQ(opaque(23, 0, {100, 200, 255}, {100, 100, 7}), (Bytes{0, 45, 7}));
  EXPECT_EQ(opaque(21, 0, {100, 200, 0}, {1, 2, 3}), (Bytes{100, 200, 0}));
  EXPECT_EQ(opaque(254, 0, {30, 30, 30}, {1, 2, 3}), (Bytes{0, 0, 0}));
  EXPECT_EQ(opaque(253, 0, {230, 230, 230}, {9, 9, 9}), (Bytes{255, 255, 255}));
  RowBlendWvkOp behind(21);
  EXPECT_EQ(RunBlend(behind, keFormatBGRA, {9, 9, 9, 0}, keFormatBGRA, {10, 20, 30, 255}, 1),
            (Bytes{10, 20, 30, 255}));
  RowOpArgs args;
  args.dst.format = keFormatGrey;
  args.src.format = keFormatBGRA;
  RowOpContext context;
  behind.Bind(context, args, 2, 0);
  EXPECT_EQ(context.Kernel(), EmptyFunction);
  behind.Unbind(context);

  // Each curve passes through its anchors and never falls.
  const int inputs[] = {0, 1, 16, 32, 64, 96, 128, 160, 192, 224, 255};
  const int anchors[2][3][11] = {{{0, 0, 0, 0, 18, 58, 98, 137, 177, 217, 255},
                                  {0, 1, 10, 21, 45, 72, 103, 136, 174, 213, 255},
                                  {0, 1, 13, 26, 51, 77, 103, 129, 154, 180, 205}},
                                 {{50, 51, 63, 76, 102, 127, 153, 179, 205, 230, 255},
                                  {0, 2, 31, 54, 89, 120, 149, 176, 203, 230, 255},
                                  {0, 1, 19, 39, 79, 119, 159, 199, 238, 255, 255}}};
  for (int lighten = 0; lighten < 2; ++lighten) {
    for (int flag = 1; flag <= 3; ++flag) {
      const std::uint8_t* curve = GetMaskCurve(lighten ? 253 : 254, flag);
      for (int k = 0; k < 11; ++k)
        EXPECT_EQ(curve[inputs[k]], anchors[lighten][flag - 1][k]) << lighten << flag << k;
      for (int x = 1; x < 256; ++x) EXPECT_GE(curve[x], curve[x - 1]);
      // Between anchors the curve is the rounded straight line.
      EXPECT_EQ(curve[48], lighten ? (flag == 1   ? 89
                                      : flag == 2 ? 72
                                                  : 59)
                                   : (flag == 1   ? 9
                                      : flag == 2 ? 33
                                                  : 39));
    }
  }
  EXPECT_EQ(GetMaskCurve(254, 9), GetMaskCurve(254, 1));
  // The mask modes read only the source's alpha.
  RowBlendWvkOp mask(253);
  EXPECT_EQ(RunBlend(mask, keFormatBGRA, {10, 20, 30, 200}, keFormatBGRA, {1, 2, 3, 99}, 1),
            RunBlend(mask, keFormatBGRA, {10, 20, 30, 200}, keFormatBGRA, {200, 100, 50, 99}, 1));
}

// Every kernel family on every pair it serves (see BlendDigest): the generic 8-bit loops of the
// separable, divide and colour-model modes, the 16-bit kernels, the luminosity loop, the special
// modes and the normal kernels with range tables or over an opaque destination. The edges of
// each are spelled out in the tests around.
TEST_F(RowBlendWvkTest, PinnedResultsOfEveryKernelFamily) {
  const Pairs colour = {{keFormatBGRA, keFormatBGRA},
                        {keFormatBGR, keFormatBGRA},
                        {keFormatBGRA, keFormatBGR},
                        {keFormatBGR, keFormatBGR}};
  Pairs any = colour;
  any.insert(any.end(),
             {{keFormatGreyA, keFormatGreyA}, {keFormatGrey, keFormatGreyA}, {keFormatGreyA, keFormatGrey}});
  const Pairs wide = {{keFormatBGR_u16, keFormatBGRA_u16},
                      {keFormatBGRA_u16, keFormatBGRA_u16},
                      {keFormatGrey_u16, keFormatGreyA_u16},
                      {keFormatGreyA_u16, keFormatGreyA_u16}};
  const Pairs ranged = {{keFormatGreyA, keFormatGreyA},      {keFormatGreyA_u16, keFormatGreyA_u16},
                        {keFormatBGR, keFormatBGRA_u16},     {keFormatBGRA, keFormatBGRA},
                        {keFormatBGR_u16, keFormatBGRA_u16}, {keFormatBGRA_u16, keFormatBGRA},
                        {keFormatBGRA_u16, keFormatBGRA_u16}};
  const Pairs opaque = {{keFormatBGR, keFormatBGRA},
                        {keFormatGrey, keFormatGreyA},
                        {keFormatBGR_u16, keFormatBGRA_u16},
                        {keFormatGrey_u16, keFormatGreyA_u16}};
  BlendRangeTables tables;
  tables.count = 1;
  for (auto& half : {&tables.source, &tables.destination})
    for (auto& table : *half)
      for (auto& v : table) v = static_cast<std::uint8_t>(128 + random() % 128);
  tables.destinationFlags[0] = 1;
  struct Case {
    int mode, flag;
    const Pairs& pairs;
    std::vector<std::uint32_t> opacities;
    std::vector<bool> keeps;
    const BlendRangeTables* tables;
    std::uint64_t expected;
  };
  const Case cases[] = {
      {1, 0, any, {255, 100, 0}, {false, true}, nullptr, 9425778329414499166ull},
      {2, 0, any, {255, 100, 0}, {false, true}, nullptr, 12306540509975851422ull},
      {3, 0, colour, {255, 100, 0}, {false, true}, nullptr, 11370049523560720968ull},
      {4, 0, colour, {255, 100, 0}, {false, true}, nullptr, 10371240183800137212ull},
      {5, 0, colour, {255, 100, 0}, {false, true}, nullptr, 15488554289850005388ull},
      {7, 0, any, {255, 100, 0}, {false, true}, nullptr, 583583780691360234ull},
      {8, 0, any, {255, 100, 0}, {false, true}, nullptr, 16430682896565649826ull},
      {10, 0, any, {255, 100, 0}, {false, true}, nullptr, 15097919382393896526ull},
      {11, 0, any, {255, 100, 0}, {false, true}, nullptr, 16212763555355737914ull},
      {12, 0, any, {255, 100, 0}, {false, true}, nullptr, 44798470071457102ull},
      {13, 0, any, {255, 100, 0}, {false, true}, nullptr, 9113087135302566406ull},
      {14, 0, any, {255, 100, 0}, {false, true}, nullptr, 10593696110131809950ull},
      {15, 0, any, {255, 100, 0}, {false, true}, nullptr, 13070201320504157290ull},
      {16, 0, any, {255, 100, 0}, {false, true}, nullptr, 6731327662242818054ull},
      {17, 0, colour, {255, 100, 0}, {false, true}, nullptr, 9180523494910814280ull},
      {18, 0, colour, {255, 100, 0}, {false, true}, nullptr, 14718291323054058856ull},
      {19, 0, colour, {255, 100, 0}, {false, true}, nullptr, 14455519816766132148ull},
      {20, 0, colour, {255, 100, 0}, {false, true}, nullptr, 1930201324801392180ull},
      {1, 0, wide, {255, 60}, {false}, nullptr, 16809142352796651599ull},
      {2, 0, wide, {255, 60}, {false}, nullptr, 15796706949247117261ull},
      {7, 0, wide, {255, 60}, {false}, nullptr, 432348782201305313ull},
      {8, 0, wide, {255, 60}, {false}, nullptr, 17032506429399523907ull},
      {10, 0, wide, {255, 60}, {false}, nullptr, 6099424946094532754ull},
      {11, 0, wide, {255, 60}, {false}, nullptr, 10684114550392762051ull},
      {12, 0, wide, {255, 60}, {false}, nullptr, 11080532000870101760ull},
      {13, 0, wide, {255, 60}, {false}, nullptr, 10205566867363404169ull},
      {14, 0, wide, {255, 60}, {false}, nullptr, 1980906498518649963ull},
      {15, 0, wide, {255, 60}, {false}, nullptr, 3837554770934570531ull},
      {16, 0, wide, {255, 60}, {false}, nullptr, 17140330361195945791ull},
      {6, 0, colour, {255, 90}, {false}, nullptr, 13969587130933907546ull},
      {21, 0, any, {255, 140}, {true}, nullptr, 13643292547306316141ull},
      {22, 0, any, {255, 140}, {true}, nullptr, 13423945096529387809ull},
      {23, 0, any, {255, 140}, {true}, nullptr, 5640252989975746624ull},
      {253, 0, any, {255, 140}, {true}, nullptr, 14532815477976211745ull},
      {253, 1, any, {255, 140}, {true}, nullptr, 1159209834473687859ull},
      {253, 2, any, {255, 140}, {true}, nullptr, 14949482296522897483ull},
      {253, 3, any, {255, 140}, {true}, nullptr, 17146808299223915537ull},
      {254, 0, any, {255, 140}, {true}, nullptr, 10167720362025527387ull},
      {254, 1, any, {255, 140}, {true}, nullptr, 7618705275331169942ull},
      {254, 2, any, {255, 140}, {true}, nullptr, 10541280668080273073ull},
      {254, 7, any, {255, 140}, {true}, nullptr, 7618705275331169942ull},
      {0, 0, ranged, {255, 77}, {false}, &tables, 270141493062725647ull},
      {0, 0, ranged, {255, 77}, {true}, &tables, 6714923504342865091ull},
      {0, 0, opaque, {255, 200, 0}, {false}, nullptr, 14761421784339578354ull},
  };
  for (const Case& c : cases) {
    RowBlendWvkOp op(c.mode);
    op.SetSpecialFlag(c.flag);
    op.SetTables(c.tables);
    std::uint64_t digest = 14695981039346656037ull;
    for (bool keep : c.keeps) {
      op.SetKeepDestinationAlpha(keep);
      for (std::uint32_t opacity : c.opacities) {
        op.SetOpacity(opacity);
        // The range tables make products of their own: long rows make sure every rounding comes up.
        digest = BlendDigest(op, c.pairs, digest, c.tables ? 2048 : 300);
      }
    }
    EXPECT_EQ(digest, c.expected) << "mode " << c.mode << " flag " << c.flag << (c.keeps[0] ? " keep" : "")
                                  << (c.tables ? " tables" : "");
  }
}

TEST_F(RowBlendWvkTest, CloneCopiesEveryField) {
  BlendRangeTables tables;
  RowBlendWvkOp op(254);
  op.SetOpacity(12);
  op.SetTables(&tables);
  op.SetKeepDestinationAlpha(true);
  op.SetDissolve(-2, 5, 6);
  op.SetSpecialFlag(3);
  auto clone = op.Clone();
  ASSERT_TRUE(clone);
  const auto& copy = static_cast<const RowBlendWvkOp&>(*clone);
  EXPECT_EQ(copy.Mode(), 254);
  EXPECT_EQ(copy.Opacity(), 12u);
  EXPECT_EQ(copy.Tables(), &tables);
  EXPECT_TRUE(copy.KeepDestinationAlpha());
  EXPECT_EQ(copy.DissolveStep(), -2);
  EXPECT_EQ(copy.DissolveX(), 5);
  EXPECT_EQ(copy.DissolveY(), 6);
  EXPECT_EQ(copy.SpecialFlag(), 3);
}

}  // namespace
}  // namespace corvel
