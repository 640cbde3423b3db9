// What the tests of windows live on an X server share: a server of the test program's own (Xvfb
// on a display number it chooses itself), stopped at the end, also when a test fails (if the
// program dies, the server goes with its last client); the shell for xdotool and ImageMagick;
// the folder for the pictures a test leaves to be looked at, and how to read them back.
#pragma once
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <X11/Xlib.h>

namespace wf_test {

// A shell command's exit status.
inline int Shell(const std::string& command) { return std::system(command.c_str()); }

inline std::string TempPath(const std::string& name) {
  const char* dir = std::getenv("WF_TEST_TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/" + name;
}

// Raw 8-bit RGB of an image file, through ImageMagick.
inline std::vector<unsigned char> ReadRgb(const std::string& png) {
  std::string raw = png + ".rgb";
  if (Shell("convert " + png + " -depth 8 rgb:" + raw) != 0) return {};
  std::ifstream in(raw, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

class XServer {
 public:
  inline static Display* keeper = nullptr;

  // Empty when the server runs and DISPLAY names it; else what went wrong. `screen`: Xvfb's
  // WIDTHxHEIGHTxDEPTH.
  std::string Start(const char* screen = "1280x1024x24") {
    int ready[2];
    if (pipe(ready) != 0) return "no pipe";
    pid_ = fork();
    if (pid_ < 0) return "no fork";
    if (pid_ == 0) {
      close(ready[0]);
      std::string fd = std::to_string(ready[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
             "-terminate", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ready[1]);
    std::string number;
    char c;
    ssize_t got;
    while ((got = read(ready[0], &c, 1)) != 0 && c != '\n') {
      if (got > 0)
        number += c;
      else if (errno != EINTR)
        break;
    }
    close(ready[0]);
    if (number.empty()) return "Xvfb did not start: install the Debian package xvfb (make test does)";
    if (const char* before = std::getenv("DISPLAY")) displayBefore_ = before;
    setenv("DISPLAY", (":" + number).c_str(), 1);
    unsetenv("WF_HEADLESS");
    // Held to the end: -terminate stops the server when its last client goes, so a crashed
    // run leaves no server behind either.
    keeper = XOpenDisplay(nullptr);
    return keeper ? "" : "cannot connect to Xvfb on :" + number;
  }

  XServer() = default;
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;
  ~XServer() {
    if (keeper) XCloseDisplay(keeper);
    keeper = nullptr;
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
      if (displayBefore_.empty())
        unsetenv("DISPLAY");
      else
        setenv("DISPLAY", displayBefore_.c_str(), 1);
    }
  }

 private:
  pid_t pid_ = -1;
  std::string displayBefore_;
};

}  // namespace wf_test
