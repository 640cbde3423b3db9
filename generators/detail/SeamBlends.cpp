#include "generators/detail/SeamBlends.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <new>

#include "core/CpuFeatures.h"
#include "generators/detail/KeptBetweenRenders.h"
#include "generators/detail/SeamFeathering.h"

namespace corvel::detail {

namespace {

// value(X, Y) = a X + b Y + c for an affine function of the 24.8 position.
template <class Value, class Number>
void Coefficients(Value&& value, Number* out) {
  const double c = value(0.0, 0.0);
  out[0] = Number(value(1.0, 0.0) - c);
  out[1] = Number(value(0.0, 1.0) - c);
  out[2] = Number(c);
}

// Whether the pixels where the weight is one half are their own partners, as on a mirror: their
// mix is exact whatever the weight, and they need not be planned. Judged a thousand pixels either
// way along that line.
bool OwnPartnersOnTheMiddle(const double* partner, const double* weight) {
  const double slope2 = weight[0] * weight[0] + weight[1] * weight[1];
  if (slope2 == 0) return true;
  const double footX = (0.5 - weight[2]) / slope2 * weight[0], footY = (0.5 - weight[2]) / slope2 * weight[1];
  const double along = 256 * 1000 / std::sqrt(slope2);
  for (double side : {-along, along}) {
    const double x = footX - side * weight[1], y = footY + side * weight[0];
    if (std::abs(partner[0] * x + partner[1] * y + partner[2] - x) > 1 ||
        std::abs(partner[3] * x + partner[4] * y + partner[5] - y) > 1)
      return false;
  }
  return true;
}

// The own samples and their partners mixed as the plan in doubles mixes them, truncated: four
// channels of one pixel in each register. A weight of 1 keeps the own sample exactly.
inline __m128i MixFour(__m128 own, __m128 partner, __m128 weight) {
  const __m128 mixed = _mm_add_ps(_mm_add_ps(partner, _mm_mul_ps(weight, _mm_sub_ps(own, partner))),
                                  _mm_set1_ps(kMixRoundingSlack));
  return _mm_cvttps_epi32(mixed);
}

// Pixels i of own and partner as four float channels.
inline __m128 Channels(__m128i pixels, int i) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i words = i < 2 ? _mm_unpacklo_epi8(pixels, zero) : _mm_unpackhi_epi8(pixels, zero);
  return _mm_cvtepi32_ps(i % 2 == 0 ? _mm_unpacklo_epi16(words, zero) : _mm_unpackhi_epi16(words, zero));
}

void MixRun(bool avx2, std::uint8_t* out, const std::uint8_t* partners, const float* weights, int count) {
  int i = avx2 ? MixRunAvx2(out, partners, weights, count) : 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i own = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + 4 * i));
    const __m128i partner = _mm_loadu_si128(reinterpret_cast<const __m128i*>(partners + 4 * i));
    const __m128i first = _mm_packs_epi32(
        MixFour(Channels(own, 0), Channels(partner, 0), _mm_set1_ps(weights[i])),
        MixFour(Channels(own, 1), Channels(partner, 1), _mm_set1_ps(weights[i + 1])));
    const __m128i second = _mm_packs_epi32(
        MixFour(Channels(own, 2), Channels(partner, 2), _mm_set1_ps(weights[i + 2])),
        MixFour(Channels(own, 3), Channels(partner, 3), _mm_set1_ps(weights[i + 3])));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), _mm_packus_epi16(first, second));
  }
  for (; i < count; ++i) {
    std::int32_t a, b;
    std::memcpy(&a, out + 4 * i, 4);
    std::memcpy(&b, partners + 4 * i, 4);
    const __m128i mixed = MixFour(Channels(_mm_cvtsi32_si128(a), 0), Channels(_mm_cvtsi32_si128(b), 0),
                                  _mm_set1_ps(weights[i]));
    const __m128i words = _mm_packs_epi32(mixed, mixed);
    a = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(out + 4 * i, &a, 4);
  }
}

// Marks the pixels of a run that mix two samples not both opaque to be planned, and counts them.
// The plan mixes straight colours per byte, so a sample of alpha 1 brings its colour at its whole
// weight: a partner a 256th of a pixel off, clear in one road and not in the other, moved such a
// mix by tens of levels. The pixels mixed in doubles, middle to middlesEnd in order along the
// row, keep their mix.
int PlanMixesNotOpaque(int x, const std::uint8_t* own, const std::uint8_t* partners, const float* weights,
                       int count, const int* middle, const int* middlesEnd, std::uint8_t* marks) {
  int planned = 0;
  const __m128i alpha = _mm_set1_epi32(std::int32_t(0xFF000000u));
  for (int i = 0; i < count; ++i) {
    // Four pixels at a time while every own sample and partner is opaque, as most are.
    for (; i + 4 <= count; i += 4) {
      const __m128i both = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(own + 4 * i)),
                                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(partners + 4 * i)));
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(both, alpha), alpha)) != 0xFFFF) break;
    }
    if (i == count) break;
    if ((own[4 * i + 3] & partners[4 * i + 3]) == 255 || weights[i] <= 0 || weights[i] >= 1) continue;
    while (middle < middlesEnd && *middle < x + i) ++middle;
    if (marks[x + i] != 0 || (middle < middlesEnd && *middle == x + i)) continue;
    marks[x + i] = 1;
    ++planned;
  }
  return planned;
}

// The samplers' widest group of lanes.
constexpr int kSampledTogether = 8;

// A mark for a pixel mixed in doubles by the plan's own fold, until the fold lines are done.
constexpr std::uint8_t kMixedAsPlanned = 3;

// Bit i set where marks[from + i] is, for the 64 marks from `from` on; those past width clear.
std::uint64_t MarkedBits(const std::uint8_t* marks, int from, int width) {
  auto sixteen = [&](int at) {
    const __m128i clear = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(marks + at)),
                                         _mm_setzero_si128());
    return ~unsigned(_mm_movemask_epi8(clear)) & 0xFFFFu;
  };
  std::uint64_t bits = 0;
  for (int k = 0; k < 64 && from + k < width; k += 16) {
    const int at = from + k;
    unsigned set = 0;
    if (at + 16 <= width) {
      set = sixteen(at);
    } else if (width >= 16) {
      // The row's last sixteen, those before `at` shifted out.
      set = sixteen(width - 16) >> (at + 16 - width);
    } else {
      for (int i = at; i < width; ++i) set |= unsigned(marks[i] != 0) << (i - at);
    }
    bits |= std::uint64_t{set} << k;
  }
  return bits;
}

