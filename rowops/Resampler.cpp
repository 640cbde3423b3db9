#include "rowops/Resampler.h"

#include <cstring>
#include <new>
#include <optional>

#include "core/ColorUtils.h"
#include "rowops/detail/ResampleKernels.h"
#include "rowops/detail/ResamplerSse2.h"

namespace corvel {

bool TileCursor::HoldsRows(const int* rows, int count) const {
  if (!locked_ || rect_.left > 0 || rect_.right < width_) return false;
  for (int k = 0; k < count; ++k)
    if (rows[k] < rect_.top || rows[k] >= rect_.bottom) return false;
  return true;
}

bool TileCursor::MoveTo(int x0, int y0, int size) {
  if (x0 < 0 || y0 < 0 || x0 + size > width_ || y0 + size > height_) return false;
  Tile tile;
  RECT rect;
  if (!image_.GetTileAt(POINT{x0, y0}, &tile).Ok()) return false;
  if (!image_.GetTileRect(tile, &rect).Ok()) return false;
  if (x0 + size > rect.right || y0 + size > rect.bottom) return false;
  Release();
  if (!image_.LockTile(tile, &block_).Ok() || !block_.bits) return false;
  tile_ = tile;
  rect_ = rect;
  locked_ = true;
  return true;
}

void TileCursor::Release() {
  if (!locked_) return;
  image_.UnlockTile(tile_).GetCode();
  locked_ = false;
}

namespace {

constexpr std::array<CubicWeights, 256> MakeCubicWeightTable() {
  std::array<CubicWeights, 256> table{};
  for (int i = 0; i < 256; ++i) {
    const double t = i / 256.0, t2 = t * t, t3 = t2 * t;
    const double w[4] = {-t + 2 * t2 - t3, 1 - 2 * t2 + t3, t + t2 - t3, -t2 + t3};
    for (int k = 0; k < 4; ++k) table[i][k] = static_cast<std::int32_t>(w[k] * 256);
    // The truncations lose up to a few units; the centre tap takes them back so that a flat
    // colour stays flat.
    table[i][1] += 256 - (table[i][0] + table[i][1] + table[i][2] + table[i][3]);
  }
  return table;
}

constexpr std::array<CubicWeights, 256> kCubicWeights = MakeCubicWeightTable();
static_assert(kCubicWeights[0][1] == 256 && kCubicWeights[0][0] == 0 && kCubicWeights[0][2] == 0);

// The positions whose footprint may touch the image, from the footprint's margins.
struct AcceptedRange {
  std::int64_t xmin, ymin, xmax, ymax;
  AcceptedRange(int width, int height, int left, int top, int right, int bottom)
      : xmin(-std::int64_t{right} * 256),
        ymin(-std::int64_t{bottom} * 256),
        xmax((std::int64_t{width} - left) * 256),
        ymax((std::int64_t{height} - top) * 256) {}
  bool Contains(std::int32_t x, std::int32_t y) const {
    return x >= xmin && x < xmax && y >= ymin && y < ymax;
  }
};

// A footprint's tap coordinate on one axis mapped into [0, extent) by the edge mode, as the
// tiled transfer maps it; -1 for a tap that takes the fill pixel.
int FoldTap(int v, int extent, int edgeMode) {
  if (v >= 0 && v < extent) return v;
  switch (edgeMode) {
    case keEdgeWrap: {
      const int r = v % extent;
      return r < 0 ? r + extent : r;
    }
    case keEdgeClamp:
      return v < 0 ? 0 : extent - 1;
    case keEdgeMirror: {
      int r = v % (2 * extent);
      if (r < 0) r += 2 * extent;
      return r < extent ? r : 2 * extent - 1 - r;
    }
    default:
      return -1;
  }
}

// Row y (whole) from the cursor's tile or the spare's, which moves to it if need be; none when
// no tile that spans the image's width holds it.
const std::uint8_t* RowOf(const TileCursor& cursor, std::optional<TileCursor>& spare, int y, int pixelBytes) {
  if (cursor.HoldsRows(&y, 1)) return cursor.At(0, y, pixelBytes);
  if (!spare) spare.emplace(cursor.Image());
  if (spare->HoldsRows(&y, 1) || (spare->MoveTo(0, y, 1) && spare->HoldsRows(&y, 1)))
    return spare->At(0, y, pixelBytes);
  return nullptr;
}

// The frame shared by every kind: the fill pixel outside, in-place reads from the locked tile,
// and for footprints that leave the image or the tile a gather of folded taps into a scratch
// footprint (through the tiled transfer where that cannot be done row by row).
// Kind gives kSize, the margins, Origin and Sample(out, p, stride, x, y).
template <class Kind>
void Drive(const Kind& kind, const PixelBlock& dst, const std::int32_t* positions, TileCursor& cursor,
           int edgeMode, const std::uint8_t* fillPixel) {
  constexpr int size = Kind::kSize;
  const int pixelBytes = kind.PixelBytes();
  TiledImage& image = cursor.Image();
  const int width = cursor.Width(), height = cursor.Height();
  alignas(16) std::uint8_t scratch[size * size * 16];
  PixelBlock footprint{dst.format, size, size, scratch, size * pixelBytes};
  const RECT footprintRect{0, 0, size, size};
  const AcceptedRange range(width, height, Kind::kMargins[0], Kind::kMargins[1], Kind::kMargins[2],
                            Kind::kMargins[3]);
  const bool gatherable = width > 0 && height > 0;
  std::optional<TileCursor> spare;  // made when a footprint straddles two tiles
  // Samples that alternate between two tiles (the copies a seam blends) keep both locked: the
  // caller's cursor and this one take turns as the active one.
  std::optional<TileCursor> second;
  TileCursor* active = &cursor;
  // The locked tile's pixels and the origins whose footprint lies in it, kept in locals: the
  // stores through out may alias anything, so members would be reloaded for every pixel.
  const std::uint8_t* tileBits = nullptr;
  std::intptr_t tileStride = 0;
  int left = 0, top = 0, lastX = -1, lastY = -1;
  auto takeTile = [&] {
    if (!active->Locked()) {
      lastX = lastY = -1;
      left = top = 0;
      return;
    }
    const RECT& rect = active->Rect();
    tileBits = active->At(rect.left, rect.top, pixelBytes);
    tileStride = active->Stride();
    left = rect.left;
    top = rect.top;
    lastX = rect.right - size;
    lastY = rect.bottom - size;
  };
  takeTile();  // a tile kept locked from the last call
  for (int r = 0; r < dst.height; ++r) {
    std::uint8_t* out = dst.bits + r * dst.stride;
    for (int i = 0; i < dst.width; ++i, out += pixelBytes, positions += 2) {
      if constexpr (Kind::kPairs) {
        const int done = Kind::RunInTile(out, positions, dst.width - i, tileBits, tileStride, left, top,
                                         lastX, lastY);
        i += done;
        out += done * pixelBytes;
        positions += 2 * done;
        if (i >= dst.width) break;
      }
      const std::int32_t x = positions[0], y = positions[1];
      if (edgeMode == keEdgeFill && !range.Contains(x, y)) {
        std::memcpy(out, fillPixel, pixelBytes);
        continue;
      }
      const int x0 = Kind::Origin(x), y0 = Kind::Origin(y);
      if (x0 >= left && x0 <= lastX && y0 >= top && y0 <= lastY) {
        kind.Sample(out, tileBits + (y0 - top) * tileStride + std::intptr_t{x0 - left} * pixelBytes,
                    tileStride, x, y);
        continue;
      }
      if (!second) second.emplace(image);
      TileCursor& other = active == &cursor ? *second : cursor;
      const RECT& held = other.Rect();
      const bool moved = (other.Locked() && x0 >= held.left && x0 + size <= held.right && y0 >= held.top &&
                          y0 + size <= held.bottom) ||
                         other.MoveTo(x0, y0, size);
      if (moved) active = &other;
      takeTile();  // moved, or let go after a failed lock
      if (moved) {
        kind.Sample(out, tileBits + (y0 - top) * tileStride + std::intptr_t{x0 - left} * pixelBytes,
                    tileStride, x, y);
        continue;
      }
      // Taps folded into the image, their rows from the tile or the spare one (a footprint that
      // straddles two bands).
      int xs[size];
      const std::uint8_t* rows[size];
      bool gathered = gatherable;
      for (int k = 0; k < size && gathered; ++k) {
        xs[k] = FoldTap(x0 + k, width, edgeMode);
        const int row = FoldTap(y0 + k, height, edgeMode);
        rows[k] = xs[k] >= 0 && row >= 0 ? RowOf(*active, spare, row, pixelBytes) : nullptr;
        gathered = rows[k] != nullptr;
      }
      if (gathered) {
        for (int k = 0; k < size; ++k)
          for (int l = 0; l < size; ++l)
            std::memcpy(scratch + (k * size + l) * pixelBytes, rows[k] + std::intptr_t{xs[l]} * pixelBytes,
                        pixelBytes);
      } else {
        TransferTiledRect(footprint, footprintRect, image, x0, y0, edgeMode, fillPixel);
      }
      kind.Sample(out, scratch, footprint.stride, x, y);
    }
  }
  // The caller's cursor keeps the tile read last.
  if (active != &cursor && active->Locked()) cursor.MoveTo(active->Rect().left, active->Rect().top, 1);
}

struct NearestKind {
  static constexpr int kSize = 1;
  static constexpr bool kPairs = false;
  static constexpr int kMargins[4] = {0, 0, 1, 1};
  int pixelBytes;
  int PixelBytes() const { return pixelBytes; }
  // floor(v / 256): -1 .. -256 are pixel -1.
  static int Origin(std::int32_t v) { return v >> 8; }
  void Sample(std::uint8_t* out, const std::uint8_t* p, std::intptr_t, std::int32_t, std::int32_t) const {
    std::memcpy(out, p, pixelBytes);
  }
};

template <class Kernel>
struct BilinearKind {
  static constexpr int kSize = 2;
  static constexpr bool kPairs = detail::HasPairs<Kernel>::value;
  // Samples pairs of positions while both footprints of a pair lie in the tile (origins in
  // [left, lastX] x [top, lastY], pixels from bits at (left, top)); answers how many it did.
  // A loop of its own, so that its few values stay in registers.
  static int RunInTile(std::uint8_t* out, const std::int32_t* positions, int count, const std::uint8_t* bits,
                       std::intptr_t stride, int left, int top, int lastX, int lastY) {
    if constexpr (kPairs) {
      const unsigned spanX = static_cast<unsigned>(lastX - left), spanY = static_cast<unsigned>(lastY - top);
      if (lastX < left || lastY < top) return 0;
      int done = 0;
      for (; done + 1 < count; done += 2, positions += 4, out += 2 * Kernel::kPixelBytes) {
        const std::int32_t xa = positions[0], ya = positions[1], xb = positions[2], yb = positions[3];
        const unsigned ax = static_cast<unsigned>((xa >> 8) - left),
                       ay = static_cast<unsigned>((ya >> 8) - top);
        const unsigned bx = static_cast<unsigned>((xb >> 8) - left),
                       by = static_cast<unsigned>((yb >> 8) - top);
        if ((ax > spanX) | (ay > spanY) | (bx > spanX) | (by > spanY)) break;
        Kernel::RunPair(out, bits + ay * stride + std::intptr_t{ax} * Kernel::kPixelBytes,
                        bits + by * stride + std::intptr_t{bx} * Kernel::kPixelBytes, stride,
                        static_cast<std::uint32_t>(xa) & 0xFF, static_cast<std::uint32_t>(ya) & 0xFF,
                        static_cast<std::uint32_t>(xb) & 0xFF, static_cast<std::uint32_t>(yb) & 0xFF);
      }
      return done;
    } else {
      return 0;
    }
  }
  static constexpr int kMargins[4] = {0, 0, 2, 2};
  static constexpr int PixelBytes() { return Kernel::kPixelBytes; }
  static int Origin(std::int32_t v) { return v >> 8; }
  static void Sample(std::uint8_t* out, const std::uint8_t* p, std::intptr_t stride, std::int32_t x,
                     std::int32_t y) {
    Kernel::Run(out, p, stride, static_cast<std::uint32_t>(x) & 0xFF, static_cast<std::uint32_t>(y) & 0xFF);
  }
};

template <class Kernel>
struct BicubicKind {
  static constexpr int kSize = 4;
  static constexpr bool kPairs = false;
  static constexpr int kMargins[4] = {-1, -1, 3, 3};
  static constexpr int PixelBytes() { return Kernel::kPixelBytes; }
  // One pixel left of (above) the bilinear origin.
  static int Origin(std::int32_t v) { return (v >> 8) - 1; }
  static void Sample(std::uint8_t* out, const std::uint8_t* p, std::intptr_t stride, std::int32_t x,
                     std::int32_t y) {
    Kernel::Run(out, p, stride, kCubicWeights[x & 0xFF].data(), kCubicWeights[y & 0xFF].data());
  }
};

using Driver = void (*)(const PixelBlock& dst, const std::int32_t* positions, TileCursor& cursor,
                        int edgeMode, const std::uint8_t* fillPixel);

template <template <class> class KindOf, class Kernel>
void DriveWith(const PixelBlock& dst, const std::int32_t* positions, TileCursor& cursor, int edgeMode,
               const std::uint8_t* fillPixel) {
  Drive(KindOf<Kernel>{}, dst, positions, cursor, edgeMode, fillPixel);
}

Driver BilinearDriver(keFormat format) {
  using namespace detail;
  if (format == keFormatBGRA && HasSimdResampling()) return &DriveWith<BilinearKind, BilinearAlpha8Simd>;
  if (format == keFormatBGRxA && HasSimdResampling()) return &DriveWith<BilinearKind, BilinearPlain4Simd>;
  switch (format) {
    case keFormatGrey:
      return &DriveWith<BilinearKind, BilinearPlain<std::uint8_t, 1>>;
    case keFormatGreyA:
      return &DriveWith<BilinearKind, BilinearAlpha8<1>>;
    case keFormatBGR:
      return &DriveWith<BilinearKind, BilinearPlain<std::uint8_t, 3>>;
    case keFormatBGRA:
      return &DriveWith<BilinearKind, BilinearAlpha8<3>>;
    case keFormatBGRxA:
      return &DriveWith<BilinearKind, BilinearPlain<std::uint8_t, 4>>;
    case keFormatGrey_u16:
      return &DriveWith<BilinearKind, BilinearPlain<std::uint16_t, 1>>;
    case keFormatGreyA_u16:
      return &DriveWith<BilinearKind, BilinearAlpha16<1>>;
    case keFormatBGR_u16:
      return &DriveWith<BilinearKind, BilinearPlain<std::uint16_t, 3>>;
    case keFormatBGRA_u16:
      return &DriveWith<BilinearKind, BilinearAlpha16<3>>;
    case keFormatBGRxA_u16:
      return &DriveWith<BilinearKind, BilinearPlain<std::uint16_t, 4>>;
    default:
      return nullptr;
  }
}

Driver BicubicDriver(keFormat format) {
  using namespace detail;
  switch (format) {
    case keFormatGrey:
      return &DriveWith<BicubicKind, BicubicPlain<std::uint8_t, 1>>;
    case keFormatGreyA:
      return &DriveWith<BicubicKind, BicubicAlpha<std::uint8_t, 1>>;
    case keFormatBGR:
      return &DriveWith<BicubicKind, BicubicPlain<std::uint8_t, 3>>;
    case keFormatBGRA:
      return &DriveWith<BicubicKind, BicubicAlpha<std::uint8_t, 3>>;
    case keFormatBGRxA:
      return &DriveWith<BicubicKind, BicubicPlain<std::uint8_t, 4>>;
    case keFormatGrey_u16:
      return &DriveWith<BicubicKind, BicubicPlain<std::uint16_t, 1>>;
    case keFormatGreyA_u16:
      return &DriveWith<BicubicKind, BicubicAlpha<std::uint16_t, 1>>;
    case keFormatBGR_u16:
      return &DriveWith<BicubicKind, BicubicPlain<std::uint16_t, 3>>;
    case keFormatBGRA_u16:
      return &DriveWith<BicubicKind, BicubicAlpha<std::uint16_t, 3>>;
    case keFormatBGRxA_u16:
      return &DriveWith<BicubicKind, BicubicPlain<std::uint16_t, 4>>;
    default:
      return nullptr;
  }
}

// Pixels are read in the resampler's format: the block and the image must have it.
bool Matches(keFormat format, const PixelBlock& dst, const TiledImage& image) {
  return dst.format == format && image.GetFormat() == format && (dst.height <= 1 || dst.stride != 0);
}

// The caller's cursor when it keeps one over this image, else one for this call only.
TileCursor& CursorFor(TiledImage& image, TileCursor* kept, std::optional<TileCursor>& local) {
  if (kept && &kept->Image() == &image) return *kept;
  local.emplace(image);
  return *local;
}

bool IsPacked(keFormat format) { return format == keFormatIndex1 || format == keFormatIndex4; }

// The fill colour as one pixel of the format; the float formats take up to 16 bytes.
struct FillPixel {
  alignas(8) std::uint8_t bytes[16] = {};
};

FillPixel MakeFillPixel(keFormat format, std::uint32_t colour) {
  FillPixel pixel;
  CPixelFormat(format).SetPixelColor(pixel.bytes, colour);
  return pixel;
}

class NearestResampler final : public Resampler {
 public:
  NearestResampler(keFormat format, int edgeMode, std::uint32_t fillColour)
      : Resampler(format, edgeMode, fillColour) {}
  int SampleRow(const PixelBlock& dst, const std::int32_t* positions, TiledImage& image,
                TileCursor* kept) const override {
    if (!Matches(Format(), dst, image)) return keErrorBadArgument;
    std::optional<TileCursor> local;
    TileCursor& cursor = CursorFor(image, kept, local);
    const NearestKind kind{CPixelFormat(Format()).GetBitsPerPixel() / 8};
    FillPixel fill;
    if (EdgeMode() == keEdgeFill) {
      const RGBQUAD* palette = image.GetPalette();
      if (palette && image.GetPaletteSize() > 0) {
        const std::uint32_t colour = FillColour();
        fill.bytes[0] = static_cast<std::uint8_t>(
            NearestPaletteIndex(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF,
                                reinterpret_cast<const std::uint8_t*>(palette), image.GetPaletteSize(), 4));
        fill.bytes[1] = static_cast<std::uint8_t>(colour >> 24);
      } else {
        fill = MakeFillPixel(Format(), FillColour());
      }
    }
    Drive(kind, dst, positions, cursor, EdgeMode(), fill.bytes);
    return 0;
  }
};

class DriverResampler final : public Resampler {
 public:
  DriverResampler(Driver driver, keFormat format, int edgeMode, std::uint32_t fillColour)
      : Resampler(format, edgeMode, fillColour), driver_(driver), fill_(MakeFillPixel(format, fillColour)) {}
  int SampleRow(const PixelBlock& dst, const std::int32_t* positions, TiledImage& image,
                TileCursor* kept) const override {
    if (!Matches(Format(), dst, image)) return keErrorBadArgument;
    if (!driver_) return 0;
    std::optional<TileCursor> local;
    driver_(dst, positions, CursorFor(image, kept, local), EdgeMode(), fill_.bytes);
    return 0;
  }

