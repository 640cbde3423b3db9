// wf-host where memory runs short or a file claims more pixels than any decoder takes: one line
// and nothing written, never an abort, and no pixel buffer for a picture past the limit.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/FilterHost.h"
#include "tests/WaitUntil.h"
#include "tests/host/HugeFiles.h"
#include "tests/host/WfHostFixture.h"

namespace {

using namespace wf_host_test;

// The sanitizers reserve terabytes of address space: a limit on it stops them from starting.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kAddressSpaceLimits = false;
#else
constexpr bool kAddressSpaceLimits = true;
#endif

// The pixels of the image need more than the run's address space is given.
TEST_F(WfHost, RunningOutOfMemoryIsOneLineAndWritesNothing) {
  if (!kAddressSpaceLimits) GTEST_SKIP() << "no address-space limit under a sanitizer";
  WritePng(Path("rgb.png"), 10000, 10000, 8, 3, 10000);
  WritePng(Path("rgb16.png"), 8000, 8000, 16, 3, 8000);
  struct Case {
    const char *arguments, *limitKilobytes, *error;
  } cases[] = {
      {"--in rgb.png --out out.png", "450000",  // the host's buffer
       "wf-host: rgb.png: ran out of memory loading the image; out.png is not written\n"},
      {"--in rgb.png --out out.png", "200000",  // the image-file library's
       "wf-host: rgb.png: ran out of memory loading the image; out.png is not written\n"},
      {"--in rgb16.png --out out.png", "300000",
       "wf-host: rgb16.png: ran out of memory loading the image; out.png is not written\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.arguments) + " in " + c.limitKilobytes + " KB");
    const Outcome run = Host(c.arguments, std::string("ulimit -v ") + c.limitKilobytes + " && ");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.error, c.error);
    EXPECT_FALSE(std::filesystem::exists(Path("out.png")));
  }
}

// A tile within its budget (some 400 MB) that the system will not give the memory for is told as
// memory running out, not as a tile too large: the two ask different things of the user.
TEST_F(WfHost, ATileWithoutMemoryIsToldApartFromATileTooLarge) {
  if (!kAddressSpaceLimits) GTEST_SKIP() << "no address-space limit under a sanitizer";
  ASSERT_TRUE(Convert("-size 1000x1000 plasma:fractal -seed 1 -depth 8 " + Path("picture.png")));
  const Outcome run = Host("--in picture.png --out out.png --set TilingMethod=P4M --set TileSize=2500",
                           "ulimit -v 250000 && export WF_THREADS=1 && ");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(
      run.error,
      "! Out of memory !: The memory ran out while the tile was made. Close other programs, or choose a "
      "smaller tile size or image.\n"
      "wf-host: picture.png: Wendle Forge ran out of memory; out.png is not written\n");
  EXPECT_FALSE(std::filesystem::exists(Path("out.png")));
}

// Threads whose stacks the address space cannot hold are not started: the threads there are do
// their rows, with the same bytes, rather than the filter failing.
TEST_F(WfHost, ThreadsThatCannotStartLeaveTheirRowsToTheOthers) {
  if (!kAddressSpaceLimits) GTEST_SKIP() << "no address-space limit under a sanitizer";
  ASSERT_TRUE(Convert("-size 200x150 plasma:fractal -seed 2 -depth 8 " + Path("picture.png")));
  ASSERT_EQ(Host("--in picture.png --out all.png", "export WF_THREADS=8 && ").exitCode, 0);
  // Each thread's stack would take 4 GB of the 3 GB there are.
  const Outcome run = Host("--in picture.png --out out.png",
                           "ulimit -v 3000000 && ulimit -s 4000000 && export WF_THREADS=8 && ");
  EXPECT_EQ(run.exitCode, 0) << run.error;
  EXPECT_EQ(run.error, "");
  EXPECT_EQ(Contents(Path("out.png")), Contents(Path("all.png")));
}

// The module asks the host for memory through its handles: memory not to be had is a null handle
// or an error, which the module can tell, not an exception through its entry point.
TEST(HostHandles, MemoryNotToBeHadIsANullHandleOrAnError) {
  if (!kAddressSpaceLimits) GTEST_SKIP() << "no address-space limit under a sanitizer";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t room = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t{256} << 20);
    const rlimit limit{room, room};
    host::HandleProcs* procs = wfhost::HostHandleProcs();
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(2);
    try {  // the child must not return into the test program
      if (procs->newProc(INT_MAX) != nullptr) _exit(3);
      host::Handle handle = procs->newProc(16);
      if (!handle || procs->setSizeProc(handle, INT_MAX) != host::memFullErr) _exit(4);
      const bool kept = procs->getSizeProc(handle) == 16;
      procs->disposeProc(handle);
      _exit(kept ? 0 : 5);
    } catch (...) {
      _exit(6);
    }
  }
  int status = 0;
  ASSERT_TRUE(wf_test::WaitForChild(child, status));
  EXPECT_TRUE(WIFEXITED(status)) << "killed by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 0)
      << "3, 4: no null handle or error; 5: the handle changed; 6: an exception";
}

// A few kilobytes may claim gigabytes of 16-bit pixels: the image-file library's decode limit
// holds for them too, in its words, before their buffer is made.
TEST_F(WfHost, SixteenBitPicturesPastTheDecodeLimitAreRefusedAsEightBitOnesAre) {
  WritePng(Path("huge8.png"), 20000, 20000, 8, 3, 1);
  WritePng(Path("huge16.png"), 20000, 20000, 16, 3, 1);
  WriteSharedStripTiff(Path("huge16.tif"), 32000, 32000, 64);
  ASSERT_LT(std::filesystem::file_size(Path("huge16.tif")), 1u << 20);
  const Outcome eight = Host("--in huge8.png --out out.png");
  ASSERT_EQ(eight.error, "wf-host: huge8.png: Image too large to decode\n");
  // Not enough room for the pixels: a reader that made their buffer would fail otherwise.
  const std::string limit = kAddressSpaceLimits ? "ulimit -v 2000000 && " : "";
  for (const char* name : {"huge16.png", "huge16.tif"}) {
    SCOPED_TRACE(name);
    const Outcome run = Host(std::string("--in ") + name + " --out out.png", limit);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.error, "wf-host: " + std::string(name) + ": Image too large to decode\n");
  }
  EXPECT_FALSE(std::filesystem::exists(Path("out.png")));
}

}  // namespace
