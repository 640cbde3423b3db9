#include "generators/detail/FoldedRoad.h"

#include <cmath>

#include "generators/RectangularPeriod.h"

namespace corvel::detail {

namespace {

// Whether the band's pixels, planned, hold every pixel right on the lines where its coordinate is
// whole.
bool HoldsWholeLines(const FoldProgram::Band& band) {
  return band.planned && band.every == 1 && band.from <= 0 && band.to >= 0;
}

// The map of the lattice as one of the plane's pixels, where it takes rows of whole pixels onto
// rows: -v keeps the rows' direction only where u runs along them and v down the columns. Over a
// strip of the least height, rows wrapping across its edge move along as they repeat.
RowTurn TurnRowsOf(const FoldProgram::RowsImage& image, const RoadFacts& facts, int height, int wrapShift) {
  const POINT a = facts.basisA, b = facts.basisB;
  if (image.keepsU && (a.y != 0 || b.x != 0)) return {};
  const double toX = image.shiftU * a.x, toY = image.shiftU * a.y;
  if (toX != std::floor(toX) || toY != std::floor(toY) || std::abs(toX) > 0x1p30 || std::abs(toY) > 0x1p30)
    return {};
  return TurnRows(facts.start, facts.width, height, !image.keepsU, {LONG(toX), LONG(toY)}, wrapShift);
}

}  // namespace

FoldedOpening DecideOpening(const FoldProgram* program, const RenderRecord& render) {
  FoldedOpening opening;
  opening.folded = program && !program->overran && render.cpu.sse2 &&
                   (!program->HasBands() || render.tilePercent == 100);
  opening.onePass = opening.folded && !program->HasBands();
  return opening;
}

FoldedRoad DecideRoad(const RoadFacts& facts) {
  const FoldProgram& program = *facts.program;
  const bool bands = program.HasBands();
  const bool wholePixels = program.wrapBias == 0 && facts.pixelStep.x == 1 && facts.pixelStep.y == 1;
  FoldedRoad road;
  road.mayMark = bands;
  road.markBands = bands && facts.bandsCanMark;
  road.marksInFold = road.markBands && program.MarksInFold();
  road.markCellEdges = bands && program.planCellEdges && !program.blends && wholePixels;
  road.blend = facts.blendsMade;
  road.blendCellEdges = road.blend && facts.blendsHaveCellEdges && wholePixels;
  road.planInPlace = !road.blend && facts.plansPositions && bands && facts.sourceInPlace;
  road.finishTogether = road.blend && !facts.greyOutput;
  road.copiesShowThePlan = road.blendCellEdges || (road.markCellEdges && program.copiesKeepCellEdges) ||
                           (road.markBands && !road.blend && !program.stepsDecideSeams &&
                            HoldsWholeLines(program.bandU) && HoldsWholeLines(program.bandV));
  const POINT period = RectangularPeriod(facts.basisA, facts.basisB);
  if (facts.renderedPeriod && facts.pixelStep.x == 1 && facts.pixelStep.y == 1 && facts.width == period.x &&
      facts.height == period.y && !program.copiesMayFallApart)
    road.repeat = RepeatDown(facts.basisA, facts.basisB, facts.width, facts.height);
  // Blended, a pixel and its image mix alike wherever they lie, cell edges and seams too.
  // Unfeathered, where the steps take a pixel right on a hard seam onto the copy the plan shows, a
  // pixel and its image read the same copy, and those near a seam are planned; not where the wrap
  // may part a pixel right on a cell's edge from its image (the edges marked), nor about bent seams,
  // where the plan may take a pixel right on one to another copy than its image's. Rows of one
  // period each way, from wherever they start, go onto themselves, and, blended, so do those of the
  // strip of the least height that repeats down it.
  const bool imageAlike = road.blend || (!facts.feathered && program.stepsDecideSeams && !road.markCellEdges);
  const bool strip = road.repeat.rows > 0;
  if (program.rowsImage.any && (strip ? road.blend : imageAlike) && facts.pixelStep.x == 1 &&
      facts.pixelStep.y == 1 && facts.width == period.x && facts.height == period.y)
    road.turn = strip ? TurnRowsOf(program.rowsImage, facts, road.repeat.rows, road.repeat.shift)
                      : TurnRowsOf(program.rowsImage, facts, facts.height, 0);
  road.madeRows = road.turn.any ? road.turn.madeRows : strip ? road.repeat.rows : facts.height;
  road.markCopiedEdges = road.repeat.rows > 0 && bands;
  return road;
}

}  // namespace corvel::detail
