// Sun raster: pictures of 1, 8, 24 and 32 bits, with or without a colour map, stored as they are
// or coded by runs.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "codecs/detail/BigEndian.h"
#include "codecs/detail/ImageLimits.h"
#include "codecs/detail/JasperFormats.h"
#include "codecs/detail/StreamReader.h"

namespace jasper {

namespace {

enum : std::uint32_t { kOldType = 0, kStandardType = 1, kRunType = 2, kRgbType = 3 };
enum : std::uint32_t { kNoMap = 0, kRgbMap = 1 };

// Rows are padded to 16 bits.
std::uint64_t RowBytes(std::uint64_t width, std::uint32_t depth) { return (width * depth + 15) / 16 * 2; }

struct Header {
  std::uint32_t width, height, depth, length, type, mapType, mapLength;
};

// The bytes of a picture coded by runs: 0x80 n v stands for n + 1 bytes v (0x80 0 for a single
// 0x80), any other byte for itself. A run may go on into the next row; one that goes past the
// picture's end is cut there.
class RunDecoder {
 public:
  explicit RunDecoder(StreamReader& reader) : reader_(reader) {}

  // False when the data ends before the row is full.
  bool Fill(unsigned char* row, std::size_t size) {
    for (std::size_t x = 0; x < size;) {
      if (left_ == 0 && !NextRun()) return false;
      const std::size_t take = std::min<std::size_t>(left_, size - x);
      std::memset(row + x, value_, take);
      x += take;
      left_ -= take;
    }
    return true;
  }

  // The most bytes a coded length can stand for: three bytes make a run of 256.
  static std::uint64_t MostBytesFrom(std::uint64_t coded) { return coded / 3 * 256 + coded % 3; }

 private:
  static constexpr int kEscape = 0x80;

  bool NextRun() {
    const int first = reader_.Get();
    if (first < 0) return false;
    value_ = static_cast<unsigned char>(first);
    left_ = 1;
    if (first != kEscape) return true;
    const int count = reader_.Get();
    if (count <= 0) return count == 0;
    const int value = reader_.Get();
    if (value < 0) return false;
    value_ = static_cast<unsigned char>(value);
    left_ = static_cast<std::size_t>(count) + 1;
    return true;
  }

  StreamReader& reader_;
  unsigned char value_ = 0;
  std::size_t left_ = 0;
};

class RasReader : public FormatReader {
 public:
  explicit RasReader(CJasperStream& stream) : stream_(stream), reader_(stream.File()) {}

  bool ReadHeader(Image& image) override {
    unsigned char bytes[32];
    if (reader_.Read(bytes, sizeof(bytes)) != sizeof(bytes)) return EndsEarly();
    h_ = {ReadBE32(bytes + 4),  ReadBE32(bytes + 8),  ReadBE32(bytes + 12), ReadBE32(bytes + 16),
          ReadBE32(bytes + 20), ReadBE32(bytes + 24), ReadBE32(bytes + 28)};
    if (h_.width == 0 || h_.height == 0 || h_.width > kMaxImageSide || h_.height > kMaxImageSide)
      return false;
    if (h_.depth != 1 && h_.depth != 8 && h_.depth != 24 && h_.depth != 32) return false;
    if (h_.type != kOldType && h_.type != kStandardType && h_.type != kRunType && h_.type != kRgbType)
      return false;
    if (h_.mapType > kRgbMap || (h_.mapType == kNoMap && h_.mapLength != 0)) return false;
    if (h_.mapType == kRgbMap && (h_.mapLength == 0 || h_.mapLength % 3 != 0 || h_.mapLength > 3 * 256))
      return false;
    map_.resize(h_.mapLength);
    if (reader_.Read(map_.data(), map_.size()) != map_.size()) return EndsEarly();
    const bool colour = h_.depth > 8 || h_.mapType == kRgbMap;
    image.space = colour ? ColourSpace::Rgb : ColourSpace::Grey;
    image.components.assign(colour ? 3 : 1,
                            Component{h_.width, h_.height, colour ? 8 : int(h_.depth), false, {}});
    return true;
  }

