// Device contexts, the selection of objects into them, stock objects and object queries.
#include <cstring>
#include <new>

#include "platform/gdi/Draw.h"
#include "platform/gdi/detail/Canvas.h"

using platform::gdi::Bitmap;
using platform::gdi::DeviceContext;
using platform::gdi::GdiObject;

namespace platform::gdi {

std::unique_ptr<Bitmap> MakeBitmap(int width, int height) {
  auto bitmap = std::unique_ptr<Bitmap>(new (std::nothrow) Bitmap);
  const auto bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  if (!bitmap) return nullptr;
  bitmap->storage.reset(new (std::nothrow) BYTE[bytes]());
  if (!bitmap->storage) return nullptr;
  bitmap->surface = platform::Surface{width, height, width * 4, bitmap->storage.get()};
  return bitmap;
}

// Every new device context starts with this 1 x 1 bitmap, as on the platform.
Bitmap* StockBitmap() {
  static Bitmap* const stock = [] {
    auto bitmap = MakeBitmap(1, 1);
    if (!bitmap) throw std::bad_alloc();
    bitmap->stock = true;
    Bitmap* raw = bitmap.get();
    if (!platform::gdi::RegisterObject(std::move(bitmap))) throw std::bad_alloc();
    return raw;
  }();
  return stock;
}

void ResetState(DcState& state) {
  state = DcState{};
  state.pen = GetStockObject(BLACK_PEN);
  state.brush = GetStockObject(WHITE_BRUSH);
  state.font = GetStockObject(SYSTEM_FONT);
  state.palette = GetStockObject(DEFAULT_PALETTE);
}

}  // namespace platform::gdi

