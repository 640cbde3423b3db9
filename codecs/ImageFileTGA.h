// CImageFileTGA: Truevision TGA files. Reads uncompressed and run-length coded colour-mapped,
// true-colour and grey pictures of 8, 15, 16, 24 and 32 bits a pixel (32 bits with alpha, rows
// either way up, mirrored rows turned back); writes uncompressed 8-bit colour-mapped and 24-bit
// true-colour files, and with an alpha plane 16-bit grey and alpha or 32-bit true colour.
#pragma once
#include "codecs/ImageFile.h"

class StreamReader;

class CImageFileTGA : public CImageFile {
 public:
  CImageFileTGA() : CImageFile(keImageFormatTGA) {}

  bool Decode(CByteStream* file);
  bool Encode(CByteStream* file);

 private:
  struct Header;
  // A run-length packet may run on into the next row: what is left of it waits here.
  struct Packet {
    unsigned remaining = 0;
    bool run = false;
    unsigned char value[4] = {};
  };

  void DecodeOrThrow(CByteStream* file);
  void ReadColourMap(StreamReader& reader, const Header& header);
  // The file's bytes of one row; false when the file ends first (the rest is cleared).
  static bool ReadRow(StreamReader& reader, unsigned char* line, unsigned long pixels, unsigned bytes);
  static bool ReadPackedRow(StreamReader& reader, unsigned char* line, unsigned long pixels, unsigned bytes,
                            Packet& packet);
  // Stores one row of file pixels into bitmap row y; false at an index past the colour map
  // (that pixel and the rest of the row are cleared).
  bool StoreRow(const unsigned char* line, long y, const Header& header);
  // How a picture's pixels go into the file.
  enum class Layout { kMapped, kColour, kColourAlpha, kGreyAlpha };
  static unsigned BytesPerPixel(Layout layout) {
    return layout == Layout::kMapped      ? 1
           : layout == Layout::kGreyAlpha ? 2
           : layout == Layout::kColour    ? 3
                                          : 4;
  }
  void EncodeOrThrow(CByteStream* file);
  void WriteRows(CByteStream* file, Layout layout);
};
