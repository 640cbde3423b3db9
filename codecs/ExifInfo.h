// CImageFileJPG::CExifInfo: reads the marker sections of a JPEG stream, parses the EXIF block
// into the record and finds its thumbnail, and writes kept sections back in front of freshly
// encoded image data. Every offset and count in the block is checked against the block.
#pragma once
#include <cstdint>
#include <vector>

#include "codecs/ByteStream.h"
#include "codecs/ImageFileJPG.h"

class CImageFileJPG::CExifInfo {
 public:
  static constexpr int kMaxSections = 20;
  // Type of the section that holds the bytes after the start of scan: image data and the end.
  static constexpr int kImageData = 0x123;
  // DecodeExif modes.
  static constexpr int kReadMetadata = 1;
  static constexpr int kReadImageData = 2;

  struct Section {
    std::vector<unsigned char> Data;  // the whole segment with its two length bytes
    int Type = 0;
    int Size() const { return static_cast<int>(Data.size()); }
  };

  // With a record the reader fills it; without, it keeps a zeroed one of its own.
  explicit CExifInfo(tag_ExifInfo* info = nullptr);
  // The copy has its own sections; record is where its record goes (null: a record of its own).
  CExifInfo(const CExifInfo& src, tag_ExifInfo* record = nullptr);
  CExifInfo& operator=(const CExifInfo&) = delete;
  ~CExifInfo();

  bool DecodeExif(CByteStream* file, int mode = kReadMetadata);
  bool EncodeExif(CByteStream* file);
  // Keeps only the first EXIF and the first comment section.
  void DiscardAllButExif();

  const tag_ExifInfo& Info() const { return *Record; }
  const char* GetLastError() const { return LastError; }
  int GetSectionCount() const { return SectionCount; }
  const Section& GetSection(int i) const { return Sections[i]; }

 protected:
  // block: the segment after its length bytes; length: the segment's length field.
  bool process_EXIF(unsigned char* block, unsigned length);
  // The directory at dirOffset from the block's TIFF header, and those it links to.
  bool ProcessExifDir(std::uint64_t dirOffset, unsigned char* offsetBase, unsigned exifLength,
                      tag_ExifInfo* info, int depth = 0);
  void process_COM(const unsigned char* data, int length);
  void process_SOFn(const unsigned char* data, int marker);
  Section* FindSection(int type);
  int Get16m(const void* p) const;
  int Get16u(const void* p) const;
  std::int32_t Get32s(const void* p) const;
  std::uint32_t Get32u(const void* p) const;
  double ConvertAnyFormat(const void* value, int format) const;

 private:
  bool Fail(const char* text);
  bool FirstVisit(std::uint32_t directory, int depth);
  bool FollowLink(std::uint32_t target, unsigned char* offsetBase, unsigned exifLength, tag_ExifInfo* info,
                  int depth);
  // Keeps a tag's value in the record; links and the thumbnail are the directory's business.
  void StoreTag(int tag, unsigned char* value, std::size_t byteCount, double number, const unsigned char* end,
                tag_ExifInfo* info);
  void ProcessUserComment(unsigned char* value, std::size_t byteCount, const unsigned char* end,
                          tag_ExifInfo* info);
  void DropLastSection();

  tag_ExifInfo* Record;
  char LastError[256];
  int LargestPixelDimension = 0;
  int MotorolaOrder = 0;  // 1: the block is big-endian
  Section Sections[kMaxSections];
  int SectionCount = 0;
  bool OwnsRecord;
  std::vector<std::uint32_t> visitedDirectories_;  // of the block being parsed
};
