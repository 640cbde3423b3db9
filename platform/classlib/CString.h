// The class library's counted string: 8-bit characters, value semantics, printf formatting.
#pragma once
#include <string>

#include "platform/win32/Types.h"

class CString {
 public:
  CString() = default;
  CString(LPCSTR text) : text_(text ? text : "") {}
  CString(const std::string& text) : text_(text) {}
  CString(char c, int count = 1) : text_(static_cast<std::size_t>(count > 0 ? count : 0), c) {}
  CString(LPCSTR text, int length) : text_(text ? std::string(text, static_cast<std::size_t>(length)) : "") {}

  int GetLength() const { return static_cast<int>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }
  operator LPCSTR() const { return text_.c_str(); }
  LPCSTR GetString() const { return text_.c_str(); }
  const std::string& str() const { return text_; }
  char GetAt(int index) const { return text_.at(static_cast<std::size_t>(index)); }
  char operator[](int index) const { return GetAt(index); }
  void SetAt(int index, char c) { text_.at(static_cast<std::size_t>(index)) = c; }

  // printf-style; the result replaces the string.
  void Format(LPCSTR format, ...) __attribute__((format(printf, 2, 3)));
  void AppendFormat(LPCSTR format, ...) __attribute__((format(printf, 2, 3)));
  // Loads string `id` of the resource module; false (and empty) when it has none.
  BOOL LoadString(UINT id);

  CString& operator=(LPCSTR text) {
    text_ = text ? text : "";
    return *this;
  }
  CString& operator+=(const CString& other) {
    text_ += other.text_;
    return *this;
  }
  CString& operator+=(LPCSTR text) {
    if (text) text_ += text;
    return *this;
  }
  CString& operator+=(char c) {
    text_ += c;
    return *this;
  }
  friend CString operator+(const CString& a, const CString& b) { return CString(a.text_ + b.text_); }
  friend CString operator+(const CString& a, LPCSTR b) { return CString(a.text_ + (b ? b : "")); }
  friend CString operator+(LPCSTR a, const CString& b) { return CString((a ? a : "") + b.text_); }
  friend CString operator+(const CString& a, char b) { return CString(a.text_ + b); }
  friend bool operator==(const CString& a, const CString& b) { return a.text_ == b.text_; }
  friend bool operator==(const CString& a, LPCSTR b) { return a.text_ == (b ? b : ""); }
  friend bool operator!=(const CString& a, const CString& b) { return a.text_ != b.text_; }
  friend bool operator!=(const CString& a, LPCSTR b) { return !(a == b); }
  friend bool operator<(const CString& a, const CString& b) { return a.text_ < b.text_; }

  int Compare(LPCSTR other) const;
  int CompareNoCase(LPCSTR other) const;
  int Find(char c, int start = 0) const;
  int Find(LPCSTR sub, int start = 0) const;
  int ReverseFind(char c) const;
  CString Left(int count) const;
  CString Right(int count) const;
  CString Mid(int first, int count = -1) const;
  CString& MakeLower();
  CString& MakeUpper();
  CString& TrimLeft();
  CString& TrimRight();
  CString& Trim() { return TrimLeft().TrimRight(); }
  int Replace(LPCSTR from, LPCSTR to);
  int Delete(int index, int count = 1);
  int Insert(int index, LPCSTR text);

  // A writable buffer of at least `minimum` characters; ReleaseBuffer takes its length back
  // (to the first zero for -1).
  char* GetBuffer(int minimum);
  void ReleaseBuffer(int length = -1);

 private:
  std::string text_;
};
