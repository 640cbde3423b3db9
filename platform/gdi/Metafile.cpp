// Enhanced and Windows metafiles: checking, headers and playback through the GDI calls.
#include "platform/gdi/Metafile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/DcState.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/detail/Canvas.h"
#include "platform/gdi/detail/DibFormat.h"

namespace {

// Little-endian fields of a byte block, every read checked against its end.
class Bytes {
 public:
  Bytes(const BYTE* data, std::size_t size) : data_(data), size_(size) {}
  bool Has(std::size_t offset, std::size_t bytes) const { return offset <= size_ && bytes <= size_ - offset; }
  std::uint32_t U32(std::size_t offset) const {
    return data_[offset] | (data_[offset + 1] << 8) | (data_[offset + 2] << 16) |
           (static_cast<std::uint32_t>(data_[offset + 3]) << 24);
  }
  std::int32_t S32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
  // A coordinate, kept within a range where sums and differences cannot overflow.
  std::int32_t Coord(std::size_t offset) const { return std::clamp(S32(offset), -(1 << 26), 1 << 26); }
  std::uint16_t U16(std::size_t offset) const {
    return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
  }
  std::int16_t S16(std::size_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
  const BYTE* At(std::size_t offset) const { return data_ + offset; }
  std::size_t Size() const { return size_; }

 private:
  const BYTE* data_;
  std::size_t size_;
};

// A DIB section made of a record's bitmap information and bits; null when they are not a
// bitmap this layer reads or the bits are short.
HBITMAP DibFromRecord(const Bytes& record, std::size_t offInfo, std::size_t sizeInfo, std::size_t offBits,
                      std::size_t sizeBits, UINT usage) {
  if (usage != DIB_RGB_COLORS || sizeInfo < sizeof(BITMAPINFOHEADER) || !record.Has(offInfo, sizeInfo) ||
      !record.Has(offBits, sizeBits)) {
    return nullptr;
  }
  // Copied into aligned memory with room for the whole colour table the header may name.
  std::vector<std::uint32_t> aligned((sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD)) / 4, 0);
  std::memcpy(aligned.data(), record.At(offInfo), std::min<std::size_t>(sizeInfo, aligned.size() * 4));
  const auto* info = reinterpret_cast<const BITMAPINFO*>(aligned.data());
  platform::gdi::DibLayout layout;
  if (!platform::gdi::ReadDibLayout(info, usage, &layout) ||
      info->bmiHeader.biSize != sizeof(BITMAPINFOHEADER))
    return nullptr;
  std::size_t colours = layout.bitCount <= 8
                            ? (info->bmiHeader.biClrUsed
                                   ? std::min<std::size_t>(info->bmiHeader.biClrUsed, layout.colors.size())
                                   : layout.colors.size())
                            : 0;
  if (sizeInfo < sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD)) return nullptr;
  if (static_cast<std::uint64_t>(layout.rowBytes) * static_cast<std::uint64_t>(layout.height) > sizeBits)
    return nullptr;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, info, usage, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  std::memcpy(bits, record.At(offBits), layout.rowBytes * static_cast<std::size_t>(layout.height));
  return bitmap;
}

// Draws a record's bitmap stretched with a raster operation, and deletes it; without one, only
// the pattern.
void StretchRecordBitmap(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, int xSrc, int ySrc,
                         int srcWidth, int srcHeight, DWORD rop) {
  if (!bitmap) {
    PatBlt(dc, x, y, width, height, rop);
    return;
  }
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BITMAP info;
  GetObject(bitmap, sizeof info, &info);
  // The source rectangle of a DIB counts its rows from the bottom, as StretchDIBits does.
  if (srcHeight > 0 && ySrc >= 0) ySrc = info.bmHeight - ySrc - srcHeight;
  StretchBlt(dc, x, y, width, height, memory, xSrc, ySrc, srcWidth, srcHeight, rop);
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(bitmap);
}

// Objects the records create, by the records' indices; all deleted when playback ends.
class ObjectTable {
 public:
  explicit ObjectTable(HDC dc) : dc_(dc) {}
  ~ObjectTable() {
    for (HGDIOBJ object : slots_) {
      if (object) DeleteObject(object);
    }
  }
  ObjectTable(const ObjectTable&) = delete;
  ObjectTable& operator=(const ObjectTable&) = delete;

  // The index a Windows metafile gives a new object: the lowest free one.
  void AddToFirstFree(HGDIOBJ object) {
    auto free = std::find(slots_.begin(), slots_.end(), nullptr);
    if (free == slots_.end()) {
      if (slots_.size() >= kMaxObjects) return DeleteObjectNow(object);
      slots_.push_back(object);
    } else {
      *free = object;
    }
  }
  void Set(std::uint32_t index, HGDIOBJ object) {
    if (index >= kMaxObjects || !object) return DeleteObjectNow(object);
    if (index >= slots_.size()) slots_.resize(index + 1, nullptr);
    Delete(index);
    slots_[index] = object;
  }
  HGDIOBJ Get(std::uint32_t index) const { return index < slots_.size() ? slots_[index] : nullptr; }
  void Delete(std::uint32_t index) {
    if (index >= slots_.size() || !slots_[index]) return;
    // An object still selected gives way to the stock one of its kind first.
    HGDIOBJ object = slots_[index];
    DWORD type = GetObjectType(object);
    if (GetCurrentObject(dc_, type) == object) {
      SelectObject(dc_, GetStockObject(type == OBJ_PEN     ? BLACK_PEN
                                       : type == OBJ_BRUSH ? WHITE_BRUSH
                                                           : SYSTEM_FONT));
    }
    DeleteObject(object);
    slots_[index] = nullptr;
  }

 private:
  static constexpr std::size_t kMaxObjects = 65536;
  static void DeleteObjectNow(HGDIOBJ object) {
    if (object) DeleteObject(object);
  }
  HDC dc_;
  std::vector<HGDIOBJ> slots_;
};

// The saved states a metafile makes, so that it cannot restore past its own.
class SaveLevels {
 public:
  explicit SaveLevels(HDC dc) : dc_(dc) {}
  void Save() {
    SaveDC(dc_);
    ++depth_;
  }
  void Restore(int relative) {
    int count = relative < 0 ? -relative : 1;
    if (count > depth_) return;
    RestoreDC(dc_, -count);
    depth_ -= count;
  }

 private:
  HDC dc_;
  int depth_ = 0;
};

LOGFONT FontFromWide(const Bytes& record, std::size_t offset) {
  LOGFONT font{};
  font.lfHeight = record.S32(offset);
  font.lfWidth = record.S32(offset + 4);
  font.lfEscapement = record.S32(offset + 8);
  font.lfOrientation = record.S32(offset + 12);
  font.lfWeight = record.S32(offset + 16);
  std::memcpy(&font.lfItalic, record.At(offset + 20), 8);
  for (int i = 0; i < LF_FACESIZE - 1; ++i) {
    std::uint16_t c = record.U16(offset + 28 + 2 * static_cast<std::size_t>(i));
    if (!c) break;
    font.lfFaceName[i] = c < 256 ? static_cast<CHAR>(c) : '?';
  }
  return font;
}

