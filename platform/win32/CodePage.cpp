#include "platform/win32/CodePage.h"

#include <cstring>
#include <string>

namespace {

struct DoubleBytePage {
  UINT codePage;
  BYTE leadBytes[MAX_LEADBYTES];
};

constexpr DoubleBytePage kDoubleBytePages[] = {
    {932, {0x81, 0x9F, 0xE0, 0xFC}},
    {936, {0x81, 0xFE}},
    {949, {0x81, 0xFE}},
    {950, {0x81, 0xFE}},
};

constexpr UINT kSingleBytePage = 1252;

// Windows-1252 differs from Latin-1 in 0x80-0x9F only.
constexpr unsigned short kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(unsigned long unicode, std::string* out) {
  if (unicode < 0x80) {
    out->push_back(static_cast<char>(unicode));
    return;
  }
  if (unicode < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (unicode >> 6)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (unicode >> 12)));
    out->push_back(static_cast<char>(0x80 | ((unicode >> 6) & 0x3F)));
  }
  out->push_back(static_cast<char>(0x80 | (unicode & 0x3F)));
}

// The bytes after a lead byte of UTF-8; -1 for a byte no character starts with.
int ContinuationBytes(unsigned char lead) {
  if (lead < 0x80) return 0;
  if (lead >= 0xC2 && lead < 0xE0) return 1;
  if (lead >= 0xE0 && lead < 0xF0) return 2;
  if (lead >= 0xF0 && lead < 0xF5) return 3;
  return -1;
}

// The character starting at `at`, which moves past it; false for bytes that are no UTF-8 (overlong
// forms and surrogates included).
bool NextUtf8(const std::string& text, std::size_t* at, unsigned long* unicode) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(*at);
  const int more = ContinuationBytes(lead);
  if (more < 0 || *at + static_cast<std::size_t>(more) >= text.size()) return false;
  unsigned long value = more ? lead & (0x3F >> more) : lead;
  for (int i = 1; i <= more; ++i) {
    if ((byte(*at + i) & 0xC0) != 0x80) return false;
    value = value << 6 | (byte(*at + i) & 0x3F);
  }
  static constexpr unsigned long kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (value < kLeast[more] || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) return false;
  *at += static_cast<std::size_t>(more) + 1;
  *unicode = value;
  return true;
}

const DoubleBytePage* FindDoubleBytePage(UINT codePage) {
  for (const DoubleBytePage& page : kDoubleBytePages) {
    if (page.codePage == codePage) return &page;
  }
  return nullptr;
}

}  // namespace

BOOL GetCPInfo(UINT codePage, CPINFO* info) {
  if (info == nullptr) return FALSE;
  const DoubleBytePage* page = FindDoubleBytePage(codePage);
  if (page == nullptr && codePage != CP_ACP && codePage != CP_OEMCP && codePage != kSingleBytePage)
    return FALSE;
  std::memset(info, 0, sizeof *info);
  info->MaxCharSize = page != nullptr ? 2 : 1;
  info->DefaultChar[0] = '?';
  if (page != nullptr) std::memcpy(info->LeadByte, page->leadBytes, sizeof info->LeadByte);
  return TRUE;
}

BOOL IsDBCSLeadByteEx(UINT codePage, BYTE byte) {
  const DoubleBytePage* page = FindDoubleBytePage(codePage);
  if (page == nullptr) return FALSE;
  for (int i = 0; i + 1 < MAX_LEADBYTES && page->leadBytes[i] != 0; i += 2) {
    if (byte >= page->leadBytes[i] && byte <= page->leadBytes[i + 1]) return TRUE;
  }
  return FALSE;
}

unsigned long UnicodeOfCodePageByte(unsigned char character) {
  return character >= 0x80 && character < 0xA0 ? kHigh[character - 0x80] : character;
}

int CodePageByteOf(unsigned long unicode) {
  if (unicode < 0x80 || (unicode >= 0xA0 && unicode <= 0xFF)) return static_cast<int>(unicode);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == unicode) return 0x80 + i;
  }
  return -1;
}

namespace platform {

std::string Utf8FromCodePage(const std::string& text) {
  std::string utf8;
  utf8.reserve(text.size());
  for (const char c : text) AppendUtf8(UnicodeOfCodePageByte(static_cast<unsigned char>(c)), &utf8);
  return utf8;
}

bool CodePageFromUtf8(const std::string& utf8, std::string* text) {
  std::string converted;
  for (std::size_t at = 0; at < utf8.size();) {
    unsigned long unicode = 0;
    if (!NextUtf8(utf8, &at, &unicode)) return false;
    const int byte = CodePageByteOf(unicode);
    converted.push_back(byte < 0 ? '?' : static_cast<char>(byte));
  }
  *text = std::move(converted);
  return true;
}

}  // namespace platform
