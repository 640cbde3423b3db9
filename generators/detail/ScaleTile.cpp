#include "generators/detail/ScaleTile.h"

#include <cstdint>

#include "core/ProgressMeter.h"
#include "generators/RectangularPeriod.h"
#include "generators/detail/TileGenerator.h"
#include "rowops/TransformOperation.h"

namespace corvel::detail {

CoreResult HandOverScaled(CRowIteratorBands& tile, int renderedPercent, int percent, bool hexagonal,
                          CRowIteratorBands& destination, CProgressMeter* meter) {
  if (renderedPercent == percent) {
    destination.TakeFrom(tile);  // the tile is ours alone: no copy needed
    return CoreResult();
  }
  const POINT size = ScaledTileSize({tile.Width(), tile.Height()}, percent, hexagonal);
  const int width = size.x, height = size.y;
  if (!WithinTileBudget(std::int64_t{tile.Width()} * tile.Height() + std::int64_t{width} * height))
    return keErrorTileOverBudget;
  CRowIteratorBands scaled;
  CoreResult result = scaled.CreateSpreadIn(destination, width, height, tile.GetFormat());
  if (!result.Ok()) return result;
  TransformOperation scale(percent < 100 ? keWorkerReduce : keWorkerFourTap, nullptr, nullptr, 0);
  CProgressMeter stopOnly(meter);
  stopOnly.SetProgressEnabled(false);
  scale.SetProgressMeter(&stopOnly);
  result = scale.Run(scaled, &tile);
  if (result.GetCode() == keErrorStopped)
    return HandOverStopped(destination, tile.Width(), tile.Height(), percent, hexagonal, tile.GetFormat());
  if (!result.Ok()) return result;
  destination.TakeFrom(scaled);
  return CoreResult();
}

CoreResult HandOverStopped(CRowIteratorBands& destination, int width, int height, int percent, bool hexagonal,
                           keFormat format) {
  const POINT size = ScaledTileSize({width, height}, percent, hexagonal);
  width = size.x;
  height = size.y;
  if (!WithinTileBudget(std::int64_t{width} * height)) return keErrorTileOverBudget;
  CoreResult result = destination.Create(width, height, format);
  if (!result.Ok()) return result;
  return keErrorStopped;
}

}  // namespace corvel::detail
