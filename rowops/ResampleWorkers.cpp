// The resample workers that interpolate or average: four taps, cubic convolution, the area
// reduction and the sampled reduction. Source rows come in the source's format (BGR for an
// indexed source of the cubic worker) and destination rows go out through row caches that
// convert where the formats differ.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "core/RowIteratorBands.h"
#include "rowops/ImageBufferOps.h"
#include "rowops/PixelHelpers.h"
#include "rowops/RowOperation.h"
#include "rowops/TransformOperation.h"
#include "rowops/detail/ResampleWorkersSse2.h"
#include "rowops/detail/RowCache.h"
#include "rowops/detail/TransformFrame.h"

namespace corvel {

namespace {

// The format a worker computes in: one to four 8- or 16-bit channels.
bool WorkingFormat(keFormat format, bool indexedAsBGR, keFormat* working) {
  if (CPixelFormat(format).IsIndexed()) {
    *working = keFormatBGR;
    return indexedAsBGR;
  }
  *working = format;
  return format >= keFormatGrey && format <= keFormatBGRxA_u16;
}

template <typename T>
inline std::uint32_t Get(const BYTE* row, int index) {
  if constexpr (sizeof(T) == 1) {
    return row[index];
  } else {
    return Load16(row + 2 * index);
  }
}

template <typename T>
inline void Put(BYTE* row, int index, std::uint32_t value) {
  if constexpr (sizeof(T) == 1) {
    row[index] = static_cast<BYTE>(value);
  } else {
    Store16(row + 2 * index, value);
  }
}

// A tap: column or row index relative to the source rectangle, and its phase in 1/32.
struct Tap {
  int index;
  int phase;
};

// First and last destination pixel on the first and last source pixel, in 1/32 steps.
std::vector<Tap> Taps(int count, double sourceExtent, double sourceStart, int integralStart) {
  std::vector<Tap> taps(count);
  const double step = count > 1 ? (sourceExtent - 1) / (count - 1) : sourceExtent;
  for (int i = 0; i < count; ++i) {
    const std::int64_t u = static_cast<std::int64_t>((i * step + sourceStart) * 32);
    taps[i] = {static_cast<int>(u / 32) - integralStart, static_cast<int>(u % 32)};
  }
  return taps;
}

// The frame the interpolating and reducing workers share: checks, rectangles, the caches.
struct Frame {
  keFormat working = keFormatNone;
  RECT source{};
  int width = 0, height = 0;              // destination
  int sourceWidth = 0, sourceHeight = 0;  // integral source rectangle
  int channels = 0;
  bool wide = false;

  // 0 to go on, -1 when the sizes are equal and the copy is done, else a code.
  int Open(CRowIteratorBands& dst, CRowIteratorBands& src, const RECT& dstRect, const RectD& srcRect,
           const RECT& integral, bool indexedAsBGR) {
    if (!detail::Finite(srcRect)) return keErrorBadArgument;
    if (!WorkingFormat(src.GetFormat(), indexedAsBGR, &working)) return keErrorBadArgument;
    keFormat unused;
    if (!WorkingFormat(dst.GetFormat(), true, &unused) && dst.GetFormat() != working)
      return keErrorBadArgument;
    if (!detail::Inside(dstRect, dst) || !detail::Inside(integral, src)) return keErrorBadArgument;
    source = integral;
    width = dstRect.right - dstRect.left;
    height = dstRect.bottom - dstRect.top;
    sourceWidth = integral.right - integral.left;
    sourceHeight = integral.bottom - integral.top;
    channels = CPixelFormat(working).GetChannelCount();
    wide = CPixelFormat(working).Is16Bit();
    if (SameRectSize(integral, dstRect))
      return CopyImageRect(dst, dstRect, src, integral) ? -1 : keErrorBadArgument;
    return 0;
  }
};

int Finish(int code) { return code < 0 ? 0 : code; }

// The interpolating workers' opening: the frame over every source pixel the rectangle reaches
// into, and the taps of each destination column and row, not yet clamped. Answers as Open does,
// or keErrorNoMemory.
int OpenWithTaps(Frame& frame, std::vector<Tap>& columns, std::vector<Tap>& rows, CRowIteratorBands& dst,
                 CRowIteratorBands& src, const RECT& dstRect, const RectD& srcRect, bool indexedAsBGR) {
  const RECT integral = RectDToRect(
      RectD{srcRect.left + 1e-8, srcRect.top + 1e-8, srcRect.right, srcRect.bottom});
  const int code = frame.Open(dst, src, dstRect, srcRect, integral, indexedAsBGR);
  if (code != 0) return code;
  try {
    columns = Taps(frame.width, srcRect.Width(), srcRect.left, integral.left);
    rows = Taps(frame.height, srcRect.Height(), srcRect.top, integral.top);
  } catch (const std::bad_alloc&) {
    return keErrorNoMemory;
  }
  return 0;
}

template <typename T>
void FourTapRow(BYTE* out, const BYTE* top, const BYTE* bottom, const std::vector<Tap>& columns, int rowPhase,
                int sourceWidth, int channels) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const FourTapWeights& w = FourTapTable(rowPhase, columns[i].phase);
    const int c0 = columns[i].index, c1 = std::min(c0 + 1, sourceWidth - 1);
    for (int c = 0; c < channels; ++c) {
      const std::uint32_t value = (w[0] * Get<T>(top, c0 * channels + c) +
                                   w[1] * Get<T>(top, c1 * channels + c) +
                                   w[2] * Get<T>(bottom, c0 * channels + c) +
                                   w[3] * Get<T>(bottom, c1 * channels + c) + 128) >>
                                  8;
      Put<T>(out, int(i) * channels + c, value);
    }
  }
}

