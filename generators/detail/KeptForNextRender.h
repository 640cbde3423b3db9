// Buffers a render takes over from the last one and leaves to the next: renders of one size then
// fault in no new pages, and the rows' threads hand no memory back to the system between renders
// (trimming their heaps costs every thread of the process a flush, some 0.2-0.4 ms a render).
#pragma once
#include <mutex>
#include <utility>

namespace corvel::detail {

// One T for each render in turn: taken on construction, given back on destruction. Renders at the
// same time each take what is there (the second finds an empty T); the last to end leaves its own.
template <class T>
class KeptForNextRender {
 public:
  KeptForNextRender() { Exchange(); }
  ~KeptForNextRender() { Exchange(); }
  KeptForNextRender(const KeptForNextRender&) = delete;
  KeptForNextRender& operator=(const KeptForNextRender&) = delete;

  T value;

 private:
  void Exchange() {
    static std::mutex lock;
    static T kept;
    const std::lock_guard<std::mutex> hold(lock);
    using std::swap;
    swap(value, kept);
  }
};

}  // namespace corvel::detail
