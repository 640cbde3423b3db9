#include "rowops/RowBlendWvkOp.h"

#include <algorithm>
#include <new>

#include "rowops/CoreTables.h"
#include "rowops/RowBlendOp.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowOpContext.h"
#include "rowops/detail/BlendMath.h"
#include "rowops/detail/KernelRecords.h"
#include "rowops/detail/PixelAccess.h"

namespace corvel {

using detail::BGR16;
using detail::BGR8;
using detail::BGRA16;
using detail::BGRA8;
using detail::ChangeDepth;
using detail::CompositeWeight;
using detail::Div65535;
using detail::Grey16;
using detail::Grey8;
using detail::GreyA16;
using detail::GreyA8;
using detail::Mix;

namespace {

// The coverage the blend-range tables give a pixel, scaling a (in the destination's depth), as
// the kernels of this operation weigh it: exact rounding, the core's grey, high bytes of
// 16-bit values as indices.
template <class D, class S>
std::uint32_t WeighByTables(const BlendRangeTables& t, const std::uint8_t* d, const std::uint8_t* s,
                            std::uint32_t sa, std::uint32_t da, std::uint32_t a) {
  auto byte = [](auto format, const std::uint8_t* p, int c) {
    using F = decltype(format);
    return F::kWide ? F::Get(p, c) >> 8 : F::Get(p, c);
  };
  std::uint32_t c = 255;
  if constexpr (D::kGrey) {
    if (sa != 0) c = Div255Exact(t.source[BlendRangeTables::kRed][byte(S{}, s, 0)] * 255u);
    if (da != 0) c = Div255Exact(t.destination[BlendRangeTables::kRed][byte(D{}, d, 0)] * c);
  } else {
    auto grey = [&](auto format, const std::uint8_t* p) {
      return detail::GreyOf(byte(format, p, 2), byte(format, p, 1), byte(format, p, 0));
    };
    if (sa != 0 && t.sourceFlags[0] == 0) c = t.source[BlendRangeTables::kGrey][grey(S{}, s)];
    if (da != 0 && t.destinationFlags[0] == 0)
      c = Div255Exact(t.destination[BlendRangeTables::kGrey][grey(D{}, d)] * c);
    for (int k = 0; k < 3 && sa != 0; ++k)
      c = Div255Exact(t.source[BlendRangeTables::kRed + k][byte(S{}, s, 2 - k)] * c);
    for (int k = 0; k < 3 && da != 0; ++k)
      c = Div255Exact(t.destination[BlendRangeTables::kRed + k][byte(D{}, d, 2 - k)] * c);
  }
  return D::kWide ? static_cast<std::uint32_t>((std::uint64_t{a} * c + 127) / 255) : Div255Exact(a * c);
}

// ---- Normal (mode 0) ------------------------------------------------------------------------

// The source over the destination at the operation's opacity. Three loops: with tables, the
// fast one at opacity 255 writing alpha, and the general one.
template <class D, class S, bool Tables, bool Fast>
void NormalLoop(const RowBlendWvkOp& op, const RowOpArgs& args) {
  constexpr int kColours = D::kGrey ? 1 : 3;
  constexpr std::uint32_t kMax = D::kMax;
  const std::uint32_t opacity = op.Opacity();
  const bool keep = op.KeepDestinationAlpha();
  auto* d = static_cast<std::uint8_t*>(args.dst.row);
  const auto* s = static_cast<const std::uint8_t*>(args.src.row);
  for (int i = 0; i < args.dst.count; ++i, d += D::kBytes, s += S::kBytes) {
    const std::uint32_t sa = ChangeDepth<S, D>(S::Get(s, S::kChannels - 1));
    const std::uint32_t da = D::kAlpha ? D::Get(d, D::kChannels - 1) : kMax;
    std::uint32_t a;
    if constexpr (Fast)
      a = sa;
    else
      a = D::kWide ? static_cast<std::uint32_t>((std::uint64_t{sa} * opacity + 127) / 255)
                   : Div255Exact(sa * opacity);
    if constexpr (Tables) a = WeighByTables<D, S>(*op.Tables(), d, s, sa, da, a);
    if (a == 0) continue;
    const std::uint32_t ra = D::kWide ? da - Div65535(std::uint64_t{da} * a) + a
                                      : da - Div255Exact(da * a) + a;
    const std::uint32_t w = CompositeWeight(a, ra);
    for (int c = 0; c < kColours; ++c) D::Put(d, c, Mix(D::Get(d, c), ChangeDepth<S, D>(S::Get(s, c)), w));
    if (D::kAlpha && !keep) D::Put(d, D::kChannels - 1, ra);
  }
}

template <class D, class S>
void NormalKernel(const RowOperation& base, const RowOpArgs& args) {
  const RowBlendWvkOp& op = WvkOf(base);
  if (op.HasTables())
    NormalLoop<D, S, true, false>(op, args);
  else if (op.Opacity() == 255 && !op.KeepDestinationAlpha())
    NormalLoop<D, S, false, true>(op, args);
  else
    NormalLoop<D, S, false, false>(op, args);
}

// Opaque destinations at an opacity: 8-bit a = r(sa o) with weight a x 257 + 1; 16-bit the
// source alpha (scaled by the opacity) plus 1, where full alpha copies.
template <class D, class S, bool Scaled>
void OpacityKernel(const RowOperation& base, const RowOpArgs& args) {
  constexpr int kColours = D::kGrey ? 1 : 3;
  const std::uint32_t opacity = WvkOf(base).Opacity();
  auto* d = static_cast<std::uint8_t*>(args.dst.row);
  const auto* s = static_cast<const std::uint8_t*>(args.src.row);
  for (int i = 0; i < args.dst.count; ++i, d += D::kBytes, s += S::kBytes) {
    std::uint32_t a = S::Get(s, S::kChannels - 1);
    if (Scaled) a = Div255Exact(a * opacity);
    if (a == 0) continue;
    const std::uint32_t w = D::kWide ? (a == 65535 ? 65536 : a + 1) : a * 257 + 1;
    for (int c = 0; c < kColours; ++c) D::Put(d, c, Mix(D::Get(d, c), S::Get(s, c), w));
  }
}

constexpr keFormat kGrey = keFormatGrey, kGreyA = keFormatGreyA, kBGR = keFormatBGR, kBGRA = keFormatBGRA,
                   kGrey16 = keFormatGrey_u16, kGreyA16 = keFormatGreyA_u16, kBGR16 = keFormatBGR_u16,
                   kBGRA16 = keFormatBGRA_u16;

using detail::kEnd;
using detail::Plain;

const RowOpKernelRecord kNormalTable[] = {
    Plain(kGreyA, kGreyA, NormalKernel<GreyA8, GreyA8>),
    Plain(kGreyA16, kGreyA16, NormalKernel<GreyA16, GreyA16>),
    Plain(kBGR, kBGR, CopyKernel),
    Plain(kBGR, kBGRA, NormalKernel<BGR8, BGRA8>),
    Plain(kBGR, kBGRA16, NormalKernel<BGR8, BGRA16>),
    Plain(kBGRA, kBGRA, NormalKernel<BGRA8, BGRA8>),
    Plain(kBGR16, kBGR16, CopyKernel),
    Plain(kBGR16, kBGRA16, NormalKernel<BGR16, BGRA16>),
    Plain(kBGRA16, kBGRA, NormalKernel<BGRA16, BGRA8>),
    Plain(kBGRA16, kBGRA16, NormalKernel<BGRA16, BGRA16>),
    kEnd,
};

// ---- 16-bit sources in the separable modes ----------------------------------------------------

std::uint32_t BlendValue16(int mode, std::uint32_t d, std::uint32_t s) {
  switch (mode) {
    case keWvkDarken:
      return std::min(d, s);
    case keWvkLighten:
      return std::max(d, s);
    case keWvkMultiply:
      return Div65535(std::uint64_t{s} * d);
    case keWvkScreen:
      return 65535 - Div65535(std::uint64_t{65535 - s} * (65535 - d));
    case keWvkOverlay:
      return d < 32768 ? static_cast<std::uint32_t>((std::uint64_t{d} * s) >> 15)
                       : 65535 - static_cast<std::uint32_t>((std::uint64_t{65535 - d} * (65535 - s)) >> 15);
    case keWvkHardLight:
      return s < 32768 ? static_cast<std::uint32_t>((std::uint64_t{d} * s) >> 15)
                       : 65535 - static_cast<std::uint32_t>((std::uint64_t{65535 - d} * (65535 - s)) >> 15);
    default:
      return Div65535(std::uint64_t{65535 - s} * d + std::uint64_t{65535 - d} * s);  // exclusion
  }
}

std::uint32_t SoftLight16(std::uint32_t d, std::uint32_t s, std::uint32_t da, std::uint32_t w) {
  const std::uint32_t dh = d >> 8, sh = s >> 8, ah = da >> 8;
  const auto y = static_cast<std::uint32_t>(
      (static_cast<std::int32_t>(dh) - 128) * static_cast<std::int32_t>(ah) + 32768);
  const std::uint32_t e = (y + (y >> 8)) >> 8;
  const std::uint32_t x = sh <= 128 ? Div255Exact((255 - 2 * sh) * Div255Exact(e * e) + 2 * sh * e)
                                    : Div255Exact(2 * (GetSqrtTable()[e] * (sh - 128) + (255 - sh) * e));
  return Mix(dh, std::min(x, 255u), w) * 257;
}

std::uint32_t Dodge16(std::uint32_t d, std::uint32_t s, std::uint32_t a, std::uint32_t k) {
  const std::uint32_t sp = Div65535(std::uint64_t{s} * a);
  const std::uint64_t dk = std::uint64_t{d} * k * 257;
  if (dk == 0) return 0;
  if (sp >= 65535) return 65535;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(65535, dk / (65535 - sp)));
}

std::uint32_t Burn16(std::uint32_t d, std::uint32_t s, std::uint32_t a, std::uint32_t k) {
  const std::uint32_t sp = Div65535(std::uint64_t{65535 - s} * a);
  const std::uint64_t dk = std::uint64_t{65535 - d} * k * 257;
  if (dk == 0) return 65535;
  if (sp >= 65535) return 0;
  const std::uint64_t q = dk / (65535 - sp);
  return q < 65536 ? static_cast<std::uint32_t>(65535 - q) : 0;
}

template <int Mode, class D, class S>
void Mode16Kernel(const RowOperation& base, const RowOpArgs& args) {
  constexpr int kColours = D::kGrey ? 1 : 3;
  const RowBlendWvkOp& op = WvkOf(base);
  const std::uint32_t ow = op.Opacity() * 257 + 1;
  const bool keep = op.KeepDestinationAlpha();
  auto* d = static_cast<std::uint8_t*>(args.dst.row);
  const auto* s = static_cast<const std::uint8_t*>(args.src.row);
  for (int i = 0; i < args.dst.count; ++i, d += D::kBytes, s += S::kBytes) {
    const std::uint32_t sa = S::Get(s, S::kChannels - 1);
    const std::uint32_t da = D::kAlpha ? D::Get(d, D::kChannels - 1) : 65535;
    std::uint32_t a = static_cast<std::uint32_t>((std::uint64_t{sa} * ow) >> 16);
    if (op.HasTables()) a = WeighByTables<D, S>(*op.Tables(), d, s, sa, da, a);
    if (a == 0) continue;
    const std::uint32_t ra = da - Div65535(std::uint64_t{da} * a) + a;
    const std::uint32_t w = CompositeWeight(a, ra);
    const std::uint32_t k = da * 255 / ra;
    for (int c = 0; c < kColours; ++c) {
      const std::uint32_t dv = D::Get(d, c), sv = S::Get(s, c);
      std::uint32_t out;
      if (da == 0) {
        out = Mix(dv, sv, w);  // the source shows where the destination is transparent
      } else if constexpr (Mode == keWvkSoftLight) {
        out = SoftLight16(dv, sv, da, w);
      } else if constexpr (Mode == keWvkColorDodge) {
        out = Dodge16(dv, sv, a, k);
      } else if constexpr (Mode == keWvkColorBurn) {
        out = Burn16(dv, sv, a, k);
      } else {
        std::uint32_t m;
        if constexpr (Mode == keWvkDifference) {
          const auto scaled = static_cast<std::uint32_t>((std::uint64_t{sv} * ow) >> 16);
          m = dv > scaled ? dv - scaled : scaled - dv;
        } else {
          m = Mix(dv, BlendValue16(Mode, dv, sv), ow);
        }
        out = Mix(Mix(dv, m, sa + 1), Mix(sv, m, da + 1), w);
      }
      D::Put(d, c, out);
    }
    if (D::kAlpha && !keep) D::Put(d, D::kChannels - 1, ra);
  }
}

template <int Mode>
constexpr RowOpKernelRecord kMode16Table[] = {
    Plain(kBGR16, kBGRA16, Mode16Kernel<Mode, BGR16, BGRA16>),
    Plain(kBGRA16, kBGRA16, Mode16Kernel<Mode, BGRA16, BGRA16>),
    Plain(kGrey16, kGreyA16, Mode16Kernel<Mode, Grey16, GreyA16>),
    Plain(kGreyA16, kGreyA16, Mode16Kernel<Mode, GreyA16, GreyA16>),
    kEnd,
};

const RowOpKernelRecord* Mode16Table(std::int32_t mode) {
  switch (mode) {
    case keWvkDarken:
      return kMode16Table<keWvkDarken>;
    case keWvkLighten:
      return kMode16Table<keWvkLighten>;
    case keWvkMultiply:
      return kMode16Table<keWvkMultiply>;
    case keWvkScreen:
      return kMode16Table<keWvkScreen>;
    case keWvkOverlay:
      return kMode16Table<keWvkOverlay>;
    case keWvkHardLight:
      return kMode16Table<keWvkHardLight>;
    case keWvkSoftLight:
      return kMode16Table<keWvkSoftLight>;
    case keWvkDifference:
      return kMode16Table<keWvkDifference>;
    case keWvkColorDodge:
      return kMode16Table<keWvkColorDodge>;
    case keWvkColorBurn:
      return kMode16Table<keWvkColorBurn>;
    case keWvkExclusion:
      return kMode16Table<keWvkExclusion>;
    default:
      return nullptr;
  }
}

bool SharedTablesExist() {
  return GetDivideBy255Table() && GetReciprocalTable() && GetSqrtTable() && GetRandomTable();
}

}  // namespace

