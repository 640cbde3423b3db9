// Regions: areas made of rectangles, combined with the platform's five modes. RegionData is
// the value type behind region handles and behind the clipping of device contexts.
#pragma once
#include <vector>

#include "platform/win32/Types.h"

constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

// Region kinds, as the region calls answer them.
constexpr int RGN_ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
// Combines `a` and `b` into `destination` (an existing region); answers the result's kind.
int CombineRgn(HRGN destination, HRGN a, HRGN b, int mode);
int OffsetRgn(HRGN region, int dx, int dy);
int GetRgnBox(HRGN region, RECT* box);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT* rect);
BOOL EqualRgn(HRGN a, HRGN b);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);

namespace platform::gdi {

// Disjoint rectangles in bands: sorted by top, then left; the rectangles of one band share
// their top and bottom, and touching ones are merged.
class RegionData {
 public:
  RegionData() = default;
  explicit RegionData(const RECT& rect);
  static RegionData Ellipse(const RECT& bounds);
  static RegionData Polygon(const POINT* points, int count, int fillMode);
  static RegionData Combine(const RegionData& a, const RegionData& b, int mode);

  const std::vector<RECT>& Rects() const { return rects_; }
  bool Empty() const { return rects_.empty(); }
  RECT Box() const;
  int Kind() const;
  bool Contains(int x, int y) const;
  bool Intersects(const RECT& rect) const;
  void Offset(int dx, int dy);
  bool operator==(const RegionData& other) const;

 private:
  // Builds the bands from rows of x spans, one row per y interval.
  struct Row {
    LONG top;
    LONG bottom;
    std::vector<std::pair<LONG, LONG>> spans;
  };
  static RegionData FromRows(std::vector<Row> rows);
  std::vector<std::pair<LONG, LONG>> SpansAt(LONG y) const;

  std::vector<RECT> rects_;
};

}  // namespace platform::gdi
