#include "vector/CoreStartup.h"

#include "core/PixelFormat.h"
#include "platform/win32/CodePage.h"
#include "vector/detail/Coverage.h"

namespace corvel {
namespace {

bool gStarted = false;

// No part of the system registers a counted slot, so the table has no entries to make or free.
bool CreateSlotTable() { return true; }
void ReleaseSlotTable() {}

}  // namespace

int CoreStartup(CoreTableProvider provider) {
  if (gStarted) return 0;
  if (!InitCoreTables(provider)) return 101;
  BuildDivideTable();
  if (!CreateSlotTable()) return 101;
  gStarted = true;
  return 0;
}

int CoreShutdown() {
  if (!gStarted) return 0;
  ReleaseSlotTable();
  ReleaseSharedRows();
  FreeCoreTables();
  gStarted = false;
  return 0;
}

bool IsCoreStarted() { return gStarted; }

void BlendBytesConstant(std::uint8_t* destination, const std::uint8_t* source, int count, int alpha) {
  const std::uint32_t a = static_cast<std::uint32_t>(alpha < 0 ? 0 : alpha > 255 ? 255 : alpha);
  for (int i = 0; i < count; ++i) {
    destination[i] = static_cast<std::uint8_t>(Div255Exact(source[i] * a + destination[i] * (255 - a)));
  }
}

TextIterator::TextIterator(const char* text, int codePage) : narrow_(true), start_(text), current_(text) {
  SetCodePage(codePage);
}

TextIterator::TextIterator(const char16_t* text) : narrow_(false), start_(text), current_(text) {}

int TextIterator::SetCodePage(int codePage) {
  const int previous = codePage_;
  codePage_ = codePage;
  CPINFO info;
  singleByte_ = narrow_ && !(GetCPInfo(static_cast<UINT>(codePage), &info) && info.MaxCharSize > 1);
  return previous;
}

bool TextIterator::IsLeadByte(std::uint8_t byte) const {
  return IsDBCSLeadByteEx(static_cast<UINT>(codePage_), byte) != FALSE;
}

std::uint32_t TextIterator::Next() {
  if (!narrow_) {
    const char16_t* p = static_cast<const char16_t*>(current_);
    if (*p == 0) return 0;
    current_ = p + 1;
    return *p;
  }
  const std::uint8_t* p = static_cast<const std::uint8_t*>(current_);
  if (*p == 0) return 0;
  if (!singleByte_ && IsLeadByte(*p) && p[1] != 0) {
    current_ = p + 2;
    return std::uint32_t{p[0]} << 8 | p[1];
  }
  current_ = p + 1;
  return *p;
}

int TextIterator::Length() {
  if (length_ >= 0) return length_;
  const void* kept = current_;
  current_ = start_;
  int length = 0;
  while (Next() != 0) ++length;
  current_ = kept;
  length_ = length;
  return length_;
}

}  // namespace corvel