// The runs of set marks of a row, in order; how many. Found 64 marks at a time from their bits:
// most rows hold a few short runs far apart.
int FindRuns(const std::uint8_t* marks, int width, BlendRun* runs) {
  int count = 0, start = 0;
  bool inRun = false;
  for (int from = 0; from < width; from += 64) {
    const std::uint64_t bits = MarkedBits(marks, from, width);
    for (int at = 0; at < 64;) {
      if (!inRun) {
        const std::uint64_t set = bits >> at;
        if (set == 0) break;
        at += __builtin_ctzll(set);
        start = from + at;
        inRun = true;
      }
      const std::uint64_t clear = ~bits >> at;
      if (clear == 0) break;
      at += __builtin_ctzll(clear);
      runs[count++] = {start, from + at - start};
      inRun = false;
    }
  }
  if (inRun) runs[count++] = {start, width - start};
  return count;
}

// The band pixels of a row that lie on a fold line, within kOnFoldLine. Away from the bands the
// fold's copies meet without a step, as the unfeathered render takes them, save across a cell's
// edge: there every pixel about a crossing is taken, as it is folded from one side of the wrap or
// the other.
void OnFoldLines(const SeamBlendArgs& args, const SeamBlendRowPlace& place, int width,
                 const std::uint8_t* marks, std::vector<int>& on) {
  const bool wholePixels = place.step == 1 && place.start.x == std::floor(place.start.x) &&
                           place.start.y == std::floor(place.start.y);
  const double margin = wholePixels ? std::clamp(args.foldLineSpacing / 2, kOnSeam, kOnFoldLine)
                                    : kOnFoldLine;
  on.clear();
  for (int i = 0; i < args.foldLineCount; ++i) {
    if (args.cellEdge[i] && args.cellEdgesByWholeNumbers) continue;
    const double* c = args.foldLines[i];
    const double t0 = c[0] * place.start.x + c[1] * place.start.y + c[2], dt = c[0] * place.step;
    const bool bandsOnly = !args.cellEdge[i];
    auto take = [&](double from, double to) {
      if (!(from < width) || to < 0) return;
      // The first pixel from `from` on, the whole part taken off without a call to ceil.
      int x = from > 0 ? int(from) : 0;
      x += x < from;
      for (; x < width && x <= to; ++x)
        if (marks[x] || !bandsOnly) on.push_back(x);
    };
    if (dt == 0) {
      if (std::abs(t0 - std::round(t0)) < margin) take(0, width);
      continue;
    }
    // The crossings' ends lie half a line's spacing from any pixel: a product for a quotient
    // takes the same ones.
    const double last = t0 + (width - 1) * dt, perUnit = 1 / dt;
    for (double k = std::ceil(std::min(t0, last) - margin); k <= std::max(t0, last) + margin; ++k) {
      const double from = (k - margin - t0) * perUnit, to = (k + margin - t0) * perUnit;
      take(std::min(from, to), std::max(from, to));
    }
  }
}

// The tests of the regions past the leading planned ones renumbered to the lowest bits, so that
// a table of few bits can hold those regions however many tests the planned ones add.
void PutLaterRegionsTestsFirst(SeamBlendArgs& args) {
  std::int32_t later = 0;
  for (int r = args.plannedFirst; r < args.regionCount; ++r) later |= args.regions[r].care;
  int bitOf[SeamBlendArgs::kMaxTests];
  float tests[SeamBlendArgs::kMaxTests][3], bends[SeamBlendArgs::kMaxTests][kMaxBlendBends];
  int next = 0;
  for (const bool ofLater : {true, false})
    for (int k = 0; k < args.testCount; ++k)
      if (((later >> k) & 1) == ofLater) {
        std::copy(args.tests[k], args.tests[k] + 3, tests[next]);
        std::copy(args.testBends[k], args.testBends[k] + kMaxBlendBends, bends[next]);
        bitOf[k] = next++;
      }
  std::copy(&tests[0][0], &tests[0][0] + 3 * args.testCount, &args.tests[0][0]);
  std::copy(&bends[0][0], &bends[0][0] + kMaxBlendBends * args.testCount, &args.testBends[0][0]);
  for (int r = 0; r < args.regionCount; ++r) {
    SeamBlendArgs::Region& region = args.regions[r];
    std::int32_t care = 0, want = 0;
    for (int k = 0; k < args.testCount; ++k) {
      care |= ((region.care >> k) & 1) << bitOf[k];
      want |= ((region.want >> k) & 1) << bitOf[k];
    }
    region.care = care;
    region.want = want;
  }
}

// The kernels' lanes, one a slot: a blended region each, and one for each kind of the others.
// The leading regions in the kernels' shorter form, where they are all of one kind.
void SumUpLeadingRegions(SeamBlendArgs& args) {
  args.leadingAlike = true;
  args.leadingSingles = args.leadingFlip = 0;
  args.leadingMultiCount = 0;
  for (int r = 0; r < args.plannedFirst; ++r) {
    const SeamBlendArgs::Region& region = args.regions[r];
    args.leadingAlike = args.leadingAlike && region.inDoubles == args.regions[0].inDoubles;
    // Of one side: a test's bit, unless another region took the opposite side of that test.
    const std::int32_t flip = region.care & ~region.want;
    const bool single = region.care != 0 && (region.care & (region.care - 1)) == 0 &&
                        ((args.leadingSingles & region.care) == 0 ||
                         (args.leadingFlip & region.care) == flip);
    if (!single) {
      args.leadingMulti[args.leadingMultiCount++] = r;
      continue;
    }
    args.leadingSingles |= region.care;
    args.leadingFlip |= flip;
  }
}

void MakeSlots(SeamBlendArgs& args) {
  args.slotCount = 0;
  args.tableFirst = args.testCount <= SeamBlendArgs::kTableTests ? 0 : args.plannedFirst;
  std::int32_t held = 0;
  for (int r = args.tableFirst; r < args.regionCount; ++r) held |= args.regions[r].care;
  if (held >= std::int32_t{1} << SeamBlendArgs::kTableTests) return;
  SeamBlendArgs::Slots& slots = args.slots;
  std::uint8_t slotOfRegion[SeamBlends::kMaxRegions + 1];
  for (int r = args.tableFirst; r <= args.regionCount; ++r) {
    const bool none = r == args.regionCount;
    const SeamBlendArgs::Region* region = none ? nullptr : &args.regions[r];
    const bool blended = !none && region->blended;
    const std::int32_t byPlan = none || region->planned ? -1 : 0, inDoubles = none ? 0 : region->inDoubles;
    int k = 0;
    if (!blended)
      while (k < args.slotCount &&
             !(slots.blended[k] == 0 && slots.byPlan[k] == byPlan && slots.inDoubles[k] == inDoubles))
        ++k;
    if (blended || k == args.slotCount) {
      if (args.slotCount == SeamBlendArgs::kSlots) {
        args.slotCount = 0;
        return;
      }
      k = args.slotCount++;
      for (int i = 0; i < 6; ++i) slots.partner[i][k] = blended ? region->partner[i] : 0;
      for (int i = 0; i < 3; ++i) slots.weight[i][k] = blended ? region->weight[i] : 0;
      for (int b = 0; b < kMaxBlendBends; ++b) slots.weightBends[b][k] = blended ? region->weightBends[b] : 0;
      slots.middle[k] = blended ? region->middle : 0;
      slots.middleExact[k] = blended ? region->middleExact : 0;
      slots.blended[k] = blended ? -1 : 0;
      slots.byPlan[k] = byPlan;
      slots.inDoubles[k] = inDoubles;
    }
    slotOfRegion[r] = std::uint8_t(k);
  }
  // The first region that holds a set of bits decides, as the kernels test them in turn.
  for (std::int32_t bits = 0; bits < std::int32_t{1} << SeamBlendArgs::kTableTests; ++bits) {
    int r = args.tableFirst;
    while (r < args.regionCount && (bits & args.regions[r].care) != args.regions[r].want) ++r;
    args.slotOf[bits] = slotOfRegion[r];
  }
}

}  // namespace

