// The blends' regions, sides, partners and weights in the kernels' form, and the kernel chosen.
#include "generators/detail/SeamBlends.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/CpuFeatures.h"

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

void FindBentTests(SeamBlendArgs& args) {
  bool finite = true;
  for (int b = 0; b < args.bendCount; ++b) finite = finite && std::isfinite(args.bends[b].amount);
  args.bentTests = 0;
  for (int t = 0; t < args.testCount; ++t) {
    args.testBendOf[t] = 0;
    for (int b = 0; b < args.bendCount; ++b)
      if (args.testBends[t][b] != 0) args.testBendOf[t] = b;
    if (args.bendCount > 0 && (!finite || args.testBends[t][args.testBendOf[t]] != 0))
      args.bentTests |= std::int32_t{1} << t;
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
SeamBlendKernel ChooseSeamBlendKernel(const CpuFeatures& cpu) {
  if (cpu.avx2 && cpu.avx512) return SeamBlendAvx512;
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
  FindBentTests(args);
  MakeSlots(args);
  SumUpLeadingRegions(args);
  return true;
}

}  // namespace corvel::detail
