#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

// A process that has ended: its pid names no process until the system hands it out again.
pid_t EndedProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

// Only temporaries of that destination's naming whose writer has ended go, with the next save
// or when asked; a live writer's stay, also one of another process space, which holds the lock.
TEST(ReplacementFile, OnlyTheLeftoverTemporariesOfEndedWritersGo) {
  Folder folder;
  const std::string destination = folder.File("out.png");
  const std::string ended = std::to_string(EndedProcess()), live = std::to_string(getpid());
  const std::string locked = destination + ".~wf" + ended + "-1";
  std::ofstream(locked) << "a writer of another process space";
  const int lock = open(locked.c_str(), O_RDONLY);
  ASSERT_EQ(flock(lock, LOCK_EX), 0);
  const std::vector<std::string> kept = {
      locked,
      destination + ".~wf" + live + "-0",                // a live writer's
      destination + ".~wf" + ended + "-2.old",           // not its naming
      destination + ".~wf" + ended,                      // nor this
      destination + ".~wfx-0",                           // nor this
      folder.File("other.png") + ".~wf" + ended + "-0",  // another destination's
  };
  for (const std::string& path : kept) std::ofstream(path) << "kept";
  for (const char* save : {"asked", "save"}) {
    SCOPED_TRACE(save);
    std::ofstream(destination + ".~wf" + ended + "-0") << "left by a killed writer";
    std::ofstream(destination + ".~wf" + ended + "-17") << "and another";
    if (save == std::string("asked")) {
      platform::RemoveLeftoverTemporaries(destination);
    } else {
      platform::ReplacementFile file(destination);
      ASSERT_TRUE(file.Stream());
      EXPECT_TRUE(file.Commit());
    }
    EXPECT_FALSE(std::filesystem::exists(destination + ".~wf" + ended + "-0"));
    EXPECT_FALSE(std::filesystem::exists(destination + ".~wf" + ended + "-17"));
    for (const std::string& path : kept) EXPECT_TRUE(std::filesystem::exists(path)) << path;
  }
  close(lock);
}
