// Device contexts over part of a surface.
#include "platform/gdi/SurfaceDc.h"

#include <new>

#include "platform/gdi/detail/Objects.h"

namespace platform {

HDC CreateSurfaceDC(HBITMAP surface, POINT origin, const gdi::RegionData& visible) {
  gdi::Bitmap* bitmap = surface ? gdi::FindBitmap(surface) : gdi::StockBitmap();
  if (!bitmap) return nullptr;
  auto dc = std::unique_ptr<gdi::DeviceContext>(new (std::nothrow) gdi::DeviceContext);
  if (!dc) return nullptr;
  dc->bitmap = bitmap;
  dc->windowDC = true;
  dc->origin = origin;
  if (surface) {
    dc->visible = visible;
    ++bitmap->surfaceUsers;
  }
  gdi::ResetState(dc->state);
  return static_cast<HDC>(gdi::RegisterObject(std::move(dc)));
}

}  // namespace platform
