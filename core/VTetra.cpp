#include "core/VTetra.h"

#include <algorithm>
#include <cstring>

namespace corvel {

template <typename T>
VTetraGridT<T>::VTetraGridT(const int (&counts)[kVTetraMaxChannels]) {
  constexpr std::uint32_t kMax = VTetraTraits<T>::kMax;
  bool single = false;
  for (int axis = 0; axis < kVTetraMaxChannels; ++axis) {
    const int n = single ? 1 : counts[axis];
    if (n > 256 || n < (axis == 0 ? 2 : 1)) throw VTetraErrors::BadSampleCount();
    single = single || n == 1;
    counts_[axis] = n;
    positions_[axis].resize(static_cast<std::size_t>(n), 0);
    for (int i = 0; n > 1 && i < n; ++i)
      positions_[axis][i] = static_cast<T>(
          (static_cast<std::uint32_t>(i) * kMax + static_cast<std::uint32_t>(n - 1) / 2) /
          static_cast<std::uint32_t>(n - 1));
  }
}

template <typename T>
void VTetraGridT<T>::Check(int axis, int index) const {
  if (axis < 0 || axis >= kVTetraMaxChannels) throw VTetraErrors::BadChannelCount();
  if (index < 0 || index >= counts_[axis]) throw VTetraErrors::BadSampleCount();
}

template <typename T>
int VTetraGridT<T>::GetSampleCount(int axis) const {
  Check(axis, 0);
  return counts_[axis];
}

template <typename T>
T VTetraGridT<T>::GetPosition(int axis, int index) const {
  Check(axis, index);
  return positions_[axis][index];
}

template <typename T>
void VTetraGridT<T>::SetPosition(int axis, int index, T value) {
  Check(axis, index);
  positions_[axis][index] = value;
}

template <typename T>
VTetraT<T>::VTetraT(int inputs, int outputs, const VTetraGridT<T>& grid, VTetraFunctionT<T>* function)
    : inputs_(inputs), outputs_(outputs), function_(function) {
  if (inputs < 1 || inputs > kVTetraMaxChannels || outputs < 1 || outputs > kVTetraMaxChannels)
    throw BadChannelCount();
  if (inputs > 1) {
    for (int axis = 0; axis < inputs; ++axis) BuildAxisTable(axis, grid);
    std::uint32_t stride = static_cast<std::uint32_t>(outputs);
    for (int axis = 0; axis < kVTetraMaxChannels; ++axis) {
      strides_[axis] = stride;
      stride *= static_cast<std::uint32_t>(samples_[axis]);
    }
    for (int subset = 1; subset < 32; ++subset) {
      std::uint32_t offset = 0;
      for (int axis = 0; axis < kVTetraMaxChannels; ++axis)
        if (subset & (1 << axis)) offset += strides_[axis];
      cornerOffsets_[subset - 1] = offset;
    }
  }
  FillTable(grid);
}

template <typename T>
void VTetraT<T>::SetName(const char* name) {
  std::strncpy(name_, name ? name : "", sizeof name_ - 1);
  name_[sizeof name_ - 1] = '\0';
}

template <typename T>
void VTetraT<T>::BuildAxisTable(int axis, const VTetraGridT<T>& grid) {
  constexpr std::uint32_t kMax = VTetraTraits<T>::kMax;
  constexpr int kBits = VTetraTraits<T>::kFractionBits;
  const int n = grid.GetSampleCount(axis);
  if (n < 2 || n > 256) throw BadSampleCount();
  samples_[axis] = n;
  std::vector<std::uint32_t> p(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) p[i] = grid.GetPosition(axis, i);
  index_[axis].resize(kMax + 1);
  fraction_[axis].resize(kMax + 1);
  int k = 0;
  for (std::uint32_t v = 0; v < kMax; ++v) {
    while (k < n - 2 && v >= p[k + 1]) ++k;
    const std::int64_t span = std::int64_t{p[k + 1]} - p[k];
    const std::int64_t into = std::int64_t{v} - p[k];
    std::int64_t fraction = span > 0 ? (into << kBits) / span : 0;
    fraction = std::clamp<std::int64_t>(fraction, 0, std::int64_t{1} << kBits);
    index_[axis][v] = static_cast<std::uint8_t>(k);
    fraction_[axis][v] = static_cast<std::uint16_t>(fraction);
  }
  index_[axis][kMax] = static_cast<std::uint8_t>(n - 2);
  fraction_[axis][kMax] = static_cast<std::uint16_t>(1u << kBits);
}

template <typename T>
void VTetraT<T>::FillTable(const VTetraGridT<T>& grid) {
  if (!function_) throw BadUserFunction();
  constexpr std::uint32_t kMax = VTetraTraits<T>::kMax;
  T in[kVTetraMaxChannels] = {};
  if (inputs_ == 1) {
    table_.resize(static_cast<std::size_t>(kMax + 1) * outputs_);
    for (std::uint32_t v = 0; v <= kMax; ++v) {
      in[0] = static_cast<T>(v);
      function_->Evaluate(in, &table_[static_cast<std::size_t>(v) * outputs_]);
    }
    return;
  }
  std::size_t points = 1;
  for (int axis = 0; axis < kVTetraMaxChannels; ++axis) points *= static_cast<std::size_t>(samples_[axis]);
  table_.resize(points * static_cast<std::size_t>(outputs_));
  int at[kVTetraMaxChannels] = {};
  for (std::size_t point = 0; point < points; ++point) {
    for (int axis = 0; axis < inputs_; ++axis) in[axis] = grid.GetPosition(axis, at[axis]);
    function_->Evaluate(in, &table_[point * static_cast<std::size_t>(outputs_)]);
    for (int axis = 0; axis < kVTetraMaxChannels && ++at[axis] == samples_[axis]; ++axis) at[axis] = 0;
  }
}

template <typename T>
void VTetraT<T>::InterpolateRow(const T* src, T* dst, int count, int srcStep, int dstStep) const {
  constexpr int kBits = VTetraTraits<T>::kFractionBits;
  constexpr std::uint64_t kHalf = std::uint64_t{1} << (kBits - 1);
  const int inStep = srcStep ? srcStep : inputs_;
  const int outStep = dstStep ? dstStep : outputs_;
  for (int i = 0; i < count; ++i, src += inStep, dst += outStep) {
    if (inputs_ == 1) {
      std::copy_n(&table_[static_cast<std::size_t>(src[0]) * outputs_], outputs_, dst);
      continue;
    }
    std::uint32_t base = 0;
    int axes[kVTetraMaxChannels];
    std::uint32_t fractions[kVTetraMaxChannels];
    for (int axis = 0; axis < inputs_; ++axis) {
      base += index_[axis][src[axis]] * strides_[axis];
      axes[axis] = axis;
      fractions[axis] = fraction_[axis][src[axis]];
    }
    // Largest fraction first: the walk from the base corner adds one axis at a time.
    for (int k = 1; k < inputs_; ++k)
      for (int j = k; j > 0 && fractions[axes[j]] > fractions[axes[j - 1]]; --j)
        std::swap(axes[j], axes[j - 1]);
    std::uint32_t weights[kVTetraMaxChannels + 1];
    std::uint32_t corners[kVTetraMaxChannels + 1];
    std::uint32_t previous = 1u << kBits;
    int subset = 0;
    corners[0] = base;
    for (int step = 0; step < inputs_; ++step) {
      const std::uint32_t f = fractions[axes[step]];
      weights[step] = previous - f;
      previous = f;
      subset |= 1 << axes[step];
      corners[step + 1] = base + cornerOffsets_[subset - 1];
    }
    weights[inputs_] = previous;
    for (int c = 0; c < outputs_; ++c) {
      std::uint64_t sum = kHalf;
      for (int k = 0; k <= inputs_; ++k) sum += std::uint64_t{weights[k]} * table_[corners[k] + c];
      dst[c] = static_cast<T>(sum >> kBits);
    }
  }
}

template class VTetraGridT<std::uint8_t>;
template class VTetraGridT<std::uint16_t>;
template class VTetraT<std::uint8_t>;
template class VTetraT<std::uint16_t>;

}  // namespace corvel
