#include "codecs/ImageFileWBMP.h"

#include <cstdint>

#include "codecs/detail/CodecFailure.h"
#include "codecs/detail/ImageLimits.h"

namespace {

constexpr unsigned long kMaxWrittenSide = 255;

// Sizes are variable-length integers: seven bits a byte, most significant first, the top bit
// set on every byte but the last. Answers -1 at the end of the stream, -2 for a value too
// large for an image side.
long ReadSize(CByteStream* stream) {
  long value = 0;
  for (int i = 0; i < 5; ++i) {
    const long byte = stream->GetC();
    if (byte < 0) return -1;
    value = (value << 7) | (byte & 0x7F);
    if (value > 0x7FFFFFFF) return -2;
    if ((byte & 0x80) == 0) return value;
  }
  return -2;
}

bool WriteSize(CByteStream* stream, unsigned long value) {
  if (value >= 0x80 && !stream->PutC(static_cast<unsigned char>(0x80 | (value >> 7)))) return false;
  return stream->PutC(static_cast<unsigned char>(value & 0x7F));
}

}  // namespace

bool CImageFileWBMP::Decode(CByteStream* stream) {
  if (!stream) return false;
  const long type = stream->GetC();
  const long fixedHeader = stream->GetC();
  const long width = ReadSize(stream);
  const long height = ReadSize(stream);
  if (type < 0 || fixedHeader < 0 || width == -1 || height == -1) return Fail("Not a WBMP");
  if (type != 0) return Fail("Unsupported WBMP type");
  if (width <= 0 || height <= 0) return Fail("Corrupted WBMP");
  // Five bytes of header may claim a huge picture: refused before anything is allocated.
  if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxDecodePixels)
    return Fail("Image too large to decode");
  Create(static_cast<unsigned long>(width), static_cast<unsigned long>(height), 1, keImageFormatWBMP);
  if (!IsValid()) return Fail("WBMP Create failed");
  SetGrayPalette();
  const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
  for (long y = height - 1; y >= 0; --y) {
    if (stream->Read(GetBits(static_cast<unsigned long>(y)), 1, rowBytes) != rowBytes)
      return Fail(kFileEndsEarly);
  }
  return true;
}

bool CImageFileWBMP::HeaderFitsLength(CByteStream* stream) {
  const long start = stream->Tell();
  const long type = stream->GetC();
  const long fixedHeader = stream->GetC();
  const long width = ReadSize(stream);
  const long height = ReadSize(stream);
  const long rows = stream->Size() - stream->Tell();
  stream->Seek(start, 0);
  if (type != 0 || fixedHeader != 0 || width <= 0 || height <= 0) return false;
  return (static_cast<std::uint64_t>(width) + 7) / 8 * static_cast<std::uint64_t>(height) ==
         static_cast<std::uint64_t>(rows);
}

bool CImageFileWBMP::Encode(CByteStream* stream) {
  if (EncodeSafeCheck(stream)) return false;
  if (GetBpp() != 1 || GetWidth() > kMaxWrittenSide || GetHeight() > kMaxWrittenSide)
    return Fail("Can't save this image as WBMP");
  if (!stream->PutC(0) || !stream->PutC(0) || !WriteSize(stream, GetWidth()) ||
      !WriteSize(stream, GetHeight())) {
    return Fail("Error writing WBMP");
  }
  const std::size_t rowBytes = (GetWidth() + std::size_t{7}) / 8;
  for (long y = static_cast<long>(GetHeight()) - 1; y >= 0; --y) {
    if (stream->Write(GetBits(static_cast<unsigned long>(y)), 1, rowBytes) != rowBytes)
      return Fail("Error writing WBMP");
  }
  return true;
}
