// The selection mask: shapes added to a byte-per-pixel mask with a bounding box.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "codecs/ImageFile.h"
#include "codecs/detail/PlaneImage.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Region.h"

void CImageFile::SetSelectionBoxEmpty() {
  info_.selectionBox.left = static_cast<LONG>(GetWidth());
  info_.selectionBox.top = 0;
  info_.selectionBox.right = 0;
  info_.selectionBox.bottom = static_cast<LONG>(GetHeight());
}

bool CImageFile::SelectionIsValid() const { return selection_ != nullptr; }

bool CImageFile::SelectionCreate() {
  SelectionDelete();
  selection_ = AllocatePlane();
  if (!selection_) return false;
  std::memset(selection_, 0, PlaneSize());
  return true;
}

bool CImageFile::SelectionDelete() {
  std::free(selection_);
  selection_ = nullptr;
  SetSelectionBoxEmpty();
  return true;
}

bool CImageFile::SelectionClear() {
  if (!selection_) return false;
  std::memset(selection_, 0, PlaneSize());
  SetSelectionBoxEmpty();
  return true;
}

void CImageFile::SelectionGetBox(RECT& r) const { r = info_.selectionBox; }

bool CImageFile::SelectionIsInside(long x, long y) {
  if (!IsInside(x, y)) return false;
  if (!selection_) return true;
  return selection_[static_cast<std::size_t>(y) * GetWidth() + static_cast<std::size_t>(x)] != 0;
}

bool CImageFile::SelectionInvert() {
  if (!selection_) return false;
  const std::size_t size = PlaneSize();
  for (std::size_t i = 0; i < size; ++i) selection_[i] = static_cast<BYTE>(255 - selection_[i]);
  return true;
}

bool CImageFile::SelectionCopy(CImageFile& from) {
  if (!from.selection_ || GetWidth() != from.GetWidth() || GetHeight() != from.GetHeight()) {
    return false;
  }
  if (!selection_ && !(selection_ = AllocatePlane())) return false;
  std::memcpy(selection_, from.selection_, PlaneSize());
  info_.selectionBox = from.info_.selectionBox;
  return true;
}

bool CImageFile::SelectionSplit(CImageFile* dest) {
  if (!selection_ || !dest) return false;
  return SplitPlane(selection_, *this, dest);
}

bool CImageFile::SelectionToHRGN(HRGN& region) {
  if (!selection_ || !region) return false;
  const long width = static_cast<long>(GetWidth());
  for (long y = 0; y < static_cast<long>(GetHeight()); ++y) {
    const BYTE* row = selection_ + static_cast<std::size_t>(y) * GetWidth();
    for (long x = 0; x < width;) {
      if (row[x] != 255) {
        ++x;
        continue;
      }
      const long start = x;
      while (x < width && row[x] == 255) ++x;
      HRGN run = CreateRectRgn(static_cast<int>(start), static_cast<int>(y), static_cast<int>(x),
                               static_cast<int>(y + 1));
      CombineRgn(region, region, run, RGN_OR);
      DeleteObject(run);
    }
  }
  return true;
}

bool CImageFile::SelectionAddPixel(int x, int y) {
  if (!selection_ && !SelectionCreate()) return false;
  if (!IsInside(x, y)) return false;
  selection_[static_cast<std::size_t>(y) * GetWidth() + static_cast<std::size_t>(x)] = 255;
  return true;
}

namespace {
long Clamp(long value, long low, long high) { return std::max(low, std::min(value, high)); }
}  // namespace

bool CImageFile::SelectionAddRect(RECT r) {
  if (!selection_ && !SelectionCreate()) return false;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  const long xmin = Clamp(std::min(r.left, r.right), 0, width);
  const long xmax = Clamp(std::max(r.left, r.right), 0, width);
  const long ymin = Clamp(std::min(r.top, r.bottom), 0, height);
  const long ymax = Clamp(std::max(r.top, r.bottom), 0, height);
  RECT& box = info_.selectionBox;
  box.top = static_cast<LONG>(std::max<long>(box.top, ymax));
  box.left = static_cast<LONG>(std::min<long>(box.left, xmin));
  box.right = static_cast<LONG>(std::max<long>(box.right, xmax));
  box.bottom = static_cast<LONG>(std::min<long>(box.bottom, ymin));
  for (long y = ymin; y < ymax; ++y) {
    std::memset(selection_ + y * width + xmin, 255, static_cast<std::size_t>(xmax - xmin));
  }
  return true;
}

