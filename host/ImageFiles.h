// The host's images from and to files: 8-bit pictures through the image-file library (grey ones
// as grey, others as RGB), 16-bit PNG through libpng as 16-bit grey or 48-bit RGB. Results are
// written in the format the name's extension names, through a temporary and a rename: 16-bit
// PNG and TIFF by libpng and libtiff, everything else through the image-file library (JPEG from
// the image's own rows straight into the file).
#pragma once
#include <string>
#include <vector>

#include "host/FilterHost.h"

namespace wfhost {

struct OutputFormat {
  const char* extension;
  unsigned long type;  // the image-file library's
  const char* name;
  bool holdsSixteenBits;
};
// The format an output's extension names, or null.
const OutputFormat* OutputFormatOf(const std::string& path);

// Each answers false with the reason, and throws std::bad_alloc where memory runs out (in the
// image-file library too). A file cut short whose picture shows what came before (BMP, icons,
// GIF, JPEG) loads, and a shortFile given says so and what fills the part it lacks.
bool LoadHostImage(const std::string& path, HostImageBuffer* image, std::string* error,
                   std::string* shortFile = nullptr);
// Whether a result could be written to the path now: its folder exists and takes a new file, and
// the name is a file that may be replaced or none; false with the reason.
bool CheckWritable(const std::string& path, std::string* error);
// 16-bit samples go out with 8 bits where the format holds no more.
bool SaveHostImage(const std::string& path, const HostImageBuffer& image, std::string* error);
// A selection: the file's grey levels, which must match the size and select something.
bool LoadSelection(const std::string& path, int width, int height, std::vector<std::uint8_t>* mask,
                   std::string* error, std::string* shortFile = nullptr);

}  // namespace wfhost
