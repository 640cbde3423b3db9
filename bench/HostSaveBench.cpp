// wf-host's save of a 12-megapixel RGB result as a JPEG file at quality 90 (the conversion, the
// encoder and the write through a temporary file and a rename), against the bare libjpeg writing
// the same pixels to a file straight from their rows, as cv2.imwrite does. Call by call, alternated;
// "vs_library" is the library's median time over ours (at least 0.87 is within 1.15x of it).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/FilterHost.h"
#include "host/ImageFiles.h"

#include "JpegLibraryPeer.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kQuality = 90;

// Shading, edges and grain, as a photograph has: the encoder's time depends on what it codes.
const wfhost::HostImageBuffer& PhotoRgb() {
  static wfhost::HostImageBuffer image;
  if (!image.pixels.empty()) return image;
  image.width = kWidth;
  image.height = kHeight;
  image.planes = 3;
  image.mode = host::kModeRGB;
  image.pixels.resize(std::size_t(image.RowBytes()) * kHeight);
  unsigned noise = 12345;
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* row = image.pixels.data() + std::size_t(y) * image.RowBytes();
    for (int x = 0; x < kWidth; ++x) {
      noise = noise * 1103515245 + 12345;
      const int grain = int((noise >> 16) & 15) - 8;
      const double shade = 0.5 + 0.3 * std::sin(x * 0.004) * std::cos(y * 0.005) +
                           0.15 * std::sin((x - 2 * y) * 0.05) * (((x / 200 + y / 150) % 2) ? 1 : 0.2);
      for (int c = 0; c < 3; ++c)
        row[3 * x + c] = std::uint8_t(std::clamp(int(255 * shade * (0.7 + 0.15 * c)) + grain, 0, 255));
    }
  }
  return image;
}

bool SaveOurs(const std::string& path) {
  std::string error;
  return wfhost::SaveHostImage(path, PhotoRgb(), &error);
}

void JpegSave(benchmark::State& state) {
  const wfhost::HostImageBuffer& image = PhotoRgb();
  TimeSavesAgainstLibrary(state, SaveOurs, [&](const std::string& path) {
    return SaveRgbWithLibrary(path, image.pixels.data(), std::size_t(image.RowBytes()), unsigned(image.width),
                              unsigned(image.height), kQuality);
  });
}
BENCHMARK(JpegSave)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

}  // namespace
