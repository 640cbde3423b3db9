// The registry's keys and values in memory, and their text form in the registry file:
//   WF-REGISTRY 1
//   [HKEY_CURRENT_USER\Software\Veltramoor]
//   "Feathering"=4:0a000000        (name, type, data in hexadecimal; @ is the default value)
// Names are percent-escaped where a byte would break the line's structure.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/Types.h"

namespace platform::registry {

struct Value {
  std::string name;
  DWORD type = 0;
  std::vector<BYTE> data;
};

struct Key {
  std::string name;
  std::vector<Value> values;  // in the order they were first set
  std::vector<std::unique_ptr<Key>> subKeys;

  Key* FindSubKey(const std::string& subName) const;
  Value* FindValue(const std::string& valueName);
  Key& AddSubKey(const std::string& subName);
};

enum Root { kClassesRoot, kCurrentUser, kRootCount };

struct Hive {
  Key roots[kRootCount];
};

// Sub keys nest no deeper than the platform allows; a file that does is corrupt.
constexpr std::size_t kMaxDepth = 512;

bool SameName(const std::string& a, const std::string& b);
// False for any text that is not a well-formed registry file; `hive` is then unspecified.
bool ParseHive(const std::string& text, Hive& hive);
std::string FormatHive(const Hive& hive);

}  // namespace platform::registry
