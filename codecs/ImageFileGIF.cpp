#include "codecs/ImageFileGIF.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <new>

#include "codecs/ImageIterator.h"
#include "codecs/detail/CodecFailure.h"
#include "codecs/detail/GifCanvas.h"
#include "codecs/detail/GifCodes.h"
#include "codecs/detail/ImageLimits.h"
#include "codecs/detail/LittleEndian.h"

namespace {

constexpr unsigned kTileWidth = 17;
constexpr unsigned kTileHeight = 15;
// Frame pixels one decode may lay down, in screens: plenty for an animation that redraws its
// screen in parts, and a quick end for a small file whose frames claim a huge area each.
constexpr std::uint64_t kFramePixelScreens = 64;
// What a frame cut short shows where its codes end: index 0, drawn as any other.
constexpr char kRowsLackedText[] = "the rows it lacks are in colour 0 of its palette";

int BitsFor(std::size_t entries) { return entries <= 2 ? 1 : entries <= 16 ? 4 : 8; }

bool ReadTable(gif::Bytes& in, int flags, gif::Frame* frame) {
  const std::size_t entries = std::size_t{2} << (flags & 7);
  if (in.data.size() - in.pos < 3 * entries) return false;
  frame->table = in.pos;
  frame->entries = static_cast<unsigned>(entries);
  in.pos += 3 * entries;
  return true;
}

bool ReadWhole(CByteStream* stream, gif::Bytes* in) {
  unsigned char chunk[16384];
  try {
    for (std::size_t n; (n = stream->Read(chunk, 1, sizeof(chunk))) > 0;) {
      if (in->data.size() + n > kMaxImageBytes) return false;
      in->data.insert(in->data.end(), chunk, chunk + n);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// Everything a decode holds at once, against the cap of one pixel block.
bool WithinCap(std::initializer_list<std::uint64_t> bytes) {
  std::uint64_t total = 0;
  for (const std::uint64_t b : bytes) total += b;
  return total <= kMaxImageBytes;
}

// Frames that cover the screen exactly, edge to edge without overlap, are tiles of one
// true-colour picture. Stacked in each column in the order of their top edges, every tile must
// start where the tiles above it end.
bool TileTheScreen(const std::vector<gif::Frame>& frames, unsigned width, unsigned height) {
  std::uint64_t area = 0;
  for (const gif::Frame& f : frames) {
    if (f.width == 0 || f.height == 0 || f.left + f.width > width || f.top + f.height > height) return false;
    area += std::uint64_t{f.width} * f.height;
  }
  if (area != std::uint64_t{width} * height) return false;
  std::vector<const gif::Frame*> order;
  for (const gif::Frame& f : frames) order.push_back(&f);
  std::sort(order.begin(), order.end(), [](const gif::Frame* a, const gif::Frame* b) {
    return a->top != b->top ? a->top < b->top : a->left < b->left;
  });
  std::vector<unsigned> filled(width, 0);
  for (const gif::Frame* f : order) {
    for (unsigned x = f->left; x < f->left + f->width; ++x) {
      if (filled[x] != f->top) return false;
      filled[x] = f->top + f->height;
    }
  }
  return true;
}

bool Drawn(const gif::Frame& frame, std::size_t n, std::size_t last) {
  return n == last || (frame.disposal != 2 && frame.disposal != 3);
}

// The first frame the composition of the last one needs: a frame after which the screen is
// cleared, or one that covers it without a transparent index, leaves nothing of those before it.
// A frame whose disposal restores what lay beneath it is not drawn at all.
std::size_t FirstNeeded(const std::vector<gif::Frame>& frames, std::size_t last, unsigned width,
                        unsigned height) {
  std::size_t start = 0;
  for (std::size_t n = 0; n <= last; ++n) {
    const gif::Frame& f = frames[n];
    const bool covers = f.left == 0 && f.top == 0 && f.width >= width && f.height >= height;
    if (n < last && f.disposal == 2) {
      start = n + 1;
    } else if (Drawn(f, n, last) && covers && f.transparent < 0) {
      start = n;
    }
  }
  return start;
}

}  // namespace

void CImageFileGIF::SetComment(const char* text) {
  if (text) comment_.assign(text, strnlen(text, 255));
}

void CImageFileGIF::GetComment(char* text) const { std::memcpy(text, comment_.c_str(), comment_.size() + 1); }

bool CImageFileGIF::Decode(CByteStream* stream) {
  if (!stream) return Fail("invalid file pointer");
  gif::Bytes in;
  if (!ReadWhole(stream, &in)) return Fail("Image too large to decode");
  unsigned char head[13];
  if (!in.Take(head, sizeof(head)) || std::memcmp(head, "GIF8", 4) != 0) return Fail("Not a GIF");
  const unsigned width = ReadLE16(head + 6);
  const unsigned height = ReadLE16(head + 8);
  if (info_.escape == -1) {
    header_.biWidth = static_cast<LONG>(width);
    header_.biHeight = static_cast<LONG>(height);
    return true;
  }
  gif::Frame global;
  if ((head[10] & 0x80) && !ReadTable(in, head[10], &global)) return Fail(kFileEndsEarly);
  std::vector<gif::Frame> frames;
  if (!ScanFrames(in, global, &frames)) return false;
  info_.numberOfFrames = static_cast<std::int32_t>(frames.size());
  if (info_.frame < 0 || info_.frame >= info_.numberOfFrames)
    return Fail("Error: frame not present in GIF file");
  if (std::uint64_t{width} * height > kMaxDecodePixels) return Fail("Image too large to decode");
  if (global.entries == 0 && frames.size() > 1 && TileTheScreen(frames, width, height)) {
    info_.frame = static_cast<std::int32_t>(frames.size() - 1);
    return ComposeMosaic(in, frames, width, height);
  }
  return ComposeFrame(in, frames, width, height);
}

// One pass over the blocks finds every frame with its control, and the comment and loop count.
bool CImageFileGIF::ScanFrames(gif::Bytes& in, const gif::Frame& global, std::vector<gif::Frame>* frames) {
  gif::Frame control;
  int block = in.Get();
  for (; block >= 0 && block != 0x3B; block = in.Get()) {
    if (info_.escape) return Fail("Cancelled");
    if (block == 0x21) {
      ReadExtension(in, &control);
    } else if (block == 0x2C) {
      unsigned char d[9];
      if (!in.Take(d, 9)) break;
      gif::Frame frame = control;
      frame.left = ReadLE16(d);
      frame.top = ReadLE16(d + 2);
      frame.width = ReadLE16(d + 4);
      frame.height = ReadLE16(d + 6);
      frame.interlaced = (d[8] & 0x40) != 0;
      frame.localTable = (d[8] & 0x80) != 0;
      frame.table = global.table;
      frame.entries = global.entries;
      if (frame.localTable && !ReadTable(in, d[8], &frame)) break;
      frame.data = in.pos;
      in.Get();
      in.SkipBlocks();
      if (!WithinCap({in.data.size(), (frames->size() + 1) * sizeof(gif::Frame)}))
        return Fail("Image too large to decode");
      frames->push_back(frame);
    } else if (block != 0) {
      // Stray bytes up to the next zero.
      while (in.Get() > 0) {
      }
    }
  }
  // Cut before its first picture, a file has none to show.
  if (frames->empty() && block != 0x3B) return Fail(kFileEndsEarly);
  return true;
}

// A graphic control applies to the frames after it; comments and the loop count are kept.
void CImageFileGIF::ReadExtension(gif::Bytes& in, gif::Frame* control) {
  const int label = in.Get();
  unsigned char body[12];
  if (label == 0xF9 && in.Get() == 4 && in.Take(body, 4)) {
    control->transparent = (body[0] & 1) ? body[3] : -1;
    control->transparentByte = body[3];
    control->delay = ReadLE16(body + 1);
    control->disposal = (body[0] >> 2) & 7;
  } else if (label == 0xFE) {
    const int n = in.Get();
    if (n > 0 && in.data.size() - in.pos >= static_cast<std::size_t>(n)) {
      comment_.assign(reinterpret_cast<const char*>(&in.data[in.pos]), static_cast<std::size_t>(n));
      in.pos += static_cast<std::size_t>(n);
    }
  } else if (label == 0xFF && in.Get() == 11 && in.Take(body, 11)) {
    const int n = in.Get();
    if (n > 2 && in.Take(body, 3)) {
      loops_ = body[1] + 256 * body[2];
      in.Skip(static_cast<std::size_t>(n - 3));
    } else if (n > 0) {
      in.Skip(static_cast<std::size_t>(n));
    }
  }
  in.SkipBlocks();
}

// The asked frame over those before it. While every frame drawn shares one table and one
// transparent index, the picture keeps the indices; any other mix becomes true colour, with an
// alpha plane where something stays uncovered.
bool CImageFileGIF::ComposeFrame(gif::Bytes& in, const std::vector<gif::Frame>& frames, unsigned width,
                                 unsigned height) {
  const std::size_t last = static_cast<std::size_t>(info_.frame);
  const std::size_t start = FirstNeeded(frames, last, width, height);
  const gif::Frame& first = frames[0];
  const long transparent = first.transparent;
  bool indexed = true;
  std::uint64_t pixels = 0;
  for (std::size_t n = start; n <= last; ++n) {
    if (!Drawn(frames[n], n, last)) continue;
    indexed &= frames[n].table == first.table && frames[n].entries == first.entries &&
               (transparent < 0 || frames[n].transparent == transparent);
    pixels += std::uint64_t{frames[n].width} * frames[n].height;
  }
  const std::uint64_t screen = std::uint64_t{width} * height;
  if (pixels > kFramePixelScreens * screen) return Fail("GIF animation too large to decode");
  const std::uint64_t held = in.data.size() + frames.size() * sizeof(gif::Frame);
  if (!WithinCap({held, indexed ? 2 * screen : 4 * screen})) return Fail("Image too large to decode");

  gif::Canvas canvas;
  if (indexed) {
    if (!canvas.UseIndices(width, height)) return Fail("Can't allocate memory");
  } else {
    if (!Create(width, height, 24, keImageFormatGIF)) return false;
    AlphaCreate();
    if (!AlphaIsValid()) return Fail("Can't allocate memory");
    canvas.UseColours(this);
  }
  const int background = first.transparentByte;
  canvas.Fill(background, [&] {
    RGBQUAD c = gif::PaletteOf(in, first).colour[background];
    c.rgbReserved = transparent >= 0 ? 0 : 255;
    return c;
  }());
  for (std::size_t n = start; n <= last; ++n) {
    if (info_.escape) return Fail("Cancelled");
    if (!Drawn(frames[n], n, last)) continue;
    if (!DrawFrame(in, frames[n], &canvas, false)) NoteShortFile(kRowsLackedText);
  }
  info_.frameDelay = frames[last].delay;
  if (!indexed) {
    const BYTE* coverage = AlphaGetPointer();
    if (std::all_of(coverage, coverage + screen, [](BYTE a) { return a == 255; })) AlphaDelete();
    return true;
  }
  return StoreIndices(in, canvas, first, width, height);
}

// Tiles of one true-colour picture, every pixel copied.
bool CImageFileGIF::ComposeMosaic(gif::Bytes& in, const std::vector<gif::Frame>& frames, unsigned width,
                                  unsigned height) {
  const std::uint64_t held = in.data.size() + frames.size() * sizeof(gif::Frame);
  if (!WithinCap({held, 3 * std::uint64_t{width} * height})) return Fail("Image too large to decode");
  if (!Create(width, height, 24, keImageFormatGIF)) return false;
  gif::Canvas canvas;
  canvas.UseColours(this);
  for (const gif::Frame& frame : frames) {
    if (info_.escape) return Fail("Cancelled");
    if (!DrawFrame(in, frame, &canvas, true)) NoteShortFile(kRowsLackedText);
  }
  const gif::Frame& shown = frames.back();
  info_.frameDelay = shown.delay;
  if (shown.transparent >= 0 && shown.transparent < static_cast<long>(shown.entries)) {
    RGBQUAD key = gif::PaletteOf(in, shown).colour[shown.transparent];
    key.rgbReserved = 0;
    SetTransColor(key);
    SetTransIndex(0);
  }
  return true;
}

bool CImageFileGIF::DrawFrame(gif::Bytes& in, const gif::Frame& frame, gif::Canvas* canvas, bool copyAll) {
  const gif::Palette palette = gif::PaletteOf(in, frame);
  in.pos = frame.data;
  return gif::DecodeCodes(in, frame, [&](unsigned row, const unsigned char* indices) {
    canvas->DrawRow(frame, palette, row, indices, copyAll);
  });
}

// The composed indices as a palette picture of the table's depth. Entries the table lacks are
// white when an index is transparent.
bool CImageFileGIF::StoreIndices(const gif::Bytes& in, const gif::Canvas& canvas, const gif::Frame& shown,
                                 unsigned width, unsigned height) {
  const int bits = BitsFor(shown.entries);
  if (!Create(width, height, static_cast<unsigned long>(bits), keImageFormatGIF)) return false;
  const gif::Palette colours = gif::PaletteOf(in, shown);
  RGBQUAD palette[256];
  for (unsigned i = 0; i < 256; ++i) {
    const bool inTable = i < shown.entries;
    palette[i] = inTable ? colours.colour[i] : shown.transparent >= 0 ? RGBQUAD{255, 255, 255, 0} : RGBQUAD{};
    palette[i].rgbReserved = 0;
  }
  SetPalette(palette, std::min<unsigned long>(256, GetNumColors()));
  SetTransIndex(shown.transparent);
  CImageIterator rows(this);
  rows.SeekTopRow();
  std::vector<unsigned char> line(GetEffWidth());
  for (unsigned y = 0; y < height; ++y) {
    const unsigned char* indices = canvas.IndexRow(y);
    std::fill(line.begin(), line.end(), 0);
    for (unsigned x = 0; x < width; ++x) {
      const unsigned i = indices[x] & ((1u << bits) - 1);
      line[x * bits / 8] |= static_cast<unsigned char>(i << (8 - bits - x * bits % 8));
    }
    rows.PutRow(line.data(), static_cast<long>(line.size()));
    rows.NextRowDown();
  }
  return true;
}

// Writes codes of a growing size into 254-byte sub-blocks, following the decoder's table so that
// both change the code size at the same code.
namespace {

class CodeWriter {
 public:
  CodeWriter(CByteStream* stream, int initialBits)
      : stream_(stream), initialBits_(initialBits), clear_(1 << (initialBits - 1)) {
    Reset();
  }
  int Clear() const { return clear_; }
  int End() const { return clear_ + 1; }
  int NextFree() const { return nextFree_; }
  // Counts one table entry; false when the table is full, after which a clear code restarts it.
  bool Grow() {
    if (nextFree_ >= gif::kMaxCodes) return false;
    ++nextFree_;
    return true;
  }
  void Restart() {
    nextFree_ = clear_ + 2;
    clearPending_ = true;
    Put(clear_);
  }
  void Put(int code) {
    accumulator_ &= (1ul << bits_) - 1;
    accumulator_ |= static_cast<unsigned long>(code) << bits_;
    bits_ += size_;
    while (bits_ >= 8) {
      Byte(static_cast<unsigned char>(accumulator_));
      accumulator_ >>= 8;
      bits_ -= 8;
    }
    if (nextFree_ > largest_ || clearPending_) {
      if (clearPending_) {
        size_ = initialBits_;
        largest_ = (1 << size_) - 1;
        clearPending_ = false;
      } else {
        ++size_;
        largest_ = size_ == gif::kMaxCodeBits ? gif::kMaxCodes : (1 << size_) - 1;
      }
    }
    if (code != End()) return;
    for (; bits_ > 0; bits_ -= 8) {
      Byte(static_cast<unsigned char>(accumulator_));
      accumulator_ >>= 8;
    }
    bits_ = 0;
    FlushBlock();
  }

 private:
  void Reset() {
    size_ = initialBits_;
    largest_ = (1 << size_) - 1;
    nextFree_ = clear_ + 2;
  }
  void Byte(unsigned char b) {
    block_[count_++] = b;
    if (count_ >= 254) FlushBlock();
  }
  void FlushBlock() {
    if (count_ == 0) return;
    stream_->PutC(static_cast<unsigned char>(count_));
    stream_->Write(block_, 1, static_cast<std::size_t>(count_));
    count_ = 0;
  }

  CByteStream* stream_;
  const int initialBits_;
  const int clear_;
  int size_ = 0;
  int largest_ = 0;
  int nextFree_ = 0;
  bool clearPending_ = false;
  unsigned long accumulator_ = 0;
  int bits_ = 0;
  unsigned char block_[256];
  int count_ = 0;
};

// The picture's indices from the top row down.
std::vector<unsigned char> TopDownIndices(CImageFile& image) {
  const long width = static_cast<long>(image.GetWidth());
  const long height = static_cast<long>(image.GetHeight());
  std::vector<unsigned char> out;
  out.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (long y = height - 1; y >= 0; --y) {
    for (long x = 0; x < width; ++x) out.push_back(image.GetPixelIndex(x, y));
  }
  return out;
}

constexpr int kHashSize = 5003;

// LZW with an open-addressing hash of (pixel, string) keys.
void CompressLzw(const std::vector<unsigned char>& pixels, CodeWriter& out) {
  std::vector<std::int32_t> keys(kHashSize, -1);
  std::vector<std::uint16_t> codes(kHashSize, 0);
  out.Put(out.Clear());
  if (pixels.empty()) return out.Put(out.End());
  const int shift = 4;  // 8 less the doublings of the table size that reach 65536
  int string = pixels[0];
  for (std::size_t n = 1; n < pixels.size(); ++n) {
    const int c = pixels[n];
    const std::int32_t key = (c << gif::kMaxCodeBits) + string;
    int slot = (c << shift) ^ string;
    bool found = false;
    if (keys[slot] >= 0) {
      const int step = slot == 0 ? 1 : kHashSize - slot;
      while (keys[slot] >= 0 && keys[slot] != key) {
        if ((slot -= step) < 0) slot += kHashSize;
      }
      found = keys[slot] == key;
    }
    if (found) {
      string = codes[slot];
      continue;
    }
    out.Put(string);
    string = c;
    const int next = out.NextFree();
    if (out.Grow()) {
      codes[slot] = static_cast<std::uint16_t>(next);
      keys[slot] = key;
    } else {
      std::fill(keys.begin(), keys.end(), -1);
      out.Restart();
    }
  }
  out.Put(string);
  out.Put(out.End());
}

// One code a pixel, the table counted along so that the decoder's code size follows.
void CompressNone(const std::vector<unsigned char>& pixels, CodeWriter& out) {
  out.Put(out.Clear());
  for (const unsigned char p : pixels) {
    out.Put(p);
    if (!out.Grow()) out.Restart();
  }
  out.Put(out.End());
}

// Runs of one pixel as the codes a clear table grows for them: after a clear, the n-th new code
// stands for n pixels of the run; a table grown for one pixel is reused for later runs of it.
void CompressRuns(const std::vector<unsigned char>& pixels, CodeWriter& out) {
  out.Put(out.Clear());
  const int base = out.Clear() + 2;
  int tablePixel = -1;
  int tableLength = 0;  // the longest run the table holds a code for
  auto restart = [&] {
    out.Restart();
    tablePixel = -1;
    tableLength = 0;
  };
  auto put = [&](int code) {
    out.Put(code);
    if (!out.Grow()) restart();
  };
  std::size_t n = 0;
  while (n < pixels.size()) {
    const int pixel = pixels[n];
    std::size_t run = 1;
    while (n + run < pixels.size() && pixels[n + run] == pixel) ++run;
    n += run;
    if (run == 1) {
      put(pixel);
      continue;
    }
    if (tablePixel != pixel) restart();
    // A fresh table: pixel, then codes for 2, 3, ... pixels as long as the run lasts.
    if (tablePixel < 0) {
      tablePixel = pixel;
      put(pixel);
      --run;
      tableLength = 1;
      for (int length = 2; run >= static_cast<std::size_t>(length) && tablePixel >= 0; ++length) {
        put(base + length - 2);
        run -= static_cast<std::size_t>(length);
        tableLength = length;
      }
    }
    // The rest with the longest codes the table holds.
    while (run > 0 && tablePixel >= 0) {
      const int length = static_cast<int>(std::min<std::size_t>(run, static_cast<std::size_t>(tableLength)));
      put(length == 1 ? pixel : base + length - 2);
      run -= static_cast<std::size_t>(length);
    }
    for (; run > 0; --run) put(pixel);
  }
  out.Put(out.End());
}

}  // namespace

void CImageFileGIF::EncodeHeader(CByteStream* stream) {
  unsigned char head[13] = {'G', 'I', 'F', '8', '9', 'a'};
  WriteLE16(head + 6, static_cast<std::uint16_t>(GetWidth()));
  WriteLE16(head + 8, static_cast<std::uint16_t>(GetHeight()));
  const unsigned b = GetBpp() - 1u;
  head[10] = GetPalette() ? static_cast<unsigned char>(((b | 0xFC) << 5) | b) : 0x11;
  stream->Write(head, 1, sizeof(head));
  if (!GetPalette()) return;
  for (unsigned i = 0; i < (2u << b); ++i) {
    const RGBQUAD c = GetPaletteColor(static_cast<unsigned char>(i));
    const unsigned char rgb[3] = {c.rgbRed, c.rgbGreen, c.rgbBlue};
    stream->Write(rgb, 1, 3);
  }
}

void CImageFileGIF::EncodeLoopExtension(CByteStream* stream) {
  const int loops = std::max(loops_ - 1, 0);
  const unsigned char block[19] = {0x21,
                                   0xFF,
                                   11,
                                   'N',
                                   'E',
                                   'T',
                                   'S',
                                   'C',
                                   'A',
                                   'P',
                                   'E',
                                   '2',
                                   '.',
                                   '0',
                                   3,
                                   1,
                                   static_cast<unsigned char>(loops),
                                   static_cast<unsigned char>(loops / 256),
                                   0};
  stream->Write(block, 1, sizeof(block));
}

void CImageFileGIF::EncodeExtension(CByteStream* stream, long disposal) {
  const long transparent = GetTransIndex();
  unsigned char block[8] = {0x21, 0xF9, 4,
                            static_cast<unsigned char>((disposal & 7) * 4 + (transparent >= 0))};
  WriteLE16(block + 4, static_cast<std::uint16_t>(GetFrameDelay()));
  block[6] = static_cast<unsigned char>(transparent >= 0 ? transparent : 0);
  stream->Write(block, 1, sizeof(block));
}

void CImageFileGIF::EncodeComment(CByteStream* stream) {
  if (comment_.empty()) return;
  const unsigned char head[3] = {0x21, 0xFE, static_cast<unsigned char>(comment_.size())};
  stream->Write(head, 1, 3);
  stream->Write(comment_.data(), 1, comment_.size());
  stream->PutC(0);
}

bool CImageFileGIF::EncodeBody(CByteStream* stream, bool localColourMap) {
  long left = 0, top = 0;
  GetOffset(&left, &top);
  unsigned char d[10] = {0x2C};
  WriteLE16(d + 1, static_cast<std::uint16_t>(left));
  WriteLE16(d + 3, static_cast<std::uint16_t>(top));
  WriteLE16(d + 5, static_cast<std::uint16_t>(GetWidth()));
  WriteLE16(d + 7, static_cast<std::uint16_t>(GetHeight()));
  d[9] = localColourMap ? static_cast<unsigned char>(0x80 | (GetBpp() - 1)) : 0;
  stream->Write(d, 1, sizeof(d));
  if (localColourMap) {
    for (unsigned i = 0; i < (1u << GetBpp()); ++i) {
      const RGBQUAD c = GetPaletteColor(static_cast<unsigned char>(i));
      const unsigned char rgb[3] = {c.rgbRed, c.rgbGreen, c.rgbBlue};
      stream->Write(rgb, 1, 3);
    }
  }
  const int initialBits = GetBpp() == 1 ? 2 : GetBpp();
  stream->PutC(static_cast<unsigned char>(initialBits));
  CodeWriter out(stream, initialBits + 1);
  const std::vector<unsigned char> pixels = TopDownIndices(*this);
  switch (GetCodecOption(keImageFormatGIF)) {
    case 1:
      CompressNone(pixels, out);
      break;
    case 2:
      CompressRuns(pixels, out);
      break;
    default:
      CompressLzw(pixels, out);
      break;
  }
  stream->PutC(0);
  stream->Flush();
  if (stream->Error()) {
    SetLastError("Write Error in GIF file");
    return false;
  }
  return true;
}

bool CImageFileGIF::EncodePicture(CByteStream* stream, long disposal) {
  EncodeExtension(stream, disposal);
  EncodeComment(stream);
  return EncodeBody(stream, false);
}

bool CImageFileGIF::Encode(CByteStream* stream) {
  if (EncodeSafeCheck(stream)) return false;
  if (GetWidth() > 0xFFFF || GetHeight() > 0xFFFF) {
    SetLastError("Image too large for GIF");
    return false;
  }
  if (GetBpp() > 8) return EncodeRGB(stream);
  EncodeHeader(stream);
  if (!EncodePicture(stream, disposal_)) return false;
  return stream->PutC(0x3B);
}

RGBQUAD CImageFileGIF::UnusedColour() {
  std::vector<bool> used(std::size_t{1} << 24);
  for (long y = 0; y < static_cast<long>(GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(GetWidth()); ++x) {
      if (AlphaGet(x, y) < 128) continue;
      const RGBQUAD c = GetPixelColor(x, y, false);
      used[std::size_t{c.rgbRed} << 16 | std::size_t{c.rgbGreen} << 8 | c.rgbBlue] = true;
    }
  }
  const std::size_t free = static_cast<std::size_t>(std::find(used.begin(), used.end(), false) -
                                                    used.begin());
  return RGBQUAD{BYTE(free), BYTE(free >> 8), BYTE(free >> 16), 0};
}

// True colour as tiles of up to 255 colours each, every tile with its own table.
bool CImageFileGIF::EncodeRGB(CByteStream* stream) {
  EncodeHeader(stream);
  EncodeComment(stream);
  const unsigned long width = GetWidth();
  const unsigned long height = GetHeight();
  // Pixels less than half covered are hidden behind the transparent index, keyed by a colour no
  // shown pixel has unless the picture names its own.
  const bool hides = AlphaIsValid() && std::any_of(AlphaGetPointer(), AlphaGetPointer() + width * height,
                                                   [](BYTE a) { return a < 128; });
  const bool transparent = GetTransIndex() >= 0 || hides;
  const RGBQUAD key = GetTransIndex() >= 0 || !hides ? GetTransColor() : UnusedColour();
  CImageFileGIF tile;
  tile.SetCodecOption(GetCodecOption(keImageFormatGIF), keImageFormatGIF);
  for (unsigned long top = 0; top < height; top += kTileHeight) {
    for (unsigned long left = 0; left < width; left += kTileWidth) {
      const unsigned long w = std::min<unsigned long>(kTileWidth, width - left);
      const unsigned long h = std::min<unsigned long>(kTileHeight, height - top);
      if (!tile.Create(w, h, 8, keImageFormatUnknown)) return false;
      RGBQUAD palette[256] = {};
      if (transparent) palette[0] = key;
      for (unsigned long y = 0; y < h; ++y) {
        for (unsigned long x = 0; x < w; ++x) {
          const long px = static_cast<long>(left + x);
          const long py = static_cast<long>(height - 1 - top - y);
          palette[y * kTileWidth + x + 1] = hides && AlphaGet(px, py) < 128 ? key
                                                                            : GetPixelColor(px, py, false);
        }
      }
      tile.SetPalette(palette, 256);
      for (unsigned long y = 0; y < h; ++y) {
        for (unsigned long x = 0; x < w; ++x) {
          tile.SetPixelIndex(static_cast<long>(x), static_cast<long>(h - 1 - y),
                             tile.GetNearestIndex(palette[y * kTileWidth + x + 1]));
        }
      }
      tile.SetTransIndex(transparent ? 0 : -1);
      tile.SetOffset(static_cast<long>(left), static_cast<long>(top));
      tile.EncodeExtension(stream, 0);
      if (!tile.EncodeBody(stream, true)) {
        SetLastError(tile.GetLastError());
        return false;
      }
    }
  }
  return stream->PutC(0x3B);
}

bool CImageFileGIF::Encode(CByteStream* stream, CImageFile** images, int count, bool localColourMap) {
  if (!stream) {
    SetLastError("invalid file pointer");
    return false;
  }
  if (!images || count <= 0 || !images[0]) {
    SetLastError("multipage GIF, no images!");
    return false;
  }
  CImageFileGIF ghost;
  ghost.Ghost(images[0]);
  ghost.comment_ = comment_;
  ghost.EncodeHeader(stream);
  if (loops_ != 1) {
    ghost.loops_ = loops_;
    ghost.EncodeLoopExtension(stream);
  }
  bool written = ghost.EncodePicture(stream, disposal_);
  for (int n = 1; n < count && written; ++n) {
    if (!images[n]) {
      SetLastError("Bad image pointer");
      return false;
    }
    ghost.Ghost(images[n]);
    ghost.EncodeExtension(stream, disposal_);
    written = ghost.EncodeBody(stream, localColourMap);
  }
  // The ghost dies showing the last image's buffers, which it does not own.
  if (!written) SetLastError(ghost.GetLastError());
  return written && stream->PutC(0x3B);
}
