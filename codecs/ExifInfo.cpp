#include "codecs/ExifInfo.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "codecs/detail/BigEndian.h"
#include "codecs/detail/LittleEndian.h"

namespace {

// Directories link to each other; a block may chain many, but a real one has a handful.
constexpr int kMaxDirectoryDepth = 8;
constexpr std::size_t kMaxDirectories = 64;
constexpr int kDirectoryEntrySize = 12;

// Bytes per component of the EXIF value formats 0..12.
constexpr unsigned kBytesPerFormat[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

enum ExifTag : int {
  kTagMake = 0x010F,
  kTagModel = 0x0110,
  kTagOrientation = 0x0112,
  kTagXResolution = 0x011A,
  kTagYResolution = 0x011B,
  kTagResolutionUnit = 0x0128,
  kTagThumbnailOffset = 0x0201,
  kTagThumbnailLength = 0x0202,
  kTagExposureTime = 0x829A,
  kTagFNumber = 0x829D,
  kTagExifOffset = 0x8769,
  kTagExposureProgram = 0x8822,
  kTagIsoEquivalent = 0x8827,
  kTagExifVersion = 0x9000,
  kTagDateTimeOriginal = 0x9003,
  kTagCompressionLevel = 0x9102,
  kTagShutterSpeed = 0x9201,
  kTagAperture = 0x9202,
  kTagBrightness = 0x9203,
  kTagExposureBias = 0x9204,
  kTagMaxAperture = 0x9205,
  kTagSubjectDistance = 0x9206,
  kTagMeteringMode = 0x9207,
  kTagLightSource = 0x9208,
  kTagFlash = 0x9209,
  kTagFocalLength = 0x920A,
  kTagUserComment = 0x9286,
  kTagPixelXDimension = 0xA002,
  kTagPixelYDimension = 0xA003,
  kTagInteropOffset = 0xA005,
  kTagFocalPlaneXRes = 0xA20E,
  kTagFocalPlaneYRes = 0xA20F,
  kTagFocalPlaneUnits = 0xA210,
};

enum Marker : int {
  kMarkerSOI = 0xD8,
  kMarkerEOI = 0xD9,
  kMarkerSOS = 0xDA,
  kMarkerCOM = 0xFE,
  kMarkerAPP0 = 0xE0,
  kMarkerAPP1 = 0xE1,
};

bool IsStartOfFrame(int marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Inches in one resolution unit, by the unit's code; 0 for a code that sets nothing.
float InchesPerUnit(int code) {
  switch (code) {
    case 1:
    case 2:
      return 1.0f;
    case 3:
      return 0.3937007784843445f;
    case 4:
      return 0.03937007859349251f;
    case 5:
      return 3.937007932108827e-05f;
    default:
      return 0.0f;
  }
}

// Values from the block may be anything: out-of-range ones saturate instead of overflowing.
int ToInt(double value) {
  if (!(value == value)) return 0;
  value = std::trunc(value);
  if (value >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

float ToFloat(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  return static_cast<float>(std::clamp(value, -kMax, kMax));
}

// Copies a text of at most maxChars characters, stopping at a zero byte or the end of the block.
void CopyText(char* target, std::size_t maxChars, const unsigned char* source, const unsigned char* end) {
  std::size_t n = 0;
  while (n < maxChars && source + n < end && source[n] != 0) {
    target[n] = static_cast<char>(source[n]);
    ++n;
  }
  target[n] = '\0';
}

}  // namespace

CImageFileJPG::CExifInfo::CExifInfo(tag_ExifInfo* info)
    : Record(info ? info : new tag_ExifInfo()), OwnsRecord(info == nullptr) {
  LastError[0] = '\0';
}

CImageFileJPG::CExifInfo::CExifInfo(const CExifInfo& src, tag_ExifInfo* record)
    : Record(record ? record : new tag_ExifInfo(*src.Record)),
      LargestPixelDimension(src.LargestPixelDimension),
      MotorolaOrder(src.MotorolaOrder),
      SectionCount(src.SectionCount),
      OwnsRecord(record == nullptr) {
  std::memcpy(LastError, src.LastError, sizeof(LastError));
  if (record) *record = *src.Record;
  std::copy(src.Sections, src.Sections + kMaxSections, Sections);
  // The thumbnail lies in one of the sections: point to the same bytes in the copy.
  Record->ThumbnailPointer = nullptr;
  const auto thumbnail = reinterpret_cast<std::uintptr_t>(src.Record->ThumbnailPointer);
  for (int i = 0; thumbnail && i < SectionCount; ++i) {
    const auto begin = reinterpret_cast<std::uintptr_t>(src.Sections[i].Data.data());
    if (thumbnail >= begin && thumbnail < begin + src.Sections[i].Data.size()) {
      Record->ThumbnailPointer = Sections[i].Data.data() + (thumbnail - begin);
    }
  }
  if (!Record->ThumbnailPointer) Record->ThumbnailSize = 0;
}

CImageFileJPG::CExifInfo::~CExifInfo() {
  if (OwnsRecord) delete Record;
}

bool CImageFileJPG::CExifInfo::Fail(const char* text) {
  std::strncpy(LastError, text, sizeof(LastError) - 1);
  LastError[sizeof(LastError) - 1] = '\0';
  return false;
}

void CImageFileJPG::CExifInfo::DropLastSection() {
  --SectionCount;
  Sections[SectionCount] = Section();
}

bool CImageFileJPG::CExifInfo::DecodeExif(CByteStream* file, int mode) {
  if (!file || file->GetC() != 0xFF || file->GetC() != kMarkerSOI) return false;
  bool commentRead = false;
  for (;;) {
    if (SectionCount >= kMaxSections) return Fail("Too many sections in jpg file");
    long marker = 0;
    for (int padding = 0;; ++padding) {
      marker = file->GetC();
      if (marker != 0xFF) break;
      if (padding >= 6) return Fail("too many padding bytes");
    }
    const long high = file->GetC();
    const long low = file->GetC();
    if (marker < 0 || high < 0 || low < 0) return Fail("Premature end of file?");
    const std::size_t length = static_cast<std::size_t>(high << 8 | low);
    if (length < 2) return Fail("invalid marker");

    Section& section = Sections[SectionCount];
    try {
      section.Data.assign(length, 0);
    } catch (const std::bad_alloc&) {
      return Fail("Could not allocate memory");
    }
    section.Type = static_cast<int>(marker);
    section.Data[0] = static_cast<unsigned char>(high);
    section.Data[1] = static_cast<unsigned char>(low);
    ++SectionCount;
    unsigned char* data = section.Data.data();
    if (file->Read(data + 2, 1, length - 2) != length - 2) {
      DropLastSection();
      return Fail("Premature end of file?");
    }

    switch (marker) {
      case kMarkerSOS: {
        if (!(mode & kReadImageData)) return true;
        if (SectionCount >= kMaxSections) return Fail("Too many sections in jpg file");
        const long start = file->Tell();
        long end = -1;
        if (file->Seek(0, 2)) end = file->Tell();
        file->Seek(start, 0);
        if (start < 0 || end < start) return Fail("could not allocate data for entire image");
        Section& image = Sections[SectionCount];
        try {
          image.Data.assign(static_cast<std::size_t>(end - start), 0);
        } catch (const std::bad_alloc&) {
          return Fail("could not allocate data for entire image");
        }
        if (file->Read(image.Data.data(), 1, image.Data.size()) != image.Data.size()) {
          image = Section();
          return Fail("could not read the rest of the image");
        }
        image.Type = kImageData;
        ++SectionCount;
        return true;
      }
      case kMarkerEOI:
        DropLastSection();
        return Fail("No image in jpeg!");
      case kMarkerCOM:
        if ((mode & kReadMetadata) && !commentRead) {
          process_COM(data, static_cast<int>(length));
          commentRead = true;
        } else {
          DropLastSection();
        }
        break;
      case kMarkerAPP1:
        if ((mode & kReadMetadata) && length >= 6 && std::memcmp(data + 2, "Exif", 4) == 0) {
          Record->IsExif = process_EXIF(data + 2, static_cast<unsigned>(length));
        } else {
          DropLastSection();
        }
        break;
      case kMarkerAPP0:
        DropLastSection();
        break;
      default:
        if (IsStartOfFrame(static_cast<int>(marker)) && length >= 8) {
          process_SOFn(data, static_cast<int>(marker));
        }
        break;
    }
  }
}

void CImageFileJPG::CExifInfo::DiscardAllButExif() {
  Section exif;
  Section comment;
  for (int i = 0; i < SectionCount; ++i) {
    if (Sections[i].Type == kMarkerAPP1 && exif.Data.empty()) {
      exif = std::move(Sections[i]);
    } else if (Sections[i].Type == kMarkerCOM && comment.Data.empty()) {
      comment = std::move(Sections[i]);
    }
    Sections[i] = Section();
  }
  SectionCount = 0;
  // Moving a section keeps its bytes where they are, so the thumbnail pointer stays good.
  if (!exif.Data.empty()) Sections[SectionCount++] = std::move(exif);
  if (!comment.Data.empty()) Sections[SectionCount++] = std::move(comment);
}

CImageFileJPG::CExifInfo::Section* CImageFileJPG::CExifInfo::FindSection(int type) {
  for (int i = 0; i + 1 < SectionCount; ++i) {
    if (Sections[i].Type == type) return &Sections[i];
  }
  return nullptr;
}

bool CImageFileJPG::CExifInfo::EncodeExif(CByteStream* file) {
  if (!FindSection(kMarkerSOS)) return Fail("Can't write exif : didn't read all");
  static const unsigned char kJfifSegment[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46,
                                               0x00, 0x01, 0x01, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00};
  const int firstType = Sections[0].Type;
  // A stream must start with an application segment; the start-of-image marker leads.
  const std::size_t head = firstType == kMarkerAPP1 || firstType == kMarkerAPP0 ? 2 : sizeof(kJfifSegment);
  bool written = file->Write(kJfifSegment, 1, head) == head;
  for (int i = 0; written && i + 1 < SectionCount; ++i) {
    const unsigned char marker[2] = {0xFF, static_cast<unsigned char>(Sections[i].Type)};
    written = file->Write(marker, 1, 2) == 2 &&
              file->Write(Sections[i].Data.data(), Sections[i].Data.size(), 1) == 1;
  }
  const Section& image = Sections[SectionCount - 1];
  written = written && (image.Data.empty() || file->Write(image.Data.data(), image.Data.size(), 1) == 1);
  return written || Fail("Can't write exif : write error");
}

bool CImageFileJPG::CExifInfo::process_EXIF(unsigned char* block, unsigned length) {
  Record->FlashUsed = 0;
  Record->Comments[0] = '\0';
  LargestPixelDimension = 0;
  visitedDirectories_.clear();
  // The segment's length field counts its own two bytes, which are not in the block.
  const unsigned blockSize = length - 2;
  static const unsigned char kHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (blockSize < 6 || std::memcmp(block, kHeader, 6) != 0) return Fail("Incorrect Exif header");
  if (blockSize >= 8 && block[6] == 'I' && block[7] == 'I') {
    MotorolaOrder = 0;
  } else if (blockSize >= 8 && block[6] == 'M' && block[7] == 'M') {
    MotorolaOrder = 1;
  } else {
    return Fail("Invalid Exif alignment marker.");
  }
  if (blockSize < 14 || Get16u(block + 8) != 42) return Fail("Invalid Exif start (1)");
  const std::int32_t first = Get32s(block + 10);
  unsigned char* offsetBase = block + 6;
  const unsigned exifLength = blockSize - 6;
  if (!ProcessExifDir(8, offsetBase, exifLength, Record)) return false;
  if (first > 8 && !ProcessExifDir(static_cast<std::uint64_t>(first), offsetBase, exifLength, Record)) {
    return false;
  }
  if (Record->FocalPlaneXRes != 0) {
    Record->CCDWidth = ToFloat(static_cast<double>(Record->FocalPlaneUnits) / Record->FocalPlaneXRes *
                               LargestPixelDimension);
  }
  return true;
}

bool CImageFileJPG::CExifInfo::ProcessExifDir(std::uint64_t offset, unsigned char* offsetBase,
                                              unsigned exifLength, tag_ExifInfo* info, int depth) {
  if (offset + 2 > exifLength) return Fail("Illegally sized directory");
  unsigned char* dirStart = offsetBase + offset;
  const unsigned entries = static_cast<unsigned>(Get16u(dirStart));
  if (offset + 2 + std::uint64_t{kDirectoryEntrySize} * entries > exifLength) {
    return Fail("Illegally sized directory");
  }
  if (!FirstVisit(static_cast<std::uint32_t>(offset), depth)) return true;

  double thumbnailOffset = 0;
  double thumbnailSize = 0;
  for (unsigned i = 0; i < entries; ++i) {
    unsigned char* entry = dirStart + 2 + kDirectoryEntrySize * i;
    const int tag = Get16u(entry);
    const int format = Get16u(entry + 2);
    const std::uint32_t components = Get32u(entry + 4);
    if (format - 1 >= 12) return Fail("Illegal format code in EXIF dir");
    const std::uint64_t byteCount = std::uint64_t{components} * kBytesPerFormat[format];
    unsigned char* value = entry + 8;
    if (byteCount > 4) {
      const std::uint32_t valueOffset = Get32u(entry + 8);
      if (valueOffset + byteCount > exifLength) return Fail("Illegal pointer offset value in EXIF.");
      value = offsetBase + valueOffset;
    }
    // A value without components has no bytes to read.
    const double number = components ? ConvertAnyFormat(value, format) : 0.0;
    if (tag == kTagExifOffset || tag == kTagInteropOffset) {
      const std::uint32_t sub = Get32u(value);
      if (sub > 8 && !FollowLink(sub, offsetBase, exifLength, info, depth)) return false;
    } else if (tag == kTagThumbnailOffset) {
      thumbnailOffset = ToInt(number);
    } else if (tag == kTagThumbnailLength) {
      thumbnailSize = ToInt(number);
    } else {
      StoreTag(tag, value, static_cast<std::size_t>(byteCount), number, offsetBase + exifLength, info);
    }
  }

  // The link to the next directory; a writer may leave it out at the very end of the block.
  const std::uint64_t linkOffset = offset + 2 + std::uint64_t{kDirectoryEntrySize} * entries;
  if (linkOffset + 4 <= exifLength) {
    const std::uint32_t next = Get32u(offsetBase + linkOffset);
    if (next && !FollowLink(next, offsetBase, exifLength, info, depth)) return false;
  }

  if (thumbnailOffset > 0 && thumbnailSize > 0 && thumbnailOffset + thumbnailSize <= exifLength) {
    info->ThumbnailPointer = offsetBase + static_cast<std::size_t>(thumbnailOffset);
    info->ThumbnailSize = static_cast<unsigned>(thumbnailSize);
  }
  return true;
}

// A directory reached a second time has been read; links may not loop or fan out forever.
bool CImageFileJPG::CExifInfo::FirstVisit(std::uint32_t directory, int depth) {
  if (std::find(visitedDirectories_.begin(), visitedDirectories_.end(), directory) !=
          visitedDirectories_.end() ||
      visitedDirectories_.size() >= kMaxDirectories || depth > kMaxDirectoryDepth) {
    return false;
  }
  visitedDirectories_.push_back(directory);
  return true;
}

// A link outside the block fails the directory that holds it; a linked directory that fails
// does not, and its text stays.
bool CImageFileJPG::CExifInfo::FollowLink(std::uint32_t target, unsigned char* offsetBase,
                                          unsigned exifLength, tag_ExifInfo* info, int depth) {
  if (target > exifLength) return Fail("Illegal subdirectory link");
  ProcessExifDir(target, offsetBase, exifLength, info, depth + 1);
  return true;
}

namespace {

using Record = CImageFileJPG::tag_ExifInfo;

// Tags whose value is stored as it stands.
struct FloatTag {
  int tag;
  float Record::*field;
};
constexpr FloatTag kFloatTags[] = {
    {kTagXResolution, &Record::XResolution},       {kTagYResolution, &Record::YResolution},
    {kTagExposureTime, &Record::ExposureTime},     {kTagFNumber, &Record::ApertureFNumber},
    {kTagBrightness, &Record::Brightness},         {kTagExposureBias, &Record::ExposureBias},
    {kTagSubjectDistance, &Record::Distance},      {kTagFocalLength, &Record::FocalLength},
    {kTagFocalPlaneXRes, &Record::FocalPlaneXRes}, {kTagFocalPlaneYRes, &Record::FocalPlaneYRes},
};
struct IntTag {
  int tag;
  int Record::*field;
};
constexpr IntTag kIntTags[] = {
    {kTagExposureProgram, &Record::ExposureProgram},
    {kTagCompressionLevel, &Record::CompressionLevel},
    {kTagMeteringMode, &Record::MeteringMode},
    {kTagLightSource, &Record::WhiteBalance},
};

}  // namespace

void CImageFileJPG::CExifInfo::StoreTag(int tag, unsigned char* value, std::size_t byteCount, double number,
                                        const unsigned char* end, tag_ExifInfo* info) {
  const int integer = ToInt(number);
  for (const FloatTag& t : kFloatTags) {
    if (t.tag == tag) info->*t.field = ToFloat(number);
  }
  for (const IntTag& t : kIntTags) {
    if (t.tag == tag) info->*t.field = integer;
  }
  switch (tag) {
    case kTagMake:
      CopyText(info->CameraMake, 31, value, end);
      break;
    case kTagModel:
      CopyText(info->CameraModel, 39, value, end);
      break;
    case kTagExifVersion:
      CopyText(info->Version, 4, value, end);
      break;
    case kTagDateTimeOriginal:
      CopyText(info->DateTime, 19, value, end);
      break;
    case kTagUserComment:
      ProcessUserComment(value, byteCount, end, info);
      break;
    case kTagOrientation:
      info->Orientation = integer;
      if (integer < 1 || integer > 8) {
        Fail("Undefined rotation value");
        info->Orientation = 0;
      }
      break;
    case kTagResolutionUnit:
      if (float inches = InchesPerUnit(integer)) info->ResolutionUnit = inches;
      break;
    case kTagFocalPlaneUnits:
      if (float inches = InchesPerUnit(integer)) info->FocalPlaneUnits = inches;
      break;
    case kTagIsoEquivalent:
      // Some cameras store the speed divided by 200.
      info->ISOEquivalent = ToInt(integer < 50 ? integer * 200.0 : integer);
      break;
    case kTagShutterSpeed:
      if (info->ExposureTime == 0) info->ExposureTime = ToFloat(1 / std::exp(number * std::log(2.0)));
      break;
    case kTagAperture:
    case kTagMaxAperture:
      if (info->ApertureFNumber == 0) info->ApertureFNumber = ToFloat(std::exp(number * std::log(2.0) * 0.5));
      break;
    case kTagFlash:
      info->FlashUsed = (integer & 7) ? 1 : 0;
      break;
    case kTagPixelXDimension:
    case kTagPixelYDimension:
      LargestPixelDimension = std::max(LargestPixelDimension, integer);
      break;
    default:
      break;
  }
}

void CImageFileJPG::CExifInfo::ProcessUserComment(unsigned char* value, std::size_t byteCount,
                                                  const unsigned char* end, tag_ExifInfo* info) {
  for (std::size_t i = byteCount; i > 0 && value[i - 1] == ' '; --i) value[i - 1] = 0;
  constexpr std::size_t kMaxComment = 199;
  const auto room = static_cast<std::size_t>(end - value);
  if (room >= 5 && std::memcmp(value, "ASCII", 5) == 0) {
    for (std::size_t i = 5; i < 10 && i < room; ++i) {
      if (value[i] != 0 && value[i] != ' ') {
        CopyText(info->Comments, kMaxComment, value + i, end);
        return;
      }
    }
    return;
  }
  CopyText(info->Comments, kMaxComment, value, end);
}

void CImageFileJPG::CExifInfo::process_COM(const unsigned char* data, int length) {
  length = std::min(length, 1000);
  char* comment = Record->Comments;
  int n = 0;
  for (int i = 2; i < length; ++i) {
    const unsigned char ch = data[i];
    if (ch == '\r' && i + 1 < length && data[i + 1] == '\n') continue;
    comment[n++] = std::isprint(ch) || ch == '\n' || ch == '\t' ? static_cast<char>(ch) : '?';
  }
  comment[n] = '\0';
}

void CImageFileJPG::CExifInfo::process_SOFn(const unsigned char* data, int marker) {
  Record->Height = data[3] * 256 + data[4];
  Record->Width = data[5] * 256 + data[6];
  Record->IsColor = data[7] == 3;
  Record->Process = marker;
}

int CImageFileJPG::CExifInfo::Get16m(const void* p) const {
  const auto* b = static_cast<const unsigned char*>(p);
  return b[0] << 8 | b[1];
}

int CImageFileJPG::CExifInfo::Get16u(const void* p) const {
  return MotorolaOrder ? Get16m(p) : ReadLE16(static_cast<const unsigned char*>(p));
}

std::uint32_t CImageFileJPG::CExifInfo::Get32u(const void* p) const {
  const auto* b = static_cast<const unsigned char*>(p);
  return MotorolaOrder ? ReadBE32(b) : ReadLE32(b);
}

std::int32_t CImageFileJPG::CExifInfo::Get32s(const void* p) const {
  return static_cast<std::int32_t>(Get32u(p));
}

double CImageFileJPG::CExifInfo::ConvertAnyFormat(const void* value, int format) const {
  const auto* b = static_cast<const unsigned char*>(value);
  switch (format) {
    case 1:  // unsigned byte
      return b[0];
    case 3:  // unsigned short
      return Get16u(b);
    case 4:  // unsigned long
      return Get32u(b);
    case 5:     // unsigned rational
    case 10: {  // signed rational
      const double denominator = Get32s(b + 4);
      return denominator == 0 ? 0 : Get32s(b) / denominator;
    }
    case 6:  // signed byte
      return static_cast<signed char>(b[0]);
    case 8:  // signed short
      return static_cast<std::int16_t>(Get16u(b));
    case 9:  // signed long
      return Get32s(b);
    case 11: {  // float, in the machine's own order
      float f;
      std::memcpy(&f, b, sizeof(f));
      return f;
    }
    case 12: {
      double d;
      std::memcpy(&d, b, sizeof(d));
      return d;
    }
    default:  // text, undefined
      return 0;
  }
}
