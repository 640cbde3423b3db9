#include "codecs/ImageFileTIF.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

#include "codecs/detail/BlackAndWhite.h"
#include "codecs/detail/CodecFailure.h"
#include "codecs/detail/ImageLimits.h"
#include "core/Rounding.h"

namespace {

constexpr toff_t kBadOffset = static_cast<toff_t>(-1);

CByteStream* StreamOf(thandle_t handle) { return static_cast<CByteStream*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
  return static_cast<tmsize_t>(StreamOf(handle)->Read(buffer, 1, static_cast<std::size_t>(size)));
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size) {
  return static_cast<tmsize_t>(StreamOf(handle)->Write(buffer, 1, static_cast<std::size_t>(size)));
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  if (offset == kBadOffset) return kBadOffset;
  if (!StreamOf(handle)->Seek(static_cast<long>(offset), whence)) return kBadOffset;
  return whence == SEEK_SET ? offset : static_cast<toff_t>(StreamOf(handle)->Tell());
}

int CloseProc(thandle_t) { return 0; }  // the caller owns the stream

toff_t SizeProc(thandle_t handle) { return static_cast<toff_t>(StreamOf(handle)->Size()); }

int MapProc(thandle_t, void**, toff_t*) { return 0; }

void UnmapProc(thandle_t, void*, toff_t) {}

void Silent(const char*, const char*, va_list) {}

// Whether a file libtiff could not open was cut before the end of its first directory.
bool CutBeforeDirectory(CByteStream* file, long start) {
  unsigned char head[8] = {};
  if (!file->Seek(start, SEEK_SET)) return false;
  const std::size_t got = file->Read(head, 1, sizeof head);
  const bool big = head[0] == 'M';
  if ((head[0] != 'I' && head[0] != 'M') || (got > 1 && head[1] != head[0])) return false;
  if (got < sizeof head) return true;
  auto number = [big](const unsigned char* p, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= std::uint64_t{p[big ? bytes - 1 - i : i]} << (8 * i);
    return value;
  };
  // Only the classic form is looked into; a directory of entries of 12 bytes behind a count.
  if (number(head + 2, 2) != 42) return false;
  const std::uint64_t size = static_cast<std::uint64_t>(std::max(file->Size() - start, 0L));
  const std::uint64_t offset = number(head + 4, 4);
  unsigned char count[2];
  if (offset + 2 > size) return true;
  if (!file->Seek(start + static_cast<long>(offset), SEEK_SET) || file->Read(count, 1, 2) != 2) return false;
  return offset + 2 + 12 * number(count, 2) + 4 > size;
}

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// A libtiff client over the stream; named apart from libtiff's own open functions.
TIFF* TiffOpenOverStream(CByteStream* file, const char* mode) {
  // libtiff's handlers are process-wide: silenced once, before the first open.
  static const bool silenced = (TIFFSetErrorHandler(Silent), TIFFSetWarningHandler(Silent), true);
  (void)silenced;
  if (!file) return nullptr;
  return TIFFClientOpen("TIFF IMAGE", mode, file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc,
                        UnmapProc);
}

BYTE ClampByte(double v) { return static_cast<BYTE>(std::clamp(static_cast<int>(v), 0, 255)); }

double Companded(double c) { return c <= 0.00304 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055; }

std::size_t CheckedSize(std::uint64_t bytes) {
  if (bytes > kMaxImageBytes) throw CodecFailure{"CImageFileTIF can't allocate memory"};
  return static_cast<std::size_t>(bytes);
}

// Bytes of picture one byte of a strip may give at most, for the compressions that have such a
// bound; the fax codes spend at least a bit on a row instead.
std::uint64_t MostBytesFromOne(int compression) {
  switch (compression) {
    case COMPRESSION_NONE:
    case COMPRESSION_LZW:
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
    case COMPRESSION_PACKBITS:
    case COMPRESSION_JPEG:
      return 65536;
    default:
      return 0;
  }
}

bool IsFax(int compression) {
  return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
         compression == COMPRESSION_CCITTFAX4 || compression == COMPRESSION_CCITTRLEW;
}

// A small file can claim a huge picture: its strips or tiles must lie inside the file and be
// enough to make the picture before any buffer of the picture's size is made.
void CheckDataInFile(TIFF* tif, std::uint64_t fileSize, std::uint64_t pictureBytes, std::uint32_t rows,
                     int compression) {
  const std::uint32_t count = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  std::uint64_t total = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    int failed = 0;
    const std::uint64_t offset = TIFFGetStrileOffsetWithErr(tif, i, &failed);
    const std::uint64_t bytes = TIFFGetStrileByteCountWithErr(tif, i, &failed);
    if (failed) throw CodecFailure{"Corrupted TIFF file!"};
    if (offset > fileSize || bytes > fileSize - offset) throw CodecFailure{kFileEndsEarly};
    total += bytes;
  }
  const std::uint64_t most = MostBytesFromOne(compression);
  if (total == 0 || (most != 0 && pictureBytes / most > total) || (IsFax(compression) && total * 8 < rows)) {
    throw CodecFailure{"Corrupted TIFF file!"};
  }
}

