#include "rowops/detail/RowFillOpSse2.h"

#include <emmintrin.h>

#include "rowops/PixelHelpers.h"

namespace corvel::detail {

// Bytes up to a 16-byte boundary, then 48-byte blocks (sixteen pixels) of aligned stores of a
// pattern started at the right phase, then the remaining bytes.
void FillBGRSse2(std::uint8_t* dst, int count, const std::uint8_t* pixel) {
  const int bytes = 3 * count;
  const SpanSplit split = SplitSpanForAlignment(reinterpret_cast<std::uintptr_t>(dst), bytes, 16, 48);
  int i = 0;
  for (; i < split.head; ++i) dst[i] = pixel[i % 3];
  alignas(16) std::uint8_t pattern[48];
  for (int j = 0; j < 48; ++j) pattern[j] = pixel[(split.head + j) % 3];
  const __m128i p0 = _mm_load_si128(reinterpret_cast<const __m128i*>(pattern));
  const __m128i p1 = _mm_load_si128(reinterpret_cast<const __m128i*>(pattern + 16));
  const __m128i p2 = _mm_load_si128(reinterpret_cast<const __m128i*>(pattern + 32));
  for (const int end = split.head + split.body; i < end; i += 48) {
    auto* block = reinterpret_cast<__m128i*>(dst + i);
    _mm_store_si128(block, p0);
    _mm_store_si128(block + 1, p1);
    _mm_store_si128(block + 2, p2);
  }
  for (; i < bytes; ++i) dst[i] = pixel[i % 3];
}

}  // namespace corvel::detail
