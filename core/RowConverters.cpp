#include "core/RowConverters.h"

#include <array>
#include <cstring>

#include "core/PixelFormat.h"
#include "core/RowIteratorBands.h"

namespace corvel {
namespace {

using Byte = std::uint8_t;

// Entry n: bits 3..0 of n as bytes 0 or 1, most significant first.
constexpr std::array<std::array<Byte, 4>, 16> kUnpack1Table = [] {
  std::array<std::array<Byte, 4>, 16> table{};
  for (int n = 0; n < 16; ++n)
    for (int bit = 0; bit < 4; ++bit) table[n][bit] = static_cast<Byte>((n >> (3 - bit)) & 1);
  return table;
}();

// Entry b: the high and the low nibble of b.
constexpr std::array<std::array<Byte, 2>, 256> kUnpack4Table = [] {
  std::array<std::array<Byte, 2>, 256> table{};
  for (int b = 0; b < 256; ++b) table[b] = {static_cast<Byte>(b >> 4), static_cast<Byte>(b & 15)};
  return table;
}();

constexpr Byte Grey(Byte blue, Byte green, Byte red) {
  return static_cast<Byte>((77 * red + 151 * green + 28 * blue) >> 8);
}

const Byte* In(const void* source) { return static_cast<const Byte*>(source); }
Byte* Out(void* destination) { return static_cast<Byte*>(destination); }

const RGBQUAD& PaletteEntry(const CRowIteratorBands* image, Byte index) {
  static const RGBQUAD kBlack{0, 0, 0, 0};
  return index < image->GetStoredPaletteSize() ? image->GetStoredPalette()[index] : kBlack;
}

}  // namespace

void Unpack1Bit(const CRowIteratorBands*, void* destination, const void* source, int count) {
  if (count < 1) return;
  const Byte* in = In(source);
  Byte* out = Out(destination);
  const int whole = count / 8;
  for (int i = 0; i < whole; ++i, out += 8) {
    std::memcpy(out, kUnpack1Table[in[i] >> 4].data(), 4);
    std::memcpy(out + 4, kUnpack1Table[in[i] & 15].data(), 4);
  }
  for (int bit = 0; bit < count % 8; ++bit) out[bit] = (in[whole] >> (7 - bit)) & 1;
}

void Pack1Bit(const CRowIteratorBands*, void* destination, const void* source, int count) {
  if (count < 1) return;
  const Byte* in = In(source);
  Byte* out = Out(destination);
  const int whole = count / 8;
  for (int i = 0; i < whole; ++i, in += 8) {
    Byte packed = 0;
    for (int bit = 0; bit < 8; ++bit) packed |= static_cast<Byte>((in[bit] != 0) << (7 - bit));
    out[i] = packed;
  }
  const int rest = count % 8;
  if (rest == 0) return;
  Byte packed = static_cast<Byte>(out[whole] & (0xFF >> rest));
  for (int bit = 0; bit < rest; ++bit) packed |= static_cast<Byte>((in[bit] != 0) << (7 - bit));
  out[whole] = packed;
}

void Unpack4Bit(const CRowIteratorBands*, void* destination, const void* source, int count) {
  if (count < 1) return;
  const Byte* in = In(source);
  Byte* out = Out(destination);
  const int whole = count / 2;
  for (int i = 0; i < whole; ++i) std::memcpy(out + 2 * i, kUnpack4Table[in[i]].data(), 2);
  if (count % 2) out[count - 1] = in[whole] >> 4;
}

void Pack4Bit(const CRowIteratorBands*, void* destination, const void* source, int count) {
  if (count < 1) return;
  const Byte* in = In(source);
  Byte* out = Out(destination);
  const int whole = count / 2;
  for (int i = 0; i < whole; ++i) out[i] = static_cast<Byte>((in[2 * i] << 4) | (in[2 * i + 1] & 15));
  if (count % 2) out[whole] = static_cast<Byte>((in[count - 1] << 4) | (out[whole] & 15));
}

void Index8ToBGR(const CRowIteratorBands* image, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = count - 1; i >= 0; --i) {
    const RGBQUAD& entry = PaletteEntry(image, in[i]);
    out[3 * i + 2] = entry.rgbRed;
    out[3 * i + 1] = entry.rgbGreen;
    out[3 * i] = entry.rgbBlue;
  }
}

void Index8ToBGRA(const CRowIteratorBands* image, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = count - 1; i >= 0; --i) {
    const RGBQUAD& entry = PaletteEntry(image, in[i]);
    const Byte pixel[4] = {entry.rgbBlue, entry.rgbGreen, entry.rgbRed, 255};
    std::memcpy(out + 4 * i, pixel, 4);
  }
}

void Index8AToBGRA(const CRowIteratorBands* image, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = count - 1; i >= 0; --i) {
    const RGBQUAD& entry = PaletteEntry(image, in[2 * i]);
    const Byte pixel[4] = {entry.rgbBlue, entry.rgbGreen, entry.rgbRed, in[2 * i + 1]};
    std::memcpy(out + 4 * i, pixel, 4);
  }
}

void Index1ToBGR(const CRowIteratorBands* image, void* destination, const void* source, int count) {
  Unpack1Bit(image, destination, source, count);
  Index8ToBGR(image, destination, destination, count);
}

void Index1ToBGRA(const CRowIteratorBands* image, void* destination, const void* source, int count) {
  Unpack1Bit(image, destination, source, count);
  Index8ToBGRA(image, destination, destination, count);
}