// Colour stored multiplied by its alpha (the sample after the colours), divided back out.
template <class Sample>
void Unpremultiply(Sample* pixel, unsigned long width, int samples, int colours) {
  constexpr std::uint64_t kMax = std::numeric_limits<Sample>::max();
  for (unsigned long x = 0; x < width; ++x, pixel += samples) {
    const std::uint64_t alpha = pixel[colours];
    for (int c = 0; c < colours; ++c) {
      pixel[c] = static_cast<Sample>(alpha == 0 ? 0 : std::min(kMax, (pixel[c] * kMax + alpha / 2) / alpha));
    }
  }
}

BYTE To8Bits(std::uint16_t v) { return static_cast<BYTE>((v + 128u) / 257u); }

}  // namespace

CImageFileTIF::~CImageFileTIF() { CloseHandle(); }

void CImageFileTIF::CloseHandle() {
  if (handle_) TIFFClose(handle_);
  handle_ = nullptr;
  multipage_ = false;
  pages_ = 0;
}

void CImageFileTIF::TileToStrip(BYTE* strip, const BYTE* tile, unsigned long rows, unsigned long cols,
                                long outSkew, long inSkew) {
  for (unsigned long r = 0; r < rows; ++r) {
    std::copy(tile, tile + cols, strip);
    strip += cols + static_cast<unsigned long>(outSkew);
    tile += cols + static_cast<unsigned long>(inSkew);
  }
}

bool CImageFileTIF::Decode(CByteStream* file) {
  // The request for the sizes alone also leaves early, with success.
  return Guarded([&] { DecodeOrThrow(file); }) || info_.escape == -1;
}

