#include "host/detail/SixteenBitFiles.h"

#include <png.h>
#include <sys/stat.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "codecs/DecodeLimit.h"

namespace wfhost::detail {
namespace {
using File = std::unique_ptr<FILE, int (*)(FILE*)>;

std::uint16_t ToHost16(unsigned value) {
  return static_cast<std::uint16_t>((value * 32768u + 32767u) / 65535u);
}
unsigned FromHost16(unsigned value) { return value >= 32768u ? 65535u : (value * 65535u + 16384u) / 32768u; }

// libpng's errors end in a long jump, the caller says what went wrong: nothing is printed.
void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void QuietWarning(png_structp, png_const_charp) {}

// The libpng parts return from errors by a long jump: they hold no object with a destructor.
bool ReadPngHeader(png_structp png, png_infop info, FILE* file, png_uint_32* width, png_uint_32* height,
                   int* channels) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_read_info(png, info);
  png_set_strip_alpha(png);
  png_set_swap(png);  // samples in the machine's order
  png_read_update_info(png, info);
  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  *channels = png_get_channels(png, info);
  return png_get_bit_depth(png, info) == 16;
}

// Samples of the file's 0 .. 65535, in the machine's order, become the host's, each with what
// its host sample drops.
void TakeFileSamples(HostImageBuffer* image) {
  image->fileResidue.resize(image->pixels.size() / 2);
  for (std::size_t i = 0; i + 1 < image->pixels.size(); i += 2) {
    std::uint16_t v;
    std::memcpy(&v, &image->pixels[i], 2);
    const std::uint16_t host = ToHost16(v);
    image->fileResidue[i / 2] = static_cast<std::int8_t>(int(v) - int(FromHost16(host)));
    std::memcpy(&image->pixels[i], &host, 2);
  }
}

// The host's sides, and no more pixels than the image-file library decodes: a few bytes of a
// file may claim gigabytes. False with the reason, before any pixel buffer is made.
bool SizeIsTaken(std::uint32_t width, std::uint32_t height, std::string* error) {
  if (width > kLargestSide || height > kLargestSide)
    return *error = "is larger than 32767 pixels on a side", false;
  if (std::uint64_t{width} * height > kMaxDecodePixels) return *error = "Image too large to decode", false;
  return true;
}

void SetSize(HostImageBuffer* image, int width, int height, int planes) {
  image->width = width;
  image->height = height;
  image->planes = planes;
  image->sampleBytes = 2;
  image->mode = planes == 1 ? host::kModeGray16 : host::kModeRGB48;
  image->pixels.assign(std::size_t(image->RowBytes()) * std::size_t(height), 0);
}

bool ReadPngRows(png_structp png, png_bytep* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  return true;
}

void AppendBytes(png_structp png, png_bytep data, png_size_t size) {
  auto* bytes = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  bytes->insert(bytes->end(), data, data + size);
}
void NoFlush(png_structp) {}

bool WritePngRows(png_structp png, png_infop info, std::vector<std::uint8_t>* bytes,
                  const HostImageBuffer* image, png_bytep* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, bytes, AppendBytes, NoFlush);
  png_set_IHDR(png, info, png_uint_32(image->width), png_uint_32(image->height), 16,
               image->planes == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_swap(png);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

// The samples at full 16-bit scale, in the machine's order.
std::vector<std::uint16_t> FullScaleSamples(const HostImageBuffer& image) {
  std::vector<std::uint16_t> samples(image.pixels.size() / 2);
  const bool residue = image.fileResidue.size() == samples.size();
  for (std::size_t i = 0; i < samples.size(); ++i) {
    std::uint16_t host;
    std::memcpy(&host, &image.pixels[2 * i], 2);
    unsigned v = FromHost16(host);
    // The file's own value wherever it still maps to the host's sample.
    const int read = int(v) + (residue ? image.fileResidue[i] : 0);
    if (read >= 0 && read <= 65535 && ToHost16(unsigned(read)) == host) v = unsigned(read);
    samples[i] = static_cast<std::uint16_t>(v);
  }
  return samples;
}

// libtiff writes into memory through these: the file is a growing byte vector.
struct TiffMemory {
  std::vector<std::uint8_t> bytes;
  toff_t position = 0;
};
tmsize_t TiffRead(thandle_t, void*, tmsize_t) { return 0; }
tmsize_t TiffWrite(thandle_t handle, void* data, tmsize_t size) {
  auto* memory = static_cast<TiffMemory*>(handle);
  const std::size_t end = std::size_t(memory->position) + std::size_t(size);
  if (end > memory->bytes.size()) memory->bytes.resize(end);
  std::memcpy(memory->bytes.data() + memory->position, data, std::size_t(size));
  memory->position = end;
  return size;
}
toff_t TiffSeek(thandle_t handle, toff_t offset, int whence) {
  auto* memory = static_cast<TiffMemory*>(handle);
  const toff_t base = whence == SEEK_CUR ? memory->position : whence == SEEK_END ? memory->bytes.size() : 0;
  return memory->position = base + offset;
}
int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t handle) { return static_cast<TiffMemory*>(handle)->bytes.size(); }
int TiffMap(thandle_t, void**, toff_t*) { return 0; }
void TiffUnmap(thandle_t, void*, toff_t) {}

// libtiff's complaints about a file are answered by our own reason.
int QuietTiff(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

TiffFile OpenTiff(const std::string& path) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options, QuietTiff, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, QuietTiff, nullptr);
  TiffFile tiff(TIFFOpenExt(path.c_str(), "r", options));
  TIFFOpenOptionsFree(options);
  return tiff;
}

