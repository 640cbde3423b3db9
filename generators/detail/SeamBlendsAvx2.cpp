// Compiled with AVX2 enabled for this file alone; run only where the processor record allows.
#include <immintrin.h>

#include "generators/detail/SeamBlendLanes.h"

namespace corvel::detail {

namespace {
struct Avx2 {
  static constexpr int kWidth = 8;
  using Mask = BlendVectors<kWidth>::Ints;
  static int Bits(Mask mask) { return _mm256_movemask_ps(_mm256_castsi256_ps(__m256i(mask))); }
  static bool Any(Mask mask) { return Bits(mask) != 0; }
  static bool All(Mask mask) { return Bits(mask) == 0xFF; }
  // The first count lanes, none read or written past them.
  static constexpr bool kPartial = true;
  static __m256i FirstLanes(int count) {
    return _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  }
  static Mask LoadInts(const std::int32_t* from, int count) {
    return Mask(_mm256_maskload_epi32(from, FirstLanes(count)));
  }
  static BlendVectors<kWidth>::Floats LoadFloats(const float* from, int count) {
    return BlendVectors<kWidth>::Floats(_mm256_maskload_ps(from, FirstLanes(count)));
  }
  static void StoreInts(std::int32_t* to, Mask lanes, int count) {
    _mm256_maskstore_epi32(to, FirstLanes(count), __m256i(lanes));
  }
  static void StoreFloats(float* to, BlendVectors<kWidth>::Floats lanes, int count) {
    _mm256_maskstore_ps(to, FirstLanes(count), __m256(lanes));
  }
  // Each lane, 0 to 3, as a byte, the lanes in order.
  static std::uint64_t FlagBytes(Mask lanes) {
    const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(__m256i(lanes)),
                                          _mm256_extracti128_si256(__m256i(lanes), 1));
    return std::uint64_t(_mm_cvtsi128_si64(_mm_packs_epi16(words, words)));
  }
  static constexpr bool kMaskRegisters = false;
  static constexpr bool kLookUp = true;
  // The table's entries of 6-bit indices, by byte shuffles of its four sixteenths: a gather
  // costs far more.
  static Mask LookUp(const std::uint8_t* table, Mask index) {
    static_assert(SeamBlendArgs::kTableTests == 6);
    auto sixteenth = [table](int k) {
      return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16 * k)));
    };
    const __m256i i = __m256i(index), low = _mm256_and_si256(i, _mm256_set1_epi32(15));
    // Each lane's low byte takes its entry; bits 4 and 5 of the index choose the sixteenth.
    const __m256i bit4 = _mm256_slli_epi32(i, 3), bit5 = _mm256_slli_epi32(i, 2);
    const __m256i first = _mm256_blendv_epi8(_mm256_shuffle_epi8(sixteenth(0), low),
                                             _mm256_shuffle_epi8(sixteenth(1), low), bit4);
    const __m256i second = _mm256_blendv_epi8(_mm256_shuffle_epi8(sixteenth(2), low),
                                              _mm256_shuffle_epi8(sixteenth(3), low), bit4);
    return Mask(_mm256_and_si256(_mm256_blendv_epi8(first, second, bit5), _mm256_set1_epi32(0xFF)));
  }
  // Each lane's entry of eight.
  static BlendVectors<kWidth>::Floats Permute(const float* eight, Mask index) {
    return BlendVectors<kWidth>::Floats(_mm256_permutevar8x32_ps(_mm256_loadu_ps(eight), __m256i(index)));
  }
  static Mask Permute(const std::int32_t* eight, Mask index) {
    return Mask(_mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(eight)),
                                            __m256i(index)));
  }
};
}  // namespace

void SeamBlendAvx2(const SeamBlendArgs& args, const std::int32_t* positions, const float* exactX,
                   const float* exactY, BlendRun* runs, int runCount, BlendDecisions& decisions) {
  SeamBlendWith<Avx2>(args, positions, exactX, exactY, runs, runCount, decisions);
}

int MixRunAvx2(std::uint8_t* out, const std::uint8_t* partners, const float* weights, int count) {
  const __m256 slack = _mm256_set1_ps(kMixRoundingSlack);
  // Two pixels a register, each weight over its pixel's four channels.
  const __m256i pairWeights[4] = {
      _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1), _mm256_setr_epi32(2, 2, 2, 2, 3, 3, 3, 3),
      _mm256_setr_epi32(4, 4, 4, 4, 5, 5, 5, 5), _mm256_setr_epi32(6, 6, 6, 6, 7, 7, 7, 7)};
  // The packs leave pixels 0, 2, 4, 6 in the low half and 1, 3, 5, 7 in the high.
  const __m256i inOrder = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  auto channels = [](const std::uint8_t* pair) {
    return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pair))));
  };
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256 w = _mm256_loadu_ps(weights + i);
    __m256i mixed[4];
    for (int k = 0; k < 4; ++k) {
      const __m256 own = channels(out + 4 * (i + 2 * k)), partner = channels(partners + 4 * (i + 2 * k));
      const __m256 weight = _mm256_permutevar8x32_ps(w, pairWeights[k]);
      mixed[k] = _mm256_cvttps_epi32(
          _mm256_add_ps(_mm256_add_ps(partner, _mm256_mul_ps(weight, _mm256_sub_ps(own, partner))), slack));
    }
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(mixed[0], mixed[1]),
                                              _mm256_packs_epi32(mixed[2], mixed[3]));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * i), _mm256_permutevar8x32_epi32(bytes, inOrder));
  }
  return i;
}

}  // namespace corvel::detail
