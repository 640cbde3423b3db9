// BMP decoding and encoding from and to memory, against a plain copy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "codecs/ImageFile.h"

namespace {

constexpr unsigned long kSide = 1024;

std::vector<unsigned char> EncodedPicture(unsigned long bpp, unsigned long type) {
  CImageFile image(kSide, kSide, bpp, 0);
  if (bpp <= 8) image.SetGrayPalette();
  for (unsigned long y = 0; y < kSide; ++y) {
    BYTE* row = image.GetBits(y);
    for (unsigned long i = 0; i < image.GetEffWidth(); ++i) row[i] = static_cast<BYTE>((i / 16 + y) & 0xFF);
  }
  unsigned char* buffer = nullptr;
  long size = 0;
  image.Encode(buffer, size, type);
  std::vector<unsigned char> bytes(buffer, buffer + size);
  CImageFile::FreeMemory(buffer);
  return bytes;
}

// Baseline: copying the file's bytes, the least any decoder does.
void BM_CopyBytes24(benchmark::State& state) {
  std::vector<unsigned char> bytes = EncodedPicture(24, keImageFormatBMP);
  std::vector<unsigned char> target(bytes.size());
  for (auto _ : state) {
    std::memcpy(target.data(), bytes.data(), bytes.size());
    benchmark::DoNotOptimize(target.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(bytes.size()));
}
BENCHMARK(BM_CopyBytes24);

void BM_DecodeBmp(benchmark::State& state) {
  std::vector<unsigned char> bytes = EncodedPicture(static_cast<unsigned long>(state.range(0)),
                                                    keImageFormatBMP);
  for (auto _ : state) {
    CImageFile image(bytes.data(), static_cast<unsigned long>(bytes.size()), keImageFormatBMP);
    benchmark::DoNotOptimize(image.GetBits(0));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(bytes.size()));
}
BENCHMARK(BM_DecodeBmp)->Arg(1)->Arg(8)->Arg(24);

void BM_EncodeBmp24(benchmark::State& state) {
  CImageFile image(kSide, kSide, 24, 0);
  for (auto _ : state) {
    unsigned char* buffer = nullptr;
    long size = 0;
    image.Encode(buffer, size, keImageFormatBMP);
    CImageFile::FreeMemory(buffer);
    state.SetBytesProcessed(state.bytes_processed() + size);
  }
}
BENCHMARK(BM_EncodeBmp24);

}  // namespace
