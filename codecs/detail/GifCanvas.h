// The logical screen of a GIF that frames are laid on: indices of one shared colour table, or
// colours written straight into a 24-bit picture, with coverage in its alpha plane when it has one.
#pragma once
#include <vector>

#include "codecs/ImageFile.h"
#include "codecs/detail/GifCodes.h"

namespace gif {

// A frame's colours, opaque; entries its table lacks are black.
struct Palette {
  RGBQUAD colour[256];
};
Palette PaletteOf(const Bytes& in, const Frame& frame);

class Canvas {
 public:
  // False when the heap cannot give the indices.
  bool UseIndices(unsigned width, unsigned height);
  // The picture must be 24-bit; its rows are written top row first.
  void UseColours(CImageFile* picture);

  // The whole screen to one index and colour (rgbReserved the coverage).
  void Fill(int index, RGBQUAD colour);
  // One row of a frame at its place, clipped to the screen; pixels of the frame's transparent
  // index are skipped unless every pixel is to be copied.
  void DrawRow(const Frame& frame, const Palette& palette, unsigned row, const unsigned char* indices,
               bool copyAll);
  const unsigned char* IndexRow(unsigned y) const { return &index_[std::size_t{y} * width_]; }

 private:
  unsigned width_ = 0, height_ = 0;
  std::vector<unsigned char> index_;
  CImageFile* picture_ = nullptr;
};

}  // namespace gif