  bool ReadSamples(Image& image) override {
    const std::uint64_t rowBytes = RowBytes(h_.width, h_.depth);
    const bool runs = h_.type == kRunType;
    // Refused before the samples are allocated: data too short for the picture it claims.
    const std::int64_t length = stream_.Length();
    if (length >= 0) {
      const std::uint64_t coded = static_cast<std::uint64_t>(length);
      if ((runs ? RunDecoder::MostBytesFrom(coded) : coded) < rowBytes * h_.height) return EndsEarly();
    }
    if (!AllocateSamples(image)) return false;
    std::vector<unsigned char> row(rowBytes);
    RunDecoder decoder(reader_);
    const std::uint32_t entries = h_.mapLength / 3;
    for (long y = 0; y < static_cast<long>(h_.height); ++y) {
      if (runs ? !decoder.Fill(row.data(), row.size()) : reader_.Read(row.data(), row.size()) != row.size())
        return EndsEarly();
      for (long x = 0; x < static_cast<long>(h_.width); ++x) {
        if (h_.depth > 8) {
          // RGB pictures are stored red first, the others blue first; 32 bits lead with a pad.
          const unsigned char* p = &row[x * (h_.depth / 8) + (h_.depth == 32)];
          const bool rgb = h_.type == kRgbType;
          image.components[0].Row(y)[x] = p[rgb ? 0 : 2];
          image.components[1].Row(y)[x] = p[1];
          image.components[2].Row(y)[x] = p[rgb ? 2 : 0];
          continue;
        }
        // A set bit is black.
        const std::uint32_t v = h_.depth == 8 ? row[x] : !((row[x / 8] >> (7 - x % 8)) & 1);
        if (h_.mapType == kNoMap) {
          image.components[0].Row(y)[x] = static_cast<std::int32_t>(v);
          continue;
        }
        // Indices past the map show black.
        const std::uint32_t index = h_.depth == 1 ? !v : v;
        for (int c = 0; c < 3; ++c)
          image.components[c].Row(y)[x] = index < entries ? map_[c * entries + index] : 0;
      }
    }
    return true;
  }

 private:
  CJasperStream& stream_;
  StreamReader reader_;
  Header h_{};
  std::vector<unsigned char> map_;
};

}  // namespace

std::unique_ptr<FormatReader> MakeRasReader(CJasperStream& stream) {
  return std::make_unique<RasReader>(stream);
}

bool WriteRas(const Image& image, CJasperStream& stream) {
  const Component& first = image.components[0];
  const bool colour = image.components.size() == 3;
  const std::uint32_t depth = colour ? 24 : 8;
  const std::uint64_t rowBytes = RowBytes(static_cast<std::uint64_t>(first.width), depth);
  unsigned char header[32];
  const std::uint32_t fields[8] = {
      0x59A66A95u,
      static_cast<std::uint32_t>(first.width),
      static_cast<std::uint32_t>(first.height),
      depth,
      static_cast<std::uint32_t>(rowBytes * static_cast<std::uint64_t>(first.height)),
      kStandardType,
      kNoMap,
      0};
  for (int i = 0; i < 8; ++i) WriteBE32(header + 4 * i, fields[i]);
  if (stream.Write(header, sizeof(header)) != sizeof(header)) return false;
  std::vector<unsigned char> row(rowBytes);
  for (long y = 0; y < first.height; ++y) {
    for (long x = 0; x < first.width; ++x) {
      if (!colour) {
        row[x] = static_cast<unsigned char>(first.Row(y)[x]);
        continue;
      }
      for (int c = 0; c < 3; ++c)
        row[3 * x + c] = static_cast<unsigned char>(image.components[2 - c].Row(y)[x]);
    }
    if (stream.Write(row.data(), row.size()) != row.size()) return false;
  }
  return true;
}

}  // namespace jasper
