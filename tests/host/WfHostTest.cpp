// wf-host run as a user runs it: a disk that fills during the save. ImageMagick makes the inputs.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
  int exitCode = -1;
  std::string error;  // standard error
};

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Convert(const std::string& arguments) {
  return std::system(("/usr/bin/convert " + arguments).c_str()) == 0;
}

class WfHost : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("WF_TEST_TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/wf-host-XXXXXX";
    folder_ = mkdtemp(pattern.data());
    setenv("WF_REGISTRY", Path("registry").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("WF_REGISTRY");
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  // Runs wf-host in the test's folder.
  Outcome Host(const std::string& arguments) const {
    const std::string errors = Path("stderr.txt");
    const std::string command = "cd '" + folder_ + "' && " WF_HOST_PATH " --plugins " WF_PLUGINS_DIR " " +
                                arguments + " > /dev/null 2> '" + errors + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Contents(errors)};
  }

  std::string folder_;
};

// A save that does not fit (one page of the disk is left) leaves the old file whole and no temporary beside
// it.
TEST_F(WfHost, AFullDiskKeepsTheOldOutput) {
  const std::string disk = Path("disk");
  std::filesystem::create_directory(disk);
  if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=8k") != 0)
    GTEST_SKIP() << "no small tmpfs can be mounted here (" << std::strerror(errno) << ")";
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{disk};
  ASSERT_TRUE(Convert("-size 160x120 xc: +noise Random -depth 16 " + Path("noise16.png")));
  std::ofstream(disk + "/out.png") << "old picture";
  const Outcome run = Host("--in noise16.png --out disk/out.png");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contents(disk + "/out.png") == "old picture");
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(disk)) entries += !entry.path().empty();
  EXPECT_EQ(entries, 1);
}

}  // namespace
