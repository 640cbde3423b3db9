#include "platform/win32/ReplacementFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

namespace platform {

namespace {

// The file a write to path lands in: symbolic links followed, as an open for writing does,
// so that the link stays and its target is replaced. Empty for a loop of links.
std::string FollowLinks(std::string path) {
  for (int hop = 0; hop < 40; ++hop) {
    struct stat status;
    if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof(target) - 1);
    if (length < 0) return path;
    target[length] = '\0';
    const std::size_t slash = path.rfind('/');
    path = target[0] == '/' || slash == std::string::npos ? std::string(target)
                                                          : path.substr(0, slash + 1) + target;
  }
  return {};
}

// A plain write would be refused by the permissions. Root passes every permission check, but
// a file no one may write is still read-only to it.
bool WriteRefused(const std::string& path, const struct stat& status) {
  return access(path.c_str(), W_OK) != 0 || (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// Gives the new file the old one's owner and mode, where the system lets us; a group that
// cannot be kept loses the group's rights rather than hand them to another group.
bool TakeOver(int fd, const struct stat& old) {
  mode_t mode = old.st_mode & 0777;
  if (fchown(fd, old.st_uid, old.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
    mode &= ~static_cast<mode_t>(S_IRWXG);
  }
  return fchmod(fd, mode) == 0;
}

// The names of temporaries being written, where a signal handler can read them: fixed slots
// and lock-free atomics, nothing allocated.
struct Unfinished {
  std::atomic<int> state{0};  // 0 free, 1 being filled, 2 holds a name
  char path[PATH_MAX];
};
Unfinished unfinished[16];
static_assert(std::atomic<int>::is_always_lock_free);

int Track(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int slot = 0; slot < 16; ++slot) {
    int free = 0;
    if (unfinished[slot].state.compare_exchange_strong(free, 1)) {
      std::memcpy(unfinished[slot].path, path.c_str(), path.size() + 1);
      unfinished[slot].state.store(2);
      return slot;
    }
  }
  return -1;
}

void Untrack(int slot) {
  if (slot >= 0) unfinished[slot].state.store(0);
}

// Temporaries are named "<destination>.~wf<pid>-<count>": a process number of 7 digits at most
// (the system's highest), a count of 10.
const char kTemporaryMark[] = ".~wf";
static_assert(kLongestReplaceableName + sizeof kTemporaryMark - 1 + 7 + 1 + 10 == NAME_MAX);

// The writer's process of a temporary's name after the mark, or 0 where the rest is not
// "<pid>-<count>".
pid_t WriterOf(const char* rest) {
  long long pid = 0;
  const char* c = rest;
  for (; *c >= '0' && *c <= '9' && pid <= INT_MAX; ++c) pid = pid * 10 + (*c - '0');
  if (c == rest || *c != '-' || pid > INT_MAX) return 0;
  const char* count = ++c;
  while (*c >= '0' && *c <= '9') ++c;
  return c != count && *c == '\0' ? static_cast<pid_t>(pid) : 0;
}

void RemoveAndRaise(int signal) {
  RemoveUnfinishedReplacements();
  raise(signal);  // delivered with the default action once the handler returns
}

}  // namespace

std::string WhyNotReplaceable(const std::string& destination) {
  const int opening = errno;
  auto reason = [](int error) { return error ? std::strerror(error) : "the system gave no reason"; };
  const std::string path = FollowLinks(destination);
  if (path.empty()) return "the links to it go round in a loop";
  struct stat info;
  if (stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return "it is a folder";
    if (!S_ISREG(info.st_mode)) return "it is not a regular file";
    if (WriteRefused(path, info)) return "the file is read-only";
  }
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  if (stat(folder.c_str(), &info) != 0) {
    return errno == ENOENT ? "the folder " + folder + " does not exist"
                           : "the folder " + folder + ": " + reason(errno);
  }
  if (!S_ISDIR(info.st_mode)) return folder + " is not a folder";
  if (access(folder.c_str(), W_OK) != 0) return "the folder " + folder + ": " + reason(errno);
  return reason(opening);
}

void RemoveUnfinishedReplacements() {
  for (Unfinished& slot : unfinished) {
    if (slot.state.load() == 2) unlink(slot.path);
  }
}

void RemoveUnfinishedReplacementsOnSignals() {
  struct sigaction action {};
  action.sa_handler = RemoveAndRaise;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM}) sigaction(signal, &action, nullptr);
}

void RemoveLeftoverTemporaries(const std::string& destination) {
  const std::string target = FollowLinks(destination);
  if (target.empty()) return;
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string prefix = target.substr(slash + 1) + kTemporaryMark;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) != 0) continue;
    const pid_t writer = WriterOf(entry->d_name + prefix.size());
    // A writer that lives, here or in another process space (it holds the lock), keeps its file.
    if (writer <= 0 || kill(writer, 0) == 0 || errno != ESRCH) continue;
    const int fd = openat(dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) unlinkat(dirfd(dir), entry->d_name, 0);
    close(fd);
  }
  closedir(dir);
}

ReplacementFile::ReplacementFile(const std::string& destination) : destination_(FollowLinks(destination)) {
  if (destination_.empty()) return;
  RemoveLeftoverTemporaries(destination_);
  struct stat existing;
  const bool replaces = stat(destination_.c_str(), &existing) == 0;
  if (replaces && (!S_ISREG(existing.st_mode) || WriteRefused(destination_, existing))) return;
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = destination_ + kTemporaryMark + std::to_string(getpid()) + "-" + std::to_string(counter++);
    // A new file gets the usual permissions, as the destination would have; a replacement
    // starts private and takes the old file's mode and owner before anything is written.
    // Readable too: some writers read back what they wrote (a multi-page file links its pages).
    int fd = open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, replaces ? 0600 : 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return;
    }
    // Held while the file is open: a writer in another process space is alive to a cleaner too.
    flock(fd, LOCK_EX | LOCK_NB);
    if (replaces && !TakeOver(fd, existing)) {
      close(fd);
      std::remove(temporary_.c_str());
      return;
    }
    file_ = fdopen(fd, "w+b");
    if (!file_) {
      close(fd);
      std::remove(temporary_.c_str());
      return;
    }
    slot_ = Track(temporary_);
    return;
  }
}

ReplacementFile::~ReplacementFile() {
  if (file_) {
    std::fclose(file_);
    std::remove(temporary_.c_str());
    Untrack(slot_);
  }
}

bool ReplacementFile::Commit() {
  if (!file_) return false;
  FILE* file = file_;
  file_ = nullptr;
  // A write that failed earlier may leave nothing for the flush to fail on; only the error
  // flag remembers it.
  bool written = std::fflush(file) == 0 && std::ferror(file) == 0 && fsync(fileno(file)) == 0;
  written = std::fclose(file) == 0 && written;
  const bool replaced = written && std::rename(temporary_.c_str(), destination_.c_str()) == 0;
  if (!replaced) std::remove(temporary_.c_str());
  Untrack(slot_);
  return replaced;
}

}  // namespace platform
