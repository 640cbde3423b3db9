// The image object's lifecycle: start-up, creation, copies, ownership transfer, destruction.
#include "codecs/ImageFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "codecs/detail/CodecFailure.h"
#include "codecs/detail/ImageLimits.h"
#include "codecs/detail/LittleEndian.h"

CImageFile::CImageFile(unsigned long type) { Startup(type); }

CImageFile::CImageFile(unsigned long width, unsigned long height, unsigned long bpp, unsigned long type) {
  Startup(type);
  Create(width, height, bpp, type);
}

CImageFile::CImageFile(const CImageFile& src, bool copypixels, bool copyselection, bool copyalpha) {
  Startup(src.info_.type);
  Copy(src, copypixels, copyselection, copyalpha);
}

CImageFile::CImageFile(const char* filename, unsigned long type) {
  Startup(type);
  Load(filename, type);
}

CImageFile::CImageFile(FILE* stream, unsigned long type) {
  Startup(type);
  Decode(stream, type);
}

CImageFile::CImageFile(CByteStream* stream, unsigned long type) {
  Startup(type);
  Decode(stream, type);
}

CImageFile::CImageFile(unsigned char* buffer, unsigned long size, unsigned long type) {
  Startup(type);
  Decode(buffer, size, type);
}

CImageFile::~CImageFile() { Destroy(); }

CImageFile& CImageFile::operator=(const CImageFile& src) {
  if (this != &src) Copy(src, true, true, true);
  return *this;
}

void CImageFile::Startup(unsigned long type) {
  dib_ = nullptr;
  selection_ = nullptr;
  alpha_ = nullptr;
  layers_ = nullptr;
  std::memset(&header_, 0, sizeof(header_));
  std::memset(&info_, 0, sizeof(info_));
  info_.type = static_cast<std::uint32_t>(type);
  info_.jpegQuality = 90;
  info_.alphaMax = 255;
  info_.transparentIndex = -1;
  info_.enabled = true;
  SetXDPI(96);
  SetYDPI(96);
}

bool CImageFile::Destroy() {
  if (info_.ghost) return false;
  if (layers_) {
    for (std::int32_t i = 0; i < info_.numberOfLayers; ++i) delete layers_[i];
    std::free(layers_);
    layers_ = nullptr;
    info_.numberOfLayers = 0;
  }
  std::free(selection_);
  selection_ = nullptr;
  std::free(alpha_);
  alpha_ = nullptr;
  std::free(dib_);
  dib_ = nullptr;
  info_.bits = nullptr;
  return true;
}

void* CImageFile::Create(unsigned long width, unsigned long height, unsigned long bpp, unsigned long type) {
  if (!Destroy()) return nullptr;
  if (width == 0 || height == 0) {
    SetLastError("CImageFile::Create : width and height must be greater than zero");
    return nullptr;
  }
  if (bpp <= 1) {
    bpp = 1;
  } else if (bpp <= 4) {
    bpp = 4;
  } else if (bpp <= 8) {
    bpp = 8;
  } else {
    bpp = 24;  // a 32-bit source keeps its alpha in the alpha plane
  }
  const std::uint64_t colors = bpp == 24 ? 0 : (1u << bpp);
  const std::uint64_t paletteSize = colors * sizeof(RGBQUAD);
  std::uint64_t effectiveWidth = 0;
  if (width <= kMaxImageSide && height <= kMaxImageSide) {
    effectiveWidth = (static_cast<std::uint64_t>(width) * bpp + 31) / 32 * 4;
  }
  const std::uint64_t room = kMaxImageBytes - sizeof(BITMAPINFOHEADER) - paletteSize;
  if (effectiveWidth == 0 || effectiveWidth > room / height) {
    SetLastError("IMAGEFILE_MAX_MEMORY exceeded");
    return nullptr;
  }
  const std::uint64_t imageSize = effectiveWidth * height;

  info_.effectiveWidth = static_cast<std::uint32_t>(effectiveWidth);
  info_.type = static_cast<std::uint32_t>(type);
  header_.biSize = sizeof(BITMAPINFOHEADER);
  header_.biWidth = static_cast<LONG>(width);
  header_.biHeight = static_cast<LONG>(height);
  header_.biPlanes = 1;
  header_.biBitCount = static_cast<WORD>(bpp);
  header_.biCompression = BI_RGB;
  header_.biSizeImage = static_cast<DWORD>(imageSize);
  header_.biClrUsed = static_cast<DWORD>(colors);
  header_.biClrImportant = 0;

  // Cleared, so that rows a decoder could not fill never show stale memory.
  dib_ = std::calloc(1, static_cast<std::size_t>(sizeof(BITMAPINFOHEADER) + paletteSize + imageSize));
  if (!dib_) {
    SetLastError("CImageFile::Create can't allocate memory");
    return nullptr;
  }
  InvalidateNearestCache();
  std::memcpy(dib_, &header_, sizeof(header_));
  info_.bits = static_cast<BYTE*>(dib_) + sizeof(BITMAPINFOHEADER) + paletteSize;
  return dib_;
}