std::string NarrowText(const Bytes& record, std::size_t offset, std::size_t count, bool wide) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint16_t c = wide ? record.U16(offset + 2 * i) : record.At(offset)[i];
    text += c < 256 ? static_cast<char>(c) : '?';
  }
  return text;
}

// Enhanced metafile records by number.
enum : std::uint32_t {
  EMR_HEADER = 1,
  EMR_POLYBEZIER = 2,
  EMR_POLYGON = 3,
  EMR_POLYLINE = 4,
  EMR_POLYBEZIERTO = 5,
  EMR_POLYLINETO = 6,
  EMR_POLYPOLYGON = 8,
  EMR_SETWINDOWEXTEX = 9,
  EMR_SETWINDOWORGEX = 10,
  EMR_SETVIEWPORTEXTEX = 11,
  EMR_SETVIEWPORTORGEX = 12,
  EMR_SETBRUSHORGEX = 13,
  EMR_EOF = 14,
  EMR_SETPIXELV = 15,
  EMR_SETMAPMODE = 17,
  EMR_SETBKMODE = 18,
  EMR_SETPOLYFILLMODE = 19,
  EMR_SETROP2 = 20,
  EMR_SETSTRETCHBLTMODE = 21,
  EMR_SETTEXTALIGN = 22,
  EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25,
  EMR_MOVETOEX = 27,
  EMR_EXCLUDECLIPRECT = 29,
  EMR_INTERSECTCLIPRECT = 30,
  EMR_SAVEDC = 33,
  EMR_RESTOREDC = 34,
  EMR_SETWORLDTRANSFORM = 35,
  EMR_MODIFYWORLDTRANSFORM = 36,
  EMR_SELECTOBJECT = 37,
  EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39,
  EMR_DELETEOBJECT = 40,
  EMR_ELLIPSE = 42,
  EMR_RECTANGLE = 43,
  EMR_ROUNDRECT = 44,
  EMR_ARC = 45,
  EMR_CHORD = 46,
  EMR_PIE = 47,
  EMR_LINETO = 54,
  EMR_BEGINPATH = 59,
  EMR_ENDPATH = 60,
  EMR_CLOSEFIGURE = 61,
  EMR_FILLPATH = 62,
  EMR_STROKEANDFILLPATH = 63,
  EMR_STROKEPATH = 64,
  EMR_ABORTPATH = 68,
  EMR_BITBLT = 76,
  EMR_STRETCHBLT = 77,
  EMR_STRETCHDIBITS = 81,
  EMR_EXTCREATEFONTINDIRECTW = 82,
  EMR_EXTTEXTOUTA = 83,
  EMR_EXTTEXTOUTW = 84,
  EMR_POLYBEZIER16 = 85,
  EMR_POLYGON16 = 86,
  EMR_POLYLINE16 = 87,
  EMR_POLYBEZIERTO16 = 88,
  EMR_POLYLINETO16 = 89,
  EMR_POLYPOLYGON16 = 91,
  EMR_EXTCREATEPEN = 95
};
constexpr std::uint32_t kStockObject = 0x80000000u;

// Points of a poly record: 32-bit pairs, or 16-bit ones for the "16" records.
bool ReadPoints(const Bytes& r, std::size_t offset, std::uint32_t count, bool small,
                std::vector<POINT>* points) {
  std::size_t each = small ? 4 : 8;
  if (count > (1u << 24) || !r.Has(offset, static_cast<std::size_t>(count) * each)) return false;
  points->clear();
  for (std::uint32_t i = 0; i < count; ++i) {
    std::size_t at = offset + i * each;
    points->push_back(small ? POINT{r.S16(at), r.S16(at + 2)} : POINT{r.Coord(at), r.Coord(at + 4)});
  }
  return true;
}

// The figures a path collects between its begin and end records, in logical coordinates,
// until a fill or stroke draws them.
class RecordedPath {
 public:
  bool Open() const { return open_; }
  void Begin() {
    Abort();
    open_ = true;
  }
  void End() { open_ = false; }
  void Abort() {
    open_ = false;
    figures_.clear();
    points_ = 0;
  }
  void MoveTo(POINT p) {
    figures_.push_back({{p}, false});
    current_ = p;
    ++points_;
  }
  // false once the path holds more points than any picture needs.
  bool LineTo(POINT p) {
    if (figures_.empty() || figures_.back().closed) MoveTo(current_);
    figures_.back().points.push_back(p);
    current_ = p;
    return ++points_ <= kMaxPoints;
  }
  // A cubic piece from the current point, flattened.
  bool BezierTo(POINT c1, POINT c2, POINT end) {
    const POINT start = current_;
    constexpr int kSteps = 16;
    for (int i = 1; i <= kSteps; ++i) {
      double t = static_cast<double>(i) / kSteps, u = 1 - t;
      double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
      POINT p{static_cast<LONG>(std::lround(a * start.x + b * c1.x + c * c2.x + d * end.x)),
              static_cast<LONG>(std::lround(a * start.y + b * c1.y + c * c2.y + d * end.y))};
      if (!LineTo(p)) return false;
    }
    return true;
  }
  void Close() {
    if (figures_.empty()) return;
    figures_.back().closed = true;
    current_ = figures_.back().points.front();
  }
  // Fills with the brush (no pen) and then strokes with the pen (no brush), as asked; the
  // figures are used up.
  void Draw(HDC dc, bool fill, bool stroke) {
    if (fill) {
      std::vector<POINT> points;
      std::vector<INT> counts;
      for (const Figure& f : figures_) {
        points.insert(points.end(), f.points.begin(), f.points.end());
        counts.push_back(static_cast<INT>(f.points.size()));
      }
      HGDIOBJ pen = SelectObject(dc, GetStockObject(NULL_PEN));
      if (!counts.empty()) PolyPolygon(dc, points.data(), counts.data(), static_cast<int>(counts.size()));
      SelectObject(dc, pen);
    }
    if (stroke) {
      for (Figure& f : figures_) {
        if (f.closed) f.points.push_back(f.points.front());
        Polyline(dc, f.points.data(), static_cast<int>(f.points.size()));
      }
    }
    Abort();
  }

 private:
  static constexpr std::size_t kMaxPoints = 1u << 22;
  struct Figure {
    std::vector<POINT> points;
    bool closed;
  };
  bool open_ = false;
  std::vector<Figure> figures_;
  std::size_t points_ = 0;
  POINT current_{0, 0};
};

// One enhanced metafile record being played, with what it plays into.
struct EnhancedRecord {
  HDC dc;
  const Bytes& r;
  std::uint32_t type;
  ObjectTable& objects;
  SaveLevels& levels;
  RecordedPath& path;
};

// A call made with the record's box and four more coordinates; boxes are inclusive in records.
using ArcCall = BOOL (*)(HDC, int, int, int, int, int, int, int, int);
template <ArcCall Draw>
bool PlayEnhancedArc(const EnhancedRecord& e) {
  const Bytes& r = e.r;
  Draw(e.dc, r.Coord(8), r.Coord(12), r.Coord(16) + 1, r.Coord(20) + 1, r.Coord(24), r.Coord(28), r.Coord(32),
       r.Coord(36));
  return true;
}

