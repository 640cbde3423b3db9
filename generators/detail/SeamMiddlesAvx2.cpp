// The pixels mixed in doubles located and queued four at a time, as SeamBlendsInDoubles::Locate
// and QueueAt take them one by one, operation for operation. Compiled with AVX2 enabled for this
// file alone; run only where the processor record allows. No fused multiply-add here, so that the
// lanes' sums round as the doubles' do.
#include <immintrin.h>

#include <cstring>

#include "generators/detail/DoublesRule.h"
#include "generators/detail/SeamBlends.h"

namespace corvel::detail {

namespace {

using D = __m256d;

[[gnu::always_inline]] inline D Splat(double t) { return _mm256_set1_pd(t); }

// a p + b q + c, summed in that order.
[[gnu::always_inline]] inline D Affine(double a, D p, double b, D q, double c) {
  return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(Splat(a), p), _mm256_mul_pd(Splat(b), q)), Splat(c));
}

struct Points {
  D x, y;
};

[[gnu::always_inline]] inline Points Mapped(const LatticeAffine& a, const Points& p) {
  return {Affine(a.uu, p.x, a.uv, p.y, a.u1), Affine(a.vu, p.x, a.vv, p.y, a.v1)};
}

// Clamp01's answer: the maximum and minimum answer their second operands for NaN and for equal
// zeros, as its comparisons do.
[[gnu::always_inline]] inline D Clamped01(D t) {
  return _mm256_min_pd(Splat(1), _mm256_max_pd(_mm256_setzero_pd(), t));
}

// SideBend::At of four points.
[[gnu::always_inline]] inline D BumpAt(const SideBend& bend, const Points& at) {
  auto shape = [&](D t) {
    if (bend.clamped) t = Clamped01(t);
    const D rest = _mm256_sub_pd(Splat(1), t);
    if (bend.shape == SideBend::kBump) return _mm256_mul_pd(t, rest);
    return _mm256_mul_pd(_mm256_sub_pd(Splat(1), _mm256_mul_pd(Splat(2), t)), _mm256_min_pd(t, rest));
  };
  const D first = shape(Affine(bend.tu, at.x, bend.tv, at.y, bend.t1));
  if (!bend.twoBumps) return _mm256_mul_pd(Splat(bend.amount), first);
  const D second = shape(Affine(bend.t2u, at.x, bend.t2v, at.y, bend.t21));
  D firstTaken = _mm256_cmp_pd(first, second, _CMP_GT_OQ);
  if (bend.smaller) firstTaken = _mm256_xor_pd(firstTaken, _mm256_castsi256_pd(_mm256_set1_epi64x(-1)));
  return _mm256_mul_pd(Splat(bend.amount), _mm256_blendv_pd(second, first, firstTaken));
}

// SeamBlendsInDoubles::BentWeight's, unclamped: the bumps summed from nought, those the weight is
// bent by alone, and added to the straight part.
[[gnu::always_inline]] inline D Value(const LatticeLinear& w, const BlendBends& by, const Points& at,
                                      const MixPlace& place) {
  const D straight = Affine(w.wu, at.x, w.wv, at.y, w.w1);
  if (!by.Any()) return straight;
  D bent = _mm256_setzero_pd();
  for (int b = 0; b < place.bendCount; ++b)
    if (by.times[b] != 0)
      bent = _mm256_add_pd(bent, _mm256_mul_pd(Splat(by.times[b]), BumpAt(place.bends[b], at)));
  return _mm256_add_pd(straight, bent);
}

[[gnu::always_inline]] inline D Weight(const LatticeLinear& w, const Points& at) {
  return Clamped01(Affine(w.wu, at.x, w.wv, at.y, w.w1));
}

// As ToFixed takes a coordinate, the origin added first.
[[gnu::always_inline]] inline __m128i Fixed(D t, double origin) {
  const D scaled = _mm256_add_pd(_mm256_mul_pd(Splat(256), _mm256_add_pd(t, Splat(origin))),
                                 Splat(kFixedPointSlack));
  return _mm256_cvttpd_epi32(_mm256_min_pd(Splat(2147483647.0), scaled));
}

// Four points' 24.8 positions.
struct FixedPoints {
  __m128i x, y;
};

