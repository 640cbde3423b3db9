#include "rowops/detail/RowBlendOpSse2.h"

#include <emmintrin.h>

#include "rowops/PixelHelpers.h"

namespace corvel::detail {
namespace {

// Div255Exact on 16-bit lanes holding products of two bytes.
inline __m128i Round255(__m128i x) {
  const __m128i t = _mm_add_epi16(x, _mm_set1_epi16(128));
  return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

// Each pixel's alpha (lane 3 of 4) spread over its four lanes.
inline __m128i SpreadAlpha(__m128i pixels) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(pixels, 0xFF), 0xFF);
}

// PorterDuff (BlendMath.h) on the 16-bit lanes of two pixels.
inline __m128i PorterDuffLanes(PorterDuffMode mode, __m128i s, __m128i d) {
  const __m128i full = _mm_set1_epi16(255);
  const __m128i sa = SpreadAlpha(s), da = SpreadAlpha(d);
  switch (mode) {
    case PorterDuffMode::kAtop:
      return _mm_add_epi16(Round255(_mm_mullo_epi16(s, da)),
                           Round255(_mm_mullo_epi16(d, _mm_sub_epi16(full, sa))));
    case PorterDuffMode::kIn:
      return Round255(_mm_mullo_epi16(s, da));
    case PorterDuffMode::kOut:
      return Round255(_mm_mullo_epi16(s, _mm_sub_epi16(full, da)));
    default:
      return _mm_add_epi16(Round255(_mm_mullo_epi16(s, _mm_sub_epi16(full, da))),
                           Round255(_mm_mullo_epi16(d, _mm_sub_epi16(full, sa))));
  }
}

}  // namespace

void PorterDuffBgrxaSse2(PorterDuffMode mode, std::uint8_t* dst, const std::uint8_t* src, int count) {
  const __m128i zero = _mm_setzero_si128();
  int i = 0;
  for (; i + 4 <= count; i += 4, dst += 16, src += 16) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst));
    const __m128i low = PorterDuffLanes(mode, _mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
    const __m128i high = PorterDuffLanes(mode, _mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(low, high));
  }
  for (; i < count; ++i, dst += 4, src += 4) {
    const std::uint32_t sa = src[3], da = dst[3];
    for (int c = 0; c < 4; ++c) {
      const std::uint32_t v = PorterDuff(mode, src[c], sa, dst[c], da);
      dst[c] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
    }
  }
}

void ScaleAndAddSse2(std::uint8_t* bytes, int count, std::uint32_t keep, const std::uint8_t* add,
                     int period) {
  // Three vectors cover a whole number of pixels of either period (48 bytes).
  alignas(16) std::uint8_t pattern[48];
  for (int i = 0; i < 48; ++i) pattern[i] = add[i % period];
  __m128i adds[3];
  for (int k = 0; k < 3; ++k) adds[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(pattern + 16 * k));
  const __m128i zero = _mm_setzero_si128();
  const __m128i factor = _mm_set1_epi16(static_cast<short>(keep));
  int i = 0;
  for (; i + 48 <= count; i += 48, bytes += 48) {
    for (int k = 0; k < 3; ++k) {
      const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * k));
      const __m128i low = Round255(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), factor));
      const __m128i high = Round255(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), factor));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + 16 * k),
                       _mm_adds_epu8(_mm_packus_epi16(low, high), adds[k]));
    }
  }
  for (int j = 0; i < count; ++i, ++j, ++bytes)
    *bytes = static_cast<std::uint8_t>(MulDiv255(*bytes, keep) + pattern[j % 48]);
}

}  // namespace corvel::detail
