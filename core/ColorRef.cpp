#include "core/ColorRef.h"

#include <cstdlib>

#include "core/ColorUtils.h"

namespace corvel {
namespace {

bool HasPalette(std::uint32_t size, const RGBQUAD* palette) { return palette && size > 0; }

std::int32_t NearestEntry(const RGBQUAD* palette, std::uint32_t size, int red, int green, int blue) {
  return NearestPaletteIndex(red, green, blue, reinterpret_cast<const std::uint8_t*>(palette),
                             static_cast<int>(size), sizeof(RGBQUAD));
}

// Channel tolerance of a half-percent tolerance.
int ChannelTolerance(int tolerance) { return tolerance * 255 / 200; }

bool MatchRgb(const CColorRef& self, int tolerance, const CColorRef& other) {
  int d = ChannelTolerance(tolerance);
  return std::abs(self.Blue8() - other.Blue8()) <= d && std::abs(self.Green8() - other.Green8()) <= d &&
         std::abs(self.Red8() - other.Red8()) <= d;
}

Hsl HslOf(const CColorRef& color) { return RgbToHsl8(color.Red8(), color.Green8(), color.Blue8()); }

bool MatchHueSaturation(const CColorRef& self, int tolerance, const CColorRef& other) {
  Hsl mine = HslOf(self), theirs = HslOf(other);
  int hueDifference = theirs.hue - mine.hue;
  if (hueDifference < -120) hueDifference += 240;
  if (hueDifference > 120) hueDifference -= 240;
  return std::abs(hueDifference) <= tolerance * 120 / 200 &&
         std::abs(mine.saturation - theirs.saturation) <= ChannelTolerance(tolerance);
}

bool MatchLuminance(const CColorRef& self, int tolerance, const CColorRef& other) {
  auto weighted = [](const CColorRef& c) { return 30 * c.Red8() + 59 * c.Green8() + 11 * c.Blue8(); };
  return std::abs(weighted(self) - weighted(other)) <= tolerance * 255 / 2;
}

bool MatchOpaque(const CColorRef& self, int, const CColorRef&) { return self.Alpha8() != 0; }

bool MatchAlpha(const CColorRef& self, int tolerance, const CColorRef& other) {
  return std::abs(self.Alpha8() - other.Alpha8()) <= ChannelTolerance(tolerance);
}

bool MatchHue(const CColorRef& self, int tolerance, const CColorRef& other) {
  return std::abs(HslOf(other).hue - HslOf(self).hue) <= ChannelTolerance(tolerance);
}

bool MatchAlways(const CColorRef&, int, const CColorRef&) { return true; }

constexpr CColorRef::Comparator kComparators[] = {
    MatchAlways, MatchRgb, MatchHueSaturation, MatchLuminance, MatchOpaque, MatchAlpha, MatchHue};

}  // namespace

CColorRef::CColorRef() : comparator_(kComparators[keMatchRGB]) {}

CColorRef::CColorRef(COLORREF packed, std::uint32_t paletteSize, const RGBQUAD* palette)
    : comparator_(kComparators[keMatchRGB]) {
  SetColorref(packed, paletteSize, palette);
}

CColorRef::CColorRef(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha,
                     std::uint32_t paletteSize, const RGBQUAD* palette)
    : comparator_(kComparators[keMatchRGB]) {
  Set(red, green, blue, alpha, paletteSize, palette);
}

void CColorRef::SetBGR(const std::uint8_t* bytes, std::uint32_t size, const RGBQUAD* palette) {
  Set(bytes[2], bytes[1], bytes[0], 255, size, palette);
}

void CColorRef::SetColorref(COLORREF packed, std::uint32_t size, const RGBQUAD* palette) {
  Set(GetRValue(packed), GetGValue(packed), GetBValue(packed), 255, size, palette);
}

void CColorRef::SetRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint32_t size,
                       const RGBQUAD* palette) {
  Set(red, green, blue, 255, size, palette);
}

