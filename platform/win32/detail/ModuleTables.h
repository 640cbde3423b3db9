// The tables of entries each module registers (its binary resources, its strings), kept by the
// module's canonical handle and read under one lock.
#pragma once
#include <cstddef>
#include <map>
#include <mutex>
#include <vector>

#include "platform/win32/Module.h"

namespace platform::detail {

template <class Entry>
class ModuleTables {
 public:
  // A table already registered for the module is not added twice.
  void Register(HINSTANCE module, const Entry* entries, std::size_t count) {
    std::lock_guard<std::mutex> guard(lock_);
    auto& tables = tables_[CanonicalModule(module)];
    for (const Table& table : tables) {
      if (table.entries == entries) return;
    }
    tables.push_back({entries, count});
  }

  void Unregister(HINSTANCE module) {
    std::lock_guard<std::mutex> guard(lock_);
    tables_.erase(CanonicalModule(module));
  }

  // The first entry, in the order the tables were registered, that `match` accepts; null when
  // none does. `known` tells whether the module registered any table.
  template <class Match>
  const Entry* Find(HINSTANCE module, Match match, bool* known = nullptr) {
    std::lock_guard<std::mutex> guard(lock_);
    auto tables = tables_.find(CanonicalModule(module));
    if (known) *known = tables != tables_.end();
    if (tables == tables_.end()) return nullptr;
    for (const Table& table : tables->second) {
      for (std::size_t i = 0; i < table.count; ++i) {
        if (match(table.entries[i])) return &table.entries[i];
      }
    }
    return nullptr;
  }

 private:
  struct Table {
    const Entry* entries;
    std::size_t count;
  };
  std::mutex lock_;
  std::map<HINSTANCE, std::vector<Table>> tables_;
};

}  // namespace platform::detail
