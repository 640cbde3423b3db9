// Rows of an image handed out in a working format, a few at a time: locked in place when the
// image has that format, else converted into the cache's own buffers. A reading cache keeps
// released rows for reuse; a writing cache stores each row back when it is released.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/PixelFormat.h"
#include "platform/win32/Types.h"
#include "rowops/RowOpContext.h"

namespace corvel {

class CRowIteratorBands;

namespace detail {

class RowCache {
 public:
  explicit RowCache(keFormat working) : working_(working) {}
  ~RowCache() { Free(); }
  RowCache(const RowCache&) = delete;
  RowCache& operator=(const RowCache&) = delete;

  // false when the conversion cannot be bound or memory runs out (the cache is then empty).
  bool Allocate(CRowIteratorBands& image, int slots, bool writing);
  // The row's span [x, x + width) in the working format; null when every slot is handed out
  // or the row cannot be locked.
  BYTE* GetRow(int row, int x, int width);
  void Release(int row);
  void Free();

  bool Converting() const { return convert_; }

 private:
  static constexpr int kFree = -9999;
  struct Slot {
    int row = -1;
    int x = 0;
    int width = 0;
    int state = kFree;  // times handed out, or kFree
    std::unique_ptr<BYTE[]> buffer;
    BYTE* pointer = nullptr;
    bool locked = false;  // the image row is locked for it
  };
  void Retire(Slot& slot);
  void Store(Slot& slot);

  keFormat working_;
  bool convert_ = false;
  bool writing_ = false;
  CRowIteratorBands* image_ = nullptr;
  std::size_t rowBytes_ = 0;
  std::vector<Slot> slots_;
  std::unique_ptr<RowOpExecutor> conversion_;
};

}  // namespace detail
}  // namespace corvel
