// The source pixels the blends' partners read, so that the window over the source serves them.
#include "generators/detail/SeamBlends.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace corvel::detail {

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

}  // namespace corvel::detail
