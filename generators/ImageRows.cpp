#include "generators/ImageRows.h"

#include <cstring>

#include "rowops/detail/ResamplerSse2.h"

namespace corvel {

int ImageRows::Lock(CRowIteratorBands& image) {
  Unlock();
  image_ = &image;
  width_ = image.Width();
  height_ = image.Height();
  rows_.assign(std::size_t(height_), nullptr);
  strideBelow_.assign(std::size_t(height_), 0);
  for (int band = 0; band < image.GetBandCount(); ++band) {
    RECT part;
    const Tile tile{0, band};
    if (image.GetBandRect(tile, &part).GetCode() != keErrorNone) continue;
    PixelBlock block;
    const CoreResult result = image.LockBand(tile, &block);
    if (result.GetCode() != keErrorNone) return result.GetCode();
    locked_.push_back(tile);
    if (block.format != keFormatBGRA) return keErrorBadArgument;
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

void ImageRows::SampleGathered(std::uint8_t* out, int x0, int y0, std::uint32_t fx, std::uint32_t fy,
                               Edge edge) const {
  std::uint8_t taps[16];
  for (int k = 0; k < 2; ++k) {
    int y = y0 + k;
    const bool rowInside = y >= 0 && y < height_;
    if (!rowInside && edge == kClamp) y = y < 0 ? 0 : height_ - 1;
    for (int l = 0; l < 2; ++l) {
      int x = x0 + l;
      const bool inside = x >= 0 && x < width_;
      if (!inside && edge == kClamp) x = x < 0 ? 0 : width_ - 1;
      std::uint8_t* tap = taps + 8 * k + 4 * l;
      if (edge == kFill && !(inside && rowInside))
        std::memset(tap, 0, 4);
      else
        std::memcpy(tap, rows_[std::size_t(y)] + 4 * std::size_t(x), 4);
    }
  }
  detail::BilinearAlpha8<3>::Run(out, taps, 8, fx, fy);
}

void ImageRows::Sample(std::uint8_t* out, const std::int32_t* positions, int count, Edge edge) const {
  const unsigned lastX = unsigned(width_ - 1), lastY = unsigned(height_ - 1);
  const bool simd = detail::HasSimdResampling();
  for (int i = 0; i < count; ++i, out += 4, positions += 2) {
    const std::int32_t x = positions[0], y = positions[1];
    const std::uint32_t fx = std::uint32_t(x) & 0xFF, fy = std::uint32_t(y) & 0xFF;
    const int x0 = x >> 8, y0 = y >> 8;
    if (edge == kFill && (x < -512 || y < -512 || std::int64_t{x} >= std::int64_t{width_} * 256 ||
                          std::int64_t{y} >= std::int64_t{height_} * 256)) {
      std::memset(out, 0, 4);
      continue;
    }
    const std::intptr_t stride = unsigned(y0) < lastY ? strideBelow_[std::size_t(y0)] : 0;
    if (unsigned(x0) < lastX && stride != 0) {
      const std::uint8_t* p = rows_[std::size_t(y0)] + 4 * std::size_t(x0);
      if (simd)
        detail::BilinearAlpha8Simd::Run(out, p, stride, fx, fy);
      else
        detail::BilinearAlpha8<3>::Run(out, p, stride, fx, fy);
    } else {
      SampleGathered(out, x0, y0, fx, fy, edge);
    }
  }
}

}  // namespace corvel
