#include "codecs/ImageFileICO.h"

#include <algorithm>
#include <cstring>

#include "codecs/detail/LittleEndian.h"

namespace {

constexpr unsigned kDirectorySize = 6;
constexpr unsigned kEntrySize = 16;
constexpr unsigned kInfoSize = 40;
constexpr unsigned kIcon = 1;
constexpr unsigned kCursor = 2;
constexpr unsigned long kMaxWrittenSide = 255;
constexpr std::int32_t kMaxSide = 256;
constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool ReadAll(CByteStream* stream, void* buffer, std::size_t size) {
  return size == 0 || stream->Read(buffer, 1, size) == size;
}

bool IsKnownDepth(unsigned bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32; }

// Mask rows hold one bit a pixel, most significant first, padded to 4 bytes; 1 is transparent.
unsigned long MaskRowBytes(unsigned long width) { return (width + 31) / 32 * 4; }

bool MaskBit(const std::vector<unsigned char>& mask, unsigned long maskRow, unsigned long x,
             unsigned long y) {
  return (mask[y * maskRow + x / 8] >> (7 - x % 8)) & 1;
}

}  // namespace

bool CImageFileICO::Decode(CByteStream* stream) {
  if (!stream) return false;
  const long start = stream->Tell();
  const long size = stream->Size();
  unsigned char directory[kDirectorySize];
  if (!ReadAll(stream, directory, kDirectorySize)) return Fail("Not an icon");
  const unsigned type = ReadLE16(directory + 2);
  if (ReadLE16(directory) != 0 || (type != kIcon && type != kCursor)) return Fail("Not an icon");
  const unsigned count = ReadLE16(directory + 4);
  info_.numberOfFrames = static_cast<std::int32_t>(count);
  std::vector<unsigned char> entries(std::size_t{count} * kEntrySize);
  if (!ReadAll(stream, entries.data(), entries.size())) return Fail("Corrupted icon");
  if (info_.frame < 0 || info_.frame >= static_cast<std::int32_t>(count))
    return Fail("Error: image not present in icon file");

  const unsigned char* entry = &entries[std::size_t(info_.frame) * kEntrySize];
  // A picture that starts outside the file is refused; one that runs past its end is read as
  // far as it goes.
  const std::uint64_t offset = ReadLE32(entry + 12);
  const std::uint64_t available = size > start ? static_cast<std::uint64_t>(size - start) : 0;
  if (offset + kInfoSize > available) return Fail("Corrupted icon");
  if (!stream->Seek(static_cast<long>(start + static_cast<long>(offset)), 0)) return Fail("Corrupted icon");

  unsigned char info[kInfoSize];
  if (!ReadAll(stream, info, kInfoSize)) return Fail("Corrupted icon");
  if (std::memcmp(info, kPngSignature, sizeof(kPngSignature)) == 0) return Fail("PNG icons not supported");
  const unsigned bits = ReadLE16(info + 14);
  if (ReadLE32(info) != kInfoSize) return Fail("Corrupted icon");
  if (!IsKnownDepth(bits)) return Fail("Unsupported icon bit depth");
  // The sizes are the bitmap's (its height counts the mask's rows too), whatever the directory
  // says.
  const auto width = static_cast<std::int32_t>(ReadLE32(info + 4));
  const auto height = static_cast<std::int32_t>(ReadLE32(info + 8)) / 2;
  // No icon is larger than 256 a side, whatever a small hostile file claims.
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return Fail("Corrupted icon");
  if (!Create(static_cast<unsigned long>(width), static_cast<unsigned long>(height), bits, keImageFormatICO))
    return Fail("Can't allocate memory");
  if (!ReadColours(stream, bits, ReadLE32(info + 32))) return Fail("Corrupted icon");
  // A 32-bit entry whose alpha is all 0 has none: the mask alone says what shows.
  if (bits == 32 && !HasAlpha()) AlphaDelete();

  // The mask is only what the entry's bytes hold after the colours: a 32-bit entry may have none.
  const unsigned long maskRow = MaskRowBytes(GetWidth());
  std::vector<unsigned char> mask(maskRow * GetHeight());
  const std::uint64_t used = static_cast<std::uint64_t>(stream->Tell() - start) - offset;
  const std::uint64_t held = ReadLE32(entry + 8);
  if (held < used || mask.size() > held - used) return true;  // no mask: the colours alone
  if (AlphaIsValid()) return true;                            // where there is alpha, it rules
  if (!ReadAll(stream, mask.data(), mask.size())) {
    NoteShortFile("its mask is lacking: every pixel shows");
    return true;
  }
  if (std::all_of(mask.begin(), mask.end(), [](unsigned char b) { return b == 0xFF; })) {
    // Every pixel masked: what shows is the inverse of what lies beneath.
    SetTransIndex(0);
    Negative();
    return true;
  }
  ApplyMask(mask, maskRow, bits);
  return true;
}

