#include "vector/detail/Coverage.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/Rounding.h"
#include "vector/SpanFiller.h"
#include "vector/VectorPath.h"
#include "vector/detail/PathReader.h"

namespace corvel {
namespace {

constexpr double kEpsilon = 1e-8;

// A crossing word holds four 16-bit counters: upward edge steps, downward steps, ends and
// starts of horizontal runs of edge pixels. Words at one place add as whole words.
using Word = std::uint64_t;
constexpr Word kUp = 1;
constexpr Word kDown = Word{1} << 16;
constexpr Word kRunEnd = Word{1} << 32;
constexpr Word kRunStart = Word{1} << 48;

int Lane(Word w, int lane) { return static_cast<int>((w >> (16 * lane)) & 0xFFFF); }
int FillWinding(Word w) { return static_cast<std::int16_t>(Lane(w, 1) - Lane(w, 0)); }
int OutlineWinding(Word w) { return static_cast<std::int16_t>(Lane(w, 3) - Lane(w, 2)); }

Word Direction(int from, int to) { return to == from ? 0 : to < from ? kUp : kDown; }

int RoundStep(double v) { return static_cast<int>(v >= 0 ? v + 0.49999 : v - 0.49999); }

struct Crossing {
  std::int32_t x;
  Word word;
};

constexpr int kInlineCrossings = 10;
constexpr int kSharedRows = 3000;
constexpr std::int64_t kDenseLimit = 0x100000;

struct CrossingRow {
  Crossing inlineList[kInlineCrossings];
  Crossing* heap = nullptr;  // a longer list
  Word* dense = nullptr;     // one word per column
  Word left = 0;
  Word right = 0;
  Word total = 0;
  int count = 0;
  int capacity = kInlineCrossings;
  bool sorted = true;

  Crossing* List() { return heap != nullptr ? heap : inlineList; }
};

// The shared block serves one table at a time; a table that finds it taken allocates its own.
std::atomic<bool> gSharedTaken{false};
CrossingRow* gSharedRows = nullptr;  // touched only by the taker of the flag

}  // namespace

class ScanlineCoverage::Table {
 public:
  Table(int width, int height) : width_(width), height_(height) {}
  ~Table() {
    if (rows_ == nullptr) return;
    for (int i = 0; i <= height_; ++i) {
      std::free(rows_[i].heap);
      std::free(rows_[i].dense);
    }
    if (shared_) {
      gSharedTaken.store(false, std::memory_order_release);
    } else {
      delete[] rows_;
    }
  }

  bool Allocate(bool useSharedRows) {
    denseAllowed_ = std::int64_t{width_} * height_ < kDenseLimit;
    const int count = height_ + 1;
    if (useSharedRows && count < kSharedRows && !gSharedTaken.exchange(true, std::memory_order_acquire)) {
      if (gSharedRows == nullptr) gSharedRows = new (std::nothrow) CrossingRow[kSharedRows];
      if (gSharedRows != nullptr) {
        rows_ = gSharedRows;
        shared_ = true;
        std::fill(rows_, rows_ + count, CrossingRow());
        return true;
      }
      gSharedTaken.store(false, std::memory_order_release);
    }
    rows_ = new (std::nothrow) CrossingRow[static_cast<std::size_t>(count)];
    return rows_ != nullptr;
  }

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Row -1 is the one just above the top.
  CrossingRow& Row(int row) { return rows_[row + 1]; }

  void AddCrossing(int x, int row, Word word) {
    if (word == 0 || row < -1 || row >= height_) return;
    CrossingRow& r = Row(row);
    r.total += word;
    if (x < 0) {
      r.left += word;
      return;
    }
    if (x >= width_) {
      r.right += word;
      return;
    }
    if (r.dense != nullptr) {
      r.dense[x] += word;
      return;
    }
    if (r.count >= kInlineCrossings && !Grow(r)) return;
    if (r.dense != nullptr) {
      r.dense[x] += word;
      return;
    }
    r.List()[r.count++] = {x, word};
    r.sorted = false;
  }

  void AddRun(int x0, int x1, int row, Word word) {
    AddCrossing(x0, row, word + kRunStart);
    AddCrossing(x1, row, kRunEnd);
  }

