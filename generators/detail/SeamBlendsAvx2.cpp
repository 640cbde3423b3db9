// Compiled with AVX2 enabled for this file alone; run only where the processor record allows.
#include "generators/detail/SeamBlendLanes.h"

namespace corvel::detail {

namespace {
struct Avx2 {
  static constexpr int kWidth = 8;
};
}  // namespace

void SeamBlendAvx2(const SeamBlendArgs& args, const std::int32_t* positions, int count, std::uint8_t* planned,
                   std::int32_t* partners, float* weights) {
  SeamBlendWith<Avx2>(args, positions, count, planned, partners, weights);
}

}  // namespace corvel::detail
