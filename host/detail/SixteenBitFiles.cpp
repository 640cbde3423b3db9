#include "host/detail/SixteenBitFiles.h"

#include <png.h>
#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace wfhost::detail {
namespace {
using File = std::unique_ptr<FILE, int (*)(FILE*)>;

std::uint16_t ToHost16(unsigned value) {
  return static_cast<std::uint16_t>((value * 32768u + 32767u) / 65535u);
}
unsigned FromHost16(unsigned value) { return value >= 32768u ? 65535u : (value * 65535u + 16384u) / 32768u; }

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
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  png_uint_32 width = 0, height = 0;
  int channels = 0;
  bool read = info && ReadPngHeader(png, info, file.get(), &width, &height, &channels) &&
              (channels == 1 || channels == 3);
  if (read && (width > kLargestSide || height > kLargestSide)) {
    png_destroy_read_struct(&png, &info, nullptr);
    return *error = "is larger than 32767 pixels on a side", false;
  }
  if (read) {
    image->width = static_cast<int>(width);
    image->height = static_cast<int>(height);
    image->planes = channels;
    image->sampleBytes = 2;
    image->mode = channels == 1 ? host::kModeGray16 : host::kModeRGB48;
    image->pixels.assign(std::size_t(image->RowBytes()) * height, 0);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y)
      rows[y] = image->pixels.data() + std::size_t(y) * image->RowBytes();
    read = ReadPngRows(png, rows.data());
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!read) return *error = "is not a readable 16-bit PNG file", false;
  image->fileResidue.resize(image->pixels.size() / 2);
  for (std::size_t i = 0; i + 1 < image->pixels.size(); i += 2) {
    std::uint16_t v;
    std::memcpy(&v, &image->pixels[i], 2);
    const std::uint16_t host = ToHost16(v);
    image->fileResidue[i / 2] = static_cast<std::int8_t>(int(v) - int(FromHost16(host)));
    std::memcpy(&image->pixels[i], &host, 2);
  }
  return true;
}

bool EncodePng16(const HostImageBuffer& image, std::vector<std::uint8_t>* bytes) {
  std::vector<std::uint16_t> samples = FullScaleSamples(image);
  const std::size_t rowSamples = std::size_t(image.width) * image.planes;
  std::vector<png_bytep> rows(std::size_t(image.height));
  for (int y = 0; y < image.height; ++y)
    rows[std::size_t(y)] = reinterpret_cast<png_bytep>(samples.data() + std::size_t(y) * rowSamples);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
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
