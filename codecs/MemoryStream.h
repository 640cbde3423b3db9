// CMemoryStream: a byte stream over a block of memory that grows on demand in 4 KiB steps.
#pragma once
#include "codecs/ByteStream.h"

class CMemoryStream : public CByteStream {
 public:
  // A caller's buffer is never freed by this object.
  explicit CMemoryStream(unsigned char* buffer = nullptr, unsigned long size = 0);
  // Copies would free one buffer twice; no caller copies a stream.
  CMemoryStream(const CMemoryStream&) = delete;
  CMemoryStream& operator=(const CMemoryStream&) = delete;
  ~CMemoryStream() override;

  // Starts an empty stream of its own; false when a buffer is already held.
  bool Open();
  bool Close() override;
  void Free() { Close(); }
  // After GetBuffer(true) the caller owns the bytes (free them with CImageFile::FreeMemory).
  unsigned char* GetBuffer(bool detach = true);

  std::size_t Read(void* buffer, std::size_t size, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override;
  bool Seek(long offset, int origin) override;
  long Tell() override;
  long Size() override;
  bool Flush() override;
  bool Eof() override;
  long Error() override;
  bool PutC(unsigned char c) override;
  long GetC() override;

  unsigned long Capacity() const { return capacity_; }
  // Whether a write failed for want of memory to grow into, rather than of room in the stream.
  bool RanOutOfMemory() const { return ranOutOfMemory_; }

 protected:
  // Makes room for n bytes; false, keeping the old buffer, when that cannot be had.
  bool Alloc(unsigned long n);

 private:
  void ClearGap();

  unsigned char* buffer_;
  long size_;
  bool freeBuffer_;
  long position_ = 0;
  unsigned long capacity_;
  bool ranOutOfMemory_ = false;
};