void CColorRef::SetBGRA(const std::uint8_t* bytes, std::uint32_t size, const RGBQUAD* palette) {
  Set(bytes[2], bytes[1], bytes[0], bytes[3], size, palette);
}

void CColorRef::SetColorrefAlpha(std::uint32_t packed, std::uint32_t size, const RGBQUAD* palette) {
  Set(GetRValue(packed), GetGValue(packed), GetBValue(packed), static_cast<std::uint8_t>(packed >> 24), size,
      palette);
}

void CColorRef::Set(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha,
                    std::uint32_t size, const RGBQUAD* palette) {
  indexed_ = HasPalette(size, palette);
  if (indexed_) {
    index_ = NearestEntry(palette, size, red, green, blue);
    red = palette[index_].rgbRed;
    green = palette[index_].rgbGreen;
    blue = palette[index_].rgbBlue;
  }
  red_ = red * 257u;
  green_ = green * 257u;
  blue_ = blue * 257u;
  alpha_ = alpha * 257u;
  valid_ = true;
}

void CColorRef::SetIndex(std::int32_t index, std::uint32_t size, const RGBQUAD* palette) {
  SetIndexAlpha(index, 255, size, palette);
}

void CColorRef::SetIndexAlpha(std::int32_t index, std::uint8_t alpha, std::uint32_t size,
                              const RGBQUAD* palette) {
  index_ = index;
  indexed_ = true;
  valid_ = HasPalette(size, palette) && index >= 0 && static_cast<std::uint32_t>(index) < size;
  if (valid_) {
    red_ = palette[index].rgbRed * 257u;
    green_ = palette[index].rgbGreen * 257u;
    blue_ = palette[index].rgbBlue * 257u;
  }
  alpha_ = alpha * 257u;
}

void CColorRef::SetGreyBytes(const std::uint8_t* bytes) { SetGrey(bytes[0]); }

void CColorRef::SetGrey(std::uint8_t grey) { Set(grey, grey, grey, 255); }

void CColorRef::SetGreyABytes(const std::uint8_t* bytes) { SetGreyA(bytes[0], bytes[1]); }

void CColorRef::SetGreyA(std::uint8_t grey, std::uint8_t alpha) { Set(grey, grey, grey, alpha); }

void CColorRef::SetAlpha(std::uint8_t alpha) { alpha_ = alpha * 257u; }

void CColorRef::Assign(const CColorRef& other) {
  valid_ = other.valid_;
  red_ = other.red_;
  green_ = other.green_;
  blue_ = other.blue_;
  alpha_ = other.alpha_;
  indexed_ = other.indexed_;
  index_ = other.index_;
}

CoreResult CColorRef::GetRGBA(std::uint8_t* red, std::uint8_t* green, std::uint8_t* blue, std::uint8_t* alpha,
                              std::uint32_t size, const RGBQUAD* palette) const {
  if (HasPalette(size, palette)) {
    std::int32_t index;
    if (valid_) {
      index = NearestEntry(palette, size, Red8(), Green8(), Blue8());
    } else if (indexed_ && index_ >= 0 && static_cast<std::uint32_t>(index_) < size) {
      index = index_;
    } else {
      return keErrorBadArgument;
    }
    *red = palette[index].rgbRed;
    *green = palette[index].rgbGreen;
    *blue = palette[index].rgbBlue;
  } else {
    if (!valid_) return keErrorBadArgument;
    *red = Red8();
    *green = Green8();
    *blue = Blue8();
  }
  *alpha = Alpha8();
  return {};
}

namespace {

// One channel of GetRGBA, or -1 when the colour cannot give it.
template <int Channel>
int ChannelOf(const CColorRef& color, std::uint32_t size, const RGBQUAD* palette) {
  std::uint8_t rgba[4];
  CoreResult result = color.GetRGBA(&rgba[0], &rgba[1], &rgba[2], &rgba[3], size, palette);
  return result.GetCode() == 0 ? rgba[Channel] : -1;
}

}  // namespace