// How the samples of a 16-bit page lie: `used` of every `samples` a pixel are taken.
struct TiffLayout {
  std::uint32_t width = 0, height = 0;
  std::uint16_t samples = 1, used = 1, orientation = ORIENTATION_TOPLEFT;
  bool separate = false;
};

// The strips or tiles must lie in the file and could make the picture: a few bytes of header
// may claim gigabytes. No compression libtiff reads makes more than 65536 bytes of one.
bool DataFitsFile(TIFF* tiff, std::uint64_t fileSize, std::uint64_t pictureBytes) {
  const std::uint32_t count = TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
  std::uint64_t total = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    int failed = 0;
    const std::uint64_t offset = TIFFGetStrileOffsetWithErr(tiff, i, &failed);
    const std::uint64_t bytes = TIFFGetStrileByteCountWithErr(tiff, i, &failed);
    if (failed || offset > fileSize || bytes > fileSize - offset) return false;
    total += bytes;
  }
  return total > 0 && pictureBytes / 65536 <= total;
}

// The used samples of one strip's or tile's rows into the picture's bytes as stored, `sample`
// the plane of separate planes (whose blocks hold that sample alone).
void CopyBlock(const std::uint16_t* block, std::uint32_t blockWidth, std::uint32_t x0, std::uint32_t y0,
               std::uint32_t columns, std::uint32_t rows, int sample, const TiffLayout& l,
               std::uint8_t* picture) {
  const int step = l.separate ? 1 : l.samples;
  const std::size_t bytes = 2 * std::size_t(l.separate ? 1 : l.used);
  for (std::uint32_t r = 0; r < rows; ++r) {
    const std::uint16_t* from = block + std::size_t(r) * blockWidth * std::size_t(step);
    std::uint8_t* to = picture + 2 * ((std::size_t(y0 + r) * l.width + x0) * l.used + std::size_t(sample));
    for (std::uint32_t x = 0; x < columns; ++x, from += step, to += 2 * l.used) std::memcpy(to, from, bytes);
  }
}