bool CImageFileICO::HasAlpha() {
  for (long y = 0; y < static_cast<long>(GetHeight()); ++y) {
    const BYTE* alpha = AlphaGetPointer(0, y);
    if (std::any_of(alpha, alpha + GetWidth(), [](BYTE a) { return a != 0; })) return true;
  }
  return false;
}

bool CImageFileICO::ReadColours(CByteStream* stream, unsigned bits, std::uint32_t colours) {
  if (colours == 0 && bits <= 8) colours = 1u << bits;
  if (colours > 256) return false;
  unsigned char palette[256 * 4];
  if (!ReadAll(stream, palette, colours * 4)) return false;
  for (unsigned i = 0; i < colours && i < GetNumColors(); ++i) {
    SetPaletteColor(static_cast<BYTE>(i), palette[4 * i + 2], palette[4 * i + 1], palette[4 * i], 0);
  }
  const unsigned long width = GetWidth();
  const unsigned long height = GetHeight();
  if (bits <= 24) {
    // Short colour data leaves the rest of the rows clear.
    const std::size_t bytes = std::size_t{GetEffWidth()} * height;
    if (stream->Read(GetBits(0), 1, bytes) < bytes) NoteShortFile(LackedRowsFill());
    return true;
  }
  AlphaCreate();
  if (!AlphaIsValid()) return false;
  std::vector<unsigned char> line(4 * std::size_t{width});
  for (unsigned long y = 0; y < height; ++y) {
    if (!ReadAll(stream, line.data(), line.size())) {
      NoteShortFile(LackedRowsFill());
      break;
    }
    BYTE* row = GetBits(y);
    BYTE* alpha = AlphaGetPointer(0, static_cast<long>(y));
    for (unsigned long x = 0; x < width; ++x) {
      std::memcpy(row + 3 * x, &line[4 * x], 3);
      alpha[x] = line[4 * x + 3];
    }
  }
  return true;
}

void CImageFileICO::ApplyMask(const std::vector<unsigned char>& mask, unsigned long maskRow, unsigned bits) {
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  AlphaCreate();
  bool anyMasked = false;
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      if (!MaskBit(mask, maskRow, x, y)) continue;
      AlphaSet(x, y, 0);
      anyMasked = true;
    }
  }
  if (!anyMasked) {
    AlphaDelete();
    return;
  }
  if (bits == 24) {
    // One colour under every masked pixel becomes the transparent colour instead of alpha.
    bool oneColour = true;
    RGBQUAD first{};
    bool seen = false;
    for (long y = 0; y < height && oneColour; ++y) {
      for (long x = 0; x < width && oneColour; ++x) {
        if (!MaskBit(mask, maskRow, x, y)) continue;
        const RGBQUAD c = GetPixelColor(x, y, false);
        if (!seen) first = c;
        oneColour = !seen || std::memcmp(&c, &first, 3) == 0;
        seen = true;
      }
    }
    if (oneColour) {
      SetTransColor(first);
      SetTransIndex(0);
      AlphaDelete();
    }
  } else if (bits <= 8) {
    // A palette entry no pixel uses becomes the transparent index instead of alpha.
    bool used[256] = {};
    for (long y = 0; y < height; ++y) {
      for (long x = 0; x < width; ++x) used[BlindGetPixelIndex(x, y)] = true;
    }
    const unsigned colours = static_cast<unsigned>(GetNumColors());
    const unsigned unused = static_cast<unsigned>(std::find(used, used + colours, false) - used);
    if (unused == colours) return;
    for (long y = 0; y < height; ++y) {
      for (long x = 0; x < width; ++x) {
        if (MaskBit(mask, maskRow, x, y)) BlindSetPixelIndex(x, y, static_cast<BYTE>(unused));
      }
    }
    SetTransIndex(unused);
    AlphaDelete();
  }
}

