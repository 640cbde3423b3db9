// GenerateTile on the filter's path, from a photo-like 2048 x 2048 source laid as the host's pixels
// are (CreateSpread, read in place), each tile made as the filter's command makes it, timed call
// by call against OpenCV's bilinear warpAffine making a new image of the tile's size on one thread
// ("vs_warp": the peer's time over ours, so above 1 we are faster):
// - Group: a render on one thread into a new tile let go of after, every group at feather 0 and 20,
//   cells of about 1024 and 256 pixels, angles 0 and 30, seams straight; a tile of under 2 MB gets
//   the memory the render before let go of, as the peer's new image gets its allocator's block;
// - FirstRender: some of the same in a process that has not rendered, every tile's pages new;
// - Bent: the same with the seams bent as the shape editor's curve handles bend them (0.1, -0.1,
//   0.1), every group that bends;
// - Cores: all cores against one thread ("cores_vs_one") on tiles of a megapixel and more: new
//   tiles, each render with a cache of its own as the command holds one, tile and cache let go of
//   untimed (the command keeps both past its render; the threads' buffers handed back cost a flush
//   on every core, up to 0.6 ms); and, as at an Apply after the first, into the memory the command
//   kept. Medians of the call times rather than sums: a render of a millisecond on every core
//   waits out a whole time slice whenever another process preempts one of its threads, which on a
//   shared machine a sum counts as the render's, the one-thread render hardly;
// - CoresArithmetic: the same split of rows of arithmetic alone, what the machine's cores give;
// - AllCores: all cores against the peer on all cores ("vs_warp", medians again), every group at
//   feather 0 and 20, seams straight and bent, each into a new tile of a megapixel as the filter's
//   process makes its render, with a cache of its own, empty, the peer's image likewise on pages
//   new to the process ("vs_warp_kept": the peer into the block its allocator kept from the call
//   before, which a process making one picture does not have);
// - Threads: a direct caller's render without a cache into a new tile of a megapixel, every group
//   at feather 0 and 20, seams straight and bent, on all cores, half of them and one thread, call
//   by call, the counts' order turned ("half_vs_all" and "one_vs_all": the medians' ratios; all
//   cores are to take at most 1.15 times half of them's time, "half_vs_all" at least 0.87, and
//   under half of one thread's, "one_vs_all" above 2);
// - Preview: the dialog's renders one after another on all cores, each into the memory the command
//   keeps (the tile before the one shown) with its render cache, "P6" at feather 20 scaled to about
//   a megapixel, seams straight and bent ("ms" the median render's).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include <sys/mman.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "core/RowIteratorBands.h"
#include "core/RowThreads.h"
#include "generators/GenerateTile.h"
#include "generators/Geometry.h"
#include "generators/TileLattice.h"
#include "generators/TileRenderCache.h"
#include "platform/win32/Memory.h"