// Four-tap taps: the last source pixel pair takes phase 31; a one-pixel source reads its only
// pixel (never index -1).
void ClampFourTap(std::vector<Tap>& taps, int extent) {
  for (Tap& t : taps) {
    if (t.index < 0) {
      t = {0, 0};
    } else if (t.index >= extent - 1) {
      t = {std::max(extent - 2, 0), 31};
    }
  }
}

}  // namespace

int ResampleFourTap(CRowIteratorBands& dst, CRowIteratorBands& src, const RECT& dstRect, const RectD& srcRect,
                    CProgressMeter* meter) {
  if (CPixelFormat(src.GetFormat()).IsIndexed()) return keErrorBadArgument;
  Frame frame;
  std::vector<Tap> columns, rows;
  const int code = OpenWithTaps(frame, columns, rows, dst, src, dstRect, srcRect, false);
  if (code != 0) return Finish(code);
  const RECT& integral = frame.source;
  ClampFourTap(columns, frame.sourceWidth);
  ClampFourTap(rows, frame.sourceHeight);
  detail::RowCache in(frame.working), out(frame.working);
  if (!in.Allocate(src, 2, false) || !out.Allocate(dst, 1, true)) return keErrorNoMemory;
  detail::RowProgress progress(meter, frame.height);
  for (int j = 0; j < frame.height; ++j) {
    if (progress.Stop(j)) return keErrorStopped;
    const int r0 = integral.top + rows[j].index;
    const int r1 = std::min(r0 + 1, int(integral.bottom) - 1);
    const BYTE* top = in.GetRow(r0, integral.left, frame.sourceWidth);
    const BYTE* bottom = r1 == r0 ? top : in.GetRow(r1, integral.left, frame.sourceWidth);
    BYTE* target = out.GetRow(dstRect.top + j, dstRect.left, frame.width);
    if (!top || !bottom || !target) return keErrorNoMemory;
    if (frame.wide) {
      FourTapRow<std::uint16_t>(target, top, bottom, columns, rows[j].phase, frame.sourceWidth,
                                frame.channels);
    } else {
      FourTapRow<std::uint8_t>(target, top, bottom, columns, rows[j].phase, frame.sourceWidth,
                               frame.channels);
    }
    in.Release(r0);
    if (r1 != r0) in.Release(r1);
    out.Release(dstRect.top + j);
  }
  return 0;
}

