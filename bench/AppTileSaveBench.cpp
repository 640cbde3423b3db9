// Save Tile's write of a 3120 x 2340 tile as a JPEG file at its quality 99 (from the tile's BGRA
// rows, through a temporary file and a rename; "/1": merged onto white first, as a tile of an
// image with transparency is), against the bare libjpeg writing the same pixels
// to a file straight from RGB rows at the same quality, as cv2.imwrite does. Call by call,
// alternated; "vs_library" is the library's median time over ours, the figure
// `wf_bench_host_save` gives for wf-host's own JPEG save.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/TileSave.h"
#include "codecs/ImageFile.h"

#include "JpegLibraryPeer.h"

namespace {

using corvel::CRowIteratorBands;

constexpr int kWidth = 3120;
constexpr int kHeight = 2340;
constexpr int kQuality = 99;

// Shading, edges and grain, as a photograph has: the encoder's time depends on what it codes.
BYTE Shade(int x, int y, int channel, unsigned grain) {
  const double shade = 0.5 + 0.3 * std::sin(x * 0.004) * std::cos(y * 0.005) +
                       0.15 * std::sin((x - 2 * y) * 0.05) * (((x / 200 + y / 150) % 2) ? 1 : 0.2);
  return BYTE(std::clamp(int(255 * shade * (0.7 + 0.15 * channel)) + int(grain & 15) - 8, 0, 255));
}

CRowIteratorBands& Tile() {
  static CRowIteratorBands tile;
  if (tile.Width() != 0) return tile;
  tile.CreateBGRA(kWidth, kHeight).GetCode();
  unsigned noise = 12345;
  for (int y = 0; y < kHeight; ++y) {
    BYTE* row = tile.LockRowPointer(y, 0, -1);
    for (int x = 0; x < kWidth; ++x) {
      noise = noise * 1103515245 + 12345;
      for (int c = 0; c < 3; ++c) row[4 * x + 2 - c] = Shade(x, y, c, noise >> 16);
      row[4 * x + 3] = 255;
    }
    tile.ReleaseRow(y);
  }
  return tile;
}

const std::vector<BYTE>& TileRgb() {
  static std::vector<BYTE> rgb;
  if (!rgb.empty()) return rgb;
  rgb.resize(std::size_t(kWidth) * kHeight * 3);
  for (int y = 0; y < kHeight; ++y) {
    const BYTE* row = Tile().LockRowPointer(y, 0, -1);
    for (int x = 0; x < kWidth; ++x)
      for (int c = 0; c < 3; ++c) rgb[(std::size_t(y) * kWidth + x) * 3 + c] = row[4 * x + 2 - c];
    Tile().ReleaseRow(y);
  }
  return rgb;
}

bool SaveOurs(const std::string& path, bool onWhite) {
  std::string message;
  return app::WriteTileFile(Tile(), path, keImageFormatJPG, onWhite, &message);
}

bool SaveLibrary(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  CompressRgbWithLibrary(TileRgb().data(), std::size_t(kWidth) * 3, kWidth, kHeight, kQuality,
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

void TileJpegSave(benchmark::State& state) {
  TileRgb();
  char folder[] = "/tmp/wf-bench-tile-XXXXXX";
  if (!mkdtemp(folder)) return state.SkipWithError("no folder");
  const std::string ours = std::string(folder) + "/ours.jpg", theirs = std::string(folder) + "/library.jpg";
  std::vector<double> oursTimes, theirTimes;
  for (auto _ : state) {
    // Each side first in turn: the one after finds the caches as the one before left them.
    const bool oursFirst = oursTimes.size() % 2 == 0;
    for (int side : {oursFirst ? 0 : 1, oursFirst ? 1 : 0}) {
      if (side == 0)
        oursTimes.push_back(Seconds([&] {
          if (!SaveOurs(ours, state.range(0) != 0)) state.SkipWithError("not saved");
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
BENCHMARK(TileJpegSave)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

}  // namespace
