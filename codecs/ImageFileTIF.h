// CImageFileTIF: TIFF files through libtiff. Reads the page the frame number names (palette,
// grey, min-is-white, CIE L*a*b*, and every other kind through libtiff's RGBA reader; strips or
// tiles; every orientation); writes single pages and multi-page files, compressed as the codec
// option says or by depth (group 4 fax, LZW, JPEG).
#pragma once
#include "codecs/ImageFile.h"

struct tiff;

class CImageFileTIF : public CImageFile {
 public:
  CImageFileTIF() : CImageFile(keImageFormatTIF) {}
  ~CImageFileTIF() override;
  CImageFileTIF(const CImageFileTIF&) = delete;
  CImageFileTIF& operator=(const CImageFileTIF&) = delete;

  bool Decode(CByteStream* file);
  // With append the file stays open for the next page, until an encode without it or the end
  // of this object finishes it.
  bool Encode(CByteStream* file, bool append = false);
  bool Encode(CByteStream* file, CImageFile** images, int count);

 protected:
  bool EncodeBody(tiff* handle, bool multipage, int page, int pageCount);
  static void TileToStrip(BYTE* strip, const BYTE* tile, unsigned long rows, unsigned long cols, long outSkew,
                          long inSkew);

 private:
  void DecodeOrThrow(CByteStream* file);
  void EncodeOrThrow(CByteStream* file, bool append);
  void ReadRGBA(tiff* handle, unsigned long width, unsigned long height, bool alpha);
  struct RowLayout {
    int samples;
    int bits;
    int photometric;
    bool planar;      // each sample in a plane of its own
    bool associated;  // colour stored multiplied by alpha
  };
  void ReadRows(tiff* handle, unsigned long width, unsigned long height, const RowLayout& layout);
  // One row of whole pixels into bitmap row y; 16-bit samples are narrowed in place.
  void StoreRow(BYTE* source, unsigned long y, const RowLayout& layout);
  void SetPaletteFor(tiff* handle, int photometric, int bits);
  void ReadLabRow(const BYTE* row, unsigned long y, int samples);
  void Orient(int orientation);
  void CloseHandle();

  tiff* handle_ = nullptr;
  bool multipage_ = false;
  int pages_ = 0;
};
