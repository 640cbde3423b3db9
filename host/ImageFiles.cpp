#include "host/ImageFiles.h"

#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "codecs/ImageFile.h"
#include "codecs/ImageFileJPG.h"
#include "codecs/StdioStream.h"
#include "core/Win32File.h"
#include "host/detail/SixteenBitFiles.h"
#include "platform/win32/ReplacementFile.h"

namespace wfhost {
namespace {

using detail::kLargestSide;

// The library's reason for a failure; a failed allocation, which it tells in words, leaves as
// the host's own do, to be told as running out of memory.
std::string LibraryError(const CImageFile& file) {
  const std::string reason = file.GetLastError();
  if (reason.find("can't allocate memory") != std::string::npos) throw std::bad_alloc();
  return reason;
}

// 16-bit samples as the 8-bit formats take them. Built field by field: a copy of the whole
// image first would hold its 16-bit pixels and residues twice while the file is encoded.
HostImageBuffer EightBitCopy(const HostImageBuffer& image) {
  HostImageBuffer eight;
  eight.width = image.width;
  eight.height = image.height;
  eight.planes = image.planes;
  eight.mode = image.mode;
  eight.pixels.resize(image.pixels.size() / 2);
  for (std::size_t i = 0; i < eight.pixels.size(); ++i) {
    std::uint16_t v;
    std::memcpy(&v, &image.pixels[2 * i], 2);
    eight.pixels[i] = static_cast<std::uint8_t>((std::min<unsigned>(v, 32768u) * 255u + 16384u) / 32768u);
  }
  return eight;
}

bool EncodeEightBit(const HostImageBuffer& image, unsigned long type, std::vector<std::uint8_t>* bytes,
                    std::string* error) {
  CImageFile file;
  if (!file.Create(static_cast<unsigned long>(image.width), static_cast<unsigned long>(image.height),
                   image.planes == 1 ? 8 : 24, type))
    return *error = LibraryError(file), false;
  if (image.planes == 1) file.SetGrayPalette();
  file.SetCodecOption(COMPRESSION_LZW, keImageFormatTIF);  // lossless, where the library's default is not
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
  unsigned char* buffer = nullptr;
  long size = 0;
  if (!file.Encode(buffer, size, type)) return *error = LibraryError(file), false;
  file.Destroy();  // one full-size picture less while the bytes are copied
  bytes->assign(buffer, buffer + size);
  CImageFile::FreeMemory(buffer);
  return true;
}

// That the file ends early and what stands in for the rest, where the library loaded it so.
void TellShortFile(const CImageFile& file, std::string* shortFile) {
  if (shortFile && file.GetShortFileFill())
    *shortFile = std::string("the file ends early; ") + file.GetShortFileFill();
}

std::string Reason(int error) { return error ? std::strerror(error) : "the system gave no reason"; }

// Kinds of file the core's look at the first bytes does not name, which the image-file library
// reads: a damaged one gets its own decoder's reason rather than that no decoder took it.
unsigned long KindOfContent(const std::string& path) {
  unsigned char head[44] = {};
  std::size_t got = 0;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
  }
  return CImageFile::FormatOfSignature(head, got);
}

// The image-file type that the file's first bytes name (unknown where they name none); false
// with the reason when no image can be read from the path at all.
bool IdentifyType(const std::string& path, int* type, std::string* error) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || access(path.c_str(), R_OK) != 0)
    return *error = "cannot be read: " + Reason(errno), false;
  if (S_ISDIR(info.st_mode)) return *error = "is a folder, not an image file", false;
  // A pipe would be read to its end before any decoder saw a byte, or wait for a writer.
  if (!S_ISREG(info.st_mode)) return *error = "is not a regular file", false;
  const std::int32_t code = corvel::LoadImageFile(path.c_str(), type).GetCode();
  if (code == corvel::keErrorNone && *type == corvel::keImageFileUnknown)
    *type = static_cast<int>(KindOfContent(path));
  if (code == corvel::keErrorNone) return true;
  if (info.st_size == 0) return *error = "is empty", false;
  if (code == corvel::keErrorFileRead)
    return *error = "is too short to be an image file (" + std::to_string(info.st_size) + " bytes)", false;
  // The core's code is all there is to tell.
  return *error = "cannot be read (file error " + std::to_string(code) + ")", false;
}

bool Unwritable(const std::string& path, std::string* error) {
  *error = "cannot be written: " + platform::WhyNotReplaceable(path);
  return false;
}

// The bytes replace the file only once all of them are written.
bool WriteReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
  platform::ReplacementFile file(path);
  if (!file.Stream()) return Unwritable(path, error);
  errno = 0;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.Stream()) == bytes.size() &&
                 std::fflush(file.Stream()) == 0;
  int failure = errno;
  if (written && !file.Commit()) written = false, failure = errno;
  if (!written) *error = "cannot be written: " + Reason(failure);
  return written;
}

