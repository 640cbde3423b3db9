// The decimal fields of text headers and plain-text samples, read from a StreamReader.
#pragma once
#include <cstdint>

#include "codecs/detail/StreamReader.h"

class AsciiScanner {
 public:
  // comments: '#' starts a comment that runs to the end of its line.
  AsciiScanner(StreamReader& reader, bool comments) : reader_(reader), comments_(comments) {}

  // The next byte, or -1 at the end.
  int Get() {
    const int c = pending_ >= -1 ? pending_ : reader_.Get();
    pending_ = kNone;
    return c;
  }

  int Peek() {
    if (pending_ == kNone) pending_ = reader_.Get();
    return pending_;
  }

  // Skips white space and comments; false at the end of the input.
  bool SkipSpace() {
    for (int c = Get();; c = Get()) {
      if (c == '#' && comments_) {
        while (c != '\n' && c != '\r' && c != -1) c = Get();
      }
      if (c == -1) return false;
      if (!IsSpace(c)) {
        pending_ = c;
        return true;
      }
    }
  }

  // An unsigned decimal after white space, no larger than limit; the byte that ends it waits
  // for the next read.
  bool Number(std::uint32_t limit, std::uint32_t& value) {
    if (!SkipSpace()) return false;
    int c = Get();
    if (c < '0' || c > '9') return false;
    std::uint64_t v = 0;
    for (; c >= '0' && c <= '9'; c = Get()) {
      v = v * 10 + static_cast<unsigned>(c - '0');
      if (v > limit) return false;
    }
    pending_ = c;
    value = static_cast<std::uint32_t>(v);
    return true;
  }

  // The one white-space byte between a header and binary data.
  bool EndOfHeader() { return IsSpace(Get()); }

  static bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
  }

 private:
  static constexpr int kNone = -2;

  StreamReader& reader_;
  bool comments_;
  int pending_ = kNone;
};