[[gnu::always_inline]] inline FixedPoints FixedOf(const Points& p, const Point2D& origin) {
  return {Fixed(p.x, origin.x), Fixed(p.y, origin.y)};
}

// Four pixels' positions of two samples each, pixel by pixel: own, then partner.
[[gnu::always_inline]] inline void StoreTwo(const FixedPoints& a, const FixedPoints& b, std::int32_t* to) {
  const __m128i a01 = _mm_unpacklo_epi32(a.x, a.y), a23 = _mm_unpackhi_epi32(a.x, a.y);
  const __m128i b01 = _mm_unpacklo_epi32(b.x, b.y), b23 = _mm_unpackhi_epi32(b.x, b.y);
  auto store = [to](int pixel, __m128i both) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 4 * pixel), both);
  };
  store(0, _mm_unpacklo_epi64(a01, b01));
  store(1, _mm_unpackhi_epi64(a01, b01));
  store(2, _mm_unpacklo_epi64(a23, b23));
  store(3, _mm_unpackhi_epi64(a23, b23));
}

// The same of four samples each, in the order given.
[[gnu::always_inline]] inline void StoreFour(const FixedPoints& a, const FixedPoints& b, const FixedPoints& c,
                                             const FixedPoints& d, std::int32_t* to) {
  const __m128i a01 = _mm_unpacklo_epi32(a.x, a.y), a23 = _mm_unpackhi_epi32(a.x, a.y);
  const __m128i b01 = _mm_unpacklo_epi32(b.x, b.y), b23 = _mm_unpackhi_epi32(b.x, b.y);
  const __m128i c01 = _mm_unpacklo_epi32(c.x, c.y), c23 = _mm_unpackhi_epi32(c.x, c.y);
  const __m128i d01 = _mm_unpacklo_epi32(d.x, d.y), d23 = _mm_unpackhi_epi32(d.x, d.y);
  auto store = [to](int pixel, __m128i low, __m128i high) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + 8 * pixel), _mm256_setr_m128i(low, high));
  };
  store(0, _mm_unpacklo_epi64(a01, b01), _mm_unpacklo_epi64(c01, d01));
  store(1, _mm_unpackhi_epi64(a01, b01), _mm_unpackhi_epi64(c01, d01));
  store(2, _mm_unpacklo_epi64(a23, b23), _mm_unpacklo_epi64(c23, d23));
  store(3, _mm_unpackhi_epi64(a23, b23), _mm_unpackhi_epi64(c23, d23));
}

// Four pixels' weights, pixel by pixel: w, then 1 - w.
[[gnu::always_inline]] inline void StoreWeightsTwo(D w, double* to) {
  const D rest = _mm256_sub_pd(Splat(1), w);
  const D pixels02 = _mm256_unpacklo_pd(w, rest), pixels13 = _mm256_unpackhi_pd(w, rest);
  _mm256_storeu_pd(to, _mm256_permute2f128_pd(pixels02, pixels13, 0x20));
  _mm256_storeu_pd(to + 4, _mm256_permute2f128_pd(pixels02, pixels13, 0x31));
}

// The same of four weights each, in the order given.
[[gnu::always_inline]] inline void StoreWeightsFour(D a, D b, D c, D d, double* to) {
  const D ab02 = _mm256_unpacklo_pd(a, b), ab13 = _mm256_unpackhi_pd(a, b);
  const D cd02 = _mm256_unpacklo_pd(c, d), cd13 = _mm256_unpackhi_pd(c, d);
  _mm256_storeu_pd(to, _mm256_permute2f128_pd(ab02, cd02, 0x20));
  _mm256_storeu_pd(to + 4, _mm256_permute2f128_pd(ab13, cd13, 0x20));
  _mm256_storeu_pd(to + 8, _mm256_permute2f128_pd(ab02, cd02, 0x31));
  _mm256_storeu_pd(to + 12, _mm256_permute2f128_pd(ab13, cd13, 0x31));
}

// Four pixels' samples of any count, each with its point and weight, stored pixel by pixel.
struct Samples {
  int count = 0;
  Points points[BlendRegion::kMaxCopies];
  D weights[BlendRegion::kMaxCopies];