namespace {

// The four source rows of a cubic footprint at base row r of a source h rows high.
void CubicRows(int r, int h, int rows[4]) {
  if (r < 1) {
    rows[0] = rows[1] = 0;
    rows[2] = std::min(1, h - 1);
    rows[3] = std::min(2, h - 1);
  } else if (r == h - 2) {
    rows[0] = h - 3, rows[1] = h - 2, rows[2] = rows[3] = h - 1;
  } else if (r > h - 2) {
    rows[0] = rows[1] = rows[2] = rows[3] = h - 1;
  } else {
    rows[0] = r - 1, rows[1] = r, rows[2] = r + 1, rows[3] = r + 2;
  }
}

// A destination column's four source columns (clamped to the source), as sample offsets, and
// its phase.
struct CubicColumn {
  int offsets[4];
  int phase;
};

template <typename T, int Channels>
void CubicRow(BYTE* out, const BYTE* const lines[4], const CubicColumn* columns, std::size_t count,
              int rowPhase) {
  for (std::size_t i = 0; i < count; ++i, out += Channels * sizeof(T)) {
    const CubicColumn& column = columns[i];
    const std::int16_t* w = CubicConvolutionTable(rowPhase, column.phase).data();
    for (int c = 0; c < Channels; ++c) {
      std::int32_t sum = 0;
      for (int k = 0; k < 4; ++k) {
        const BYTE* line = lines[k];
        for (int l = 0; l < 4; ++l) {
          std::int32_t sample = static_cast<std::int32_t>(Get<T>(line, column.offsets[l] + c));
          if constexpr (sizeof(T) == 2) sample >>= 2;  // 14 bits, so sixteen products fit
          sum += w[k * 4 + l] * sample;
        }
      }
      const std::int32_t value = (sum + 8192) / 16384;
      if constexpr (sizeof(T) == 1) {
        out[c] = static_cast<BYTE>(std::clamp(value, 0, 255));
      } else {
        Put<T>(out, c, value < 0 ? 0 : value > 16383 ? 65535 : static_cast<std::uint32_t>(value) * 4);
      }
    }
  }
}

#if defined(__SSE2__)
// Four 8-bit channels with the footprint's columns side by side in the row (every column but
// the first and last) go through the SSE2 pixel; the same sums as CubicRow.
void CubicRow4Simd(BYTE* out, const BYTE* const lines[4], const CubicColumn* columns, std::size_t count,
                   int rowPhase) {
  for (std::size_t i = 0; i < count; ++i, out += 4) {
    const CubicColumn& column = columns[i];
    if (column.offsets[3] - column.offsets[0] == 12) {
      detail::CubicPixel4Sse2(out, lines, column.offsets[0],
                              CubicConvolutionTable(rowPhase, column.phase).data());
    } else {
      CubicRow<std::uint8_t, 4>(out, lines, &column, 1, rowPhase);
    }
  }
}
#endif

template <typename T>
void CubicRowOf(int channels, bool simd, BYTE* out, const BYTE* const lines[4],
                const std::vector<CubicColumn>& columns, int rowPhase) {
  const CubicColumn* first = columns.data();
  const std::size_t count = columns.size();
  switch (channels) {
    case 1:
      CubicRow<T, 1>(out, lines, first, count, rowPhase);
      break;
    case 2:
      CubicRow<T, 2>(out, lines, first, count, rowPhase);
      break;
    case 3:
      CubicRow<T, 3>(out, lines, first, count, rowPhase);
      break;
    default:
#if defined(__SSE2__)
      if constexpr (sizeof(T) == 1) {
        if (simd) {
          CubicRow4Simd(out, lines, first, count, rowPhase);
          break;
        }
      }
#endif
      CubicRow<T, 4>(out, lines, first, count, rowPhase);
      break;
  }
}

}  // namespace

int ResampleCubicConvolution(CRowIteratorBands& dst, CRowIteratorBands& src, const RECT& dstRect,
                             const RectD& srcRect, CProgressMeter* meter) {
  Frame frame;
  std::vector<Tap> columns, rows;
  const int code = OpenWithTaps(frame, columns, rows, dst, src, dstRect, srcRect, true);
  if (code != 0) return Finish(code);
  const RECT& integral = frame.source;
  for (auto* taps : {&columns, &rows}) {
    const int extent = taps == &columns ? frame.sourceWidth : frame.sourceHeight;
    for (Tap& t : *taps) {
      if (t.index < 0) t = {0, 0};
      if (t.index > extent - 1) t = {extent - 1, 31};
    }
  }
  std::vector<CubicColumn> cubicColumns;
  try {
    cubicColumns.resize(frame.width);
  } catch (const std::bad_alloc&) {
    return keErrorNoMemory;
  }
  for (int i = 0; i < frame.width; ++i) {
    for (int l = 0; l < 4; ++l)
      cubicColumns[i].offsets[l] = std::clamp(columns[i].index - 1 + l, 0, frame.sourceWidth - 1) *
                                   frame.channels;
    cubicColumns[i].phase = columns[i].phase;
  }
  const bool simd = HasMmx();
  detail::RowCache in(frame.working), out(frame.working);
  if (!in.Allocate(src, 4, false) || !out.Allocate(dst, 1, true)) return keErrorNoMemory;
  detail::RowProgress progress(meter, frame.height);
  for (int j = 0; j < frame.height; ++j) {
    if (progress.Stop(j)) return keErrorStopped;
    int rowIndex[4];
    CubicRows(rows[j].index, frame.sourceHeight, rowIndex);
    const BYTE* lines[4] = {};
    bool complete = true;
    for (int k = 0; k < 4; ++k) {
      lines[k] = in.GetRow(integral.top + rowIndex[k], integral.left, frame.sourceWidth);
      complete = complete && lines[k];
    }
    BYTE* target = complete ? out.GetRow(dstRect.top + j, dstRect.left, frame.width) : nullptr;
    if (target) {
      if (frame.wide) {
        CubicRowOf<std::uint16_t>(frame.channels, simd, target, lines, cubicColumns, rows[j].phase);
      } else {
        CubicRowOf<std::uint8_t>(frame.channels, simd, target, lines, cubicColumns, rows[j].phase);
      }
      out.Release(dstRect.top + j);
    }
    for (int k = 0; k < 4; ++k)
      if (lines[k]) in.Release(integral.top + rowIndex[k]);
    if (!target) return keErrorNoMemory;
  }
  return 0;
}

