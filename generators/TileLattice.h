// The lattice of each tiling method, derived from the three picked points of the tile shape:
// P0 anchors the lattice, P1 gives its second direction and P2 its first.
#pragma once
#include "platform/win32/Types.h"

namespace corvel {

// Tiling methods in the order of the groups.
enum keTilingMethod : int {
  keTilingP1,
  keTilingP2,
  keTilingPM,
  keTilingPG,
  keTilingPMM,
  keTilingPMG,
  keTilingPGG,
  keTilingCM,
  keTilingCMM,
  keTilingP4,
  keTilingP4M,
  keTilingP4G,
  keTilingP3,
  keTilingP3ML,
  keTilingP3LM,
  keTilingP6,
  keTilingP6M,
  keTilingMethodCount
};

struct TileLattice {
  POINT basisA{0, 0};  // V1
  POINT basisB{0, 0};  // V2
  // The source point of lattice point (0, 0); where anchorBelowD, the point that, turned with the
  // lattice, lies basisD above it.
  POINT anchor{0, 0};
  bool anchorBelowD = false;
  // The generated cell is repeated into an axis-aligned tile; otherwise it is the tile.
  bool repeats = false;
  // The points were turned half round the centre to make A point right; the picking angle loses
  // 180 degrees so that the source lattice still lies over the picked area.
  bool turnedHalf = false;
  // B was flipped to point down (negateK0), A to point right (negateK1); the seams then bend the
  // other way.
  bool negateK0 = false;
  bool negateK1 = false;
  // A hexagonal group's: the centred lattice of its period, a hexagon to the pixel, which the
  // feather's shrink and the tile size's scale keep.
  bool hexagonal = false;
};

// method must be 0..16.
TileLattice BuildTileLattice(int method, POINT p0, POINT p1, POINT p2, POINT centre);

}  // namespace corvel
