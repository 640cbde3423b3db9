// Geometric transformations of the image: turning over.
#include <algorithm>
#include <cstring>

#include "codecs/ImageFile.h"

// The copy keeps the alpha plane but not the selection, which does not follow the pixels.
bool CImageFile::Flip() {
  if (!dib_) return false;
  CImageFile flipped(*this, false, false, true);
  if (!flipped.IsValid()) return false;
  const unsigned long height = GetHeight();
  for (unsigned long y = 0; y < height; ++y) {
    std::memcpy(flipped.GetBits(y), GetBits(height - 1 - y), info_.effectiveWidth);
  }
  flipped.AlphaFlip();
  return Transfer(flipped);
}

bool CImageFile::Mirror() {
  if (!dib_) return false;
  CImageFile mirrored(*this, false, false, true);
  if (!mirrored.IsValid()) return false;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  for (long y = 0; y < height; ++y) {
    const BYTE* source = GetBits(static_cast<unsigned long>(y));
    BYTE* target = mirrored.GetBits(static_cast<unsigned long>(y));
    switch (header_.biBitCount) {
      case 8:
        std::reverse_copy(source, source + width, target);
        break;
      case 24:
        for (long x = 0; x < width; ++x) std::memcpy(target + 3 * (width - 1 - x), source + 3 * x, 3);
        break;
      default:
        for (long x = 0; x < width; ++x)
          mirrored.BlindSetPixelIndex(width - 1 - x, y, BlindGetPixelIndex(x, y));
        break;
    }
  }
  mirrored.AlphaMirror();
  return Transfer(mirrored);
}
