#include <cstring>

#include "rowops/detail/ResamplerSse2.h"
#include "rowops/detail/RowSamplerKernels.h"

namespace corvel::detail {

namespace {

// The footprint's top-left byte, or null where it leaves the image or spans two blocks.
inline const std::uint8_t* Footprint(const BgraRows& rows, std::int32_t x, std::int32_t y,
                                     std::intptr_t& stride) {
  const int x0 = x >> 8, y0 = y >> 8;
  if (unsigned(x0) >= unsigned(rows.width - 1) || unsigned(y0) >= unsigned(rows.height - 1)) return nullptr;
  stride = rows.strideBelow[y0];
  return stride != 0 ? rows.rows[y0] + 4 * std::size_t(x0) : nullptr;
}

}  // namespace

void SampleBilinearBgraSse2(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions, int count,
                            SampleEdge edge) {
#if defined(__SSE2__)
  int i = 0;
  for (; i + 1 < count; i += 2, out += 8, positions += 4) {
    std::intptr_t stride0 = 0, stride1 = 0;
    const std::uint8_t* p0 = Footprint(rows, positions[0], positions[1], stride0);
    const std::uint8_t* p1 = Footprint(rows, positions[2], positions[3], stride1);
    if (p0 && p1 && stride0 == stride1) {
      BilinearAlpha8Simd::RunPair(out, p0, p1, stride0, std::uint32_t(positions[0]) & 0xFF,
                                  std::uint32_t(positions[1]) & 0xFF, std::uint32_t(positions[2]) & 0xFF,
                                  std::uint32_t(positions[3]) & 0xFF);
    } else {
      SampleBilinearBgraPlain(rows, out, positions, 2, edge);
    }
  }
  if (i < count) SampleBilinearBgraPlain(rows, out, positions, 1, edge);
#else
  SampleBilinearBgraPlain(rows, out, positions, count, edge);
#endif
}

}  // namespace corvel::detail
