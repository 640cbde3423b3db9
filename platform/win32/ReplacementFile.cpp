#include "platform/win32/ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>

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

}  // namespace

ReplacementFile::ReplacementFile(const std::string& destination) : destination_(FollowLinks(destination)) {
  if (destination_.empty()) return;
  struct stat existing;
  const bool replaces = stat(destination_.c_str(), &existing) == 0;
  if (replaces && (!S_ISREG(existing.st_mode) || WriteRefused(destination_, existing))) return;
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = destination_ + ".~wf" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    // A new file gets the usual permissions, as the destination would have; a replacement
    // starts private and takes the old file's mode and owner before anything is written.
    // Readable too: some writers read back what they wrote (a multi-page file links its pages).
    int fd = open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, replaces ? 0600 : 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return;
    }
    if (replaces && !TakeOver(fd, existing)) {
      close(fd);
      std::remove(temporary_.c_str());
      return;
    }
    file_ = fdopen(fd, "w+b");
    if (!file_) {
      close(fd);
      std::remove(temporary_.c_str());
    }
    return;
  }
}

ReplacementFile::~ReplacementFile() {
  if (file_) {
    std::fclose(file_);
    std::remove(temporary_.c_str());
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
  if (written && std::rename(temporary_.c_str(), destination_.c_str()) == 0) return true;
  std::remove(temporary_.c_str());
  return false;
}

}  // namespace platform
