// wf-host run in a folder of the test's own, with a registry of its own; ImageMagick makes the
// inputs and reads the outputs.
#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace wf_host_test {

struct Outcome {
  int exitCode = -1;
  std::string error;  // standard error
};

inline std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Standard output of a shell command.
inline std::string Output(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    pclose(pipe);
  }
  return text;
}

inline bool Convert(const std::string& arguments) {
  return std::system(("/usr/bin/convert " + arguments).c_str()) == 0;
}

inline std::string Identify(const std::string& format, const std::string& path) {
  return Output("/usr/bin/identify -format '" + format + "' '" + path + "[0]' 2>/dev/null");
}

// The oracle's samples of a picture, at the depth asked for.
inline std::string Samples(const std::string& path, int depth, const std::string& options = "") {
  return Output("/usr/bin/convert '" + path + "' " + options + " -depth " + std::to_string(depth) +
                " rgb:- 2>/dev/null");
}

class WfHost : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("WF_TEST_TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/wf-host-XXXXXX";
    folder_ = mkdtemp(pattern.data());
    setenv("WF_REGISTRY", Path("registry").c_str(), 1);
    ASSERT_TRUE(Convert("-size 40x30 gradient:red-blue -depth 8 -type TrueColor " + Path("in.png")));
    ASSERT_TRUE(Convert("-size 40x30 gradient:red-blue -depth 16 " + Path("in16.png")));
  }
  void TearDown() override {
    unsetenv("WF_REGISTRY");
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  // Runs wf-host in the test's folder, after the shell's commands `before` (a limit, say).
  Outcome Host(const std::string& arguments, const std::string& before = "") const {
    const std::string errors = Path("stderr.txt");
    const std::string command = before + "cd '" + folder_ +
                                "' && " WF_HOST_PATH " --plugins " WF_PLUGINS_DIR " " + arguments +
                                " > /dev/null 2> '" + errors + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Contents(errors)};
  }

  std::string folder_;
};

}  // namespace wf_host_test
