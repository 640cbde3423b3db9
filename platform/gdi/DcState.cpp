// Device-context attributes, mapping modes, clipping and saved states.
#include "platform/gdi/DcState.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/Display.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/detail/Canvas.h"

using platform::gdi::DcState;
using platform::gdi::DeviceContext;
using platform::gdi::RegionData;

namespace {

// Sets one attribute and answers the old value; `fallback` for an invalid device context.
template <typename T, typename Member>
T Exchange(HDC handle, Member member, T value, T fallback) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return fallback;
  T previous = dc->state.*member;
  dc->state.*member = value;
  return previous;
}

template <typename T, typename Member>
T Read(HDC handle, Member member, T fallback) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  return dc ? dc->state.*member : fallback;
}

// The current clip in device coordinates: the clip region, or everything the DC can reach.
RegionData CurrentClip(const DeviceContext& dc) {
  if (dc.state.hasClip) return dc.state.clip;
  RegionData reach = platform::gdi::EffectiveClip(dc);
  reach.Offset(-dc.origin.x, -dc.origin.y);
  return reach;
}

int SetClip(DeviceContext& dc, RegionData clip) {
  dc.state.clip = std::move(clip);
  dc.state.hasClip = true;
  return dc.state.clip.Kind();
}

template <typename Value>
BOOL SetPair(HDC handle, Value DcState::*member, LONG a, LONG b, Value* previous) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.*member;
  dc->state.*member = Value{a, b};
  return TRUE;
}

template <typename Value>
BOOL GetPair(HDC handle, Value DcState::*member, Value* out) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !out) return FALSE;
  *out = dc->state.*member;
  return TRUE;
}

}  // namespace

int SetBkMode(HDC dc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return Exchange(dc, &DcState::bkMode, mode, 0);
}
int GetBkMode(HDC dc) { return Read(dc, &DcState::bkMode, 0); }
COLORREF SetBkColor(HDC dc, COLORREF color) {
  return Exchange(dc, &DcState::bkColor, color & 0xFFFFFF, CLR_INVALID);
}
COLORREF GetBkColor(HDC dc) { return Read(dc, &DcState::bkColor, CLR_INVALID); }
COLORREF SetTextColor(HDC dc, COLORREF color) {
  return Exchange(dc, &DcState::textColor, color & 0xFFFFFF, CLR_INVALID);
}
COLORREF GetTextColor(HDC dc) { return Read(dc, &DcState::textColor, CLR_INVALID); }
int SetROP2(HDC dc, int mode) {
  if (mode < R2_BLACK || mode > R2_WHITE) return 0;
  return Exchange(dc, &DcState::rop2, mode, 0);
}
int GetROP2(HDC dc) { return Read(dc, &DcState::rop2, 0); }
int SetPolyFillMode(HDC dc, int mode) {
  if (mode != ALTERNATE && mode != WINDING) return 0;
  return Exchange(dc, &DcState::polyFillMode, mode, 0);
}
int SetStretchBltMode(HDC dc, int mode) {
  if (mode < BLACKONWHITE || mode > HALFTONE) return 0;
  return Exchange(dc, &DcState::stretchMode, mode, 0);
}
int GetStretchBltMode(HDC dc) { return Read(dc, &DcState::stretchMode, 0); }
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* previous) {
  return SetPair(dc, &DcState::brushOrg, x, y, previous);
}

int SetMapMode(HDC handle, int mode) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
  int previous = dc->state.mapMode;
  dc->state.mapMode = mode;
  if (mode != MM_ISOTROPIC && mode != MM_ANISOTROPIC) {
    dc->state.windowExt = SIZE{1, 1};
    dc->state.viewportExt = SIZE{1, 1};
  }
  return previous;
}
int GetMapMode(HDC dc) { return Read(dc, &DcState::mapMode, 0); }

BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous) {
  return SetPair(dc, &DcState::windowOrg, x, y, previous);
}
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous) {
  return SetPair(dc, &DcState::viewportOrg, x, y, previous);
}

namespace {

BOOL SetExtent(HDC handle, SIZE DcState::*member, int x, int y, SIZE* previous) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.*member;
  // Extents only count in the two scalable modes; a zero extent is refused.
  if (dc->state.mapMode != MM_ISOTROPIC && dc->state.mapMode != MM_ANISOTROPIC) return TRUE;
  if (x == 0 || y == 0) return FALSE;
  dc->state.*member = SIZE{x, y};
  return TRUE;
}

}  // namespace

BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* previous) {
  return SetExtent(dc, &DcState::windowExt, x, y, previous);
}
BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* previous) {
  return SetExtent(dc, &DcState::viewportExt, x, y, previous);
}

BOOL OffsetViewportOrgEx(HDC handle, int dx, int dy, POINT* previous) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  POINT origin = dc->state.viewportOrg;
  return SetViewportOrgEx(handle, origin.x + dx, origin.y + dy, previous);
}

BOOL OffsetWindowOrgEx(HDC handle, int dx, int dy, POINT* previous) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  POINT origin = dc->state.windowOrg;
  return SetWindowOrgEx(handle, origin.x + dx, origin.y + dy, previous);
}

BOOL GetWindowOrgEx(HDC dc, POINT* origin) { return GetPair(dc, &DcState::windowOrg, origin); }
BOOL GetViewportOrgEx(HDC dc, POINT* origin) { return GetPair(dc, &DcState::viewportOrg, origin); }
BOOL GetWindowExtEx(HDC dc, SIZE* extent) { return GetPair(dc, &DcState::windowExt, extent); }
BOOL GetViewportExtEx(HDC dc, SIZE* extent) { return GetPair(dc, &DcState::viewportExt, extent); }

BOOL LPtoDP(HDC handle, POINT* points, int count) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !points) return FALSE;
  for (int i = 0; i < count; ++i) points[i] = platform::gdi::ToDevice(dc->state, points[i]);
  return TRUE;
}

BOOL DPtoLP(HDC handle, POINT* points, int count) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !points) return FALSE;
  platform::gdi::Mapping m = platform::gdi::MappingOf(dc->state);
  for (int i = 0; i < count; ++i) {
    points[i] = POINT{static_cast<LONG>(std::lround((points[i].x - m.offsetX) / m.scaleX)),
                      static_cast<LONG>(std::lround((points[i].y - m.offsetY) / m.scaleY))};
  }
  return TRUE;
}

int SelectClipRgn(HDC dc, HRGN region) { return ExtSelectClipRgn(dc, region, RGN_COPY); }

int ExtSelectClipRgn(HDC handle, HRGN region, int mode) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return RGN_ERROR;
  if (!region) {
    if (mode != RGN_COPY) return RGN_ERROR;
    dc->state.hasClip = false;
    dc->state.clip = RegionData();
    return SIMPLEREGION;
  }
  platform::gdi::RegionObject* object = platform::gdi::FindRegion(region);
  if (!object) return RGN_ERROR;
  // Region handles are in device coordinates already.
  if (mode == RGN_COPY) return SetClip(*dc, object->data);
  return SetClip(*dc, RegionData::Combine(CurrentClip(*dc), object->data, mode));
}

int IntersectClipRect(HDC handle, int left, int top, int right, int bottom) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return RGN_ERROR;
  RECT device = platform::gdi::ToDevice(dc->state, RECT{left, top, right, bottom});
  return SetClip(*dc, RegionData::Combine(CurrentClip(*dc), RegionData(device), RGN_AND));
}

int ExcludeClipRect(HDC handle, int left, int top, int right, int bottom) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return RGN_ERROR;
  RECT device = platform::gdi::ToDevice(dc->state, RECT{left, top, right, bottom});
  return SetClip(*dc, RegionData::Combine(CurrentClip(*dc), RegionData(device), RGN_DIFF));
}

int GetClipBox(HDC handle, RECT* box) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !box) return RGN_ERROR;
  RegionData clip = CurrentClip(*dc);
  RECT device = clip.Box();
  POINT corners[2] = {{device.left, device.top}, {device.right, device.bottom}};
  DPtoLP(handle, corners, 2);
  *box = RECT{std::min(corners[0].x, corners[1].x), std::min(corners[0].y, corners[1].y),
              std::max(corners[0].x, corners[1].x), std::max(corners[0].y, corners[1].y)};
  return clip.Kind();
}

int GetClipRgn(HDC handle, HRGN region) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  platform::gdi::RegionObject* object = platform::gdi::FindRegion(region);
  if (!dc || !object) return -1;
  if (!dc->state.hasClip) return 0;
  object->data = dc->state.clip;
  return 1;
}

