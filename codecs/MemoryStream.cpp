#include "codecs/MemoryStream.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {
// Positions and sizes stay below this, so that no sum of two of them overflows.
constexpr unsigned long kMaxStreamSize = LONG_MAX / 2;
}  // namespace

CMemoryStream::CMemoryStream(unsigned char* buffer, unsigned long size)
    : buffer_(buffer),
      size_(static_cast<long>(size > kMaxStreamSize ? kMaxStreamSize : size)),
      freeBuffer_(buffer == nullptr),
      capacity_(static_cast<unsigned long>(size_)) {}

CMemoryStream::~CMemoryStream() {
  if (buffer_ && freeBuffer_) std::free(buffer_);
}

bool CMemoryStream::Open() {
  if (buffer_) return false;
  size_ = 0;
  position_ = 0;
  capacity_ = 0;
  buffer_ = static_cast<unsigned char*>(std::malloc(1));
  freeBuffer_ = true;
  return buffer_ != nullptr;
}

bool CMemoryStream::Close() {
  if (buffer_ && freeBuffer_) {
    std::free(buffer_);
    buffer_ = nullptr;
    size_ = 0;
  }
  return true;
}

unsigned char* CMemoryStream::GetBuffer(bool detach) {
  freeBuffer_ = !detach;
  return buffer_;
}

std::size_t CMemoryStream::Read(void* buffer, std::size_t size, std::size_t count) {
  if (!buffer || !buffer_ || position_ >= size_ || size == 0 || count == 0) return 0;
  std::size_t available = static_cast<std::size_t>(size_ - position_);
  std::size_t n = count > available / size ? available : size * count;
  std::memcpy(buffer, buffer_ + position_, n);
  position_ += static_cast<long>(n);
  return n / size;
}

std::size_t CMemoryStream::Write(const void* buffer, std::size_t size, std::size_t count) {
  if (!buffer_ || !buffer || size == 0 || count == 0) return 0;
  if (count > kMaxStreamSize / size) return 0;
  unsigned long n = static_cast<unsigned long>(size * count);
  unsigned long end = static_cast<unsigned long>(position_) + n;
  if (end > kMaxStreamSize) return 0;
  if (end > capacity_ && !Alloc(end)) return 0;
  ClearGap();
  std::memcpy(buffer_ + position_, buffer, n);
  position_ = static_cast<long>(end);
  if (position_ > size_) size_ = position_;
  return count;
}

bool CMemoryStream::Seek(long offset, int origin) {
  if (!buffer_) return false;
  long base;
  switch (origin) {
    case 0:
      base = 0;
      break;
    case 1:
      base = position_;
      break;
    case 2:
      base = size_;
      break;
    default:
      return false;
  }
  // Positions beyond the limit would overflow the next write; refuse them.
  if (offset > static_cast<long>(kMaxStreamSize) - base) return false;
  long position = base + (offset < -base ? -base : offset);
  position_ = position;
  return true;
}

long CMemoryStream::Tell() { return buffer_ ? position_ : -1; }

long CMemoryStream::Size() { return buffer_ ? size_ : -1; }

bool CMemoryStream::Flush() { return buffer_ != nullptr; }

bool CMemoryStream::Eof() { return !buffer_ || position_ >= size_; }

long CMemoryStream::Error() {
  if (!buffer_) return -1;
  return position_ > size_ ? 1 : 0;
}

bool CMemoryStream::PutC(unsigned char c) {
  if (!buffer_) return false;
  unsigned long end = static_cast<unsigned long>(position_) + 1;
  if (end > kMaxStreamSize) return false;
  if (end > capacity_ && !Alloc(end)) return false;
  ClearGap();
  buffer_[position_++] = c;
  if (position_ > size_) size_ = position_;
  return true;
}

long CMemoryStream::GetC() {
  if (Eof()) return -1;
  return buffer_[position_++];
}

// A write after a seek past the end makes the skipped bytes part of the stream: they read as
// zeros rather than as whatever the allocation held.
void CMemoryStream::ClearGap() {
  if (position_ > size_) std::memset(buffer_ + size_, 0, static_cast<std::size_t>(position_ - size_));
}

bool CMemoryStream::Alloc(unsigned long n) {
  if (n <= capacity_) return true;
  unsigned long capacity = (n & ~0xFFFUL) + 4096;
  void* grown;
  if (buffer_ && freeBuffer_) {
    grown = std::realloc(buffer_, capacity);
  } else {
    // A caller's block is not ours to reallocate: the stream moves to a copy of its own.
    grown = std::malloc(capacity);
    if (grown && buffer_) std::memcpy(grown, buffer_, static_cast<std::size_t>(size_));
  }
  if (!grown) {
    ranOutOfMemory_ = true;
    return false;
  }
  buffer_ = static_cast<unsigned char*>(grown);
  capacity_ = capacity;
  freeBuffer_ = true;
  return true;
}
