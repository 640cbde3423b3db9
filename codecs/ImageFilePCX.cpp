#include "codecs/ImageFilePCX.h"

#include <algorithm>
#include <cstring>

#include "codecs/detail/BlackAndWhite.h"
#include "codecs/detail/CodecFailure.h"
#include "codecs/detail/ImageLimits.h"
#include "codecs/detail/LittleEndian.h"
#include "codecs/detail/StreamReader.h"

namespace {

constexpr unsigned kHeaderSize = 128;
constexpr unsigned char kManufacturer = 10;
constexpr unsigned char kRunLength = 1;
constexpr unsigned char kVersion = 5;
constexpr unsigned char kPaletteSignature = 12;
constexpr unsigned kMaxPlanes = 4;
constexpr int kCountMark = 0xC0;  // a byte with both top bits set is a count
constexpr unsigned kMaxRun = 63;
constexpr unsigned long kMaxSide = 0xFFFE;  // even bytes a line must fit the header's 16 bits

// Runs of single values, one plane line at a time. A line is closed by kEvenEnd, or by kOddEnd
// which pads it with a zero byte to the even bytes a line.
class ValuePacker {
 public:
  static constexpr int kEvenEnd = -1;
  static constexpr int kOddEnd = -2;

  explicit ValuePacker(std::vector<unsigned char>& out) : out_(out) {}

  void Put(int value) {
    if (value != last_ && count_) {
      if (count_ == 1 && last_ < kCountMark) {
        out_.push_back(static_cast<unsigned char>(last_));
      } else {
        out_.push_back(static_cast<unsigned char>(kCountMark | count_));
        out_.push_back(static_cast<unsigned char>(last_));
      }
      count_ = 0;
    }
    if (count_ == kMaxRun) {
      out_.push_back(0xFF);
      out_.push_back(static_cast<unsigned char>(last_));
      count_ = 0;
    }
    if (value == kOddEnd) out_.push_back(0);
    last_ = value & 0xFF;
    ++count_;
  }

  void EndLine(unsigned long width) {
    Put(width & 1 ? kOddEnd : kEvenEnd);
    last_ = 0;
    count_ = 0;
  }

 private:
  std::vector<unsigned char>& out_;
  int last_ = 0;
  unsigned count_ = 0;
};

// Runs of equal bytes of one whole line.
void EncodeLine(const unsigned char* bytes, std::size_t length, std::vector<unsigned char>& out) {
  for (std::size_t i = 0; i < length;) {
    std::size_t run = 1;
    while (i + run < length && run < kMaxRun && bytes[i + run] == bytes[i]) ++run;
    if (run > 1 || bytes[i] >= kCountMark) out.push_back(static_cast<unsigned char>(kCountMark | run));
    out.push_back(bytes[i]);
    i += run;
  }
}

}  // namespace

struct CImageFilePCX::Header {
  unsigned bits;
  unsigned planes;
  unsigned long width;
  unsigned long height;
  unsigned long bytesPerLine;
  unsigned char map[48];

  bool TrueColour() const { return bits == 8 && planes >= 3; }
};

bool CImageFilePCX::Decode(CByteStream* file) {
  if (!file) return false;
  return Guarded([&] { DecodeOrThrow(file); });
}

