#include "codecs/detail/GifCodes.h"

#include <algorithm>
#include <cstring>

namespace gif {

namespace {

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
    in_.Skip(static_cast<std::size_t>(left_));
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

// Gathers pixels into rows for the sink, up to the frame's end.
class RowWriter {
 public:
  RowWriter(const Frame& frame, const RowSink& sink)
      : frame_(frame), sink_(sink), line_(frame.width), left_(std::uint64_t{frame.width} * frame.height) {}
  // False once the frame is full.
  bool Put(unsigned char index) {
    if (left_ == 0) return false;
    --left_;
    line_[x_++] = index;
    if (x_ == frame_.width) Flush();
    return true;
  }
  bool Full() const { return left_ == 0; }
  // What the data did not reach is index 0.
  void Pad() {
    if (left_ == 0) return;
    std::fill(line_.begin() + x_, line_.end(), 0);
    Flush();
    std::fill(line_.begin(), line_.end(), 0);
    while (y_ < frame_.height) Flush();
    left_ = 0;
  }

 private:
  void Flush() {
    sink_(frame_.interlaced ? InterlacedRow(y_, frame_.height) : y_, line_.data());
    ++y_;
    x_ = 0;
  }

  const Frame& frame_;
  const RowSink& sink_;
  std::vector<unsigned char> line_;
  std::uint64_t left_;
  unsigned x_ = 0, y_ = 0;
};

// The string table. Entries below the first free code are roots or were written by this frame's
// codes; only those are ever expanded.
struct Table {
  unsigned short prefix[kMaxCodes] = {};
  unsigned char suffix[kMaxCodes] = {};
  unsigned char stack[kMaxCodes + 1] = {};
};

// Codes until the end code, the data's end, a corrupt code or a full frame.
void DecodeTable(Bytes& in, int minimum, RowWriter& out) {
  Table table;
  const int clear = 1 << minimum;
  const int end = clear + 1;
  for (int root = 0; root < clear; ++root) table.suffix[root] = static_cast<unsigned char>(root);
  int size = minimum + 1;
  int slot = clear + 2;
  int top = 1 << size;
  int old = -1;
  int first = 0;
  CodeReader codes(in);
  while (!out.Full()) {
    const int code = codes.Next(size);
    if (code < 0 || code == end) break;
    if (code == clear) {
      size = minimum + 1;
      slot = clear + 2;
      top = 1 << size;
      old = -1;
      continue;
    }
    // Only the next free code may be one not yet in the table, and only after a first code.
    if (code > slot || (code == slot && old < 0)) break;
    int depth = 0;
    int walk = code;
    if (code == slot) {
      table.stack[depth++] = static_cast<unsigned char>(first);
      walk = old;
    }
    while (walk >= clear) {
      table.stack[depth++] = table.suffix[walk];
      walk = table.prefix[walk];
    }
    table.stack[depth++] = static_cast<unsigned char>(walk);
    first = walk;
    if (old >= 0 && slot < top) {
      table.suffix[slot] = static_cast<unsigned char>(first);
      table.prefix[slot] = static_cast<unsigned short>(old);
      ++slot;
      if (slot >= top && size < kMaxCodeBits) {
        ++size;
        top <<= 1;
      }
    }
    old = code;
    while (depth > 0 && out.Put(table.stack[--depth])) {
    }
  }
  codes.Finish();
}

}  // namespace

bool Bytes::Take(unsigned char* out, std::size_t n) {
  if (data.size() - pos < n) return false;
  std::memcpy(out, &data[pos], n);
  pos += n;
  return true;
}

void Bytes::Skip(std::size_t n) { pos += std::min(n, data.size() - pos); }

void Bytes::SkipBlocks() {
  for (int n = Get(); n > 0; n = Get()) Skip(static_cast<std::size_t>(n));
}

bool DecodeCodes(Bytes& in, const Frame& frame, const RowSink& sink) {
  RowWriter out(frame, sink);
  const int minimum = in.Get();
  if (minimum >= 2 && minimum <= 9) DecodeTable(in, minimum, out);
  const bool whole = out.Full() || in.pos < in.data.size();
  out.Pad();
  return whole;
}

}  // namespace gif
