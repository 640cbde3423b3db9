#include "host/ImageFiles.h"

#include <png.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "codecs/ImageFile.h"

namespace wfhost {
namespace {

constexpr int kLargestSide = 32767;  // the host interface's sizes are 16-bit

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

bool IsSixteenBitPng(const std::string& path) {
  File file(std::fopen(path.c_str(), "rb"), std::fclose);
  unsigned char header[26] = {};
  if (!file || std::fread(header, 1, sizeof header, file.get()) != sizeof header) return false;
  return png_sig_cmp(header, 0, 8) == 0 && std::memcmp(header + 12, "IHDR", 4) == 0 && header[24] == 16;
}

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

bool WritePngRows(png_structp png, png_infop info, FILE* file, const HostImageBuffer* image,
                  png_bytep* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(image->width), png_uint_32(image->height), 16,
               image->planes == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_swap(png);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
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

bool SavePng16(const std::string& path, const HostImageBuffer& image, std::string* error) {
  std::vector<std::uint8_t> bytes(image.pixels.size());
  const bool residue = image.fileResidue.size() == bytes.size() / 2;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    std::uint16_t host;
    std::memcpy(&host, &image.pixels[i], 2);
    unsigned v = FromHost16(host);
    // The file's own value wherever it still maps to the host's sample.
    const int read = int(v) + (residue ? image.fileResidue[i / 2] : 0);
    if (read >= 0 && read <= 65535 && ToHost16(unsigned(read)) == host) v = unsigned(read);
    const auto sample = static_cast<std::uint16_t>(v);
    std::memcpy(&bytes[i], &sample, 2);
  }
  std::vector<png_bytep> rows(std::size_t(image.height));
  for (int y = 0; y < image.height; ++y)
    rows[std::size_t(y)] = bytes.data() + std::size_t(y) * image.RowBytes();
  File file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file) return *error = "cannot be written", false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  const bool written = info && WritePngRows(png, info, file.get(), &image, rows.data());
  png_destroy_write_struct(&png, &info);
  if (!written) return *error = "cannot be written", false;
  return true;
}

unsigned long TypeOfPath(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  std::string extension = dot == std::string::npos ? "" : path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == "jpg" || extension == "jpeg") return keImageFormatJPG;
  if (extension == "bmp") return keImageFormatBMP;
  return keImageFormatPNG;
}

}  // namespace

bool LoadHostImage(const std::string& path, HostImageBuffer* image, std::string* error) {
  if (IsSixteenBitPng(path)) return LoadPng16(path, image, error);
  CImageFile file;
  if (!file.Load(path.c_str())) return *error = file.GetLastError(), false;
  if (file.AlphaIsValid()) file.AlphaStrip();
  const bool grey = file.GetBpp() == 8 && file.IsGrayScale();
  if (!grey && file.GetBpp() != 24 && !file.IncreaseBpp(24)) return *error = file.GetLastError(), false;
  const int width = static_cast<int>(file.GetWidth()), height = static_cast<int>(file.GetHeight());
  if (width > kLargestSide || height > kLargestSide)
    return *error = "is larger than 32767 pixels on a side", false;
  image->width = width;
  image->height = height;
  image->planes = grey ? 1 : 3;
  image->sampleBytes = 1;
  image->mode = grey ? host::kModeGrayScale : host::kModeRGB;
  image->pixels.assign(std::size_t(image->RowBytes()) * height, 0);
  BYTE level[256];
  for (int i = 0; i < 256; ++i) level[i] = file.GetPaletteColor(static_cast<unsigned char>(i)).rgbRed;
  for (int y = 0; y < height; ++y) {
    const BYTE* from = file.GetBits(static_cast<unsigned long>(height - 1 - y));
    std::uint8_t* to = image->pixels.data() + std::size_t(y) * image->RowBytes();
    if (grey) {
      for (int x = 0; x < width; ++x) to[x] = level[from[x]];
    } else {
      for (int x = 0; x < width; ++x) {
        to[3 * x] = from[3 * x + 2];
        to[3 * x + 1] = from[3 * x + 1];
        to[3 * x + 2] = from[3 * x];
      }
    }
  }
  return true;
}

bool SaveHostImage(const std::string& path, const HostImageBuffer& image, std::string* error) {
  if (image.sampleBytes == 2) return SavePng16(path, image, error);
  CImageFile file;
  if (!file.Create(static_cast<unsigned long>(image.width), static_cast<unsigned long>(image.height),
                   image.planes == 1 ? 8 : 24, TypeOfPath(path)))
    return *error = file.GetLastError(), false;
  if (image.planes == 1) file.SetGrayPalette();
  for (int y = 0; y < image.height; ++y) {
    BYTE* to = file.GetBits(static_cast<unsigned long>(image.height - 1 - y));
    const std::uint8_t* from = image.pixels.data() + std::size_t(y) * image.RowBytes();
    if (image.planes == 1) {
      std::memcpy(to, from, std::size_t(image.width));
    } else {
      for (int x = 0; x < image.width; ++x) {
        to[3 * x] = from[3 * x + 2];
        to[3 * x + 1] = from[3 * x + 1];
        to[3 * x + 2] = from[3 * x];
      }
    }
  }
  if (!file.Save(path.c_str(), TypeOfPath(path))) return *error = file.GetLastError(), false;
  return true;
}

bool LoadSelection(const std::string& path, int width, int height, std::vector<std::uint8_t>* mask,
                   std::string* error) {
  CImageFile file;
  if (!file.Load(path.c_str())) return *error = file.GetLastError(), false;
  if (static_cast<int>(file.GetWidth()) != width || static_cast<int>(file.GetHeight()) != height)
    return *error = "does not have the image's size", false;
  mask->assign(std::size_t(width) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      (*mask)[std::size_t(y) * width + x] = file.GetPixelGray(x, height - 1 - y);
  }
  return true;
}

}  // namespace wfhost
