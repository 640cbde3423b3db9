// Rectangle copy kernels and their choice by the processor features. Each kernel copies
// rows bytes-per-row wide from one surface to another, row by row, and answers the bytes copied.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/CpuFeatures.h"

namespace corvel {

struct CopyRectArgs {
  std::uint8_t* destination;  // first byte of the first row
  std::intptr_t destinationStride;
  const std::uint8_t* source;
  std::intptr_t sourceStride;
  std::size_t bytesPerRow;
  std::size_t rows;
};

using CopyRectKernel = std::size_t (*)(const CopyRectArgs& args);

std::size_t CopyRectPlain(const CopyRectArgs& args);
std::size_t CopyRectMMX(const CopyRectArgs& args);
// The SSE kernels need rows of at least 16 bytes; the aligned ones need both row starts, both
// strides and the bytes per row on multiples of 16. The stream forms bypass the cache.
std::size_t CopyRectSSEUnaligned(const CopyRectArgs& args);
std::size_t CopyRectSSEUnalignedStream(const CopyRectArgs& args);
std::size_t CopyRectSSEAligned(const CopyRectArgs& args);
std::size_t CopyRectSSEAlignedStream(const CopyRectArgs& args);

// Copies of at least this many bytes (bytes per row x image height) bypass the cache.
constexpr std::size_t kStreamThreshold = 131072;

// The kernel the pixel copy uses for one step, by the features in force.
CopyRectKernel ChooseCopyRectKernel(const CopyRectArgs& args, std::size_t imageBytes);

}  // namespace corvel