BlendRegion& SeamBlends::Add(std::initializer_list<HalfPlane> sides, BlendKind kind) {
  if (regionCount == kMaxRegions || sides.size() > std::size_t(BlendRegion::kMaxSides)) overran = true;
  if (overran) {
    spare_ = BlendRegion{};
    return spare_;
  }
  BlendRegion& region = regions[regionCount++];
  for (const HalfPlane& side : sides) region.sides[region.sideCount++] = side;
  region.kind = kind;
  return region;
}

void SeamBlends::AddMeeting(std::initializer_list<HalfPlane> sides, BlendKind kind,
                            const LatticeAffine& partner, const LatticeLinear& weight,
                            const LatticeAffine& partner2, const LatticeLinear& weight2,
                            const LatticeAffine& partnerBoth) {
  BlendRegion& region = Add(sides, kind);
  region.partner = partner;
  region.weight = weight;
  region.partner2 = partner2;
  region.weight2 = weight2;
  region.partnerBoth = partnerBoth;
}

LatticeLinear BarycentricWeight(const Point2D& p1, const Point2D& p2, const Point2D& p3, double k1, double k2,
                                double k3, double k0) {
  auto cross = [](const Point2D& a, const Point2D& b) { return a.x * b.y - a.y * b.x; };
  const double area = cross(p2 - p1, p3 - p1);
  if (area == 0) return {0, 0, k0 + 0.33 * k1 + 0.33 * k2 + 0.34 * k3};  // as the plan takes it
  return LinearOf([&](double u, double v) {
    const Point2D q(u, v);
    const double b1 = cross(p2 - q, p3 - q) / area, b2 = cross(p3 - q, p1 - q) / area;
    return k0 + k1 * b1 + k2 * b2 + k3 * (1 - b1 - b2);
  });
}

SeamBlendKernel ChooseSeamBlendKernel(const CpuFeatures& cpu) {
  return cpu.avx2 ? SeamBlendAvx2 : SeamBlendSse2;
}

namespace {

// The blends' regions on a pixel's own 24.8 position, as the kernels take them.
class KernelRegions {
 public:
  KernelRegions(const SeamBlends& blends, const FoldProgram& program, const TileGenerator& generator,
                SeamBlendArgs& args)
      : blends_(blends),
        origin_(generator.origin),
        shift_(program.sourceShift),
        toLattice_(generator.invN),
        args_(args) {}

  // The region's sides as the kernels' tests, its partner and weight on the position; false where
  // the tests run out.
  bool Add(const BlendRegion& from, SeamBlendArgs::Region& to);
  // The blends' bumps on the position the weights are taken on.
  void AddBends();

 private:
  // The (u, v) of a 24.8 own position that the regions are stated in; the position lies
  // kFixedPointSlack past the point it was truncated from, on average half a unit less.
  Point2D Folded(double x, double y) const {
    const LatticeAffine& f = blends_.frame;
    const double sx = (x + kFixedPointSlack) / 256 - origin_.x, sy = (y + kFixedPointSlack) / 256 - origin_.y;
    const Point2D uv = toLattice_.Apply(sx, sy) - shift_;
    return Point2D(f.uu * uv.x + f.uv * uv.y + f.u1, f.vu * uv.x + f.vv * uv.y + f.v1);
  }
  // The test of a side bent by `by`, added where no test or its opposite has it yet: its bit, and
  // whether the side is the test's opposite; -1 where no test is left.
  int TestOf(const HalfPlane& side, const BlendBends& by, bool& opposite);

