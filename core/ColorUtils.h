// Colour and byte routines shared by the colour value, the blend kernels, the resamplers and
// the vector renderer. Integer arithmetic throughout, so results are exact and repeatable.
//
// The 12-bit forms hold a channel v (0..255) as 16 v (0..4080); lightness, saturation, chroma
// and luma share that scale. Hue has 680 units a sector (4080 a turn) unless said otherwise.
#pragma once
#include <cstddef>
#include <cstdint>

namespace corvel {

struct Hsl {
  int hue;
  int saturation;
  int lightness;
};

struct HueChromaLuma {
  int hue;  // -1 for a grey, which has no hue
  int chroma;
  int luma;
};

struct Rgb8 {
  std::uint8_t red;
  std::uint8_t green;
  std::uint8_t blue;
};

// Index of the entry nearest the colour (squared distance; the lower index on ties) among count
// entries of stride bytes each, laid out blue, green, red. An empty palette gives 0.
std::uint16_t NearestPaletteIndex(int red, int green, int blue, const std::uint8_t* palette, int count,
                                  int stride);

// Hue (256 steps a turn), saturation and lightness, all 0..255.
Hsl RgbToHsl8(int red, int green, int blue);
// 12-bit form; its hue has 4096/6 units a sector (a turn of 4096).
Hsl RgbToHsl12(int red, int green, int blue);
Rgb8 HslToRgb12(int hue, int saturation, int lightness);

HueChromaLuma RgbToHueChromaLuma(int red, int green, int blue);
Rgb8 HueChromaLumaToRgb(int hue, int chroma, int luma);

// Writes count copies of an element by doubling the filled part.
void FillWithElement(void* destination, const void* element, std::size_t elementSize, std::size_t count);
void SwapByteRanges(void* a, void* b, std::size_t count);
// Reverses the order of the rows of a buffer.
void FlipRowsInPlace(void* buffer, std::size_t rowBytes, int rows);
// Exchanges row i of a with row rows - 1 - i of b, for every i.
void SwapRowsReversed(void* a, void* b, std::size_t rowBytes, int rows);

}  // namespace corvel