void CImageFileTIF::DecodeOrThrow(CByteStream* file) {
  const long start = file ? file->Tell() : 0;
  const TiffHandle handle(TiffOpenOverStream(file, "rb"));
  TIFF* tif = handle.get();
  if (!tif) {
    throw CodecFailure{file && CutBeforeDirectory(file, start) ? kFileEndsEarly
                                                               : "Error encountered while opening TIFF file"};
  }
  info_.numberOfFrames = TIFFNumberOfDirectories(tif);
  if (info_.frame < 0 || !TIFFSetDirectory(tif, static_cast<tdir_t>(info_.frame))) {
    throw CodecFailure{"Error: page not present in TIFF file"};
  }
  std::uint32_t width = 0, height = 0, rowsPerStrip = 0xFFFFFFFF;
  std::uint16_t samples = 1, bits = 1, photometric = 0, orientation = 1, compression = 1, planar = 1;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetField(tif, TIFFTAG_ORIENTATION, &orientation);
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
  TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &planar);
  if (info_.escape == -1) {
    header_.biWidth = static_cast<LONG>(width);
    header_.biHeight = static_cast<LONG>(height);
    throw CodecFailure{"output dimensions returned"};
  }
  std::uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  float resolution = 0;
  const float perCentimetre = 2.54f;
  if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &resolution)) {
    SetXDPI(
        corvel::SaturatedTrunc(unit == RESUNIT_CENTIMETER ? resolution * perCentimetre + 0.5f : resolution));
  }
  if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &resolution)) {
    SetYDPI(
        corvel::SaturatedTrunc(unit == RESUNIT_CENTIMETER ? resolution * perCentimetre + 0.5f : resolution));
  }
  float x = 0, y = 0;
  // Values from the file: a position or resolution past the range saturates.
  if (TIFFGetField(tif, TIFFTAG_XPOSITION, &x)) info_.xOffset = corvel::SaturatedTrunc(x);
  if (TIFFGetField(tif, TIFFTAG_YPOSITION, &y)) info_.yOffset = corvel::SaturatedTrunc(y);
  info_.transparentIndex = -1;
  if (width == 0 || height == 0 || std::uint64_t{width} * height > kMaxDecodePixels) {
    throw CodecFailure{"Corrupted TIFF file!"};
  }
  std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
  if (sampleFormat == SAMPLEFORMAT_IEEEFP) throw CodecFailure{"Floating point TIFF samples not supported"};
  if (bits > 16) throw CodecFailure{"TIFF samples of more than 16 bits not supported"};
  if (photometric == PHOTOMETRIC_SEPARATED && bits == 16)
    throw CodecFailure{"16-bit CMYK TIFF not supported"};
  // An index of 16 bits has no place in a palette of 256 colours.
  if (photometric == PHOTOMETRIC_PALETTE && bits == 16)
    throw CodecFailure{"16-bit palette TIFF not supported"};
  CheckDataInFile(tif, static_cast<std::uint64_t>(std::max(file->Size(), 0L)),
                  std::uint64_t{width} * height * samples * bits / 8, height, compression);

  // Our own rows cover palette, grey, RGB (whose alpha libtiff's RGBA reader would premultiply)
  // and L*a*b* pictures; every other kind goes through that reader.
  const bool grey = photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
  const bool whole = bits == 8 || bits == 16;
  const bool ownRows = (planar == PLANARCONFIG_CONTIG || whole) &&
                       (((grey || photometric == PHOTOMETRIC_PALETTE) && samples <= 2 &&
                         (bits == 1 || bits == 4 || whole) && (samples == 1 || whole)) ||
                        (photometric == PHOTOMETRIC_CIELAB && (samples == 3 || samples == 4) && bits == 8) ||
                        (photometric == PHOTOMETRIC_RGB && (samples == 3 || samples == 4) && whole));
  const int depth = !ownRows || samples >= 3    ? 24
                    : samples == 1 && bits == 1 ? 1
                    : samples == 1 && bits == 4 ? 4
                                                : 8;
  if (info_.escape) throw CodecFailure{"Cancelled"};
  if (!Create(width, height, static_cast<unsigned long>(depth), keImageFormatTIF)) {
    throw CodecFailure{"CImageFileTIF can't create image"};
  }
  // Four samples of CMYK are all ink.
  if ((samples == 4 && photometric != PHOTOMETRIC_SEPARATED) || (samples == 2 && whole)) AlphaCreate();
  std::uint16_t extraCount = 0;
  std::uint16_t* extraKinds = nullptr;
  TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds);
  const bool associated = extraCount > 0 && extraKinds[0] == EXTRASAMPLE_ASSOCALPHA;
  SetCodecOption(compression, keImageFormatTIF);
  if (!ownRows) {
    ReadRGBA(tif, width, height, AlphaIsValid());
  } else {
    if (depth <= 8) SetPaletteFor(tif, photometric, depth);
    ReadRows(tif, width, height,
             RowLayout{samples, bits, photometric, planar == PLANARCONFIG_SEPARATE,
                       associated && (grey || photometric == PHOTOMETRIC_RGB)});
  }
  Orient(orientation);
}

