#include "core/CopyRect.h"

#include <cstring>

#include "core/detail/CopyRectRows.h"

namespace corvel {
namespace {

using detail::RowOf;
using Byte = std::uint8_t;

bool Aligned16(const void* pointer) { return (reinterpret_cast<std::uintptr_t>(pointer) & 15) == 0; }

}  // namespace

std::size_t CopyRectPlain(const CopyRectArgs& a) {
  const std::size_t words = a.bytesPerRow / 4 * 4;
  for (std::size_t row = 0; row < a.rows; ++row) {
    Byte* d = RowOf(a.destination, a.destinationStride, row);
    const Byte* s = RowOf(a.source, a.sourceStride, row);
    for (std::size_t i = 0; i < words; i += 4) std::memcpy(d + i, s + i, 4);
    for (std::size_t i = words; i < a.bytesPerRow; ++i) d[i] = s[i];
  }
  return a.bytesPerRow * a.rows;
}

CopyRectKernel ChooseCopyRectKernel(const CopyRectArgs& a, std::size_t imageBytes) {
  const CpuFeatures& features = GetCpuFeatures();
  if (a.bytesPerRow < 16) return CopyRectPlain;
  if (features.sse) {
    const bool stream = imageBytes >= kStreamThreshold;
    const bool aligned = a.bytesPerRow % 16 == 0 && Aligned16(a.destination) && Aligned16(a.source) &&
                         a.destinationStride % 16 == 0 && a.sourceStride % 16 == 0;
    if (aligned) return stream ? CopyRectSSEAlignedStream : CopyRectSSEAligned;
    return stream ? CopyRectSSEUnalignedStream : CopyRectSSEUnaligned;
  }
  return features.mmx ? CopyRectMMX : CopyRectPlain;
}

}  // namespace corvel
