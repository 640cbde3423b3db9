// The marker sections and the EXIF block of a JPEG stream, read, cut down and written again; a
// thumbnail found must lie inside the kept sections.
#include <cstdint>
#include <cstring>

#include "codecs/ExifInfo.h"
#include "codecs/MemoryStream.h"

namespace {

bool InsideSections(const CImageFileJPG::CExifInfo& reader, const unsigned char* p, std::size_t size) {
  const auto begin = reinterpret_cast<std::uintptr_t>(p);
  for (int i = 0; i < reader.GetSectionCount(); ++i) {
    const auto& data = reader.GetSection(i).Data;
    const auto start = reinterpret_cast<std::uintptr_t>(data.data());
    if (begin >= start && begin + size <= start + data.size()) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (int mode : {1, 3}) {
    CImageFileJPG::tag_ExifInfo info{};
    CImageFileJPG::CExifInfo reader(&info);
    CMemoryStream in(const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    const bool read = reader.DecodeExif(&in, mode);
    if (info.ThumbnailPointer && !InsideSections(reader, info.ThumbnailPointer, info.ThumbnailSize)) {
      __builtin_trap();
    }
    CImageFileJPG::CExifInfo copy(reader);
    if (copy.Info().ThumbnailPointer &&
        !InsideSections(copy, copy.Info().ThumbnailPointer, copy.Info().ThumbnailSize)) {
      __builtin_trap();
    }
    if (read && mode == 3) {
      CMemoryStream out;
      out.Open();
      reader.EncodeExif(&out);
      reader.DiscardAllButExif();
    }
  }
  return 0;
}
