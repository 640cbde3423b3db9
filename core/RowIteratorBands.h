// CRowIteratorBands: the image of the whole system. Pixels live in bands of 128 rows, each
// band one block of the memory manager; rows are locked one span at a time and reached through
// a plain pointer. An image may present its pixels in another format than it stores (a view)
// or one channel as a grey image; a lock then converts the span into a private buffer and the
// release converts it back (core/RowConverters.h). Bands, palette and row table are shared by
// reference count, so a shared copy, a sub-rectangle or a view copies no pixels.
//
// Coordinates: an image rectangle (left, top, right, bottom) in the image's own frame; origin x
// and y name the storage column and row of its top-left pixel. Row and column arguments of the
// row, band and pixel operations count from the rectangle's top-left (0 .. width - 1).
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "core/ColorRef.h"
#include "core/CoreResult.h"
#include "core/CorvelMemoryMgr.h"
#include "core/PixelBlock.h"
#include "core/PixelFormat.h"
#include "core/RowConverters.h"
#include "core/TSharedArray.h"
#include "platform/win32/Types.h"

namespace corvel {

constexpr int kBandRows = 128;

// The pitch of rows of rowBytes that spreads them over the cache's sets: whole cache lines, an odd
// count of them, so that successive rows start in different sets. Pitches of a multiple of 512
// bytes, as bands of 128-pixel multiples have, make a walk down a column evict itself.
std::intptr_t SpreadPitch(std::int64_t rowBytes);

enum keAccessMode : int { keAccessRead = 0, keAccessWrite = 1, keAccessReadWrite = 2 };

// A tile of an image: for a banded image column 0 and the band's index as its row.
struct Tile {
  std::int32_t column;
  std::int32_t row;
};

struct CBand {
  MemoryBlockPtr block;
  MemLockView lockView;
  keFormat format = keFormatNone;
  std::int32_t width = 0;
  std::int32_t rows = 0;
  BYTE* firstRow = nullptr;  // row 0 while locked
  std::intptr_t stride = 0;
  std::int32_t paletteSize = 0;
  const RGBQUAD* palette = nullptr;
  std::uint64_t lockOffset = 0;
  std::uint64_t lockSize = 0;
  // Images sharing the band lock and unlock it from several threads: the count changes
  // atomically, and the storage is locked and let go under one lock (LockBandStorage).
  std::atomic<std::int32_t> lockCount{0};
};

class CRowIteratorBands {
 public:
  CRowIteratorBands();
  ~CRowIteratorBands();
  CRowIteratorBands(const CRowIteratorBands&) = delete;
  // Shares the source as Assign does; a failure is thrown as CJException.
  CRowIteratorBands& operator=(CRowIteratorBands& source);

  void Destroy();
  void Clear();
  static bool IsValid(const CRowIteratorBands* image) { return image && image->bands_; }

  int Width() const { return rect_.right - rect_.left; }
  int Height() const { return rect_.bottom - rect_.top; }
  const RECT& GetRect() const { return rect_; }
  // Moves the image rectangle's top-left in the image's own frame; the pixels stay.
  void MoveRectTo(int left, int top) { rect_ = RECT{left, top, left + Width(), top + Height()}; }
  keFormat GetFormat() const { return presentedFormat_; }
  keFormat GetStorageFormat() const { return storedFormat_; }
  int GetBitsPerPixel() const { return CPixelFormat(presentedFormat_).GetBitsPerPixel(); }
  int GetRowBytes() const { return static_cast<int>((std::int64_t{Width()} * GetBitsPerPixel() + 7) / 8); }
  int GetAccessMode() const { return accessMode_; }
  int GetChannelView() const { return channelView_; }
  POINT GetOrigin() const { return {originX_, originY_}; }
  // The presented palette: the grey ramp for a grey view, else the stored palette.
  int GetPaletteSize() const;
  const RGBQUAD* GetPalette() const;
  void SetPaletteSize(int size);
  // What the palette and channel row kernels read.
  int GetStoredPaletteSize() const { return paletteSize_; }
  const RGBQUAD* GetStoredPalette() const { return palette_.Get(); }
  int GetChannelOffset() const { return channelOffset_; }
  // Two words that belong to callers walking the image row by row.
  std::int32_t& RowCursor(int word) { return rowCursor_[word & 1]; }
  void ClearRowCursor() { rowCursor_[0] = rowCursor_[1] = 0; }

