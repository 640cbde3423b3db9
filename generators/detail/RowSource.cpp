#include "generators/detail/RowSource.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "generators/detail/SeamBlends.h"

namespace corvel::detail {

namespace {

// How many rows down the source is asked for ahead of the reads.
constexpr int kRowsAhead = 8;

// About what a core's cache keeps of a source read in place or copied.
constexpr std::int64_t kCachedBytes = std::int64_t{1} << 20;

// A turned row reads a long diagonal of the source, farther than the cache keeps from one row to
// the next: the reads of the rows some way down are asked for in time, by the map unfolded.
void AskAheadUnfolded(const TileGenerator& generator, const Point2D& pixelStep, BgraRows& source) {
  const Point2D down = generator.PlaneToLattice(0, kRowsAhead * pixelStep.y) - generator.PlaneToLattice(0, 0);
  const Point2D step = generator.LatticeToSource(down.x, down.y) - generator.LatticeToSource(0, 0);
  if (std::abs(step.x) < source.windowWidth && std::abs(step.y) < source.windowHeight)
    source.windowAhead = std::intptr_t(std::lround(step.y)) * source.windowPitch +
                         4 * std::intptr_t(std::lround(step.x));
}

// Where the steps turn a half or a quarter or mirror parts of a turned row, each part's rows
// below lie its own way, where the source read is larger than the cache keeps: a quarter turn
// from the part's own step along the row, the way the map unfolded turns it where every step
// keeps the sense of turns, else both ways. Rows along the source's rows are read ahead by the
// processor itself; the turns of a third or a sixth gained nothing by it.
void AskAheadByParts(const FoldProgram& program, const TileGenerator& generator, BgraRows& rows) {
  auto toSource = [&](double x, double y) {
    const Point2D uv = generator.PlaneToLattice(x, y);
    return generator.LatticeToSource(uv.x, uv.y) - generator.LatticeToSource(0, 0);
  };
  const Point2D along = toSource(1, 0), down = toSource(0, 1);
  if (rows.windowAhead == 0 || program.stepCount == 0 || !(std::abs(along.y) > std::abs(along.x) / 16) ||
      4 * std::int64_t{rows.windowWidth} * rows.windowHeight <= kCachedBytes)
    return;
  rows.aheadRows = along.x * down.y - along.y * down.x > 0 ? kRowsAhead : -kRowsAhead;
  for (int i = 0; i < program.stepCount; ++i) {
    // A turn by t has the trace 2 cos t: +-1 for a third or a sixth.
    const LatticeAffine& m = program.steps[i].map;
    const double turns = m.uu * m.vv - m.uv * m.vu, trace = std::abs(m.uu + m.vv);
    if (turns > 0 && trace > 0.5 && trace < 1.5) rows.aheadRows = 0;
    if (turns < 0) rows.aheadBothWays = true;
  }
}

}  // namespace

RowSources OpenRowSources(SourceWindow& window, const ImageRows& rows, const FoldProgram& program,
                          const TileGenerator& generator, const BlendSetup* blends, const Point2D& pixelStep,
                          long long pixels) {
  RECT reached = ReachedSource(program, generator);
  const Point2D from = program.sourceShift + Point2D(program.reachFromU, program.reachFromV);
  const Point2D corner = generator.LatticeToSource(from.x, from.y);
  std::vector<SourceReach> reaches{
      {corner + generator.origin,
       generator.LatticeToSource(program.sourceShift.x + program.reachU, from.y) - corner,
       generator.LatticeToSource(from.x, program.sourceShift.y + program.reachV) - corner}};
  if (blends) {
    const RECT& partners = blends->reached;
    reached = {std::min(reached.left, partners.left), std::min(reached.top, partners.top),
               std::max(reached.right, partners.right), std::max(reached.bottom, partners.bottom)};
    reaches.insert(reaches.end(), blends->reaches.begin(), blends->reaches.end());
  }
  RowSources sources;
  sources.shared = window.Open(rows, reached, pixels, reaches);
  BgraRows& shared = sources.shared;
  if (shared.window) AskAheadUnfolded(generator, pixelStep, shared);
  sources.inPlace = !shared.window ||
                    shared.window == shared.rows[shared.windowTop] + 4 * std::intptr_t(shared.windowLeft);
  sources.program = shared;
  AskAheadByParts(program, generator, sources.program);
  return sources;
}

}  // namespace corvel::detail
