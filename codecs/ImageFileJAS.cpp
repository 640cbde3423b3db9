#include "codecs/ImageFileJAS.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "codecs/detail/CodecFailure.h"
#include "codecs/detail/ImageLimits.h"
#include "codecs/detail/JasperImage.h"

namespace {

constexpr std::size_t kMaxComponents = 64;

const char* FormatName(unsigned long formatId) {
  switch (formatId) {
    case keImageFormatJP2:
      return "jp2";
    case keImageFormatJPC:
      return "jpc";
    case keImageFormatPGX:
      return "pgx";
    case keImageFormatPNM:
      return "pnm";
    case keImageFormatRAS:
      return "ras";
    default:
      return "";
  }
}

const char* FailureOf(const jasper::FormatReader& reader) {
  return reader.EndedEarly() ? kFileEndsEarly : "error: cannot load image data";
}

}  // namespace

bool CImageFileJAS::Decode(CByteStream* file, unsigned long formatId) {
  if (!file) return false;
  return Guarded([&] { DecodeOrThrow(file, formatId); });
}

void CImageFileJAS::DecodeOrThrow(CByteStream* file, unsigned long formatId) {
  if (!jasper::Initialise()) throw CodecFailure{"cannot initialize jasper"};
  CJasperStream stream(file);
  const std::unique_ptr<jasper::FormatReader> reader = jasper::DetectFormat(stream);
  jasper::Image image;
  if (!reader) throw CodecFailure{"error: cannot load image data"};
  if (!reader->ReadHeader(image)) throw CodecFailure{FailureOf(*reader)};
  if (image.components.size() > kMaxComponents) throw CodecFailure{"error: too much components"};
  // A few bytes of header may claim a huge picture: refused before any sample is allocated.
  std::uint64_t samples = 0;
  for (const jasper::Component& c : image.components)
    samples += static_cast<std::uint64_t>(c.width) * static_cast<std::uint64_t>(c.height);
  if (samples > kMaxDecodePixels) throw CodecFailure{"error: cannot load image data"};
  if (info_.escape == -1) {
    header_.biWidth = static_cast<LONG>(image.components[0].width);
    header_.biHeight = static_cast<LONG>(image.components[0].height);
    SetLastError("output dimensions returned");
    return;
  }
  if (!reader->ReadSamples(image)) throw CodecFailure{FailureOf(*reader)};
  if (image.components.size() > kMaxComponents) throw CodecFailure{"error: too much components"};
  const int precision = image.components[0].precision;
  if (precision != 1 && precision != 4 && precision != 8) {
    if (!jasper::HasSrgbConversion(image)) throw CodecFailure{"cannot create sRGB profile"};
    if (!jasper::ConvertToSrgb(image)) throw CodecFailure{"cannot convert to sRGB"};
  }
  const std::vector<jasper::Component>& c = image.components;
  if (c.size() == 3 && c[1].width == c[0].width && c[2].width == c[0].width && c[1].height == c[0].height &&
      c[2].height == c[0].height && c[1].precision == c[0].precision && c[2].precision == c[0].precision) {
    TakeColour(image, formatId);
  } else {
    TakeFrame(image, formatId);
  }
}

void CImageFileJAS::TakeColour(const jasper::Image& image, unsigned long formatId) {
  const jasper::Component& red = image.components[0];
  if (!Create(static_cast<unsigned long>(red.width), static_cast<unsigned long>(red.height), 24, formatId))
    throw CodecFailure{"Can't allocate memory"};
  for (long y = 0; y < red.height; ++y) {
    BYTE* row = GetBits(static_cast<unsigned long>(red.height - 1 - y));
    const std::int32_t* r = red.Row(y);
    const std::int32_t* g = image.components[1].Row(y);
    const std::int32_t* b = image.components[2].Row(y);
    for (long x = 0; x < red.width; ++x) {
      row[3 * x] = static_cast<BYTE>(b[x]);
      row[3 * x + 1] = static_cast<BYTE>(g[x]);
      row[3 * x + 2] = static_cast<BYTE>(r[x]);
    }
  }
}