  // Creation; each empties the image first.
  CoreResult Create(int width, int height, keFormat format, const CColorRef* fill = nullptr,
                    const RGBQUAD* palette = nullptr, int paletteSize = -1);
  CoreResult CreateBGRA(int width, int height, const CColorRef* fill = nullptr);
  CoreResult CreateBGR(int width, int height, const CColorRef* fill = nullptr);
  CoreResult CreateGrey(int width, int height, const CColorRef* fill = nullptr);
  CoreResult CreateGreyA(int width, int height, const CColorRef* fill = nullptr);
  // As Create, but the rows lie top-down in one block at SpreadPitch: a walk down a column then
  // keeps its lines in the cache, and a render reads such rows in place rather than copying
  // them. Where one block of the whole image cannot be had, in bands as Create lays them.
  CoreResult CreateSpread(int width, int height, keFormat format);
  // As CreateSpread, in the memory of another image (left empty) where that is one block of this
  // image's own with room for the rows: the pages already mapped are written again, and the
  // pixels are what the memory held. Otherwise that memory is let go before the new block is
  // made, so that the two are never held at once.
  CoreResult CreateSpreadIn(CRowIteratorBands& memory, int width, int height, keFormat format);
  // An image of the given size shaped like the source (stored format, palette, view) whose
  // rectangle starts at the source's; no pixels are copied.
  CoreResult CreateCopyOfRect(int width, int height, CRowIteratorBands& source, int accessMode,
                              const CColorRef* fill = nullptr);
  CoreResult CreateValidated(CRowIteratorBands& source, int accessMode, const CColorRef* fill = nullptr);
  CoreResult CreateCopy(CRowIteratorBands& source);
  // An image over the caller's memory, which must outlive it. A non-empty rectangle inside
  // (0, 0, width, height) narrows the image to it.
  CoreResult CreateView(int width, int height, BYTE* firstRow, std::intptr_t stride, keFormat format,
                        int left = 0, int top = 0, int right = 0, int bottom = 0);
  CoreResult CreateFromBuffer(const PixelBlock& buffer);
  // From a packed device-independent bitmap of size bytes: header, palette, rows (uncompressed,
  // 1, 4, 8, 16 (index and alpha), 24 or 32 bits). keFormatNone chooses the format by the bit
  // count, grey for the grey ramp's palette. 101 for a malformed or too short bitmap.
  CoreResult CreateFromDIB(const void* bitmap, std::size_t size, keFormat format = keFormatNone);
  // The rectangle is in the source's frame and must lie inside the source's rectangle.
  CoreResult CreateSubView(CRowIteratorBands& source, int left, int top, int right, int bottom);

  // Sharing.
  CoreResult ShareFrom(CRowIteratorBands& source);
  CoreResult Assign(CRowIteratorBands& source);
  void TakeFrom(CRowIteratorBands& source);

  // Rows. width -1 means to the right edge. pixelInByte receives the position of the first
  // pixel inside the addressed byte for 1- and 4-bit storage without a view, else 0. Through a
  // view of 1- or 4-bit storage a span must start on a byte (101 otherwise): the read kernels
  // unpack whole bytes.
  CoreResult LockRowSpan(int row, int x, int width, BYTE** pointer, int* pixelInByte = nullptr);
  CoreResult LockRow(int row, BYTE** pointer) { return LockRowSpan(row, 0, -1, pointer); }
  // The span's pointer; a failed lock throws CJException.
  BYTE* LockRowPointer(int row, int x, int width) {
    BYTE* pointer = nullptr;
    LockRowSpan(row, x, width, &pointer).ThrowIfFailed();
    return pointer;
  }
  void ReleaseRow(int row);
  void UnlockRow(int row);
  void ReleaseAllRows();
  CoreResult GetRowAddress(int row, BYTE** address);

  // Bands as tiles: LockBand describes the part of a band inside the image.
  int GetBandCount() const { return endBand_; }
  const CBand* GetBand(int index) const {
    return index >= firstBand_ && index < endBand_ ? &bands_[index] : nullptr;
  }
  CoreResult LockBand(Tile band, PixelBlock* block);
  CoreResult UnlockBand(Tile band);
  CoreResult GetBandAt(POINT point, Tile* band) const;
  CoreResult GetBandRange(const RECT& rect, RECT* range) const;
  CoreResult GetBandRect(Tile band, RECT* rect) const;