bool CImageFile::SelectionAddEllipse(RECT r) {
  if (!selection_ && !SelectionCreate()) return false;
  const long xradius = std::labs(static_cast<long>(r.right) - r.left) / 2;
  const long yradius = std::labs(static_cast<long>(r.top) - r.bottom) / 2;
  if (xradius == 0 || yradius == 0) return false;
  const long xcenter = (static_cast<long>(r.left) + r.right) / 2;
  const long ycenter = (static_cast<long>(r.top) + r.bottom) / 2;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  const long xmin = Clamp(xcenter - xradius, 0, width);
  const long xmax = Clamp(xcenter + xradius, 0, width);
  const long ymin = Clamp(ycenter - yradius, 0, height);
  const long ymax = Clamp(ycenter + yradius, 0, height);
  RECT& box = info_.selectionBox;
  box.top = static_cast<LONG>(std::max<long>(box.top, ymax));
  box.left = static_cast<LONG>(std::min<long>(box.left, xmin));
  box.right = static_cast<LONG>(std::max<long>(box.right, xmax));
  box.bottom = static_cast<LONG>(std::min<long>(box.bottom, ymin));
  auto halfHeight = [&](long x) {
    float t = static_cast<float>(x - xcenter) / static_cast<float>(xradius);
    return std::sqrt(std::max(0.0f, 1.0f - t * t)) * static_cast<float>(yradius);
  };
  for (long y = ymin; y < std::min(ycenter, ymax); ++y) {
    for (long x = xmin; x < xmax; ++x) {
      long yo = static_cast<long>(static_cast<float>(ycenter) - halfHeight(x));
      if (yo < y) selection_[y * width + x] = 255;
    }
  }
  for (long y = std::max(ycenter, ymin); y < ymax; ++y) {
    for (long x = xmin; x < xmax; ++x) {
      long yo = static_cast<long>(static_cast<float>(ycenter) + halfHeight(x));
      if (yo > y) selection_[y * width + x] = 255;
    }
  }
  return true;
}

namespace {

constexpr BYTE kDrawn = 255;
constexpr BYTE kOutside = 1;

// The work mask of a polygon: its outline drawn, then the outside flooded from the border of
// the working box.
class PolygonMask {
 public:
  PolygonMask(BYTE* cells, long width, long height) : cells_(cells), width_(width), height_(height) {}

  // Draws the edge twice, stepping x and then y, so that steep and flat edges have no gaps.
  void DrawEdge(POINT a, POINT b) {
    if (a.x != b.x) {
      const float slope = static_cast<float>(static_cast<long>(b.y) - a.y) /
                          static_cast<float>(static_cast<long>(b.x) - a.x);
      // Columns outside the image would be skipped anyway.
      const long from = std::max<long>(std::min(a.x, b.x), 0);
      const long to = std::min<long>(std::max(a.x, b.x), width_ - 1);
      for (long x = from; x <= to; ++x) {
        Set(x, static_cast<long>(static_cast<float>(x - a.x) * slope + static_cast<float>(a.y)));
      }
    }
    if (a.y != b.y) {
      const float slope = static_cast<float>(static_cast<long>(b.x) - a.x) /
                          static_cast<float>(static_cast<long>(b.y) - a.y);
      const long from = std::max<long>(std::min(a.y, b.y), 0);
      const long to = std::min<long>(std::max(a.y, b.y), height_ - 1);
      for (long y = from; y <= to; ++y) {
        Set(static_cast<long>(static_cast<float>(y - a.y) * slope + static_cast<float>(a.x)), y);
      }
    }
    box_.left = std::min<long>(box_.left, Clamp(std::min(a.x, b.x) - 1L, 0, width_ - 1));
    box_.right = std::max<long>(box_.right, Clamp(std::max(a.x, b.x) + 1L, 0, width_ - 1));
    box_.bottom = std::min<long>(box_.bottom, Clamp(std::min(a.y, b.y) - 1L, 0, height_ - 1));
    box_.top = std::max<long>(box_.top, Clamp(std::max(a.y, b.y) + 1L, 0, height_ - 1));
  }

