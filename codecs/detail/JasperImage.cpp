#include "codecs/detail/JasperImage.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "codecs/detail/BoundedBuffer.h"
#include "codecs/detail/JasperFormats.h"

namespace jasper {

namespace {

struct FormatEntry {
  const char* name;
  Format format;
};

constexpr FormatEntry kFormats[] = {
    {"pnm", Format::Pnm}, {"ras", Format::Ras}, {"jp2", Format::Jp2},
    {"jpc", Format::Jpc}, {"pgx", Format::Pgx},
};

constexpr unsigned char kRasMagic[] = {0x59, 0xA6, 0x6A, 0x95};
constexpr unsigned char kJp2Signature[] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
constexpr unsigned char kJpcStart[] = {0xFF, 0x4F, 0xFF, 0x51};

template <std::size_t N>
bool StartsWith(const unsigned char* bytes, std::size_t size, const unsigned char (&prefix)[N]) {
  return size >= N && std::memcmp(bytes, prefix, N) == 0;
}

bool IsSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

bool Initialise() { return std::strncmp(opj_version(), "2.", 2) == 0; }

bool FormatByName(const char* name, Format& format) {
  for (const FormatEntry& entry : kFormats) {
    if (std::strcmp(entry.name, name) == 0) {
      format = entry.format;
      return true;
    }
  }
  return false;
}

bool FormatOfSignature(const unsigned char* head, std::size_t size, Format& format) {
  if (size >= 2 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6')
    format = Format::Pnm;
  else if (StartsWith(head, size, kRasMagic))
    format = Format::Ras;
  else if (StartsWith(head, size, kJp2Signature))
    format = Format::Jp2;
  else if (StartsWith(head, size, kJpcStart))
    format = Format::Jpc;
  else if (size >= 3 && head[0] == 'P' && head[1] == 'G' && IsSpace(head[2]))
    format = Format::Pgx;
  else
    return false;
  return true;
}

std::unique_ptr<FormatReader> DetectFormat(CJasperStream& stream) {
  unsigned char head[12] = {};
  const std::size_t got = stream.Read(head, sizeof(head));
  if (!stream.Seek(0, 0)) return nullptr;
  Format format = Format::Pnm;
  if (!FormatOfSignature(head, got, format)) return nullptr;
  switch (format) {
    case Format::Pnm:
      return MakePnmReader(stream);
    case Format::Ras:
      return MakeRasReader(stream);
    case Format::Jp2:
      return MakeOpenJpegReader(stream, true);
    case Format::Jpc:
      return MakeOpenJpegReader(stream, false);
    case Format::Pgx:
      return MakePgxReader(stream);
  }
  return nullptr;
}

bool AllocateSamples(Image& image) {
  for (Component& c : image.components) {
    if (!ResizeWithinCap(c.samples, static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height)))
      return false;
  }
  return true;
}

bool WriteBigEndianRows(const Image& image, CJasperStream& stream) {
  const Component& first = image.components[0];
  const bool wide = first.precision > 8;
  std::vector<unsigned char> row(static_cast<std::size_t>(first.width) * image.components.size() *
                                 (wide ? 2 : 1));
  for (long y = 0; y < first.height; ++y) {
    unsigned char* out = row.data();
    for (long x = 0; x < first.width; ++x) {
      for (const Component& c : image.components) {
        const std::int32_t v = c.Row(y)[x];
        if (wide) *out++ = static_cast<unsigned char>(v >> 8);
        *out++ = static_cast<unsigned char>(v);
      }
    }
    if (stream.Write(row.data(), row.size()) != row.size()) return false;
  }
  return true;
}

bool HasSrgbConversion(const Image& image) {
  return !image.components.empty() && image.space != ColourSpace::Other;
}

bool ConvertToSrgb(Image& image) {
  if (!HasSrgbConversion(image)) return false;
  // Grey, and grey with alpha, spread over three channels; alpha is dropped.
  const bool grey = image.space == ColourSpace::Grey || image.components.size() < 3;
  const Component& first = image.components[0];
  const std::size_t used = grey ? 1 : 3;
  for (std::size_t i = 0; i < used; ++i) {
    const Component& c = image.components[i];
    if (c.width != first.width || c.height != first.height || c.precision < 1 || c.precision > 31)
      return false;
  }
  Image converted;
  converted.space = ColourSpace::Rgb;
  converted.components.assign(3, Component{first.width, first.height, 8, false, {}});
  if (!AllocateSamples(converted)) return false;
  for (std::size_t i = 0; i < 3; ++i) {
    const Component& from = image.components[grey ? 0 : i];
    const std::int64_t top = (std::int64_t{1} << from.precision) - 1;
    const std::int64_t offset = from.isSigned ? std::int64_t{1} << (from.precision - 1) : 0;
    std::int32_t* out = converted.components[i].samples.data();
    for (std::size_t n = 0; n < from.samples.size(); ++n) {
      const std::int64_t v = std::clamp<std::int64_t>(from.samples[n] + offset, 0, top);
      out[n] = static_cast<std::int32_t>((v * 255 + top / 2) / top);
    }
  }
  image = std::move(converted);
  return true;
}

bool Encode(const Image& image, CJasperStream& stream, Format format, const char* options) {
  switch (format) {
    case Format::Pnm:
      return WritePnm(image, stream);
    case Format::Ras:
      return WriteRas(image, stream);
    case Format::Pgx:
      return WritePgx(image, stream);
    case Format::Jp2:
    case Format::Jpc:
      break;
  }
  double rate = 1;
  if (const char* given = options ? std::strstr(options, "rate=") : nullptr)
    rate = std::strtod(given + 5, nullptr);
  return WriteOpenJpeg(image, stream, format == Format::Jp2, rate);
}

}  // namespace jasper
