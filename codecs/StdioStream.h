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
