#include "rowops/TiledImage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "core/ColorUtils.h"
#include "platform/win32/Rect.h"

namespace corvel {

TiledImageAdapter::TiledImageAdapter(CRowIteratorBands& image)
    : image_(image), width_(image.Width()), height_(image.Height()) {
  RECT range;
  CoreResult result = image_.GetBandRange(RECT{0, 0, width_, height_}, &range);
  if (result.Ok()) {
    tileColumns_ = range.right - range.left;
    tileRows_ = range.bottom - range.top;
  }
}

CoreResult TiledImageAdapter::LockTile(Tile tile, PixelBlock* block) {
  CoreResult result = image_.LockBand(tile, block);
  if (!result.Ok()) return result;
  if (block->format != image_.GetFormat() || image_.GetChannelView() != keRoleNone) {
    image_.UnlockBand(tile).GetCode();
    *block = PixelBlock{};
    return keErrorFormatNotSupported;
  }
  return result;
}

std::unique_ptr<TiledImageAdapter> CreateTiledImageAdapter(CRowIteratorBands& image) {
  return std::unique_ptr<TiledImageAdapter>(new (std::nothrow) TiledImageAdapter(image));
}

namespace {

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool InsideBlock(const PixelBlock& block, const RECT& r) {
  return r.left >= 0 && r.top >= 0 && r.right <= block.width && r.bottom <= block.height;
}

BYTE* PixelAt(const PixelBlock& block, int x, int y, int pixelBytes) {
  return block.bits + y * block.stride + std::intptr_t{x} * pixelBytes;
}

// Positive remainder.
int Modulo(int value, int period) {
  int r = value % period;
  return r < 0 ? r + period : r;
}

// Reads the part of srcRect that lies in the image (srcRect must lie inside it) to (dx, dy) of
// dst, tile by tile; a tile that cannot be locked is filled with fillPixel (zeros when none).
void CopyInside(PixelBlock& dst, int dx, int dy, TiledImage& image, const RECT& srcRect,
                const void* fillPixel) {
  RECT range;
  if (!image.GetTileRange(srcRect, &range).Ok()) return;
  for (int row = range.top; row < range.bottom; ++row) {
    for (int column = range.left; column < range.right; ++column) {
      const Tile tile{column, row};
      RECT tileRect, part;
      if (!image.GetTileRect(tile, &tileRect).Ok()) continue;
      if (!IntersectRect(&part, &tileRect, &srcRect)) continue;
      const int placeX = dx - srcRect.left + part.left;
      const int placeY = dy - srcRect.top + part.top;
      PixelBlock block;
      if (image.LockTile(tile, &block).Ok() && block.bits) {
        RECT inTile = part;
        OffsetRect(&inTile, -tileRect.left, -tileRect.top);
        CopyBlockRect(dst, placeX, placeY, block, inTile);
        image.UnlockTile(tile).GetCode();
      } else {
        std::uint8_t zero[16] = {};
        RECT place{placeX, placeY, placeX + part.right - part.left, placeY + part.bottom - part.top};
        FillRectWithPixel(dst, place, fillPixel ? fillPixel : static_cast<const void*>(zero));
      }
    }
  }
}

// Source runs of one axis under wrap or mirror: each piece maps [start, start + length) of the
// cell onto image positions [from, from + length), backward when reversed.
struct Piece {
  int from;
  int length;
  bool reversed;
};

Piece NextPiece(int position, int remaining, int extent, bool mirror) {
  if (!mirror) {
    int reduced = Modulo(position, extent);
    return {reduced, std::min(remaining, extent - reduced), false};
  }
  int reduced = Modulo(position, 2 * extent);
  if (reduced < extent) return {reduced, std::min(remaining, extent - reduced), false};
  int length = std::min(remaining, 2 * extent - reduced);
  int first = 2 * extent - 1 - reduced;  // walked downward from here
  return {first - length + 1, length, true};
}

// Fills cell (in dst coordinates) from the source rectangle that starts at (srcX, srcY) by
// wrapping or mirroring it into the image, piece by piece.
void FillPeriodic(PixelBlock& dst, const RECT& cell, TiledImage& image, int srcX, int srcY, bool mirror,
                  const void* fillPixel) {
  const int width = image.GetWidth(), height = image.GetHeight();
  for (int y = 0; y < cell.bottom - cell.top;) {
    Piece rows = NextPiece(srcY + y, cell.bottom - cell.top - y, height, mirror);
    for (int x = 0; x < cell.right - cell.left;) {
      Piece columns = NextPiece(srcX + x, cell.right - cell.left - x, width, mirror);
      RECT source{columns.from, rows.from, columns.from + columns.length, rows.from + rows.length};
      CopyInside(dst, cell.left + x, cell.top + y, image, source, fillPixel);
      if (columns.reversed || rows.reversed) {
        RECT placed{cell.left + x, cell.top + y, cell.left + x + columns.length, cell.top + y + rows.length};
        FlipBlockRect(dst, placed, columns.reversed ? -1 : 1, rows.reversed ? -1 : 1);
      }
      x += columns.length;
    }
    y += rows.length;
  }
}

// Clamp: the cell takes the image's border pixels. column and row say which side of the image
// the cell lies on (-1 before, 0 inside, 1 after).
void FillClamped(PixelBlock& dst, const RECT& cell, TiledImage& image, int srcX, int srcY, int column,
                 int row) {
  const int width = image.GetWidth(), height = image.GetHeight();
  const int pixelBytes = BlockPixelBytes(dst);
  const int cellWidth = cell.right - cell.left, cellHeight = cell.bottom - cell.top;
  if (column != 0 && row != 0) {
    std::uint8_t corner[16] = {};
    ReadTiledPixel(image, column < 0 ? 0 : width - 1, row < 0 ? 0 : height - 1, corner);
    FillRectWithPixel(dst, cell, corner);
  } else if (column != 0) {
    RECT edge{column < 0 ? 0 : width - 1, srcY, 0, srcY + cellHeight};
    edge.right = edge.left + 1;
    CopyInside(dst, cell.left, cell.top, image, edge, nullptr);
    for (int y = cell.top; y < cell.bottom; ++y) {
      BYTE* first = PixelAt(dst, cell.left, y, pixelBytes);
      FillWithElement(first + pixelBytes, first, pixelBytes, cellWidth - 1);
    }
  } else {
    RECT edge{srcX, row < 0 ? 0 : height - 1, srcX + cellWidth, 0};
    edge.bottom = edge.top + 1;
    CopyInside(dst, cell.left, cell.top, image, edge, nullptr);
    const BYTE* first = PixelAt(dst, cell.left, cell.top, pixelBytes);
    for (int y = cell.top + 1; y < cell.bottom; ++y)
      std::memcpy(PixelAt(dst, cell.left, y, pixelBytes), first, std::size_t(cellWidth) * pixelBytes);
  }
}

}  // namespace

void TransferTiledRect(PixelBlock& dst, const RECT& dstRect, TiledImage& image, int srcX, int srcY,
                       int edgeMode, const void* fillPixel) {
  if (IsEmpty(dstRect) || !InsideBlock(dst, dstRect) || BlockPixelBytes(dst) == 0) return;
  // A source rectangle beyond the coordinate range reads nothing.
  if (std::int64_t{srcX} + (dstRect.right - dstRect.left) > INT32_MAX ||
      std::int64_t{srcY} + (dstRect.bottom - dstRect.top) > INT32_MAX)
    return;
  const int width = image.GetWidth(), height = image.GetHeight();
  const RECT srcRect{srcX, srcY, srcX + (dstRect.right - dstRect.left),
                     srcY + (dstRect.bottom - dstRect.top)};
  const RECT bounds{0, 0, width, height};
  RECT inside;
  const bool any = IntersectRect(&inside, &srcRect, &bounds) != FALSE;
  const int shiftX = dstRect.left - srcX, shiftY = dstRect.top - srcY;
  if (any) CopyInside(dst, shiftX + inside.left, shiftY + inside.top, image, inside, fillPixel);
  if (any && SameRect(inside, srcRect)) return;
  if (edgeMode < keEdgeWrap || edgeMode > keEdgeMirror) return;
  if (width <= 0 || height <= 0) {
    if (edgeMode == keEdgeFill && fillPixel) FillRectWithPixel(dst, dstRect, fillPixel);
    return;
  }

  // The 3 x 3 grid of srcRect split at the image's columns and rows.
  const int xs[4] = {srcRect.left, std::clamp(0, srcRect.left, srcRect.right),
                     std::clamp(width, srcRect.left, srcRect.right), srcRect.right};
  const int ys[4] = {srcRect.top, std::clamp(0, srcRect.top, srcRect.bottom),
                     std::clamp(height, srcRect.top, srcRect.bottom), srcRect.bottom};
  for (int j = 0; j < 3; ++j) {
    for (int i = 0; i < 3; ++i) {
      if (i == 1 && j == 1) continue;
      const RECT source{xs[i], ys[j], xs[i + 1], ys[j + 1]};
      if (IsEmpty(source)) continue;
      const RECT cell{source.left + shiftX, source.top + shiftY, source.right + shiftX,
                      source.bottom + shiftY};
      switch (edgeMode) {
        case keEdgeWrap:
          FillPeriodic(dst, cell, image, source.left, source.top, false, fillPixel);
          break;
        case keEdgeMirror:
          FillPeriodic(dst, cell, image, source.left, source.top, true, fillPixel);
          break;
        case keEdgeClamp:
          FillClamped(dst, cell, image, source.left, source.top, i - 1, j - 1);
          break;
        case keEdgeFill:
          if (fillPixel) FillRectWithPixel(dst, cell, fillPixel);
          break;
      }
    }
  }
}

void FillRectWithPixel(PixelBlock& block, const RECT& rect, const void* pixel) {
  const int pixelBytes = BlockPixelBytes(block);
  if (IsEmpty(rect) || !InsideBlock(block, rect) || pixelBytes == 0 || !pixel) return;
  const std::size_t rowBytes = std::size_t(rect.right - rect.left) * pixelBytes;
  BYTE* first = PixelAt(block, rect.left, rect.top, pixelBytes);
  FillWithElement(first, pixel, pixelBytes, rect.right - rect.left);
  for (int y = rect.top + 1; y < rect.bottom; ++y)
    std::memcpy(PixelAt(block, rect.left, y, pixelBytes), first, rowBytes);
}

void CopyBlockRect(PixelBlock& dst, int dx, int dy, const PixelBlock& src, const RECT& srcRect) {
  const int pixelBytes = BlockPixelBytes(dst);
  if (IsEmpty(srcRect) || dx < 0 || dy < 0 || pixelBytes == 0 || BlockPixelBytes(src) != pixelBytes) return;
  const int width = srcRect.right - srcRect.left, height = srcRect.bottom - srcRect.top;
  if (dx + width > dst.width || dy + height > dst.height || !InsideBlock(src, srcRect)) return;
  const std::size_t rowBytes = std::size_t(width) * pixelBytes;
  for (int y = 0; y < height; ++y)
    std::memcpy(PixelAt(dst, dx, dy + y, pixelBytes), PixelAt(src, srcRect.left, srcRect.top + y, pixelBytes),
                rowBytes);
}

void ReadBlockPixel(const PixelBlock& block, int x, int y, void* out) {
  const int pixelBytes = BlockPixelBytes(block);
  if (x < 0 || y < 0 || x >= block.width || y >= block.height || pixelBytes == 0) return;
  std::memcpy(out, PixelAt(block, x, y, pixelBytes), pixelBytes);
}

void ReadTiledPixel(TiledImage& image, int x, int y, void* out) {
  Tile tile;
  if (!image.GetTileAt(POINT{x, y}, &tile).Ok()) return;
  RECT tileRect;
  PixelBlock block;
  if (!image.GetTileRect(tile, &tileRect).Ok()) return;
  if (!image.LockTile(tile, &block).Ok()) return;
  ReadBlockPixel(block, x - tileRect.left, y - tileRect.top, out);
  image.UnlockTile(tile).GetCode();
}

void FlipBlockRect(PixelBlock& block, const RECT& rect, int colStep, int rowStep) {
  const int pixelBytes = BlockPixelBytes(block);
  if (IsEmpty(rect) || !InsideBlock(block, rect) || pixelBytes == 0) return;
  const bool columns = colStep == -1, rows = rowStep == -1;
  if (!columns && !rows) return;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  auto reverseRow = [&](BYTE* row) {
    for (int i = 0, j = width - 1; i < j; ++i, --j)
      SwapByteRanges(row + std::size_t(i) * pixelBytes, row + std::size_t(j) * pixelBytes, pixelBytes);
  };
  if (rows) {
    const std::size_t rowBytes = std::size_t(width) * pixelBytes;
    for (int i = 0; i < height / 2; ++i) {
      BYTE* upper = PixelAt(block, rect.left, rect.top + i, pixelBytes);
      BYTE* lower = PixelAt(block, rect.left, rect.bottom - 1 - i, pixelBytes);
      SwapByteRanges(upper, lower, rowBytes);
      if (columns) {
        reverseRow(upper);
        reverseRow(lower);
      }
    }
    if (columns && height % 2 == 1) reverseRow(PixelAt(block, rect.left, rect.top + height / 2, pixelBytes));
  } else {
    for (int y = rect.top; y < rect.bottom; ++y) reverseRow(PixelAt(block, rect.left, y, pixelBytes));
  }
}

}  // namespace corvel