  // Marks everything of the box reachable from its border without crossing the outline.
  void FloodOutside() {
    for (long x = box_.left; x <= box_.right; ++x) Seed(x, box_.bottom);
    for (long y = box_.bottom; y <= box_.top; ++y) Seed(box_.right, y);
    for (long x = box_.left; x <= box_.right; ++x) Seed(x, box_.top);
    for (long y = box_.bottom; y <= box_.top; ++y) Seed(box_.left, y);
  }

  struct Box {
    long left, bottom, right, top;
  };
  const Box& WorkingBox() const { return box_; }
  BYTE At(long x, long y) const { return cells_[y * width_ + x]; }

 private:
  void Set(long x, long y) {
    if (x >= 0 && x < width_ && y >= 0 && y < height_) cells_[y * width_ + x] = kDrawn;
  }

  void Seed(long x, long y) {
    if (At(x, y) != 0) return;
    pending_.push_back({x, y});
    while (!pending_.empty()) {
      const Point p = pending_.back();
      pending_.pop_back();
      if (At(p.x, p.y) != 0) continue;
      long left = p.x;
      while (left > box_.left && At(left - 1, p.y) == 0) --left;
      long right = p.x;
      while (right < box_.right && At(right + 1, p.y) == 0) ++right;
      for (long x2 = left; x2 <= right; ++x2) {
        cells_[p.y * width_ + x2] = kOutside;
        if (p.y > box_.bottom && At(x2, p.y - 1) == 0) pending_.push_back({x2, p.y - 1});
        if (p.y < box_.top && At(x2, p.y + 1) == 0) pending_.push_back({x2, p.y + 1});
      }
    }
  }

  struct Point {
    long x, y;
  };
  BYTE* cells_;
  long width_;
  long height_;
  Box box_{width_ - 1, height_ - 1, 0, 0};
  std::vector<Point> pending_;
};

}  // namespace

bool CImageFile::SelectionAddPolygon(POINT* points, long count) {
  if (!points || count < 3) return false;
  if (!selection_ && !SelectionCreate()) return false;
  BYTE* cells = AllocatePlane();
  if (!cells) return false;
  std::memset(cells, 0, PlaneSize());
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  bool filled = true;
  try {
    PolygonMask mask(cells, width, height);
    // A point with x = -1 closes the ring before it; the next point starts a new one.
    long ringStart = 0;
    for (long i = 0; i <= count; ++i) {
      const bool ringEnds = i == count || points[i].x == -1;
      if (ringEnds) {
        if (i > ringStart) mask.DrawEdge(points[i - 1], points[ringStart]);
        ringStart = i + 1;
      } else if (i > ringStart) {
        mask.DrawEdge(points[i - 1], points[i]);
      }
    }
    mask.FloodOutside();
    const auto& box = mask.WorkingBox();
    for (long y = box.bottom; y <= box.top; ++y) {
      for (long x = box.left; x <= box.right; ++x) {
        if (mask.At(x, y) != kOutside) selection_[y * width + x] = 255;
      }
    }
    RECT& selectionBox = info_.selectionBox;
    if (selectionBox.top < box.top) selectionBox.top = static_cast<LONG>(box.top + 1);
    if (selectionBox.left > box.left) selectionBox.left = static_cast<LONG>(box.left);
    if (selectionBox.right < box.right) selectionBox.right = static_cast<LONG>(box.right + 1);
    if (selectionBox.bottom > box.bottom) selectionBox.bottom = static_cast<LONG>(box.bottom);
  } catch (const std::bad_alloc&) {
    filled = false;
  }
  std::free(cells);
  return filled;
}

bool CImageFile::SelectionAddColor(RGBQUAD c) {
  if (!selection_ && !SelectionCreate()) return false;
  RECT& box = info_.selectionBox;
  const long width = static_cast<long>(GetWidth());
  for (long y = 0; y < static_cast<long>(GetHeight()); ++y) {
    for (long x = 0; x < width; ++x) {
      RGBQUAD p = GetPixelColor(x, y, true);
      if (p.rgbRed != c.rgbRed || p.rgbGreen != c.rgbGreen || p.rgbBlue != c.rgbBlue) continue;
      selection_[y * width + x] = 255;
      box.top = std::max<LONG>(box.top, static_cast<LONG>(y));
      box.left = std::min<LONG>(box.left, static_cast<LONG>(x));
      box.right = std::max<LONG>(box.right, static_cast<LONG>(x));
      box.bottom = std::min<LONG>(box.bottom, static_cast<LONG>(y));
    }
  }
  return true;
}