std::unique_ptr<RowOperation> RowBlendWvkOp::Clone() const {
  return std::unique_ptr<RowOperation>(new (std::nothrow) RowBlendWvkOp(*this));
}

RowOpKernel ChooseNormalBlendKernel(const RowBlendWvkOp& op, const RowOpArgs& args) {
  const keFormat dst = args.dst.format, src = args.src.format;
  if (!op.HasTables()) {
    const bool full = op.Opacity() == 255;
    if (dst == keFormatIndex8 && src == kBGRA) return BlendNormalIndex8FromBgra;
    if (dst == kBGR && src == kBGRA) return full ? BlendNormalBgrFromBgra : OpacityKernel<BGR8, BGRA8, true>;
    if (dst == kGrey && src == kGreyA)
      return full ? BlendNormalGreyFromGreyA : OpacityKernel<Grey8, GreyA8, true>;
    if (dst == kBGR16 && src == kBGRA16)
      return full ? OpacityKernel<BGR16, BGRA16, false> : OpacityKernel<BGR16, BGRA16, true>;
    if (dst == kGrey16 && src == kGreyA16)
      return full ? OpacityKernel<Grey16, GreyA16, false> : OpacityKernel<Grey16, GreyA16, true>;
  }
  return FindRowOpKernel(kNormalTable, dst, src, 2);
}

