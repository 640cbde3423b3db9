#include "codecs/ImageFileTGA.h"

#include <cstring>
#include <vector>

#include "codecs/detail/CodecFailure.h"
#include "codecs/detail/ImageLimits.h"
#include "codecs/detail/LittleEndian.h"
#include "codecs/detail/StreamReader.h"

namespace {

constexpr unsigned kHeaderSize = 18;
constexpr unsigned kMaxMapLength = 256;
constexpr unsigned char kRightToLeft = 0x10;
constexpr unsigned char kTopToBottom = 0x20;
constexpr unsigned char kRunPacket = 0x80;
constexpr unsigned long kMaxSide = 0xFFFF;

enum ImageType : unsigned char {
  kMapped = 1,
  kTrueColour = 2,
  kGrey = 3,
  kPackedMapped = 9,
  kPackedTrueColour = 10,
  kPackedGrey = 11,
};

bool IsKnownDepth(unsigned depth) {
  return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
}

// Bytes of one pixel, or of one colour-map entry, of the given bits.
unsigned BytesOf(unsigned bits) { return (bits + 7) / 8; }

// A 15- or 16-bit pixel: five bits each of red, green and blue, widened by a shift.
void Widen16(const unsigned char* pixel, BYTE* bgr) {
  const unsigned word = ReadLE16(pixel);
  bgr[0] = static_cast<BYTE>((word & 0x1F) << 3);
  bgr[1] = static_cast<BYTE>(((word >> 5) & 0x1F) << 3);
  bgr[2] = static_cast<BYTE>(((word >> 10) & 0x1F) << 3);
}

}  // namespace

struct CImageFileTGA::Header {
  unsigned idLength;
  bool hasMap;
  unsigned type;
  unsigned mapFirst;  // the index of the map's first entry
  unsigned mapLength;
  unsigned mapEntryBits;
  unsigned long width;
  unsigned long height;
  unsigned depth;
  unsigned descriptor;

  bool Packed() const { return type >= kPackedMapped; }
  bool Mapped() const { return hasMap && (type == kMapped || type == kPackedMapped); }
  bool Grey() const { return type == kGrey || type == kPackedGrey; }
  // Grey with 16 bits a pixel is grey and alpha.
  bool GreyAlpha() const { return Grey() && depth == 16; }
};

bool CImageFileTGA::Decode(CByteStream* file) {
  if (!file) return false;
  return Guarded([&] { DecodeOrThrow(file); });
}

void CImageFileTGA::DecodeOrThrow(CByteStream* file) {
  StreamReader reader(file);
  unsigned char raw[kHeaderSize];
  if (reader.Read(raw, kHeaderSize) != kHeaderSize) throw CodecFailure{"Not a TGA"};
  const Header header{raw[0],
                      raw[1] != 0,
                      raw[2],
                      ReadLE16(raw + 3),
                      ReadLE16(raw + 5),
                      raw[7],
                      ReadLE16(raw + 12),
                      ReadLE16(raw + 14),
                      raw[16],
                      raw[17]};
  switch (header.type) {
    case kMapped:
    case kTrueColour:
    case kGrey:
    case kPackedMapped:
    case kPackedTrueColour:
    case kPackedGrey:
      break;
    default:
      throw CodecFailure{"Unknown TGA image type"};
  }
  if (header.width == 0 || header.height == 0 || header.mapLength > kMaxMapLength ||
      !IsKnownDepth(header.depth)) {
    throw CodecFailure{"bad TGA header"};
  }
  if (std::uint64_t{header.width} * header.height > kMaxDecodePixels)
    throw CodecFailure{"Image too large to decode"};

  for (unsigned skipped = 0; skipped < header.idLength; ++skipped) reader.Get();
  if (!Create(header.width, header.height, header.GreyAlpha() ? 8 : header.depth, keImageFormatTGA))
    throw CodecFailure{"TGA Create failed"};
  if (header.depth == 32 || header.GreyAlpha()) {
    AlphaCreate();
    if (!AlphaIsValid()) throw CodecFailure{"TGA Create failed"};
  }
  if (info_.escape) throw CodecFailure{"Cancelled"};
  if (header.hasMap) ReadColourMap(reader, header);
  if (header.Grey()) SetGrayPalette();

  const unsigned bytes = BytesOf(header.depth);
  std::vector<unsigned char> line(header.width * bytes);
  Packet packet;
  const long height = static_cast<long>(header.height);
  for (long y = 0; y < height; ++y) {
    if (info_.escape) throw CodecFailure{"Cancelled"};
    // The file may end before a row that a run packet still covers: only a row left short fails.
    const bool whole = header.Packed() ? ReadPackedRow(reader, line.data(), header.width, bytes, packet)
                                       : ReadRow(reader, line.data(), header.width, bytes);
    const long row = header.descriptor & kTopToBottom ? height - 1 - y : y;
    const bool stored = StoreRow(line.data(), row, header);
    if (!whole) throw CodecFailure{kFileEndsEarly};
    if (!stored) throw CodecFailure{"corrupted TGA"};
  }
  if (header.descriptor & kRightToLeft) Mirror();
}