  const SeamBlends& blends_;
  const Point2D origin_, shift_;
  const LatticeMatrix& toLattice_;
  SeamBlendArgs& args_;
};

int KernelRegions::TestOf(const HalfPlane& side, const BlendBends& by, bool& opposite) {
  float t[3], bent[kMaxBlendBends];
  Coefficients(
      [&](double x, double y) {
        const Point2D uv = Folded(x, y);
        return side.nu * uv.x + side.nv * uv.y + side.n1;
      },
      t);
  for (int b = 0; b < kMaxBlendBends; ++b) bent[b] = float(by.times[b]);
  // The kernels add one bump to a test.
  if (std::count_if(bent, bent + kMaxBlendBends, [](float f) { return f != 0; }) > 1) return -1;
  auto same = [](const float* a, const float* b, int n, float sign) {
    for (int i = 0; i < n; ++i)
      if (a[i] != sign * b[i]) return false;
    return true;
  };
  for (int k = 0; k < args_.testCount; ++k) {
    const float *u = args_.tests[k], *ub = args_.testBends[k];
    opposite = same(u, t, 3, -1) && same(ub, bent, kMaxBlendBends, -1);
    if (opposite || (same(u, t, 3, 1) && same(ub, bent, kMaxBlendBends, 1))) return k;
  }
  opposite = false;
  if (args_.testCount == SeamBlendArgs::kMaxTests) return -1;
  std::copy(t, t + 3, args_.tests[args_.testCount]);
  std::copy(bent, bent + kMaxBlendBends, args_.testBends[args_.testCount]);
  return args_.testCount++;
}

void KernelRegions::AddBends() {
  args_.bendCount = blends_.bendCount;
  for (int b = 0; b < blends_.bendCount; ++b) {
    const SideBend& from = blends_.bends[b];
    SeamBlendArgs::Bend& to = args_.bends[b];
    auto along = [&](double tu, double tv, double t1, float* out) {
      Coefficients(
          [&](double x, double y) {
            const Point2D uv = Folded(x, y);
            return tu * uv.x + tv * uv.y + t1;
          },
          out);
    };
    along(from.tu, from.tv, from.t1, to.t);
    along(from.t2u, from.t2v, from.t21, to.t2);
    to.amount = float(from.amount);
    to.clamped = from.clamped;
    to.sShape = from.shape == SideBend::kS;
    to.twoBumps = from.twoBumps;
    to.smaller = from.smaller;
  }
}

bool KernelRegions::Add(const BlendRegion& from, SeamBlendArgs::Region& to) {
  to.care = to.want = 0;
  for (int s = 0; s < from.sideCount; ++s) {
    bool opposite = false;
    const int k = TestOf(from.sides[s], from.sideBends[s], opposite);
    if (k < 0) return false;
    to.care |= 1 << k;
    if (!opposite) to.want |= 1 << k;
  }
  const LatticeAffine& p = from.partner;
  double partner[6], weight[3];
  Coefficients(
      [&](double x, double y) {
        const Point2D uv = Folded(x, y);
        return 256 * (p.uu * uv.x + p.uv * uv.y + p.u1 + origin_.x) + kFixedPointSlack;
      },
      partner);
  Coefficients(
      [&](double x, double y) {
        const Point2D uv = Folded(x, y);
        return 256 * (p.vu * uv.x + p.vv * uv.y + p.v1 + origin_.y) + kFixedPointSlack;
      },
      partner + 3);
  const LatticeLinear& w = from.weight;
  Coefficients(
      [&](double x, double y) {
        const Point2D uv = Folded(x, y);
        return w.wu * uv.x + w.wv * uv.y + w.w1;
      },
      weight);
  std::copy(partner, partner + 6, to.partner);
  std::copy(weight, weight + 3, to.weight);
  for (int b = 0; b < kMaxBlendBends; ++b) to.weightBends[b] = float(from.weightBends.times[b]);
  // The weight's change over a pixel across its lines, a pixel being 256 units.
  const bool blended = from.kind == BlendKind::kBand;
  const double perPixel = blended && !OwnPartnersOnTheMiddle(partner, weight)
                              ? 256 * std::hypot(weight[0], weight[1])
                              : 0;
  to.middle = float(perPixel * kOnSeamMiddle);
  to.middleExact = float(perPixel * kOnSeamMiddleExact);
  const BlendRoad road = RoadOf(from.kind, bool(blends_.planFold));
  to.blended = blended ? -1 : 0;
  to.planned = road == BlendRoad::kPlanned ? -1 : 0;
  to.inDoubles = road == BlendRoad::kDoubles ? -1 : 0;
  return true;
}

// The blends' fold lines as affine functions of the plane point.
void MakeFoldLines(const SeamBlends& blends, const TileGenerator& generator, SeamBlendArgs& args) {
  args.foldLineCount = blends.foldLineCount;
  args.foldLineSpacing = generator.detM == 0 ? 0 : 1 / std::abs(generator.detM);
  for (int i = 0; i < blends.foldLineCount; ++i) {
    const Point2D& line = blends.foldLines[i];
    args.cellEdge[i] = (line.x == 0) != (line.y == 0);
    Coefficients(
        [&](double x, double y) {
          const Point2D uv = generator.PlaneToLattice(x, y);
          return line.x * uv.x + line.y * uv.y;
        },
        args.foldLines[i]);
  }
}

}  // namespace

bool MakeSeamBlendArgs(const SeamBlends& blends, const FoldProgram& program, const TileGenerator& generator,
                       SeamBlendArgs& args) {
  if (generator.detN == 0 || blends.overran) return false;
  MakeFoldLines(blends, generator, args);
  KernelRegions regions(blends, program, generator, args);
  regions.AddBends();
  args.testCount = 0;
  args.regionCount = 0;
  bool leading[SeamBlends::kMaxRegions] = {};
  for (int r = 0; r < blends.regionCount; ++r) {
    const BlendRegion& from = blends.regions[r];
    if (RoadOf(from.kind, bool(blends.planFold)) == BlendRoad::kPassedBy) continue;
    if (!regions.Add(from, args.regions[args.regionCount++])) return false;
    // Planned, for want of the plan's fold or not: the kernels take such regions first.
    leading[args.regionCount - 1] = from.kind == BlendKind::kPlanned ||
                                    from.kind == BlendKind::kPlannedInLanes;
  }
  args.plannedFirst = 0;
  while (args.plannedFirst < args.regionCount && leading[args.plannedFirst]) ++args.plannedFirst;
  PutLaterRegionsTestsFirst(args);
  MakeSlots(args);
  SumUpLeadingRegions(args);
  return true;
}

namespace {

// A box of (u, v) in the blends' frame.
struct FrameBox {
  double lowU = 1e300, highU = -1e300, lowV = 1e300, highV = -1e300;
};

// The program's reach in the regions' coordinates.
FrameBox ReachInFrame(const SeamBlends& blends, const FoldProgram& program) {
  const LatticeAffine& f = blends.frame;
  FrameBox box;
  for (const Point2D& corner : {Point2D(0, 0), Point2D(program.reachU, 0), Point2D(0, program.reachV),
                                Point2D(program.reachU, program.reachV)}) {
    const double u = f.uu * corner.x + f.uv * corner.y + f.u1, v = f.vu * corner.x + f.vv * corner.y + f.v1;
    box.lowU = std::min(box.lowU, u);
    box.highU = std::max(box.highU, u);
    box.lowV = std::min(box.lowV, v);
    box.highV = std::max(box.highV, v);
  }
  return box;
}

// What one partner map reads: the reach cut by the sides along u and v of the regions that take
// it (slanted sides are left out).
struct Read {
  const LatticeAffine* map;
  FrameBox box;
};

// Regions that share a partner map, a band and the corners at its ends, read one parallelogram:
// the box of theirs, so that the window tests fewer of them row by row. How many reads.
int ReadsOf(const SeamBlends& blends, const FrameBox& reach, Read* reads) {
  auto same = [](const LatticeAffine& a, const LatticeAffine& b) {
    return a.uu == b.uu && a.uv == b.uv && a.u1 == b.u1 && a.vu == b.vu && a.vv == b.vv && a.v1 == b.v1;
  };
  int readCount = 0;
  for (int r = 0; r < blends.regionCount; ++r) {
    const BlendRegion& region = blends.regions[r];
    const LatticeAffine* maps[BlendRegion::kMaxCopies];
    int mapCount = 0;
    for (int i = 0; i < region.copyCount; ++i)
      if (!region.copies[i].own) maps[mapCount++] = &region.copies[i].map;
    const bool meeting = region.kind == BlendKind::kCorner || region.kind == BlendKind::kThreeCopies;
    if (region.kind == BlendKind::kBand || meeting) maps[mapCount++] = &region.partner;
    if (meeting) {
      maps[mapCount++] = &region.partner2;
      maps[mapCount++] = &region.partnerBoth;
    }
    if (mapCount == 0) continue;
    FrameBox box = reach;
    for (int i = 0; i < region.sideCount; ++i) {
      const HalfPlane& side = region.sides[i];
      if (region.sideBends[i].Any()) continue;  // the box of its straight line may not hold it
      if (side.nv == 0 && side.nu != 0) {
        const double at = -side.n1 / side.nu;
        side.nu > 0 ? box.highU = std::min(box.highU, at) : box.lowU = std::max(box.lowU, at);
      } else if (side.nu == 0 && side.nv != 0) {
        const double at = -side.n1 / side.nv;
        side.nv > 0 ? box.highV = std::min(box.highV, at) : box.lowV = std::max(box.lowV, at);
      }
    }
    if (box.lowU > box.highU || box.lowV > box.highV) continue;
    for (int m = 0; m < mapCount; ++m) {
      int k = 0;
      while (k < readCount && !same(*reads[k].map, *maps[m])) ++k;
      if (k == readCount) {
        reads[readCount++] = {maps[m], box};
        continue;
      }
      FrameBox& read = reads[k].box;
      read.lowU = std::min(read.lowU, box.lowU);
      read.highU = std::max(read.highU, box.highU);
      read.lowV = std::min(read.lowV, box.lowV);
      read.highV = std::max(read.highV, box.highV);
    }
  }
  return readCount;
}

}  // namespace

