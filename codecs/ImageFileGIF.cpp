#include "codecs/ImageFileGIF.h"

#include <algorithm>
#include <cstring>

#include "codecs/ImageIterator.h"
#include "codecs/detail/ImageLimits.h"
#include "codecs/detail/LittleEndian.h"

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kMaxCodeBits = 12;
constexpr unsigned kTileWidth = 17;
constexpr unsigned kTileHeight = 15;

struct Colour {
  BYTE r, g, b;
};

// What one image descriptor and the graphic control before it say.
struct FrameHeader {
  unsigned left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  std::vector<Colour> table;
  bool localTable = false;
  long transparent = -1;
  int transparentByte = 0;  // the control's index byte, whether or not its flag is set
  int disposal = 0;
  unsigned delay = 0;
  std::size_t data = 0;  // offset of the code size byte
};

int BitsFor(std::size_t entries) { return entries <= 2 ? 1 : entries <= 16 ? 4 : 8; }

// The whole file in memory: a GIF is read block by block and every length inside it is checked
// against what is there.
struct Bytes {
  std::vector<unsigned char> data;
  std::size_t pos = 0;

  int Get() { return pos < data.size() ? data[pos++] : -1; }
  bool Take(unsigned char* out, std::size_t n) {
    if (data.size() - pos < n) return false;
    std::memcpy(out, &data[pos], n);
    pos += n;
    return true;
  }
  // Sub-blocks up to the zero length.
  void SkipBlocks() {
    for (int n = Get(); n > 0; n = Get()) pos = std::min(data.size(), pos + static_cast<std::size_t>(n));
  }
};

bool ReadTable(Bytes& in, int sizeBits, std::vector<Colour>* table) {
  table->resize(std::size_t{2} << (sizeBits & 7));
  return in.Take(reinterpret_cast<unsigned char*>(table->data()), table->size() * 3);
}

// The LZW codes of one image, least significant bit first across the sub-blocks.
class CodeReader {
 public:
  explicit CodeReader(Bytes& in) : in_(in) {}
  // The next code of the size, or -1 when the data has ended.
  int Next(int size) {
    while (bits_ < size) {
      if (left_ == 0) {
        const int n = in_.Get();
        if (n <= 0) return -1;
        left_ = n;
      }
      const int b = in_.Get();
      if (b < 0) return -1;
      --left_;
      accumulator_ |= static_cast<unsigned long>(b) << bits_;
      bits_ += 8;
    }
    const int code = static_cast<int>(accumulator_ & ((1ul << size) - 1));
    accumulator_ >>= size;
    bits_ -= size;
    return code;
  }
  // Past the rest of this image's sub-blocks.
  void Finish() {
    in_.pos = std::min(in_.data.size(), in_.pos + static_cast<std::size_t>(left_));
    in_.SkipBlocks();
  }

 private:
  Bytes& in_;
  unsigned long accumulator_ = 0;
  int bits_ = 0;
  int left_ = 0;
};

// The picture row of the n-th stored row.
unsigned InterlacedRow(unsigned n, unsigned height) {
  static const unsigned kStart[4] = {0, 4, 2, 1};
  static const unsigned kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    const unsigned rows = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
    if (n < rows) return kStart[pass] + n * kStep[pass];
    n -= rows;
  }
  return height;
}

// Decodes one image's codes into indices, top row first. The string stack and the code size are
// bounded whatever the file says; data that ends early leaves the rest 0.
bool DecodeCodes(Bytes& in, const FrameHeader& frame, std::vector<unsigned char>* pixels) {
  const int minimum = in.Get();
  if (minimum < 2 || minimum > 9) return false;
  const std::size_t width = frame.width;
  const std::size_t total = width * frame.height;
  pixels->assign(total, 0);
  unsigned short prefix[kMaxCodes];
  unsigned char suffix[kMaxCodes];
  unsigned char stack[kMaxCodes];
  const int clear = 1 << minimum;
  const int end = clear + 1;
  int size = minimum + 1;
  int slot = clear + 2;
  int top = 1 << size;
  int old = -1;
  int first = 0;
  std::size_t written = 0;
  CodeReader codes(in);
  auto put = [&](unsigned char index) {
    if (written >= total) return;
    const std::size_t row = written / width;
    const std::size_t y = frame.interlaced ? InterlacedRow(static_cast<unsigned>(row), frame.height) : row;
    (*pixels)[y * width + written % width] = index;
    ++written;
  };
  for (;;) {
    int code = codes.Next(size);
    if (code < 0 || code == end) break;
    if (code == clear) {
      size = minimum + 1;
      slot = clear + 2;
      top = 1 << size;
      old = -1;
      continue;
    }
    if (old < 0) {
      if (code >= slot) code = 0;
      put(static_cast<unsigned char>(code));
      old = first = code;
      continue;
    }
    const int in_code = code;
    int depth = 0;
    if (code >= slot) {
      stack[depth++] = static_cast<unsigned char>(first);
      code = old;
    }
    while (code >= clear && depth < kMaxCodes - 1) {
      stack[depth++] = suffix[code];
      code = prefix[code];
    }
    if (code >= clear) code = 0;  // a chain that loops: cut off by the stack's size
    stack[depth++] = static_cast<unsigned char>(code);
    if (slot < top) {
      suffix[slot] = static_cast<unsigned char>(code);
      prefix[slot] = static_cast<unsigned short>(old);
      ++slot;
    }
    first = code;
    old = in_code;
    if (slot >= top && size < kMaxCodeBits) {
      ++size;
      top <<= 1;
    }
    while (depth > 0) put(stack[--depth]);
    if (written >= total) break;
  }
  codes.Finish();
  return true;
}