// Poly records into an open path: figures of their own, or continuing from the current point
// for the "to" records.
bool RecordPoly(const EnhancedRecord& e, const std::vector<POINT>& points) {
  RecordedPath& path = e.path;
  const bool to = e.type == EMR_POLYLINETO || e.type == EMR_POLYLINETO16 || e.type == EMR_POLYBEZIERTO ||
                  e.type == EMR_POLYBEZIERTO16;
  const bool bezier = e.type == EMR_POLYBEZIER || e.type == EMR_POLYBEZIER16 || e.type == EMR_POLYBEZIERTO ||
                      e.type == EMR_POLYBEZIERTO16;
  std::size_t first = 0;
  if (!to) {
    if (points.empty()) return true;
    path.MoveTo(points[0]);
    first = 1;
  }
  if (bezier) {
    for (std::size_t i = first; i + 3 <= points.size(); i += 3) {
      if (!path.BezierTo(points[i], points[i + 1], points[i + 2])) return false;
    }
  } else {
    for (std::size_t i = first; i < points.size(); ++i) {
      if (!path.LineTo(points[i])) return false;
    }
  }
  if (e.type == EMR_POLYGON || e.type == EMR_POLYGON16) path.Close();
  return true;
}

bool PlayEnhancedPoly(const EnhancedRecord& e) {
  const bool small = e.type >= EMR_POLYBEZIER16;
  std::vector<POINT> points;
  if (!ReadPoints(e.r, 28, e.r.U32(24), small, &points)) return false;
  if (e.path.Open()) return RecordPoly(e, points);
  const bool to = e.type == EMR_POLYLINETO || e.type == EMR_POLYLINETO16 || e.type == EMR_POLYBEZIERTO ||
                  e.type == EMR_POLYBEZIERTO16;
  if (to) {
    // Drawn from the current point, which moves to the last one.
    if (points.empty()) return true;
    POINT current;
    GetCurrentPositionEx(e.dc, &current);
    points.insert(points.begin(), current);
    MoveToEx(e.dc, points.back().x, points.back().y, nullptr);
  }
  int count = static_cast<int>(points.size());
  if (e.type == EMR_POLYGON || e.type == EMR_POLYGON16)
    Polygon(e.dc, points.data(), count);
  else if (e.type == EMR_POLYLINE || e.type == EMR_POLYLINE16 || e.type == EMR_POLYLINETO ||
           e.type == EMR_POLYLINETO16)
    Polyline(e.dc, points.data(), count);
  else
    PolyBezier(e.dc, points.data(), static_cast<DWORD>(count));
  return true;
}

// The transform's six floats from byte 8.
XFORM TransformOf(const Bytes& r) {
  float values[6];
  for (std::size_t i = 0; i < 6; ++i) {
    std::uint32_t bits = r.U32(8 + 4 * i);
    std::memcpy(&values[i], &bits, sizeof bits);
  }
  return XFORM{values[0], values[1], values[2], values[3], values[4], values[5]};
}

bool PlayEnhancedMoveTo(const EnhancedRecord& e) {
  POINT p{e.r.Coord(8), e.r.Coord(12)};
  if (e.path.Open()) e.path.MoveTo(p);
  MoveToEx(e.dc, p.x, p.y, nullptr);
  return true;
}

bool PlayEnhancedLineTo(const EnhancedRecord& e) {
  POINT p{e.r.Coord(8), e.r.Coord(12)};
  if (!e.path.Open()) return LineTo(e.dc, p.x, p.y), true;
  MoveToEx(e.dc, p.x, p.y, nullptr);
  return e.path.LineTo(p);
}

bool PlayEnhancedRectangle(const EnhancedRecord& e) {
  const Bytes& r = e.r;
  LONG left = r.Coord(8), top = r.Coord(12), right = r.Coord(16) + 1, bottom = r.Coord(20) + 1;
  if (!e.path.Open()) return Rectangle(e.dc, left, top, right, bottom), true;
  e.path.MoveTo(POINT{left, top});
  bool kept = e.path.LineTo(POINT{right, top}) && e.path.LineTo(POINT{right, bottom}) &&
              e.path.LineTo(POINT{left, bottom});
  e.path.Close();
  return kept;
}

bool PlayEnhancedPolyPolygon(const EnhancedRecord& e) {
  const Bytes& r = e.r;
  std::uint32_t polygons = r.U32(24), total = r.U32(28);
  if (polygons == 0 || polygons > (1u << 16) || !r.Has(32, static_cast<std::size_t>(polygons) * 4))
    return false;
  std::vector<INT> counts;
  std::uint64_t sum = 0;
  for (std::uint32_t i = 0; i < polygons; ++i) {
    counts.push_back(static_cast<INT>(r.U32(32 + 4 * static_cast<std::size_t>(i))));
    sum += r.U32(32 + 4 * static_cast<std::size_t>(i));
  }
  std::vector<POINT> points;
  if (sum != total || !ReadPoints(r, 32 + 4 * static_cast<std::size_t>(polygons), total,
                                  e.type == EMR_POLYPOLYGON16, &points)) {
    return false;
  }
  if (e.path.Open()) {
    std::size_t at = 0;
    for (INT count : counts) {
      for (INT i = 0; i < count; ++i, ++at) {
        if (i == 0)
          e.path.MoveTo(points[at]);
        else if (!e.path.LineTo(points[at]))
          return false;
      }
      e.path.Close();
    }
    return true;
  }
  PolyPolygon(e.dc, points.data(), counts.data(), static_cast<int>(polygons));
  return true;
}

bool PlayEnhancedSelect(const EnhancedRecord& e) {
  std::uint32_t index = e.r.U32(8);
  HGDIOBJ object = (index & kStockObject) ? GetStockObject(static_cast<int>(index & ~kStockObject))
                                          : e.objects.Get(index);
  if (object) SelectObject(e.dc, object);
  return true;
}

bool PlayEnhancedText(const EnhancedRecord& e) {
  const Bytes& r = e.r;
  std::uint32_t count = r.U32(44), offString = r.U32(48), options = r.U32(52), offDx = r.U32(72);
  bool wide = e.type == EMR_EXTTEXTOUTW;
  if (count > 8192 || !r.Has(offString, static_cast<std::size_t>(count) * (wide ? 2 : 1))) return false;
  std::string text = NarrowText(r, offString, count, wide);
  RECT rect{r.Coord(56), r.Coord(60), r.Coord(64), r.Coord(68)};
  std::vector<INT> dx;
  if (offDx && r.Has(offDx, static_cast<std::size_t>(count) * 4)) {
    for (std::uint32_t i = 0; i < count; ++i) dx.push_back(r.Coord(offDx + 4 * static_cast<std::size_t>(i)));
  }
  ExtTextOut(e.dc, r.Coord(36), r.Coord(40), options & (ETO_OPAQUE | ETO_CLIPPED), &rect, text.data(),
             static_cast<UINT>(text.size()), dx.empty() ? nullptr : dx.data());
  return true;
}

