#include "platform/registry/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <set>

#include "platform/registry/detail/Hive.h"
#include "platform/win32/ReplacementFile.h"

namespace {

using platform::registry::Hive;
using platform::registry::Key;
using platform::registry::Value;

// Files larger than this are not a registry this system wrote.
constexpr std::size_t kMaxFileSize = 64u << 20;
constexpr DWORD kMaxValueSize = 16u << 20;

struct OpenKey {
  int root;
  std::vector<std::string> path;
  REGSAM access;
};

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  timespec modified{}, changed{};
  bool operator==(const FileIdentity& o) const {
    return device == o.device && inode == o.inode && size == o.size && Same(modified, o.modified) &&
           Same(changed, o.changed);
  }
  static bool Same(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
  }
};

struct State {
  std::recursive_mutex lock;  // a batch holds it from its start to its end
  int batchLock = -1;         // the lock between processes that the open batches hold
  int batches = 0;
  bool pending = false;  // changes of the batch not yet in the file
  std::set<OpenKey*> handles;
  Hive hive;
  std::string loadedPath;
  FileIdentity loadedFile;
  bool loaded = false;
  std::string failure;  // why the file last failed a call, for the user
  void (*writeHook)() = nullptr;
};

using Guard = std::lock_guard<std::recursive_mutex>;

State& Registry() {
  static State state;
  return state;
}

// The shell's browser command, which a fresh registry answers as the platform would.
void AddDefaults(Hive& hive) {
  Key* key = &hive.roots[platform::registry::kClassesRoot];
  for (const char* name : {"http", "shell", "open", "command"}) {
    Key* sub = key->FindSubKey(name);
    key = sub ? sub : &key->AddSubKey(name);
  }
  if (!key->FindValue("")) {
    const char command[] = "xdg-open";
    key->values.push_back({"", REG_SZ, std::vector<BYTE>(command, command + sizeof command)});
  }
}

FileIdentity IdentityOf(const struct stat& info) {
  return {info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

// A failed call's status; why the file could not serve it is kept for the user.
LSTATUS Failed(State& state, LSTATUS status, std::string why) {
  state.failure = std::move(why);
  return status;
}

std::string SystemReason(int error) { return error ? std::strerror(error) : "the system gave no reason"; }

// Only a regular file of a registry's size is read: a pipe would wait for a writer, a device or
// a huge file would be read to the cap for nothing.
LSTATUS RefuseUnread(State& state, const std::string& path, const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return Failed(state, ERROR_CANTREAD, path + " is a folder");
  if (!S_ISREG(info.st_mode)) return Failed(state, ERROR_REGISTRY_CORRUPT, path + " is not a regular file");
  if (static_cast<std::uint64_t>(info.st_size) > kMaxFileSize)
    return Failed(state, ERROR_REGISTRY_CORRUPT, path + " is larger than a registry can be");
  return ERROR_SUCCESS;
}

// The whole file; one that grows while it is read is read no further than the cap either.
LSTATUS ReadCapped(State& state, int fd, const std::string& path, struct stat& info, std::string& text) {
  if (fstat(fd, &info) != 0) return Failed(state, ERROR_CANTREAD, path + ": " + SystemReason(errno));
  LSTATUS status = RefuseUnread(state, path, info);
  if (status != ERROR_SUCCESS) return status;
  text.clear();
  text.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Failed(state, ERROR_CANTREAD, path + " cannot be read: " + SystemReason(errno));
    if (got == 0) return ERROR_SUCCESS;
    if (text.size() + static_cast<std::size_t>(got) > kMaxFileSize)
      return Failed(state, ERROR_REGISTRY_CORRUPT, path + " is larger than a registry can be");
    text.append(buffer, static_cast<std::size_t>(got));
  }
}

// Brings the hive in step with the file; a missing file is an empty registry.
LSTATUS Load(State& state) {
  if (state.pending) return ERROR_SUCCESS;  // the batch holds the lock: the file is as it read it
  std::string path = platform::RegistryPath();
  if (path.empty())
    return Failed(state, ERROR_CANTREAD, "it has no place: neither WF_REGISTRY nor HOME is set");
  struct stat info;
  FileIdentity identity;
  const bool exists = stat(path.c_str(), &info) == 0;
  if (!exists && errno != ENOENT) return Failed(state, ERROR_CANTREAD, path + ": " + SystemReason(errno));
  if (exists) {
    const LSTATUS status = RefuseUnread(state, path, info);
    if (status != ERROR_SUCCESS) return status;
    identity = IdentityOf(info);
  }
  if (state.loaded && state.loadedPath == path && state.loadedFile == identity) return ERROR_SUCCESS;
  state.loaded = false;
  Hive hive;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0 && errno != ENOENT)
    return Failed(state, ERROR_CANTREAD, path + " cannot be read: " + SystemReason(errno));
  if (fd >= 0) {
    std::string text;
    const LSTATUS status = ReadCapped(state, fd, path, info, text);
    close(fd);
    if (status != ERROR_SUCCESS) return status;
    identity = IdentityOf(info);  // what was read, should the file have been replaced since
    if (!platform::registry::ParseHive(text, hive))
      return Failed(state, ERROR_REGISTRY_CORRUPT, path + " is not a registry file; it is left as it is");
  } else {
    identity = {};
  }
  AddDefaults(hive);
  for (int root = 0; root < platform::registry::kRootCount; ++root) {
    state.hive.roots[root] = std::move(hive.roots[root]);
  }
  state.loadedPath = path;
  state.loadedFile = identity;
  state.loaded = true;
  state.failure.clear();
  return ERROR_SUCCESS;
}

