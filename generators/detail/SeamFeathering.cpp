#include "generators/detail/SeamFeathering.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numeric>

#include "generators/RectangularPeriod.h"

namespace corvel {

namespace {

// The period p of one axis shrunk by factor to a multiple of the step at which both components
// a and b (of a lattice whose period on that axis is p) stay whole: a p' / p and b p' / p are
// integers. Never 0, never more than p; a halfway size rounds to the even count of steps.
long long ShrunkPeriod(long long a, long long b, long long p, double factor) {
  const long long stepA = p / std::gcd(std::llabs(a), p), stepB = p / std::gcd(std::llabs(b), p);
  const long long step = std::lcm(stepA, stepB);
  const long long steps = RoundToInt(double(p) * factor / double(step));
  return step * std::max(1LL, std::min(p / step, steps));
}

LONG Scaled(LONG component, long long p, long long shrunk) {
  const long long g = std::gcd(std::llabs(component), p);
  return component == 0 ? 0 : LONG((component / g) * (shrunk / (p / g)));
}

POINT ScaledBy(POINT v, double ratio) { return {RoundToInt(v.x * ratio), RoundToInt(v.y * ratio)}; }

double Length(POINT v) { return std::hypot(double(v.x), double(v.y)); }

}  // namespace

void ShrinkLatticeXY(TileGenerator& g, double factorX, double factorY) {
  const POINT period = RectangularPeriod(g.basisA, g.basisB);
  const POINT a = g.basisA, b = g.basisB;
  if (period.x <= 0 || period.y <= 0 || period.x == INT32_MAX || period.y == INT32_MAX) {
    // No exact period to keep: each component on its own.
    g.basisA = {RoundToInt(a.x * factorX), RoundToInt(a.y * factorY)};
    g.basisB = {RoundToInt(b.x * factorX), RoundToInt(b.y * factorY)};
  } else {
    const long long px = ShrunkPeriod(a.x, b.x, period.x, factorX);
    const long long py = ShrunkPeriod(a.y, b.y, period.y, factorY);
    g.basisA = {Scaled(a.x, period.x, px), Scaled(a.y, period.y, py)};
    g.basisB = {Scaled(b.x, period.x, px), Scaled(b.y, period.y, py)};
  }
  // The source lattice shrinks with the tile's, vector by vector.
  if (Length(a) > 0) g.basisC = ScaledBy(g.basisC, Length(g.basisA) / Length(a));
  if (Length(b) > 0) g.basisD = ScaledBy(g.basisD, Length(g.basisB) / Length(b));
  g.PrepareLattice();
}

Point2D OriginPastTheLeft(POINT a, POINT b) {
  return {-double(std::min({LONG(0), a.x, b.x})), -double(std::min(LONG(0), b.y))};
}

}  // namespace corvel
