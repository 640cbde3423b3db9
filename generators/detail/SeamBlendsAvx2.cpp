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

namespace {

// As SeamBlendsInDoubles::Locate takes one pixel, operation for operation: no fused multiply-add
// in this file, so the same sums round alike. Each part forced inline, so that the lanes stay in
// registers.
using D = __m256d;

// A point (u, v) in four lanes.
struct Lanes {
  D u, v;
};

[[gnu::always_inline]] inline D Splat(double t) { return _mm256_set1_pd(t); }

[[gnu::always_inline]] inline D Affine(double a, D p, double b, D q, double c) {
  return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(Splat(a), p), _mm256_mul_pd(Splat(b), q)), Splat(c));
}

[[gnu::always_inline]] inline Lanes Mapped(const LatticeAffine& a, const Lanes& p) {
  return {Affine(a.uu, p.u, a.uv, p.v, a.u1), Affine(a.vu, p.u, a.vv, p.v, a.v1)};
}

// All ones where the point lies inside the side.
[[gnu::always_inline]] inline D Below(const HalfPlane& side, const Lanes& p) {
  return _mm256_cmp_pd(Affine(side.nu, p.u, side.nv, p.v, side.n1), _mm256_setzero_pd(), _CMP_LT_OQ);
}

class LocatingLanes {
 public:
  LocatingLanes(const SeamBlends& blends, const SeamBlendsInDoubles::Tests& tests, const FoldProgram& program,
                const TileGenerator& generator)
      : blends_(blends), tests_(tests), program_(program), generator_(generator) {}

  // The folded positions of four plane points, by the plan's own fold where given, else by the
  // program's, read through.
  [[gnu::always_inline]] Lanes Fold(const Lanes& plane) const {
    const LatticeAffine& t = program_.readThrough;
    return Mapped(t, blends_.planFold ? FoldAsPlan(plane) : FoldByProgram(plane));
  }

  // The region of each lane's folded position, -1 for none.
  [[gnu::always_inline]] __m128i Regions(const Lanes& folded) const {
    const Lanes at = Mapped(blends_.frame, folded);
    // Each test's bit shifted in from the last test down, so that test i lands on bit i.
    __m256i bits = _mm256_setzero_si256();
    for (int i = tests_.count - 1; i >= 0; --i)
      bits = _mm256_or_si256(_mm256_slli_epi64(bits, 1),
                             _mm256_srli_epi64(_mm256_castpd_si256(Below(tests_.tests[i], at)), 63));
    if (tests_.count <= SeamBlendsInDoubles::Tests::kTableTests)
      return _mm256_i64gather_epi32(tests_.regionOf, bits, 4);
    return RegionsInTurn(bits);
  }

 private:
  [[gnu::always_inline]] Lanes ToLattice(const Lanes& plane) const {
    if (generator_.detM == 0) return plane;
    const LatticeMatrix& m = generator_.invM;
    return {_mm256_add_pd(_mm256_mul_pd(plane.u, Splat(m.m00)), _mm256_mul_pd(plane.v, Splat(m.m01))),
            _mm256_add_pd(_mm256_mul_pd(plane.u, Splat(m.m10)), _mm256_mul_pd(plane.v, Splat(m.m11)))};
  }

  // The whole pixel's cell position, as CellPosition takes it, folded by the plan's fold in lanes.
  // A whole number, as an int, has no -0, and neither has FloorOf: +0 is added to each.
  [[gnu::always_inline]] Lanes FoldAsPlan(const Lanes& plane) const {
    constexpr int kTowardZero = _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC;
    auto whole = [](D t) { return _mm256_add_pd(_mm256_round_pd(t, kTowardZero), _mm256_setzero_pd()); };
    const Lanes cell = ToLattice({whole(plane.u), whole(plane.v)});
    auto inCell = [](D t) {
      return _mm256_sub_pd(t, _mm256_add_pd(_mm256_floor_pd(t), _mm256_setzero_pd()));
    };
    alignas(32) double us[4], vs[4];
    _mm256_store_pd(us, inCell(cell.u));
    _mm256_store_pd(vs, inCell(cell.v));
    blends_.planFoldLanes(us, vs);
    return {_mm256_load_pd(us), _mm256_load_pd(vs)};
  }