void CImageFilePCX::DecodeOrThrow(CByteStream* file) {
  StreamReader reader(file);
  unsigned char raw[kHeaderSize];
  const std::size_t got = reader.Read(raw, kHeaderSize);
  if (got == 0) throw CodecFailure{"Can't read PCX image"};
  if (raw[0] != kManufacturer) throw CodecFailure{"Error: Not a PCX file"};
  if (got != kHeaderSize) throw CodecFailure{kFileEndsEarly};
  if (raw[2] != kRunLength) throw CodecFailure{"PCX file has unknown encoding scheme"};
  Header header{raw[3], raw[65], 0, 0, ReadLE16(raw + 66), {}};
  std::memcpy(header.map, raw + 16, sizeof(header.map));
  const long width = long{ReadLE16(raw + 8)} - ReadLE16(raw + 4) + 1;
  const long height = long{ReadLE16(raw + 10)} - ReadLE16(raw + 6) + 1;
  if (header.planes > kMaxPlanes) throw CodecFailure{"Can't handle image with more than 4 planes"};
  if (width <= 0 || height <= 0 || header.planes == 0 || header.bytesPerLine == 0)
    throw CodecFailure{"corrupted PCX"};
  if (header.planes > 1 && !header.TrueColour()) {
    if (header.bits == 2 || header.bits == 4)
      throw CodecFailure{"Can't handle packed pixels with more than 1 plane."};
    if (header.bits != 1) throw CodecFailure{"Can't handle more than 1 bit per pixel"};
  }
  if (header.bits != 1 && header.bits != 2 && header.bits != 4 && header.bits != 8) {
    throw CodecFailure{"PCX file has unknown bits per pixel"};
  }
  header.width = static_cast<unsigned long>(width);
  header.height = static_cast<unsigned long>(height);
  if (std::uint64_t{header.width} * header.height > kMaxDecodePixels)
    throw CodecFailure{"Image too large to decode"};

  // Several 1-bit planes make one index of up to four bits.
  const unsigned bpp = header.TrueColour() ? 24 : header.planes > 1 ? 4 : header.bits;
  if (!Create(header.width, header.height, bpp, keImageFormatPCX)) throw CodecFailure{"PCX Create failed"};
  if (header.planes == 4 && header.TrueColour()) {
    AlphaCreate();
    if (!AlphaIsValid()) throw CodecFailure{"PCX Create failed"};
  }
  info_.xDpi = ReadLE16(raw + 12);
  info_.yDpi = ReadLE16(raw + 14);
  if (info_.escape) throw CodecFailure{"Cancelled"};

  const std::size_t lineSize = std::size_t{header.bytesPerLine} * header.planes;
  std::vector<unsigned char> line(lineSize);
  Run run;
  for (unsigned long y = 0; y < header.height; ++y) {
    if (info_.escape) throw CodecFailure{"Cancelled"};
    ExpandLine(reader, line.data(), lineSize, run, std::uint64_t{lineSize} * (header.height - y));
    StoreLine(line.data(), static_cast<long>(header.height - 1 - y), header);
  }

  for (unsigned i = 0; i < 16 && i < GetNumColors(); ++i) {
    SetPaletteColor(static_cast<BYTE>(i), header.map[3 * i], header.map[3 * i + 1], header.map[3 * i + 2], 0);
  }
  if (header.bits == 8 && header.planes == 1) {
    ReadTrailingPalette(reader);
  } else if (header.bits == 1 && header.planes == 1) {
    SetPaletteColor(0, 0, 0, 0, 0);
    SetPaletteColor(1, 255, 255, 255, 0);
  }
}

void CImageFilePCX::ExpandLine(StreamReader& reader, unsigned char* line, std::size_t size, Run& run,
                               std::uint64_t left) {
  std::size_t done = 0;
  while (done < size) {
    if (run.remaining == 0) {
      const int byte = reader.Get();
      if (byte < 0) throw CodecFailure{kFileEndsEarly};
      if ((byte & kCountMark) == kCountMark) {
        const int value = reader.Get();
        if (value < 0) throw CodecFailure{kFileEndsEarly};
        run.remaining = byte & 0x3F;
        if (run.remaining > left - done) throw CodecFailure{"repeat count spans end of image"};
        run.value = static_cast<unsigned char>(value);
        continue;
      }
      run.remaining = 1;
      run.value = static_cast<unsigned char>(byte);
    }
    const std::size_t take = std::min<std::size_t>(run.remaining, size - done);
    std::memset(line + done, run.value, take);
    run.remaining -= take;
    done += take;
  }
}

