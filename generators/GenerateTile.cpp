#include "generators/GenerateTile.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>
#include <vector>

#include "core/ProgressMeter.h"
#include "core/RowThreads.h"
#include "generators/RectangularPeriod.h"
#include "generators/TileLattice.h"
#include "generators/detail/KeptBetweenRenders.h"
#include "generators/detail/RepeatTile.h"
#include "generators/detail/ScaleTile.h"
#include "generators/detail/TileGenerator.h"
#include "generators/groups/GroupGenerators.h"
#include "rowops/RowSampler.h"

namespace corvel {

namespace {

// Over-long periods are cut to 16000 or to the source's side if longer: the output has the
// source's size, so the cut lies beyond it.
constexpr int kCutSide = 16000;
// Picked points lie on or near an image; far beyond, the lattice arithmetic would overflow.
constexpr LONG kFarthestPoint = 1 << 24;

bool IsNear(POINT p) {
  return p.x >= -kFarthestPoint && p.x <= kFarthestPoint && p.y >= -kFarthestPoint && p.y <= kFarthestPoint;
}

bool IsSound(const TileShape& shape) {
  return shape.method >= 0 && shape.method < keTilingMethodCount && !std::isnan(shape.feather) &&
         std::isfinite(shape.seamK0) && std::isfinite(shape.seamK1) && std::isfinite(shape.seamK2) &&
         IsNear(shape.p0) && IsNear(shape.p1) && IsNear(shape.p2) && IsNear(shape.centre);
}

long long Determinant(POINT a, POINT b) {
  return static_cast<long long>(a.x) * b.y - static_cast<long long>(b.x) * a.y;
}

// What a render takes for its length from the caller's cache, or from the one kept for callers
// without one.
class KeptForTheRender {
 public:
  explicit KeptForTheRender(TileRenderCache* cache)
      : cache_(cache ? cache : &detail::CacheOfRendersWithoutOne()), kept_(cache_->Take()) {}
  ~KeptForTheRender() { cache_->GiveBack(std::move(kept_)); }
  KeptForTheRender(const KeptForTheRender&) = delete;
  KeptForTheRender& operator=(const KeptForTheRender&) = delete;

  detail::KeptBetweenRenders* get() const { return kept_.get(); }

