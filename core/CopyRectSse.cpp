#include "core/CopyRect.h"

#include <xmmintrin.h>

#include "core/detail/CopyRectRows.h"

namespace corvel {
namespace {

using detail::RowOf;
using Byte = std::uint8_t;

// Prefetches are hints and never fault; the address is made without pointer arithmetic so that
// running ahead of the source's end is well defined.
void PrefetchAhead(const Byte* source) {
  _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<std::uintptr_t>(source) + 640), _MM_HINT_NTA);
}

__m128 LoadUnaligned(const Byte* p) { return _mm_loadu_ps(reinterpret_cast<const float*>(p)); }
__m128 LoadAligned(const Byte* p) { return _mm_load_ps(reinterpret_cast<const float*>(p)); }
void StoreUnaligned(Byte* p, __m128 v) { _mm_storeu_ps(reinterpret_cast<float*>(p), v); }

template <bool Stream>
void StoreAligned(Byte* p, __m128 v) {
  if constexpr (Stream)
    _mm_stream_ps(reinterpret_cast<float*>(p), v);
  else
    _mm_store_ps(reinterpret_cast<float*>(p), v);
}

// 128-byte blocks, then 16-byte blocks, to an aligned destination; answers the bytes done.
template <bool Stream, bool AlignedSource>
std::size_t CopyBlocks(Byte* d, const Byte* s, std::size_t count) {
  auto load = [](const Byte* p) { return AlignedSource ? LoadAligned(p) : LoadUnaligned(p); };
  std::size_t done = 0;
  for (; count - done >= 128; done += 128) {
    if constexpr (Stream) PrefetchAhead(s + done);
    const __m128 v0 = load(s + done), v1 = load(s + done + 16), v2 = load(s + done + 32),
                 v3 = load(s + done + 48), v4 = load(s + done + 64), v5 = load(s + done + 80),
                 v6 = load(s + done + 96), v7 = load(s + done + 112);
    StoreAligned<Stream>(d + done, v0);
    StoreAligned<Stream>(d + done + 16, v1);
    StoreAligned<Stream>(d + done + 32, v2);
    StoreAligned<Stream>(d + done + 48, v3);
    StoreAligned<Stream>(d + done + 64, v4);
    StoreAligned<Stream>(d + done + 80, v5);
    StoreAligned<Stream>(d + done + 96, v6);
    StoreAligned<Stream>(d + done + 112, v7);
  }
  for (; count - done >= 16; done += 16) StoreAligned<Stream>(d + done, load(s + done));
  return done;
}

template <bool Stream>
std::size_t CopySSEUnaligned(const CopyRectArgs& a) {
  const std::size_t n = a.bytesPerRow;
  for (std::size_t row = 0; row < a.rows; ++row) {
    Byte* d = RowOf(a.destination, a.destinationStride, row);
    const Byte* s = RowOf(a.source, a.sourceStride, row);
    StoreUnaligned(d, LoadUnaligned(s));
    // From here on the destination is aligned; the first block already covers the bytes skipped.
    const std::size_t skip = (16 - (reinterpret_cast<std::uintptr_t>(d) & 15)) & 15;
    const std::size_t done = skip + CopyBlocks<Stream, false>(d + skip, s + skip, n - skip);
    if (done < n) StoreUnaligned(d + n - 16, LoadUnaligned(s + n - 16));
  }
  if constexpr (Stream) _mm_sfence();
  return n * a.rows;
}

template <bool Stream>
std::size_t CopySSEAligned(const CopyRectArgs& a) {
  for (std::size_t row = 0; row < a.rows; ++row)
    CopyBlocks<Stream, true>(RowOf(a.destination, a.destinationStride, row),
                             RowOf(a.source, a.sourceStride, row), a.bytesPerRow);
  if constexpr (Stream) _mm_sfence();
  return a.bytesPerRow * a.rows;
}

}  // namespace

std::size_t CopyRectSSEUnaligned(const CopyRectArgs& args) { return CopySSEUnaligned<false>(args); }
std::size_t CopyRectSSEUnalignedStream(const CopyRectArgs& args) { return CopySSEUnaligned<true>(args); }
std::size_t CopyRectSSEAligned(const CopyRectArgs& args) { return CopySSEAligned<false>(args); }
std::size_t CopyRectSSEAlignedStream(const CopyRectArgs& args) { return CopySSEAligned<true>(args); }

}  // namespace corvel