bool CImageFile::CreateFromArray(unsigned char* array, unsigned long width, unsigned long height,
                                 unsigned long bpp, unsigned long bytesperline, bool flipimage) {
  if (!array || !CreateForRows(width, height, bpp)) return false;
  for (unsigned long y = 0; y < height; ++y) {
    unsigned long row = flipimage ? height - 1 - y : y;
    CopySourceRow(array + static_cast<std::size_t>(y) * bytesperline, row, bpp, bytesperline);
  }
  return true;
}

bool CImageFile::CreateFromMatrix(unsigned char** rows, unsigned long width, unsigned long height,
                                  unsigned long bpp, unsigned long bytesperline, bool flipimage) {
  if (!rows || !CreateForRows(width, height, bpp)) return false;
  for (unsigned long y = 0; y < height; ++y) {
    if (!rows[y]) continue;
    CopySourceRow(rows[y], flipimage ? height - 1 - y : y, bpp, bytesperline);
  }
  return true;
}

bool CImageFile::CreateForRows(unsigned long width, unsigned long height, unsigned long bpp) {
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
  if (!Create(width, height, bpp, keImageFormatUnknown)) return false;
  if (bpp < 24) SetGrayPalette();
  if (bpp == 32) AlphaCreate();
  return true;
}

void CImageFile::CopySourceRow(const unsigned char* source, unsigned long row, unsigned long bpp,
                               unsigned long bytesperline) {
  BYTE* target = GetBits(row);
  if (bpp != 32) {
    std::memcpy(target, source, std::min<unsigned long>(info_.effectiveWidth, bytesperline));
    return;
  }
  BYTE* alpha = AlphaGetPointer(0, static_cast<long>(row));
  const unsigned long width = GetWidth();
  for (unsigned long x = 0; x < width; ++x, source += 4, target += 3) {
    target[0] = source[0];
    target[1] = source[1];
    target[2] = source[2];
    if (alpha) alpha[x] = source[3];
  }
}

void CImageFile::Copy(const CImageFile& src, bool copypixels, bool copyselection, bool copyalpha) {
  CImageFile* ghost = info_.ghost;
  info_ = src.info_;
  info_.ghost = ghost;
  info_.bits = nullptr;
  info_.numberOfLayers = 0;  // layers are not copied
  header_.biXPelsPerMeter = src.header_.biXPelsPerMeter;
  header_.biYPelsPerMeter = src.header_.biYPelsPerMeter;
  if (!Create(src.GetWidth(), src.GetHeight(), src.GetBpp(), src.info_.type)) return;
  header_.biClrImportant = src.header_.biClrImportant;
  if (copypixels && src.dib_) {
    std::memcpy(dib_, src.dib_, static_cast<std::size_t>(src.GetSize()));
    std::memcpy(dib_, &header_, sizeof(header_));
  } else {
    SetPalette(src.GetPalette(), 256);
  }
  // A plane that cannot be had is left out; the image stays consistent without it.
  if (copyselection && src.selection_ && (selection_ = AllocatePlane())) {
    std::memcpy(selection_, src.selection_, PlaneSize());
  }
  if (copyalpha && src.alpha_ && (alpha_ = AllocatePlane())) {
    std::memcpy(alpha_, src.alpha_, PlaneSize());
  }
}

bool CImageFile::Transfer(CImageFile& from) {
  if (&from == this) return true;
  // A ghost owns nothing it could hand over.
  if (from.info_.ghost || !Destroy()) return false;
  header_ = from.header_;
  info_ = from.info_;
  dib_ = from.dib_;
  selection_ = from.selection_;
  alpha_ = from.alpha_;
  layers_ = from.layers_;
  std::memset(&from.header_, 0, sizeof(from.header_));
  std::memset(&from.info_, 0, sizeof(from.info_));
  from.dib_ = nullptr;
  from.selection_ = nullptr;
  from.alpha_ = nullptr;
  from.layers_ = nullptr;
  return true;
}

void CImageFile::Ghost(CImageFile* from) {
  if (!from) return;
  header_ = from->header_;
  info_ = from->info_;
  dib_ = from->dib_;
  selection_ = from->selection_;
  alpha_ = from->alpha_;
  layers_ = from->layers_;
  info_.ghost = from;
}

void CImageFile::Unghost() {
  dib_ = nullptr;
  selection_ = nullptr;
  alpha_ = nullptr;
  layers_ = nullptr;
  info_.bits = nullptr;
  info_.numberOfLayers = 0;
  info_.ghost = nullptr;
}

void CImageFile::CopyInfo(const CImageFile& src) {
  if (dib_) return;
  CImageFile* ghost = info_.ghost;
  info_ = src.info_;
  info_.ghost = ghost;
  info_.bits = nullptr;
  info_.numberOfLayers = 0;
}

BYTE* CImageFile::GetBits(unsigned long row) {
  if (!dib_) return nullptr;
  if (row == 0) return info_.bits;
  if (row >= GetHeight()) return nullptr;
  return info_.bits + static_cast<std::size_t>(info_.effectiveWidth) * row;
}