bool PlayEnhancedStretchDib(const EnhancedRecord& e) {
  const Bytes& r = e.r;
  HBITMAP bitmap = DibFromRecord(r, r.U32(48), r.U32(52), r.U32(56), r.U32(60), r.U32(64));
  if (!bitmap && r.U32(52) != 0) return true;  // a bitmap this layer cannot read draws nothing
  StretchRecordBitmap(e.dc, r.Coord(24), r.Coord(28), r.Coord(72), r.Coord(76), bitmap, r.Coord(32),
                      r.Coord(36), r.Coord(40), r.Coord(44), r.U32(68));
  return true;
}

bool PlayEnhancedBlt(const EnhancedRecord& e) {
  const Bytes& r = e.r;
  bool stretch = e.type == EMR_STRETCHBLT;
  HBITMAP bitmap = r.U32(88) ? DibFromRecord(r, r.U32(84), r.U32(88), r.U32(92), r.U32(96), r.U32(80))
                             : nullptr;
  if (!bitmap && r.U32(88) != 0) return true;
  int width = r.Coord(32), height = r.Coord(36);
  StretchRecordBitmap(e.dc, r.Coord(24), r.Coord(28), width, height, bitmap, r.Coord(44), r.Coord(48),
                      stretch ? r.Coord(100) : width, stretch ? r.Coord(104) : height, r.U32(40));
  return true;
}

// A kind of enhanced record: the bytes it needs at least and how it plays (false: malformed).
struct EnhancedPlayer {
  std::uint32_t type;
  std::size_t bytes;
  bool (*play)(const EnhancedRecord&);
};
using E = const EnhancedRecord&;
const EnhancedPlayer kEnhancedPlayers[] = {
    {EMR_SETWINDOWEXTEX, 16,
     [](E e) { return SetWindowExtEx(e.dc, e.r.Coord(8), e.r.Coord(12), nullptr), true; }},
    {EMR_SETWINDOWORGEX, 16,
     [](E e) { return SetWindowOrgEx(e.dc, e.r.Coord(8), e.r.Coord(12), nullptr), true; }},
    {EMR_SETVIEWPORTEXTEX, 16,
     [](E e) { return SetViewportExtEx(e.dc, e.r.Coord(8), e.r.Coord(12), nullptr), true; }},
    {EMR_SETVIEWPORTORGEX, 16,
     [](E e) { return SetViewportOrgEx(e.dc, e.r.Coord(8), e.r.Coord(12), nullptr), true; }},
    {EMR_SETBRUSHORGEX, 16,
     [](E e) { return SetBrushOrgEx(e.dc, e.r.Coord(8), e.r.Coord(12), nullptr), true; }},
    {EMR_SETMAPMODE, 12, [](E e) { return SetMapMode(e.dc, e.r.Coord(8)), true; }},
    {EMR_SETBKMODE, 12, [](E e) { return SetBkMode(e.dc, e.r.Coord(8)), true; }},
    {EMR_SETPOLYFILLMODE, 12, [](E e) { return SetPolyFillMode(e.dc, e.r.Coord(8)), true; }},
    {EMR_SETROP2, 12, [](E e) { return SetROP2(e.dc, e.r.Coord(8)), true; }},
    {EMR_SETSTRETCHBLTMODE, 12, [](E e) { return SetStretchBltMode(e.dc, e.r.Coord(8)), true; }},
    {EMR_SETTEXTALIGN, 12, [](E e) { return SetTextAlign(e.dc, e.r.U32(8)), true; }},
    {EMR_SETTEXTCOLOR, 12, [](E e) { return SetTextColor(e.dc, e.r.U32(8)), true; }},
    {EMR_SETBKCOLOR, 12, [](E e) { return SetBkColor(e.dc, e.r.U32(8)), true; }},
    {EMR_SETPIXELV, 20, [](E e) { return SetPixelV(e.dc, e.r.Coord(8), e.r.Coord(12), e.r.U32(16)), true; }},
    {EMR_MOVETOEX, 16, PlayEnhancedMoveTo},
    {EMR_LINETO, 16, PlayEnhancedLineTo},
    {EMR_SETWORLDTRANSFORM, 32,
     [](E e) {
       XFORM transform = TransformOf(e.r);
       return SetWorldTransform(e.dc, &transform), true;
     }},
    {EMR_MODIFYWORLDTRANSFORM, 36,
     [](E e) {
       XFORM transform = TransformOf(e.r);
       return ModifyWorldTransform(e.dc, &transform, e.r.U32(32)), true;
     }},
    {EMR_BEGINPATH, 0, [](E e) { return e.path.Begin(), true; }},
    {EMR_ENDPATH, 0, [](E e) { return e.path.End(), true; }},
    {EMR_ABORTPATH, 0, [](E e) { return e.path.Abort(), true; }},
    {EMR_CLOSEFIGURE, 0, [](E e) { return e.path.Close(), true; }},
    {EMR_FILLPATH, 0, [](E e) { return e.path.Draw(e.dc, true, false), true; }},
    {EMR_STROKEPATH, 0, [](E e) { return e.path.Draw(e.dc, false, true), true; }},
    {EMR_STROKEANDFILLPATH, 0, [](E e) { return e.path.Draw(e.dc, true, true), true; }},
    {EMR_EXCLUDECLIPRECT, 24,
     [](E e) {
       return ExcludeClipRect(e.dc, e.r.Coord(8), e.r.Coord(12), e.r.Coord(16), e.r.Coord(20)), true;
     }},
    {EMR_INTERSECTCLIPRECT, 24,
     [](E e) {
       return IntersectClipRect(e.dc, e.r.Coord(8), e.r.Coord(12), e.r.Coord(16), e.r.Coord(20)), true;
     }},
    {EMR_SAVEDC, 0, [](E e) { return e.levels.Save(), true; }},
    {EMR_RESTOREDC, 12, [](E e) { return e.levels.Restore(e.r.Coord(8)), true; }},
    {EMR_RECTANGLE, 24, PlayEnhancedRectangle},
    {EMR_ELLIPSE, 24,
     [](E e) {
       return Ellipse(e.dc, e.r.Coord(8), e.r.Coord(12), e.r.Coord(16) + 1, e.r.Coord(20) + 1), true;
     }},
    {EMR_ROUNDRECT, 32,
     [](E e) {
       const Bytes& r = e.r;
       return RoundRect(e.dc, r.Coord(8), r.Coord(12), r.Coord(16) + 1, r.Coord(20) + 1, r.Coord(24),
                        r.Coord(28)),
              true;
     }},
    {EMR_ARC, 40, PlayEnhancedArc<Arc>},
    {EMR_CHORD, 40, PlayEnhancedArc<Chord>},
    {EMR_PIE, 40, PlayEnhancedArc<Pie>},
    {EMR_POLYGON, 28, PlayEnhancedPoly},
    {EMR_POLYLINE, 28, PlayEnhancedPoly},
    {EMR_POLYBEZIER, 28, PlayEnhancedPoly},
    {EMR_POLYGON16, 28, PlayEnhancedPoly},
    {EMR_POLYLINE16, 28, PlayEnhancedPoly},
    {EMR_POLYBEZIER16, 28, PlayEnhancedPoly},
    {EMR_POLYLINETO, 28, PlayEnhancedPoly},
    {EMR_POLYBEZIERTO, 28, PlayEnhancedPoly},
    {EMR_POLYLINETO16, 28, PlayEnhancedPoly},
    {EMR_POLYBEZIERTO16, 28, PlayEnhancedPoly},
    {EMR_POLYPOLYGON, 32, PlayEnhancedPolyPolygon},
    {EMR_POLYPOLYGON16, 32, PlayEnhancedPolyPolygon},
    {EMR_CREATEPEN, 28,
     [](E e) {
       return e.objects.Set(e.r.U32(8), CreatePen(e.r.Coord(12) & PS_STYLE_MASK, e.r.Coord(16), e.r.U32(24))),
              true;
     }},
    {EMR_EXTCREATEPEN, 44,
     [](E e) {
       return e.objects.Set(e.r.U32(8), CreatePen(e.r.Coord(28) & PS_STYLE_MASK, e.r.Coord(32), e.r.U32(40))),
              true;
     }},
    {EMR_CREATEBRUSHINDIRECT, 24,
     [](E e) {
       LOGBRUSH brush{e.r.U32(12), e.r.U32(16), e.r.U32(20)};
       return e.objects.Set(e.r.U32(8), CreateBrushIndirect(&brush)), true;
     }},
    {EMR_EXTCREATEFONTINDIRECTW, 12 + 92,
     [](E e) {
       LOGFONT font = FontFromWide(e.r, 12);
       return e.objects.Set(e.r.U32(8), CreateFontIndirect(&font)), true;
     }},
    {EMR_SELECTOBJECT, 12, PlayEnhancedSelect},
    {EMR_DELETEOBJECT, 12, [](E e) { return e.objects.Delete(e.r.U32(8)), true; }},
    {EMR_EXTTEXTOUTA, 76, PlayEnhancedText},
    {EMR_EXTTEXTOUTW, 76, PlayEnhancedText},
    {EMR_STRETCHDIBITS, 80, PlayEnhancedStretchDib},
    {EMR_BITBLT, 100, PlayEnhancedBlt},
    {EMR_STRETCHBLT, 108, PlayEnhancedBlt},
};

