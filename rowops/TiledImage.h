// Images seen as grids of tiles, each lockable into a flat PixelBlock: how the resamplers and
// the sampler read a banded image without touching its rows. TransferTiledRect reads any
// rectangle, also one reaching outside the image, resolving the outside by an edge mode.
#pragma once
#include <cstdint>
#include <memory>

#include "core/CoreResult.h"
#include "core/PixelBlock.h"
#include "core/PixelFormat.h"
#include "core/RowIteratorBands.h"
#include "platform/win32/Types.h"

namespace corvel {

// One code for the sampler, the resamplers and the tiled transfer.
enum keEdgeMode : int {
  keEdgeWrap = 0,
  keEdgeClamp = 1,
  keEdgeFill = 2,
  keEdgeMirror = 3,
};

class TiledImage {
 public:
  virtual ~TiledImage() = default;
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  virtual keFormat GetFormat() const = 0;
  virtual CoreResult LockTile(Tile tile, PixelBlock* block) = 0;
  virtual CoreResult UnlockTile(Tile tile) = 0;
  virtual int GetPaletteSize() const = 0;
  // 4-byte entries blue, green, red, spare; none without a palette.
  virtual const RGBQUAD* GetPalette() const = 0;
  virtual CoreResult GetTileAt(POINT point, Tile* tile) const = 0;
  // (first column, first row, last column + 1, last row + 1).
  virtual CoreResult GetTileRange(const RECT& rect, RECT* range) const = 0;
  virtual CoreResult GetTileRect(Tile tile, RECT* rect) const = 0;
};

// A banded image as tiles: one tile column, one tile row per band. The image must outlive it.
class TiledImageAdapter final : public TiledImage {
 public:
  explicit TiledImageAdapter(CRowIteratorBands& image);

  int GetWidth() const override { return width_; }
  int GetHeight() const override { return height_; }
  keFormat GetFormat() const override { return image_.GetFormat(); }
  // A band whose stored pixels are not what the image presents (a view) is refused with 120:
  // its bytes would be read in the wrong layout.
  CoreResult LockTile(Tile tile, PixelBlock* block) override;
  CoreResult UnlockTile(Tile tile) override { return image_.UnlockBand(tile); }
  int GetPaletteSize() const override { return image_.GetPaletteSize(); }
  const RGBQUAD* GetPalette() const override { return image_.GetPalette(); }
  CoreResult GetTileAt(POINT point, Tile* tile) const override { return image_.GetBandAt(point, tile); }
  CoreResult GetTileRange(const RECT& rect, RECT* range) const override {
    return image_.GetBandRange(rect, range);
  }
  CoreResult GetTileRect(Tile tile, RECT* rect) const override { return image_.GetBandRect(tile, rect); }

  int TileColumns() const { return tileColumns_; }
  int TileRows() const { return tileRows_; }

 private:
  CRowIteratorBands& image_;
  int width_;
  int height_;
  int tileColumns_ = 0;
  int tileRows_ = 0;
};

// None when memory runs out.
std::unique_ptr<TiledImageAdapter> CreateTiledImageAdapter(CRowIteratorBands& image);

// Reads the image rectangle of dstRect's size whose top-left is (srcX, srcY) into dstRect of
// dst. Outside the image the edge mode decides: wrap, clamp, fillPixel (one pixel in dst's
// format), or mirror with the edge pixel repeated (..., 1, 0, 0, 1, ...); modes above 3 leave
// those pixels alone. A dstRect outside dst, or a packed format, reads nothing.
void TransferTiledRect(PixelBlock& dst, const RECT& dstRect, TiledImage& image, int srcX, int srcY,
                       int edgeMode, const void* fillPixel);

// Block helpers on blocks of whole-byte pixels; rectangles outside a block do nothing.
void FillRectWithPixel(PixelBlock& block, const RECT& rect, const void* pixel);
void CopyBlockRect(PixelBlock& dst, int dx, int dy, const PixelBlock& src, const RECT& srcRect);
void ReadBlockPixel(const PixelBlock& block, int x, int y, void* out);
void ReadTiledPixel(TiledImage& image, int x, int y, void* out);
// Steps of -1 reverse the columns, the rows, or both (a half turn); steps of 1 do nothing.
void FlipBlockRect(PixelBlock& block, const RECT& rect, int colStep, int rowStep);

// Bytes per pixel of a block's format; 0 for packed formats.
inline int BlockPixelBytes(const PixelBlock& block) {
  return CPixelFormat(block.format).GetBitsPerPixel() / 8;
}

}  // namespace corvel
