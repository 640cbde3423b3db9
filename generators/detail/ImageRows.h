// The rows of a BGRA image addressed directly, its bands locked for the object's life, so that
// several threads read and write them without locks; and the bilinear sample of such rows at
// 24.8 positions, byte for byte as the resampler gives it.
#pragma once
#include <cstdint>
#include <vector>

#include "core/RowIteratorBands.h"
#include "rowops/RowSampler.h"

namespace corvel {

class ImageRows {
 public:
  ImageRows() = default;
  ~ImageRows() { Unlock(); }
  ImageRows(const ImageRows&) = delete;
  ImageRows& operator=(const ImageRows&) = delete;

  // 0, or the core code of a failed lock; 101 when the image is not stored as BGRA.
  int Lock(CRowIteratorBands& image);
  void Unlock();

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::uint8_t* Row(int y) const { return rows_[std::size_t(y)]; }
  // The rows as the row sampler reads them.
  BgraRows Rows() const { return {rows_.data(), strideBelow_.data(), width_, height_}; }

  // count BGRA pixels from count (x, y) positions in 24.8 fixed point. Taps outside the image
  // repeat its edge (clamp) or are transparent black (fill).
  enum Edge { kClamp, kFill };
  void Sample(std::uint8_t* out, const std::int32_t* positions, int count, Edge edge) const;

 private:
  CRowIteratorBands* image_ = nullptr;
  std::vector<Tile> locked_;
  std::vector<std::uint8_t*> rows_;
  // Bytes from row y to row y + 1 where both lie in one band, else 0.
  std::vector<std::intptr_t> strideBelow_;
  int width_ = 0, height_ = 0;
};

}  // namespace corvel