  // True when rows lock in place (no view converts them): a lock then only computes a pointer,
  // so several threads may lock rows of the image at once.
  bool LocksRowsInPlace() const { return bands_ && !rowLocks_; }
  // True when the pixels are the caller's memory (CreateView).
  bool IsCallerMemory() const;

  // Views.
  void SetAccessMode(int mode) { accessMode_ = mode; }
  CoreResult SetRowKernels(RowKernel read, RowKernel writeBack, int accessMode);
  CoreResult SetViewFormat(keFormat format, int accessMode);
  CoreResult SetChannelView(int role, int accessMode);
  // Relabels the pixels without converting them; the caller keeps the bit depth.
  void ChangeFormat(keFormat format);

  // Pixels.
  CoreResult GetPixel(int x, int y, CColorRef* color);
  CoreResult SetPixel(int x, int y, const CColorRef& color);
  CoreResult Fill(const CColorRef& color);
  static CoreResult CopyPixels(CRowIteratorBands& destination, CRowIteratorBands& source);
  // Rectangles relative to each image's top-left.
  CoreResult CopyRectFrom(const RECT& destinationRect, CRowIteratorBands& source, const RECT& sourceRect);
  bool Unpremultiply();
  CoreResult Draw(HDC dc, const RECT& destination, const RECT& source, DWORD rop);
  CoreResult DrawCopy(HDC dc, int x, int y, int width = 0, int height = 0, int sourceX = 0, int sourceY = 0,
                      int sourceWidth = 0, int sourceHeight = 0);

 private:
  struct RowLock {
    BYTE* buffer;
    std::int32_t offset;  // bytes from the start of the stored row
    std::int32_t width;
    std::int32_t lockCount;
  };

  // oneBlock lays the rows top-down at SpreadPitch in one block: reused where given, else new.
  CoreResult CreateBands(int width, int height, keFormat format, BYTE* callerRows, std::intptr_t callerStride,
                         bool zeroFill, bool oneBlock = false, MemoryBlockPtr reused = nullptr);
  CoreResult CreateOwned(int width, int height, keFormat format, const CColorRef* fill,
                         const RGBQUAD* palette, int paletteSize, bool oneBlock,
                         MemoryBlockPtr reused = nullptr);
  // CreateSpread in memory where it has room for the rows.
  CoreResult CreateSpreadOver(MemoryBlockPtr memory, int width, int height, keFormat format);
  // The one block of virtual memory that holds every band, where no other image shares them.
  MemoryBlockPtr OwnBlock() const;
  CoreResult CreateOrFill(int width, int height, keFormat format, const CColorRef* fill);
  bool CreatePalette(keFormat format, const RGBQUAD* palette, int paletteSize);
  void LockCreatedBands();
  void RemoveView();
  void Share(CRowIteratorBands& source);  // ShareFrom, which cannot fail
  BYTE* StorageRow(int row) const { return rowTable_[originY_ + row]; }
  void LockBandStorage(CBand& band);
  void UnlockBandStorage(CBand& band);

  keFormat storedFormat_ = keFormatNone;
  std::int32_t firstBand_ = 0;
  std::int32_t endBand_ = 0;
  TSharedArray<CBand> bands_;
  TSharedArray<RGBQUAD> palette_;
  std::int32_t paletteSize_ = 0;
  RowKernel readKernel_ = nullptr;
  RowKernel writeKernel_ = nullptr;
  TSharedArray<BYTE*> rowTable_;
  RECT rect_{0, 0, 0, 0};
  std::int32_t originX_ = 0;
  std::int32_t originY_ = 0;
  std::int32_t bitsPerPixel_ = 0;  // of the stored format
  std::int32_t accessMode_ = keAccessReadWrite;
  std::int32_t channelView_ = keRoleNone;
  keFormat presentedFormat_ = keFormatNone;
  std::unique_ptr<RowLock[]> rowLocks_;  // height + 1 records, the last the spare buffer
  std::int32_t rowCursor_[2] = {0, 0};
  std::int32_t channelOffset_ = 0;
};

// The 256-entry grey ramp (entry i = grey i) that grey images present as their palette.
const RGBQUAD* GreyRampPalette();

}  // namespace corvel
