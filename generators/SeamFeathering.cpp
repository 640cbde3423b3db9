#include "generators/SeamFeathering.h"

#include <algorithm>

namespace corvel {

namespace {

POINT Scaled(POINT p, double fx, double fy) { return {RoundToInt(p.x * fx), RoundToInt(p.y * fy)}; }

}  // namespace

void ShrinkLattice(TileGenerator& g, double factorAC, double factorBD) {
  g.basisA = Scaled(g.basisA, factorAC, factorAC);
  g.basisB = Scaled(g.basisB, factorBD, factorBD);
  g.basisC = Scaled(g.basisC, factorAC, factorAC);
  g.basisD = Scaled(g.basisD, factorBD, factorBD);
  g.PrepareLattice();
}

void ShrinkLatticeXY(TileGenerator& g, double factorX, double factorY) {
  g.basisA = Scaled(g.basisA, factorX, factorY);
  g.basisB = Scaled(g.basisB, factorX, factorY);
  g.basisC = Scaled(g.basisC, factorX, factorY);
  g.basisD = Scaled(g.basisD, factorX, factorY);
  g.PrepareLattice();
}

Point2D OriginPastTheLeft(POINT a, POINT b) {
  return {-double(std::min({LONG(0), a.x, b.x})), -double(std::min(LONG(0), b.y))};
}

}  // namespace corvel
