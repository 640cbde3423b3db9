// Counted drawing objects (paths, stages, paints, regions): each starts with one reference, the
// creator's; every further holder adds its own, and the last release deletes the object.
#pragma once
#include <atomic>
#include <cstdint>

namespace corvel {

class RefCounted {
 public:
  RefCounted() = default;
  virtual ~RefCounted() = default;
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

  void AddRef() { count_.fetch_add(1, std::memory_order_relaxed); }
  void Release() {
    if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  std::int32_t Count() const { return count_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::int32_t> count_{1};
};

inline void SafeRelease(RefCounted* object) {
  if (object != nullptr) object->Release();
}

// Holds one reference; adopting a fresh object takes over the creator's reference instead.
template <class T>
class RefPtr {
 public:
  RefPtr() = default;
  explicit RefPtr(T* object) : object_(object) {
    if (object_ != nullptr) object_->AddRef();
  }
  static RefPtr Adopt(T* object) {
    RefPtr holder;
    holder.object_ = object;
    return holder;
  }
  ~RefPtr() {
    if (object_ != nullptr) object_->Release();
  }
  RefPtr(const RefPtr& other) : RefPtr(other.object_) {}
  RefPtr(RefPtr&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  RefPtr& operator=(RefPtr other) noexcept {
    T* held = object_;
    object_ = other.object_;
    other.object_ = held;
    return *this;
  }

  T* Get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

}  // namespace corvel