long CImageFile::GetSize() const {
  return static_cast<long>(header_.biSize) + static_cast<long>(header_.biSizeImage) +
         static_cast<long>(GetPaletteSize());
}

bool CImageFile::IsInside(long x, long y) const {
  return y >= 0 && y < static_cast<long>(GetHeight()) && x >= 0 && x < static_cast<long>(GetWidth());
}

void CImageFile::Clear(unsigned char value) {
  if (!dib_) return;
  if (header_.biBitCount == 1) {
    value = value ? 255 : 0;
  } else if (header_.biBitCount == 4) {
    value = static_cast<unsigned char>((value & 15) * 17);
  }
  std::memset(info_.bits, value, header_.biSizeImage);
}

void CImageFile::FreeMemory(void* memblock) { std::free(memblock); }

std::size_t CImageFile::PlaneSize() const { return static_cast<std::size_t>(GetWidth()) * GetHeight(); }

BYTE* CImageFile::AllocatePlane() const {
  if (!dib_ || PlaneSize() > kMaxImageBytes) return nullptr;
  return static_cast<BYTE*>(std::malloc(PlaneSize()));
}

namespace {
// Moves a masked channel so that its top bit lands on bit 7, whatever the mask's width.
BYTE ChannelFromMask(std::uint32_t word, std::uint32_t mask) {
  if (mask == 0) return 0;
  int top = 31 - __builtin_clz(mask);
  std::uint32_t value = word & mask;
  return static_cast<BYTE>(top >= 7 ? value >> (top - 7) : value << (7 - top));
}
}  // namespace

void CImageFile::BitfieldRow2RGB(const unsigned char* src, BYTE* dst, DWORD redmask, DWORD greenmask,
                                 DWORD bluemask, unsigned char bpp) {
  const long width = static_cast<long>(GetWidth());
  if (bpp == 32 && (redmask | greenmask | bluemask) == 0) {
    for (long x = 0; x < width; ++x) std::memmove(dst + 3 * x, src + 4 * x, 3);
    return;
  }
  if (bpp != 16 && bpp != 32) return;
  // Last pixel first: the source may be the start of the row being written.
  const int bytes = bpp / 8;
  for (long x = width - 1; x >= 0; --x) {
    const unsigned char* p = src + bytes * x;
    const std::uint32_t word = bytes == 2 ? ReadLE16(p) : ReadLE32(p);
    BYTE* pixel = dst + 3 * x;
    pixel[0] = ChannelFromMask(word, bluemask);
    pixel[1] = ChannelFromMask(word, greenmask);
    pixel[2] = ChannelFromMask(word, redmask);
  }
}

void CImageFile::Bitfield2RGB(unsigned char* src, unsigned short redmask, unsigned short greenmask,
                              unsigned short bluemask, unsigned char bpp) {
  if (!dib_ || (bpp != 16 && bpp != 32)) return;
  const std::size_t pitch = bpp == 16 ? (static_cast<std::size_t>(GetWidth()) + 1) / 2 * 4
                                      : std::size_t{GetWidth()} * 4;
  // At 32 bits the masks are not used: blue, green, red and a fourth byte that is dropped.
  const bool masked = bpp == 16;
  // Last row first, so that the source may be this image's own pixel buffer.
  for (long y = static_cast<long>(GetHeight()) - 1; y >= 0; --y) {
    BitfieldRow2RGB(src + pitch * static_cast<std::size_t>(y), GetBits(static_cast<unsigned long>(y)),
                    masked ? redmask : 0, masked ? greenmask : 0, masked ? bluemask : 0, bpp);
  }
}

int CImageFile::CompareColors(const void* a, const void* b) {
  const auto* c1 = static_cast<const RGBQUAD*>(a);
  const auto* c2 = static_cast<const RGBQUAD*>(b);
  int g1 = (601 * c1->rgbGreen + 306 * c1->rgbRed + 117 * c1->rgbBlue) >> 10;
  int g2 = (601 * c2->rgbGreen + 306 * c2->rgbRed + 117 * c2->rgbBlue) >> 10;
  return g1 - g2;
}

void CImageFile::SetLastError(const char* text) {
  std::strncpy(info_.lastError, text, sizeof(info_.lastError) - 1);
  info_.lastError[sizeof(info_.lastError) - 1] = '\0';
}

bool CImageFile::Fail(const char* text) {
  SetLastError(text);
  return false;
}

void CImageFile::NoteShortFile(const char* fill) {
  if (!info_.shortFileFill) info_.shortFileFill = fill;
}

const char* CImageFile::LackedRowsFill() const {
  const RGBQUAD* palette = GetPalette();
  if (palette && (palette[0].rgbRed || palette[0].rgbGreen || palette[0].rgbBlue))
    return "the rows it lacks are in its palette's first colour";
  return "the rows it lacks are black";
}

bool CImageFile::Guarded(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const CodecFailure& failure) {
    return Fail(failure.text);
  }
  return true;
}