namespace {

// One destination pixel's share of the source on one axis: source indices from first on, and
// their weights in 1/65536 summing to 65536.
struct Coverage {
  int first = 0;
  std::vector<std::uint32_t> weights;
};

std::vector<Coverage> BuildCoverage(int count, double extent, double start, int lowest, int highest) {
  std::vector<Coverage> entries(count);
  const double s = extent / count;
  for (int i = 0; i < count; ++i) {
    const double a = i * s + start, b = a + s;
    int first = std::max(static_cast<int>(std::floor(a)), lowest);
    int last = std::min(static_cast<int>(std::ceil(b)) - 1, highest);
    if (last < first) last = first = std::clamp(first, lowest, highest);
    Coverage& entry = entries[i];
    entry.first = first;
    entry.weights.reserve(static_cast<std::size_t>(std::ceil(s)) + 3);
    double carry = 0;
    std::uint32_t total = 0;
    for (int j = first; j <= last; ++j) {
      const double covered = std::max(0.0, std::min(b, j + 1.0) - std::max(a, double(j)));
      const double exact = covered * 65536 / s + carry;
      std::uint32_t weight = static_cast<std::uint32_t>(exact);
      carry = exact - weight;
      if (carry >= 0.999999) {
        ++weight;
        carry -= 1;
      }
      entry.weights.push_back(weight);
      total += weight;
    }
    // The carried fractions leave at most a unit or two; the last pixel takes them.
    entry.weights.back() += 65536 - total;
  }
  return entries;
}

}  // namespace

int ResampleReduce(CRowIteratorBands& dst, CRowIteratorBands& src, const RECT& dstRect, const RectD& srcRect,
                   CProgressMeter* meter) {
  const RECT integral = RectDToRect(srcRect);
  Frame frame;
  int code = frame.Open(dst, src, dstRect, srcRect, integral, false);
  if (code != 0) return Finish(code);
  std::vector<Coverage> columns, rows;
  std::vector<std::uint32_t> sums;
  try {
    columns = BuildCoverage(frame.width, srcRect.Width(), srcRect.left - integral.left, 0,
                            frame.sourceWidth - 1);
    rows = BuildCoverage(frame.height, srcRect.Height(), srcRect.top, integral.top, integral.bottom - 1);
    sums.resize(std::size_t(frame.sourceWidth) * frame.channels);
  } catch (const std::bad_alloc&) {
    return keErrorNoMemory;
  }
  detail::RowCache in(frame.working), out(frame.working);
  if (!in.Allocate(src, 4, false) || !out.Allocate(dst, 1, true)) return keErrorNoMemory;
  const int samples = frame.sourceWidth * frame.channels;
  detail::RowProgress progress(meter, frame.height);
  for (int j = 0; j < frame.height; ++j) {
    if (progress.Stop(j)) return keErrorStopped;
    std::fill(sums.begin(), sums.end(), 0u);
    const Coverage& vertical = rows[j];
    for (std::size_t k = 0; k < vertical.weights.size(); ++k) {
      const int row = vertical.first + int(k);
      const BYTE* line = in.GetRow(row, integral.left, frame.sourceWidth);
      if (!line) return keErrorNoMemory;
      const std::uint32_t weight = vertical.weights[k];
      if (frame.wide) {
        for (int s = 0; s < samples; ++s) sums[s] += Get<std::uint16_t>(line, s) * weight;
      } else {
        for (int s = 0; s < samples; ++s) sums[s] += line[s] * weight;
      }
      in.Release(row);
    }
    BYTE* target = out.GetRow(dstRect.top + j, dstRect.left, frame.width);
    if (!target) return keErrorNoMemory;
    for (int i = 0; i < frame.width; ++i) {
      const Coverage& horizontal = columns[i];
      for (int c = 0; c < frame.channels; ++c) {
        std::uint64_t value = 0;
        for (std::size_t k = 0; k < horizontal.weights.size(); ++k)
          value += std::uint64_t{sums[(horizontal.first + k) * frame.channels + c] >> 16} *
                   horizontal.weights[k];
        if (frame.wide) {
          Put<std::uint16_t>(target, i * frame.channels + c, static_cast<std::uint32_t>(value >> 16));
        } else {
          target[i * frame.channels + c] = static_cast<BYTE>(value >> 16);
        }
      }
    }
    out.Release(dstRect.top + j);
  }
  return 0;
}

