// CImageFilePNG: PNG files through libpng, every colour type, depth and interlacing; alpha is
// kept as the image's alpha plane or palette alpha, or composited over the file's background.
#pragma once
#include "codecs/ImageFile.h"

struct png_info_def;
struct png_struct_def;

class CImageFilePNG : public CImageFile {
 public:
  CImageFilePNG() : CImageFile(keImageFormatPNG) {}

  bool Decode(CByteStream* file);
  bool Encode(CByteStream* file);

  // The zlib level tiles are saved with (see the .cpp).
  static const int kCompressionLevel;

 private:
  // The library part of Decode and Encode. The library returns from errors by a long jump to
  // the first two, so none of the four may hold a C++ object with a destructor.
  bool DecodeWithLibrary(CByteStream* file);
  bool EncodeWithLibrary(CByteStream* file);
  bool DecodeRows(png_struct_def* png, png_info_def* info, unsigned char* volatile* rowBuffer);
  void EncodeRows(png_struct_def* png, png_info_def* info, unsigned char* volatile* rowBuffer);
  // Gives pixels of the transparent colour of a 24-bit image alpha 0; true when the alpha plane
  // was made for that and must go again.
  bool MarkTransparentColour();
  bool Fail(const char* text);
};