  // Brings both windings of the row back to zero at x.
  void BalanceRow(int x, int row) {
    if (row < -1 || row >= height_) return;
    const Word total = Row(row).total;
    Word balance = 0;
    const int up = Lane(total, 0), down = Lane(total, 1), ends = Lane(total, 2), starts = Lane(total, 3);
    if (down > up) balance += kUp * static_cast<Word>(down - up);
    if (up > down) balance += kDown * static_cast<Word>(up - down);
    if (starts > ends) balance += kRunEnd * static_cast<Word>(starts - ends);
    if (ends > starts) balance += kRunStart * static_cast<Word>(ends - starts);
    AddCrossing(x, row, balance);
  }

  // The covered intervals of a row by the rule (0 non-zero, 1 even-odd, keRenderOutline);
  // -1 when there are more than capacity.
  int Spans(int row, int rule, CoverageSpan* out, int capacity) {
    CrossingRow& r = Row(row);
    Word windings = r.left;
    int count = 0;
    int open = Covered(windings, rule) ? 0 : -1;
    auto emit = [&](int start, int end) {
      if (count < capacity) out[count] = {start, end};
      ++count;
    };
    auto visit = [&](int x, Word word) {
      windings += word;
      const bool after = Covered(windings, rule);
      if (open < 0 && after) {
        open = x;
      } else if (open >= 0 && !after) {
        emit(open, x);
        open = -1;
      } else if (open < 0 && rule == keRenderOutline) {
        if (OutlineWinding(word) == 0 && (Lane(word, 0) | Lane(word, 1)) != 0) emit(x, x);
      } else if (open < 0 && rule != keFillEvenOdd) {
        if (word != 0 && FillWinding(word) == 0 && OutlineWinding(word) == 0) emit(x, x);
      }
    };
    if (r.dense != nullptr) {
      for (int x = 0; x < width_; ++x) {
        if (r.dense[x] != 0) visit(x, r.dense[x]);
      }
    } else {
      Sort(r);
      const Crossing* list = r.List();
      for (int i = 0; i < r.count; ++i) visit(list[i].x, list[i].word);
    }
    if (open >= 0) emit(open, width_);
    if (rule == keRenderOutline && r.count == 0 && r.dense == nullptr) count = 0;
    return count <= capacity ? count : -1;
  }

 private:
  static bool Covered(Word windings, int rule) {
    if (rule == keRenderOutline) return OutlineWinding(windings) != 0;
    if (rule == keFillEvenOdd) return (FillWinding(windings) & 1) != 0;
    return FillWinding(windings) != 0 || OutlineWinding(windings) != 0;
  }

  bool Grow(CrossingRow& r) {
    if (denseAllowed_) {
      r.dense = static_cast<Word*>(std::calloc(static_cast<std::size_t>(width_), sizeof(Word)));
      if (r.dense == nullptr) return false;
      const Crossing* list = r.List();
      for (int i = 0; i < r.count; ++i) r.dense[list[i].x] += list[i].word;
      std::free(r.heap);
      r.heap = nullptr;
      r.count = 0;
      return true;
    }
    if (r.count < r.capacity) return true;
    // Doubling keeps rows crossed by hundreds of edges from copying their lists over and over.
    const int capacity = 2 * r.capacity;
    Crossing* grown = static_cast<Crossing*>(
        std::realloc(r.heap, static_cast<std::size_t>(capacity) * sizeof(Crossing)));
    if (grown == nullptr) return false;
    if (r.heap == nullptr) std::memcpy(grown, r.inlineList, sizeof(r.inlineList));
    r.heap = grown;
    r.capacity = capacity;
    return true;
  }

