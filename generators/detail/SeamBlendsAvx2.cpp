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
                   const float* exactY, int count, std::uint8_t* planned, std::int32_t* partners,
                   float* weights) {
  SeamBlendWith<Avx2>(args, positions, exactX, exactY, count, planned, partners, weights);
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

void QueueCopiesAvx2(const CopyLanes& lanes, const Point2D& at, const Point2D& own, const Point2D& origin,
                     std::int32_t* positions, double* weights) {
  const __m256d x = _mm256_set1_pd(at.x), y = _mm256_set1_pd(at.y), zero = _mm256_setzero_pd();
  auto firstLanes = [](int count) {
    return _mm256_cmpgt_epi64(_mm256_set1_epi64x(count), _mm256_setr_epi64x(0, 1, 2, 3));
  };
  // As ToFixed takes a coordinate.
  auto fixed = [](__m256d t, double shift) {
    const __m256d scaled = _mm256_add_pd(
        _mm256_mul_pd(_mm256_set1_pd(256), _mm256_add_pd(t, _mm256_set1_pd(shift))),
        _mm256_set1_pd(kFixedPointSlack));
    return _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_set1_pd(2147483647.0), scaled));
  };
  for (int g = 0; 4 * g < lanes.count; ++g) {
    auto row = [&](int k) { return _mm256_load_pd(lanes.rows[g][k]); };
    auto value = [&](int k) {
      return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(row(k), x), _mm256_mul_pd(row(k + 1), y)), row(k + 2));
    };
    // The maximum and minimum answer their second operands for NaN and for equal zeros, as
    // Clamp01's comparisons do.
    auto weight = [&](int k) { return _mm256_min_pd(_mm256_set1_pd(1), _mm256_max_pd(zero, value(k))); };
    const __m256d isOwn = _mm256_cmp_pd(row(12), zero, _CMP_NEQ_OQ);
    const __m128i xs = fixed(_mm256_blendv_pd(value(0), _mm256_set1_pd(own.x), isOwn), origin.x),
                  ys = fixed(_mm256_blendv_pd(value(3), _mm256_set1_pd(own.y), isOwn), origin.y);
    const int left = lanes.count - 4 * g;
    const __m256i pairs = _mm256_setr_m128i(_mm_unpacklo_epi32(xs, ys), _mm_unpackhi_epi32(xs, ys));
    // A pair of 32-bit positions is one 64-bit lane.
    _mm256_maskstore_epi64(reinterpret_cast<long long*>(positions + 8 * g), firstLanes(left), pairs);
    _mm256_maskstore_pd(weights + 4 * g, firstLanes(left), _mm256_mul_pd(weight(6), weight(9)));
  }
}

