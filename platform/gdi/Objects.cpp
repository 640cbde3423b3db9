#include <mutex>
#include <new>
#include <unordered_set>

#include "platform/gdi/detail/Objects.h"

namespace platform::gdi {
namespace {

struct Registry {
  std::mutex mutex;
  std::unordered_set<const void*> live;
};

Registry& Objects() {
  static Registry registry;
  return registry;
}

}  // namespace

void* RegisterObject(std::unique_ptr<GdiObject> object) {
  Registry& registry = Objects();
  try {
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.live.insert(object.get());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return object.release();
}

GdiObject* FindObject(const void* handle, GdiObject::Type type) {
  Registry& registry = Objects();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (!registry.live.count(handle)) return nullptr;
  auto* object = static_cast<GdiObject*>(const_cast<void*>(handle));
  return object->type == type ? object : nullptr;
}

GdiObject* FindAnyObject(const void* handle) {
  Registry& registry = Objects();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (!registry.live.count(handle)) return nullptr;
  return static_cast<GdiObject*>(const_cast<void*>(handle));
}

void DestroyObject(GdiObject* object) {
  {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.live.erase(object);
  }
  delete object;
}

}  // namespace platform::gdi
