// The banded image: state, creation and sharing.
#include "core/RowIteratorBands.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

#include "core/RowThreads.h"
#include "platform/win32/Memory.h"

namespace corvel {
namespace {

constexpr RGBQUAD Quad(std::uint32_t rgb) {
  return RGBQUAD{static_cast<BYTE>(rgb), static_cast<BYTE>(rgb >> 8), static_cast<BYTE>(rgb >> 16), 0};
}

constexpr std::array<RGBQUAD, 2> kPalette2 = {Quad(0x000000), Quad(0xFFFFFF)};

constexpr std::array<RGBQUAD, 16> kPalette16 = {
    Quad(0x000000), Quad(0x800000), Quad(0x008000), Quad(0x808000), Quad(0x000080), Quad(0x800080),
    Quad(0x008080), Quad(0xC0C0C0), Quad(0x808080), Quad(0xFF0000), Quad(0x00FF00), Quad(0xFFFF00),
    Quad(0x0000FF), Quad(0xFF00FF), Quad(0x00FFFF), Quad(0xFFFFFF)};

// A 6 x 6 x 6 colour cube, then black.
constexpr std::array<RGBQUAD, 256> kPalette256 = [] {
  std::array<RGBQUAD, 256> palette{};
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        palette[36 * r + 6 * g + b] = RGBQUAD{static_cast<BYTE>(51 * b), static_cast<BYTE>(51 * g),
                                              static_cast<BYTE>(51 * r), 0};
  return palette;
}();

constexpr std::array<RGBQUAD, 256> kGreyRamp = [] {
  std::array<RGBQUAD, 256> palette{};
  for (int i = 0; i < 256; ++i)
    palette[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
  return palette;
}();

bool IsCreatable(keFormat format) { return format >= keFormatIndex1 && format <= keFormatBGRxA_u16; }

// Every row of a band over 128 rows; a row may hold at most this many bytes, so that a band's
// block and every offset inside it fit comfortably.
constexpr std::int64_t kMaxRowBytes = std::int64_t{1} << 24;

// A new block's small pages mapped in by the row threads, each page once, ahead of the rows that
// fill it: one call a thread rather than a fault a page. Large pages are left to the first writes,
// though threads whose writes meet in one each have a copy of it zeroed: mapped ahead one thread
// each, a fifth less processor time on 8 threads over a megapixel tile, a new tile took 5-25% more
// wall time on a busy machine (a pass of its own, whose threads may be held up); mapped by the
// first thread to write in each while the others coming to it waited, a tile whose threads write
// in two large pages from their first rows took 5-17% longer, one whose threads do not about as
// long, idle or busy.
void FaultInRows(IMemoryBlock& block, std::intptr_t stride, int height) {
  const SIZE_T bytes = block.Size();
  if (block.Kind() != keMemoryVirtual || OnLargePages(bytes)) return;
  void* region = nullptr;
  block.Lock(&region, 0, bytes);
  RowThreads::Run(height, [&](int first, int last, int) {
    FaultInPages(region, bytes, SIZE_T(first) * SIZE_T(stride), SIZE_T(last) * SIZE_T(stride));
  });
  block.Unlock(0, bytes);
}

}  // namespace

const RGBQUAD* GreyRampPalette() { return kGreyRamp.data(); }

std::intptr_t SpreadPitch(std::int64_t rowBytes) {
  std::intptr_t lines = static_cast<std::intptr_t>((rowBytes + 63) / 64);
  if (lines % 2 == 0) ++lines;
  return lines * 64;
}

bool CRowIteratorBands::IsCallerMemory() const {
  return bands_ && endBand_ > firstBand_ && bands_[firstBand_].block &&
         bands_[firstBand_].block->Kind() == keMemoryExternal;
}

CRowIteratorBands::CRowIteratorBands() { Clear(); }

CRowIteratorBands::~CRowIteratorBands() { Destroy(); }

CRowIteratorBands& CRowIteratorBands::operator=(CRowIteratorBands& source) {
  Assign(source).ThrowIfFailed();
  return *this;
}

void CRowIteratorBands::Destroy() {
  ReleaseAllRows();
  rowLocks_.reset();
  Clear();
}

void CRowIteratorBands::Clear() {
  if (rowLocks_) {
    for (int row = 0; row <= Height(); ++row) delete[] rowLocks_[row].buffer;
    rowLocks_.reset();
  }
  // The lock that creation put on every band belongs to the row table's last holder.
  if (rowTable_.Release() && bands_)
    for (int i = firstBand_; i < endBand_; ++i) UnlockBandStorage(bands_[i]);
  storedFormat_ = presentedFormat_ = keFormatNone;
  firstBand_ = endBand_ = 0;
  paletteSize_ = 0;
  readKernel_ = writeKernel_ = nullptr;
  rect_ = RECT{0, 0, 0, 0};
  originX_ = originY_ = 0;
  bitsPerPixel_ = 0;
  accessMode_ = keAccessReadWrite;
  channelView_ = keRoleNone;
  rowCursor_[0] = rowCursor_[1] = 0;
  channelOffset_ = 0;
  bands_.Release();
  palette_.Release();
}

int CRowIteratorBands::GetPaletteSize() const {
  if (presentedFormat_ == keFormatGrey || presentedFormat_ == keFormatGreyA) return 256;
  return paletteSize_;
}

const RGBQUAD* CRowIteratorBands::GetPalette() const {
  if (presentedFormat_ == keFormatGrey || presentedFormat_ == keFormatGreyA) return kGreyRamp.data();
  return palette_.Get();
}

void CRowIteratorBands::SetPaletteSize(int size) {
  if (!CPixelFormat(presentedFormat_).IsIndexed() || !palette_) return;
  // The palette holds as many entries as the stored format can index.
  const int entries = 1 << CPixelFormat(storedFormat_).GetBitsPerChannel();
  if (size < 0 || size > entries) size = entries;
  paletteSize_ = size;
  for (int i = firstBand_; i < endBand_; ++i) bands_[i].paletteSize = size;
}

namespace {

// Where a band's count leaves or reaches 0, its storage is locked or let go: one thread at a time.
std::mutex& BandStorageLock() {
  static std::mutex lock;
  return lock;
}

// Raises a count already above 0, or lowers one above 1; false where the count stands at the
// step's edge, which only the caller holding BandStorageLock may cross.
bool StepInside(std::atomic<std::int32_t>& count, std::int32_t step) {
  std::int32_t now = count.load(std::memory_order_acquire);
  while (step > 0 ? now > 0 : now > 1) {
    if (count.compare_exchange_weak(now, now + step, std::memory_order_acq_rel)) return true;
  }
  return false;
}

}  // namespace

void CRowIteratorBands::LockBandStorage(CBand& band) {
  if (StepInside(band.lockCount, 1)) return;
  std::lock_guard<std::mutex> guard(BandStorageLock());
  if (StepInside(band.lockCount, 1)) return;
  auto* pointer = static_cast<BYTE*>(band.lockView.Lock(band.block.Get(), band.lockOffset, band.lockSize));
  // Allocated bands keep row 0 at the block's end, like a bottom-up bitmap.
  if (pointer && band.stride < 0 && band.block->Kind() != keMemoryExternal)
    pointer -= (band.rows - 1) * band.stride;
  band.firstRow = pointer;
  // Published after the row: a thread that sees the count sees where the rows are.
  band.lockCount.store(1, std::memory_order_release);
}

void CRowIteratorBands::UnlockBandStorage(CBand& band) {
  if (StepInside(band.lockCount, -1)) return;
  std::lock_guard<std::mutex> guard(BandStorageLock());
  if (StepInside(band.lockCount, -1) || band.lockCount.load(std::memory_order_acquire) <= 0) return;
  band.lockView.Unlock();
  band.firstRow = nullptr;
  band.lockCount.store(0, std::memory_order_release);
}

bool CRowIteratorBands::CreatePalette(keFormat format, const RGBQUAD* palette, int paletteSize) {
  const CPixelFormat pixelFormat(format);
  if (!pixelFormat.IsIndexed()) return true;
  const int entries = 1 << pixelFormat.GetBitsPerChannel();
  if (paletteSize < 0 || paletteSize > entries) paletteSize = entries;
  if (!palette) {
    switch (paletteSize) {
      case 2:
        palette = kPalette2.data();
        break;
      case 16:
        palette = kPalette16.data();
        break;
      case 256:
        palette = kPalette256.data();
        break;
      default:
        palette = format == keFormatIndex1   ? kPalette2.data()
                  : format == keFormatIndex4 ? kPalette16.data()
                                             : kPalette256.data();
    }
  }
  auto* entriesCopy = new (std::nothrow) RGBQUAD[entries]();
  if (!entriesCopy || !palette_.Assign(entriesCopy)) return false;
  std::copy(palette, palette + paletteSize, entriesCopy);
  paletteSize_ = paletteSize;
  return true;
}

CoreResult CRowIteratorBands::CreateBands(int width, int height, keFormat format, BYTE* callerRows,
                                          std::intptr_t callerStride, bool zeroFill, bool oneBlock,
                                          MemoryBlockPtr reused) {
  const int bits = CPixelFormat(format).GetBitsPerPixel();
  const std::int64_t imageRowBytes = (std::int64_t{width} * bits + 7) / 8;
  std::intptr_t stride;
  SIZE_T blockSize = 0;
  MemoryBlockPtr whole;
  if (callerRows) {
    stride = callerStride;
  } else if (oneBlock) {
    if (imageRowBytes > kMaxRowBytes) return keErrorBadArgument;
    stride = SpreadPitch(imageRowBytes);
    const SIZE_T bytes = static_cast<SIZE_T>(stride) * height;
    // Memory too small goes before the new block is made.
    if (reused && reused->Size() < bytes) reused.Reset();
    if (reused) {
      whole = std::move(reused);
    } else {
      try {
        whole = GetMemoryManager()->CreateBlock(bytes, zeroFill, keMemoryVirtual);
      } catch (const CJException&) {
        return keErrorNoMemory;
      }
      FaultInRows(*whole.Get(), stride, height);
    }
  } else {
    const std::int64_t rowBytes = bits * ((std::int64_t{width} + 127) / 128 * 128) / 8;
    if (rowBytes > kMaxRowBytes) return keErrorBadArgument;
    stride = -static_cast<std::intptr_t>(rowBytes);
    blockSize = static_cast<SIZE_T>((kBandRows * rowBytes + 65535) / 65536 * 65536);
  }
  const int bandCount = static_cast<int>((std::int64_t{height} + kBandRows - 1) / kBandRows);
  if (!bands_.Assign(new (std::nothrow) CBand[bandCount]) || !bands_) return keErrorNoMemory;
  const std::intptr_t absStride = stride < 0 ? -stride : stride;
  for (int i = bandCount - 1; i >= 0; --i) {
    CBand& band = bands_[i];
    band.format = format;
    band.width = width;
    band.rows = i == bandCount - 1 && height % kBandRows ? height % kBandRows : kBandRows;
    band.stride = stride;
    try {
      if (callerRows) {
        BYTE* address = callerRows + static_cast<std::intptr_t>(i) * kBandRows * stride;
        band.block = GetMemoryManager()->CreateBlock(reinterpret_cast<SIZE_T>(address), false,
                                                     keMemoryExternal);
        // The last band reaches only to the end of the caller's last row.
        band.lockSize = static_cast<std::uint64_t>(
            i == bandCount - 1 ? (band.rows - 1) * absStride + imageRowBytes : kBandRows * absStride);
      } else if (whole) {
        band.block = whole;
        band.lockOffset = static_cast<std::uint64_t>(i) * kBandRows * stride;
        band.lockSize = static_cast<std::uint64_t>(band.rows) * stride;
      } else {
        band.block = GetMemoryManager()->CreateBlock(blockSize, zeroFill, keMemoryVirtual);
      }
    } catch (const CJException&) {
      return keErrorNoMemory;
    }
  }
  BYTE** rows = new (std::nothrow) BYTE*[height];
  if (!rows || !rowTable_.Assign(rows)) return keErrorNoMemory;
  for (int i = 0; i < bandCount; ++i) {
    CBand& band = bands_[i];
    LockBandStorage(band);
    if (!band.firstRow) return keErrorNoMemory;
    for (int y = 0; y < band.rows; ++y) rows[i * kBandRows + y] = band.firstRow + y * band.stride;
  }
  storedFormat_ = presentedFormat_ = format;
  bitsPerPixel_ = bits;
  firstBand_ = 0;
  endBand_ = bandCount;
  rect_ = RECT{0, 0, width, height};
  originX_ = originY_ = 0;
  return keErrorNone;
}

CoreResult CRowIteratorBands::Create(int width, int height, keFormat format, const CColorRef* fill,
                                     const RGBQUAD* palette, int paletteSize) {
  return CreateOwned(width, height, format, fill, palette, paletteSize, false);
}

CoreResult CRowIteratorBands::CreateSpread(int width, int height, keFormat format) {
  return CreateSpreadOver(nullptr, width, height, format);
}

CoreResult CRowIteratorBands::CreateSpreadIn(CRowIteratorBands& memory, int width, int height,
                                             keFormat format) {
  MemoryBlockPtr block = memory.OwnBlock();
  memory.Destroy();
  return CreateSpreadOver(std::move(block), width, height, format);
}

CoreResult CRowIteratorBands::CreateSpreadOver(MemoryBlockPtr memory, int width, int height,
                                               keFormat format) {
  const CoreResult result = CreateOwned(width, height, format, nullptr, nullptr, -1, true, std::move(memory));
  // Bands are smaller blocks, which may be had where the whole image in one is not.
  return result.GetCode() == keErrorNoMemory ? Create(width, height, format) : result;
}

MemoryBlockPtr CRowIteratorBands::OwnBlock() const {
  if (!bands_.HeldAlone() || endBand_ <= firstBand_) return nullptr;
  const MemoryBlockPtr& block = bands_[firstBand_].block;
  if (!block || block->Kind() != keMemoryVirtual) return nullptr;
  for (int i = firstBand_; i < endBand_; ++i)
    if (bands_[i].block.Get() != block.Get()) return nullptr;
  return block;
}

CoreResult CRowIteratorBands::CreateOwned(int width, int height, keFormat format, const CColorRef* fill,
                                          const RGBQUAD* palette, int paletteSize, bool oneBlock,
                                          MemoryBlockPtr reused) {
  // The palette may be this image's own, which emptying frees.
  RGBQUAD kept[256];
  if (palette && palette == palette_.Get()) {
    std::copy(palette, palette + (1 << CPixelFormat(storedFormat_).GetBitsPerChannel()), kept);
    palette = kept;
  }
  Destroy();
  if (!IsCreatable(format) || width < 1 || height < 1) return keErrorBadArgument;
  CoreResult result = CreateBands(width, height, format, nullptr, 0, fill == nullptr, oneBlock,
                                  std::move(reused));
  if (result.Ok() && !CreatePalette(format, palette, paletteSize)) result = keErrorNoMemory;
  if (!result.Ok()) {
    Destroy();
    return result;
  }
  for (int i = firstBand_; i < endBand_; ++i) {
    bands_[i].palette = palette_.Get();
    bands_[i].paletteSize = paletteSize_;
  }
  return fill ? Fill(*fill) : CoreResult();
}

// Only fills when the image already presents that format at that size; with no colour given,
// transparent black for the formats with alpha and opaque black for the others.
CoreResult CRowIteratorBands::CreateOrFill(int width, int height, keFormat format, const CColorRef* fill) {
  if (bands_ && presentedFormat_ == format && Width() == width && Height() == height)
    return Fill(fill ? *fill : CColorRef(0, 0, 0, CPixelFormat(format).HasAlpha() ? 0 : 255));
  return Create(width, height, format, fill);
}

CoreResult CRowIteratorBands::CreateBGRA(int width, int height, const CColorRef* fill) {
  return CreateOrFill(width, height, keFormatBGRA, fill);
}
CoreResult CRowIteratorBands::CreateBGR(int width, int height, const CColorRef* fill) {
  return CreateOrFill(width, height, keFormatBGR, fill);
}
CoreResult CRowIteratorBands::CreateGrey(int width, int height, const CColorRef* fill) {
  return CreateOrFill(width, height, keFormatGrey, fill);
}
CoreResult CRowIteratorBands::CreateGreyA(int width, int height, const CColorRef* fill) {
  return CreateOrFill(width, height, keFormatGreyA, fill);
}

CoreResult CRowIteratorBands::CreateCopyOfRect(int width, int height, CRowIteratorBands& source,
                                               int accessMode, const CColorRef* fill) {
  if (!source.bands_) {
    Destroy();
    return keErrorNotCreated;
  }
  // Everything taken from the source is read before this image (maybe the source) is emptied.
  const keFormat stored = source.storedFormat_, presented = source.presentedFormat_;
  const int role = source.channelView_;
  const int left = source.rect_.left, top = source.rect_.top;
  const int paletteSize = source.GetPaletteSize();
  RGBQUAD palette[256] = {};
  const bool hasPalette = source.GetPalette() != nullptr;
  if (hasPalette) std::copy(source.GetPalette(), source.GetPalette() + std::min(paletteSize, 256), palette);

  CoreResult result = Create(width, height, stored, fill, hasPalette ? palette : nullptr, paletteSize);
  if (!result.Ok()) return result;
  result = role == keRoleNone ? SetViewFormat(presented, accessMode) : SetChannelView(role, accessMode);
  if (!result.Ok()) return result;
  rect_ = RECT{left, top, left + width, top + height};
  return result;
}

CoreResult CRowIteratorBands::CreateValidated(CRowIteratorBands& source, int accessMode,
                                              const CColorRef* fill) {
  return CreateCopyOfRect(source.Width(), source.Height(), source, accessMode, fill);
}

CoreResult CRowIteratorBands::CreateCopy(CRowIteratorBands& source) {
  if (&source == this) return CoreResult();
  if (!source.bands_) {
    Destroy();
    return keErrorNotCreated;
  }
  CoreResult result = Create(source.Width(), source.Height(), source.presentedFormat_, nullptr,
                             source.GetPalette(), source.GetPaletteSize());
  if (!result.Ok()) return result;
  return CopyPixels(*this, source);
}

CoreResult CRowIteratorBands::CreateView(int width, int height, BYTE* firstRow, std::intptr_t stride,
                                         keFormat format, int left, int top, int right, int bottom) {
  Destroy();
  if (!IsCreatable(format) || width < 1 || height < 1 || !firstRow || stride == 0) return keErrorBadArgument;
  const std::int64_t rowBytes = (std::int64_t{width} * CPixelFormat(format).GetBitsPerPixel() + 7) / 8;
  if ((stride < 0 ? -stride : stride) < rowBytes) return keErrorBadArgument;
  const bool narrowed = left < right && top < bottom;
  if (narrowed && (left < 0 || top < 0 || right > width || bottom > height)) return keErrorBadArgument;
  CoreResult result = CreateBands(width, height, format, firstRow, stride, false);
  if (result.Ok() && !CreatePalette(format, nullptr, -1)) result = keErrorNoMemory;
  if (!result.Ok()) {
    Destroy();
    return result;
  }
  for (int i = firstBand_; i < endBand_; ++i) {
    bands_[i].palette = palette_.Get();
    bands_[i].paletteSize = paletteSize_;
  }
  if (narrowed) {
    rect_ = RECT{left, top, right, bottom};
    originX_ = left;
    originY_ = top;
  }
  return result;
}

CoreResult CRowIteratorBands::CreateFromBuffer(const PixelBlock& buffer) {
  if (buffer.format == keFormatNone || buffer.format == keFormatCustom || buffer.width < 1 ||
      buffer.height < 1 || !buffer.bits || buffer.stride == 0) {
    Destroy();
    return keErrorBadArgument;
  }
  const bool indexed = CPixelFormat(buffer.format).IsIndexed();
  CoreResult result = Create(buffer.width, buffer.height, buffer.format, nullptr,
                             indexed ? buffer.palette : nullptr, indexed ? buffer.paletteSize : -1);
  if (!result.Ok()) return result;
  const std::size_t rowBytes = (static_cast<std::size_t>(buffer.width) * bitsPerPixel_ + 7) / 8;
  const BYTE* source = buffer.bits;
  for (int y = 0; y < buffer.height; ++y, source += buffer.stride) {
    BYTE* row;
    result = LockRow(y, &row);
    if (!result.Ok()) {
      Destroy();
      return result;
    }
    std::memcpy(row, source, rowBytes);
    ReleaseRow(y);
  }
  return result;
}

CoreResult CRowIteratorBands::CreateSubView(CRowIteratorBands& source, int left, int top, int right,
                                            int bottom) {
  const RECT outer = source.rect_;
  const POINT origin{source.originX_, source.originY_};
  if (!source.bands_) {
    Destroy();
    return keErrorNotCreated;
  }
  if (left > right || top > bottom || left < outer.left || top < outer.top || right > outer.right ||
      bottom > outer.bottom) {
    if (&source != this) Destroy();
    return keErrorBadArgument;
  }
  Share(source);
  rect_ = RECT{left, top, right, bottom};
  originX_ = origin.x - outer.left + left;
  originY_ = origin.y - outer.top + top;
  return CoreResult();
}

CoreResult CRowIteratorBands::ShareFrom(CRowIteratorBands& source) {
  Share(source);
  return CoreResult();
}

void CRowIteratorBands::Share(CRowIteratorBands& source) {
  if (&source == this) {
    RemoveView();
    return;
  }
  Destroy();
  bands_ = source.bands_;
  palette_ = source.palette_;
  paletteSize_ = source.paletteSize_;
  rowTable_ = source.rowTable_;
  storedFormat_ = presentedFormat_ = source.storedFormat_;
  firstBand_ = source.firstBand_;
  endBand_ = source.endBand_;
  rect_ = source.rect_;
  originX_ = source.originX_;
  originY_ = source.originY_;
  bitsPerPixel_ = CPixelFormat(storedFormat_).GetBitsPerPixel();
}

CoreResult CRowIteratorBands::Assign(CRowIteratorBands& source) {
  if (&source == this) return CoreResult();
  Destroy();
  if (!source.bands_) return CoreResult();
  Share(source);
  CoreResult result;
  if (source.channelView_ != keRoleNone)
    result = SetChannelView(source.channelView_, source.accessMode_);
  else if (source.presentedFormat_ != source.storedFormat_)
    result = SetViewFormat(source.presentedFormat_, source.accessMode_);
  rowCursor_[0] = source.rowCursor_[0];
  return result;
}

void CRowIteratorBands::TakeFrom(CRowIteratorBands& source) {
  if (&source == this) return;
  source.ReleaseAllRows();
  Share(source);
  rowCursor_[0] = source.rowCursor_[0];
  rowCursor_[1] = source.rowCursor_[1];
  source.Destroy();
}

void CRowIteratorBands::RemoveView() {
  ReleaseAllRows();
  rowLocks_.reset();
  readKernel_ = writeKernel_ = nullptr;
  presentedFormat_ = storedFormat_;
  channelView_ = keRoleNone;
  channelOffset_ = 0;
}

}  // namespace corvel
