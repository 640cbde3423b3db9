// A 24-megapixel photo-like picture decoded and encoded as JPEG (quality 90) and PNG through our
// codecs (the format dispatch, memory to memory), beside the same work done by the bare libjpeg
// and libpng calls: what our glue adds is the difference. Rates are pixels a second.
// PngLevel runs the bare encoder at several zlib levels: the speed and size behind the level
// tiles are saved with.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "codecs/ImageFile.h"
#include "codecs/ImageFilePNG.h"

// After our headers: the library's TRUE and FALSE must not replace the platform's.
#include <png.h>

#include "JpegLibraryPeer.h"

namespace {

constexpr unsigned kWidth = 6000;
constexpr unsigned kHeight = 4000;
constexpr int kQuality = 90;

using Bytes = std::vector<unsigned char>;

// Smooth shading with fine grain, as in a photograph: RGB, top row first.
const Bytes& PhotoRgb() {
  static Bytes rgb;
  if (rgb.empty()) {
    rgb.resize(std::size_t{kWidth} * kHeight * 3);
    unsigned noise = 12345;
    for (unsigned y = 0; y < kHeight; ++y) {
      for (unsigned x = 0; x < kWidth; ++x) {
        noise = noise * 1103515245 + 12345;
        const int grain = static_cast<int>((noise >> 16) & 7) - 4;
        unsigned char* p = &rgb[(std::size_t{y} * kWidth + x) * 3];
        p[0] = static_cast<unsigned char>(std::clamp(int(x * 255 / kWidth) + grain, 0, 255));
        p[1] = static_cast<unsigned char>(std::clamp(int(y * 255 / kHeight) + grain, 0, 255));
        p[2] = static_cast<unsigned char>(std::clamp(int((x + y) % 512 / 2) + grain, 0, 255));
      }
    }
  }
  return rgb;
}

CImageFile& PhotoImage() {
  static CImageFile image;
  if (!image.IsValid()) {
    const Bytes& rgb = PhotoRgb();
    image.Create(kWidth, kHeight, 24, keImageFormatUnknown);
    for (unsigned y = 0; y < kHeight; ++y) {
      BYTE* row = image.GetBits(kHeight - 1 - y);
      const unsigned char* source = &rgb[std::size_t{y} * kWidth * 3];
      for (unsigned x = 0; x < kWidth; ++x) {
        row[3 * x] = source[3 * x + 2];
        row[3 * x + 1] = source[3 * x + 1];
        row[3 * x + 2] = source[3 * x];
      }
    }
    image.SetJpegQuality(kQuality);
  }
  return image;
}

Bytes Encoded(unsigned long type) {
  unsigned char* buffer = nullptr;
  long size = 0;
  PhotoImage().Encode(buffer, size, type);
  Bytes bytes(buffer, buffer + size);
  CImageFile::FreeMemory(buffer);
  return bytes;
}

const Bytes& PhotoJpeg() {
  static const Bytes bytes = Encoded(keImageFormatJPG);
  return bytes;
}

const Bytes& PhotoPng() {
  static const Bytes bytes = Encoded(keImageFormatPNG);
  return bytes;
}

void CountPixels(benchmark::State& state) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight);
}

// --- JPEG --------------------------------------------------------------------------------------

void JpegDecodeOurs(benchmark::State& state) {
  Bytes jpeg = PhotoJpeg();
  for (auto _ : state) {
    CImageFile image;
    image.Decode(jpeg.data(), static_cast<unsigned long>(jpeg.size()), keImageFormatJPG);
    benchmark::DoNotOptimize(image.GetBits());
  }
  CountPixels(state);
}

// Each decode fills a fresh picture, as ours does (the first touch of its pages is part of it).
std::unique_ptr<unsigned char[]> FreshPicture() {
  return std::unique_ptr<unsigned char[]>(new unsigned char[std::size_t{kWidth} * kHeight * 3]);
}

void JpegDecodeLibrary(benchmark::State& state) {
  const Bytes& jpeg = PhotoJpeg();
  for (auto _ : state) {
    std::unique_ptr<unsigned char[]> rgb = FreshPicture();
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = &rgb[std::size_t{cinfo.output_scanline} * kWidth * 3];
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(rgb.get());
  }
  CountPixels(state);
}

