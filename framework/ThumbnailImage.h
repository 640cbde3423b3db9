// Pictures for thumbnails: PNG resources and image files decoded and turned into core images,
// and the file facts a thumbnail's tooltip tells.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "codecs/ImageFile.h"
#include "codecs/ImageFileJPG.h"
#include "core/RowIteratorBands.h"

namespace framework {

constexpr int kBadItemIndex = 101;
constexpr int kPictureNotLoaded = 201;

// What loading a file tells about it besides its picture.
struct ThumbnailInfo {
  int width = 0, height = 0;       // of the full-size picture
  int fileFormat = 0;              // the image library's number
  int colourKind = 0;              // 1 monochrome ... 8 true colour with transparency; 0 unknown
  std::int64_t lastWriteTime = 0;  // seconds since 1970
  std::uint32_t fileSize = 0;
  std::unique_ptr<CImageFileJPG::tag_ExifInfo> exif;  // null without one
};

// A picture with a valid alpha channel becomes grey with alpha or BGRA; any other becomes grey or
// BGR of the same size.
corvel::CoreResult ImportImageFile(CImageFile& picture, corvel::CRowIteratorBands& image);

// 201 when the module has no "PNG" resource of that id or its picture cannot be kept; a decode
// failure leaves `image` as it was.
int LoadPngResource(UINT resourceId, corvel::CRowIteratorBands& image);

// Fits the file's picture into `target` keeping its shape, laid over `background` (0xRRGGBB), as
// BGR; 0 on success, 201 when the file is no picture the library decodes.
int LoadThumbnailImage(const std::string& path, corvel::CRowIteratorBands& thumbnail, SIZE target,
                       ThumbnailInfo& info, DWORD background);

}  // namespace framework
