// The part of a top-level window's pixels that one of its windows covers.
#pragma once
#include <cstddef>

#include "platform/ui/Capture.h"

namespace platform::detail {

// `rows` holds the top-level window's pixels (`width` x `height`, `stride` bytes a row);
// `offset` is where the window's rectangle of `size` starts in it. Pixels outside are black.
CapturedImage CutWindow(const unsigned char* rows, std::ptrdiff_t stride, int width, int height, POINT offset,
                        SIZE size);

}  // namespace platform::detail
