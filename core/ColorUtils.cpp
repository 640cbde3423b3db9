#include "core/ColorUtils.h"

#include <algorithm>
#include <cstring>

namespace corvel {

std::uint16_t NearestPaletteIndex(int red, int green, int blue, const std::uint8_t* palette, int count,
                                  int stride) {
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* entry = palette + static_cast<std::ptrdiff_t>(i) * stride;
    long db = entry[0] - blue, dg = entry[1] - green, dr = entry[2] - red;
    long distance = db * db + dg * dg + dr * dr;
    if (bestDistance < 0 || distance < bestDistance) {
      best = i;
      bestDistance = distance;
      if (distance == 0) break;
    }
  }
  return static_cast<std::uint16_t>(best);
}

namespace {

// The hue numerator of the sector the colour lies in, from its largest and smallest channels;
// scaled by 1 / 3d it gives half a sector per unit. Ties resolve to the sector whose formula
// agrees with its neighbour's at the boundary.
int HueNumerator(int r, int g, int b) {
  if (r >= g) {
    if (b >= r) return 4 * b - 5 * g + r;  // max blue, min green
    if (b <= g) return g - b;              // max red, min blue
    return 6 * r - 5 * g - b;              // max red, min green
  }
  if (g >= b) {
    if (b <= r) return 2 * g - r - b;  // max green, min blue
    return 2 * g - 3 * r + b;          // max green, min red
  }
  return 4 * b - 3 * r - g;  // max blue, min red
}

int RoundTwelveBitToByte(int value) {
  int byte = (value >> 4) + ((value & 15) >= 8 ? 1 : 0);
  return std::clamp(byte, 0, 255);
}

int HslChannel(int x, int m1, int m2) {
  if (x < 680) return m1 + (m2 - m1) * x / 680;
  if (x < 2040) return m2;
  if (x < 2720) return m1 + (m2 - m1) * (2720 - x) / 680;
  return m1;
}

std::uint8_t ToByte(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

}  // namespace

Hsl RgbToHsl8(int r, int g, int b) {
  int max = std::max({r, g, b}), min = std::min({r, g, b}), d = max - min;
  int lightness = (max + min + ((r ^ g ^ b) & 1)) >> 1;
  if (d == 0) return {0, 0, r};
  int hue = ((HueNumerator(r, g, b) << 7) + (3 * d >> 1)) / (3 * d);
  if (hue > 255) hue = 0;
  int q = lightness < 128 ? max + min : 510 - max - min;
  int saturation = std::min(((d << 8) + (q >> 1)) / q, 255);
  return {hue, saturation, lightness};
}

Hsl RgbToHsl12(int red, int green, int blue) {
  int r = 16 * red, g = 16 * green, b = 16 * blue;
  int max = std::max({r, g, b}), min = std::min({r, g, b}), d = max - min;
  int lightness = (max + min) >> 1;
  if (d == 0) return {0, 0, r};
  int hue = ((HueNumerator(r, g, b) << 11) + (3 * d >> 1)) / (3 * d);
  if (hue > 4080) hue = 0;
  int q = lightness < 2048 ? max + min : 8160 - max - min;
  int saturation = std::min(((d << 12) + (q >> 1)) / q, 4080);
  return {hue, saturation, lightness};
}

Rgb8 HslToRgb12(int h, int s, int l) {
  if (s == 0) {
    std::uint8_t grey = static_cast<std::uint8_t>(RoundTwelveBitToByte(l));
    return {grey, grey, grey};
  }
  int m2 = l < 2040 ? l * (4080 + s) / 4080 : l + s - l * s / 4080;
  int m1 = 2 * l - m2;
  int redHue = h + 1360;
  if (redHue > 4080) redHue -= 4080;
  int blueHue = h - 1360;
  if (blueHue < 0) blueHue += 4080;
  return {static_cast<std::uint8_t>(RoundTwelveBitToByte(HslChannel(redHue, m1, m2))),
          static_cast<std::uint8_t>(RoundTwelveBitToByte(HslChannel(h, m1, m2))),
          static_cast<std::uint8_t>(RoundTwelveBitToByte(HslChannel(blueHue, m1, m2)))};
}

HueChromaLuma RgbToHueChromaLuma(int r, int g, int b) {
  int luma = (4800 * r + 9440 * g + 1760 * b) / 1000;
  int max = std::max({r, g, b}), min = std::min({r, g, b});
  int chroma = 16 * (max - min);
  if (chroma == 0) return {-1, 0, luma};
  int hue;
  if (r == max) {
    hue = (g - b) * 10880 / chroma;
    if (b > g) hue += 4080;
  } else if (g == max) {
    hue = (b - r) * 10880 / chroma + 1360;
  } else {
    hue = (r - g) * 10880 / chroma + 2720;
  }
  return {hue, chroma, luma};
}

Rgb8 HueChromaLumaToRgb(int h, int c, int y) {
  // Values beyond the 12-bit scale would overflow or divide by zero below.
  y = std::clamp(y, 0, 4080);
  c = std::clamp(c, 0, 4080);
  if (c == 0 || h < 0) {
    std::uint8_t grey = ToByte((y + 8) >> 4);
    return {grey, grey, grey};
  }
  int sector = (h / 680) % 6, f = h % 680;
  int up = f * c / 680, down = (680 - f) * c / 680;
  int rgb[3];
  switch (sector) {
    case 0:
      rgb[0] = c;
      rgb[1] = up;
      rgb[2] = 0;
      break;
    case 1:
      rgb[0] = down;
      rgb[1] = c;
      rgb[2] = 0;
      break;
    case 2:
      rgb[0] = 0;
      rgb[1] = c;
      rgb[2] = up;
      break;
    case 3:
      rgb[0] = 0;
      rgb[1] = down;
      rgb[2] = c;
      break;
    case 4:
      rgb[0] = up;
      rgb[1] = 0;
      rgb[2] = c;
      break;
    default:
      rgb[0] = c;
      rgb[1] = 0;
      rgb[2] = down;
      break;
  }
  int y0 = (300 * rgb[0] + 590 * rgb[1] + 110 * rgb[2]) / 1000;
  if (y0 <= y) {
    for (int& v : rgb) v += y - y0;
    int m = std::max({rgb[0], rgb[1], rgb[2]});
    if (m >= 4081) {
      for (int& v : rgb) v = (4080 - y) * v / (m - y) + (y - (4080 - y) * y / (m - y));
    }
  } else {
    for (int& v : rgb) v = v * y / y0;
  }
  return {ToByte((rgb[0] + 8) >> 4), ToByte((rgb[1] + 8) >> 4), ToByte((rgb[2] + 8) >> 4)};
}

void FillWithElement(void* destination, const void* element, std::size_t elementSize, std::size_t count) {
  std::size_t total = elementSize * count;
  if (total == 0) return;
  std::uint8_t* out = static_cast<std::uint8_t*>(destination);
  std::memcpy(out, element, elementSize);
  for (std::size_t filled = elementSize; filled < total; filled *= 2) {
    std::memcpy(out + filled, out, std::min(filled, total - filled));
  }
}

void SwapByteRanges(void* a, void* b, std::size_t count) {
  std::swap_ranges(static_cast<std::uint8_t*>(a), static_cast<std::uint8_t*>(a) + count,
                   static_cast<std::uint8_t*>(b));
}

void FlipRowsInPlace(void* buffer, std::size_t rowBytes, int rows) {
  std::uint8_t* base = static_cast<std::uint8_t*>(buffer);
  for (int i = 0; i < rows / 2; ++i) {
    SwapByteRanges(base + i * rowBytes, base + (rows - 1 - i) * rowBytes, rowBytes);
  }
}

void SwapRowsReversed(void* a, void* b, std::size_t rowBytes, int rows) {
  if (rows < 2) return;
  std::uint8_t* first = static_cast<std::uint8_t*>(a);
  std::uint8_t* second = static_cast<std::uint8_t*>(b);
  for (int i = 0; i < rows; ++i) {
    SwapByteRanges(first + i * rowBytes, second + (rows - 1 - i) * rowBytes, rowBytes);
  }
}

}  // namespace corvel