void CImageFileTIF::ReadRGBA(TIFF* tif, unsigned long width, unsigned long height, bool alpha) {
  // The orientation is applied afterwards, as on the other route, so the raster is read as stored.
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  std::vector<std::uint32_t> raster(CheckedSize(std::uint64_t{width} * height * 4) / 4);
  if (!TIFFReadRGBAImage(tif, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                         raster.data(), 1)) {
    throw CodecFailure{"Corrupted TIFF file!"};
  }
  for (unsigned long y = 0; y < height; ++y) {
    if (info_.escape) throw CodecFailure{"Cancelled"};
    BYTE* row = GetBits(y);
    const std::uint32_t* source = &raster[y * width];
    for (unsigned long x = 0; x < width; ++x) {
      const std::uint32_t p = source[x];
      // The reader gives colour multiplied by alpha.
      BYTE pixel[4] = {static_cast<BYTE>(TIFFGetB(p)), static_cast<BYTE>(TIFFGetG(p)),
                       static_cast<BYTE>(TIFFGetR(p)), static_cast<BYTE>(TIFFGetA(p))};
      if (alpha) {
        Unpremultiply(pixel, 1, 4, 3);
        AlphaSet(static_cast<long>(x), static_cast<long>(y), pixel[3]);
      }
      std::copy(pixel, pixel + 3, row + 3 * x);
    }
  }
}

void CImageFileTIF::SetPaletteFor(TIFF* tif, int photometric, int depth) {
  RGBQUAD palette[256] = {};
  const unsigned colours = 1u << depth;
  if (depth == 1 && photometric != PHOTOMETRIC_PALETTE) {
    palette[photometric == PHOTOMETRIC_MINISWHITE ? 0 : 1] = RGBQUAD{255, 255, 255, 0};
  } else if (photometric != PHOTOMETRIC_PALETTE) {
    for (unsigned i = 0; i < colours; ++i) {
      const unsigned level = 255 / (colours - 1) * i;
      const BYTE v = static_cast<BYTE>(photometric == PHOTOMETRIC_MINISWHITE ? 255 - level : level);
      palette[i] = RGBQUAD{v, v, v, 0};
    }
  } else {
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    std::uint16_t bits = 1;
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue))
      throw CodecFailure{"Unable to allocate TIFF palette"};
    const std::size_t entries = std::size_t{1} << bits;
    bool wide = false;
    for (std::size_t i = 0; i < entries && !wide; ++i)
      wide = red[i] >= 256 || green[i] >= 256 || blue[i] >= 256;
    auto value = [wide](std::uint16_t v) { return static_cast<BYTE>(wide ? v * 255u / 65535u : v); };
    for (std::size_t i = 0; i < std::min<std::size_t>(entries, 256); ++i) {
      palette[i] = RGBQUAD{value(blue[i]), value(green[i]), value(red[i]), 0};
    }
  }
  SetPalette(palette, colours);
}

