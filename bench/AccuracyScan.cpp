// The broad accuracy scan, a developer's tool (not a test: it takes minutes). For every group,
// several lattices (uneven ones and ones a little off the square or hexagon among them), angles,
// feathers, bent and straight seams and two sources (a photo-like one read in place, a sharp one
// copied into a window), it renders the plan in doubles and the fast render in AVX2 and SSE2 and
// prints per case the worst channel difference, the mean, the pixels off by more than a level,
// the differences within a pixel of a cell's edge, whether 1 and 8 threads give the same bytes,
// and a hash of the fast and the planned tile, to compare commits by. Lines that break the
// accuracy rule (off by more than a level, a mean over 0.05, threads that disagree) end with
// "BREAKS at" and the first pixels off; the exit code says whether any did.
//   wf_accuracy_scan [--seed N] [group name ...]   (all 17 groups by default; N draws other lattices)
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/CpuFeatures.h"
#include "core/RowIteratorBands.h"
#include "core/RowThreads.h"
#include "generators/GenerateTile.h"
#include "generators/RectangularPeriod.h"
#include "generators/TileGroups.h"
#include "generators/TileLattice.h"

namespace corvel {
namespace {

constexpr int kSourceSize = 512;

// Smooth shading under a grain of a few levels, at a spreading pitch: read in place.
void MakePhotoLike(CRowIteratorBands& image) {
  image.CreateSpread(kSourceSize, kSourceSize, keFormatBGRA).GetCode();
  std::uint32_t noise = 12345;
  for (int y = 0; y < kSourceSize; ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int x = 0; x < kSourceSize; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const double shade = 0.5 + 0.25 * std::sin(x * 0.031) * std::cos(y * 0.023) +
                           0.2 * std::sin((x + y) * 0.011);
      for (int c = 0; c < 3; ++c)
        row[4 * x + c] = BYTE(std::clamp(int(255 * shade * (0.8 + 0.1 * c)) + int(noise >> 28) - 8, 0, 255));
      row[4 * x + 3] = 255;
    }
    image.UnlockRow(y);
  }
}

// Opaque blocks of 5 x 7 pixels in random colours crossed by one-pixel lines: neighbouring taps
// differ by up to 255 levels, so that a sample read a little off, or from another copy, shows. In
// bands, so that the render copies what it reads into a window. (Clear parts are left out: where
// alpha is a level or two, the colours weighed by it may differ by far more between two roads.)
void MakeSharp(CRowIteratorBands& image) {
  image.CreateBGRA(kSourceSize, kSourceSize).GetCode();
  for (int y = 0; y < kSourceSize; ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int x = 0; x < kSourceSize; ++x) {
      std::uint32_t block = std::uint32_t(x / 5) * 7919u + std::uint32_t(y / 7) * 104729u;
      block = (block ^ (block >> 13)) * 2654435761u;
      const bool line = x % 23 == 0 || y % 19 == 0;
      for (int c = 0; c < 3; ++c) row[4 * x + c] = line ? BYTE(40 * c) : BYTE(block >> (8 * c));
      row[4 * x + 3] = 255;
    }
    image.UnlockRow(y);
  }
}

// d1 = P1 - P0 and d2 = P2 - P0 of a pick.
struct Pick {
  POINT d1, d2;
};

// Lattices of about 15 to 230 pixels: the tests' usual one, odd and uneven ones, one a pixel off
// the square (the hexagonal groups take one side from the pick and round the other, so their
// small and odd ones lie a little off the hexagon).
std::vector<Pick> PicksOf(int method) {
  switch (method) {
    case keTilingP1:
      return {{{0, 128}, {128, 0}}, {{37, 121}, {131, 0}}, {{-23, 97}, {89, 0}},
              {{3, 164}, {150, 0}}, {{21, 67}, {59, 0}},   {{0, 17}, {23, 0}}};
    case keTilingPM:
    case keTilingPMG:
      return {{{0, 64}, {128, 0}}, {{0, 33}, {97, 0}},  {{0, 61}, {60, 0}},
              {{0, 9}, {23, 0}},   {{0, 47}, {161, 0}}, {{0, 16}, {128, 0}}};
    case keTilingPG:
      return {{{0, 128}, {64, 0}}, {{0, 97}, {33, 0}},  {{0, 61}, {60, 0}},
              {{0, 23}, {9, 0}},   {{0, 161}, {47, 0}}, {{0, 64}, {65, 0}}};
    case keTilingCM:
    case keTilingCMM:
    case keTilingP4M:
      return {{{0, 64}, {-64, 0}}, {{0, 61}, {-37, 0}},   {{0, 65}, {-64, 0}},
              {{0, 17}, {-23, 0}}, {{0, 101}, {-150, 0}}, {{0, 128}, {-127, 0}}};
    case keTilingP3:
    case keTilingP3ML:
    case keTilingP3LM:
    case keTilingP6:
      return {{{32, 55}, {64, 0}},    {{29, 53}, {61, 1}}, {{14, 24}, {28, 0}},
              {{100, 170}, {203, 1}}, {{48, 82}, {95, 0}}, {{19, 58}, {41, 1}}};
    case keTilingP6M:
      return {{{0, 111}, {64, 0}}, {{0, 53}, {31, 0}}, {{0, 24}, {14, 0}},
              {{0, 170}, {97, 0}}, {{0, 82}, {47, 0}}, {{0, 40}, {23, 0}}};
    default:  // P2, PMM, PGG, P4, P4G
      return {{{0, 64}, {64, 0}}, {{0, 61}, {37, 0}},  {{0, 65}, {64, 0}},
              {{0, 17}, {23, 0}}, {{0, 101}, {97, 0}}, {{0, 40}, {40, 0}}};
  }
}

