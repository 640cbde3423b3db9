#include "app/TilingCommand.h"

#include <algorithm>
#include <memory>

#include "core/MaskedCombine.h"
#include "core/Rounding.h"
#include "framework/TableParameters.h"
#include "framework/UserMessage.h"
#include "generators/GenerateTile.h"
#include "platform/ui/Dialogs.h"
#include "resources/ParameterTable.h"
#include "rowops/CoreTables.h"
#include "rowops/ImageBufferOps.h"
#include "rowops/ImageSampler.h"
#include "vector/CanvasRef.h"

namespace app {

using namespace corvel;
using namespace resources;

namespace {

const char kTileTooLargeText[] =
    "The tile at this tile size would need more than the 1024 MB the filter may use for it. Choose a smaller "
    "tile size.";
const char kTileTooLargeCaption[] = "! Tile too large !";
const char kOutOfMemoryText[] =
    "The memory ran out while the tile was made. Close other programs, or choose a smaller tile size or "
    "image.";
const char kOutOfMemoryCaption[] = "! Out of memory !";
const char kNoCellText[] =
    "The tile cannot be made from this shape: its cell has no area at this image's size. Place the shape "
    "again.";
const char kNoCellCaption[] = "! Shape has no area !";
static_assert(kTileMemoryBudget == 1024LL << 20, "the message names the budget");

}  // namespace

TilingCommand::TilingCommand() {
  name_ = CommandName();
  parameters_.SetName(CommandName());
  DefineParameters();
  parameters_.LoadParametersFromRegistry();
}

TilingCommand::~TilingCommand() {
  StopRender();
  parameters_.SaveParametersToRegistry();  // unloading, with nobody to tell of a failure
}

void TilingCommand::DefineParameters() { framework::DefineTableParameters(parameters_); }

int TilingCommand::Int(const framework::ParameterSet& values, int id) {
  int value = 0;
  values.GetParameter(id)->GetInt(&value);
  return value;
}

float TilingCommand::Float(const framework::ParameterSet& values, int id) {
  float value = 0;
  values.GetParameter(id)->GetFloat(&value);
  return value;
}

CoreResult FillWithTile(CRowIteratorBands& output, CRowIteratorBands& tile, int firstRow,
                        CProgressMeter* meter) {
  CanvasRef canvas(keFormatBGR);
  PaintRef paint;
  Matrix3 shift = kIdentityMatrix3;
  Matrix3Translate(&shift, 0, -firstRow);
  if (canvas.AttachImage(output) != keErrorNone ||
      !paint.SetImage(tile, false, firstRow != 0 ? &shift : nullptr, keInterpolationBilinear, keEdgeWrap, 0))
    return keErrorBadArgument;
  canvas.SetFillPaint(paint);
  canvas.SetOpacity(255);
  // A large output's fill takes tens of milliseconds: one canvas and paint for all its bands.
  const int bandRows = meter ? kFillBandRows : std::max(1, output.Height());
  bool filled = true, stopped = false;
  for (int top = 0; filled && top < output.Height(); top += bandRows) {
    if (meter && meter->StepAndTestAbort(0) != 0) {
      stopped = true;
      break;
    }
    const RECT band{0, top, output.Width(), std::min(output.Height(), top + bandRows)};
    filled = canvas.Fill(&band);
  }
  canvas.DetachImage();
  if (stopped) return keErrorStopped;
  return filled ? CoreResult() : CoreResult(keErrorBadArgument);
}

CoreResult FillSelectionWithTile(CRowIteratorBands& image, CRowIteratorBands& mask, CRowIteratorBands& tile,
                                 int bandRows) {
  const int width = image.Width(), height = image.Height();
  if (bandRows <= 0 || mask.Width() < width || mask.Height() < height) return keErrorBadArgument;
  const keFormat format = image.GetStorageFormat();
  CRowIteratorBands band;
  CoreResult result = band.CreateCopyOfRect(width, std::min(bandRows, height), image, keAccessReadWrite);
  if (!result.Ok()) return result;
  const RECT bandFrame = band.GetRect(), imageFrame = image.GetRect(), maskFrame = mask.GetRect();
  for (int top = 0; top < height; top += bandRows) {
    const int rows = std::min(bandRows, height - top);
    CRowIteratorBands filled, part, selected;
    if ((result = filled.CreateSubView(band, bandFrame.left, bandFrame.top, bandFrame.left + width,
                                       bandFrame.top + rows))
                .GetCode() != keErrorNone ||
        (result = FillWithTile(filled, tile, top)).GetCode() != keErrorNone ||
        (result = filled.SetViewFormat(format, keAccessReadWrite)).GetCode() != keErrorNone ||
        (result = part.CreateSubView(image, imageFrame.left, imageFrame.top + top, imageFrame.left + width,
                                     imageFrame.top + top + rows))
                .GetCode() != keErrorNone ||
        (result = selected.CreateSubView(mask, maskFrame.left, maskFrame.top + top, maskFrame.left + width,
                                         maskFrame.top + top + rows))
                .GetCode() != keErrorNone ||
        (result = MaskedCombine(part, filled, part, selected, GetDivideBy255Table(), false, nullptr))
                .GetCode() != keErrorNone)
      return result;
  }
  return CoreResult();
}

void TilingCommand::MakeTile(framework::RenderJob& job, CRowIteratorBands& tile) {
  if (job.progress) job.progress->SetUnitCount(10);
  const framework::ParameterSet& values = job.parameters ? *job.parameters : parameters_;
  const double feather = Int(values, kFeathering);
  int method = Int(values, kTilingMethod);
  // Methods past the groups are kept as values, as the shape editor keeps them, and render as
  // the first group, whose shape it shows for them.
  if (method >= kGroupCount) method = 0;

  // The tile reads only the picked area of the source and leaves it as it is: no copy.
  CRowIteratorBands& source = *job.source;
  sourceFormat_ = source.GetStorageFormat();

  const double width = source_.Width(), height = source_.Height();
  auto at = [&](int xId, int yId) {
    return POINT{RoundToInt(Float(values, xId) * width), RoundToInt(Float(values, yId) * height)};
  };
  TileShape shape;
  shape.method = method;
  shape.angle = Int(values, kAngle);
  shape.seamK0 = Float(values, kSpline1);
  shape.seamK1 = Float(values, kSpline2);
  shape.seamK2 = Float(values, kSpline3);
  shape.feather = feather;
  shape.p1 = at(kPoint1X, kPoint1Y);
  shape.p2 = at(kPoint2X, kPoint2Y);
  shape.p0 = at(kPoint3X, kPoint3Y);
  shape.centre = at(kPointCenterX, kPointCenterY);
  shape.area = RECT{
      RoundToInt(Float(values, kBoundBoxLeft) * width), RoundToInt(Float(values, kBoundBoxTop) * height),
      RoundToInt(Float(values, kBoundBoxRight) * width), RoundToInt(Float(values, kBoundBoxBottom) * height)};
  shape.tileSize = Int(values, kTileSize);
  // A failed generation leaves here as the core's exception; a tile beyond the memory budget,
  // memory the system would not give and a shape that makes none say so first.
  const std::int32_t generated = GenerateTile(job.progress, source, shape, tile, &renderCache_).GetCode();
  if (generated == keErrorTileOverBudget) TellUser(kTileTooLargeText, kTileTooLargeCaption);
  if (generated == keErrorNoMemory) TellUser(kOutOfMemoryText, kOutOfMemoryCaption);
  if (generated == keErrorBadArgument) TellUser(kNoCellText, kNoCellCaption);
  // Past the budget the filter could not have the memory either, as the host hears.
  if (generated == keErrorTileOverBudget) throw CJException(keErrorNoMemory);
  if (generated != keErrorNone) throw CJException(generated);
}

void TilingCommand::TakeSpareTile(CRowIteratorBands& tile) {
  std::lock_guard<std::mutex> guard(tileLock_);
  tile.TakeFrom(spareTile_);
}

void TilingCommand::KeepTile(CRowIteratorBands& tile) {
  std::lock_guard<std::mutex> guard(tileLock_);
  spareTile_.TakeFrom(tile_);
  tile_.TakeFrom(tile);
}

int TilingCommand::RunTiling(framework::RenderJob& job) {
  CRowIteratorBands tile;
  TakeSpareTile(tile);
  MakeTile(job, tile);
  CRowIteratorBands output;
  output = *job.output;
  // An output left as the source must not reach the host as a result.
  const std::int32_t filled = FillWithTile(output, tile, 0, job.progress).GetCode();
  if (filled != keErrorNone) throw CJException(filled);
  KeepTile(tile);
  output.SetViewFormat(sourceFormat_, keAccessReadWrite).ThrowIfFailed();
  // Nothing writes the output after the render: sharing it keeps it as a copy would.
  result_ = output;
  return 0;
}

int TilingCommand::RunTilingIntoSelection(framework::RenderJob& job) {
  CRowIteratorBands tile;
  TakeSpareTile(tile);
  MakeTile(job, tile);
  const std::int32_t filled = FillSelectionWithTile(*job.source, *job.mask, tile).GetCode();
  // A source left half filled must not reach the host as a result.
  if (filled != keErrorNone) throw CJException(filled);
  KeepTile(tile);
  result_ = *job.source;
  return 0;
}

bool TilingCommand::GetPreviewImage(CRowIteratorBands& out) {
  std::lock_guard<std::mutex> guard(tileLock_);
  // A grey image's tile is grey; what shows and saves it takes BGRA.
  // A BGRA tile is shared, not copied: nothing writes a kept tile, and a large one would hold
  // the dialog up at the end of every render.
  if (CRowIteratorBands::IsValid(&tile_) && tile_.GetFormat() == keFormatBGRA) return out.Assign(tile_).Ok();
  if (CRowIteratorBands::IsValid(&tile_))
    return out.CreateCopy(tile_).Ok() && ChangeImageFormat(out, keFormatBGRA).Ok();
  if (CRowIteratorBands::IsValid(&source_)) return out.CreateCopy(source_).Ok();
  return false;
}

void TilingCommand::ReleaseImages() {
  source_.Destroy();
  mask_.Destroy();
  result_.Destroy();
  std::lock_guard<std::mutex> guard(tileLock_);
  tile_.Destroy();
  spareTile_.Destroy();
  renderCache_.Drop();
}

bool TilingCommand::GetResultImage(CRowIteratorBands& out) {
  if (!CRowIteratorBands::IsValid(&result_)) return false;
  return out.CreateCopy(result_).Ok();
}

}  // namespace app
