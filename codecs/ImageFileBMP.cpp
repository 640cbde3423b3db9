#include "codecs/ImageFileBMP.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "codecs/detail/CodecFailure.h"
#include "codecs/detail/ImageLimits.h"
#include "codecs/detail/LittleEndian.h"

namespace {

constexpr WORD kBitmapType = 0x4D42;  // "BM"
constexpr DWORD kFileHeaderSize = 14;
constexpr DWORD kOldHeaderSize = 12;
constexpr DWORD kInfoHeaderSize = 40;
constexpr DWORD kOs2HeaderSize = 64;
constexpr DWORD kMasksEnd = 52;  // the three colour masks follow the 40-byte fields

// The longer header forms whose layout is known: they start with the 40-byte fields and the
// colour masks.
bool IsKnownLongHeader(DWORD size) { return size == 52 || size == 56 || size == 108 || size == 124; }

bool IsSupportedDepth(WORD bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Bytes of a row padded to 4, and of all rows, in arithmetic wide enough for any header.
__int128 PaddedRowBytes(const BITMAPINFOHEADER& h) {
  return (static_cast<__int128>(h.biBitCount) * h.biWidth + 31) / 32 * 4;
}

bool ReadAll(CByteStream* stream, void* buffer, std::size_t size) {
  return stream->Read(buffer, 1, size) == size;
}

}  // namespace

bool CImageFileBMP::Encode(CByteStream* stream) {
  if (EncodeSafeCheck(stream)) return false;
  unsigned char fileHeader[kFileHeaderSize] = {};
  WriteLE16(fileHeader, kBitmapType);
  WriteLE32(fileHeader + 2, static_cast<std::uint32_t>(GetSize() + kFileHeaderSize));
  WriteLE32(fileHeader + 10, static_cast<std::uint32_t>(kFileHeaderSize + header_.biSize + GetPaletteSize()));
  // The block's copy of the header is brought up to date, so the file has the current one.
  std::memcpy(dib_, &header_, sizeof(header_));
  if (stream->Write(fileHeader, kFileHeaderSize, 1) != 1 ||
      stream->Write(dib_, static_cast<std::size_t>(GetSize()), 1) != 1) {
    return Fail("Error writing BMP");
  }
  return true;
}

bool CImageFileBMP::ReadBitmapInfo(CByteStream* stream, BITMAPINFOHEADER* header, DWORD* masks) {
  if (!stream || !header) return false;
  unsigned char raw[kMasksEnd];
  if (!ReadAll(stream, raw, 4)) return false;
  const DWORD size = ReadLE32(raw);
  std::memset(header, 0, sizeof(*header));
  header->biSize = size;
  if (size == kOldHeaderSize) {
    if (!ReadAll(stream, raw + 4, kOldHeaderSize - 4)) return false;
    header->biWidth = ReadLE16(raw + 4);
    header->biHeight = ReadLE16(raw + 6);
    header->biPlanes = ReadLE16(raw + 8);
    header->biBitCount = ReadLE16(raw + 10);
  } else {
    if (size < kInfoHeaderSize || !ReadAll(stream, raw + 4, kInfoHeaderSize - 4)) return false;
    header->biWidth = static_cast<LONG>(ReadLE32(raw + 4));
    header->biHeight = static_cast<LONG>(ReadLE32(raw + 8));
    header->biPlanes = ReadLE16(raw + 12);
    header->biBitCount = ReadLE16(raw + 14);
    header->biCompression = ReadLE32(raw + 16);
    header->biSizeImage = ReadLE32(raw + 20);
    header->biXPelsPerMeter = static_cast<LONG>(ReadLE32(raw + 24));
    header->biYPelsPerMeter = static_cast<LONG>(ReadLE32(raw + 28));
    header->biClrUsed = ReadLE32(raw + 32);
    header->biClrImportant = ReadLE32(raw + 36);
    if (IsKnownLongHeader(size)) {
      if (!ReadAll(stream, raw + kInfoHeaderSize, kMasksEnd - kInfoHeaderSize)) return false;
      if (masks) {
        for (int i = 0; i < 3; ++i) masks[i] = ReadLE32(raw + kInfoHeaderSize + 4 * i);
      }
      if (!stream->Seek(static_cast<long>(size - kMasksEnd), 1)) return false;
    } else if (size == kOs2HeaderSize) {
      if (!stream->Seek(kOs2HeaderSize - kInfoHeaderSize, 1)) return false;
    } else if (size > kInfoHeaderSize) {
      // An unknown longer form is taken only when its first fields describe a plain picture.
      if (PaddedRowBytes(*header) * header->biHeight != header->biSizeImage || header->biPlanes != 1 ||
          header->biCompression != BI_RGB || header->biClrUsed != 0) {
        return false;
      }
      if (!stream->Seek(static_cast<long>(size - kInfoHeaderSize), 1)) return false;
    }
  }
  if (header->biSizeImage == 0) {
    // Only a hint for readers of the header: the decoder sizes the rows itself.
    header->biSizeImage = static_cast<DWORD>(PaddedRowBytes(*header) * header->biHeight);
  }
  if (header->biClrUsed == 0) {
    header->biClrUsed = header->biBitCount <= 8 ? 1u << header->biBitCount : 0;
  }
  return true;
}

void CImageFileBMP::ReadPalette(CByteStream* stream, const BITMAPINFOHEADER& fileHeader) {
  RGBQUAD* palette = GetPalette();
  const bool oldForm = fileHeader.biSize == kOldHeaderSize;
  const std::size_t entrySize = oldForm ? 3 : 4;
  const std::uint64_t count = fileHeader.biClrUsed;
  // Entries past the image's own palette are skipped, however many the file claims.
  const std::size_t kept = static_cast<std::size_t>(std::min<std::uint64_t>(count, GetNumColors()));
  unsigned char entries[256 * 4] = {};
  stream->Read(entries, 1, kept * entrySize);
  for (std::size_t i = 0; i < kept; ++i) {
    const unsigned char* entry = entries + i * entrySize;
    palette[i].rgbBlue = entry[0];
    palette[i].rgbGreen = entry[1];
    palette[i].rgbRed = entry[2];
    palette[i].rgbReserved = 0;
  }
  if (count > kept) stream->Seek(static_cast<long>((count - kept) * entrySize), 1);
  InvalidateNearestCache();
}

// Where a file's pixels are and how they are stored.
struct CImageFileBMP::Layout {
  long start = 0;        // the stream position of the file
  long pixelOffset = 0;  // from start; 0 when the pixels follow the palette
  BITMAPINFOHEADER info{};
  long height = 0;  // of the picture, whichever way its rows run
  bool topDown = false;
  DWORD masks[3] = {0x7C00, 0x3E0, 0x1F};  // red, green, blue
  bool headerMasks = false;                // the header carried the masks
};

bool CImageFileBMP::Decode(CByteStream* stream) {
  if (!stream) return false;
  Layout layout;
  if (!ReadLayout(stream, &layout)) return false;
  const BITMAPINFOHEADER& bmi = layout.info;
  if (info_.escape == -1) {
    header_.biWidth = bmi.biWidth;
    header_.biHeight = static_cast<LONG>(layout.height);
    SetLastError("output dimensions returned");
    return true;
  }
  // A small file may claim a huge picture: refused before anything is allocated.
  if (static_cast<std::uint64_t>(bmi.biWidth) * static_cast<std::uint64_t>(layout.height) >
      kMaxDecodePixels) {
    return Fail("Image too large to decode");
  }
  if (!Create(static_cast<unsigned long>(bmi.biWidth), static_cast<unsigned long>(layout.height),
              bmi.biBitCount, keImageFormatBMP)) {
    return Fail("Can't allocate memory");
  }
  header_.biXPelsPerMeter = bmi.biXPelsPerMeter;
  header_.biYPelsPerMeter = bmi.biYPelsPerMeter;
  info_.xDpi = static_cast<std::int32_t>(std::floor(bmi.biXPelsPerMeter * 0.0254 + 0.5));
  info_.yDpi = static_cast<std::int32_t>(std::floor(bmi.biYPelsPerMeter * 0.0254 + 0.5));
  if (info_.escape) return Fail("Cancelled");
  if (GetPalette()) ReadPalette(stream, bmi);
  if (info_.escape) return Fail("Cancelled");
  return ReadPixels(stream, &layout);
}

bool CImageFileBMP::ReadLayout(CByteStream* stream, Layout* layout) {
  layout->start = stream->Tell();
  unsigned char fileHeader[kFileHeaderSize];
  if (!ReadAll(stream, fileHeader, kFileHeaderSize)) return Fail("Not a BMP");
  layout->pixelOffset = static_cast<long>(ReadLE32(fileHeader + 10));
  const bool marked = ReadLE16(fileHeader) == kBitmapType;
  if (!marked) {
    // A bare information header, as in a clipboard bitmap.
    layout->pixelOffset = 0;
    stream->Seek(layout->start, 0);
  }
  BITMAPINFOHEADER& bmi = layout->info;
  DWORD headerMasks[3] = {0, 0, 0};
  if (!ReadBitmapInfo(stream, &bmi, headerMasks))
    return Fail(marked && stream->Eof() ? kFileEndsEarly : "Error reading BMP info");
  if (IsKnownLongHeader(bmi.biSize)) {
    std::copy(headerMasks, headerMasks + 3, layout->masks);
    layout->headerMasks = true;
  }
  const std::int64_t height = std::llabs(static_cast<std::int64_t>(bmi.biHeight));
  if (bmi.biWidth <= 0 || height == 0 || height > static_cast<std::int64_t>(kMaxImageSide) ||
      !IsSupportedDepth(bmi.biBitCount)) {
    return Fail("Error reading BMP info");
  }
  layout->height = static_cast<long>(height);
  layout->topDown = bmi.biHeight < 0;
  return true;
}

bool CImageFileBMP::ReadPixels(CByteStream* stream, Layout* layout) {
  const WORD bits = layout->info.biBitCount;
  const DWORD compression = layout->info.biCompression;
  DWORD* masks = layout->masks;
  if ((bits == 16 || bits == 32) && compression == BI_BITFIELDS && !layout->headerMasks) {
    // The masks of a 40-byte header follow it.
    unsigned char raw[12] = {};
    stream->Read(raw, 1, sizeof(raw));
    for (int i = 0; i < 3; ++i) masks[i] = ReadLE32(raw + 4 * i);
  } else if (bits == 16 && compression != BI_BITFIELDS) {
    masks[0] = 0x7C00;
    masks[1] = 0x3E0;
    masks[2] = 0x1F;
  }
  if (layout->pixelOffset) stream->Seek(layout->start + layout->pixelOffset, 0);
  switch (bits) {
    case 32:
      if (compression != BI_RGB && compression != BI_BITFIELDS) return Fail("unknown compression");
      return ReadRows32(stream, *layout);
    case 24:
      if (compression != BI_RGB) return Fail("unknown compression");
      ReadRows(stream, layout->topDown, GetEffWidth(), GetWidth() * std::size_t{3});
      return true;
    case 16:
      // The 16-bit rows are shorter than the 24-bit rows they become: read them into the
      // pixel buffer at their own pitch and widen them in place.
      ReadRows(stream, layout->topDown, (GetWidth() + std::size_t{1}) / 2 * 4, GetWidth() * std::size_t{2});
      Bitfield2RGB(GetBits(0), static_cast<unsigned short>(masks[0]), static_cast<unsigned short>(masks[1]),
                   static_cast<unsigned short>(masks[2]), 16);
      return true;
    default:
      if (compression == BI_RGB) {
        ReadRows(stream, layout->topDown, GetEffWidth(), (GetWidth() * std::size_t{bits} + 7) / 8);
        return true;
      }
      if (compression != BI_RLE8 && compression != BI_RLE4) return Fail("compression type not supported");
      if (!ReadRunLength(stream, compression == BI_RLE4)) NoteShortFile(LackedRowsFill());
      if (layout->topDown) Flip();
      return true;
  }
}

// Rows of a top-down file go straight to their place, so that no second copy of the picture is
// needed to turn it over. Short reads leave the rest as Create cleared it; a last row that lacks
// only its padding is whole.
void CImageFileBMP::ReadRows(CByteStream* stream, bool topDown, std::size_t pitch, std::size_t used) {
  const long height = static_cast<long>(GetHeight());
  BYTE* base = GetBits(0);
  for (long row = 0; row < height; ++row) {
    const long y = topDown ? height - 1 - row : row;
    const std::size_t got = stream->Read(base + pitch * static_cast<std::size_t>(y), 1, pitch);
    if (got == pitch) continue;
    if (row + 1 < height || got < used) NoteShortFile(LackedRowsFill());
    return;
  }
}

bool CImageFileBMP::ReadRows32(CByteStream* stream, const Layout& layout) {
  // Masks in another order than blue, green, red are followed; without all three the bytes
  // are blue, green, red as in a plain file.
  const DWORD* masks = layout.masks;
  const bool masked = layout.info.biCompression == BI_BITFIELDS && masks[0] && masks[1] && masks[2];
  const std::size_t rowBytes = GetWidth() * std::size_t{4};
  std::unique_ptr<unsigned char, void (*)(void*)> row(static_cast<unsigned char*>(std::calloc(rowBytes, 1)),
                                                      std::free);
  if (!row) return Fail("can't allocate memory");
  const long height = static_cast<long>(GetHeight());
  for (long r = 0; r < height; ++r) {
    const std::size_t got = stream->Read(row.get(), 1, rowBytes);
    std::memset(row.get() + got, 0, rowBytes - got);
    BitfieldRow2RGB(row.get(), GetBits(static_cast<unsigned long>(layout.topDown ? height - 1 - r : r)),
                    masked ? masks[0] : 0, masked ? masks[1] : 0, masked ? masks[2] : 0, 32);
    if (got < rowBytes) {
      NoteShortFile(LackedRowsFill());
      break;
    }
  }
  return true;
}

// Escape codes of the run-length forms, after a zero count byte.
namespace {
constexpr int kEndOfRow = 0;
constexpr int kEndOfBitmap = 1;
constexpr int kDelta = 2;
}  // namespace

// Runs and literal strings, rows from the bottom. Positions count bytes in the 8-bit form (used
// for 1-bit pictures too) and pixels in the 4-bit form, whose bytes hold two, high nibble first.
// A row ends after its padding, which writers may fill by runs too. Whatever falls outside the
// rows is dropped; an 8-bit run past the end of its row ends the picture. False where the file
// ends before the rows are filled.
bool CImageFileBMP::ReadRunLength(CByteStream* stream, bool fourBits) {
  const long rowUnits = static_cast<long>(fourBits ? GetWidth() : GetEffWidth());
  const long height = static_cast<long>(GetHeight());
  long x = 0;
  long y = 0;
  // count units from bytes at x; a run repeats its one byte.
  auto put = [&](const unsigned char* bytes, bool run, long count) {
    for (long i = 0; i < count; ++i) {
      const unsigned char byte = bytes[run ? 0 : fourBits ? i / 2 : i];
      if (fourBits) {
        SetPixelIndex(x + i, y, static_cast<BYTE>((i & 1) ? byte & 15 : byte >> 4));
      } else if (y < height && x + i < rowUnits) {
        GetBits(static_cast<unsigned long>(y))[x + i] = byte;
      }
    }
  };
  // A file that ends without the end code may still have filled its rows.
  const auto filled = [&] { return y >= height || (y == height - 1 && x >= rowUnits); };
  unsigned char literal[256];
  for (;;) {
    const long count = stream->GetC();
    const long value = stream->GetC();
    if (count < 0 || value < 0) return filled();
    if (count > 0) {
      if (!fourBits && x + count > rowUnits) return true;
      const unsigned char byte = static_cast<unsigned char>(value);
      put(&byte, true, count);
      x += count;
    } else if (value == kEndOfRow) {
      x = 0;
      ++y;
    } else if (value == kEndOfBitmap) {
      return true;
    } else if (value == kDelta) {
      const long dx = stream->GetC();
      const long dy = stream->GetC();
      if (dx < 0 || dy < 0) return filled();
      x += dx;
      y += dy;
    } else {
      // value units in whole bytes, padded to an even count of bytes.
      const std::size_t bytes = fourBits ? static_cast<std::size_t>(value + 1) / 2
                                         : static_cast<std::size_t>(value);
      const std::size_t got = stream->Read(literal, 1, bytes + (bytes & 1));
      put(literal, false, std::min<long>(value, static_cast<long>(fourBits ? 2 * got : got)));
      if (got < bytes) return filled();
      x += value;
    }
  }
}
