#include "generators/detail/CellEdgePixels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "generators/detail/FoldRow.h"

namespace corvel::detail {

namespace {

// Wide enough for the product of two residues of a determinant of 32-bit basis coordinates.
__extension__ using Wide = __int128;

// value modulo modulus in [0, modulus), in the width of value: in 64 bits where it fits, as each
// row asks, since the wide division is a call.
template <class Int>
std::int64_t Residue(Int value, std::int64_t modulus) {
  const auto r = value % modulus;
  return std::int64_t(r < 0 ? r + modulus : r);
}

// a b modulo m for residues a, b of m: in 64 bits where they fit, as they do for any tile.
std::int64_t TimesModulo(std::int64_t a, std::int64_t b, std::int64_t m) {
  return m <= (std::int64_t{1} << 31) ? a * b % m : Residue(Wide{a} * b, m);
}

}  // namespace

CellEdgePixels::CellEdgePixels(const FoldProgram& program, const TileGenerator& generator, std::int64_t x0,
                               int count, Which which)
    : program_(program),
      generator_(generator),
      x0_(x0),
      count_(count),
      which_(which),
      modulus_(std::abs(std::int64_t{generator.basisA.x} * generator.basisB.y -
                        std::int64_t{generator.basisA.y} * generator.basisB.x)) {
  if (modulus_ == 0 || count <= 0) return;
  // det u = B.y x - B.x y and det v = A.x y - A.y x.
  const POINT a = generator.basisA, b = generator.basisB;
  u_ = EdgeOf(b.y, -std::int64_t{b.x}, true, b.y == 0, b.x == 0);
  v_ = EdgeOf(-std::int64_t{a.y}, a.x, false, a.y == 0, a.x == 0);
  // det (u + v) = (B.y - A.y) x + (A.x - B.x) y.
  if (which == kEveryOneAndDiagonals) {
    const std::int64_t perX = std::int64_t{b.y} - a.y, perY = std::int64_t{a.x} - b.x;
    sum_ = EdgeOf(perX, perY, true, perX == 0, perY == 0);
  }
}

CellEdgePixels::Progression CellEdgePixels::Solve(std::int64_t a, std::int64_t b, std::int64_t m) {
  // r = s a modulo m along Euclid's steps: at their end r = gcd(a, m), and s a's inverse modulo
  // m / r once a and m are divided by it.
  std::int64_t r0 = m, r1 = a, s0 = 0, s1 = 1;
  while (r1 != 0) {
    const std::int64_t q = r0 / r1;
    const std::int64_t r2 = r0 - q * r1, s2 = s0 - q * s1;
    r0 = r1;
    r1 = r2;
    s0 = s1;
    s1 = s2;
  }
  Progression solutions;
  if (b % r0 != 0) return solutions;
  solutions.any = true;
  solutions.every = m / r0;
  solutions.first = TimesModulo(b / r0, Residue(s0, solutions.every), solutions.every);
  return solutions;
}

CellEdgePixels::Edge CellEdgePixels::EdgeOf(std::int64_t perX, std::int64_t perY, bool isU, bool alongRows,
                                            bool alongColumns) const {
  Edge edge;
  edge.perX = Residue(perX, modulus_);
  edge.perY = Residue(perY, modulus_);
  edge.atX0 = TimesModulo(edge.perX, Residue(x0_, modulus_), modulus_);
  edge.isU = isU;
  edge.alongRows = alongRows;
  // Along a row the start term perX x0 + perY y steps by perX a pixel: multiples of the
  // determinant lie every det / gcd(perX, det) pixels, on the rows where the term is a multiple
  // of that gcd.
  edge.every = Solve(edge.perX, 0, modulus_).every;
  edge.unit = modulus_ / edge.every;
  edge.rows = Solve(edge.perY % edge.unit, Residue(-edge.atX0, edge.unit), edge.unit);
  if (alongColumns && !alongRows) {
    EachOnEdge(edge, 0, nullptr, [&](int first, int) {
      edge.columns.push_back(first);
      edge.columnsFar.push_back(PlanFar(edge, x0_ + first, 0));
    });
    edge.alongColumns = true;
  }
  return edge;
}

bool CellEdgePixels::Mark(std::int64_t y, std::uint8_t* marks, const Copied* copied) const {
  if (modulus_ == 0 || count_ <= 0) return false;
  bool any = false;
  // Mostly a pixel alone; a whole row where the row lies on an edge.
  const auto mark = [&](int first, int last) {
    if (last - first == 1)
      marks[first] = 1;
    else
      std::memset(marks + first, 1, std::size_t(last - first));
    any = true;
  };
  EachOnEdge(u_, y, copied, mark);
  EachOnEdge(v_, y, copied, mark);
  return any;
}

int CellEdgePixels::Places(std::int64_t y, int* places, const Copied* copied) const {
  if (modulus_ == 0 || count_ <= 0) return 0;
  int count = 0;
  EachOnEdge(u_, y, copied, [&](int first, int last) {
    for (int i = first; i < last; ++i) places[count++] = i;
  });
  // A pixel on two lines lies on a lattice point, or a diagonal's crossing: listed with the first.
  const auto listOnce = [&](int first, int last) {
    const int before = count;
    for (int i = first; i < last; ++i)
      if (std::find(places, places + before, i) == places + before) places[count++] = i;
  };
  EachOnEdge(v_, y, copied, listOnce);
  if (which_ == kEveryOneAndDiagonals) EachOnEdge(sum_, y, copied, listOnce);
  return count;
}

template <class Take>
void CellEdgePixels::EachOnEdge(const Edge& edge, std::int64_t y, const Copied* copied, Take&& take) const {
  if (edge.alongColumns) {
    for (std::size_t k = 0; k < edge.columns.size(); ++k)
      if (which_ != kApartFromCopied || ColumnApartFromCopied(edge, k, y, copied))
        take(edge.columns[k], edge.columns[k] + 1);
    return;
  }
  if (!edge.rows.any || Residue(y - edge.rows.first, edge.rows.every) != 0) return;
  const std::int64_t start = (edge.atX0 + TimesModulo(edge.perY, Residue(y, modulus_), modulus_)) % modulus_;
  const std::int64_t wanted = start == 0 ? 0 : modulus_ - start;
  if (edge.alongRows) {
    // The row lies on the edge, each side's one coordinate all along it.
    if (WrappedApart(edge, y, 0, copied)) take(0, count_);
    return;
  }
  for (std::int64_t i = Solve(edge.perX, wanted, modulus_).first; i < count_; i += edge.every)
    if (WrappedApart(edge, y, i, copied)) take(int(i), int(i) + 1);
}

// The plan wraps t by its floor: to the far side where it lies a hair below the whole number.
// The fast position wraps in fixed point: to the far side where it lies in the upper half once
// rounded as the kernels round it. A pixel copied lies a lattice vector from its copy, so the plan
// takes both to the same point unless it wraps them apart.
bool CellEdgePixels::WrappedApart(const Edge& edge, std::int64_t y, std::int64_t i,
                                  const Copied* copied) const {
  if (which_ == kEveryOneAndDiagonals) return true;
  if (which_ == kApartFromCopied) {
    if (!copied) return true;
    const std::int64_t from = i >= copied->shift ? i - copied->shift : i - copied->shift + count_;
    return PlanFar(edge, x0_ + i, y) != PlanFar(edge, x0_ + from, copied->madeY);
  }
  const auto fixed = FixedCellPosition(program_, generator_, Point2D(double(x0_), double(y)), int(i));
  const bool fastFar = (edge.isU ? fixed.first : fixed.second) >= 0x800000u;
  return PlanFar(edge, x0_ + i, y) != fastFar;
}

// In a row of one period the pixel copied lies a lattice vector away, on a column of the edge too.
bool CellEdgePixels::ColumnApartFromCopied(const Edge& edge, std::size_t k, std::int64_t y,
                                           const Copied* copied) const {
  if (!copied) return true;
  const int i = edge.columns[k];
  const int from = i >= copied->shift ? i - copied->shift : i - copied->shift + count_;
  const auto at = std::find(edge.columns.begin(), edge.columns.end(), from);
  if (at == edge.columns.end()) return WrappedApart(edge, y, i, copied);
  return edge.columnsFar[k] != edge.columnsFar[std::size_t(at - edge.columns.begin())];
}

bool CellEdgePixels::PlanFar(const Edge& edge, std::int64_t x, std::int64_t y) const {
  const Point2D uv = generator_.PlaneToLattice(double(x), double(y));
  const double t = edge.isU ? uv.x : uv.y;
  return t - FloorOf(t) > 0.5;
}

}  // namespace corvel::detail