// A JPEG file is encoded from the image's own rows straight into the file: a bitmap of the whole
// picture made first, and the encoded bytes gathered and copied before the write, took as long
// as the encoding itself.
bool WriteJpeg(const std::string& path, const HostImageBuffer& image, std::string* error) {
  platform::ReplacementFile file(path);
  if (!file.Stream()) return *error = "cannot be written: " + platform::WhyNotReplaceable(path), false;
  CImageFileJPG encoder;
  CWritingOutStream stream(file.Stream());
  const CImageFileJPG::SourceRows rows{image.pixels.data(), image.RowBytes(), unsigned(image.width),
                                       unsigned(image.height), image.planes == 1};
  errno = 0;
  bool written = encoder.EncodeFrom(rows, &stream);
  int failure = errno;
  if (!written && !std::ferror(file.Stream())) return *error = encoder.GetLastError(), false;
  if (written && !file.Commit()) written = false, failure = errno;
  if (!written) *error = "cannot be written: " + Reason(failure);
  return written;
}

const OutputFormat kOutputFormats[] = {
    {"bmp", keImageFormatBMP, "BMP", false},   {"jpg", keImageFormatJPG, "JPEG", false},
    {"jpeg", keImageFormatJPG, "JPEG", false}, {"png", keImageFormatPNG, "PNG", true},
    {"tif", keImageFormatTIF, "TIFF", true},   {"tiff", keImageFormatTIF, "TIFF", true},
    {"gif", keImageFormatGIF, "GIF", false},   {"tga", keImageFormatTGA, "TGA", false},
    {"pcx", keImageFormatPCX, "PCX", false},
};

}  // namespace

const OutputFormat* OutputFormatOf(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return nullptr;
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const OutputFormat& format : kOutputFormats) {
    if (extension == format.extension) return &format;
  }
  return nullptr;
}

bool LoadHostImage(const std::string& path, HostImageBuffer* image, std::string* error,
                   std::string* shortFile) {
  // Loaded as the type its first bytes name, a damaged file keeps that decoder's reason.
  int type = corvel::keImageFileUnknown;
  if (!IdentifyType(path, &type, error)) return false;
  CImageFile file;
  if (detail::IsSixteenBitPng(path)) {
    if (detail::LoadPng16(path, image, error)) return true;
    if (error->empty() && !file.Load(path.c_str(), keImageFormatPNG)) *error = LibraryError(file);
    if (error->empty()) *error = "is not a readable 16-bit PNG file";
    return false;
  }
  if (detail::IsSixteenBitTiff(path)) return detail::LoadTiff16(path, image, error);
  if (!file.Load(path.c_str(), static_cast<unsigned long>(type))) return *error = LibraryError(file), false;
  TellShortFile(file, shortFile);
  if (file.AlphaIsValid()) file.AlphaStrip();
  const bool grey = file.GetBpp() == 8 && file.IsGrayScale();
  if (!grey && file.GetBpp() != 24 && !file.IncreaseBpp(24)) return *error = LibraryError(file), false;
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

bool CheckWritable(const std::string& path, std::string* error) {
  // The replacement's temporary is made and let go of again: the one sure test of the folder.
  const platform::ReplacementFile file(path);
  return file.Stream() || Unwritable(path, error);
}

bool SaveHostImage(const std::string& path, const HostImageBuffer& image, std::string* error) {
  const OutputFormat* format = OutputFormatOf(path);
  if (!format)
    return *error = "the extension names no format written (bmp, jpg, png, tif, gif, tga or pcx)", false;
  std::vector<std::uint8_t> bytes;
  bool encoded = false;
  if (image.sampleBytes == 2 && format->holdsSixteenBits) {
    encoded = format->type == keImageFormatPNG ? detail::EncodePng16(image, &bytes)
                                               : detail::EncodeTiff16(image, &bytes);
    if (!encoded) *error = std::string("cannot be encoded as 16-bit ") + format->name;
  } else {
    // Not a conditional expression: it would copy an 8-bit image whole.
    if (format->type == keImageFormatJPG && image.sampleBytes == 2)
      return WriteJpeg(path, EightBitCopy(image), error);
    if (format->type == keImageFormatJPG) return WriteJpeg(path, image, error);
    if (image.sampleBytes == 2)
      encoded = EncodeEightBit(EightBitCopy(image), format->type, &bytes, error);
    else
      encoded = EncodeEightBit(image, format->type, &bytes, error);
  }
  return encoded && WriteReplacing(path, bytes, error);
}

bool LoadSelection(const std::string& path, int width, int height, std::vector<std::uint8_t>* mask,
                   std::string* error, std::string* shortFile) {
  int type = corvel::keImageFileUnknown;
  if (!IdentifyType(path, &type, error)) return false;
  CImageFile file;
  if (!file.Load(path.c_str(), static_cast<unsigned long>(type))) return *error = LibraryError(file), false;
  TellShortFile(file, shortFile);
  if (static_cast<int>(file.GetWidth()) != width || static_cast<int>(file.GetHeight()) != height)
    return *error = "does not have the image's size", false;
  mask->assign(std::size_t(width) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      (*mask)[std::size_t(y) * width + x] = file.GetPixelGray(x, height - 1 - y);
  }
  if (std::all_of(mask->begin(), mask->end(), [](std::uint8_t level) { return level == 0; }))
    return *error = "the selection is empty (black everywhere)", false;
  return true;
}

}  // namespace wfhost
