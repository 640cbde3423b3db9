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

#include <algorithm>
#include <cstring>
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
        aheadBothWays(rows.aheadBothWays),
        left0(rows.windowLeft),
        top0(rows.windowTop),
        lastLeft0(rows.windowWidth - 2),
        lastTop0(rows.windowHeight - 2) {}
  __m256i left, top, lastLeft, lastTop, pitch;
  const std::uint8_t* base;
  std::intptr_t pitchBytes, ahead, aheadRows;
  bool aheadBothWays;
  int left0, top0, lastLeft0, lastTop0;
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

[[gnu::always_inline]] inline bool LocateEight(const BgraRows& rows, const Window& w,
                                               const std::int32_t* positions, SampleEdge edge,
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
[[gnu::always_inline]] inline __m256i BlendEight(const std::uint8_t* base, const EightFootprints& f,
                                                 const EightWeights& w) {
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

// Runs of eight that step a whole pixel at a time along a row or down a column, either way:
// they share one pair of fractions, and their footprints overlap, so that they are read as
// blocks of two rows or two columns. How many, which way, the offset of the first pixel's
// footprint and the fractions.
enum class WholeStep : unsigned char { kRight, kLeft, kDown, kUp };
struct WholeSteps {
  int runs = 0;
  WholeStep step = WholeStep::kRight;
  std::uint32_t first = 0;
  int fx = 0, fy = 0;
};

// Whether the first two positions lie a whole pixel apart along a row or a column.
[[gnu::always_inline]] inline bool StepsWhole(const std::int32_t* positions) {
  const std::uint32_t dx = std::uint32_t(positions[2]) - std::uint32_t(positions[0]),
                      dy = std::uint32_t(positions[3]) - std::uint32_t(positions[1]);
  return (dx == 0) != (dy == 0) && ((dx | dy) == 256 || (dx | dy) == 0xFFFFFF00u);
}

// Whether the eighth position lies seven of the first step on from the first: a run across a
// fold's turn, or across two runs laid end to end, mostly does not, and is looked at no further.
[[gnu::always_inline]] inline bool EndsWhole(const std::int32_t* positions) {
  const std::uint32_t dx = std::uint32_t(positions[2]) - std::uint32_t(positions[0]),
                      dy = std::uint32_t(positions[3]) - std::uint32_t(positions[1]);
  return std::uint32_t(positions[14]) - std::uint32_t(positions[0]) == 7 * dx &&
         std::uint32_t(positions[15]) - std::uint32_t(positions[1]) == 7 * dy;
}

// How many runs of eight from positions on, of at most runs, step a whole pixel at a time with
// their footprints in the window, where the first two positions do; f takes their place and
// fractions.
[[gnu::noinline]] int LocateWholeSteps(const Window& w, const std::int32_t* positions, int runs,
                                       WholeSteps& f) {
  const std::uint32_t dx = std::uint32_t(positions[2]) - std::uint32_t(positions[0]),
                      dy = std::uint32_t(positions[3]) - std::uint32_t(positions[1]);
  const WholeStep step = dy == 0 ? (dx == 256 ? WholeStep::kRight : WholeStep::kLeft)
                                 : (dy == 256 ? WholeStep::kDown : WholeStep::kUp);
  // The footprints lie in a line from the first: no more runs are looked at than stay in the window.
  const bool alongRow = step == WholeStep::kRight || step == WholeStep::kLeft;
  const bool backwards = step == WholeStep::kLeft || step == WholeStep::kUp;
  const std::int64_t x0 = std::int64_t{positions[0] >> 8} - w.left0,
                     y0 = std::int64_t{positions[1] >> 8} - w.top0;
  if (x0 < 0 || y0 < 0 || x0 > w.lastLeft0 || y0 > w.lastTop0) return 0;
  const std::int64_t along = alongRow ? x0 : y0, last = alongRow ? w.lastLeft0 : w.lastTop0;
  const int inside = int(std::min<std::int64_t>(runs, (backwards ? along + 1 : last - along + 1) / 8));
  std::int64_t origin;
  std::memcpy(&origin, positions, 8);
  const __m256i steps = _mm256_set1_epi64x(std::int64_t(std::uint64_t{dy} << 32 | dx));
  __m256i firstFour = _mm256_add_epi32(_mm256_set1_epi64x(origin),
                                       _mm256_mullo_epi32(steps, _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3)));
  __m256i lastFour = _mm256_add_epi32(firstFour, _mm256_slli_epi32(steps, 2));
  const __m256i eightSteps = _mm256_slli_epi32(steps, 3);
  int length = 0;
  for (const std::int32_t* run = positions; length < inside; ++length, run += 16) {
    const __m256i same = _mm256_and_si256(
        _mm256_cmpeq_epi32(firstFour, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(run))),
        _mm256_cmpeq_epi32(lastFour, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(run + 8))));
    if (_mm256_movemask_epi8(same) != -1) break;
    firstFour = _mm256_add_epi32(firstFour, eightSteps);
    lastFour = _mm256_add_epi32(lastFour, eightSteps);
  }
  if (length == 0) return 0;
  f.runs = length;
  f.step = step;
  f.first = std::uint32_t(y0 * w.pitchBytes + 4 * x0);
  f.fx = positions[0] & 0xFF;
  f.fy = positions[1] & 0xFF;
  return length;
}

