// The banded image: rows, bands and views.
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "core/RowIteratorBands.h"

namespace corvel {

CoreResult CRowIteratorBands::LockRowSpan(int row, int x, int width, BYTE** pointer, int* pixelInByte) {
  if (pixelInByte) *pixelInByte = 0;
  if (!bands_) return keErrorNotCreated;
  if (width == -1) width = Width() - x;
  if (row < 0 || row >= Height() || x < 0 || width <= 0 || width > Width() - x) return keErrorBadArgument;
  // Bits are counted from the stored row's start, so a rectangle that starts inside a byte
  // addresses its pixels exactly.
  const std::int64_t firstBit = (std::int64_t{originX_} + x) * bitsPerPixel_;
  BYTE* storageRow = rowTable_[originY_ + row];
  if (!rowLocks_) {
    *pointer = storageRow + firstBit / 8;
    if (pixelInByte && bitsPerPixel_ < 8) *pixelInByte = static_cast<int>(firstBit % 8) / bitsPerPixel_;
    return CoreResult();
  }
  // The read kernels unpack from a byte's first pixel.
  if (firstBit % 8) return keErrorBadArgument;
  const auto offset = static_cast<std::int32_t>(firstBit / 8);
  RowLock& record = rowLocks_[row];
  if (record.buffer) {
    if (record.offset != offset || record.width != width) return keErrorBadArgument;
    ++record.lockCount;
    *pointer = record.buffer;
    return CoreResult();
  }
  RowLock& spare = rowLocks_[Height()];
  BYTE* buffer;
  if (spare.buffer && spare.width >= width) {
    buffer = std::exchange(spare.buffer, nullptr);
    spare.width = 0;
  } else {
    buffer = new (std::nothrow) BYTE[(static_cast<std::size_t>(GetBitsPerPixel()) * width + 7) / 8];
    if (!buffer) return keErrorNoMemory;
  }
  record = RowLock{buffer, offset, width, 1};
  if (readKernel_) readKernel_(this, buffer, storageRow + offset, width);
  *pointer = buffer;
  return CoreResult();
}

void CRowIteratorBands::ReleaseRow(int row) {
  if (!rowLocks_ || row < 0 || row >= Height()) return;
  RowLock& record = rowLocks_[row];
  if (!record.buffer || --record.lockCount > 0) return;
  if (writeKernel_)
    writeKernel_(this, rowTable_[originY_ + row] + record.offset, record.buffer, record.width);
  RowLock& spare = rowLocks_[Height()];
  if (!spare.buffer || spare.width < record.width) {
    delete[] spare.buffer;
    spare.buffer = record.buffer;
    spare.width = record.width;
  } else {
    delete[] record.buffer;
  }
  record = RowLock{nullptr, 0, 0, 0};
}

void CRowIteratorBands::UnlockRow(int row) {
  if (!rowLocks_ || row < 0 || row >= Height()) return;
  ReleaseRow(row);
}

void CRowIteratorBands::ReleaseAllRows() {
  if (!rowLocks_) return;
  for (int row = 0; row < Height(); ++row) {
    if (!rowLocks_[row].buffer) continue;
    rowLocks_[row].lockCount = 1;
    ReleaseRow(row);
  }
  RowLock& spare = rowLocks_[Height()];
  delete[] spare.buffer;
  spare = RowLock{nullptr, 0, 0, 0};
}

CoreResult CRowIteratorBands::GetRowAddress(int row, BYTE** address) {
  if (!bands_) return keErrorNotCreated;
  if (row < 0 || row >= Height()) return keErrorBadArgument;
  *address = StorageRow(row) + std::int64_t{bitsPerPixel_} * originX_ / 8;
  return CoreResult();
}

CoreResult CRowIteratorBands::GetBandAt(POINT point, Tile* band) const {
  if (point.x < 0 || point.y < 0 || point.x >= Width() || point.y >= Height()) {
    *band = Tile{INT_MIN, INT_MIN};
    return keErrorBadArgument;
  }
  *band = Tile{0, (originY_ + point.y) / kBandRows};
  return CoreResult();
}

CoreResult CRowIteratorBands::GetBandRange(const RECT& rect, RECT* range) const {
  Tile first, last;
  CoreResult result = GetBandAt(POINT{rect.left, rect.top}, &first);
  if (!result.Ok()) return result;
  result = GetBandAt(POINT{rect.right - 1, rect.bottom - 1}, &last);
  if (!result.Ok()) return result;
  *range = RECT{first.column, first.row, last.column + 1, last.row + 1};
  return result;
}

CoreResult CRowIteratorBands::GetBandRect(Tile band, RECT* rect) const {
  const std::int64_t bandTop = std::int64_t{band.row} * kBandRows;
  const std::int64_t top = std::max<std::int64_t>(originY_, bandTop);
  const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{originY_} + Height(), bandTop + kBandRows);
  if (band.column != 0 || top >= bottom || Width() <= 0) {
    *rect = RECT{0, 0, 0, 0};
    return keErrorBadArgument;
  }
  *rect = RECT{0, static_cast<LONG>(top - originY_), Width(), static_cast<LONG>(bottom - originY_)};
  return CoreResult();
}

