// Logical fonts, text metrics and extents, text output, DrawText and glyph outlines.
#include "platform/gdi/Text.h"

#include "platform/gdi/detail/Fonts.h"
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/DcState.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/detail/Canvas.h"
#include "platform/gdi/detail/Fonts.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Rect.h"

using platform::gdi::DeviceContext;
using platform::gdi::SizedFont;

namespace {

// The DC's font at its device size.
bool FontOf(const DeviceContext& dc, SizedFont* font) {
  platform::gdi::Font* object = platform::gdi::FindFont(dc.state.font);
  if (!object) object = platform::gdi::FindFont(GetStockObject(SYSTEM_FONT));
  double scale = std::fabs(platform::gdi::MappingOf(dc.state).scaleY);
  if (!platform::gdi::Realize(object->logFont, scale, font)) return false;
  font->Activate();
  return true;
}

LONG TextWidth(const SizedFont& font, const char* text, std::size_t count) {
  LONG width = 0;
  for (std::size_t i = 0; i < count; ++i) width += font.Advance(static_cast<unsigned char>(text[i]));
  return width;
}

double LogicalFromDevice(const DeviceContext& dc, double device, bool vertical) {
  platform::gdi::Mapping m = platform::gdi::MappingOf(dc.state);
  double scale = std::fabs(vertical ? m.scaleY : m.scaleX);
  return scale > 0 ? device / scale : device;
}

// Blends one glyph bitmap in the text colour, its top-left corner at device (x, y); only the
// part over the clip box is visited.
void BlendBitmap(platform::gdi::PixelWriter& writer, const RECT& clipBox, const FT_Bitmap& bitmap, int x,
                 int y, COLORREF color) {
  const int red = GetRValue(color), green = GetGValue(color), blue = GetBValue(color);
  const int rows = static_cast<int>(bitmap.rows), columns = static_cast<int>(bitmap.width);
  const int firstRow = std::max(0, clipBox.top - y), lastRow = std::min(rows, clipBox.bottom - y);
  const int firstColumn = std::max(0, clipBox.left - x), lastColumn = std::min(columns, clipBox.right - x);
  for (int row = firstRow; row < lastRow; ++row) {
    const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    for (int column = firstColumn; column < lastColumn; ++column) {
      int coverage = bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                         ? ((line[column >> 3] >> (7 - (column & 7))) & 1) * 255
                         : line[column];
      if (coverage == 0) continue;
      std::uint32_t* pixel = writer.At(x + column, y + row);
      if (!pixel) continue;
      auto mix = [coverage](int dest, int text) { return dest + (text - dest) * coverage / 255; };
      int r = mix((*pixel >> 16) & 0xFF, red), g = mix((*pixel >> 8) & 0xFF, green),
          b = mix(*pixel & 0xFF, blue);
      *pixel = 0xFF000000u | (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
               static_cast<std::uint32_t>(b);
    }
  }
}

// Far beyond any surface, yet a device coordinate plus a run's length stays within an int.
constexpr double kReach = 1 << 28;

// Draws a run with its baseline starting at device point `origin`; `advances` are device
// pixels per character. The run turns by the font's escapement.
void DrawRun(DeviceContext& dc, const SizedFont& font, POINT origin, const char* text, std::size_t count,
             const std::vector<LONG>& advances) {
  platform::gdi::PixelWriter writer(dc);
  const double cosA = std::cos(font.escapement), sinA = std::sin(font.escapement);
  FT_Matrix rotation{
      static_cast<FT_Fixed>(std::lround(cosA * 65536)), static_cast<FT_Fixed>(std::lround(-sinA * 65536)),
      static_cast<FT_Fixed>(std::lround(sinA * 65536)), static_cast<FT_Fixed>(std::lround(cosA * 65536))};
  bool rotated = font.escapement != 0;
  FT_Set_Transform(font.face, rotated ? &rotation : nullptr, nullptr);
  double pen = 0;
  FT_Int32 flags = FT_LOAD_RENDER | (font.antialias ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
  // The clip box in device coordinates; a glyph whose em square, with room for strokes that
  // leave it, lies wholly outside is not rendered at all.
  RECT clipBox = writer.Clip().Box();
  OffsetRect(&clipBox, -writer.Origin().x, -writer.Origin().y);
  const double reach = 2 * std::max(font.emHeight, font.emWidth);
  for (std::size_t i = 0; i < count; ++i) {
    auto character = static_cast<unsigned char>(text[i]);
    double px = origin.x + pen * cosA, py = origin.y - pen * sinA;
    const bool nearClip = px + reach > clipBox.left && px - reach < clipBox.right &&
                          py + reach > clipBox.top && py - reach < clipBox.bottom;
    if (nearClip && platform::gdi::LoadGlyph(font.face, font.Glyph(character), flags) == 0) {
      const FT_GlyphSlot slot = font.face->glyph;
      BlendBitmap(writer, clipBox, slot->bitmap, static_cast<int>(std::lround(px)) + slot->bitmap_left,
                  static_cast<int>(std::lround(py)) - slot->bitmap_top, dc.state.textColor);
    }
    pen += advances[i];
  }
  FT_Set_Transform(font.face, nullptr, nullptr);
  // Underline and strike-out lines, horizontal runs only.
  if (!rotated && (font.underline || font.strikeOut)) {
    LONG thickness = std::max<LONG>(1, std::lround(font.emHeight / 14));
    auto bar = [&](LONG top) {
      const LONG right = std::min<LONG>(clipBox.right,
                                        origin.x + static_cast<LONG>(std::clamp(pen, -kReach, kReach)));
      for (LONG y = std::max<LONG>(top, clipBox.top); y < std::min<LONG>(top + thickness, clipBox.bottom);
           ++y) {
        for (LONG x = std::max<LONG>(origin.x, clipBox.left); x < right; ++x) {
          if (std::uint32_t* pixel = writer.At(x, y)) *pixel = platform::gdi::PixelOf(dc.state.textColor);
        }
      }
    };
    if (font.underline) bar(origin.y + std::max<LONG>(1, font.descent / 3));
    if (font.strikeOut) bar(origin.y - font.ascent / 3);
  }
}

// Output of one run at a logical point with the DC's alignment and background.
BOOL Output(HDC handle, int x, int y, UINT options, const RECT* rect, const char* text, std::size_t count,
            const INT* dx) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || (!text && count)) return FALSE;
  auto lock = platform::gdi::FontLock();
  SizedFont font;
  if (!FontOf(*dc, &font)) return FALSE;
  // A metafile's spacing is any number: each advance and the run's width stay within kReach.
  std::vector<LONG> advances(count);
  LONG width = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const double advance = dx ? platform::gdi::ScaleLength(dc->state, dx[i])
                              : font.Advance(static_cast<unsigned char>(text[i]));
    advances[i] = static_cast<LONG>(std::lround(std::clamp(advance, -kReach, kReach)));
    width = static_cast<LONG>(std::clamp(static_cast<double>(width) + advances[i], -kReach, kReach));
  }
  UINT align = dc->state.textAlign;
  POINT start = (align & TA_UPDATECP) ? dc->state.current : POINT{x, y};
  POINT device = platform::gdi::ToDevice(dc->state, start);
  if ((align & TA_CENTER) == TA_CENTER)
    device.x -= width / 2;
  else if (align & TA_RIGHT)
    device.x -= width;
  LONG baseline = device.y;
  if ((align & TA_BASELINE) == TA_BASELINE)
    baseline = device.y;
  else if (align & TA_BOTTOM)
    baseline = device.y - font.descent;
  else
    baseline = device.y + font.ascent;
  if (align & TA_UPDATECP) {
    LONG logicalWidth = static_cast<LONG>(std::lround(LogicalFromDevice(*dc, width, false)));
    if ((align & TA_CENTER) != TA_CENTER)
      dc->state.current.x += (align & TA_RIGHT) ? -logicalWidth : logicalWidth;
  }

