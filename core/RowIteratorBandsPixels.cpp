// The banded image: single pixels, fills, un-premultiplying, rectangle copies and drawing.
#include <algorithm>
#include <cstring>

#include "core/ColorUtils.h"
#include "core/RowIteratorBands.h"
#include "core/detail/BitRows.h"
#include "platform/gdi/Gdi.h"
#include "platform/win32/Rect.h"

namespace corvel {
namespace {

std::uint16_t Word(const BYTE* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

void PutWord(BYTE* p, std::uint32_t value) {
  p[0] = static_cast<BYTE>(value);
  p[1] = static_cast<BYTE>(value >> 8);
}

// The bytes of one pixel of a presented format that hold a colour; for the indexed formats the
// index (and alpha).
CoreResult EncodePixel(keFormat format, const CColorRef& color, int paletteSize, const RGBQUAD* palette,
                       BYTE pixel[8]) {
  const auto size = static_cast<std::uint32_t>(paletteSize);
  switch (format) {
    case keFormatIndex1:
    case keFormatIndex4:
    case keFormatIndex8:
      return color.GetIndexByte(pixel, size, palette);
    case keFormatIndex8A:
      return color.GetIndexAlphaBytes(pixel, pixel + 1, size, palette);
    case keFormatGrey:
      return color.GetGreyByte(pixel);
    case keFormatGreyA:
      return color.GetGreyABytes(pixel);
    case keFormatBGR:
      return color.GetBGR(pixel);
    case keFormatBGRA:
      return color.GetBGRA(pixel);
    case keFormatBGRxA: {
      CoreResult result = color.GetBGRA(pixel);
      if (result.Ok())
        for (int c = 0; c < 3; ++c) pixel[c] = static_cast<BYTE>(pixel[c] * pixel[3] / 255);
      return result;
    }
    case keFormatGrey_u16:
    case keFormatGreyA_u16:
    case keFormatBGR_u16:
    case keFormatBGRA_u16: {
      std::uint16_t red, green, blue, alpha;
      color.Get16(&red, &green, &blue, &alpha);
      if (format == keFormatGrey_u16 || format == keFormatGreyA_u16) {
        PutWord(pixel, color.Grey16());
        PutWord(pixel + 2, alpha);
      } else {
        PutWord(pixel, blue);
        PutWord(pixel + 2, green);
        PutWord(pixel + 4, red);
        PutWord(pixel + 6, alpha);
      }
      return CoreResult();
    }
    default:
      return keErrorNotCreated;
  }
}

CoreResult DecodePixel(keFormat format, const BYTE* pixel, int pixelInByte, int paletteSize,
                       const RGBQUAD* palette, CColorRef* color) {
  const auto size = static_cast<std::uint32_t>(paletteSize);
  switch (format) {
    case keFormatIndex1:
      color->SetIndex((pixel[0] >> (7 - pixelInByte)) & 1, size, palette);
      break;
    case keFormatIndex4:
      color->SetIndex(pixelInByte ? pixel[0] & 15 : pixel[0] >> 4, size, palette);
      break;
    case keFormatIndex8:
      color->SetIndex(pixel[0], size, palette);
      break;
    case keFormatIndex8A:
      color->SetIndexAlpha(pixel[0], pixel[1], size, palette);
      break;
    case keFormatGrey:
      color->SetGreyBytes(pixel);
      break;
    case keFormatGreyA:
      color->SetGreyABytes(pixel);
      break;
    case keFormatBGR:
      color->SetBGR(pixel);
      break;
    case keFormatBGRA:
      color->SetBGRA(pixel);
      break;
    case keFormatBGRxA: {
      // A colour byte above its alpha (not a valid premultiplied value) reads as full.
      const unsigned alpha = pixel[3];
      BYTE straight[4] = {0, 0, 0, pixel[3]};
      if (alpha > 0)
        for (int c = 0; c < 3; ++c)
          straight[c] = static_cast<BYTE>(std::min(255u, (pixel[c] * (65280 / alpha)) >> 8));
      color->SetBGRA(straight);
      break;
    }
    case keFormatGrey_u16:
      color->Set16(Word(pixel), Word(pixel), Word(pixel), 65535);
      break;
    case keFormatGreyA_u16:
      color->Set16(Word(pixel), Word(pixel), Word(pixel), Word(pixel + 2));
      break;
    case keFormatBGR_u16:
      color->Set16(Word(pixel + 4), Word(pixel + 2), Word(pixel), 65535);
      break;
    case keFormatBGRA_u16:
      color->Set16(Word(pixel + 4), Word(pixel + 2), Word(pixel), Word(pixel + 6));
      break;
    default:
      return keErrorNotCreated;
  }
  return CoreResult();
}

}  // namespace

CoreResult CRowIteratorBands::GetPixel(int x, int y, CColorRef* color) {
  BYTE* pixel;
  int pixelInByte;
  CoreResult result = LockRowSpan(y, x, 1, &pixel, &pixelInByte);
  if (!result.Ok()) return result;
  result = DecodePixel(presentedFormat_, pixel, pixelInByte, GetPaletteSize(), GetPalette(), color);
  ReleaseRow(y);
  return result;
}

CoreResult CRowIteratorBands::SetPixel(int x, int y, const CColorRef& color) {
  BYTE encoded[8];
  BYTE* pixel;
  int pixelInByte;
  CoreResult result = LockRowSpan(y, x, 1, &pixel, &pixelInByte);
  if (!result.Ok()) return result;
  result = EncodePixel(presentedFormat_, color, GetPaletteSize(), GetPalette(), encoded);
  if (result.Ok()) {
    const int bits = GetBitsPerPixel();
    if (bits == 1)
      FillBits(pixel, pixelInByte, 1, (encoded[0] & 1) ? 0xFF : 0x00);
    else if (bits == 4)
      FillBits(pixel, 4 * pixelInByte, 4, static_cast<BYTE>((encoded[0] & 15) * 0x11));
    else
      std::memcpy(pixel, encoded, static_cast<std::size_t>(bits / 8));
  }
  ReleaseRow(y);
  return result;
}

CoreResult CRowIteratorBands::Fill(const CColorRef& color) {
  if (presentedFormat_ < keFormatIndex1 || presentedFormat_ > keFormatBGRA_u16 || Width() < 1 || Height() < 1)
    return CoreResult();
  BYTE pixel[8];
  CoreResult result = EncodePixel(presentedFormat_, color, GetPaletteSize(), GetPalette(), pixel);
  if (!result.Ok()) return result;
  const int bits = GetBitsPerPixel();
  if (bits < 8) {
    // Every row's edge bytes are merged under a mask: the bytes may hold pixels of the
    // storage outside this image's rectangle.
    const BYTE pattern = bits == 1 ? ((pixel[0] & 1) ? 0xFF : 0x00)
                                   : static_cast<BYTE>((pixel[0] & 15) * 0x11);
    for (int y = 0; y < Height(); ++y) {
      BYTE* row;
      int pixelInByte;
      result = LockRowSpan(y, 0, -1, &row, &pixelInByte);
      if (!result.Ok()) return result;
      FillBits(row, std::int64_t{pixelInByte} * bits, std::int64_t{Width()} * bits, pattern);
      ReleaseRow(y);
    }
    return result;
  }
  BYTE* first;
  result = LockRow(0, &first);
  if (!result.Ok()) return result;
  FillWithElement(first, pixel, static_cast<std::size_t>(bits / 8), static_cast<std::size_t>(Width()));
  const auto rowBytes = static_cast<std::size_t>(GetRowBytes());
  for (int y = 1; y < Height(); ++y) {
    BYTE* row;
    result = LockRow(y, &row);
    if (!result.Ok()) break;
    std::memcpy(row, first, rowBytes);
    ReleaseRow(y);
  }
  ReleaseRow(0);
  return result;
}

bool CRowIteratorBands::Unpremultiply() {
  const keFormat format = presentedFormat_;
  if (format != keFormatGreyA && format != keFormatBGRA && format != keFormatBGRxA) return false;
  const BYTE* table = GetUnpremultiplyTable();
  for (int y = 0; y < Height(); ++y) {
    BYTE* row;
    if (!LockRow(y, &row).Ok()) return false;
    if (format == keFormatGreyA) {
      for (int x = 0; x < Width(); ++x) {
        const unsigned alpha = row[2 * x + 1];
        if (alpha >= 1 && alpha <= 254) row[2 * x] = table[alpha * 256 + row[2 * x]];
      }
    } else {
      UnpremultiplyRow(this, row, row, Width());
    }
    ReleaseRow(y);
  }
  return true;
}

CoreResult CRowIteratorBands::CopyRectFrom(const RECT& destinationRect, CRowIteratorBands& source,
                                           const RECT& sourceRect) {
  CRowIteratorBands destinationPart, sourcePart;
  CoreResult result = destinationPart.CreateSubView(
      *this, rect_.left + destinationRect.left, rect_.top + destinationRect.top,
      rect_.left + destinationRect.right, rect_.top + destinationRect.bottom);
  if (!result.Ok()) return result;
  const RECT& outer = source.rect_;
  result = sourcePart.CreateSubView(source, outer.left + sourceRect.left, outer.top + sourceRect.top,
                                    outer.left + sourceRect.right, outer.top + sourceRect.bottom);
  if (!result.Ok()) return result;
  return CopyPixels(destinationPart, sourcePart);
}

namespace {

struct DibHeader {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256];
};

// Positions of the source rectangle mapped onto the destination's, by the scale between them.
LONG MapPosition(LONG value, LONG sourceStart, LONG sourceSize, LONG destinationStart, LONG destinationSize) {
  return static_cast<LONG>(destinationStart +
                           std::int64_t{value - sourceStart} * destinationSize / sourceSize);
}

}  // namespace

CoreResult CRowIteratorBands::Draw(HDC dc, const RECT& destination, const RECT& source, DWORD rop) {
  if (!bands_) return keErrorNotCreated;
  switch (storedFormat_) {
    case keFormatIndex1:
    case keFormatIndex4:
    case keFormatIndex8:
    case keFormatGrey:
    case keFormatBGR:
    case keFormatBGRA:
      break;
    default:
      return keErrorNotCreated;
  }
  if (destination.right <= destination.left || destination.bottom <= destination.top ||
      source.right <= source.left || source.bottom <= source.top)
    return keErrorBadArgument;

  DibHeader dib{};
  dib.header.biSize = sizeof(BITMAPINFOHEADER);
  dib.header.biPlanes = 1;
  dib.header.biBitCount = static_cast<WORD>(bitsPerPixel_);
  dib.header.biCompression = BI_RGB;
  dib.header.biXPelsPerMeter = dib.header.biYPelsPerMeter = 3600;
  // Stored grey pixels are drawn through the grey ramp whatever the image presents.
  const bool grey = storedFormat_ == keFormatGrey;
  const int paletteSize = std::min(grey ? 256 : GetPaletteSize(), 256);
  const RGBQUAD* palette = grey ? GreyRampPalette() : GetPalette();
  dib.header.biClrUsed = dib.header.biClrImportant = static_cast<DWORD>(paletteSize);
  if (palette) std::copy(palette, palette + paletteSize, dib.colors);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(&dib);

  RECT visible;
  const RECT whole{0, 0, Width(), Height()};
  if (!IntersectRect(&visible, &source, &whole)) return CoreResult();
  const LONG sourceWidth = source.right - source.left, sourceHeight = source.bottom - source.top;
  const LONG destinationWidth = destination.right - destination.left;
  const LONG destinationHeight = destination.bottom - destination.top;
  auto mapX = [&](LONG x) {
    return MapPosition(x, source.left, sourceWidth, destination.left, destinationWidth);
  };
  auto mapY = [&](LONG y) {
    return MapPosition(y, source.top, sourceHeight, destination.top, destinationHeight);
  };
  // Draws image rows [top, bottom) of one band, whose storage rows lie stride bytes apart.
  auto drawRows = [&](LONG top, LONG bottom, std::intptr_t stride, LONG bitmapWidth) {
    const LONG rows = bottom - top;
    const LONG width = mapX(visible.right) - mapX(visible.left), height = mapY(bottom) - mapY(top);
    if (width == 0 || height == 0) return true;  // shrunk to nothing
    // Rows lie bottom-up in memory for a negative stride: the bits start at the bottom row.
    dib.header.biWidth = bitmapWidth;
    dib.header.biHeight = stride < 0 ? rows : -rows;
    const BYTE* bits = StorageRow(stride < 0 ? bottom - 1 : top);
    return StretchDIBits(dc, mapX(visible.left), mapY(top), width, height, originX_ + visible.left, 0,
                         visible.right - visible.left, rows, bits, info, DIB_RGB_COLORS, rop) != 0;
  };

  RECT range;
  CoreResult result = GetBandRange(visible, &range);
  if (!result.Ok()) return result;
  for (LONG row = range.top; row < range.bottom; ++row) {
    const Tile tile{0, row};
    RECT bandRect, part;
    PixelBlock block;
    if (!GetBandRect(tile, &bandRect).Ok() || !IntersectRect(&part, &bandRect, &visible)) continue;
    result = LockBand(tile, &block);
    if (!result.Ok()) return result;
    const std::intptr_t absStride = block.stride < 0 ? -block.stride : block.stride;
    const auto bitmapWidth = static_cast<LONG>(absStride * 8 / bitsPerPixel_);
    bool drawn = true;
    if ((std::int64_t{bitmapWidth} * bitsPerPixel_ + 31) / 32 * 4 == absStride) {
      drawn = drawRows(part.top, part.bottom, block.stride, bitmapWidth);
    } else {
      // Rows of the caller's memory that a bitmap cannot step over go one at a time.
      for (LONG y = part.top; y < part.bottom && drawn; ++y)
        drawn = drawRows(y, y + 1, block.stride, originX_ + visible.right);
    }
    UnlockBand(tile).GetCode();  // a band it locked
    if (!drawn) return keErrorBadArgument;
  }
  return result;
}

CoreResult CRowIteratorBands::DrawCopy(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY,
                                       int sourceWidth, int sourceHeight) {
  if (!width) width = Width();
  if (!height) height = Height();
  if (!sourceWidth) sourceWidth = Width();
  if (!sourceHeight) sourceHeight = Height();
  return Draw(dc, RECT{x, y, x + width, y + height},
              RECT{sourceX, sourceY, sourceX + sourceWidth, sourceY + sourceHeight}, SRCCOPY);
}

}  // namespace corvel