  void Add(const Points& point, D weight) {
    points[count] = point;
    weights[count++] = weight;
  }
  // As LimitWeightsToOne takes each pixel's: summed in order, all divided by a sum not at most 1.
  void LimitToOne() {
    D sum = _mm256_setzero_pd();
    for (int i = 0; i < count; ++i) sum = _mm256_add_pd(sum, weights[i]);
    const D over = _mm256_cmp_pd(sum, Splat(1), _CMP_NLE_UQ);
    if (_mm256_movemask_pd(over) == 0) return;  // the divisions wait long
    for (int i = 0; i < count; ++i)
      weights[i] = _mm256_blendv_pd(weights[i], _mm256_div_pd(weights[i], sum), over);
  }
  // Each sample's four pixels' positions and weights split between the pixels, a pair of 32-bit
  // positions and a weight at a time.
  void Store(const Point2D& origin, std::int32_t* positions, double* to) const {
    auto pair = [&](int pixel, int i, __m128i both) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(positions + 2 * (count * pixel + i)), both);
    };
    for (int i = 0; i < count; ++i) {
      const FixedPoints fixed = FixedOf(points[i], origin);
      const __m128i xy01 = _mm_unpacklo_epi32(fixed.x, fixed.y), xy23 = _mm_unpackhi_epi32(fixed.x, fixed.y);
      pair(0, i, xy01);
      pair(1, i, _mm_srli_si128(xy01, 8));
      pair(2, i, xy23);
      pair(3, i, _mm_srli_si128(xy23, 8));
      const __m128d w01 = _mm256_castpd256_pd128(weights[i]), w23 = _mm256_extractf128_pd(weights[i], 1);
      _mm_storel_pd(to + i, w01);
      _mm_storeh_pd(to + count + i, w01);
      _mm_storel_pd(to + 2 * count + i, w23);
      _mm_storeh_pd(to + 3 * count + i, w23);
    }
  }
};

// Three copies' or copies' samples, as PlanAt weighs them.
[[gnu::always_inline]] inline Samples Copies(const BlendRegion& region, const MixPlace& place,
                                             const Points& at, const Points& own) {
  Samples samples;
  auto clamped = [](D t) { return Clamped01(t); };
  if (region.kind == BlendKind::kThreeCopies) {
    const D a = Value(region.weight, region.weightBends, at, place),
            b = Value(region.weight2, region.weight2Bends, at, place);
    const D rest = _mm256_sub_pd(_mm256_sub_pd(Splat(1), b), a);
    if (region.ownSummed == OwnSummed::kFirst) samples.Add(own, clamped(rest));
    samples.Add(Mapped(region.partner, at), clamped(a));
    samples.Add(Mapped(region.partner2, at), clamped(b));
    if (region.ownSummed == OwnSummed::kLast) samples.Add(own, clamped(rest));
  } else {
    for (int i = 0; i < region.copyCount; ++i) {
      const BlendCopy& copy = region.copies[i];
      samples.Add(copy.own ? own : Mapped(copy.map, at),
                  _mm256_mul_pd(Weight(copy.weight, at), Weight(copy.weight2, at)));
    }
  }
  samples.LimitToOne();
  return samples;
}

// Four pixels at (u, v) queued: their samples' positions and weights.
[[gnu::always_inline]] inline void QueueFour(const BlendRegion& region, const MixPlace& place,
                                             const Points& uv, std::int32_t* positions, double* weights) {
  const Points at = Mapped(place.frame, uv);
  Points own{_mm256_add_pd(uv.x, Splat(place.shift.x)), _mm256_add_pd(uv.y, Splat(place.shift.y))};
  if (place.throughSource) {
    const LatticeMatrix& m = place.toSource;
    own = {_mm256_add_pd(_mm256_mul_pd(own.x, Splat(m.m00)), _mm256_mul_pd(own.y, Splat(m.m01))),
           _mm256_add_pd(_mm256_mul_pd(own.x, Splat(m.m10)), _mm256_mul_pd(own.y, Splat(m.m11)))};
  }
  if (region.kind == BlendKind::kOwn) {
    Samples alone;
    alone.Add(own, Splat(1));
    return alone.Store(place.origin, positions, weights);
  }
  if (region.kind == BlendKind::kThreeCopies || region.kind == BlendKind::kCopies)
    return Copies(region, place, at, own).Store(place.origin, positions, weights);
  const D w1 = Clamped01(Value(region.weight, region.weightBends, at, place));
  const FixedPoints ownFixed = FixedOf(own, place.origin),
                    partner = FixedOf(Mapped(region.partner, at), place.origin);
  if (region.kind == BlendKind::kBand) {
    StoreTwo(ownFixed, partner, positions);
    StoreWeightsTwo(w1, weights);
    return;
  }
  const D w2 = Clamped01(Value(region.weight2, region.weight2Bends, at, place));
  const D rest1 = _mm256_sub_pd(Splat(1), w1), rest2 = _mm256_sub_pd(Splat(1), w2);
  StoreFour(ownFixed, FixedOf(Mapped(region.partnerBoth, at), place.origin), partner,
            FixedOf(Mapped(region.partner2, at), place.origin), positions);
  StoreWeightsFour(_mm256_mul_pd(w1, w2), _mm256_mul_pd(rest2, rest1), _mm256_mul_pd(rest1, w2),
                   _mm256_mul_pd(rest2, w1), weights);
}