  int saved = 0;
  if (rect && (options & ETO_CLIPPED)) {
    saved = SaveDC(handle);
    IntersectClipRect(handle, rect->left, rect->top, rect->right, rect->bottom);
  }
  if (rect && (options & ETO_OPAQUE)) {
    HBRUSH background = CreateSolidBrush(dc->state.bkColor);
    FillRect(handle, rect, background);
    DeleteObject(background);
  }
  if (dc->state.bkMode == OPAQUE && font.escapement == 0) {
    // The run's cell in the background colour, in device coordinates.
    platform::gdi::Canvas canvas(*dc);
    canvas.SetColor(dc->state.bkColor);
    platform::gdi::DevicePath cell;
    cell.Rectangle(device.x, baseline - font.ascent, width, font.ascent + font.descent);
    canvas.SetFillPath(cell);
    cairo_fill(canvas.cr());
  }
  DrawRun(*dc, font, POINT{device.x, baseline}, text, count, advances);
  if (saved) RestoreDC(handle, saved);
  return TRUE;
}

struct Line {
  std::string text;
  int prefixAt = -1;  // index of the character to underline
};

// Splits at line breaks, takes "&" prefixes out and, with a width limit, wraps at spaces.
std::vector<Line> LayOut(const SizedFont& font, const std::string& text, UINT format, LONG maxWidth) {
  std::vector<Line> lines(1);
  auto width = [&](const std::string& s) { return TextWidth(font, s.data(), s.size()); };
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (!(format & DT_SINGLELINE) && (c == '\n' || c == '\r')) {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
      continue;
    }
    if (!(format & DT_NOPREFIX) && c == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        ++i;
      } else {
        if (i + 1 < text.size()) lines.back().prefixAt = static_cast<int>(lines.back().text.size());
        continue;
      }
    }
    if (c == '\t' && (format & DT_EXPANDTABS)) {
      lines.back().text.append(8, ' ');
      continue;
    }
    lines.back().text += c;
  }
  if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) return lines;
  std::vector<Line> wrapped;
  for (const Line& line : lines) {
    std::string rest = line.text;
    int prefix = line.prefixAt;
    do {
      std::size_t cut = rest.size();
      if (width(rest) > maxWidth) {
        // The longest start that fits and ends before a space; a single long word stays whole.
        std::size_t space = std::string::npos;
        for (std::size_t at = rest.find(' '); at != std::string::npos; at = rest.find(' ', at + 1)) {
          if (width(rest.substr(0, at)) > maxWidth) break;
          space = at;
        }
        if (space == std::string::npos) space = rest.find(' ');
        if (space != std::string::npos) cut = space;
      }
      Line piece{rest.substr(0, cut), prefix >= 0 && prefix < static_cast<int>(cut) ? prefix : -1};
      wrapped.push_back(piece);
      std::size_t next = cut;
      while (next < rest.size() && rest[next] == ' ') ++next;
      prefix = prefix >= static_cast<int>(next) ? prefix - static_cast<int>(next) : -1;
      rest = rest.substr(next);
    } while (!rest.empty());
  }
  return wrapped;
}

}  // namespace