namespace corvel {
namespace {

constexpr int kSourceSize = 2048;

// Smooth shading with fine noise on top, so that the bilinear taps see real variety. In one block
// at a spreading pitch, as the filter hands its source to the render (the host's pixels exchanged
// so, a converted area taken so), which then reads it in place: bands of 128 rows would time a
// window copy that the filter's own path never makes.
CRowIteratorBands& PhotoSource() {
  static CRowIteratorBands image;
  if (CRowIteratorBands::IsValid(&image)) return image;
  if (!image.CreateSpread(kSourceSize, kSourceSize, keFormatBGRA).Ok()) return image;
  std::uint32_t noise = 12345;
  for (int y = 0; y < kSourceSize; ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int x = 0; x < kSourceSize; ++x) {
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

// P1 from P0 at d1, P2 at d2 for a cell of about 1024 x 1024 (the hexagonal groups' periods 886
// to 1024 across), scaled by cell / 1024, turned by angle about P0, and placed so that the turned
// cell's box lies in the middle of the 2048 x 2048 source: the render samples inside it. Bent, the
// seams take the amplitudes the editor's curve handles give them.
TileShape GroupShape(int method, double feather, int cell, int angle, bool bent = false) {
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
  shape.centre = shape.p0;
  if (bent) {
    shape.seamK0 = 0.1;
    shape.seamK1 = -0.1;
    shape.seamK2 = 0.1;
  }
  shape.angle = angle;
  shape.feather = feather;
  shape.area = {0, 0, kSourceSize - 1, kSourceSize - 1};
  return shape;
}

// The group's shape turned by 30 degrees with a cell scaled so that its tile, at the default tile
// size, has about a megapixel (at least one for the hexagonal groups' larger periods).
TileShape MegapixelShape(int method, double feather, bool bent) {
  TileShape shape = GroupShape(method, feather, 1024, 30, bent);
  CRowIteratorBands tile;
  if (!GenerateTile(nullptr, PhotoSource(), shape, tile).Ok()) return shape;
  const double cell = 1024 * std::sqrt(1e6 / (double(tile.Width()) * tile.Height()));
  return GroupShape(method, feather, int(std::ceil(cell / 8) * 8), 30, bent);
}

// The photo as an OpenCV image, and a bilinear turn-and-scale of it into a new image of the tile's
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
  // OpenCV's threads while the object lives (one otherwise): its pool is made anew at every change
  // of count, so a benchmark sets it once rather than a call.
  class ScopedThreads {
   public:
    explicit ScopedThreads(int count) { cv::setNumThreads(count); }
    ~ScopedThreads() { cv::setNumThreads(1); }
    ScopedThreads(const ScopedThreads&) = delete;
    ScopedThreads& operator=(const ScopedThreads&) = delete;
  };

  void Warp(int width, int height, int angle) {
    cv::Mat output(height, width, CV_8UC4);
    WarpInto(output, angle);
  }
  // Into pages new to the process, as its allocator gives a large image in a process that has let
  // go of none, the filter's one picture: its seconds, the pages let go of untimed; -1 where no
  // pages were had.
  double SecondsIntoNewPages(int width, int height, int angle) {
    const std::size_t bytes = 4 * std::size_t(width) * height;
    void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) return -1;
    cv::Mat output(height, width, CV_8UC4, pages);
    const auto start = std::chrono::steady_clock::now();
    WarpInto(output, angle);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    munmap(pages, bytes);
    return seconds;
  }

 private:
  void WarpInto(cv::Mat& output, int angle) {
    const double turn = angle * 3.14159265358979 / 180, c = 0.9 * std::cos(turn), s = 0.9 * std::sin(turn);
    const cv::Matx23d toSource(c, -s, 700, s, c, 300);
    cv::warpAffine(source_, output, toSource, output.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP);
  }

 private:
  cv::Mat source_;
};

WarpPeer& Peer() {
  static WarpPeer peer;
  return peer;
}

// The source and the peer are made before the first timed call.
void MakeInputs() {
  PhotoSource();
  Peer();
}

// The middle of the times (the upper of the two middle ones of an even count).
double Median(std::vector<double> times) {
  if (times.empty()) return 0;
  std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
  return times[times.size() / 2];
}

template <class Call>
double Seconds(Call&& call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// wf-host's one render: a new tile, let go of when the filter ends; its size in width and height.
bool RenderNewTile(const TileShape& pick, int& width, int& height) {
  TileShape shape = pick;
  CRowIteratorBands tile;
  if (!GenerateTile(nullptr, PhotoSource(), shape, tile).Ok()) return false;
  width = tile.Width();
  height = tile.Height();
  return true;
}

// The dialog's command: the tile shown and the spare, into whose memory the next render writes,
// and the cache its renders share.
class DialogRenders {
 public:
  bool Render(const TileShape& pick) {
    TileShape shape = pick;
    CRowIteratorBands tile;
    tile.TakeFrom(spare_);
    if (!GenerateTile(nullptr, PhotoSource(), shape, tile, &cache_).Ok()) return false;
    spare_.TakeFrom(shown_);
    shown_.TakeFrom(tile);
    return true;
  }
  int Width() const { return shown_.Width(); }
  int Height() const { return shown_.Height(); }

 private:
  CRowIteratorBands shown_, spare_;
  TileRenderCache cache_;
};

// Whose memory a new tile's is.
enum class TileMemory {
  kAsLetGoOf,  // what the render before let go of, handed back as the peer's allocator hands back its
               // block (a large tile's pages are always new)
  kNew,        // new pages, as in a process that has not rendered yet
};

// Our new tile against the peer at the same output size, both on one thread.
void AgainstWarpOnOneThread(benchmark::State& state, bool bent, TileMemory memory) {
  MakeInputs();
  const RowThreads::ScopedCount oneThread(1);
  const TileShape pick = GroupShape(int(state.range(0)), double(state.range(1)), int(state.range(2)),
                                    int(state.range(3)), bent);
  std::int64_t pixels = 0;
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    int width = 0, height = 0;
    if (memory == TileMemory::kNew) LetGoOfKeptRegions();
    ours += Seconds([&] {
      if (!RenderNewTile(pick, width, height)) state.SkipWithError("no tile");
    });
    theirs += Seconds([&] { Peer().Warp(width, height, pick.angle); });
    pixels += std::int64_t{width} * height;
  }
  state.counters["Mpx/s"] = benchmark::Counter(double(pixels) / 1e6 / ours);
  state.counters["vs_warp"] = benchmark::Counter(theirs / ours);
}

void Group(benchmark::State& state) { AgainstWarpOnOneThread(state, false, TileMemory::kAsLetGoOf); }
BENCHMARK(Group)
    ->ArgNames({"method", "feather", "cell", "angle"})
    ->ArgsProduct({{keTilingP1, keTilingP2, keTilingPM, keTilingPG, keTilingPMM, keTilingPMG, keTilingPGG,
                    keTilingCM, keTilingCMM, keTilingP4, keTilingP4M, keTilingP4G, keTilingP3, keTilingP3ML,
                    keTilingP3LM, keTilingP6, keTilingP6M},
                   {0, 20},
                   {1024, 256},
                   {0, 30}})
    ->Unit(benchmark::kMillisecond);

// "PMM", "P4M", "P3ML" and "P6M" have no seam to bend.
void Bent(benchmark::State& state) { AgainstWarpOnOneThread(state, true, TileMemory::kAsLetGoOf); }
BENCHMARK(Bent)
    ->ArgNames({"method", "feather", "cell", "angle"})
    ->ArgsProduct({{keTilingP1, keTilingP2, keTilingPM, keTilingPG, keTilingPMG, keTilingPGG, keTilingCM,
                    keTilingCMM, keTilingP4, keTilingP4G, keTilingP3, keTilingP3LM, keTilingP6},
                   {0, 20},
                   {1024, 256},
                   {30}})
    ->Unit(benchmark::kMillisecond);

// The shape a handle has moved a pixel, as the dialog renders it again.
TileShape MovedAPixel(const TileShape& pick) {
  TileShape moved = pick;
  for (POINT* p : {&moved.p0, &moved.p1, &moved.p2, &moved.centre}) p->x += 1;
  return moved;
}

// A render in a process that has not rendered yet, the tile's pages all new: what mapping a small
// tile costs beside `Group`, where the render before hands its memory on.
void FirstRender(benchmark::State& state) { AgainstWarpOnOneThread(state, false, TileMemory::kNew); }
BENCHMARK(FirstRender)
    ->ArgNames({"method", "feather", "cell", "angle"})
    ->ArgsProduct(
        {{keTilingP1, keTilingP4, keTilingP3LM, keTilingP6, keTilingP6M}, {0, 20}, {1024, 256}, {0}})
    ->Unit(benchmark::kMillisecond);

// All cores against one thread, call by call. "kept" 0: each render into a new tile as the filter's
// command makes it, with a render cache of its own, empty at its first render, both let go of
// after the call, as the command keeps its tile and its cache past the render: the filter's first
// render, paying for fresh pages. "kept" 1: each into the memory the command keeps from the render
// before, with its cache, as at every Apply after the first. "cores_vs_one" is one thread's median
// time over all cores', "vs_warp" the peer's on one thread over our cores'.
void Cores(benchmark::State& state) {
  MakeInputs();
  const TileShape pick = MegapixelShape(int(state.range(0)), double(state.range(1)), state.range(2) != 0);
  const TileShape moved = MovedAPixel(pick);
  const bool kept = state.range(3) != 0;
  DialogRenders dialogs[2];  // all cores', one thread's
  std::vector<double> times[2], theirs;
  int width = 0, height = 0;
  for (int threads : {RowThreads::Count(), 1}) {
    const RowThreads::ScopedCount count(threads);
    DialogRenders& dialog = dialogs[threads == 1];
    if (kept && (!dialog.Render(pick) || !dialog.Render(moved))) return state.SkipWithError("no tile");
  }
  for (auto _ : state) {
    const TileShape& shape = theirs.size() % 2 ? moved : pick;
    for (int threads : {RowThreads::Count(), 1}) {
      const RowThreads::ScopedCount count(threads);
      DialogRenders fresh;
      DialogRenders& dialog = kept ? dialogs[threads == 1] : fresh;
      times[threads == 1].push_back(Seconds([&] {
        if (!dialog.Render(shape)) state.SkipWithError("no tile");
      }));
      width = dialog.Width();
      height = dialog.Height();
    }
    theirs.push_back(Seconds([&] { Peer().Warp(width, height, pick.angle); }));
  }
  state.counters["Mpx"] = double(width) * height / 1e6;
  state.counters["threads"] = RowThreads::Count();
  state.counters["cores_vs_one"] = benchmark::Counter(Median(times[1]) / Median(times[0]));
  state.counters["vs_warp"] = benchmark::Counter(Median(theirs) / Median(times[0]));
}
// Cores' split of a megapixel's rows with nothing in them but arithmetic, some 2.5 us a row as a
// render's, paced as Cores' calls are: "cores_vs_one" is what all cores give over one thread on
// this machine at best, beside the renders' (on a shared virtual machine well short of the count
// of cores).
void CoresArithmetic(benchmark::State& state) {
  MakeInputs();
  constexpr int kRows = 1024, kStepsARow = 1500;
  const auto rows = [] {
    std::atomic<std::uint64_t> sink{0};
    RowThreads::Run(kRows, [&](int first, int last, int) {
      std::uint64_t x = std::uint64_t(first) + 1;
      for (int step = 0; step < (last - first) * kStepsARow; ++step) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
      }
      sink += x;
    });
    benchmark::DoNotOptimize(sink.load());
  };
  std::vector<double> times[2];
  for (auto _ : state) {
    for (int threads : {RowThreads::Count(), 1}) {
      const RowThreads::ScopedCount count(threads);
      times[threads == 1].push_back(Seconds(rows));
    }
    Peer().Warp(1024, 1024, 30);
  }
  state.counters["threads"] = RowThreads::Count();
  state.counters["cores_vs_one"] = benchmark::Counter(Median(times[1]) / Median(times[0]));
  state.counters["ms_one"] = benchmark::Counter(1e3 * Median(times[1]));
}
BENCHMARK(CoresArithmetic)->Unit(benchmark::kMillisecond);

BENCHMARK(Cores)
    ->ArgNames({"method", "feather", "bent", "kept"})
    ->ArgsProduct({{keTilingP1, keTilingP6}, {0, 20}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// Every group at feather 0 and 20 with its seams straight, and bent where it has seams to bend.
void EveryGroupStraightAndBent(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgNames({"method", "feather", "bent"})
      ->ArgsProduct({{keTilingP1, keTilingP2, keTilingPM, keTilingPG, keTilingPMM, keTilingPMG, keTilingPGG,
                      keTilingCM, keTilingCMM, keTilingP4, keTilingP4M, keTilingP4G, keTilingP3, keTilingP3ML,
                      keTilingP3LM, keTilingP6, keTilingP6M},
                     {0, 20},
                     {0}})
      ->ArgsProduct({{keTilingP1, keTilingP2, keTilingPM, keTilingPG, keTilingPMG, keTilingPGG, keTilingCM,
                      keTilingCMM, keTilingP4, keTilingP4G, keTilingP3, keTilingP3LM, keTilingP6},
                     {0, 20},
                     {1}})
      ->Unit(benchmark::kMillisecond);
}

// What a user compares: our render on all cores against the peer on as many, call by call, each
// render into a new tile with a new cache, as the filter's process makes its one render, let go of
// untimed. The two take turns at going first, so that the threads of the one that ran before,
// still looking for work a while, cost each alike.
void AllCores(benchmark::State& state) {
  MakeInputs();
  const TileShape pick = MegapixelShape(int(state.range(0)), double(state.range(1)), state.range(2) != 0);
  const WarpPeer::ScopedThreads peerThreads(RowThreads::Count());
  int width = 0, height = 0;
  // The peer's pool starts at its first call.
  if (!RenderNewTile(pick, width, height)) return state.SkipWithError("no tile");
  Peer().Warp(width, height, pick.angle);
  std::vector<double> ours, theirs, theirsKept;
  const auto render = [&] {
    DialogRenders process;
    ours.push_back(Seconds([&] {
      if (!process.Render(pick)) state.SkipWithError("no tile");
    }));
  };
  const auto warp = [&] {
    theirs.push_back(Peer().SecondsIntoNewPages(width, height, pick.angle));
    if (theirs.back() < 0) state.SkipWithError("no pages for the peer's image");
    theirsKept.push_back(Seconds([&] { Peer().Warp(width, height, pick.angle); }));
  };
  for (auto _ : state) {
    if (ours.size() % 2) {
      warp();
      render();
    } else {
      render();
      warp();
    }
  }
  state.counters["Mpx"] = double(width) * height / 1e6;
  state.counters["threads"] = RowThreads::Count();
  state.counters["ms"] = 1e3 * Median(ours);
  state.counters["vs_warp"] = Median(theirs) / Median(ours);
  state.counters["vs_warp_kept"] = Median(theirsKept) / Median(ours);
}
// Iterations counted by the clock rather than the calling thread's processor time, which the
// tiles let go of and the renders' waits for their threads leave well short of it.
BENCHMARK(AllCores)->Apply(EveryGroupStraightAndBent)->UseRealTime();

// A caller without a cache, such as a library's own benchmark of one render: all cores, half of
// them and one thread in turn, each render into a new tile let go of untimed. The three take turns
// in orders such that each follows each of the others as often: after one thread's render the
// pool's threads have fallen asleep, after a render on all of them they are still awake.
void Threads(benchmark::State& state) {
  MakeInputs();
  const TileShape pick = MegapixelShape(int(state.range(0)), double(state.range(1)), state.range(2) != 0);
  const int all = RowThreads::Count(), counts[] = {all, std::max(1, all / 2), 1};
  static const int orders[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {0, 2, 1}, {2, 1, 0}, {1, 0, 2}};
  std::vector<double> times[3];
  int width = 0, height = 0;
  std::size_t round = 0;
  for (auto _ : state) {
    for (const int i : orders[round++ % 6]) {
      const RowThreads::ScopedCount count(counts[i]);
      TileShape shape = pick;
      CRowIteratorBands tile;
      times[i].push_back(Seconds([&] {
        if (!GenerateTile(nullptr, PhotoSource(), shape, tile).Ok()) state.SkipWithError("no tile");
      }));
      width = tile.Width();
      height = tile.Height();
    }
  }
  state.counters["Mpx"] = double(width) * height / 1e6;
  state.counters["ms_all"] = 1e3 * Median(times[0]);
  state.counters["half_vs_all"] = Median(times[1]) / Median(times[0]);
  state.counters["one_vs_all"] = Median(times[2]) / Median(times[0]);
}
BENCHMARK(Threads)->Apply(EveryGroupStraightAndBent);

// The preview's renders of a megapixel tile as a handle moves the shape a pixel to and fro, on
// every core, into the memory the dialog keeps: the median render's milliseconds, against the 8 a
// preview may take; a median as Cores', as a mean counts every time slice others' work took from
// one of the threads.
void Preview(benchmark::State& state) {
  MakeInputs();
  const TileShape pick = MegapixelShape(keTilingP6, 20, state.range(0) != 0);
  const TileShape moved = MovedAPixel(pick);
  DialogRenders dialog;
  if (!dialog.Render(pick) || !dialog.Render(moved)) return state.SkipWithError("no tile");
  std::vector<double> ours, theirs;
  for (auto _ : state) {
    const TileShape& shape = ours.size() % 2 ? moved : pick;
    ours.push_back(Seconds([&] {
      if (!dialog.Render(shape)) state.SkipWithError("no tile");
    }));
    theirs.push_back(Seconds([&] { Peer().Warp(dialog.Width(), dialog.Height(), shape.angle); }));
  }
  state.counters["Mpx"] = double(dialog.Width()) * dialog.Height() / 1e6;
  state.counters["ms"] = 1e3 * Median(ours);
  state.counters["threads"] = RowThreads::Count();
  state.counters["vs_warp"] = Median(theirs) / Median(ours);
}
BENCHMARK(Preview)->ArgName("bent")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvel
