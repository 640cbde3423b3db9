#include "rowops/RowMaskOp.h"

#include "rowops/PixelHelpers.h"

namespace corvel {
namespace {

struct MaskedChannel {
  int step;      // bytes per pixel
  int position;  // byte offset of the channel
  bool wide;
  bool usable;
};

MaskedChannel ChannelOf(keFormat format) {
  const CPixelFormat f(format);
  const bool usable = f.Is8Bit() || f.Is16Bit();
  const int channelBytes = f.Is16Bit() ? 2 : 1;
  const int position = f.HasAlpha() ? f.GetChannelRole(keRoleAlpha) : 0;
  return {f.GetBitsPerPixel() / 8, position * channelBytes, f.Is16Bit(), usable};
}

template <bool WideDst, bool WideMask>
void MaskLoop(const RowMaskOp& op, std::uint8_t* d, const MaskedChannel& dc, const std::uint8_t* m,
              const MaskedChannel& mc, int count) {
  constexpr std::uint32_t kMaskMax = WideMask ? 65535 : 255;
  const std::uint32_t opacity = op.Opacity() > 255 ? 255 : op.Opacity();
  d += dc.position;
  m += mc.position;
  for (int i = 0; i < count; ++i, d += dc.step, m += mc.step) {
    std::uint32_t mask = WideMask ? Load16(m) : *m;
    if (op.Invert()) mask = kMaskMax - mask;
    if (opacity < 255) mask = MulDiv255(mask, opacity);
    const std::uint32_t value = WideDst ? Load16(d) : *d;
    const std::uint32_t scaled = WideMask ? MulDiv65535(value, mask) : MulDiv255(value, mask);
    if (WideDst)
      Store16(d, scaled);
    else
      *d = static_cast<std::uint8_t>(scaled);
  }
}

void MaskRow(const RowOperation& op, const RowOpArgs& args) {
  const auto& mask = static_cast<const RowMaskOp&>(op);
  const MaskedChannel dc = ChannelOf(args.dst.format), mc = ChannelOf(args.src.format);
  if (!dc.usable || !mc.usable || args.dst.count <= 0) return;
  auto* d = static_cast<std::uint8_t*>(args.dst.row);
  const auto* m = static_cast<const std::uint8_t*>(args.src.row);
  const int n = args.dst.count;
  if (dc.wide) {
    if (mc.wide)
      MaskLoop<true, true>(mask, d, dc, m, mc, n);
    else
      MaskLoop<true, false>(mask, d, dc, m, mc, n);
  } else {
    if (mc.wide)
      MaskLoop<false, true>(mask, d, dc, m, mc, n);
    else
      MaskLoop<false, false>(mask, d, dc, m, mc, n);
  }
}

}  // namespace

RowOpKernel RowMaskOp::ChooseKernel(keFormat, keFormat, int, int) const { return MaskRow; }

}  // namespace corvel