HFONT CreateFontIndirect(const LOGFONT* logFont) {
  if (!logFont) return nullptr;
  auto font = std::make_unique<platform::gdi::Font>();
  font->logFont = *logFont;
  font->logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
  return static_cast<HFONT>(platform::gdi::RegisterObject(std::move(font)));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                 DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
  LOGFONT logFont{height,
                  width,
                  escapement,
                  orientation,
                  weight,
                  static_cast<BYTE>(italic),
                  static_cast<BYTE>(underline),
                  static_cast<BYTE>(strikeOut),
                  static_cast<BYTE>(charSet),
                  static_cast<BYTE>(outPrecision),
                  static_cast<BYTE>(clipPrecision),
                  static_cast<BYTE>(quality),
                  static_cast<BYTE>(pitchAndFamily),
                  {}};
  if (faceName) std::strncpy(logFont.lfFaceName, faceName, LF_FACESIZE - 1);
  return CreateFontIndirect(&logFont);
}

BOOL GetTextMetrics(HDC handle, TEXTMETRIC* metrics) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !metrics) return FALSE;
  auto lock = platform::gdi::FontLock();
  SizedFont font;
  if (!FontOf(*dc, &font)) return FALSE;
  auto logical = [&](double device) {
    return static_cast<LONG>(std::lround(LogicalFromDevice(*dc, device, true)));
  };
  *metrics = TEXTMETRIC{};
  metrics->tmAscent = logical(font.ascent);
  metrics->tmDescent = logical(font.descent);
  metrics->tmHeight = metrics->tmAscent + metrics->tmDescent;
  metrics->tmInternalLeading = logical(font.internalLeading);
  metrics->tmExternalLeading = logical(font.externalLeading);
  metrics->tmAveCharWidth = static_cast<LONG>(std::lround(LogicalFromDevice(*dc, font.averageWidth, false)));
  metrics->tmMaxCharWidth = static_cast<LONG>(std::lround(LogicalFromDevice(*dc, font.maxWidth, false)));
  metrics->tmWeight = font.bold ? FW_BOLD : FW_NORMAL;
  metrics->tmDigitizedAspectX = metrics->tmDigitizedAspectY = 96;
  metrics->tmFirstChar = 0x20;
  metrics->tmLastChar = static_cast<CHAR>(0xFF);
  metrics->tmDefaultChar = 0x1F;
  metrics->tmBreakChar = 0x20;
  metrics->tmItalic = font.italic;
  metrics->tmUnderlined = font.underline;
  metrics->tmStruckOut = font.strikeOut;
  metrics->tmPitchAndFamily = static_cast<BYTE>(
      (font.family.find("Mono") != std::string::npos ? 0 : VARIABLE_PITCH) | 0x04);
  return TRUE;
}

