// GenerateTile for "P1" and "P2" on a photo-like 2048 x 2048 source with a cell of about
// 1024 x 1024, feather 0 and 20 percent, and for every group of a 1024 x 1024 source with a tile
// of about 1024 x 1024 (Group), feather 0 and 25 percent. Reports output megapixels per second;
// compare with the plain copy of the same number of pixels (CopyCell) and the groups with "P1".
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/RowIteratorBands.h"
#include "generators/GenerateTile.h"
#include "generators/TileLattice.h"

namespace corvel {
namespace {

constexpr int kSourceSize = 2048;

// Smooth shading with fine noise on top, so that the bilinear taps see real variety.
CRowIteratorBands& PhotoSource(int size = kSourceSize) {
  static CRowIteratorBands large, small;
  CRowIteratorBands& image = size == kSourceSize ? large : small;
  if (CRowIteratorBands::IsValid(&image)) return image;
  image.CreateBGRA(size, size).GetCode();
  std::uint32_t noise = 12345;
  for (int y = 0; y < size; ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int x = 0; x < size; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const double shade = 0.5 + 0.25 * std::sin(x * 0.011) * std::cos(y * 0.007) + 0.2 * std::sin((x + y) * 0.003);
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
    if (GenerateTile(nullptr, source, shape, tile).GetCode() != keErrorNone) state.SkipWithError("no tile");
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

// P1 from P0 at d1, P2 at d2: points whose lattice makes a tile of about 1024 x 1024 (the
// hexagonal groups' rectangular periods 886 to 1024 across), and whose feather of 25 keeps
// that period small.
TileShape GroupShape(int method, double feather) {
  struct Pick {
    POINT d1, d2;
  };
  static const Pick picks[keTilingMethodCount] = {
      {{0, 1024}, {1024, 0}}, {{0, 1024}, {1024, 0}}, {{0, 512}, {1024, 0}},  // P1 P2 PM
      {{0, 1024}, {512, 0}},  {{0, 512}, {512, 0}},   {{0, 256}, {1024, 0}},  // PG PMM PMG
      {{0, 512}, {512, 0}},   {{0, 1024}, {-1024, 0}}, {{0, 512}, {-512, 0}}, // PGG CM CMM
      {{0, 512}, {512, 0}},   {{0, 512}, {-512, 0}},  {{0, 512}, {512, 0}},   // P4 P4M P4G
      {{0, 256}, {256, 0}},   {{0, 256}, {256, 0}},   {{0, 256}, {256, 0}},   // P3 P3ML P3LM
      {{0, 222}, {256, 0}},   {{0, 256}, {256, 0}},                           // P6 P6M
  };
  const Pick& pick = picks[method];
  TileShape shape;
  shape.method = method;
  shape.p0 = {method == keTilingCM || method == keTilingCMM ? 1023 : 0, 0};
  shape.p1 = {shape.p0.x + pick.d1.x, shape.p0.y + pick.d1.y};
  shape.p2 = {shape.p0.x + pick.d2.x, shape.p0.y + pick.d2.y};
  shape.centre = shape.p0;
  shape.seamK0 = 0.1;
  shape.seamK1 = -0.1;
  shape.seamK2 = 0.1;
  shape.feather = feather;
  shape.area = {0, 0, 1023, 1023};
  return shape;
}

void Group(benchmark::State& state) {
  CRowIteratorBands& source = PhotoSource(1024);
  std::int64_t pixels = 0;
  for (auto _ : state) {
    TileShape shape = GroupShape(int(state.range(0)), double(state.range(1)));
    CRowIteratorBands tile;
    if (GenerateTile(nullptr, source, shape, tile).GetCode() != keErrorNone) state.SkipWithError("no tile");
    pixels += std::int64_t{tile.Width()} * tile.Height();
  }
  state.counters["Mpx/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(Group)
    ->ArgNames({"method", "feather"})
    ->ArgsProduct({{keTilingP1, keTilingP2, keTilingPM, keTilingPG, keTilingPMM, keTilingPMG, keTilingPGG,
                    keTilingCM, keTilingCMM, keTilingP4, keTilingP4M, keTilingP4G, keTilingP3, keTilingP3ML,
                    keTilingP3LM, keTilingP6, keTilingP6M},
                   {0, 25}})
    ->Unit(benchmark::kMillisecond);

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
