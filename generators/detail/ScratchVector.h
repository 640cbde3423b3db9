// A vector whose growth leaves its new elements unset: a row's buffers are sized for the row's
// worst case, and only the part a row fills is written, so a new render faults in only the pages
// it uses rather than zeroing all of them first.
#pragma once
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace corvel::detail {

template <class T>
class LeaveUnset : public std::allocator<T> {
 public:
  template <class U>
  struct rebind {
    using other = LeaveUnset<U>;
  };
  LeaveUnset() = default;
  template <class U>
  LeaveUnset(const LeaveUnset<U>&) noexcept {}

  // Growth by resize: left as it is.
  template <class U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
  template <class U, class... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }
};

template <class T>
using ScratchVector = std::vector<T, LeaveUnset<T>>;

}  // namespace corvel::detail
