// The host's images from and to files: 8-bit pictures through the image-file library (grey ones
// as grey, others as RGB), 16-bit PNG through libpng as 16-bit grey or 48-bit RGB.
#pragma once
#include <string>
#include <vector>

#include "host/FilterHost.h"

namespace wfhost {

// False with the library's reason.
bool LoadHostImage(const std::string& path, HostImageBuffer* image, std::string* error);
bool SaveHostImage(const std::string& path, const HostImageBuffer& image, std::string* error);
// A selection: the file's grey levels, which must match the size.
bool LoadSelection(const std::string& path, int width, int height, std::vector<std::uint8_t>* mask,
                   std::string* error);

}  // namespace wfhost
