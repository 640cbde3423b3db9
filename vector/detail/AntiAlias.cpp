#include "vector/detail/AntiAlias.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <mutex>
#include <new>

#include "rowops/Primitives.h"

namespace corvel {
namespace {

struct Band {
  int first = INT_MAX;  // smallest start and largest end of the band's intervals
  int last = INT_MIN;
  bool more = true;  // false once the iterator has run out
  bool Empty() const { return last <= first; }
};

// Reads up to n rows, handing each interval (clamped to the width) to visit(subRow, start, end).
template <class Visit>
Band ReadBand(SpanIterator& iterator, int n, int width, Visit&& visit) {
  Band band;
  for (int s = 0; s < n; ++s) {
    const CoverageSpan* spans;
    int count;
    if (!iterator.NextRow(&spans, &count)) {
      band.more = false;
      break;
    }
    for (int i = 0; i < count; ++i) {
      const int start = std::max(spans[i].start, 0), end = std::min(spans[i].end, width);
      if (end <= start) continue;
      visit(s, start, end);
      band.first = std::min(band.first, start);
      band.last = std::max(band.last, end);
    }
  }
  return band;
}

const std::uint16_t kCone[5][5] = {{3912, 2934, 1956, 978, 0},
                                   {2934, 2529, 1725, 819, 0},
                                   {1956, 1725, 1145, 385, 0},
                                   {978, 819, 385, 0, 0},
                                   {0, 0, 0, 0, 0}};

std::mutex gKernelLock;
std::shared_ptr<const std::vector<std::uint16_t>> gKernel;
int gKernelKind = -1;
int gKernelSize = -1;
int gKernelBuilds = 0;

std::shared_ptr<const std::vector<std::uint16_t>> BuildKernel(int kind, int n) {
  std::vector<double> weights(static_cast<std::size_t>(n * n));
  double sum = 0;
  const double sigma = n * 0.33;
  for (int row = 0; row < n; ++row) {
    for (int column = 0; column < n; ++column) {
      const double dx = column - (n - 1) * 0.5, dy = row - (n - 1) * 0.5;
      double w = 1.0 / (n * n);
      if (kind == keQualityConeKernel) w = std::max(0.0, 1 - std::sqrt(dx * dx + dy * dy) / n);
      if (kind == keQualityGaussKernel)
        w = std::exp(-0.5 * ((dx / sigma) * (dx / sigma) + (dy / sigma) * (dy / sigma)));
      weights[static_cast<std::size_t>(row * n + column)] = w;
      sum += w;
    }
  }
  auto kernel = std::make_shared<std::vector<std::uint16_t>>(weights.size());
  std::uint32_t total = 0;
  for (std::size_t i = 0; i < weights.size(); ++i) {
    const double w = kind == keQualityConeKernel || kind == keQualityGaussKernel ? weights[i] / sum
                                                                                 : weights[i];
    (*kernel)[i] = static_cast<std::uint16_t>(65535 * w);
    total += (*kernel)[i];
  }
  (*kernel)[weights.size() / 2] = static_cast<std::uint16_t>((*kernel)[weights.size() / 2] + (65535 - total));
  return kernel;
}

}  // namespace

const std::uint16_t (&ConeTable())[5][5] { return kCone; }

std::shared_ptr<const std::vector<std::uint16_t>> GetFilterKernel(int kind, int n) {
  if (n < 1 || n > 16) return nullptr;
  std::lock_guard<std::mutex> hold(gKernelLock);
  if (gKernel == nullptr || gKernelKind != kind || gKernelSize != n) {
    gKernel = BuildKernel(kind, n);
    gKernelKind = kind;
    gKernelSize = n;
    ++gKernelBuilds;
  }
  return gKernel;
}

int FilterKernelBuildCount() {
  std::lock_guard<std::mutex> hold(gKernelLock);
  return gKernelBuilds;
}

void DrawRegionAliased(SpanIterator& iterator, SpanFiller& sink) {
  if (iterator.Factor() != 1) return;
  const RECT r = iterator.SubSampleRect();
  const CoverageSpan* spans;
  int count;
  for (int y = r.top; iterator.NextRow(&spans, &count); ++y) {
    for (int i = 0; i < count; ++i) {
      if (spans[i].end > spans[i].start)
        sink.FillSpan(r.left + spans[i].start, y, 255, spans[i].end - spans[i].start);
    }
  }
}

void DrawRegionBox(SpanIterator& iterator, SpanFiller& sink) {
  const int n = iterator.Factor();
  const RECT r = iterator.SubSampleRect();
  const int width = r.right - r.left, pixels = (width + n - 1) / n;
  const std::uint32_t k = 65280 / (n * n), rest = 65280 - k * n * n;
  std::vector<std::int32_t> steps(static_cast<std::size_t>(pixels) * n + 1, 0);  // +1 at starts, -1 at ends
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(pixels));
  for (int bandTop = 0;; bandTop += n) {
    const Band band = ReadBand(iterator, n, width, [&](int, int start, int end) {
      ++steps[static_cast<std::size_t>(start)];
      --steps[static_cast<std::size_t>(end)];
    });
    if (!band.Empty()) {
      const int p0 = band.first / n, p1 = (band.last + n - 1) / n;
      std::int32_t depth = 0;
      for (int p = p0; p < p1; ++p) {
        std::uint32_t sum = 0;
        for (int c = p * n; c < p * n + n; ++c) {
          depth += steps[static_cast<std::size_t>(c)];
          steps[static_cast<std::size_t>(c)] = 0;
          sum += static_cast<std::uint32_t>(depth);
        }
        bytes[static_cast<std::size_t>(p - p0)] = static_cast<std::uint8_t>((sum * k + rest) >> 8);
      }
      steps[static_cast<std::size_t>(p1) * n] = 0;
      sink.FillSpanCoverage(r.left / n + p0, (r.top + bandTop) / n, bytes.data(), p1 - p0);
    }
    if (!band.more) break;
  }
}

