// The alpha plane, the overall alpha maximum and alpha in the palette's reserved bytes.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "codecs/ImageFile.h"
#include "codecs/detail/PlaneImage.h"

void CImageFile::AlphaCreate() {
  if (alpha_) return;
  alpha_ = AllocatePlane();
  if (alpha_) std::memset(alpha_, 255, PlaneSize());
}

void CImageFile::AlphaDelete() {
  std::free(alpha_);
  alpha_ = nullptr;
}

bool CImageFile::AlphaIsValid() const { return alpha_ != nullptr; }

void CImageFile::AlphaClear() { AlphaSet(static_cast<unsigned char>(0)); }

void CImageFile::AlphaSet(unsigned char level) {
  if (alpha_) std::memset(alpha_, level, PlaneSize());
}

void CImageFile::AlphaSet(long x, long y, unsigned char level) {
  if (alpha_ && IsInside(x, y))
    alpha_[static_cast<std::size_t>(y) * GetWidth() + static_cast<std::size_t>(x)] = level;
}

unsigned char CImageFile::AlphaGet(long x, long y) {
  return alpha_ && IsInside(x, y) ? BlindAlphaGet(x, y) : 0;
}

BYTE* CImageFile::AlphaGetPointer(long x, long y) {
  if (!alpha_ || !IsInside(x, y)) return nullptr;
  return alpha_ + static_cast<std::size_t>(y) * GetWidth() + static_cast<std::size_t>(x);
}

unsigned char CImageFile::BlindAlphaGet(long x, long y) {
  return alpha_[static_cast<std::size_t>(y) * GetWidth() + static_cast<std::size_t>(x)];
}

void CImageFile::AlphaInvert() {
  if (!alpha_) return;
  const std::size_t size = PlaneSize();
  for (std::size_t i = 0; i < size; ++i) alpha_[i] = static_cast<BYTE>(255 - alpha_[i]);
}

unsigned char CImageFile::AlphaGetMax() const { return info_.alphaMax; }
void CImageFile::AlphaSetMax(unsigned char max) { info_.alphaMax = max; }
void CImageFile::AlphaPaletteEnable(bool enable) { info_.paletteAlphaEnabled = enable; }
bool CImageFile::AlphaPaletteIsEnabled() const { return info_.paletteAlphaEnabled; }

bool CImageFile::AlphaPaletteIsValid() {
  RGBQUAD* palette = GetPalette();
  if (!palette) return false;
  for (unsigned long i = 0; i < header_.biClrUsed; ++i) {
    if (palette[i].rgbReserved != 0) return true;
  }
  return false;
}

void CImageFile::AlphaPaletteClear() {
  for (unsigned long i = 0; i < header_.biClrUsed; ++i) {
    RGBQUAD c = GetPaletteColor(static_cast<BYTE>(i));
    c.rgbReserved = 0;
    SetPaletteColor(static_cast<BYTE>(i), c);
  }
}

bool CImageFile::AlphaCopy(CImageFile& from) {
  if (!from.alpha_ || GetWidth() != from.GetWidth() || GetHeight() != from.GetHeight()) {
    return false;
  }
  if (!alpha_ && !(alpha_ = AllocatePlane())) return false;
  std::memcpy(alpha_, from.alpha_, PlaneSize());
  info_.alphaMax = from.info_.alphaMax;
  return true;
}

bool CImageFile::AlphaSet(CImageFile& from) {
  // One byte per pixel is what the rows are copied as; the grey test alone would also let
  // smaller depths through, whose rows are shorter than the plane's.
  if (!from.IsGrayScale() || from.GetBpp() != 8 || GetWidth() != from.GetWidth() ||
      GetHeight() != from.GetHeight()) {
    return false;
  }
  if (!alpha_) alpha_ = AllocatePlane();
  if (!alpha_ || !from.dib_) return false;
  const unsigned long width = GetWidth();
  for (unsigned long y = 0; y < GetHeight(); ++y) {
    std::memcpy(alpha_ + static_cast<std::size_t>(y) * width, from.GetBits(y), width);
  }
  return true;
}

bool CImageFile::AlphaFlip() {
  if (!alpha_) return false;
  BYTE* flipped = AllocatePlane();
  if (!flipped) return false;
  const std::size_t width = GetWidth();
  const std::size_t height = GetHeight();
  for (std::size_t y = 0; y < height; ++y) {
    std::memcpy(flipped + (height - 1 - y) * width, alpha_ + y * width, width);
  }
  std::free(alpha_);
  alpha_ = flipped;
  return true;
}

bool CImageFile::AlphaMirror() {
  if (!alpha_) return false;
  BYTE* mirrored = AllocatePlane();
  if (!mirrored) return false;
  const std::size_t width = GetWidth();
  const std::size_t height = GetHeight();
  for (std::size_t y = 0; y < height; ++y) {
    std::reverse_copy(alpha_ + y * width, alpha_ + (y + 1) * width, mirrored + y * width);
  }
  std::free(alpha_);
  alpha_ = mirrored;
  return true;
}

bool CImageFile::AlphaSplit(CImageFile* dest) {
  if (!alpha_ || !dest) return false;
  return SplitPlane(alpha_, *this, dest);
}

bool CImageFile::AlphaPaletteSplit(CImageFile* dest) {
  if (!AlphaPaletteIsValid() || !dest) return false;
  CImageFile plane;
  if (!plane.Create(GetWidth(), GetHeight(), 8, keImageFormatUnknown)) return false;
  plane.SetGrayPalette();
  for (long y = 0; y < static_cast<long>(GetHeight()); ++y) {
    BYTE* row = plane.GetBits(static_cast<unsigned long>(y));
    for (long x = 0; x < static_cast<long>(GetWidth()); ++x) {
      row[x] = GetPixelColor(x, y, true).rgbReserved;
    }
  }
  return dest->Transfer(plane);
}

void CImageFile::AlphaStrip() {
  const bool planeAlpha = alpha_ != nullptr;
  const bool paletteAlpha = AlphaPaletteIsValid();
  if (!planeAlpha && !paletteAlpha) return;
  const RGBQUAD background = info_.backgroundColor;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  auto flatten = [&](long x, long y) {
    RGBQUAD c = GetPixelColor(x, y, true);
    unsigned a = planeAlpha ? BlindAlphaGet(x, y) * info_.alphaMax / 255u : info_.alphaMax;
    if (paletteAlpha) a = c.rgbReserved * a / 255u;
    auto over = [a](BYTE channel, BYTE back) {
      return static_cast<BYTE>((channel * a + back * (255 - a)) / 255);
    };
    c.rgbBlue = over(c.rgbBlue, background.rgbBlue);
    c.rgbGreen = over(c.rgbGreen, background.rgbGreen);
    c.rgbRed = over(c.rgbRed, background.rgbRed);
    return c;
  };
  if (header_.biBitCount == 24) {
    for (long y = 0; y < height; ++y) {
      for (long x = 0; x < width; ++x) SetPixelColor(x, y, flatten(x, y), false);
    }
    AlphaDelete();
    return;
  }
  CImageFile flat;
  if (!flat.Create(GetWidth(), GetHeight(), 24, keImageFormatUnknown)) return;
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) flat.SetPixelColor(x, y, flatten(x, y), false);
  }
  Transfer(flat);
}
