// The blend modes of the editor-compatible blend (rowops/RowBlendWvkOp.h): per-channel blend
// functions, the coverage that opacity and blend-range tables give a pixel, and the generic
// 8-bit row loops that composite with a blend function. All arithmetic is on 8-bit values
// through the shared divide-by-255 and reciprocal tables (rowops/CoreTables.h).
#pragma once
#include <cstdint>

#include "core/PixelFormat.h"
#include "rowops/RowOperation.h"

namespace corvel {

enum RowBlendWvkMode : std::int32_t {
  keWvkNormal = 0,
  keWvkDarken = 1,
  keWvkLighten = 2,
  keWvkHue = 3,
  keWvkSaturation = 4,
  keWvkColor = 5,
  keWvkLuminosity = 6,
  keWvkMultiply = 7,
  keWvkScreen = 8,
  keWvkDissolve = 9,
  keWvkOverlay = 10,
  keWvkHardLight = 11,
  keWvkSoftLight = 12,
  keWvkDifference = 13,
  keWvkColorDodge = 14,
  keWvkColorBurn = 15,
  keWvkExclusion = 16,
  keWvkHslHue = 17,
  keWvkHslSaturation = 18,
  keWvkHslColor = 19,
  keWvkHslLuminosity = 20,
  keWvkBehind = 21,
  keWvkAdd = 22,
  keWvkSubtract = 23,
  keWvkLightenMask = 253,
  keWvkDarkenMask = 254,
};

// Blend-if weights: each 256-byte table maps a channel value to a weight 0..255. Tables in the
// order grey, red, green, blue and one that no blend reads; a non-zero first flag byte of a
// half switches its grey table off. Used only when count is 1 or more.
struct BlendRangeTables {
  enum Table { kGrey = 0, kRed = 1, kGreen = 2, kBlue = 3 };
  std::int32_t count = 0;
  std::uint8_t sourceFlags[5] = {};
  std::uint8_t destinationFlags[5] = {};
  std::uint8_t source[5][256] = {};
  std::uint8_t destination[5][256] = {};
};

// Per-channel functions, one of three forms by mode:
// - byte: the new destination value from d, s, coverage a and 255 - a;
// - divide (soft light, colour dodge, colour burn): writes *d from *s, k = da x 255 / ra, the
//   effective source alpha t, the result alpha ra and the destination alpha da;
// - colour model (hue, saturation, colour, luminosity): B, G, R from the two pixels' triples
//   (hue, chroma or saturation, luma or lightness).
using BlendByteFunction = std::uint32_t (*)(std::uint32_t d, std::uint32_t s, std::uint32_t a,
                                            std::uint32_t inverse);
using BlendDivideFunction = void (*)(std::uint8_t* d, const std::uint8_t* s, std::uint32_t k, std::uint32_t t,
                                     std::uint32_t ra, std::uint32_t da);
using BlendColourFunction = void (*)(const std::int32_t* dst, const std::int32_t* src, std::uint8_t* blue,
                                     std::uint8_t* green, std::uint8_t* red);

struct BlendChannelFunction {
  BlendByteFunction byte = nullptr;
  BlendDivideFunction divide = nullptr;
  BlendColourFunction colour = nullptr;
  explicit operator bool() const { return byte || divide || colour; }
};

// Modes 1, 2, 3, 4, 5, 7, 8 and 10..20 have one; any other mode none.
BlendChannelFunction GetBlendChannelFunction(std::int32_t mode);

// Coverage 0..255 of a pixel (pointers to its first channel, blue or grey): the opacity, or
// the opacity weighed by the blend-range tables.
std::uint32_t BlendCoverageOpacity(const std::uint8_t* src, const std::uint8_t* dst, std::uint32_t sa,
                                   std::uint32_t da, const BlendRangeTables* tables, std::uint32_t opacity);
std::uint32_t BlendCoverageGrey(const std::uint8_t* src, const std::uint8_t* dst, std::uint32_t sa,
                                std::uint32_t da, const BlendRangeTables* tables, std::uint32_t opacity);
std::uint32_t BlendCoverageBgr(const std::uint8_t* src, const std::uint8_t* dst, std::uint32_t sa,
                               std::uint32_t da, const BlendRangeTables* tables, std::uint32_t opacity);

// The generic loops, kernels of a RowBlendWvkOp.
void BlendLoopGrey(const RowOperation& op, const RowOpArgs& args);
void BlendLoopBgr(const RowOperation& op, const RowOpArgs& args);
void BlendLoopNormalGrey(const RowOperation& op, const RowOpArgs& args);
void BlendLoopNormalBgr(const RowOperation& op, const RowOpArgs& args);
void BlendLoopDivideGrey(const RowOperation& op, const RowOpArgs& args);
void BlendLoopDivideBgr(const RowOperation& op, const RowOpArgs& args);
void BlendLoopDissolveGrey(const RowOperation& op, const RowOpArgs& args);
void BlendLoopDissolveBgr(const RowOperation& op, const RowOpArgs& args);
void BlendLoopHcl(const RowOperation& op, const RowOpArgs& args);
void BlendLoopLuminosityHcl(const RowOperation& op, const RowOpArgs& args);
void BlendLoopHsl(const RowOperation& op, const RowOpArgs& args);

class RowBlendWvkOp;
// The generic loop of the operation's mode for a colour (BGR, BGRA) or any other destination,
// null where there is none.
RowOpKernel ChooseGenericBlendLoop(const RowBlendWvkOp& op, keFormat dst);
// The loops serve pairs of one family, BGR/BGRA or Grey/GreyA, once the shared tables exist,
// for any variant mode but "MMX only".
bool CanUseGenericBlendLoop(keFormat dst, keFormat src, int variantMode);

}  // namespace corvel
