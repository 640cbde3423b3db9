// The format dispatch: every encode and decode goes through here to the class of its format id.
#include <cstdio>
#include <cstring>
#include <memory>

#include "codecs/ImageFile.h"
#include "codecs/ImageFileBMP.h"
#include "codecs/ImageFileGIF.h"
#include "codecs/ImageFileICO.h"
#include "codecs/ImageFileJAS.h"
#include "codecs/ImageFileJPG.h"
#include "codecs/ImageFilePCX.h"
#include "codecs/ImageFilePNG.h"
#include "codecs/ImageFileTGA.h"
#include "codecs/ImageFileTIF.h"
#include "codecs/ImageFileWBMP.h"
#include "codecs/ImageFileWMF.h"
#include "codecs/MemoryStream.h"
#include "codecs/StdioStream.h"
#include "codecs/detail/JasperImage.h"
#include "codecs/detail/LittleEndian.h"
#include "platform/gdi/Metafile.h"
#include "platform/win32/ReplacementFile.h"

namespace {

// How the dispatch reaches the class of one format id.
struct FormatCodec {
  const char* name;
  std::unique_ptr<CImageFile> (*make)();
  bool (*decode)(CImageFile& format, CByteStream* stream, unsigned long type);
  bool (*encode)(CImageFile& format, CByteStream* stream, unsigned long type);
  bool reportsFrames;  // a failed decode still tells how many frames the file has
  // For a format without a signature: whether a stream of unknown format may be tried as it.
  bool (*triedWhenUnknown)(CByteStream* stream) = nullptr;
};

template <class Format>
std::unique_ptr<CImageFile> Make() {
  return std::make_unique<Format>();
}

template <class Format>
bool DecodeAs(CImageFile& format, CByteStream* stream, unsigned long) {
  return static_cast<Format&>(format).Decode(stream);
}

template <class Format>
bool EncodeAs(CImageFile& format, CByteStream* stream, unsigned long) {
  return static_cast<Format&>(format).Encode(stream);
}

bool DecodeJasper(CImageFile& format, CByteStream* stream, unsigned long type) {
  return static_cast<CImageFileJAS&>(format).Decode(stream, type);
}

bool EncodeJasper(CImageFile& format, CByteStream* stream, unsigned long type) {
  return static_cast<CImageFileJAS&>(format).Encode(stream, type);
}

template <class Format>
constexpr FormatCodec Codec(const char* name) {
  return {name, Make<Format>, DecodeAs<Format>, EncodeAs<Format>, false};
}

template <class Format>
constexpr FormatCodec CodecWithFrames(const char* name) {
  return {name, Make<Format>, DecodeAs<Format>, EncodeAs<Format>, true};
}

// One class serves the JPEG-2000 family and is told the format id with each call.
constexpr FormatCodec JasperCodec(const char* name) {
  return {name, Make<CImageFileJAS>, DecodeJasper, EncodeJasper, false};
}

const FormatCodec kCodecs[keImageFormatCount] = {
    // Reached only by the last try of a decode of unknown format.
    JasperCodec("unknown"),
    Codec<CImageFileBMP>("BMP"),
    CodecWithFrames<CImageFileGIF>("GIF"),
    Codec<CImageFileJPG>("JPEG"),
    Codec<CImageFilePNG>("PNG"),
    CodecWithFrames<CImageFileICO>("ICO"),
    CodecWithFrames<CImageFileTIF>("TIFF"),
    Codec<CImageFileTGA>("TGA"),
    Codec<CImageFilePCX>("PCX"),
    {"WBMP", Make<CImageFileWBMP>, DecodeAs<CImageFileWBMP>, EncodeAs<CImageFileWBMP>, false,
     CImageFileWBMP::HeaderFitsLength},
    Codec<CImageFileWMF>("WMF"),
    JasperCodec("JP2"),
    JasperCodec("JPC"),
    JasperCodec("PGX"),
    JasperCodec("PNM"),
    JasperCodec("RAS"),
};

// The order in which a decode of an unknown format tries the decoders.
const unsigned long kDecodeOrder[] = {
    keImageFormatBMP,  keImageFormatJPG, keImageFormatICO,     keImageFormatGIF,
    keImageFormatPNG,  keImageFormatTIF, keImageFormatTGA,     keImageFormatPCX,
    keImageFormatWBMP, keImageFormatWMF, keImageFormatUnknown,
};

}  // namespace