RECT WithPartners(RECT reached, const SeamBlends& blends, const FoldProgram& program,
                  const TileGenerator& generator, std::vector<SourceReach>& reaches) {
  constexpr double kFar = 1 << 30;  // beyond any image
  Read reads[SeamBlends::kMaxRegions * BlendRegion::kMaxCopies];
  const int readCount = ReadsOf(blends, ReachInFrame(blends, program), reads);
  for (int k = 0; k < readCount; ++k) {
    const FrameBox& box = reads[k].box;
    const LatticeAffine* p = reads[k].map;
    auto at = [&](double u, double v) {
      return Point2D(p->uu * u + p->uv * v + p->u1, p->vu * u + p->vv * v + p->v1) + generator.origin;
    };
    const Point2D first = at(box.lowU, box.lowV);
    reaches.push_back({first, at(box.highU, box.lowV) - first, at(box.lowU, box.highV) - first});
    for (const Point2D& corner :
         {first, at(box.highU, box.lowV), at(box.lowU, box.highV), at(box.highU, box.highV)}) {
      const double x = corner.x, y = corner.y;
      reached.left = std::min(reached.left, LONG(std::clamp(std::floor(x) - 2, -kFar, kFar)));
      reached.top = std::min(reached.top, LONG(std::clamp(std::floor(y) - 2, -kFar, kFar)));
      reached.right = std::max(reached.right, LONG(std::clamp(std::ceil(x) + 3, -kFar, kFar)));
      reached.bottom = std::max(reached.bottom, LONG(std::clamp(std::ceil(y) + 3, -kFar, kFar)));
    }
  }
  return reached;
}

namespace {

// Every input of SetUpBlends, each count before what it counts.
InputKey BlendSetupKey(const SeamBlends& blends, const FoldProgram& program, const TileGenerator& generator) {
  InputKey key(64 + 160 * std::size_t(blends.regionCount));
  for (const double t : {generator.detM, generator.detN, generator.origin.x, generator.origin.y,
                         program.sourceShift.x, program.sourceShift.y, program.reachU, program.reachV,
                         double(blends.plansAsRegions), double(bool(blends.planFold)),
                         double(blends.foldLineCount), double(blends.regionCount), double(blends.overran)})
    key.Put(t);
  key.PutAll(generator.invM);
  key.PutAll(generator.invN);
  key.PutAll(blends.frame);
  for (int i = 0; i < blends.foldLineCount; ++i) key.PutAll(blends.foldLines[i]);
  key.Put(double(blends.bendCount));
  for (int b = 0; b < blends.bendCount; ++b) {
    const SideBend& bend = blends.bends[b];
    for (const double t : {bend.amount, bend.tu, bend.tv, bend.t1, double(bend.clamped), double(bend.shape),
                           double(bend.twoBumps), bend.t2u, bend.t2v, bend.t21, double(bend.smaller)})
      key.Put(t);
  }
  for (int r = 0; r < blends.regionCount; ++r) {
    const BlendRegion& region = blends.regions[r];
    for (const double t :
         {double(region.sideCount), double(region.kind), double(region.ownSummed), double(region.copyCount)})
      key.Put(t);
    for (int i = 0; i < region.sideCount; ++i) key.PutAll(region.sides[i]);
    for (int i = 0; i < region.sideCount; ++i) key.PutAll(region.sideBends[i]);
    key.PutAll(region.weightBends);
    key.PutAll(region.weight2Bends);
    key.PutAll(region.partner);
    key.PutAll(region.partner2);
    key.PutAll(region.partnerBoth);
    key.PutAll(region.weight);
    key.PutAll(region.weight2);
    for (int i = 0; i < region.copyCount; ++i) {
      const BlendCopy& copy = region.copies[i];
      key.Put(copy.own);
      key.PutAll(copy.map);
      key.PutAll(copy.weight);
      key.PutAll(copy.weight2);
    }
  }
  return key;
}

}  // namespace

std::shared_ptr<const BlendSetup> SetUpBlends(const SeamBlends& blends, const FoldProgram& program,
                                              const TileGenerator& generator, KeptByKey<BlendSetup>& kept) {
  // Worked out, some 5 us of a render of a small feathered cell.
  InputKey key = BlendSetupKey(blends, program, generator);
  if (std::shared_ptr<const BlendSetup> found = kept.Find(key)) return found;
  const std::shared_ptr<BlendSetup> setup = std::make_shared<BlendSetup>();
  setup->made = MakeSeamBlendArgs(blends, program, generator, setup->args);
  if (setup->made && blends.plansAsRegions) SeamBlendsInDoubles::FillTables(blends, setup->tables);
  constexpr LONG kLeast = std::numeric_limits<LONG>::min(), kMost = std::numeric_limits<LONG>::max();
  setup->reached = {kMost, kMost, kLeast, kLeast};
  if (setup->made) setup->reached = WithPartners(setup->reached, blends, program, generator, setup->reaches);
  kept.Keep(std::move(key), setup);
  return setup;
}

SeamBlendsInDoubles::SeamBlendsInDoubles(const SeamBlends& blends, const FoldProgram& program,
                                         const TileGenerator& generator)
    : SeamBlendsInDoubles(blends, program, generator, TablesOf(blends)) {}

SeamBlendsInDoubles::SeamBlendsInDoubles(const SeamBlends& blends, const FoldProgram& program,
                                         const TileGenerator& generator, const Tables& tables)
    : blends_(blends),
      program_(program),
      generator_(generator),
      avx2_(generator.render.cpu.avx2),
      tests_(tables.tests) {
  std::copy(tables.mixes, tables.mixes + SeamBlends::kMaxRegions, mixes_);
  place_ = {
      blends.frame, generator.matN, generator.detN != 0, program.sourceShift, {}};  // origin: the queue's
  for (int r = 0; r < blends.regionCount; ++r) {
    const Mix& mix = mixes_[r];
    inLanes_[r] = avx2_ && GivesSamples(mix.kind) && !mix.weightBends.Any() && !mix.weight2Bends.Any();
  }
}