BOOL GetTextExtentPoint32(HDC handle, LPCSTR text, int count, SIZE* size) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !size || count < 0 || (!text && count)) return FALSE;
  auto lock = platform::gdi::FontLock();
  SizedFont font;
  if (!FontOf(*dc, &font)) return FALSE;
  size->cx = static_cast<LONG>(
      std::lround(LogicalFromDevice(*dc, TextWidth(font, text, static_cast<std::size_t>(count)), false)));
  size->cy = static_cast<LONG>(std::lround(LogicalFromDevice(*dc, font.ascent + font.descent, true)));
  return TRUE;
}

BOOL GetTextExtentExPoint(HDC handle, LPCSTR text, int count, int maxExtent, int* fit, int* dx, SIZE* size) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !size || count < 0 || (!text && count)) return FALSE;
  auto lock = platform::gdi::FontLock();
  SizedFont font;
  if (!FontOf(*dc, &font)) return FALSE;
  LONG device = 0;
  int fitting = 0;
  for (int i = 0; i < count; ++i) {
    device += font.Advance(static_cast<unsigned char>(text[i]));
    const int extent = static_cast<int>(std::lround(LogicalFromDevice(*dc, device, false)));
    if (dx) dx[i] = extent;
    if (extent <= maxExtent && fitting == i) fitting = i + 1;
  }
  if (fit) *fit = fitting;
  size->cx = static_cast<LONG>(std::lround(LogicalFromDevice(*dc, device, false)));
  size->cy = static_cast<LONG>(std::lround(LogicalFromDevice(*dc, font.ascent + font.descent, true)));
  return TRUE;
}

BOOL GetCharWidth32(HDC handle, UINT first, UINT last, INT* widths) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !widths || last < first || last > 0xFF) return FALSE;
  auto lock = platform::gdi::FontLock();
  SizedFont font;
  if (!FontOf(*dc, &font)) return FALSE;
  for (UINT c = first; c <= last; ++c) {
    widths[c - first] = static_cast<INT>(
        std::lround(LogicalFromDevice(*dc, font.Advance(static_cast<unsigned char>(c)), false)));
  }
  return TRUE;
}

int GetTextFace(HDC handle, int size, LPSTR face) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return 0;
  platform::gdi::Font* font = platform::gdi::FindFont(dc->state.font);
  std::string name = font ? font->logFont.lfFaceName : "System";
  if (!face) return static_cast<int>(name.size() + 1);
  if (size <= 0) return 0;
  std::size_t copied = std::min(name.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(face, name.data(), copied);
  face[copied] = '\0';
  return static_cast<int>(copied);
}

UINT SetTextAlign(HDC handle, UINT align) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return GDI_ERROR;
  UINT previous = dc->state.textAlign;
  dc->state.textAlign = align;
  return previous;
}

UINT GetTextAlign(HDC handle) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  return dc ? dc->state.textAlign : GDI_ERROR;
}

BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int count) {
  if (count < 0) return FALSE;
  return Output(dc, x, y, 0, nullptr, text, static_cast<std::size_t>(count), nullptr);
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                const INT* dx) {
  return Output(dc, x, y, options, rect, text, count, dx);
}

