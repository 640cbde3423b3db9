// The bilinear sample of BGRA rows at 24.8 positions, straight alpha, byte for byte as the
// resampler's kernel gives it; the plain, SSE2 and AVX2 kernels are chosen by a processor record.
#pragma once
#include <cstdint>

#include "core/CpuFeatures.h"

namespace corvel {

// Rows addressed directly: row y starts at rows[y]; strideBelow[y] is the step to row y + 1 where
// both lie in one block, else 0. A window, where there is one, is a copy of the rectangle at
// (windowLeft, windowTop) of windowWidth x windowHeight pixels in one block at a positive pitch:
// footprints inside it are read there, the others through rows. Where windowAhead is not 0, the
// window's reads also ask the cache for the bytes that far on: a caller that samples row after
// row of a map names where the rows some way down will read.
struct BgraRows {
  std::uint8_t* const* rows = nullptr;
  const std::intptr_t* strideBelow = nullptr;
  int width = 0, height = 0;
  const std::uint8_t* window = nullptr;
  std::intptr_t windowPitch = 0;
  int windowLeft = 0, windowTop = 0, windowWidth = 0, windowHeight = 0;
  std::intptr_t windowAhead = 0;
  // Where not 0, the window's reads ask instead for the bytes |aheadRows| rows below each run of
  // eight as a quarter turn of the run's own step along the row takes them, the way x turns to y
  // where positive, the other way where negative, and both ways where aheadBothWays: a fold that
  // turns or mirrors parts of a row takes their rows below in other directions.
  int aheadRows = 0;
  bool aheadBothWays = false;
};

// Taps outside the image repeat its edge (clamp) or are transparent black (fill).
enum class SampleEdge { kClamp, kFill };

// count pixels from count (x, y) positions, by the kernel the process-wide record chooses.
void SampleBilinearBgra(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions, int count,
                        SampleEdge edge);

// The same by the kernel one processor record chooses: chosen once by a caller that samples many
// rows by a record of its own.
using BgraSampler = void (*)(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions,
                             int count, SampleEdge edge);
BgraSampler ChooseBgraSampler(const CpuFeatures& features);

}  // namespace corvel
