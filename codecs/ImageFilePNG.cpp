#include "codecs/ImageFilePNG.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "codecs/ImageIterator.h"
#include "codecs/detail/CodecFailure.h"
#include "codecs/detail/ImageLimits.h"
#include "codecs/detail/Resolution.h"

// Tiles are photographs cut and mirrored. On such a picture (bench/CodecsJpegPngBench.cpp,
// 24 megapixels) zlib's level 6, libpng's default, encodes 5 Mpx/s; level 3 encodes 16 Mpx/s
// into a file 3 % larger, and level 1 24 Mpx/s into one 20 % larger than level 3's. A user who
// saves a tile waits for the encoder, not for the disk: level 3 is where speed stops being cheap.
const int CImageFilePNG::kCompressionLevel = 3;

// Everything between setjmp and the library calls below is plain C data: a long jump out of the
// library must not skip a destructor.
namespace {

// Descriptive chunks, four letters and a zero each.
const png_byte kUnusedChunks[] = "tEXt\0zTXt\0iTXt\0tIME\0sPLT\0hIST\0sBIT\0oFFs\0pCAL\0sCAL\0eXIf";
constexpr int kUnusedChunkCount = sizeof(kUnusedChunks) / 5;

CByteStream* StreamOf(png_structp png) { return static_cast<CByteStream*>(png_get_io_ptr(png)); }

void ReadData(png_structp png, png_bytep data, png_size_t length) {
  CByteStream* stream = StreamOf(png);
  if (stream->Read(data, 1, length) != length) png_error(png, stream->Eof() ? kFileEndsEarly : "Read Error");
}

void WriteData(png_structp png, png_bytep data, png_size_t length) {
  if (StreamOf(png)->Write(data, 1, length) != length) png_error(png, "Write Error");
}

void FlushData(png_structp png) {
  if (!StreamOf(png)->Flush()) png_error(png, "Flush Error");
}

[[noreturn]] void ErrorExit(png_structp png, png_const_charp message) {
  auto* text = static_cast<char*>(png_get_error_ptr(png));
  std::strncpy(text, message, 255);
  text[255] = '\0';
  png_longjmp(png, 1);
}

// Warnings (a damaged ancillary chunk, say) leave the picture good; a plug-in has no console.
void IgnoreWarning(png_structp, png_const_charp) {}

// 2-bit pixels widened in place to 4-bit ones, the last pixel first.
void Widen2To4(png_bytep row, png_uint_32 width) {
  for (png_uint_32 x = width; x-- > 0;) {
    const unsigned value = (row[x / 4] >> ((3 - x % 4) * 2)) & 3;
    png_byte& target = row[x / 2];
    target = static_cast<png_byte>((x & 1) ? (target & 0xF0) | value : (target & 0x0F) | (value << 4));
  }
}

}  // namespace

bool CImageFilePNG::Decode(CByteStream* file) {
  if (!file) return false;
  return DecodeWithLibrary(file);
}

bool CImageFilePNG::DecodeWithLibrary(CByteStream* file) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return Fail("Failed to create PNG structure");
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return Fail("Failed to initialize PNG info structure");
  }
  png_bytep volatile rowBuffer = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    std::free(rowBuffer);
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_error_fn(png, info_.lastError, ErrorExit, IgnoreWarning);
  png_set_read_fn(png, file, ReadData);
  // The library gives a text chunk the memory its length claims, however absurd; none of these
  // chunks is used here, so they are skipped unread.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kUnusedChunks, kUnusedChunkCount);
  const bool decoded = DecodeRows(png, info, &rowBuffer);
  std::free(rowBuffer);
  png_destroy_read_struct(&png, &info, nullptr);
  return decoded;
}

