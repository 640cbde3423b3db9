// CImageFileICO: Windows icon and cursor files. Reads the directory entry that the frame field
// asks for (and tells the number of entries as the number of frames): 1, 4, 8 and 24 bits with
// the transparency mask, 32 bits with alpha. Writes one image as a one-image icon file, 32 bits
// when a true-colour image has an alpha plane.
#pragma once
#include <cstdint>
#include <vector>

#include "codecs/ImageFile.h"

class CImageFileICO : public CImageFile {
 public:
  CImageFileICO() : CImageFile(keImageFormatICO) {}

  bool Decode(CByteStream* stream);
  bool Encode(CByteStream* stream);

 private:
  // The palette (colours entries, 0 for as many as the depth has) and the colour rows.
  bool ReadColours(CByteStream* stream, unsigned bits, std::uint32_t colours);
  // Whether any pixel's alpha is other than 0.
  bool HasAlpha();
  void ApplyMask(const std::vector<unsigned char>& mask, unsigned long maskRow, unsigned bits);
  std::vector<unsigned char> BuildMask(unsigned long maskRow);
};
