// The pixels right on a cell's edges, where u or v is whole, that the fast positions and the
// plan's doubles wrap to different sides of the cell, for a program wrapping at whole u and v.
// The lattice's basis is whole pixels, so det u and det v are whole at whole plane points, and
// whole numbers tell exactly which pixels lie on an edge; the side each takes them to is then
// worked out as each works it out.
#pragma once
#include <cstdint>
#include <vector>

#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"

namespace corvel::detail {

class CellEdgePixels {
 public:
  // Which pixels right on an edge are marked: those the fast positions and the plan wrap apart,
  // or, in a row copied from one made higher, those the plan wraps apart from the pixel copied;
  // or, in a row turned from one made, every one, and those right on a line where u + v is whole.
  enum Which { kWrappedApart, kApartFromCopied, kEveryOneAndDiagonals };
  // A copied row's source: pixel i of row madeY lands at i + shift, around the row.
  struct Copied {
    std::int64_t madeY = 0;
    int shift = 0;
  };
  // For rows of count pixels from whole plane points (x0, y). Reads the program and the
  // generator's lattice, which must outlive it.
  CellEdgePixels(const FoldProgram& program, const TileGenerator& generator, std::int64_t x0, int count,
                 Which which = kWrappedApart);
  // Sets to 1 the marks of the row's pixels right on an edge and wrapped apart (marking
  // kApartFromCopied, from copied's pixels, or every one with none given); leaves the others.
  // Whether any was marked.
  bool Mark(std::int64_t y, std::uint8_t* marks, const Copied* copied = nullptr) const;
  // The same pixels' places, each once, in places (room for a row), with the diagonals' where
  // asked; how many.
  int Places(std::int64_t y, int* places, const Copied* copied = nullptr) const;

 private:
  // Whole numbers every `every` from first, if any.
  struct Progression {
    bool any = false;
    std::int64_t first = 0, every = 1;
  };
  // The pixels where perX x + perY y is a multiple of the determinant: along a row, every `every`
  // pixels, on the rows where the row's start term is a multiple of `unit`.
  struct Edge {
    std::int64_t perX = 0, perY = 0, unit = 1, every = 1;
    Progression rows;
    std::int64_t atX0 = 0;  // perX x0, modulo the determinant
    bool isU = false;
    bool alongRows = false;  // one coordinate all along a row
    // One coordinate all down a column: the columns wrapped apart, the same for every row, and
    // the side the plan takes each to (its lattice term in y is nought: the same down it).
    bool alongColumns = false;
    std::vector<int> columns;
    std::vector<char> columnsFar;
  };
  // The i where a i = b modulo m (a, b residues of m).
  static Progression Solve(std::int64_t a, std::int64_t b, std::int64_t m);
  Edge EdgeOf(std::int64_t perX, std::int64_t perY, bool isU, bool alongRows, bool alongColumns) const;
  // take(first, last) for each run of the row's pixels right on the edge and wrapped apart.
  template <class Take>
  void EachOnEdge(const Edge& edge, std::int64_t y, const Copied* copied, Take&& take) const;
  // Whether the plan and the fast positions take pixel i of row y, on the edge, to different sides;
  // marking kApartFromCopied, the plan there and at the pixel copied (always, with none given).
  bool WrappedApart(const Edge& edge, std::int64_t y, std::int64_t i, const Copied* copied) const;
  // The same for the edge's column k along columns, marking kApartFromCopied.
  bool ColumnApartFromCopied(const Edge& edge, std::size_t k, std::int64_t y, const Copied* copied) const;
  // Whether the plan wraps plane point (x, y), right on the edge, to the cell's far side.
  bool PlanFar(const Edge& edge, std::int64_t x, std::int64_t y) const;

  const FoldProgram& program_;
  const TileGenerator& generator_;
  std::int64_t x0_ = 0;
  int count_ = 0;
  Which which_ = kWrappedApart;
  std::int64_t modulus_ = 0;
  Edge u_, v_, sum_;
};

}  // namespace corvel::detail
