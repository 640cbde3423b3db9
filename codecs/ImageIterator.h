// CImageIterator: walks an image's rows from the top of the picture down, for codecs whose files
// store rows top first while the image keeps them bottom-up.
#pragma once
#include "codecs/ImageFile.h"

class CImageIterator {
 public:
  explicit CImageIterator(CImageFile* image);

  // The picture's top row: the last row of the bottom-up bitmap.
  void SeekTopRow();
  // Copies n bytes into the current row; n outside 1..row bytes means a whole row.
  void PutRow(const BYTE* buffer, long n);
  // Copies at most a row's bytes out of the current row.
  void GetRow(BYTE* buffer, long n);
  void NextRowDown();
  // The row at a bottom-up index, or the current one when the index is outside the image.
  BYTE* SeekRow(long y);
  long GetY() const { return Y; }
  // The current row's pixels, null once the walk has passed the bottom row.
  BYTE* RowPointer() const { return Row; }

 private:
  long Y = 0;  // bottom-up row index
  BYTE* Row = nullptr;
  CImageFile* Image;
};
