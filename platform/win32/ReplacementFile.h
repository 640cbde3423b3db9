// Writing a file so that it is never seen half written: the bytes go to a file of a unique
// name beside the destination, which replaces the destination only once everything is written.
#pragma once
#include <cstdio>
#include <string>

namespace platform {

class ReplacementFile {
 public:
  // Opens the temporary file; Stream() is null when that failed, and where a plain write to
  // the destination would be refused (a read-only file, something other than a file). A link
  // is followed: its target is replaced and the link kept. The new file has the old one's mode.
  explicit ReplacementFile(const std::string& destination);
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  // Without a Commit the temporary file is removed and the destination left as it was.
  ~ReplacementFile();

  FILE* Stream() const { return file_; }
  // Flushes and closes the file and moves it over the destination; false, leaving the
  // destination as it was, when any of that fails or any write to Stream() failed before.
  bool Commit();

 private:
  std::string destination_;
  std::string temporary_;
  FILE* file_ = nullptr;
};

}  // namespace platform
