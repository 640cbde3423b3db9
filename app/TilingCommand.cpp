#include "app/TilingCommand.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "core/Rounding.h"
#include "core/RowThreads.h"
#include "framework/UserMessage.h"
#include "generators/GenerateTile.h"
#include "platform/ui/Dialogs.h"
#include "resources/ParameterTable.h"
#include "rowops/ImageBufferOps.h"

namespace app {

using namespace corvel;
using namespace resources;

namespace {

const char kTileTooLargeText[] =
    "The tile at this tile size would need more than the 1024 MB the filter may use for it. Choose a smaller "
    "tile size.";
const char kTileTooLargeCaption[] = "! Tile too large !";
static_assert(kTileMemoryBudget == 1024LL << 20, "the message names the budget");

}  // namespace

TilingCommand::TilingCommand() {
  name_ = CommandName();
  parameters_.SetName(CommandName());
  DefineParameters();
  parameters_.LoadParametersFromRegistry();
}

TilingCommand::~TilingCommand() { parameters_.SaveParametersToRegistry(); }

void TilingCommand::DefineParameters() {
  for (const ParameterRow& row : kParameterTable) {
    std::unique_ptr<framework::Parameter> parameter;
    if (row.kind == ParameterKind::Integer) {
      auto integer = std::make_unique<framework::IntegerParameter>();
      integer->SetRange(static_cast<int>(row.minimum), static_cast<int>(row.maximum));
      integer->SetDefault(static_cast<int>(row.defaultValue));
      integer->SetInt(static_cast<int>(row.defaultValue));
      parameter = std::move(integer);
    } else if (row.kind == ParameterKind::Float) {
      auto real = std::make_unique<framework::FloatParameter>();
      real->SetRange(static_cast<float>(row.minimum), static_cast<float>(row.maximum));
      real->SetDefault(static_cast<float>(row.defaultValue));
      real->SetFloat(static_cast<float>(row.defaultValue));
      parameter = std::move(real);
    } else {
      auto flag = std::make_unique<framework::BooleanParameter>();
      flag->SetDefault(row.defaultValue != 0);
      flag->SetInt(row.defaultValue != 0);
      parameter = std::move(flag);
    }
    parameter->SetName(row.name);
    parameters_.AddParameter(row.id, row.name, std::move(parameter));
  }
}

int TilingCommand::Int(int id) const {
  int value = 0;
  parameters_.GetParameter(id)->GetInt(&value);
  return value;
}

float TilingCommand::Float(int id) const {
  float value = 0;
  parameters_.GetParameter(id)->GetFloat(&value);
  return value;
}

namespace {

// Rows of the output filled from one strip of converted tile rows; the pool's runs start on
// multiples of it.
constexpr int kStripRows = 16;

// Each thread converts the tile rows its band repeats into a strip of its own, so that a large
// tile of another format is never copied whole. Row y of the output takes strip row y % 16.
CoreResult FillConvertingStrips(CRowIteratorBands& output, CRowIteratorBands& tile) {
  const int width = tile.Width(), height = tile.Height();
  std::vector<CRowIteratorBands> strips(std::size_t(RowThreads::Count()));
  auto convert = [&](CRowIteratorBands& strip, int y) {
    const RECT to{0, y % kStripRows, width, y % kStripRows + 1}, from{0, y % height, width, y % height + 1};
    return CopyImageRect(strip, to, tile, from);
  };
  // The first strip tries the conversion before anything is written.
  if (strips[0].Create(width, kStripRows, output.GetFormat()).GetCode() != keErrorNone)
    return keErrorNoMemory;
  if (!convert(strips[0], 0)) return keErrorBadArgument;
  std::atomic<int> failure{keErrorNone};
  RowThreads::Run(output.Height(), [&](int first, int last, int slot) {
    CRowIteratorBands& strip = strips[std::size_t(slot)];
    if (!CRowIteratorBands::IsValid(&strip) &&
        strip.Create(width, kStripRows, output.GetFormat()).GetCode() != keErrorNone) {
      failure = keErrorNoMemory;
      return;
    }
    for (int top = first; top < last;) {
      const int bottom = std::min(last, (top / kStripRows + 1) * kStripRows);
      for (int y = top; y < bottom; ++y)
        if (!convert(strip, y)) failure = keErrorBadArgument;
      const RECT band{0, top, output.Width(), bottom};
      FillRepeated(output, strip, &band);
      top = bottom;
    }
  });
  return failure.load();
}

}  // namespace

CoreResult FillWithTile(CRowIteratorBands& output, CRowIteratorBands& tile) {
  const bool inPlace = output.LocksRowsInPlace() && tile.LocksRowsInPlace();
  if (tile.GetFormat() != output.GetFormat()) {
    if (inPlace && CRowIteratorBands::IsValid(&tile)) return FillConvertingStrips(output, tile);
    CoreResult changed = ChangeImageFormat(tile, output.GetFormat());
    if (changed.GetCode() != keErrorNone) return changed;
  }
  if (tile.GetBitsPerPixel() != output.GetBitsPerPixel()) return keErrorBadArgument;
  // Each band of rows is filled on its own; rows that do not lock in place are filled by one
  // thread.
  auto fill = [&](int first, int last, int) {
    const RECT band{0, first, output.Width(), last};
    FillRepeated(output, tile, &band);
  };
  if (inPlace)
    RowThreads::Run(output.Height(), fill);
  else
    fill(0, output.Height(), 0);
  return CoreResult();
}

int TilingCommand::RunTiling(framework::RenderJob& job) {
  if (job.progress) job.progress->SetUnitCount(10);
  const double feather = Int(kFeathering);
  int method = Int(kTilingMethod);
  // Methods past the groups are kept as values, as the shape editor keeps them, and render as
  // the first group, whose shape it shows for them.
  if (method >= kGroupCount) method = 0;

  // The tile reads only the picked area of the source and leaves it as it is: no copy.
  CRowIteratorBands& source = *job.source;
  sourceFormat_ = source.GetStorageFormat();
  CRowIteratorBands output;
  output = *job.output;

  const double width = source_.Width(), height = source_.Height();
  auto at = [&](int xId, int yId) {
    return POINT{RoundToInt(Float(xId) * width), RoundToInt(Float(yId) * height)};
  };
  TileShape shape;
  shape.method = method;
  shape.angle = Int(kAngle);
  shape.seamK0 = Float(kSpline1);
  shape.seamK1 = Float(kSpline2);
  shape.seamK2 = Float(kSpline3);
  shape.feather = feather;
  shape.p1 = at(kPoint1X, kPoint1Y);
  shape.p2 = at(kPoint2X, kPoint2Y);
  shape.p0 = at(kPoint3X, kPoint3Y);
  shape.centre = at(kPointCenterX, kPointCenterY);
  shape.area = RECT{RoundToInt(Float(kBoundBoxLeft) * width), RoundToInt(Float(kBoundBoxTop) * height),
                    RoundToInt(Float(kBoundBoxRight) * width), RoundToInt(Float(kBoundBoxBottom) * height)};
  shape.tileSize = Int(kTileSize);
  // A failed generation leaves here as the core's exception; a tile beyond the memory budget
  // says so first.
  const std::int32_t generated = GenerateTile(job.progress, source, shape, tile_).GetCode();
  if (generated == keErrorNoMemory)
    framework::ShowUserMessage(kTileTooLargeText, kTileTooLargeCaption, MB_OK);
  if (generated != keErrorNone) throw CJException(generated);

  FillWithTile(output, tile_);
  output.SetViewFormat(sourceFormat_, keAccessReadWrite);
  // Nothing writes the output after the render: sharing it keeps it as a copy would.
  result_.Assign(output);
  return 0;
}

bool TilingCommand::GetPreviewImage(CRowIteratorBands& out) {
  if (CRowIteratorBands::IsValid(&tile_)) return out.CreateCopy(tile_).GetCode() == keErrorNone;
  if (CRowIteratorBands::IsValid(&source_)) return out.CreateCopy(source_).GetCode() == keErrorNone;
  return false;
}

void TilingCommand::ReleaseImages() {
  source_.Destroy();
  result_.Destroy();
}

bool TilingCommand::GetResultImage(CRowIteratorBands& out) {
  if (!CRowIteratorBands::IsValid(&result_)) return false;
  return out.CreateCopy(result_).GetCode() == keErrorNone;
}

}  // namespace app