void JpegEncodeOurs(benchmark::State& state) {
  CImageFile& image = PhotoImage();
  for (auto _ : state) {
    unsigned char* buffer = nullptr;
    long size = 0;
    image.Encode(buffer, size, keImageFormatJPG);
    CImageFile::FreeMemory(buffer);
  }
  CountPixels(state);
}

void JpegEncodeLibrary(benchmark::State& state) {
  Bytes rgb = PhotoRgb();
  for (auto _ : state) {
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    CompressRgbWithLibrary(rgb.data(), std::size_t{kWidth} * 3, kWidth, kHeight, kQuality,
                           [&](jpeg_compress_struct& cinfo) { jpeg_mem_dest(&cinfo, &buffer, &size); });
    std::free(buffer);
  }
  CountPixels(state);
}

// --- PNG ---------------------------------------------------------------------------------------

struct MemoryReader {
  const Bytes* bytes;
  std::size_t at;
};

void ReadFromMemory(png_structp png, png_bytep data, png_size_t length) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  std::memcpy(data, reader->bytes->data() + reader->at, length);
  reader->at += length;
}

void WriteToMemory(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

void PngDecodeOurs(benchmark::State& state) {
  Bytes png = PhotoPng();
  for (auto _ : state) {
    CImageFile image;
    image.Decode(png.data(), static_cast<unsigned long>(png.size()), keImageFormatPNG);
    benchmark::DoNotOptimize(image.GetBits());
  }
  CountPixels(state);
}

void PngDecodeLibrary(benchmark::State& state) {
  const Bytes& png = PhotoPng();
  for (auto _ : state) {
    std::unique_ptr<unsigned char[]> rgb = FreshPicture();
    png_structp reader = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(reader);
    MemoryReader source{&png, 0};
    png_set_read_fn(reader, &source, ReadFromMemory);
    png_read_info(reader, info);
    for (unsigned y = 0; y < kHeight; ++y) png_read_row(reader, &rgb[std::size_t{y} * kWidth * 3], nullptr);
    png_read_end(reader, info);
    png_destroy_read_struct(&reader, &info, nullptr);
    benchmark::DoNotOptimize(rgb.get());
  }
  CountPixels(state);
}

void PngEncodeOurs(benchmark::State& state) {
  CImageFile& image = PhotoImage();
  for (auto _ : state) {
    unsigned char* buffer = nullptr;
    long size = 0;
    image.Encode(buffer, size, keImageFormatPNG);
    state.counters["bytes"] = static_cast<double>(size);
    CImageFile::FreeMemory(buffer);
  }
  CountPixels(state);
}

// The bare encoder at a zlib level, with libpng's default filters as ours.
void PngEncodeLibraryAtLevel(benchmark::State& state, int level) {
  const Bytes& rgb = PhotoRgb();
  for (auto _ : state) {
    Bytes out;
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(writer);
    png_set_write_fn(writer, &out, WriteToMemory, FlushNothing);
    png_set_IHDR(writer, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(writer, level);
    png_write_info(writer, info);
    for (unsigned y = 0; y < kHeight; ++y) {
      png_write_row(writer, const_cast<png_bytep>(&rgb[std::size_t{y} * kWidth * 3]));
    }
    png_write_end(writer, info);
    png_destroy_write_struct(&writer, &info);
    state.counters["bytes"] = static_cast<double>(out.size());
  }
  CountPixels(state);
}

void PngEncodeLibrary(benchmark::State& state) {
  PngEncodeLibraryAtLevel(state, CImageFilePNG::kCompressionLevel);
}

void PngLevel(benchmark::State& state) { PngEncodeLibraryAtLevel(state, static_cast<int>(state.range(0))); }

}  // namespace

BENCHMARK(JpegDecodeOurs)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(JpegDecodeLibrary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(JpegEncodeOurs)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(JpegEncodeLibrary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PngDecodeOurs)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PngDecodeLibrary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PngEncodeOurs)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PngEncodeLibrary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PngLevel)->Arg(1)->Arg(3)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
