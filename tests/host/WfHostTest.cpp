// wf-host run as a user runs it: the format each output extension names, 16-bit results, one
// line with the file and the reason for every refusal, and a disk that fills during the save.
// ImageMagick makes the inputs and reads the outputs.
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
#include <utility>
#include <vector>

#include "tests/host/HugeFiles.h"
#include "tests/host/WfHostFixture.h"

namespace {

using namespace wf_host_test;

int Lines(const std::string& text) {
  int lines = 0;
  for (char c : text) lines += c == '\n';
  return lines;
}

TEST_F(WfHost, WritesTheFormatItsExtensionNames) {
  ASSERT_EQ(Host("--in in.png --out out.png").exitCode, 0);
  const std::string expected = Samples(Path("out.png"), 8);
  ASSERT_EQ(expected.size(), 40u * 30 * 3);
  struct Case {
    const char* extension;
    const char* format;
    const char* readOptions;  // null: lossy, not compared
  } cases[] = {
      {"bmp", "BMP", ""},   {"jpg", "JPEG", nullptr},          {"tif", "TIFF", ""},
      {"tiff", "TIFF", ""}, {"gif", "GIF", "-layers flatten"}, {"tga", "TGA", "-flip"},
      {"pcx", "PCX", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.extension);
    const std::string name = std::string("out.") + c.extension;
    const Outcome run = Host("--in in.png --out " + name);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(Identify("%m", Path(name)).rfind(c.format, 0), 0u) << Identify("%m", Path(name));
    if (c.readOptions) {
      EXPECT_TRUE(Samples(Path(name), 8, c.readOptions) == expected);
    }
  }
}

TEST_F(WfHost, SixteenBitResultsKeepSixteenBitsWhereTheFormatHoldsThem) {
  ASSERT_EQ(Host("--in in16.png --out out.png").exitCode, 0);
  EXPECT_EQ(Identify("%z", Path("out.png")), "16");
  const Outcome tiff = Host("--in in16.png --out out.tif");
  EXPECT_EQ(tiff.exitCode, 0);
  EXPECT_EQ(tiff.error, "");
  EXPECT_EQ(Identify("%m %z", Path("out.tif")), "TIFF 16");
  EXPECT_TRUE(Samples(Path("out.tif"), 16) == Samples(Path("out.png"), 16));

  ASSERT_TRUE(Convert("-size 40x30 gradient: -depth 16 -colorspace Gray " + Path("grey16.png")));
  ASSERT_EQ(Host("--in grey16.png --out grey.tif").exitCode, 0);
  EXPECT_EQ(Identify("%m %z %[colorspace]", Path("grey.tif")), "TIFF 16 Gray");

  for (const char* name : {"out.bmp", "out.jpg"}) {
    SCOPED_TRACE(name);
    const Outcome run = Host(std::string("--in in16.png --out ") + name);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(Lines(run.error), 1);
    EXPECT_NE(run.error.find("8 bits"), std::string::npos) << run.error;
    EXPECT_EQ(Identify("%z", Path(name)), "8");
  }
}

TEST_F(WfHost, AnUnknownExtensionIsRefusedBeforeTheInputIsRead) {
  const Outcome run = Host("--in missing.png --out out.xyz");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.error.rfind("wf-host: out.xyz: ", 0), 0u) << run.error;
  EXPECT_EQ(Lines(run.error), 1);
  EXPECT_FALSE(std::filesystem::exists(Path("out.xyz")));
}