int CColorRef::GetRed(std::uint32_t size, const RGBQUAD* palette) const {
  return ChannelOf<0>(*this, size, palette);
}
int CColorRef::GetGreen(std::uint32_t size, const RGBQUAD* palette) const {
  return ChannelOf<1>(*this, size, palette);
}
int CColorRef::GetBlue(std::uint32_t size, const RGBQUAD* palette) const {
  return ChannelOf<2>(*this, size, palette);
}
int CColorRef::GetAlpha(std::uint32_t size, const RGBQUAD* palette) const {
  return ChannelOf<3>(*this, size, palette);
}

CoreResult CColorRef::GetBGR(std::uint8_t* bytes, std::uint32_t size, const RGBQUAD* palette) const {
  std::uint8_t alpha;
  return GetRGBA(&bytes[2], &bytes[1], &bytes[0], &alpha, size, palette);
}

CoreResult CColorRef::GetColorref(COLORREF* packed, std::uint32_t size, const RGBQUAD* palette) const {
  std::uint8_t r, g, b, a;
  CoreResult result = GetRGBA(&r, &g, &b, &a, size, palette);
  if (result.GetCode() == 0) *packed = RGB(r, g, b);
  return result;
}

CoreResult CColorRef::GetRGBBytes(std::uint8_t* red, std::uint8_t* green, std::uint8_t* blue,
                                  std::uint32_t size, const RGBQUAD* palette) const {
  std::uint8_t alpha;
  return GetRGBA(red, green, blue, &alpha, size, palette);
}

CoreResult CColorRef::GetRGB(std::uint32_t* red, std::uint32_t* green, std::uint32_t* blue,
                             std::uint32_t size, const RGBQUAD* palette) const {
  std::uint32_t alpha;
  return GetRGBA32(red, green, blue, &alpha, size, palette);
}

CoreResult CColorRef::GetColorrefAlpha(std::uint32_t* packed, std::uint32_t size,
                                       const RGBQUAD* palette) const {
  std::uint8_t r, g, b, a;
  CoreResult result = GetRGBA(&r, &g, &b, &a, size, palette);
  if (result.GetCode() == 0) *packed = RGB(r, g, b) | (static_cast<std::uint32_t>(a) << 24);
  return result;
}

CoreResult CColorRef::GetBGRA(std::uint8_t* bytes, std::uint32_t size, const RGBQUAD* palette) const {
  return GetRGBA(&bytes[2], &bytes[1], &bytes[0], &bytes[3], size, palette);
}

CoreResult CColorRef::GetRGBA32(std::uint32_t* red, std::uint32_t* green, std::uint32_t* blue,
                                std::uint32_t* alpha, std::uint32_t size, const RGBQUAD* palette) const {
  std::uint8_t r, g, b, a;
  CoreResult result = GetRGBA(&r, &g, &b, &a, size, palette);
  if (result.GetCode() == 0) {
    *red = r;
    *green = g;
    *blue = b;
    *alpha = a;
  }
  return result;
}

CoreResult CColorRef::GetIndexAlpha(std::int32_t* index, std::uint32_t* alpha, std::uint32_t size,
                                    const RGBQUAD* palette) const {
  if (HasPalette(size, palette) && valid_) {
    bool storedStillFits = indexed_ && index_ >= 0 && static_cast<std::uint32_t>(index_) < size &&
                           palette[index_].rgbRed == Red8() && palette[index_].rgbGreen == Green8() &&
                           palette[index_].rgbBlue == Blue8();
    *index = storedStillFits ? index_ : NearestEntry(palette, size, Red8(), Green8(), Blue8());
  } else {
    if (!indexed_) return keErrorBadArgument;
    *index = index_;
  }
  *alpha = Alpha8();
  return {};
}

CoreResult CColorRef::GetIndexByte(std::uint8_t* index, std::uint32_t size, const RGBQUAD* palette) const {
  std::uint8_t alpha;
  return GetIndexAlphaBytes(index, &alpha, size, palette);
}

