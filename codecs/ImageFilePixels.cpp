// Palette entries and single pixels in every depth, the nearest-colour search, lines.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "codecs/ImageFile.h"
#include "codecs/detail/Quad.h"

namespace {

bool SameColor(const RGBQUAD& a, const RGBQUAD& b) {
  return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed &&
         a.rgbReserved == b.rgbReserved;
}

// The standard 16-colour palette, as red-green-blue.
constexpr std::uint32_t kStdPalette16[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// The standard 256-colour palette, as red-green-blue: the twenty system colours at both ends,
// eighteen hue families of six tints and six shades, and a grey ramp.
constexpr std::uint32_t kStdPalette256[256] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,  // 0
    0xC0DCC0, 0xA6CAF0, 0xFFF0D4, 0xFFE2B1, 0xFFD48E, 0xFFC66B, 0xFFB848, 0xFFAA25,  // 8
    0xFFAA00, 0xDC9200, 0xB97A00, 0x966200, 0x734A00, 0x503200, 0xFFE3D4, 0xFFC7B1,  // 16
    0xFFAB8E, 0xFF8F6B, 0xFF7348, 0xFF5725, 0xFF5500, 0xDC4900, 0xB93D00, 0x963100,  // 24
    0x732500, 0x501900, 0xFFD4D4, 0xFFB1B1, 0xFF8E8E, 0xFF6B6B, 0xFF4848, 0xFF2525,  // 32
    0xFE0000, 0xDC0000, 0xB90000, 0x960000, 0x730000, 0x500000, 0xFFD4E3, 0xFFB1C7,  // 40
    0xFF8EAB, 0xFF6B8F, 0xFF4873, 0xFF2557, 0xFF0055, 0xDC0049, 0xB9003D, 0x960031,  // 48
    0x730025, 0x500019, 0xFFD4F0, 0xFFB1E2, 0xFF8ED4, 0xFF6BC6, 0xFF48B8, 0xFF25AA,  // 56
    0xFF00AA, 0xDC0092, 0xB9007A, 0x960062, 0x73004A, 0x500032, 0xFFD4FF, 0xFFB1FF,  // 64
    0xFF8EFF, 0xFF6BFF, 0xFF48FF, 0xFF25FF, 0xFE00FE, 0xDC00DC, 0xB900B9, 0x960096,  // 72
    0x730073, 0x500050, 0xF0D4FF, 0xE2B1FF, 0xD48EFF, 0xC66BFF, 0xB848FF, 0xAA25FF,  // 80
    0xAA00FF, 0x9200DC, 0x7A00B9, 0x620096, 0x4A0073, 0x320050, 0xE3D4FF, 0xC7B1FF,  // 88
    0xAB8EFF, 0x8F6BFF, 0x7348FF, 0x5725FF, 0x5500FF, 0x4900DC, 0x3D00B9, 0x310096,  // 96
    0x250073, 0x190050, 0xD4D4FF, 0xB1B1FF, 0x8E8EFF, 0x6B6BFF, 0x4848FF, 0x2525FF,  // 104
    0x0000FE, 0x0000DC, 0x0000B9, 0x000096, 0x000073, 0x000050, 0xD4E3FF, 0xB1C7FF,  // 112
    0x8EABFF, 0x6B8FFF, 0x4873FF, 0x2557FF, 0x0055FF, 0x0049DC, 0x003DB9, 0x003196,  // 120
    0x002573, 0x001950, 0xD4F0FF, 0xB1E2FF, 0x8ED4FF, 0x6BC6FF, 0x48B8FF, 0x25AAFF,  // 128
    0x00AAFF, 0x0092DC, 0x007AB9, 0x006296, 0x004A73, 0x003250, 0xD4FFFF, 0xB1FFFF,  // 136
    0x8EFFFF, 0x6BFFFF, 0x48FFFF, 0x25FFFF, 0x00FEFE, 0x00DCDC, 0x00B9B9, 0x009696,  // 144
    0x007373, 0x005050, 0xD4FFF0, 0xB1FFE2, 0x8EFFD4, 0x6BFFC6, 0x48FFB8, 0x25FFAA,  // 152
    0x00FFAA, 0x00DC92, 0x00B97A, 0x009662, 0x00734A, 0x005032, 0xD4FFE3, 0xB1FFC7,  // 160
    0x8EFFAB, 0x6BFF8F, 0x48FF73, 0x25FF57, 0x00FF55, 0x00DC49, 0x00B93D, 0x009631,  // 168
    0x007325, 0x005019, 0xD4FFD4, 0xB1FFB1, 0x8EFF8E, 0x6BFF6B, 0x48FF48, 0x25FF25,  // 176
    0x00FE00, 0x00DC00, 0x00B900, 0x009600, 0x007300, 0x005000, 0xE3FFD4, 0xC7FFB1,  // 184
    0xABFF8E, 0x8FFF6B, 0x73FF48, 0x57FF25, 0x55FF00, 0x49DC00, 0x3DB900, 0x319600,  // 192
    0x257300, 0x195000, 0xF0FFD4, 0xE2FFB1, 0xD4FF8E, 0xC6FF6B, 0xB8FF48, 0xAAFF25,  // 200
    0xAAFF00, 0x92DC00, 0x7AB900, 0x629600, 0x4A7300, 0x325000, 0xFFFFD4, 0xFFFFB1,  // 208
    0xFFFF8E, 0xFFFF6B, 0xFFFF48, 0xFFFF25, 0xFEFE00, 0xDCDC00, 0xB9B900, 0x969600,  // 216
    0x737300, 0x505000, 0xF2F2F2, 0xE6E6E6, 0xDADADA, 0xCECECE, 0xC2C2C2, 0xB6B6B6,  // 224
    0xAAAAAA, 0x9E9E9E, 0x929292, 0x868686, 0x7A7A7A, 0x6E6E6E, 0x626262, 0x565656,  // 232
    0x4A4A4A, 0x3E3E3E, 0x323232, 0x262626, 0x1A1A1A, 0x0E0E0E, 0xFFFBF0, 0xA0A0A4,  // 240
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,  // 248
};

}  // namespace