// Plays one enhanced metafile record; false for a malformed one. Records of no other kind
// change nothing visible here.
bool PlayEnhancedRecord(HDC dc, const Bytes& r, ObjectTable& objects, SaveLevels& levels,
                        RecordedPath& path) {
  const std::uint32_t type = r.U32(0);
  for (const EnhancedPlayer& player : kEnhancedPlayers) {
    if (player.type == type)
      return r.Has(0, player.bytes) && player.play({dc, r, type, objects, levels, path});
  }
  return true;
}

// Windows metafile records by function number.
enum : std::uint16_t {
  META_EOF = 0x0000,
  META_SAVEDC = 0x001E,
  META_REALIZEPALETTE = 0x0035,
  META_SETBKMODE = 0x0102,
  META_SETMAPMODE = 0x0103,
  META_SETROP2 = 0x0104,
  META_SETPOLYFILLMODE = 0x0106,
  META_SETSTRETCHBLTMODE = 0x0107,
  META_RESTOREDC = 0x0127,
  META_SELECTOBJECT = 0x012D,
  META_SETTEXTALIGN = 0x012E,
  META_DIBCREATEPATTERNBRUSH = 0x0142,
  META_DELETEOBJECT = 0x01F0,
  META_SETBKCOLOR = 0x0201,
  META_SETTEXTCOLOR = 0x0209,
  META_SETWINDOWORG = 0x020B,
  META_SETWINDOWEXT = 0x020C,
  META_SETVIEWPORTORG = 0x020D,
  META_SETVIEWPORTEXT = 0x020E,
  META_OFFSETWINDOWORG = 0x020F,
  META_LINETO = 0x0213,
  META_MOVETO = 0x0214,
  META_SELECTPALETTE = 0x0234,
  META_CREATEPENINDIRECT = 0x02FA,
  META_CREATEFONTINDIRECT = 0x02FB,
  META_CREATEBRUSHINDIRECT = 0x02FC,
  META_POLYGON = 0x0324,
  META_POLYLINE = 0x0325,
  META_SCALEWINDOWEXT = 0x0410,
  META_EXCLUDECLIPRECT = 0x0415,
  META_INTERSECTCLIPRECT = 0x0416,
  META_ELLIPSE = 0x0418,
  META_RECTANGLE = 0x041B,
  META_SETPIXEL = 0x041F,
  META_TEXTOUT = 0x0521,
  META_POLYPOLYGON = 0x0538,
  META_ROUNDRECT = 0x061C,
  META_ARC = 0x0817,
  META_PIE = 0x081A,
  META_CHORD = 0x0830,
  META_DIBBITBLT = 0x0940,
  META_EXTTEXTOUT = 0x0A32,
  META_DIBSTRETCHBLT = 0x0B41,
  META_STRETCHDIB = 0x0F43,
  META_CREATEPALETTE = 0x00F7
};

// One Windows metafile record being played: its parameters are 16-bit words from byte 6 on.
// `scaled` pictures keep the placement's viewport: their own viewport records are ignored.
struct WindowsRecord {
  HDC dc;
  const Bytes& r;
  std::uint16_t function;
  ObjectTable& objects;
  SaveLevels& levels;
  bool scaled;

  bool Words(std::size_t count) const { return r.Has(6, 2 * count); }
  int S(std::size_t index) const { return static_cast<int>(r.S16(6 + 2 * index)); }
  UINT U(std::size_t index) const { return static_cast<UINT>(r.U16(6 + 2 * index)); }
  COLORREF Color(std::size_t index) const { return static_cast<COLORREF>(r.U32(6 + 2 * index)); }
  // Points as (x, y) word pairs from a word on.
  bool ReadPoints(std::size_t firstWord, std::size_t count, std::vector<POINT>* points) const {
    if (count > 65535 || !Words(firstWord + 2 * count)) return false;
    points->clear();
    for (std::size_t i = 0; i < count; ++i)
      points->push_back(POINT{S(firstWord + 2 * i), S(firstWord + 2 * i + 1)});
    return true;
  }
};

// Windows records keep their parameters last first.
template <ArcCall Draw>
bool PlayWindowsArc(const WindowsRecord& w) {
  Draw(w.dc, w.S(7), w.S(6), w.S(5), w.S(4), w.S(3), w.S(2), w.S(1), w.S(0));
  return true;
}

bool PlayWindowsScaleWindowExt(const WindowsRecord& w) {
  if (w.S(0) == 0 || w.S(2) == 0) return true;
  SIZE extent;
  GetWindowExtEx(w.dc, &extent);
  SetWindowExtEx(w.dc, extent.cx * w.S(3) / w.S(2), extent.cy * w.S(1) / w.S(0), nullptr);
  return true;
}

bool PlayWindowsPoly(const WindowsRecord& w) {
  std::vector<POINT> points;
  if (!w.ReadPoints(1, w.U(0), &points)) return false;
  if (w.function == META_POLYGON)
    Polygon(w.dc, points.data(), static_cast<int>(points.size()));
  else
    Polyline(w.dc, points.data(), static_cast<int>(points.size()));
  return true;
}