void CImageFileTIF::ReadRows(TIFF* tif, unsigned long width, unsigned long height, const RowLayout& layout) {
  const int samples = layout.samples;
  const int bits = layout.bits;
  const int planes = layout.planar ? samples : 1;
  const unsigned planeBits = static_cast<unsigned>(samples / planes * bits);
  const std::uint64_t line = (std::uint64_t{static_cast<unsigned>(samples * bits)} * width + 7) / 8;
  const std::uint64_t planeLine = (std::uint64_t{planeBits} * width + 7) / 8;
  const bool tiled = TIFFIsTiled(tif);
  std::uint32_t rowsPerStrip = 0xFFFFFFFF, tileWidth = 0, tileLength = 0;
  if (tiled) {
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileLength);
    if (tileWidth == 0 || tileLength == 0) throw CodecFailure{"Corrupted tiled TIFF file!"};
    rowsPerStrip = tileLength;
  } else {
    TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  }
  rowsPerStrip = static_cast<std::uint32_t>(
      std::min<unsigned long>(std::max<std::uint32_t>(rowsPerStrip, 1), height));
  // A plane's band is sized by what is read into it: a whole strip, whatever the rows it claims.
  const std::uint64_t stripSize = tiled
                                      ? 0
                                      : static_cast<std::uint64_t>(std::max<tmsize_t>(TIFFStripSize(tif), 0));
  std::vector<BYTE> band(CheckedSize(std::max(line * rowsPerStrip, planes == 1 ? stripSize : 0)));
  std::vector<BYTE> planeBand(planes == 1 ? 0 : CheckedSize(std::max(planeLine * rowsPerStrip, stripSize)));
  std::vector<BYTE>& target = planes == 1 ? band : planeBand;
  std::vector<BYTE> tile(
      tiled ? CheckedSize(static_cast<std::uint64_t>(std::max<tmsize_t>(TIFFTileSize(tif), 0))) : 0);
  const std::uint64_t tileRow = tiled ? (std::uint64_t{tileWidth} * planeBits + 7) / 8 : 0;
  const std::size_t sampleBytes = static_cast<std::size_t>(bits / 8);
  for (unsigned long row0 = 0; row0 < height; row0 += rowsPerStrip) {
    if (info_.escape) throw CodecFailure{"Cancelled"};
    const unsigned long rows = std::min<unsigned long>(rowsPerStrip, height - row0);
    for (int plane = 0; plane < planes; ++plane) {
      const auto sample = static_cast<tsample_t>(plane);
      if (!tiled) {
        const tstrip_t strip = TIFFComputeStrip(tif, static_cast<std::uint32_t>(row0), sample);
        if (TIFFReadEncodedStrip(tif, strip, target.data(), static_cast<tmsize_t>(target.size())) == -1) {
          throw CodecFailure{"Corrupted TIFF file!"};
        }
      } else {
        for (std::uint64_t column = 0, offset = 0; offset < planeLine; ++column, offset += tileRow) {
          if (TIFFReadTile(tif, tile.data(), static_cast<std::uint32_t>(column * tileWidth),
                           static_cast<std::uint32_t>(row0), 0, sample) == -1) {
            throw CodecFailure{"Corrupted tiled TIFF file!"};
          }
          const std::uint64_t cols = std::min(tileRow, planeLine - offset);
          TileToStrip(target.data() + offset, tile.data(), rows, static_cast<unsigned long>(cols),
                      static_cast<long>(planeLine - cols), static_cast<long>(tileRow - cols));
        }
      }
      // Separate planes are woven into rows of whole pixels.
      for (unsigned long r = 0; planes > 1 && r < rows; ++r) {
        const BYTE* from = planeBand.data() + r * planeLine;
        BYTE* to = band.data() + r * line + static_cast<std::size_t>(plane) * sampleBytes;
        for (unsigned long x = 0; x < width; ++x, from += sampleBytes, to += samples * sampleBytes) {
          std::copy(from, from + sampleBytes, to);
        }
      }
    }
    for (unsigned long r = 0; r < rows; ++r) {
      StoreRow(band.data() + r * line, height - 1 - (row0 + r), layout);
    }
  }
}

void CImageFileTIF::StoreRow(BYTE* source, unsigned long y, const RowLayout& layout) {
  const unsigned long width = GetWidth();
  const int samples = layout.samples;
  const int colours = samples - 1;
  if (layout.bits == 16) {
    auto* wide = reinterpret_cast<std::uint16_t*>(source);
    if (layout.associated && samples > 1) Unpremultiply(wide, width, samples, colours);
    for (unsigned long i = 0; i < width * static_cast<unsigned long>(samples); ++i)
      source[i] = To8Bits(wide[i]);
  } else if (layout.associated && layout.bits == 8 && (samples == 2 || samples == 4)) {
    Unpremultiply(source, width, samples, colours);
  }
  if (layout.photometric == PHOTOMETRIC_CIELAB) {
    ReadLabRow(source, y, samples);
  } else if (layout.photometric == PHOTOMETRIC_RGB) {
    BYTE* out = GetBits(y);
    for (unsigned long x = 0; x < width; ++x, source += samples) {
      out[3 * x] = source[2];
      out[3 * x + 1] = source[1];
      out[3 * x + 2] = source[0];
      if (samples == 4) AlphaSet(static_cast<long>(x), static_cast<long>(y), source[3]);
    }
  } else if (samples == 1) {
    const unsigned long bytes = std::min<unsigned long>(
        GetEffWidth(),
        static_cast<unsigned long>((std::uint64_t{static_cast<unsigned>(layout.bits)} * width + 7) / 8));
    std::copy(source, source + bytes, GetBits(y));
  } else {
    for (unsigned long x = 0; x < width; ++x) {
      SetPixelIndex(static_cast<long>(x), static_cast<long>(y), source[2 * x]);
      AlphaSet(static_cast<long>(x), static_cast<long>(y), source[2 * x + 1]);
    }
  }
}

