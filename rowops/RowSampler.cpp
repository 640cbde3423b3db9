#include "rowops/RowSampler.h"

#include <cstring>

#include "core/CpuFeatures.h"
#include "rowops/detail/ResampleKernels.h"
#include "rowops/detail/RowSamplerKernels.h"

namespace corvel {
namespace detail {

void SampleGatheredBgra(const BgraRows& rows, std::uint8_t* out, int x0, int y0, std::uint32_t fx,
                        std::uint32_t fy, SampleEdge edge) {
  std::uint8_t taps[16];
  for (int k = 0; k < 2; ++k) {
    int y = y0 + k;
    const bool rowInside = y >= 0 && y < rows.height;
    if (!rowInside && edge == SampleEdge::kClamp) y = y < 0 ? 0 : rows.height - 1;
    for (int l = 0; l < 2; ++l) {
      int x = x0 + l;
      const bool inside = x >= 0 && x < rows.width;
      if (!inside && edge == SampleEdge::kClamp) x = x < 0 ? 0 : rows.width - 1;
      std::uint8_t* tap = taps + 8 * k + 4 * l;
      if (edge == SampleEdge::kFill && !(inside && rowInside))
        std::memset(tap, 0, 4);
      else
        std::memcpy(tap, rows.rows[y] + 4 * std::size_t(x), 4);
    }
  }
  BilinearAlpha8<3>::Run(out, taps, 8, fx, fy);
}

void SampleBilinearBgraPlain(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions,
                             int count, SampleEdge edge) {
  const unsigned lastX = unsigned(rows.width - 1), lastY = unsigned(rows.height - 1);
  for (int i = 0; i < count; ++i, out += 4, positions += 2) {
    const std::int32_t x = positions[0], y = positions[1];
    const std::uint32_t fx = std::uint32_t(x) & 0xFF, fy = std::uint32_t(y) & 0xFF;
    const int x0 = x >> 8, y0 = y >> 8;
    if (edge == SampleEdge::kFill && FillsBlank(rows, x, y)) {
      std::memset(out, 0, 4);
      continue;
    }
    const std::intptr_t stride = unsigned(y0) < lastY ? rows.strideBelow[y0] : 0;
    if (unsigned(x0) < lastX && stride != 0)
      BilinearAlpha8<3>::Run(out, rows.rows[y0] + 4 * std::size_t(x0), stride, fx, fy);
    else
      SampleGatheredBgra(rows, out, x0, y0, fx, fy, edge);
  }
}

}  // namespace detail

BgraSampler ChooseBgraSampler(const CpuFeatures& features) {
  if (features.avx2 && features.avx512) return detail::SampleBilinearBgraAvx512;
  if (features.avx2) return detail::SampleBilinearBgraAvx2;
  return features.sse2 ? detail::SampleBilinearBgraSse2 : detail::SampleBilinearBgraPlain;
}

void SampleBilinearBgra(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions, int count,
                        SampleEdge edge) {
  ChooseBgraSampler(GetCpuFeatures())(rows, out, positions, count, edge);
}

}  // namespace corvel
