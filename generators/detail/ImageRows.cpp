#include "generators/detail/ImageRows.h"

#include <algorithm>
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
    // A source of thousands of rows is locked each render: the loops are kept plain.
    std::uint8_t** const rows = rows_.data() + part.top;
    for (int i = 0; i < part.bottom - part.top; ++i) rows[i] = block.bits + i * block.stride;
    if (part.bottom > part.top)
      std::fill(strideBelow_.begin() + part.top, strideBelow_.begin() + (part.bottom - 1), block.stride);
  }
  return std::find(rows_.begin(), rows_.end(), nullptr) != rows_.end() ? keErrorNotCreated : 0;
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