RowOpKernel RowBlendWvkOp::Bind(RowOpContext& context, const RowOpArgs& args, int variantMode, int flag) {
  const keFormat dst = args.dst.format, src = args.src.format;
  channelFunction_ = GetBlendChannelFunction(mode_);
  RowOpKernel kernel = nullptr;
  const bool special = mode_ == keWvkLightenMask || mode_ == keWvkDarkenMask || mode_ == keWvkBehind ||
                       mode_ == keWvkSubtract || mode_ == keWvkAdd;
  if (special) {
    if (SharedTablesExist()) {
      switch (mode_) {
        case keWvkLightenMask:
          kernel = ChooseLightenMaskKernel(dst, src, specialFlag_);
          break;
        case keWvkDarkenMask:
          kernel = ChooseDarkenMaskKernel(dst, src, specialFlag_);
          break;
        case keWvkBehind:
          kernel = ChooseBehindKernel(dst, src);
          break;
        case keWvkSubtract:
          kernel = ChooseSubtractKernel(dst, src);
          break;
        default:
          kernel = ChooseAddKernel(dst, src);
          break;
      }
    }
  } else if (CPixelFormat(src).Is16Bit() && Mode16Table(mode_)) {
    channelFunction_ = BlendChannelFunction();
    if (SharedTablesExist()) kernel = FindRowOpKernel(Mode16Table(mode_), dst, src, 2);
  } else if (mode_ != keWvkNormal) {
    kernel = ChooseKernel(dst, src, variantMode, flag);
  } else {
    channelFunction_ = BlendChannelFunction();
    kernel = ChooseNormalBlendKernel(*this, args);
  }
  if (!kernel) kernel = EmptyFunction;
  context.SetBinding(this, kernel);
  return kernel;
}

void RowBlendWvkOp::Unbind(RowOpContext& context) {
  RowOperation::Unbind(context);
  channelFunction_ = BlendChannelFunction();
}

RowOpKernel RowBlendWvkOp::ChooseKernel(keFormat dst, keFormat src, int variantMode, int) const {
  if (mode_ == keWvkNormal && !CPixelFormat(src).HasAlpha()) return FindRowCopyKernel(dst, src);
  RowOpKernel loop = CanUseGenericBlendLoop(dst, src, variantMode) ? ChooseGenericBlendLoop(*this, dst)
                                                                   : nullptr;
  return loop ? loop : EmptyFunction;
}

}  // namespace corvel
