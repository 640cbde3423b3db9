#include "generators/TileWorker.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "rowops/ImageSampler.h"

namespace corvel {
namespace detail {

namespace {

// A mixed byte: truncated toward zero and kept in 0..255 when the weights sum past 1. Equal
// bytes under weights that sum to 1 can mix to a rounding error short of themselves; the slack
// keeps them whole (an opaque picture stays opaque) and is far too small to lift a true fraction.
BYTE ToByte(double sum) {
  constexpr double kRoundingSlack = 1e-6;
  sum += kRoundingSlack;
  return sum > 0 ? (sum < 255 ? BYTE(sum) : BYTE(255)) : BYTE(0);
}

}  // namespace

struct TileWorkerRows::State {
  CRowIteratorBands source;  // workImage presented as BGRA
  ImageSampler sampler;
  CRowIteratorBands output;
  std::vector<BYTE> samples;
};

TileWorkerRows::TileWorkerRows(TileGenerator& generator, CProgressMeter* meter)
    : generator_(generator), meter_(meter), state_(new State) {}

TileWorkerRows::~TileWorkerRows() = default;

int TileWorkerRows::Open() {
  State& s = *state_;
  CoreResult result = s.source.ShareFrom(generator_.workImage);
  if (result.GetCode() == keErrorNone) result = s.source.SetViewFormat(keFormatBGRA, keAccessRead);
  if (result.GetCode() != keErrorNone) return result.GetCode();
  if (s.sampler.Init(s.source, keInterpolationBilinear, keEdgeClamp, 0, false) != 4) return keErrorNotCreated;

  const RECT box = generator_.CellBounds();
  const std::int64_t width = std::int64_t{box.right} - box.left + 1;
  const std::int64_t height = std::int64_t{box.bottom} - box.top + 1;
  if (width > std::numeric_limits<std::int32_t>::max() / (8 * SamplePlan::kMaxSamples) ||
      height > std::numeric_limits<std::int32_t>::max())
    return keErrorNoMemory;
  result = s.output.CreateBGRA(int(width), int(height));
  if (result.GetCode() != keErrorNone) return result.GetCode();
  width_ = int(width);
  height_ = int(height);
  origin_ = generator_.origin;
  // A row of a very wide cell may not fit; what was set up is released with this object.
  const std::size_t samples = std::size_t(width_) * SamplePlan::kMaxSamples;
  positions_.reset(new (std::nothrow) std::int32_t[samples * 2]);
  weights_.reset(new (std::nothrow) double[samples]);
  counts_.reset(new (std::nothrow) unsigned char[width_]);
  if (!positions_ || !weights_ || !counts_) return keErrorNoMemory;
  position_ = positions_.get();
  weight_ = weights_.get();
  count_ = counts_.get();
  try {
    s.samples.resize(std::size_t(width_) * SamplePlan::kMaxSamples * 4);
  } catch (const std::bad_alloc&) {
    return keErrorNoMemory;
  }
  meter_.SetUnitCount(height_);
  return 0;
}

void TileWorkerRows::FinishRow(int y) {
  State& s = *state_;
  s.sampler.SampleRow(s.samples.data(), positions_.get(), int(position_ - positions_.get()) / 2);

  BYTE* out = s.output.LockRowPointer(y, 0, -1);
  const BYTE* sample = s.samples.data();
  const double* weight = weights_.get();
  for (int x = 0; x < width_; ++x, out += 4) {
    const int count = counts_[x];
    if (count == 1 && weight[0] == 1) {
      std::memcpy(out, sample, 4);
    } else {
      for (int c = 0; c < 4; ++c) {
        double sum = 0;
        for (int i = 0; i < count; ++i) sum += weight[i] * sample[4 * i + c];
        out[c] = ToByte(sum);
      }
    }
    sample += 4 * count;
    weight += count;
  }
  s.output.UnlockRow(y);
  position_ = positions_.get();
  weight_ = weights_.get();
  count_ = counts_.get();
}

bool TileWorkerRows::StepAndTestStop() { return meter_.StepAndTestAbort(1) != 0; }

int TileWorkerRows::HandOver(int code) {
  State& s = *state_;
  s.sampler.Reset();
  s.source.Destroy();
  if (CRowIteratorBands::IsValid(&generator_.workImage)) generator_.workImage.Destroy();
  generator_.workImage.TakeFrom(s.output);
  generator_.ComputeOrigin();
  return code;
}

}  // namespace detail
}  // namespace corvel
