// Reads a byte stream through a block buffer, for the run-length decoders that take their input
// a byte or a pixel at a time: one virtual call a block instead of one a byte. It reads ahead,
// so the stream's position afterwards is past what was used.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "codecs/ByteStream.h"

class StreamReader {
 public:
  explicit StreamReader(CByteStream* stream) : stream_(stream) {}
  StreamReader(const StreamReader&) = delete;
  StreamReader& operator=(const StreamReader&) = delete;

  // The next byte, or -1 at the end of the stream.
  int Get() {
    if (next_ == end_ && !Refill()) return -1;
    return buffer_[next_++];
  }

  // Copies up to n bytes; answers how many there were.
  std::size_t Read(unsigned char* out, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
      if (next_ == end_ && !Refill()) break;
      const std::size_t take = std::min(n - done, end_ - next_);
      std::memcpy(out + done, buffer_ + next_, take);
      next_ += take;
      done += take;
    }
    return done;
  }

 private:
  bool Refill() {
    next_ = 0;
    end_ = stream_->Read(buffer_, 1, sizeof(buffer_));
    return end_ > 0;
  }

  CByteStream* stream_;
  unsigned char buffer_[4096];
  std::size_t next_ = 0;
  std::size_t end_ = 0;
};
