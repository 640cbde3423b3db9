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

bool HasExactPeriod(POINT period) {
  return period.x > 0 && period.y > 0 && period.x != INT32_MAX && period.y != INT32_MAX;
}

// Whether a and b span the centred lattice of their period (both sides even, the cell half the
// period) with its longer half L and shorter S as 1 to sqrt(3) as near as whole pixels allow:
// either one the other's rounding, |L - sqrt(3) S| <= sqrt(3) / 2.
bool IsHexagonToThePixel(POINT a, POINT b, POINT period) {
  if (!HasExactPeriod(period) || period.x % 2 != 0 || period.y % 2 != 0) return false;
  const long long area = std::llabs(std::int64_t{a.x} * b.y - std::int64_t{a.y} * b.x);
  const double shorter = std::min(period.x, period.y) / 2, longer = std::max(period.x, period.y) / 2;
  return 2 * area == std::int64_t{period.x} * period.y &&
         std::abs(longer - std::sqrt(3.0) * shorter) <= std::sqrt(3.0) / 2 + 1e-9;
}

// C and D shrunk as A and B were from a and b, vector by vector; then the lattice is prepared.
void ShrinkSourceAlike(TileGenerator& g, POINT a, POINT b) {
  if (Length(a) > 0) g.basisC = ScaledBy(g.basisC, Length(g.basisA) / Length(a));
  if (Length(b) > 0) g.basisD = ScaledBy(g.basisD, Length(g.basisB) / Length(b));
  g.PrepareLattice();
}

// A and B, each component scaled as the lattice's period scales to (px, py), and C and D alike.
void ShrinkToPeriod(TileGenerator& g, POINT period, long long px, long long py) {
  const POINT a = g.basisA, b = g.basisB;
  g.basisA = {Scaled(a.x, period.x, px), Scaled(a.y, period.y, py)};
  g.basisB = {Scaled(b.x, period.x, px), Scaled(b.y, period.y, py)};
  ShrinkSourceAlike(g, a, b);
}

}  // namespace

void ShrinkLatticeXY(TileGenerator& g, double factorX, double factorY) {
  const POINT period = RectangularPeriod(g.basisA, g.basisB);
  const POINT a = g.basisA, b = g.basisB;
  if (HasExactPeriod(period)) {
    ShrinkToPeriod(g, period, ShrunkPeriod(a.x, b.x, period.x, factorX),
                   ShrunkPeriod(a.y, b.y, period.y, factorY));
    return;
  }
  // No exact period to keep: each component on its own.
  g.basisA = {RoundToInt(a.x * factorX), RoundToInt(a.y * factorY)};
  g.basisB = {RoundToInt(b.x * factorX), RoundToInt(b.y * factorY)};
  ShrinkSourceAlike(g, a, b);
}

void ShrinkHexagonalLattice(TileGenerator& g, double factor) {
  const POINT period = RectangularPeriod(g.basisA, g.basisB);
  if (!IsHexagonToThePixel(g.basisA, g.basisB, period)) return ShrinkLatticeXY(g, factor, factor);
  const POINT shrunk = ScaledHexagonalPeriod(period, factor);
  ShrinkToPeriod(g, period, shrunk.x, shrunk.y);
}

Point2D OriginPastTheLeft(POINT a, POINT b) {
  return {-double(std::min({LONG(0), a.x, b.x})), -double(std::min(LONG(0), b.y))};
}

}  // namespace corvel
