#include "core/BitmapImport.h"

#include <cstring>
#include <vector>

#include "platform/gdi/DcState.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/SysPalette.h"
#include "platform/ui/Paint.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/Memory.h"

namespace corvel {
namespace {

std::uint64_t RowBytes(std::uint64_t bitCount, std::uint64_t width) {
  return (bitCount * width + 31) / 32 * 4;
}

bool IsGreyRamp(const RGBQUAD* palette) {
  for (int i = 0; i < 256; ++i)
    if (palette[i].rgbBlue != i || palette[i].rgbGreen != i || palette[i].rgbRed != i ||
        palette[i].rgbReserved != 0)
      return false;
  return true;
}

keFormat FormatOfBitCount(int bitCount, const RGBQUAD* palette, bool fullPalette) {
  switch (bitCount) {
    case 1:
      return keFormatIndex1;
    case 4:
      return keFormatIndex4;
    case 8:
      return fullPalette && IsGreyRamp(palette) ? keFormatGrey : keFormatIndex8;
    case 16:
      return fullPalette && IsGreyRamp(palette) ? keFormatGreyA : keFormatIndex8A;
    case 24:
      return keFormatBGR;
    case 32:
      return keFormatBGRA;
    default:
      return keFormatNone;
  }
}

// A palette for the screen: the system palette on a 256-colour display, else the stock one.
// Answers whether it built (and must delete) the palette.
bool ScreenPalette(HDC screen, HPALETTE* palette) {
  if (GetDeviceCaps(screen, SIZEPALETTE) != 256) {
    *palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    return false;
  }
  std::vector<BYTE> block(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY), 0);
  auto* logical = reinterpret_cast<LOGPALETTE*>(block.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = 256;
  GetSystemPaletteEntries(screen, 0, 256, logical->palPalEntry);
  *palette = CreatePalette(logical);
  return *palette != nullptr;
}

}  // namespace

CoreResult CRowIteratorBands::CreateFromDIB(const void* bitmap, std::size_t size, keFormat format) {
  Destroy();
  if (!bitmap || size < sizeof(BITMAPINFOHEADER)) return keErrorBadArgument;
  BITMAPINFOHEADER header;
  std::memcpy(&header, bitmap, sizeof header);
  if (header.biSize < sizeof header || header.biSize > size || header.biCompression != BI_RGB ||
      header.biWidth < 0 || header.biHeight == INT32_MIN)
    return keErrorBadArgument;
  const auto* bytes = static_cast<const BYTE*>(bitmap);
  const int bitCount = header.biBitCount;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
    return keErrorBadArgument;

  // Palette: 2^bits entries for the indexed counts (the grey formats read 256), fewer when
  // "colours used" says so.
  const std::uint32_t paletteCapacity = bitCount <= 8 ? 1u << bitCount : bitCount == 16 ? 256u : 0u;
  if (header.biClrUsed > paletteCapacity) return keErrorBadArgument;
  const std::uint32_t entries = header.biClrUsed ? header.biClrUsed : paletteCapacity;
  const std::uint64_t paletteBytes = std::uint64_t{entries} * sizeof(RGBQUAD);
  if (header.biSize + paletteBytes > size) return keErrorBadArgument;
  std::vector<RGBQUAD> palette(paletteCapacity ? paletteCapacity : 1);
  std::memcpy(palette.data(), bytes + header.biSize, paletteBytes);
  const bool fullPalette = entries == 256;
  const keFormat chosen = format == keFormatNone ? FormatOfBitCount(bitCount, palette.data(), fullPalette)
                                                 : format;
  if (CPixelFormat(chosen).GetBitsPerPixel() != bitCount) return keErrorBadArgument;

  const BYTE* pixels = bytes + header.biSize + paletteBytes;
  const std::uint64_t width = static_cast<std::uint64_t>(header.biWidth);
  const std::uint64_t height = header.biHeight < 0
                                   ? std::uint64_t{0} -
                                         static_cast<std::uint64_t>(std::int64_t{header.biHeight})
                                   : static_cast<std::uint64_t>(header.biHeight);
  PixelBlock block;
  block.format = chosen;
  block.paletteSize = CPixelFormat(chosen).IsIndexed() ? static_cast<std::int32_t>(entries) : 0;
  block.palette = palette.data();
  // An empty bitmap stands as one zeroed pixel.
  const BYTE zeroRow[4] = {0, 0, 0, 0};
  if (width == 0 || height == 0) {
    block.width = block.height = 1;
    block.bits = const_cast<BYTE*>(zeroRow);
    block.stride = 4;
    return CreateFromBuffer(block);
  }
  const std::uint64_t rowBytes = RowBytes(static_cast<std::uint64_t>(bitCount), width);
  if (width > INT32_MAX || height > INT32_MAX || rowBytes > INT32_MAX ||
      rowBytes * height > size - header.biSize - paletteBytes)
    return keErrorBadArgument;
  block.width = static_cast<std::int32_t>(width);
  block.height = static_cast<std::int32_t>(height);
  if (header.biHeight < 0) {
    block.bits = const_cast<BYTE*>(pixels);
    block.stride = static_cast<std::intptr_t>(rowBytes);
  } else {
    block.bits = const_cast<BYTE*>(pixels + (height - 1) * rowBytes);
    block.stride = -static_cast<std::intptr_t>(rowBytes);
  }
  return CreateFromBuffer(block);
}

CoreResult CreateFromMemoryBlock(CRowIteratorBands& image, MemoryBlockPtr& block, keFormat format) {
  if (!block) return keErrorBadArgument;
  CoreResult result;
  {
    MemLockView view;
    void* pointer = view.Lock(block.Get(), 0, 0);
    if (!pointer) {
      result = keErrorNoMemory;
    } else {
      result = image.CreateFromDIB(pointer, view.Size(), format);
    }
  }
  ReleaseNoThrow(block);
  return result;
}

CoreResult CreateFromBitmap(CRowIteratorBands& image, HBITMAP bitmap, HPALETTE palette) {
  if (!bitmap) return keErrorBadArgument;
  BITMAP description{};
  if (!GetObject(bitmap, sizeof description, &description)) return keErrorBadArgument;
  HDC screen = GetDC(nullptr);
  bool ownPalette = false;
  if (!palette) ownPalette = ScreenPalette(screen, &palette);

  int bitCount = description.bmPlanes * description.bmBitsPixel;
  bitCount = bitCount <= 1 ? 1 : bitCount <= 4 ? 4 : bitCount <= 8 ? 8 : 24;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = description.bmWidth;
  header.biHeight = description.bmHeight;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bitCount);
  header.biCompression = BI_RGB;
  const std::uint64_t rowBytes = RowBytes(static_cast<std::uint64_t>(bitCount),
                                          static_cast<std::uint64_t>(description.bmWidth));
  header.biSizeImage = static_cast<DWORD>(rowBytes * static_cast<std::uint64_t>(description.bmHeight));
  const std::size_t paletteBytes = bitCount <= 8 ? (std::size_t{1} << bitCount) * sizeof(RGBQUAD) : 0;

