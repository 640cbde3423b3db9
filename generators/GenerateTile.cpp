#include "generators/GenerateTile.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>
#include <vector>

#include "core/ProgressMeter.h"
#include "core/RowThreads.h"
#include "generators/RectangularPeriod.h"
#include "generators/TileGroups.h"
#include "generators/detail/ImageRows.h"
#include "generators/detail/KeptBetweenRenders.h"
#include "generators/detail/TileWorker.h"
#include "rowops/TransformOperation.h"

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
         IsNear(shape.p0) && IsNear(shape.p1) && IsNear(shape.p2) && IsNear(shape.centre);
}

long long Determinant(POINT a, POINT b) {
  return static_cast<long long>(a.x) * b.y - static_cast<long long>(b.x) * a.y;
}

CoreResult BlankTile(CRowIteratorBands& destination, int width, int height, int percent, keFormat format) {
  width = ScaledTileSide(width, percent);
  height = ScaledTileSide(height, percent);
  if (!WithinTileBudget(std::int64_t{width} * height)) return keErrorNoMemory;
  CoreResult result = destination.Create(width, height, format);
  if (!result.Ok()) return result;
  return keErrorStopped;
}

// The tile into destination at percent of its size, scaled here where the render did not: by the
// average of the pixels it covers when it shrinks, by the four-tap filter when it grows. The
// scale of a large tile takes a good part of a second: it listens to the meter's stop (its
// percentage is the generation's) and hands back a blank tile when stopped.
CoreResult HandOverTile(CRowIteratorBands& tile, const TileGenerator& g, int percent,
                        CRowIteratorBands& destination, CProgressMeter* meter) {
  if (g.rendered.percent == percent) {
    destination.TakeFrom(tile);  // the tile is ours alone: no copy needed
    return CoreResult();
  }
  const int width = ScaledTileSide(tile.Width(), percent), height = ScaledTileSide(tile.Height(), percent);
  if (!WithinTileBudget(std::int64_t{tile.Width()} * tile.Height() + std::int64_t{width} * height))
    return keErrorNoMemory;
  CRowIteratorBands scaled;
  CoreResult result = scaled.Create(width, height, tile.GetFormat());
  if (!result.Ok()) return result;
  TransformOperation scale(percent < 100 ? keWorkerReduce : keWorkerFourTap, nullptr, nullptr, 0);
  CProgressMeter stopOnly(meter);
  stopOnly.SetProgressEnabled(false);
  scale.SetProgressMeter(&stopOnly);
  result = scale.Run(scaled, &tile);
  if (result.GetCode() == keErrorStopped)
    return BlankTile(destination, tile.Width(), tile.Height(), percent, g.render.tileFormat);
  if (!result.Ok()) return result;
  destination.TakeFrom(scaled);
  return CoreResult();
}

}  // namespace

LatticeStepper::LatticeStepper(long long start, long long step, long long det)
    : value_(start),
      step_(step),
      det_(det),
      stepRemainder_(FloorRemainder(step, det)),
      remainder_(FloorRemainder(start, det)) {}

long long LatticeStepper::FloorRemainder(long long a, long long det) {
  const long long r = a % det;
  return r != 0 && (r < 0) != (det < 0) ? r + det : r;
}