// Six lattices of the group's kind drawn from seed, 9 to 170 pixels a side; near the square
// where the usual pick is square.
std::vector<Pick> RandomPicksOf(int method, std::uint32_t& seed) {
  auto next = [&seed](int low, int high) {
    seed = seed * 1664525u + 1013904223u;
    return low + int((seed >> 8) % std::uint32_t(high - low + 1));
  };
  const Pick usual = PicksOf(method).front();
  std::vector<Pick> picks;
  for (int i = 0; i < 6; ++i) {
    const int side = next(9, 170);
    const int other = usual.d1.y == std::abs(usual.d2.x) ? side + next(-2, 2) : next(9, 170);
    picks.push_back(
        {{method == keTilingP1 ? next(-60, 60) : 0, side}, {usual.d2.x < 0 ? -other : other, next(0, 1)}});
  }
  return picks;
}

TileShape ShapeOf(int method, const Pick& pick, int angle, int feather, bool bent) {
  TileShape shape;
  shape.method = method;
  shape.p0 = shape.centre = {kSourceSize / 2 - (pick.d1.x + pick.d2.x) / 2,
                             kSourceSize / 2 - (pick.d1.y + pick.d2.y) / 2};
  shape.p1 = {shape.p0.x + pick.d1.x, shape.p0.y + pick.d1.y};
  shape.p2 = {shape.p0.x + pick.d2.x, shape.p0.y + pick.d2.y};
  shape.seamK0 = shape.seamK2 = bent ? 0.1 : 0;
  shape.seamK1 = bent ? -0.1 : 0;
  shape.angle = angle;
  shape.feather = feather;
  shape.area = {0, 0, kSourceSize - 1, kSourceSize - 1};
  return shape;
}

bool Render(CRowIteratorBands& source, const TileShape& pick, const CpuFeatures& features, int threads,
            CRowIteratorBands& tile) {
  const CpuFeaturesOverride forced(features);
  const RowThreads::ScopedCount count(threads);
  TileShape shape = pick;
  return GenerateTile(nullptr, source, shape, tile).Ok();
}

std::uint64_t HashOf(CRowIteratorBands& tile) {
  std::uint64_t hash = 14695981039346656037ull;
  for (int y = 0; y < tile.Height(); ++y) {
    const BYTE* row = tile.LockRowPointer(y, 0, -1);
    for (int i = 0; i < 4 * tile.Width(); ++i) hash = (hash ^ row[i]) * 1099511628211ull;
    tile.UnlockRow(y);
  }
  return hash;
}

// Whether a tile pixel lies within a pixel of its cell's edges, on the picked lattice scaled to
// the tile (the repeated groups show their cell a pixel on, and every tile starts past a rising A).
class CellEdges {
 public:
  CellEdges(const TileShape& shape, int width, int height) {
    const TileLattice lattice = BuildTileLattice(shape.method, shape.p0, shape.p1, shape.p2, shape.centre);
    const POINT period = RectangularPeriod(lattice.basisA, lattice.basisB);
    ax_ = double(lattice.basisA.x) * width / period.x, ay_ = double(lattice.basisA.y) * height / period.y;
    bx_ = double(lattice.basisB.x) * width / period.x, by_ = double(lattice.basisB.y) * height / period.y;
    shiftX_ = lattice.repeats ? 1 : 0, shiftY_ = -std::min(0.0, ay_);
    det_ = ax_ * by_ - bx_ * ay_;
  }
  bool Near(int x, int y) const {
    const double px = x - shiftX_, py = y - shiftY_;
    const double u = (px * by_ - py * bx_) / det_, v = (py * ax_ - px * ay_) / det_;
    // Lines of whole u lie |det| / |B| apart, lines of whole v |det| / |A|.
    return std::abs(u - std::round(u)) * std::abs(det_) < std::hypot(bx_, by_) ||
           std::abs(v - std::round(v)) * std::abs(det_) < std::hypot(ax_, ay_);
  }

 private:
  double ax_, ay_, bx_, by_, shiftX_, shiftY_, det_;
};

struct Differences {
  int largest = 0;
  double mean = 0;
  long long pixelsOverALevel = 0;
  std::string firstOverALevel;  // where the first few of them lie
  long long seamPixelsDiffering = 0;
  int largestOnSeams = 0;
};