unsigned long CImageFile::GetPaletteSize() const { return header_.biClrUsed * sizeof(RGBQUAD); }

RGBQUAD* CImageFile::GetPalette() const {
  if (!dib_ || header_.biClrUsed == 0) return nullptr;
  return reinterpret_cast<RGBQUAD*>(static_cast<BYTE*>(dib_) + sizeof(BITMAPINFOHEADER));
}

RGBQUAD CImageFile::GetPaletteColor(unsigned char i) {
  RGBQUAD* palette = GetPalette();
  if (!palette || i >= header_.biClrUsed) return Quad(0, 0, 0);
  return palette[i];
}

bool CImageFile::GetPaletteColor(unsigned char i, unsigned char* r, unsigned char* g, unsigned char* b) {
  RGBQUAD* palette = GetPalette();
  if (!palette || i >= header_.biClrUsed) return false;
  *r = palette[i].rgbRed;
  *g = palette[i].rgbGreen;
  *b = palette[i].rgbBlue;
  return true;
}

void CImageFile::SetPaletteColor(unsigned char i, unsigned char r, unsigned char g, unsigned char b,
                                 unsigned char alpha) {
  SetPaletteColor(i, Quad(r, g, b, alpha));
}

void CImageFile::SetPaletteColor(unsigned char i, RGBQUAD c) {
  RGBQUAD* palette = GetPalette();
  if (!palette || i >= header_.biClrUsed) return;
  palette[i] = c;
  InvalidateNearestCache();
}

void CImageFile::SetPaletteColor(unsigned char i, unsigned long colorref) {
  SetPaletteColor(i, RGBtoRGBQUAD(colorref));
}

void CImageFile::SetPalette(unsigned long n, unsigned char* r, unsigned char* g, unsigned char* b) {
  RGBQUAD* palette = GetPalette();
  if (!r || !palette) return;
  if (!g) g = r;
  if (!b) b = g;
  n = std::min<unsigned long>(n, header_.biClrUsed);
  for (unsigned long i = 0; i < n; ++i) {
    palette[i].rgbRed = r[i];
    palette[i].rgbGreen = g[i];
    palette[i].rgbBlue = b[i];
  }
  InvalidateNearestCache();
}

void CImageFile::SetPalette(rgb_color* rgb, unsigned long n) {
  RGBQUAD* palette = GetPalette();
  if (!rgb || !palette) return;
  n = std::min<unsigned long>(n, header_.biClrUsed);
  for (unsigned long i = 0; i < n; ++i) {
    palette[i].rgbRed = rgb[i].r;
    palette[i].rgbGreen = rgb[i].g;
    palette[i].rgbBlue = rgb[i].b;
  }
  InvalidateNearestCache();
}

void CImageFile::SetPalette(RGBQUAD* pal, unsigned long n) {
  RGBQUAD* palette = GetPalette();
  if (!pal || !palette) return;
  n = std::min<unsigned long>(n, header_.biClrUsed);
  std::memmove(palette, pal, n * sizeof(RGBQUAD));
  InvalidateNearestCache();
}

