// EXIF blocks and JPEG streams put together byte by byte, as a camera would write them, and the
// byte helpers every codec test shares.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/ImageFile.h"
#include "codecs/MemoryStream.h"

using Bytes = std::vector<unsigned char>;

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);

// Decodes the bytes with one format's class.
template <class Format>
bool DecodeBytes(Format& image, Bytes bytes) {
  CMemoryStream stream(bytes.data(), bytes.size());
  return image.Decode(&stream);
}

// Decodes the bytes as the given type through CImageFile's own dispatch.
inline bool DecodeBytes(CImageFile& image, Bytes bytes, unsigned long type) {
  return image.Decode(bytes.data(), static_cast<unsigned long>(bytes.size()), type);
}

// The TIFF structure inside an APP1 "Exif" segment: directories of entries in either byte
// order, laid out one after the other, each followed by its values longer than four bytes.
class TiffBlock {
 public:
  explicit TiffBlock(bool bigEndian) : bigEndian_(bigEndian) { directories_.emplace_back(); }

  // Directory 0 is the first one; the result is the new directory's index.
  int AddDirectory() {
    directories_.emplace_back();
    return static_cast<int>(directories_.size()) - 1;
  }
  void Short(int dir, int tag, unsigned value) { Add(dir, tag, 3, 1, Number(value, 2)); }
  void Long(int dir, int tag, unsigned value) { Add(dir, tag, 4, 1, Number(value, 4)); }
  void Rational(int dir, int tag, unsigned num, unsigned den) {
    Bytes data = Number(num, 4);
    Bytes d = Number(den, 4);
    data.insert(data.end(), d.begin(), d.end());
    Add(dir, tag, 5, 1, data);
  }
  void Text(int dir, int tag, const std::string& text) {
    Bytes data(text.begin(), text.end());
    data.push_back(0);
    Add(dir, tag, 2, static_cast<unsigned>(data.size()), data);
  }
  void Undefined(int dir, int tag, const Bytes& data) {
    Add(dir, tag, 7, static_cast<unsigned>(data.size()), data);
  }
  // An entry whose four value bytes are given as they stand (for broken entries).
  void Raw(int dir, int tag, int format, unsigned count, unsigned value) {
    directories_[dir].push_back({tag, format, count, Number(value, 4), Kind::kRaw, 0});
  }
  void Link(int dir, int tag, int target) {
    directories_[dir].push_back({tag, 4, 1, {}, Kind::kLink, target});
  }
  void Next(int dir, int target) {
    next_.resize(directories_.size(), -1);
    next_[static_cast<std::size_t>(dir)] = target;
  }
  void Thumbnail(int dir, const Bytes& thumbnail) {
    thumbnail_ = thumbnail;
    directories_[dir].push_back({0x0201, 4, 1, {}, Kind::kThumbnail, 0});
    Long(dir, 0x0202, static_cast<unsigned>(thumbnail.size()));
  }

  // "Exif", two zero bytes and the TIFF structure.
  Bytes Build() const;

 private:
  enum class Kind { kValue, kRaw, kLink, kThumbnail };
  struct Entry {
    int tag;
    int format;
    unsigned count;
    Bytes data;
    Kind kind;
    int target;
  };
  void Add(int dir, int tag, int format, unsigned count, const Bytes& data) {
    directories_[dir].push_back({tag, format, count, data, Kind::kValue, 0});
  }
  Bytes Number(unsigned value, int size) const;

  bool bigEndian_;
  std::vector<std::vector<Entry>> directories_;
  std::vector<int> next_;
  Bytes thumbnail_;
};

// A marker segment: 0xFF, the marker, the length and the payload.
Bytes Segment(int marker, const Bytes& payload);
Bytes Segment(int marker, const std::string& payload);
// The stream with segments inserted right after its start-of-image marker.
Bytes InsertAfterStart(const Bytes& jpeg, const Bytes& segments);
// A small picture encoded as JPEG by our encoder.
Bytes SmallJpeg(long width, long height, int quality = 90);
// Our encoding of the image as bytes of the given format.
Bytes EncodeToBytes(CImageFile& image, unsigned long type);
// Where the first segment with this marker starts in the stream; -1 when there is none.
long FindMarker(const Bytes& jpeg, int marker);
