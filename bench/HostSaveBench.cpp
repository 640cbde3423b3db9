// wf-host's save of a 12-megapixel RGB result as a JPEG file at quality 90 (the conversion, the
// encoder and the write through a temporary file and a rename), against the bare libjpeg writing
// the same pixels to a file straight from their rows, as cv2.imwrite does. Call by call, alternated;
// "vs_library" is the library's median time over ours (at least 0.87 is within 1.15x of it).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
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

bool SaveLibrary(const std::string& path) {
  const wfhost::HostImageBuffer& image = PhotoRgb();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  CompressRgbWithLibrary(image.pixels.data(), std::size_t(image.RowBytes()), unsigned(image.width),
                         unsigned(image.height), kQuality,
                         [&](jpeg_compress_struct& cinfo) { jpeg_stdio_dest(&cinfo, file); });
  return std::fclose(file) == 0;
}

template <class Call>
double Seconds(Call&& call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> times) {
  std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
  return times[times.size() / 2];
}

void JpegSave(benchmark::State& state) {
  PhotoRgb();
  char folder[] = "/tmp/wf-bench-save-XXXXXX";
  if (!mkdtemp(folder)) return state.SkipWithError("no folder");
  const std::string ours = std::string(folder) + "/ours.jpg", theirs = std::string(folder) + "/library.jpg";
  std::vector<double> oursTimes, theirTimes;
  for (auto _ : state) {
    // Each side first in turn: the one after finds the caches as the one before left them.
    const bool oursFirst = oursTimes.size() % 2 == 0;
    for (int side : {oursFirst ? 0 : 1, oursFirst ? 1 : 0}) {
      if (side == 0)
        oursTimes.push_back(Seconds([&] {
          if (!SaveOurs(ours)) state.SkipWithError("not saved");
        }));
      else
        theirTimes.push_back(Seconds([&] {
          if (!SaveLibrary(theirs)) state.SkipWithError("not saved");
        }));
    }
  }
  state.counters["ms_ours"] = 1e3 * Median(oursTimes);
  state.counters["ms_library"] = 1e3 * Median(theirTimes);
  state.counters["vs_library"] = Median(theirTimes) / Median(oursTimes);
  std::remove(ours.c_str());
  std::remove(theirs.c_str());
  rmdir(folder);
}
BENCHMARK(JpegSave)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

}  // namespace
