// PNM: plain and binary bit maps, grey maps and pixel maps (P1 to P6).
#include <cstdio>
#include <vector>

#include "codecs/detail/AsciiScanner.h"
#include "codecs/detail/ImageLimits.h"
#include "codecs/detail/JasperFormats.h"

namespace jasper {

namespace {

int BitsFor(std::uint32_t maxval) {
  int bits = 1;
  while ((std::uint32_t{1} << bits) - 1 < maxval) ++bits;
  return bits;
}

class PnmReader : public FormatReader {
 public:
  explicit PnmReader(CJasperStream& stream)
      : stream_(stream), reader_(stream.File()), scanner_(reader_, true) {}

  bool ReadHeader(Image& image) override {
    return ParseHeader(image) || (scanner_.Peek() < 0 ? EndsEarly() : false);
  }

  bool ReadSamples(Image& image) override {
    const std::uint64_t count = image.components.size();
    const std::uint64_t width = static_cast<std::uint64_t>(image.components[0].width);
    const std::uint64_t height = static_cast<std::uint64_t>(image.components[0].height);
    const std::uint64_t rowBytes = kind_ == 4 ? (width + 7) / 8 : width * count * (maxval_ > 255 ? 2 : 1);
    // Every sample takes at least a byte (a bit in P4): a short file cannot claim a huge picture.
    const std::int64_t length = stream_.Length();
    if (length >= 0 && static_cast<std::uint64_t>(length) < (Plain() ? width * count : rowBytes) * height)
      return EndsEarly();
    if (!AllocateSamples(image)) return false;
    top_ = (std::int64_t{1} << image.components[0].precision) - 1;
    std::vector<unsigned char> raw(Plain() ? 0 : rowBytes);
    for (long y = 0; y < static_cast<long>(height); ++y) {
      if (!Plain() && reader_.Read(raw.data(), raw.size()) != raw.size()) return EndsEarly();
      for (long x = 0; x < static_cast<long>(width); ++x) {
        for (std::size_t c = 0; c < count; ++c) {
          std::int32_t value = 0;
          if (Plain() && !PlainSample(value)) return scanner_.Peek() < 0 ? EndsEarly() : false;
          image.components[c].Row(y)[x] = Plain() ? value : BinarySample(raw, x, c, count);
        }
      }
    }
    return true;
  }

 private:
  bool ParseHeader(Image& image) {
    if (scanner_.Get() != 'P') return false;
    kind_ = scanner_.Get() - '0';
    if (kind_ < 1 || kind_ > 6) return false;
    std::uint32_t width = 0, height = 0;
    if (!scanner_.Number(kMaxImageSide, width) || !scanner_.Number(kMaxImageSide, height) || !width ||
        !height)
      return false;
    if (kind_ != 1 && kind_ != 4 && (!scanner_.Number(65535, maxval_) || maxval_ == 0)) return false;
    // Plain samples may follow without a separator; binary ones after exactly one.
    if (!Plain() && !scanner_.EndOfHeader()) return false;
    const bool colour = kind_ == 3 || kind_ == 6;
    image.space = colour ? ColourSpace::Rgb : ColourSpace::Grey;
    image.components.assign(colour ? 3 : 1, Component{width, height, BitsFor(maxval_), false, {}});
    return true;
  }

  bool Plain() const { return kind_ <= 3; }

  // Bit maps store black as 1; components store brightness.
  bool PlainSample(std::int32_t& value) {
    if (kind_ == 1) {
      if (!scanner_.SkipSpace()) return false;
      const int c = scanner_.Get();
      if (c != '0' && c != '1') return false;
      value = c == '0';
      return true;
    }
    std::uint32_t v = 0;
    if (!scanner_.Number(0xFFFFFFFF, v)) return false;
    value = Scaled(v);
    return true;
  }

  std::int32_t BinarySample(const std::vector<unsigned char>& raw, long x, std::size_t c,
                            std::size_t count) const {
    if (kind_ == 4) return !((raw[x / 8] >> (7 - x % 8)) & 1);
    const std::size_t at = x * count + c;
    return Scaled(maxval_ > 255 ? raw[2 * at] << 8 | raw[2 * at + 1] : raw[at]);
  }

  // A maximum short of all ones is stretched over the precision's range.
  std::int32_t Scaled(std::uint32_t v) const {
    const std::uint64_t clamped = v < maxval_ ? v : maxval_;
    return static_cast<std::int32_t>((clamped * static_cast<std::uint64_t>(top_) + maxval_ / 2) / maxval_);
  }

  CJasperStream& stream_;
  StreamReader reader_;
  AsciiScanner scanner_;
  int kind_ = 0;
  std::uint32_t maxval_ = 1;
  std::int64_t top_ = 1;
};

}  // namespace

std::unique_ptr<FormatReader> MakePnmReader(CJasperStream& stream) {
  return std::make_unique<PnmReader>(stream);
}

bool WritePnm(const Image& image, CJasperStream& stream) {
  const Component& first = image.components[0];
  const std::size_t count = image.components.size();
  const int maxval = (1 << first.precision) - 1;
  char header[64];
  const int length = std::snprintf(header, sizeof(header), "P%c\n%ld %ld\n%d\n", count == 3 ? '6' : '5',
                                   first.width, first.height, maxval);
  return stream.Write(header, static_cast<std::size_t>(length)) == static_cast<std::size_t>(length) &&
         WriteBigEndianRows(image, stream);
}

}  // namespace jasper
