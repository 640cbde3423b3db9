#include "codecs/ImageIterator.h"

#include <cstring>

CImageIterator::CImageIterator(CImageFile* image) : Image(image) {
  if (image) Row = image->GetBits();
}

void CImageIterator::SeekTopRow() {
  if (!Image) return;
  Y = static_cast<long>(Image->GetHeight()) - 1;
  Row = Y >= 0 ? Image->GetBits(static_cast<unsigned long>(Y)) : nullptr;
}

void CImageIterator::PutRow(const BYTE* buffer, long n) {
  if (!Image) return;
  const long rowBytes = static_cast<long>(Image->GetEffWidth());
  if (n < 0 || n > rowBytes) n = rowBytes;
  if (Row && buffer && n >= 1) std::memcpy(Row, buffer, static_cast<std::size_t>(n));
}

void CImageIterator::GetRow(BYTE* buffer, long n) {
  if (!Image) return;
  const long rowBytes = static_cast<long>(Image->GetEffWidth());
  if (n > rowBytes) n = rowBytes;
  if (Row && buffer && n > 0) std::memcpy(buffer, Row, static_cast<std::size_t>(n));
}

void CImageIterator::NextRowDown() {
  if (!Image) return;
  --Y;
  Row = Y >= 0 ? Row - Image->GetEffWidth() : nullptr;
}

BYTE* CImageIterator::SeekRow(long y) {
  if (Image && y >= 0 && y < static_cast<long>(Image->GetHeight())) {
    Y = y;
    Row = Image->GetBits(static_cast<unsigned long>(y));
  }
  return Row;
}
