// CImageFilePCX: PCX files. Reads run-length coded pictures of one to four 1-bit planes, one
// plane of 1, 2, 4 or 8 bits (8 bits with the palette after the pixels) and three or four
// 8-bit planes (true colour, the fourth plane alpha); writes version 5 files of the image's
// own kind: 1-bit as one plane, 16 colours as four 1-bit planes, 8-bit palette pictures as one
// 8-bit plane and true colour as three 8-bit planes (four with an alpha plane).
#pragma once
#include <vector>

#include "codecs/ImageFile.h"

class StreamReader;

class CImageFilePCX : public CImageFile {
 public:
  CImageFilePCX() : CImageFile(keImageFormatPCX) {}

  bool Decode(CByteStream* file);
  bool Encode(CByteStream* file);

 private:
  struct Header;
  // A run may cross line and plane boundaries: what is left of it waits here.
  struct Run {
    unsigned long remaining = 0;
    unsigned char value = 0;
  };

  void DecodeOrThrow(CByteStream* file);
  // Expands one line of every plane; left is the count of bytes the picture still holds.
  static void ExpandLine(StreamReader& reader, unsigned char* line, std::size_t size, Run& run,
                         std::uint64_t left);
  // Pixels from one expanded line into bitmap row y; only the bytes a plane line holds are
  // read, and pixels they do not reach stay clear.
  void StoreLine(const unsigned char* line, long y, const Header& header);
  void ReadTrailingPalette(StreamReader& reader);
  void EncodeOrThrow(CByteStream* file);
  void PackTrueColour(std::vector<unsigned char>& out);
  void PackIndices(std::vector<unsigned char>& out);
  void PackPlanes(std::vector<unsigned char>& out, unsigned planes, unsigned long bytesPerLine);
};