CoreResult CColorRef::GetIndex(std::int32_t* index, std::uint32_t size, const RGBQUAD* palette) const {
  std::uint32_t alpha;
  return GetIndexAlpha(index, &alpha, size, palette);
}

CoreResult CColorRef::GetIndexAlphaBytes(std::uint8_t* index, std::uint8_t* alpha, std::uint32_t size,
                                         const RGBQUAD* palette) const {
  std::int32_t wideIndex;
  std::uint32_t wideAlpha;
  CoreResult result = GetIndexAlpha(&wideIndex, &wideAlpha, size, palette);
  if (result.GetCode() == 0) {
    *index = static_cast<std::uint8_t>(wideIndex);
    *alpha = static_cast<std::uint8_t>(wideAlpha);
  }
  return result;
}

CoreResult CColorRef::GetGreyAlpha(std::uint8_t* grey, std::uint8_t* alpha) const {
  if (!valid_) return keErrorBadArgument;
  *grey = static_cast<std::uint8_t>((77 * Red8() + 151 * Green8() + 28 * Blue8()) >> 8);
  *alpha = Alpha8();
  return {};
}

CoreResult CColorRef::GetGreyByte(std::uint8_t* grey) const {
  std::uint8_t alpha;
  return GetGreyAlpha(grey, &alpha);
}

CoreResult CColorRef::GetGrey(std::uint32_t* grey) const {
  std::uint32_t alpha;
  return GetGreyAlpha32(grey, &alpha);
}

CoreResult CColorRef::GetGreyABytes(std::uint8_t* greyAlpha) const {
  return GetGreyAlpha(&greyAlpha[0], &greyAlpha[1]);
}

CoreResult CColorRef::GetGreyAlpha32(std::uint32_t* grey, std::uint32_t* alpha) const {
  std::uint8_t g, a;
  CoreResult result = GetGreyAlpha(&g, &a);
  if (result.GetCode() == 0) {
    *grey = g;
    *alpha = a;
  }
  return result;
}

void CColorRef::SetMatchMode(int mode) {
  if (mode >= keMatchAlways && mode <= keMatchHue) comparator_ = kComparators[mode];
}

bool CColorRef::MatchesStored(int mode, int tolerance, const CColorRef& other) const {
  if (tolerance >= 200 && mode != keMatchOpaque) return true;
  if (mode == keMatchAlways) return true;
  bool mineClear = Alpha8() == 0, theirsClear = other.Alpha8() == 0;
  if (mineClear && theirsClear) return true;
  if (mode != keMatchAlpha && (mineClear || theirsClear)) return false;
  return comparator_(*this, tolerance, other);
}

bool CColorRef::Matches(int mode, int tolerance, const CColorRef& other) const {
  if (tolerance >= 200 && mode != keMatchOpaque) return true;
  if (mode == keMatchAlways) return true;
  if (!valid_ || !other.valid_) return false;
  bool mineClear = Alpha8() == 0, theirsClear = other.Alpha8() == 0;
  if (mineClear && theirsClear) return true;
  if (mode != keMatchAlpha && (mineClear || theirsClear)) return false;
  if (mode < keMatchRGB || mode > keMatchHue) return false;
  return kComparators[mode](*this, tolerance, other);
}

void CColorRef::Set16(std::uint16_t red, std::uint16_t green, std::uint16_t blue, std::uint16_t alpha) {
  red_ = red;
  green_ = green;
  blue_ = blue;
  alpha_ = alpha;
  valid_ = true;
}

void CColorRef::Get16(std::uint16_t* red, std::uint16_t* green, std::uint16_t* blue,
                      std::uint16_t* alpha) const {
  *red = static_cast<std::uint16_t>(red_);
  *green = static_cast<std::uint16_t>(green_);
  *blue = static_cast<std::uint16_t>(blue_);
  *alpha = static_cast<std::uint16_t>(alpha_);
}

std::uint32_t CColorRef::Grey16() const { return (77 * red_ + 151 * green_ + 28 * blue_) >> 8; }

}  // namespace corvel
