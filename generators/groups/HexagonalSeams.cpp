#include "generators/groups/HexagonalSeams.h"

#include "generators/detail/SeamFeathering.h"

namespace corvel {

HexagonalSeams::HexagonalSeams(const TileGenerator& g)
    : su(g.feather1 / 2),
      sv(g.feather2 / 2),
      fu(BlendWidth(g.feather1, g.basisA, g.basisB)),
      fv(BlendWidth(g.feather2, g.basisA, g.basisB)),
      hu(fu / 2),
      hv(fv / 2),
      near(ThirdOfAPixel(g.basisA, g.basisB)) {}

void StartKiteBlends(detail::SeamBlends& blends) {
  blends.plansAsRegions = true;
  blends.AddFoldLines(1, 1);
  blends.AddFoldLines(1, -1);
  blends.AddFoldLines(2, 1);
  blends.AddFoldLines(1, 2);
  blends.AddFoldLines(1, 0);
  blends.AddFoldLines(0, 1);
}

}  // namespace corvel