// A run of whole steps along a row, from its leftmost footprint: each column first, as BlendEight
// mixes it, the left columns read in one block and the right ones a pixel on.
__m256i BlendAlongRow(const std::uint8_t* upper, std::intptr_t pitch, int fx, int fy) {
  const std::uint8_t* const lower = fy != 0 ? upper + pitch : upper;
  auto load = [](const std::uint8_t* at) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)); };
  const __m256i upperLeft = load(upper), upperRight = load(upper + 4), lowerLeft = load(lower),
                lowerRight = load(lower + 4);
  const __m256i flip = _mm256_set1_epi8(-128);
  const int g = fy != 0 ? fy : 1;
  const __m256i columnWeights = _mm256_set1_epi16(std::int16_t(g << 8 | (256 - g)));
  // Pixels 0, 1, 4, 5 from the low bytes of each half, 2, 3, 6, 7 from the high.
  auto columns = [&](__m256i top, __m256i bottom, bool high) {
    const __m256i taps = high ? _mm256_unpackhi_epi8(top, bottom) : _mm256_unpacklo_epi8(top, bottom);
    return _mm256_maddubs_epi16(columnWeights, _mm256_xor_si256(taps, flip));
  };
  const __m256i left01 = columns(upperLeft, lowerLeft, false), left23 = columns(upperLeft, lowerLeft, true);
  const __m256i right01 = columns(upperRight, lowerRight, false),
                right23 = columns(upperRight, lowerRight, true);
  const __m256i rowWeights = _mm256_set1_epi32(fx << 16 | (256 - fx));
  auto mix = [&](__m256i pairs) { return _mm256_srai_epi32(_mm256_madd_epi16(pairs, rowWeights), 16); };
  return Pack(mix(_mm256_unpacklo_epi16(left01, right01)), mix(_mm256_unpackhi_epi16(left01, right01)),
              mix(_mm256_unpacklo_epi16(left23, right23)), mix(_mm256_unpackhi_epi16(left23, right23)));
}

// A run of whole steps down a column, from its topmost footprint: here each of the nine rows'
// pair of pixels goes first, weighed (256 - fx, fx) on bytes (where fx is 0 the right pixel read
// is the left one, weighed (255, 1)), then each pixel's two rows in 32 bits. The sum is the same.
__m256i BlendDownColumn(const std::uint8_t* top, std::intptr_t pitch, int fx, int fy) {
  auto row = [&](int k) { return top + k * pitch; };
  const __m256i block01 = TwoFootprints(Footprint(row(0), row(1)), Footprint(row(4), row(5)));
  const __m256i block23 = TwoFootprints(Footprint(row(2), row(3)), Footprint(row(6), row(7)));
  const __m256i block4 = TwoFootprints(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row(4))),
                                       _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row(8))));
  // Each channel's left and right taps side by side, in each row of eight bytes.
  const __m256i pairs = fx != 0 ? _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15, 0, 4,
                                                   1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15)
                                : _mm256_setr_epi8(0, 0, 1, 1, 2, 2, 3, 3, 8, 8, 9, 9, 10, 10, 11, 11, 0, 0,
                                                   1, 1, 2, 2, 3, 3, 8, 8, 9, 9, 10, 10, 11, 11);
  const int g = fx != 0 ? fx : 1;
  const __m256i pairWeights = _mm256_set1_epi16(std::int16_t(g << 8 | (256 - g)));
  const __m256i flip = _mm256_set1_epi8(-128);
  auto rows = [&](__m256i block) {
    return _mm256_maddubs_epi16(pairWeights, _mm256_xor_si256(_mm256_shuffle_epi8(block, pairs), flip));
  };
  // Rows 0, 1 | 4, 5; 2, 3 | 6, 7; 4, - | 8, -.
  const __m256i rows01 = rows(block01), rows23 = rows(block23), rows4 = rows(block4);
  // A pixel's upper and lower row side by side, channel by channel.
  const __m256i upperLower = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15, 0, 1, 8,
                                              9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
  const __m256i columnWeights = _mm256_set1_epi32(fy << 16 | (256 - fy));
  auto mix = [&](__m256i twoRows) {
    return _mm256_srai_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(twoRows, upperLower), columnWeights), 16);
  };
  return Pack(mix(rows01), mix(_mm256_alignr_epi8(rows23, rows01, 8)), mix(rows23),
              mix(_mm256_alignr_epi8(rows4, rows23, 8)));
}

