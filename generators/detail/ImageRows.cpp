#include "generators/detail/ImageRows.h"

#include <algorithm>
#include <new>

#include "core/RowConverters.h"

namespace corvel {

int ImageRows::Lock(CRowIteratorBands& image, keFormat format, RowTable* kept) {
  Unlock();
  image_ = &image;
  format_ = format;
  width_ = image.Width();
  height_ = image.Height();
  table_ = kept ? kept : &own_;
  RowTable& table = *table_;
  table.found.clear();
  table.found.reserve(std::size_t(image.GetBandCount()));
  locked_.reserve(std::size_t(image.GetBandCount()));
  for (int band = 0; band < image.GetBandCount(); ++band) {
    RECT part;
    const Tile tile{0, band};
    if (!image.GetBandRect(tile, &part).Ok()) continue;
    PixelBlock block;
    const CoreResult result = image.LockBand(tile, &block);
    if (!result.Ok()) return result.GetCode();
    locked_.push_back(tile);
    if (block.format != format) return keErrorBadArgument;
    table.found.push_back({part.top, part.bottom, block.bits, block.stride});
  }
  if (table.rows.size() != std::size_t(height_) || table.found != table.filled) {
    table.filled.swap(table.found);
    FillTable(table, height_);
  }
  return table.complete ? 0 : keErrorNotCreated;
}

namespace {

// Whether the bands hold every row once, one after another from the top, as an image's do.
bool HoldEveryRowOnce(const std::vector<ImageRows::BandPlace>& bands, int height) {
  LONG next = 0;
  for (const ImageRows::BandPlace& place : bands) {
    if (place.top != next || place.bottom < place.top || place.bits == nullptr) return false;
    next = place.bottom;
  }
  return next == height;
}

}  // namespace

void ImageRows::FillTable(RowTable& table, int height) {
  table.rows.resize(std::size_t(height));
  table.strideBelow.resize(std::size_t(height));
  // Where the bands hold every row once, as an image's do, each entry is written once rather than
  // cleared first: a render with a new table writes a source's thousands once.
  const bool everyRowOnce = HoldEveryRowOnce(table.filled, height);
  if (!everyRowOnce) {
    std::fill(table.rows.begin(), table.rows.end(), nullptr);
    std::fill(table.strideBelow.begin(), table.strideBelow.end(), 0);
  }
  for (const BandPlace& place : table.filled) {
    // A source of thousands of rows: the loops are kept plain.
    std::uint8_t* const bits = place.bits;
    const std::intptr_t stride = place.stride;
    std::uint8_t** const rows = table.rows.data() + place.top;
    for (int i = 0; i < place.bottom - place.top; ++i) rows[i] = bits + i * stride;
    if (place.bottom > place.top) {
      std::fill(table.strideBelow.begin() + place.top, table.strideBelow.begin() + (place.bottom - 1),
                stride);
      if (everyRowOnce) table.strideBelow[std::size_t(place.bottom) - 1] = 0;
    }
  }
  table.complete = everyRowOnce ||
                   std::find(table.rows.begin(), table.rows.end(), nullptr) == table.rows.end();
}

// The table stays as the lock left it, for the next lock of the same rows.
void ImageRows::Unlock() {
  for (const Tile& tile : locked_) image_->UnlockBand(tile).GetCode();  // bands it locked
  locked_.clear();
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

}  // namespace corvel
