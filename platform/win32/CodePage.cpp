#include "platform/win32/CodePage.h"

#include <cstring>

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