void Index4ToBGR(const CRowIteratorBands* image, void* destination, const void* source, int count) {
  Unpack4Bit(image, destination, source, count);
  Index8ToBGR(image, destination, destination, count);
}

void Index4ToBGRA(const CRowIteratorBands* image, void* destination, const void* source, int count) {
  Unpack4Bit(image, destination, source, count);
  Index8ToBGRA(image, destination, destination, count);
}

void ByteToPairOpaque(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = count - 1; i >= 0; --i) {
    out[2 * i + 1] = 255;
    out[2 * i] = in[i];
  }
}

void PairToByte(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = 0; i < count; ++i) out[i] = in[2 * i];
}

void GreyToBGR(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = count - 1; i >= 0; --i) out[3 * i + 2] = out[3 * i + 1] = out[3 * i] = in[i];
}

void GreyToBGRA(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = count - 1; i >= 0; --i) {
    const Byte pixel[4] = {in[i], in[i], in[i], 255};
    std::memcpy(out + 4 * i, pixel, 4);
  }
}

void GreyAToBGR(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = count - 1; i >= 0; --i) {
    const Byte grey = in[2 * i];
    out[3 * i + 2] = out[3 * i + 1] = out[3 * i] = grey;
  }
}

void GreyAToBGRA(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = count - 1; i >= 0; --i) {
    const Byte pixel[4] = {in[2 * i], in[2 * i], in[2 * i], in[2 * i + 1]};
    std::memcpy(out + 4 * i, pixel, 4);
  }
}

void BGRToGrey(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = 0; i < count; ++i, in += 3) out[i] = Grey(in[0], in[1], in[2]);
}

void BGRAToGrey(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = 0; i < count; ++i, in += 4) out[i] = Grey(in[0], in[1], in[2]);
}

void BGRToGreyA(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = 0; i < count; ++i, in += 3, out += 2) {
    out[0] = Grey(in[0], in[1], in[2]);
    out[1] = 255;
  }
}

void BGRAToGreyA(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = 0; i < count; ++i, in += 4, out += 2) {
    out[0] = Grey(in[0], in[1], in[2]);
    out[1] = in[3];
  }
}

void BGRToBGRA(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = 0; i < count; ++i, in += 3, out += 4) {
    const Byte pixel[4] = {in[0], in[1], in[2], 255};
    std::memcpy(out, pixel, 4);
  }
}

void BGRAToBGR(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = 0; i < count; ++i, in += 4, out += 3) std::memcpy(out, in, 3);
}

void BGRIntoBGRA(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = 0; i < count; ++i, in += 3, out += 4) std::memcpy(out, in, 3);
}

void PremultiplyRow(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = 0; i < count; ++i, in += 4, out += 4) {
    const unsigned alpha = in[3];
    if (alpha == 255) {
      std::memcpy(out, in, 4);
    } else {
      for (int c = 0; c < 3; ++c) out[c] = alpha ? static_cast<Byte>(Div255Approx(in[c] * alpha)) : 0;
      out[3] = static_cast<Byte>(alpha);
    }
  }
}

const std::uint8_t* GetUnpremultiplyTable() {
  // A magic static: built once, safely, by whichever thread comes first.
  static const std::array<Byte, 256 * 256> table = [] {
    std::array<Byte, 256 * 256> built{};
    for (unsigned alpha = 1; alpha < 256; ++alpha)
      for (unsigned c = 0; c < 256; ++c) {
        const unsigned value = alpha == 255 ? c : (c * 255 + alpha / 2) / alpha;
        built[alpha * 256 + c] = static_cast<Byte>(value < 255 ? value : 255);
      }
    return built;
  }();
  return table.data();
}

void UnpremultiplyRow(const CRowIteratorBands*, void* destination, const void* source, int count) {
  const Byte* table = GetUnpremultiplyTable();
  const Byte* in = In(source);
  Byte* out = Out(destination);
  for (int i = 0; i < count; ++i, in += 4, out += 4) {
    const Byte* row = table + 256 * in[3];
    const Byte pixel[4] = {row[in[0]], row[in[1]], row[in[2]], in[3]};
    std::memcpy(out, pixel, 4);
  }
}

namespace {

template <int Stride>
void ReadChannel(const CRowIteratorBands* image, void* destination, const void* source, int count) {
  const Byte* in = In(source) + image->GetChannelOffset();
  Byte* out = Out(destination);
  for (int i = 0; i < count; ++i) out[i] = in[i * Stride];
}

template <int Stride>
void WriteChannel(const CRowIteratorBands* image, void* destination, const void* source, int count) {
  const Byte* in = In(source);
  Byte* out = Out(destination) + image->GetChannelOffset();
  for (int i = 0; i < count; ++i) out[i * Stride] = in[i];
}

}  // namespace

void ReadChannel2(const CRowIteratorBands* image, void* d, const void* s, int n) {
  ReadChannel<2>(image, d, s, n);
}
void ReadChannel3(const CRowIteratorBands* image, void* d, const void* s, int n) {
  ReadChannel<3>(image, d, s, n);
}
void ReadChannel4(const CRowIteratorBands* image, void* d, const void* s, int n) {
  ReadChannel<4>(image, d, s, n);
}
void WriteChannel2(const CRowIteratorBands* image, void* d, const void* s, int n) {
  WriteChannel<2>(image, d, s, n);
}
void WriteChannel3(const CRowIteratorBands* image, void* d, const void* s, int n) {
  WriteChannel<3>(image, d, s, n);
}
void WriteChannel4(const CRowIteratorBands* image, void* d, const void* s, int n) {
  WriteChannel<4>(image, d, s, n);
}

}  // namespace corvel
