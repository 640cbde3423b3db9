// The readers and writers behind jasper::DetectFormat and jasper::Encode, one file a format.
#pragma once
#include <memory>

#include "codecs/detail/JasperImage.h"

namespace jasper {

std::unique_ptr<FormatReader> MakePnmReader(CJasperStream& stream);
std::unique_ptr<FormatReader> MakeRasReader(CJasperStream& stream);
std::unique_ptr<FormatReader> MakePgxReader(CJasperStream& stream);
std::unique_ptr<FormatReader> MakeOpenJpegReader(CJasperStream& stream, bool jp2);

// The writers take one grey or three colour components of one size.
bool WritePnm(const Image& image, CJasperStream& stream);
bool WriteRas(const Image& image, CJasperStream& stream);
bool WritePgx(const Image& image, CJasperStream& stream);
bool WriteOpenJpeg(const Image& image, CJasperStream& stream, bool jp2, double rate);

// Rows of interleaved samples, one byte each up to 8 bits and two above, high byte first.
bool WriteBigEndianRows(const Image& image, CJasperStream& stream);

}  // namespace jasper