// All ones where the point lies inside the side.
[[gnu::always_inline]] inline D Below(const HalfPlane& side, const Points& p) {
  return _mm256_cmp_pd(Affine(side.nu, p.x, side.nv, p.y, side.n1), _mm256_setzero_pd(), _CMP_LT_OQ);
}

class LocatingLanes {
 public:
  LocatingLanes(const SeamBlends& blends, const SeamBlendsInDoubles::Tests& tests, const FoldProgram& program,
                const TileGenerator& generator)
      : blends_(blends), tests_(tests), program_(program), generator_(generator) {}

  // The folded positions of four plane points, by the plan's own fold where given, else by the
  // program's, read through.
  [[gnu::always_inline]] Points Fold(const Points& plane) const {
    const LatticeAffine& t = program_.readThrough;
    return Mapped(t, blends_.planFold ? FoldAsPlan(plane) : FoldByProgram(plane));
  }

  // The region of each lane's folded position, -1 for none.
  [[gnu::always_inline]] __m128i Regions(const Points& folded) const {
    const Points at = Mapped(blends_.frame, folded);
    // Each bump once for the four pixels, rather than once for each test it bends.
    D bumps[kMaxBlendBends];
    for (int b = 0; b < blends_.bendCount; ++b) bumps[b] = BumpAt(blends_.bends[b], at);
    // Each test's bit shifted in from the last test down, so that test i lands on bit i.
    __m256i bits = _mm256_setzero_si256();
    for (int i = tests_.count - 1; i >= 0; --i) {
      const HalfPlane& test = tests_.tests[i];
      D sum = Affine(test.nu, at.x, test.nv, at.y, test.n1);
      for (int b = 0; b < blends_.bendCount; ++b)
        sum = _mm256_add_pd(sum, _mm256_mul_pd(Splat(tests_.testBends[i].times[b]), bumps[b]));
      const D below = _mm256_cmp_pd(sum, _mm256_setzero_pd(), _CMP_LT_OQ);
      bits = _mm256_or_si256(_mm256_slli_epi64(bits, 1), _mm256_srli_epi64(_mm256_castpd_si256(below), 63));
    }
    if (tests_.count <= SeamBlendsInDoubles::Tests::kTableTests)
      return _mm256_i64gather_epi32(tests_.regionOf, bits, 4);
    return RegionsInTurn(bits);
  }

 private:
  [[gnu::always_inline]] Points ToLattice(const Points& plane) const {
    if (generator_.detM == 0) return plane;
    const LatticeMatrix& m = generator_.invM;
    return {_mm256_add_pd(_mm256_mul_pd(plane.x, Splat(m.m00)), _mm256_mul_pd(plane.y, Splat(m.m01))),
            _mm256_add_pd(_mm256_mul_pd(plane.x, Splat(m.m10)), _mm256_mul_pd(plane.y, Splat(m.m11)))};
  }

