#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/RowIteratorBands.h"
#include "platform/win32/Win32.h"

namespace corvel {
namespace {

int Code(const CoreResult& result) { return result.GetCode(); }

TEST(BandGeometry, RowBytesBandBlocksAndBandCounts) {
  struct Case {
    int width, height;
    keFormat format;
    std::intptr_t stride;
    int bands, lastRows;
    SIZE_T blockSize;
  };
  const Case cases[] = {
      {1, 1, keFormatBGR, -384, 1, 1, 65536},          {1, 128, keFormatBGR, -384, 1, 128, 65536},
      {1, 129, keFormatBGR, -384, 2, 1, 65536},        {129, 300, keFormatBGRA, -1024, 3, 44, 131072},
      {1000, 1, keFormatIndex1, -128, 1, 1, 65536},    {200, 1, keFormatIndex4, -128, 1, 1, 65536},
      {600, 1, keFormatBGRA_u16, -5120, 1, 1, 655360},
  };
  for (const Case& c : cases) {
    CRowIteratorBands image;
    ASSERT_EQ(Code(image.Create(c.width, c.height, c.format)), keErrorNone);
    ASSERT_EQ(image.GetBandCount(), c.bands) << c.width << "x" << c.height;
    for (int i = 0; i < c.bands; ++i) {
      const CBand* band = image.GetBand(i);
      EXPECT_EQ(band->stride, c.stride) << c.width << "x" << c.height;
      EXPECT_EQ(band->rows, i + 1 == c.bands ? c.lastRows : 128);
      EXPECT_EQ(band->block->Size(), c.blockSize);
      EXPECT_EQ(band->block->Kind(), keMemoryVirtual);
      EXPECT_EQ(band->lockCount, 1);
    }
    EXPECT_EQ(image.GetRowBytes(), (c.width * CPixelFormat(c.format).GetBitsPerPixel() + 7) / 8);
    // Row 0 of a band lies at the end of its block, the band's last row at its start.
    const CBand* last = image.GetBand(c.bands - 1);
    BYTE* bottom;
    ASSERT_EQ(Code(image.GetRowAddress(c.height - 1, &bottom)), keErrorNone);
    EXPECT_EQ(bottom, last->block->Lock(nullptr, 0, 0));
    last->block->Unlock(0, 0);
  }
}

TEST(BandGeometry, SpreadImagesLieTopDownInOneBlockAtAnOddCountOfLines) {
  EXPECT_EQ(SpreadPitch(1), 64);
  EXPECT_EQ(SpreadPitch(64), 64);
  EXPECT_EQ(SpreadPitch(65), 192);
  EXPECT_EQ(SpreadPitch(8192), 8256);
  for (const auto& [width, height, format] :
       {std::tuple{2048, 300, keFormatBGRA}, std::tuple{33, 129, keFormatBGR},
        std::tuple{7, 1, keFormatGrey}}) {
    CRowIteratorBands image;
    ASSERT_EQ(Code(image.CreateSpread(width, height, format)), keErrorNone);
    const std::intptr_t pitch = SpreadPitch(image.GetRowBytes());
    ASSERT_EQ(image.GetBandCount(), (height + 127) / 128);
    EXPECT_EQ(image.GetBand(0)->block->Size(), SIZE_T(pitch) * height);
    for (int i = 0; i < image.GetBandCount(); ++i)
      EXPECT_EQ(image.GetBand(i)->block.Get(), image.GetBand(0)->block.Get());
    BYTE *top, *row;
    ASSERT_EQ(Code(image.GetRowAddress(0, &top)), keErrorNone);
    for (int y = 0; y < height; ++y) {
      ASSERT_EQ(Code(image.GetRowAddress(y, &row)), keErrorNone);
      ASSERT_EQ(row - top, y * pitch) << width << "x" << height << " row " << y;
    }
  }
  CRowIteratorBands image;
  EXPECT_EQ(Code(image.CreateSpread(INT_MAX, 1, keFormatBGRA)), keErrorBadArgument);
  EXPECT_EQ(Code(image.CreateSpread(4, 0, keFormatBGRA)), keErrorBadArgument);
}

// An image made again in another's memory writes over the same pages where that memory is one
// block of its own with room for the rows, whatever their width; otherwise the memory goes before
// the new block is made, so that the two are never held at once.
TEST(BandGeometry, SpreadImagesTakeOverTheMemoryOfAnotherWhereItHasRoom) {
  enum Memory { kSpread, kSharedSpread, kBanded, kOneBand, kCallerRows };
  struct Case {
    Memory memory;
    int width, height;
    keFormat format;
    bool reused;
  };
  // The memory is 200 x 100 BGRA: 100 rows of 832 bytes.
  const Case cases[] = {
      {kSpread, 200, 100, keFormatBGRA, true},       {kSpread, 150, 60, keFormatBGRA, true},
      {kSpread, 400, 45, keFormatBGRA, true},        {kSpread, 700, 100, keFormatGrey, true},
      {kSpread, 217, 100, keFormatBGRA, false},      {kSpread, 100, 300, keFormatBGRA, false},
      {kSharedSpread, 100, 50, keFormatBGRA, false}, {kBanded, 50, 50, keFormatBGRA, false},
      {kOneBand, 60, 100, keFormatBGRA, true},       {kCallerRows, 20, 20, keFormatBGRA, false},
  };
  std::vector<BYTE> callerRows(832 * 100, 7);
  for (const Case& c : cases) {
    CRowIteratorBands memory, other, image;
    switch (c.memory) {
      case kSpread:
      case kSharedSpread:
        ASSERT_EQ(Code(memory.CreateSpread(200, 100, keFormatBGRA)), keErrorNone);
        if (c.memory == kSharedSpread) {
          ASSERT_EQ(Code(other.CreateSubView(memory, 0, 0, 10, 10)), keErrorNone);
        }
        break;
      case kBanded:
        ASSERT_EQ(Code(memory.Create(200, 300, keFormatBGRA)), keErrorNone);
        break;
      case kOneBand:
        ASSERT_EQ(Code(memory.Create(200, 100, keFormatBGRA)), keErrorNone);
        break;
      case kCallerRows:
        ASSERT_EQ(Code(memory.CreateView(200, 100, callerRows.data(), 832, keFormatBGRA)), keErrorNone);
        break;
    }
    ASSERT_EQ(Code(memory.SetPixel(3, 2, CColorRef(1, 2, 3, 4))), keErrorNone);
    const IMemoryBlock* block = memory.GetBand(0)->block.Get();
    const SIZE_T blockBytes = memory.GetBand(0)->block->Size();
    const int pixelBytes = CPixelFormat(c.format).GetBitsPerPixel() / 8;
    const std::intptr_t pitch = SpreadPitch(std::int64_t{c.width} * pixelBytes);
    const VirtualMemoryUse before = GetVirtualMemoryUse();
    ResetVirtualMemoryPeak();
    ASSERT_EQ(Code(image.CreateSpreadIn(memory, c.width, c.height, c.format)), keErrorNone);
    const SIZE_T made = SIZE_T(pitch) * c.height;
    const std::string what = std::to_string(c.memory) + ": " + std::to_string(c.width) + "x" +
                             std::to_string(c.height);
    EXPECT_FALSE(CRowIteratorBands::IsValid(&memory)) << what;
    ASSERT_EQ(image.Width(), c.width);
    ASSERT_EQ(image.Height(), c.height);
    EXPECT_EQ(image.GetFormat(), c.format);
    if (c.reused) {
      EXPECT_EQ(image.GetBand(0)->block.Get(), block) << what;
    }
    BYTE *top, *row;
    ASSERT_EQ(Code(image.GetRowAddress(0, &top)), keErrorNone);
    ASSERT_EQ(Code(image.GetRowAddress(c.height - 1, &row)), keErrorNone);
    EXPECT_EQ(row - top, (c.height - 1) * pitch) << what;
    const VirtualMemoryUse after = GetVirtualMemoryUse();
    if (c.reused) {
      EXPECT_EQ(after.now, before.now) << what;
      EXPECT_EQ(after.peak, before.now) << what;
    } else if (c.memory == kSpread || c.memory == kOneBand) {
      EXPECT_EQ(after.now, before.now - blockBytes + made) << what;
      EXPECT_EQ(after.peak, std::max(before.now, after.now)) << what;
    } else {
      EXPECT_EQ(after.now, before.now - (c.memory == kBanded ? 3 * blockBytes : 0) + made) << what;
    }
    if (c.memory == kSharedSpread) {
      CColorRef kept;
      ASSERT_EQ(Code(other.GetPixel(3, 2, &kept)), keErrorNone);
      EXPECT_EQ(kept.GetRed() + 10 * kept.GetGreen() + 100 * kept.GetBlue() + 1000 * kept.GetAlpha(), 4321);
    }
  }
  EXPECT_EQ(callerRows[0], 7);
  CRowIteratorBands image;
  ASSERT_EQ(Code(image.CreateSpread(30, 30, keFormatBGRA)), keErrorNone);
  const IMemoryBlock* block = image.GetBand(0)->block.Get();
  ASSERT_EQ(Code(image.CreateSpreadIn(image, 20, 25, keFormatBGRA)), keErrorNone);
  EXPECT_EQ(image.GetBand(0)->block.Get(), block) << "its own memory";
  EXPECT_EQ(Code(image.CreateSpreadIn(image, 0, 40, keFormatBGRA)), keErrorBadArgument);
  EXPECT_FALSE(CRowIteratorBands::IsValid(&image));
}

TEST(Sharing, ASpreadImageCopiesAndOutlivesItsFirstOwner) {
  CRowIteratorBands banded, shared;
  ASSERT_EQ(Code(banded.Create(50, 300, keFormatBGRA)), keErrorNone);
  for (int y = 0; y < 300; y += 7)
    ASSERT_EQ(Code(banded.SetPixel(y % 50, y, CColorRef(y % 256, 9, 3, 255))), keErrorNone);
  {
    CRowIteratorBands spread;
    ASSERT_EQ(Code(spread.CreateSpread(50, 300, keFormatBGRA)), keErrorNone);
    ASSERT_EQ(Code(CRowIteratorBands::CopyPixels(spread, banded)), keErrorNone);
    ASSERT_EQ(Code(shared.Assign(spread)), keErrorNone);
  }
  CRowIteratorBands back;
  ASSERT_EQ(Code(back.CreateCopy(shared)), keErrorNone);
  for (int y = 0; y < 300; ++y) {
    BYTE *from, *to;
    ASSERT_EQ(Code(banded.GetRowAddress(y, &from)), keErrorNone);
    ASSERT_EQ(Code(back.GetRowAddress(y, &to)), keErrorNone);
    ASSERT_EQ(std::memcmp(from, to, 200), 0) << y;
  }
}

TEST(BandGeometry, BadSizesAndFormatsAreRefused) {
  CRowIteratorBands image;
  for (keFormat format : {keFormatNone, keFormatCustom, keFormatGrey_f32, static_cast<keFormat>(20)})
    EXPECT_EQ(Code(image.Create(4, 4, format)), keErrorBadArgument) << format;
  EXPECT_EQ(Code(image.Create(0, 4, keFormatBGR)), keErrorBadArgument);
  EXPECT_EQ(Code(image.Create(4, -1, keFormatBGR)), keErrorBadArgument);
  EXPECT_EQ(Code(image.Create(INT_MAX, 1, keFormatBGRA)), keErrorBadArgument);
  EXPECT_FALSE(CRowIteratorBands::IsValid(&image));
  BYTE* row;
  EXPECT_EQ(Code(image.LockRow(0, &row)), keErrorNotCreated);
}

TEST(BandQueries, BandsOfPointsRectanglesAndTiles) {
  CRowIteratorBands image, part;
  ASSERT_EQ(Code(image.Create(10, 300, keFormatGrey)), keErrorNone);
  Tile tile;
  EXPECT_EQ(Code(image.GetBandAt(POINT{0, 130}, &tile)), keErrorNone);
  EXPECT_EQ(tile.row, 1);
  EXPECT_EQ(tile.column, 0);
  for (POINT outside : {POINT{-1, 0}, POINT{10, 0}, POINT{0, 300}, POINT{0, -1}}) {
    EXPECT_EQ(Code(image.GetBandAt(outside, &tile)), keErrorBadArgument);
    EXPECT_EQ(tile.row, INT_MIN);
  }

  // A sub-view from row 100 to 260 starts in band 0 and ends in band 2.
  ASSERT_EQ(Code(part.CreateSubView(image, 2, 100, 8, 260)), keErrorNone);
  RECT range{9, 9, 9, 9};
  EXPECT_EQ(Code(part.GetBandRange(RECT{0, 0, 6, 160}, &range)), keErrorNone);
  EXPECT_EQ(range.top, 0);
  EXPECT_EQ(range.bottom, 3);
  EXPECT_EQ(range.left, 0);
  EXPECT_EQ(range.right, 1);
  RECT untouched{1, 2, 3, 4};
  EXPECT_EQ(Code(part.GetBandRange(RECT{0, 0, 7, 160}, &untouched)), keErrorBadArgument);
  EXPECT_EQ(untouched.left, 1);

  struct Case {
    int row;
    RECT expected;
    int code;
  };
  for (const Case& c : {Case{0, {0, 0, 6, 28}, keErrorNone}, Case{1, {0, 28, 6, 156}, keErrorNone},
                        Case{2, {0, 156, 6, 160}, keErrorNone}, Case{3, {0, 0, 0, 0}, keErrorBadArgument}}) {
    RECT rect;
    EXPECT_EQ(Code(part.GetBandRect(Tile{0, c.row}, &rect)), c.code) << c.row;
    EXPECT_EQ(rect.top, c.expected.top) << c.row;
    EXPECT_EQ(rect.bottom, c.expected.bottom) << c.row;
    EXPECT_EQ(rect.right, c.expected.right) << c.row;
  }
  RECT rect;
  EXPECT_EQ(Code(part.GetBandRect(Tile{1, 0}, &rect)), keErrorBadArgument);
}

TEST(BandLocks, DescribeThePartOfABandInsideTheImage) {
  CRowIteratorBands image, part;
  ASSERT_EQ(Code(image.Create(10, 300, keFormatBGR)), keErrorNone);
  ASSERT_EQ(Code(part.CreateSubView(image, 2, 100, 8, 260)), keErrorNone);
  PixelBlock block;
  ASSERT_EQ(Code(part.LockBand(Tile{0, 1}, &block)), keErrorNone);
  EXPECT_EQ(image.GetBand(1)->lockCount, 2);
  EXPECT_EQ(block.width, 6);
  EXPECT_EQ(block.height, 128);
  EXPECT_EQ(block.format, keFormatBGR);
  BYTE* row;
  ASSERT_EQ(Code(part.GetRowAddress(28, &row)), keErrorNone);
  EXPECT_EQ(block.bits, row);
  EXPECT_EQ(block.bits + block.stride, row + image.GetBand(1)->stride);
  EXPECT_EQ(Code(part.UnlockBand(Tile{0, 1})), keErrorNone);
  EXPECT_EQ(image.GetBand(1)->lockCount, 1);
  EXPECT_EQ(Code(part.LockBand(Tile{0, 3}, &block)), keErrorBadArgument);
  EXPECT_EQ(Code(part.LockBand(Tile{1, 0}, &block)), keErrorBadArgument);
}

TEST(RowLocks, SpansAreCheckedAgainstTheImage) {
  CRowIteratorBands image;
  ASSERT_EQ(Code(image.Create(10, 4, keFormatBGR)), keErrorNone);
  BYTE* pointer;
  struct Case {
    int row, x, width, code;
  };
  for (const Case& c :
       {Case{0, -1, 2, keErrorBadArgument}, Case{0, 9, 2, keErrorBadArgument}, Case{0, 9, 1, keErrorNone},
        Case{0, 0, 0, keErrorBadArgument}, Case{0, 0, -2, keErrorBadArgument},
        Case{4, 0, -1, keErrorBadArgument}, Case{-1, 0, -1, keErrorBadArgument},
        Case{3, 10, -1, keErrorBadArgument}, Case{3, 3, -1, keErrorNone}}) {
    EXPECT_EQ(Code(image.LockRowSpan(c.row, c.x, c.width, &pointer)), c.code)
        << c.row << " " << c.x << " " << c.width;
    image.ReleaseRow(c.row);
  }
  // Without a view two spans of one row both point into storage.
  BYTE *first, *second;
  ASSERT_EQ(Code(image.LockRowSpan(5 - 2, 0, -1, &first)), keErrorNone);
  ASSERT_EQ(Code(image.LockRowSpan(3, 1, -1, &second)), keErrorNone);
  EXPECT_EQ(second, first + 3);
}

TEST(RowLocks, PixelInByteOfPackedFormats) {
  CRowIteratorBands image, part;
  ASSERT_EQ(Code(image.Create(40, 2, keFormatIndex1)), keErrorNone);
  BYTE *row, *pointer;
  int pixelInByte;
  ASSERT_EQ(Code(image.LockRow(0, &row)), keErrorNone);
  ASSERT_EQ(Code(image.LockRowSpan(0, 11, 3, &pointer, &pixelInByte)), keErrorNone);
  EXPECT_EQ(pointer, row + 1);
  EXPECT_EQ(pixelInByte, 3);
  // A sub-view starting inside a byte addresses its pixels from the storage's bits.
  ASSERT_EQ(Code(part.CreateSubView(image, 3, 0, 40, 2)), keErrorNone);
  ASSERT_EQ(Code(part.LockRowSpan(0, 6, 1, &pointer, &pixelInByte)), keErrorNone);
  EXPECT_EQ(pointer, row + 1);
  EXPECT_EQ(pixelInByte, 1);
  ASSERT_EQ(Code(part.SetViewFormat(keFormatIndex8, keAccessReadWrite)), keErrorNone);
  EXPECT_EQ(Code(part.LockRow(0, &pointer)), keErrorBadArgument);  // the view would start inside a byte
  ASSERT_EQ(Code(part.CreateSubView(image, 8, 0, 40, 2)), keErrorNone);
  ASSERT_EQ(Code(part.SetViewFormat(keFormatIndex8, keAccessReadWrite)), keErrorNone);
  EXPECT_EQ(Code(part.LockRow(0, &pointer)), keErrorNone);
  CRowIteratorBands nibbles;
  ASSERT_EQ(Code(nibbles.Create(9, 1, keFormatIndex4)), keErrorNone);
  ASSERT_EQ(Code(nibbles.LockRowSpan(0, 7, 1, &pointer, &pixelInByte)), keErrorNone);
  EXPECT_EQ(pixelInByte, 1);
}

// Row kernels of a BGR image that count their calls, for watching write-back.
int reads = 0, writes = 0;
void CountingRead(const CRowIteratorBands*, void* d, const void* s, int n) {
  ++reads;
  std::memcpy(d, s, 3 * n);
}
void CountingWrite(const CRowIteratorBands*, void* d, const void* s, int n) {
  ++writes;
  std::memcpy(d, s, 3 * n);
}

TEST(RowLocks, ARowLockedTwiceIsWrittenBackOnce) {
  CRowIteratorBands image;
  ASSERT_EQ(Code(image.Create(10, 8, keFormatBGR)), keErrorNone);
  ASSERT_EQ(Code(image.SetRowKernels(CountingRead, CountingWrite, keAccessReadWrite)), keErrorNone);
  reads = writes = 0;
  BYTE *first, *second;
  ASSERT_EQ(Code(image.LockRow(5, &first)), keErrorNone);
  ASSERT_EQ(Code(image.LockRow(5, &second)), keErrorNone);
  EXPECT_EQ(first, second);
  EXPECT_EQ(reads, 1);
  first[2] = 200;  // red of pixel 0
  image.ReleaseRow(5);
  EXPECT_EQ(writes, 0);
  image.ReleaseRow(5);
  EXPECT_EQ(writes, 1);
  image.ReleaseRow(5);  // not locked: nothing
  EXPECT_EQ(writes, 1);
  ASSERT_EQ(Code(image.SetViewFormat(keFormatNone, keAccessReadWrite)), keErrorNone);
  BYTE* stored;
  ASSERT_EQ(Code(image.LockRow(5, &stored)), keErrorNone);
  EXPECT_EQ(stored[2], 200);

  // A view locks a row again only with the same span; the spare buffer is reused.
  ASSERT_EQ(Code(image.SetRowKernels(CountingRead, CountingWrite, keAccessReadWrite)), keErrorNone);
  BYTE* pointer;
  ASSERT_EQ(Code(image.LockRowSpan(5, 0, 4, &pointer)), keErrorNone);
  EXPECT_EQ(Code(image.LockRowSpan(5, 1, 3, &pointer)), keErrorBadArgument);
  image.ReleaseRow(5);
  BYTE* reused;
  ASSERT_EQ(Code(image.LockRowSpan(6, 0, 2, &reused)), keErrorNone);
  EXPECT_EQ(reused, pointer);
  // ReleaseAllRows writes every held row back once.
  writes = 0;
  ASSERT_EQ(Code(image.LockRow(7, &pointer)), keErrorNone);
  ASSERT_EQ(Code(image.LockRow(7, &pointer)), keErrorNone);
  image.ReleaseAllRows();
  EXPECT_EQ(writes, 2);  // rows 6 and 7
}

TEST(RowLocks, AccessModesDropKernels) {
  CRowIteratorBands image;
  ASSERT_EQ(Code(image.Create(4, 2, keFormatBGR)), keErrorNone);
  reads = writes = 0;
  BYTE* row;
  ASSERT_EQ(Code(image.SetRowKernels(CountingRead, CountingWrite, keAccessRead)), keErrorNone);
  ASSERT_EQ(Code(image.LockRow(0, &row)), keErrorNone);
  image.ReleaseRow(0);
  ASSERT_EQ(Code(image.SetRowKernels(CountingRead, CountingWrite, keAccessWrite)), keErrorNone);
  ASSERT_EQ(Code(image.LockRow(0, &row)), keErrorNone);
  image.ReleaseRow(0);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(writes, 1);
}

// The view table, written out independently: which stored -> presented pairs exist, and which
// of them are read only.
const std::set<std::pair<int, int>> kReadWriteViews = {{1, 3}, {2, 3}, {3, 4}, {4, 3}, {5, 6},
                                                       {5, 7}, {5, 8}, {6, 8}, {7, 5}, {7, 6},
                                                       {7, 8}, {8, 6}, {8, 7}, {8, 9}, {9, 8}};
const std::set<std::pair<int, int>> kReadOnlyViews = {{1, 7}, {1, 8}, {2, 7}, {2, 8}, {3, 7}, {3, 8}, {4, 8}};

TEST(Views, EveryFormatPairTheTableAllowsAndRefuses) {
  for (int stored = keFormatIndex1; stored <= keFormatBGRxA_u16; ++stored) {
    CRowIteratorBands image;
    ASSERT_EQ(Code(image.Create(3, 2, static_cast<keFormat>(stored))), keErrorNone);
    for (int presented = keFormatCustom; presented <= keFormatLast; ++presented) {
      const auto format = static_cast<keFormat>(presented);
      const std::pair<int, int> pair{stored, presented};
      const bool identity = presented == stored || presented == keFormatNone;
      const bool readWrite = kReadWriteViews.count(pair) > 0, readOnly = kReadOnlyViews.count(pair) > 0;
      EXPECT_EQ(Code(image.SetViewFormat(format, keAccessReadWrite)),
                identity || readWrite ? keErrorNone : keErrorBadArgument)
          << stored << " -> " << presented;
      EXPECT_EQ(Code(image.SetViewFormat(format, keAccessRead)),
                identity || readWrite || readOnly ? keErrorNone : keErrorBadArgument)
          << stored << " -> " << presented;
      EXPECT_EQ(image.GetFormat(), identity || readWrite || readOnly
                                       ? (identity ? image.GetStorageFormat() : format)
                                       : image.GetFormat());
      ASSERT_EQ(Code(image.SetViewFormat(keFormatNone, keAccessReadWrite)), keErrorNone);
      EXPECT_EQ(image.GetFormat(), image.GetStorageFormat());
    }
  }
}

TEST(Views, ChannelViewsTheTableAllowsAndRefuses) {
  struct Allowed {
    keFormat stored;
    int role;
    keFormat presented;
  };
  const Allowed allowed[] = {
      {keFormatIndex8A, keRoleAlpha, keFormatGrey}, {keFormatIndex8A, keRolePaletteIndex, keFormatIndex8},
      {keFormatGreyA, keRoleAlpha, keFormatGrey},   {keFormatGreyA, keRoleGrey, keFormatGrey},
      {keFormatBGR, keRoleBlue, keFormatGrey},      {keFormatBGR, keRoleGreen, keFormatGrey},
      {keFormatBGR, keRoleRed, keFormatGrey},       {keFormatBGRA, keRoleBlue, keFormatGrey},
      {keFormatBGRA, keRoleGreen, keFormatGrey},    {keFormatBGRA, keRoleRed, keFormatGrey},
      {keFormatBGRA, keRoleAlpha, keFormatGrey},    {keFormatBGRA, keRoleColors, keFormatBGR},
  };
  for (int stored = keFormatIndex1; stored <= keFormatBGRxA_u16; ++stored) {
    for (int role = keRoleColors; role <= keRolePaletteIndex; ++role) {
      CRowIteratorBands image;
      ASSERT_EQ(Code(image.Create(3, 2, static_cast<keFormat>(stored))), keErrorNone);
      const bool identity = role == keRoleNone || (role == keRoleGrey && stored == keFormatGrey) ||
                            (role == keRoleColors && stored == keFormatBGR) ||
                            (role == keRolePaletteIndex && stored == keFormatIndex8);
      const Allowed* match = nullptr;
      for (const Allowed& a : allowed)
        if (a.stored == stored && a.role == role) match = &a;
      EXPECT_EQ(Code(image.SetChannelView(role, keAccessReadWrite)),
                identity || match ? keErrorNone : keErrorBadArgument)
          << stored << " role " << role;
      EXPECT_EQ(image.GetFormat(), match ? match->presented : static_cast<keFormat>(stored))
          << stored << " role " << role;
      EXPECT_EQ(image.GetChannelView(), match ? role : keRoleNone);
    }
  }
}

TEST(Views, FormatAndChannelViewsExcludeEachOther) {
  CRowIteratorBands image;
  ASSERT_EQ(Code(image.Create(3, 2, keFormatBGRA)), keErrorNone);
  ASSERT_EQ(Code(image.SetViewFormat(keFormatBGR, keAccessReadWrite)), keErrorNone);
  EXPECT_EQ(Code(image.SetChannelView(keRoleRed, keAccessReadWrite)), keErrorBadArgument);
  EXPECT_EQ(Code(image.SetChannelView(keRoleNone, keAccessReadWrite)),
            keErrorNone);  // leaves the format view
  EXPECT_EQ(image.GetFormat(), keFormatBGR);
  ASSERT_EQ(Code(image.SetViewFormat(keFormatNone, keAccessReadWrite)), keErrorNone);
  ASSERT_EQ(Code(image.SetChannelView(keRoleRed, keAccessReadWrite)), keErrorNone);
  EXPECT_EQ(Code(image.SetViewFormat(keFormatGreyA, keAccessReadWrite)), keErrorBadArgument);
  EXPECT_EQ(Code(image.SetViewFormat(keFormatNone, keAccessReadWrite)),
            keErrorNone);  // keeps the channel view
  EXPECT_EQ(image.GetChannelView(), keRoleRed);
  ASSERT_EQ(Code(image.SetChannelView(keRoleAlpha, keAccessReadWrite)), keErrorNone);  // replaces it
  EXPECT_EQ(image.GetChannelOffset(), 3);
}

TEST(Views, AChannelViewWritesOnlyItsChannel) {
  CRowIteratorBands image;
  const CColorRef fill(10, 20, 30, 40);
  ASSERT_EQ(Code(image.Create(2, 1, keFormatBGRA, &fill)), keErrorNone);
  ASSERT_EQ(Code(image.SetChannelView(keRoleGreen, keAccessReadWrite)), keErrorNone);
  BYTE* row;
  ASSERT_EQ(Code(image.LockRow(0, &row)), keErrorNone);
  EXPECT_EQ(row[0], 20);
  row[1] = 99;
  image.ReleaseRow(0);
  ASSERT_EQ(Code(image.SetChannelView(keRoleNone, keAccessReadWrite)), keErrorNone);
  ASSERT_EQ(Code(image.LockRow(0, &row)), keErrorNone);
  EXPECT_EQ(std::vector<BYTE>(row, row + 8), (std::vector<BYTE>{30, 20, 10, 40, 30, 99, 10, 40}));
}

TEST(Palettes, DefaultsByFormatAndSize) {
  CRowIteratorBands image;
  ASSERT_EQ(Code(image.Create(2, 2, keFormatIndex4)), keErrorNone);
  ASSERT_EQ(image.GetPaletteSize(), 16);
  const RGBQUAD red = image.GetPalette()[9];
  EXPECT_EQ(red.rgbRed, 255);
  EXPECT_EQ(red.rgbBlue, 0);
  EXPECT_EQ(image.GetPalette()[4].rgbBlue, 0x80);  // 0x000080 is blue
  ASSERT_EQ(Code(image.Create(2, 2, keFormatIndex8)), keErrorNone);
  const RGBQUAD cube = image.GetPalette()[36 * 5 + 6 * 2 + 1];
  EXPECT_EQ(cube.rgbRed, 255);
  EXPECT_EQ(cube.rgbGreen, 102);
  EXPECT_EQ(cube.rgbBlue, 51);
  EXPECT_EQ(image.GetPalette()[216].rgbRed, 0);
  ASSERT_EQ(Code(image.Create(2, 2, keFormatIndex8, nullptr, nullptr, 2)), keErrorNone);
  EXPECT_EQ(image.GetPaletteSize(), 2);
  EXPECT_EQ(image.GetPalette()[1].rgbGreen, 255);  // the two-entry palette: black, white
  EXPECT_EQ(image.GetPalette()[2].rgbGreen, 0);
  image.SetPaletteSize(-1);
  EXPECT_EQ(image.GetPaletteSize(), 256);
  ASSERT_EQ(Code(image.Create(2, 2, keFormatIndex1)), keErrorNone);
  ASSERT_EQ(Code(image.SetViewFormat(keFormatIndex8, keAccessReadWrite)), keErrorNone);
  image.SetPaletteSize(300);
  EXPECT_EQ(image.GetPaletteSize(), 2);  // never more than the stored palette holds

  ASSERT_EQ(Code(image.Create(2, 2, keFormatGreyA)), keErrorNone);
  EXPECT_EQ(image.GetPaletteSize(), 256);
  EXPECT_EQ(image.GetPalette()[77].rgbGreen, 77);
}

TEST(Creation, FormatCreatorsOnlyFillAnImageOfTheSameShape) {
  CRowIteratorBands image;
  const CColorRef white(255, 255, 255, 255);
  ASSERT_EQ(Code(image.CreateBGRA(10, 10, &white)), keErrorNone);
  const CBand* band = image.GetBand(0);
  ASSERT_EQ(Code(image.CreateBGRA(10, 10)), keErrorNone);
  EXPECT_EQ(image.GetBand(0), band);
  CColorRef pixel;
  ASSERT_EQ(Code(image.GetPixel(9, 9, &pixel)), keErrorNone);
  EXPECT_EQ(pixel.GetAlpha(), 0);
  EXPECT_EQ(pixel.GetRed(), 0);
  ASSERT_EQ(Code(image.CreateBGR(10, 10)), keErrorNone);
  ASSERT_EQ(Code(image.CreateBGR(10, 10)), keErrorNone);
  ASSERT_EQ(Code(image.GetPixel(0, 0, &pixel)), keErrorNone);
  EXPECT_EQ(pixel.GetAlpha(), 255);
}

TEST(Sharing, SubViewsAndSharedCopiesSeeOneStorage) {
  auto image = std::make_unique<CRowIteratorBands>();
  ASSERT_EQ(Code(image->Create(20, 200, keFormatGrey)), keErrorNone);
  CRowIteratorBands shared, part;
  ASSERT_EQ(Code(shared.Assign(*image)), keErrorNone);
  ASSERT_EQ(Code(part.CreateSubView(shared, 5, 150, 15, 190)), keErrorNone);
  EXPECT_EQ(Code(part.CreateSubView(shared, 5, 150, 21, 190)), keErrorBadArgument);
  ASSERT_EQ(Code(part.CreateSubView(shared, 5, 150, 15, 190)), keErrorNone);
  ASSERT_EQ(Code(part.SetPixel(1, 2, CColorRef(200, 200, 200, 255))), keErrorNone);
  image.reset();  // the others keep the storage alive and locked
  CColorRef pixel;
  ASSERT_EQ(Code(shared.GetPixel(6, 152, &pixel)), keErrorNone);
  EXPECT_EQ(pixel.GetRed(), 200);
  EXPECT_EQ(shared.GetBand(1)->lockCount, 1);

  CRowIteratorBands taken;
  taken.TakeFrom(shared);
  EXPECT_FALSE(CRowIteratorBands::IsValid(&shared));
  ASSERT_EQ(Code(taken.GetPixel(6, 152, &pixel)), keErrorNone);
  EXPECT_EQ(pixel.GetRed(), 200);
}

TEST(Sharing, AssignTakesTheViewAndReportsItsFailure) {
  CRowIteratorBands image, copy;
  ASSERT_EQ(Code(image.Create(4, 4, keFormatIndex8)), keErrorNone);
  ASSERT_EQ(Code(image.SetViewFormat(keFormatBGR, keAccessRead)), keErrorNone);
  image.RowCursor(0) = 7;
  ASSERT_EQ(Code(copy.Assign(image)), keErrorNone);
  EXPECT_EQ(copy.GetFormat(), keFormatBGR);
  EXPECT_EQ(copy.RowCursor(0), 7);

  // A view the copy cannot be given in that access mode is reported, not thrown later.
  CRowIteratorBands shaped;
  EXPECT_EQ(Code(shaped.CreateCopyOfRect(2, 2, image, keAccessReadWrite)), keErrorBadArgument);
  ASSERT_EQ(Code(shaped.CreateCopyOfRect(2, 3, image, keAccessRead)), keErrorNone);
  EXPECT_EQ(shaped.GetFormat(), keFormatBGR);
  EXPECT_EQ(shaped.GetStorageFormat(), keFormatIndex8);
  EXPECT_EQ(shaped.Height(), 3);
  CRowIteratorBands empty;
  EXPECT_EQ(Code(copy.CreateCopy(empty)), keErrorNotCreated);
}

TEST(Sharing, CreateCopyOfRectKeepsTheSourcesFrame) {
  CRowIteratorBands image, part, shaped;
  ASSERT_EQ(Code(image.Create(20, 20, keFormatBGRA)), keErrorNone);
  ASSERT_EQ(Code(part.CreateSubView(image, 4, 6, 14, 16)), keErrorNone);
  ASSERT_EQ(Code(part.SetChannelView(keRoleAlpha, keAccessReadWrite)), keErrorNone);
  ASSERT_EQ(Code(shaped.CreateValidated(part, keAccessReadWrite)), keErrorNone);
  EXPECT_EQ(shaped.GetRect().left, 4);
  EXPECT_EQ(shaped.GetRect().top, 6);
  EXPECT_EQ(shaped.Width(), 10);
  EXPECT_EQ(shaped.GetOrigin().x, 0);
  EXPECT_EQ(shaped.GetChannelView(), keRoleAlpha);
  EXPECT_EQ(shaped.GetFormat(), keFormatGrey);
}

TEST(CallerMemory, ViewsReadAndWriteTheCallersRows) {
  // 5 x 300 BGR rows of 16 bytes, top-down.
  std::vector<BYTE> memory(300 * 16);
  for (int y = 0; y < 300; ++y) memory[y * 16] = static_cast<BYTE>(y);
  CRowIteratorBands image;
  ASSERT_EQ(Code(image.CreateView(5, 300, memory.data(), 16, keFormatBGR)), keErrorNone);
  ASSERT_EQ(image.GetBandCount(), 3);
  EXPECT_EQ(image.GetBand(0)->block->Kind(), keMemoryExternal);
  // The last band's lock reaches only to the end of the last row.
  EXPECT_EQ(image.GetBand(2)->lockSize, 43u * 16 + 15);
  EXPECT_EQ(image.GetBand(0)->lockSize, 128u * 16);
  CColorRef pixel;
  ASSERT_EQ(Code(image.GetPixel(0, 299, &pixel)), keErrorNone);
  EXPECT_EQ(pixel.GetBlue(), 299 - 256);
  ASSERT_EQ(Code(image.SetPixel(4, 130, CColorRef(1, 2, 3, 255))), keErrorNone);
  EXPECT_EQ(memory[130 * 16 + 12], 3);
  EXPECT_EQ(memory[130 * 16 + 14], 1);

  CRowIteratorBands narrowed;
  ASSERT_EQ(Code(narrowed.CreateView(5, 300, memory.data(), 16, keFormatBGR, 1, 10, 4, 20)), keErrorNone);
  EXPECT_EQ(narrowed.Width(), 3);
  ASSERT_EQ(Code(narrowed.GetPixel(0, 0, &pixel)), keErrorNone);
  EXPECT_EQ(memory[10 * 16 + 3], pixel.GetBlue());
  struct Bad {
    int width;
    std::intptr_t stride;
    keFormat format;
    int right;
  };
  for (const Bad& bad :
       {Bad{5, 0, keFormatBGR, 0}, Bad{5, 14, keFormatBGR, 0}, Bad{5, 16, keFormatNone, 0},
        Bad{5, 16, keFormatGrey_f32, 0}, Bad{0, 16, keFormatBGR, 0}, Bad{5, 16, keFormatBGR, 6}})
    EXPECT_EQ(
        Code(narrowed.CreateView(bad.width, 300, memory.data(), bad.stride, bad.format, 0, 0, bad.right, 1)),
        keErrorBadArgument)
        << bad.stride << " " << bad.right;
}

TEST(CallerMemory, CreateFromBufferCopiesTheRows) {
  const BYTE pixels[] = {1, 2, 3, 4, 0xEE, 5, 6, 7, 8, 0xEE};
  PixelBlock buffer;
  buffer.format = keFormatGreyA;
  buffer.width = 2;
  buffer.height = 2;
  buffer.bits = const_cast<BYTE*>(pixels);
  buffer.stride = 5;
  CRowIteratorBands image;
  ASSERT_EQ(Code(image.CreateFromBuffer(buffer)), keErrorNone);
  BYTE* row;
  ASSERT_EQ(Code(image.LockRow(1, &row)), keErrorNone);
  EXPECT_EQ(std::vector<BYTE>(row, row + 4), (std::vector<BYTE>{5, 6, 7, 8}));
  buffer.stride = 0;
  EXPECT_EQ(Code(image.CreateFromBuffer(buffer)), keErrorBadArgument);
  EXPECT_FALSE(CRowIteratorBands::IsValid(&image));
}

TEST(ChangeFormat, RelabelsAndGivesGreyTheRampAsPalette) {
  CRowIteratorBands image;
  const CColorRef grey(90, 90, 90, 255);
  ASSERT_EQ(Code(image.Create(3, 3, keFormatGrey, &grey)), keErrorNone);
  ASSERT_EQ(Code(image.SetViewFormat(keFormatBGR, keAccessReadWrite)), keErrorNone);
  image.ChangeFormat(keFormatIndex8);
  EXPECT_EQ(image.GetFormat(), keFormatIndex8);
  EXPECT_EQ(image.GetStoredPaletteSize(), 256);
  EXPECT_EQ(image.GetBand(0)->palette[90].rgbRed, 90);
  CColorRef pixel;
  ASSERT_EQ(Code(image.GetPixel(2, 2, &pixel)), keErrorNone);
  EXPECT_EQ(pixel.GetGreen(), 90);
  image.ChangeFormat(keFormatGrey);
  EXPECT_EQ(image.GetStoredPalette(), nullptr);
}

}  // namespace
}  // namespace corvel
