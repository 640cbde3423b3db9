// Save Tile's write of a 3120 x 2340 tile as a JPEG file at its quality 99 (from the tile's BGRA
// rows, through a temporary file and a rename; "/1": merged onto white first, as a tile of an
// image with transparency is), against the bare libjpeg writing the same pixels
// to a file straight from RGB rows at the same quality, as cv2.imwrite does. Call by call,
// alternated; "vs_library" is the library's median time over ours, the figure
// `wf_bench_host_save` gives for wf-host's own JPEG save.
#include <benchmark/benchmark.h>

#include <algorithm>
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

void TileJpegSave(benchmark::State& state) {
  const bool onWhite = state.range(0) != 0;
  TileRgb();  // made before the timing, with the tile
  TimeSavesAgainstLibrary(
      state,
      [&](const std::string& path) {
        std::string message;
        return app::WriteTileFile(Tile(), path, keImageFormatJPG, onWhite, &message);
      },
      [](const std::string& path) {
        return SaveRgbWithLibrary(path, TileRgb().data(), std::size_t(kWidth) * 3, kWidth, kHeight, kQuality);
      });
}
BENCHMARK(TileJpegSave)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

}  // namespace
