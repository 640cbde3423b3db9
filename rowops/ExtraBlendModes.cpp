// Behind, add, subtract and the two mask modes of the editor-compatible blend.
#include <array>

#include "rowops/CoreTables.h"
#include "rowops/RowBlendWvkOp.h"
#include "rowops/detail/BlendMath.h"

namespace corvel {
namespace {

// ---- Tone curves of the mask modes: piecewise linear through their anchors, rounded ---------

constexpr int kAnchorInputs[11] = {0, 1, 16, 32, 64, 96, 128, 160, 192, 224, 255};
using Anchors = std::array<int, 11>;

constexpr std::array<std::uint8_t, 256> Curve(const Anchors& values) {
  std::array<std::uint8_t, 256> curve{};
  for (int k = 0; k + 1 < 11; ++k) {
    const int x0 = kAnchorInputs[k], x1 = kAnchorInputs[k + 1];
    const int y0 = values[k], y1 = values[k + 1];
    for (int x = x0; x <= x1; ++x) {
      const int numerator = (y1 - y0) * (x - x0);
      const int span = x1 - x0;
      curve[x] = static_cast<std::uint8_t>(y0 + (2 * numerator + span) / (2 * span));
    }
  }
  return curve;
}

// [0] darken (254), [1] lighten (253); each the first, second and third curve.
constexpr std::array<std::uint8_t, 256> kCurves[2][3] = {
    {Curve({0, 0, 0, 0, 18, 58, 98, 137, 177, 217, 255}),
     Curve({0, 1, 10, 21, 45, 72, 103, 136, 174, 213, 255}),
     Curve({0, 1, 13, 26, 51, 77, 103, 129, 154, 180, 205})},
    {Curve({50, 51, 63, 76, 102, 127, 153, 179, 205, 230, 255}),
     Curve({0, 2, 31, 54, 89, 120, 149, 176, 203, 230, 255}),
     Curve({0, 1, 19, 39, 79, 119, 159, 199, 238, 255, 255})},
};

// ---- Kernels ------------------------------------------------------------------------------------

struct Context {
  const std::uint8_t* P = GetDivideBy255Table();
  const std::uint32_t* R = GetReciprocalTable();
  std::uint32_t U(std::uint32_t da) const { return R[255 * 256 + da]; }
};

// Walks a pair of one family, handing each pixel's coverage to the formula.
template <bool Colour, class Formula>
void SpecialLoop(const RowOperation& base, const RowOpArgs& args, Formula formula) {
  const RowBlendWvkOp& op = WvkOf(base);
  const CPixelFormat dstFormat(args.dst.format), srcFormat(args.src.format);
  constexpr int kColours = Colour ? 3 : 1;
  const bool dstAlpha = dstFormat.HasAlpha(), srcAlpha = srcFormat.HasAlpha();
  const int dstStep = kColours + (dstAlpha ? 1 : 0), srcStep = kColours + (srcAlpha ? 1 : 0);
  auto* d = static_cast<std::uint8_t*>(args.dst.row);
  const auto* s = static_cast<const std::uint8_t*>(args.src.row);
  for (int i = 0; i < args.dst.count; ++i, d += dstStep, s += srcStep) {
    const std::uint32_t sa = srcAlpha ? s[kColours] : 255;
    const std::uint32_t da = dstAlpha ? d[kColours] : 255;
    std::uint32_t c = op.Opacity();
    if (op.HasTables())
      c = Colour ? BlendCoverageBgr(s, d, sa, da, op.Tables(), c)
                 : BlendCoverageGrey(s, d, sa, da, op.Tables(), c);
    const std::uint32_t a = Div255Exact(sa * c);
    const std::int32_t alpha = formula(d, s, kColours, a, sa, da);
    if (alpha >= 0 && dstAlpha) d[kColours] = static_cast<std::uint8_t>(alpha);
  }
}

template <bool Colour>
void Behind(const RowOperation& op, const RowOpArgs& args) {
  const Context t;
  SpecialLoop<Colour>(
      op, args,
      [&](std::uint8_t* d, const std::uint8_t* s, int colours, std::uint32_t a, std::uint32_t,
          std::uint32_t da) -> std::int32_t {
        const std::uint32_t b = Div255Exact(a * (255 - da));
        const std::uint32_t ra = da + b;
        const std::uint32_t r = t.R[255 * 256 + ra];
        const std::uint32_t v = ((r >> 8) + r + 128) >> 8;
        for (int c = 0; c < colours; ++c)
          d[c] = static_cast<std::uint8_t>((std::uint64_t{s[c] * b + d[c] * da} * v + 32767) >> 16);
        return static_cast<std::int32_t>(ra);
      });
}

// Add and subtract: a premultiplied result x' (at most da) weighed by the coverage and divided
// back by the destination's alpha.
template <bool Colour, bool Subtract>
void AddOrSubtract(const RowOperation& op, const RowOpArgs& args) {
  const Context t;
  SpecialLoop<Colour>(
      op, args,
      [&](std::uint8_t* d, const std::uint8_t* s, int colours, std::uint32_t a, std::uint32_t sa,
          std::uint32_t da) -> std::int32_t {
        const std::uint32_t u = t.U(da);
        for (int c = 0; c < colours; ++c) {
          std::uint32_t x;
          if constexpr (Subtract) {
            const std::int32_t v = (static_cast<std::int32_t>(s[c]) - static_cast<std::int32_t>(da)) *
                                       static_cast<std::int32_t>(sa) +
                                   static_cast<std::int32_t>(d[c] * da);
            x = v < 0 ? 0 : std::min(Div255Exact(static_cast<std::uint32_t>(v)), da);
          } else {
            const std::uint32_t v = s[c] * sa + d[c] * da;
            x = v > 255 * da ? da : Div255Exact(v);
          }
          const std::uint32_t mixed = t.P[x * a + t.P[d[c] * da] * (255 - a)];
          d[c] = static_cast<std::uint8_t>((std::uint64_t{mixed} * u) >> 16);
        }
        return -1;
      });
}

template <bool Colour, bool Lighten>
void MaskConstant(const RowOperation& op, const RowOpArgs& args) {
  const Context t;
  SpecialLoop<Colour>(op, args,
                      [&](std::uint8_t* d, const std::uint8_t*, int colours, std::uint32_t a,
                          std::uint32_t sa, std::uint32_t da) -> std::int32_t {
                        for (int c = 0; c < colours; ++c) {
                          std::uint32_t x;
                          if constexpr (Lighten) {
                            const std::uint32_t v = 51 * sa + da * d[c];
                            x = v > 255 * da ? da : Div255Exact(v);
                          } else {
                            const std::int32_t v = static_cast<std::int32_t>(204 * sa) -
                                                   static_cast<std::int32_t>(da * sa) +
                                                   static_cast<std::int32_t>(da * d[c]);
                            x = v < 0 ? 0 : std::min(Div255Exact(static_cast<std::uint32_t>(v)), 255u);
                          }
                          d[c] = t.P[x * a + d[c] * (255 - a)];
                        }
                        return -1;
                      });
}

template <bool Colour, bool Lighten>
void MaskCurve(const RowOperation& op, const RowOpArgs& args) {
  const Context t;
  const std::uint8_t* curve = GetMaskCurve(Lighten ? keWvkLightenMask : keWvkDarkenMask,
                                           WvkOf(op).SpecialFlag());
  SpecialLoop<Colour>(op, args,
                      [&](std::uint8_t* d, const std::uint8_t*, int colours, std::uint32_t a,
                          std::uint32_t sa, std::uint32_t) -> std::int32_t {
                        for (int c = 0; c < colours; ++c) {
                          const std::uint32_t toned = t.P[curve[d[c]] * sa + d[c] * (255 - sa)];
                          d[c] = t.P[toned * a + d[c] * (255 - a)];
                        }
                        return -1;
                      });
}

enum class Family { kNone, kColour, kGrey };

Family FamilyOf(keFormat dst, keFormat src) {
  auto colour = [](keFormat f) { return f == keFormatBGR || f == keFormatBGRA; };
  auto grey = [](keFormat f) { return f == keFormatGrey || f == keFormatGreyA; };
  if (colour(dst) && colour(src)) return Family::kColour;
  if (grey(dst) && grey(src)) return Family::kGrey;
  return Family::kNone;
}

RowOpKernel Pick(keFormat dst, keFormat src, RowOpKernel colour, RowOpKernel grey) {
  switch (FamilyOf(dst, src)) {
    case Family::kColour:
      return colour;
    case Family::kGrey:
      return grey;
    default:
      return nullptr;
  }
}

}  // namespace

const std::uint8_t* GetMaskCurve(std::int32_t mode, std::int32_t specialFlag) {
  const int which = specialFlag == 2 ? 1 : specialFlag == 3 ? 2 : 0;
  return kCurves[mode == keWvkLightenMask ? 1 : 0][which].data();
}

RowOpKernel ChooseBehindKernel(keFormat dst, keFormat src) {
  return Pick(dst, src, Behind<true>, Behind<false>);
}
RowOpKernel ChooseAddKernel(keFormat dst, keFormat src) {
  return Pick(dst, src, AddOrSubtract<true, false>, AddOrSubtract<false, false>);
}
RowOpKernel ChooseSubtractKernel(keFormat dst, keFormat src) {
  return Pick(dst, src, AddOrSubtract<true, true>, AddOrSubtract<false, true>);
}
RowOpKernel ChooseLightenMaskKernel(keFormat dst, keFormat src, std::int32_t specialFlag) {
  return specialFlag == 0 ? Pick(dst, src, MaskConstant<true, true>, MaskConstant<false, true>)
                          : Pick(dst, src, MaskCurve<true, true>, MaskCurve<false, true>);
}
RowOpKernel ChooseDarkenMaskKernel(keFormat dst, keFormat src, std::int32_t specialFlag) {
  return specialFlag == 0 ? Pick(dst, src, MaskConstant<true, false>, MaskConstant<false, false>)
                          : Pick(dst, src, MaskCurve<true, false>, MaskCurve<false, false>);
}

}  // namespace corvel