void CImageFile::SetGrayPalette() {
  RGBQUAD* palette = GetPalette();
  if (!palette) return;
  const unsigned long n = header_.biClrUsed;
  const unsigned long step = n > 1 ? 255 / (n - 1) : 0;
  for (unsigned long i = 0; i < n; ++i) {
    BYTE grey = static_cast<BYTE>(i * step);
    palette[i].rgbBlue = palette[i].rgbGreen = palette[i].rgbRed = grey;
  }
  InvalidateNearestCache();
}

void CImageFile::SetStdPalette() {
  RGBQUAD* palette = GetPalette();
  if (!palette) return;
  const std::uint32_t* table;
  if (header_.biBitCount == 4) {
    table = kStdPalette16;
  } else if (header_.biBitCount == 8) {
    table = kStdPalette256;
  } else {
    return;
  }
  for (unsigned long i = 0; i < header_.biClrUsed; ++i) {
    palette[i] = Quad(static_cast<BYTE>(table[i] >> 16), static_cast<BYTE>(table[i] >> 8),
                      static_cast<BYTE>(table[i]));
  }
  InvalidateNearestCache();
}

void CImageFile::BlendPalette(unsigned long colorref, long percent) {
  RGBQUAD* palette = GetPalette();
  if (!palette) return;
  percent = std::clamp(percent, 0L, 100L);
  const RGBQUAD c = RGBtoRGBQUAD(colorref);
  auto blend = [percent](BYTE channel, BYTE with) {
    return static_cast<BYTE>((channel * (100 - percent) + with * percent) / 100);
  };
  for (unsigned long i = 0; i < header_.biClrUsed; ++i) {
    palette[i].rgbBlue = blend(palette[i].rgbBlue, c.rgbBlue);
    palette[i].rgbGreen = blend(palette[i].rgbGreen, c.rgbGreen);
    palette[i].rgbRed = blend(palette[i].rgbRed, c.rgbRed);
  }
  InvalidateNearestCache();
}

bool CImageFile::IsGrayScale() {
  RGBQUAD* palette = GetPalette();
  if (!palette) return false;
  for (unsigned long i = 0; i < header_.biClrUsed; ++i) {
    if (palette[i].rgbBlue != i || palette[i].rgbGreen != i || palette[i].rgbRed != i) return false;
  }
  return true;
}

bool CImageFile::IsSamePalette(CImageFile& img, bool checkalpha) {
  if (header_.biClrUsed != img.header_.biClrUsed || header_.biClrUsed == 0) return false;
  RGBQUAD* mine = GetPalette();
  RGBQUAD* theirs = img.GetPalette();
  if (!mine || !theirs) return false;
  for (unsigned long i = 0; i < header_.biClrUsed; ++i) {
    if (mine[i].rgbBlue != theirs[i].rgbBlue || mine[i].rgbGreen != theirs[i].rgbGreen ||
        mine[i].rgbRed != theirs[i].rgbRed) {
      return false;
    }
    if (checkalpha && mine[i].rgbReserved != theirs[i].rgbReserved) return false;
  }
  return true;
}

void CImageFile::SwapIndex(unsigned char i1, unsigned char i2) {
  RGBQUAD* palette = GetPalette();
  if (!palette || i1 >= header_.biClrUsed || i2 >= header_.biClrUsed) return;
  std::swap(palette[i1], palette[i2]);
  InvalidateNearestCache();
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      unsigned char index = BlindGetPixelIndex(x, y);
      if (index == i1) {
        BlindSetPixelIndex(x, y, i2);
      } else if (index == i2) {
        BlindSetPixelIndex(x, y, i1);
      }
    }
  }
}

unsigned long CImageFile::GetClrImportant() const { return header_.biClrImportant; }

void CImageFile::SetClrImportant(unsigned long n) {
  // The nearest-colour search looks at this many entries, so its cached answer goes too.
  InvalidateNearestCache();
  if (n == 0 || n > 256) {
    header_.biClrImportant = 0;
    return;
  }
  switch (header_.biBitCount) {
    case 1:
      header_.biClrImportant = static_cast<DWORD>(std::min(n, 2UL));
      break;
    case 4:
      header_.biClrImportant = static_cast<DWORD>(std::min(n, 16UL));
      break;
    case 8:
      header_.biClrImportant = static_cast<DWORD>(n);
      break;
    default:
      break;
  }
}