int ResampleReduceSampled(CRowIteratorBands& dst, CRowIteratorBands& src, const RECT& dstRect,
                          const RectD& srcRect, int sampleCount, CProgressMeter* meter) {
  const int width = dstRect.right - dstRect.left, height = dstRect.bottom - dstRect.top;
  if (width <= 0 || height <= 0) return keErrorBadArgument;
  const double fx = srcRect.Width() / width, fy = srcRect.Height() / height;
  if (!(fx >= 2.0 && fy >= 2.0)) return keErrorBadArgument;
  const RECT integral = RectDToRect(srcRect);
  Frame frame;
  int code = frame.Open(dst, src, dstRect, srcRect, integral, false);
  if (code != 0) return Finish(code);
  const int blockWidth = static_cast<int>(fx - 1.0), blockHeight = static_cast<int>(fy - 1.0);
  const int area = blockWidth * blockHeight;
  int n = sampleCount;
  if (n <= 0) {
    n = area / 10 == 0 ? area : std::min({area / 10, 100, area});
  }
  n = std::min(n, area);
  const int step = area / n;
  std::vector<int> columnStarts, offsets;
  try {
    columnStarts.resize(width);
    offsets.resize(n);
  } catch (const std::bad_alloc&) {
    return keErrorNoMemory;
  }
  for (int i = 0; i < width; ++i)
    columnStarts[i] = std::clamp(static_cast<int>(std::ceil(i * fx + srcRect.left - 1e-8)),
                                 int(integral.left), int(integral.right) - blockWidth) -
                      integral.left;
  // Sample k of a block: row s / bw, column s mod bw, s = k step.
  std::vector<int> sampleRows(n), sampleColumns(n);
  for (int k = 0; k < n; ++k) {
    sampleRows[k] = k * step / blockWidth;
    sampleColumns[k] = k * step % blockWidth;
  }
  detail::RowCache in(frame.working), out(frame.working);
  if (!in.Allocate(src, blockHeight, false) || !out.Allocate(dst, 1, true)) return keErrorNoMemory;
  const std::uint64_t reciprocal = (std::uint64_t{1} << 31) / std::uint64_t(n);
  std::vector<const BYTE*> lines(blockHeight);
  detail::RowProgress progress(meter, height);
  for (int j = 0; j < height; ++j) {
    if (progress.Stop(j)) return keErrorStopped;
    const int top = std::clamp(static_cast<int>(std::ceil(j * fy + srcRect.top - 1e-8)), int(integral.top),
                               int(integral.bottom) - blockHeight);
    for (int k = 0; k < blockHeight; ++k) {
      lines[k] = in.GetRow(top + k, integral.left, frame.sourceWidth);
      if (!lines[k]) return keErrorNoMemory;
    }
    BYTE* target = out.GetRow(dstRect.top + j, dstRect.left, width);
    if (!target) return keErrorNoMemory;
    for (int i = 0; i < width; ++i) {
      for (int c = 0; c < frame.channels; ++c) {
        std::uint64_t sum = 0;
        for (int k = 0; k < n; ++k) {
          const int index = (columnStarts[i] + sampleColumns[k]) * frame.channels + c;
          sum += frame.wide ? Get<std::uint16_t>(lines[sampleRows[k]], index) : lines[sampleRows[k]][index];
        }
        const std::uint32_t average = static_cast<std::uint32_t>(
            (sum * reciprocal + (std::uint64_t{1} << 31) - 1) >> 31);
        if (frame.wide) {
          Put<std::uint16_t>(target, i * frame.channels + c, average);
        } else {
          target[i * frame.channels + c] = static_cast<BYTE>(average);
        }
      }
    }
    out.Release(dstRect.top + j);
    for (int k = 0; k < blockHeight; ++k) in.Release(top + k);
  }
  return 0;
}

}  // namespace corvel