LSTATUS Save(State& state) {
  // Whatever happens, the next call rereads the file: a failed write leaves the file as it was.
  state.loaded = false;
  std::string text = platform::registry::FormatHive(state.hive);
  platform::ReplacementFile file(state.loadedPath);
  if (!file.Stream())
    return Failed(state, ERROR_CANTWRITE,
                  state.loadedPath + " cannot be written: " + platform::WhyNotReplaceable(state.loadedPath));
  std::size_t half = text.size() / 2;
  bool written = std::fwrite(text.data(), 1, half, file.Stream()) == half;
  if (state.writeHook) {
    std::fflush(file.Stream());
    state.writeHook();
  }
  written = written &&
            std::fwrite(text.data() + half, 1, text.size() - half, file.Stream()) == text.size() - half;
  if (!written || !file.Commit())
    return Failed(state, ERROR_CANTWRITE, state.loadedPath + " cannot be written: " + SystemReason(errno));
  struct stat info;
  state.failure.clear();
  state.loaded = stat(state.loadedPath.c_str(), &info) == 0;
  if (state.loaded) state.loadedFile = IdentityOf(info);
  return ERROR_SUCCESS;
}

// The lock between processes, on a file beside the registry's; -1 when it cannot be had.
int LockBeside(const std::string& path) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  const int fd = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  while (flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      const int error = errno;
      close(fd);
      errno = error;
      return -1;
    }
  }
  return fd;
}

// Takes the lock between processes and rereads the file under it: the change lands on what
// every process wrote before, and no other change can come between its read and its write.
LSTATUS LockAndReload(State& state, int& fd) {
  LSTATUS status = Load(state);  // refuses what is not a registry before a lock file is made
  if (status != ERROR_SUCCESS) return status;
  fd = LockBeside(state.loadedPath);
  if (fd < 0)
    return Failed(state, ERROR_CANTWRITE,
                  "the lock file " + state.loadedPath + ".lock cannot be made: " + SystemReason(errno));
  state.loaded = false;  // the file's identity alone could miss a replacement
  return Load(state);
}

