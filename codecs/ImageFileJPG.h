// CImageFileJPG: JPEG files through libjpeg, baseline and progressive, grey, RGB and CMYK, with
// the EXIF record of the file (camera, date, exposure, resolution, comment, thumbnail).
#pragma once
#include "codecs/ImageFile.h"
#include "platform/win32/Types.h"

struct jpeg_compress_struct;
struct jpeg_decompress_struct;

class CImageFileJPG : public CImageFile {
 public:
  // The EXIF record; texts are zero-terminated.
  struct tag_ExifInfo {
    char Version[5];
    char CameraMake[32];
    char CameraModel[40];
    char DateTime[20];
    int Height, Width;  // of the main image, from its start-of-frame marker
    int Orientation;    // 1..8, 0 when undefined
    int IsColor;
    int Process;  // the start-of-frame marker code
    int FlashUsed;
    float FocalLength;   // millimetres
    float ExposureTime;  // seconds
    float ApertureFNumber;
    float Distance;
    float CCDWidth;
    float ExposureBias;
    int WhiteBalance;
    int MeteringMode;
    int ExposureProgram;
    int ISOEquivalent;
    int CompressionLevel;
    float FocalPlaneXRes;
    float FocalPlaneYRes;
    float FocalPlaneUnits;  // inches in one focal-plane resolution unit
    float XResolution;
    float YResolution;
    float ResolutionUnit;  // inches in one resolution unit
    float Brightness;
    char Comments[1000];
    unsigned char* ThumbnailPointer;  // into a section the reader keeps; null without one
    unsigned ThumbnailSize;
    bool IsExif;
  };

  class CExifInfo;  // codecs/ExifInfo.h

  CImageFileJPG();
  // The copy has the record and its own copy of the EXIF reader.
  CImageFileJPG(const CImageFileJPG& src);
  CImageFileJPG& operator=(const CImageFileJPG& src);
  ~CImageFileJPG() override;

  // readExif fills the EXIF record first; the resolution then comes from it.
  bool Decode(CByteStream* file, bool readExif = true);
  bool Decode(FILE* file);
  // Keeps the EXIF section and first comment of an earlier decode.
  bool Encode(CByteStream* file);
  bool Encode(FILE* file);
  // Pixels of the caller's: rows top first, pitch bytes apart, or where `rowList` points (a
  // pointer a row) when it is not null; of one byte a pixel where grey, else in `order`.
  enum class ColourOrder {
    kRgb,   // red, green, blue
    kBgr,   // blue, green, red
    kBgrx,  // blue, green, red and a byte passed over
  };
  struct SourceRows {
    const BYTE* top;
    long pitch;
    unsigned width, height;
    bool grey;
    ColourOrder order = ColourOrder::kRgb;
    const BYTE* const* rowList = nullptr;
  };
  // The rows encoded with this object's settings, as Encode encodes a picture of the same pixels
  // (byte for byte), without a picture of its own: a large picture's rows reach the library as
  // they lie rather than copied into a bitmap first.
  bool EncodeFrom(const SourceRows& rows, CByteStream* file);
  // Reads the record without moving the stream; true when an EXIF block was parsed.
  bool DecodeExif(CByteStream* file);
  bool DecodeExif(FILE* file);
  // The embedded EXIF thumbnail when its orientation fits the picture, else the whole file.
  bool LoadThumbnail(const char* path, SIZE& size, int, int);

  CExifInfo* GetExifReader() const { return exifReader_; }
  const tag_ExifInfo& GetExifInfo() const { return exifInfo_; }

 private:
  // The library part of Decode and Encode. The library returns from errors by a long jump to
  // the first two, so none of the four may hold a C++ object with a destructor.
  bool DecodeWithLibrary(CByteStream* file, bool exifRead);
  // rows null: this picture's own.
  bool EncodeWithLibrary(CByteStream* file, const SourceRows* rows = nullptr);
  bool DecodeRows(jpeg_decompress_struct* cinfo, bool exifRead);
  void EncodeRows(jpeg_compress_struct* cinfo, const SourceRows* source);
  void SetResolution(bool exifRead, unsigned densityUnit, unsigned xDensity, unsigned yDensity);
  void CopyExifFrom(const CImageFileJPG& src);

  CExifInfo* exifReader_ = nullptr;
  tag_ExifInfo exifInfo_;
  int smoothingFactor_ = 0;  // used only with encode option 0x40
  int ditherMode_ = 2;       // used only with decode option 0x200 (Floyd-Steinberg)
};