 private:
  TileRenderCache* cache_;
  std::unique_ptr<detail::KeptBetweenRenders> kept_;
};

// The tile of a group whose cell is the tile: its box less the far edge, which lies one period on.
CoreResult HandOverCell(TileGenerator& g, int code, int percent, POINT period, CProgressMeter& steps,
                        CRowIteratorBands& destination) {
  CRowIteratorBands& made = g.workImage;
  const int width = std::min<int>(period.x, made.Width()), height = std::min<int>(period.y, made.Height());
  const keFormat format = g.render.tileFormat;
  if (code == keErrorStopped && g.rendered.percent != 100)
    return detail::HandOverStopped(destination, made.Width(), made.Height(), 100, g.render.hexagonal, format);
  if (code == keErrorStopped)
    return detail::HandOverStopped(destination, width, height, percent, g.render.hexagonal, format);
  if (g.rendered.percent != 100 || (width == made.Width() && height == made.Height()))
    return detail::HandOverScaled(made, g.rendered.percent, percent, g.render.hexagonal, destination, &steps);
  // The box of the cell holds its far edge too: the period leaves out at most that row and
  // column, and the tile is ours alone, so it is shared rather than copied.
  CRowIteratorBands cell;
  CoreResult result = cell.CreateSubView(made, 0, 0, width, height);
  if (!result.Ok()) return result;
  if (width + 1 < made.Width() || height + 1 < made.Height()) {
    CRowIteratorBands copy;
    result = copy.CreateCopy(cell);
    if (!result.Ok()) return result;
    return detail::HandOverScaled(copy, g.rendered.percent, percent, g.render.hexagonal, destination, &steps);
  }
  return detail::HandOverScaled(cell, g.rendered.percent, percent, g.render.hexagonal, destination, &steps);
}

// The tile of a group that repeats its cell: one period of its lattice, cut to the limit, as the
// render made it or repeated from the cell.
CoreResult HandOverPeriod(TileGenerator& g, int code, int percent, POINT period, CProgressMeter& steps,
                          CRowIteratorBands& destination) {
  const keFormat format = g.render.tileFormat;
  const bool hexagonal = g.render.hexagonal;
  const int width = CutTileSide(period.x, g.render.periodLimit.x),
            height = CutTileSide(period.y, g.render.periodLimit.y);
  if (code == keErrorStopped)
    return detail::HandOverStopped(destination, width, height, percent, hexagonal, format);
  if (g.rendered.period)
    return detail::HandOverScaled(g.workImage, g.rendered.percent, percent, hexagonal, destination, &steps);
  if (!WithinTileBudget(std::int64_t{g.workImage.Width()} * g.workImage.Height() +
                        std::int64_t{width} * height))
    return keErrorTileOverBudget;
  // The last tile's memory goes to the tile made here only where no scale follows.
  CRowIteratorBands tile, none;
  CoreResult result = tile.CreateSpreadIn(percent == g.rendered.percent ? destination : none, width, height,
                                          format);
  if (!result.Ok()) return result;
  code = detail::RepeatCell(&steps, {&g.workImage, g.origin, g.basisA, g.basisB}, tile, format,
                            ChooseBgraSampler(g.render.cpu));
  if (code == keErrorStopped)
    return detail::HandOverStopped(destination, width, height, percent, hexagonal, format);
  if (code != 0) return code;
  return detail::HandOverScaled(tile, g.rendered.percent, percent, hexagonal, destination, &steps);
}

// The generator's lattices from the shape's (the source's turned by the shape's angle), its seams,
// the picked area and the feather.
CoreResult SetUpLattice(TileGenerator& g, const TileLattice& lattice, TileShape& shape, double feather,
                        CRowIteratorBands& source) {
  if (lattice.negateK0) shape.seamK0 = -shape.seamK0;
  if (lattice.negateK1) shape.seamK1 = -shape.seamK1;
  // Lowered here, not in the caller's shape: the next render of the same shape flips again.
  const int angle = lattice.turnedHalf ? shape.angle - 180 : shape.angle;
  // The source lattice turns with the shape; the tile's own lattice stays upright.
  POINT anchor = lattice.anchor;
  RotateIntPointDegrees(angle, shape.centre.x, shape.centre.y, anchor);
  g.basisC = lattice.basisA;
  g.basisD = lattice.basisB;
  if (angle != 0) {
    RotateIntPointDegrees(angle, 0, 0, g.basisC);
    RotateIntPointDegrees(angle, 0, 0, g.basisD);
  }
  if (lattice.anchorBelowD) anchor = {anchor.x - g.basisD.x, anchor.y - g.basisD.y};
  g.SetSeamCurves(shape.seamK0, shape.seamK1, shape.seamK2);
  g.basisA = lattice.basisA;
  g.basisB = lattice.basisB;
  g.PrepareLattice();
  CoreResult result = g.TakeSourceArea(source, anchor.x, anchor.y, feather, shape.area);
  if (!result.Ok()) return result;
  g.SetFeather(feather);
  return CoreResult();
}

}  // namespace

CoreResult GenerateTile(CProgressMeter* meter, CRowIteratorBands& source, TileShape& shape,
                        CRowIteratorBands& destination, TileRenderCache* cache) {
  RowThreads::WakeUp();
  const keFormat format = source.GetFormat();
  if (format < keFormatGrey || format > keFormatBGRA) return keErrorBadArgument;
  if (!IsSound(shape)) return keErrorBadArgument;
  const TileLattice lattice = BuildTileLattice(shape.method, shape.p0, shape.p1, shape.p2, shape.centre);
  if (Determinant(lattice.basisA, lattice.basisB) == 0) return keErrorBadArgument;
  const std::unique_ptr<TileGenerator> generator = detail::CreateTileGenerator(shape.method);
  TileGenerator& g = *generator;
  // A scripted feather may carry any value; past 100 the shrunk lattice would collapse.
  const CoreResult result = SetUpLattice(g, lattice, shape, std::clamp(shape.feather, 0.0, 100.0), source);
  if (!result.Ok()) return result;

  const int percent = std::max(1, shape.tileSize);
  g.render.tilePercent = percent;
  g.render.tileFormat = format == keFormatGrey && source.GetStorageFormat() == keFormatGrey ? keFormatGrey
                                                                                            : keFormatBGRA;
  if (&destination != &source) g.render.reusableOutput = &destination;
  g.render.cellIsTile = !lattice.repeats;
  g.render.hexagonal = lattice.hexagonal;
  const KeptForTheRender kept(cache);
  g.render.kept = kept.get();
  if (lattice.repeats)
    g.render.periodLimit = {std::max(kCutSide, source.Width()), std::max(kCutSide, source.Height())};
  CProgressMeter steps(meter);
  steps.SetStepCount(lattice.repeats ? 2 : 1);
  const int code = g.Generate(&steps);
  if (code != 0 && code != keErrorStopped) return code;

  // One period of the lattice the cell was generated on (shrunk by the feather).
  if (Determinant(g.basisA, g.basisB) == 0) return keErrorBadArgument;
  const POINT period = RectangularPeriod(g.basisA, g.basisB);
  return lattice.repeats ? HandOverPeriod(g, code, percent, period, steps, destination)
                         : HandOverCell(g, code, percent, period, steps, destination);
}

}  // namespace corvel