void CImageFileTIF::ReadLabRow(const BYTE* row, unsigned long y, int samples) {
  if (GetBpp() != 24) {
    if (!Create(GetWidth(), GetHeight(), 24, keImageFormatTIF))
      throw CodecFailure{"CImageFileTIF can't create image"};
    if (samples == 4) AlphaCreate();
  }
  for (unsigned long x = 0; x < GetWidth(); ++x) {
    const BYTE* p = row + x * static_cast<unsigned long>(samples);
    const double fy = (p[0] * 0.3921568627450981 + 16) * 0.008620689655172414;
    const double a = static_cast<signed char>(p[1]);
    const double b = static_cast<signed char>(p[2]);
    const double cx = std::pow(a * 0.002 + fy, 3) * 0.95047;
    const double cy = std::pow(fy, 3);
    const double cz = std::pow(fy - b * 0.005, 3) * 1.0883;
    const double r = Companded(3.240479 * cx - 1.53715 * cy - 0.498535 * cz);
    const double g = Companded(-0.969256 * cx + 1.875992 * cy + 0.041556 * cz);
    const double bl = Companded(0.055648 * cx - 0.204043 * cy + 1.057311 * cz);
    SetPixelColor(static_cast<long>(x), static_cast<long>(y),
                  RGBQUAD{ClampByte(bl * 255), ClampByte(g * 255), ClampByte(r * 255), 0});
    if (samples == 4) AlphaSet(static_cast<long>(x), static_cast<long>(y), p[3]);
  }
}

void CImageFileTIF::Orient(int orientation) {
  switch (orientation) {
    case ORIENTATION_TOPRIGHT:
      Mirror();
      break;
    case ORIENTATION_BOTRIGHT:
      Flip();
      Mirror();
      break;
    case ORIENTATION_BOTLEFT:
      Flip();
      break;
    case ORIENTATION_LEFTTOP:
      RotateRight();
      Mirror();
      break;
    case ORIENTATION_RIGHTTOP:
      RotateRight();
      break;
    case ORIENTATION_RIGHTBOT:
      RotateLeft();
      Mirror();
      break;
    case ORIENTATION_LEFTBOT:
      RotateLeft();
      break;
    default:
      break;
  }
}

