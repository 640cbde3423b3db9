// CImageFileWMF: placeable Windows metafiles and enhanced metafiles, rendered by the
// platform's metafile player into a bitmap of the screen's depth; read only.
#pragma once
#include <cstdint>

#include "codecs/ImageFile.h"
#include "platform/gdi/Metafile.h"

class CImageFileWMF : public CImageFile {
 public:
  CImageFileWMF() : CImageFile(keImageFormatWMF) {}

  // Sizes of 0 keep the picture's own; either way no side exceeds kMaxSide.
  bool Decode(CByteStream* file, long forceWidth = 0, long forceHeight = 0);
  bool Encode(CByteStream* file);

  static constexpr long kMaxSide = 4000;

 protected:
  // The 22 bytes in front of a placeable metafile.
  struct PlaceableHeader {
    std::uint32_t key;
    std::int16_t left, top, right, bottom;
    std::uint16_t unitsPerInch;
    std::uint16_t checksum;
  };
  static bool CheckPlaceableHeader(const unsigned char bytes[22], PlaceableHeader* header);
  // Each answers the metafile (null on failure) with the picture's size in pixels.
  static HENHMETAFILE LoadWindowsMetafile(CByteStream* file, HDC screen, long* width, long* height);
  static HENHMETAFILE LoadEnhancedMetafile(CByteStream* file, long* width, long* height);
  // Why neither could be made of the bytes from start: one that names more bytes than the file
  // holds ends early; an enhanced metafile is named as such.
  static const char* WhyNotLoaded(CByteStream* file, long start);
  // Fits the larger side into kMaxSide, keeping the proportions.
  static void LimitSize(long* width, long* height);

 private:
  bool Render(HENHMETAFILE metafile, HDC screen, long width, long height);
};
