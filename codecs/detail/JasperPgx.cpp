// PGX: one component of 1 to 16 bits, signed or not, in either byte order.
#include <cstdio>
#include <vector>

#include "codecs/detail/AsciiScanner.h"
#include "codecs/detail/ImageLimits.h"
#include "codecs/detail/JasperFormats.h"

namespace jasper {

namespace {

class PgxReader : public FormatReader {
 public:
  explicit PgxReader(CJasperStream& stream)
      : stream_(stream), reader_(stream.File()), scanner_(reader_, false) {}

  bool ReadHeader(Image& image) override {
    return ParseHeader(image) || (scanner_.Peek() < 0 ? EndsEarly() : false);
  }

  bool ReadSamples(Image& image) override {
    Component& c = image.components[0];
    const std::size_t bytes = c.precision > 8 ? 2 : 1;
    const std::uint64_t rowBytes = static_cast<std::uint64_t>(c.width) * bytes;
    const std::int64_t length = stream_.Length();
    if (length >= 0 && static_cast<std::uint64_t>(length) < rowBytes * static_cast<std::uint64_t>(c.height))
      return EndsEarly();
    if (!AllocateSamples(image)) return false;
    const std::uint32_t mask = (std::uint32_t{1} << c.precision) - 1;
    const std::uint32_t signBit = std::uint32_t{1} << (c.precision - 1);
    std::vector<unsigned char> row(rowBytes);
    for (long y = 0; y < c.height; ++y) {
      if (reader_.Read(row.data(), row.size()) != row.size()) return EndsEarly();
      for (long x = 0; x < c.width; ++x) {
        const unsigned char* p = &row[x * bytes];
        std::uint32_t v = bytes == 1 ? p[0] : bigEndian_ ? p[0] << 8 | p[1] : p[1] << 8 | p[0];
        v &= mask;
        c.Row(y)[x] = c.isSigned && (v & signBit)
                          ? static_cast<std::int32_t>(v) - static_cast<std::int32_t>(mask) - 1
                          : static_cast<std::int32_t>(v);
      }
    }
    return true;
  }

 private:
  bool ParseHeader(Image& image) {
    if (scanner_.Get() != 'P' || scanner_.Get() != 'G' || !scanner_.SkipSpace()) return false;
    const int first = scanner_.Get(), second = scanner_.Get();
    if ((first != 'M' || second != 'L') && (first != 'L' || second != 'M')) return false;
    bigEndian_ = first == 'M';
    if (!scanner_.SkipSpace()) return false;
    const bool isSigned = scanner_.Peek() == '-';
    if (isSigned || scanner_.Peek() == '+') scanner_.Get();
    std::uint32_t depth = 0, width = 0, height = 0;
    if (!scanner_.Number(16, depth) || !scanner_.Number(kMaxImageSide, width) ||
        !scanner_.Number(kMaxImageSide, height) || !depth || !width || !height || !scanner_.EndOfHeader())
      return false;
    image.space = ColourSpace::Grey;
    image.components.assign(1, Component{width, height, static_cast<int>(depth), isSigned, {}});
    return true;
  }

  CJasperStream& stream_;
  StreamReader reader_;
  AsciiScanner scanner_;
  bool bigEndian_ = true;
};

}  // namespace

std::unique_ptr<FormatReader> MakePgxReader(CJasperStream& stream) {
  return std::make_unique<PgxReader>(stream);
}

bool WritePgx(const Image& image, CJasperStream& stream) {
  const Component& c = image.components[0];
  char header[80];
  const int length = std::snprintf(header, sizeof(header), "PG ML %c %d %ld %ld\n", c.isSigned ? '-' : '+',
                                   c.precision, c.width, c.height);
  return stream.Write(header, static_cast<std::size_t>(length)) == static_cast<std::size_t>(length) &&
         WriteBigEndianRows(image, stream);
}

}  // namespace jasper
