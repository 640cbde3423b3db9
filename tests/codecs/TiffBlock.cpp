#include "tests/codecs/TiffBlock.h"

#include <fstream>
#include <iterator>

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes TiffBlock::Number(unsigned value, int size) const {
  Bytes out(static_cast<std::size_t>(size));
  for (int i = 0; i < size; ++i) {
    const int shift = 8 * (bigEndian_ ? size - 1 - i : i);
    out[static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> shift);
  }
  return out;
}

Bytes TiffBlock::Build() const {
  // First pass: where each directory, its values and the thumbnail go.
  std::vector<unsigned> at(directories_.size());
  unsigned offset = 8;
  for (std::size_t d = 0; d < directories_.size(); ++d) {
    at[d] = offset;
    offset += 2 + 12 * static_cast<unsigned>(directories_[d].size()) + 4;
    for (const Entry& e : directories_[d]) {
      if (e.kind == Kind::kValue && e.data.size() > 4) offset += static_cast<unsigned>(e.data.size());
    }
  }
  const unsigned thumbnailAt = offset;

  Bytes tiff = bigEndian_ ? Bytes{'M', 'M'} : Bytes{'I', 'I'};
  auto put = [&](unsigned value, int size) {
    Bytes b = Number(value, size);
    tiff.insert(tiff.end(), b.begin(), b.end());
  };
  put(42, 2);
  put(8, 4);
  for (std::size_t d = 0; d < directories_.size(); ++d) {
    const auto& entries = directories_[d];
    put(static_cast<unsigned>(entries.size()), 2);
    unsigned data = at[d] + 2 + 12 * static_cast<unsigned>(entries.size()) + 4;
    Bytes values;
    for (const Entry& e : entries) {
      put(static_cast<unsigned>(e.tag), 2);
      put(static_cast<unsigned>(e.format), 2);
      put(e.count, 4);
      if (e.kind == Kind::kLink) {
        put(at[static_cast<std::size_t>(e.target)], 4);
      } else if (e.kind == Kind::kThumbnail) {
        put(thumbnailAt, 4);
      } else if (e.data.size() > 4) {
        put(data, 4);
        data += static_cast<unsigned>(e.data.size());
        values.insert(values.end(), e.data.begin(), e.data.end());
      } else {
        Bytes inline4 = e.data;
        inline4.resize(4, 0);
        tiff.insert(tiff.end(), inline4.begin(), inline4.end());
      }
    }
    const int next = d < next_.size() ? next_[d] : -1;
    put(next >= 0 ? at[static_cast<std::size_t>(next)] : 0, 4);
    tiff.insert(tiff.end(), values.begin(), values.end());
  }
  tiff.insert(tiff.end(), thumbnail_.begin(), thumbnail_.end());
  Bytes block = {'E', 'x', 'i', 'f', 0, 0};
  block.insert(block.end(), tiff.begin(), tiff.end());
  return block;
}

Bytes Segment(int marker, const Bytes& payload) {
  const std::size_t length = payload.size() + 2;
  Bytes out = {0xFF, static_cast<unsigned char>(marker), static_cast<unsigned char>(length >> 8),
               static_cast<unsigned char>(length)};
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Bytes Segment(int marker, const std::string& payload) {
  return Segment(marker, Bytes(payload.begin(), payload.end()));
}

Bytes InsertAfterStart(const Bytes& jpeg, const Bytes& segments) {
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  out.insert(out.end(), segments.begin(), segments.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

Bytes EncodeToBytes(CImageFile& image, unsigned long type) {
  unsigned char* buffer = nullptr;
  long size = 0;
  if (!image.Encode(buffer, size, type)) return {};
  Bytes out(buffer, buffer + size);
  CImageFile::FreeMemory(buffer);
  return out;
}

Bytes SmallJpeg(long width, long height, int quality) {
  CImageFile image(static_cast<unsigned long>(width), static_cast<unsigned long>(height), 24,
                   keImageFormatJPG);
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      image.SetPixelColor(x, y, RGBQUAD{static_cast<BYTE>(x * 9), static_cast<BYTE>(y * 7), 128, 0});
    }
  }
  image.SetJpegQuality(static_cast<unsigned char>(quality));
  return EncodeToBytes(image, keImageFormatJPG);
}

long FindMarker(const Bytes& jpeg, int marker) {
  std::size_t i = 2;
  while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
    if (jpeg[i + 1] == marker) return static_cast<long>(i);
    if (jpeg[i + 1] == 0xDA) return -1;
    i += 2 + (jpeg[i + 2] << 8 | jpeg[i + 3]);
  }
  return -1;
}
