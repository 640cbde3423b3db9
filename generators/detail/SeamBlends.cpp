// The blends described, and set up for a render from the parts in the other SeamBlend files: the
// kernels' arguments (SeamBlendArgs), the source the partners read (SeamBlendReach), the mix in
// doubles (SeamBlendsInDoubles), a row's band pixels (SeamBlendRow).
#include "generators/detail/SeamBlends.h"

#include <cstddef>
#include <initializer_list>
#include <limits>
#include <memory>
#include <utility>

#include "generators/detail/KeptBetweenRenders.h"

namespace corvel::detail {

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

}  // namespace corvel::detail
