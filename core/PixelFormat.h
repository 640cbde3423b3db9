// Pixel formats: one keFormat value names the layout of every image, row buffer and kernel.
#pragma once
#include <cstdint>

namespace corvel {

enum keFormat : std::int32_t {
  keFormatCustom = -1,
  keFormatNone = 0,
  keFormatIndex1 = 1,
  keFormatIndex4 = 2,
  keFormatIndex8 = 3,
  keFormatIndex8A = 4,
  keFormatGrey = 5,
  keFormatGreyA = 6,
  keFormatBGR = 7,
  keFormatBGRA = 8,
  keFormatBGRxA = 9,  // colour channels premultiplied by alpha
  keFormatGrey_u16 = 10,
  keFormatGreyA_u16 = 11,
  keFormatBGR_u16 = 12,
  keFormatBGRA_u16 = 13,
  keFormatBGRxA_u16 = 14,
  keFormatGrey_f32 = 15,
  keFormatGreyA_f32 = 16,
  keFormatBGR_f32 = 17,
  keFormatBGRA_f32 = 18,
  keFormatBGRxA_f32 = 19,
  keFormatLast = keFormatBGRxA_f32,
};

// Channel roles, as the core names a pixel's channels.
enum keChannelRole : int {
  keRoleColors = -3,  // the colour channels of a four-channel image as one view
  keRoleNone = -2,
  keRoleBlue = 0,
  keRoleGreen = 1,
  keRoleRed = 2,
  keRoleAlpha = 3,
  keRoleGrey = 4,
  keRolePaletteIndex = 5,
};

struct ChannelInfo {
  int count;
  const int* roles;  // count roles in memory order; null when count is 0
};

class CPixelFormat {
 public:
  constexpr CPixelFormat(keFormat value = keFormatNone) : value_(value) {}  // NOLINT
  void CopyFrom(const CPixelFormat& other) { value_ = other.value_; }
  constexpr keFormat GetValue() const { return value_; }

  ChannelInfo GetChannelInfo() const;
  int GetChannelCount() const { return GetChannelInfo().count; }
  int GetChannelRole(int role) const;  // position of the channel of that role in a pixel
  int GetBitsPerPixel() const;
  int GetBitsPerChannel() const;
  bool HasAlpha() const;
  bool IsIndexed() const;
  bool IsGrey() const;
  bool Is8Bit() const;
  bool Is16Bit() const;
  keFormat GetPremultipliedForm() const;
  keFormat GetAlphaForm() const;
  keFormat Get8BitForm() const;
  const char* GetName() const;
  // Stores a packed colour (red in bits 0..7, green 8..15, blue 16..23, alpha 24..31; the
  // palette index in bits 0..7 for indexed formats) into one pixel.
  void SetPixelColor(void* pixel, std::uint32_t color) const;

  friend constexpr bool operator==(CPixelFormat a, CPixelFormat b) { return a.value_ == b.value_; }
  friend constexpr bool operator!=(CPixelFormat a, CPixelFormat b) { return a.value_ != b.value_; }

 private:
  keFormat value_;
};

// An operation's channel selector as a channel role: 0..4 themselves, 7 the palette index.
int FormatClassIndex(int code);

// Exchanges bits 0..7 and 16..23: 0x00RRGGBB <-> 0x00BBGGRR.
constexpr std::uint32_t SwapRedBlue(std::uint32_t color) {
  return (color & 0xFF00FF00u) | ((color & 0xFFu) << 16) | ((color >> 16) & 0xFFu);
}

// x / 255 for x a product of two bytes, by the pixel formats' premultiply formula: one below the
// rounded quotient on 24 of the 65536 products (152 x 229 gives 136, not 137). Stored images
// depend on it; new code wants Div255Exact.
constexpr std::uint32_t Div255Approx(std::uint32_t x) { return ((x >> 8) + x + 128) >> 8; }

// round(x / 255) for x up to 255 x 255 and a little beyond: the blends' rounding.
constexpr std::uint32_t Div255Exact(std::uint32_t x) {
  const std::uint32_t t = x + 128;
  return (t + (t >> 8)) >> 8;
}

// 0xAARRGGBB with its colour bytes multiplied by alpha.
std::uint32_t PremultiplyColor(std::uint32_t color);

}  // namespace corvel