bool CImageFileTIF::EncodeBody(TIFF* tif, bool multipage, int page, int pageCount) {
  const unsigned long width = GetWidth();
  const unsigned long height = GetHeight();
  int bitCount = GetBpp();
  int samples = bitCount >= 24 ? 3 : 1;
  if (bitCount == 24 && AlphaIsValid()) {
    bitCount = 32;
    samples = 4;
  }
  const int bitsPerSample = bitCount / samples;
  int photometric = 0;
  const RGBQUAD* palette = GetPalette();
  // Black and white is written min-is-white, the bits of a picture whose entry 0 is black
  // turned over on their way out.
  const bool bilevel = bitCount == 1 && IsBlackAndWhite(palette);
  const BYTE invert = bilevel && IsBlack(palette[0]) ? 0xFF : 0;
  if (bilevel) {
    photometric = PHOTOMETRIC_MINISWHITE;
  } else if (bitCount <= 8) {
    // Only the 8-bit ramp reads back as the same greys.
    bool identity = bitCount == 8;
    for (unsigned long i = 0; i < GetNumColors() && identity; ++i) {
      identity = palette[i].rgbRed == i && palette[i].rgbGreen == i && palette[i].rgbBlue == i;
    }
    photometric = identity ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_PALETTE;
  } else if (bitCount >= 24) {
    photometric = PHOTOMETRIC_RGB;
  }
  if (bitCount == 8 && AlphaIsValid()) samples = 2;

  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(samples));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(bitsPerSample));
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, static_cast<std::uint16_t>(photometric));
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  if (samples == 2 || samples == 4) {
    const std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(GetXDPI()));
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(GetYDPI()));
  if (multipage) {
    char name[32];
    std::snprintf(name, sizeof(name), "Page %d", page);
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, static_cast<std::uint16_t>(page),
                 static_cast<std::uint16_t>(pageCount));
    TIFFSetField(tif, TIFFTAG_PAGENAME, name);
  } else {
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
  }
  if (photometric == PHOTOMETRIC_PALETTE) {
    std::vector<std::uint16_t> map(3 * 256, 0);
    for (unsigned long i = 0; i < GetNumColors(); ++i) {
      map[i] = static_cast<std::uint16_t>(palette[i].rgbRed * 65535u / 255u);
      map[256 + i] = static_cast<std::uint16_t>(palette[i].rgbGreen * 65535u / 255u);
      map[512 + i] = static_cast<std::uint16_t>(palette[i].rgbBlue * 65535u / 255u);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
  }
  unsigned long compression = GetCodecOption(keImageFormatTIF);
  if (compression == 0) {
    compression = bilevel          ? COMPRESSION_CCITTFAX4
                  : bitCount <= 8  ? COMPRESSION_LZW
                  : bitCount >= 24 ? COMPRESSION_JPEG
                                   : COMPRESSION_NONE;
  }
  TIFFSetField(tif, TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(compression));
  std::uint32_t rowsPerStrip = TIFFDefaultStripSize(tif, 0);
  if (compression == COMPRESSION_LZW && bitCount >= 8)
    TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  if (compression == COMPRESSION_JPEG) {
    TIFFSetField(tif, TIFFTAG_JPEGQUALITY, static_cast<int>(GetJpegQuality()));
    rowsPerStrip = (rowsPerStrip + 7) / 8 * 8;
  }
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);

  // Each row is written from a buffer of what that row holds in the file.
  const std::size_t line = (std::size_t{width} * static_cast<unsigned>(samples * bitsPerSample) + 7) / 8;
  std::vector<BYTE> row(std::max<std::size_t>(line, GetEffWidth()));
  for (unsigned long y = 0; y < height; ++y) {
    const unsigned long bottomUp = height - 1 - y;
    const BYTE* bits = GetBits(bottomUp);
    if (samples == 1) {
      std::transform(bits, bits + GetEffWidth(), row.begin(), [invert](BYTE b) { return b ^ invert; });
    } else if (samples == 2) {
      for (unsigned long x = 0; x < width; ++x) {
        row[2 * x] = bits[x];
        row[2 * x + 1] = AlphaGet(static_cast<long>(x), static_cast<long>(bottomUp));
      }
    } else {
      for (unsigned long x = 0; x < width; ++x) {
        BYTE* out = &row[static_cast<std::size_t>(samples) * x];
        out[0] = bits[3 * x + 2];
        out[1] = bits[3 * x + 1];
        out[2] = bits[3 * x];
        if (samples == 4) out[3] = AlphaGet(static_cast<long>(x), static_cast<long>(bottomUp));
      }
    }
    if (TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) < 0) return false;
  }
  return true;
}

bool CImageFileTIF::Encode(CByteStream* file, bool append) {
  if (EncodeSafeCheck(file)) {
    CloseHandle();
    return false;
  }
  if (Guarded([&] { EncodeOrThrow(file, append); })) return true;
  CloseHandle();
  return false;
}

void CImageFileTIF::EncodeOrThrow(CByteStream* file, bool append) {
  if (!handle_) handle_ = TiffOpenOverStream(file, "a");
  if (!handle_) throw CodecFailure{"initialization fail"};
  if (append || pages_ > 0) multipage_ = true;
  ++pages_;
  if (!EncodeBody(handle_, multipage_, pages_, pages_)) throw CodecFailure{"Error saving TIFF file"};
  if (append) {
    if (!TIFFWriteDirectory(handle_)) throw CodecFailure{"Error saving TIFF directory"};
    return;
  }
  // The last strip and the directory are written here; a close would not tell.
  if (!TIFFFlush(handle_)) throw CodecFailure{"Error saving TIFF directory"};
  CloseHandle();
}

bool CImageFileTIF::Encode(CByteStream* file, CImageFile** images, int count) {
  if (!file) return Fail("invalid file pointer");
  if (!images || count <= 0) return Fail("multipage TIFF, no images!");
  CImageFileTIF writer;
  for (int n = 0; n < count; ++n) {
    if (!images[n]) return Fail("Bad image pointer");
    writer.Ghost(images[n]);
    if (!writer.Encode(file, true)) return Fail("Error saving TIFF file");
  }
  return true;
}
