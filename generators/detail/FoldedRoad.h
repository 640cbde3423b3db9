// What a render by a fold program decided before its rows, made once and read by every stage of
// its rows: which pixels leave the fast road and where they go, and which rows are copied rather
// than made. The fast road folds a row's cell positions in lanes (FoldRow) and samples them
// (SampleBilinearBgra); the pixels it cannot decide as the plan in doubles does are marked (by
// BandMarks and CellEdgePixels) and blended in lanes (SeamBlendRow), mixed in doubles from the
// blends' description, or planned (PlannedPixels); rows that repeat higher ones are copied down
// (CopyRowDown), or turned (RowTurn).
#pragma once
#include "generators/detail/CopyDown.h"
#include "generators/detail/FoldProgram.h"

namespace corvel::detail {

// Whether a render goes by its fold program at all, and how its rows are laid out: decided once
// from the program and the render's record before the rows are opened; the road below is decided
// from what they are after.
struct FoldedOpening {
  // The program renders rather than the plan in doubles: the record has SSE2, and a program with
  // bands renders unscaled, its band pixels being planned at whole plane points.
  bool folded = false;
  // No pixel is planned: the tile is made in one pass, at the size it is used at, however long
  // its period (planned seams round as the plane point falls, so a long period repeats a cell).
  bool onePass = false;
};

// program: none where the group describes no fold.
FoldedOpening DecideOpening(const FoldProgram* program, const RenderRecord& render);

// What the decisions of the road are made from.
struct RoadFacts {
  const FoldProgram* program = nullptr;
  // BandMarks::CanMark: on a lattice of whole pixels, pixels off a hard seam may all lie beyond its
  // bands.
  bool bandsCanMark = false;
  // The blends were set up (a degenerate source lattice says nothing of the cell position), and
  // some of their fold lines are the cell's edges.
  bool blendsMade = false;
  bool blendsHaveCellEdges = false;
  // The seams are feathered (whether or not the blends were set up).
  bool feathered = false;
  // The group gives the planned positions of its pixels, every one a single sample.
  bool plansPositions = false;
  // Every position reads the source's own rows.
  bool sourceInPlace = false;
  // The output's rows are grey, written from a thread's own BGRA row.
  bool greyOutput = false;
  // The rows: one period of the lattice a, b (or the cell's box), width x height, a pixelStep apart.
  bool renderedPeriod = false;
  POINT basisA{0, 0}, basisB{0, 0};
  int width = 0, height = 0;
  Point2D pixelStep{1, 1};
  // The plane point of the first row's first pixel.
  POINT start{0, 0};
};

struct FoldedRoad {
  // Pixels may be marked (the program has bands): each thread keeps a row's marks and a queue for
  // the planned ones.
  bool mayMark = false;
  // Which pixels of a row are marked to leave the fast road: those in the program's bands about
  // its seams (skipped where no pixel can lie there), and, unblended, those right on the cell's
  // edges that the fast positions and the plan wrap to different sides, told by whole numbers.
  bool markBands = false;
  bool markCellEdges = false;
  // And the fold itself marks those near its bent seams, with the bands' marks made before it.
  bool marksInFold = false;
  // Where the marked pixels go: feathered, they blend in lanes, near a seam's middle and where
  // bands meet in doubles, and of those right on a cell's edge only the ones wrapped apart are
  // planned; else they are planned. Unblended with planned positions on a source read in place,
  // their positions take the place of the program's and the row is sampled once.
  bool blend = false;
  bool blendCellEdges = false;
  bool planInPlace = false;
  // The pixels mixed in doubles and those planned wait for up to sixteen rows, where the rows are
  // the output's own.
  bool finishTogether = false;
  // Rows that repeat higher ones are copied from them as they are made; the pixels right on a
  // cell's edge are planned again there, as the plan's wrap follows its doubles' rounding: where
  // the pixel copied shows the plan's own side of the edge, only those the plan wraps apart from
  // it.
  RowRepeat repeat;
  // And, feathered or, with no cell edges marked, unfeathered, rows that repeat others turned by half
  // (or glided) are turned from them as they are made: the rows made are then
  // turn.MadeRow(0 .. madeRows - 1).
  RowTurn turn;
  int madeRows = 0;
  bool markCopiedEdges = false;
  bool copiesShowThePlan = false;
};

FoldedRoad DecideRoad(const RoadFacts& facts);

}  // namespace corvel::detail