// The picture's samples as stored, rows from the file's first; false when libtiff cannot read one.
bool ReadTiffSamples(TIFF* tiff, const TiffLayout& l, std::uint8_t* picture) {
  const int planes = l.separate ? l.used : 1;
  if (TIFFIsTiled(tiff)) {
    std::uint32_t tileWidth = 0, tileLength = 0;
    TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileLength);
    const tmsize_t size = TIFFTileSize(tiff);
    if (tileWidth == 0 || tileLength == 0 || size <= 0) return false;
    std::vector<std::uint16_t> tile(std::size_t(size) / 2 + 1);
    for (int p = 0; p < planes; ++p) {
      for (std::uint32_t y = 0; y < l.height; y += tileLength) {
        for (std::uint32_t x = 0; x < l.width; x += tileWidth) {
          if (TIFFReadTile(tiff, tile.data(), x, y, 0, static_cast<tsample_t>(p)) < 0) return false;
          CopyBlock(tile.data(), tileWidth, x, y, std::min(tileWidth, l.width - x),
                    std::min(tileLength, l.height - y), p, l, picture);
        }
      }
    }
    return true;
  }
  const tmsize_t size = TIFFScanlineSize(tiff);
  if (size <= 0) return false;
  std::vector<std::uint16_t> line(std::size_t(size) / 2 + 1);
  for (int p = 0; p < planes; ++p) {
    for (std::uint32_t y = 0; y < l.height; ++y) {
      if (TIFFReadScanline(tiff, line.data(), y, static_cast<tsample_t>(p)) < 0) return false;
      CopyBlock(line.data(), l.width, 0, y, l.width, 1, p, l, picture);
    }
  }
  return true;
}

// Where the pixel shown at (x, y) lies in the picture as stored, which is width x height.
std::size_t StoredIndex(std::uint16_t orientation, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                        std::uint32_t height) {
  std::uint32_t sx = x, sy = y;
  switch (orientation) {
    case ORIENTATION_TOPRIGHT:
      sx = width - 1 - x;
      break;
    case ORIENTATION_BOTRIGHT:
      sx = width - 1 - x, sy = height - 1 - y;
      break;
    case ORIENTATION_BOTLEFT:
      sy = height - 1 - y;
      break;
    case ORIENTATION_LEFTTOP:
      sx = y, sy = x;
      break;
    case ORIENTATION_RIGHTTOP:
      sx = y, sy = height - 1 - x;
      break;
    case ORIENTATION_RIGHTBOT:
      sx = width - 1 - y, sy = height - 1 - x;
      break;
    case ORIENTATION_LEFTBOT:
      sx = width - 1 - y, sy = x;
      break;
    default:
      break;
  }
  return std::size_t(sy) * width + sx;
}

// The picture as it is to be shown: the stored one mirrored, flipped or turned.
void Orient(HostImageBuffer* image, std::uint16_t orientation) {
  const auto width = std::uint32_t(image->width), height = std::uint32_t(image->height);
  const bool turned = orientation >= ORIENTATION_LEFTTOP && orientation <= ORIENTATION_LEFTBOT;
  const std::uint32_t shownWidth = turned ? height : width, shownHeight = turned ? width : height;
  const std::size_t pixel = 2 * std::size_t(image->planes);
  std::vector<std::uint8_t> shown(image->pixels.size());
  std::uint8_t* to = shown.data();
  for (std::uint32_t y = 0; y < shownHeight; ++y) {
    for (std::uint32_t x = 0; x < shownWidth; ++x, to += pixel)
      std::memcpy(to, &image->pixels[StoredIndex(orientation, x, y, width, height) * pixel], pixel);
  }
  image->pixels.swap(shown);
  image->width = int(shownWidth);
  image->height = int(shownHeight);
}

}  // namespace

bool IsSixteenBitPng(const std::string& path) {
  File file(std::fopen(path.c_str(), "rb"), std::fclose);
  unsigned char header[26] = {};
  if (!file || std::fread(header, 1, sizeof header, file.get()) != sizeof header) return false;
  return png_sig_cmp(header, 0, 8) == 0 && std::memcmp(header + 12, "IHDR", 4) == 0 && header[24] == 16;
}

bool LoadPng16(const std::string& path, HostImageBuffer* image, std::string* error) {
  File file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return *error = "cannot be opened", false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, QuietWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  png_uint_32 width = 0, height = 0;
  int channels = 0;
  bool read = info && ReadPngHeader(png, info, file.get(), &width, &height, &channels) &&
              (channels == 1 || channels == 3);
  if (read && !SizeIsTaken(width, height, error)) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  if (read) {
    SetSize(image, static_cast<int>(width), static_cast<int>(height), channels);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y)
      rows[y] = image->pixels.data() + std::size_t(y) * image->RowBytes();
    read = ReadPngRows(png, rows.data());
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!read) {
    error->clear();
    return false;
  }
  TakeFileSamples(image);
  return true;
}

