// The blended regions located and mixed in doubles, for the pixels the lanes leave to them.
#include "generators/detail/SeamBlends.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "generators/detail/SeamFeathering.h"

namespace corvel::detail {

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
  // The origin: the queue's.
  place_ = {blends.frame, generator.matN, generator.detN != 0, program.sourceShift,
            {},           blends.bends,   blends.bendCount};
  for (int r = 0; r < blends.regionCount; ++r) inLanes_[r] = avx2_ && GivesSamples(mixes_[r].kind);
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
  if (avx2_ && (!blends_.planFold || blends_.planFoldLanes))
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

}  // namespace corvel::detail
