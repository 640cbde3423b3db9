// Writing a file so that it is never seen half written: the bytes go to a file of a unique
// name beside the destination, which replaces the destination only once everything is written.
#pragma once
#include <climits>
#include <cstdio>
#include <string>

namespace platform {

// The longest name (without its folder) a destination may have for its temporary's name, the
// destination's with ".~wf<pid>-<count>" after it, still to be a file name.
constexpr std::size_t kLongestReplaceableName = NAME_MAX - 22;

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
  int slot_ = -1;  // where a signal handler finds the temporary's name
};

// Why no replacement of the destination could be opened, as far as the file system tells; for
// right after a ReplacementFile's stream came out null.
std::string WhyNotReplaceable(const std::string& destination);

// Removes the temporary files of replacements not yet committed; safe in a signal handler.
void RemoveUnfinishedReplacements();
// Makes SIGINT and SIGTERM remove those files first, then end the process as they would have.
void RemoveUnfinishedReplacementsOnSignals();
// Removes the temporaries that writes to the destination left behind, of writers killed
// mid-write: only files of the temporaries' own naming whose writing process has ended and
// whose lock nobody holds. Every ReplacementFile does so before it writes.
void RemoveLeftoverTemporaries(const std::string& destination);

}  // namespace platform
