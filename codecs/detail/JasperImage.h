// What the JPEG-2000 family codec asks of its library: a format table, decoding with format
// detection, components as rows of samples, conversion to 8-bit sRGB, and encoding by format
// with a rate. JP2 and JPC go through OpenJPEG; PNM, Sun raster and PGX are read and written
// here.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "codecs/detail/JasperStream.h"

namespace jasper {

enum class ColourSpace { Grey, Rgb, Other };

struct Component {
  long width = 0;
  long height = 0;
  int precision = 8;
  bool isSigned = false;
  std::vector<std::int32_t> samples;  // top row first

  std::int32_t* Row(long y) { return samples.data() + y * width; }
  const std::int32_t* Row(long y) const { return samples.data() + y * width; }
};

struct Image {
  ColourSpace space = ColourSpace::Grey;
  std::vector<Component> components;
};

// The order of detection, which is also the format table.
enum class Format { Pnm, Ras, Jp2, Jpc, Pgx };

// False when the linked OpenJPEG is not of the interface this was built for.
bool Initialise();
// The format of a name ("pnm", "ras", "jp2", "jpc", "pgx"); false for any other name.
bool FormatByName(const char* name, Format& format);

// One format's reader: the geometry first, so that sizes can be checked before the samples
// are allocated.
class FormatReader {
 public:
  virtual ~FormatReader() = default;
  // Components with their sizes and precisions but no samples.
  virtual bool ReadHeader(Image& image) = 0;
  virtual bool ReadSamples(Image& image) = 0;
  // After a failed read: whether the data ended before the picture did.
  bool EndedEarly() const { return endedEarly_; }

 protected:
  // A failed read's result when the data ran out.
  bool EndsEarly() {
    endedEarly_ = true;
    return false;
  }

 private:
  bool endedEarly_ = false;
};

// The format whose signature the first bytes carry; false when they carry none.
bool FormatOfSignature(const unsigned char* head, std::size_t size, Format& format);
// The reader of the format the first bytes show, or null when none does.
std::unique_ptr<FormatReader> DetectFormat(CJasperStream& stream);

// Allocates every component's samples; false past the cap or when the heap refuses.
bool AllocateSamples(Image& image);

// Whether ConvertToSrgb knows the image's colour space.
bool HasSrgbConversion(const Image& image);
// Three unsigned 8-bit components of component 0's size; false when the colour components
// differ in size.
bool ConvertToSrgb(Image& image);

// options: "rate=r", r the size of the coded picture over its raw size (JP2 and JPC only).
bool Encode(const Image& image, CJasperStream& stream, Format format, const char* options);

}  // namespace jasper
