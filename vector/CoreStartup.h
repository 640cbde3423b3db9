// The drawing engine's process-wide state, brought up and down once: the row operations' shared
// tables, the slot table, the rasteriser's shared row block; and the character iterator through
// which text drawing walks narrow (code-page) and wide strings.
#pragma once
#include <cstdint>

#include "rowops/CoreTables.h"

namespace corvel {

// 0, also when already started; 101 when the tables cannot be made (a later call tries again).
int CoreStartup(CoreTableProvider provider);
// 0; nothing when not started.
int CoreShutdown();
bool IsCoreStarted();

// A constant byte blend: d = round((s a + d (255 - a)) / 255), so a = 255 copies the source
// and a = 0 keeps the destination.
void BlendBytesConstant(std::uint8_t* destination, const std::uint8_t* source, int count, int alpha);

class TextIterator {
 public:
  TextIterator(const char* text, int codePage);
  explicit TextIterator(const char16_t* text);

  // The next character, 0 at the end (where it stays). A lead byte of a double-byte code page
  // and its trail come as (lead << 8) | trail.
  std::uint32_t Next();
  // Characters from the start, counted once.
  int Length();
  // Answers the previous code page.
  int SetCodePage(int codePage);
  int CodePage() const { return codePage_; }
  void Rewind() { current_ = start_; }

 private:
  bool IsLeadByte(std::uint8_t byte) const;

  bool narrow_;
  const void* start_;
  const void* current_;
  int length_ = -1;
  int codePage_ = 0;
  bool singleByte_ = false;
};

}  // namespace corvel
