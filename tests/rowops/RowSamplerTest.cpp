#include "rowops/RowSampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/CpuFeatures.h"

namespace corvel {
namespace {

// A 9 x 7 BGRA image in two blocks (rows 0..3 and 4..6), with opaque, clear and partial alpha
// unless made opaque throughout.
struct Rows {
  explicit Rows(bool opaque = false) : bytes(9 * 7 * 4 + 64) {
    for (int y = 0; y < 7; ++y) {
      std::uint8_t* row = bytes.data() + (y < 4 ? 36 * y : 36 * y + 64);
      pointers.push_back(row);
      strides.push_back(y == 3 || y == 6 ? 0 : 36);
      for (int x = 0; x < 9; ++x) {
        row[4 * x] = std::uint8_t(20 * x + 3 * y);
        row[4 * x + 1] = std::uint8_t(200 - 11 * y);
        row[4 * x + 2] = std::uint8_t(7 * x * y);
        row[4 * x + 3] = std::uint8_t(opaque ? 255 : x == 0 ? 0 : (y == 2 ? 90 : 255));
      }
    }
  }
  BgraRows View() const { return {pointers.data(), strides.data(), 9, 7}; }
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t*> pointers;
  std::vector<std::intptr_t> strides;
};

std::vector<std::uint8_t> Sample(const Rows& rows, const std::vector<std::int32_t>& positions,
                                 SampleEdge edge) {
  std::vector<std::uint8_t> out(2 * positions.size());
  SampleBilinearBgra(rows.View(), out.data(), positions.data(), int(positions.size() / 2), edge);
  return out;
}

// The SIMD kernels in turn: SSE2 alone, AVX2 without AVX-512 where there is more, then all the
// processor has.
std::vector<CpuFeatures> SimdChoices() {
  CpuFeatures sse2 = ProbeCpuFeatures();
  sse2.avx2 = false;
  CpuFeatures avx2 = ProbeCpuFeatures();
  avx2.avx512 = false;
  if (ProbeCpuFeatures().avx512) return {sse2, avx2, ProbeCpuFeatures()};
  return {sse2, ProbeCpuFeatures()};
}

TEST(RowSampler, SimdKernelsAgreeWithThePlainInsideAcrossBlocksAndAtEdges) {
  const Rows rows;
  std::vector<std::int32_t> positions;
  std::uint32_t noise = 99;
  for (int i = 0; i < 2001; ++i) {  // odd: the SSE2 loop's single tail pixel too
    noise = noise * 1664525u + 1013904223u;
    positions.push_back(std::int32_t(noise >> 16) % 3000 - 600);
    positions.push_back(std::int32_t(noise & 0xFFFF) % 2400 - 500);
  }
  for (SampleEdge edge : {SampleEdge::kClamp, SampleEdge::kFill}) {
    std::vector<std::uint8_t> plain;
    {
      CpuFeaturesOverride none(CpuFeatures{});
      plain = Sample(rows, positions, edge);
    }
    for (const CpuFeatures& features : SimdChoices()) {
      CpuFeaturesOverride forced(features);
      EXPECT_EQ(Sample(rows, positions, edge), plain) << features.avx2;
    }
  }
}

TEST(RowSampler, AChosenSamplerFollowsTheRecordItIsGivenNotTheProcesses) {
  const Rows rows;
  std::vector<std::int32_t> positions;
  for (int i = 0; i < 101; ++i) positions.insert(positions.end(), {37 * i % 2600 - 300, 53 * i % 2000 - 200});
  const int count = int(positions.size() / 2);
  std::vector<std::uint8_t> plain(4 * std::size_t(count)), chosen(plain.size());
  const BgraSampler plainSampler = ChooseBgraSampler(CpuFeatures{});
  plainSampler(rows.View(), plain.data(), positions.data(), count, SampleEdge::kClamp);
  CpuFeaturesOverride none(CpuFeatures{});
  for (const CpuFeatures& features : SimdChoices()) {
    const BgraSampler sampler = ChooseBgraSampler(features);
    EXPECT_NE(sampler, plainSampler) << features.avx2;
    sampler(rows.View(), chosen.data(), positions.data(), count, SampleEdge::kClamp);
    EXPECT_EQ(chosen, plain) << features.avx2;
  }
  if (ProbeCpuFeatures().avx2) {
    EXPECT_NE(ChooseBgraSampler(SimdChoices()[0]), ChooseBgraSampler(SimdChoices()[1]));
  }
}

// An image (8 x 6 unless given) in one block whose channels take extreme values (0, 1, 127, 128,
// 254, 255 and between), opaque but for a clear column 6 and a half-clear column 7, readable in
// place as a window.
struct ExtremeRows {
  explicit ExtremeRows(int width = 8, int height = 6, int rowPitch = 0)
      : width(width),
        height(height),
        pitch(rowPitch != 0 ? rowPitch : 4 * width + 16),
        bytes(std::size_t(pitch * height)),
        strides(std::size_t(height), pitch) {
    const std::uint8_t values[] = {0, 255, 1, 254, 127, 128, 64, 200};
    for (int y = 0; y < height; ++y) {
      std::uint8_t* row = bytes.data() + pitch * y;
      pointers.push_back(row);
      for (int x = 0; x < width; ++x) {
        for (int c = 0; c < 3; ++c) row[4 * x + c] = values[(3 * x + 5 * y + 7 * c) % 8];
        row[4 * x + 3] = x == 6 ? 0 : x == 7 ? 128 : 255;
      }
    }
    strides.back() = 0;
  }
  BgraRows View(bool window) const {
    BgraRows rows{pointers.data(), strides.data(), width, height};
    if (window) {
      rows.window = bytes.data();
      rows.windowPitch = pitch;
      rows.windowWidth = width;
      rows.windowHeight = height;
    }
    return rows;
  }
  int width, height, pitch;
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t*> pointers;
  std::vector<std::intptr_t> strides;
};

// The SIMD kernels' bytes against the plain kernel's, naming the first few positions that differ.
void ExpectPlainBytes(const BgraRows& rows, const std::vector<std::int32_t>& positions, SampleEdge edge) {
  const int count = int(positions.size() / 2);
  std::vector<std::uint8_t> plain(4 * std::size_t(count)), simd(4 * std::size_t(count));
  {
    CpuFeaturesOverride none(CpuFeatures{});
    SampleBilinearBgra(rows, plain.data(), positions.data(), count, edge);
  }
  for (const CpuFeatures& features : SimdChoices()) {
    CpuFeaturesOverride forced(features);
    // Each set writes over a fresh buffer, so a run one skips cannot keep the last set's bytes.
    std::fill(simd.begin(), simd.end(), std::uint8_t(0xA5));
    SampleBilinearBgra(rows, simd.data(), positions.data(), count, edge);
    int wrong = 0;
    for (int i = 0; i < count && wrong < 5; ++i)
      if (std::memcmp(&plain[4 * std::size_t(i)], &simd[4 * std::size_t(i)], 4) != 0) {
        ++wrong;
        ADD_FAILURE() << "window " << (rows.window != nullptr) << " edge " << int(edge) << " avx2 "
                      << features.avx2 << " pixel " << i << " at " << positions[2 * std::size_t(i)] << ","
                      << positions[2 * std::size_t(i) + 1];
      }
  }
}

// Every pair of fractions on footprints inside, on the last pixels, at the edges and past them,
// through the row tables and through a window, at both edges: the SIMD kernels mix the extreme
// bytes exactly as the plain rule does, opaque or not.
TEST(RowSampler, EveryFractionOfExtremeBytesGivesThePlainBytes) {
  const ExtremeRows image;
  std::vector<std::int32_t> positions;
  const int footprints[][2] = {{0, 0}, {3, 2}, {5, 4}, {6, 1}, {7, 3}, {2, 5}, {-1, -1}};
  for (const auto& at : footprints)
    for (int fy = 0; fy < 256; ++fy)
      for (int fx = 0; fx < 256; ++fx)
        positions.insert(positions.end(), {256 * at[0] + fx, 256 * at[1] + fy});
  for (bool window : {false, true})
    for (SampleEdge edge : {SampleEdge::kClamp, SampleEdge::kFill})
      ExpectPlainBytes(image.View(window), positions, edge);
}

// Rows that step a whole pixel at a time along the source's rows or columns, either way, as a
// turned or mirrored part of a tile reads it, are read as blocks: every pair of fractions over
// the extreme bytes, opaque and across the clear columns, in runs that reach the window's last
// row and column, that turn part way, and that leave the window.
TEST(RowSampler, WholeStepsAlongRowsAndColumnsGiveThePlainBytes) {
  const ExtremeRows image(32, 32);
  std::vector<std::int32_t> positions;
  auto stretch = [&](int x, int y, int dx, int dy, int fx, int fy, int count) {
    for (int i = 0; i < count; ++i)
      positions.insert(positions.end(), {256 * (x + i * dx) + fx, 256 * (y + i * dy) + fy});
  };
  for (int fy = 0; fy < 256; ++fy)
    for (int fx = 0; fx < 256; ++fx) {
      // Sixteen pixels from the first (over the clear columns) or to the last whole footprint.
      const int near = (fx ^ fy) % 2 == 0 ? 2 : 15, across = (fx + 3 * fy) % 31;
      stretch(near, across, 1, 0, fx, fy, 16);
      stretch(near + 15, across, -1, 0, fx, fy, 16);
      stretch(across, near, 0, 1, fx, fy, 16);
      stretch(across, near + 15, 0, -1, fx, fy, 16);
    }
  ExpectPlainBytes(image.View(true), positions, SampleEdge::kClamp);
  positions.clear();
  for (int f : {0, 1, 128, 255}) {
    // Turning part way, and a step that is not whole.
    stretch(9, 4, 1, 0, f, 255 - f, 12);
    stretch(21, 4, 0, 1, f, 255 - f, 12);
    stretch(21, 16, 1, 0, f, 255 - f, 5);
    positions.insert(positions.end(), {256 * 26 + f + 1, 256 * 16 + 255 - f});
    stretch(27, 16, -1, 0, f, 255 - f, 18);
    // Out of the window, into it, and out again, a run short of a whole one inside.
    stretch(-12, 9, 1, 0, f, 255 - f, 40);
    stretch(9, 40, 0, -1, f, 255 - f, 48);
    stretch(16, 9, 1, 0, f, 255 - f, 24);
    stretch(14, 20, -1, 0, f, 255 - f, 24);
    stretch(9, 16, 0, 1, f, 255 - f, 24);
    stretch(20, 14, 0, -1, f, 255 - f, 24);
  }
  for (SampleEdge edge : {SampleEdge::kClamp, SampleEdge::kFill})
    ExpectPlainBytes(image.View(true), positions, edge);
}

// Rows that turn through a window at a pitch of no whole number of pixels, through one wider than
// 32767 pixels, far along it, and through one narrower in rows longer than that, where a pitch
// taken in 16 bits would read row 0 for row 1, give the plain bytes too. Green and alpha are 255
// throughout, so that a pixel read a half off its place would still be opaque, and stand.
TEST(RowSampler, WindowsAtAnyPitchAndOfAnyWidthGiveThePlainBytes) {
  auto turned = [](int x, int y, int down, int count) {
    std::vector<std::int32_t> positions;
    for (int i = 0; i < count; ++i) positions.insert(positions.end(), {x + 231 * i, y + down * i});
    return positions;
  };
  // Each window's width, height and pitch, and where its row starts and how fast it goes down.
  for (const auto& [width, height, pitch, x, y, down] :
       {std::array<int, 6>{40, 12, 4 * 40 + 2, 1, 2, 97},
        std::array<int, 6>{32800, 6, 4 * 32800 + 16, 32740, 2, 97},
        std::array<int, 6>{32000, 4, 4 * 40000, 31900, 1, 3}}) {
    std::vector<std::uint8_t> bytes(std::size_t(pitch) * std::size_t(height));
    std::vector<std::uint8_t*> pointers;
    std::vector<std::intptr_t> strides(std::size_t(height), pitch);
    strides.back() = 0;
    for (int row = 0; row < height; ++row) {
      pointers.push_back(bytes.data() + std::size_t(pitch) * std::size_t(row));
      for (int k = 0; k < width; ++k) {
        std::uint8_t* pixel = pointers.back() + 4 * k;
        pixel[0] = std::uint8_t(7 * k + 13 * row);
        pixel[1] = pixel[3] = 255;
        pixel[2] = std::uint8_t(5 * k * row + 3);
      }
    }
    BgraRows rows{pointers.data(), strides.data(), width, height, bytes.data(), pitch, 0, 0, width, height};
    ExpectPlainBytes(rows, turned(256 * x + 17, 256 * y + 3, down, 64), SampleEdge::kClamp);
  }
}

// A window copied from the image reads as the image does, inside it, across its edges and beyond.
TEST(RowSampler, AWindowReadsAsTheImage) {
  const Rows rows;
  std::vector<std::uint8_t> copy(5 * 96);
  for (int y = 0; y < 5; ++y) std::memcpy(copy.data() + 96 * y, rows.pointers[std::size_t(1 + y)] + 8, 4 * 6);
  BgraRows windowed = rows.View();
  windowed.window = copy.data();
  windowed.windowPitch = 96;
  windowed.windowLeft = 2;
  windowed.windowTop = 1;
  windowed.windowWidth = 6;
  windowed.windowHeight = 5;
  std::vector<std::int32_t> positions;
  // Dense runs wholly inside the window, over opaque and partial alpha alike.
  for (int y = 256; y < 5 * 256; y += 53)
    for (int x = 512; x < 7 * 256; x += 29) positions.insert(positions.end(), {x, y});
  for (int y = -300; y < 1900; y += 37)
    for (int x = -300; x < 2400; x += 41) positions.insert(positions.end(), {x, y});
  for (const CpuFeatures& features : {CpuFeatures{}, ProbeCpuFeatures()}) {
    CpuFeaturesOverride forced(features);
    std::vector<std::uint8_t> plain(2 * positions.size()), through(2 * positions.size());
    SampleBilinearBgra(rows.View(), plain.data(), positions.data(), int(positions.size() / 2),
                       SampleEdge::kClamp);
    SampleBilinearBgra(windowed, through.data(), positions.data(), int(positions.size() / 2),
                       SampleEdge::kClamp);
    EXPECT_EQ(through, plain);
    // Runs a few short of whole ones, their last pixels taken again with those before them, in
    // short rows and in rows of some hundreds, whose runs the window cannot take go after.
    std::vector<int> counts{505, 511, 512, 513, 519, 520, 527, 1031};
    for (int count = 8; count < 24; ++count) counts.push_back(count);
    for (const int count : counts) {
      std::vector<std::uint8_t> some(4 * std::size_t(count), 0);
      SampleBilinearBgra(windowed, some.data(), positions.data(), count, SampleEdge::kClamp);
      EXPECT_TRUE(std::equal(some.begin(), some.end(), plain.begin())) << count;
    }
  }
}

// A window that reaches the image's edges takes the footprints on and past them too: they read
// the edge's pixels as the clamp repeats them, or nothing with the fill.
TEST(RowSampler, AWindowAtTheImagesEdgesReadsPastThemAsTheImage) {
  const Rows rows(true);
  std::vector<std::uint8_t> copy(7 * 64);
  for (int y = 0; y < 7; ++y) std::memcpy(copy.data() + 64 * y, rows.pointers[std::size_t(y)] + 4, 4 * 8);
  BgraRows windowed = rows.View();
  windowed.window = copy.data();
  windowed.windowPitch = 64;
  windowed.windowLeft = 1;
  windowed.windowWidth = 8;
  windowed.windowHeight = 7;
  std::vector<std::int32_t> positions;
  // Runs along each edge, on its last pixel, past it and far out, with and without fractions.
  for (int out : {0, 1, 128, 255, 256, 300, 2000, 1 << 20})
    for (int along = 256; along < 6 * 256; along += 45) {
      positions.insert(positions.end(), {9 * 256 - 256 + out, along, 1 * 256 + along / 2, 6 * 256 + out});
      positions.insert(positions.end(), {1 * 256 + along / 3, -out, 8 * 256 + out, -out});
    }
  for (SampleEdge edge : {SampleEdge::kClamp, SampleEdge::kFill}) {
    std::vector<std::uint8_t> plain(2 * positions.size()), through(2 * positions.size());
    SampleBilinearBgra(rows.View(), plain.data(), positions.data(), int(positions.size() / 2), edge);
    SampleBilinearBgra(windowed, through.data(), positions.data(), int(positions.size() / 2), edge);
    EXPECT_EQ(through, plain) << int(edge);
  }
}

TEST(RowSampler, MixesTapsAndTreatsTheEdgeByItsMode) {
  const Rows rows;
  // Half way between columns 1 and 2 of row 5: blue 35 and 55 mix to 45.
  EXPECT_EQ(Sample(rows, {384, 1280}, SampleEdge::kClamp)[0], 45);
  // Beyond the right edge: clamp repeats column 8, fill is transparent black.
  EXPECT_EQ(Sample(rows, {10 * 256, 1280}, SampleEdge::kClamp),
            (std::vector<std::uint8_t>{175, 145, 24, 255}));
  EXPECT_EQ(Sample(rows, {10 * 256, 1280}, SampleEdge::kFill), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

}  // namespace
}  // namespace corvel
