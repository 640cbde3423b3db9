// Regions as banded rectangle lists, and their handles.
#include "platform/gdi/Region.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/detail/Objects.h"

namespace platform::gdi {

namespace {

using Spans = std::vector<std::pair<LONG, LONG>>;

bool Member(bool inA, bool inB, int mode) {
  switch (mode) {
    case RGN_AND:
      return inA && inB;
    case RGN_OR:
      return inA || inB;
    case RGN_XOR:
      return inA != inB;
    case RGN_DIFF:
      return inA && !inB;
    default:
      return inA;
  }
}

bool Covered(const Spans& spans, LONG x) {
  for (const auto& span : spans) {
    if (x >= span.first && x < span.second) return true;
  }
  return false;
}

// The boolean combination of two sorted span lists.
Spans CombineSpans(const Spans& a, const Spans& b, int mode) {
  std::vector<LONG> edges;
  for (const auto& s : a) edges.insert(edges.end(), {s.first, s.second});
  for (const auto& s : b) edges.insert(edges.end(), {s.first, s.second});
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  Spans out;
  for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
    if (!Member(Covered(a, edges[i]), Covered(b, edges[i]), mode)) continue;
    if (!out.empty() && out.back().second == edges[i]) {
      out.back().second = edges[i + 1];
    } else {
      out.emplace_back(edges[i], edges[i + 1]);
    }
  }
  return out;
}

}  // namespace

RegionData::RegionData(const RECT& rect) {
  if (rect.right > rect.left && rect.bottom > rect.top) rects_.push_back(rect);
}

RegionData RegionData::FromRows(std::vector<Row> rows) {
  RegionData region;
  std::vector<Row> merged;
  for (Row& row : rows) {
    if (row.spans.empty() || row.bottom <= row.top) continue;
    if (!merged.empty() && merged.back().bottom == row.top && merged.back().spans == row.spans) {
      merged.back().bottom = row.bottom;
    } else {
      merged.push_back(std::move(row));
    }
  }
  for (const Row& row : merged) {
    for (const auto& span : row.spans)
      region.rects_.push_back(RECT{span.first, row.top, span.second, row.bottom});
  }
  return region;
}

Spans RegionData::SpansAt(LONG y) const {
  Spans spans;
  for (const RECT& rect : rects_) {
    if (y >= rect.top && y < rect.bottom) spans.emplace_back(rect.left, rect.right);
  }
  return spans;
}

RegionData RegionData::Combine(const RegionData& a, const RegionData& b, int mode) {
  if (mode == RGN_COPY) return a;
  std::vector<LONG> ys;
  for (const RegionData* region : {&a, &b}) {
    for (const RECT& rect : region->rects_) ys.insert(ys.end(), {rect.top, rect.bottom});
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::vector<Row> rows;
  for (std::size_t i = 0; i + 1 < ys.size(); ++i) {
    rows.push_back(Row{ys[i], ys[i + 1], CombineSpans(a.SpansAt(ys[i]), b.SpansAt(ys[i]), mode)});
  }
  return FromRows(std::move(rows));
}

RegionData RegionData::Ellipse(const RECT& bounds) {
  std::vector<Row> rows;
  double cx = (bounds.left + bounds.right) / 2.0, cy = (bounds.top + bounds.bottom) / 2.0;
  double rx = (bounds.right - bounds.left) / 2.0, ry = (bounds.bottom - bounds.top) / 2.0;
  if (rx <= 0 || ry <= 0) return RegionData();
  for (LONG y = bounds.top; y < bounds.bottom; ++y) {
    double dy = (y + 0.5 - cy) / ry;
    double half = rx * std::sqrt(std::max(0.0, 1.0 - dy * dy));
    LONG left = static_cast<LONG>(std::lround(cx - half)), right = static_cast<LONG>(std::lround(cx + half));
    if (right > left) rows.push_back(Row{y, y + 1, {{left, right}}});
  }
  return FromRows(std::move(rows));
}

RegionData RegionData::Polygon(const POINT* points, int count, int fillMode) {
  if (!points || count < 3) return RegionData();
  LONG top = points[0].y, bottom = points[0].y;
  for (int i = 1; i < count; ++i) {
    top = std::min(top, points[i].y);
    bottom = std::max(bottom, points[i].y);
  }
  std::vector<Row> rows;
  for (LONG y = top; y < bottom; ++y) {
    // Crossings of the scan line through the pixel centres, with winding directions.
    double scan = y + 0.5;
    std::vector<std::pair<double, int>> crossings;
    for (int i = 0; i < count; ++i) {
      POINT p = points[i], q = points[(i + 1) % count];
      if ((p.y <= scan) == (q.y <= scan)) continue;
      double x = p.x + (scan - p.y) * (q.x - p.x) / static_cast<double>(q.y - p.y);
      crossings.emplace_back(x, q.y > p.y ? 1 : -1);
    }
    std::sort(crossings.begin(), crossings.end());
    Spans spans;
    int winding = 0;
    for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
      winding += crossings[i].second;
      bool inside = fillMode == WINDING ? winding != 0 : (i % 2) == 0;
      if (!inside) continue;
      LONG left = static_cast<LONG>(std::ceil(crossings[i].first - 0.5));
      LONG right = static_cast<LONG>(std::ceil(crossings[i + 1].first - 0.5));
      if (right <= left) continue;
      if (!spans.empty() && spans.back().second >= left) {
        spans.back().second = std::max(spans.back().second, right);
      } else {
        spans.emplace_back(left, right);
      }
    }
    rows.push_back(Row{y, y + 1, std::move(spans)});
  }
  return FromRows(std::move(rows));
}

