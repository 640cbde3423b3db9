#include "platform/win32/replacement_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace platform {

ReplacementFile::ReplacementFile(const std::string& destination) : destination_(destination) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = destination_ + ".~wf" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    // Created with the usual permissions, as the destination would have been.
    int fd = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return;
    }
    file_ = fdopen(fd, "wb");
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
  bool written = std::fflush(file) == 0 && fsync(fileno(file)) == 0;
  written = std::fclose(file) == 0 && written;
  if (written && std::rename(temporary_.c_str(), destination_.c_str()) == 0) return true;
  std::remove(temporary_.c_str());
  return false;
}

}  // namespace platform