void LocateInDoublesAvx2(const SeamBlends& blends, const SeamBlendsInDoubles::Tests& tests,
                         const FoldProgram& program, const TileGenerator& generator, const double* x,
                         const double* y, int count, double* u, double* v, int* regions) {
  // As SeamBlendsInDoubles::Locate takes one pixel, operation for operation: no fused multiply-add
  // in this file, so the same sums round alike.
  const __m256d zero = _mm256_setzero_pd(), bias = _mm256_set1_pd(program.wrapBias);
  auto splat = [](double t) { return _mm256_set1_pd(t); };
  auto affine = [&](double a, __m256d p, double b, __m256d q, double c) {
    return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(splat(a), p), _mm256_mul_pd(splat(b), q)), splat(c));
  };
  auto below = [&](const HalfPlane& side, __m256d p, __m256d q) {
    return _mm256_cmp_pd(affine(side.nu, p, side.nv, q, side.n1), zero, _CMP_LT_OQ);
  };
  auto wrapped = [&](__m256d t) {
    t = _mm256_add_pd(t, bias);
    return _mm256_sub_pd(_mm256_sub_pd(t, _mm256_floor_pd(t)), bias);
  };
  const LatticeMatrix& m = generator.invM;
  auto toLattice = [&](__m256d px, __m256d py, __m256d& cu, __m256d& cv) {
    cu = px;
    cv = py;
    if (generator.detM == 0) return;
    cu = _mm256_add_pd(_mm256_mul_pd(px, splat(m.m00)), _mm256_mul_pd(py, splat(m.m01)));
    cv = _mm256_add_pd(_mm256_mul_pd(px, splat(m.m10)), _mm256_mul_pd(py, splat(m.m11)));
  };
  // The whole pixel's cell position, as CellPosition takes it: FloorOf gives +0 for -0.
  auto inCell = [&](__m256d t) { return _mm256_sub_pd(t, _mm256_add_pd(_mm256_floor_pd(t), zero)); };
  for (int k = 0; k < count; k += 4) {
    // Built in registers at the row's end: four scalar stores read back as one would stall.
    const bool whole = k + 4 <= count;
    auto at = [&](const double* t, int i) { return t[k + i < count ? k + i : count - 1]; };
    const __m256d px = whole ? _mm256_loadu_pd(x + k)
                             : _mm256_setr_pd(at(x, 0), at(x, 1), at(x, 2), at(x, 3)),
                  py = whole ? _mm256_loadu_pd(y + k)
                             : _mm256_setr_pd(at(y, 0), at(y, 1), at(y, 2), at(y, 3));
    __m256d fu, fv;
    if (blends.planFold) {
      constexpr int kTowardZero = _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC;
      __m256d cu, cv;
      toLattice(_mm256_round_pd(px, kTowardZero), _mm256_round_pd(py, kTowardZero), cu, cv);
      alignas(32) double us[4], vs[4];
      _mm256_store_pd(us, inCell(cu));
      _mm256_store_pd(vs, inCell(cv));
      blends.planFoldLanes(us, vs);
      fu = _mm256_load_pd(us);
      fv = _mm256_load_pd(vs);
    } else {
      __m256d cu, cv;
      toLattice(px, py, cu, cv);
      const __m256d startU = wrapped(cu), startV = wrapped(cv);
      fu = startU;
      fv = startV;
      for (int i = 0; i < program.stepCount; ++i) {
        const FoldStep& step = program.steps[i];
        const __m256d tu = step.fromStart ? startU : fu, tv = step.fromStart ? startV : fv;
        __m256d taken = below(step.side, tu, tv);
        if (step.above) taken = _mm256_xor_pd(taken, _mm256_castsi256_pd(_mm256_set1_epi64x(-1)));
        taken = _mm256_and_pd(taken, below(step.also, tu, tv));
        const LatticeAffine& a = step.map;
        const __m256d mu = affine(a.uu, fu, a.uv, fv, a.u1), mv = affine(a.vu, fu, a.vv, fv, a.v1);
        fu = _mm256_blendv_pd(fu, mu, taken);
        fv = _mm256_blendv_pd(fv, mv, taken);
      }
    }
    const LatticeAffine& t = program.readThrough;
    const __m256d ru = affine(t.uu, fu, t.uv, fv, t.u1), rv = affine(t.vu, fu, t.vv, fv, t.v1);
    fu = ru;
    fv = rv;
    const LatticeAffine& f = blends.frame;
    const __m256d au = affine(f.uu, fu, f.uv, fv, f.u1), av = affine(f.vu, fu, f.vv, fv, f.v1);
    __m256i bits = _mm256_setzero_si256();
    for (int i = 0; i < tests.count; ++i)
      bits = _mm256_or_si256(bits, _mm256_and_si256(_mm256_castpd_si256(below(tests.tests[i], au, av)),
                                                    _mm256_set1_epi64x(std::int64_t{1} << i)));
    __m128i region;
    if (tests.count <= SeamBlendsInDoubles::Tests::kTableTests) {
      alignas(32) std::int64_t laneBits[4];
      _mm256_store_si256(reinterpret_cast<__m256i*>(laneBits), bits);
      region = _mm_setr_epi32(tests.regionOf[laneBits[0]], tests.regionOf[laneBits[1]],
                              tests.regionOf[laneBits[2]], tests.regionOf[laneBits[3]]);
    } else {
      __m256d decided = zero, found = splat(-1);
      for (int r = 0; r < blends.regionCount; ++r) {
        const __m256i held = _mm256_cmpeq_epi64(
            _mm256_and_si256(bits, _mm256_set1_epi64x(std::int64_t(tests.care[r]))),
            _mm256_set1_epi64x(std::int64_t(tests.want[r])));
        const __m256d inside = _mm256_andnot_pd(decided, _mm256_castsi256_pd(held));
        found = _mm256_blendv_pd(found, splat(r), inside);
        decided = _mm256_or_pd(decided, inside);
        if (_mm256_movemask_pd(decided) == 0xF) break;
      }
      region = _mm256_cvtpd_epi32(found);
    }
    if (whole) {
      _mm256_storeu_pd(u + k, fu);
      _mm256_storeu_pd(v + k, fv);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(regions + k), region);
      continue;
    }
    alignas(32) double us[4], vs[4];
    alignas(16) int rs[4];
    _mm256_store_pd(us, fu);
    _mm256_store_pd(vs, fv);
    _mm_store_si128(reinterpret_cast<__m128i*>(rs), region);
    for (int i = 0; k + i < count; ++i) {
      u[k + i] = us[i];
      v[k + i] = vs[i];
      regions[k + i] = rs[i];
    }
  }
}

}  // namespace corvel::detail