void CImageFileTGA::ReadColourMap(StreamReader& reader, const Header& header) {
  // Entries of 15, 16 and 32 bits are honoured too; any other size is taken as 24 bits.
  const unsigned bits = header.mapEntryBits;
  const unsigned entryBytes = BytesOf(bits == 15 || bits == 16 || bits == 32 ? bits : 24);
  unsigned char entry[4];
  for (unsigned i = 0; i < header.mapLength; ++i) {
    if (reader.Read(entry, entryBytes) != entryBytes) throw CodecFailure{kFileEndsEarly};
    const unsigned index = header.mapFirst + i;
    if (index >= GetNumColors()) continue;  // a true-colour picture carries a map it does not use
    BYTE bgr[3] = {entry[0], entry[1], entry[2]};
    if (entryBytes == 2) Widen16(entry, bgr);
    SetPaletteColor(static_cast<BYTE>(index), bgr[2], bgr[1], bgr[0], 0);
  }
}

bool CImageFileTGA::ReadRow(StreamReader& reader, unsigned char* line, unsigned long pixels, unsigned bytes) {
  const std::size_t size = std::size_t{pixels} * bytes;
  const std::size_t got = reader.Read(line, size);
  std::memset(line + got, 0, size - got);
  return got == size;
}

bool CImageFileTGA::ReadPackedRow(StreamReader& reader, unsigned char* line, unsigned long pixels,
                                  unsigned bytes, Packet& packet) {
  unsigned long x = 0;
  while (x < pixels) {
    if (packet.remaining == 0) {
      const int head = reader.Get();
      if (head < 0) break;
      packet.run = head & kRunPacket;
      packet.remaining = (head & 0x7F) + 1u;
      if (packet.run && reader.Read(packet.value, bytes) != bytes) break;
    }
    // A packet that runs past the last row is cut there.
    const unsigned long take = std::min<unsigned long>(packet.remaining, pixels - x);
    unsigned char* out = line + std::size_t{x} * bytes;
    if (packet.run) {
      for (unsigned long i = 0; i < take; ++i) std::memcpy(out + i * bytes, packet.value, bytes);
    } else if (reader.Read(out, take * bytes) != take * bytes) {
      break;
    }
    packet.remaining -= static_cast<unsigned>(take);
    x += take;
  }
  if (x == pixels) return true;
  std::memset(line + std::size_t{x} * bytes, 0, std::size_t{pixels - x} * bytes);
  return false;
}

bool CImageFileTGA::StoreRow(const unsigned char* line, long y, const Header& header) {
  BYTE* row = GetBits(static_cast<unsigned long>(y));
  const unsigned long width = header.width;
  switch (header.depth) {
    case 8:
      if (header.Mapped()) {
        // Indices outside the map are not colours of this picture.
        for (unsigned long x = 0; x < width; ++x) {
          if (line[x] < header.mapFirst || line[x] >= header.mapFirst + header.mapLength) {
            std::memset(row + x, 0, width - x);
            return false;
          }
          row[x] = line[x];
        }
      } else {
        std::memcpy(row, line, width);
      }
      break;
    case 15:
    case 16:
      if (header.GreyAlpha()) {
        BYTE* alpha = AlphaGetPointer(0, y);
        for (unsigned long x = 0; x < width; ++x) {
          row[x] = line[2 * x];
          alpha[x] = line[2 * x + 1];
        }
      } else {
        for (unsigned long x = 0; x < width; ++x) Widen16(line + 2 * x, row + 3 * x);
      }
      break;
    case 24:
      std::memcpy(row, line, 3 * std::size_t{width});
      break;
    case 32: {
      BYTE* alpha = AlphaGetPointer(0, y);
      for (unsigned long x = 0; x < width; ++x) {
        std::memcpy(row + 3 * x, line + 4 * x, 3);
        alpha[x] = line[4 * x + 3];
      }
      break;
    }
  }
  return true;
}