void CImageFilePCX::StoreLine(const unsigned char* line, long y, const Header& header) {
  const unsigned long width = header.width;
  const unsigned long bpl = header.bytesPerLine;
  // The byte of plane p that holds bit position `bit` of the line, or 0 past the plane line.
  auto byteAt = [&](unsigned p, unsigned long bit) -> unsigned {
    return bit / 8 < bpl ? line[p * bpl + bit / 8] : 0;
  };
  if (header.TrueColour()) {
    BYTE* row = GetBits(static_cast<unsigned long>(y));
    BYTE* alpha = AlphaGetPointer(0, y);
    for (unsigned long x = 0; x < width; ++x) {
      row[3 * x + 2] = static_cast<BYTE>(byteAt(0, 8 * x));
      row[3 * x + 1] = static_cast<BYTE>(byteAt(1, 8 * x));
      row[3 * x] = static_cast<BYTE>(byteAt(2, 8 * x));
      if (alpha) alpha[x] = static_cast<BYTE>(byteAt(3, 8 * x));
    }
    return;
  }
  if (header.planes == 1 && header.bits == 8) {
    std::memcpy(GetBits(static_cast<unsigned long>(y)), line, std::min(width, bpl));
    return;
  }
  for (unsigned long x = 0; x < width; ++x) {
    unsigned index = 0;
    if (header.planes == 1) {
      const unsigned long bit = x * header.bits;
      index = (byteAt(0, bit) >> (8 - header.bits - bit % 8)) & ((1u << header.bits) - 1);
    } else {
      for (unsigned p = 0; p < header.planes; ++p) index |= ((byteAt(p, x) >> (7 - x % 8)) & 1) << p;
    }
    BlindSetPixelIndex(static_cast<long>(x), y, static_cast<BYTE>(index));
  }
}

void CImageFilePCX::ReadTrailingPalette(StreamReader& reader) {
  const int signature = reader.Get();
  if (signature < 0) throw CodecFailure{kFileEndsEarly};
  if (signature != kPaletteSignature) throw CodecFailure{"bad color map signature"};
  unsigned char map[3 * 256];
  if (reader.Read(map, sizeof(map)) != sizeof(map)) throw CodecFailure{kFileEndsEarly};
  for (unsigned i = 0; i < 256; ++i) {
    SetPaletteColor(static_cast<BYTE>(i), map[3 * i], map[3 * i + 1], map[3 * i + 2], 0);
  }
}

bool CImageFilePCX::Encode(CByteStream* file) {
  if (EncodeSafeCheck(file)) return false;
  return Guarded([&] { EncodeOrThrow(file); });
}

