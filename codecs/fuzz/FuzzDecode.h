// What every decoder fuzz target does with one input, shared with the test that replays the
// inputs the fuzzers once crashed on: ask for the size, skip pictures too large to be worth
// the time, decode, and check that our own encoding of the result decodes to the same pixels.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codecs/ImageFile.h"

namespace fuzz {

// Pictures above this many pixels are decoded only as far as their size.
constexpr unsigned long kMaxFuzzPixels = 1ul << 16;

inline bool SameSize(CImageFile& a, CImageFile& b) {
  return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight() && a.GetBpp() == b.GetBpp();
}

// The same colours whatever the depth: a GIF's true-colour picture may come back as a palette.
inline bool SameColours(CImageFile& a, CImageFile& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
  for (long y = 0; y < static_cast<long>(a.GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(a.GetWidth()); ++x) {
      RGBQUAD p = a.GetPixelColor(x, y, false), q = b.GetPixelColor(x, y, false);
      if (std::memcmp(&p, &q, 3) != 0) return false;
    }
  }
  return true;
}

inline bool SamePixels(CImageFile& a, CImageFile& b) { return a.GetBpp() == b.GetBpp() && SameColours(a, b); }

// An icon keeps any colour beneath a masked pixel: what must survive is which pixels show, and
// their colours. A picture with nothing showing has nothing to compare.
inline bool SameVisiblePixels(CImageFile& a, CImageFile& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
  bool anyShows = false;
  bool same = true;
  for (long y = 0; y < static_cast<long>(a.GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(a.GetWidth()); ++x) {
      const bool hidden = a.IsTransparent(x, y);
      RGBQUAD p = a.GetPixelColor(x, y, false), q = b.GetPixelColor(x, y, false);
      anyShows |= !hidden;
      same &= hidden == b.IsTransparent(x, y) && (hidden || std::memcmp(&p, &q, 3) == 0);
    }
  }
  return same || !anyShows;
}

// Decodes data as the given format; answers false only when a refusal gives no reason, or when
// our own encoding of a decoded picture does not decode to the same pixels, or for a lossy format
// to the same size (a fault the caller reports).
inline bool DecodeInput(const std::uint8_t* data, std::size_t size, unsigned long type) {
  auto* bytes = const_cast<unsigned char*>(data);
  const auto length = static_cast<unsigned long>(size);
  CImageFile probe;
  probe.SetEscape(-1);
  if (probe.Decode(bytes, length, type) && !probe.IsValid() &&
      probe.GetWidth() * probe.GetHeight() > kMaxFuzzPixels) {
    return true;
  }
  CImageFile image;
  if (!image.Decode(bytes, length, type)) return *image.GetLastError() != '\0';
  unsigned char* encoded = nullptr;
  long encodedSize = 0;
  if (!image.Encode(encoded, encodedSize, type)) return true;  // e.g. too large for WBMP
  CImageFile again;
  // TIFF writes colour as JPEG and a 1-bit page as black and white, whatever its palette; the
  // JPEG-2000 coders write at the default quality's rate.
  const bool lossy = type == keImageFormatJPG || type == keImageFormatTIF || type == keImageFormatJP2 ||
                     type == keImageFormatJPC;
  bool same = again.Decode(encoded, static_cast<unsigned long>(encodedSize), type) &&
              (lossy                      ? SameSize(image, again)
               : type == keImageFormatICO ? SameVisiblePixels(image, again)
               : type == keImageFormatGIF ? SameColours(image, again)
                                          : SamePixels(image, again));
  CImageFile::FreeMemory(encoded);
  return same;
}

}  // namespace fuzz
