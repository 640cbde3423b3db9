// What the seams of the groups on a cell that is not hexagonal start from, on a lattice shrunk by
// the feather: the feather fractions across u and v, the source read half of each into the cell,
// and the seam amplitudes.
#pragma once
#include "generators/detail/SeamFeathering.h"
#include "generators/detail/TileGenerator.h"

namespace corvel {

struct FeatherSeams {
  explicit FeatherSeams(const TileGenerator& g)
      : fu(g.feather1),
        fv(g.feather2),
        hu(fu / 2),
        hv(fv / 2),
        k0(g.seamK0),
        k1(g.seamK1),
        source(g, hu, hv) {}

  double fu, fv, hu, hv, k0, k1;
  FeatherSource source;
};

}  // namespace corvel
