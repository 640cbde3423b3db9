#include "framework/ThumbnailImage.h"

#include <sys/stat.h>

#include <algorithm>

#include "core/Win32File.h"
#include "platform/classlib/CWinApp.h"
#include "platform/win32/ModuleResource.h"

namespace framework {
namespace {

bool IsGreyPicture(CImageFile& picture) { return picture.GetBpp() == 8 && picture.IsGrayScale(); }

int ColourKind(CImageFile& picture) {
  const bool alpha = picture.AlphaIsValid();
  switch (picture.GetBpp()) {
    case 1:
      return 1;
    case 4:
      return 2;
    case 8:
      return IsGreyPicture(picture) ? (alpha ? 6 : 5) : 3;
    case 24:
      return alpha ? 8 : 7;
    default:
      return 0;
  }
}

// The picture keeps its rows bottom-up.
corvel::CoreResult CopyPixels(CImageFile& picture, corvel::CRowIteratorBands& image, int channels) {
  const int width = image.Width(), height = image.Height();
  for (int y = 0; y < height; ++y) {
    BYTE* row = nullptr;
    if (image.LockRow(y, &row).GetCode() != 0 || !row) return corvel::CoreResult(corvel::keErrorNoMemory);
    for (int x = 0; x < width; ++x) {
      const RGBQUAD colour = picture.GetPixelColor(x, height - 1 - y, true);
      BYTE* pixel = row + channels * x;
      if (channels <= 2) {
        pixel[0] = colour.rgbRed;
      } else {
        pixel[0] = colour.rgbBlue;
        pixel[1] = colour.rgbGreen;
        pixel[2] = colour.rgbRed;
      }
      if (channels == 2 || channels == 4) pixel[channels - 1] = colour.rgbReserved;
    }
    image.UnlockRow(y);
  }
  return corvel::CoreResult();
}

// The fitted size never passes the target and keeps at least one pixel a side.
SIZE FittedSize(int width, int height, SIZE target) {
  if (width <= target.cx && height <= target.cy) return SIZE{width, height};
  if (static_cast<double>(width) / target.cx <= static_cast<double>(height) / target.cy)
    return SIZE{std::max<LONG>(1, static_cast<LONG>(static_cast<std::int64_t>(width) * target.cy / height)),
                target.cy};
  return SIZE{target.cx,
              std::max<LONG>(1, static_cast<LONG>(static_cast<std::int64_t>(height) * target.cx / width))};
}

bool DecodeFile(const std::string& path, int type, CImageFile& picture, ThumbnailInfo& info) {
  if (type != corvel::keImageFileJPEG) return picture.Load(path.c_str(), static_cast<unsigned long>(type));
  CImageFileJPG jpeg;
  SIZE requested{50, 50};
  if (!jpeg.LoadThumbnail(path.c_str(), requested, 0, 0)) return false;
  CImageFileJPG::tag_ExifInfo exif = jpeg.GetExifInfo();
  exif.ThumbnailPointer = nullptr;  // points into the decoder, which goes now
  exif.ThumbnailSize = 0;
  info.width = exif.Width;
  info.height = exif.Height;
  if (exif.IsExif) info.exif = std::make_unique<CImageFileJPG::tag_ExifInfo>(exif);
  picture.Transfer(jpeg);
  return true;
}

}  // namespace

corvel::CoreResult ImportImageFile(CImageFile& picture, corvel::CRowIteratorBands& image) {
  const int width = static_cast<int>(picture.GetWidth()), height = static_cast<int>(picture.GetHeight());
  const bool grey = IsGreyPicture(picture), alpha = picture.AlphaIsValid();
  const int channels = (grey ? 1 : 3) + (alpha ? 1 : 0);
  corvel::CoreResult made = grey
                                ? (alpha ? image.CreateGreyA(width, height) : image.CreateGrey(width, height))
                                : (alpha ? image.CreateBGRA(width, height) : image.CreateBGR(width, height));
  if (made.GetCode() != 0) return made;
  corvel::CoreResult copied = CopyPixels(picture, image, channels);
  if (copied.GetCode() != 0) image.Destroy();
  return copied;
}

int LoadPngResource(UINT resourceId, corvel::CRowIteratorBands& image) {
  HRSRC found = FindResource(AfxGetResourceHandle(), MAKEINTRESOURCE(resourceId), "PNG");
  if (!found) return kPictureNotLoaded;
  CImageFile picture;
  if (picture.LoadResource(found, keImageFormatPNG, AfxGetResourceHandle()) &&
      !ImportImageFile(picture, image).Ok())
    return kPictureNotLoaded;
  return 0;
}

int LoadThumbnailImage(const std::string& path, corvel::CRowIteratorBands& thumbnail, SIZE target,
                       ThumbnailInfo& info, DWORD background) {
  int type = corvel::keImageFileUnknown;
  if (corvel::LoadImageFile(path.c_str(), &type).GetCode() != 0 || type == corvel::keImageFileUnknown)
    return kPictureNotLoaded;
  CImageFile picture;
  if (!DecodeFile(path, type, picture, info) || !picture.IsValid() || picture.GetWidth() == 0 ||
      picture.GetHeight() == 0)
    return kPictureNotLoaded;
  if (info.width <= 0 || info.height <= 0) {
    info.width = static_cast<int>(picture.GetWidth());
    info.height = static_cast<int>(picture.GetHeight());
  }
  info.fileFormat = type;
  info.colourKind = ColourKind(picture);
  struct stat facts {};
  if (stat(path.c_str(), &facts) == 0) {
    info.lastWriteTime = facts.st_mtime;
    info.fileSize = static_cast<std::uint32_t>(facts.st_size);
  }

  // Thumbnails carry no transparency.
  if (picture.AlphaIsValid()) {
    picture.SetTransColor(RGBQUAD{static_cast<BYTE>(background >> 16), static_cast<BYTE>(background >> 8),
                                  static_cast<BYTE>(background), 0});
    picture.AlphaStrip();
  }
  if (picture.GetBpp() < 24 && !picture.IncreaseBpp(24)) return kPictureNotLoaded;
  const SIZE fitted = FittedSize(static_cast<int>(picture.GetWidth()), static_cast<int>(picture.GetHeight()),
                                 target);
  if ((fitted.cx != static_cast<LONG>(picture.GetWidth()) ||
       fitted.cy != static_cast<LONG>(picture.GetHeight())) &&
      !picture.Resample(fitted.cx, fitted.cy, 3))
    return kPictureNotLoaded;
  if (thumbnail.CreateBGR(fitted.cx, fitted.cy).GetCode() != 0) return kPictureNotLoaded;
  if (CopyPixels(picture, thumbnail, 3).GetCode() != 0) {
    thumbnail.Destroy();
    return kPictureNotLoaded;
  }
  return 0;
}

}  // namespace framework
