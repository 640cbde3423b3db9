// Code pages as the platform answers them. Its own text is single-byte (Windows-1252, which is
// also its ANSI and OEM code page); the double-byte code pages 932, 936, 949 and 950 are known by
// their lead bytes; no other code page is installed.
#pragma once
#include <string>

#include "platform/win32/Types.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr int MAX_LEADBYTES = 12;
constexpr int MAX_DEFAULTCHAR = 2;

struct CPINFO {
  UINT MaxCharSize;
  BYTE DefaultChar[MAX_DEFAULTCHAR];
  BYTE LeadByte[MAX_LEADBYTES];  // pairs of first and last lead byte, ended by a zero pair
};

// FALSE for a code page that is not installed.
BOOL GetCPInfo(UINT codePage, CPINFO* info);
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE byte);

// The Unicode character of a byte of the text code page.
unsigned long UnicodeOfCodePageByte(unsigned char character);
// The byte of the text code page for a Unicode character; -1 for a character it does not have.
int CodePageByteOf(unsigned long unicode);

namespace platform {
// Text of the text code page in UTF-8, as the file system names files.
std::string Utf8FromCodePage(const std::string& text);
// UTF-8 in the text code page, '?' for a character the page lacks; false for bytes that are not
// UTF-8 (a name written in the code page itself).
bool CodePageFromUtf8(const std::string& utf8, std::string* text);
}  // namespace platform
