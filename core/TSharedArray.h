// An array shared by reference count, the count allocated beside it. The last holder deletes
// both. Counts change atomically, so holders may live on different threads.
#pragma once
#include <atomic>
#include <cstdint>
#include <new>
#include <utility>

namespace corvel {

template <typename T>
class TSharedArray {
 public:
  TSharedArray() = default;
  TSharedArray(const TSharedArray& other) : array_(other.array_), count_(other.count_) {
    if (count_) count_->fetch_add(1);
  }
  TSharedArray& operator=(const TSharedArray& other) {
    TSharedArray copy(other);
    std::swap(array_, copy.array_);
    std::swap(count_, copy.count_);
    return *this;
  }
  ~TSharedArray() { Release(); }

  // Releases the held array and takes a new one (from new[]) with a count of 1. False, with
  // the new array deleted and nothing held, when the count cannot be allocated.
  bool Assign(T* array) {
    Release();
    if (!array) return true;
    count_ = new (std::nothrow) std::atomic<std::int32_t>(1);
    if (!count_) {
      delete[] array;
      return false;
    }
    array_ = array;
    return true;
  }
  // True when this was the last holder, which deleted the array: one atomic step, so that of two
  // holders letting go at once on two threads exactly one is the last.
  bool Release() {
    const bool last = count_ && count_->fetch_sub(1) == 1;
    if (last) {
      delete[] array_;
      delete count_;
    }
    array_ = nullptr;
    count_ = nullptr;
    return last;
  }

  // True when this holds the array alone: another holder is made only by copying one, so the
  // answer stays true while this holder is not copied.
  bool HeldAlone() const { return count_ && count_->load() == 1; }
  T* Get() const { return array_; }
  T& operator[](std::size_t i) const { return array_[i]; }
  explicit operator bool() const { return array_ != nullptr; }

 private:
  T* array_ = nullptr;
  std::atomic<std::int32_t>* count_ = nullptr;
};

}  // namespace corvel
