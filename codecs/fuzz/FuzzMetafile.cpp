#include "codecs/ImageFileWMF.h"
#include "codecs/MemoryStream.h"

// Rendered small: the records are what is searched, and a metafile's own size (up to 4000
// pixels a side) would only slow the search. A refusal must say why.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CMemoryStream stream(const_cast<std::uint8_t*>(data), static_cast<unsigned long>(size));
  CImageFileWMF image;
  const bool decoded = image.Decode(&stream, 64, 48);
  if (decoded ? image.GetWidth() != 64 || image.GetHeight() != 48 : *image.GetLastError() == '\0')
    __builtin_trap();
  return 0;
}