bool CImageFileICO::Encode(CByteStream* stream) {
  if (EncodeSafeCheck(stream)) return false;
  const unsigned long width = GetWidth();
  const unsigned long height = GetHeight();
  if (width > kMaxWrittenSide || height > kMaxWrittenSide) return Fail("Can't save this image as icon");
  const RGBQUAD* palette = GetPalette();
  if (GetBpp() <= 8 && !palette) return Fail("Can't save this image as icon");
  const unsigned long maskRow = MaskRowBytes(width);
  const bool colourWithAlpha = AlphaIsValid() && !palette;
  const std::uint32_t colourBytes = colourWithAlpha ? static_cast<std::uint32_t>(width * height * 4)
                                                    : static_cast<std::uint32_t>(GetEffWidth() * height);
  const unsigned bits = colourWithAlpha ? 32 : GetBpp();
  const std::uint32_t paletteBytes = static_cast<std::uint32_t>(GetPaletteSize());

  unsigned char head[kDirectorySize + kEntrySize + kInfoSize] = {};
  WriteLE16(head + 2, kIcon);
  WriteLE16(head + 4, 1);
  unsigned char* entry = head + kDirectorySize;
  entry[0] = static_cast<unsigned char>(width);
  entry[1] = static_cast<unsigned char>(height);
  entry[2] = static_cast<unsigned char>(GetNumColors());
  WriteLE16(entry + 6, static_cast<std::uint16_t>(bits));
  WriteLE32(entry + 8, colourBytes + paletteBytes + kInfoSize + static_cast<std::uint32_t>(maskRow * height));
  WriteLE32(entry + 12, kDirectorySize + kEntrySize);
  unsigned char* info = entry + kEntrySize;
  WriteLE32(info, kInfoSize);
  WriteLE32(info + 4, static_cast<std::uint32_t>(width));
  WriteLE32(info + 8, static_cast<std::uint32_t>(height * 2));
  WriteLE16(info + 12, 1);
  WriteLE16(info + 14, static_cast<std::uint16_t>(bits));
  WriteLE32(info + 20, colourBytes);

  bool written = stream->Write(head, sizeof(head), 1) == 1 &&
                 (paletteBytes == 0 || stream->Write(palette, paletteBytes, 1) == 1);
  if (written && colourWithAlpha) {
    std::vector<unsigned char> line(4 * std::size_t{width});
    for (unsigned long y = 0; y < height && written; ++y) {
      const BYTE* row = GetBits(y);
      const BYTE* alpha = AlphaGetPointer(0, static_cast<long>(y));
      for (unsigned long x = 0; x < width; ++x) {
        std::memcpy(&line[4 * x], row + 3 * x, 3);
        line[4 * x + 3] = alpha[x];
      }
      written = stream->Write(line.data(), line.size(), 1) == 1;
    }
  } else if (written) {
    written = stream->Write(GetBits(0), colourBytes, 1) == 1;
  }
  const std::vector<unsigned char> mask = BuildMask(maskRow);
  if (!written || stream->Write(mask.data(), mask.size(), 1) != 1) return Fail("Error writing icon");
  return true;
}

std::vector<unsigned char> CImageFileICO::BuildMask(unsigned long maskRow) {
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  std::vector<unsigned char> mask(maskRow * static_cast<unsigned long>(height));
  const bool paletteAlpha = AlphaPaletteIsValid();
  const bool transparentColour = GetTransIndex() != -1;
  const RGBQUAD key = GetTransColor();
  // In a palette picture the transparent index is what is transparent, not every entry that
  // happens to share its colour.
  const bool byIndex = GetPalette() != nullptr;
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      const RGBQUAD c = GetPixelColor(x, y, false);
      const bool keyed = byIndex ? BlindGetPixelIndex(x, y) == GetTransIndex()
                                 : std::memcmp(&c, &key, 3) == 0;
      const bool clear = (AlphaIsValid() && AlphaGet(x, y) == 0) || (paletteAlpha && c.rgbReserved == 0) ||
                         (transparentColour && keyed);
      if (clear) mask[y * maskRow + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    }
  }
  return mask;
}