int DrawText(HDC handle, LPCSTR text, int count, RECT* rect, UINT format) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !text || !rect) return 0;
  std::string source = count < 0 ? std::string(text) : std::string(text, static_cast<std::size_t>(count));
  auto lock = platform::gdi::FontLock();
  SizedFont font;
  if (!FontOf(*dc, &font)) return 0;
  // Layout in device pixels, converted back for the answers.
  RECT box = platform::gdi::ToDevice(dc->state, *rect);
  std::vector<Line> lines = LayOut(font, source, format, box.right - box.left);
  LONG lineHeight = font.ascent + font.descent;
  LONG widest = 0;
  for (const Line& line : lines)
    widest = std::max(widest, TextWidth(font, line.text.data(), line.text.size()));
  LONG height = lineHeight * static_cast<LONG>(lines.size());
  if (format & DT_CALCRECT) {
    POINT corner = {box.left + widest, box.top + height};
    POINT logical[1] = {corner};
    DPtoLP(handle, logical, 1);
    if (!(format & DT_WORDBREAK) || widest > 0) rect->right = logical[0].x;
    rect->bottom = logical[0].y;
    return static_cast<int>(std::lround(LogicalFromDevice(*dc, height, true)));
  }
  LONG top = box.top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER)
      top = box.top + (box.bottom - box.top - lineHeight) / 2;
    else if (format & DT_BOTTOM)
      top = box.bottom - lineHeight;
  }
  platform::gdi::DcState saved = dc->state;
  if (!(format & DT_NOCLIP)) {
    platform::gdi::RegionData bound(box);
    dc->state.clip = dc->state.hasClip ? platform::gdi::RegionData::Combine(dc->state.clip, bound, RGN_AND)
                                       : bound;
    dc->state.hasClip = true;
  }
  // Drawn in device coordinates: MM_TEXT with no offsets for the duration.
  dc->state.mapMode = MM_TEXT;
  dc->state.windowOrg = dc->state.viewportOrg = POINT{0, 0};
  dc->state.windowExt = dc->state.viewportExt = SIZE{1, 1};
  dc->state.textAlign = TA_LEFT | TA_TOP;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string shown = lines[i].text;
    LONG width = TextWidth(font, shown.data(), shown.size());
    if ((format & DT_END_ELLIPSIS) && width > box.right - box.left) {
      while (!shown.empty() &&
             TextWidth(font, (shown + "...").data(), shown.size() + 3) > box.right - box.left)
        shown.pop_back();
      shown += "...";
      width = TextWidth(font, shown.data(), shown.size());
    }
    LONG x = box.left;
    if (format & DT_CENTER)
      x = box.left + (box.right - box.left - width) / 2;
    else if (format & DT_RIGHT)
      x = box.right - width;
    LONG y = top + lineHeight * static_cast<LONG>(i);
    std::vector<LONG> advances;
    for (char c : shown) advances.push_back(font.Advance(static_cast<unsigned char>(c)));
    if (saved.bkMode == OPAQUE) {
      platform::gdi::Canvas canvas(*dc);
      canvas.SetColor(saved.bkColor);
      platform::gdi::DevicePath cell;
      cell.Rectangle(x, y, width, lineHeight);
      canvas.SetFillPath(cell);
      cairo_fill(canvas.cr());
    }
    DrawRun(*dc, font, POINT{x, y + font.ascent}, shown.data(), shown.size(), advances);
    int prefix = lines[i].prefixAt;
    if (prefix >= 0 && prefix < static_cast<int>(shown.size())) {
      LONG from = x + TextWidth(font, shown.data(), static_cast<std::size_t>(prefix));
      platform::gdi::PixelWriter writer(*dc);
      for (LONG px = from; px < from + advances[static_cast<std::size_t>(prefix)]; ++px) {
        if (std::uint32_t* pixel = writer.At(px, y + font.ascent + 1))
          *pixel = platform::gdi::PixelOf(saved.textColor);
      }
    }
  }
  dc->state = saved;
  LONG drawnHeight = (format & (DT_VCENTER | DT_BOTTOM)) && (format & DT_SINGLELINE)
                         ? top - box.top + lineHeight
                         : height;
  return static_cast<int>(std::lround(LogicalFromDevice(*dc, drawnHeight, true)));
}