BOOL PtVisible(HDC handle, int x, int y) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  POINT device = platform::gdi::ToDevice(dc->state, POINT{x, y});
  return CurrentClip(*dc).Contains(device.x, device.y);
}

BOOL RectVisible(HDC handle, const RECT* rect) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !rect) return FALSE;
  return CurrentClip(*dc).Intersects(platform::gdi::ToDevice(dc->state, *rect));
}

int SaveDC(HDC handle) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return 0;
  dc->saved.push_back(dc->state);
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC handle, int level) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  int count = static_cast<int>(dc->saved.size());
  int target = level < 0 ? count + level + 1 : level;
  if (target < 1 || target > count) return FALSE;
  dc->state = dc->saved[static_cast<std::size_t>(target - 1)];
  dc->saved.resize(static_cast<std::size_t>(target - 1));
  return TRUE;
}

int GetDeviceCaps(HDC handle, int index) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  int width = dc && !dc->windowDC ? dc->bitmap->surface.width : platform::CurrentMonitor().width;
  int height = dc && !dc->windowDC ? dc->bitmap->surface.height : platform::CurrentMonitor().height;
  bool monochrome = dc && dc->bitmap->monochrome;
  switch (index) {
    case TECHNOLOGY:
      return DT_RASDISPLAY;
    case HORZRES:
      return width;
    case VERTRES:
      return height;
    case HORZSIZE:
      return width * 254 / 960;
    case VERTSIZE:
      return height * 254 / 960;
    case BITSPIXEL:
      return monochrome ? 1 : 32;
    case PLANES:
      return 1;
    case NUMCOLORS:
      return -1;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 96;
    case RASTERCAPS:
      return RC_BITBLT | RC_STRETCHBLT | RC_STRETCHDIB | RC_DI_BITMAP;
    case SIZEPALETTE:
      return 0;
    default:
      return 0;
  }
}

namespace {

// Finite, invertible, and small enough that coordinates mapped through it stay in range.
bool UsableTransform(const XFORM& t) {
  const double elements[] = {t.eM11, t.eM12, t.eM21, t.eM22};
  for (double e : elements) {
    if (!std::isfinite(e) || std::fabs(e) > 65536) return false;
  }
  if (!std::isfinite(t.eDx) || !std::isfinite(t.eDy) || std::fabs(t.eDx) > (1 << 26) ||
      std::fabs(t.eDy) > (1 << 26))
    return false;
  return std::fabs(static_cast<double>(t.eM11) * t.eM22 - static_cast<double>(t.eM12) * t.eM21) > 1e-12;
}

// a, then b.
XFORM Combine(const XFORM& a, const XFORM& b) {
  XFORM c;
  c.eM11 = a.eM11 * b.eM11 + a.eM12 * b.eM21;
  c.eM12 = a.eM11 * b.eM12 + a.eM12 * b.eM22;
  c.eM21 = a.eM21 * b.eM11 + a.eM22 * b.eM21;
  c.eM22 = a.eM21 * b.eM12 + a.eM22 * b.eM22;
  c.eDx = a.eDx * b.eM11 + a.eDy * b.eM21 + b.eDx;
  c.eDy = a.eDx * b.eM12 + a.eDy * b.eM22 + b.eDy;
  return c;
}

}  // namespace

BOOL SetWorldTransform(HDC handle, const XFORM* transform) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !transform || !UsableTransform(*transform)) return FALSE;
  dc->state.world = *transform;
  return TRUE;
}

BOOL ModifyWorldTransform(HDC handle, const XFORM* transform, DWORD mode) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  if (mode == MWT_IDENTITY) {
    dc->state.world = XFORM{};
    return TRUE;
  }
  if (!transform || (mode != MWT_LEFTMULTIPLY && mode != MWT_RIGHTMULTIPLY)) return FALSE;
  XFORM combined = mode == MWT_LEFTMULTIPLY ? Combine(*transform, dc->state.world)
                                            : Combine(dc->state.world, *transform);
  if (!UsableTransform(combined)) return FALSE;
  dc->state.world = combined;
  return TRUE;
}

BOOL GetWorldTransform(HDC handle, XFORM* transform) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !transform) return FALSE;
  *transform = dc->state.world;
  return TRUE;
}