unsigned char CImageFile::GetNearestIndex(RGBQUAD c) {
  RGBQUAD* palette = GetPalette();
  if (!palette) return 0;
  if (info_.lastNearestValid && info_.lastNearestColor.rgbBlue == c.rgbBlue &&
      info_.lastNearestColor.rgbGreen == c.rgbGreen && info_.lastNearestColor.rgbRed == c.rgbRed &&
      info_.lastNearestColor.rgbReserved == c.rgbReserved) {
    return info_.lastNearestIndex;
  }
  info_.lastNearestColor = c;
  info_.lastNearestValid = true;
  unsigned long n = header_.biClrImportant ? header_.biClrImportant : header_.biClrUsed;
  n = std::min<unsigned long>(n, header_.biClrUsed);
  long best = 200000;
  unsigned long found = 0;
  for (unsigned long i = 0; i < n; ++i) {
    long db = palette[i].rgbBlue - c.rgbBlue;
    long dg = palette[i].rgbGreen - c.rgbGreen;
    long dr = palette[i].rgbRed - c.rgbRed;
    long distance = dg * dg + db * db + dr * dr;
    if (distance == 0) {
      found = i;
      break;
    }
    if (distance < best) {
      best = distance;
      found = i;
    }
  }
  info_.lastNearestIndex = static_cast<BYTE>(found);
  return info_.lastNearestIndex;
}

RGBQUAD CImageFile::RGBtoRGBQUAD(unsigned long colorref) {
  return Quad(GetRValue(static_cast<COLORREF>(colorref)), GetGValue(static_cast<COLORREF>(colorref)),
              GetBValue(static_cast<COLORREF>(colorref)));
}

unsigned long CImageFile::RGBQUADtoRGB(RGBQUAD c) { return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue); }

void CImageFile::RGBtoBGR(unsigned char* buffer, int length) {
  if (!buffer || GetPalette() || length <= 0) return;
  // Whole groups inside the buffer only: a partial group at the end is left alone.
  const unsigned long bytes = std::min<unsigned long>(static_cast<unsigned long>(length),
                                                      info_.effectiveWidth);
  for (unsigned long i = 0; i + 3 <= bytes; i += 3) std::swap(buffer[i], buffer[i + 2]);
}

unsigned char CImageFile::GetPixelIndex(long x, long y) {
  if (!dib_ || header_.biClrUsed == 0) return 0;
  if (!IsInside(x, y)) {
    return info_.transparentIndex != -1 ? static_cast<BYTE>(info_.transparentIndex) : *info_.bits;
  }
  return BlindGetPixelIndex(x, y);
}