int GeneratedTile::RepeatTile(CProgressMeter* meter) {
  CProgressMeter rows(meter);
  rows.SetUnitCount(size_.y);
  if (size_.x <= 0 || size_.y <= 0) return 0;
  const TileGenerator& generator = *lattice_.generator;
  ImageRows cell, tile;
  if (const int code = cell.Lock(lattice_.generator->workImage)) return code;
  if (const int code = tile.Lock(image, generator.render.tileFormat)) return code;
  const POINT a = lattice_.basisA, b = lattice_.basisB;
  const long long det = Determinant(a, b);
  if (det == 0) return keErrorBadArgument;
  const double ox = RoundToInt(256 * generator.origin.x), oy = RoundToInt(256 * generator.origin.y);
  const Point2D eA = Point2D(a) / double(det), eB = Point2D(b) / double(det);
  std::vector<std::vector<std::int32_t>> positions(std::size_t(RowThreads::Count()));
  std::vector<std::vector<std::uint8_t>> bgraRows(positions.size());
  std::atomic<bool> noMemory{false};

  const bool stopped = RowThreads::Run(
      size_.y,
      [&](int first, int last, int slot) {
        std::vector<std::int32_t>& row = positions[std::size_t(slot)];
        std::vector<std::uint8_t>& bgraRow = bgraRows[std::size_t(slot)];
        try {
          row.resize(2 * std::size_t(size_.x));
        } catch (const std::bad_alloc&) {
          noMemory = true;
          return;
        }
        if (!ReserveBgraRow(tile, bgraRow)) {
          noMemory = true;
          return;
        }
        for (int y = first; y < last; ++y) {
          // Lattice coordinates times det, stepped in integers along the row; the remainders
          // follow by one correction a step, as each step is below det once reduced.
          LatticeStepper u(-static_cast<long long>(y) * b.x, b.y, det),
              v(static_cast<long long>(y) * a.x, -a.y, det);
          for (int x = 0; x < size_.x; ++x) {
            // A whole pixel's copy in the cell lies whole pixels from the origin: rounded, it is
            // copied rather than mixed a 256th with a neighbour, a level short.
            const double i = double(u.Next()), j = double(v.Next());
            row[2 * std::size_t(x)] = SaturatedTrunc(ox + 256 * std::round(i * eA.x + j * eB.x));
            row[2 * std::size_t(x) + 1] = SaturatedTrunc(oy + 256 * std::round(i * eA.y + j * eB.y));
          }
          const OutputRow out(tile, bgraRow, y);
          cell.Sample(out.Bgra(), row.data(), size_.x, ImageRows::kFill);
        }
      },
      [&](int finished) { return rows.StepAndTestAbort(finished) != 0; });
  if (noMemory) return keErrorNoMemory;
  return stopped ? keErrorStopped : 0;
}

namespace {

// What a render takes from the caller's cache for its length, or makes for itself.
class KeptForTheRender {
 public:
  explicit KeptForTheRender(TileRenderCache* cache)
      : cache_(cache), kept_(cache ? cache->Take() : std::make_unique<detail::KeptBetweenRenders>()) {}
  ~KeptForTheRender() {
    if (cache_) cache_->GiveBack(std::move(kept_));
  }
  KeptForTheRender(const KeptForTheRender&) = delete;
  KeptForTheRender& operator=(const KeptForTheRender&) = delete;

  detail::KeptBetweenRenders* get() const { return kept_.get(); }

 private:
  TileRenderCache* cache_;
  std::unique_ptr<detail::KeptBetweenRenders> kept_;
};

}  // namespace