  // The position wrapped into the cell and taken through the program's steps.
  [[gnu::always_inline]] Lanes FoldByProgram(const Lanes& plane) const {
    const D bias = Splat(program_.wrapBias);
    auto wrapped = [&](D t) {
      t = _mm256_add_pd(t, bias);
      return _mm256_sub_pd(_mm256_sub_pd(t, _mm256_floor_pd(t)), bias);
    };
    const Lanes cell = ToLattice(plane);
    const Lanes start{wrapped(cell.u), wrapped(cell.v)};
    Lanes f = start;
    for (int i = 0; i < program_.stepCount; ++i) {
      const FoldStep& step = program_.steps[i];
      const Lanes tested = step.fromStart ? start : f;
      D taken = Below(step.side, tested);
      if (step.above) taken = _mm256_xor_pd(taken, _mm256_castsi256_pd(_mm256_set1_epi64x(-1)));
      taken = _mm256_and_pd(taken, Below(step.also, tested));
      const Lanes m = Mapped(step.map, f);
      f = {_mm256_blendv_pd(f.u, m.u, taken), _mm256_blendv_pd(f.v, m.v, taken)};
    }
    return f;
  }

  // The first region whose bits each lane's hold, tested in turn.
  [[gnu::always_inline]] __m128i RegionsInTurn(__m256i bits) const {
    D decided = _mm256_setzero_pd(), found = Splat(-1);
    for (int r = 0; r < blends_.regionCount; ++r) {
      const __m256i held = _mm256_cmpeq_epi64(
          _mm256_and_si256(bits, _mm256_set1_epi64x(std::int64_t(tests_.care[r]))),
          _mm256_set1_epi64x(std::int64_t(tests_.want[r])));
      const D inside = _mm256_andnot_pd(decided, _mm256_castsi256_pd(held));
      found = _mm256_blendv_pd(found, Splat(r), inside);
      decided = _mm256_or_pd(decided, inside);
      if (_mm256_movemask_pd(decided) == 0xF) break;
    }
    return _mm256_cvtpd_epi32(found);
  }

  const SeamBlends& blends_;
  const SeamBlendsInDoubles::Tests& tests_;
  const FoldProgram& program_;
  const TileGenerator& generator_;
};

}  // namespace

void LocateInDoublesAvx2(const SeamBlends& blends, const SeamBlendsInDoubles::Tests& tests,
                         const FoldProgram& program, const TileGenerator& generator, const double* x,
                         const double* y, int count, double* u, double* v, int* regions) {
  const LocatingLanes lanes(blends, tests, program, generator);
  for (int k = 0; k < count; k += 4) {
    // Built in registers at the row's end: four scalar stores read back as one would stall.
    const bool whole = k + 4 <= count;
    auto at = [&](const double* t, int i) { return t[k + i < count ? k + i : count - 1]; };
    const Lanes plane{
        whole ? _mm256_loadu_pd(x + k) : _mm256_setr_pd(at(x, 0), at(x, 1), at(x, 2), at(x, 3)),
        whole ? _mm256_loadu_pd(y + k) : _mm256_setr_pd(at(y, 0), at(y, 1), at(y, 2), at(y, 3))};
    const Lanes folded = lanes.Fold(plane);
    const __m128i region = lanes.Regions(folded);
    if (whole) {
      _mm256_storeu_pd(u + k, folded.u);
      _mm256_storeu_pd(v + k, folded.v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(regions + k), region);
      continue;
    }
    alignas(32) double us[4], vs[4];
    alignas(16) int rs[4];
    _mm256_store_pd(us, folded.u);
    _mm256_store_pd(vs, folded.v);
    _mm_store_si128(reinterpret_cast<__m128i*>(rs), region);
    for (int i = 0; k + i < count; ++i) {
      u[k + i] = us[i];
      v[k + i] = vs[i];
      regions[k + i] = rs[i];
    }
  }
}

}  // namespace corvel::detail
