// 16-bit pictures, which the image-file library does not hold: PNG read and written through
// libpng, grey and RGB TIFF read and written through libtiff. Host samples run 0 .. 32768,
// files' 0 .. 65535.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/FilterHost.h"

namespace wfhost::detail {

constexpr int kLargestSide = 32767;  // the host interface's sizes are 16-bit

bool IsSixteenBitPng(const std::string& path);
// False with the reason, or with none where libpng could not read the file: the image-file
// library then names what is wrong with it, in the words of its other loads.
bool LoadPng16(const std::string& path, HostImageBuffer* image, std::string* error);
// Any TIFF whose first page has 16-bit samples: those of other kinds than grey and RGB are
// refused with the reason.
bool IsSixteenBitTiff(const std::string& path);
bool LoadTiff16(const std::string& path, HostImageBuffer* image, std::string* error);
bool EncodePng16(const HostImageBuffer& image, std::vector<std::uint8_t>* bytes);
bool EncodeTiff16(const HostImageBuffer& image, std::vector<std::uint8_t>* bytes);

}  // namespace wfhost::detail