bool PlayWindowsPolyPolygon(const WindowsRecord& w) {
  if (!w.Words(1 + w.U(0))) return false;
  std::vector<INT> counts;
  std::size_t total = 0;
  for (std::size_t i = 0; i < w.U(0); ++i) {
    counts.push_back(static_cast<INT>(w.U(1 + i)));
    total += w.U(1 + i);
  }
  std::vector<POINT> points;
  if (counts.empty() || !w.ReadPoints(1 + counts.size(), total, &points)) return false;
  PolyPolygon(w.dc, points.data(), counts.data(), static_cast<int>(counts.size()));
  return true;
}

bool PlayWindowsBrush(const WindowsRecord& w) {
  LOGBRUSH brush{w.U(0), w.Color(1), w.U(3)};
  HBRUSH made = CreateBrushIndirect(&brush);
  w.objects.AddToFirstFree(made ? made : CreateSolidBrush(w.Color(1)));
  return true;
}

bool PlayWindowsPatternBrush(const WindowsRecord& w) {
  const Bytes& r = w.r;
  std::size_t offInfo = 10;
  HBITMAP bitmap = nullptr;
  if (r.Has(offInfo, sizeof(BITMAPINFOHEADER))) {
    std::uint32_t bits = r.U16(offInfo + 14), used = r.U32(offInfo + 32);
    std::size_t colours = bits <= 8 ? (used ? used : (1u << bits)) : 0;
    std::size_t infoSize = sizeof(BITMAPINFOHEADER) + std::min<std::size_t>(colours, 256) * 4;
    bitmap = DibFromRecord(r, offInfo, infoSize, offInfo + infoSize,
                           r.Size() - std::min(r.Size(), offInfo + infoSize), w.U(1));
  }
  w.objects.AddToFirstFree(bitmap ? CreatePatternBrush(bitmap) : CreateSolidBrush(0));
  if (bitmap) DeleteObject(bitmap);
  return true;
}

bool PlayWindowsFont(const WindowsRecord& w) {
  const Bytes& r = w.r;
  LOGFONT font{};
  font.lfHeight = w.S(0);
  font.lfWidth = w.S(1);
  font.lfEscapement = w.S(2);
  font.lfOrientation = w.S(3);
  font.lfWeight = w.S(4);
  std::memcpy(&font.lfItalic, r.At(16), 8);
  for (std::size_t i = 0; i < LF_FACESIZE - 1 && r.Has(24 + i, 1) && r.At(24)[i]; ++i) {
    font.lfFaceName[i] = static_cast<CHAR>(r.At(24)[i]);
  }
  w.objects.AddToFirstFree(CreateFontIndirect(&font));
  return true;
}

bool PlayWindowsSelect(const WindowsRecord& w) {
  if (HGDIOBJ object = w.objects.Get(w.U(0))) {
    if (GetObjectType(object) != OBJ_PAL) SelectObject(w.dc, object);
  }
  return true;
}

bool PlayWindowsTextOut(const WindowsRecord& w) {
  std::size_t count = w.U(0), padded = (count + 1) / 2;
  if (!w.Words(1 + padded + 2)) return false;
  TextOut(w.dc, w.S(1 + padded + 1), w.S(1 + padded), reinterpret_cast<const char*>(w.r.At(8)),
          static_cast<int>(count));
  return true;
}

bool PlayWindowsExtTextOut(const WindowsRecord& w) {
  const Bytes& r = w.r;
  UINT count = w.U(2), options = w.U(3);
  std::size_t text = 14;
  RECT rect{};
  bool hasRect = options & (ETO_OPAQUE | ETO_CLIPPED);
  if (hasRect) {
    if (!w.Words(8)) return false;
    rect = RECT{w.S(4), w.S(5), w.S(6), w.S(7)};
    text = 22;
  }
  if (!r.Has(text, count)) return false;
  std::vector<INT> dx;
  std::size_t offDx = text + ((count + 1) & ~1u);
  if (r.Has(offDx, 2 * static_cast<std::size_t>(count))) {
    for (UINT i = 0; i < count; ++i) dx.push_back(r.S16(offDx + 2 * i));
  }
  ExtTextOut(w.dc, w.S(1), w.S(0), options & (ETO_OPAQUE | ETO_CLIPPED), hasRect ? &rect : nullptr,
             reinterpret_cast<const char*>(r.At(text)), count, dx.empty() ? nullptr : dx.data());
  return true;
}

// rop, then the rectangles (source before destination, y before x), then the bitmap.
bool PlayWindowsDib(const WindowsRecord& w) {
  const Bytes& r = w.r;
  bool blit = w.function == META_DIBBITBLT, withUsage = w.function == META_STRETCHDIB;
  std::size_t rects = blit ? 6 : 8, first = 2 + (withUsage ? 1 : 0);
  DWORD rop = r.U32(6);
  int ySrc, xSrc, srcHeight, srcWidth, height, width, y, x;
  if (blit) {
    ySrc = w.S(first);
    xSrc = w.S(first + 1);
    height = w.S(first + 2);
    width = w.S(first + 3);
    y = w.S(first + 4);
    x = w.S(first + 5);
    srcHeight = height;
    srcWidth = width;
  } else {
    srcHeight = w.S(first);
    srcWidth = w.S(first + 1);
    ySrc = w.S(first + 2);
    xSrc = w.S(first + 3);
    height = w.S(first + 4);
    width = w.S(first + 5);
    y = w.S(first + 6);
    x = w.S(first + 7);
  }
  std::size_t offInfo = 6 + 2 * (first + rects);
  HBITMAP bitmap = nullptr;
  if (r.Has(offInfo, sizeof(BITMAPINFOHEADER))) {
    std::uint32_t bits = r.U16(offInfo + 14), used = r.U32(offInfo + 32);
    std::size_t colours = bits <= 8 ? (used ? std::min<std::uint32_t>(used, 256)
                                            : (1u << std::min<std::uint32_t>(bits, 8)))
                                    : 0;
    std::size_t infoSize = sizeof(BITMAPINFOHEADER) + colours * 4;
    bitmap = DibFromRecord(r, offInfo, infoSize, offInfo + infoSize,
                           r.Size() - std::min(r.Size(), offInfo + infoSize),
                           withUsage ? w.U(2) : DIB_RGB_COLORS);
    if (!bitmap) return true;
  }
  StretchRecordBitmap(w.dc, x, y, width, height, bitmap, xSrc, ySrc, srcWidth, srcHeight, rop);
  return true;
}

