// CByteStream: the one abstract stream every codec reads and writes, so that the same codec
// works on a file and on a block of memory.
#pragma once
#include <cstddef>

class CByteStream {
 public:
  virtual ~CByteStream() = default;
  virtual bool Close() = 0;
  // Answers the number of whole items read.
  virtual std::size_t Read(void* buffer, std::size_t size, std::size_t count) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t size, std::size_t count) = 0;
  // origin 0 from the start, 1 from the current position, 2 from the end.
  virtual bool Seek(long offset, int origin) = 0;
  virtual long Tell() = 0;
  virtual long Size() = 0;
  virtual bool Flush() = 0;
  virtual bool Eof() = 0;
  virtual long Error() = 0;
  virtual bool PutC(unsigned char c) { return Write(&c, 1, 1) == 1; }
  // The byte 0..255, or -1.
  virtual long GetC() = 0;
};
