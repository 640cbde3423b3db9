// The one record of what the processor offers; every SIMD kernel choice reads it.
#pragma once

namespace corvel {

struct CpuFeatures {
  bool mmx = false;
  bool sse = false;
  bool sse2 = false;
  bool sse41 = false;
  bool avx2 = false;    // also needs the system to save the wide registers, which the probe checks
  bool avx512 = false;  // AVX-512 F, DQ, BW and VL, the system saving their registers too
};

// What the processor offers, from cpuid.
CpuFeatures ProbeCpuFeatures();
// The process-wide record, probed once at load, or the one a CpuFeaturesOverride forces.
const CpuFeatures& GetCpuFeatures();

// What tests force to run one variant: the probed record for the SIMD kernels, none for the plain.
inline CpuFeatures ProbedOrNone(bool simd) { return simd ? ProbeCpuFeatures() : CpuFeatures{}; }

// Forces the features every kernel choice sees for one scope, so that each kernel can be tested
// on any machine. Install it before starting threads that choose kernels; not for nesting across
// threads.
class CpuFeaturesOverride {
 public:
  explicit CpuFeaturesOverride(CpuFeatures forced);
  ~CpuFeaturesOverride();
  CpuFeaturesOverride(const CpuFeaturesOverride&) = delete;
  CpuFeaturesOverride& operator=(const CpuFeaturesOverride&) = delete;

 private:
  CpuFeatures forced_;
  const CpuFeatures* saved_;
};

}  // namespace corvel
