// CImageFileBMP: Windows bitmap files. Reads every header form (the old 12-byte one, the
// 40-byte one and its longer successors), 1, 4, 8, 16, 24 and 32 bits per pixel, run-length
// coding and bit fields; writes uncompressed bottom-up files of the image's own depth.
#pragma once
#include "codecs/ImageFile.h"

class CImageFileBMP : public CImageFile {
 public:
  CImageFileBMP() : CImageFile(keImageFormatBMP) {}

  bool Encode(CByteStream* stream);
  bool Decode(CByteStream* stream);

  // Reads the information header at the stream's position and normalises it: the old form
  // widened, a zero image size and colour count filled in. masks (three entries) receives the
  // red, green and blue masks when the header carries them and is left alone otherwise.
  bool ReadBitmapInfo(CByteStream* stream, BITMAPINFOHEADER* header, DWORD* masks = nullptr);

 private:
  struct Layout;

  // The steps of Decode.
  bool ReadLayout(CByteStream* stream, Layout* layout);
  void ReadPalette(CByteStream* stream, const BITMAPINFOHEADER& fileHeader);
  bool ReadPixels(CByteStream* stream, Layout* layout);
  void ReadRows(CByteStream* stream, bool topDown, std::size_t pitch, std::size_t used);
  bool ReadRows32(CByteStream* stream, const Layout& layout);
  bool ReadRunLength(CByteStream* stream, bool fourBits);
};
