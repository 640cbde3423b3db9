// Colour transformations: grey, negative, and raising or lowering the bit depth.
#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/ImageFile.h"
#include "codecs/detail/BoundedBuffer.h"
#include "codecs/detail/Quad.h"

namespace {

BYTE GreyLevel(BYTE b, BYTE g, BYTE r) { return static_cast<BYTE>((117 * b + 601 * g + 306 * r) >> 10); }
BYTE GreyLevel(const RGBQUAD& c) { return GreyLevel(c.rgbBlue, c.rgbGreen, c.rgbRed); }

}  // namespace

bool CImageFile::GrayScale() {
  if (!dib_) return false;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  if (GetBpp() == 8) {
    BYTE levels[256] = {};
    const RGBQUAD* palette = GetPalette();
    for (unsigned long i = 0; i < header_.biClrUsed; ++i) levels[i] = GreyLevel(palette[i]);
    if (info_.transparentIndex >= 0 && info_.transparentIndex < 256) {
      info_.transparentIndex = levels[info_.transparentIndex];
    }
    for (long y = 0; y < height; ++y) {
      BYTE* row = GetBits(static_cast<unsigned long>(y));
      for (long x = 0; x < width; ++x) row[x] = levels[row[x]];
    }
    SetGrayPalette();
    return true;
  }
  CImageFile work;
  if (!CreateWorkingImage(work, width, height, 8)) return false;
  work.SetGrayPalette();
  if (alpha_) work.AlphaCopy(*this);
  if (selection_) work.SelectionCopy(*this);
  if (GetBpp() == 24) {
    for (long y = 0; y < height; ++y) {
      const BYTE* source = GetBits(static_cast<unsigned long>(y));
      BYTE* target = work.GetBits(static_cast<unsigned long>(y));
      for (long x = 0; x < width; ++x, source += 3) target[x] = GreyLevel(source[0], source[1], source[2]);
    }
  } else {
    BYTE levels[16] = {};
    const RGBQUAD* palette = GetPalette();
    for (unsigned long i = 0; i < header_.biClrUsed && i < 16; ++i) levels[i] = GreyLevel(palette[i]);
    if (info_.transparentIndex >= 0 && info_.transparentIndex < 16) {
      work.info_.transparentIndex = levels[info_.transparentIndex];
    }
    for (long y = 0; y < height; ++y) {
      for (long x = 0; x < width; ++x) work.BlindSetPixelIndex(x, y, levels[BlindGetPixelIndex(x, y) & 15]);
    }
  }
  return Transfer(work);
}

bool CImageFile::Negative() {
  if (!dib_) return false;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  if (GetBpp() > 8) {
    if (selection_) {
      const RECT box = info_.selectionBox;
      for (long y = std::max(0L, static_cast<long>(box.bottom));
           y <= std::min(height - 1, static_cast<long>(box.top)); ++y) {
        for (long x = std::max(0L, static_cast<long>(box.left));
             x <= std::min(width - 1, static_cast<long>(box.right)); ++x) {
          if (!SelectionIsInside(x, y)) continue;
          BYTE* pixel = BlindGetPixelPointer(x, y);
          for (int i = 0; i < 3; ++i) pixel[i] = static_cast<BYTE>(255 - pixel[i]);
        }
      }
    } else {
      for (DWORD i = 0; i < header_.biSizeImage; ++i) info_.bits[i] = static_cast<BYTE>(~info_.bits[i]);
    }
    RGBQUAD& background = info_.backgroundColor;
    background = Quad(static_cast<BYTE>(255 - background.rgbRed),
                      static_cast<BYTE>(255 - background.rgbGreen),
                      static_cast<BYTE>(255 - background.rgbBlue));
    return true;
  }
  if (!IsGrayScale()) {
    RGBQUAD* palette = GetPalette();
    for (unsigned long i = 0; i < header_.biClrUsed; ++i) {
      palette[i].rgbBlue = static_cast<BYTE>(255 - palette[i].rgbBlue);
      palette[i].rgbGreen = static_cast<BYTE>(255 - palette[i].rgbGreen);
      palette[i].rgbRed = static_cast<BYTE>(255 - palette[i].rgbRed);
    }
    InvalidateNearestCache();
    return true;
  }
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      if (SelectionIsInside(x, y)) BlindSetPixelIndex(x, y, static_cast<BYTE>(~BlindGetPixelIndex(x, y)));
    }
  }
  return true;
}

