// Helper buffers of the transformations (accumulator rows, per-column tables). Their sizes follow
// the image's sizes, which may be as large as the cap allows: a buffer past the cap, or one the
// heap cannot give, is refused and the operation fails instead of the exception escaping.
#pragma once
#include <cstddef>
#include <new>
#include <vector>

#include "codecs/detail/ImageLimits.h"

template <class T>
bool ResizeWithinCap(std::vector<T>& buffer, std::size_t count) {
  if (count > kMaxImageBytes / sizeof(T)) return false;
  try {
    buffer.resize(count);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}
