// Row kernels of the banded image's views: each converts one span of pixels between the stored
// and the presented format of an image, 8-bit formats only. A kernel is called with the image
// (read only by the palette kernels, for its stored palette, and by the channel kernels, for its
// channel byte offset), a destination, a source and a pixel count; a count below 1 does nothing.
// Kernels marked "backwards" walk from the last pixel down, so the destination may start at the
// source's address and be wider than it (an in-place widening).
#pragma once
#include <cstdint>

namespace corvel {

class CRowIteratorBands;
using RowKernel = void (*)(const CRowIteratorBands* image, void* destination, const void* source, int count);

// Bit-packed indices (first pixel in the most significant bits) to one byte each and back. The
// packers keep the bits of a last, partial byte that lie after the span.
void Unpack1Bit(const CRowIteratorBands*, void* destination, const void* source, int count);
void Pack1Bit(const CRowIteratorBands*, void* destination, const void* source, int count);
void Unpack4Bit(const CRowIteratorBands*, void* destination, const void* source, int count);
void Pack4Bit(const CRowIteratorBands*, void* destination, const void* source, int count);

// Indices through the stored palette; backwards.
void Index8ToBGR(const CRowIteratorBands* image, void* destination, const void* source, int count);
void Index8ToBGRA(const CRowIteratorBands* image, void* destination, const void* source, int count);
void Index8AToBGRA(const CRowIteratorBands* image, void* destination, const void* source, int count);
void Index1ToBGR(const CRowIteratorBands* image, void* destination, const void* source, int count);
void Index1ToBGRA(const CRowIteratorBands* image, void* destination, const void* source, int count);
void Index4ToBGR(const CRowIteratorBands* image, void* destination, const void* source, int count);
void Index4ToBGRA(const CRowIteratorBands* image, void* destination, const void* source, int count);

// Grey and colour; the widening ones backwards. Grey = (77 red + 151 green + 28 blue) >> 8.
void ByteToPairOpaque(const CRowIteratorBands*, void* destination, const void* source, int count);
void PairToByte(const CRowIteratorBands*, void* destination, const void* source, int count);
void GreyToBGR(const CRowIteratorBands*, void* destination, const void* source, int count);
void GreyToBGRA(const CRowIteratorBands*, void* destination, const void* source, int count);
void GreyAToBGR(const CRowIteratorBands*, void* destination, const void* source, int count);
void GreyAToBGRA(const CRowIteratorBands*, void* destination, const void* source, int count);
void BGRToGrey(const CRowIteratorBands*, void* destination, const void* source, int count);
void BGRAToGrey(const CRowIteratorBands*, void* destination, const void* source, int count);
void BGRToGreyA(const CRowIteratorBands*, void* destination, const void* source, int count);
void BGRAToGreyA(const CRowIteratorBands*, void* destination, const void* source, int count);
void BGRToBGRA(const CRowIteratorBands*, void* destination, const void* source, int count);
void BGRAToBGR(const CRowIteratorBands*, void* destination, const void* source, int count);
// Blue, green and red replaced; the destination's alpha kept.
void BGRIntoBGRA(const CRowIteratorBands*, void* destination, const void* source, int count);

// Straight alpha to premultiplied and back.
void PremultiplyRow(const CRowIteratorBands*, void* destination, const void* source, int count);
void UnpremultiplyRow(const CRowIteratorBands*, void* destination, const void* source, int count);
// 256 x 256 bytes: row a, column c holds c un-premultiplied by alpha a. Built on first use.
const std::uint8_t* GetUnpremultiplyTable();

// One channel of 2-, 3- or 4-byte pixels, at the image's channel byte offset, out and in.
void ReadChannel2(const CRowIteratorBands* image, void* destination, const void* source, int count);
void ReadChannel3(const CRowIteratorBands* image, void* destination, const void* source, int count);
void ReadChannel4(const CRowIteratorBands* image, void* destination, const void* source, int count);
void WriteChannel2(const CRowIteratorBands* image, void* destination, const void* source, int count);
void WriteChannel3(const CRowIteratorBands* image, void* destination, const void* source, int count);
void WriteChannel4(const CRowIteratorBands* image, void* destination, const void* source, int count);

}  // namespace corvel
