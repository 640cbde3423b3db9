// Memory device contexts and the bitmaps selected into them.
#include <new>

#include "platform/gdi/detail/objects.h"

using platform::gdi::Bitmap;
using platform::gdi::DeviceContext;

namespace {

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

}  // namespace

HDC CreateCompatibleDC(HDC) {
  auto dc = std::unique_ptr<DeviceContext>(new (std::nothrow) DeviceContext);
  if (!dc) return nullptr;
  dc->bitmap = StockBitmap();
  return static_cast<HDC>(platform::gdi::RegisterObject(std::move(dc)));
}

BOOL DeleteDC(HDC handle) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  if (dc->bitmap->selectedInto == dc) dc->bitmap->selectedInto = nullptr;
  platform::gdi::DestroyObject(dc);
  return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
  // Above this a row's byte count would overflow the surface's int stride.
  constexpr int kMaxSide = 1 << 28;
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return nullptr;
  auto bitmap = MakeBitmap(width, height);
  if (!bitmap) return nullptr;
  return static_cast<HBITMAP>(platform::gdi::RegisterObject(std::move(bitmap)));
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  Bitmap* bitmap = platform::gdi::FindBitmap(object);
  if (!dc || !bitmap) return nullptr;
  if (!bitmap->stock && bitmap->selectedInto && bitmap->selectedInto != dc) return nullptr;
  Bitmap* previous = dc->bitmap;
  if (previous->selectedInto == dc) previous->selectedInto = nullptr;
  if (!bitmap->stock) bitmap->selectedInto = dc;
  dc->bitmap = bitmap;
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  Bitmap* bitmap = platform::gdi::FindBitmap(object);
  if (!bitmap || bitmap->selectedInto) return FALSE;
  if (!bitmap->stock) platform::gdi::DestroyObject(bitmap);
  return TRUE;
}

COLORREF GetPixel(HDC handle, int x, int y) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return CLR_INVALID;
  const platform::Surface& surface = dc->bitmap->surface;
  if (x < 0 || y < 0 || x >= surface.width || y >= surface.height) return CLR_INVALID;
  const BYTE* pixel = surface.Row(y) + 4 * x;
  return RGB(pixel[2], pixel[1], pixel[0]);
}

namespace platform {

const Surface* GetBitmapSurface(HBITMAP handle) {
  const Bitmap* bitmap = gdi::FindBitmap(handle);
  return bitmap ? &bitmap->surface : nullptr;
}

const Surface* GetDCSurface(HDC handle) {
  const DeviceContext* dc = gdi::FindDC(handle);
  return dc ? &dc->bitmap->surface : nullptr;
}

}  // namespace platform
