#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/win32/ReplacementFile.h"

namespace {

class Folder {
 public:
  Folder() {
    const char* base = std::getenv("WF_TEST_TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/wf-replace-XXXXXX";
    path_ = mkdtemp(pattern.data());
  }
  ~Folder() { std::filesystem::remove_all(path_); }
  std::string File(const char* name) const { return path_ + "/" + name; }
  int Entries() const {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) n += !entry.path().empty();
    return n;
  }

 private:
  std::string path_;
};

std::string Contents(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TEST(ReplacementFile, ReplacesTheDestinationOnlyOnCommit) {
  Folder folder;
  const std::string path = folder.File("settings");
  std::ofstream(path) << "old";
  {
    platform::ReplacementFile file(path);
    ASSERT_NE(file.Stream(), nullptr);
    std::fputs("half", file.Stream());
    EXPECT_EQ(Contents(path), "old");
  }  // dropped without a commit
  EXPECT_EQ(Contents(path), "old");
  EXPECT_EQ(folder.Entries(), 1);

  platform::ReplacementFile file(path);
  ASSERT_NE(file.Stream(), nullptr);
  std::fputs("new", file.Stream());
  EXPECT_TRUE(file.Commit());
  EXPECT_EQ(Contents(path), "new");
  EXPECT_EQ(folder.Entries(), 1);
  EXPECT_FALSE(file.Commit());
}

TEST(ReplacementFile, FailsWhereNoFileCanBeMade) {
  Folder folder;
  platform::ReplacementFile file(folder.File("missing/settings"));
  EXPECT_EQ(file.Stream(), nullptr);
  EXPECT_FALSE(file.Commit());
}

TEST(ReplacementFile, KeepsTheDestinationWhenAWriteFailedBefore) {
  Folder folder;
  const std::string path = folder.File("settings");
  std::ofstream(path) << "old";
  platform::ReplacementFile file(path);
  ASSERT_NE(file.Stream(), nullptr);
  std::fputs("new", file.Stream());
  // A read from a stream open only for writing fails and sets the error flag, as a lost
  // write does, while the buffered bytes still flush.
  EXPECT_EQ(std::fgetc(file.Stream()), EOF);
  ASSERT_NE(std::ferror(file.Stream()), 0);
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(Contents(path), "old");
  EXPECT_EQ(folder.Entries(), 1);
}
