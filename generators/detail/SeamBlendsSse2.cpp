#include "generators/detail/SeamBlendLanes.h"

namespace corvel::detail {

namespace {
struct Sse2 {
  static constexpr int kWidth = 4;
};
}  // namespace

void SeamBlendSse2(const SeamBlendArgs& args, const std::int32_t* positions, int count, std::uint8_t* planned,
                   std::int32_t* partners, float* weights) {
  SeamBlendWith<Sse2>(args, positions, count, planned, partners, weights);
}

}  // namespace corvel::detail
