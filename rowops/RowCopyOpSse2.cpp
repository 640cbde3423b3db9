#include "rowops/detail/RowCopyOpSse2.h"

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

namespace {

// Four 3-byte pixels in the low 12 bytes to four 4-byte pixels with alpha 255: lane k takes the
// bytes 3k..3k+2, moved up by k bytes.
struct Expander {
  __m128i m0 = LaneMask(0), m1 = LaneMask(1), m2 = LaneMask(2), m3 = LaneMask(3);
  __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  __m128i operator()(__m128i v) const {
    __m128i out = _mm_or_si128(_mm_and_si128(v, m0), _mm_and_si128(_mm_slli_si128(v, 1), m1));
    out = _mm_or_si128(out, _mm_and_si128(_mm_slli_si128(v, 2), m2));
    out = _mm_or_si128(out, _mm_and_si128(_mm_slli_si128(v, 3), m3));
    return _mm_or_si128(out, alpha);
  }
};

// Four 4-byte pixels to four 3-byte pixels in the low 12 bytes (the top 4 bytes are 0).
struct Compactor {
  __m128i m0 = LaneMask(0), m1 = LaneMask(1), m2 = LaneMask(2), m3 = LaneMask(3);
  __m128i operator()(__m128i v) const {
    __m128i out = _mm_or_si128(_mm_and_si128(v, m0), _mm_srli_si128(_mm_and_si128(v, m1), 1));
    out = _mm_or_si128(out, _mm_srli_si128(_mm_and_si128(v, m2), 2));
    return _mm_or_si128(out, _mm_srli_si128(_mm_and_si128(v, m3), 3));
  }
};

__m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void Store(std::uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

}  // namespace

void CopyBGRToBGRASimd(const RowOperation&, const RowOpArgs& args) {
  const int n = args.dst.count;
  const auto* src = static_cast<const std::uint8_t*>(args.src.row);
  auto* dst = static_cast<std::uint8_t*>(args.dst.row);
  const Expander expand;
  int i = 0;
  // Sixteen pixels (48 source bytes) a step, split into four groups of twelve bytes.
  for (; i + 16 <= n; i += 16) {
    const std::uint8_t* s = src + 3 * i;
    const __m128i a = Load(s), b = Load(s + 16), c = Load(s + 32);
    Store(dst + 4 * i, expand(a));
    Store(dst + 4 * i + 16, expand(_mm_or_si128(_mm_srli_si128(a, 12), _mm_slli_si128(b, 4))));
    Store(dst + 4 * i + 32, expand(_mm_or_si128(_mm_srli_si128(b, 8), _mm_slli_si128(c, 8))));
    Store(dst + 4 * i + 48, expand(_mm_srli_si128(c, 4)));
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
  const Compactor compact;
  int i = 0;
  // Sixteen pixels a step: four groups of twelve bytes joined into three stores.
  for (; i + 16 <= n; i += 16) {
    const std::uint8_t* s = src + 4 * i;
    const __m128i a = compact(Load(s)), b = compact(Load(s + 16));
    const __m128i c = compact(Load(s + 32)), d = compact(Load(s + 48));
    Store(dst + 3 * i, _mm_or_si128(a, _mm_slli_si128(b, 12)));
    Store(dst + 3 * i + 16, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
    Store(dst + 3 * i + 32, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
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
