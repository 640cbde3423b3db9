// The fold kernels on a program of kinds no group has, which runs on the kernels for any kinds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "core/CpuFeatures.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/FoldRow.h"

namespace corvel {
namespace {

TEST(FoldKernels, AKernelForAnyKindsTakesAStepOnlyWhereItsSideHoldsTheCellPosition) {
  // One step where -u + 0.5 < 0 (u > 0.5), carrying u by 10: x is 256 u, 2560 on where taken.
  for (const float bias : {0.0f, 0.25f}) {
    detail::FoldKernelArgs args;
    args.bias = bias;
    args.stepCount = 1;
    args.steps[0] = {-1, 0, 0.5f, 0, 1, 0, 10, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    args.sxu = 256;
    args.syv = 256;
    std::vector<detail::FoldPositionsKernel> kernels{detail::FoldKernelSse2(args)};
    if (GetCpuFeatures().avx2) kernels.push_back(detail::FoldKernelAvx2(args));
    const std::uint32_t starts[2] = {0, 0x40000000u}, du = 1u << 26;
    for (const detail::FoldPositionsKernel kernel : kernels) {
      std::vector<std::int32_t> positions(2 * detail::kFoldSpan);
      kernel(args, starts, du, 0, detail::kFoldSpan, positions.data(), nullptr, nullptr);
      for (int k = 0; k < detail::kFoldSpan; ++k) {
        const double u = k / 64.0 - bias;
        if (std::abs(u - 0.5) < 1e-3) continue;
        const double x = 256 * (u > 0.5 ? u + 10 : u);
        EXPECT_NEAR(positions[2 * std::size_t(k)], x, 1) << "bias " << bias << " at " << k;
        EXPECT_NEAR(positions[2 * std::size_t(k) + 1], 256 * (0.25 - bias), 1);
      }
    }
  }
}

}  // namespace
}  // namespace corvel