unsigned char CImageFile::BlindGetPixelIndex(long x, long y) {
  const BYTE* row = info_.bits + static_cast<std::size_t>(y) * info_.effectiveWidth;
  switch (header_.biBitCount) {
    case 8:
      return row[x];
    case 4:
      return (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4;
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    default:
      return 0;
  }
}

void CImageFile::SetPixelIndex(long x, long y, unsigned char i) {
  if (!dib_ || header_.biClrUsed == 0 || !IsInside(x, y)) return;
  BlindSetPixelIndex(x, y, i);
}

void CImageFile::BlindSetPixelIndex(long x, long y, unsigned char i) {
  BYTE* row = info_.bits + static_cast<std::size_t>(y) * info_.effectiveWidth;
  switch (header_.biBitCount) {
    case 8:
      row[x] = i;
      break;
    case 4: {
      BYTE& byte = row[x >> 1];
      byte = (x & 1) ? static_cast<BYTE>((byte & 0xF0) | (i & 15))
                     : static_cast<BYTE>((byte & 0x0F) | ((i & 15) << 4));
      break;
    }
    case 1: {
      BYTE bit = static_cast<BYTE>(0x80 >> (x & 7));
      BYTE& byte = row[x >> 3];
      byte = (i & 1) ? static_cast<BYTE>(byte | bit) : static_cast<BYTE>(byte & ~bit);
      break;
    }
    default:
      break;
  }
}

RGBQUAD CImageFile::GetPixelColor(long x, long y, bool getalpha) {
  if (!dib_) return info_.backgroundColor;
  if (!IsInside(x, y)) {
    if (info_.transparentIndex == -1) {
      x = 0;
      y = 0;
    } else if (header_.biBitCount < 24) {
      return GetPaletteColor(static_cast<BYTE>(info_.transparentIndex));
    } else {
      return info_.backgroundColor;
    }
  }
  RGBQUAD color;
  if (RGBQUAD* palette = GetPalette()) {
    color = palette[BlindGetPixelIndex(x, y)];
  } else {
    const BYTE* pixel = BlindGetPixelPointer(x, y);
    color = Quad(pixel[2], pixel[1], pixel[0], info_.backgroundColor.rgbReserved);
  }
  if (getalpha && alpha_) color.rgbReserved = BlindAlphaGet(x, y);
  return color;
}

RGBQUAD CImageFile::BlindGetPixelColor(long x, long y) {
  if (RGBQUAD* palette = GetPalette()) return palette[BlindGetPixelIndex(x, y)];
  const BYTE* pixel = BlindGetPixelPointer(x, y);
  return Quad(pixel[2], pixel[1], pixel[0], alpha_ ? BlindAlphaGet(x, y) : 0);
}

BYTE* CImageFile::BlindGetPixelPointer(long x, long y) {
  if (GetPalette()) return nullptr;
  return info_.bits + static_cast<std::size_t>(y) * info_.effectiveWidth + 3 * static_cast<std::size_t>(x);
}

unsigned char CImageFile::GetPixelGray(long x, long y) {
  RGBQUAD c = GetPixelColor(x, y, true);
  return static_cast<unsigned char>((601 * c.rgbGreen + 306 * c.rgbRed + 117 * c.rgbBlue) >> 10);
}

void CImageFile::SetPixelColor(long x, long y, RGBQUAD c, bool setalpha) {
  if (!dib_ || !IsInside(x, y)) return;
  if (GetPalette()) {
    BlindSetPixelIndex(x, y, GetNearestIndex(c));
    return;
  }
  BYTE* pixel = BlindGetPixelPointer(x, y);
  pixel[0] = c.rgbBlue;
  pixel[1] = c.rgbGreen;
  pixel[2] = c.rgbRed;
  if (setalpha && alpha_)
    alpha_[static_cast<std::size_t>(y) * GetWidth() + static_cast<std::size_t>(x)] = c.rgbReserved;
}

void CImageFile::SetPixelColor(long x, long y, unsigned long colorref) {
  SetPixelColor(x, y, RGBtoRGBQUAD(colorref), false);
}

void CImageFile::BlendPixelColor(long x, long y, RGBQUAD c, float blend, bool setalpha) {
  if (!dib_ || !IsInside(x, y)) return;
  // Weights outside 0..1 would wrap the channel bytes (or overflow the conversion).
  const int a = static_cast<int>(std::clamp(blend, 0.0f, 1.0f) * 256);
  RGBQUAD old = BlindGetPixelColor(x, y);
  auto mix = [a](BYTE from, BYTE to) { return static_cast<BYTE>((from * (256 - a) + to * a) >> 8); };
  RGBQUAD mixed = Quad(mix(old.rgbRed, c.rgbRed), mix(old.rgbGreen, c.rgbGreen), mix(old.rgbBlue, c.rgbBlue),
                       c.rgbReserved);
  SetPixelColor(x, y, mixed, setalpha);
}

bool CImageFile::IsTransparent(long x, long y) {
  if (!dib_) return false;
  if (info_.transparentIndex >= 0) {
    if (GetPalette()) {
      if (GetPixelIndex(x, y) == static_cast<BYTE>(info_.transparentIndex)) return true;
    } else if (SameColor(GetPixelColor(x, y, false), info_.backgroundColor)) {
      return true;
    }
  }
  return alpha_ && AlphaGet(x, y) == 0;
}

void CImageFile::DrawLine(int startx, int endx, int starty, int endy, RGBQUAD c, bool setalpha) {
  if (!dib_) return;
  const long dx = std::labs(static_cast<long>(endx) - startx);
  const long dy = std::labs(static_cast<long>(endy) - starty);
  const long stepX = endx < startx ? -1 : 1;
  const long stepY = endy < starty ? -1 : 1;
  const bool xMajor = dx >= dy;
  const long denominator = xMajor ? dx : dy;
  const long increment = xMajor ? dy : dx;
  long accumulator = denominator / 2;
  long x = startx;
  long y = starty;
  for (long i = 0; i <= denominator; ++i) {
    SetPixelColor(x, y, c, setalpha);
    accumulator += increment;
    if (accumulator >= denominator) {
      accumulator -= denominator;
      if (xMajor) {
        y += stepY;
      } else {
        x += stepX;
      }
    }
    if (xMajor) {
      x += stepX;
    } else {
      y += stepY;
    }
  }
}

void CImageFile::DrawLine(int startx, int endx, int starty, int endy, unsigned long colorref) {
  DrawLine(startx, endx, starty, endy, RGBtoRGBQUAD(colorref), false);
}