CoreResult GenerateTile(CProgressMeter* meter, CRowIteratorBands& source, TileShape& shape,
                        CRowIteratorBands& destination, TileRenderCache* cache) {
  RowThreads::WakeUp();
  const keFormat format = source.GetFormat();
  if (format < keFormatGrey || format > keFormatBGRA) return keErrorBadArgument;
  if (!IsSound(shape)) return keErrorBadArgument;
  const TileGroup& group = *FindTileGroup(shape.method);
  std::unique_ptr<TileGenerator> generator = group.create();
  const TileLattice lattice = group.buildLattice(shape.p0, shape.p1, shape.p2, shape.centre);
  if (Determinant(lattice.basisA, lattice.basisB) == 0) return keErrorBadArgument;
  if (lattice.negateK0) shape.seamK0 = -shape.seamK0;
  if (lattice.negateK1) shape.seamK1 = -shape.seamK1;
  // Lowered here, not in the caller's shape: the next render of the same shape flips again.
  const int angle = lattice.turnedHalf ? shape.angle - 180 : shape.angle;
  // A scripted feather may carry any value; past 100 the shrunk lattice would collapse.
  const double feather = std::clamp(shape.feather, 0.0, 100.0);

  // The source lattice turns with the shape; the tile's own lattice stays upright.
  TileGenerator& g = *generator;
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

  const int percent = std::max(1, shape.tileSize);
  g.render.tilePercent = percent;
  g.render.tileFormat = format == keFormatGrey && source.GetStorageFormat() == keFormatGrey ? keFormatGrey
                                                                                            : keFormatBGRA;
  if (&destination != &source) g.render.reusableOutput = &destination;
  g.render.cellIsTile = !lattice.repeats;
  const KeptForTheRender kept(cache);
  g.render.kept = kept.get();
  if (lattice.repeats)
    g.render.periodLimit = {std::max(kCutSide, source.Width()), std::max(kCutSide, source.Height())};
  CProgressMeter steps(meter);
  steps.SetStepCount(lattice.repeats ? 2 : 1);
  int code = g.Generate(&steps);
  if (code != 0 && code != keErrorStopped) return code;

  // One period of the lattice the cell was generated on (shrunk by the feather).
  if (Determinant(g.basisA, g.basisB) == 0) return keErrorBadArgument;
  const POINT period = RectangularPeriod(g.basisA, g.basisB);
  if (!lattice.repeats) {
    const int width = std::min<int>(period.x, g.workImage.Width());
    const int height = std::min<int>(period.y, g.workImage.Height());
    if (code == keErrorStopped && g.rendered.percent != 100)
      return BlankTile(destination, g.workImage.Width(), g.workImage.Height(), 100, g.render.tileFormat);
    if (code == keErrorStopped) return BlankTile(destination, width, height, percent, g.render.tileFormat);
    if (g.rendered.percent != 100 || (width == g.workImage.Width() && height == g.workImage.Height()))
      return HandOverTile(g.workImage, g, percent, destination, &steps);
    // The box of the cell holds its far edge too: the period leaves out at most that row and
    // column, and the tile is ours alone, so it is shared rather than copied.
    CRowIteratorBands cell;
    result = cell.CreateSubView(g.workImage, 0, 0, width, height);
    if (!result.Ok()) return result;
    if (width + 1 < g.workImage.Width() || height + 1 < g.workImage.Height()) {
      CRowIteratorBands copy;
      result = copy.CreateCopy(cell);
      if (!result.Ok()) return result;
      return HandOverTile(copy, g, percent, destination, &steps);
    }
    return HandOverTile(cell, g, percent, destination, &steps);
  }
  if (g.rendered.period) {
    if (code == keErrorStopped)
      return BlankTile(destination, CutTileSide(period.x, g.render.periodLimit.x),
                       CutTileSide(period.y, g.render.periodLimit.y), percent, g.render.tileFormat);
    return HandOverTile(g.workImage, g, percent, destination, &steps);
  }
  const int width = CutTileSide(period.x, g.render.periodLimit.x),
            height = CutTileSide(period.y, g.render.periodLimit.y);
  if (code == keErrorStopped) return BlankTile(destination, width, height, percent, g.render.tileFormat);
  if (!WithinTileBudget(std::int64_t{g.workImage.Width()} * g.workImage.Height() +
                        std::int64_t{width} * height))
    return keErrorNoMemory;
  GeneratedTile tile(width, height, LatticeRecord{g.basisA, g.basisB, &g});
  result = tile.Create();
  if (!result.Ok()) return result;
  code = tile.RepeatTile(&steps);
  if (code == keErrorStopped) return BlankTile(destination, width, height, percent, g.render.tileFormat);
  if (code != 0) return code;
  return HandOverTile(tile.image, g, percent, destination, &steps);
}

}  // namespace corvel
