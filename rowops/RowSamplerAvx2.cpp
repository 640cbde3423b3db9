// Compiled with AVX2 enabled for this file alone, and run only where the processor record allows:
// everything here is its own (no shared inline code), so that no AVX2 copy of a shared function
// can stand in for the plain one elsewhere.
//
// The plain rule's sum, (256 - fy)((256 - fx) a + fx b) + fy((256 - fx) c + fx d), is exact and
// truncated only at the end, so any order of its products gives the same bytes. Here each
// column goes first, on bytes: the multiply-add of unsigned by signed bytes takes the pair
// (256 - fy, fy) and the taps less 128, and lands on the column's mix less 32768 in 16 bits. A
// weight of 256 fits no byte: where fy is 0 the lower row read is the upper one, weighed (255, 1).
// The rows' pass then weighs the two columns by (256 - fx, fx) in 32 bits.
#include <immintrin.h>

#include <utility>

#include "rowops/detail/RowSamplerKernels.h"

namespace corvel::detail {

namespace {

// In each 32-bit lane, the byte pairs (256 - fy, fy) twice, fy raised to 1 where it is 0.
__m256i ColumnWeights(__m256i fy) {
  const __m256i g = _mm256_max_epi32(fy, _mm256_set1_epi32(1));
  return _mm256_add_epi32(_mm256_mullo_epi32(g, _mm256_set1_epi32(0x00FF00FF)),
                          _mm256_set1_epi32(0x01000100));
}

// In each 32-bit lane, the 16-bit pair (256 - fx, fx); fx may be 256.
__m256i RowWeights(__m256i fx) {
  return _mm256_add_epi32(_mm256_mullo_epi32(fx, _mm256_set1_epi32(0xFFFF)), _mm256_set1_epi32(256));
}

// One footprint: its upper pair of pixels then its lower pair.
__m128i Footprint(const std::uint8_t* upper, const std::uint8_t* lower) {
  const __m128i top = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(upper));
  return _mm_castpd_si128(_mm_loadh_pd(_mm_castsi128_pd(top), reinterpret_cast<const double*>(lower)));
}

__m256i TwoFootprints(__m128i low, __m128i high) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

// A footprint in each half, weighed by element k of that half's weights: each channel less 128,
// in 32 bits.
template <int k>
__m256i MixTwo(__m256i footprints, __m256i columnWeights, __m256i rowWeights) {
  // Each channel's upper and lower taps side by side, left column then right.
  const __m256i columns = _mm256_setr_epi8(0, 8, 4, 12, 1, 9, 5, 13, 2, 10, 6, 14, 3, 11, 7, 15, 0, 8, 4, 12,
                                           1, 9, 5, 13, 2, 10, 6, 14, 3, 11, 7, 15);
  const __m256i taps = _mm256_xor_si256(_mm256_shuffle_epi8(footprints, columns), _mm256_set1_epi8(-128));
  const __m256i mixed = _mm256_maddubs_epi16(_mm256_shuffle_epi32(columnWeights, k * 0x55), taps);
  return _mm256_srai_epi32(_mm256_madd_epi16(mixed, _mm256_shuffle_epi32(rowWeights, k * 0x55)), 16);
}

// Bytes from four results of MixTwo, each 32-bit lane's channel back to 0..255: halves of the
// first two, then of the last two.
__m256i Pack(__m256i p0, __m256i p1, __m256i p2, __m256i p3) {
  return _mm256_xor_si256(_mm256_packs_epi16(_mm256_packs_epi32(p0, p1), _mm256_packs_epi32(p2, p3)),
                          _mm256_set1_epi8(-128));
}

bool IsOpaque(__m256i pixels) { return _mm256_testc_si256(pixels, _mm256_set1_epi32(int(0xFF000000u))); }

// Eight results not all opaque, stored: the clear ones are cleared, as the straight-alpha rule
// gives them, and only those with partial alpha are taken again by the plain rule.
[[gnu::noinline]] void FinishTranslucent(const BgraRows& rows, std::uint8_t* out,
                                         const std::int32_t* positions, __m256i pixels, SampleEdge edge) {
  const __m256i clear = _mm256_srai_epi32(_mm256_cmpeq_epi8(pixels, _mm256_setzero_si256()), 31);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_andnot_si256(clear, pixels));
  const __m256i opaque = _mm256_srai_epi32(_mm256_cmpeq_epi8(pixels, _mm256_set1_epi8(-1)), 31);
  const int settled = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_or_si256(clear, opaque)));
  for (int k = 0; k < 8; ++k)
    if (!(settled >> k & 1)) SampleBilinearBgraPlain(rows, out + 4 * k, positions + 2 * k, 1, edge);
}

