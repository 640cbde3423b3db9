#include "codecs/StdioStream.h"

#include <fcntl.h>

CStdioStream::~CStdioStream() {
  if (fp_ && closeFile_) std::fclose(fp_);
}

bool CStdioStream::Open(const char* name, const char* mode) {
  if (fp_) return false;
  fp_ = std::fopen(name, mode);
  if (!fp_) return false;
  closeFile_ = true;
  return true;
}

bool CStdioStream::Close() {
  if (!fp_ || !closeFile_) return true;
  int result = std::fclose(fp_);
  fp_ = nullptr;
  return result == 0;
}

std::size_t CStdioStream::Read(void* buffer, std::size_t size, std::size_t count) {
  return fp_ ? std::fread(buffer, size, count, fp_) : 0;
}

std::size_t CStdioStream::Write(const void* buffer, std::size_t size, std::size_t count) {
  return fp_ ? std::fwrite(buffer, size, count, fp_) : 0;
}

bool CStdioStream::Seek(long offset, int origin) { return fp_ && std::fseek(fp_, offset, origin) == 0; }

long CStdioStream::Tell() { return fp_ ? std::ftell(fp_) : 0; }

long CStdioStream::Size() {
  if (!fp_) return -1;
  long position = std::ftell(fp_);
  std::fseek(fp_, 0, SEEK_END);
  long size = std::ftell(fp_);
  std::fseek(fp_, position, SEEK_SET);
  return size;
}

bool CStdioStream::Flush() { return fp_ && std::fflush(fp_) == 0; }

bool CStdioStream::Eof() { return !fp_ || std::feof(fp_) != 0; }

long CStdioStream::Error() { return fp_ ? std::ferror(fp_) : -1; }

bool CStdioStream::PutC(unsigned char c) { return fp_ && std::fputc(c, fp_) == c; }

long CStdioStream::GetC() { return fp_ ? std::getc(fp_) : -1; }

namespace {
constexpr std::size_t kWriteOutEvery = std::size_t{1} << 20;
}  // namespace

CWritingOutStream::CWritingOutStream(FILE* file) : CStdioStream(file), file_(file) {
  std::setvbuf(file, nullptr, _IOFBF, kWriteOutEvery);
}

std::size_t CWritingOutStream::Write(const void* buffer, std::size_t size, std::size_t count) {
  const std::size_t written = CStdioStream::Write(buffer, size, count);
  gathered_ += written * size;
  if (gathered_ >= kWriteOutEvery && std::fflush(file_) == 0) {
    sync_file_range(fileno(file_), off64_t(startedUpTo_), off64_t(gathered_), SYNC_FILE_RANGE_WRITE);
    startedUpTo_ += gathered_;
    gathered_ = 0;
  }
  return written;
}