bool CImageFile::IncreaseBpp(unsigned long nbit) {
  if (!dib_) return false;
  const unsigned long bpp = GetBpp();
  if (nbit != 4 && nbit != 8 && nbit != 24) return false;
  if (nbit == bpp) return true;
  if (bpp > nbit) return false;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  CImageFile work;
  if (!CreateWorkingImage(work, width, height, nbit)) return false;
  if (selection_) work.SelectionCopy(*this);
  if (alpha_) work.AlphaCopy(*this);
  if (nbit < 24) {
    work.SetPalette(GetPalette(), header_.biClrUsed);
    for (long y = 0; y < height; ++y) {
      if (ReportRow(y, height)) break;
      for (long x = 0; x < width; ++x) work.BlindSetPixelIndex(x, y, BlindGetPixelIndex(x, y));
    }
    return Transfer(work);
  }
  if (info_.transparentIndex >= 0)
    work.info_.backgroundColor = GetPaletteColor(static_cast<BYTE>(info_.transparentIndex));
  const bool paletteAlpha = !alpha_ && info_.paletteAlphaEnabled && AlphaPaletteIsValid();
  if (paletteAlpha) work.AlphaCreate();
  for (long y = 0; y < height; ++y) {
    if (ReportRow(y, height)) break;
    for (long x = 0; x < width; ++x) {
      const RGBQUAD c = PixelWithAlpha(x, y);
      work.SetPixelColor(x, y, c, alpha_ != nullptr || paletteAlpha);
    }
  }
  return Transfer(work);
}

bool CImageFile::DecreaseBpp(unsigned long nbit, bool errordiffusion, const RGBQUAD* palette,
                             unsigned long clrimportant) {
  if (!dib_) return false;
  const unsigned long bpp = GetBpp();
  if (nbit > bpp) return false;
  if (nbit == bpp) {
    if (clrimportant == 0) return true;
    if (header_.biClrImportant != 0 && header_.biClrImportant < clrimportant) return true;
  }
  if (nbit != 1 && nbit != 4 && nbit != 8) return false;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  CImageFile work;
  if (!CreateWorkingImage(work, width, height, nbit)) return false;
  if (clrimportant) work.SetClrImportant(clrimportant);
  if (selection_) work.SelectionCopy(*this);
  if (alpha_) work.AlphaCopy(*this);
  if (palette) {
    work.SetPalette(const_cast<RGBQUAD*>(palette), 1UL << nbit);
  } else if (nbit == 1) {
    work.SetPaletteColor(0, 0, 0, 0);
    work.SetPaletteColor(1, 255, 255, 255);
  } else {
    work.SetStdPalette();
  }
  const bool wasOneBit = bpp == 1;
  if (!errordiffusion) {
    for (long y = 0; y < height; ++y) {
      if (ReportRow(y, height)) break;
      for (long x = 0; x < width; ++x) work.SetPixelColor(x, y, BlindGetPixelColor(x, y));
    }
  } else {
    // This row's and the next row's colours, with the errors spread so far, clamped as added.
    std::vector<int> rows;
    if (!ResizeWithinCap(rows, static_cast<std::size_t>(width) * 6)) return false;
    int* current = rows.data();
    int* next = current + 3 * width;
    auto load = [&](int* row, long y) {
      for (long x = 0; x < width; ++x) {
        const RGBQUAD c = BlindGetPixelColor(x, y);
        row[3 * x] = c.rgbBlue;
        row[3 * x + 1] = c.rgbGreen;
        row[3 * x + 2] = c.rgbRed;
      }
    };
    auto spread = [width](int* row, long x, const int error[3], int weight) {
      if (x < 0 || x >= width) return;
      for (int i = 0; i < 3; ++i)
        row[3 * x + i] = std::clamp(row[3 * x + i] + error[i] * weight / 16, 0, 255);
    };
    load(current, 0);
    for (long y = 0; y < height; ++y) {
      if (ReportRow(y, height)) break;
      const bool lastRow = y + 1 >= height;
      if (!lastRow) load(next, y + 1);
      for (long x = 0; x < width; ++x) {
        const int* c = current + 3 * x;
        work.SetPixelColor(x, y,
                           Quad(static_cast<BYTE>(c[2]), static_cast<BYTE>(c[1]), static_cast<BYTE>(c[0])));
        const RGBQUAD stored = work.BlindGetPixelColor(x, y);
        const int error[3] = {c[0] - stored.rgbBlue, c[1] - stored.rgbGreen, c[2] - stored.rgbRed};
        spread(current, x + 1, error, 7);
        if (lastRow) continue;
        spread(next, x - 1, error, 2);
        spread(next, x, error, 4);
        spread(next, x + 1, error, 1);
      }
      std::swap(current, next);
    }
  }
  if (wasOneBit) {
    work.SetPaletteColor(0, 0, 0, 0);
    work.SetPaletteColor(1, 255, 255, 255);
  }
  return Transfer(work);
}
