// The pixels right on a cell's edge wrapped apart: checked pixel by pixel against det u and det v
// worked out for each and the sides the plan's wrap and the fast positions take them to.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "generators/detail/CellEdgePixels.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/FoldRow.h"
#include "generators/detail/TileGenerator.h"
#include "tests/generators/TestLattices.h"

namespace corvel {
namespace {

using testing_lattices::SetLattice;

// Which side of the cell the plan's wrap takes a pixel to.
bool PlanWrapsFar(const TileGenerator& generator, std::int64_t x, std::int64_t y, bool u) {
  const Point2D q = generator.WrapToCell(int(x), int(y));
  const Point2D uv = generator.PlaneToLattice(q.x, q.y);
  return (u ? uv.x : uv.y) > 0.5;
}

// The places Places lists, in order, which must be each pixel once; and the places marked 1.
std::vector<int> ListedPlaces(const detail::CellEdgePixels& edges, std::int64_t y, int count,
                              const detail::CellEdgePixels::Copied* copied = nullptr) {
  std::vector<int> places(std::size_t(count), -1);
  places.resize(std::size_t(edges.Places(y, places.data(), copied)));
  std::sort(places.begin(), places.end());
  EXPECT_TRUE(std::adjacent_find(places.begin(), places.end()) == places.end());
  return places;
}

std::vector<int> MarkedOnes(const std::vector<std::uint8_t>& marks) {
  std::vector<int> ones;
  for (int i = 0; i < int(marks.size()); ++i)
    if (marks[std::size_t(i)] == 1) ones.push_back(i);
  return ones;
}

std::int64_t Determinant(const POINT (&basis)[2]) {
  return std::int64_t{basis[0].x} * basis[1].y - std::int64_t{basis[0].y} * basis[1].x;
}

TEST(CellEdgePixels, MarksThePixelsRightOnAnEdgeThatThePlanAndTheFastPositionsWrapApart) {
  // Off the hexagon, sheared, with horizontal and vertical edges, with steps that share a factor
  // with the determinant, and with a negative determinant.
  const POINT lattices[][2] = {{{30, 1}, {15, 25}}, {{28, 0}, {14, 24}}, {{95, -55}, {0, 110}},
                               {{12, 8}, {-6, 9}},  {{0, 64}, {64, 0}},  {{-17, 3}, {5, 23}}};
  int onEdges = 0, marked = 0;
  for (const auto& basis : lattices) {
    TileGenerator generator;
    SetLattice(generator, basis[0], basis[1]);
    const detail::FoldProgram program;
    const std::int64_t x0 = -101;
    const detail::CellEdgePixels edges(program, generator, x0, 200);
    const std::int64_t det = Determinant(basis);
    for (std::int64_t y = -70; y <= 170; ++y) {
      std::vector<std::uint8_t> marks(200, 0);
      marks[5] = 2;  // an earlier mark stays
      const bool any = edges.Mark(y, marks.data());
      bool found = false;
      for (int i = 0; i < int(marks.size()); ++i) {
        const std::int64_t x = x0 + i, detU = basis[1].y * x - basis[1].x * y,
                           detV = basis[0].x * y - basis[0].y * x;
        const auto fixed = detail::FixedCellPosition(program, generator, Point2D(double(x0), double(y)), i);
        const bool apartU = detU % det == 0 &&
                            PlanWrapsFar(generator, x, y, true) != (fixed.first >= 0x800000u),
                   apartV = detV % det == 0 &&
                            PlanWrapsFar(generator, x, y, false) != (fixed.second >= 0x800000u);
        onEdges += detU % det == 0 || detV % det == 0;
        found = found || apartU || apartV;
        ASSERT_EQ(marks[std::size_t(i)], apartU || apartV ? 1 : (i == 5 ? 2 : 0))
            << basis[0].x << "," << basis[0].y << " " << basis[1].x << "," << basis[1].y << " at " << x << ","
            << y;
      }
      ASSERT_EQ(any, found);
      ASSERT_EQ(ListedPlaces(edges, y, 200), MarkedOnes(marks));
      marked += found;
    }
  }
  // Some are wrapped apart, most not.
  EXPECT_GT(marked, 0);
  EXPECT_LT(marked * 4, onEdges);
}

TEST(CellEdgePixels, MarksTheCopiedPixelsRightOnAnEdgeThatThePlanWrapsApartFromTheirCopies) {
  // Rows copied a lattice vector down and along, around the row; with no copy given, every pixel
  // right on an edge.
  // 49 (1 / 49) is a hair below 1: the plan wraps (49, y) to the far side and (0, y) not.
  const POINT lattices[][2] = {{{30, 1}, {15, 25}},
                               {{28, 0}, {14, 24}},
                               {{95, -55}, {0, 110}},
                               {{-17, 3}, {5, 23}},
                               {{49, -28}, {0, 56}}};
  const int count = 200;
  int onEdges = 0, marked = 0;
  for (const auto& basis : lattices) {
    TileGenerator generator;
    SetLattice(generator, basis[0], basis[1]);
    const detail::FoldProgram program;
    const std::int64_t x0 = -101;
    const detail::CellEdgePixels edges(program, generator, x0, count,
                                       detail::CellEdgePixels::kApartFromCopied);
    const std::int64_t det = Determinant(basis);
    // Copied by either vector: around a row not of one period, the pixel copied lies on a column
    // of the edge or off it.
    for (int by = 0; by < 2; ++by)
      for (std::int64_t y = -70; y <= 170; ++y) {
        const int shift = ((basis[by].x % count) + count) % count;
        const detail::CellEdgePixels::Copied copied{y - basis[by].y, shift};
        std::vector<std::uint8_t> marks(count, 0), every(count, 0);
        edges.Mark(y, marks.data(), &copied);
        edges.Mark(y, every.data());
        for (int i = 0; i < count; ++i) {
          const std::int64_t x = x0 + i, from = x0 + (i - shift + count) % count;
          const bool onU = (basis[1].y * x - basis[1].x * y) % det == 0,
                     onV = (basis[0].x * y - basis[0].y * x) % det == 0;
          const bool apart = (onU && PlanWrapsFar(generator, x, y, true) !=
                                         PlanWrapsFar(generator, from, copied.madeY, true)) ||
                             (onV && PlanWrapsFar(generator, x, y, false) !=
                                         PlanWrapsFar(generator, from, copied.madeY, false));
          ASSERT_EQ(marks[std::size_t(i)], apart ? 1 : 0)
              << basis[0].x << "," << basis[0].y << " at " << x << "," << y;
          ASSERT_EQ(every[std::size_t(i)], onU || onV ? 1 : 0);
          onEdges += onU || onV;
          marked += apart;
        }
        ASSERT_EQ(ListedPlaces(edges, y, count, &copied), MarkedOnes(marks));
        ASSERT_EQ(ListedPlaces(edges, y, count), MarkedOnes(every));
      }
  }
  EXPECT_GT(onEdges, 0);
  EXPECT_LT(marked * 4, onEdges);
}

}  // namespace
}  // namespace corvel