bool CImageFile::EncodeSafeCheck(CByteStream* stream) {
  if (!stream) {
    SetLastError("null file handler");
    return true;
  }
  if (!dib_) {
    SetLastError("null image!!!");
    return true;
  }
  return false;
}

bool CImageFile::EncodeWithFormat(CByteStream* stream, unsigned long type) {
  const FormatCodec& codec = kCodecs[type];
  std::unique_ptr<CImageFile> format = codec.make();
  // The format object shows this image's buffers; it must let them go before it dies.
  format->Ghost(this);
  bool encoded = false;
  try {
    encoded = codec.encode(*format, stream, type);
  } catch (...) {
    format->Unghost();
    throw;
  }
  if (!encoded) SetLastError(format->GetLastError());
  format->Unghost();
  return encoded;
}

bool CImageFile::Encode(CByteStream* stream, unsigned long type) {
  if (type == keImageFormatUnknown || type >= keImageFormatCount) return Fail("Encode: Unknown format");
  return EncodeWithFormat(stream, type);
}

bool CImageFile::Encode(CByteStream* stream, CImageFile** images, int count, unsigned long type) {
  if (type == keImageFormatGIF) {
    CImageFileGIF format;
    format.Ghost(this);
    if (format.Encode(stream, images, count, false)) return true;
    return Fail(format.GetLastError());
  }
  if (type == keImageFormatTIF) {
    CImageFileTIF format;
    format.Ghost(this);
    if (format.Encode(stream, images, count)) return true;
    return Fail(format.GetLastError());
  }
  return Fail("Multipage Encode, Unsupported operation for this format");
}

bool CImageFile::Encode(FILE* stream, unsigned long type) {
  CStdioStream file(stream);
  return Encode(stream ? &file : nullptr, type);
}

bool CImageFile::Encode(FILE* stream, CImageFile** images, int count, unsigned long type) {
  CStdioStream file(stream);
  return Encode(stream ? &file : nullptr, images, count, type);
}

bool CImageFile::Encode(unsigned char*& buffer, long& size, unsigned long type) {
  if (buffer) return Fail("the buffer must be empty");
  CMemoryStream memory;
  if (!memory.Open()) return Fail("Encode: can't allocate memory");
  if (!Encode(&memory, type)) {
    // A stream that cannot grow fails the encoder's write: the cause is the memory, not the format.
    return memory.RanOutOfMemory() ? Fail("Encode: can't allocate memory") : false;
  }
  buffer = memory.GetBuffer(true);
  size = memory.Size();
  return true;
}

bool CImageFile::Encode2RGBA(CByteStream* stream) {
  if (EncodeSafeCheck(stream)) return false;
  const RGBQUAD* palette = GetPalette();
  for (long y = 0; y < static_cast<long>(GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(GetWidth()); ++x) {
      RGBQUAD c = BlindGetPixelColor(x, y);
      BYTE fourth = palette ? c.rgbReserved : (alpha_ ? BlindAlphaGet(x, y) : 0);
      if (!stream->PutC(c.rgbRed) || !stream->PutC(c.rgbGreen) || !stream->PutC(c.rgbBlue) ||
          !stream->PutC(fourth)) {
        return Fail("Encode2RGBA: write failed");
      }
    }
  }
  return true;
}

bool CImageFile::Encode2RGBA(unsigned char*& buffer, long& size) {
  if (buffer) return Fail("the buffer must be empty");
  CMemoryStream memory;
  memory.Open();
  if (!Encode2RGBA(&memory)) return false;
  buffer = memory.GetBuffer(true);
  size = memory.Size();
  return true;
}

