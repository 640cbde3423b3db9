// CRowIteratorBands::CopyPixels: band against band with the block-copy kernels when both
// images present what they store, row by row through the views otherwise.
#include <algorithm>
#include <cstring>

#include "core/CopyRect.h"
#include "core/RowIteratorBands.h"
#include "core/detail/BitRows.h"

namespace corvel {
namespace {

// One image's walk down its bands: the locked band part and the rows of it still to copy.
class BandWalk {
 public:
  explicit BandWalk(CRowIteratorBands& image) : image_(image) {}
  BandWalk(const BandWalk&) = delete;
  BandWalk& operator=(const BandWalk&) = delete;
  ~BandWalk() { Unlock(); }

  CoreResult Start() {
    RECT range;
    CoreResult result = image_.GetBandRange(RECT{0, 0, image_.Width(), image_.Height()}, &range);
    if (!result.Ok()) return result;
    return Lock(Tile{0, range.top});
  }
  // Moves on by rows; locks the next band when this one's part is used up and more is wanted.
  CoreResult Advance(int rows, bool more) {
    done_ += rows;
    if (done_ < block_.height || !more) return CoreResult();
    const Tile next{0, tile_.row + 1};
    Unlock();
    return Lock(next);
  }
  int RowsLeft() const { return block_.height - done_; }
  std::uint8_t* Row() const { return block_.bits + static_cast<std::intptr_t>(done_) * block_.stride; }
  std::intptr_t Stride() const { return block_.stride; }

 private:
  CoreResult Lock(Tile tile) {
    CoreResult result = image_.LockBand(tile, &block_);
    if (result.Ok()) {
      tile_ = tile;
      locked_ = true;
      done_ = 0;
    }
    return result;
  }
  void Unlock() {
    if (locked_) image_.UnlockBand(tile_).GetCode();  // a band it locked
    locked_ = false;
  }

  CRowIteratorBands& image_;
  PixelBlock block_;
  Tile tile_{0, 0};
  bool locked_ = false;
  int done_ = 0;
};

CoreResult CopyBandByBand(CRowIteratorBands& destination, CRowIteratorBands& source) {
  const int bits = destination.GetBitsPerPixel();
  const int width = destination.Width(), height = destination.Height();
  // Rows of 1- and 4-bit pixels that start or end inside a byte are copied bit by bit.
  const std::int64_t destinationBit = std::int64_t{destination.GetOrigin().x} * bits % 8;
  const std::int64_t sourceBit = std::int64_t{source.GetOrigin().x} * bits % 8;
  const bool bitwise = bits < 8 && (destinationBit || sourceBit || std::int64_t{width} * bits % 8);
  const std::size_t bytesPerRow = static_cast<std::size_t>(std::int64_t{width} * bits / 8);
  const std::size_t imageBytes = bytesPerRow * static_cast<std::size_t>(height);

  BandWalk to(destination), from(source);
  CoreResult result = to.Start();
  if (!result.Ok()) return result;
  result = from.Start();
  if (!result.Ok()) return result;
  for (int rowsLeft = height; rowsLeft > 0;) {
    const int rows = std::min(to.RowsLeft(), from.RowsLeft());
    if (bitwise) {
      for (int y = 0; y < rows; ++y)
        CopyBits(to.Row() + y * to.Stride(), destinationBit, from.Row() + y * from.Stride(), sourceBit,
                 std::int64_t{width} * bits);
    } else {
      CopyRectArgs args{to.Row(),      to.Stride(), from.Row(),
                        from.Stride(), bytesPerRow, static_cast<std::size_t>(rows)};
      // Rows that follow each other without a gap on both sides make one long row, copied
      // upwards through memory in one run.
      const std::intptr_t stride = to.Stride();
      if (stride == from.Stride() && static_cast<std::size_t>(stride < 0 ? -stride : stride) == bytesPerRow &&
          rows > 1) {
        if (stride < 0) {
          args.destination += static_cast<std::intptr_t>(rows - 1) * stride;
          args.source += static_cast<std::intptr_t>(rows - 1) * stride;
        }
        args.bytesPerRow *= static_cast<std::size_t>(rows);
        args.rows = 1;
      }
      ChooseCopyRectKernel(args, imageBytes)(args);
    }
    rowsLeft -= rows;
    result = to.Advance(rows, rowsLeft > 0);
    if (!result.Ok()) return result;
    result = from.Advance(rows, rowsLeft > 0);
    if (!result.Ok()) return result;
  }
  return result;
}

CoreResult CopyRowByRow(CRowIteratorBands& destination, CRowIteratorBands& source) {
  const auto rowBytes = static_cast<std::size_t>(destination.GetRowBytes());
  for (int y = 0; y < destination.Height(); ++y) {
    BYTE *to, *from;
    CoreResult result = destination.LockRow(y, &to);
    if (!result.Ok()) return result;
    result = source.LockRow(y, &from);
    if (!result.Ok()) {
      destination.ReleaseRow(y);
      return result;
    }
    std::memcpy(to, from, rowBytes);
    source.ReleaseRow(y);
    destination.ReleaseRow(y);
  }
  return CoreResult();
}

bool PresentsWhatItStores(const CRowIteratorBands& image) {
  return image.GetFormat() == image.GetStorageFormat() && image.GetChannelView() == keRoleNone;
}

}  // namespace

CoreResult CRowIteratorBands::CopyPixels(CRowIteratorBands& destination, CRowIteratorBands& source) {
  if (destination.Width() != source.Width() || destination.Height() != source.Height() ||
      destination.GetFormat() != source.GetFormat() || destination.Width() == 0 || destination.Height() == 0)
    return keErrorBadArgument;
  if (!IsValid(&destination) || !IsValid(&source)) return keErrorNotCreated;
  if (PresentsWhatItStores(destination) && PresentsWhatItStores(source))
    return CopyBandByBand(destination, source);
  return CopyRowByRow(destination, source);
}

}  // namespace corvel