// The composed picture: indices while every frame drawn shares the global table, colours with
// coverage beside them for any other mix.
struct Canvas {
  unsigned width = 0, height = 0;
  std::vector<unsigned char> index;
  std::vector<RGBQUAD> colour;  // rgbReserved: 255 covered, 0 transparent

  void Fill(int byte, const std::vector<Colour>& table, bool transparent) {
    index.assign(std::size_t{width} * height, static_cast<unsigned char>(byte));
    const Colour c = byte < static_cast<int>(table.size()) ? table[byte] : Colour{0, 0, 0};
    colour.assign(index.size(), RGBQUAD{c.b, c.g, c.r, static_cast<BYTE>(transparent ? 0 : 255)});
  }
  // Lays a frame on at its place, clipped to the screen; transparent pixels are skipped unless
  // every pixel is to be copied.
  void Draw(const FrameHeader& frame, const std::vector<unsigned char>& pixels, bool copyAll) {
    for (unsigned y = 0; y < frame.height && frame.top + y < height; ++y) {
      for (unsigned x = 0; x < frame.width && frame.left + x < width; ++x) {
        const unsigned char i = pixels[std::size_t{y} * frame.width + x];
        if (!copyAll && i == frame.transparent) continue;
        const std::size_t at = std::size_t{frame.top + y} * width + frame.left + x;
        index[at] = i;
        const Colour c = i < frame.table.size() ? frame.table[i] : Colour{0, 0, 0};
        colour[at] = RGBQUAD{c.b, c.g, c.r, 255};
      }
    }
  }
};

}  // namespace

void CImageFileGIF::SetComment(const char* text) {
  if (text) comment_.assign(text, strnlen(text, 255));
}

void CImageFileGIF::GetComment(char* text) const { std::memcpy(text, comment_.c_str(), comment_.size() + 1); }

