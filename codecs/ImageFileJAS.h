// CImageFileJAS: the JPEG-2000 family and its neighbours: JP2, bare code streams (JPC), PGX,
// PNM and Sun raster, one class for five format ids, the id given with each call. Three
// components of one size and precision make a 24-bit picture; any other set of components
// is a set of grey frames, one a component. Precisions other than 1, 4 and 8 are converted to
// 8-bit sRGB first. Writes 24-bit pictures as colour and grey palette pictures as grey.
#pragma once
#include "codecs/ImageFile.h"

namespace jasper {
struct Image;
}

class CImageFileJAS : public CImageFile {
 public:
  CImageFileJAS() : CImageFile(keImageFormatUnknown) {}

  bool Decode(CByteStream* file, unsigned long formatId);
  bool Encode(CByteStream* file, unsigned long formatId);

 private:
  void DecodeOrThrow(CByteStream* file, unsigned long formatId);
  void EncodeOrThrow(CByteStream* file, unsigned long formatId);
  void TakeColour(const jasper::Image& image, unsigned long formatId);
  void TakeFrame(const jasper::Image& image, unsigned long formatId);
};
