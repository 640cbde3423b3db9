// Rectangle copy kernels and the processor features that choose among them. Each kernel copies
// rows bytes-per-row wide from one surface to another, row by row, and answers the bytes copied.
#pragma once
#include <cstddef>
#include <cstdint>

namespace corvel {

struct CpuFeatures {
  bool mmx = false;
  bool sse = false;
};

// What the processor offers, from cpuid.
CpuFeatures ProbeCpuFeatures();
// The process-wide record, probed once at load; the pixel copy reads it.
const CpuFeatures& GetCpuFeatures();

// Forces the features the pixel copy sees for one scope, so that each kernel can be tested on
// any machine. Not for use while other threads copy.
class CpuFeaturesOverride {
 public:
  explicit CpuFeaturesOverride(CpuFeatures forced);
  ~CpuFeaturesOverride();
  CpuFeaturesOverride(const CpuFeaturesOverride&) = delete;
  CpuFeaturesOverride& operator=(const CpuFeaturesOverride&) = delete;

 private:
  CpuFeatures saved_;
};

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