bool CImageFileGIF::Decode(CByteStream* stream) {
  if (!stream) return false;
  Bytes in;
  unsigned char chunk[16384];
  for (std::size_t n; (n = stream->Read(chunk, 1, sizeof(chunk))) > 0;)
    in.data.insert(in.data.end(), chunk, chunk + n);
  unsigned char head[13];
  if (!in.Take(head, sizeof(head)) || std::memcmp(head, "GIF8", 4) != 0) return false;
  const unsigned screenWidth = ReadLE16(head + 6);
  const unsigned screenHeight = ReadLE16(head + 8);
  if (info_.escape == -1) {
    header_.biWidth = static_cast<LONG>(screenWidth);
    header_.biHeight = static_cast<LONG>(screenHeight);
    return true;
  }
  std::vector<Colour> global;
  if ((head[10] & 0x80) && !ReadTable(in, head[10], &global)) return false;

  // One pass over the blocks finds the frames that fit the screen, with their controls.
  std::vector<FrameHeader> frames;
  FrameHeader control;
  for (int block = in.Get(); block >= 0 && block != 0x3B; block = in.Get()) {
    if (info_.escape) return false;
    if (block == 0x21) {
      const int label = in.Get();
      unsigned char body[12];
      if (label == 0xF9 && in.Get() == 4 && in.Take(body, 4)) {
        control.transparent = (body[0] & 1) ? body[3] : -1;
        control.transparentByte = body[3];
        control.delay = ReadLE16(body + 1);
        control.disposal = (body[0] >> 2) & 7;
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
          in.pos = std::min(in.data.size(), in.pos + static_cast<std::size_t>(n - 3));
        } else if (n > 0) {
          in.pos = std::min(in.data.size(), in.pos + static_cast<std::size_t>(n));
        }
      }
      in.SkipBlocks();
    } else if (block == 0x2C) {
      unsigned char d[9];
      if (!in.Take(d, 9)) break;
      FrameHeader frame = control;
      frame.left = ReadLE16(d);
      frame.top = ReadLE16(d + 2);
      frame.width = ReadLE16(d + 4);
      frame.height = ReadLE16(d + 6);
      frame.interlaced = (d[8] & 0x40) != 0;
      frame.localTable = (d[8] & 0x80) != 0;
      if (frame.localTable ? !ReadTable(in, d[8], &frame.table) : (frame.table = global, false)) break;
      frame.data = in.pos;
      in.Get();
      in.SkipBlocks();
      if (frame.left + frame.width <= screenWidth && frame.top + frame.height <= screenHeight) {
        frames.push_back(frame);
      }
    } else if (block != 0) {
      // Stray bytes up to the next zero.
      while (in.Get() > 0) {
      }
    }
  }
  info_.numberOfFrames = static_cast<std::int32_t>(frames.size());
  if (info_.frame < 0 || info_.frame >= info_.numberOfFrames) return false;
  if (std::uint64_t{screenWidth} * screenHeight > kMaxDecodePixels) return false;

  // A file without a global table whose first frame is a tile of the screen is a mosaic: every
  // frame is laid down in true colour. A picture one tile wide or high is a mosaic too.
  int trueColour = global.empty() && frames.size() > 1 ? 1 : 0;
  if (frames[0].width != screenWidth || frames[0].height != screenHeight) ++trueColour;
  const bool mosaic = trueColour >= 2;
  const std::size_t last = mosaic ? frames.size() - 1 : static_cast<std::size_t>(info_.frame);
  if (mosaic) info_.frame = static_cast<std::int32_t>(last);

  Canvas canvas{screenWidth, screenHeight, {}, {}};
  const FrameHeader& first = frames[0];
  const int background = first.transparentByte;
  canvas.Fill(mosaic ? 0 : background, first.table, !mosaic && first.transparent >= 0);
  Canvas saved;
  bool mixedTables = false;
  int bits = 1;
  std::vector<unsigned char> pixels;
  for (std::size_t n = 0; n <= last; ++n) {
    if (info_.escape) return false;
    const FrameHeader& frame = frames[n];
    if (n > 0 && !mosaic) {
      const int previous = frames[n - 1].disposal;
      if (previous == 2) canvas.Fill(background, first.table, first.transparent >= 0);
      if (previous == 3) canvas = saved;  // restore what lay beneath the previous frame
    }
    if (frame.disposal == 3) saved = canvas;
    in.pos = frame.data;
    if (!DecodeCodes(in, frame, &pixels)) pixels.assign(std::size_t{frame.width} * frame.height, 0);
    canvas.Draw(frame, pixels, mosaic);
    mixedTables |= frame.localTable;
    bits = std::max(bits, BitsFor(frame.table.size()));
  }
  const FrameHeader& shown = frames[last];
  info_.frameDelay = shown.delay;

  if (mosaic || (mixedTables && last > 0)) {
    if (!Create(screenWidth, screenHeight, 24, keImageFormatGIF)) return false;
    const bool anyClear = std::any_of(canvas.colour.begin(), canvas.colour.end(),
                                      [](const RGBQUAD& c) { return c.rgbReserved == 0; });
    if (anyClear && !mosaic) AlphaCreate();
    for (unsigned y = 0; y < screenHeight; ++y) {
      BYTE* row = GetBits(screenHeight - 1 - y);
      for (unsigned x = 0; x < screenWidth; ++x) {
        const RGBQUAD& c = canvas.colour[std::size_t{y} * screenWidth + x];
        std::memcpy(row + 3 * x, &c, 3);
        if (AlphaIsValid())
          AlphaSet(static_cast<long>(x), static_cast<long>(screenHeight - 1 - y), c.rgbReserved);
      }
    }
    if (mosaic && shown.transparent >= 0 && shown.transparent < static_cast<long>(shown.table.size())) {
      const Colour c = shown.table[static_cast<std::size_t>(shown.transparent)];
      SetTransColor(RGBQUAD{c.b, c.g, c.r, 0});
      SetTransIndex(0);
    }
    return true;
  }
  if (!Create(screenWidth, screenHeight, static_cast<unsigned long>(bits), keImageFormatGIF)) return false;
  // Entries the table lacks are white when an index is transparent.
  RGBQUAD palette[256];
  for (unsigned i = 0; i < 256; ++i) {
    const bool inTable = i < shown.table.size();
    const Colour c = inTable ? shown.table[i] : Colour{255, 255, 255};
    palette[i] = inTable || first.transparent >= 0 ? RGBQUAD{c.b, c.g, c.r, 0} : RGBQUAD{0, 0, 0, 0};
  }
  SetPalette(palette, std::min<unsigned long>(256, GetNumColors()));
  SetTransIndex(first.transparent);
  CImageIterator rows(this);
  rows.SeekTopRow();
  std::vector<unsigned char> line(GetEffWidth());
  for (unsigned y = 0; y < screenHeight; ++y) {
    const unsigned char* indices = &canvas.index[std::size_t{y} * screenWidth];
    std::fill(line.begin(), line.end(), 0);
    for (unsigned x = 0; x < screenWidth; ++x) {
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
    if (nextFree_ >= kMaxCodes) return false;
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
        largest_ = size_ == kMaxCodeBits ? kMaxCodes : (1 << size_) - 1;
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
    const std::int32_t key = (c << kMaxCodeBits) + string;
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

// True colour as tiles of up to 255 colours each, every tile with its own table.
bool CImageFileGIF::EncodeRGB(CByteStream* stream) {
  EncodeHeader(stream);
  EncodeComment(stream);
  const bool transparent = GetTransIndex() >= 0;
  const RGBQUAD key = GetTransColor();
  const unsigned long width = GetWidth();
  const unsigned long height = GetHeight();
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
          palette[y * kTileWidth + x + 1] = GetPixelColor(static_cast<long>(left + x),
                                                          static_cast<long>(height - 1 - top - y), false);
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