bool CImageFilePNG::DecodeRows(png_structp png, png_infop info, png_bytep volatile* rowBuffer) {
  png_read_info(png, info);
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colorType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  const int pixelDepth = bitDepth * png_get_channels(png, info);
  if (std::uint64_t{width} * height > kMaxDecodePixels) return Fail("Image too large to decode");
  // Asked to stop before the picture is made: nothing is lost by not making it.
  if (GetEscape()) return false;

  SetUpBackground(png, info, pixelDepth);
  if (bitDepth == 16) png_set_strip_16(png);
  const int bpp = pixelDepth > 16 ? 24 : pixelDepth == 16 ? 8 : pixelDepth;
  if (!Create(width, height, static_cast<unsigned long>(bpp), keImageFormatPNG)) return false;
  ReadResolution(png, info);
  ReadPalette(png, info, bitDepth, colorType);

  const bool alpha = colorType == PNG_COLOR_TYPE_RGB_ALPHA ||
                     (colorType == PNG_COLOR_TYPE_GRAY_ALPHA && pixelDepth == 32);
  if (alpha) {
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
      png_set_gray_to_rgb(png);
      png_set_expand(png);
    }
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    AlphaCreate();
    if (!AlphaIsValid()) return Fail("Can't allocate memory for the alpha channel");
  }
  if (colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);

  const int passes = png_set_interlace_handling(png);
  SetCodecOption(passes > 1 ? 1 : 0, keImageFormatPNG);
  png_read_update_info(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  if (alpha) {
    *rowBuffer = static_cast<png_bytep>(
        std::malloc(std::max<std::size_t>(rowBytes, width * std::size_t{4}) + 10));
    if (!*rowBuffer) return Fail("Can't allocate memory");
  } else if (rowBytes > GetEffWidth()) {
    return Fail("Unexpected PNG row size");  // the transformations above rule this out
  }
  if (!ReadImageRows(png, passes, bitDepth == 2, alpha ? *rowBuffer : nullptr)) return false;
  png_read_end(png, info);
  return true;
}

