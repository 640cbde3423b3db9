#include "codecs/ImageFileJPG.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

#include "codecs/ExifInfo.h"
#include "codecs/ImageIterator.h"
#include "codecs/MemoryStream.h"
#include "codecs/StdioStream.h"
#include "codecs/detail/ImageLimits.h"
#include "codecs/detail/Resolution.h"

// Everything between setjmp and the library calls below is plain C data: a long jump out of the
// library must not skip a destructor.
namespace {

constexpr std::size_t kStreamBufferSize = 4096;
// Hostile progressive files can hold thousands of tiny scans, each a full pass over the image.
constexpr int kMaxProgressiveScans = 100;
// Whole-image coefficient buffers of progressive files above this fail instead of allocating.
constexpr long kMaxLibraryMemory = 1L << 30;

// The error manager of one decode or encode: the library's formatted message goes into the
// image's last-error text, and control returns to the codec's jump point.
struct JpegErrorTrap {
  jpeg_error_mgr manager;  // first: the library hands back a pointer to it
  std::jmp_buf jump;
  char* text;
  bool endedEarly;  // the file ended before the picture did
};

void CopyMessage(char* text, const char* message) {
  std::strncpy(text, message, 255);
  text[255] = '\0';
}

[[noreturn]] void JumpBack(j_common_ptr cinfo, const char* message) {
  auto* trap = reinterpret_cast<JpegErrorTrap*>(cinfo->err);
  CopyMessage(trap->text, message);
  std::longjmp(trap->jump, 1);
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  char message[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, message);
  if (!reinterpret_cast<JpegErrorTrap*>(cinfo->err)->endedEarly) JumpBack(cinfo, message);
  char truncated[JMSG_LENGTH_MAX + 32];
  std::snprintf(truncated, sizeof truncated, "JPEG file is truncated (%s)", message);
  JumpBack(cinfo, truncated);
}

// Warnings are counted by the library; a plug-in has no console to print them on.
void OutputNothing(j_common_ptr) {}

void InitErrorTrap(JpegErrorTrap* trap, char* text) {
  jpeg_std_error(&trap->manager);
  trap->manager.error_exit = ErrorExit;
  trap->manager.output_message = OutputNothing;
  trap->text = text;
  trap->endedEarly = false;
}

void LimitScans(j_common_ptr cinfo) {
  if (cinfo->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxProgressiveScans) {
    JumpBack(cinfo, "Too many progressive scans");
  }
}

// Moves bytes between the library and a CByteStream in blocks of kStreamBufferSize.
struct CJpegStreamIO {
  jpeg_destination_mgr destination;
  jpeg_source_mgr source;
  CByteStream* file;
  JOCTET buffer[kStreamBufferSize];
  bool startOfFile;
};

CJpegStreamIO* StreamOf(j_common_ptr cinfo) { return static_cast<CJpegStreamIO*>(cinfo->client_data); }

void InitSource(j_decompress_ptr cinfo) {
  StreamOf(reinterpret_cast<j_common_ptr>(cinfo))->startOfFile = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  CJpegStreamIO* io = StreamOf(reinterpret_cast<j_common_ptr>(cinfo));
  std::size_t n = io->file->Read(io->buffer, 1, kStreamBufferSize);
  if (n == 0) {
    if (io->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // A stream that ends early gives a truncated picture, not an error, unless the picture
    // cannot be made at all.
    reinterpret_cast<JpegErrorTrap*>(cinfo->err)->endedEarly = true;
    WARNMS(cinfo, JWRN_JPEG_EOF);
    io->buffer[0] = 0xFF;
    io->buffer[1] = JPEG_EOI;
    n = 2;
  }
  io->source.next_input_byte = io->buffer;
  io->source.bytes_in_buffer = n;
  io->startOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* source = cinfo->src;
  while (count > static_cast<long>(source->bytes_in_buffer)) {
    count -= static_cast<long>(source->bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  source->next_input_byte += count;
  source->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void InitDestination(j_compress_ptr cinfo) {
  CJpegStreamIO* io = StreamOf(reinterpret_cast<j_common_ptr>(cinfo));
  io->destination.next_output_byte = io->buffer;
  io->destination.free_in_buffer = kStreamBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  CJpegStreamIO* io = StreamOf(reinterpret_cast<j_common_ptr>(cinfo));
  if (io->file->Write(io->buffer, 1, kStreamBufferSize) != kStreamBufferSize) {
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
  io->destination.next_output_byte = io->buffer;
  io->destination.free_in_buffer = kStreamBufferSize;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  CJpegStreamIO* io = StreamOf(reinterpret_cast<j_common_ptr>(cinfo));
  const std::size_t count = kStreamBufferSize - io->destination.free_in_buffer;
  if (count != 0 && io->file->Write(io->buffer, 1, count) != count) ERREXIT(cinfo, JERR_FILE_WRITE);
  io->file->Flush();
  if (io->file->Error()) ERREXIT(cinfo, JERR_FILE_WRITE);
}

void InitStreamIO(CJpegStreamIO* io, CByteStream* file) {
  io->destination.init_destination = InitDestination;
  io->destination.empty_output_buffer = EmptyOutputBuffer;
  io->destination.term_destination = TermDestination;
  io->source.init_source = InitSource;
  io->source.fill_input_buffer = FillInputBuffer;
  io->source.skip_input_data = SkipInputData;
  io->source.resync_to_restart = jpeg_resync_to_restart;
  io->source.term_source = TermSource;
  io->source.next_input_byte = nullptr;
  io->source.bytes_in_buffer = 0;
  io->file = file;
  io->startOfFile = true;
}

// The library decodes only at M/8 sizes; the image's scale picks the nearest of 1, 2, 4 and 8.
unsigned ScaleDenominator(unsigned scale) {
  if (scale >= 8) return 8;
  if (scale >= 4) return 4;
  if (scale >= 2) return 2;
  return 1;
}

// Decode options (codec option word of the JPEG format id).
constexpr unsigned long kDecodeGrey = 0x80;
constexpr unsigned long kDecodeQuantize = 0x100;
constexpr unsigned long kDecodeDither = 0x200;
constexpr unsigned long kDecodeOnePassQuantize = 0x400;
constexpr unsigned long kDecodeNoFancyUpsampling = 0x800;
// Encode options.
constexpr unsigned long kEncodeBaseline = 0x01;
constexpr unsigned long kEncodeArithmetic = 0x02;
constexpr unsigned long kEncodeGrey = 0x04;
constexpr unsigned long kEncodeOptimize = 0x08;
constexpr unsigned long kEncodeProgressive = 0x10;
constexpr unsigned long kEncodeSmoothing = 0x40;

}  // namespace

CImageFileJPG::CImageFileJPG() : CImageFile(keImageFormatJPG), exifInfo_() {}

CImageFileJPG::CImageFileJPG(const CImageFileJPG& src) : CImageFile(src), exifInfo_() { CopyExifFrom(src); }

CImageFileJPG& CImageFileJPG::operator=(const CImageFileJPG& src) {
  if (this != &src) {
    CImageFile::operator=(src);
    CopyExifFrom(src);
  }
  return *this;
}

CImageFileJPG::~CImageFileJPG() { delete exifReader_; }

void CImageFileJPG::CopyExifFrom(const CImageFileJPG& src) {
  delete exifReader_;
  exifReader_ = nullptr;
  exifInfo_ = src.exifInfo_;
  if (src.exifReader_) exifReader_ = new CExifInfo(*src.exifReader_, &exifInfo_);
  // Without a reader of its own the copy has no bytes for the thumbnail to point into.
  if (!exifReader_) {
    exifInfo_.ThumbnailPointer = nullptr;
    exifInfo_.ThumbnailSize = 0;
  }
  smoothingFactor_ = src.smoothingFactor_;
  ditherMode_ = src.ditherMode_;
}

bool CImageFileJPG::DecodeExif(CByteStream* file) {
  delete exifReader_;
  exifReader_ = nullptr;
  // The old record may point into the sections of the reader just deleted.
  exifInfo_ = tag_ExifInfo();
  exifReader_ = new (std::nothrow) CExifInfo(&exifInfo_);
  if (!exifReader_ || !file) return false;
  const long position = file->Tell();
  exifReader_->DecodeExif(file, CExifInfo::kReadMetadata);
  file->Seek(position, 0);
  return exifInfo_.IsExif;
}

bool CImageFileJPG::DecodeExif(FILE* file) {
  CStdioStream stream(file);
  return DecodeExif(file ? &stream : nullptr);
}

bool CImageFileJPG::Decode(FILE* file) {
  CStdioStream stream(file);
  return Decode(file ? &stream : nullptr, true);
}

bool CImageFileJPG::Encode(FILE* file) {
  CStdioStream stream(file);
  return Encode(file ? &stream : nullptr);
}

bool CImageFileJPG::Decode(CByteStream* file, bool readExif) {
  if (!file) return false;
  const bool exifRead = readExif && DecodeExif(file);
  return DecodeWithLibrary(file, exifRead);
}

void CImageFileJPG::SetResolution(bool exifRead, unsigned densityUnit, unsigned xDensity, unsigned yDensity) {
  if (exifRead) {
    if (exifInfo_.XResolution != 0 && exifInfo_.ResolutionUnit != 0) {
      SetXDPI(DotsPerInch(static_cast<double>(exifInfo_.XResolution) / exifInfo_.ResolutionUnit));
    }
    if (exifInfo_.YResolution != 0 && exifInfo_.ResolutionUnit != 0) {
      SetYDPI(DotsPerInch(static_cast<double>(exifInfo_.YResolution) / exifInfo_.ResolutionUnit));
    }
  } else if (densityUnit == 2) {
    SetXDPI(DotsPerInch(std::floor(xDensity * 2.54 + 0.5)));
    SetYDPI(DotsPerInch(std::floor(yDensity * 2.54 + 0.5)));
  } else if (densityUnit == 1) {
    SetXDPI(DotsPerInch(xDensity));
    SetYDPI(DotsPerInch(yDensity));
  }
  // Unit 0 gives only the pixels' aspect ratio: the default resolution stays.
}

bool CImageFileJPG::DecodeWithLibrary(CByteStream* file, bool exifRead) {
  jpeg_decompress_struct cinfo;
  JpegErrorTrap trap;
  CJpegStreamIO io;
  jpeg_progress_mgr progress;
  InitErrorTrap(&trap, info_.lastError);
  cinfo.err = &trap.manager;
  if (setjmp(trap.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  InitStreamIO(&io, file);
  cinfo.client_data = &io;
  cinfo.src = &io.source;
  progress.progress_monitor = LimitScans;
  cinfo.progress = &progress;
  cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
  const bool decoded = DecodeRows(&cinfo, exifRead);
  jpeg_destroy_decompress(&cinfo);
  return decoded;
}

bool CImageFileJPG::DecodeRows(jpeg_decompress_struct* cinfo, bool exifRead) {
  jpeg_read_header(cinfo, TRUE);
  const unsigned long options = GetCodecOption(keImageFormatJPG);
  if (options & kDecodeGrey) cinfo->out_color_space = JCS_GRAYSCALE;
  if (options & kDecodeQuantize) {
    cinfo->quantize_colors = TRUE;
    cinfo->desired_number_of_colors = GetJpegQuality();
  }
  if (options & kDecodeDither) cinfo->dither_mode = static_cast<J_DITHER_MODE>(ditherMode_);
  if (options & kDecodeOnePassQuantize) cinfo->two_pass_quantize = FALSE;
  if (options & kDecodeNoFancyUpsampling) cinfo->do_fancy_upsampling = FALSE;
  cinfo->scale_num = 1;
  cinfo->scale_denom = ScaleDenominator(GetJpegScale());
  const bool quantized = cinfo->quantize_colors;
  // The library writes colour rows in the bitmap's own byte order, straight into the rows.
  if (cinfo->out_color_space == JCS_RGB && !quantized) cinfo->out_color_space = JCS_EXT_BGR;
  jpeg_calc_output_dimensions(cinfo);

  if (GetEscape() == -1) {
    header_.biWidth = static_cast<LONG>(cinfo->output_width);
    header_.biHeight = static_cast<LONG>(cinfo->output_height);
    return true;
  }
  // Grey, colour and CMYK have a place in the bitmap; two components or five do not.
  if (cinfo->output_components != 1 && cinfo->output_components != 3 && cinfo->output_components != 4)
    return Fail("JPEG color space not supported");
  if (std::uint64_t{cinfo->output_width} * cinfo->output_height > kMaxDecodePixels)
    return Fail("Image too large to decode");
  // Made before the library allocates its own buffers, so that an absurd size fails first.
  if (!Create(cinfo->output_width, cinfo->output_height, 8 * cinfo->output_components, keImageFormatJPG)) {
    return false;
  }
  jpeg_start_decompress(cinfo);
  SetResolution(exifRead, cinfo->density_unit, cinfo->X_density, cinfo->Y_density);

  if (quantized) {
    JSAMPARRAY map = cinfo->colormap;
    const bool grey = cinfo->out_color_components == 1;
    SetPalette(static_cast<unsigned long>(cinfo->actual_number_of_colors), map[0], grey ? map[0] : map[1],
               grey ? map[0] : map[2]);
  } else if (cinfo->out_color_space == JCS_GRAYSCALE) {
    SetGrayPalette();
  }

  const bool cmyk = cinfo->output_components == 4 && !quantized;
  const std::size_t rowStride = std::size_t{cinfo->output_width} * cinfo->output_components;
  JSAMPARRAY buffer = cmyk ? (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                         static_cast<JDIMENSION>(rowStride), 1)
                           : nullptr;
  const std::size_t rowBytes = GetEffWidth();
  CImageIterator rows(this);
  rows.SeekTopRow();
  for (; cinfo->output_scanline < cinfo->output_height; rows.NextRowDown()) {
    if (GetEscape()) return false;
    BYTE* row = rows.RowPointer();
    if (!cmyk) {
      jpeg_read_scanlines(cinfo, &row, 1);
      continue;
    }
    jpeg_read_scanlines(cinfo, buffer, 1);
    // Stored inverted, as the usual writers of CMYK files do.
    const JSAMPLE* s = buffer[0];
    for (std::size_t d = 0, i = 0; d + 3 <= rowBytes && i + 4 <= rowStride; d += 3, i += 4) {
      row[d] = static_cast<BYTE>(s[i + 2] * s[i + 3] / 255);
      row[d + 1] = static_cast<BYTE>(s[i + 1] * s[i + 3] / 255);
      row[d + 2] = static_cast<BYTE>(s[i] * s[i + 3] / 255);
    }
  }
  jpeg_finish_decompress(cinfo);
  // The library decodes the blocks it lacks as mid-grey.
  if (reinterpret_cast<JpegErrorTrap*>(cinfo->err)->endedEarly)
    NoteShortFile(cinfo->progressive_mode ? "the detail of the scans it lacks is left out"
                                          : "the rows it lacks are grey");
  return true;
}

bool CImageFileJPG::Encode(CByteStream* file) {
  if (EncodeSafeCheck(file)) return false;
  if (GetNumColors() && !IsGrayScale()) return Fail("JPEG can save only RGB or GreyScale images");
  if (!exifReader_ || !exifInfo_.IsExif) return EncodeWithLibrary(file);
  // The kept sections go in front of the fresh image data, which is read back for that: from
  // memory, because the caller's stream may be open for writing only.
  CMemoryStream encoded;
  if (!encoded.Open() || !EncodeWithLibrary(&encoded)) return false;
  exifReader_->DiscardAllButExif();
  encoded.Seek(0, 0);
  const long start = file->Tell();
  if (exifReader_->DecodeExif(&encoded, CExifInfo::kReadImageData) && exifReader_->EncodeExif(file)) {
    return true;
  }
  // Without the sections the picture itself is still written.
  file->Seek(start, 0);
  const std::size_t size = static_cast<std::size_t>(encoded.Size());
  if (file->Write(encoded.GetBuffer(false), 1, size) != size)
    return Fail("Output file write error --- out of disk space?");
  return true;
}

bool CImageFileJPG::EncodeFrom(const SourceRows& rows, CByteStream* file) {
  if (!file) return Fail("null file handler");
  if ((!rows.top && !rows.rowList) || rows.width == 0 || rows.height == 0) return Fail("no rows to encode");
  return EncodeWithLibrary(file, &rows);
}

bool CImageFileJPG::EncodeWithLibrary(CByteStream* file, const SourceRows* rows) {
  jpeg_compress_struct cinfo;
  JpegErrorTrap trap;
  CJpegStreamIO io;
  InitErrorTrap(&trap, info_.lastError);
  cinfo.err = &trap.manager;
  if (setjmp(trap.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  InitStreamIO(&io, file);
  cinfo.client_data = &io;
  cinfo.dest = &io.destination;
  EncodeRows(&cinfo, rows);
  jpeg_destroy_compress(&cinfo);
  return true;
}

void CImageFileJPG::EncodeRows(jpeg_compress_struct* cinfo, const SourceRows* source) {
  const bool grey = source ? source->grey : GetNumColors() != 0;
  cinfo->image_width = source ? source->width : GetWidth();
  cinfo->image_height = source ? source->height : GetHeight();
  const ColourOrder order = source ? source->order : ColourOrder::kBgr;
  cinfo->input_components = grey ? 1 : order == ColourOrder::kBgrx ? 4 : 3;
  cinfo->in_color_space = grey                          ? JCS_GRAYSCALE
                          : order == ColourOrder::kRgb  ? JCS_RGB
                          : order == ColourOrder::kBgrx ? JCS_EXT_BGRX
                                                        : JCS_EXT_BGR;
  jpeg_set_defaults(cinfo);

  const unsigned long options = GetCodecOption(keImageFormatJPG);
  if (options & kEncodeArithmetic) cinfo->arith_code = TRUE;
  if (options & kEncodeOptimize) cinfo->optimize_coding = TRUE;
  if (options & kEncodeGrey) jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
  if (options & kEncodeSmoothing) cinfo->smoothing_factor = smoothingFactor_;
  jpeg_set_quality(cinfo, GetJpegQuality(), (options & kEncodeBaseline) ? TRUE : FALSE);
  if (options & kEncodeProgressive) jpeg_simple_progression(cinfo);
  cinfo->density_unit = 1;
  cinfo->X_density = static_cast<UINT16>(GetXDPI());
  cinfo->Y_density = static_cast<UINT16>(GetYDPI());
  jpeg_start_compress(cinfo, TRUE);
  if (source) {
    while (cinfo->next_scanline < cinfo->image_height) {
      const JDIMENSION y = cinfo->next_scanline;
      JSAMPROW row = const_cast<JSAMPROW>(source->rowList ? source->rowList[y]
                                                          : source->top + long(y) * source->pitch);
      jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return;
  }

  // A grey picture's palette is the ramp 0, 1, 2 ...: its indices are its greys, but rows of
  // fewer than 8 bits a pixel must be widened first.
  JSAMPROW greyRow = grey && GetBpp() != 8
                         ? (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                       cinfo->image_width, 1)[0]
                         : nullptr;
  CImageIterator rows(this);
  rows.SeekTopRow();
  for (; cinfo->next_scanline < cinfo->image_height; rows.NextRowDown()) {
    JSAMPROW row = rows.RowPointer();
    if (greyRow) {
      for (long x = 0; x < static_cast<long>(cinfo->image_width); ++x) {
        greyRow[x] = BlindGetPixelIndex(x, rows.GetY());
      }
      row = greyRow;
    }
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
}

bool CImageFileJPG::LoadThumbnail(const char* path, SIZE& size, int, int) {
  {
    CStdioStream file;
    if (!path || !file.Open(path, "rb")) return false;
    const bool exif = DecodeExif(&file);
    file.Close();
    if (exif && exifInfo_.ThumbnailPointer) {
      size.cx = exifInfo_.Width;
      size.cy = exifInfo_.Height;
      CMemoryStream thumbnail(exifInfo_.ThumbnailPointer, exifInfo_.ThumbnailSize);
      if (Decode(&thumbnail, false) && exifInfo_.Height > 0) {
        const double picture = static_cast<double>(exifInfo_.Width) / exifInfo_.Height;
        const double decoded = static_cast<double>(GetWidth()) / GetHeight();
        // A thumbnail turned the other way than the picture is no use.
        if (!((picture < 1 && decoded > 1) || (picture > 1 && decoded < 1))) return true;
      }
    }
  }
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  const bool decoded = Decode(file);
  std::fclose(file);
  return decoded;
}
