#include "rowops/RowBlendOp.h"

#include <algorithm>

#include "core/PaletteCache.h"
#include "rowops/CoreTables.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowFillOp.h"
#include "rowops/detail/BlendMath.h"
#include "rowops/detail/KernelRecords.h"
#include "rowops/detail/PixelAccess.h"
#include "rowops/detail/RowBlendOpSse2.h"

namespace corvel {

using detail::BGR16;
using detail::BGR8;
using detail::BGRA16;
using detail::BGRA8;
using detail::BGRxA8;
using detail::ChangeDepth;
using detail::Grey16;
using detail::Grey8;
using detail::GreyA16;
using detail::GreyA8;
using detail::Mix;

namespace {

// ---- Mode 0: straight source over straight destination --------------------------------------

template <class F>
std::uint32_t Round(std::uint32_t a, std::uint32_t b) {
  if constexpr (F::kWide)
    return MulDiv65535(a, b);
  else
    return MulDiv255(a, b);
}

// The source's colour channels in the destination's depth (grey from colour where needed).
template <class D, class S>
void SourceColour(const std::uint8_t* s, std::uint32_t* out) {
  if constexpr (D::kGrey && !S::kGrey) {
    out[0] = ChangeDepth<S, D>(detail::GreyOf(S::Get(s, 2), S::Get(s, 1), S::Get(s, 0)));
  } else {
    for (int c = 0; c < D::kChannels - (D::kAlpha ? 1 : 0); ++c) out[c] = ChangeDepth<S, D>(S::Get(s, c));
  }
}

template <class D, class S>
void NormalKernel(const RowOperation&, const RowOpArgs& args) {
  constexpr int kColours = D::kChannels - (D::kAlpha ? 1 : 0);
  constexpr std::uint32_t kMax = D::kMax;
  auto* d = static_cast<std::uint8_t*>(args.dst.row);
  const auto* s = static_cast<const std::uint8_t*>(args.src.row);
  for (int i = 0; i < args.dst.count; ++i, d += D::kBytes, s += S::kBytes) {
    const std::uint32_t sa = ChangeDepth<S, D>(S::Get(s, S::kChannels - 1));
    if (sa == 0) continue;
    std::uint32_t colour[3];
    SourceColour<D, S>(s, colour);
    if (sa == kMax) {  // an opaque source replaces the pixel, with no division
      for (int c = 0; c < kColours; ++c) D::Put(d, c, colour[c]);
      if constexpr (D::kAlpha) D::Put(d, D::kChannels - 1, kMax);
      continue;
    }
    std::uint32_t w;
    if constexpr (D::kAlpha) {
      const std::uint32_t da = D::Get(d, D::kChannels - 1);
      const std::uint32_t na = da + sa - Round<D>(da, sa);
      w = detail::CompositeWeight(sa, na);
      D::Put(d, D::kChannels - 1, na);
    } else if constexpr (D::kGrey) {
      w = sa == kMax ? 65536 : sa * 257 + 1;
    } else {
      w = detail::CompositeWeight(sa, kMax);
    }
    for (int c = 0; c < kColours; ++c) D::Put(d, c, Mix(D::Get(d, c), colour[c], w));
  }
}

// ---- Modes 1 to 9 on premultiplied values ---------------------------------------------------

struct Premultiplied {
  std::uint32_t c[3];
  std::uint32_t a;
};

template <class F>
Premultiplied Read(const std::uint8_t* p) {
  Premultiplied v{{p[0], p[1], p[2]}, F::kAlpha ? p[3] : 255u};
  if constexpr (F::kAlpha && !F::kPremultiplied)
    for (auto& c : v.c) c = MulDiv255(c, v.a);
  return v;
}

std::uint32_t Clamp255(std::uint32_t v) { return v > 255 ? 255 : v; }

std::uint32_t Separable(int mode, std::uint32_t s, std::uint32_t sa, std::uint32_t d, std::uint32_t da) {
  switch (mode) {
    case keBlendMultiply:
      return MulDiv255(s, 255 - da) + MulDiv255(d, 255 - sa) + MulDiv255(s, d);
    case keBlendScreen:
      return s + d - MulDiv255(s, d);
    case keBlendDarken:
      return std::min(s + MulDiv255(d, 255 - sa), d + MulDiv255(s, 255 - da));
    default:
      return std::max(s + MulDiv255(d, 255 - sa), d + MulDiv255(s, 255 - da));
  }
}

constexpr detail::PorterDuffMode PorterDuffModeOf(int mode) {
  return mode == keBlendSourceAtop  ? detail::PorterDuffMode::kAtop
         : mode == keBlendSourceIn  ? detail::PorterDuffMode::kIn
         : mode == keBlendSourceOut ? detail::PorterDuffMode::kOut
                                    : detail::PorterDuffMode::kXor;
}

// Modes 1 to 4: colour channels by the mode, alpha as source over. A straight destination is
// written premultiplied and then unpremultiplied in place.
template <int Mode, class D, class S>
void SeparableKernel(const RowOperation&, const RowOpArgs& args) {
  auto* row = static_cast<std::uint8_t*>(args.dst.row);
  std::uint8_t* d = row;
  const auto* s = static_cast<const std::uint8_t*>(args.src.row);
  for (int i = 0; i < args.dst.count; ++i, d += D::kBytes, s += S::kBytes) {
    const Premultiplied src = Read<S>(s);
    const Premultiplied dst = Read<D>(d);
    for (int c = 0; c < 3; ++c)
      d[c] = static_cast<std::uint8_t>(Clamp255(Separable(Mode, src.c[c], src.a, dst.c[c], dst.a)));
    if constexpr (D::kAlpha) d[3] = static_cast<std::uint8_t>(src.a + dst.a - MulDiv255(src.a, dst.a));
  }
  if constexpr (D::kAlpha && !D::kPremultiplied) UnpremultiplyRowInPlace(args.dst.count, row);
}

// Modes 5, 6, 7 and 9: all four channels by the Porter-Duff rule.
template <int Mode, class F>
void PorterDuffKernel(const RowOperation&, const RowOpArgs& args) {
  constexpr detail::PorterDuffMode kMode = PorterDuffModeOf(Mode);
  auto* row = static_cast<std::uint8_t*>(args.dst.row);
  std::uint8_t* d = row;
  const auto* s = static_cast<const std::uint8_t*>(args.src.row);
  for (int i = 0; i < args.dst.count; ++i, d += 4, s += 4) {
    const Premultiplied src = Read<F>(s);
    const Premultiplied dst = Read<F>(d);
    for (int c = 0; c < 3; ++c)
      d[c] = static_cast<std::uint8_t>(Clamp255(detail::PorterDuff(kMode, src.c[c], src.a, dst.c[c], dst.a)));
    d[3] = static_cast<std::uint8_t>(Clamp255(detail::PorterDuff(kMode, src.a, src.a, dst.a, dst.a)));
  }
  if constexpr (!F::kPremultiplied) UnpremultiplyRowInPlace(args.dst.count, row);
}

template <int Mode>
void PorterDuffSimdKernel(const RowOperation&, const RowOpArgs& args) {
  detail::PorterDuffBgrxaSse2(PorterDuffModeOf(Mode), static_cast<std::uint8_t*>(args.dst.row),
                              static_cast<const std::uint8_t*>(args.src.row), args.dst.count);
}

constexpr keFormat kGrey = keFormatGrey, kGreyA = keFormatGreyA, kBGR = keFormatBGR, kBGRA = keFormatBGRA,
                   kBGRxA = keFormatBGRxA, kGreyA16 = keFormatGreyA_u16, kBGRA16 = keFormatBGRA_u16,
                   kIndex8 = keFormatIndex8, kIndex4 = keFormatIndex4, kIndex1 = keFormatIndex1;

using detail::kEnd;
using detail::Mmx;
using detail::Plain;

const RowOpKernelRecord kNormalTable[] = {
    Plain(kGrey, kGreyA, NormalKernel<Grey8, GreyA8>),
    Plain(kBGR, kBGRA, NormalKernel<BGR8, BGRA8>),
    Plain(kBGR, kBGRA16, NormalKernel<BGR8, BGRA16>),
    Plain(kGreyA, kGreyA, NormalKernel<GreyA8, GreyA8>),
    Plain(kGreyA16, kGreyA, NormalKernel<GreyA16, GreyA8>),
    Plain(kGreyA16, kBGRA, NormalKernel<GreyA16, BGRA8>),
    Plain(kBGRA, kBGRA, NormalKernel<BGRA8, BGRA8>),
    Plain(kBGRA, kBGRA16, NormalKernel<BGRA8, BGRA16>),
    Plain(kBGRA16, kBGRA, NormalKernel<BGRA16, BGRA8>),
    Plain(kBGRA16, kBGRA16, NormalKernel<BGRA16, BGRA16>),
    Plain(kBGR, kBGR, CopyKernel),
    Plain(kGrey, kGrey, CopyKernel),
    Plain(kIndex8, kIndex8, CopyKernel),
    Plain(kIndex4, kIndex4, CopyKernel),
    Plain(kIndex1, kIndex1, CopyKernel),
    kEnd,
};

template <int Mode>
constexpr RowOpKernelRecord kSeparableTable[] = {
    Plain(kBGR, kBGRA, SeparableKernel<Mode, BGR8, BGRA8>),
    Plain(kBGR, kBGRxA, SeparableKernel<Mode, BGR8, BGRxA8>),
    Plain(kBGRA, kBGRA, SeparableKernel<Mode, BGRA8, BGRA8>),
    Plain(kBGRxA, kBGRxA, SeparableKernel<Mode, BGRxA8, BGRxA8>),
    kEnd,
};

template <int Mode>
constexpr RowOpKernelRecord kPorterDuffTable[] = {
    Plain(kBGRA, kBGRA, PorterDuffKernel<Mode, BGRA8>),
    Plain(kBGRxA, kBGRxA, PorterDuffKernel<Mode, BGRxA8>),
    Mmx(kBGRxA, kBGRxA, PorterDuffSimdKernel<Mode>),
    kEnd,
};

}  // namespace

const RowOpKernelRecord* GetRowBlendKernelTable(RowBlendMode mode, int) {
  switch (mode) {
    case keBlendNormal:
    case keBlendNormal2:
      return kNormalTable;
    case keBlendMultiply:
      return kSeparableTable<keBlendMultiply>;
    case keBlendScreen:
      return kSeparableTable<keBlendScreen>;
    case keBlendDarken:
      return kSeparableTable<keBlendDarken>;
    case keBlendLighten:
      return kSeparableTable<keBlendLighten>;
    case keBlendSourceAtop:
      return kPorterDuffTable<keBlendSourceAtop>;
    case keBlendSourceIn:
      return kPorterDuffTable<keBlendSourceIn>;
    case keBlendSourceOut:
      return kPorterDuffTable<keBlendSourceOut>;
    case keBlendXor:
      return kPorterDuffTable<keBlendXor>;
    default:
      return nullptr;
  }
}

RowOpKernel RowBlendOp::ChooseKernel(keFormat dst, keFormat src, int variantMode, int) const {
  return FindRowOpKernel(GetRowBlendKernelTable(mode_), dst, src, variantMode);
}

RowBlendOp& DefaultRowBlendOp() {
  static RowBlendOp normal(keBlendNormal);
  return normal;
}

void BlendNormalBgrFromBgra(const RowOperation& op, const RowOpArgs& args) {
  NormalKernel<BGR8, BGRA8>(op, args);
}
void BlendNormalGreyFromGreyA(const RowOperation& op, const RowOpArgs& args) {
  NormalKernel<Grey8, GreyA8>(op, args);
}

void BlendNormalIndex8FromBgra(const RowOperation&, const RowOpArgs& args) {
  auto* d = static_cast<std::uint8_t*>(args.dst.row);
  const auto* s = static_cast<const std::uint8_t*>(args.src.row);
  const auto* palette = args.dst.palette;
  for (int i = 0; i < args.dst.count; ++i, ++d, s += 4) {
    const std::uint32_t sa = s[3];
    if (sa == 0 || !palette || d[0] >= args.dst.paletteSize) continue;
    const std::uint8_t* entry = palette + 4 * d[0];
    const std::uint32_t w = detail::CompositeWeight(sa, 255);
    const int blue = static_cast<int>(Mix(entry[0], s[0], w));
    const int green = static_cast<int>(Mix(entry[1], s[1], w));
    const int red = static_cast<int>(Mix(entry[2], s[2], w));
    const int index = RgbToPaletteIndex(red, green, blue, palette, args.dst.paletteSize);
    if (index >= 0) d[0] = static_cast<std::uint8_t>(index);
  }
}

// ---- Solid blend -----------------------------------------------------------------------------

namespace {

const RowBlendSolidOp& SolidOf(const RowOperation& op) { return static_cast<const RowBlendSolidOp&>(op); }

struct SolidColour {
  std::uint32_t red, green, blue, alpha;
  explicit SolidColour(std::uint32_t c)
      : red(c & 0xFF), green((c >> 8) & 0xFF), blue((c >> 16) & 0xFF), alpha(c >> 24) {}
  std::uint32_t Grey() const { return detail::GreyOf(red, green, blue); }
};

// Alpha 0 writes nothing and 255 fills as RowFillOp does; answers whether the caller blends.
bool SolidNeedsBlend(const RowOperation& op, const RowOpArgs& args) {
  const std::uint32_t color = SolidOf(op).Color();
  const std::uint32_t alpha = color >> 24;
  if (alpha == 0) return false;
  if (alpha < 255) return true;
  const RowFillOp fill(color);
  FindRowOpKernel(RowFillOp::KernelTable(), args.dst.format, keFormatNone, 2)(fill, args);
  return false;
}

// BGR and BGRxA: each byte d becomes round(d (255 - a) / 255) plus the colour's share.
void SolidShares(std::uint32_t color, std::uint8_t* bgr) {
  const SolidColour c(color);
  bgr[0] = static_cast<std::uint8_t>(MulDiv255(c.blue, c.alpha));
  bgr[1] = static_cast<std::uint8_t>(MulDiv255(c.green, c.alpha));
  bgr[2] = static_cast<std::uint8_t>(MulDiv255(c.red, c.alpha));
}

// BGRxA adds the premultiplied colour and, for alpha, a itself: da + a - r(da a) equals
// r(da (255 - a)) + a.
void SolidShares4(std::uint32_t color, std::uint8_t* bgra) {
  const std::uint32_t p = PremultiplyColor(color);
  bgra[0] = static_cast<std::uint8_t>(p >> 16);
  bgra[1] = static_cast<std::uint8_t>(p >> 8);
  bgra[2] = static_cast<std::uint8_t>(p);
  bgra[3] = static_cast<std::uint8_t>(color >> 24);
}

template <int Period, bool Simd>
void SolidScaleAndAdd(const RowOperation& op, const RowOpArgs& args) {
  if (!SolidNeedsBlend(op, args)) return;
  const std::uint32_t color = SolidOf(op).Color();
  std::uint8_t add[4];
  if (Period == 3)
    SolidShares(color, add);
  else
    SolidShares4(color, add);
  const std::uint32_t keep = 255 - (color >> 24);
  auto* d = static_cast<std::uint8_t*>(args.dst.row);
  const int bytes = args.dst.count * Period;
  if constexpr (Simd) {
    detail::ScaleAndAddSse2(d, bytes, keep, add, Period);
  } else {
    for (int i = 0; i < bytes; ++i) d[i] = static_cast<std::uint8_t>(MulDiv255(d[i], keep) + add[i % Period]);
  }
}

void SolidBGRA(const RowOperation& op, const RowOpArgs& args) {
  if (!SolidNeedsBlend(op, args)) return;
  const SolidColour c(SolidOf(op).Color());
  const std::uint8_t* divide = GetDivideBy255Table();
  const std::uint32_t* reciprocal = GetReciprocalTable();
  const std::int32_t colour[3] = {static_cast<std::int32_t>(c.blue), static_cast<std::int32_t>(c.green),
                                  static_cast<std::int32_t>(c.red)};
  auto* d = static_cast<std::uint8_t*>(args.dst.row);
  for (int i = 0; i < args.dst.count; ++i, d += 4) {
    const std::uint32_t da = d[3];
    const std::uint32_t na = da + divide[(255 - da) * c.alpha];
    const auto w = static_cast<std::int32_t>(reciprocal[c.alpha * 256 + na]);
    for (int k = 0; k < 3; ++k) {
      const std::int32_t difference = colour[k] - d[k];
      d[k] = static_cast<std::uint8_t>(d[k] + ((difference * w + 32768) >> 16));
    }
    d[3] = static_cast<std::uint8_t>(na);
  }
}

void SolidGrey(const RowOperation& op, const RowOpArgs& args) {
  if (!SolidNeedsBlend(op, args)) return;
  const SolidColour c(SolidOf(op).Color());
  const std::uint32_t add = MulDiv255(c.Grey(), c.alpha);
  auto* d = static_cast<std::uint8_t*>(args.dst.row);
  for (int i = 0; i < args.dst.count; ++i)
    d[i] = static_cast<std::uint8_t>(add + MulDiv255(d[i], 255 - c.alpha));
}

// Composited premultiplied, then back to straight grey.
void SolidGreyA(const RowOperation& op, const RowOpArgs& args) {
  if (!SolidNeedsBlend(op, args)) return;
  const SolidColour c(SolidOf(op).Color());
  const std::uint32_t add = MulDiv255(c.Grey(), c.alpha);
  auto* row = static_cast<std::uint8_t*>(args.dst.row);
  std::uint8_t* d = row;
  for (int i = 0; i < args.dst.count; ++i, d += 2) {
    const std::uint32_t da = d[1];
    d[0] = static_cast<std::uint8_t>(add + MulDiv255(MulDiv255(d[0], da), 255 - c.alpha));
    d[1] = static_cast<std::uint8_t>(da + c.alpha - MulDiv255(da, c.alpha));
  }
  UnpremultiplyGreyARowInPlace(args.dst.count, row);
}

void SolidIndex8(const RowOperation& op, const RowOpArgs& args) {
  if (!SolidNeedsBlend(op, args)) return;
  const SolidColour c(SolidOf(op).Color());
  const auto* palette = args.dst.palette;
  if (!palette) return;
  auto* d = static_cast<std::uint8_t*>(args.dst.row);
  int lastIn = -1, lastOut = 0;
  for (int i = 0; i < args.dst.count; ++i) {
    if (d[i] != lastIn) {
      lastIn = d[i];
      lastOut = lastIn;
      if (lastIn < args.dst.paletteSize) {
        const std::uint8_t* p = palette + 4 * lastIn;
        const std::uint32_t keep = 255 - c.alpha;
        const int blue = static_cast<int>(Div255Exact(p[0] * keep + c.blue * c.alpha));
        const int green = static_cast<int>(Div255Exact(p[1] * keep + c.green * c.alpha));
        const int red = static_cast<int>(Div255Exact(p[2] * keep + c.red * c.alpha));
        const int index = RgbToPaletteIndex(red, green, blue, palette, args.dst.paletteSize);
        if (index >= 0) lastOut = index;
      }
    }
    d[i] = static_cast<std::uint8_t>(lastOut);
  }
}

const RowOpKernelRecord kSolidTable[] = {
    Plain(kGrey, keFormatNone, SolidGrey),
    Plain(kGreyA, keFormatNone, SolidGreyA),
    Plain(kIndex8, keFormatNone, SolidIndex8),
    Plain(kBGR, keFormatNone, SolidScaleAndAdd<3, false>),
    Plain(kBGRA, keFormatNone, SolidBGRA),
    Plain(kBGRxA, keFormatNone, SolidScaleAndAdd<4, false>),
    Mmx(kBGRxA, keFormatNone, SolidScaleAndAdd<4, true>),
    Mmx(kBGR, keFormatNone, SolidScaleAndAdd<3, true>),
    kEnd,
};

}  // namespace

const RowOpKernelRecord* GetBlendSolidKernelTable() { return kSolidTable; }

RowOpKernel RowBlendSolidOp::ChooseKernel(keFormat dst, keFormat src, int variantMode, int flag) const {
  if (dst == keFormatBGRA && (!GetDivideBy255Table() || !GetReciprocalTable())) return nullptr;
  return TableRowOperation::ChooseKernel(dst, src, variantMode, flag);
}

}  // namespace corvel
