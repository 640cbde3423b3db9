// Buffers a render takes over from the last one and leaves to the next: renders of one size then
// fault in no new pages, and the rows' threads hand no memory back to the system between renders
// (trimming their heaps costs every thread of the process a flush, some 0.2-0.4 ms a render).
// Also what a render works out before its rows, for the next render with the same inputs.
#pragma once
#include <cstddef>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

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

// Every input of a piece of a render's set-up, bit for bit (so 0 and -0 differ): what is worked
// out from equal keys is equal.
class InputKey {
 public:
  explicit InputKey(std::size_t expected = 0) { values_.reserve(expected); }
  void Put(double t) { values_.push_back(t); }
  // A struct of doubles alone, as they are.
  template <class Doubles>
  void PutAll(const Doubles& doubles) {
    static_assert(std::is_trivially_copyable_v<Doubles> && sizeof(Doubles) % sizeof(double) == 0);
    double t[sizeof(Doubles) / sizeof(double)];
    std::memcpy(t, &doubles, sizeof t);
    values_.insert(values_.end(), std::begin(t), std::end(t));
  }
  bool operator==(const InputKey& other) const {
    return values_.size() == other.values_.size() &&
           (values_.empty() ||
            std::memcmp(values_.data(), other.values_.data(), sizeof(double) * values_.size()) == 0);
  }

 private:
  std::vector<double> values_;
};

// What the last render worked out from its key, for a render with the same key (the same shape
// moved or resized, or rendered again) to take rather than work out. Safe across threads.
template <class Value>
class KeptByKey {
 public:
  // The value kept for key, or none.
  std::shared_ptr<const Value> Find(const InputKey& key) const {
    const std::lock_guard<std::mutex> hold(lock_);
    return kept_ && kept_->first == key ? kept_->second : nullptr;
  }
  void Keep(InputKey key, std::shared_ptr<const Value> value) {
    const std::lock_guard<std::mutex> hold(lock_);
    kept_.emplace(std::move(key), std::move(value));
  }

 private:
  mutable std::mutex lock_;
  std::optional<std::pair<InputKey, std::shared_ptr<const Value>>> kept_;
};

}  // namespace corvel::detail
