#include "rowops/RowCopyOp.h"

#include <cstring>

#include "core/PaletteCache.h"
#include "rowops/BitRuns.h"
#include "rowops/detail/KernelRecords.h"
#include "rowops/detail/PixelAccess.h"
#include "rowops/detail/RowCopyOpSse2.h"

namespace corvel {
namespace {

using namespace detail;

const std::uint8_t* SourceRow(const RowOpArgs& args) {
  return static_cast<const std::uint8_t*>(args.src.row);
}
std::uint8_t* DestinationRow(const RowOpArgs& args) { return static_cast<std::uint8_t*>(args.dst.row); }

template <int Bytes>
void CopySameFormat(const RowOperation&, const RowOpArgs& args) {
  if (args.dst.count > 0) {
    std::memmove(args.dst.row, args.src.row, static_cast<std::size_t>(args.dst.count) * Bytes);
  }
}

// Index1 and Index4 rows from themselves, each side from its own pixel within the first byte.
template <int Bits>
void CopyPackedSameFormat(const RowOperation&, const RowOpArgs& args) {
  const int n = args.dst.count;
  if (n <= 0) return;
  const int perByte = 8 / Bits;
  const int dstFirst = (args.dst.x % perByte + perByte) % perByte * Bits;
  const int srcFirst = (args.src.x % perByte + perByte) % perByte * Bits;
  CopyBitRun(DestinationRow(args), dstFirst, (dstFirst + n * Bits + 7) / 8, SourceRow(args), srcFirst,
             (srcFirst + n * Bits + 7) / 8, n * Bits);
}

// Every pair of the channel formats: grey from colour at the source's depth, then the depth
// change, then premultiplication or its inverse at the destination's depth.
template <class D, class S>
void Convert(const RowOperation&, const RowOpArgs& args) {
  const std::uint8_t* s = SourceRow(args);
  std::uint8_t* d = DestinationRow(args);
  for (int i = 0; i < args.dst.count; ++i, s += S::kBytes, d += D::kBytes) {
    std::uint32_t b, g, r;
    if constexpr (S::kGrey) {
      b = g = r = S::Get(s, 0);
    } else {
      b = S::Get(s, 0);
      g = S::Get(s, 1);
      r = S::Get(s, 2);
      if constexpr (D::kGrey) g = GreyOf(r, g, b);
    }
    b = ChangeDepth<S, D>(b);
    g = ChangeDepth<S, D>(g);
    r = ChangeDepth<S, D>(r);
    std::uint32_t a = D::kMax;
    if constexpr (S::kAlpha) a = ChangeDepth<S, D>(S::Get(s, S::kChannels - 1));
    if constexpr (D::kPremultiplied && !S::kPremultiplied) {
      b = PremultiplyChannel(b, a, D::kMax);
      g = PremultiplyChannel(g, a, D::kMax);
      r = PremultiplyChannel(r, a, D::kMax);
    } else if constexpr (S::kPremultiplied && !D::kPremultiplied) {
      b = UnpremultiplyChannel(b, a, D::kMax);
      g = UnpremultiplyChannel(g, a, D::kMax);
      r = UnpremultiplyChannel(r, a, D::kMax);
    }
    if constexpr (D::kGrey) {
      D::Put(d, 0, g);
    } else {
      D::Put(d, 0, b);
      D::Put(d, 1, g);
      D::Put(d, 2, r);
    }
    if constexpr (D::kAlpha) D::Put(d, D::kChannels - 1, a);
  }
}

enum class Indexed { k1, k4, k8, k8A };

int FirstPixelInByte(Indexed kind, std::int32_t x) {
  if (kind == Indexed::k1) return (x % 8 + 8) % 8;
  if (kind == Indexed::k4) return (x % 2 + 2) % 2;
  return 0;
}

template <Indexed Kind>
std::uint32_t ReadIndex(const std::uint8_t* row, int pixel) {
  if constexpr (Kind == Indexed::k1)
    return (row[pixel >> 3] >> (7 - (pixel & 7))) & 1;
  else if constexpr (Kind == Indexed::k4)
    return (pixel & 1) ? row[pixel >> 1] & 0x0F : row[pixel >> 1] >> 4;
  else if constexpr (Kind == Indexed::k8)
    return row[pixel];
  else
    return row[2 * pixel];
}

template <Indexed Kind>
void WriteIndex(std::uint8_t* row, int pixel, std::uint32_t index) {
  if constexpr (Kind == Indexed::k1) {
    const std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (pixel & 7));
    row[pixel >> 3] = static_cast<std::uint8_t>((index & 1) ? row[pixel >> 3] | mask
                                                            : row[pixel >> 3] & ~mask);
  } else if constexpr (Kind == Indexed::k4) {
    std::uint8_t& byte = row[pixel >> 1];
    byte = static_cast<std::uint8_t>((pixel & 1) ? (byte & 0xF0) | (index & 0x0F)
                                                 : (byte & 0x0F) | ((index & 0x0F) << 4));
  } else if constexpr (Kind == Indexed::k8) {
    row[pixel] = static_cast<std::uint8_t>(index);
  } else {
    row[2 * pixel] = static_cast<std::uint8_t>(index);
  }
}

// Indexed from colour: the nearest entry of the destination palette, searched once per run of
// one colour.
template <Indexed Kind, class S>
void IndexFromColour(const RowOperation&, const RowOpArgs& args) {
  const std::uint8_t* s = SourceRow(args);
  std::uint8_t* d = DestinationRow(args);
  const int first = FirstPixelInByte(Kind, args.dst.x);
  std::uint32_t lastKey = 0xFFFFFFFFu, lastIndex = 0;
  for (int i = 0; i < args.dst.count; ++i, s += S::kBytes) {
    const std::uint32_t b = ChangeDepth<S, BGR8>(S::Get(s, 0));
    const std::uint32_t g = ChangeDepth<S, BGR8>(S::Get(s, 1));
    const std::uint32_t r = ChangeDepth<S, BGR8>(S::Get(s, 2));
    const std::uint32_t key = b << 16 | g << 8 | r;
    if (key != lastKey) {
      int index = RgbToPaletteIndex(static_cast<int>(r), static_cast<int>(g), static_cast<int>(b),
                                    args.dst.palette, args.dst.paletteSize);
      lastIndex = index < 0 ? 0 : static_cast<std::uint32_t>(index);
      lastKey = key;
    }
    WriteIndex<Kind>(d, first + i, lastIndex);
    if constexpr (Kind == Indexed::k8A) {
      d[2 * i + 1] = static_cast<std::uint8_t>(ChangeDepth<S, BGR8>(S::Get(s, S::kChannels - 1)));
    }
  }
}

// Colour from indexed: the source palette's entry; indices beyond the palette read black.
template <class D, Indexed Kind>
void ColourFromIndex(const RowOperation&, const RowOpArgs& args) {
  static const std::uint8_t kBlack[4] = {0, 0, 0, 0};
  const std::uint8_t* s = SourceRow(args);
  std::uint8_t* d = DestinationRow(args);
  const int first = FirstPixelInByte(Kind, args.src.x);
  const std::uint8_t* palette = args.src.palette;
  const std::uint32_t size = palette != nullptr && args.src.paletteSize > 0
                                 ? static_cast<std::uint32_t>(args.src.paletteSize)
                                 : 0;
  for (int i = 0; i < args.dst.count; ++i, d += D::kBytes) {
    const std::uint32_t index = ReadIndex<Kind>(s, first + i);
    const std::uint8_t* entry = index < size ? palette + 4 * index : kBlack;
    D::Put(d, 0, ChangeDepth<BGR8, D>(entry[0]));
    D::Put(d, 1, ChangeDepth<BGR8, D>(entry[1]));
    D::Put(d, 2, ChangeDepth<BGR8, D>(entry[2]));
    if constexpr (D::kAlpha) {
      D::Put(d, 3, Kind == Indexed::k8A ? ChangeDepth<BGR8, D>(s[2 * i + 1]) : D::kMax);
    }
  }
}

constexpr keFormat kIndex1 = keFormatIndex1, kIndex4 = keFormatIndex4, kIndex8 = keFormatIndex8,
                   kIndex8A = keFormatIndex8A, kGrey = keFormatGrey, kGreyA = keFormatGreyA,
                   kBGR = keFormatBGR, kBGRA = keFormatBGRA, kBGRxA = keFormatBGRxA,
                   kGrey16 = keFormatGrey_u16, kGreyA16 = keFormatGreyA_u16, kBGR16 = keFormatBGR_u16,
                   kBGRA16 = keFormatBGRA_u16, kBGRxA16 = keFormatBGRxA_u16;

// One kernel serves each byte work: the same-format copies by pixel size, and the GreyA/Grey
// kernels also the Index8A/Index8 pairs.
constexpr RowOpKernelRecord kRowCopyTable[] = {
    Plain(kIndex1, kIndex1, CopyPackedSameFormat<1>),
    Plain(kIndex1, kBGR, IndexFromColour<Indexed::k1, BGR8>),
    Plain(kIndex1, kBGRA, IndexFromColour<Indexed::k1, BGRA8>),
    Plain(kIndex1, kBGR16, IndexFromColour<Indexed::k1, BGR16>),
    Plain(kIndex1, kBGRA16, IndexFromColour<Indexed::k1, BGRA16>),

    Plain(kIndex4, kIndex4, CopyPackedSameFormat<4>),
    Plain(kIndex4, kBGR, IndexFromColour<Indexed::k4, BGR8>),
    Plain(kIndex4, kBGRA, IndexFromColour<Indexed::k4, BGRA8>),
    Plain(kIndex4, kBGR16, IndexFromColour<Indexed::k4, BGR16>),
    Plain(kIndex4, kBGRA16, IndexFromColour<Indexed::k4, BGRA16>),

    Plain(kIndex8, kIndex8, CopySameFormat<1>),
    Plain(kIndex8, kIndex8A, Convert<Grey8, GreyA8>),
    Plain(kIndex8, kBGR, IndexFromColour<Indexed::k8, BGR8>),
    Plain(kIndex8, kBGRA, IndexFromColour<Indexed::k8, BGRA8>),
    Plain(kIndex8, kBGR16, IndexFromColour<Indexed::k8, BGR16>),
    Plain(kIndex8, kBGRA16, IndexFromColour<Indexed::k8, BGRA16>),

    Plain(kIndex8A, kIndex8, Convert<GreyA8, Grey8>),
    Plain(kIndex8A, kIndex8A, CopySameFormat<2>),
    Plain(kIndex8A, kBGRA, IndexFromColour<Indexed::k8A, BGRA8>),
    Plain(kIndex8A, kBGRA16, IndexFromColour<Indexed::k8A, BGRA16>),

    Plain(kGrey, kGrey, CopySameFormat<1>),
    Plain(kGrey, kGreyA, Convert<Grey8, GreyA8>),
    Plain(kGrey, kBGR, Convert<Grey8, BGR8>),
    Plain(kGrey, kBGRA, Convert<Grey8, BGRA8>),
    Mmx(kGrey, kBGRA, detail::CopyBGRAToGreySimd),
    Plain(kGrey, kGrey16, Convert<Grey8, Grey16>),
    Plain(kGrey, kBGR16, Convert<Grey8, BGR16>),
    Plain(kGrey, kBGRA16, Convert<Grey8, BGRA16>),

    Plain(kGreyA, kGrey, Convert<GreyA8, Grey8>),
    Plain(kGreyA, kGreyA, CopySameFormat<2>),
    Plain(kGreyA, kBGRA, Convert<GreyA8, BGRA8>),
    Plain(kGreyA, kGreyA16, Convert<GreyA8, GreyA16>),
    Plain(kGreyA, kBGRA16, Convert<GreyA8, BGRA16>),

    Plain(kBGR, kIndex1, ColourFromIndex<BGR8, Indexed::k1>),
    Plain(kBGR, kIndex4, ColourFromIndex<BGR8, Indexed::k4>),
    Plain(kBGR, kIndex8, ColourFromIndex<BGR8, Indexed::k8>),
    Plain(kBGR, kGrey, Convert<BGR8, Grey8>),
    Plain(kBGR, kBGR, CopySameFormat<3>),
    Plain(kBGR, kBGRA, Convert<BGR8, BGRA8>),
    Mmx(kBGR, kBGRA, detail::CopyBGRAToBGRSimd),
    Plain(kBGR, kGrey16, Convert<BGR8, Grey16>),
    Plain(kBGR, kBGR16, Convert<BGR8, BGR16>),
    Plain(kBGR, kBGRA16, Convert<BGR8, BGRA16>),

    Plain(kBGRA, kIndex1, ColourFromIndex<BGRA8, Indexed::k1>),
    Plain(kBGRA, kIndex4, ColourFromIndex<BGRA8, Indexed::k4>),
    Plain(kBGRA, kIndex8, ColourFromIndex<BGRA8, Indexed::k8>),
    Plain(kBGRA, kIndex8A, ColourFromIndex<BGRA8, Indexed::k8A>),
    Plain(kBGRA, kGrey, Convert<BGRA8, Grey8>),
    Plain(kBGRA, kGreyA, Convert<BGRA8, GreyA8>),
    Plain(kBGRA, kBGR, Convert<BGRA8, BGR8>),
    Mmx(kBGRA, kBGR, detail::CopyBGRToBGRASimd),
    Plain(kBGRA, kBGRA, CopySameFormat<4>),
    Plain(kBGRA, kBGRxA, Convert<BGRA8, BGRxA8>),
    Plain(kBGRA, kGrey16, Convert<BGRA8, Grey16>),
    Plain(kBGRA, kGreyA16, Convert<BGRA8, GreyA16>),
    Plain(kBGRA, kBGR16, Convert<BGRA8, BGR16>),
    Plain(kBGRA, kBGRA16, Convert<BGRA8, BGRA16>),
    Plain(kBGRA, kBGRxA16, Convert<BGRA8, BGRxA16>),

    Plain(kBGRxA, kBGRA, Convert<BGRxA8, BGRA8>),
    Plain(kBGRxA, kBGRxA, CopySameFormat<4>),
    Plain(kBGRxA, kBGRA16, Convert<BGRxA8, BGRA16>),

    Plain(kGrey16, kGrey, Convert<Grey16, Grey8>),
    Plain(kGrey16, kBGR, Convert<Grey16, BGR8>),
    Plain(kGrey16, kBGRA, Convert<Grey16, BGRA8>),
    Plain(kGrey16, kGrey16, CopySameFormat<2>),
    Plain(kGrey16, kGreyA16, Convert<Grey16, GreyA16>),
    Plain(kGrey16, kBGR16, Convert<Grey16, BGR16>),
    Plain(kGrey16, kBGRA16, Convert<Grey16, BGRA16>),

    Plain(kGreyA16, kGreyA, Convert<GreyA16, GreyA8>),
    Plain(kGreyA16, kBGRA, Convert<GreyA16, BGRA8>),
    Plain(kGreyA16, kGrey16, Convert<GreyA16, Grey16>),
    Plain(kGreyA16, kGreyA16, CopySameFormat<4>),
    Plain(kGreyA16, kBGRA16, Convert<GreyA16, BGRA16>),

    Plain(kBGR16, kIndex1, ColourFromIndex<BGR16, Indexed::k1>),
    Plain(kBGR16, kIndex4, ColourFromIndex<BGR16, Indexed::k4>),
    Plain(kBGR16, kIndex8, ColourFromIndex<BGR16, Indexed::k8>),
    Plain(kBGR16, kGrey, Convert<BGR16, Grey8>),
    Plain(kBGR16, kBGR, Convert<BGR16, BGR8>),
    Plain(kBGR16, kBGRA, Convert<BGR16, BGRA8>),
    Plain(kBGR16, kGrey16, Convert<BGR16, Grey16>),
    Plain(kBGR16, kBGR16, CopySameFormat<6>),
    Plain(kBGR16, kBGRA16, Convert<BGR16, BGRA16>),

    Plain(kBGRA16, kIndex1, ColourFromIndex<BGRA16, Indexed::k1>),
    Plain(kBGRA16, kIndex4, ColourFromIndex<BGRA16, Indexed::k4>),
    Plain(kBGRA16, kIndex8, ColourFromIndex<BGRA16, Indexed::k8>),
    Plain(kBGRA16, kIndex8A, ColourFromIndex<BGRA16, Indexed::k8A>),
    Plain(kBGRA16, kGrey, Convert<BGRA16, Grey8>),
    Plain(kBGRA16, kGreyA, Convert<BGRA16, GreyA8>),
    Plain(kBGRA16, kBGR, Convert<BGRA16, BGR8>),
    Plain(kBGRA16, kBGRA, Convert<BGRA16, BGRA8>),
    Plain(kBGRA16, kBGRxA, Convert<BGRA16, BGRxA8>),
    Plain(kBGRA16, kGrey16, Convert<BGRA16, Grey16>),
    Plain(kBGRA16, kGreyA16, Convert<BGRA16, GreyA16>),
    Plain(kBGRA16, kBGR16, Convert<BGRA16, BGR16>),
    Plain(kBGRA16, kBGRA16, CopySameFormat<8>),
    Plain(kBGRA16, kBGRxA16, Convert<BGRA16, BGRxA16>),

    Plain(kBGRxA16, kBGRA, Convert<BGRxA16, BGRA8>),
    Plain(kBGRxA16, kBGRA16, Convert<BGRxA16, BGRA16>),
    Plain(kBGRxA16, kBGRxA16, CopySameFormat<8>),

    {keFormatNone, keFormatNone, 0, nullptr},
};
static_assert(sizeof kRowCopyTable / sizeof kRowCopyTable[0] == 96 + 3 + 1,
              "96 direct pairs, three SIMD forms and the end record");

}  // namespace

const RowOpKernelRecord* RowCopyOp::KernelTable() { return kRowCopyTable; }

RowOpKernel FindRowCopyKernel(keFormat dst, keFormat src) {
  return FindRowOpKernel(kRowCopyTable, dst, src, 2);
}

void CopyKernel(const RowOperation&, const RowOpArgs& args) {
  const RowCopyOp copy;
  FindRowCopyKernel(args.dst.format, args.src.format)(copy, args);
}

}  // namespace corvel