RECT RegionData::Box() const {
  if (rects_.empty()) return RECT{0, 0, 0, 0};
  RECT box = rects_.front();
  for (const RECT& rect : rects_) {
    box.left = std::min(box.left, rect.left);
    box.top = std::min(box.top, rect.top);
    box.right = std::max(box.right, rect.right);
    box.bottom = std::max(box.bottom, rect.bottom);
  }
  return box;
}

int RegionData::Kind() const {
  if (rects_.empty()) return NULLREGION;
  return rects_.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool RegionData::Contains(int x, int y) const {
  for (const RECT& rect : rects_) {
    if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom) return true;
  }
  return false;
}

bool RegionData::Intersects(const RECT& other) const {
  for (const RECT& rect : rects_) {
    if (std::max(rect.left, other.left) < std::min(rect.right, other.right) &&
        std::max(rect.top, other.top) < std::min(rect.bottom, other.bottom)) {
      return true;
    }
  }
  return false;
}

void RegionData::Offset(int dx, int dy) {
  for (RECT& rect : rects_) {
    rect.left += dx;
    rect.right += dx;
    rect.top += dy;
    rect.bottom += dy;
  }
}

bool RegionData::operator==(const RegionData& other) const {
  if (rects_.size() != other.rects_.size()) return false;
  for (std::size_t i = 0; i < rects_.size(); ++i) {
    const RECT &a = rects_[i], &b = other.rects_[i];
    if (a.left != b.left || a.top != b.top || a.right != b.right || a.bottom != b.bottom) return false;
  }
  return true;
}

}  // namespace platform::gdi

using platform::gdi::RegionData;
using platform::gdi::RegionObject;

namespace {

HRGN NewRegion(RegionData data) {
  auto region = std::make_unique<RegionObject>();
  region->data = std::move(data);
  return static_cast<HRGN>(platform::gdi::RegisterObject(std::move(region)));
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return NewRegion(RegionData(
      RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)}));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  return NewRegion(RegionData::Ellipse(RECT{left, top, right, bottom}));
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  return NewRegion(RegionData::Polygon(points, count, fillMode));
}

int CombineRgn(HRGN destination, HRGN a, HRGN b, int mode) {
  RegionObject* out = platform::gdi::FindRegion(destination);
  RegionObject* first = platform::gdi::FindRegion(a);
  RegionObject* second = mode == RGN_COPY ? first : platform::gdi::FindRegion(b);
  if (!out || !first || !second || mode < RGN_AND || mode > RGN_COPY) return RGN_ERROR;
  out->data = RegionData::Combine(first->data, second->data, mode);
  return out->data.Kind();
}

int OffsetRgn(HRGN handle, int dx, int dy) {
  RegionObject* region = platform::gdi::FindRegion(handle);
  if (!region) return RGN_ERROR;
  region->data.Offset(dx, dy);
  return region->data.Kind();
}

int GetRgnBox(HRGN handle, RECT* box) {
  RegionObject* region = platform::gdi::FindRegion(handle);
  if (!region || !box) return RGN_ERROR;
  *box = region->data.Box();
  return region->data.Kind();
}

BOOL PtInRegion(HRGN handle, int x, int y) {
  RegionObject* region = platform::gdi::FindRegion(handle);
  return region && region->data.Contains(x, y);
}

BOOL RectInRegion(HRGN handle, const RECT* rect) {
  RegionObject* region = platform::gdi::FindRegion(handle);
  return region && rect && region->data.Intersects(*rect);
}

BOOL EqualRgn(HRGN a, HRGN b) {
  RegionObject* first = platform::gdi::FindRegion(a);
  RegionObject* second = platform::gdi::FindRegion(b);
  return first && second && first->data == second->data;
}

BOOL SetRectRgn(HRGN handle, int left, int top, int right, int bottom) {
  RegionObject* region = platform::gdi::FindRegion(handle);
  if (!region) return FALSE;
  region->data = RegionData(RECT{left, top, right, bottom});
  return TRUE;
}
