#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
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
  // A write past the file size limit fails and its bytes are dropped; the later ones still
  // fit once the limit is lifted, so only the error flag remembers the loss.
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit small{16, limit.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string lost(8192, 'x');
  EXPECT_LT(std::fwrite(lost.data(), 1, lost.size(), file.Stream()), lost.size());
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  std::signal(SIGXFSZ, previous);
  std::fputs("end", file.Stream());
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(Contents(path), "old");
  EXPECT_EQ(folder.Entries(), 1);
}

TEST(ReplacementFile, WhatIsWrittenCanBeReadBack) {
  Folder folder;
  platform::ReplacementFile file(folder.File("settings"));
  ASSERT_NE(file.Stream(), nullptr);
  std::fputs("header", file.Stream());
  ASSERT_EQ(std::fseek(file.Stream(), 0, SEEK_SET), 0);
  char read[7] = {};
  EXPECT_EQ(std::fread(read, 1, 6, file.Stream()), 6u);
  EXPECT_STREQ(read, "header");
  EXPECT_TRUE(file.Commit());
  EXPECT_EQ(Contents(folder.File("settings")), "header");
}

// A writer stopped by SIGINT or SIGTERM mid-write leaves no temporary and ends by the signal.
TEST(ReplacementFile, ASignalRemovesTheUnfinishedFileAndEndsTheProcess) {
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    Folder folder;
    const std::string destination = folder.File("result.png");
    std::ofstream(destination) << "old";
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
      platform::RemoveUnfinishedReplacementsOnSignals();
      platform::ReplacementFile file(destination);
      std::fputs("new, half written", file.Stream());
      std::fflush(file.Stream());
      if (write(ready[1], "x", 1) != 1) _exit(2);
      for (;;) pause();
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    close(ready[1]);
    EXPECT_EQ(folder.Entries(), 2);
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), signal);
    EXPECT_EQ(folder.Entries(), 1);
    EXPECT_EQ(Contents(destination), "old");
  }
}

TEST(ReplacementFile, LeftoverTemporariesOfOnlyThatDestinationGo) {
  Folder folder;
  const std::string destination = folder.File("registry");
  std::ofstream(destination) << "kept";
  std::ofstream(destination + ".~wf4242-0") << "left by a killed writer";
  std::ofstream(folder.File("registry2.~wf4242-0")) << "another file's";
  platform::RemoveLeftoverTemporaries(destination);
  EXPECT_EQ(folder.Entries(), 2);
  EXPECT_EQ(Contents(destination), "kept");
  EXPECT_EQ(Contents(folder.File("registry2.~wf4242-0")), "another file's");
}