// The settings cannot be kept, but the run is not lost for that; the user is told so once, with
// the reason, and the registry is left as it is.
TEST_F(WfHost, ARegistryThatCannotBeWrittenIsToldOnceAndLeavesTheRunWhole) {
  std::filesystem::create_directory(Path("folder"));
  std::ofstream(Path("corrupt")) << "not a registry\n";
  std::ofstream(Path("readonly")) << "WF-REGISTRY 1\n";
  chmod(Path("readonly").c_str(), 0444);
  ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
  struct Case {
    std::string registry;
    const char* reason;
  } cases[] = {
      {Path("folder"), " is a folder"},
      {Path("corrupt"), " is not a registry file; it is left as it is"},
      {Path("readonly"), " cannot be written: the file is read-only"},
      {Path("pipe"), " is not a regular file"},
      {"/dev/zero", " is not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.registry);
    setenv("WF_REGISTRY", c.registry.c_str(), 1);
    std::filesystem::remove(Path("out.png"));
    const Outcome run = Host("--in in.png --out out.png");
    EXPECT_EQ(run.exitCode, 0) << run.error;
    EXPECT_TRUE(std::filesystem::is_regular_file(Path("out.png")));
    EXPECT_EQ(run.error,
              "Settings: The settings could not be kept for the next use: " + c.registry + c.reason + ".\n");
  }
  EXPECT_EQ(Contents(Path("corrupt")), "not a registry\n");
  EXPECT_EQ(Contents(Path("readonly")), "WF-REGISTRY 1\n");
  EXPECT_EQ(std::filesystem::status(Path("pipe")).type(), std::filesystem::file_type::fifo);
}

TEST_F(WfHost, RefusalsNameTheFileAndTheReasonInOneLine) {
  ASSERT_TRUE(Convert("-size 40x30 xc:black " + Path("black.png")));
  ASSERT_TRUE(Convert("-size 40x30 plasma:fractal -seed 1 " + Path("whole.jpg")));
  const std::string jpeg = Contents(Path("whole.jpg"));
  std::ofstream(Path("cut.jpg"), std::ios::binary) << jpeg.substr(0, 200);
  WritePng(Path("huge.png"), 20000, 20000, 8, 1, 20000);
  std::ofstream(Path("readonly.png")) << "old";
  chmod(Path("readonly.png").c_str(), 0444);
  std::filesystem::create_directory(Path("folder.png"));
  std::ofstream(Path("short.png")) << "\x89PNG\r\n";
  std::ofstream(Path("empty.png"));
  ASSERT_EQ(mkfifo(Path("pipe.png").c_str(), 0600), 0);
  struct Case {
    const char* arguments;
    const char* file;
    const char* reason;
  } cases[] = {
      {"--in missing.png --out out.png", "missing.png", "No such file"},
      {"--in in.png --selection nomask.png --out out.png", "nomask.png", "No such file"},
      {"--in in.png --out nofolder/out.png", "nofolder/out.png", "does not exist"},
      {"--in in.png --out readonly.png", "readonly.png", "read-only"},
      {"--in cut.jpg --out out.png", "cut.jpg", "truncated"},
      {"--in huge.png --out out.png", "huge.png", "too large"},
      {"--in in.png --selection black.png --out out.png", "black.png", "empty"},
      {"--in folder.png --out out.png", "folder.png", "is a folder"},
      {"--in in.png --selection folder.png --out out.png", "folder.png", "is a folder"},
      {"--in short.png --out out.png", "short.png", "too short to be an image file (6 bytes)"},
      {"--in in.png --selection short.png --out out.png", "short.png", "too short"},
      {"--in empty.png --out out.png", "empty.png", "is empty"},
      {"--in pipe.png --out out.png", "pipe.png", "not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const Outcome run = Host(c.arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.error), 1) << run.error;
    EXPECT_EQ(run.error.rfind("wf-host: " + std::string(c.file) + ": ", 0), 0u) << run.error;
    EXPECT_NE(run.error.find(c.reason), std::string::npos) << run.error;
  }
  EXPECT_EQ(Contents(Path("readonly.png")), "old");
}

// A filter that fails has said why; wf-host's line after it tells what became of the run, with
// no host code, and a damaged 16-bit picture gets the image-file library's reason, as others do.
// A cell placed with no room on a narrow image is told with what the user can do about it.
TEST_F(WfHost, FailuresSayWhyWithoutHostCodes) {
  ASSERT_TRUE(Convert("-size 3000x3000 xc:gray " + Path("big.png")));
  ASSERT_TRUE(Convert("-size 10x10 xc:red " + Path("small.png")));
  ASSERT_TRUE(Convert("-size 60x40 plasma:fractal -seed 1 -depth 8 " + Path("whole8.png")));
  ASSERT_TRUE(Convert("-size 60x40 plasma:fractal -seed 1 -depth 16 " + Path("whole16.png")));
  WritePng(Path("wide.png"), 30000, 20, 8, 3, 20);
  std::ofstream(Path("cut8.png"), std::ios::binary) << Contents(Path("whole8.png")).substr(0, 200);
  std::ofstream(Path("cut16.png"), std::ios::binary) << Contents(Path("whole16.png")).substr(0, 200);
  const std::string cut8 = Host("--in cut8.png --out out.png").error;
  ASSERT_EQ(cut8.rfind("wf-host: cut8.png: ", 0), 0u) << cut8;
  std::string flat = " --raw";  // all three corners on one point
  for (const char* corner : {"Point1", "Point2", "Point3"})
    flat += std::string(" --set ") + corner + "X=0.5 --set " + corner + "Y=0.5";
  struct Case {
    std::string arguments, error;
  } cases[] = {
      {"--in big.png --out out.png --set TilingMethod=P6M --set TileSize=2500",
       "! Tile too large !: The tile at this tile size would need more than the 1024 MB the filter may use "
       "for it. Choose a smaller tile size.\n"
       "wf-host: big.png: Wendle Forge ran out of memory; out.png is not written\n"},
      {"--in in.png --out out.png" + flat,
       "! Shape has no area !: The tile cannot be made from this shape: its cell has no area at this image's "
       "size. Place the shape again.\n"
       "wf-host: in.png: Wendle Forge failed; out.png is not written\n"},
      {"--in small.png --out out.png",
       "! Input Data Error !: Image size should be more then 15 x 15 .\n"
       "wf-host: small.png: Wendle Forge refused the image; out.png is not written\n"},
      {"--in cut16.png --out out.png", "wf-host: cut16.png: " + cut8.substr(19)},
      {"--in wide.png --out out.png --set TilingMethod=P4",
       "wf-host: wide.png: the P4 cell has no room on 30000 x 20 pixels, where the shape editor keeps it "
       "clear of the edges: use a larger image or another group, or give the cell's corners with --raw; "
       "out.png is not written\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const Outcome run = Host(c.arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.error, c.error);
    EXPECT_FALSE(std::filesystem::exists(Path("out.png")));
  }
  // As told: a square cell 10 pixels a side, given with --raw, takes the narrow image.
  const Outcome raw = Host(
      "--in wide.png --out out.png --raw --set TilingMethod=P4 --set Point3X=0.5 --set Point3Y=0.25 "
      "--set Point2X=0.50033333 --set Point2Y=0.25 --set Point1X=0.5 --set Point1Y=0.75 --set "
      "PointCenterX=0.50016667 --set PointCenterY=0.5 --set BoundBoxLeft=0.4999 --set BoundBoxTop=0.2 "
      "--set BoundBoxRight=0.5004 --set BoundBoxBottom=0.8");
  EXPECT_EQ(raw.exitCode, 0) << raw.error;
}

// A group is named by its number or its name in any case; values past the 17 groups name none.
TEST_F(WfHost, TilingMethodTakesTheSeventeenGroupsByNumberOrName) {
  ASSERT_EQ(Host("--in in.png --out named.png --set TilingMethod=P4M").exitCode, 0);
  for (const char* name : {"p4m", "P4m", "10"}) {
    SCOPED_TRACE(name);
    const Outcome run = Host(std::string("--in in.png --out out.png --set TilingMethod=") + name);
    EXPECT_EQ(run.exitCode, 0) << run.error;
    EXPECT_TRUE(Samples(Path("out.png"), 8) == Samples(Path("named.png"), 8));
  }
  const std::string groups = "P1 P2 PM PG PMM PMG PGG CM CMM P4 P4M P4G P3 P3ML P3LM P6 P6M";
  struct Case {
    const char* value;
    std::string says;
  } cases[] = {
      {"17", "TilingMethod 17 is out of range 0 .. 16"},
      {"21", "TilingMethod 21 is out of range 0 .. 16"},
      {"-1", "TilingMethod -1 is out of range 0 .. 16"},
      {"P4X", "TilingMethod takes a group's number 0 .. 16 or its name (" + groups + "), not \"P4X\""},
      {"2.5", "not \"2.5\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const Outcome run = Host(std::string("--in in.png --out refused.png --set TilingMethod=") + c.value);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.error), 1) << run.error;
    EXPECT_NE(run.error.find(c.says), std::string::npos) << run.error;
    EXPECT_FALSE(std::filesystem::exists(Path("refused.png")));
  }
  EXPECT_NE(Output(WF_HOST_PATH " --help").find("TilingMethod           0 .. 16 (default 6)"),
            std::string::npos);
}

// A run killed while it wrote its output left a temporary beside it: the next save of that
// output removes it, and only it.
TEST_F(WfHost, TheNextSaveRemovesAKilledRunsTemporary) {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);  // the killed run's pid, ended
  const std::string killed = Path("out.png.~wf" + std::to_string(child) + "-0");
  const std::string live = Path("out.png.~wf" + std::to_string(getpid()) + "-0");
  std::ofstream(killed) << "half a picture";
  std::ofstream(live) << "a picture being written";
  ASSERT_EQ(Host("--in in.png --out out.png").exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(killed));
  EXPECT_TRUE(std::filesystem::exists(live));
}

// A save that does not fit (one page of the disk is left) keeps the old file and no temporary.
TEST_F(WfHost, AFullDiskKeepsTheOldOutputAndSaysWhy) {
  const std::string disk = Path("disk");
  std::filesystem::create_directory(disk);
  if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=8k") != 0)
    GTEST_SKIP() << "no small tmpfs can be mounted here (" << std::strerror(errno) << ")";
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{disk};
  ASSERT_TRUE(Convert("-size 160x120 xc: +noise Random -depth 16 " + Path("noise16.png")));
  ASSERT_TRUE(Convert("-size 160x120 xc: +noise Random -depth 8 " + Path("noise8.png")));
  // A JPEG file is encoded straight into the file, the others first into memory.
  for (const auto& [in, out] :
       {std::pair<std::string, std::string>{"noise16.png", "out.png"}, {"noise8.png", "out.jpg"}}) {
    std::ofstream(disk + "/" + out) << "old picture";
    const Outcome run = Host("--in " + in + " --out disk/" + out);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.error), 1) << run.error;
    EXPECT_EQ(run.error.rfind("wf-host: disk/" + out + ": ", 0), 0u) << run.error;
    EXPECT_NE(run.error.find("No space left on device"), std::string::npos) << run.error;
    EXPECT_TRUE(Contents(disk + "/" + out) == "old picture");
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(disk)) entries += !entry.path().empty();
    EXPECT_EQ(entries, 1);
    std::filesystem::remove(disk + "/" + out);
  }
}

}  // namespace