// One change of the file: read, changed and written under the lock, or kept for the batch.
class Change {
 public:
  explicit Change(State& state) : state_(state) {}
  Change(const Change&) = delete;
  Change& operator=(const Change&) = delete;
  ~Change() {
    if (lock_ >= 0) close(lock_);
  }
  LSTATUS Begin() { return state_.batchLock >= 0 ? ERROR_SUCCESS : LockAndReload(state_, lock_); }
  LSTATUS Commit() {
    if (state_.batchLock < 0) return Save(state_);
    state_.pending = true;
    return ERROR_SUCCESS;
  }

 private:
  State& state_;
  int lock_ = -1;
};

bool IsRoot(HKEY key, int& root) {
  if (key == HKEY_CLASSES_ROOT) {
    root = platform::registry::kClassesRoot;
  } else if (key == HKEY_CURRENT_USER) {
    root = platform::registry::kCurrentUser;
  } else {
    return false;
  }
  return true;
}

// The open key behind a handle: its root, path and access.
LSTATUS Describe(State& state, HKEY key, OpenKey& out) {
  if (IsRoot(key, out.root)) {
    out.path.clear();
    out.access = KEY_ALL_ACCESS;
    return ERROR_SUCCESS;
  }
  auto* open = reinterpret_cast<OpenKey*>(key);
  if (!key || !state.handles.count(open)) return ERROR_INVALID_HANDLE;
  out = *open;
  return ERROR_SUCCESS;
}

Key* Walk(Key* key, const std::vector<std::string>& path) {
  for (const std::string& name : path) {
    if (!key) break;
    key = key->FindSubKey(name);
  }
  return key;
}