  // The whole pixel's cell position, as CellPosition takes it, folded by the plan's fold in lanes.
  // A whole number, as an int, has no -0, and neither has FloorOf: +0 is added to each.
  [[gnu::always_inline]] Points FoldAsPlan(const Points& plane) const {
    constexpr int kTowardZero = _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC;
    auto whole = [](D t) { return _mm256_add_pd(_mm256_round_pd(t, kTowardZero), _mm256_setzero_pd()); };
    const Points cell = ToLattice({whole(plane.x), whole(plane.y)});
    auto inCell = [](D t) {
      return _mm256_sub_pd(t, _mm256_add_pd(_mm256_floor_pd(t), _mm256_setzero_pd()));
    };
    alignas(32) double us[4], vs[4];
    _mm256_store_pd(us, inCell(cell.x));
    _mm256_store_pd(vs, inCell(cell.y));
    blends_.planFoldLanes(us, vs);
    return {_mm256_load_pd(us), _mm256_load_pd(vs)};
  }

  // The position wrapped into the cell and taken through the program's steps.
  [[gnu::always_inline]] Points FoldByProgram(const Points& plane) const {
    const D bias = Splat(program_.wrapBias);
    auto wrapped = [&](D t) {
      t = _mm256_add_pd(t, bias);
      return _mm256_sub_pd(_mm256_sub_pd(t, _mm256_floor_pd(t)), bias);
    };
    const Points cell = ToLattice(plane);
    const Points start{wrapped(cell.x), wrapped(cell.y)};
    Points f = start;
    for (int i = 0; i < program_.stepCount; ++i) {
      const FoldStep& step = program_.steps[i];
      const Points tested = step.fromStart ? start : f;
      D taken = Below(step.side, tested);
      if (step.above) taken = _mm256_xor_pd(taken, _mm256_castsi256_pd(_mm256_set1_epi64x(-1)));
      taken = _mm256_and_pd(taken, Below(step.also, tested));
      const Points m = Mapped(step.map, f);
      f = {_mm256_blendv_pd(f.x, m.x, taken), _mm256_blendv_pd(f.y, m.y, taken)};
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
    const Points plane{
        whole ? _mm256_loadu_pd(x + k) : _mm256_setr_pd(at(x, 0), at(x, 1), at(x, 2), at(x, 3)),
        whole ? _mm256_loadu_pd(y + k) : _mm256_setr_pd(at(y, 0), at(y, 1), at(y, 2), at(y, 3))};
    const Points folded = lanes.Fold(plane);
    const __m128i region = lanes.Regions(folded);
    if (whole) {
      _mm256_storeu_pd(u + k, folded.x);
      _mm256_storeu_pd(v + k, folded.y);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(regions + k), region);
      continue;
    }
    alignas(32) double us[4], vs[4];
    alignas(16) int rs[4];
    _mm256_store_pd(us, folded.x);
    _mm256_store_pd(vs, folded.y);
    _mm_store_si128(reinterpret_cast<__m128i*>(rs), region);
    for (int i = 0; k + i < count; ++i) {
      u[k + i] = us[i];
      v[k + i] = vs[i];
      regions[k + i] = rs[i];
    }
  }
}

void QueueMixesAvx2(const BlendRegion& region, const MixPlace& place, const double* u, const double* v,
                    int count, std::int32_t* positions, double* weights) {
  const int samples = QueuedSamples(region);
  int k = 0;
  for (; k + 4 <= count; k += 4)
    QueueFour(region, place, {_mm256_loadu_pd(u + k), _mm256_loadu_pd(v + k)}, positions + 2 * samples * k,
              weights + samples * k);
  if (k == count) return;
  // The last pixel repeated in the lanes past count, which are not kept.
  auto at = [&](const double* t, int i) { return t[k + i < count ? k + i : count - 1]; };
  alignas(32) std::int32_t fourPositions[4 * 2 * BlendRegion::kMaxCopies];
  alignas(32) double fourWeights[4 * BlendRegion::kMaxCopies];
  QueueFour(region, place,
            {_mm256_setr_pd(at(u, 0), at(u, 1), at(u, 2), at(u, 3)),
             _mm256_setr_pd(at(v, 0), at(v, 1), at(v, 2), at(v, 3))},
            fourPositions, fourWeights);
  const int left = count - k;
  std::memcpy(positions + 2 * samples * k, fourPositions, sizeof(std::int32_t) * 2 * samples * left);
  std::memcpy(weights + samples * k, fourWeights, sizeof(double) * samples * left);
}

}  // namespace corvel::detail