// Pictures without their own alpha plane are composited over the file's background, or a
// light grey without one; those with it keep the background as the image's.
void CImageFilePNG::SetUpBackground(png_structp png, png_infop info, int pixelDepth) {
  png_color_16p fileBackground = nullptr;
  const bool hasBackground = png_get_bKGD(png, info, &fileBackground) != 0;
  if (pixelDepth != 32) {
    if (hasBackground) {
      png_set_background(png, fileBackground, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else {
      // The grey value too: libpng composites grey pictures over it, not over red, green, blue.
      png_color_16 grey = {0, 192, 192, 192, 192};
      png_set_background(png, &grey, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
  } else if (hasBackground) {
    info_.backgroundColor = RGBQUAD{static_cast<BYTE>(fileBackground->blue),
                                    static_cast<BYTE>(fileBackground->green),
                                    static_cast<BYTE>(fileBackground->red), 0};
  }
}

void CImageFilePNG::ReadResolution(png_structp png, png_infop info) {
  png_uint_32 xDensity = 0;
  png_uint_32 yDensity = 0;
  int unit = PNG_RESOLUTION_UNKNOWN;
  png_get_pHYs(png, info, &xDensity, &yDensity, &unit);
  // Without a unit the densities give only the pixels' aspect: the default resolution stays.
  if (unit == PNG_RESOLUTION_METER) {
    SetXDPI(DotsPerInch(std::floor(xDensity * 0.0254 + 0.5)));
    SetYDPI(DotsPerInch(std::floor(yDensity * 0.0254 + 0.5)));
  }
}

void CImageFilePNG::ReadPalette(png_structp png, png_infop info, int bitDepth, int colorType) {
  png_colorp entries = nullptr;
  int entryCount = 0;
  if (png_get_PLTE(png, info, &entries, &entryCount)) {
    static_assert(sizeof(png_color) == sizeof(rgb_color), "palette entries are three bytes");
    SetPalette(reinterpret_cast<rgb_color*>(entries), static_cast<unsigned long>(entryCount));
  } else if (bitDepth == 2) {
    for (unsigned char i = 0; i < 4; ++i) SetPaletteColor(i, i * 85, i * 85, i * 85);
  } else {
    SetGrayPalette();
  }

  // Only palette files have transparency values; grey and colour ones were composited.
  png_bytep transparency = nullptr;
  int transparencyCount = 0;
  RGBQUAD* palette = GetPalette();
  if (colorType != PNG_COLOR_TYPE_PALETTE || !palette ||
      !png_get_tRNS(png, info, &transparency, &transparencyCount, nullptr) || !transparency ||
      transparencyCount <= 0) {
    return;
  }
  const unsigned long colors = GetNumColors();
  const unsigned long given = std::min<unsigned long>(static_cast<unsigned long>(transparencyCount), colors);
  for (unsigned long i = 0; i < given; ++i) palette[i].rgbReserved = transparency[i];
  if (transparencyCount == 1 && transparency[0] == 0) {
    SetTransIndex(0);
  } else {
    AlphaPaletteEnable(true);
    for (unsigned long i = given; i < colors; ++i) palette[i].rgbReserved = 255;
  }
}

// Rows come top first; without alpha in the bitmap's own layout, straight into the rows. Later
// passes of an interlaced file fill in the rows of earlier ones.
bool CImageFilePNG::ReadImageRows(png_structp png, int passes, bool twoBits, png_bytep alphaBuffer) {
  const png_uint_32 width = GetWidth();
  const png_uint_32 height = GetHeight();
  CImageIterator rows(this);
  for (int pass = 0; pass < passes; ++pass) {
    rows.SeekTopRow();
    for (png_uint_32 y = 0; y < height; ++y, rows.NextRowDown()) {
      if (GetEscape()) return false;
      if (!alphaBuffer) {
        png_read_row(png, rows.RowPointer(), nullptr);
        if (twoBits && pass == passes - 1) Widen2To4(rows.RowPointer(), width);
        continue;
      }
      BYTE* colour = rows.RowPointer();
      BYTE* alphaRow = AlphaGetPointer(0, rows.GetY());
      if (pass > 0) {
        for (png_uint_32 x = width; x-- > 0;) {
          std::memcpy(alphaBuffer + 4 * x, colour + 3 * x, 3);
          alphaBuffer[4 * x + 3] = alphaRow[x];
        }
      }
      png_read_row(png, alphaBuffer, nullptr);
      for (png_uint_32 x = 0; x < width; ++x) {
        std::memcpy(colour + 3 * x, alphaBuffer + 4 * x, 3);
        alphaRow[x] = alphaBuffer[4 * x + 3];
      }
    }
  }
  return true;
}

bool CImageFilePNG::MarkTransparentColour() {
  if (GetBpp() != 24 || GetTransIndex() < 0) return false;
  const bool temporary = !AlphaIsValid();
  AlphaCreate();
  if (!AlphaIsValid()) return false;
  const RGBQUAD transparent = GetTransColor();
  for (long y = 0; y < static_cast<long>(GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(GetWidth()); ++x) {
      RGBQUAD c = BlindGetPixelColor(x, y);
      c.rgbReserved = 0;
      if (std::memcmp(&c, &transparent, sizeof(c)) == 0) AlphaSet(x, y, 0);
    }
  }
  return temporary;
}

bool CImageFilePNG::Encode(CByteStream* file) {
  if (EncodeSafeCheck(file)) return false;
  const bool temporaryAlpha = MarkTransparentColour();
  const bool encoded = EncodeWithLibrary(file);
  if (temporaryAlpha) AlphaDelete();
  return encoded;
}

bool CImageFilePNG::EncodeWithLibrary(CByteStream* file) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return Fail("Failed to create PNG structure");
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return Fail("Failed to initialize PNG info structure");
  }
  png_bytep volatile rowBuffer = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    std::free(rowBuffer);
    png_destroy_write_struct(&png, &info);
    return Fail("Error saving PNG file");
  }
  png_set_error_fn(png, info_.lastError, ErrorExit, IgnoreWarning);
  png_set_write_fn(png, file, WriteData, FlushData);
  EncodeRows(png, info, &rowBuffer);
  std::free(rowBuffer);
  png_destroy_write_struct(&png, &info);
  return true;
}

void CImageFilePNG::EncodeRows(png_structp png, png_infop info, png_bytep volatile* rowBuffer) {
  const bool alpha = AlphaIsValid();
  const bool palette = GetPalette() != nullptr;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  if (alpha) {
    colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  } else if (palette) {
    colorType = PNG_COLOR_TYPE_PALETTE;
    bitDepth = GetBpp();
  }
  const int interlace = GetCodecOption(keImageFormatPNG) == 1 ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE;
  png_set_IHDR(png, info, GetWidth(), GetHeight(), bitDepth, colorType, interlace,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);

  png_color_16 background = {0, 255, 255, 255, 0};
  if (GetTransIndex() != -1) {
    background.red = info_.backgroundColor.rgbRed;
    background.green = info_.backgroundColor.rgbGreen;
    background.blue = info_.backgroundColor.rgbBlue;
  }
  png_set_bKGD(png, info, &background);
  png_set_pHYs(png, info, static_cast<png_uint_32>(std::max<LONG>(header_.biXPelsPerMeter, 0)),
               static_cast<png_uint_32>(std::max<LONG>(header_.biYPelsPerMeter, 0)), PNG_RESOLUTION_METER);
  if (colorType == PNG_COLOR_TYPE_PALETTE) WritePalette(png, info);

  png_set_compression_level(png, kCompressionLevel);
  png_write_info(png, info);
  if (colorType == PNG_COLOR_TYPE_RGB) png_set_bgr(png);
  if (alpha) {
    *rowBuffer = static_cast<png_bytep>(std::malloc(GetWidth() * std::size_t{4} + 10));
    if (!*rowBuffer) png_error(png, "Can't allocate memory");
  }
  WriteImageRows(png, png_set_interlace_handling(png), alpha ? *rowBuffer : nullptr);
  png_write_end(png, info);
}

// The palette and its transparency; a small picture's palette is cut to the indices it uses.
void CImageFilePNG::WritePalette(png_structp png, png_infop info) {
  RGBQUAD* palette = GetPalette();
  const png_uint_32 width = GetWidth();
  const png_uint_32 height = GetHeight();
  png_byte alphas[256];
  const long transparentIndex = GetTransIndex();
  if (transparentIndex != -1) {
    // Readers that take a single tRNS entry want the transparent colour at index 0.
    if (transparentIndex != 0) {
      SwapIndex(0, static_cast<unsigned char>(transparentIndex));
      SetTransIndex(0);
      if (info_.ghost) info_.ghost->SetTransIndex(0);
    }
    alphas[0] = 0;
    png_set_tRNS(png, info, alphas, 1, nullptr);
  }
  unsigned long count = GetNumColors();
  if (count > 2 && std::uint64_t{width} * height < 65536) {
    unsigned largest = 0;
    for (long y = 0; y < static_cast<long>(height); ++y) {
      for (long x = 0; x < static_cast<long>(width); ++x)
        largest = std::max<unsigned>(largest, BlindGetPixelIndex(x, y));
    }
    count = largest + 1;
  }
  if (AlphaPaletteIsEnabled()) {
    for (unsigned long i = 0; i < count; ++i) alphas[i] = palette[i].rgbReserved;
    png_set_tRNS(png, info, alphas, static_cast<int>(count), nullptr);
  }
  png_color entries[256];
  for (unsigned long i = 0; i < count; ++i)
    entries[i] = {palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue};
  png_set_PLTE(png, info, entries, static_cast<int>(count));
}

// Rows top first; with alpha they go through the buffer as red, green, blue, alpha.
void CImageFilePNG::WriteImageRows(png_structp png, int passes, png_bytep alphaBuffer) {
  const png_uint_32 width = GetWidth();
  const png_uint_32 height = GetHeight();
  const bool palette = GetPalette() != nullptr;
  const unsigned alphaMax = AlphaGetMax();
  CImageIterator rows(this);
  for (int pass = 0; pass < passes; ++pass) {
    rows.SeekTopRow();
    for (png_uint_32 y = 0; y < height; ++y, rows.NextRowDown()) {
      if (!alphaBuffer) {
        png_write_row(png, rows.RowPointer());
        continue;
      }
      const long row = rows.GetY();
      const BYTE* colour = rows.RowPointer();
      const BYTE* alphaRow = AlphaGetPointer(0, row);
      for (png_uint_32 x = 0; x < width; ++x) {
        png_bytep out = alphaBuffer + 4 * x;
        if (palette) {
          const RGBQUAD c = BlindGetPixelColor(static_cast<long>(x), row);
          out[0] = c.rgbRed;
          out[1] = c.rgbGreen;
          out[2] = c.rgbBlue;
        } else {
          out[0] = colour[3 * x + 2];
          out[1] = colour[3 * x + 1];
          out[2] = colour[3 * x];
        }
        out[3] = static_cast<png_byte>(alphaRow[x] * alphaMax / 255);
      }
      png_write_row(png, alphaBuffer);
    }
  }
}