namespace {

FIXED ToFixed(FT_Pos value26Dot6) {
  // 26.6 to 16.16.
  auto fixed = static_cast<std::int32_t>(value26Dot6 * 1024);
  return FIXED{static_cast<WORD>(fixed & 0xFFFF), static_cast<SHORT>(fixed >> 16)};
}

POINTFX ToPointFx(const FT_Vector& v) { return POINTFX{ToFixed(v.x), ToFixed(v.y)}; }

// Builds the platform's outline records from a FreeType outline.
class OutlineWriter {
 public:
  explicit OutlineWriter(bool cubic) : cubic_(cubic) {}

  void Contour(const FT_Outline& outline, int first, int last) {
    int count = last - first + 1;
    auto point = [&](int i) { return outline.points[first + ((i % count) + count) % count]; };
    auto tag = [&](int i) { return FT_CURVE_TAG(outline.tags[first + ((i % count) + count) % count]); };
    // Start at an on-curve point (or the midpoint of two off-curve ones).
    int start = 0;
    while (start < count && tag(start) != FT_CURVE_TAG_ON) ++start;
    FT_Vector startPoint;
    if (start == count) {
      startPoint = Mid(point(0), point(1));
      start = 0;
    } else {
      startPoint = point(start);
    }
    std::size_t header = Reserve(sizeof(TTPOLYGONHEADER));
    FT_Vector current = startPoint;
    std::vector<FT_Vector> offs;
    bool cubicRun = false;
    for (int step = 1; step <= count; ++step) {
      int i = start + step;
      FT_Vector p = point(i);
      int t = tag(i);
      bool closing = step == count;
      if (t == FT_CURVE_TAG_CONIC) {
        offs.push_back(p);
        if (!closing) continue;
        Quadratics(current, offs, startPoint);
        current = startPoint;
        offs.clear();
        continue;
      }
      if (t == FT_CURVE_TAG_CUBIC) {
        offs.push_back(p);
        cubicRun = true;
        if (!closing) continue;
      }
      FT_Vector end = closing ? startPoint : p;
      if (!offs.empty() && cubicRun) {
        offs.push_back(end);
        Curve(TT_PRIM_CSPLINE, offs);
      } else if (!offs.empty()) {
        Quadratics(current, offs, end);
      } else {
        Line(end);
      }
      current = end;
      offs.clear();
      cubicRun = false;
    }
    auto* polygon = reinterpret_cast<TTPOLYGONHEADER*>(buffer_.data() + header);
    polygon->cb = static_cast<DWORD>(buffer_.size() - header);
    polygon->dwType = TT_POLYGON_TYPE;
    polygon->pfxStart = ToPointFx(startPoint);
    lineRecord_ = std::string::npos;
  }

  const std::vector<BYTE>& Bytes() const { return buffer_; }

 private:
  static FT_Vector Mid(FT_Vector a, FT_Vector b) { return FT_Vector{(a.x + b.x) / 2, (a.y + b.y) / 2}; }

  std::size_t Reserve(std::size_t bytes) {
    std::size_t at = buffer_.size();
    buffer_.resize(at + bytes);
    return at;
  }

  void Line(FT_Vector to) {
    // Consecutive lines share one record.
    if (lineRecord_ == std::string::npos) {
      lineRecord_ = Reserve(sizeof(WORD) * 2);
      reinterpret_cast<WORD*>(buffer_.data() + lineRecord_)[0] = TT_PRIM_LINE;
      reinterpret_cast<WORD*>(buffer_.data() + lineRecord_)[1] = 0;
    }
    POINTFX p = ToPointFx(to);
    std::size_t at = Reserve(sizeof(POINTFX));
    std::memcpy(buffer_.data() + at, &p, sizeof p);
    ++reinterpret_cast<WORD*>(buffer_.data() + lineRecord_)[1];
  }

  void Curve(WORD type, const std::vector<FT_Vector>& points) {
    lineRecord_ = std::string::npos;
    std::size_t at = Reserve(sizeof(WORD) * 2 + sizeof(POINTFX) * points.size());
    WORD head[2] = {type, static_cast<WORD>(points.size())};
    std::memcpy(buffer_.data() + at, head, sizeof head);
    for (std::size_t i = 0; i < points.size(); ++i) {
      POINTFX p = ToPointFx(points[i]);
      std::memcpy(buffer_.data() + at + sizeof head + i * sizeof(POINTFX), &p, sizeof p);
    }
  }

