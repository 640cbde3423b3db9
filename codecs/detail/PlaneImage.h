// The one-byte-a-pixel planes an image keeps beside its pixels (alpha, selection) handed out as
// images of their own.
#pragma once
#include <cstring>

#include "codecs/ImageFile.h"

// The plane as an 8-bit grey image the size of `of`, moved into dest; false when it cannot be made.
inline bool SplitPlane(const BYTE* plane, CImageFile& of, CImageFile* dest) {
  CImageFile image;
  if (!image.Create(of.GetWidth(), of.GetHeight(), 8, keImageFormatUnknown)) return false;
  image.SetGrayPalette();
  const unsigned long width = of.GetWidth();
  for (unsigned long y = 0; y < of.GetHeight(); ++y) {
    std::memcpy(image.GetBits(y), plane + static_cast<std::size_t>(y) * width, width);
  }
  return dest->Transfer(image);
}
