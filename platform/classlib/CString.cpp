#include "platform/classlib/CString.h"

#include <strings.h>
#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/classlib/CWinApp.h"
#include "platform/win32/Resource.h"

namespace {

std::string VFormat(LPCSTR format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (length <= 0) return std::string();
  std::string out(static_cast<std::size_t>(length) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), format, args);
  out.resize(static_cast<std::size_t>(length));
  return out;
}

}  // namespace

void CString::Format(LPCSTR format, ...) {
  va_list args;
  va_start(args, format);
  text_ = VFormat(format, args);
  va_end(args);
}

void CString::AppendFormat(LPCSTR format, ...) {
  va_list args;
  va_start(args, format);
  text_ += VFormat(format, args);
  va_end(args);
}

BOOL CString::LoadString(UINT id) {
  char buffer[4096];
  int length = ::LoadString(AfxGetResourceHandle(), id, buffer, sizeof buffer);
  text_.assign(buffer, static_cast<std::size_t>(std::max(0, length)));
  return length > 0;
}

int CString::Compare(LPCSTR other) const { return std::strcmp(text_.c_str(), other ? other : ""); }
int CString::CompareNoCase(LPCSTR other) const { return strcasecmp(text_.c_str(), other ? other : ""); }

int CString::Find(char c, int start) const {
  if (start < 0 || start > GetLength()) return -1;
  auto at = text_.find(c, static_cast<std::size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(LPCSTR sub, int start) const {
  if (!sub || start < 0 || start > GetLength()) return -1;
  auto at = text_.find(sub, static_cast<std::size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char c) const {
  auto at = text_.rfind(c);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const {
  return CString(text_.substr(0, static_cast<std::size_t>(std::clamp(count, 0, GetLength()))));
}

CString CString::Right(int count) const {
  int n = std::clamp(count, 0, GetLength());
  return CString(text_.substr(text_.size() - static_cast<std::size_t>(n)));
}

CString CString::Mid(int first, int count) const {
  first = std::clamp(first, 0, GetLength());
  int available = GetLength() - first;
  int n = count < 0 ? available : std::min(count, available);
  return CString(text_.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(n)));
}

CString& CString::MakeLower() {
  for (char& c : text_) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return *this;
}

CString& CString::MakeUpper() {
  for (char& c : text_) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return *this;
}

CString& CString::TrimLeft() {
  auto first = std::find_if(text_.begin(), text_.end(),
                            [](char c) { return !std::isspace(static_cast<unsigned char>(c)); });
  text_.erase(text_.begin(), first);
  return *this;
}

CString& CString::TrimRight() {
  while (!text_.empty() && std::isspace(static_cast<unsigned char>(text_.back()))) text_.pop_back();
  return *this;
}

int CString::Replace(LPCSTR from, LPCSTR to) {
  if (!from || !*from) return 0;
  std::string with = to ? to : "";
  std::size_t length = std::strlen(from);
  int count = 0;
  for (std::size_t at = text_.find(from); at != std::string::npos; at = text_.find(from, at + with.size())) {
    text_.replace(at, length, with);
    ++count;
  }
  return count;
}

int CString::Delete(int index, int count) {
  if (index >= 0 && index < GetLength() && count > 0) {
    text_.erase(static_cast<std::size_t>(index), static_cast<std::size_t>(count));
  }
  return GetLength();
}

int CString::Insert(int index, LPCSTR text) {
  text_.insert(static_cast<std::size_t>(std::clamp(index, 0, GetLength())), text ? text : "");
  return GetLength();
}

char* CString::GetBuffer(int minimum) {
  if (minimum > GetLength()) text_.resize(static_cast<std::size_t>(minimum));
  return text_.data();
}

void CString::ReleaseBuffer(int length) {
  if (length < 0) length = static_cast<int>(std::strlen(text_.c_str()));
  text_.resize(static_cast<std::size_t>(std::min(length, GetLength())));
}
