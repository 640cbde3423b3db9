#include "rowops/RowCopyIndexedOp.h"

#include <cstring>

namespace corvel {
namespace {

const std::int32_t* IndicesOf(const RowOperation& op) {
  return static_cast<const RowCopyIndexedOp&>(op).Indices();
}

template <int Bytes>
void GatherPixels(const RowOperation& op, const RowOpArgs& args) {
  const std::int32_t* indices = IndicesOf(op);
  if (indices == nullptr) return;
  const auto* src = static_cast<const std::uint8_t*>(args.src.row);
  auto* dst = static_cast<std::uint8_t*>(args.dst.row);
  for (int i = 0; i < args.dst.count; ++i) {
    std::memcpy(dst + static_cast<std::size_t>(i) * Bytes,
                src + static_cast<std::size_t>(static_cast<std::uint32_t>(indices[i])) * Bytes, Bytes);
  }
}

void GatherBits(const RowOperation& op, const RowOpArgs& args) {
  const std::int32_t* indices = IndicesOf(op);
  if (indices == nullptr) return;
  const auto* src = static_cast<const std::uint8_t*>(args.src.row);
  auto* dst = static_cast<std::uint8_t*>(args.dst.row);
  const int first = (args.dst.x % 8 + 8) % 8;
  for (int i = 0; i < args.dst.count; ++i) {
    const std::uint32_t n = static_cast<std::uint32_t>(indices[i]);
    const int bit = (src[n / 8] >> (7 - n % 8)) & 1;
    const int p = first + i;
    const std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (p & 7));
    dst[p >> 3] = static_cast<std::uint8_t>(bit ? dst[p >> 3] | mask : dst[p >> 3] & ~mask);
  }
}

void GatherNibbles(const RowOperation& op, const RowOpArgs& args) {
  const std::int32_t* indices = IndicesOf(op);
  if (indices == nullptr) return;
  const auto* src = static_cast<const std::uint8_t*>(args.src.row);
  auto* dst = static_cast<std::uint8_t*>(args.dst.row);
  const int first = (args.dst.x % 2 + 2) % 2;
  for (int i = 0; i < args.dst.count; ++i) {
    const std::uint32_t n = static_cast<std::uint32_t>(indices[i]);
    const std::uint8_t nibble = static_cast<std::uint8_t>(n % 2 ? src[n / 2] & 0x0F : src[n / 2] >> 4);
    const int p = first + i;
    std::uint8_t& byte = dst[p >> 1];
    byte = static_cast<std::uint8_t>(p & 1 ? (byte & 0xF0) | nibble : (byte & 0x0F) | (nibble << 4));
  }
}

constexpr RowOpKernelRecord Same(keFormat format, RowOpKernel kernel) {
  return {format, format, keVariantPlain, kernel};
}

constexpr RowOpKernelRecord kRowCopyIndexedTable[] = {
    Same(keFormatIndex1, GatherBits),         Same(keFormatIndex4, GatherNibbles),
    Same(keFormatIndex8, GatherPixels<1>),    Same(keFormatIndex8A, GatherPixels<2>),
    Same(keFormatGrey, GatherPixels<1>),      Same(keFormatGreyA, GatherPixels<2>),
    Same(keFormatBGR, GatherPixels<3>),       Same(keFormatBGRA, GatherPixels<4>),
    Same(keFormatBGRxA, GatherPixels<4>),     Same(keFormatGrey_u16, GatherPixels<2>),
    Same(keFormatGreyA_u16, GatherPixels<4>), Same(keFormatBGR_u16, GatherPixels<6>),
    Same(keFormatBGRA_u16, GatherPixels<8>),  Same(keFormatBGRxA_u16, GatherPixels<8>),
    Same(keFormatGrey_f32, GatherPixels<4>),  {keFormatNone, keFormatNone, 0, nullptr},
};

}  // namespace

const RowOpKernelRecord* RowCopyIndexedOp::KernelTable() { return kRowCopyIndexedTable; }

}  // namespace corvel