namespace {

template <typename T>
HGDIOBJ MakeStock(T* object) {
  object->stock = true;
  return platform::gdi::RegisterObject(std::unique_ptr<T>(object));
}

HGDIOBJ StockPen(int style, COLORREF color) {
  auto* pen = new platform::gdi::Pen;
  pen->style = style;
  pen->width = 0;
  pen->color = color;
  return MakeStock(pen);
}

HGDIOBJ StockBrush(UINT style, COLORREF color) {
  auto* brush = new platform::gdi::Brush;
  brush->style = static_cast<int>(style);
  brush->color = color;
  return MakeStock(brush);
}

HGDIOBJ StockFont(LONG height, LONG weight, const char* face) {
  auto* font = new platform::gdi::Font;
  font->logFont.lfHeight = height;
  font->logFont.lfWeight = weight;
  std::strncpy(font->logFont.lfFaceName, face, LF_FACESIZE - 1);
  return MakeStock(font);
}

HGDIOBJ StockPalette() {
  auto* palette = new platform::gdi::Palette;
  // The twenty static colours of the platform's default palette.
  static constexpr BYTE kColours[20][3] = {
      {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
      {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
      {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
      {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
  for (const auto& c : kColours) palette->entries.push_back(PALETTEENTRY{c[0], c[1], c[2], 0});
  return MakeStock(palette);
}

}  // namespace

HGDIOBJ GetStockObject(int index) {
  static HGDIOBJ const objects[] = {
      StockBrush(BS_SOLID, RGB(255, 255, 255)),
      StockBrush(BS_SOLID, RGB(192, 192, 192)),
      StockBrush(BS_SOLID, RGB(128, 128, 128)),
      StockBrush(BS_SOLID, RGB(64, 64, 64)),
      StockBrush(BS_SOLID, RGB(0, 0, 0)),
      StockBrush(BS_NULL, 0),
      StockPen(PS_SOLID, RGB(255, 255, 255)),
      StockPen(PS_SOLID, RGB(0, 0, 0)),
      StockPen(PS_NULL, 0),
      nullptr,
      StockFont(12, FW_NORMAL, "Terminal"),
      StockFont(13, FW_NORMAL, "Courier"),
      StockFont(13, FW_NORMAL, "MS Sans Serif"),
      StockFont(16, FW_BOLD, "System"),
      StockFont(16, FW_BOLD, "System"),
      StockPalette(),
      StockFont(16, FW_NORMAL, "Fixedsys"),
      StockFont(-11, FW_NORMAL, "MS Shell Dlg"),
  };
  if (index < 0 || index >= static_cast<int>(sizeof objects / sizeof objects[0])) return nullptr;
  return objects[index];
}

HDC CreateCompatibleDC(HDC) {
  auto dc = std::unique_ptr<DeviceContext>(new (std::nothrow) DeviceContext);
  if (!dc) return nullptr;
  dc->bitmap = platform::gdi::StockBitmap();
  platform::gdi::ResetState(dc->state);
  return static_cast<HDC>(platform::gdi::RegisterObject(std::move(dc)));
}

BOOL DeleteDC(HDC handle) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  Bitmap* bitmap = dc->bitmap;
  if (bitmap->selectedInto == dc) bitmap->selectedInto = nullptr;
  bool surfaceUser = dc->windowDC && !bitmap->stock;
  platform::gdi::DestroyObject(dc);
  if (surfaceUser && --bitmap->surfaceUsers == 0 && bitmap->deleteWhenUnused)
    platform::gdi::DestroyObject(bitmap);
  return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC reference, int width, int height) {
  // Above this a row's byte count would overflow the surface's int stride.
  constexpr int kMaxSide = 1 << 28;
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return nullptr;
  if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > (std::uint64_t{1} << 31))
    return nullptr;
  auto bitmap = platform::gdi::MakeBitmap(width, height);
  if (!bitmap) return nullptr;
  // Compatible with a device context that holds a monochrome bitmap means monochrome.
  DeviceContext* dc = platform::gdi::FindDC(reference);
  if (dc && dc->bitmap->monochrome) bitmap->monochrome = true;
  return static_cast<HBITMAP>(platform::gdi::RegisterObject(std::move(bitmap)));
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  GdiObject* selected = platform::gdi::FindAnyObject(object);
  if (!dc || !selected) return nullptr;
  platform::gdi::DcState& state = dc->state;
  HGDIOBJ previous = nullptr;
  switch (selected->type) {
    case GdiObject::Type::kBitmap: {
      auto* bitmap = static_cast<Bitmap*>(selected);
      if (dc->windowDC) return nullptr;
      if (!bitmap->stock && bitmap->selectedInto && bitmap->selectedInto != dc) return nullptr;
      Bitmap* old = dc->bitmap;
      if (old->selectedInto == dc) old->selectedInto = nullptr;
      if (!bitmap->stock) bitmap->selectedInto = dc;
      dc->bitmap = bitmap;
      return old;
    }
    case GdiObject::Type::kPen:
      previous = state.pen;
      state.pen = object;
      return previous;
    case GdiObject::Type::kBrush:
      previous = state.brush;
      state.brush = object;
      return previous;
    case GdiObject::Type::kFont:
      previous = state.font;
      state.font = object;
      return previous;
    case GdiObject::Type::kRegion: {
      // Selecting a region makes a copy of it the clip region; the answer is the region kind.
      int kind = SelectClipRgn(handle, static_cast<HRGN>(object));
      return reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(kind));
    }
    default:
      return nullptr;
  }
}

BOOL DeleteObject(HGDIOBJ object) {
  GdiObject* found = platform::gdi::FindAnyObject(object);
  if (!found || found->type == GdiObject::Type::kDeviceContext) return FALSE;
  if (found->stock) return TRUE;
  if (found->type == GdiObject::Type::kBitmap) {
    auto* bitmap = static_cast<Bitmap*>(found);
    if (bitmap->selectedInto) return FALSE;
    if (bitmap->surfaceUsers > 0) {
      bitmap->deleteWhenUnused = true;
      return TRUE;
    }
  }
  platform::gdi::DestroyObject(found);
  return TRUE;
}

COLORREF GetPixel(HDC handle, int x, int y) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return CLR_INVALID;
  platform::gdi::SurfaceUse use(dc->bitmap, false);
  POINT device = platform::gdi::ToDevice(dc->state, POINT{x, y});
  int sx = device.x + dc->origin.x, sy = device.y + dc->origin.y;
  if (!platform::gdi::EffectiveClip(*dc).Contains(sx, sy)) return CLR_INVALID;
  const BYTE* pixel = dc->bitmap->surface.Row(sy) + 4 * sx;
  return RGB(pixel[2], pixel[1], pixel[0]);
}

DWORD GetObjectType(HGDIOBJ object) {
  GdiObject* found = platform::gdi::FindAnyObject(object);
  if (!found) return 0;
  switch (found->type) {
    case GdiObject::Type::kBitmap:
      return OBJ_BITMAP;
    case GdiObject::Type::kDeviceContext:
      return static_cast<DeviceContext*>(found)->windowDC ? OBJ_DC : OBJ_MEMDC;
    case GdiObject::Type::kPen:
      return OBJ_PEN;
    case GdiObject::Type::kBrush:
      return OBJ_BRUSH;
    case GdiObject::Type::kFont:
      return OBJ_FONT;
    case GdiObject::Type::kRegion:
      return OBJ_REGION;
    case GdiObject::Type::kPalette:
      return OBJ_PAL;
    case GdiObject::Type::kMetaFile:
      return OBJ_ENHMETAFILE;
  }
  return 0;
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN:
      return dc->state.pen;
    case OBJ_BRUSH:
      return dc->state.brush;
    case OBJ_FONT:
      return dc->state.font;
    case OBJ_PAL:
      return dc->state.palette;
    case OBJ_BITMAP:
      return dc->bitmap;
    default:
      return nullptr;
  }
}