bool CImageFileTGA::Encode(CByteStream* file) {
  if (EncodeSafeCheck(file)) return false;
  if (GetBpp() < 8) return Fail("Bit depth must be 8 or 24");
  if (GetWidth() > kMaxSide || GetHeight() > kMaxSide) return Fail("Can't save this image as TGA");
  return Guarded([&] { EncodeOrThrow(file); });
}

void CImageFileTGA::EncodeOrThrow(CByteStream* file) {
  // A palette picture with alpha goes out as grey and alpha when its palette is the grey ramp,
  // else as true colour: a colour map has no room for alpha.
  const bool alpha = AlphaIsValid();
  const Layout layout = GetBpp() == 24  ? (alpha ? Layout::kColourAlpha : Layout::kColour)
                        : !alpha        ? Layout::kMapped
                        : IsGrayScale() ? Layout::kGreyAlpha
                                        : Layout::kColourAlpha;
  const bool mapped = layout == Layout::kMapped;
  unsigned char header[kHeaderSize] = {};
  header[1] = mapped ? 1 : 0;
  header[2] = mapped ? kMapped : layout == Layout::kGreyAlpha ? kGrey : kTrueColour;
  WriteLE16(header + 5, mapped ? kMaxMapLength : 0);
  header[7] = mapped ? 24 : 0;
  WriteLE16(header + 12, static_cast<std::uint16_t>(GetWidth()));
  WriteLE16(header + 14, static_cast<std::uint16_t>(GetHeight()));
  header[16] = static_cast<unsigned char>(8 * BytesPerPixel(layout));
  // The descriptor's low bits count the alpha bits a pixel has.
  if (layout == Layout::kGreyAlpha || layout == Layout::kColourAlpha) header[17] = 8;
  if (file->Write(header, kHeaderSize, 1) != 1) throw CodecFailure{"Error writing TGA"};
  if (mapped) {
    unsigned char map[3 * kMaxMapLength];
    const RGBQUAD* palette = GetPalette();
    for (unsigned i = 0; i < kMaxMapLength; ++i) {
      map[3 * i] = palette[i].rgbBlue;
      map[3 * i + 1] = palette[i].rgbGreen;
      map[3 * i + 2] = palette[i].rgbRed;
    }
    if (file->Write(map, sizeof(map), 1) != 1) throw CodecFailure{"Error writing TGA"};
  }
  WriteRows(file, layout);
}

void CImageFileTGA::WriteRows(CByteStream* file, Layout layout) {
  const unsigned long width = GetWidth();
  const unsigned pixelBytes = BytesPerPixel(layout);
  const std::size_t bytes = std::size_t{pixelBytes} * width;
  const RGBQUAD* palette = GetPalette();
  std::vector<unsigned char> line(bytes);
  for (unsigned long y = 0; y < GetHeight(); ++y) {
    const BYTE* row = GetBits(y);
    const BYTE* alpha = layout == Layout::kGreyAlpha || layout == Layout::kColourAlpha
                            ? AlphaGetPointer(0, static_cast<long>(y))
                            : nullptr;
    if (!alpha) {
      std::memcpy(line.data(), row, bytes);
    } else {
      for (unsigned long x = 0; x < width; ++x) {
        unsigned char* out = &line[pixelBytes * x];
        if (layout == Layout::kGreyAlpha) {
          out[0] = row[x];
        } else if (palette) {
          const RGBQUAD& colour = palette[row[x]];
          out[0] = colour.rgbBlue;
          out[1] = colour.rgbGreen;
          out[2] = colour.rgbRed;
        } else {
          std::memcpy(out, row + 3 * x, 3);
        }
        out[pixelBytes - 1] = static_cast<unsigned char>(alpha[x] * info_.alphaMax / 255);
      }
    }
    if (file->Write(line.data(), bytes, 1) != 1) throw CodecFailure{"Error writing TGA"};
  }
}
