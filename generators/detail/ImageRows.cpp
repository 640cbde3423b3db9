#include "generators/detail/ImageRows.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <thread>

#include "core/RowConverters.h"
#include "platform/win32/Memory.h"

namespace corvel {

namespace {

enum LargePageState : std::uint8_t { kUnmapped, kMapping, kMapped };

std::size_t RowBytes(const ImageRows& rows) { return std::size_t(rows.Width()) * (rows.Grey() ? 1 : 4); }

}  // namespace

int ImageRows::Lock(CRowIteratorBands& image, keFormat format, RowTable* kept) {
  Unlock();
  largePages_.reset();
  image_ = &image;
  format_ = format;
  width_ = image.Width();
  height_ = image.Height();
  table_ = kept ? kept : &own_;
  RowTable& table = *table_;
  table.found.clear();
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

void ImageRows::FillTable(RowTable& table, int height) {
  table.rows.resize(std::size_t(height));
  table.strideBelow.resize(std::size_t(height));
  // Most images lie in one band of all their rows, each row then written once.
  const bool oneBand = table.filled.size() == 1 && table.filled[0].top == 0 &&
                       table.filled[0].bottom == height && table.filled[0].bits != nullptr;
  if (!oneBand) {
    std::fill(table.rows.begin(), table.rows.end(), nullptr);
    std::fill(table.strideBelow.begin(), table.strideBelow.end(), 0);
  }
  for (const BandPlace& place : table.filled) {
    // A source of thousands of rows: the loops are kept plain.
    std::uint8_t* const bits = place.bits;
    const std::intptr_t stride = place.stride;
    std::uint8_t** const rows = table.rows.data() + place.top;
    for (int i = 0; i < place.bottom - place.top; ++i) rows[i] = bits + i * stride;
    if (place.bottom > place.top)
      std::fill(table.strideBelow.begin() + place.top, table.strideBelow.begin() + (place.bottom - 1),
                stride);
  }
  if (oneBand && height > 0) table.strideBelow[std::size_t(height) - 1] = 0;
  table.complete = oneBand || std::find(table.rows.begin(), table.rows.end(), nullptr) == table.rows.end();
}

void ImageRows::MapInAsWritten() {
  if (height_ == 0 || !table_->complete) return;
  const std::intptr_t stride = table_->filled[0].stride;
  if (stride <= 0 || !OnLargePages(SIZE_T(stride) * SIZE_T(height_))) return;
  const auto top = reinterpret_cast<std::uintptr_t>(Row(0));
  for (const BandPlace& band : table_->filled)
    if (band.stride != stride ||
        reinterpret_cast<std::uintptr_t>(band.bits) != top + std::uintptr_t(band.top * stride))
      return;
  const std::uintptr_t page = LargePageBytes();
  firstLargePage_ = top / page * page;
  const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(Row(height_ - 1)) + RowBytes(*this);
  const std::size_t pages = (end - 1 - firstLargePage_) / page + 1;
  largePages_.reset(new (std::nothrow) std::atomic<std::uint8_t>[pages]);
  if (largePages_)
    for (std::size_t i = 0; i < pages; ++i) largePages_[i].store(kUnmapped, std::memory_order_relaxed);
}

void ImageRows::MapInPagesOf(int y) const {
  const std::uintptr_t page = LargePageBytes();
  const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(Row(y)), last = first + RowBytes(*this) - 1;
  for (std::uintptr_t at = first; at <= last; at = (at / page + 1) * page) {
    std::atomic<std::uint8_t>& state = largePages_[(at - firstLargePage_) / page];
    if (state.load(std::memory_order_acquire) == kMapped) continue;
    std::uint8_t unmapped = kUnmapped;
    if (state.compare_exchange_strong(unmapped, kMapping, std::memory_order_acquire)) {
      // Mapped or not, the page is left to the writes: none may wait for it longer.
      const struct Done {
        std::atomic<std::uint8_t>& state;
        ~Done() { state.store(kMapped, std::memory_order_release); }
      } done{state};
      MapInLargePage(reinterpret_cast<const void*>(at));
      continue;
    }
    // Zeroing a large page takes some 50 us. A thread mapping one held up far longer (preempted on
    // a busy machine) is not waited for: the write faults the page in itself, as it would unmapped.
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
    while (state.load(std::memory_order_acquire) != kMapped && std::chrono::steady_clock::now() < until)
      std::this_thread::yield();
  }
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
