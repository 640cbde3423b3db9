// A fresh directory for one test's files, removed with everything in it at the end.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>

class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("WF_TEST_TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/wf-codecs-XXXXXX";
    if (char* made = mkdtemp(pattern.data())) path_ = made;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }

  std::string Path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};