// Splits "A\B\C"; false for empty levels. Null and empty name the key itself.
bool SplitPath(LPCSTR subKey, std::vector<std::string>& parts) {
  parts.clear();
  if (!subKey || !*subKey) return true;
  std::string path(subKey);
  std::size_t start = 0;
  for (;;) {
    std::size_t end = path.find('\\', start);
    std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty()) return false;
    parts.push_back(part);
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

// Loads the file, finds the key behind the handle and checks the access the call needs.
LSTATUS Resolve(State& state, HKEY handle, REGSAM needed, OpenKey& open, Key*& key) {
  LSTATUS status = Describe(state, handle, open);
  if (status == ERROR_SUCCESS) status = Load(state);
  if (status != ERROR_SUCCESS) return status;
  if ((open.access & needed) != needed) return ERROR_ACCESS_DENIED;
  key = Walk(&state.hive.roots[open.root], open.path);
  return key ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

HKEY NewHandle(State& state, const OpenKey& parent, const std::vector<std::string>& path, REGSAM access) {
  auto* open = new OpenKey{parent.root, parent.path, access};
  open->path.insert(open->path.end(), path.begin(), path.end());
  state.handles.insert(open);
  return reinterpret_cast<HKEY>(open);
}

std::string ValueName(LPCSTR name) { return name ? name : ""; }

LSTATUS CopyData(const Value& value, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (data && !size) return ERROR_INVALID_PARAMETER;
  if (type) *type = value.type;
  if (!size) return ERROR_SUCCESS;
  DWORD needed = static_cast<DWORD>(value.data.size());
  DWORD room = *size;
  *size = needed;
  if (!data) return ERROR_SUCCESS;
  if (room < needed) return ERROR_MORE_DATA;
  if (needed) std::memcpy(data, value.data.data(), needed);
  return ERROR_SUCCESS;
}

// The registry answers allocation failures as the platform does rather than throwing them
// into a caller that expects a status.
template <class Body>
LSTATUS Guarded(Body body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

// A call that hands back a handle to a key below another: the place for the handle is cleared and
// the path split before `open` runs under the registry's lock.
template <class Open>
LSTATUS OpenUnder(LPCSTR subKey, PHKEY result, Open open) {
  return Guarded([&]() -> LSTATUS {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::vector<std::string> path;
    if (!SplitPath(subKey, path)) return ERROR_INVALID_PARAMETER;
    State& state = Registry();
    Guard guard(state.lock);
    return open(state, path);
  });
}

// Finds the key behind the handle under the registry's lock and answers from it.
template <class Read>
LSTATUS ReadKey(HKEY handle, REGSAM needed, Read read) {
  State& state = Registry();
  Guard guard(state.lock);
  OpenKey open;
  Key* node = nullptr;
  LSTATUS status = Resolve(state, handle, needed, open, node);
  return status == ERROR_SUCCESS ? read(*node) : status;
}

// Finds the key behind the handle for one change of the file; what `edit` does is saved when it
// succeeds.
template <class Edit>
LSTATUS EditKey(HKEY handle, REGSAM needed, Edit edit) {
  State& state = Registry();
  Guard guard(state.lock);
  OpenKey open;
  Key* node = nullptr;
  Change change(state);
  LSTATUS status = change.Begin();
  if (status == ERROR_SUCCESS) status = Resolve(state, handle, needed, open, node);
  if (status == ERROR_SUCCESS) status = edit(*node);
  return status == ERROR_SUCCESS ? change.Commit() : status;
}
}  // namespace

namespace platform {

std::string RegistryPath() {
  const char* named = std::getenv("WF_REGISTRY");
  if (named && *named) return named;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config && config[0] == '/') {
    folder = config;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return "";
    folder = std::string(home) + "/.config";
  }
  return folder + "/Veltramoor/registry";
}

RegistryBatch::RegistryBatch() {
  State& state = Registry();
  state.lock.lock();
  if (state.batches++ > 0) return;
  status_ = Guarded([&] { return LockAndReload(state, state.batchLock); });
  if (status_ != ERROR_SUCCESS && state.batchLock >= 0) {
    close(state.batchLock);
    state.batchLock = -1;
  }
}

RegistryBatch::~RegistryBatch() { Finish(); }

LSTATUS RegistryBatch::Finish() {
  if (finished_) return status_;
  finished_ = true;
  State& state = Registry();
  if (--state.batches == 0 && state.batchLock >= 0) {
    if (state.pending) {
      state.pending = false;
      status_ = Guarded([&] { return Save(state); });
    }
    close(state.batchLock);
    state.batchLock = -1;
  }
  state.lock.unlock();
  return status_;
}

std::string RegistryFailureReason() {
  Guard guard(Registry().lock);
  return Registry().failure;
}

void SetRegistryWriteHook(void (*hook)()) {
  Guard guard(Registry().lock);
  Registry().writeHook = hook;
}

}  // namespace platform

LSTATUS RegCreateKeyEx(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM access, void*, PHKEY result,
                       LPDWORD disposition) {
  return OpenUnder(subKey, result, [&](State& state, const std::vector<std::string>& path) -> LSTATUS {
    OpenKey parent;
    Key* node = nullptr;
    Change change(state);
    LSTATUS status = path.empty() ? ERROR_SUCCESS : change.Begin();
    if (status == ERROR_SUCCESS)
      status = Resolve(state, key, path.empty() ? 0 : KEY_CREATE_SUB_KEY, parent, node);
    if (status != ERROR_SUCCESS) return status;
    if (parent.path.size() + path.size() > platform::registry::kMaxDepth) return ERROR_INVALID_PARAMETER;
    bool created = false;
    for (const std::string& name : path) {
      Key* sub = node->FindSubKey(name);
      if (!sub) {
        sub = &node->AddSubKey(name);
        created = true;
      }
      node = sub;
    }
    if (created && (status = change.Commit()) != ERROR_SUCCESS) return status;
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(state, parent, path, access);
    return ERROR_SUCCESS;
  });
}

LSTATUS RegOpenKeyEx(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result) {
  return OpenUnder(subKey, result, [&](State& state, const std::vector<std::string>& path) -> LSTATUS {
    OpenKey parent;
    Key* node = nullptr;
    LSTATUS status = Resolve(state, key, 0, parent, node);
    if (status != ERROR_SUCCESS) return status;
    if (!Walk(node, path)) return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(state, parent, path, access);
    return ERROR_SUCCESS;
  });
}

LSTATUS RegCloseKey(HKEY key) {
  return Guarded([&]() -> LSTATUS {
    int root;
    if (IsRoot(key, root)) return ERROR_SUCCESS;
    State& state = Registry();
    Guard guard(state.lock);
    auto* open = reinterpret_cast<OpenKey*>(key);
    if (!key || !state.handles.erase(open)) return ERROR_INVALID_HANDLE;
    delete open;
    return ERROR_SUCCESS;
  });
}

LSTATUS RegDeleteKey(HKEY key, LPCSTR subKey) {
  return Guarded([&]() -> LSTATUS {
    std::vector<std::string> path;
    if (!SplitPath(subKey, path) || path.empty()) return ERROR_INVALID_PARAMETER;
    return EditKey(key, 0, [&](Key& node) -> LSTATUS {
      std::string last = path.back();
      path.pop_back();
      Key* parent = Walk(&node, path);
      Key* target = parent ? parent->FindSubKey(last) : nullptr;
      if (!target) return ERROR_FILE_NOT_FOUND;
      if (!target->subKeys.empty()) return ERROR_ACCESS_DENIED;
      auto& siblings = parent->subKeys;
      for (auto it = siblings.begin(); it != siblings.end(); ++it) {
        if (it->get() == target) {
          siblings.erase(it);
          break;
        }
      }
      return ERROR_SUCCESS;
    });
  });
}

LSTATUS RegQueryValueEx(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                        LPDWORD size) {
  return Guarded([&]() -> LSTATUS {
    if (reserved) return ERROR_INVALID_PARAMETER;
    return ReadKey(key, KEY_QUERY_VALUE, [&](Key& node) -> LSTATUS {
      Value* value = node.FindValue(ValueName(valueName));
      if (!value) return ERROR_FILE_NOT_FOUND;
      return CopyData(*value, type, data, size);
    });
  });
}

LSTATUS RegSetValueEx(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size) {
  return Guarded([&]() -> LSTATUS {
    if ((!data && size) || size > kMaxValueSize) return ERROR_INVALID_PARAMETER;
    return EditKey(key, KEY_SET_VALUE, [&](Key& node) -> LSTATUS {
      std::string name = ValueName(valueName);
      Value* value = node.FindValue(name);
      if (!value) {
        node.values.push_back({name, 0, {}});
        value = &node.values.back();
      }
      value->type = type;
      value->data.assign(data, data + size);
      return ERROR_SUCCESS;
    });
  });
}

LSTATUS RegDeleteValue(HKEY key, LPCSTR valueName) {
  return Guarded([&]() -> LSTATUS {
    return EditKey(key, KEY_SET_VALUE, [&](Key& node) -> LSTATUS {
      Value* value = node.FindValue(ValueName(valueName));
      if (!value) return ERROR_FILE_NOT_FOUND;
      node.values.erase(node.values.begin() + (value - node.values.data()));
      return ERROR_SUCCESS;
    });
  });
}

LSTATUS RegEnumValue(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                     LPBYTE data, LPDWORD dataSize) {
  return Guarded([&]() -> LSTATUS {
    if (!name || !nameSize || reserved) return ERROR_INVALID_PARAMETER;
    return ReadKey(key, KEY_QUERY_VALUE, [&](Key& node) -> LSTATUS {
      if (index >= node.values.size()) return ERROR_NO_MORE_ITEMS;
      const Value& value = node.values[index];
      if (value.name.size() >= *nameSize) return ERROR_MORE_DATA;
      std::memcpy(name, value.name.c_str(), value.name.size() + 1);
      *nameSize = static_cast<DWORD>(value.name.size());
      return CopyData(value, type, data, dataSize);
    });
  });
}
