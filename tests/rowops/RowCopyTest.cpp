// Every pair of the integer formats converted through RowOpExecutor(RowCopyOp) against a
// per-pixel reference written from the conversion rules, under both kernel variants.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/CpuFeatures.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowOpContext.h"

namespace corvel {
namespace {

enum class Kind { kIndex1, kIndex4, kIndex8, kIndex8A, kGrey, kGreyA, kBGR, kBGRA, kBGRxA };

struct Format {
  keFormat value;
  const char* label;
  Kind kind;
  bool wide;
};

const Format kFormats[14] = {
    {keFormatIndex1, "Index1", Kind::kIndex1, false},   {keFormatIndex4, "Index4", Kind::kIndex4, false},
    {keFormatIndex8, "Index8", Kind::kIndex8, false},   {keFormatIndex8A, "Index8A", Kind::kIndex8A, false},
    {keFormatGrey, "Grey", Kind::kGrey, false},         {keFormatGreyA, "GreyA", Kind::kGreyA, false},
    {keFormatBGR, "BGR", Kind::kBGR, false},            {keFormatBGRA, "BGRA", Kind::kBGRA, false},
    {keFormatBGRxA, "BGRxA", Kind::kBGRxA, false},      {keFormatGrey_u16, "Grey16", Kind::kGrey, true},
    {keFormatGreyA_u16, "GreyA16", Kind::kGreyA, true}, {keFormatBGR_u16, "BGR16", Kind::kBGR, true},
    {keFormatBGRA_u16, "BGRA16", Kind::kBGRA, true},    {keFormatBGRxA_u16, "BGRxA16", Kind::kBGRxA, true},
};
const Format& kBGR8 = kFormats[6];
const Format& kBGRA8 = kFormats[7];
const Format& kBGR16 = kFormats[11];
const Format& kBGRA16 = kFormats[12];

// The direct pairs: destination down, source across, both in the order of kFormats.
const char* const kDirect[14] = {
    "x.....xx...xx.", ".x....xx...xx.", "..xx..xx...xx.", "..xx...x....x.", "....xxxx.x.xx.",
    "....xx.x..x.x.", "xxx.x.xx.x.xx.", "xxxxxxxxxxxxxx", ".......xx...x.", "....x.xx.xxxx.",
    ".....x.x.xx.x.", "xxx.x.xx.x.xx.", "xxxxxxxxxxxxxx", ".......x....xx"};

int IndexOf(const Format& f) { return static_cast<int>(&f - kFormats); }
bool IsDirect(const Format& d, const Format& s) { return kDirect[IndexOf(d)][IndexOf(s)] == 'x'; }

bool IsIndexed(Kind k) { return k <= Kind::kIndex8A; }
bool IsGrey(Kind k) { return k == Kind::kGrey || k == Kind::kGreyA; }
bool HasAlpha(Kind k) { return k == Kind::kIndex8A || k == Kind::kGreyA || k == Kind::kBGRA || k == Kind::kBGRxA; }
int Channels(Kind k) {
  switch (k) {
    case Kind::kIndex8A: case Kind::kGreyA: return 2;
    case Kind::kBGR: return 3;
    case Kind::kBGRA: case Kind::kBGRxA: return 4;
    default: return 1;
  }
}
int BitsPerPixel(const Format& f) {
  if (f.kind == Kind::kIndex1) return 1;
  if (f.kind == Kind::kIndex4) return 4;
  return Channels(f.kind) * (f.wide ? 16 : 8);
}
std::uint32_t Max(const Format& f) { return f.wide ? 65535 : 255; }
int FirstBit(const Format& f, int x) {
  const int bits = BitsPerPixel(f);
  return bits < 8 ? x % (8 / bits) * bits : 0;
}
int RowBytes(const Format& f, int count, int x) { return (FirstBit(f, x) + count * BitsPerPixel(f) + 7) / 8; }

// A pixel as its stored channel values (an index, and alpha for Index8A).
using Pixel = std::vector<std::uint32_t>;

Pixel ReadPixel(const Format& f, const std::uint8_t* row, int x, int i) {
  const int bits = BitsPerPixel(f);
  if (bits < 8) {
    const int bit = FirstBit(f, x) + i * bits;
    return {static_cast<std::uint32_t>((row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1))};
  }
  Pixel p(Channels(f.kind));
  const std::uint8_t* at = row + i * bits / 8;
  for (std::size_t c = 0; c < p.size(); ++c) p[c] = f.wide ? at[2 * c] | at[2 * c + 1] << 8 : at[c];
  return p;
}

void WritePixel(const Format& f, std::uint8_t* row, int x, int i, const Pixel& p) {
  const int bits = BitsPerPixel(f);
  if (bits < 8) {
    const int bit = FirstBit(f, x) + i * bits;
    const int shift = 8 - bits - bit % 8;
    const int mask = ((1 << bits) - 1) << shift;
    row[bit / 8] = static_cast<std::uint8_t>((row[bit / 8] & ~mask) | ((p[0] << shift) & mask));
    return;
  }
  std::uint8_t* at = row + i * bits / 8;
  for (std::size_t c = 0; c < p.size(); ++c) {
    if (f.wide) {
      at[2 * c] = static_cast<std::uint8_t>(p[c]);
      at[2 * c + 1] = static_cast<std::uint8_t>(p[c] >> 8);
    } else {
      at[c] = static_cast<std::uint8_t>(p[c]);
    }
  }
}

struct Palette {
  const std::uint8_t* entries = nullptr;
  int size = 0;
};

int Nearest(std::uint32_t r, std::uint32_t g, std::uint32_t b, const Palette& palette) {
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < palette.size; ++i) {
    const std::uint8_t* e = palette.entries + 4 * i;
    long d = (long(e[0]) - b) * (long(e[0]) - b) + (long(e[1]) - g) * (long(e[1]) - g) +
             (long(e[2]) - r) * (long(e[2]) - r);
    if (bestDistance < 0 || d < bestDistance) best = i, bestDistance = d;
  }
  return best;
}

std::uint32_t Widen(std::uint32_t v) { return v * 257; }
std::uint32_t Narrow(std::uint32_t v) { return v >> 8; }
std::uint32_t Depth(std::uint32_t v, const Format& from, const Format& to) {
  if (from.wide == to.wide) return v;
  return to.wide ? Widen(v) : Narrow(v);
}
std::uint32_t RoundedProduct(std::uint32_t c, std::uint32_t a, std::uint32_t max) {
  return static_cast<std::uint32_t>((2ull * c * a + max) / (2ull * max));
}

// One direct conversion by the rules.
Pixel Convert(const Format& d, const Format& s, const Pixel& p, const Palette& srcPalette,
              const Palette& dstPalette) {
  if (d.value == s.value) return p;
  if (d.kind == Kind::kIndex8 && s.kind == Kind::kIndex8A) return {p[0]};
  if (d.kind == Kind::kIndex8A && s.kind == Kind::kIndex8) return {p[0], 255};
  if (IsIndexed(s.kind)) {
    const std::uint8_t* e = srcPalette.entries + 4 * p[0];
    Pixel out = {Depth(e[0], kBGR8, d), Depth(e[1], kBGR8, d), Depth(e[2], kBGR8, d)};
    if (HasAlpha(d.kind)) out.push_back(s.kind == Kind::kIndex8A ? Depth(p[1], kBGR8, d) : Max(d));
    return out;
  }
  if (IsIndexed(d.kind)) {
    Pixel out = {static_cast<std::uint32_t>(
        Nearest(Depth(p[2], s, kBGR8), Depth(p[1], s, kBGR8), Depth(p[0], s, kBGR8), dstPalette))};
    if (d.kind == Kind::kIndex8A) out.push_back(Depth(p[3], s, kBGR8));
    return out;
  }
  std::uint32_t b, g, r;
  if (IsGrey(s.kind)) {
    b = g = r = p[0];
  } else {
    b = p[0], g = p[1], r = p[2];
  }
  std::uint32_t grey = (77 * r + 151 * g + 28 * b) >> 8;
  std::uint32_t a = HasAlpha(s.kind) ? Depth(p.back(), s, d) : Max(d);
  b = Depth(b, s, d), g = Depth(g, s, d), r = Depth(r, s, d), grey = Depth(grey, s, d);
  const bool dstPremultiplied = d.kind == Kind::kBGRxA, srcPremultiplied = s.kind == Kind::kBGRxA;
  if (dstPremultiplied != srcPremultiplied) {
    for (std::uint32_t* c : {&b, &g, &r}) {
      if (a == 0) *c = 0;
      else if (a == Max(d)) continue;
      else if (dstPremultiplied) *c = RoundedProduct(*c, a, Max(d));
      else *c = *c >= a ? Max(d) : *c * Max(d) / a;
    }
  }
  Pixel out;
  if (IsGrey(d.kind)) out = {IsGrey(s.kind) ? g : grey};
  else out = {b, g, r};
  if (HasAlpha(d.kind)) out.push_back(a);
  return out;
}

// The intermediate a two-stage binding goes through, by the binding rule.
const Format* Intermediate(const Format& d, const Format& s) {
  const bool anyAlpha = HasAlpha(d.kind) || HasAlpha(s.kind);
  std::vector<const Format*> candidates;
  if (d.wide) {
    if (!anyAlpha) candidates.push_back(&kBGR16);
    candidates.push_back(&kBGRA16);
  }
  if (!anyAlpha) candidates.push_back(&kBGR8);
  candidates.push_back(&kBGRA8);
  for (const Format* i : candidates) {
    const bool sourceLeg = s.value == i->value || IsDirect(*i, s);
    const bool destinationLegs = d.value == i->value || (IsDirect(*i, d) && IsDirect(d, *i));
    if (sourceLeg && destinationLegs) return i;
  }
  return nullptr;
}

std::vector<std::uint8_t> RandomPalette(std::mt19937& random) {
  std::vector<std::uint8_t> palette(256 * 4);
  for (auto& byte : palette) byte = static_cast<std::uint8_t>(random());
  return palette;
}

int PaletteSize(const Format& f) {
  return f.kind == Kind::kIndex1 ? 2 : f.kind == Kind::kIndex4 ? 16 : 256;
}

class RowCopyAllPairs : public ::testing::TestWithParam<int> {};

TEST_P(RowCopyAllPairs, EveryPixelMatchesTheRulesAndNothingBeyondTheSpanIsWritten) {
  const Format& d = kFormats[GetParam()];
  constexpr int kCount = 37;
  constexpr int kGuard = 16;
  std::mt19937 random(1234 + GetParam());
  const std::vector<std::uint8_t> srcEntries = RandomPalette(random), dstEntries = RandomPalette(random);
  for (const Format& s : kFormats) {
    for (int variant : {0, 1}) {
      for (int x : {0, 3}) {
        SCOPED_TRACE(std::string(d.label) + " from " + s.label + ", variant " +
                     std::to_string(variant) + ", x " + std::to_string(x));
        CpuFeaturesOverride forced(ProbedOrNone(variant != 0));
        const Palette srcPalette{IsIndexed(s.kind) ? srcEntries.data() : nullptr,
                                 IsIndexed(s.kind) ? PaletteSize(s) : 0};
        const Palette dstPalette{IsIndexed(d.kind) ? dstEntries.data() : nullptr,
                                 IsIndexed(d.kind) ? PaletteSize(d) : 0};
        std::vector<std::uint8_t> src(RowBytes(s, kCount, x));
        for (auto& byte : src) byte = static_cast<std::uint8_t>(random());
        const int dstBytes = RowBytes(d, kCount, x);
        std::vector<std::uint8_t> dst(dstBytes + kGuard, 0xA5);

        RowOpExecutor executor(RowCopyOp(), d.value, s.value);
        ASSERT_TRUE(executor.IsBound());
        const Format* via = IsDirect(d, s) ? nullptr : Intermediate(d, s);
        EXPECT_EQ(executor.Context().IsTwoStage(), via != nullptr);
        if (via != nullptr) {
          EXPECT_EQ(executor.Context().IntermediateFormat(), via->value);
        }
        RowOpArgs& args = executor.Args();
        args.src.palette = srcPalette.entries;
        args.src.paletteSize = srcPalette.size;
        args.dst.palette = dstPalette.entries;
        args.dst.paletteSize = dstPalette.size;
        args.src.x = args.dst.x = x;
        executor.Run(kCount, dst.data(), src.data());

        std::vector<std::uint8_t> expected(dstBytes + kGuard, 0xA5);
        for (int i = 0; i < kCount; ++i) {
          const Pixel p = ReadPixel(s, src.data(), x, i);
          const Pixel q = via == nullptr ? Convert(d, s, p, srcPalette, dstPalette)
                                         : Convert(d, *via, Convert(*via, s, p, srcPalette, {}),
                                                   {}, dstPalette);
          WritePixel(d, expected.data(), x, i, q);
        }
        for (int i = 0; i < dstBytes + kGuard; ++i) {
          ASSERT_EQ(dst[i], expected[i]) << "byte " << i << (i >= dstBytes ? " (guard)" : "");
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Destinations, RowCopyAllPairs, ::testing::Range(0, 14),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(kFormats[info.param].label);
                         });

TEST(RowCopy, EdgeValues) {
  struct Case {
    keFormat dst, src;
    std::vector<std::uint8_t> in, out;
  };
  const Case cases[] = {
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
