#include "platform/registry/detail/Hive.h"

#include <strings.h>

#include <cstring>
#include <sstream>

namespace platform::registry {
namespace {

const char* const kHeader = "WF-REGISTRY 1";
const char* const kRootNames[kRootCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER"};
const char kHex[] = "0123456789abcdef";

bool NeedsEscape(unsigned char c) { return c < 0x20 || c == 0x7F || std::strchr("%\"\\[]", c) != nullptr; }

std::string Escape(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (NeedsEscape(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Unescape(const std::string& text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c != '%') {
      if (NeedsEscape(c)) return false;
      out += static_cast<char>(c);
      continue;
    }
    if (i + 2 >= text.size()) return false;
    int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

bool ParseHeader(const std::string& line, Hive& hive, Key*& key) {
  if (line.size() < 2 || line.back() != ']') return false;
  std::string path = line.substr(1, line.size() - 2);
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = path.find('\\', start);
    parts.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (parts.size() > kMaxDepth + 1) return false;
  key = nullptr;
  for (int root = 0; root < kRootCount; ++root) {
    if (parts[0] == kRootNames[root]) key = &hive.roots[root];
  }
  if (!key) return false;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    std::string name;
    if (!Unescape(parts[i], name) || name.empty()) return false;
    Key* sub = key->FindSubKey(name);
    key = sub ? sub : &key->AddSubKey(name);
  }
  return true;
}

bool ParseValue(const std::string& line, Key& key) {
  std::string name;
  std::size_t rest;
  if (line[0] == '@') {
    rest = 1;
  } else {
    std::size_t close = line.find('"', 1);
    if (line[0] != '"' || close == std::string::npos) return false;
    if (!Unescape(line.substr(1, close - 1), name) || name.empty()) return false;
    rest = close + 1;
  }
  if (rest >= line.size() || line[rest] != '=') return false;
  std::size_t colon = line.find(':', rest + 1);
  if (colon == std::string::npos || colon == rest + 1 || colon - rest - 1 > 10) return false;
  unsigned long long type = 0;
  for (std::size_t i = rest + 1; i < colon; ++i) {
    if (line[i] < '0' || line[i] > '9') return false;
    type = type * 10 + static_cast<unsigned>(line[i] - '0');
  }
  if (type > 0xFFFFFFFFull) return false;
  std::size_t digits = line.size() - colon - 1;
  if (digits % 2 != 0) return false;
  if (key.FindValue(name)) return false;
  Value value{name, static_cast<DWORD>(type), {}};
  value.data.reserve(digits / 2);
  for (std::size_t i = colon + 1; i < line.size(); i += 2) {
    int high = HexDigit(line[i]), low = HexDigit(line[i + 1]);
    if (high < 0 || low < 0) return false;
    value.data.push_back(static_cast<BYTE>(high * 16 + low));
  }
  key.values.push_back(std::move(value));
  return true;
}

void FormatKey(const Key& key, const std::string& path, std::ostringstream& out) {
  out << '[' << path << "]\n";
  for (const Value& value : key.values) {
    if (value.name.empty()) {
      out << '@';
    } else {
      out << '"' << Escape(value.name) << '"';
    }
    out << '=' << value.type << ':';
    for (BYTE b : value.data) out << kHex[b >> 4] << kHex[b & 15];
    out << '\n';
  }
  for (const auto& sub : key.subKeys) FormatKey(*sub, path + "\\" + Escape(sub->name), out);
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

Key* Key::FindSubKey(const std::string& subName) const {
  for (const auto& sub : subKeys) {
    if (SameName(sub->name, subName)) return sub.get();
  }
  return nullptr;
}

Value* Key::FindValue(const std::string& valueName) {
  for (Value& value : values) {
    if (SameName(value.name, valueName)) return &value;
  }
  return nullptr;
}

Key& Key::AddSubKey(const std::string& subName) {
  subKeys.push_back(std::make_unique<Key>());
  subKeys.back()->name = subName;
  return *subKeys.back();
}

bool ParseHive(const std::string& text, Hive& hive) {
  std::size_t start = 0;
  bool first = true;
  Key* key = nullptr;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first) {
      if (line != kHeader) return false;
      first = false;
    } else if (line.empty()) {
      continue;
    } else if (line[0] == '[') {
      if (!ParseHeader(line, hive, key)) return false;
    } else if (!key || !ParseValue(line, *key)) {
      return false;
    }
  }
  return !first || text.empty();
}

std::string FormatHive(const Hive& hive) {
  std::ostringstream out;
  out << kHeader << '\n';
  for (int root = 0; root < kRootCount; ++root) FormatKey(hive.roots[root], kRootNames[root], out);
  return out.str();
}

}  // namespace platform::registry