Differences Compare(CRowIteratorBands& fast, CRowIteratorBands& reference, const CellEdges& edges) {
  Differences d;
  long long total = 0;
  for (int y = 0; y < fast.Height(); ++y) {
    const BYTE* ours = fast.LockRowPointer(y, 0, -1);
    const BYTE* theirs = reference.LockRowPointer(y, 0, -1);
    for (int x = 0; x < fast.Width(); ++x) {
      int pixel = 0;
      for (int c = 0; c < 4; ++c)
        pixel = std::max(pixel, std::abs(int(ours[4 * x + c]) - int(theirs[4 * x + c])));
      for (int c = 0; c < 4; ++c) total += std::abs(int(ours[4 * x + c]) - int(theirs[4 * x + c]));
      d.largest = std::max(d.largest, pixel);
      if (pixel > 1 && ++d.pixelsOverALevel <= 4)
        d.firstOverALevel += " " + std::to_string(x) + "," + std::to_string(y);
      if (pixel > 0 && edges.Near(x, y)) {
        ++d.seamPixelsDiffering;
        d.largestOnSeams = std::max(d.largestOnSeams, pixel);
      }
    }
    fast.UnlockRow(y);
    reference.UnlockRow(y);
  }
  d.mean = double(total) / (4.0 * fast.Width() * fast.Height());
  return d;
}

}  // namespace
}  // namespace corvel

int main(int argc, char** argv) {
  using namespace corvel;
  CRowIteratorBands photo, sharp;
  MakePhotoLike(photo);
  MakeSharp(sharp);
  const struct {
    const char* name;
    CRowIteratorBands* image;
  } sources[] = {{"photo", &photo}, {"sharp", &sharp}};
  CpuFeatures avx2 = ProbeCpuFeatures(), sse2 = ProbeCpuFeatures();
  sse2.avx2 = false;
  const bool seeded = argc > 2 && !std::strcmp(argv[1], "--seed");
  std::uint32_t seed = seeded ? std::uint32_t(std::strtoul(argv[2], nullptr, 10)) : 0;
  char** const groups = argv + (seeded ? 3 : 1);
  long long cases = 0, breaking = 0;
  for (int method = 0; method < keTilingMethodCount; ++method) {
    const char* group = FindTileGroup(method)->name;
    if (groups < argv + argc && std::find_if(groups, argv + argc, [&](const char* a) {
                                  return !std::strcmp(a, group);
                                }) == argv + argc)
      continue;
    for (const Pick& pick : seeded ? RandomPicksOf(method, seed) : PicksOf(method)) {
      for (int angle : {0, 30, 17, 45, 90}) {
        for (int feather : {0, 5, 20, 50}) {
          for (bool bent : {false, true}) {
            const TileShape shape = ShapeOf(method, pick, angle, feather, bent);
            for (const auto& source : sources) {
              CRowIteratorBands reference, fast[2], eight;
              const bool rendered = Render(*source.image, shape, CpuFeatures{}, 1, reference) &&
                                    Render(*source.image, shape, avx2, 1, fast[0]) &&
                                    Render(*source.image, shape, sse2, 1, fast[1]) &&
                                    Render(*source.image, shape, avx2, 8, eight);
              char name[160];
              std::snprintf(name, sizeof name, "%s d1=%ld,%ld d2=%ld,%ld angle=%d feather=%d bend=%d %s",
                            group, long(pick.d1.x), long(pick.d1.y), long(pick.d2.x), long(pick.d2.y), angle,
                            feather, int(bent), source.name);
              ++cases;
              if (!rendered) {
                std::printf("%s not rendered BREAKS\n", name);
                ++breaking;
                continue;
              }
              const std::uint64_t referenceHash = HashOf(reference), eightHash = HashOf(eight);
              const CellEdges edges(shape, reference.Width(), reference.Height());
              for (int i = 0; i < 2; ++i) {
                const bool sameSize = fast[i].Width() == reference.Width() &&
                                      fast[i].Height() == reference.Height();
                Differences d;
                if (sameSize)
                  d = Compare(fast[i], reference, edges);
                else
                  d.largest = 256;
                const std::uint64_t fastHash = HashOf(fast[i]);
                const bool threadsAgree = i == 1 || fastHash == eightHash;
                const bool breaks = d.largest > 1 || d.mean > 0.05 || !threadsAgree;
                breaking += breaks;
                std::printf("%s %dx%d %s max=%d mean=%.4f over1=%lld seam=%lld/%d threads=%s fast=%016" PRIx64
                            " ref=%016" PRIx64 "%s%s\n",
                            name, reference.Width(), reference.Height(), i == 0 ? "avx2" : "sse2", d.largest,
                            d.mean, d.pixelsOverALevel, d.seamPixelsDiffering, d.largestOnSeams,
                            threadsAgree ? "same" : "DIFFER", fastHash, referenceHash,
                            breaks ? " BREAKS at" : "", breaks ? d.firstOverALevel.c_str() : "");
              }
            }
          }
        }
      }
    }
  }
  std::printf("# %lld cases, %lld lines break the rule\n", cases, breaking);
  return breaking > 0;
}
