#include "host/ImageFiles.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "codecs/ImageFile.h"
#include "host/detail/SixteenBitFiles.h"
#include "platform/win32/ReplacementFile.h"

namespace wfhost {
namespace {

using detail::kLargestSide;

// The bytes replace the file only once all of them are written.
bool WriteReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
  platform::ReplacementFile file(path);
  const bool written = file.Stream() &&
                       std::fwrite(bytes.data(), 1, bytes.size(), file.Stream()) == bytes.size() &&
                       file.Commit();
  if (!written) *error = "cannot be written";
  return written;
}

unsigned long TypeOfPath(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  std::string extension = dot == std::string::npos ? "" : path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == "jpg" || extension == "jpeg") return keImageFormatJPG;
  if (extension == "bmp") return keImageFormatBMP;
  return keImageFormatPNG;
}

}  // namespace

bool LoadHostImage(const std::string& path, HostImageBuffer* image, std::string* error) {
  if (detail::IsSixteenBitPng(path)) return detail::LoadPng16(path, image, error);
  CImageFile file;
  if (!file.Load(path.c_str())) return *error = file.GetLastError(), false;
  if (file.AlphaIsValid()) file.AlphaStrip();
  const bool grey = file.GetBpp() == 8 && file.IsGrayScale();
  if (!grey && file.GetBpp() != 24 && !file.IncreaseBpp(24)) return *error = file.GetLastError(), false;
  const int width = static_cast<int>(file.GetWidth()), height = static_cast<int>(file.GetHeight());
  if (width > kLargestSide || height > kLargestSide)
    return *error = "is larger than 32767 pixels on a side", false;
  image->width = width;
  image->height = height;
  image->planes = grey ? 1 : 3;
  image->sampleBytes = 1;
  image->mode = grey ? host::kModeGrayScale : host::kModeRGB;
  image->pixels.assign(std::size_t(image->RowBytes()) * height, 0);
  BYTE level[256];
  for (int i = 0; i < 256; ++i) level[i] = file.GetPaletteColor(static_cast<unsigned char>(i)).rgbRed;
  for (int y = 0; y < height; ++y) {
    const BYTE* from = file.GetBits(static_cast<unsigned long>(height - 1 - y));
    std::uint8_t* to = image->pixels.data() + std::size_t(y) * image->RowBytes();
    if (grey) {
      for (int x = 0; x < width; ++x) to[x] = level[from[x]];
    } else {
      for (int x = 0; x < width; ++x) {
        to[3 * x] = from[3 * x + 2];
        to[3 * x + 1] = from[3 * x + 1];
        to[3 * x + 2] = from[3 * x];
      }
    }
  }
  return true;
}

bool SaveHostImage(const std::string& path, const HostImageBuffer& image, std::string* error) {
  if (image.sampleBytes == 2) {
    std::vector<std::uint8_t> bytes;
    if (!detail::EncodePng16(image, &bytes)) return *error = "cannot be encoded as 16-bit PNG", false;
    return WriteReplacing(path, bytes, error);
  }
  CImageFile file;
  if (!file.Create(static_cast<unsigned long>(image.width), static_cast<unsigned long>(image.height),
                   image.planes == 1 ? 8 : 24, TypeOfPath(path)))
    return *error = file.GetLastError(), false;
  if (image.planes == 1) file.SetGrayPalette();
  for (int y = 0; y < image.height; ++y) {
    BYTE* to = file.GetBits(static_cast<unsigned long>(image.height - 1 - y));
    const std::uint8_t* from = image.pixels.data() + std::size_t(y) * image.RowBytes();
    if (image.planes == 1) {
      std::memcpy(to, from, std::size_t(image.width));
    } else {
      for (int x = 0; x < image.width; ++x) {
        to[3 * x] = from[3 * x + 2];
        to[3 * x + 1] = from[3 * x + 1];
        to[3 * x + 2] = from[3 * x];
      }
    }
  }
  if (!file.Save(path.c_str(), TypeOfPath(path))) return *error = file.GetLastError(), false;
  return true;
}

bool LoadSelection(const std::string& path, int width, int height, std::vector<std::uint8_t>* mask,
                   std::string* error) {
  CImageFile file;
  if (!file.Load(path.c_str())) return *error = file.GetLastError(), false;
  if (static_cast<int>(file.GetWidth()) != width || static_cast<int>(file.GetHeight()) != height)
    return *error = "does not have the image's size", false;
  mask->assign(std::size_t(width) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      (*mask)[std::size_t(y) * width + x] = file.GetPixelGray(x, height - 1 - y);
  }
  return true;
}

}  // namespace wfhost
