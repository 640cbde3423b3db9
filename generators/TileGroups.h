// The seventeen groups, one record each: the name the user sees and how the group's lattice is
// built from the picked points.
#pragma once
#include "generators/TileLattice.h"

namespace corvel {

struct TileGroup {
  const char* name;
  TileLattice (*buildLattice)(POINT p0, POINT p1, POINT p2, POINT centre);
};

// The record of a tiling method, or null for a method outside 0..16.
const TileGroup* FindTileGroup(int method);

}  // namespace corvel