void DrawRegionConeTable(SpanIterator& iterator, SpanFiller& sink) {
  if (iterator.Factor() != 4) return;
  const RECT r = iterator.SubSampleRect();
  const int width = r.right - r.left, pixels = (width + 3) / 4 + 1;
  std::vector<std::uint16_t> current(static_cast<std::size_t>(pixels) + 1, 0), next(current.size(), 0);
  std::vector<std::uint8_t> bytes(current.size());
  int previousFirst = INT_MAX, previousLast = INT_MIN;
  auto emit = [&](int first, int last, int y) {
    for (int p = first; p <= last; ++p)
      bytes[static_cast<std::size_t>(p - first)] = current[static_cast<std::size_t>(p)] >> 8;
    sink.FillSpanCoverage(r.left / 4 + first, y, bytes.data(), last - first + 1);
  };
  int bandTop = 0;
  for (;; bandTop += 4) {
    const Band band = ReadBand(iterator, 4, width, [&](int s, int start, int end) {
      const int k = (bandTop + s) & 3;
      for (int x = start; x < end; ++x) {
        const std::size_t p = static_cast<std::size_t>(x / 4);
        const int kx = x & 3;
        current[p] = static_cast<std::uint16_t>(current[p] + kCone[k][kx]);
        current[p + 1] = static_cast<std::uint16_t>(current[p + 1] + kCone[k][4 - kx]);
        next[p] = static_cast<std::uint16_t>(next[p] + kCone[4 - k][kx]);
        next[p + 1] = static_cast<std::uint16_t>(next[p + 1] + kCone[4 - k][4 - kx]);
      }
    });
    const int first = band.Empty() ? INT_MAX : band.first / 4,
              last = band.Empty() ? INT_MIN : band.last / 4 + 1;
    const int from = std::min(first, previousFirst), to = std::max(last, previousLast);
    if (from <= to) emit(from, std::min(to, pixels), (r.top + bandTop) / 4);
    std::fill(current.begin(), current.end(), 0);
    current.swap(next);
    previousFirst = first;
    previousLast = last;
    if (!band.more) break;
  }
  // The weights the last band gave to the row below it.
  if (previousFirst <= previousLast)
    emit(previousFirst, std::min(previousLast, pixels), (r.top + bandTop) / 4 + 1);
}

void DrawRegionKernel(SpanIterator& iterator, SpanFiller& sink, int kind) {
  const int n = iterator.Factor();
  const auto kernel = GetFilterKernel(kind, n);
  if (!kernel) return;
  const RECT r = iterator.SubSampleRect();
  const int width = r.right - r.left, pixels = (width + n - 1) / n, columns = pixels * n;
  const FillPrimitiveTable& primitives = GetFillPrimitiveTable();
  std::vector<std::uint16_t> laid(static_cast<std::size_t>(n) * columns), rows(laid.size(), 0);
  for (int i = 0; i < n; ++i) {
    for (int c = 0; c < columns; ++c)
      laid[static_cast<std::size_t>(i * columns + c)] = (*kernel)[static_cast<std::size_t>(i * n + c % n)];
  }
  for (int bandTop = 0;; bandTop += n) {
    const Band band = ReadBand(iterator, n, width, [&](int s, int start, int end) {
      std::fill(rows.begin() + s * columns + start, rows.begin() + s * columns + end, 0xFFFF);
    });
    if (!band.Empty()) {
      const int p0 = band.first / n, p1 = (band.last + n - 1) / n, c0 = p0 * n, span = (p1 - p0) * n;
      for (int i = 0; i < n; ++i)
        primitives.bitAnd(&rows[static_cast<std::size_t>(i * columns + c0)],
                          &laid[static_cast<std::size_t>(i * columns + c0)], span);
      for (int i = 1; i < n; ++i)
        primitives.add(&rows[static_cast<std::size_t>(c0)], &rows[static_cast<std::size_t>(i * columns + c0)],
                       span);
      const int y = (r.top + bandTop) / n;
      int runStart = p0, runCoverage = -1;
      for (int p = p0; p <= p1; ++p) {
        int coverage = -2;
        if (p < p1) {
          std::uint32_t sum = 0;
          for (int c = p * n; c < p * n + n; ++c) sum += rows[static_cast<std::size_t>(c)];
          coverage = static_cast<int>(std::min<std::uint32_t>(sum >> 8, 255));
        }
        if (coverage != runCoverage) {
          if (runCoverage > 0)
            sink.FillSpan(r.left / n + runStart, y, static_cast<std::uint8_t>(runCoverage), p - runStart);
          runStart = p;
          runCoverage = coverage;
        }
      }
      for (int i = 0; i < n; ++i)
        std::fill(rows.begin() + i * columns + c0, rows.begin() + i * columns + c0 + span, 0);
    }
    if (!band.more) break;
  }
}