CoreResult CRowIteratorBands::LockBand(Tile tile, PixelBlock* block) {
  if (tile.column != 0 || tile.row < firstBand_ || tile.row >= endBand_) return keErrorBadArgument;
  RECT part;
  CoreResult result = GetBandRect(tile, &part);
  if (!result.Ok()) return result;
  CBand& band = bands_[tile.row];
  if (!band.block || band.width == 0 || band.rows == 0 || band.stride == 0) return keErrorNotCreated;
  LockBandStorage(band);
  if (!band.firstRow) {
    UnlockBandStorage(band);
    return keErrorNotCreated;
  }
  const std::int64_t storageTop = std::int64_t{originY_} + part.top;
  const std::int64_t storageLeft = std::int64_t{originX_} + part.left;
  block->format = band.format;
  block->width = part.right - part.left;
  block->height = part.bottom - part.top;
  block->bits = band.firstRow + band.stride * (storageTop % kBandRows) + bitsPerPixel_ * storageLeft / 8;
  block->stride = band.stride;
  const bool indexed = CPixelFormat(presentedFormat_).IsIndexed();
  block->paletteSize = indexed ? GetPaletteSize() : 0;
  block->palette = indexed ? GetPalette() : nullptr;
  return result;
}

CoreResult CRowIteratorBands::UnlockBand(Tile tile) {
  if (tile.column != 0 || tile.row < firstBand_ || tile.row >= endBand_) return keErrorBadArgument;
  UnlockBandStorage(bands_[tile.row]);
  return CoreResult();
}

CoreResult CRowIteratorBands::SetRowKernels(RowKernel read, RowKernel writeBack, int accessMode) {
  if (accessMode == keAccessRead) writeBack = nullptr;
  if (accessMode == keAccessWrite) read = nullptr;
  std::unique_ptr<RowLock[]> records;
  if (read || writeBack) {
    records.reset(new (std::nothrow) RowLock[static_cast<std::size_t>(Height()) + 1]());
    if (!records) return keErrorNoMemory;
  }
  ReleaseAllRows();
  rowLocks_ = std::move(records);
  readKernel_ = read;
  writeKernel_ = writeBack;
  accessMode_ = accessMode;
  return CoreResult();
}

namespace {

struct ViewKernels {
  keFormat stored;
  keFormat presented;
  RowKernel read;
  RowKernel writeBack;  // null: the view is read only
};

constexpr ViewKernels kViewTable[] = {
    {keFormatIndex1, keFormatIndex8, Unpack1Bit, Pack1Bit},
    {keFormatIndex1, keFormatBGR, Index1ToBGR, nullptr},
    {keFormatIndex1, keFormatBGRA, Index1ToBGRA, nullptr},
    {keFormatIndex4, keFormatIndex8, Unpack4Bit, Pack4Bit},
    {keFormatIndex4, keFormatBGR, Index4ToBGR, nullptr},
    {keFormatIndex4, keFormatBGRA, Index4ToBGRA, nullptr},
    {keFormatIndex8, keFormatIndex8A, ByteToPairOpaque, PairToByte},
    {keFormatIndex8, keFormatBGR, Index8ToBGR, nullptr},
    {keFormatIndex8, keFormatBGRA, Index8ToBGRA, nullptr},
    {keFormatIndex8A, keFormatIndex8, PairToByte, ByteToPairOpaque},
    {keFormatIndex8A, keFormatBGRA, Index8AToBGRA, nullptr},
    {keFormatGrey, keFormatGreyA, ByteToPairOpaque, PairToByte},
    {keFormatGrey, keFormatBGR, GreyToBGR, BGRToGrey},
    {keFormatGrey, keFormatBGRA, GreyToBGRA, BGRAToGrey},
    {keFormatGreyA, keFormatBGRA, GreyAToBGRA, BGRAToGreyA},
    {keFormatBGR, keFormatGrey, BGRToGrey, GreyToBGR},
    {keFormatBGR, keFormatGreyA, BGRToGreyA, GreyAToBGR},
    {keFormatBGR, keFormatBGRA, BGRToBGRA, BGRAToBGR},
    {keFormatBGRA, keFormatGreyA, BGRAToGreyA, GreyAToBGRA},
    {keFormatBGRA, keFormatBGR, BGRAToBGR, BGRToBGRA},
    {keFormatBGRA, keFormatBGRxA, PremultiplyRow, UnpremultiplyRow},
    {keFormatBGRxA, keFormatBGRA, UnpremultiplyRow, PremultiplyRow},
};

struct ChannelKernels {
  keFormat stored;
  int role;
  int offset;
  RowKernel read;
  RowKernel writeBack;
  keFormat presented;
};

constexpr ChannelKernels kChannelTable[] = {
    {keFormatIndex8A, keRoleAlpha, 1, ReadChannel2, WriteChannel2, keFormatGrey},
    {keFormatIndex8A, keRolePaletteIndex, 0, ReadChannel2, WriteChannel2, keFormatIndex8},
    {keFormatGreyA, keRoleAlpha, 1, ReadChannel2, WriteChannel2, keFormatGrey},
    {keFormatGreyA, keRoleGrey, 0, ReadChannel2, WriteChannel2, keFormatGrey},
    {keFormatBGR, keRoleBlue, 0, ReadChannel3, WriteChannel3, keFormatGrey},
    {keFormatBGR, keRoleGreen, 1, ReadChannel3, WriteChannel3, keFormatGrey},
    {keFormatBGR, keRoleRed, 2, ReadChannel3, WriteChannel3, keFormatGrey},
    {keFormatBGRA, keRoleBlue, 0, ReadChannel4, WriteChannel4, keFormatGrey},
    {keFormatBGRA, keRoleGreen, 1, ReadChannel4, WriteChannel4, keFormatGrey},
    {keFormatBGRA, keRoleRed, 2, ReadChannel4, WriteChannel4, keFormatGrey},
    {keFormatBGRA, keRoleAlpha, 3, ReadChannel4, WriteChannel4, keFormatGrey},
    {keFormatBGRA, keRoleColors, 0, BGRAToBGR, BGRIntoBGRA, keFormatBGR},
};

}  // namespace