// The window's place and bounds, for eight lanes at a time.
struct Window {
  explicit Window(const BgraRows& rows)
      : left(_mm256_set1_epi32(rows.windowLeft)),
        top(_mm256_set1_epi32(rows.windowTop)),
        lastLeft(_mm256_set1_epi32(rows.windowWidth - 2)),
        lastTop(_mm256_set1_epi32(rows.windowHeight - 2)),
        pitch(_mm256_set1_epi32(int(rows.windowPitch))),
        base(rows.window),
        pitchBytes(rows.windowPitch),
        ahead(rows.windowAhead),
        aheadRows(rows.aheadRows),
        aheadBothWays(rows.aheadBothWays) {}
  __m256i left, top, lastLeft, lastTop, pitch;
  const std::uint8_t* base;
  std::intptr_t pitchBytes, ahead, aheadRows;
  bool aheadBothWays;
};

// Whether every footprint at these top-left pixels, taken from the window's corner, lies in it.
bool InWindow(const Window& w, __m256i x0, __m256i y0) {
  const __m256i past = _mm256_or_si256(_mm256_cmpgt_epi32(x0, w.lastLeft), _mm256_cmpgt_epi32(y0, w.lastTop));
  return _mm256_testz_si256(_mm256_or_si256(past, _mm256_or_si256(x0, y0)), _mm256_set1_epi32(INT32_MIN));
}

// Footprints on or past the image's edge along one axis moved onto its last two pixels with all the
// weight on the edge's: its taps, repeated, would weigh the same bytes to the same sums.
void ClampToEdge(__m256i& first, __m256i& fraction, int size) {
  const __m256i last = _mm256_set1_epi32(size - 2);
  const __m256i before = _mm256_cmpgt_epi32(_mm256_setzero_si256(), first);
  const __m256i past = _mm256_cmpgt_epi32(first, last);
  fraction = _mm256_blendv_epi8(_mm256_andnot_si256(before, fraction), _mm256_set1_epi32(256), past);
  first = _mm256_min_epi32(_mm256_max_epi32(first, _mm256_setzero_si256()), last);
}

// Eight footprints in the window: the byte offsets of their upper and lower pairs (the upper
// again where no weight goes down), in memory for BlendEight to read back.
struct EightFootprints {
  alignas(32) std::uint32_t upper[8];
  alignas(32) std::uint32_t lower[8];
};
// Their weights in lanes, as ColumnWeights and RowWeights make them.
struct EightWeights {
  __m256i columns, rows;
};

// The clamp's second try for eight positions whose footprints leave the window; false where they
// still do.
[[gnu::noinline]] bool ClampIntoWindow(const BgraRows& rows, const Window& w, __m256i x, __m256i y,
                                       __m256i& x0, __m256i& y0, __m256i& fx, __m256i& fy) {
  __m256i left = _mm256_srai_epi32(x, 8), top = _mm256_srai_epi32(y, 8);
  ClampToEdge(left, fx, rows.width);
  ClampToEdge(top, fy, rows.height);
  x0 = _mm256_sub_epi32(left, w.left);
  y0 = _mm256_sub_epi32(top, w.top);
  if (!InWindow(w, x0, y0)) return false;
  // All the weight on the lower row: that row alone, as a footprint with no fraction.
  const __m256i lower = _mm256_cmpeq_epi32(fy, _mm256_set1_epi32(256));
  y0 = _mm256_sub_epi32(y0, lower);
  fy = _mm256_andnot_si256(lower, fy);
  return true;
}

