// Compiled with AVX-512 enabled for this file alone, and run only where the processor record
// allows; everything here is its own, as in the AVX2 file.
//
// Rows that turn through the source, each pixel with fractions of its own: eight footprints'
// upper and lower pairs are gathered in two loads, where AVX2 puts sixteen pairs in place one by
// one, and weighed by AVX2's sums on bytes, so that the bytes are the same. Everything else (no
// window or one too large for 16-bit offsets, rows of whole steps along rows or columns,
// footprints leaving the window, results not opaque) goes to the AVX2 kernel. No rows are asked
// for ahead, as AVX2 asks: with the gathers, the hints cost more than they gained (tried again
// with two hints a run, the sampler took a tenth longer).
// GCC 12 takes the intrinsics' own undefined starting values for uninitialised reads.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <algorithm>
#include <cstdint>

#include "rowops/detail/RowSamplerKernels.h"

namespace corvel::detail {

namespace {

// Whether a run of eight steps a whole pixel at a time along a row or a column, from its first
// two positions to its last: AVX2 reads such runs as blocks.
bool StepsWhole(const std::int32_t* positions) {
  const std::uint32_t dx = std::uint32_t(positions[2]) - std::uint32_t(positions[0]),
                      dy = std::uint32_t(positions[3]) - std::uint32_t(positions[1]);
  return (dx == 0) != (dy == 0) && ((dx | dy) == 256 || (dx | dy) == 0xFFFFFF00u) &&
         std::uint32_t(positions[14]) - std::uint32_t(positions[0]) == 7 * dx &&
         std::uint32_t(positions[15]) - std::uint32_t(positions[1]) == 7 * dy;
}

// A constant the compiler keeps in a register for the whole loop: one it sees through, it makes
// again from an immediate in every run.
__m512i Kept(__m512i v) {
  asm("" : "+v"(v));
  return v;
}

// What every run reads of the window, and the loop's constants; pairs of 32-bit lanes as positions
// lie, x then y.
struct Window {
  explicit Window(const BgraRows& rows)
      : corner(Kept(Pair(rows.windowLeft, rows.windowTop))),
        lastCorner(Kept(Pair(rows.windowWidth - 2, rows.windowHeight - 2))),
        pitchPixels(Kept(_mm512_set1_epi64(rows.windowPitch / 4))),
        indexWeights(Kept(_mm512_set1_epi64(std::int64_t{rows.windowPitch / 4} << 16 | 1))),
        base(rows.window) {}
  // Whether BlendEight's offsets, 4 (x + y pitch / 4) with x, y and pitch / 4 in 16 signed bits,
  // reach every pixel of the window: all but windows over 32767 pixels across or down, or at a
  // pitch of no whole number of pixels.
  static bool Fits(const BgraRows& rows) {
    return rows.windowPitch % 4 == 0 && rows.windowPitch / 4 <= 32767 && rows.windowWidth <= 32767 &&
           rows.windowHeight <= 32767;
  }
  static __m512i Pair(std::int32_t x, std::int32_t y) {
    return _mm512_set1_epi64(std::int64_t(std::uint64_t(std::uint32_t(y)) << 32 | std::uint32_t(x)));
  }
  __m512i corner, lastCorner, pitchPixels, indexWeights;
  const std::uint8_t* base;
  const __m512i fractionDown = Kept(_mm512_set1_epi64(std::int64_t{0xFF} << 32));
  // Within each 128-bit lane of positions less the corner, each pixel's x and y as 16 bits, then 0.
  const __m512i wholeWords = Kept(
      _mm512_broadcast_i32x4(_mm_setr_epi8(0, 1, 4, 5, -1, -1, -1, -1, 8, 9, 12, 13, -1, -1, -1, -1)));
  // Within each 128-bit lane of positions, each pixel's fx as 16 bits four times, and its fy as
  // each of its eight bytes.
  const __m512i fxWords = Kept(
      _mm512_broadcast_i32x4(_mm_setr_epi8(0, -1, 0, -1, 0, -1, 0, -1, 8, -1, 8, -1, 8, -1, 8, -1)));
  const __m512i fyBytes = Kept(
      _mm512_broadcast_i32x4(_mm_setr_epi8(4, 4, 4, 4, 4, 4, 4, 4, 12, 12, 12, 12, 12, 12, 12, 12)));
  const __m512i ones = Kept(_mm512_set1_epi8(1));
  const __m512i full = Kept(_mm512_set1_epi16(256));
  // Within each 128-bit lane, pixels p and q: the left and right taps of channels 0 and 2 of p,
  // of q, then of channels 1 and 3 of p, of q.
  const __m512i channels = Kept(
      _mm512_broadcast_i32x4(_mm_setr_epi8(0, 4, 2, 6, 8, 12, 10, 14, 1, 5, 3, 7, 9, 13, 11, 15)));
  const __m512i flip = Kept(_mm512_set1_epi8(-128));
  // Bytes 3 and 7 of each pixel's 64 bits.
  const __m512i oddChannels = Kept(_mm512_set1_epi64(std::int64_t(0xFF000000FF000000u)));
  // Words 1 and 3 of each pixel's 64 bits, pixel by pixel.
  const __m512i resultWords = Kept(_mm512_set_epi16(31, 29, 27, 25, 23, 21, 19, 17, 15, 13, 11, 9, 7, 5, 3, 1,
                                                    31, 29, 27, 25, 23, 21, 19, 17, 15, 13, 11, 9, 7, 5, 3,
                                                    1));
};

// Eight pixels from their positions into out, their alpha left in opaque by an and; false, with
// nothing stored, where a footprint leaves the window. Each pixel's x and y stay side by side in a
// 64-bit lane, as positions lie, and each pixel's sums stay in its lane.
[[gnu::always_inline]] inline bool BlendEight(const Window& w, const std::int32_t* positions,
                                              std::uint8_t* out, __m256i& opaque) {
  const __m512i pairs = _mm512_loadu_si512(positions);
  const __m512i whole = _mm512_sub_epi32(_mm512_srai_epi32(pairs, 8), w.corner);
  // Unsigned, what lies before the window's corner lies past its far side too.
  if (_mm512_cmple_epu32_mask(whole, w.lastCorner) != 0xFFFF) return false;
  // The upper pair's offset over 4, x + y pitch / 4; where no weight goes down, the upper row again
  // for the lower, weighed (255, 1).
  const __m512i upper = _mm512_madd_epi16(_mm512_shuffle_epi8(whole, w.wholeWords), w.indexWeights);
  const __mmask8 down = _mm512_test_epi64_mask(pairs, w.fractionDown);
  const __m512i lower = _mm512_mask_add_epi64(upper, down, upper, w.pitchPixels);
  const __m512i uppers = _mm512_i64gather_epi64(upper, w.base, 4),
                lowers = _mm512_i64gather_epi64(lower, w.base, 4);
  // Over each pixel's 64 bits, x weighed by the 16-bit pairs (256 - fx, fx), y by the byte pairs
  // (256 - fy, fy), fy raised to 1 where it is 0.
  const __mmask32 firstWords = 0x55555555;
  const __mmask64 firstBytes = 0x5555555555555555;
  const __m512i fx = _mm512_shuffle_epi8(pairs, w.fxWords),
                fy = _mm512_max_epu8(_mm512_shuffle_epi8(pairs, w.fyBytes), w.ones);
  const __m512i rowWeights = _mm512_mask_sub_epi16(fx, firstWords, w.full, fx),
                columnWeights = _mm512_mask_sub_epi8(fy, firstBytes, _mm512_setzero_si512(), fy);
  // Each channel less 128, in 32 bits, as the AVX2 kernel sums it, the upper and lower taps of
  // each column side by side: channels 0 and 2 of each pixel, then 1 and 3.
  const __m512i upperTaps = _mm512_shuffle_epi8(uppers, w.channels),
                lowerTaps = _mm512_shuffle_epi8(lowers, w.channels);
  auto mix = [&](__m512i taps) {
    return _mm512_madd_epi16(_mm512_maddubs_epi16(columnWeights, _mm512_xor_si512(taps, w.flip)), rowWeights);
  };
  const __m512i evenChannels = mix(_mm512_unpacklo_epi8(upperTaps, lowerTaps)),
                oddChannels = mix(_mm512_unpackhi_epi8(upperTaps, lowerTaps));
  // Each sum is exact, its upper half a byte less 128: the third byte of its 32 bits is the
  // channel's. Channels 1 and 3 moved up a byte beside 0 and 2, each pixel's four bytes lie in
  // its words 1 and 3.
  const __m512i channelPairs = _mm512_ternarylogic_epi32(evenChannels, _mm512_slli_epi32(oddChannels, 8),
                                                         w.oddChannels, 0xD8);
  const __m256i pixels = _mm256_xor_si256(
      _mm512_castsi512_si256(_mm512_permutexvar_epi16(w.resultWords, channelPairs)),
      _mm512_castsi512_si256(w.flip));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
  opaque = _mm256_and_si256(opaque, pixels);
  return true;
}

// Whether every pixel of the eight has alpha 255.
bool AreOpaque(__m256i pixels) { return _mm256_testc_si256(pixels, _mm256_set1_epi32(int(0xFF000000u))); }

}  // namespace

void SampleBilinearBgraAvx512(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions,
                              int count, SampleEdge edge) {
  // A row that steps whole pixels at its start, middle or end goes to AVX2, which reads them as
  // blocks; a row scaled by a hair, stepping 255 now and then among 256s, does not.
  if (!rows.window || count < 8 || !Window::Fits(rows) || StepsWhole(positions) ||
      StepsWhole(positions + 2 * (count / 2 - 4)) || StepsWhole(positions + 2 * (count - 8)))
    return SampleBilinearBgraAvx2(rows, out, positions, count, edge);
  const Window w(rows);
  // The few past the last run of eight go with the seven before them: those taken twice store
  // the same. The runs not blended here, and those not opaque, which the plain rule weighs by
  // alpha, go to AVX2 after each stretch of runs, so that no call in the loop costs its constants
  // their registers.
  constexpr int kStretch = 64 * 8;
  for (int start = 0; start < count; start += kStretch) {
    const int end = std::min(count, start + kStretch);
    auto firstOf = [&](int i) { return i + 8 <= count ? i : count - 8; };
    std::uint64_t missed = 0;
    __m256i opaque = _mm256_set1_epi32(-1);
    for (int i = start; i < end; i += 8) {
      const int first = firstOf(i);
      if (!BlendEight(w, positions + 2 * first, out + 4 * first, opaque))
        missed |= std::uint64_t{1} << ((i - start) / 8);
    }
    if (!AreOpaque(opaque))
      for (int i = start; i < end; i += 8)
        if (!(missed >> ((i - start) / 8) & 1) &&
            !AreOpaque(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + 4 * firstOf(i)))))
          missed |= std::uint64_t{1} << ((i - start) / 8);
    for (; missed != 0; missed &= missed - 1) {
      const int first = firstOf(start + 8 * __builtin_ctzll(missed));
      SampleBilinearBgraAvx2(rows, out + 4 * first, positions + 2 * first, 8, edge);
    }
  }
}

}  // namespace corvel::detail
