#include "rowops/RowFillOp.h"

#include <cstring>

#include "core/ColorUtils.h"
#include "core/PaletteCache.h"
#include "rowops/BitRuns.h"
#include "rowops/PixelHelpers.h"
#include "rowops/detail/RowFillOpSse2.h"

namespace corvel {
namespace {

const RowFillOp& FillOf(const RowOperation& op) { return static_cast<const RowFillOp&>(op); }

std::uint32_t Red(std::uint32_t c) { return c & 0xFF; }
std::uint32_t Green(std::uint32_t c) { return (c >> 8) & 0xFF; }
std::uint32_t Blue(std::uint32_t c) { return (c >> 16) & 0xFF; }
std::uint32_t Alpha(std::uint32_t c) { return c >> 24; }
std::uint32_t GreyOf(std::uint32_t c) { return (Red(c) * 77 + Green(c) * 151 + Blue(c) * 28) >> 8; }

void FillPixels(const RowOpArgs& args, const void* pixel, std::size_t bytes) {
  if (args.dst.count > 0) {
    FillWithElement(args.dst.row, pixel, bytes, static_cast<std::size_t>(args.dst.count));
  }
}

void FillGrey(const RowOperation& op, const RowOpArgs& args) {
  const std::uint8_t pixel = static_cast<std::uint8_t>(GreyOf(FillOf(op).Color()));
  FillPixels(args, &pixel, 1);
}

void FillGreyA(const RowOperation& op, const RowOpArgs& args) {
  const std::uint32_t c = FillOf(op).Color();
  const std::uint8_t pixel[2] = {static_cast<std::uint8_t>(GreyOf(c)), static_cast<std::uint8_t>(Alpha(c))};
  FillPixels(args, pixel, 2);
}

void FillGrey16(const RowOperation& op, const RowOpArgs& args) {
  std::uint8_t pixel[2];
  Store16(pixel, GreyOf(FillOf(op).Color()) * 257);
  FillPixels(args, pixel, 2);
}

void FillGreyA16(const RowOperation& op, const RowOpArgs& args) {
  const std::uint32_t c = FillOf(op).Color();
  std::uint8_t pixel[4];
  Store16(pixel, GreyOf(c) * 257);
  Store16(pixel + 2, Alpha(c) * 257);
  FillPixels(args, pixel, 4);
}

void FillBGR(const RowOperation& op, const RowOpArgs& args) {
  const std::uint32_t c = FillOf(op).Color();
  const std::uint8_t pixel[3] = {static_cast<std::uint8_t>(Blue(c)), static_cast<std::uint8_t>(Green(c)),
                                 static_cast<std::uint8_t>(Red(c))};
  FillPixels(args, pixel, 3);
}

void FillBGRSimd(const RowOperation& op, const RowOpArgs& args) {
  if (args.dst.count <= 0) return;
  const std::uint32_t c = FillOf(op).Color();
  const std::uint8_t pixel[3] = {static_cast<std::uint8_t>(Blue(c)), static_cast<std::uint8_t>(Green(c)),
                                 static_cast<std::uint8_t>(Red(c))};
  detail::FillBGRSse2(static_cast<std::uint8_t*>(args.dst.row), args.dst.count, pixel);
}

void FillBGR16(const RowOperation& op, const RowOpArgs& args) {
  const std::uint32_t c = FillOf(op).Color();
  std::uint8_t pixel[6];
  Store16(pixel, Blue(c) * 257);
  Store16(pixel + 2, Green(c) * 257);
  Store16(pixel + 4, Red(c) * 257);
  FillPixels(args, pixel, 6);
}

void FillBGRA(const RowOperation& op, const RowOpArgs& args) {
  const std::uint8_t pixel[4] = {static_cast<std::uint8_t>(Blue(FillOf(op).Color())),
                                 static_cast<std::uint8_t>(Green(FillOf(op).Color())),
                                 static_cast<std::uint8_t>(Red(FillOf(op).Color())),
                                 static_cast<std::uint8_t>(Alpha(FillOf(op).Color()))};
  FillPixels(args, pixel, 4);
}

void FillBGRxA(const RowOperation& op, const RowOpArgs& args) {
  // Premultiplying treats the three colour bytes alike, so their order does not matter here.
  const std::uint32_t c = PremultiplyColor(FillOf(op).Color());
  const std::uint8_t pixel[4] = {static_cast<std::uint8_t>(Blue(c)), static_cast<std::uint8_t>(Green(c)),
                                 static_cast<std::uint8_t>(Red(c)), static_cast<std::uint8_t>(Alpha(c))};
  FillPixels(args, pixel, 4);
}

void FillBGRA16(const RowOperation& op, const RowOpArgs& args) {
  const std::uint32_t c = FillOf(op).Color();
  std::uint8_t pixel[8];
  Store16(pixel, Blue(c) * 257);
  Store16(pixel + 2, Green(c) * 257);
  Store16(pixel + 4, Red(c) * 257);
  Store16(pixel + 6, Alpha(c) * 257);
  FillPixels(args, pixel, 8);
}

// The operation's index, or the nearest entry of the destination palette (0 without one).
std::uint32_t FillIndex(const RowOperation& op, const RowOpArgs& args) {
  const RowFillOp& fill = FillOf(op);
  int index = fill.PaletteIndex();
  if (index < 0) {
    const std::uint32_t c = fill.Color();
    index = RgbToPaletteIndex(static_cast<int>(Red(c)), static_cast<int>(Green(c)), static_cast<int>(Blue(c)),
                              args.dst.palette, args.dst.paletteSize);
  }
  return index < 0 ? 0 : static_cast<std::uint32_t>(index);
}

void FillIndex1(const RowOperation& op, const RowOpArgs& args) {
  const int first = (args.dst.x % 8 + 8) % 8;
  const int rowBytes = (first + args.dst.count + 7) / 8;
  auto* row = static_cast<std::uint8_t*>(args.dst.row);
  if (FillIndex(op, args) != 0)
    SetBitRun(row, first, rowBytes, args.dst.count);
  else
    ClearBitRun(row, first, rowBytes, args.dst.count);
}

void FillIndex4(const RowOperation& op, const RowOpArgs& args) {
  const bool odd = (args.dst.x % 2 + 2) % 2 == 1;
  const int byteCount = (static_cast<int>(odd) + args.dst.count + 1) / 2;
  FillNibbleRun(FillIndex(op, args), static_cast<std::uint8_t*>(args.dst.row), odd, byteCount,
                args.dst.count);
}

void FillIndex8(const RowOperation& op, const RowOpArgs& args) {
  const std::uint8_t pixel = static_cast<std::uint8_t>(FillIndex(op, args));
  FillPixels(args, &pixel, 1);
}

void FillIndex8A(const RowOperation& op, const RowOpArgs& args) {
  const std::uint8_t pixel[2] = {static_cast<std::uint8_t>(FillIndex(op, args)),
                                 static_cast<std::uint8_t>(Alpha(FillOf(op).Color()))};
  FillPixels(args, pixel, 2);
}

constexpr RowOpKernelRecord Record(keFormat dst, RowOpKernel kernel, std::int32_t variant = keVariantPlain) {
  return {dst, keFormatNone, variant, kernel};
}

constexpr RowOpKernelRecord kRowFillTable[] = {
    Record(keFormatIndex1, FillIndex1),
    Record(keFormatIndex4, FillIndex4),
    Record(keFormatIndex8, FillIndex8),
    Record(keFormatIndex8A, FillIndex8A),
    Record(keFormatGrey, FillGrey),
    Record(keFormatGreyA, FillGreyA),
    Record(keFormatGrey_u16, FillGrey16),
    Record(keFormatGreyA_u16, FillGreyA16),
    Record(keFormatBGR, FillBGR),
    Record(keFormatBGR_u16, FillBGR16),
    Record(keFormatBGRA, FillBGRA),
    Record(keFormatBGRA_u16, FillBGRA16),
    Record(keFormatBGRxA, FillBGRxA),
    Record(keFormatBGR, FillBGRSimd, keVariantMmx),
    {keFormatNone, keFormatNone, 0, nullptr},
};

}  // namespace

const RowOpKernelRecord* RowFillOp::KernelTable() { return kRowFillTable; }

}  // namespace corvel
