// The seventeen groups, one record each: the name the user sees, how the group's lattice is
// built from the picked points, and its generator.
#pragma once
#include <memory>

#include "generators/TileLattice.h"
#include "generators/detail/TileGenerator.h"

namespace corvel {

struct TileGroup {
  const char* name;
  TileLattice (*buildLattice)(POINT p0, POINT p1, POINT p2, POINT centre);
  std::unique_ptr<TileGenerator> (*create)();
};

// The record of a tiling method, or null for a method outside 0..16.
const TileGroup* FindTileGroup(int method);

}  // namespace corvel