CoreResult CRowIteratorBands::SetViewFormat(keFormat format, int accessMode) {
  if (format == keFormatNone || format == storedFormat_) {
    if (channelView_ == keRoleNone) {
      RemoveView();
      accessMode_ = accessMode;
    }
    return CoreResult();
  }
  if (channelView_ != keRoleNone) return keErrorBadArgument;
  for (const ViewKernels& view : kViewTable) {
    if (view.stored != storedFormat_ || view.presented != format) continue;
    if (!view.writeBack && accessMode != keAccessRead) return keErrorBadArgument;
    CoreResult result = SetRowKernels(view.read, view.writeBack, accessMode);
    if (result.Ok()) presentedFormat_ = format;
    return result;
  }
  return keErrorBadArgument;
}

CoreResult CRowIteratorBands::SetChannelView(int role, int accessMode) {
  const bool identity = role == keRoleNone || (role == keRoleGrey && storedFormat_ == keFormatGrey) ||
                        (role == keRoleColors && storedFormat_ == keFormatBGR) ||
                        (role == keRolePaletteIndex && storedFormat_ == keFormatIndex8);
  if (identity) {
    if (channelView_ == keRoleNone && presentedFormat_ != storedFormat_) return CoreResult();
    RemoveView();
    return CoreResult();
  }
  const bool formatView = channelView_ == keRoleNone && presentedFormat_ != storedFormat_;
  if (formatView || storedFormat_ < keFormatIndex8A || storedFormat_ > keFormatBGRA)
    return keErrorBadArgument;
  for (const ChannelKernels& channel : kChannelTable) {
    if (channel.stored != storedFormat_ || channel.role != role) continue;
    CoreResult result = SetRowKernels(channel.read, channel.writeBack, accessMode);
    if (!result.Ok()) return result;
    presentedFormat_ = channel.presented;
    channelOffset_ = channel.offset;
    channelView_ = role;
    return result;
  }
  return keErrorBadArgument;
}

void CRowIteratorBands::ChangeFormat(keFormat format) {
  const keFormat old = storedFormat_;
  RemoveView();
  if (CPixelFormat(old).IsGrey() && CPixelFormat(format).IsIndexed()) {
    if (!CreatePalette(keFormatIndex8, GreyRampPalette(), 256)) throw CJException(keErrorNoMemory);
  } else if (!CPixelFormat(format).IsIndexed()) {
    palette_.Release();
    paletteSize_ = 0;
  }
  storedFormat_ = presentedFormat_ = format;
  bitsPerPixel_ = CPixelFormat(format).GetBitsPerPixel();
  if (!bands_) return;
  for (int i = firstBand_; i < endBand_; ++i) {
    bands_[i].format = format;
    bands_[i].paletteSize = paletteSize_;
    bands_[i].palette = palette_.Get();
  }
}

}  // namespace corvel
