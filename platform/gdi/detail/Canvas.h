// Drawing into a device context's surface: the mapping from logical coordinates, the clip in
// surface coordinates, DIB sections kept in step with the surface, and Cairo set up for GDI's
// pixel rules (no antialiasing, device space).
#pragma once
#include <cairo.h>

#include "platform/gdi/detail/DevicePath.h"
#include "platform/gdi/detail/Objects.h"

namespace platform::gdi {

// device = logical x scale + offset, per axis.
struct Mapping {
  double scaleX = 1, scaleY = 1, offsetX = 0, offsetY = 0;
  double X(double x) const { return x * scaleX + offsetX; }
  double Y(double y) const { return y * scaleY + offsetY; }
};
Mapping MappingOf(const DcState& state);
POINT ToDevice(const DcState& state, POINT logical);
RECT ToDevice(const DcState& state, const RECT& logical);  // normalised (left <= right)
// Device lengths of logical widths (pens, fonts).
double ScaleLength(const DcState& state, double length);

// Everything a GDI call may touch, in surface coordinates.
RegionData EffectiveClip(const DeviceContext& dc);

// A DIB section's own bits are copied into its surface when the use starts and, for writing,
// back when it ends.
class SurfaceUse {
 public:
  SurfaceUse(Bitmap* bitmap, bool write);
  ~SurfaceUse();
  SurfaceUse(const SurfaceUse&) = delete;
  SurfaceUse& operator=(const SurfaceUse&) = delete;

 private:
  Bitmap* bitmap_;
  bool write_;
};
void PullDib(Bitmap& bitmap);
void PushDib(Bitmap& bitmap);

// Cairo over a device context's surface, clipped, in device coordinates (the window offset
// applied), antialiasing off.
class Canvas {
 public:
  explicit Canvas(DeviceContext& dc);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* cr() const { return cr_; }
  DeviceContext& dc() const { return dc_; }
  void SetColor(COLORREF color);
  // The brush as Cairo's source; false for a hollow or missing brush.
  bool SetBrush(HGDIOBJ brush);
  // The surface, in the device coordinates the canvas draws in.
  DeviceBox Bounds() const;
  // What of `path` a fill can show, as Cairo's path.
  void SetFillPath(const DevicePath& path);

 private:
  DeviceContext& dc_;
  SurfaceUse use_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

// Per-pixel writing with the DC's clip, for the rules Cairo has no operator for.
class PixelWriter {
 public:
  explicit PixelWriter(DeviceContext& dc);
  // Device coordinates; false outside the clip.
  std::uint32_t* At(int x, int y);
  const RegionData& Clip() const { return clip_; }
  POINT Origin() const { return dc_.origin; }
  const Surface& surface() const { return dc_.bitmap->surface; }

 private:
  DeviceContext& dc_;
  SurfaceUse use_;
  RegionData clip_;
};

std::uint32_t PixelOf(COLORREF color);  // opaque 0xAARRGGBB
COLORREF ColorOf(std::uint32_t pixel);
// A system colour index + 1 in place of a brush stands for that colour's brush.
HBRUSH ResolveBrush(HBRUSH brush);

}  // namespace platform::gdi
