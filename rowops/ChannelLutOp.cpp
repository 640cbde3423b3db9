#include "rowops/ChannelLutOp.h"

#include "rowops/detail/KernelRecords.h"

namespace corvel {
namespace {

const ChannelLutOp& LutOf(const RowOperation& op) { return static_cast<const ChannelLutOp&>(op); }

void LookUpGreyInPlace(const RowOperation& op, const RowOpArgs& args) {
  const std::uint8_t* table = LutOf(op).Table();
  if (table == nullptr) return;
  auto* row = static_cast<std::uint8_t*>(args.dst.row);
  for (int i = 0; i < args.dst.count; ++i) row[i] = table[row[i]];
}

void LookUpGrey(const RowOperation& op, const RowOpArgs& args) {
  const std::uint8_t* table = LutOf(op).Table();
  if (table == nullptr) return;
  const auto* src = static_cast<const std::uint8_t*>(args.src.row);
  auto* dst = static_cast<std::uint8_t*>(args.dst.row);
  for (int i = 0; i < args.dst.count; ++i) dst[i] = table[src[i]];
}

// The chosen channel of each pixel; the other channels of the destination are left as they are.
template <int Step>
void LookUpChannel(const RowOperation& op, const RowOpArgs& args) {
  const ChannelLutOp& lut = LutOf(op);
  if (lut.Table() == nullptr) return;
  const int position = CPixelFormat(args.dst.format).GetChannelRole(lut.Channel());
  const auto* src = static_cast<const std::uint8_t*>(args.src.row) + position;
  auto* dst = static_cast<std::uint8_t*>(args.dst.row) + position;
  for (int i = 0; i < args.dst.count; ++i) dst[i * Step] = lut.Table()[src[i * Step]];
}

// The same, four pixels a step.
template <int Step>
void LookUpChannelUnrolled(const RowOperation& op, const RowOpArgs& args) {
  const ChannelLutOp& lut = LutOf(op);
  const std::uint8_t* table = lut.Table();
  if (table == nullptr) return;
  const int position = CPixelFormat(args.dst.format).GetChannelRole(lut.Channel());
  const auto* src = static_cast<const std::uint8_t*>(args.src.row) + position;
  auto* dst = static_cast<std::uint8_t*>(args.dst.row) + position;
  const int n = args.dst.count;
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const std::uint8_t v0 = table[src[i * Step]], v1 = table[src[(i + 1) * Step]];
    const std::uint8_t v2 = table[src[(i + 2) * Step]], v3 = table[src[(i + 3) * Step]];
    dst[i * Step] = v0;
    dst[(i + 1) * Step] = v1;
    dst[(i + 2) * Step] = v2;
    dst[(i + 3) * Step] = v3;
  }
  for (; i < n; ++i) dst[i * Step] = table[src[i * Step]];
}

using detail::kEnd;
using detail::Mmx;
using detail::Plain;

constexpr RowOpKernelRecord kChannelLutTable[] = {
    Plain(keFormatGrey, keFormatNone, LookUpGreyInPlace),
    Plain(keFormatGrey, keFormatGrey, LookUpGrey),
    Plain(keFormatBGR, keFormatBGR, LookUpChannel<3>),
    Plain(keFormatBGRA, keFormatBGRA, LookUpChannel<4>),
    Plain(keFormatBGRxA, keFormatBGRxA, LookUpChannel<4>),
    Mmx(keFormatBGR, keFormatBGR, LookUpChannelUnrolled<3>),
    Mmx(keFormatBGRA, keFormatBGRA, LookUpChannelUnrolled<4>),
    kEnd,
};

}  // namespace

const RowOpKernelRecord* ChannelLutOp::KernelTable() { return kChannelLutTable; }

}  // namespace corvel
