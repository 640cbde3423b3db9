// The largest picture the library's decoders take, which readers of other depths outside it keep
// too: bigger ones are refused before any pixel is decoded, because a small hostile file can
// claim a huge picture and take minutes and gigabytes to fill it.
#pragma once
#include <cstdint>

constexpr std::uint64_t kMaxDecodePixels = std::uint64_t{1} << 28;
