// The row sampler's kernels: the footprint gathered tap by tap at the image's edge, and the
// plain and SSE2 loops.
#pragma once
#include <cstdint>

#include "rowops/RowSampler.h"

namespace corvel::detail {

// Whether a position's footprint lies wholly outside for the fill edge: then it is transparent.
inline bool FillsBlank(const BgraRows& rows, std::int32_t x, std::int32_t y) {
  return x < -512 || y < -512 || std::int64_t{x} >= std::int64_t{rows.width} * 256 ||
         std::int64_t{y} >= std::int64_t{rows.height} * 256;
}

void SampleGatheredBgra(const BgraRows& rows, std::uint8_t* out, int x0, int y0, std::uint32_t fx,
                        std::uint32_t fy, SampleEdge edge);
void SampleBilinearBgraPlain(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions,
                             int count, SampleEdge edge);
void SampleBilinearBgraAvx2(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions, int count,
                            SampleEdge edge);
// AVX2's, rows that turn through a window taken with AVX-512 gathers.
void SampleBilinearBgraAvx512(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions,
                              int count, SampleEdge edge);
void SampleBilinearBgraSse2(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions, int count,
                            SampleEdge edge);

}  // namespace corvel::detail
