#include "codecs/detail/GifCanvas.h"

#include <algorithm>
#include <new>

namespace gif {

Palette PaletteOf(const Bytes& in, const Frame& frame) {
  Palette palette;
  for (unsigned i = 0; i < 256; ++i) {
    const unsigned char* rgb = i < frame.entries ? &in.data[frame.table + 3 * i] : nullptr;
    palette.colour[i] = rgb ? RGBQUAD{rgb[2], rgb[1], rgb[0], 255} : RGBQUAD{0, 0, 0, 255};
  }
  return palette;
}

bool Canvas::UseIndices(unsigned width, unsigned height) {
  width_ = width;
  height_ = height;
  picture_ = nullptr;
  try {
    index_.assign(std::size_t{width} * height, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void Canvas::UseColours(CImageFile* picture) {
  width_ = static_cast<unsigned>(picture->GetWidth());
  height_ = static_cast<unsigned>(picture->GetHeight());
  picture_ = picture;
  index_.clear();
}

void Canvas::Fill(int index, RGBQUAD colour) {
  if (!picture_) {
    std::fill(index_.begin(), index_.end(), static_cast<unsigned char>(index));
    return;
  }
  for (unsigned y = 0; y < height_; ++y) {
    BYTE* bits = picture_->GetBits(height_ - 1 - y);
    for (unsigned x = 0; x < width_; ++x, bits += 3) {
      bits[0] = colour.rgbBlue;
      bits[1] = colour.rgbGreen;
      bits[2] = colour.rgbRed;
    }
  }
  if (picture_->AlphaIsValid()) picture_->AlphaSet(colour.rgbReserved);
}

void Canvas::DrawRow(const Frame& frame, const Palette& palette, unsigned row, const unsigned char* indices,
                     bool copyAll) {
  const std::size_t y = std::size_t{frame.top} + row;
  if (y >= height_ || frame.left >= width_) return;
  const unsigned count = std::min(frame.width, width_ - frame.left);
  const long transparent = copyAll ? -1 : frame.transparent;
  if (!picture_) {
    unsigned char* out = &index_[y * width_ + frame.left];
    for (unsigned x = 0; x < count; ++x) {
      if (indices[x] != transparent) out[x] = indices[x];
    }
    return;
  }
  const long bottomUp = static_cast<long>(height_ - 1 - y);
  BYTE* bits = picture_->GetBits(static_cast<unsigned long>(bottomUp)) + 3 * std::size_t{frame.left};
  BYTE* coverage = picture_->AlphaIsValid()
                       ? picture_->AlphaGetPointer(static_cast<long>(frame.left), bottomUp)
                       : nullptr;
  for (unsigned x = 0; x < count; ++x) {
    if (indices[x] == transparent) continue;
    const RGBQUAD& c = palette.colour[indices[x]];
    bits[3 * x] = c.rgbBlue;
    bits[3 * x + 1] = c.rgbGreen;
    bits[3 * x + 2] = c.rgbRed;
    if (coverage) coverage[x] = 255;
  }
}

}  // namespace gif
