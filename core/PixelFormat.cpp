#include "core/PixelFormat.h"

#include <cstring>

namespace corvel {
namespace {

enum FormatFlags : unsigned {
  kAlpha = 1,
  kIndexed = 2,
  kGrey = 4,
  k8Bit = 8,
  k16Bit = 16,
};

struct FormatRecord {
  const char* name;
  int bitsPerPixel;
  int bitsPerChannel;
  unsigned flags;
  ChannelInfo channels;
  keFormat premultiplied;
  keFormat alphaForm;
  keFormat eightBitForm;
};

constexpr int kRolesBGR[] = {keRoleBlue, keRoleGreen, keRoleRed};
constexpr int kRolesBGRA[] = {keRoleBlue, keRoleGreen, keRoleRed, keRoleAlpha};
constexpr int kRolesGrey[] = {keRoleGrey};
constexpr int kRolesGreyA[] = {keRoleGrey, keRoleAlpha};

constexpr ChannelInfo kNoChannels{0, nullptr};
constexpr ChannelInfo kBGR{3, kRolesBGR};
constexpr ChannelInfo kBGRA{4, kRolesBGRA};
constexpr ChannelInfo kGreyChannel{1, kRolesGrey};
constexpr ChannelInfo kGreyA{2, kRolesGreyA};

// Indexed by value + 1, from keFormatCustom to keFormatLast.
constexpr FormatRecord kFormats[] = {
    {"keFormatCustom", 0, 0, 0, kNoChannels, keFormatCustom, keFormatCustom, keFormatNone},
    {"keFormatNone", 0, 0, 0, kNoChannels, keFormatNone, keFormatNone, keFormatNone},
    {"keFormatIndex1", 1, 1, kIndexed, kBGR, keFormatIndex1, keFormatIndex8A, keFormatIndex8},
    {"keFormatIndex4", 4, 4, kIndexed, kBGR, keFormatIndex4, keFormatIndex8A, keFormatIndex8},
    {"keFormatIndex8", 8, 8, kIndexed | k8Bit, kBGR, keFormatIndex8, keFormatIndex8A, keFormatIndex8},
    {"keFormatIndex8A", 16, 8, kIndexed | kAlpha | k8Bit, kBGRA, keFormatIndex8A, keFormatIndex8A,
     keFormatIndex8A},
    {"keFormatGrey", 8, 8, kGrey | k8Bit, kGreyChannel, keFormatGrey, keFormatGreyA, keFormatGrey},
    {"keFormatGreyA", 16, 8, kGrey | kAlpha | k8Bit, kGreyA, keFormatGreyA, keFormatGreyA, keFormatGreyA},
    {"keFormatBGR", 24, 8, k8Bit, kBGR, keFormatBGR, keFormatBGRA, keFormatBGR},
    {"keFormatBGRA", 32, 8, kAlpha | k8Bit, kBGRA, keFormatBGRxA, keFormatBGRA, keFormatBGRA},
    {"keFormatBGRxA", 32, 8, kAlpha | k8Bit, kBGRA, keFormatBGRxA, keFormatBGRxA, keFormatBGRxA},
    {"keFormatGrey_u16", 16, 16, kGrey | k16Bit, kGreyChannel, keFormatGrey_u16, keFormatGreyA_u16,
     keFormatGrey},
    {"keFormatGreyA_u16", 32, 16, kGrey | kAlpha | k16Bit, kGreyA, keFormatGreyA_u16, keFormatGreyA_u16,
     keFormatGreyA},
    {"keFormatBGR_u16", 48, 16, k16Bit, kBGR, keFormatBGR_u16, keFormatBGRA_u16, keFormatBGR},
    {"keFormatBGRA_u16", 64, 16, kAlpha | k16Bit, kBGRA, keFormatBGRxA_u16, keFormatBGRA_u16, keFormatBGRA},
    {"keFormatBGRxA_u16", 64, 16, kAlpha | k16Bit, kBGRA, keFormatBGRxA_u16, keFormatBGRxA_u16,
     keFormatBGRxA},
    {"keFormatGrey_f32", 32, 32, kGrey, kGreyChannel, keFormatGrey_f32, keFormatGreyA_f32, keFormatGrey},
    {"keFormatGreyA_f32", 64, 32, kGrey | kAlpha, kGreyA, keFormatGreyA_f32, keFormatGreyA_f32,
     keFormatGreyA},
    {"keFormatBGR_f32", 96, 32, 0, kBGR, keFormatBGR_f32, keFormatBGRA_f32, keFormatBGR},
    {"keFormatBGRA_f32", 128, 32, kAlpha, kBGRA, keFormatBGRxA_f32, keFormatBGRA_f32, keFormatBGRA},
    {"keFormatBGRxA_f32", 128, 32, kAlpha, kBGRA, keFormatBGRxA_f32, keFormatBGRxA_f32, keFormatBGRxA},
};
static_assert(sizeof kFormats / sizeof kFormats[0] == keFormatLast + 2,
              "every keFormat value has one record");

const FormatRecord* Record(keFormat value) {
  if (value < keFormatCustom || value > keFormatLast) return nullptr;
  return &kFormats[value + 1];
}

bool HasFlag(keFormat value, unsigned flag) {
  const FormatRecord* record = Record(value);
  return record && (record->flags & flag) != 0;
}

}  // namespace

ChannelInfo CPixelFormat::GetChannelInfo() const {
  const FormatRecord* record = Record(value_);
  return record ? record->channels : kNoChannels;
}

int CPixelFormat::GetChannelRole(int role) const {
  if (value_ < keFormatIndex8A || value_ > keFormatLast || role < 0) return 0;
  // Two-channel layouts keep alpha second and everything else first.
  if (value_ == keFormatIndex8A || GetChannelCount() == 2) return role == keRoleAlpha ? 1 : 0;
  if (GetChannelCount() == 3) return role <= keRoleRed ? role : 0;
  if (GetChannelCount() == 4) return role <= keRoleAlpha ? role : 0;
  return 0;
}

int CPixelFormat::GetBitsPerPixel() const {
  const FormatRecord* record = Record(value_);
  return record ? record->bitsPerPixel : 0;
}

int CPixelFormat::GetBitsPerChannel() const {
  const FormatRecord* record = Record(value_);
  return record ? record->bitsPerChannel : 0;
}

bool CPixelFormat::HasAlpha() const { return HasFlag(value_, kAlpha); }
bool CPixelFormat::IsIndexed() const { return HasFlag(value_, kIndexed); }
bool CPixelFormat::IsGrey() const { return HasFlag(value_, kGrey); }
bool CPixelFormat::Is8Bit() const { return HasFlag(value_, k8Bit); }
bool CPixelFormat::Is16Bit() const { return HasFlag(value_, k16Bit); }

keFormat CPixelFormat::GetPremultipliedForm() const {
  const FormatRecord* record = Record(value_);
  return record ? record->premultiplied : value_;
}

keFormat CPixelFormat::GetAlphaForm() const {
  const FormatRecord* record = Record(value_);
  return record ? record->alphaForm : value_;
}

keFormat CPixelFormat::Get8BitForm() const {
  const FormatRecord* record = Record(value_);
  return record ? record->eightBitForm : keFormatNone;
}

const char* CPixelFormat::GetName() const {
  const FormatRecord* record = Record(value_);
  return record ? record->name : "<unknown";
}

namespace {

// Writes the pixel of an 8-bit (or 8-bit indexed) format; answers the bytes written.
int StoreEightBitPixel(keFormat format, std::uint8_t* pixel, std::uint32_t color) {
  std::uint32_t red = color & 0xFF, green = (color >> 8) & 0xFF, blue = (color >> 16) & 0xFF;
  std::uint8_t alpha = static_cast<std::uint8_t>(color >> 24);
  std::uint8_t grey = static_cast<std::uint8_t>((77 * red + 151 * green + 28 * blue) >> 8);
  switch (format) {
    case keFormatIndex8:
      pixel[0] = static_cast<std::uint8_t>(red);
      return 1;
    case keFormatIndex8A:
      pixel[0] = static_cast<std::uint8_t>(red);
      pixel[1] = alpha;
      return 2;
    case keFormatGrey:
      pixel[0] = grey;
      return 1;
    case keFormatGreyA:
      pixel[0] = grey;
      pixel[1] = alpha;
      return 2;
    case keFormatBGR:
    case keFormatBGRA:
      pixel[0] = static_cast<std::uint8_t>(blue);
      pixel[1] = static_cast<std::uint8_t>(green);
      pixel[2] = static_cast<std::uint8_t>(red);
      if (format == keFormatBGR) return 3;
      pixel[3] = alpha;
      return 4;
    case keFormatBGRxA:
      pixel[0] = static_cast<std::uint8_t>(Div255Approx(blue * alpha));
      pixel[1] = static_cast<std::uint8_t>(Div255Approx(green * alpha));
      pixel[2] = static_cast<std::uint8_t>(Div255Approx(red * alpha));
      pixel[3] = alpha;
      return 4;
    default:
      return 0;
  }
}

}  // namespace

void CPixelFormat::SetPixelColor(void* pixel, std::uint32_t color) const {
  std::uint8_t* bytes = static_cast<std::uint8_t*>(pixel);
  if (Is8Bit()) {
    StoreEightBitPixel(value_, bytes, color);
    return;
  }
  if (value_ < keFormatGrey_u16 || value_ > keFormatLast) return;
  std::uint8_t scratch[4];
  int channels = StoreEightBitPixel(Get8BitForm(), scratch, color);
  for (int c = 0; c < channels; ++c) {
    if (Is16Bit()) {
      std::uint16_t wide = static_cast<std::uint16_t>(scratch[c] * 257);
      std::memcpy(bytes + 2 * c, &wide, sizeof wide);
    } else {
      float value = static_cast<float>(scratch[c] * 0.00392156862745098);
      std::memcpy(bytes + 4 * c, &value, sizeof value);
    }
  }
}

int FormatClassIndex(int code) {
  if (code >= 0 && code <= 4) return code;
  return code == 7 ? keRolePaletteIndex : -1;
}

std::uint32_t PremultiplyColor(std::uint32_t color) {
  std::uint32_t alpha = color >> 24;
  if (alpha == 255) return color;
  if (alpha == 0) return 0;
  std::uint32_t result = color & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    result |= Div255Approx(((color >> shift) & 0xFF) * alpha) << shift;
  }
  return result;
}

}  // namespace corvel