// Asks for the top and bottom rows of the footprint ahead bytes from the given one; the address
// is only a hint, never read, so it is formed as a number. Always inlined: a call of its own the
// compiler may find without effect and drop, as it did from the loop for turned rows.
[[gnu::always_inline]] inline void Prefetch(const std::uint8_t* footprint, std::intptr_t ahead,
                                            std::intptr_t pitch) {
  const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(footprint) + std::uintptr_t(ahead);
  _mm_prefetch(reinterpret_cast<const char*>(at), _MM_HINT_T0);
  _mm_prefetch(reinterpret_cast<const char*>(at + std::uintptr_t(pitch)), _MM_HINT_T0);
}

// Asks for what the run whose pixels 0 and 4 read at these bytes reads some rows on, where the
// window asks for that.
[[gnu::always_inline]] inline void ReadAhead(const Window& w, const std::uint8_t* pixel0,
                                             const std::uint8_t* pixel4, const std::int32_t* from) {
  if (w.aheadRows != 0) {
    // Where this part of the row goes aheadRows rows on: its own step along the row, from
    // pixel 0 to 4 in 24.8 (hence the shift by 8 + 2), turned a quarter.
    const std::intptr_t dx = -w.aheadRows * (from[9] - from[1]) >> 10,
                        dy = w.aheadRows * (from[8] - from[0]) >> 10;
    const std::intptr_t ahead = dy * w.pitchBytes + 4 * dx;
    Prefetch(pixel0, ahead, w.pitchBytes);
    Prefetch(pixel4, ahead, w.pitchBytes);
    if (w.aheadBothWays) {
      Prefetch(pixel0, -ahead, w.pitchBytes);
      Prefetch(pixel4, -ahead, w.pitchBytes);
    }
  } else if (w.ahead != 0) {
    Prefetch(pixel0, w.ahead, w.pitchBytes);
    Prefetch(pixel4, w.ahead, w.pitchBytes);
  }
}

// Opaque results stand; the straight-alpha rule weights the colours of the others.
[[gnu::always_inline]] inline void Store(const BgraRows& rows, std::uint8_t* out, const std::int32_t* from,
                                         __m256i pixels, SampleEdge edge) {
  if (IsOpaque(pixels))
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
  else
    FinishTranslucent(rows, out, from, pixels, edge);
}

// Runs of whole steps as LocateWholeSteps found them, one after another.
[[gnu::noinline]] void BlendWholeSteps(const BgraRows& rows, const Window& w, const WholeSteps& f,
                                       std::uint8_t* out, const std::int32_t* from, SampleEdge edge) {
  const bool alongRow = f.step == WholeStep::kRight || f.step == WholeStep::kLeft;
  const bool backwards = f.step == WholeStep::kLeft || f.step == WholeStep::kUp;
  const std::intptr_t step = (alongRow ? 4 : w.pitchBytes) * (backwards ? -1 : 1);
  const std::uint8_t* pixel0 = w.base + f.first;
  for (int run = 0; run < f.runs; ++run, out += 32, from += 16, pixel0 += 8 * step) {
    ReadAhead(w, pixel0, pixel0 + 4 * step, from);
    // From the leftmost or topmost footprint, in the source's order.
    const std::uint8_t* const start = backwards ? pixel0 + 7 * step : pixel0;
    const __m256i pixels = alongRow ? BlendAlongRow(start, w.pitchBytes, f.fx, f.fy)
                                    : BlendDownColumn(start, w.pitchBytes, f.fx, f.fy);
    Store(rows, out, from,
          backwards ? _mm256_permutevar8x32_epi32(pixels, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0)) : pixels,
          edge);
  }
}