SeamBlendsInDoubles::Tables SeamBlendsInDoubles::TablesOf(const SeamBlends& blends) {
  Tables tables;
  FillTables(blends, tables);
  return tables;
}

void SeamBlendsInDoubles::FillTables(const SeamBlends& blends, Tables& tables) {
  Tests& t = tables.tests;
  for (int r = 0; r < blends.regionCount; ++r) {
    const BlendRegion& region = blends.regions[r];
    if (region.kind == BlendKind::kPlannedInLanes && blends.planFold) {
      t.want[r] = 1;  // holds no point
      continue;
    }
    for (int i = 0; i < region.sideCount; ++i) {
      const HalfPlane& side = region.sides[i];
      const BlendBends& by = region.sideBends[i];
      int k = 0;
      bool opposite = false;
      for (; k < t.count; ++k) {
        const HalfPlane& test = t.tests[k];
        const BlendBends& bent = t.testBends[k];
        opposite = test == -side && bent == -by;
        if (opposite || (test == side && bent == by)) break;
      }
      if (k == Tests::kMaxTests) {
        // No bit left for the side: the region holds no point, and its pixels are planned.
        t.care[r] = 0;
        t.want[r] = 1;
        break;
      }
      if (k == t.count) {
        t.testBends[t.count] = by;
        t.tests[t.count++] = side;
      }
      t.care[r] |= std::uint64_t{1} << k;
      if (!opposite) t.want[r] |= std::uint64_t{1} << k;
    }
  }
  for (int r = 0; r < blends.regionCount; ++r) {
    const BlendRegion& region = blends.regions[r];
    Mix& mix = tables.mixes[r];
    mix.kind = region.kind;
    mix.partner = region.partner;
    mix.partner2 = region.partner2;
    mix.partnerBoth = region.partnerBoth;
    mix.weight = region.weight;
    mix.weight2 = region.weight2;
    mix.weightBends = region.weightBends;
    mix.weight2Bends = region.weight2Bends;
  }
  if (t.count <= Tests::kTableTests)
    for (std::uint64_t bits = 0; bits < std::uint64_t{1} << t.count; ++bits) {
      int r = 0;
      while (r < blends.regionCount && (bits & t.care[r]) != t.want[r]) ++r;
      t.regionOf[bits] = r < blends.regionCount ? r : -1;
    }
}

void SeamBlendsInDoubles::Locate(const double* x, const double* y, int count, double* u, double* v,
                                 int* regions) const {
  // Bent, one by one: few pixels are left to doubles there.
  if (avx2_ && (!blends_.planFold || blends_.planFoldLanes) && blends_.bendCount == 0)
    return LocateInDoublesAvx2(blends_, tests_, program_, generator_, x, y, count, u, v, regions);
  const FoldProgram& p = program_;
  // The program's fold, as the kernels run it in lanes.
  auto wrapped = [&](double t) {
    t += p.wrapBias;
    return t - std::floor(t) - p.wrapBias;
  };
  for (int k = 0; k < count; ++k) {
    const Point2D cell = generator_.PlaneToLattice(x[k], y[k]);
    const Point2D start(wrapped(cell.x), wrapped(cell.y));
    Point2D uv = blends_.planFold ? blends_.planFold(CellPosition(generator_, x[k], y[k])) : start;
    for (int i = 0; i < (blends_.planFold ? 0 : p.stepCount); ++i) {
      const FoldStep& step = p.steps[i];
      const Point2D tested = step.fromStart ? start : uv;
      auto inside = [&](const HalfPlane& side) {
        return side.nu * tested.x + side.nv * tested.y + side.n1 < 0;
      };
      if (inside(step.side) == step.above || !inside(step.also)) continue;
      const LatticeAffine& m = step.map;
      uv = {m.uu * uv.x + m.uv * uv.y + m.u1, m.vu * uv.x + m.vv * uv.y + m.v1};
    }
    const LatticeAffine& t = p.readThrough;
    uv = {t.uu * uv.x + t.uv * uv.y + t.u1, t.vu * uv.x + t.vv * uv.y + t.v1};
    const LatticeAffine& f = blends_.frame;
    const Point2D at(f.uu * uv.x + f.uv * uv.y + f.u1, f.vu * uv.x + f.vv * uv.y + f.v1);
    // Each bump once for the pixel, rather than once for each test it bends.
    double bumps[kMaxBlendBends];
    for (int b = 0; b < blends_.bendCount; ++b) bumps[b] = blends_.bends[b].At(at.x, at.y);
    std::uint64_t bits = 0;
    for (int i = 0; i < tests_.count; ++i) {
      const HalfPlane& test = tests_.tests[i];
      double sum = test.nu * at.x + test.nv * at.y + test.n1;
      for (int b = 0; b < blends_.bendCount; ++b) sum += tests_.testBends[i].times[b] * bumps[b];
      bits |= std::uint64_t{sum < 0} << i;
    }
    int r = 0;
    while (r < blends_.regionCount && (bits & tests_.care[r]) != tests_.want[r]) ++r;
    u[k] = uv.x;
    v[k] = uv.y;
    regions[k] = r < blends_.regionCount ? r : -1;
  }
}

bool SeamBlendsInDoubles::PlanAt(double u, double v, int r, SamplePlan& plan) const {
  if (r < 0 || !GivesSamples(mixes_[r].kind)) return false;
  const BlendRegion& region = blends_.regions[r];
  const LatticeAffine& f = blends_.frame;
  const Point2D at(f.uu * u + f.uv * v + f.u1, f.vu * u + f.vv * v + f.v1);
  auto partner = [&](const LatticeAffine& q) {
    return Point2D(q.uu * at.x + q.uv * at.y + q.u1, q.vu * at.x + q.vv * at.y + q.v1);
  };
  auto value = [&](const LatticeLinear& w, const BlendBends& by = {}) { return BentWeight(w, by, at); };
  auto weight = [&](const LatticeLinear& w, const BlendBends& by = {}) { return Clamp01(value(w, by)); };
  const Point2D own = generator_.LatticeToSource(u + program_.sourceShift.x, v + program_.sourceShift.y);
  switch (region.kind) {
    case BlendKind::kOwn:
      plan.Single(own);
      break;
    case BlendKind::kCopies:
      plan.Clear();
      for (int i = 0; i < region.copyCount; ++i) {
        const BlendCopy& copy = region.copies[i];
        plan.Add(copy.own ? own : partner(copy.map), weight(copy.weight) * weight(copy.weight2));
      }
      LimitWeightsToOne(plan);
      break;
    case BlendKind::kThreeCopies: {
      const double a = value(region.weight, region.weightBends),
                   b = value(region.weight2, region.weight2Bends);
      if (region.ownSummed == OwnSummed::kFirst)
        PlanThree(plan, own, 1 - b - a, partner(region.partner), a, partner(region.partner2), b);
      else
        PlanThree(plan, partner(region.partner), a, partner(region.partner2), b, own, 1 - b - a);
      break;
    }
    case BlendKind::kCorner:
      PlanCorner(plan, own, partner(region.partner), partner(region.partner2), partner(region.partnerBoth),
                 weight(region.weight, region.weightBends), weight(region.weight2, region.weight2Bends));
      break;
    case BlendKind::kBand:
      PlanBand(plan, own, partner(region.partner), weight(region.weight, region.weightBends));
      break;
    default:  // gives no samples
      return false;
  }
  return true;
}

