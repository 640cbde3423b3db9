// The objects behind GDI handles. A handle is the object's address; the registry tells live
// objects from stale or foreign handles.
#pragma once
#include <memory>

#include "platform/gdi/gdi.h"

namespace platform::gdi {

struct GdiObject {
  enum class Type { Bitmap, DeviceContext };
  explicit GdiObject(Type objectType) : type(objectType) {}
  virtual ~GdiObject() = default;
  const Type type;
};

struct DeviceContext;

struct Bitmap final : GdiObject {
  Bitmap() : GdiObject(Type::Bitmap) {}
  Surface surface;
  std::unique_ptr<BYTE[]> storage;
  DeviceContext* selectedInto = nullptr;
  bool stock = false;  // shared by every new device context, never deleted
};

struct DeviceContext final : GdiObject {
  DeviceContext() : GdiObject(Type::DeviceContext) {}
  Bitmap* bitmap = nullptr;
};

// Registers a new object and answers its handle; null when memory runs out.
void* RegisterObject(std::unique_ptr<GdiObject> object);
// The live object of that type behind a handle, or null.
GdiObject* FindObject(const void* handle, GdiObject::Type type);
// Unregisters and destroys a live object.
void DestroyObject(GdiObject* object);

inline Bitmap* FindBitmap(const void* handle) {
  return static_cast<Bitmap*>(FindObject(handle, GdiObject::Type::Bitmap));
}
inline DeviceContext* FindDC(const void* handle) {
  return static_cast<DeviceContext*>(FindObject(handle, GdiObject::Type::DeviceContext));
}

}  // namespace platform::gdi
