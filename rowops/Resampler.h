// Resamplers: turn 24.8 fixed-point source positions (256 units to a pixel, (256 i, 256 j) being
// pixel (i, j) itself) into pixels of the source format, read through a TiledImage. Nearest,
// bilinear (2 x 2 taps, 8-bit fractions) and bicubic (4 x 4 taps from a shared weight table);
// each applies the edge mode where its footprint leaves the image.
#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "core/PixelBlock.h"
#include "core/PixelFormat.h"
#include "rowops/TiledImage.h"

namespace corvel {

enum keInterpolation : int {
  keInterpolationNearest = 0,
  keInterpolationBilinear = 1,
  keInterpolationBicubic = 2,
};

// The tile that footprints are read from in place, kept locked from one position to the next;
// a sampler keeps one across calls. The image must outlive it.
class TileCursor {
 public:
  explicit TileCursor(TiledImage& image)
      : image_(image), width_(image.GetWidth()), height_(image.GetHeight()) {}
  ~TileCursor() { Release(); }
  TileCursor(const TileCursor&) = delete;
  TileCursor& operator=(const TileCursor&) = delete;

  // Locks the tile that holds the whole footprint of size x size pixels at (x0, y0); false when
  // none does (the locked tile is then unchanged, or released when a lock failed).
  bool MoveTo(int x0, int y0, int size);
  // Every one of the rows lies in the locked tile, and the tile spans the image's width.
  bool HoldsRows(const int* rows, int count) const;
  void Release();

  const std::uint8_t* At(int x, int y, int pixelBytes) const {
    return block_.bits + (y - rect_.top) * block_.stride + std::intptr_t{x - rect_.left} * pixelBytes;
  }
  std::intptr_t Stride() const { return block_.stride; }
  const RECT& Rect() const { return rect_; }
  bool Locked() const { return locked_; }
  TiledImage& Image() const { return image_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  TiledImage& image_;
  int width_;
  int height_;
  Tile tile_{0, 0};
  RECT rect_{0, 0, 0, 0};
  PixelBlock block_;
  bool locked_ = false;
};

class Resampler {
 public:
  virtual ~Resampler() = default;
  // Fills dst.height rows of dst.width pixels (row r at bits + r stride) from width x height
  // positions. Answers 0, or 101 (nothing sampled) when the block or the image is not in the
  // resampler's format. With a cursor over the image, the tile it holds is used and the last
  // one read stays locked in it; without one, every tile is unlocked before the call returns.
  virtual int SampleRow(const PixelBlock& dst, const std::int32_t* positions, TiledImage& image,
                        TileCursor* cursor = nullptr) const = 0;

  keFormat Format() const { return format_; }
  int EdgeMode() const { return edgeMode_; }
  std::uint32_t FillColour() const { return fillColour_; }

 protected:
  Resampler(keFormat format, int edgeMode, std::uint32_t fillColour)
      : format_(format), edgeMode_(edgeMode), fillColour_(fillColour) {}

 private:
  keFormat format_;
  int edgeMode_;
  std::uint32_t fillColour_;
};

// None for an unknown mode, for packed 1- and 4-bit formats, and when memory runs out. The
// bilinear and bicubic kinds sample nothing for formats outside 5..14 (indexed and float).
std::unique_ptr<Resampler> CreateResampler(int mode, keFormat format, int edgeMode, std::uint32_t fillColour);
std::unique_ptr<Resampler> CreateNearestResampler(keFormat format, int edgeMode, std::uint32_t fillColour);
std::unique_ptr<Resampler> CreateBilinearResampler(keFormat format, int edgeMode, std::uint32_t fillColour);
std::unique_ptr<Resampler> CreateBicubicResampler(keFormat format, int edgeMode, std::uint32_t fillColour);

// Cubic convolution (a = -1) at 256 phases, four weights each scaled by 256 and truncated, the
// second tap made up so that the four sum to 256.
using CubicWeights = std::array<std::int32_t, 4>;
const CubicWeights* CubicWeightTable();

}  // namespace corvel
