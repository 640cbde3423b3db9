#include "core/CopyRect.h"

#include <mmintrin.h>

#include <cstring>

#include "core/detail/CopyRectRows.h"

namespace corvel {
namespace {

using detail::RowOf;
using Byte = std::uint8_t;

}  // namespace

std::size_t CopyRectMMX(const CopyRectArgs& a) {
  const std::size_t n = a.bytesPerRow;
  auto move8 = [](Byte* to, const Byte* from) {
    __m64 v;
    std::memcpy(&v, from, 8);
    std::memcpy(to, &v, 8);
  };
  for (std::size_t row = 0; row < a.rows; ++row) {
    Byte* d = RowOf(a.destination, a.destinationStride, row);
    const Byte* s = RowOf(a.source, a.sourceStride, row);
    std::size_t i = 0;
    for (; n - i >= 64; i += 64)
      for (std::size_t k = 0; k < 64; k += 8) move8(d + i + k, s + i + k);
    for (; n - i >= 8; i += 8) move8(d + i, s + i);
    for (; i < n; ++i) d[i] = s[i];
  }
  _mm_empty();
  return n * a.rows;
}

}  // namespace corvel