void CImageFilePCX::EncodeOrThrow(CByteStream* file) {
  const unsigned long width = GetWidth();
  const unsigned long height = GetHeight();
  if (width > kMaxSide || height > kMaxSide) throw CodecFailure{"Can't save this image as PCX"};
  const unsigned bpp = GetBpp();
  const bool eightBits = bpp == 8 || bpp == 24;
  unsigned planes = 1;
  if (bpp == 24) {
    planes = AlphaIsValid() ? 4 : 3;
  } else if (bpp == 4 || (bpp == 1 && !IsBlackAndWhite(GetPalette()))) {
    // A single bit plane reads as black and white: other colours take the 16-colour planes.
    planes = 4;
  }
  unsigned long bytesPerLine = eightBits ? width : (width + 7) / 8;
  bytesPerLine += bytesPerLine & 1;

  unsigned char header[kHeaderSize] = {};
  header[0] = kManufacturer;
  header[1] = kVersion;
  header[2] = kRunLength;
  header[3] = eightBits ? 8 : 1;
  WriteLE16(header + 8, static_cast<std::uint16_t>(width - 1));
  WriteLE16(header + 10, static_cast<std::uint16_t>(height - 1));
  WriteLE16(header + 12, static_cast<std::uint16_t>(GetXDPI()));
  WriteLE16(header + 14, static_cast<std::uint16_t>(GetYDPI()));
  if (!eightBits && planes == 1) {
    std::memset(header + 19, 255, 3);  // black and white
  } else if (!eightBits) {
    for (unsigned i = 0; i < GetNumColors(); ++i) {
      const RGBQUAD c = GetPaletteColor(static_cast<BYTE>(i));
      header[16 + 3 * i] = c.rgbRed;
      header[17 + 3 * i] = c.rgbGreen;
      header[18 + 3 * i] = c.rgbBlue;
    }
  }
  header[65] = static_cast<unsigned char>(planes);
  WriteLE16(header + 66, static_cast<std::uint16_t>(bytesPerLine));
  header[68] = GetPalette() ? 0 : 1;
  if (file->Write(header, kHeaderSize, 1) != 1) throw CodecFailure{"cannot write PCX header"};

  std::vector<unsigned char> data;
  if (bpp == 24) {
    PackTrueColour(data);
  } else if (bpp == 8) {
    PackIndices(data);
  } else {
    PackPlanes(data, planes, bytesPerLine);
  }
  if (file->Write(data.data(), data.size(), 1) != 1) throw CodecFailure{"cannot write PCX data"};
}

void CImageFilePCX::PackTrueColour(std::vector<unsigned char>& out) {
  ValuePacker packer(out);
  const unsigned long width = GetWidth();
  for (long y = static_cast<long>(GetHeight()) - 1; y >= 0; --y) {
    const BYTE* row = GetBits(static_cast<unsigned long>(y));
    const BYTE* alpha = AlphaGetPointer(0, y);
    for (int channel : {2, 1, 0}) {
      for (unsigned long x = 0; x < width; ++x) packer.Put(row[3 * x + channel]);
      packer.EndLine(width);
    }
    if (alpha) {
      for (unsigned long x = 0; x < width; ++x) packer.Put(alpha[x]);
      packer.EndLine(width);
    }
  }
}

void CImageFilePCX::PackIndices(std::vector<unsigned char>& out) {
  ValuePacker packer(out);
  const unsigned long width = GetWidth();
  for (long y = static_cast<long>(GetHeight()) - 1; y >= 0; --y) {
    const BYTE* row = GetBits(static_cast<unsigned long>(y));
    for (unsigned long x = 0; x < width; ++x) packer.Put(row[x]);
    packer.EndLine(width);
  }
  out.push_back(kPaletteSignature);
  const RGBQUAD* palette = GetPalette();
  for (unsigned i = 0; i < 256; ++i) {
    out.push_back(palette[i].rgbRed);
    out.push_back(palette[i].rgbGreen);
    out.push_back(palette[i].rgbBlue);
  }
}

// Black and white is written black on white: when entry 0 is the white one, every index is
// turned over so that 0 stays black.
void CImageFilePCX::PackPlanes(std::vector<unsigned char>& out, unsigned planes, unsigned long bytesPerLine) {
  const unsigned flip = planes == 1 && IsWhite(GetPalette()[0]) ? 1 : 0;
  const unsigned long width = GetWidth();
  std::vector<unsigned char> plane(bytesPerLine);
  std::vector<unsigned char> indices(width);
  for (long y = static_cast<long>(GetHeight()) - 1; y >= 0; --y) {
    for (unsigned long x = 0; x < width; ++x)
      indices[x] = static_cast<unsigned char>(BlindGetPixelIndex(static_cast<long>(x), y) ^ flip);
    for (unsigned p = 0; p < planes; ++p) {
      std::fill(plane.begin(), plane.end(), 0);
      for (unsigned long x = 0; x < width; ++x)
        plane[x / 8] |= static_cast<unsigned char>(((indices[x] >> p) & 1) << (7 - x % 8));
      EncodeLine(plane.data(), plane.size(), out);
    }
  }
}