namespace {

int CopyOut(const void* source, int bytes, int size, void* buffer) {
  if (!buffer) return bytes;
  if (size < bytes) return 0;
  std::memcpy(buffer, source, static_cast<std::size_t>(bytes));
  return bytes;
}

}  // namespace

int GetObject(HGDIOBJ object, int size, void* buffer) {
  GdiObject* found = platform::gdi::FindAnyObject(object);
  if (!found) return 0;
  switch (found->type) {
    case GdiObject::Type::kBitmap: {
      auto* bitmap = static_cast<Bitmap*>(found);
      DIBSECTION section{};
      int bits = bitmap->monochrome ? 1 : bitmap->dibBitCount;
      section.dsBm = BITMAP{
          0,
          bitmap->surface.width,
          bitmap->surface.height,
          static_cast<LONG>((static_cast<LONG>(bitmap->surface.width) * bits + 15) / 16 * 2),
          1,
          static_cast<WORD>(bits),
          nullptr};
      if (!bitmap->dibSection) return CopyOut(&section.dsBm, sizeof(BITMAP), size, buffer);
      const platform::gdi::DibBits* dib = bitmap->dib.get();
      section.dsBm.bmWidthBytes = static_cast<LONG>((bitmap->surface.width * bits + 31) / 32 * 4);
      section.dsBm.bmBits = dib ? static_cast<void*>(dib->bits.get()) : bitmap->surface.pixels;
      section.dsBmih = BITMAPINFOHEADER{
          sizeof(BITMAPINFOHEADER),
          bitmap->surface.width,
          dib && dib->layout.bottomUp ? bitmap->surface.height : -bitmap->surface.height,
          1,
          static_cast<WORD>(bits),
          BI_RGB,
          static_cast<DWORD>(section.dsBm.bmWidthBytes * bitmap->surface.height),
          0,
          0,
          dib ? static_cast<DWORD>(dib->layout.colors.size()) : 0,
          0};
      int bytes = size >= static_cast<int>(sizeof(DIBSECTION)) || !buffer ? sizeof(DIBSECTION)
                                                                          : sizeof(BITMAP);
      return CopyOut(&section, bytes, size, buffer);
    }
    case GdiObject::Type::kPen: {
      auto* pen = static_cast<platform::gdi::Pen*>(found);
      LOGPEN logPen{static_cast<UINT>(pen->style), POINT{pen->width, 0}, pen->color};
      return CopyOut(&logPen, sizeof logPen, size, buffer);
    }
    case GdiObject::Type::kBrush: {
      auto* brush = static_cast<platform::gdi::Brush*>(found);
      LOGBRUSH logBrush{static_cast<UINT>(brush->style), brush->color, static_cast<ULONG_PTR>(brush->hatch)};
      return CopyOut(&logBrush, sizeof logBrush, size, buffer);
    }
    case GdiObject::Type::kFont: {
      auto* font = static_cast<platform::gdi::Font*>(found);
      return CopyOut(&font->logFont, sizeof(LOGFONT), size, buffer);
    }
    case GdiObject::Type::kPalette: {
      WORD count = static_cast<WORD>(static_cast<platform::gdi::Palette*>(found)->entries.size());
      return CopyOut(&count, sizeof count, size, buffer);
    }
    default:
      return 0;
  }
}

namespace platform {

const Surface* GetBitmapSurface(HBITMAP handle) {
  Bitmap* bitmap = gdi::FindBitmap(handle);
  if (!bitmap) return nullptr;
  gdi::PullDib(*bitmap);
  return &bitmap->surface;
}

const Surface* GetDCSurface(HDC handle) {
  const DeviceContext* dc = gdi::FindDC(handle);
  return dc ? &dc->bitmap->surface : nullptr;
}

}  // namespace platform