 private:
  Driver driver_;
  FillPixel fill_;
};

}  // namespace

const CubicWeights* CubicWeightTable() { return kCubicWeights.data(); }

std::unique_ptr<Resampler> CreateNearestResampler(keFormat format, int edgeMode, std::uint32_t fillColour) {
  if (IsPacked(format) || CPixelFormat(format).GetBitsPerPixel() < 8) return nullptr;
  return std::unique_ptr<Resampler>(new (std::nothrow) NearestResampler(format, edgeMode, fillColour));
}

std::unique_ptr<Resampler> CreateBilinearResampler(keFormat format, int edgeMode, std::uint32_t fillColour) {
  if (IsPacked(format)) return nullptr;
  return std::unique_ptr<Resampler>(
      new (std::nothrow) DriverResampler(BilinearDriver(format), format, edgeMode, fillColour));
}

std::unique_ptr<Resampler> CreateBicubicResampler(keFormat format, int edgeMode, std::uint32_t fillColour) {
  if (IsPacked(format)) return nullptr;
  return std::unique_ptr<Resampler>(new (std::nothrow)
                                        DriverResampler(BicubicDriver(format), format, edgeMode, fillColour));
}

std::unique_ptr<Resampler> CreateResampler(int mode, keFormat format, int edgeMode,
                                           std::uint32_t fillColour) {
  switch (mode) {
    case keInterpolationNearest:
      return CreateNearestResampler(format, edgeMode, fillColour);
    case keInterpolationBilinear:
      return CreateBilinearResampler(format, edgeMode, fillColour);
    case keInterpolationBicubic:
      return CreateBicubicResampler(format, edgeMode, fillColour);
    default:
      return nullptr;
  }
}

}  // namespace corvel
