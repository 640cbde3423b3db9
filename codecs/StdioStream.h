// CStdioStream: a byte stream over a standard I/O stream.
#pragma once
#include <cstdio>

#include "codecs/ByteStream.h"

class CStdioStream : public CByteStream {
 public:
  // A stream handed in is never closed by this object.
  explicit CStdioStream(FILE* fp = nullptr) : fp_(fp), closeFile_(fp == nullptr) {}
  // Copies would close one file twice; no caller copies a stream.
  CStdioStream(const CStdioStream&) = delete;
  CStdioStream& operator=(const CStdioStream&) = delete;
  ~CStdioStream() override;

  bool Open(const char* name, const char* mode);
  bool Close() override;
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

 private:
  FILE* fp_;
  bool closeFile_;
};

// A stream into a file that starts writing each part out to the disk once a megabyte of it is
// gathered, while the rest is encoded: the sync before the file replaces the old one then waits
// for the last part alone (for a 12-megapixel picture's 3 MB on this machine's disk some 2 ms
// after the encoding rather than 4). What fails is left to the stream's error and that sync to
// tell. The file's buffer becomes that megabyte.
class CWritingOutStream : public CStdioStream {
 public:
  explicit CWritingOutStream(FILE* file);
  std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override;

 private:
  FILE* file_;
  std::size_t startedUpTo_ = 0, gathered_ = 0;
};