  // Off-curve points with implied on-curve midpoints, ending at `end`.
  void Quadratics(FT_Vector from, const std::vector<FT_Vector>& offs, FT_Vector end) {
    if (!cubic_) {
      std::vector<FT_Vector> points = offs;
      points.push_back(end);
      Curve(TT_PRIM_QSPLINE, points);
      return;
    }
    std::vector<FT_Vector> points;
    FT_Vector p0 = from;
    for (std::size_t i = 0; i < offs.size(); ++i) {
      FT_Vector q = offs[i];
      FT_Vector p1 = i + 1 < offs.size() ? Mid(q, offs[i + 1]) : end;
      points.push_back(FT_Vector{p0.x + 2 * (q.x - p0.x) / 3, p0.y + 2 * (q.y - p0.y) / 3});
      points.push_back(FT_Vector{p1.x + 2 * (q.x - p1.x) / 3, p1.y + 2 * (q.y - p1.y) / 3});
      points.push_back(p1);
      p0 = p1;
    }
    Curve(TT_PRIM_CSPLINE, points);
  }

  bool cubic_;
  std::vector<BYTE> buffer_;
  std::size_t lineRecord_ = std::string::npos;
};

}  // namespace

DWORD GetGlyphOutline(HDC handle, UINT character, UINT format, GLYPHMETRICS* metrics, DWORD size,
                      void* buffer, const MAT2* matrix) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  UINT kind = format & 0x0F;
  if (!dc || !metrics || (kind != GGO_METRICS && kind != GGO_NATIVE && kind != GGO_BEZIER)) return GDI_ERROR;
  if (matrix && (matrix->eM11.value != 1 || matrix->eM11.fract || matrix->eM12.value || matrix->eM12.fract ||
                 matrix->eM21.value || matrix->eM21.fract || matrix->eM22.value != 1 || matrix->eM22.fract)) {
    return GDI_ERROR;
  }
  auto lock = platform::gdi::FontLock();
  SizedFont font;
  if (!FontOf(*dc, &font)) return GDI_ERROR;
  FT_UInt glyph = (format & GGO_GLYPH_INDEX)
                      ? character
                      : FT_Get_Char_Index(font.face,
                                          UnicodeOfCodePageByte(static_cast<unsigned char>(character)));
  FT_Int32 flags = FT_LOAD_NO_BITMAP | ((format & GGO_UNHINTED) ? FT_LOAD_NO_HINTING : FT_LOAD_DEFAULT);
  if (platform::gdi::LoadGlyph(font.face, glyph, flags) != 0) return GDI_ERROR;
  FT_Outline& outline = font.face->glyph->outline;
  FT_BBox box;
  FT_Outline_Get_CBox(&outline, &box);
  bool empty = outline.n_points == 0;
  metrics->gmBlackBoxX = empty ? 1 : static_cast<UINT>((box.xMax - box.xMin + 63) >> 6);
  metrics->gmBlackBoxY = empty ? 1 : static_cast<UINT>((box.yMax - box.yMin + 63) >> 6);
  metrics->gmptGlyphOrigin = POINT{empty ? 0 : static_cast<LONG>(box.xMin >> 6),
                                   empty ? 0 : static_cast<LONG>((box.yMax + 63) >> 6)};
  metrics->gmCellIncX = static_cast<SHORT>((font.face->glyph->advance.x + 32) >> 6);
  metrics->gmCellIncY = 0;
  if (kind == GGO_METRICS) return 0;
  OutlineWriter writer(kind == GGO_BEZIER);
  int first = 0;
  for (int c = 0; c < outline.n_contours; ++c) {
    writer.Contour(outline, first, outline.contours[c]);
    first = outline.contours[c] + 1;
  }
  const std::vector<BYTE>& bytes = writer.Bytes();
  if (!buffer || size == 0) return static_cast<DWORD>(bytes.size());
  if (size < bytes.size()) return GDI_ERROR;
  std::memcpy(buffer, bytes.data(), bytes.size());
  return static_cast<DWORD>(bytes.size());
}