bool LocateEight(const BgraRows& rows, const Window& w, const std::int32_t* positions, SampleEdge edge,
                 EightFootprints& f, EightWeights& weights) {
  const __m256i pick = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  const __m256i first = _mm256_permutevar8x32_epi32(
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(positions)), pick);
  const __m256i second = _mm256_permutevar8x32_epi32(
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(positions + 8)), pick);
  const __m256i x = _mm256_permute2x128_si256(first, second, 0x20),
                y = _mm256_permute2x128_si256(first, second, 0x31);
  const __m256i mask = _mm256_set1_epi32(0xFF);
  __m256i fx = _mm256_and_si256(x, mask), fy = _mm256_and_si256(y, mask);
  __m256i x0 = _mm256_sub_epi32(_mm256_srai_epi32(x, 8), w.left);
  __m256i y0 = _mm256_sub_epi32(_mm256_srai_epi32(y, 8), w.top);
  if (!InWindow(w, x0, y0) && (edge != SampleEdge::kClamp || !ClampIntoWindow(rows, w, x, y, x0, y0, fx, fy)))
    return false;
  const __m256i upper = _mm256_add_epi32(_mm256_mullo_epi32(y0, w.pitch), _mm256_slli_epi32(x0, 2));
  const __m256i down = _mm256_andnot_si256(_mm256_cmpeq_epi32(fy, _mm256_setzero_si256()), w.pitch);
  _mm256_store_si256(reinterpret_cast<__m256i*>(f.upper), upper);
  _mm256_store_si256(reinterpret_cast<__m256i*>(f.lower), _mm256_add_epi32(upper, down));
  weights.columns = ColumnWeights(fy);
  weights.rows = RowWeights(fx);
  return true;
}

// The eight pixels' bytes in order: pixels k and k + 4 share a register.
__m256i BlendEight(const std::uint8_t* base, const EightFootprints& f, const EightWeights& w) {
  // Read back through memory: taking the offsets out of the vector that stored them costs more.
  const volatile std::uint32_t* upper = f.upper;
  const volatile std::uint32_t* lower = f.lower;
  auto two = [&](int k) {
    return TwoFootprints(Footprint(base + upper[k], base + lower[k]),
                         Footprint(base + upper[k + 4], base + lower[k + 4]));
  };
  return Pack(MixTwo<0>(two(0), w.columns, w.rows), MixTwo<1>(two(1), w.columns, w.rows),
              MixTwo<2>(two(2), w.columns, w.rows), MixTwo<3>(two(3), w.columns, w.rows));
}

// Asks for the top and bottom rows of the footprint ahead bytes from the given one; the address
// is only a hint, never read, so it is formed as a number.
void Prefetch(const std::uint8_t* footprint, std::intptr_t ahead, std::intptr_t pitch) {
  const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(footprint) + std::uintptr_t(ahead);
  _mm_prefetch(reinterpret_cast<const char*>(at), _MM_HINT_T0);
  _mm_prefetch(reinterpret_cast<const char*>(at + std::uintptr_t(pitch)), _MM_HINT_T0);
}