  static void Sort(CrossingRow& r) {
    if (r.sorted) return;
    Crossing* list = r.List();
    auto exchange = [list](int a, int b) {
      if (list[b].x < list[a].x) std::swap(list[a], list[b]);
    };
    if (r.count == 2) {
      exchange(0, 1);
    } else if (r.count == 4) {
      exchange(0, 1);
      exchange(2, 3);
      exchange(0, 2);
      exchange(1, 3);
      exchange(1, 2);
    } else {
      std::sort(list, list + r.count, [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
    }
    int merged = 0;
    for (int i = 0; i < r.count; ++i) {
      if (merged > 0 && list[merged - 1].x == list[i].x) {
        list[merged - 1].word += list[i].word;
      } else {
        list[merged++] = list[i];
      }
    }
    r.count = merged;
    r.sorted = true;
  }

  int width_;
  int height_;
  CrossingRow* rows_ = nullptr;
  bool shared_ = false;
  bool denseAllowed_ = false;
};

namespace {

// Walks lines, mapped and scaled to sub-samples, into the crossing table. Edges are clipped to
// a frame just around the table first, so that a huge path costs no more than the table: parts
// beside it keep their rows' windings, parts above or below it count nowhere.
class CoverageSink : public PathSink {
 public:
  explicit CoverageSink(ScanlineCoverage& coverage)
      : table_(coverage.Rows()),
        factor_(coverage.GetFactor()),
        left_(coverage.SubSampleRect().left),
        top_(coverage.SubSampleRect().top) {}

  bool MoveTo(const PathPoint& point, const Matrix3* matrix) override {
    PathSink::MoveTo(point, matrix);
    last_ = ToSubSamples(point, matrix);
    const PathPoint clamped = Clamp(last_);
    x_ = startX_ = static_cast<int>(clamped.x);
    y_ = startY_ = static_cast<int>(clamped.y);
    previousRow_ = y_;
    lastDirection_ = 0;
    return true;
  }

  bool LineTo(const PathPoint& point, const Matrix3* matrix) override {
    current_ = point;
    const PathPoint to = ToSubSamples(point, matrix);
    const PathPoint from = last_;
    last_ = to;
    if (!std::isfinite(to.x) || !std::isfinite(to.y) || !std::isfinite(from.x) || !std::isfinite(from.y)) {
      return true;
    }
    // Split where the edge crosses the frame, so that each piece is inside or beside it.
    double cuts[6] = {0, 1};
    int n = 2;
    const double frame[4] = {-1.0, -2.0, table_.Width() + 1.0, table_.Height() + 1.0};
    for (int axis = 0; axis < 2; ++axis) {
      const double a = axis == 0 ? from.x : from.y, b = axis == 0 ? to.x : to.y;
      for (double edge : {frame[axis], frame[axis + 2]}) {
        if ((a - edge) * (b - edge) < 0) cuts[n++] = (edge - a) / (b - a);
      }
    }
    for (int i = 2; i < n; ++i) {  // a handful of cuts: insertion order
      for (int j = i; j > 0 && cuts[j] < cuts[j - 1]; --j) std::swap(cuts[j], cuts[j - 1]);
    }
    for (int i = 1; i < n; ++i) {
      const double t = cuts[i];
      const PathPoint end = Clamp(
          t >= 1 ? to : PathPoint{from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t});
      EdgeTo(static_cast<int>(end.x), static_cast<int>(end.y));
    }
    return true;
  }

 private:
  PathPoint ToSubSamples(const PathPoint& point, const Matrix3* matrix) const {
    double xy[2] = {point.x, point.y};
    Matrix3MapPoint(matrix, xy);
    return {std::trunc(xy[0] * factor_) - left_, std::trunc(xy[1] * factor_) - top_};
  }

  PathPoint Clamp(const PathPoint& p) const {
    return {std::fmin(std::fmax(p.x, -1.0), table_.Width() + 1.0),
            std::fmin(std::fmax(p.y, -2.0), table_.Height() + 1.0)};
  }

  void EdgeTo(int x1, int y1) {
    const int dx = x1 - x_, dy = y1 - y_;
    const int s = (dy > 0) - (dy < 0);
    Word mark = s != 0 && s != lastDirection_ ? (dy < 0 ? kUp : kDown) : 0;
    if (dy == 0) {
      if (dx != 0) {
        table_.AddRun(std::min(x_, x1), std::max(x_, x1), y_, Direction(previousRow_, y_) | mark);
        previousRow_ = y_;
      }
    } else if (std::abs(dy) < std::abs(dx)) {
      const int step = dx > 0 ? 1 : -1, length = std::abs(dx);
      int runStart = x_, row = y_;
      auto closeRun = [&](int lastColumn) {
        table_.AddRun(std::min(runStart, lastColumn), std::max(runStart, lastColumn), row,
                      Direction(previousRow_, row) | mark);
        previousRow_ = row;
        mark = 0;
      };
      for (int i = 1; i <= length; ++i) {
        const int x = x_ + i * step;
        const int r = y_ + RoundStep(static_cast<double>(i) * dy / length);
        if (r != row) {
          closeRun(x - step);
          runStart = x;
          row = r;
        }
      }
      if (runStart != x1) closeRun(x1);
    } else {
      const int length = std::abs(dy);
      for (int i = 0; i < length; ++i) {
        const int row = y_ + i * s;
        const int x = x_ + RoundStep(static_cast<double>(i) * dx / length);
        table_.AddCrossing(x, row, Direction(previousRow_, row) | mark);
        mark = 0;
        previousRow_ = row;
      }
    }
    x_ = x1;
    y_ = y1;
    if (s != 0) lastDirection_ = s;
    if (x1 == startX_ && y1 == startY_) table_.BalanceRow(startX_, startY_);
  }

  ScanlineCoverage::Table& table_;
  int factor_;
  double left_;
  double top_;
  PathPoint last_;
  int x_ = 0, y_ = 0, startX_ = 0, startY_ = 0;
  int previousRow_ = 0;
  int lastDirection_ = 0;
};

bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT IntersectClip(const RECT& box, const RECT* clip, int widen) {
  if (clip == nullptr) return box;
  return RECT{std::max(box.left, clip->left), std::max(box.top, clip->top),
              std::min(box.right, clip->right + widen), std::min(box.bottom, clip->bottom + widen)};
}

// Pixel edges are ints: larger boxes are cut to a range no image reaches.
int ToEdge(double v) { return static_cast<int>(std::fmin(std::fmax(v, -1073741824.0), 1073741824.0)); }

}  // namespace

ScanlineCoverage::~ScanlineCoverage() = default;

ScanlineCoverage* CreateScanlineCoverage(const RECT& rect, int fillRule, int factor, bool useSharedRows,
                                         int mode) {
  const int n = std::max(factor, 1);
  const std::int64_t width = (std::int64_t{rect.right} - rect.left) * n;
  const std::int64_t height = (std::int64_t{rect.bottom} - rect.top) * n;
  if (width <= 0 || height <= 0 || width > 0x7FFFFFF || height > 0x7FFFFFF) return nullptr;
  ScanlineCoverage* coverage = new (std::nothrow) ScanlineCoverage();
  if (coverage == nullptr) return nullptr;
  coverage->rect_ = RECT{rect.left * n, rect.top * n, rect.right * n, rect.bottom * n};
  coverage->factor_ = n;
  coverage->fillRule_ = fillRule == keFillEvenOdd ? keFillEvenOdd : keFillNonZero;
  coverage->mode_ = mode;
  coverage->table_.reset(new (std::nothrow)
                             ScanlineCoverage::Table(static_cast<int>(width), static_cast<int>(height)));
  if (!coverage->table_ || !coverage->table_->Allocate(useSharedRows)) {
    coverage->Release();
    return nullptr;
  }
  return coverage;
}

RECT ScanlineCoverage::GetBounds() const {
  return RECT{rect_.left / factor_, rect_.top / factor_, rect_.right / factor_, rect_.bottom / factor_};
}

void ScanlineCoverage::Offset(int dx, int dy) {
  rect_ = RECT{rect_.left + dx * factor_, rect_.top + dy * factor_, rect_.right + dx * factor_,
               rect_.bottom + dy * factor_};
}

std::unique_ptr<PathSink> ScanlineCoverage::CreateSink() { return std::make_unique<CoverageSink>(*this); }

bool ScanlineCoverage::IntersectsRect(const RECT& rect) const {
  const int n = factor_;
  const RECT scaled{std::max(rect.left * n, rect_.left) - rect_.left,
                    std::max(rect.top * n, rect_.top) - rect_.top,
                    std::min(rect.right * n, rect_.right) - rect_.left,
                    std::min(rect.bottom * n, rect_.bottom) - rect_.top};
  if (IsEmptyRect(scaled)) return false;
  const int width = table_->Width();
  std::unique_ptr<CoverageSpan[]> spans(new (std::nothrow) CoverageSpan[static_cast<std::size_t>(width) + 2]);
  if (!spans) return false;
  const int rule = mode_ == keRenderOutline ? keRenderOutline : fillRule_;
  for (int row = scaled.top; row < scaled.bottom && row < table_->Height(); ++row) {
    const int count = table_->Spans(row, rule, spans.get(), width + 2);
    for (int i = 0; i < count; ++i) {
      if (spans[i].start < scaled.right && spans[i].end >= scaled.left) return true;
    }
  }
  return false;
}

SpanIterator::SpanIterator(ScanlineCoverage& coverage) : coverage_(coverage) {
  coverage_.AddRef();
  ScanlineCoverage::Table& table = coverage_.Rows();
  height_ = table.Height();
  capacity_ = std::max(table.Width() + 2, 10);
  spans_.reset(new (std::nothrow) CoverageSpan[static_cast<std::size_t>(capacity_)]);
  if (!spans_) capacity_ = 0;
  int first = -1;
  for (int row = 0; row < height_; ++row) {
    if (table.Row(row).total == 0) continue;
    if (first < 0) first = row;
    last_ = row;
  }
  const int n = coverage_.GetFactor();
  endsOnPixelBoundary_ = n > 1 && last_ > first && last_ % n == 0;
}

SpanIterator::~SpanIterator() { coverage_.Release(); }

int SpanIterator::Factor() const { return coverage_.GetFactor(); }

RECT SpanIterator::SubSampleRect() const { return coverage_.SubSampleRect(); }

bool SpanIterator::NextRow(const CoverageSpan** spans, int* count) {
  *spans = spans_.get();
  *count = 0;
  if (row_ + 1 >= height_) return false;
  ++row_;
  // The closing edge of a shape that ends on a pixel boundary would spill one row into the
  // pixel below it.
  if (endsOnPixelBoundary_ && row_ >= last_) return false;
  const int rule = coverage_.Mode() == keRenderOutline ? keRenderOutline : coverage_.FillRule();
  const int found = coverage_.Rows().Spans(row_, rule, spans_.get(), capacity_);
  *count = std::max(found, 0);
  if (coverage_.GetFactor() == 1) {
    for (int i = 0; i < *count; ++i) ++spans_[i].end;  // the edge pixel itself is covered
  }
  return true;
}

bool CoverageRegion::Draw(SpanFiller& sink, int quality) {
  return coverage_ != nullptr && DrawCoverage(*coverage_, sink, quality);
}

RECT CoverageRegion::GetBounds() const {
  return coverage_ != nullptr ? coverage_->GetBounds() : RECT{0, 0, 0, 0};
}

void CoverageRegion::Offset(int dx, int dy) {
  if (coverage_ != nullptr) coverage_->Offset(dx, dy);
}

RectRegion::RectRegion(double left, double top, double right, double bottom, int factor)
    : rect_{left, top, right, bottom}, factor_(factor) {
  Cover();
}

void RectRegion::Cover() {
  cover_ = RECT{ToEdge(std::floor(rect_[0] + kEpsilon)), ToEdge(std::floor(rect_[1] + kEpsilon)),
                ToEdge(std::ceil(rect_[2] - kEpsilon)), ToEdge(std::ceil(rect_[3] - kEpsilon))};
}

void RectRegion::Offset(int dx, int dy) {
  rect_[0] += dx;
  rect_[2] += dx;
  rect_[1] += dy;
  rect_[3] += dy;
  Cover();
}

bool RectRegion::Intersects(const RECT& rect) const {
  return std::max(rect.left, cover_.left) < std::min(rect.right, cover_.right) &&
         std::max(rect.top, cover_.top) < std::min(rect.bottom, cover_.bottom);
}

namespace {

// The pixels of one axis of a rectangle: a partial first pixel, whole pixels, a partial last
// one; an extent inside a single pixel is that one pixel with its width as the fraction.
struct AxisCover {
  int first;       // pixel of the leading part
  double lead;     // its fraction, 0 when none
  int wholeFirst;  // first whole pixel
  int wholeCount;
  double trail;  // fraction of the pixel after the whole ones, 0 when none

  AxisCover(double lo, double hi) {
    first = ToEdge(std::floor(lo + kEpsilon));
    const double inner = std::ceil(lo), outer = std::floor(hi);
    if (outer < inner) {  // both edges inside one pixel
      lead = hi - lo;
      wholeFirst = first + 1;
      wholeCount = 0;
      trail = 0;
      return;
    }
    const double fLead = 1 - (lo - first);
    lead = std::fabs(fLead - 1) >= kEpsilon ? fLead : 0;
    wholeFirst = ToEdge(inner);
    wholeCount = ToEdge(outer - inner);
    const double fTrail = hi - outer;
    trail = std::fabs(fTrail) >= kEpsilon ? fTrail : 0;
  }
};

std::uint8_t CoverageByte(double f) {
  return static_cast<std::uint8_t>(std::clamp(RoundToInt(f * 255), 0, 255));
}

}  // namespace

bool RectRegion::Draw(SpanFiller& sink, int) {
  const AxisCover xs(rect_[0], rect_[2]), ys(rect_[1], rect_[3]);
  auto row = [&](int y, double fy) {
    if (xs.lead > 0) sink.FillSpan(xs.first, y, CoverageByte(xs.lead * fy), 1);
    if (xs.wholeCount > 0) sink.FillSpan(xs.wholeFirst, y, CoverageByte(fy), xs.wholeCount);
    if (xs.trail > 0) sink.FillSpan(xs.wholeFirst + xs.wholeCount, y, CoverageByte(xs.trail * fy), 1);
  };
  if (ys.lead > 0) row(ys.first, ys.lead);
  for (int i = 0; i < ys.wholeCount; ++i) row(ys.wholeFirst + i, 1.0);
  if (ys.trail > 0) row(ys.wholeFirst + ys.wholeCount, ys.trail);
  return true;
}

RegionBase* CreatePathCoverage(PathStage& stage, int mode, const RenderSettings* settings, const RECT* clip,
                               const Matrix3* matrix, RECT* bounds, bool useSharedRows) {
  if (bounds != nullptr) *bounds = RECT{0, 0, 0, 0};
  if (settings == nullptr) settings = &GetDefaultRenderSettings();
  if (clip != nullptr && clip->left == 0 && clip->top == 0 && clip->right == 0 && clip->bottom == 0)
    clip = nullptr;
  double box[4];
  if (!PathBounds(box, stage, matrix, true)) {
    const bool line = (box[2] - box[0] > kEpsilon) != (box[3] - box[1] > kEpsilon);
    if (mode != keRenderOutline || !line) return nullptr;
  }
  if (!std::isfinite(box[0] + box[1] + box[2] + box[3])) return nullptr;
  box[2] += 1.0;
  box[3] += 1.0;
  const RECT pixels{ToEdge(std::floor(box[0] + kEpsilon)), ToEdge(std::floor(box[1] + kEpsilon)),
                    ToEdge(std::ceil(box[2] - kEpsilon)), ToEdge(std::ceil(box[3] - kEpsilon))};
  const RECT visible = IntersectClip(pixels, clip, 0);
  if (IsEmptyRect(visible)) return nullptr;
  const RECT raster = IntersectClip(pixels, clip, 1);
  if (IsEmptyRect(raster)) return nullptr;
  ScanlineCoverage* coverage = CreateScanlineCoverage(raster, settings->fillRule, settings->antiAliasLevel,
                                                      useSharedRows, mode);
  if (coverage == nullptr) return nullptr;
  bool sent;
  {
    std::unique_ptr<PathSink> sink = coverage->CreateSink();
    sent = SendPathToSink(*sink, stage, matrix, mode != keRenderOutline);
  }
  RegionBase* region = sent ? new (std::nothrow) CoverageRegion(coverage) : nullptr;
  if (region == nullptr) {
    coverage->Release();
    return nullptr;
  }
  if (bounds != nullptr) *bounds = visible;
  return region;
}

RegionBase* CreateRectCoverage(const double rect[4], const RenderSettings* settings, const RECT* clip,
                               const Matrix3* matrix, bool useSharedRows) {
  if (settings == nullptr) settings = &GetDefaultRenderSettings();
  double c[4][2] = {{rect[0], rect[1]}, {rect[2], rect[1]}, {rect[0], rect[3]}, {rect[2], rect[3]}};
  for (auto& corner : c) Matrix3MapPoint(matrix, corner);
  auto same = [](double a, double b) { return std::fabs(a - b) < kEpsilon; };
  if (same(c[0][1], c[1][1]) && same(c[2][1], c[3][1]) && same(c[0][0], c[2][0]) && same(c[1][0], c[3][0]) &&
      c[0][0] < c[3][0] && c[0][1] < c[3][1]) {
    return new (std::nothrow) RectRegion(c[0][0], c[0][1], c[3][0], c[3][1], settings->antiAliasLevel);
  }
  RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateRectPath(rect[0], rect[1], rect[2], rect[3]));
  if (!path) return nullptr;
  PathReader reader(*path);
  return CreatePathCoverage(reader, 0, settings, clip, matrix, nullptr, useSharedRows);
}

int ReleaseSharedRows() {
  if (!gSharedTaken.exchange(true, std::memory_order_acquire)) {
    delete[] gSharedRows;
    gSharedRows = nullptr;
    gSharedTaken.store(false, std::memory_order_release);
  }
  return 0;
}

}  // namespace corvel