bool SeamBlendsInDoubles::QueueAt(double u, double v, int r, RowQueue& queue) const {
  if (r < 0 || !GivesSamples(mixes_[r].kind)) return false;
  const Mix& mix = mixes_[r];
  if (mix.kind == BlendKind::kCopies || mix.kind == BlendKind::kThreeCopies) {
    SamplePlan plan;
    PlanAt(u, v, r, plan);
    queue.Append(plan);
    return true;
  }
  // As PlanAt, PlanBand and PlanCorner take them.
  const LatticeAffine& f = blends_.frame;
  const Point2D at(f.uu * u + f.uv * v + f.u1, f.vu * u + f.vv * v + f.v1);
  auto partner = [&](const LatticeAffine& q) {
    return Point2D(q.uu * at.x + q.uv * at.y + q.u1, q.vu * at.x + q.vv * at.y + q.v1);
  };
  auto weight = [&](const LatticeLinear& w, const BlendBends& by) { return Clamp01(BentWeight(w, by, at)); };
  const Point2D own = generator_.LatticeToSource(u + program_.sourceShift.x, v + program_.sourceShift.y);
  if (mix.kind == BlendKind::kOwn) {
    const double whole = 1;
    queue.Append(&own, &whole, 1);
    return true;
  }
  const double w1 = weight(mix.weight, mix.weightBends);
  if (mix.kind == BlendKind::kBand) {
    const Point2D points[] = {own, partner(mix.partner)};
    const double weights[] = {w1, 1 - w1};
    queue.Append(points, weights, 2);
    return true;
  }
  const double w2 = weight(mix.weight2, mix.weight2Bends);
  const Point2D points[] = {own, partner(mix.partnerBoth), partner(mix.partner), partner(mix.partner2)};
  const double weights[] = {w1 * w2, (1 - w2) * (1 - w1), (1 - w1) * w2, (1 - w2) * w1};
  queue.Append(points, weights, 4);
  return true;
}

void SeamBlendsInDoubles::QueueInLanes(int region, const double* u, const double* v, int count,
                                       RowQueue& queue) const {
  const BlendRegion& r = blends_.regions[region];
  const RowQueue::Room room = queue.AppendRooms(count, QueuedSamples(r));
  MixPlace place = place_;
  place.origin = queue.Origin();
  QueueMixesAvx2(r, place, u, v, count, room.positions, room.weights);
}

bool SeamBlendsInDoubles::Plan(const Point2D& plane, SamplePlan& plan) const {
  double u, v;
  int region;
  Locate(&plane.x, &plane.y, 1, &u, &v, &region);
  return PlanAt(u, v, region, plan);
}

bool SeamBlendRow::Reserve(int width, const Point2D& origin, const CpuFeatures& cpu) {
  avx2_ = cpu.avx2;
  sample_ = ChooseBgraSampler(cpu);
  try {
    partners_.resize(2 * (std::size_t(width) + kSampledTogether));
    weights_.resize(std::size_t(width) + kSampledTogether);
    // The pixels mixed in doubles are queued for as many as two rows' width.
    const std::size_t middles = 2 * std::size_t(width);
    samples_.resize(4 * (middles + kSampledTogether));
    middlePlaces_.resize(middles);
    middleRows_.resize(middles);
    middleOut_.resize(middles);
    keptOut_.resize(middles);
    middleX_.resize(middles);
    middleY_.resize(middles);
    middleU_.resize(middles + 4);
    middleV_.resize(middles + 4);
    middleRegions_.resize(middles + 4);
    mixedRuns_.resize(std::size_t(width));
    runs_.resize(std::size_t(width) / 2 + 1);
    nearMiddles_.resize(std::size_t(width));
    onFoldLines_.reserve(SeamBlends::kMaxFoldLines * (std::size_t(width) + 2));
  } catch (const std::bad_alloc&) {
    return false;
  }
  width_ = width;
  queued_ = lastRowQueued_ = 0;
  return middles_.Reserve(2 * width, origin, sample_, avx2_);
}

int SeamBlendRow::Blend(SeamBlendKernel kernel, const SeamBlendArgs& args, const SeamBlendsInDoubles* middles,
                        const SeamBlendRowPlace& place, const BgraRows& source, const std::int32_t* positions,
                        const float* exact, int width, std::uint8_t* marks, std::uint8_t* out) {
  lastRow_ = out;
  lastRowQueued_ = queued_;
  OnFoldLines(args, place, width, marks, onFoldLines_);
  int mixedCount = 0, mixedRuns = 0;
  int planned = DecideRuns(kernel, args, middles, place, positions, exact, width, marks, out, mixedCount,
                           mixedRuns);
  if (mixedCount > 0) planned += MixRuns(source, mixedCount, mixedRuns, marks, out);
  planned += TakeFoldLines(middles, place, marks, out);
  // Those right on a fold line, unless folded as the plan folds, are planned after all.
  LeaveMarked(marks);
  return planned;
}

