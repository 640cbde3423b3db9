// JP2 files and bare JPEG-2000 code streams, through OpenJPEG over the stream bridge.
#include <openjpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "codecs/detail/BigEndian.h"
#include "codecs/detail/JasperFormats.h"

namespace jasper {

namespace {

CJasperStream& BridgeOf(void* user) { return *static_cast<CJasperStream*>(user); }

OPJ_SIZE_T ReadBridge(void* buffer, OPJ_SIZE_T count, void* user) {
  const std::size_t got = BridgeOf(user).Read(buffer, count);
  return got ? got : static_cast<OPJ_SIZE_T>(-1);
}

// A short write (a full disk) must fail: OpenJPEG retries what was not taken.
OPJ_SIZE_T WriteBridge(void* buffer, OPJ_SIZE_T count, void* user) {
  return BridgeOf(user).Write(buffer, count) == count ? count : static_cast<OPJ_SIZE_T>(-1);
}

OPJ_OFF_T SkipBridge(OPJ_OFF_T count, void* user) { return BridgeOf(user).Seek(count, 1) ? count : -1; }

OPJ_BOOL SeekBridge(OPJ_OFF_T position, void* user) { return BridgeOf(user).Seek(position, 0); }

struct StreamDeleter {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct CodecDeleter {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct ImageDeleter {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using StreamPtr = std::unique_ptr<opj_stream_t, StreamDeleter>;
using CodecPtr = std::unique_ptr<opj_codec_t, CodecDeleter>;
using ImagePtr = std::unique_ptr<opj_image_t, ImageDeleter>;

StreamPtr OpenStream(CJasperStream& bridge, bool input) {
  StreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, input ? OPJ_TRUE : OPJ_FALSE));
  if (!stream) return stream;
  opj_stream_set_user_data(stream.get(), &bridge, nullptr);
  if (input) {
    opj_stream_set_read_function(stream.get(), ReadBridge);
    const std::int64_t length = bridge.Length();
    if (length >= 0) opj_stream_set_user_data_length(stream.get(), static_cast<OPJ_UINT64>(length));
  } else {
    opj_stream_set_write_function(stream.get(), WriteBridge);
  }
  opj_stream_set_skip_function(stream.get(), SkipBridge);
  opj_stream_set_seek_function(stream.get(), SeekBridge);
  return stream;
}

ColourSpace SpaceOf(const opj_image_t& image) {
  switch (image.color_space) {
    case OPJ_CLRSPC_GRAY:
      return ColourSpace::Grey;
    case OPJ_CLRSPC_SRGB:
      return ColourSpace::Rgb;
    case OPJ_CLRSPC_UNKNOWN:
    case OPJ_CLRSPC_UNSPECIFIED:
      return image.numcomps < 3 ? ColourSpace::Grey : ColourSpace::Rgb;
    default:
      return ColourSpace::Other;
  }
}

long Span(OPJ_UINT32 from, OPJ_UINT32 to, OPJ_UINT32 step) {
  const auto ceilDiv = [step](OPJ_UINT32 v) { return (std::uint64_t{v} + step - 1) / step; };
  return to > from ? static_cast<long>(ceilDiv(to) - ceilDiv(from)) : 0;
}

// Moves to the contents of a JP2 file's code-stream box; false when there is none.
bool SeekToCodeStream(CJasperStream& stream) {
  for (int box = 0; box < 64; ++box) {
    unsigned char head[16];
    if (stream.Read(head, 8) != 8) return false;
    std::uint64_t length = ReadBE32(head);
    std::uint64_t headLength = 8;
    if (length == 1) {
      if (stream.Read(head + 8, 8) != 8) return false;
      length = std::uint64_t{ReadBE32(head + 8)} << 32 | ReadBE32(head + 12);
      headLength = 16;
    }
    if (std::memcmp(head + 4, "jp2c", 4) == 0) return true;
    if (length < headLength || length - headLength > static_cast<std::uint64_t>(INT64_MAX) ||
        !stream.Seek(static_cast<std::int64_t>(length - headLength), 1))
      return false;
  }
  return false;
}

// OpenJPEG allocates a record for every tile and component while it reads the header, so a
// few bytes could ask for gigabytes. Every tile has a part of at least 14 bytes (its start and
// data markers), so a stream shorter than its tiles' parts is refused before that. What this
// cannot read is left for OpenJPEG to refuse.
bool TilingIsPlausible(CJasperStream& stream, bool jp2) {
  constexpr std::uint64_t kMinTilePart = 14;
  constexpr std::uint64_t kMaxTileComponents = std::uint64_t{1} << 18;
  const std::int64_t length = stream.Length();
  unsigned char siz[42];
  if ((jp2 && !SeekToCodeStream(stream)) || stream.Read(siz, sizeof(siz)) != sizeof(siz)) return true;
  const std::uint64_t width = ReadBE32(siz + 8), height = ReadBE32(siz + 12);
  const std::uint64_t tileWidth = ReadBE32(siz + 24), tileHeight = ReadBE32(siz + 28);
  const std::uint64_t tileLeft = ReadBE32(siz + 32), tileTop = ReadBE32(siz + 36);
  const std::uint64_t components = std::uint64_t{siz[40]} << 8 | siz[41];
  if (tileWidth == 0 || tileHeight == 0 || width <= tileLeft || height <= tileTop) return true;
  const std::uint64_t tiles = (width - tileLeft + tileWidth - 1) / tileWidth *
                              ((height - tileTop + tileHeight - 1) / tileHeight);
  return (length < 0 || tiles * kMinTilePart <= static_cast<std::uint64_t>(length)) &&
         tiles * components <= kMaxTileComponents;
}

class OpenJpegReader : public FormatReader {
 public:
  OpenJpegReader(CJasperStream& stream, bool jp2) : bridge_(stream), jp2_(jp2) {}

