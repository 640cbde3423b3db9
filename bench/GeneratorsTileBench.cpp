// GenerateTile on a photo-like 2048 x 2048 source: "P1" and "P2" with a cell of about 1024 x 1024
// (Tile), and every group at feather 0 and 20, cells of about 1024 and 256, angles 0 and 30, timed
// call by call against OpenCV's bilinear warpAffine, both on one thread (Group, ratio "vs_warp");
// all cores against one thread (Cores, "cores_vs_one"); the preview's megapixel "P6M" on all cores
// (Preview, "ms"). Also the plain copy of a cell (CopyCell). Megapixels of output per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "core/RowIteratorBands.h"
#include "core/RowThreads.h"
#include "generators/GenerateTile.h"
#include "generators/Geometry.h"
#include "generators/TileLattice.h"
#include "generators/TileRenderCache.h"

namespace corvel {
namespace {

constexpr int kSourceSize = 2048;

// Smooth shading with fine noise on top, so that the bilinear taps see real variety. In one block
// at a spreading pitch, as the filter hands its source to the render (the host's pixels exchanged
// so, a converted area taken so), which then reads it in place: bands of 128 rows would time a
// window copy that the filter's own path never makes.
CRowIteratorBands& PhotoSource(int size = kSourceSize) {
  static CRowIteratorBands large, small;
  CRowIteratorBands& image = size == kSourceSize ? large : small;
  if (CRowIteratorBands::IsValid(&image)) return image;
  image.CreateSpread(size, size, keFormatBGRA).GetCode();
  std::uint32_t noise = 12345;
  for (int y = 0; y < size; ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int x = 0; x < size; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const double shade = 0.5 + 0.25 * std::sin(x * 0.011) * std::cos(y * 0.007) +
                           0.2 * std::sin((x + y) * 0.003);
      const int grain = int(noise >> 28) - 8;
      for (int c = 0; c < 3; ++c) {
        const int value = int(255 * shade * (0.8 + 0.1 * c)) + grain;
        row[4 * x + c] = BYTE(value < 0 ? 0 : (value > 255 ? 255 : value));
      }
      row[4 * x + 3] = 255;
    }
    image.UnlockRow(y);
  }
  return image;
}

// What every render leaves to the next, as the dialog's renders keep it.
TileRenderCache& KeptCache() {
  static TileRenderCache cache;
  return cache;
}

TileShape CellShape(int method, double feather) {
  TileShape shape;
  shape.method = method;
  shape.p0 = {512, 512};
  shape.p1 = {512, 512 + 1024};
  shape.p2 = {512 + 1024, 512};
  shape.centre = shape.p0;
  shape.seamK0 = 0.1;
  shape.seamK1 = -0.1;
  shape.seamK2 = 0.1;
  shape.feather = feather;
  shape.area = {448, 448, 512 + 1024 + 63, 512 + 1024 + 63};  // the cell with a margin
  return shape;
}

void Tile(benchmark::State& state) {
  CRowIteratorBands& source = PhotoSource();
  std::int64_t pixels = 0;
  for (auto _ : state) {
    TileShape shape = CellShape(int(state.range(0)), double(state.range(1)));
    CRowIteratorBands tile;
    if (!GenerateTile(nullptr, source, shape, tile, &KeptCache()).Ok()) state.SkipWithError("no tile");
    pixels += std::int64_t{tile.Width()} * tile.Height();
  }
  state.counters["Mpx/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(Tile)
    ->ArgNames({"method", "feather"})
    ->Args({keTilingP1, 0})
    ->Args({keTilingP1, 20})
    ->Args({keTilingP2, 0})
    ->Args({keTilingP2, 20})
    ->Unit(benchmark::kMillisecond);

// P1 from P0 at d1, P2 at d2 for a cell of about 1024 x 1024 (the hexagonal groups' periods 886
// to 1024 across), scaled by cell / 1024, turned by angle about P0, and placed so that the turned
// cell's box lies in the middle of the 2048 x 2048 source: the render samples inside it.
TileShape GroupShape(int method, double feather, int cell, int angle) {
  struct Pick {
    POINT d1, d2;
  };
  static const Pick picks[keTilingMethodCount] = {
      {{0, 1024}, {1024, 0}}, {{0, 1024}, {1024, 0}},  {{0, 512}, {1024, 0}},   // P1 P2 PM
      {{0, 1024}, {512, 0}},  {{0, 512}, {512, 0}},    {{0, 256}, {1024, 0}},   // PG PMM PMG
      {{0, 512}, {512, 0}},   {{0, 1024}, {-1024, 0}}, {{0, 512}, {-512, 0}},   // PGG CM CMM
      {{0, 512}, {512, 0}},   {{0, 512}, {-512, 0}},   {{0, 512}, {512, 0}},    // P4 P4M P4G
      {{128, 222}, {256, 0}}, {{128, 222}, {256, 0}},  {{128, 222}, {256, 0}},  // P3 P3ML P3LM
      {{128, 222}, {256, 0}}, {{0, 443}, {256, 0}},                             // P6 P6M
  };
  const Pick& pick = picks[method];
  auto scaled = [cell](LONG n) { return LONG(n * cell / 1024); };
  POINT d1 = {scaled(pick.d1.x), scaled(pick.d1.y)}, d2 = {scaled(pick.d2.x), scaled(pick.d2.y)};
  POINT low = {0, 0}, high = {0, 0};
  for (POINT corner : {d1, d2, POINT{d1.x + d2.x, d1.y + d2.y}}) {
    RotateIntPointDegrees(angle, 0, 0, corner);
    low = {std::min(low.x, corner.x), std::min(low.y, corner.y)};
    high = {std::max(high.x, corner.x), std::max(high.y, corner.y)};
  }
  TileShape shape;
  shape.method = method;
  shape.p0 = {(kSourceSize - low.x - high.x) / 2, (kSourceSize - low.y - high.y) / 2};
  shape.p1 = {shape.p0.x + d1.x, shape.p0.y + d1.y};
  shape.p2 = {shape.p0.x + d2.x, shape.p0.y + d2.y};
  shape.centre = shape.p0;  // seams unbent, as the filter's defaults leave them
  shape.angle = angle;
  shape.feather = feather;
  shape.area = {0, 0, kSourceSize - 1, kSourceSize - 1};
  return shape;
}

// The photo as an OpenCV image, and a bilinear turn-and-scale of it into an image of the tile's
// size on one thread: the peer for every group, interleaved call by call with ours.
class WarpPeer {
 public:
  WarpPeer() : source_(kSourceSize, kSourceSize, CV_8UC4) {
    cv::setNumThreads(1);
    CRowIteratorBands& photo = PhotoSource();
    for (int y = 0; y < kSourceSize; ++y) {
      std::memcpy(source_.ptr(y), photo.LockRowPointer(y, 0, -1), 4 * std::size_t(kSourceSize));
      photo.UnlockRow(y);
    }
  }
  void Warp(int width, int height, int angle) {
    if (output_.cols != width || output_.rows != height) output_.create(height, width, CV_8UC4);
    const double turn = angle * 3.14159265358979 / 180, c = 0.9 * std::cos(turn), s = 0.9 * std::sin(turn);
    const cv::Matx23d toSource(c, -s, 700, s, c, 300);
    cv::warpAffine(source_, output_, toSource, output_.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP);
  }

 private:
  cv::Mat source_, output_;
};

// Our tile against the peer at the same output size, both on one thread: "vs_warp" is the peer's
// time over ours, so above 1 we are faster.
void Group(benchmark::State& state) {
  static WarpPeer peer;
  const RowThreads::ScopedCount oneThread(1);
  CRowIteratorBands& source = PhotoSource();
  const TileShape pick = GroupShape(int(state.range(0)), double(state.range(1)), int(state.range(2)),
                                    int(state.range(3)));
  std::int64_t pixels = 0;
  double ours = 0, theirs = 0;
  CRowIteratorBands tile;  // reused from call to call, as the peer reuses its output
  for (auto _ : state) {
    TileShape shape = pick;
    const auto start = std::chrono::steady_clock::now();
    if (!GenerateTile(nullptr, source, shape, tile, &KeptCache()).Ok()) state.SkipWithError("no tile");
    const auto middle = std::chrono::steady_clock::now();
    peer.Warp(tile.Width(), tile.Height(), shape.angle);
    const auto end = std::chrono::steady_clock::now();
    ours += std::chrono::duration<double>(middle - start).count();
    theirs += std::chrono::duration<double>(end - middle).count();
    pixels += std::int64_t{tile.Width()} * tile.Height();
  }
  state.counters["Mpx/s"] = benchmark::Counter(double(pixels) / 1e6 / ours);
  state.counters["vs_warp"] = benchmark::Counter(theirs / ours);
}
BENCHMARK(Group)
    ->ArgNames({"method", "feather", "cell", "angle"})
    ->ArgsProduct({{keTilingP1, keTilingP2, keTilingPM, keTilingPG, keTilingPMM, keTilingPMG, keTilingPGG,
                    keTilingCM, keTilingCMM, keTilingP4, keTilingP4M, keTilingP4G, keTilingP3, keTilingP3ML,
                    keTilingP3LM, keTilingP6, keTilingP6M},
                   {0, 20},
                   {1024, 256},
                   {0, 30}})
    ->Unit(benchmark::kMillisecond);

// All cores against one thread, call by call: "cores_vs_one" is one thread's time over all cores'.
void Cores(benchmark::State& state) {
  CRowIteratorBands& source = PhotoSource();
  const TileShape pick = GroupShape(int(state.range(0)), double(state.range(1)), 1024, 30);
  CRowIteratorBands tile;
  double all = 0, one = 0;
  for (auto _ : state) {
    for (int threads : {0, 1}) {
      const RowThreads::ScopedCount count(threads == 0 ? RowThreads::Count() : 1);
      TileShape shape = pick;
      const auto start = std::chrono::steady_clock::now();
      if (!GenerateTile(nullptr, source, shape, tile, &KeptCache()).Ok()) state.SkipWithError("no tile");
      (threads == 0 ? all
                    : one) += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
  }
  state.counters["threads"] = RowThreads::Count();
  state.counters["cores_vs_one"] = benchmark::Counter(one / all);
}
BENCHMARK(Cores)
    ->ArgNames({"method", "feather"})
    ->ArgsProduct({{keTilingP1, keTilingP6}, {0, 20}})
    ->Unit(benchmark::kMillisecond);

// The preview's render: "P6M" at feather 20 scaled to about a megapixel, on every core, into the
// last render's tile. Milliseconds a render against the 15 the dialog can afford.
void Preview(benchmark::State& state) {
  CRowIteratorBands& source = PhotoSource();
  TileShape pick = GroupShape(keTilingP6M, 20, 1024, 30);
  CRowIteratorBands tile;
  TileShape first = pick;
  if (!GenerateTile(nullptr, source, first, tile, &KeptCache()).Ok()) state.SkipWithError("no tile");
  pick.tileSize = int(std::lround(100 * std::sqrt(1e6 / (double(tile.Width()) * tile.Height()))));
  double seconds = 0;
  std::int64_t renders = 0;
  for (auto _ : state) {
    TileShape shape = pick;
    const auto start = std::chrono::steady_clock::now();
    if (!GenerateTile(nullptr, source, shape, tile, &KeptCache()).Ok()) state.SkipWithError("no tile");
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++renders;
  }
  state.counters["Mpx"] = double(tile.Width()) * tile.Height() / 1e6;
  state.counters["ms"] = 1000 * seconds / double(renders);
  state.counters["threads"] = RowThreads::Count();
}
BENCHMARK(Preview)->Unit(benchmark::kMillisecond);

void CopyCell(benchmark::State& state) {
  CRowIteratorBands& source = PhotoSource();
  std::int64_t pixels = 0;
  for (auto _ : state) {
    CRowIteratorBands cell;
    cell.CreateBGRA(1024, 1024).GetCode();
    for (int y = 0; y < 1024; ++y) {
      std::memcpy(cell.LockRowPointer(y, 0, -1), source.LockRowPointer(512 + y, 512, 1024), 4 * 1024);
      cell.UnlockRow(y);
      source.UnlockRow(512 + y);
    }
    pixels += 1024 * 1024;
  }
  state.counters["Mpx/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(CopyCell)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvel
