// CImageFileWBMP: one-bit wireless bitmaps of type 0; 1 = white, rows from the top.
#pragma once
#include "codecs/ImageFile.h"

class CImageFileWBMP : public CImageFile {
 public:
  CImageFileWBMP() : CImageFile(keImageFormatWBMP) {}

  bool Encode(CByteStream* stream);
  bool Decode(CByteStream* stream);

 private:
};
