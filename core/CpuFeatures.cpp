#include "core/CpuFeatures.h"

#include <atomic>

namespace corvel {
namespace {

const CpuFeatures& Probed() {
  static const CpuFeatures features = ProbeCpuFeatures();
  return features;
}

// Readers on other threads see either record whole: the override swaps a pointer.
std::atomic<const CpuFeatures*>& Active() {
  static std::atomic<const CpuFeatures*> active{&Probed()};
  return active;
}

// Probed before main, so that no kernel choice races the first probe.
[[maybe_unused]] const bool kProbedAtLoad = (Active(), true);

}  // namespace

CpuFeatures ProbeCpuFeatures() {
  CpuFeatures features;
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  features.mmx = __builtin_cpu_supports("mmx");
  features.sse = __builtin_cpu_supports("sse");
  features.sse2 = __builtin_cpu_supports("sse2");
  features.sse41 = __builtin_cpu_supports("sse4.1");
  features.avx2 = __builtin_cpu_supports("avx2");
  features.avx512 = features.avx2 && __builtin_cpu_supports("avx512f") &&
                    __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw") &&
                    __builtin_cpu_supports("avx512vl");
#endif
  return features;
}

const CpuFeatures& GetCpuFeatures() { return *Active().load(std::memory_order_acquire); }

CpuFeaturesOverride::CpuFeaturesOverride(CpuFeatures forced)
    : forced_(forced), saved_(Active().exchange(&forced_, std::memory_order_acq_rel)) {}

CpuFeaturesOverride::~CpuFeaturesOverride() { Active().store(saved_, std::memory_order_release); }

}  // namespace corvel
