#include "codecs/ImageFileWMF.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codecs/detail/CodecFailure.h"
#include "codecs/detail/ImageLimits.h"
#include "codecs/detail/LittleEndian.h"
#include "platform/gdi/DcState.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Display.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Paint.h"

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableBytes = 22;
constexpr std::size_t kMetaHeaderBytes = 18;
// An enhanced metafile's header up to its size in bytes, which the signature precedes.
constexpr std::size_t kEnhancedHeadBytes = 52;
constexpr std::size_t kEnhancedSignatureAt = 40, kEnhancedSizeAt = 48;

// What a decode holds from the platform, given back on every path.
struct ScreenContext {
  ScreenContext() : dc(GetDC(nullptr)) {}
  ~ScreenContext() {
    if (dc) ReleaseDC(nullptr, dc);
  }
  HDC dc;
};
struct Metafile {
  ~Metafile() {
    if (handle) DeleteEnhMetaFile(handle);
  }
  HENHMETAFILE handle = nullptr;
};

}  // namespace

bool CImageFileWMF::CheckPlaceableHeader(const unsigned char bytes[22], PlaceableHeader* header) {
  header->key = ReadLE32(bytes);
  header->left = static_cast<std::int16_t>(ReadLE16(bytes + 6));
  header->top = static_cast<std::int16_t>(ReadLE16(bytes + 8));
  header->right = static_cast<std::int16_t>(ReadLE16(bytes + 10));
  header->bottom = static_cast<std::int16_t>(ReadLE16(bytes + 12));
  header->unitsPerInch = ReadLE16(bytes + 14);
  header->checksum = ReadLE16(bytes + 20);
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i < 20; i += 2) sum ^= ReadLE16(bytes + i);
  return header->key == kPlaceableKey && header->checksum == sum && header->unitsPerInch >= 1 &&
         header->unitsPerInch <= 2540;
}

HENHMETAFILE CImageFileWMF::LoadWindowsMetafile(CByteStream* file, HDC screen, long* width, long* height) {
  const long start = file->Tell();
  unsigned char placeable[kPlaceableBytes];
  PlaceableHeader header;
  if (file->Read(placeable, 1, kPlaceableBytes) != kPlaceableBytes ||
      !CheckPlaceableHeader(placeable, &header))
    return nullptr;
  unsigned char meta[kMetaHeaderBytes];
  if (file->Read(meta, 1, kMetaHeaderBytes) != kMetaHeaderBytes) return nullptr;
  const std::uint16_t type = ReadLE16(meta);
  const std::uint64_t length = static_cast<std::uint64_t>(ReadLE32(meta + 6)) * 2;
  const long fileSize = file->Size();
  if ((type != 1 && type != 2) || length < kMetaHeaderBytes || fileSize < start ||
      length > static_cast<std::uint64_t>(fileSize - start))
    return nullptr;
  std::vector<BYTE> bytes(static_cast<std::size_t>(length));
  if (!file->Seek(start + static_cast<long>(kPlaceableBytes), 0) ||
      file->Read(bytes.data(), 1, bytes.size()) != bytes.size())
    return nullptr;
  *width = static_cast<long>(header.right - header.left) * GetDeviceCaps(screen, LOGPIXELSX) /
           header.unitsPerInch;
  *height = static_cast<long>(header.bottom - header.top) * GetDeviceCaps(screen, LOGPIXELSY) /
            header.unitsPerInch;
  METAFILEPICT picture{MM_ANISOTROPIC, static_cast<LONG>(*width), static_cast<LONG>(*height), nullptr};
  while (picture.xExt < 6554 && picture.yExt < 6554) {
    if (picture.xExt <= 0 || picture.yExt <= 0) break;  // nothing to enlarge
    picture.xExt *= 10;
    picture.yExt *= 10;
  }
  const UINT size = static_cast<UINT>(bytes.size());
  if (HENHMETAFILE metafile = SetWinMetaFileBits(size, bytes.data(), screen, &picture)) return metafile;
  picture.mm = MM_TEXT;
  return SetWinMetaFileBits(size, bytes.data(), screen, &picture);
}

HENHMETAFILE CImageFileWMF::LoadEnhancedMetafile(CByteStream* file, long* width, long* height) {
  const long start = file->Tell(), fileSize = file->Size();
  if (start < 0 || fileSize <= start || static_cast<std::uint64_t>(fileSize - start) > kMaxImageBytes)
    return nullptr;
  std::vector<BYTE> bytes(static_cast<std::size_t>(fileSize - start));
  if (file->Read(bytes.data(), 1, bytes.size()) != bytes.size()) return nullptr;
  HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
  ENHMETAHEADER header;
  if (!metafile) return nullptr;
  if (GetEnhMetaFileHeader(metafile, sizeof header, &header) != sizeof header) {
    DeleteEnhMetaFile(metafile);
    return nullptr;
  }
  // Differences of 32-bit bounds fit a long here.
  *width = static_cast<long>(header.rclBounds.right) - header.rclBounds.left;
  *height = static_cast<long>(header.rclBounds.bottom) - header.rclBounds.top;
  return metafile;
}