// A kind of Windows record: the parameter words it needs at least and how it plays.
struct WindowsPlayer {
  std::uint16_t function;
  std::size_t words;
  bool (*play)(const WindowsRecord&);
};
using W = const WindowsRecord&;
const WindowsPlayer kWindowsPlayers[] = {
    {META_SETBKMODE, 1, [](W w) { return SetBkMode(w.dc, w.S(0)), true; }},
    {META_SETMAPMODE, 1, [](W w) { return w.scaled || (SetMapMode(w.dc, w.S(0)), true); }},
    {META_SETROP2, 1, [](W w) { return SetROP2(w.dc, w.S(0)), true; }},
    {META_SETPOLYFILLMODE, 1, [](W w) { return SetPolyFillMode(w.dc, w.S(0)), true; }},
    {META_SETSTRETCHBLTMODE, 1, [](W w) { return SetStretchBltMode(w.dc, w.S(0)), true; }},
    {META_SETTEXTALIGN, 1, [](W w) { return SetTextAlign(w.dc, w.U(0)), true; }},
    {META_SETBKCOLOR, 2, [](W w) { return SetBkColor(w.dc, w.Color(0)), true; }},
    {META_SETTEXTCOLOR, 2, [](W w) { return SetTextColor(w.dc, w.Color(0)), true; }},
    {META_SETWINDOWORG, 2, [](W w) { return SetWindowOrgEx(w.dc, w.S(1), w.S(0), nullptr), true; }},
    {META_SETWINDOWEXT, 2, [](W w) { return SetWindowExtEx(w.dc, w.S(1), w.S(0), nullptr), true; }},
    {META_SETVIEWPORTORG, 2,
     [](W w) { return w.scaled || (SetViewportOrgEx(w.dc, w.S(1), w.S(0), nullptr), true); }},
    {META_SETVIEWPORTEXT, 2,
     [](W w) { return w.scaled || (SetViewportExtEx(w.dc, w.S(1), w.S(0), nullptr), true); }},
    {META_OFFSETWINDOWORG, 2, [](W w) { return OffsetWindowOrgEx(w.dc, w.S(1), w.S(0), nullptr), true; }},
    {META_SCALEWINDOWEXT, 4, PlayWindowsScaleWindowExt},
    {META_MOVETO, 2, [](W w) { return MoveToEx(w.dc, w.S(1), w.S(0), nullptr), true; }},
    {META_LINETO, 2, [](W w) { return LineTo(w.dc, w.S(1), w.S(0)), true; }},
    {META_SETPIXEL, 4, [](W w) { return SetPixelV(w.dc, w.S(3), w.S(2), w.Color(0)), true; }},
    {META_RECTANGLE, 4, [](W w) { return Rectangle(w.dc, w.S(3), w.S(2), w.S(1), w.S(0)), true; }},
    {META_ELLIPSE, 4, [](W w) { return Ellipse(w.dc, w.S(3), w.S(2), w.S(1), w.S(0)), true; }},
    {META_ROUNDRECT, 6,
     [](W w) { return RoundRect(w.dc, w.S(5), w.S(4), w.S(3), w.S(2), w.S(1), w.S(0)), true; }},
    {META_ARC, 8, PlayWindowsArc<Arc>},
    {META_PIE, 8, PlayWindowsArc<Pie>},
    {META_CHORD, 8, PlayWindowsArc<Chord>},
    {META_EXCLUDECLIPRECT, 4,
     [](W w) { return ExcludeClipRect(w.dc, w.S(3), w.S(2), w.S(1), w.S(0)), true; }},
    {META_INTERSECTCLIPRECT, 4,
     [](W w) { return IntersectClipRect(w.dc, w.S(3), w.S(2), w.S(1), w.S(0)), true; }},
    {META_POLYGON, 1, PlayWindowsPoly},
    {META_POLYLINE, 1, PlayWindowsPoly},
    {META_POLYPOLYGON, 1, PlayWindowsPolyPolygon},
    {META_SAVEDC, 0, [](W w) { return w.levels.Save(), true; }},
    {META_RESTOREDC, 1, [](W w) { return w.levels.Restore(w.S(0)), true; }},
    {META_CREATEPENINDIRECT, 5,
     [](W w) {
       return w.objects.AddToFirstFree(CreatePen(w.S(0) & PS_STYLE_MASK, w.S(1), w.Color(3))), true;
     }},
    {META_CREATEBRUSHINDIRECT, 4, PlayWindowsBrush},
    {META_DIBCREATEPATTERNBRUSH, 2, PlayWindowsPatternBrush},
    {META_CREATEFONTINDIRECT, 9, PlayWindowsFont},
    // Palettes change nothing on this device, but they take an index.
    {META_CREATEPALETTE, 0,
     [](W w) {
       LOGPALETTE palette{0x300, 1, {{0, 0, 0, 0}}};
       return w.objects.AddToFirstFree(CreatePalette(&palette)), true;
     }},
    {META_SELECTOBJECT, 1, PlayWindowsSelect},
    {META_DELETEOBJECT, 1, [](W w) { return w.objects.Delete(w.U(0)), true; }},
    {META_TEXTOUT, 1, PlayWindowsTextOut},
    {META_EXTTEXTOUT, 4, PlayWindowsExtTextOut},
    {META_STRETCHDIB, 11, PlayWindowsDib},
    {META_DIBSTRETCHBLT, 10, PlayWindowsDib},
    {META_DIBBITBLT, 8, PlayWindowsDib},
};

// Plays one Windows metafile record; false for a malformed one. Records of no other kind
// (palette selection and realisation among them) change nothing here.
bool PlayWindowsRecord(HDC dc, const Bytes& r, ObjectTable& objects, SaveLevels& levels, bool scaled) {
  const std::uint16_t function = r.U16(4);
  for (const WindowsPlayer& player : kWindowsPlayers) {
    if (player.function == function)
      return r.Has(6, 2 * player.words) && player.play({dc, r, function, objects, levels, scaled});
  }
  return true;
}

platform::gdi::MetaFile* FindMetaFile(HENHMETAFILE handle) {
  return static_cast<platform::gdi::MetaFile*>(
      platform::gdi::FindObject(handle, platform::gdi::GdiObject::Type::kMetaFile));
}

HENHMETAFILE Register(std::unique_ptr<platform::gdi::MetaFile> metafile) {
  return static_cast<HENHMETAFILE>(platform::gdi::RegisterObject(std::move(metafile)));
}

// Prepares the device context for a picture: default attributes (the clip region stays),
// and the picture's device space placed onto the destination.
void BeginPicture(HDC dc) {
  platform::gdi::DeviceContext* context = platform::gdi::FindDC(dc);
  platform::gdi::DcState kept = context->state;
  platform::gdi::ResetState(context->state);
  context->state.hasClip = kept.hasClip;
  context->state.clip = kept.clip;
}

}  // namespace

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* bits) {
  if (!bits || size < 88) return nullptr;
  Bytes data(bits, size);
  auto metafile = std::make_unique<platform::gdi::MetaFile>();
  std::memcpy(&metafile->header, bits,
              std::min<std::size_t>(sizeof(ENHMETAHEADER), std::min<std::size_t>(size, data.U32(4))));
  const ENHMETAHEADER& header = metafile->header;
  if (header.iType != EMR_HEADER || header.nSize < 88 || header.nSize > size ||
      header.dSignature != ENHMETA_SIGNATURE || header.nBytes > size || header.nBytes < header.nSize) {
    return nullptr;
  }
  if (header.nSize < sizeof(ENHMETAHEADER)) {
    std::memset(reinterpret_cast<BYTE*>(&metafile->header) + header.nSize, 0,
                sizeof(ENHMETAHEADER) - header.nSize);
  }
  metafile->bytes.assign(bits, bits + metafile->header.nBytes);
  return Register(std::move(metafile));
}

HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* bits, HDC, const METAFILEPICT* picture) {
  if (!bits || size < 18) return nullptr;
  Bytes data(bits, size);
  std::uint16_t type = data.U16(0), headerWords = data.U16(2);
  std::uint64_t bytes = static_cast<std::uint64_t>(data.U32(6)) * 2;
  if ((type != 1 && type != 2) || headerWords != 9 || bytes < 18 || bytes > size) return nullptr;
  auto metafile = std::make_unique<platform::gdi::MetaFile>();
  metafile->windows = true;
  metafile->bytes.assign(bits, bits + bytes);
  metafile->picture = picture ? *picture : METAFILEPICT{MM_ANISOTROPIC, 0, 0, nullptr};
  // The header an enhanced metafile of it would have: the picture's extents as its frame.
  ENHMETAHEADER& header = metafile->header;
  header.iType = EMR_HEADER;
  header.nSize = sizeof(ENHMETAHEADER);
  header.dSignature = ENHMETA_SIGNATURE;
  header.nVersion = 0x10000;
  header.nBytes = static_cast<DWORD>(bytes);
  header.szlDevice = SIZE{1280, 1024};
  header.szlMillimeters = SIZE{338, 270};
  LONG width = std::max<LONG>(1, metafile->picture.xExt), height = std::max<LONG>(1, metafile->picture.yExt);
  header.rclFrame = RECT{0, 0, width - 1, height - 1};
  header.rclBounds = RECT{0, 0, static_cast<LONG>(static_cast<std::int64_t>(width) * 96 / 2540) - 1,
                          static_cast<LONG>(static_cast<std::int64_t>(height) * 96 / 2540) - 1};
  return Register(std::move(metafile));
}

UINT GetEnhMetaFileHeader(HENHMETAFILE handle, UINT size, ENHMETAHEADER* header) {
  platform::gdi::MetaFile* metafile = FindMetaFile(handle);
  if (!metafile) return 0;
  if (!header) return sizeof(ENHMETAHEADER);
  UINT copied = std::min<UINT>(size, sizeof(ENHMETAHEADER));
  std::memcpy(header, &metafile->header, copied);
  return copied;
}

UINT GetEnhMetaFilePaletteEntries(HENHMETAFILE handle, UINT count, PALETTEENTRY* entries) {
  platform::gdi::MetaFile* metafile = FindMetaFile(handle);
  if (!metafile) return GDI_ERROR;
  if (metafile->windows || metafile->header.nPalEntries == 0) return 0;
  // The entries travel in the last record.
  Bytes data(metafile->bytes.data(), metafile->bytes.size());
  if (!data.Has(data.Size() - std::min<std::size_t>(data.Size(), 20), 20)) return 0;
  std::size_t last = data.Size() - data.U32(data.Size() - 4);
  if (last >= data.Size() || !data.Has(last, 16) || data.U32(last) != EMR_EOF) return 0;
  std::uint32_t available = data.U32(last + 8), offset = data.U32(last + 12);
  if (!data.Has(last + offset, static_cast<std::size_t>(available) * 4)) return 0;
  if (!entries) return available;
  UINT copied = std::min(count, available);
  std::memcpy(entries, data.At(last + offset), static_cast<std::size_t>(copied) * 4);
  return copied;
}

BOOL DeleteEnhMetaFile(HENHMETAFILE handle) {
  platform::gdi::MetaFile* metafile = FindMetaFile(handle);
  if (!metafile) return FALSE;
  platform::gdi::DestroyObject(metafile);
  return TRUE;
}

BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE handle, const RECT* rect) {
  platform::gdi::MetaFile* metafile = FindMetaFile(handle);
  platform::gdi::DeviceContext* context = platform::gdi::FindDC(dc);
  if (!metafile || !context || !rect) return FALSE;
  RECT target = platform::gdi::ToDevice(context->state, *rect);
  ObjectTable objects(dc);  // outlives the playback's saved state, so nothing selected is deleted
  int outer = SaveDC(dc);
  BeginPicture(dc);
  bool played = true;
  {
    SaveLevels levels(dc);
    Bytes data(metafile->bytes.data(), metafile->bytes.size());
    if (metafile->windows) {
      // The picture's logical space (its window) fills the destination.
      bool scaled = metafile->picture.mm == MM_ANISOTROPIC || metafile->picture.mm == MM_ISOTROPIC;
      SetMapMode(dc, scaled ? MM_ANISOTROPIC : MM_TEXT);
      SetViewportOrgEx(dc, target.left, target.top, nullptr);
      if (scaled) {
        SetWindowExtEx(dc, std::max<LONG>(1, target.right - target.left),
                       std::max<LONG>(1, target.bottom - target.top), nullptr);
        SetViewportExtEx(dc, std::max<LONG>(1, target.right - target.left),
                         std::max<LONG>(1, target.bottom - target.top), nullptr);
      }
      for (std::size_t offset = 18; offset + 6 <= data.Size();) {
        std::uint64_t bytes = static_cast<std::uint64_t>(data.U32(offset)) * 2;
        if (bytes < 6 || bytes > data.Size() - offset) {
          played = false;
          break;
        }
        Bytes record(data.At(offset), static_cast<std::size_t>(bytes));
        if (record.U16(4) == META_EOF) break;
        if (!PlayWindowsRecord(dc, record, objects, levels, scaled)) {
          played = false;
          break;
        }
        offset += static_cast<std::size_t>(bytes);
      }
    } else {
      // The frame (0.01 mm) in the reference device's pixels is placed onto the destination.
      const ENHMETAHEADER& header = metafile->header;
      double pixelsX = header.szlMillimeters.cx > 0 ? header.szlDevice.cx / (header.szlMillimeters.cx * 100.0)
                                                    : 96 / 2540.0;
      double pixelsY = header.szlMillimeters.cy > 0 ? header.szlDevice.cy / (header.szlMillimeters.cy * 100.0)
                                                    : 96 / 2540.0;
      // Differences of the file's 32-bit values taken in doubles, where they cannot overflow.
      const RECT& frame = header.rclFrame;
      const RECT& bounds = header.rclBounds;
      double left = frame.left * pixelsX, top = frame.top * pixelsY;
      double width = (static_cast<double>(frame.right) - frame.left) * pixelsX;
      double height = (static_cast<double>(frame.bottom) - frame.top) * pixelsY;
      if (width <= 0 || height <= 0) {
        left = bounds.left;
        top = bounds.top;
        width = static_cast<double>(bounds.right) - bounds.left + 1;
        height = static_cast<double>(bounds.bottom) - bounds.top + 1;
      }
      platform::gdi::DcState& state = context->state;
      state.placeScaleX = width > 0 ? (target.right - target.left) / width : 1;
      state.placeScaleY = height > 0 ? (target.bottom - target.top) / height : 1;
      state.placeOffsetX = target.left - left * state.placeScaleX;
      state.placeOffsetY = target.top - top * state.placeScaleY;
      RecordedPath path;
      for (std::size_t offset = metafile->header.nSize; offset + 8 <= data.Size();) {
        std::uint32_t bytes = data.U32(offset + 4);
        if (bytes < 8 || bytes % 4 != 0 || bytes > data.Size() - offset) {
          played = false;
          break;
        }
        Bytes record(data.At(offset), bytes);
        if (record.U32(0) == EMR_EOF) break;
        if (!PlayEnhancedRecord(dc, record, objects, levels, path)) {
          played = false;
          break;
        }
        offset += bytes;
      }
    }
  }
  RestoreDC(dc, outer);
  return played;
}