bool CImageFile::DecodeWithFormat(CByteStream* stream, unsigned long type, bool reportFailure) {
  const FormatCodec& codec = kCodecs[type];
  std::unique_ptr<CImageFile> format = codec.make();
  // Options such as the frame to decode reach the decoder through the info record.
  format->CopyInfo(*this);
  format->info_.shortFileFill = nullptr;
  if (codec.decode(*format, stream, type)) return Transfer(*format);
  if (reportFailure) {
    SetLastError(format->GetLastError());
    if (codec.reportsFrames) info_.numberOfFrames = format->info_.numberOfFrames;
  }
  return false;
}

bool CImageFile::Decode(CByteStream* stream, unsigned long type) {
  if (type >= keImageFormatCount) return Fail("Decode: Unknown or wrong format");
  if (type != keImageFormatUnknown) return DecodeWithFormat(stream, type, true);
  // A failed try leaves nothing behind, not even its text: the next one starts afresh.
  const long start = stream ? stream->Tell() : 0;
  for (unsigned long candidate : kDecodeOrder) {
    const auto tried = kCodecs[candidate].triedWhenUnknown;
    if (stream && tried && !tried(stream)) continue;
    if (DecodeWithFormat(stream, candidate, false)) return true;
    if (stream) stream->Seek(start, 0);
  }
  return Fail("Decode: Unknown or wrong format");
}

unsigned long CImageFile::FormatOfSignature(const unsigned char* head, std::size_t size) {
  // An enhanced metafile opens with its header record (type 1), its signature 40 bytes in.
  if (size >= 44 && ReadLE32(head) == 1 && ReadLE32(head + 40) == ENHMETA_SIGNATURE) return keImageFormatWMF;
  // An icon's or cursor's directory: a zero word, the kind (1 or 2) and at least one entry.
  if (size >= 6 && ReadLE16(head) == 0 && (ReadLE16(head + 2) == 1 || ReadLE16(head + 2) == 2) &&
      ReadLE16(head + 4) != 0)
    return keImageFormatICO;
  jasper::Format format = jasper::Format::Pnm;
  if (!jasper::FormatOfSignature(head, size, format)) return keImageFormatUnknown;
  switch (format) {
    case jasper::Format::Pnm:
      return keImageFormatPNM;
    case jasper::Format::Ras:
      return keImageFormatRAS;
    case jasper::Format::Jp2:
      return keImageFormatJP2;
    case jasper::Format::Jpc:
      return keImageFormatJPC;
    case jasper::Format::Pgx:
      return keImageFormatPGX;
  }
  return keImageFormatUnknown;
}

bool CImageFile::Decode(FILE* stream, unsigned long type) {
  CStdioStream file(stream);
  return Decode(stream ? &file : nullptr, type);
}

bool CImageFile::Decode(unsigned char* buffer, unsigned long size, unsigned long type) {
  CMemoryStream memory(buffer, size);
  return Decode(&memory, type);
}

bool CImageFile::Load(const char* filename, unsigned long type) {
  if (type != keImageFormatUnknown && type < keImageFormatCount) {
    FILE* file = std::fopen(filename, "rb");
    if (!file) return false;
    bool decoded = Decode(file, type);
    std::fclose(file);
    if (decoded) return true;
  }
  char firstError[sizeof(info_.lastError)];
  std::memcpy(firstError, info_.lastError, sizeof(firstError));
  FILE* file = std::fopen(filename, "rb");
  if (!file) return false;
  bool decoded = Decode(file, keImageFormatUnknown);
  std::fclose(file);
  if (!decoded && type != keImageFormatUnknown) {
    std::memcpy(info_.lastError, firstError, sizeof(firstError));
  }
  return decoded;
}

bool CImageFile::Save(const char* filename, unsigned long type) {
  if (!filename) return Fail("Save: no file name");
  platform::ReplacementFile file(filename);
  if (!file.Stream()) return Fail("Save: can't create the file");
  if (!Encode(file.Stream(), type)) return false;
  return file.Commit() || Fail("Save: error writing the file");
}

bool CImageFile::LoadResource(HRSRC resource, unsigned long type, HMODULE module) {
  const DWORD size = SizeofResource(module, resource);
  HGLOBAL loaded = ::LoadResource(module, resource);
  if (!loaded) return Fail("Unable to load resource!");
  auto* bytes = static_cast<unsigned char*>(LockResource(loaded));
  if (!bytes) return false;
  return Decode(bytes, size, type);
}