const char* CImageFileWMF::WhyNotLoaded(CByteStream* file, long start) {
  unsigned char head[kEnhancedHeadBytes] = {};
  const std::size_t got = file->Seek(start, 0) ? file->Read(head, 1, sizeof head) : 0;
  const long fileSize = file->Size();
  const std::uint64_t held = fileSize > start ? static_cast<std::uint64_t>(fileSize - start) : 0;
  PlaceableHeader placeable;
  if (got >= kPlaceableBytes && CheckPlaceableHeader(head, &placeable)) {
    const std::uint64_t named = kPlaceableBytes + std::uint64_t{ReadLE32(head + kPlaceableBytes + 6)} * 2;
    return got < kPlaceableBytes + kMetaHeaderBytes || named > held ? kFileEndsEarly : "corrupted WMF";
  }
  if (got >= kEnhancedSizeAt && ReadLE32(head) == 1 &&
      ReadLE32(head + kEnhancedSignatureAt) == ENHMETA_SIGNATURE)
    return got < kEnhancedHeadBytes || ReadLE32(head + kEnhancedSizeAt) > held ? kFileEndsEarly
                                                                               : "corrupted EMF";
  return "corrupted WMF";
}

void CImageFileWMF::LimitSize(long* width, long* height) {
  // A sliver keeps one row or column rather than vanishing.
  if (*width > kMaxSide) {
    *height = std::max<long>(1, static_cast<long>(static_cast<std::int64_t>(*height) * kMaxSide / *width));
    *width = kMaxSide;
  }
  if (*height > kMaxSide) {
    *width = std::max<long>(1, static_cast<long>(static_cast<std::int64_t>(*width) * kMaxSide / *height));
    *height = kMaxSide;
  }
}

bool CImageFileWMF::Decode(CByteStream* file, long forceWidth, long forceHeight) {
  if (!file) return false;
  const long start = file->Tell();
  ScreenContext screen;
  Metafile metafile;
  long width = 0, height = 0;
  metafile.handle = LoadWindowsMetafile(file, screen.dc, &width, &height);
  const char* empty = "empty WMF";
  if (!metafile.handle) {
    file->Seek(start, 0);
    metafile.handle = LoadEnhancedMetafile(file, &width, &height);
    if (!metafile.handle) return Fail(WhyNotLoaded(file, start));
    empty = "empty EMF";
  }
  if (GetEscape()) return Fail("Cancelled");
  // A frame whose far side lies before its near side encloses nothing either.
  if (width <= 0 || height <= 0) return Fail(empty);
  if (forceWidth) width = forceWidth;
  if (forceHeight) height = forceHeight;
  LimitSize(&width, &height);
  if (width <= 0 || height <= 0) return Fail(empty);
  return Render(metafile.handle, screen.dc, width, height);
}

bool CImageFileWMF::Render(HENHMETAFILE metafile, HDC screen, long width, long height) {
  HBITMAP bitmap = CreateCompatibleBitmap(screen, static_cast<int>(width), static_cast<int>(height));
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ previous = (bitmap && dc) ? SelectObject(dc, bitmap) : nullptr;
  HPALETTE palette = nullptr;
  auto release = [&] {
    if (previous) SelectObject(dc, previous);
    if (palette) DeleteObject(palette);
    if (dc) DeleteDC(dc);
    if (bitmap) DeleteObject(bitmap);
  };
  if (!previous) {
    release();
    return Fail("no memory for the WMF's bitmap");
  }
  const int bitsPerPixel = GetDeviceCaps(dc, BITSPIXEL);
  RECT area{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
  FillRect(dc, &area, reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_WINDOW + 1)));
  const UINT entries = GetEnhMetaFilePaletteEntries(metafile, 0, nullptr);
  if (entries != 0 && entries != GDI_ERROR) {
    auto* logical = static_cast<LOGPALETTE*>(
        std::calloc(1, sizeof(LOGPALETTE) + entries * sizeof(PALETTEENTRY)));
    if (!logical) {
      release();
      return Fail("Cancelled");
    }
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(std::min<UINT>(entries, 0xFFFF));
    GetEnhMetaFilePaletteEntries(metafile, logical->palNumEntries, logical->palPalEntry);
    palette = CreatePalette(logical);
    std::free(logical);
    if (palette) {
      SelectPalette(dc, palette, FALSE);
      RealizePalette(dc);
    }
  }
  PlayEnhMetaFile(dc, metafile, &area);
  if (GetEscape()) {
    release();
    return Fail("Cancelled");
  }
  // Create leaves its own reason.
  bool copied = false;
  if (Create(static_cast<unsigned long>(width), static_cast<unsigned long>(height),
             static_cast<unsigned long>(bitsPerPixel), keImageFormatWMF)) {
    copied = GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), GetBits(), static_cast<BITMAPINFO*>(dib_),
                       DIB_RGB_COLORS) > 0;
    if (!copied) SetLastError("the WMF's pixels could not be copied");
  }
  release();
  return copied;
}

bool CImageFileWMF::Encode(CByteStream* file) {
  if (!file) return false;
  return Fail("Save WMF not supported");
}