// Eight pixels as located, or the plain way where they could not be.
[[gnu::always_inline]] inline void BlendLocated(const BgraRows& rows, const Window& w, std::uint8_t* out,
                                                const std::int32_t* from, bool located,
                                                const EightFootprints& f, const EightWeights& weights,
                                                SampleEdge edge) {
  if (!located) {
    SampleBilinearBgraPlain(rows, out, from, 8, edge);
    return;
  }
  ReadAhead(w, w.base + f.upper[0], w.base + f.upper[4], from);
  Store(rows, out, from, BlendEight(w.base, f, weights), edge);
}

// Runs of eight inside the window, without a look at the row tables; each run's footprints are
// located while the run before is blended, so that its offsets are in memory by its turn. Where
// looked for, runs of whole steps go at once, as blocks. The few past the last run of eight, where
// count (at least eight) has them, go with the seven before them: those taken twice store the
// same, and one by one a row's last pixels cost more than a run.
template <bool kWholeSteps>
void SampleRuns(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions, int count,
                SampleEdge edge) {
  const Window w(rows);
  if (count % 8 != 0) {
    const std::int32_t* const last = positions + 2 * (count - 8);
    EightFootprints f;
    EightWeights weights;
    const bool located = LocateEight(rows, w, last, edge, f, weights);
    BlendLocated(rows, w, out + 4 * (count - 8), last, located, f, weights, edge);
  }
  EightFootprints buffers[2];
  EightFootprints* f = &buffers[0];
  EightFootprints* next = &buffers[1];
  EightWeights weights{}, nextWeights{};
  // Whether the run before is located into f, and whether it waits for its blend.
  bool located = false, pending = false;
  const int runs = count / 8;
  for (int run = 0; run <= runs; ++run) {
    if constexpr (kWholeSteps) {
      WholeSteps whole;
      if (run < runs && StepsWhole(positions + 16 * run) && EndsWhole(positions + 16 * run) &&
          LocateWholeSteps(w, positions + 16 * run, runs - run, whole) > 0) {
        if (pending) {
          BlendLocated(rows, w, out, positions + 16 * (run - 1), located, *f, weights, edge);
          out += 32;
        }
        BlendWholeSteps(rows, w, whole, out, positions + 16 * run, edge);
        out += 32 * whole.runs;
        run += whole.runs - 1;
        pending = false;
        continue;
      }
    }
    const bool nextLocated = run < runs &&
                             LocateEight(rows, w, positions + 16 * run, edge, *next, nextWeights);
    if (kWholeSteps ? pending : run > 0) {
      BlendLocated(rows, w, out, positions + 16 * (run - 1), located, *f, weights, edge);
      out += 32;
    }
    pending = true;
    located = nextLocated;
    weights = nextWeights;
    std::swap(f, next);
  }
}

// A row of a map turned by quarter turns steps whole pixels nearly everywhere, and one turned
// otherwise nowhere: the look for them, which costs the others, is made where the row's start,
// middle or end steps so.
void SampleWindow(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions, int count,
                  SampleEdge edge) {
  if (StepsWhole(positions) || StepsWhole(positions + 2 * (count / 2 - 1)) ||
      StepsWhole(positions + 2 * (count - 2)))
    return SampleRuns<true>(rows, out, positions, count, edge);
  SampleRuns<false>(rows, out, positions, count, edge);
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
  if (rows.window && count >= 8) return SampleWindow(rows, out, positions, count, edge);
  int i = 0;
  for (; i + 3 < count; i += 4, out += 16, positions += 8)
    if (!BlendFour(rows, positions, out)) SampleBilinearBgraPlain(rows, out, positions, 4, edge);
  if (i < count) SampleBilinearBgraPlain(rows, out, positions, count - i, edge);
}

}  // namespace corvel::detail
