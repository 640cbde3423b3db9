#include "rowops/ChannelOps.h"

#include <cstring>

#include "rowops/CoreTables.h"
#include "rowops/PixelHelpers.h"
#include "rowops/detail/KernelRecords.h"

namespace corvel {
namespace {

struct ChannelPlace {
  int step;      // channels per pixel as stored
  int position;  // of the channel within a pixel
  bool missing;  // alpha asked of a colour format without it
};

ChannelPlace PlaceOf(keFormat format, std::int32_t channel, int channelBits) {
  const CPixelFormat f(format);
  ChannelPlace place{f.GetBitsPerPixel() / channelBits, f.GetChannelRole(channel), false};
  // A grey row is its own channel, whichever is asked.
  place.missing = channel == keRoleAlpha && !f.HasAlpha() && place.step > 1;
  return place;
}

template <bool Wide>
void GetChannel(const RowOperation& op, const RowOpArgs& args) {
  const auto& get = static_cast<const ChannelGetOp&>(op);
  const int n = args.dst.count;
  if (n <= 0) return;
  const ChannelPlace place = PlaceOf(args.src.format, get.Channel(), Wide ? 16 : 8);
  const auto* src = static_cast<const std::uint8_t*>(args.src.row);
  auto* dst = static_cast<std::uint8_t*>(args.dst.row);
  if (place.missing) {
    std::memset(dst, 0xFF, static_cast<std::size_t>(n) * (Wide ? 2 : 1));
  } else if (Wide) {
    CopyStrided16(dst, 1, src + 2 * place.position, place.step, n);
  } else if (args.src.format == keFormatBGRxA && !get.Raw() && get.Channel() != keRoleAlpha) {
    const std::uint8_t* unpremultiply = BuildDivideTable();
    for (int i = 0; i < n; ++i) dst[i] = unpremultiply[src[4 * i + 3] * 256 + src[4 * i + place.position]];
  } else {
    CopyStrided8(dst, 1, src + place.position, place.step, n);
  }
}

template <bool Wide>
void SetChannel(const RowOperation& op, const RowOpArgs& args) {
  const auto& set = static_cast<const ChannelSetOp&>(op);
  const int n = args.dst.count;
  if (n <= 0) return;
  const ChannelPlace place = PlaceOf(args.dst.format, set.Channel(), Wide ? 16 : 8);
  if (place.missing) return;
  const auto* src = static_cast<const std::uint8_t*>(args.src.row);
  auto* dst = static_cast<std::uint8_t*>(args.dst.row);
  if (Wide) {
    CopyStrided16(dst + 2 * place.position, place.step, src, 1, n);
  } else if (args.dst.format == keFormatBGRxA && !set.Raw() && set.Channel() != keRoleAlpha) {
    UnpremultiplyRowInPlace(n, dst);
    CopyStrided8(dst + place.position, 4, src, 1, n);
    PremultiplyRowInPlace(n, dst);
  } else {
    CopyStrided8(dst + place.position, place.step, src, 1, n);
  }
}

using detail::kEnd;
using detail::Plain;

constexpr RowOpKernelRecord kChannelGetTable[] = {
    Plain(keFormatGrey, keFormatGrey, GetChannel<false>),
    Plain(keFormatGrey, keFormatGreyA, GetChannel<false>),
    Plain(keFormatGrey, keFormatIndex8A, GetChannel<false>),
    Plain(keFormatGrey, keFormatBGR, GetChannel<false>),
    Plain(keFormatGrey, keFormatBGRA, GetChannel<false>),
    Plain(keFormatGrey, keFormatBGRxA, GetChannel<false>),
    Plain(keFormatGrey_u16, keFormatGrey_u16, GetChannel<true>),
    Plain(keFormatGrey_u16, keFormatGreyA_u16, GetChannel<true>),
    Plain(keFormatGrey_u16, keFormatBGR_u16, GetChannel<true>),
    Plain(keFormatGrey_u16, keFormatBGRA_u16, GetChannel<true>),
    kEnd,
};

constexpr RowOpKernelRecord kChannelSetTable[] = {
    Plain(keFormatGrey, keFormatGrey, SetChannel<false>),
    Plain(keFormatGreyA, keFormatGrey, SetChannel<false>),
    Plain(keFormatIndex8A, keFormatGrey, SetChannel<false>),
    Plain(keFormatBGR, keFormatGrey, SetChannel<false>),
    Plain(keFormatBGRA, keFormatGrey, SetChannel<false>),
    Plain(keFormatBGRxA, keFormatGrey, SetChannel<false>),
    Plain(keFormatGrey_u16, keFormatGrey_u16, SetChannel<true>),
    Plain(keFormatGreyA_u16, keFormatGrey_u16, SetChannel<true>),
    Plain(keFormatBGR_u16, keFormatGrey_u16, SetChannel<true>),
    Plain(keFormatBGRA_u16, keFormatGrey_u16, SetChannel<true>),
    kEnd,
};

}  // namespace

const RowOpKernelRecord* ChannelGetOp::KernelTable() { return kChannelGetTable; }
const RowOpKernelRecord* ChannelSetOp::KernelTable() { return kChannelSetTable; }

}  // namespace corvel
