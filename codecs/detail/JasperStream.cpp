#include "codecs/detail/JasperStream.h"

#include <limits>

bool CJasperStream::Seek(std::int64_t offset, int origin) {
  const std::int64_t from = origin == 0 ? std::int64_t{base_} : std::int64_t{file_->Tell()};
  // Offsets come from the files themselves: keep the sum inside a long.
  if (offset > std::numeric_limits<long>::max() - from || offset < -from) return false;
  return file_->Seek(static_cast<long>(from + offset), 0);
}

std::int64_t CJasperStream::Length() {
  const long size = file_->Size();
  return size < base_ ? -1 : size - base_;
}