bool DrawCoverage(ScanlineCoverage& coverage, SpanFiller& sink, int quality) {
  std::unique_ptr<SpanIterator> iterator = coverage.CreateSpanIterator();
  if (coverage.GetFactor() == 1) {
    DrawRegionAliased(*iterator, sink);
  } else if (quality == keQualityConeTable) {
    DrawRegionConeTable(*iterator, sink);
  } else if (quality == keQualityConeKernel || quality == keQualityGaussKernel) {
    DrawRegionKernel(*iterator, sink, quality);
  } else {
    DrawRegionBox(*iterator, sink);
  }
  return true;
}

bool SpanRegion::SetBounds(const RECT& rect) {
  left_ = rect.left;
  top_ = rect.top;
  width_ = std::max(0, static_cast<int>(rect.right - rect.left));
  try {
    rows_.assign(static_cast<std::size_t>(std::max(0, static_cast<int>(rect.bottom - rect.top))), {});
  } catch (const std::bad_alloc&) {
    rows_.clear();
    return false;
  }
  return true;
}

bool SpanRegion::Draw(SpanFiller& sink, int) {
  for (std::size_t row = 0; row < rows_.size(); ++row) {
    int drawn = 0;
    for (const Span& span : rows_[row]) {
      if (span.length == 0 || drawn++ >= width_) break;
      sink.FillSpan(left_ + span.x, top_ + static_cast<int>(row), span.coverage, span.length);
    }
  }
  return true;
}

bool SpanRegion::Intersects(const RECT& rect) const {
  const RECT b = GetBounds();
  const int left = std::max(rect.left, b.left) - left_, right = std::min(rect.right, b.right) - left_;
  const int top = std::max(rect.top, b.top) - top_, bottom = std::min(rect.bottom, b.bottom) - top_;
  if (right <= left || bottom <= top) return false;
  for (int row = top; row < bottom; ++row) {
    for (const Span& span : rows_[static_cast<std::size_t>(row)]) {
      if (span.x < right && span.x + span.length > left) return true;
    }
  }
  return false;
}

bool SpanRegionCollector::Begin(const RECT& bounds) {
  SafeRelease(region_);
  region_ = new (std::nothrow) SpanRegion();
  pending_.clear();
  row_ = -1;
  if (region_ == nullptr) return false;
  capacity_ = 2 * static_cast<std::size_t>(std::max(0, static_cast<int>(bounds.right - bounds.left)));
  try {
    pending_.reserve(capacity_);
  } catch (const std::bad_alloc&) {
    capacity_ = 0;
  }
  if (capacity_ == 0 || !region_->SetBounds(bounds)) {
    region_->Release();
    region_ = nullptr;
    return false;
  }
  return true;
}

void SpanRegionCollector::FillSpan(int x, int y, std::uint8_t coverage, int count) {
  if (region_ == nullptr) return;
  const RECT bounds = region_->GetBounds();
  if (y < bounds.top || y >= bounds.bottom) return;
  if (y - bounds.top != row_ && !pending_.empty()) FlushRow();
  if (region_ == nullptr) return;
  row_ = y - bounds.top;
  if (count < 1) return;
  const int start = x - bounds.left;
  if (!pending_.empty()) {
    SpanRegion::Span& last = pending_.back();
    if (last.coverage == coverage && start < last.x + last.length && last.x < start + count) {
      const int end = std::max(last.x + last.length, start + count);
      last.x = std::min(last.x, start);
      last.length = end - last.x;
      return;
    }
  }
  if (pending_.size() < capacity_) pending_.push_back({start, count, coverage});
}

void SpanRegionCollector::FlushRow() {
  try {
    std::vector<SpanRegion::Span> list(pending_);
    list.push_back({0, 0, 0});
    region_->SetRow(row_, std::move(list));
  } catch (const std::bad_alloc&) {
    region_->Release();
    region_ = nullptr;
  }
  pending_.clear();
}

SpanRegion* SpanRegionCollector::Finish() {
  if (region_ != nullptr && !pending_.empty()) FlushRow();
  pending_ = {};
  SpanRegion* region = region_;
  region_ = nullptr;
  return region;
}

SpanRegion* RegionToSpanRegion(ScanlineCoverage& coverage, int quality) {
  SpanRegionCollector collector;
  if (!collector.Begin(coverage.GetBounds())) return nullptr;
  DrawCoverage(coverage, collector, quality);
  return collector.Finish();
}

RegionBase* CoverageRegion::ToSpanRegion(int quality) {
  return coverage_ != nullptr ? RegionToSpanRegion(*coverage_, quality) : nullptr;
}

}  // namespace corvel