  bool ReadHeader(Image& image) override {
    if (!TilingIsPlausible(bridge_, jp2_) || !bridge_.Seek(0, 0)) return false;
    stream_ = OpenStream(bridge_, true);
    codec_.reset(opj_create_decompress(jp2_ ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    if (!stream_ || !codec_) return false;
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    opj_image_t* header = nullptr;
    if (!opj_setup_decoder(codec_.get(), &parameters)) return false;
    if (!opj_read_header(stream_.get(), codec_.get(), &header))
      return bridge_.ReachedEnd() ? EndsEarly() : false;
    image_.reset(header);
    image.space = SpaceOf(*header);
    image.components.clear();
    for (OPJ_UINT32 i = 0; i < header->numcomps; ++i) {
      const opj_image_comp_t& c = header->comps[i];
      if (c.dx == 0 || c.dy == 0) return false;
      image.components.push_back(Component{Span(header->x0, header->x1, c.dx),
                                           Span(header->y0, header->y1, c.dy),
                                           static_cast<int>(c.prec),
                                           c.sgnd != 0,
                                           {}});
    }
    return !image.components.empty();
  }

  // A palette or channel definition may change the components from those of the header.
  bool ReadSamples(Image& image) override {
    if (!opj_decode(codec_.get(), stream_.get(), image_.get()) ||
        !opj_end_decompress(codec_.get(), stream_.get()))
      return bridge_.ReachedEnd() ? EndsEarly() : false;
    const opj_image_t& decoded = *image_;
    image.space = SpaceOf(decoded);
    image.components.clear();
    for (OPJ_UINT32 i = 0; i < decoded.numcomps; ++i) {
      const opj_image_comp_t& c = decoded.comps[i];
      if (!c.data || c.w == 0 || c.h == 0) return false;
      image.components.push_back(Component{c.w, c.h, static_cast<int>(c.prec), c.sgnd != 0, {}});
    }
    if (image.components.empty() || !AllocateSamples(image)) return false;
    for (OPJ_UINT32 i = 0; i < decoded.numcomps; ++i) {
      std::copy_n(decoded.comps[i].data, image.components[i].samples.size(),
                  image.components[i].samples.data());
    }
    return true;
  }

 private:
  CJasperStream& bridge_;
  bool jp2_;
  StreamPtr stream_;
  CodecPtr codec_;
  ImagePtr image_;
};

}  // namespace

std::unique_ptr<FormatReader> MakeOpenJpegReader(CJasperStream& stream, bool jp2) {
  return std::make_unique<OpenJpegReader>(stream, jp2);
}

bool WriteOpenJpeg(const Image& image, CJasperStream& stream, bool jp2, double rate) {
  const Component& first = image.components[0];
  std::vector<opj_image_cmptparm_t> parameters(image.components.size());
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    opj_image_cmptparm_t& p = parameters[i];
    std::memset(&p, 0, sizeof(p));
    p.dx = p.dy = 1;
    p.w = static_cast<OPJ_UINT32>(first.width);
    p.h = static_cast<OPJ_UINT32>(first.height);
    p.prec = static_cast<OPJ_UINT32>(image.components[i].precision);
    p.sgnd = image.components[i].isSigned;
  }
  const bool colour = parameters.size() == 3;
  ImagePtr picture(opj_image_create(static_cast<OPJ_UINT32>(parameters.size()), parameters.data(),
                                    colour ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY));
  if (!picture) return false;
  picture->x1 = static_cast<OPJ_UINT32>(first.width);
  picture->y1 = static_cast<OPJ_UINT32>(first.height);
  for (std::size_t i = 0; i < parameters.size(); ++i)
    std::copy(image.components[i].samples.begin(), image.components[i].samples.end(), picture->comps[i].data);

  opj_cparameters_t coding;
  opj_set_default_encoder_parameters(&coding);
  // The rate is the coded size over the raw size; OpenJPEG asks for the inverse, and reads a
  // ratio of 1 or less as lossless.
  coding.tcp_numlayers = 1;
  coding.cp_disto_alloc = 1;
  coding.tcp_rates[0] = static_cast<float>(1 / std::max(rate, 0.001));
  coding.tcp_mct = colour ? 1 : 0;
  // Each level of the wavelet halves the picture: a small one has fewer levels.
  const long side = std::min(first.width, first.height);
  coding.numresolution = std::min(coding.numresolution, 1 + static_cast<int>(std::floor(std::log2(side))));
  CodecPtr codec(opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
  StreamPtr output = OpenStream(stream, false);
  return codec && output && opj_setup_encoder(codec.get(), &coding, picture.get()) &&
         opj_start_compress(codec.get(), picture.get(), output.get()) &&
         opj_encode(codec.get(), output.get()) && opj_end_compress(codec.get(), output.get());
}

}  // namespace jasper