int SeamBlendRow::DecideRuns(SeamBlendKernel kernel, const SeamBlendArgs& args,
                             const SeamBlendsInDoubles* middles, const SeamBlendRowPlace& place,
                             const std::int32_t* positions, const float* exact, int width,
                             std::uint8_t* marks, std::uint8_t* out, int& mixedCount, int& mixedRuns) {
  // Marks come in runs across the bands, most of them a few pixels long: the kernel decides all
  // of a row's at once, and the parts of the runs that take some of their partners are sampled all
  // at once and mixed in place. Pixels without a partner between others that take one sample their
  // own position again and keep their own sample.
  const int runCount = FindRuns(marks, width, runs_.data());
  if (runCount == 0) return 0;
  BlendDecisions decided;
  decided.planned = marks;
  decided.partners = partners_.data();
  decided.weights = weights_.data();
  decided.nearMiddles = nearMiddles_.data();
  decided.roomPast = true;
  kernel(args, positions, exact, exact ? exact + width : nullptr, runs_.data(), runCount, decided);
  for (int r = 0, at = 0; r < runCount; at += runs_[std::size_t(r++)].count) {
    // Only the part from the first to the last pixel that takes some of its partner is mixed; the
    // partners are sampled up to the last such pixel of the row.
    const BlendRun& run = runs_[std::size_t(r)];
    if (run.first == run.last) continue;
    mixedRuns_[std::size_t(mixedRuns++)] = {run.x + run.first, at + run.first, run.last - run.first};
    mixedCount = at + run.last;
  }
  // Those flagged 2 queued, or else planned; folded as the plan folds, right on a fold line too.
  const std::uint8_t queuedMark = !middles ? 1 : middles->FoldsAsPlan() ? kMixedAsPlanned : 0;
  for (int i = 0; i < decided.nearMiddleCount; ++i) {
    const int x = nearMiddles_[std::size_t(i)];
    marks[x] = queuedMark;
    if (middles) Queue(place, x, out);
  }
  return decided.plannedCount + (middles ? 0 : decided.nearMiddleCount);
}

int SeamBlendRow::MixRuns(const BgraRows& source, int mixedCount, int mixedRuns, std::uint8_t* marks,
                          std::uint8_t* out) {
  // Padded with the last position to whole groups of lanes, which the samplers take in one go.
  const int padded = (mixedCount + kSampledTogether - 1) / kSampledTogether * kSampledTogether;
  for (int i = mixedCount; i < padded; ++i) {
    partners_[2 * std::size_t(i)] = partners_[2 * std::size_t(mixedCount) - 2];
    partners_[2 * std::size_t(i) + 1] = partners_[2 * std::size_t(mixedCount) - 1];
  }
  sample_(source, samples_.data(), partners_.data(), padded, SampleEdge::kClamp);
  int planned = 0;
  for (int i = 0; i < mixedRuns; ++i) {
    const MixedRun& run = mixedRuns_[std::size_t(i)];
    planned += PlanMixesNotOpaque(run.x, out + 4 * run.x, samples_.data() + 4 * run.at,
                                  weights_.data() + run.at, run.count, middlePlaces_.data() + lastRowQueued_,
                                  middlePlaces_.data() + queued_, marks);
    MixRun(avx2_, out + 4 * run.x, samples_.data() + 4 * run.at, weights_.data() + run.at, run.count);
  }
  return planned;
}

int SeamBlendRow::TakeFoldLines(const SeamBlendsInDoubles* middles, const SeamBlendRowPlace& place,
                                std::uint8_t* marks, std::uint8_t* out) {
  int planned = 0;
  const bool foldedAsPlanned = middles && middles->FoldsAsPlan();
  for (const int x : onFoldLines_) {
    if (marks[x] == kMixedAsPlanned) continue;
    if (marks[x] == 0 && foldedAsPlanned) {
      // Mixed again in doubles, the plan's fold taking it to the copy the plan shows.
      Queue(place, x, out);
      marks[x] = kMixedAsPlanned;
      continue;
    }
    planned += marks[x] == 0;
    marks[x] = 1;
  }
  for (int i = lastRowQueued_; i < queued_; ++i) {
    std::uint8_t& mark = marks[middlePlaces_[std::size_t(i)]];
    if (mark == kMixedAsPlanned) mark = 0;
  }
  return planned;
}

void SeamBlendRow::LeaveMarked(const std::uint8_t* marks) {
  for (int i = lastRowQueued_; i < queued_; ++i) {
    std::uint8_t*& at = middleOut_[std::size_t(i)];
    // Called again once the cell's edges are marked: those left already point nowhere in the row.
    if (at != unwritten_ && marks[(at - lastRow_) / 4] == 1) at = unwritten_;
  }
}

void SeamBlendRow::FinishMiddles(const SeamBlendsInDoubles* middles, const BgraRows& source,
                                 const PlanPixel& plan) {
  if (queued_ == 0) return;
  int* const regions = middleRegions_.data();
  middles->Locate(middleX_.data(), middleY_.data(), queued_, middleU_.data(), middleV_.data(), regions);
  // The pixels of regions queued in lanes are gathered region by region after the others, which
  // are marked in no region. In locals: the stores of pointers may alias the members.
  std::uint8_t* const* const outs = middleOut_.data();
  std::uint8_t** const keptOut = keptOut_.data();
  int inRegion[SeamBlends::kMaxRegions] = {};
  int kept = 0;
  for (int i = 0; i < queued_; ++i) {
    std::uint8_t* const at = outs[i];
    const int region = regions[i];
    if (at != unwritten_ && middles->QueuesInLanes(region)) {
      ++inRegion[region];
      continue;
    }
    regions[i] = -1;
    if (at == unwritten_) continue;
    if (middles->QueueAt(middleU_[std::size_t(i)], middleV_[std::size_t(i)], region, middles_))
      keptOut[kept++] = at;
    else
      plan(middleRows_[std::size_t(i)], middlePlaces_[std::size_t(i)],
           at - 4 * std::size_t(middlePlaces_[std::size_t(i)]));
  }
  kept = QueueInLanes(middles, inRegion, kept);
  queued_ = lastRowQueued_ = 0;
  if (kept == 0) return;
  // Mixed in the samples' room, which the runs are done with.
  const std::uint8_t* const mixed = samples_.data();
  middles_.Finish(source, samples_.data(), kept);
  for (int i = 0; i < kept; ++i) std::memcpy(keptOut[i], mixed + 4 * i, 4);
}

int SeamBlendRow::QueueInLanes(const SeamBlendsInDoubles* middles, const int* inRegion, int kept) {
  // Each region's pixels in turn from kept on, their positions where the plane points were.
  int next[SeamBlends::kMaxRegions];
  for (int r = 0, at = kept; r < SeamBlends::kMaxRegions; at += inRegion[r++]) next[r] = at;
  const int* const regions = middleRegions_.data();
  const double *const us = middleU_.data(), *const vs = middleV_.data();
  double *const laneUs = middleX_.data(), *const laneVs = middleY_.data();
  std::uint8_t* const* const outs = middleOut_.data();
  std::uint8_t** const keptOut = keptOut_.data();
  for (int i = 0; i < queued_; ++i) {
    const int region = regions[i];
    if (region < 0) continue;
    const int to = next[region]++;
    laneUs[to] = us[i];
    laneVs[to] = vs[i];
    keptOut[to] = outs[i];
  }
  for (int r = 0; r < SeamBlends::kMaxRegions; ++r) {
    if (inRegion[r] == 0) continue;
    const int first = next[r] - inRegion[r];
    middles->QueueInLanes(r, laneUs + first, laneVs + first, inRegion[r], middles_);
    kept = next[r];
  }
  return kept;
}

}  // namespace corvel::detail
