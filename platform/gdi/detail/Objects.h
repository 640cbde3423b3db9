// The objects behind GDI handles. A handle is the object's address; the registry tells live
// objects from stale or foreign handles.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/DcState.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Metafile.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/detail/DibFormat.h"

namespace platform::gdi {

struct GdiObject {
  enum class Type { kBitmap, kDeviceContext, kPen, kBrush, kFont, kRegion, kPalette, kMetaFile };
  explicit GdiObject(Type objectType) : type(objectType) {}
  virtual ~GdiObject() = default;
  const Type type;
  bool stock = false;  // shared, never deleted
};

struct DeviceContext;

// The caller-visible bits of a DIB section whose form is not the surface's own (fewer than 32
// bits, or rows bottom-up); kept in step with the surface around every GDI call.
struct DibBits {
  DibLayout layout;
  std::unique_ptr<BYTE[]> bits;
};

struct Bitmap final : GdiObject {
  Bitmap() : GdiObject(Type::kBitmap) {}
  Surface surface;
  std::unique_ptr<BYTE[]> storage;
  DeviceContext* selectedInto = nullptr;
  bool monochrome = false;       // pixels are black or white; blits convert on the way in and out
  bool dibSection = false;       // made by CreateDIBSection
  std::unique_ptr<DibBits> dib;  // set when the DIB's bits are not the surface itself
  int dibBitCount = 32;
  // Window device contexts drawing into this surface; a surface deleted while they live goes
  // when the last of them is released.
  int surfaceUsers = 0;
  bool deleteWhenUnused = false;
};

struct Pen final : GdiObject {
  Pen() : GdiObject(Type::kPen) {}
  int style = 0;  // PS_ values
  int width = 0;
  COLORREF color = 0;
};

struct Brush final : GdiObject {
  Brush() : GdiObject(Type::kBrush) {}
  int style = 0;  // BS_ values
  COLORREF color = 0;
  int hatch = 0;
  std::vector<std::uint32_t> pattern;  // BS_PATTERN: the bitmap's pixels, 0x00RRGGBB
  int patternWidth = 0;
  int patternHeight = 0;
};

struct Font final : GdiObject {
  Font() : GdiObject(Type::kFont) {}
  LOGFONT logFont{};
};

struct RegionObject final : GdiObject {
  RegionObject() : GdiObject(Type::kRegion) {}
  RegionData data;
};

struct Palette final : GdiObject {
  Palette() : GdiObject(Type::kPalette) {}
  std::vector<PALETTEENTRY> entries;
};

struct MetaFile final : GdiObject {
  MetaFile() : GdiObject(Type::kMetaFile) {}
  bool windows = false;  // a Windows metafile's records, else an enhanced metafile's
  std::vector<BYTE> bytes;
  ENHMETAHEADER header{};
  METAFILEPICT picture{};
};

// Attributes that SaveDC keeps and RestoreDC brings back.
struct DcState {
  HGDIOBJ pen = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ font = nullptr;
  HGDIOBJ palette = nullptr;
  COLORREF textColor = 0x000000;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = 2;  // OPAQUE
  UINT textAlign = 0;
  int rop2 = 13;         // R2_COPYPEN
  int polyFillMode = 1;  // ALTERNATE
  int stretchMode = 1;   // BLACKONWHITE
  int mapMode = 1;       // MM_TEXT
  POINT windowOrg{0, 0};
  SIZE windowExt{1, 1};
  POINT viewportOrg{0, 0};
  SIZE viewportExt{1, 1};
  POINT current{0, 0};
  POINT brushOrg{0, 0};
  XFORM world;
  // Metafile playback places the picture's device space into the destination rectangle.
  double placeScaleX = 1, placeScaleY = 1, placeOffsetX = 0, placeOffsetY = 0;
  bool hasClip = false;
  RegionData clip;  // device coordinates of the DC (before the window offset)
};

struct DeviceContext final : GdiObject {
  DeviceContext() : GdiObject(Type::kDeviceContext) {}
  Bitmap* bitmap = nullptr;
  DcState state;
  std::vector<DcState> saved;
  // Window device contexts draw into a part of their top-level window's surface: device
  // point (0, 0) is surface point `origin`, and nothing outside `visible` (surface
  // coordinates) is touched. Memory device contexts have origin (0, 0) and their bitmap's
  // whole surface.
  bool windowDC = false;
  POINT origin{0, 0};
  RegionData visible;
};

// Registers a new object and answers its handle; null when memory runs out.
void* RegisterObject(std::unique_ptr<GdiObject> object);
// The live object of that type behind a handle, or null.
GdiObject* FindObject(const void* handle, GdiObject::Type type);
// Any live object behind a handle, or null.
GdiObject* FindAnyObject(const void* handle);
// Unregisters and destroys a live object.
void DestroyObject(GdiObject* object);

inline Bitmap* FindBitmap(const void* handle) {
  return static_cast<Bitmap*>(FindObject(handle, GdiObject::Type::kBitmap));
}
inline DeviceContext* FindDC(const void* handle) {
  return static_cast<DeviceContext*>(FindObject(handle, GdiObject::Type::kDeviceContext));
}
inline Pen* FindPen(const void* handle) {
  return static_cast<Pen*>(FindObject(handle, GdiObject::Type::kPen));
}
inline Brush* FindBrush(const void* handle) {
  return static_cast<Brush*>(FindObject(handle, GdiObject::Type::kBrush));
}
inline Font* FindFont(const void* handle) {
  return static_cast<Font*>(FindObject(handle, GdiObject::Type::kFont));
}
inline RegionObject* FindRegion(const void* handle) {
  return static_cast<RegionObject*>(FindObject(handle, GdiObject::Type::kRegion));
}
inline Palette* FindPalette(const void* handle) {
  return static_cast<Palette*>(FindObject(handle, GdiObject::Type::kPalette));
}

// A zeroed bitmap of that size with its own storage; null when memory runs out.
std::unique_ptr<Bitmap> MakeBitmap(int width, int height);
// The 1 x 1 bitmap every new memory device context starts with.
Bitmap* StockBitmap();
// Resets a device context's attributes to the defaults (stock pen, brush and font).
void ResetState(DcState& state);

}  // namespace platform::gdi
