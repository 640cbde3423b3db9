#include "generators/groups/FeatheredRectangle.h"

namespace corvel {

void DescribeRectangleBands(const FeatheredRectangle& r, detail::FoldProgram& program) {
  const double hu = r.fu / 2, hv = r.fv / 2;
  program.reachU = r.width;
  program.reachV = r.height;
  program.sourceShift = {hu, hv};
  program.bandU = {true, -hu, hu, r.width};
  program.bandV = {true, -hv, hv, r.height};
}

namespace {

void DescribeStraightRectangleBlends(const FeatheredRectangle& r, const RectangleCopies& c,
                                     detail::SeamBlends& blends, bool acrossUFirst) {
  using detail::UAbove;
  using detail::UBelow;
  using detail::VAbove;
  using detail::VBelow;
  const double w = r.width, h = r.height, fu = r.fu, fv = r.fv, hu = fu / 2, hv = fv / 2;
  const detail::LatticeLinear lowU{1 / fu, 0, 0.5}, highU{-1 / fu, 0, w / fu + 0.5}, lowV{0, 1 / fv, 0.5},
      highV{0, -1 / fv, h / fv + 0.5};
  blends.plansAsRegions = true;
  blends.AddOwn({UAbove(hu), UBelow(w - hu), VAbove(hv), VBelow(h - hv)});
  blends.AddBlend({UBelow(hu), VAbove(hv), VBelow(h - hv)}, c.acrossLowU, lowU);
  blends.AddBlend({UAbove(w - hu), VAbove(hv), VBelow(h - hv)}, c.acrossHighU, highU);
  blends.AddBlend({VBelow(hv), UAbove(hu), UBelow(w - hu)}, c.acrossLowV, lowV);
  blends.AddBlend({VAbove(h - hv), UAbove(hu), UBelow(w - hu)}, c.acrossHighV, highV);
  // Each corner's two copies in the order the plans weigh them.
  blends.AddCorner({UBelow(hu), VBelow(hv)}, c.acrossLowU, lowU, c.acrossLowV, lowV, c.acrossBoth00);
  blends.AddCorner({UBelow(hu), VAbove(h - hv)}, c.acrossLowU, lowU, c.acrossHighV, highV, c.acrossBoth01);
  if (acrossUFirst) {
    blends.AddCorner({UAbove(w - hu), VBelow(hv)}, c.acrossHighU, highU, c.acrossLowV, lowV, c.acrossBoth10);
    blends.AddCorner({UAbove(w - hu), VAbove(h - hv)}, c.acrossHighU, highU, c.acrossHighV, highV,
                     c.acrossBoth11);
    return;
  }
  blends.AddCorner({UAbove(w - hu), VBelow(hv)}, c.acrossLowV, lowV, c.acrossHighU, highU, c.acrossBoth10);
  blends.AddCorner({UAbove(w - hu), VAbove(h - hv)}, c.acrossHighV, highV, c.acrossHighU, highU,
                   c.acrossBoth11);
}

}  // namespace

void BendRectangleRegions(const FeatheredRectangle& r, const RectangleBends& bends, int from,
                          detail::SeamBlends& blends) {
  // u < at or u > at (or v's): the side's sum is plus or minus the edge's coordinate.
  auto sign = [](const detail::HalfPlane& side) {
    return (side.nu != 0 ? side.nu : side.nv) > 0 ? 1.0 : -1.0;
  };
  auto ofSide = [&](const detail::HalfPlane& side, bool inUBand) {
    const bool ofU = side.nu != 0;
    const double at = -side.n1 * sign(side);
    if (!ofU && inUBand) return detail::BlendBends{};
    const detail::BlendBends& edge = ofU ? (at < r.width / 2 ? bends.lowU : bends.highU)
                                         : (at < r.height / 2 ? bends.lowV : bends.highV);
    return edge * sign(side);
  };
  // A side u < at near u = 0, or u > at near u = width, bounds a band across u or its corner.
  auto towardsUEdge = [&](const detail::HalfPlane& side) {
    return side.nu != 0 && (sign(side) > 0) == (-side.n1 * sign(side) < r.width / 2);
  };
  // The ramps: across u = 0 rising with u, across u = width falling.
  auto ofWeight = [&](const detail::LatticeLinear& w) {
    if (w.wu != 0) return w.wu > 0 ? bends.lowU * (1 / r.fu) : bends.highU * (-1 / r.fu);
    return w.wv > 0 ? bends.lowV * (1 / r.fv) : bends.highV * (-1 / r.fv);
  };
  for (int k = from; k < blends.regionCount; ++k) {
    detail::BlendRegion& region = blends.regions[k];
    bool inUBand = false;
    for (int i = 0; i < region.sideCount; ++i) inUBand = inUBand || towardsUEdge(region.sides[i]);
    for (int i = 0; i < region.sideCount; ++i) region.sideBends[i] = ofSide(region.sides[i], inUBand);
    if (region.kind == detail::BlendKind::kOwn) continue;
    region.weightBends = ofWeight(region.weight);
    if (region.kind == detail::BlendKind::kCorner) region.weight2Bends = ofWeight(region.weight2);
  }
}

void DescribeRectangleBlends(const FeatheredRectangle& r, const RectangleCopies& c,
                             detail::SeamBlends& blends, bool acrossUFirst, const RectangleBends& bends) {
  const int first = blends.regionCount;
  DescribeStraightRectangleBlends(r, c, blends, acrossUFirst);
  if (blends.bendCount > 0) BendRectangleRegions(r, bends, first, blends);
}

}  // namespace corvel
