#include "generators/TileGroups.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>

#include "generators/Geometry.h"
#include "resources/ParameterTable.h"

namespace corvel {

namespace {

POINT Minus(POINT a, POINT b) { return {a.x - b.x, a.y - b.y}; }

// The lattice (d2.x kx, 0), (0, d1.y ky) of the rectangular groups, anchored at p0.
template <int kx, int ky>
TileLattice Rectangular(POINT p0, POINT p1, POINT p2, POINT) {
  TileLattice t;
  t.anchor = p0;
  t.basisA = {kx * (p2.x - p0.x), 0};
  t.basisB = {0, ky * (p1.y - p0.y)};
  return t;
}

// "P1" flips its vectors to point right and down; the anchor follows to the flipped cell's corner.
TileLattice P1Lattice(POINT p0, POINT p1, POINT p2, POINT) {
  TileLattice t;
  t.anchor = p0;
  t.basisA = {p2.x - p0.x, 0};
  t.basisB = Minus(p1, p0);
  bool moved = false;
  if (t.basisB.y < 0) {
    t.negateK0 = true;
    if (t.basisA.x < 0) {
      t.anchor = {p1.x + t.basisA.x, p1.y + t.basisA.y};
      moved = true;
    }
    t.basisB = {-t.basisB.x, -t.basisB.y};
    if (!moved) t.anchor = p1;
  }
  if (t.basisA.x < 0) {
    t.negateK1 = true;
    t.basisA = {-t.basisA.x, -t.basisA.y};
    if (!moved) t.anchor = p2;
  }
  t.repeats = true;
  return t;
}

// The square lattice (scale across, 0), (0, scale down) of "CM" and the four-fold groups, both
// edges as long as the shorter of the two, each keeping its direction: the editor's square, whose
// corners are rounded to pixels one by one, may come with edges a pixel apart, and its cell must
// be square to keep the group's turns and mirrors. The shorter reads no pixel past the pick.
TileLattice SquareLattice(LONG across, LONG down, LONG scale, POINT anchor) {
  const LONG side = std::min(std::abs(across), std::abs(down));
  TileLattice t;
  t.basisA = {scale * (across < 0 ? -side : side), 0};
  t.basisB = {0, scale * (down < 0 ? -side : side)};
  t.anchor = anchor;
  return t;
}

TileLattice CMLattice(POINT p0, POINT p1, POINT p2, POINT) {
  return SquareLattice(p0.x - p2.x, p1.y - p0.y, 1, p2);
}

TileLattice FourFoldLattice(POINT p0, POINT p1, POINT p2, POINT) {
  return SquareLattice(p2.x - p0.x, p1.y - p0.y, 2, p0);
}

TileLattice CMMLattice(POINT p0, POINT p1, POINT p2, POINT) {
  TileLattice t;
  const POINT w{2 * p0.x - p1.x - p2.x, 2 * p0.y - p1.y - p2.y}, a = Minus(p1, p2);
  t.basisA = {w.x, a.y};
  t.basisB = {w.x, -a.y};
  t.anchor = p2;
  return t;
}

TileLattice P4MLattice(POINT p0, POINT p1, POINT p2, POINT) {
  return SquareLattice(p0.x - p2.x, p1.y - p0.y, 2, p2);
}

// B upright of height 2k and A = B turned by 120 degrees, rounded once: (k sqrt(3), -k), on the
// side that gives a positive determinant, so that every pick renders.
TileLattice P3Lattice(POINT p0, POINT p1, POINT p2, POINT) {
  TileLattice t;
  t.anchor = p0;
  const LONG k = LONG(std::lround((2.0 * p1.y - p0.y - p2.y) / 2));
  const LONG width = LONG(std::lround(kSqrt3 * std::abs(k)));
  t.basisA = {k < 0 ? -width : width, -k};
  t.basisB = {0, 2 * k};
  t.repeats = true;
  t.hexagonal = true;
  return t;
}

// "P3ML": V2 upright, V1 the same turned by 120 degrees with half of V2's height below. V2's height
// is even, a pixel short of the pick's where that is odd: half of an odd height, cut to whole
// pixels, would shear the lattice off the hexagon, its period thousands of pixels long.
void P3MLVectors(POINT p0, POINT p1, POINT p2, POINT& v1, POINT& v2) {
  v2 = {0, (2 * p1.y - p0.y - p2.y) / 2 * 2};
  v1 = v2;
  RotateIntPointDegrees(120, 0, 0, v1);
  v1.y = -v2.y / 2;
}

TileLattice P3MLLattice(POINT p0, POINT p1, POINT p2, POINT centre) {
  TileLattice t;
  t.anchor = p0;
  P3MLVectors(p0, p1, p2, t.basisA, t.basisB);
  if (t.basisA.x < 0) {
    for (POINT* p : {&p0, &p1, &p2}) RotateIntPointDegrees(-180, centre.x, centre.y, *p);
    P3MLVectors(p0, p1, p2, t.basisA, t.basisB);
    t.anchor = p0;
    t.turnedHalf = true;
  }
  t.repeats = true;
  t.hexagonal = true;
  return t;
}

// "P3LM" and "P6": A = (2d, 0) from the pick and B = A turned by 60 degrees, rounded once, on the
// side that gives a positive determinant.
TileLattice SixFoldLattice(POINT p0, POINT, POINT p2, POINT) {
  TileLattice t;
  t.anchor = p0;
  const LONG d = p2.x - p0.x, height = LONG(std::lround(kSqrt3 * std::abs(d)));
  t.basisA = {2 * d, 0};
  t.basisB = {d, d < 0 ? -height : height};
  t.repeats = true;
  t.hexagonal = true;
  return t;
}

TileLattice P6MLattice(POINT p0, POINT p1, POINT p2, POINT) {
  TileLattice t;
  p2.y = p0.y;
  p1.x = p0.x;
  p1.y = p0.y + LONG(std::lround(kSqrt3 * (p2.x - p0.x)));
  t.basisB = {0, 2 * (p1.y - p0.y)};
  t.basisA = {t.basisB.x + 3 * (p2.x - p1.x), t.basisB.y + 3 * (p2.y - p1.y)};
  t.anchor = p1;
  t.anchorBelowD = true;
  t.repeats = true;
  t.hexagonal = true;
  return t;
}

// In the order of keTilingMethod, named as the filter publishes them.
static_assert(keTilingMethodCount == resources::kGroupCount);
using resources::kGroupNames;
const TileGroup kGroups[keTilingMethodCount] = {
    {kGroupNames[keTilingP1], P1Lattice},          {kGroupNames[keTilingP2], Rectangular<1, 1>},
    {kGroupNames[keTilingPM], Rectangular<1, 2>},  {kGroupNames[keTilingPG], Rectangular<2, 1>},
    {kGroupNames[keTilingPMM], Rectangular<2, 2>}, {kGroupNames[keTilingPMG], Rectangular<1, 4>},
    {kGroupNames[keTilingPGG], Rectangular<2, 2>}, {kGroupNames[keTilingCM], CMLattice},
    {kGroupNames[keTilingCMM], CMMLattice},        {kGroupNames[keTilingP4], FourFoldLattice},
    {kGroupNames[keTilingP4M], P4MLattice},        {kGroupNames[keTilingP4G], FourFoldLattice},
    {kGroupNames[keTilingP3], P3Lattice},          {kGroupNames[keTilingP3ML], P3MLLattice},
    {kGroupNames[keTilingP3LM], SixFoldLattice},   {kGroupNames[keTilingP6], SixFoldLattice},
    {kGroupNames[keTilingP6M], P6MLattice},
};

}  // namespace

const TileGroup* FindTileGroup(int method) {
  return method >= 0 && method < keTilingMethodCount ? &kGroups[method] : nullptr;
}

TileLattice BuildTileLattice(int method, POINT p0, POINT p1, POINT p2, POINT centre) {
  const TileGroup* group = FindTileGroup(method);
  return group ? group->buildLattice(p0, p1, p2, centre) : TileLattice();
}

}  // namespace corvel
