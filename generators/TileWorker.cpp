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

// A coordinate in 24.8 fixed point, truncated toward zero.
std::int32_t ToFixed(double coordinate) { return SaturatedTrunc(256 * coordinate); }

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
  std::vector<std::int32_t> positions;
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
  plans_.reset(new (std::nothrow) SamplePlan[width_]);
  if (!plans_) return keErrorNoMemory;
  // A row of a very wide cell may not fit; what was set up is released with this object.
  try {
    s.positions.resize(std::size_t(width_) * SamplePlan::kMaxSamples * 2);
    s.samples.resize(std::size_t(width_) * SamplePlan::kMaxSamples * 4);
  } catch (const std::bad_alloc&) {
    return keErrorNoMemory;
  }
  meter_.SetUnitCount(height_);
  return 0;
}

void TileWorkerRows::FinishRow(int y) {
  State& s = *state_;
  const Point2D origin = generator_.origin;
  std::int32_t* position = s.positions.data();
  int count = 0;
  for (int x = 0; x < width_; ++x) {
    const SamplePlan& plan = plans_[x];
    for (int i = 0; i < plan.count; ++i) {
      *position++ = ToFixed(plan.points[i].x + origin.x);
      *position++ = ToFixed(plan.points[i].y + origin.y);
    }
    count += plan.count;
  }
  s.sampler.SampleRow(s.samples.data(), s.positions.data(), count);

  BYTE* out = s.output.LockRowPointer(y, 0, -1);
  const BYTE* sample = s.samples.data();
  for (int x = 0; x < width_; ++x, out += 4) {
    const SamplePlan& plan = plans_[x];
    if (plan.count == 1 && plan.weights[0] == 1) {
      std::memcpy(out, sample, 4);
    } else {
      for (int c = 0; c < 4; ++c) {
        double sum = 0;
        for (int i = 0; i < plan.count; ++i) sum += plan.weights[i] * sample[4 * i + c];
        out[c] = ToByte(sum);
      }
    }
    sample += 4 * plan.count;
  }
  s.output.UnlockRow(y);
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