// Runs of eight inside the window, without a look at the row tables; each run's footprints are
// located while the run before is blended, so that its offsets are in memory by its turn. Answers
// how many pixels it took.
int SampleWindow(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions, int count,
                 SampleEdge edge) {
  const Window w(rows);
  EightFootprints buffers[2];
  EightFootprints* f = &buffers[0];
  EightFootprints* next = &buffers[1];
  EightWeights weights{}, nextWeights{};
  bool located = false;
  const int runs = count / 8;
  for (int run = 0; run <= runs; ++run) {
    const bool nextLocated = run < runs &&
                             LocateEight(rows, w, positions + 16 * run, edge, *next, nextWeights);
    if (run > 0) {
      const std::int32_t* const from = positions + 16 * (run - 1);
      if (!located) {
        SampleBilinearBgraPlain(rows, out, from, 8, edge);
      } else {
        if (w.aheadRows != 0) {
          // Where this part of the row goes aheadRows rows on: its own step along the row, from
          // pixel 0 to 4 in 24.8 (hence the shift by 8 + 2), turned a quarter.
          const std::intptr_t dx = -w.aheadRows * (from[9] - from[1]) >> 10,
                              dy = w.aheadRows * (from[8] - from[0]) >> 10;
          const std::intptr_t ahead = dy * w.pitchBytes + 4 * dx;
          Prefetch(w.base + f->upper[0], ahead, w.pitchBytes);
          Prefetch(w.base + f->upper[4], ahead, w.pitchBytes);
          if (w.aheadBothWays) {
            Prefetch(w.base + f->upper[0], -ahead, w.pitchBytes);
            Prefetch(w.base + f->upper[4], -ahead, w.pitchBytes);
          }
        } else if (w.ahead != 0) {
          Prefetch(w.base + f->upper[0], w.ahead, w.pitchBytes);
          Prefetch(w.base + f->upper[4], w.ahead, w.pitchBytes);
        }
        const __m256i pixels = BlendEight(w.base, *f, weights);
        // Opaque results stand; the straight-alpha rule weights the colours of the others.
        if (IsOpaque(pixels))
          _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
        else
          FinishTranslucent(rows, out, from, pixels, edge);
      }
      out += 32;
    }
    located = nextLocated;
    weights = nextWeights;
    std::swap(f, next);
  }
  return 8 * runs;
}

// Four footprints through the row tables; false where one leaves the image, its rows differ in
// stride from the others', or a result is not opaque: the plain rule then takes the four.
bool BlendFour(const BgraRows& rows, const std::int32_t* positions, std::uint8_t* out) {
  const unsigned lastX = unsigned(rows.width - 1), lastY = unsigned(rows.height - 1);
  __m128i footprints[4];
  std::intptr_t stride = 0;
  alignas(32) std::int32_t fx[8] = {}, fy[8] = {};
  for (int k = 0; k < 4; ++k) {
    const std::int32_t x = positions[2 * k], y = positions[2 * k + 1];
    const int x0 = x >> 8, y0 = y >> 8;
    if (unsigned(x0) >= lastX || unsigned(y0) >= lastY) return false;
    const std::intptr_t below = rows.strideBelow[y0];
    if (below == 0 || (k > 0 && below != stride)) return false;
    stride = below;
    // Pixels 0 and 1 in lanes 0 and 1 of the low half, 2 and 3 in those of the high one.
    const int lane = k < 2 ? k : k + 2;
    fx[lane] = x & 0xFF;
    fy[lane] = y & 0xFF;
    const std::uint8_t* upper = rows.rows[y0] + 4 * std::size_t(x0);
    footprints[k] = Footprint(upper, fy[lane] != 0 ? upper + stride : upper);
  }
  const __m256i columnWeights = ColumnWeights(_mm256_load_si256(reinterpret_cast<const __m256i*>(fy)));
  const __m256i rowWeights = RowWeights(_mm256_load_si256(reinterpret_cast<const __m256i*>(fx)));
  const __m256i p02 = MixTwo<0>(TwoFootprints(footprints[0], footprints[2]), columnWeights, rowWeights);
  const __m256i p13 = MixTwo<1>(TwoFootprints(footprints[1], footprints[3]), columnWeights, rowWeights);
  const __m256i bytes = Pack(p02, p13, p02, p13);
  const __m128i pixels = _mm_unpacklo_epi64(_mm256_castsi256_si128(bytes),
                                            _mm256_extracti128_si256(bytes, 1));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), pixels);
  return (_mm_movemask_epi8(_mm_cmpeq_epi8(pixels, _mm_set1_epi8(-1))) & 0x8888) == 0x8888;
}

}  // namespace

void SampleBilinearBgraAvx2(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions, int count,
                            SampleEdge edge) {
  int i = 0;
  if (rows.window && count >= 8) {
    i = SampleWindow(rows, out, positions, count, edge);
    out += 4 * i;
    positions += 2 * i;
  }
  for (; i + 3 < count; i += 4, out += 16, positions += 8)
    if (!BlendFour(rows, positions, out)) SampleBilinearBgraPlain(rows, out, positions, 4, edge);
  if (i < count) SampleBilinearBgraPlain(rows, out, positions, count - i, edge);
}

}  // namespace corvel::detail