bool IsSixteenBitTiff(const std::string& path) {
  File file(std::fopen(path.c_str(), "rb"), std::fclose);
  unsigned char header[4] = {};
  if (!file || std::fread(header, 1, sizeof header, file.get()) != sizeof header ||
      (std::memcmp(header, "II*\0", 4) != 0 && std::memcmp(header, "MM\0*", 4) != 0))
    return false;
  const TiffFile tiff = OpenTiff(path);
  std::uint16_t bits = 1;
  return tiff && TIFFGetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits) && bits == 16;
}

bool LoadTiff16(const std::string& path, HostImageBuffer* image, std::string* error) {
  const TiffFile file = OpenTiff(path);
  TIFF* tiff = file.get();
  if (!tiff) return *error = "is not a readable 16-bit TIFF file", false;
  TiffLayout l;
  std::uint16_t photometric = 0, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &l.width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &l.height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
  TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &l.orientation);
  // Grey and RGB are what the host holds at 16 bits; alpha and other extra samples are left.
  const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
  l.used = grey ? 1 : 3;
  if ((!grey && photometric != PHOTOMETRIC_RGB) || format != SAMPLEFORMAT_UINT || l.samples < l.used)
    return *error = "is a 16-bit TIFF whose samples are not unsigned grey or RGB, which is not read", false;
  if (l.width == 0 || l.height == 0) return *error = "is not a readable 16-bit TIFF file", false;
  if (!SizeIsTaken(l.width, l.height, error)) return false;
  l.separate = planar == PLANARCONFIG_SEPARATE;
  struct stat info;
  const std::uint64_t fileSize = stat(path.c_str(), &info) == 0 ? std::uint64_t(info.st_size) : 0;
  if (!DataFitsFile(tiff, fileSize, std::uint64_t{l.width} * l.height * l.used * 2))
    return *error = "is not a readable 16-bit TIFF file", false;
  SetSize(image, int(l.width), int(l.height), l.used);
  if (!ReadTiffSamples(tiff, l, image->pixels.data()))
    return *error = "is not a readable 16-bit TIFF file", false;
  if (photometric == PHOTOMETRIC_MINISWHITE) {
    for (std::uint8_t& byte : image->pixels) byte = static_cast<std::uint8_t>(~byte);
  }
  if (l.orientation != ORIENTATION_TOPLEFT) Orient(image, l.orientation);
  TakeFileSamples(image);
  return true;
}

bool EncodePng16(const HostImageBuffer& image, std::vector<std::uint8_t>* bytes) {
  std::vector<std::uint16_t> samples = FullScaleSamples(image);
  const std::size_t rowSamples = std::size_t(image.width) * image.planes;
  std::vector<png_bytep> rows(std::size_t(image.height));
  for (int y = 0; y < image.height; ++y)
    rows[std::size_t(y)] = reinterpret_cast<png_bytep>(samples.data() + std::size_t(y) * rowSamples);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, QuietWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  const bool written = info && WritePngRows(png, info, bytes, &image, rows.data());
  png_destroy_write_struct(&png, &info);
  return written;
}

bool EncodeTiff16(const HostImageBuffer& image, std::vector<std::uint8_t>* bytes) {
  TiffMemory memory;
  TIFF* tiff = TIFFClientOpen("output", "w", &memory, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize,
                              TiffMap, TiffUnmap);
  if (!tiff) return false;
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(image.width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(image.height));
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(image.planes));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, std::uint16_t(16));
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, image.planes == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
  std::vector<std::uint16_t> samples = FullScaleSamples(image);
  const std::size_t rowSamples = std::size_t(image.width) * image.planes;
  bool written = true;
  for (int y = 0; written && y < image.height; ++y)
    written = TIFFWriteScanline(tiff, samples.data() + std::size_t(y) * rowSamples, std::uint32_t(y), 0) == 1;
  written = TIFFWriteDirectory(tiff) == 1 && written;
  TIFFClose(tiff);
  if (written) *bytes = std::move(memory.bytes);
  return written;
}

}  // namespace wfhost::detail
