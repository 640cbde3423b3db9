#include "rowops/detail/RowCopySimd.h"

#include <emmintrin.h>

#include <cstring>

namespace corvel::detail {
namespace {

__m128i LaneMask(int lane) {
  alignas(16) std::uint32_t words[4] = {0, 0, 0, 0};
  words[lane] = 0x00FFFFFFu;
  return _mm_load_si128(reinterpret_cast<const __m128i*>(words));
}

std::uint32_t Grey(const std::uint8_t* p) { return (77u * p[2] + 151u * p[1] + 28u * p[0]) >> 8; }

}  // namespace

void CopyBGRToBGRASimd(const RowOperation&, const RowOpArgs& args) {
  const int n = args.dst.count;
  const auto* src = static_cast<const std::uint8_t*>(args.src.row);
  auto* dst = static_cast<std::uint8_t*>(args.dst.row);
  const __m128i m0 = LaneMask(0), m1 = LaneMask(1), m2 = LaneMask(2), m3 = LaneMask(3);
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int i = 0;
  // Four pixels a step; the 16-byte load reads 4 bytes past them, so stop while it fits.
  for (; 3 * i + 16 <= 3 * n; i += 4) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * i));
    __m128i out = _mm_or_si128(_mm_and_si128(v, m0), _mm_and_si128(_mm_slli_si128(v, 1), m1));
    out = _mm_or_si128(out, _mm_and_si128(_mm_slli_si128(v, 2), m2));
    out = _mm_or_si128(out, _mm_and_si128(_mm_slli_si128(v, 3), m3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), _mm_or_si128(out, alpha));
  }
  for (; i < n; ++i) {
    std::memcpy(dst + 4 * i, src + 3 * i, 3);
    dst[4 * i + 3] = 255;
  }
}

void CopyBGRAToBGRSimd(const RowOperation&, const RowOpArgs& args) {
  const int n = args.dst.count;
  const auto* src = static_cast<const std::uint8_t*>(args.src.row);
  auto* dst = static_cast<std::uint8_t*>(args.dst.row);
  const __m128i m0 = LaneMask(0), m1 = LaneMask(1), m2 = LaneMask(2), m3 = LaneMask(3);
  int i = 0;
  // Four pixels a step; the 16-byte store spills 4 bytes that the next step overwrites.
  for (; 3 * i + 16 <= 3 * n; i += 4) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
    __m128i out = _mm_or_si128(_mm_and_si128(v, m0), _mm_srli_si128(_mm_and_si128(v, m1), 1));
    out = _mm_or_si128(out, _mm_srli_si128(_mm_and_si128(v, m2), 2));
    out = _mm_or_si128(out, _mm_srli_si128(_mm_and_si128(v, m3), 3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * i), out);
  }
  for (; i < n; ++i) std::memcpy(dst + 3 * i, src + 4 * i, 3);
}

namespace {

// Four BGRA pixels to four 32-bit greys.
__m128i GreyOfFour(__m128i pixels, __m128i weights) {
  const __m128i zero = _mm_setzero_si128();
  __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi8(pixels, zero), weights);
  __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi8(pixels, zero), weights);
  // Each pixel left two partial sums in adjacent lanes; add them into the even lane.
  lo = _mm_add_epi32(lo, _mm_srli_epi64(lo, 32));
  hi = _mm_add_epi32(hi, _mm_srli_epi64(hi, 32));
  __m128i sums = _mm_unpacklo_epi64(_mm_shuffle_epi32(lo, 0x08), _mm_shuffle_epi32(hi, 0x08));
  return _mm_srli_epi32(sums, 8);
}

}  // namespace

void CopyBGRAToGreySimd(const RowOperation&, const RowOpArgs& args) {
  const int n = args.dst.count;
  const auto* src = static_cast<const std::uint8_t*>(args.src.row);
  auto* dst = static_cast<std::uint8_t*>(args.dst.row);
  const __m128i weights = _mm_setr_epi16(28, 151, 77, 0, 28, 151, 77, 0);
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const auto* p = reinterpret_cast<const __m128i*>(src + 4 * i);
    __m128i g0 = GreyOfFour(_mm_loadu_si128(p), weights);
    __m128i g1 = GreyOfFour(_mm_loadu_si128(p + 1), weights);
    __m128i g2 = GreyOfFour(_mm_loadu_si128(p + 2), weights);
    __m128i g3 = GreyOfFour(_mm_loadu_si128(p + 3), weights);
    __m128i words = _mm_packus_epi16(_mm_packs_epi32(g0, g1), _mm_packs_epi32(g2, g3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), words);
  }
  for (; i < n; ++i) dst[i] = static_cast<std::uint8_t>(Grey(src + 4 * i));
}

}  // namespace corvel::detail
