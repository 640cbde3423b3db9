// The working image every transformation builds its result in, and the hand-over of it.
#include <algorithm>

#include "codecs/ImageFile.h"
#include "codecs/detail/ImageLimits.h"

bool CImageFile::CreateWorkingImage(CImageFile& work, double width, double height, unsigned long bpp) {
  if (!dib_) return false;
  // Sizes come from floating-point geometry: NaN and sizes past any cap never reach a conversion.
  if (!(width >= 1 && height >= 1)) {
    SetLastError("CImageFile::Create : width and height must be greater than zero");
    return false;
  }
  constexpr double kPastCap = static_cast<double>(kMaxImageSide) + 1;
  width = std::min(width, kPastCap);
  height = std::min(height, kPastCap);
  work.CopyInfo(*this);
  work.header_.biXPelsPerMeter = header_.biXPelsPerMeter;
  work.header_.biYPelsPerMeter = header_.biYPelsPerMeter;
  if (!work.Create(static_cast<unsigned long>(width), static_cast<unsigned long>(height),
                   bpp ? bpp : GetBpp(), info_.type)) {
    SetLastError(work.GetLastError());
    return false;
  }
  work.SetPalette(GetPalette(), 256);
  if (alpha_) {
    work.AlphaCreate();
    if (!work.alpha_) return false;
  }
  return true;
}

bool CImageFile::DeliverResult(CImageFile& work, CImageFile* dest) {
  return dest ? dest->Transfer(work) : Transfer(work);
}

bool CImageFile::ReportRow(long row, long rows) {
  info_.progress = rows > 0 ? static_cast<std::int32_t>(100 * static_cast<long long>(row) / rows) : 100;
  return info_.escape != 0;
}
