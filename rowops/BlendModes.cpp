#include "rowops/BlendModes.h"

#include <algorithm>
#include <cstdlib>

#include "core/ColorUtils.h"
#include "rowops/CoreTables.h"
#include "rowops/RowBlendWvkOp.h"

namespace corvel {
namespace {

// The function stored at binding; when another context's unbinding has cleared it, the mode's
// own, so that a shared operation never silently blends nothing.
BlendChannelFunction FunctionOf(const RowOperation& base) {
  const RowBlendWvkOp& op = WvkOf(base);
  return op.ChannelFunction() ? op.ChannelFunction() : GetBlendChannelFunction(op.Mode());
}

// The shared tables: P[x] = (x + 128) / 255, R[a][b] = a / b in 16.16, Q[i] = 255 sqrt(i / 255).
struct Tables {
  const std::uint8_t* P = GetDivideBy255Table();
  const std::uint32_t* R = GetReciprocalTable();
  std::uint32_t Recip(std::uint32_t a, std::uint32_t b) const { return R[a * 256 + b]; }
};

// ---- Per-channel functions --------------------------------------------------------------------

std::uint32_t P(std::uint32_t x) { return GetDivideBy255Table()[x]; }

std::uint32_t Weigh(std::uint32_t x, std::uint32_t d, std::uint32_t a, std::uint32_t inverse) {
  return P(x * a + d * inverse);
}
std::uint32_t Darken(std::uint32_t d, std::uint32_t s, std::uint32_t a, std::uint32_t i) {
  return Weigh(std::min(d, s), d, a, i);
}
std::uint32_t Lighten(std::uint32_t d, std::uint32_t s, std::uint32_t a, std::uint32_t i) {
  return Weigh(std::max(d, s), d, a, i);
}
std::uint32_t Multiply(std::uint32_t d, std::uint32_t s, std::uint32_t a, std::uint32_t i) {
  return Weigh(P(s * d), d, a, i);
}
std::uint32_t Screen(std::uint32_t d, std::uint32_t s, std::uint32_t a, std::uint32_t i) {
  return Weigh(255 - P((255 - s) * (255 - d)), d, a, i);
}
std::uint32_t Overlay(std::uint32_t d, std::uint32_t s, std::uint32_t a, std::uint32_t i) {
  const std::uint32_t x = d < 128 ? (s * d) >> 7 : 255 - (((255 - s) * (255 - d)) >> 7);
  return Weigh(x, d, a, i);
}
std::uint32_t HardLight(std::uint32_t d, std::uint32_t s, std::uint32_t a, std::uint32_t i) {
  const std::uint32_t x = s < 128 ? (s * d) >> 7 : 255 - (((255 - s) * (255 - d)) >> 7);
  return Weigh(x, d, a, i);
}
std::uint32_t Difference(std::uint32_t d, std::uint32_t s, std::uint32_t a, std::uint32_t) {
  const std::int32_t x = static_cast<std::int32_t>(d) - static_cast<std::int32_t>(P(s * a));
  return static_cast<std::uint32_t>(std::abs(x));
}
std::uint32_t Exclusion(std::uint32_t d, std::uint32_t s, std::uint32_t a, std::uint32_t i) {
  return Weigh(P((255 - s) * d + (255 - d) * s), d, a, i);
}

void SoftLight(std::uint8_t* d, const std::uint8_t* s, std::uint32_t, std::uint32_t t, std::uint32_t ra,
               std::uint32_t da) {
  const std::uint32_t w = GetReciprocalTable()[t * 256 + ra];
  const std::uint32_t e = P(static_cast<std::uint32_t>(
      (static_cast<std::int32_t>(*d) - 128) * static_cast<std::int32_t>(da) + 32640));
  const std::uint32_t sv = *s;
  const std::uint32_t x = sv <= 128 ? P((255 - 2 * sv) * P(e * e) + 2 * sv * e)
                                    : P(2 * (GetSqrtTable()[e] * (sv - 128) + (255 - sv) * e));
  *d = static_cast<std::uint8_t>((std::uint64_t{x} * w + std::uint64_t{*d} * (65536 - w)) >> 16);
}
void ColorDodge(std::uint8_t* d, const std::uint8_t* s, std::uint32_t k, std::uint32_t t, std::uint32_t,
                std::uint32_t) {
  const std::uint32_t sp = P(*s * t);
  const std::uint32_t dk = *d * k;
  *d = static_cast<std::uint8_t>(dk == 0 ? 0 : sp == 255 ? 255 : std::min(255u, dk / (255 - sp)));
}
void ColorBurn(std::uint8_t* d, const std::uint8_t* s, std::uint32_t k, std::uint32_t t, std::uint32_t,
               std::uint32_t) {
  const std::uint32_t sp = P((255 - *s) * t);
  const std::uint32_t dk = (255 - *d) * k;
  if (dk == 0) {
    *d = 255;
  } else if (sp == 255) {
    *d = 0;
  } else {
    const std::uint32_t q = dk / (255 - sp);
    *d = static_cast<std::uint8_t>(q > 255 ? 0 : 255 - q);
  }
}

// Colour-model functions: triples are (hue, chroma or saturation, luma or lightness); a mode takes
// the components it names from the source and the rest from the destination.
template <Rgb8 (*ToRgb)(int, int, int), bool SourceHue, bool SourceMiddle, bool SourceLast>
void ColourFromModel(const std::int32_t* d, const std::int32_t* s, std::uint8_t* b, std::uint8_t* g,
                     std::uint8_t* r) {
  const Rgb8 rgb = ToRgb(SourceHue ? s[0] : d[0], SourceMiddle ? s[1] : d[1], SourceLast ? s[2] : d[2]);
  *b = rgb.blue;
  *g = rgb.green;
  *r = rgb.red;
}
constexpr BlendColourFunction HclHue = ColourFromModel<HueChromaLumaToRgb, true, false, false>;
constexpr BlendColourFunction HclSaturation = ColourFromModel<HueChromaLumaToRgb, false, true, false>;
constexpr BlendColourFunction HclColor = ColourFromModel<HueChromaLumaToRgb, true, true, false>;
constexpr BlendColourFunction HslHue = ColourFromModel<HslToRgb12, true, false, false>;
constexpr BlendColourFunction HslSaturation = ColourFromModel<HslToRgb12, false, true, false>;
constexpr BlendColourFunction HslColor = ColourFromModel<HslToRgb12, true, true, false>;
constexpr BlendColourFunction HslLuminosity = ColourFromModel<HslToRgb12, false, false, true>;

// ---- Pixel access for the loops ----------------------------------------------------------------

// A family of formats: grey (1 colour channel) or colour (3), with or without alpha.
struct Layout {
  int colours;
  int dstStep, srcStep;
  bool dstAlpha, srcAlpha;
};

Layout LayoutOf(const RowOpArgs& args) {
  const CPixelFormat dst(args.dst.format), src(args.src.format);
  const int colours = dst.IsGrey() ? 1 : 3;
  return {colours, colours + (dst.HasAlpha() ? 1 : 0), colours + (src.HasAlpha() ? 1 : 0), dst.HasAlpha(),
          src.HasAlpha()};
}

struct Pixel {
  std::uint8_t* d;
  const std::uint8_t* s;
  std::uint32_t da, sa;
};

// Walks the row; the visitor answers the new destination alpha, or a negative value to leave it.
template <class Visit>
void ForEachPixel(const RowOpArgs& args, Visit visit) {
  const Layout layout = LayoutOf(args);
  auto* d = static_cast<std::uint8_t*>(args.dst.row);
  const auto* s = static_cast<const std::uint8_t*>(args.src.row);
  for (int i = 0; i < args.dst.count; ++i, d += layout.dstStep, s += layout.srcStep) {
    Pixel p{d, s, layout.dstAlpha ? d[layout.colours] : 255u, layout.srcAlpha ? s[layout.colours] : 255u};
    const std::int32_t alpha = visit(p, layout.colours);
    if (alpha >= 0 && layout.dstAlpha) d[layout.colours] = static_cast<std::uint8_t>(alpha);
  }
}

std::uint32_t Coverage(const RowBlendWvkOp& op, const Pixel& p, int colours, std::uint32_t opacity) {
  if (!op.HasTables()) return opacity;
  return colours == 1 ? BlendCoverageGrey(p.s, p.d, p.sa, p.da, op.Tables(), opacity)
                      : BlendCoverageBgr(p.s, p.d, p.sa, p.da, op.Tables(), opacity);
}

std::uint8_t Composite(std::uint32_t d, std::uint32_t s, std::uint32_t w) {
  return static_cast<std::uint8_t>((std::uint64_t{d} * (65536 - w) + std::uint64_t{s} * w + 32768) >> 16);
}

// The frame of the separable, colour-model and divide loops: coverage, effective source
// alpha t, result alpha ra and weight; where the destination is transparent the source comes
// through, elsewhere mix(dst, src) gives the blended channel values.
template <class Blend>
void SeparableFrame(const RowOperation& base, const RowOpArgs& args, Blend blend) {
  const RowBlendWvkOp& op = WvkOf(base);
  const Tables tables;
  const bool keep = op.KeepDestinationAlpha();
  ForEachPixel(args, [&](Pixel& p, int colours) -> std::int32_t {
    const std::uint32_t a = Coverage(op, p, colours, op.Opacity());
    const std::uint32_t t = tables.P[p.sa * a];
    if (t == 0) return -1;
    const std::uint32_t ra = tables.P[(255 - p.da) * t] + p.da;
    const std::uint32_t w = tables.Recip(t, ra);
    if (p.da == 0) {
      for (int c = 0; c < colours; ++c) p.d[c] = Composite(p.d[c], p.s[c], w);
    } else {
      blend(p, colours, a, t, ra, w);
    }
    return keep ? -1 : static_cast<std::int32_t>(ra);
  });
}

// dv and sv from the blended value m, then composited by w.
void MixBlended(Pixel& p, int c, std::uint32_t m, std::uint32_t w, const std::uint8_t* P) {
  const std::uint32_t dv = P[(255 - p.sa) * p.d[c] + m * p.sa];
  const std::uint32_t sv = P[(255 - p.da) * p.s[c] + m * p.da];
  p.d[c] = Composite(dv, sv, w);
}

}  // namespace

BlendChannelFunction GetBlendChannelFunction(std::int32_t mode) {
  BlendChannelFunction f;
  switch (mode) {
    case keWvkDarken:
      f.byte = Darken;
      break;
    case keWvkLighten:
      f.byte = Lighten;
      break;
    case keWvkMultiply:
      f.byte = Multiply;
      break;
    case keWvkScreen:
      f.byte = Screen;
      break;
    case keWvkOverlay:
      f.byte = Overlay;
      break;
    case keWvkHardLight:
      f.byte = HardLight;
      break;
    case keWvkDifference:
      f.byte = Difference;
      break;
    case keWvkExclusion:
      f.byte = Exclusion;
      break;
    case keWvkSoftLight:
      f.divide = SoftLight;
      break;
    case keWvkColorDodge:
      f.divide = ColorDodge;
      break;
    case keWvkColorBurn:
      f.divide = ColorBurn;
      break;
    case keWvkHue:
      f.colour = HclHue;
      break;
    case keWvkSaturation:
      f.colour = HclSaturation;
      break;
    case keWvkColor:
      f.colour = HclColor;
      break;
    case keWvkHslHue:
      f.colour = HslHue;
      break;
    case keWvkHslSaturation:
      f.colour = HslSaturation;
      break;
    case keWvkHslColor:
      f.colour = HslColor;
      break;
    case keWvkHslLuminosity:
      f.colour = HslLuminosity;
      break;
    default:
      break;
  }
  return f;
}

std::uint32_t BlendCoverageOpacity(const std::uint8_t*, const std::uint8_t*, std::uint32_t, std::uint32_t,
                                   const BlendRangeTables*, std::uint32_t opacity) {
  return opacity;
}

std::uint32_t BlendCoverageGrey(const std::uint8_t* src, const std::uint8_t* dst, std::uint32_t sa,
                                std::uint32_t da, const BlendRangeTables* tables, std::uint32_t opacity) {
  if (!tables || tables->count < 1) return opacity;
  std::uint32_t c = 255;
  if (sa != 0) c = P(tables->source[BlendRangeTables::kRed][src[0]] * 255u);
  if (da != 0) c = P(tables->destination[BlendRangeTables::kRed][dst[0]] * c);
  return P(c * opacity);
}

std::uint32_t BlendCoverageBgr(const std::uint8_t* src, const std::uint8_t* dst, std::uint32_t sa,
                               std::uint32_t da, const BlendRangeTables* tables, std::uint32_t opacity) {
  if (!tables || tables->count < 1) return opacity;
  auto grey = [](const std::uint8_t* p) { return (59u * p[1] + 30u * p[2] + 11u * p[0]) / 100u; };
  std::uint32_t c = 255;
  if (sa != 0 && tables->sourceFlags[0] == 0) c = tables->source[BlendRangeTables::kGrey][grey(src)];
  if (da != 0 && tables->destinationFlags[0] == 0)
    c = P(tables->destination[BlendRangeTables::kGrey][grey(dst)] * c);
  if (sa != 0) {
    c = P(tables->source[BlendRangeTables::kRed][src[2]] * c);
    c = P(tables->source[BlendRangeTables::kGreen][src[1]] * c);
    c = P(tables->source[BlendRangeTables::kBlue][src[0]] * c);
  }
  if (da != 0) {
    c = P(tables->destination[BlendRangeTables::kRed][dst[2]] * c);
    c = P(tables->destination[BlendRangeTables::kGreen][dst[1]] * c);
    c = P(tables->destination[BlendRangeTables::kBlue][dst[0]] * c);
  }
  return P(c * opacity);
}

void BlendLoopGrey(const RowOperation& op, const RowOpArgs& args) {
  const BlendByteFunction f = FunctionOf(op).byte;
  if (!f) return;
  const std::uint8_t* P = GetDivideBy255Table();
  SeparableFrame(op, args,
                 [&](Pixel& p, int colours, std::uint32_t a, std::uint32_t, std::uint32_t, std::uint32_t w) {
                   for (int c = 0; c < colours; ++c) MixBlended(p, c, f(p.d[c], p.s[c], a, 255 - a), w, P);
                 });
}

void BlendLoopBgr(const RowOperation& op, const RowOpArgs& args) { BlendLoopGrey(op, args); }

void BlendLoopDivideGrey(const RowOperation& op, const RowOpArgs& args) {
  const BlendDivideFunction f = FunctionOf(op).divide;
  if (!f) return;
  SeparableFrame(op, args,
                 [&](Pixel& p, int colours, std::uint32_t, std::uint32_t t, std::uint32_t ra, std::uint32_t) {
                   const std::uint32_t k = p.da * 255 / ra;
                   for (int c = 0; c < colours; ++c) f(&p.d[c], &p.s[c], k, t, ra, p.da);
                 });
}

void BlendLoopDivideBgr(const RowOperation& op, const RowOpArgs& args) { BlendLoopDivideGrey(op, args); }

namespace {

template <bool Hsl>
void ColourModelLoop(const RowOperation& op, const RowOpArgs& args) {
  const BlendColourFunction f = FunctionOf(op).colour;
  if (!f) return;
  const std::uint8_t* P = GetDivideBy255Table();
  SeparableFrame(
      op, args, [&](Pixel& p, int, std::uint32_t a, std::uint32_t, std::uint32_t, std::uint32_t w) {
        std::int32_t dst[3], src[3];
        if constexpr (Hsl) {
          const corvel::Hsl d = RgbToHsl12(p.d[2], p.d[1], p.d[0]), s = RgbToHsl12(p.s[2], p.s[1], p.s[0]);
          dst[0] = d.hue, dst[1] = d.saturation, dst[2] = d.lightness;
          src[0] = s.hue, src[1] = s.saturation, src[2] = s.lightness;
        } else {
          const HueChromaLuma d = RgbToHueChromaLuma(p.d[2], p.d[1], p.d[0]),
                              s = RgbToHueChromaLuma(p.s[2], p.s[1], p.s[0]);
          dst[0] = d.hue, dst[1] = d.chroma, dst[2] = d.luma;
          src[0] = s.hue, src[1] = s.chroma, src[2] = s.luma;
        }
        std::uint8_t x[3];
        f(dst, src, &x[0], &x[1], &x[2]);
        for (int c = 0; c < 3; ++c) MixBlended(p, c, P[x[c] * a + p.d[c] * (255 - a)], w, P);
      });
}

}  // namespace

void BlendLoopHcl(const RowOperation& op, const RowOpArgs& args) { ColourModelLoop<false>(op, args); }
void BlendLoopHsl(const RowOperation& op, const RowOpArgs& args) { ColourModelLoop<true>(op, args); }

namespace {

// The frame of the normal and luminosity loops: coverage a of the source's alpha at the
// operation's opacity and the result alpha ra; blend(p, colours, a, ra) writes the colours.
template <class Blend>
void OpacityFrame(const RowOperation& base, const RowOpArgs& args, Blend blend) {
  const RowBlendWvkOp& op = WvkOf(base);
  const Tables tables;
  const bool keep = op.KeepDestinationAlpha();
  ForEachPixel(args, [&](Pixel& p, int colours) -> std::int32_t {
    const std::uint32_t a = Coverage(op, p, colours, tables.P[p.sa * op.Opacity()]);
    if (a == 0) return -1;
    const std::uint32_t ra = tables.P[(255 - p.da) * a] + p.da;
    blend(p, colours, a, ra);
    return keep ? -1 : static_cast<std::int32_t>(ra);
  });
}

}  // namespace

void BlendLoopLuminosityHcl(const RowOperation& op, const RowOpArgs& args) {
  const Tables tables;
  OpacityFrame(op, args, [&](Pixel& p, int, std::uint32_t a, std::uint32_t ra) {
    if (p.da == 0) {
      for (int c = 0; c < 3; ++c) p.d[c] = p.s[c];
      return;
    }
    const std::uint32_t w = tables.Recip(ra - p.da, ra);
    std::uint8_t mix[3];
    for (int c = 0; c < 3; ++c) mix[c] = Composite(p.d[c], p.s[c], w);
    const HueChromaLuma d = RgbToHueChromaLuma(p.d[2], p.d[1], p.d[0]);
    const HueChromaLuma m = RgbToHueChromaLuma(mix[2], mix[1], mix[0]);
    const HueChromaLuma s = RgbToHueChromaLuma(p.s[2], p.s[1], p.s[0]);
    const std::uint32_t u = tables.P[(255 - a) * p.da];
    const auto luma = static_cast<int>(
        (u * static_cast<std::uint32_t>(d.luma) + a * static_cast<std::uint32_t>(s.luma)) / (a + u));
    const Rgb8 rgb = HueChromaLumaToRgb(m.hue, m.chroma, luma);
    p.d[0] = rgb.blue, p.d[1] = rgb.green, p.d[2] = rgb.red;
  });
}

void BlendLoopNormalGrey(const RowOperation& op, const RowOpArgs& args) {
  const Tables tables;
  OpacityFrame(op, args, [&](Pixel& p, int colours, std::uint32_t a, std::uint32_t ra) {
    const std::uint32_t w = tables.Recip(a, ra);
    for (int c = 0; c < colours; ++c) p.d[c] = Composite(p.d[c], p.s[c], w);
  });
}

void BlendLoopNormalBgr(const RowOperation& op, const RowOpArgs& args) { BlendLoopNormalGrey(op, args); }

namespace {

// All or nothing against a 128 x 128 grid of random bytes that the dissolve origins and the
// row's position place.
void DissolveLoop(const RowOperation& base, const RowOpArgs& args) {
  const RowBlendWvkOp& op = WvkOf(base);
  const std::uint8_t* P = GetDivideBy255Table();
  const std::uint8_t* grid = GetRandomTable();
  const bool keep = op.KeepDestinationAlpha();
  auto wrap = [](std::int64_t v) {
    return static_cast<int>(((v % kRandomTableSide) + kRandomTableSide) % kRandomTableSide);
  };
  const std::uint8_t* gridRow = grid + wrap(std::int64_t{op.DissolveY()} + args.dst.y) * kRandomTableSide;
  int column = wrap(std::int64_t{op.DissolveX()} + args.dst.x);
  const int step = wrap(op.DissolveStep());
  ForEachPixel(args, [&](Pixel& p, int colours) -> std::int32_t {
    const std::uint32_t a = Coverage(op, p, colours, P[p.sa * op.Opacity()]);
    const std::uint32_t threshold = gridRow[column];
    column = (column + step) % kRandomTableSide;
    if (a == 0 || a < threshold) return -1;
    for (int c = 0; c < colours; ++c) p.d[c] = p.s[c];
    return keep ? -1 : 255;
  });
}

}  // namespace

void BlendLoopDissolveGrey(const RowOperation& op, const RowOpArgs& args) { DissolveLoop(op, args); }
void BlendLoopDissolveBgr(const RowOperation& op, const RowOpArgs& args) { DissolveLoop(op, args); }

RowOpKernel ChooseGenericBlendLoop(const RowBlendWvkOp& op, keFormat dst) {
  const bool colour = dst == keFormatBGR || dst == keFormatBGRA;
  switch (op.Mode()) {
    case keWvkNormal:
      return colour ? BlendLoopNormalBgr : BlendLoopNormalGrey;
    case keWvkDarken:
    case keWvkLighten:
    case keWvkMultiply:
    case keWvkScreen:
    case keWvkOverlay:
    case keWvkHardLight:
    case keWvkDifference:
    case keWvkExclusion:
      return colour ? BlendLoopBgr : BlendLoopGrey;
    case keWvkHue:
    case keWvkSaturation:
    case keWvkColor:
      return colour ? BlendLoopHcl : nullptr;
    case keWvkLuminosity:
      return colour ? BlendLoopLuminosityHcl : nullptr;
    case keWvkDissolve:
      return colour ? BlendLoopDissolveBgr : BlendLoopDissolveGrey;
    case keWvkSoftLight:
    case keWvkColorDodge:
    case keWvkColorBurn:
      return colour ? BlendLoopDivideBgr : BlendLoopDivideGrey;
    case keWvkHslHue:
    case keWvkHslSaturation:
    case keWvkHslColor:
    case keWvkHslLuminosity:
      return colour ? BlendLoopHsl : nullptr;
    default:
      return nullptr;
  }
}

bool CanUseGenericBlendLoop(keFormat dst, keFormat src, int variantMode) {
  if (variantMode == keVariantMmx || !GetDivideBy255Table() || !GetReciprocalTable() || !GetSqrtTable() ||
      !GetRandomTable())
    return false;
  auto colour = [](keFormat f) { return f == keFormatBGR || f == keFormatBGRA; };
  auto grey = [](keFormat f) { return f == keFormatGrey || f == keFormatGreyA; };
  return (colour(dst) && colour(src)) || (grey(dst) && grey(src));
}

}  // namespace corvel