  CoreResult result;
  MemoryBlockPtr block;
  try {
    AllocateMemoryBlockFlags(block, GMEM_ZEROINIT, sizeof header + paletteBytes + header.biSizeImage);
  } catch (const CJException&) {
    block.Reset();
  }
  void* memory = block ? LockNoThrow(block.Get(), 0, 0) : nullptr;
  if (!memory) {
    result = keErrorNoMemory;
  } else {
    auto* info = static_cast<BITMAPINFO*>(memory);
    std::memcpy(&info->bmiHeader, &header, sizeof header);
    HPALETTE previous = SelectPalette(screen, palette, FALSE);
    RealizePalette(screen);
    bool rendered = GetDIBits(screen, bitmap, 0, static_cast<UINT>(description.bmHeight), nullptr, info,
                              DIB_RGB_COLORS) != 0;
    if (rendered && info->bmiHeader.biSizeImage == 0) info->bmiHeader.biSizeImage = header.biSizeImage;
    rendered = rendered && info->bmiHeader.biSizeImage <= header.biSizeImage &&
               GetDIBits(screen, bitmap, 0, static_cast<UINT>(description.bmHeight),
                         static_cast<BYTE*>(memory) + sizeof header + paletteBytes, info,
                         DIB_RGB_COLORS) != 0;
    if (previous) SelectPalette(screen, previous, FALSE);
    UnlockNoThrow(block.Get(), 0, 0);
    if (!rendered) result = keErrorBitmapRender;
  }
  ReleaseDC(nullptr, screen);
  if (ownPalette) DeleteObject(palette);
  if (!result.Ok()) {
    ReleaseNoThrow(block);
    return result;
  }
  return CreateFromMemoryBlock(image, block, keFormatNone);
}

CRowAccessor::CRowAccessor(CRowIteratorBands& image, int row) : row_(row), image_(image) {
  if (!CRowIteratorBands::IsValid(&image) || row < 0 || row >= image.Height()) return;
  BYTE* pointer = nullptr;
  CoreResult result = image.LockRow(row, &pointer);
  if (result.Ok()) pointer_ = pointer;
}

void CRowAccessor::Release() {
  if (!pointer_) return;
  image_.UnlockRow(row_);
  pointer_ = nullptr;
}

bool MakeGreyFromGreyPalette(CRowIteratorBands& image) {
  if (!CRowIteratorBands::IsValid(&image)) return false;
  const keFormat stored = image.GetStorageFormat();
  if (stored == keFormatGrey || stored == keFormatGreyA || stored == keFormatGrey_u16 ||
      stored == keFormatGreyA_u16)
    return true;
  if (stored != keFormatIndex8 && stored != keFormatIndex8A) return false;
  const int size = image.GetPaletteSize();
  const RGBQUAD* palette = image.GetPalette();
  if (size > 0 && !palette) return false;
  BYTE remap[256];
  bool identity = true;
  for (int i = 0; i < 256; ++i) {
    remap[i] = static_cast<BYTE>(i);
    if (i >= size) continue;
    if (palette[i].rgbBlue != palette[i].rgbGreen || palette[i].rgbGreen != palette[i].rgbRed) return false;
    remap[i] = palette[i].rgbBlue;
    identity = identity && remap[i] == i;
  }
  const bool alpha = CPixelFormat(image.GetFormat()).HasAlpha();
  if (!identity) {
    const int step = stored == keFormatIndex8A ? 2 : 1;
    // Through the stored form, whatever view the image presents.
    image.ChangeFormat(stored);
    for (int y = 0; y < image.Height(); ++y) {
      CRowAccessor row(image, y);
      if (!row.Pointer()) return false;
      for (int x = 0; x < image.Width(); ++x) row.Pointer()[x * step] = remap[row.Pointer()[x * step]];
    }
  }
  image.ChangeFormat(alpha ? keFormatGreyA : keFormatGrey);
  return true;
}

}  // namespace corvel
