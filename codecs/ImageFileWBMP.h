// CImageFileWBMP: one-bit wireless bitmaps of type 0; 1 = white, rows from the top.
#pragma once
#include "codecs/ImageFile.h"

class CImageFileWBMP : public CImageFile {
 public:
  CImageFileWBMP() : CImageFile(keImageFormatWBMP) {}

  bool Encode(CByteStream* stream);
  bool Decode(CByteStream* stream);
  // The format has no signature: a stream of another kind is taken for it only when its header
  // and its rows make up exactly the rest of the stream. The position is kept.
  static bool HeaderFitsLength(CByteStream* stream);
};
