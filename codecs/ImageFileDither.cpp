// Dithering to black and white: six error-diffusion methods and two ordered ones.
#include <algorithm>
#include <array>

#include "codecs/ImageFile.h"

namespace {

struct Spread {
  int dx, dy, weight;
};

struct Diffusion {
  const Spread* spreads;
  int count;
  int divisor;
};

constexpr Spread kFloydSteinberg[] = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
constexpr Spread kStucki32[] = {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4},
                                {0, 1, 8}, {1, 1, 4}, {2, 1, 2}};
constexpr Spread kStucki42[] = {{1, 0, 8}, {2, 0, 4},  {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4},
                                {2, 1, 2}, {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4},  {1, 2, 2}, {2, 2, 1}};
constexpr Spread kJarvis[] = {{1, 0, 7}, {2, 0, 5},  {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {1, 1, 5},
                              {2, 1, 3}, {-2, 2, 1}, {-1, 2, 3}, {0, 2, 5},  {1, 2, 3}, {2, 2, 1}};
constexpr Spread kSierra[] = {{1, 0, 5}, {2, 0, 3}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 5},
                              {1, 1, 4}, {2, 1, 2}, {-1, 2, 2}, {0, 2, 3},  {1, 2, 2}};
constexpr Spread kStevensonArce[] = {{2, 0, 32}, {-3, 1, 12}, {-1, 1, 26}, {1, 1, 30},
                                     {3, 1, 16}, {-2, 2, 12}, {0, 2, 26},  {2, 2, 12},
                                     {-3, 2, 5}, {-1, 2, 12}, {1, 2, 12},  {3, 2, 5}};

template <std::size_t N>
constexpr Diffusion Of(const Spread (&spreads)[N], int divisor) {
  return Diffusion{spreads, static_cast<int>(N), divisor};
}

Diffusion DiffusionOf(long method) {
  switch (method) {
    case 2:
      return Of(kStucki32, 32);
    case 3:
      return Of(kStucki42, 42);
    case 4:
      return Of(kJarvis, 48);
    case 5:
      return Of(kSierra, 32);
    case 6:
      return Of(kStevensonArce, 200);
    default:
      return Of(kFloydSteinberg, 16);
  }
}

constexpr BYTE kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// The threshold matrix of method 7, by interleaving the bits of x XOR y and of x.
constexpr std::array<BYTE, 16> InterleavedMatrix() {
  std::array<BYTE, 16> table{};
  for (int i = 0; i < 16; ++i) {
    int x = i % 4;
    int y = i / 4;
    int value = 0;
    for (int bit = 0; bit < 4; ++bit) {
      value = (value << 1) | ((x ^ y) & 1);
      value = (value << 1) | (x & 1);
      x >>= 1;
      y >>= 1;
    }
    table[i] = static_cast<BYTE>(value);
  }
  return table;
}
constexpr std::array<BYTE, 16> kInterleaved = InterleavedMatrix();
static_assert(kInterleaved[1] == 192 && kInterleaved[4] == 128 && kInterleaved[15] == 80);

}  // namespace

bool CImageFile::Dither(long method) {
  if (!dib_) return false;
  if (GetBpp() == 1) return true;
  if (!GrayScale()) return false;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  CImageFile work;
  if (!CreateWorkingImage(work, width, height, 1)) return false;
  if (selection_) work.SelectionCopy(*this);
  if (alpha_) work.AlphaCopy(*this);
  for (long y = 0; y < height; ++y) {
    if (ReportRow(y, height)) break;
    BYTE* levels = GetBits(static_cast<unsigned long>(y));
    for (long x = 0; x < width; ++x) {
      const int level = levels[x];
      bool white;
      if (method == 1) {
        const int scaled = level * 16 / 255;
        white = kBayer[y % 4][x % 4] < scaled % 16 || scaled / 16 != 0;
      } else if (method == 7) {
        white = level > kInterleaved[static_cast<std::size_t>((y % 4) * 4 + x % 4)];
      } else {
        white = level > 128;
        const int error = white ? level - 255 : level;
        const Diffusion diffusion = DiffusionOf(method);
        for (int i = 0; i < diffusion.count; ++i) {
          const Spread& s = diffusion.spreads[i];
          const long tx = x + s.dx;
          const long ty = y + s.dy;
          if (tx < 0 || tx >= width || ty >= height) continue;
          BYTE& target = GetBits(static_cast<unsigned long>(ty))[tx];
          target = static_cast<BYTE>(std::clamp(target + error * s.weight / diffusion.divisor, 0, 255));
        }
      }
      work.BlindSetPixelIndex(x, y, white ? 1 : 0);
    }
  }
  work.SetPaletteColor(0, 0, 0, 0);
  work.SetPaletteColor(1, 255, 255, 255);
  return Transfer(work);
}
