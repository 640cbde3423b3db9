#include "generators/detail/ImageRows.h"

#include <new>

#include "core/RowConverters.h"
#include "rowops/RowSampler.h"

namespace corvel {

int ImageRows::Lock(CRowIteratorBands& image, keFormat format) {
  Unlock();
  image_ = &image;
  format_ = format;
  width_ = image.Width();
  height_ = image.Height();
  rows_.assign(std::size_t(height_), nullptr);
  strideBelow_.assign(std::size_t(height_), 0);
  for (int band = 0; band < image.GetBandCount(); ++band) {
    RECT part;
    const Tile tile{0, band};
    if (!image.GetBandRect(tile, &part).Ok()) continue;
    PixelBlock block;
    const CoreResult result = image.LockBand(tile, &block);
    if (!result.Ok()) return result.GetCode();
    locked_.push_back(tile);
    if (block.format != format) return keErrorBadArgument;
    for (int y = part.top; y < part.bottom; ++y) {
      rows_[std::size_t(y)] = block.bits + (y - part.top) * block.stride;
      if (y + 1 < part.bottom) strideBelow_[std::size_t(y)] = block.stride;
    }
  }
  for (std::uint8_t* row : rows_)
    if (!row) return keErrorNotCreated;
  return 0;
}

void ImageRows::Unlock() {
  for (const Tile& tile : locked_) image_->UnlockBand(tile);
  locked_.clear();
  rows_.clear();
  strideBelow_.clear();
}

OutputRow::~OutputRow() {
  if (rows_.Grey()) BGRAToGrey(nullptr, rows_.Row(y_), bgra_, rows_.Width());
}

bool ReserveBgraRow(const ImageRows& rows, std::vector<std::uint8_t>& own) {
  if (!rows.Grey()) return true;
  try {
    own.resize(4 * std::size_t(rows.Width()));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void ImageRows::Sample(std::uint8_t* out, const std::int32_t* positions, int count, Edge edge) const {
  SampleBilinearBgra(Rows(), out, positions, count, edge == kClamp ? SampleEdge::kClamp : SampleEdge::kFill);
}

}  // namespace corvel
