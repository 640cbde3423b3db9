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
  // The library part of Decode and Encode, with their steps. The library returns from errors by
  // a long jump to the first two, so none of these may hold a C++ object with a destructor.
  bool DecodeWithLibrary(CByteStream* file);
  bool EncodeWithLibrary(CByteStream* file);
  bool DecodeRows(png_struct_def* png, png_info_def* info, unsigned char* volatile* rowBuffer);
  void SetUpBackground(png_struct_def* png, png_info_def* info, int pixelDepth);
  void ReadResolution(png_struct_def* png, png_info_def* info);
  void ReadPalette(png_struct_def* png, png_info_def* info, int bitDepth, int colorType);
  // alphaBuffer: a row of four bytes a pixel for pictures with alpha, else null.
  bool ReadImageRows(png_struct_def* png, int passes, bool twoBits, unsigned char* alphaBuffer);
  void EncodeRows(png_struct_def* png, png_info_def* info, unsigned char* volatile* rowBuffer);
  void WritePalette(png_struct_def* png, png_info_def* info);
  void WriteImageRows(png_struct_def* png, int passes, unsigned char* alphaBuffer);
  // Gives pixels of the transparent colour of a 24-bit image alpha 0; true when the alpha plane
  // was made for that and must go again.
  bool MarkTransparentColour();
};
