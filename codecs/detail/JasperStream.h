// CJasperStream: the bridge between the JPEG-2000 family's readers and writers and a
// CByteStream. Offsets count from where the stream stood when the bridge was made, so a
// picture embedded in a larger stream reads as if it began the file. The caller owns the stream.
#pragma once
#include <cstddef>
#include <cstdint>

#include "codecs/ByteStream.h"

class CJasperStream {
 public:
  explicit CJasperStream(CByteStream* file) : file_(file), base_(file->Tell()) {}

  std::size_t Read(void* buffer, std::size_t count) {
    const std::size_t got = file_->Read(buffer, 1, count);
    reachedEnd_ |= got < count;
    return got;
  }
  std::size_t Write(const void* buffer, std::size_t count) { return file_->Write(buffer, 1, count); }
  // origin 0 from the position at entry, 1 from the current position; false past the range of
  // positions.
  bool Seek(std::int64_t offset, int origin);
  std::int64_t Tell() { return file_->Tell() - base_; }
  // Bytes from the position at entry to the end, or -1 when the stream cannot tell.
  std::int64_t Length();
  bool Flush() { return file_->Flush(); }
  CByteStream* File() { return file_; }
  // Whether a read has come to the end of the data.
  bool ReachedEnd() const { return reachedEnd_; }

 private:
  CByteStream* file_;
  long base_;
  bool reachedEnd_ = false;
};