void CImageFileJAS::TakeFrame(const jasper::Image& image, unsigned long formatId) {
  info_.numberOfFrames = static_cast<std::int32_t>(image.components.size());
  if (info_.frame < 0 || info_.frame >= info_.numberOfFrames) throw CodecFailure{"wrong frame!"};
  const jasper::Component& c = image.components[static_cast<std::size_t>(info_.frame)];
  if (c.precision < 1 || c.precision > 31) throw CodecFailure{"error: cannot load image data"};
  if (!Create(static_cast<unsigned long>(c.width), static_cast<unsigned long>(c.height),
              static_cast<unsigned long>(std::min(c.precision, 8)), formatId))
    throw CodecFailure{"Can't allocate memory"};
  SetGrayPalette();
  // Signed samples are centred, as on the way through sRGB, so that the most negative is black;
  // precisions the bitmap's depth does not match are scaled to its levels.
  const std::int64_t top = (std::int64_t{1} << c.precision) - 1;
  const std::int64_t offset = c.isSigned ? (top + 1) / 2 : 0;
  const std::int64_t levels = (std::int64_t{1} << GetBpp()) - 1;
  for (long y = 0; y < c.height; ++y) {
    const std::int32_t* values = c.Row(y);
    const long row = c.height - 1 - y;
    for (long x = 0; x < c.width; ++x) {
      const std::int64_t v = std::clamp<std::int64_t>(values[x] + offset, 0, top);
      BlindSetPixelIndex(x, row, static_cast<BYTE>((v * levels + top / 2) / top));
    }
  }
}

bool CImageFileJAS::Encode(CByteStream* file, unsigned long formatId) {
  if (EncodeSafeCheck(file)) return false;
  return Guarded([&] { EncodeOrThrow(file, formatId); });
}

void CImageFileJAS::EncodeOrThrow(CByteStream* file, unsigned long formatId) {
  const bool grey = GetPalette() != nullptr;
  if (grey && !IsGrayScale()) throw CodecFailure{"JasPer can save only RGB or GrayScale images"};
  if (!jasper::Initialise()) throw CodecFailure{"cannot initialize jasper"};
  CJasperStream stream(file);
  jasper::Image image;
  image.space = grey ? jasper::ColourSpace::Grey : jasper::ColourSpace::Rgb;
  const long width = static_cast<long>(GetWidth()), height = static_cast<long>(GetHeight());
  image.components.assign(grey ? 1 : 3, jasper::Component{width, height, 8, false, {}});
  if (!jasper::AllocateSamples(image)) throw CodecFailure{"error : can't allocate memory"};
  for (long y = 0; y < height; ++y) {
    const long row = height - 1 - y;
    for (long x = 0; x < width; ++x) {
      if (grey) {
        image.components[0].Row(row)[x] = BlindGetPixelIndex(x, y);
        continue;
      }
      const RGBQUAD colour = BlindGetPixelColor(x, y);
      image.components[0].Row(row)[x] = colour.rgbRed;
      image.components[1].Row(row)[x] = colour.rgbGreen;
      image.components[2].Row(row)[x] = colour.rgbBlue;
    }
  }
  jasper::Format format;
  if (!jasper::FormatByName(FormatName(formatId), format)) throw CodecFailure{"error: cannot encode image\n"};
  if (format == jasper::Format::Pgx && !grey) throw CodecFailure{"PGX can save only GrayScale images"};
  char options[32];
  std::snprintf(options, sizeof(options), "rate=%.3f", GetJpegQuality() * 0.01);
  if (!jasper::Encode(image, stream, format, options) || !stream.Flush())
    throw CodecFailure{"error: cannot encode image\n"};
}
