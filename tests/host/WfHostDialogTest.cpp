// wf-host --dialog under an event script file, through the built module: OK writes what the
// dialog rendered, which a run without the dialog replays; the tile is saved and the tile window
// opened from the script; Cancel and a bad script write nothing; the about box under a script.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/host/WfHostFixture.h"

namespace {

using namespace wf_host_test;

class WfHostDialog : public WfHost {
 protected:
  void SetUp() override {
    WfHost::SetUp();
    ASSERT_TRUE(
        Convert("-size 160x120 -seed 7 plasma:fractal -depth 8 -type TrueColor " + Path("picture.png")));
    // The right two thirds selected.
    ASSERT_TRUE(
        Convert("-size 160x120 xc:black -fill white -draw 'rectangle 54,0 159,119' " + Path("mask.png")));
  }
  void Script(const std::string& text) const { std::ofstream(Path("script.txt")) << text; }
  bool Exists(const std::string& name) const { return ::access(Path(name).c_str(), F_OK) == 0; }
};

TEST_F(WfHostDialog, OkWritesTheRenderThroughTheSelectionAndARunWithoutTheDialogReplaysIt) {
  Script(
      "# blending 30 %, tile 70 %, render, look, OK\n"
      "double-click-in 3025 10 8\ntype 30\n"
      "double-click-in 3024 10 8\ntype 70\n"
      "click 3006\nwait-enabled 1\n"
      "capture " +
      Path("dialog.png") + "\nclick 1\n");
  const Outcome dialog = Host(
      "--in picture.png --selection mask.png --out dialog-run.png --dialog script.txt");
  ASSERT_EQ(dialog.exitCode, 0) << dialog.error;
  EXPECT_EQ(Identify("%wx%h", Path("dialog.png")), "800x729") << "the dialog as the script saw it";
  const Outcome replay = Host(
      "--in picture.png --selection mask.png --out replay.png --set Feathering=30 --set TileSize=70");
  ASSERT_EQ(replay.exitCode, 0) << replay.error;
  const std::string written = Samples(Path("dialog-run.png"), 8), input = Samples(Path("picture.png"), 8);
  ASSERT_EQ(written.size(), input.size());
  EXPECT_TRUE(written == Samples(Path("replay.png"), 8));
  // Outside the selection the picture stays; inside, the tile replaces it.
  const std::size_t row = 160 * 3, split = 54 * 3;
  for (std::size_t y : {0u, 60u, 119u}) {
    EXPECT_EQ(written.substr(y * row, split), input.substr(y * row, split)) << y;
    EXPECT_NE(written.substr(y * row + split, row - split), input.substr(y * row + split, row - split)) << y;
  }
}

// The event script of the top README's "wf-host by example", as printed there: the indented
// lines after the sentence that introduces it.
std::string ReadmeScript() {
  std::istringstream readme(Contents(WF_README));
  std::string line, script;
  while (std::getline(readme, line) && line.find("lists with the steps:") == std::string::npos) {
  }
  std::getline(readme, line);  // the blank line before the block
  while (std::getline(readme, line) && line.rfind("    ", 0) == 0) script += line.substr(4) + "\n";
  return script;
}

TEST_F(WfHostDialog, TheReadmesScriptRunsAsPrinted) {
  const std::string script = ReadmeScript();
  ASSERT_NE(script.find("capture dialog.png"), std::string::npos) << script;
  ASSERT_NE(script.find("  # "), std::string::npos) << "the steps carry comments: " << script;
  Script(script);
  const Outcome run = Host("--in picture.png --out out.png --dialog script.txt");
  ASSERT_EQ(run.exitCode, 0) << run.error;
  EXPECT_TRUE(Exists("out.png"));
  EXPECT_EQ(Identify("%m", Path("dialog.png")), "PNG");
}

TEST_F(WfHostDialog, TheScriptSavesTheTileInEachFormatAndOpensTheTileWindow) {
  std::string script = "click 3006\nwait-enabled 1\n";
  for (const char* name : {"tile.jpg", "tile.png", "tile.bmp"})
    script += "click 3028\nchoose-file " + Path(name) + "\n";
  Script(script + "click 3018\ncapture " + Path("tile-window.png") + "\nactivate Wendle Forge [\nclick 1\n");
  const Outcome run = Host("--in picture.png --out out.png --dialog script.txt");
  ASSERT_EQ(run.exitCode, 0) << run.error;
  const std::string size = Identify("%wx%h", Path("tile.png"));
  EXPECT_NE(size, "");
  EXPECT_EQ(Identify("%m %wx%h", Path("tile.jpg")), "JPEG " + size);
  EXPECT_EQ(Identify("%m %wx%h", Path("tile.bmp")), "BMP3 " + size);
  EXPECT_EQ(Identify("%m", Path("tile-window.png")), "PNG");
  EXPECT_TRUE(Exists("out.png"));
}

// Refused before the dialog opens, so that no work in it is lost: the script's capture never runs.
TEST_F(WfHostDialog, AnOutputThatCannotBeWrittenIsRefusedBeforeTheDialogOpens) {
  std::filesystem::create_directory(Path("folder.png"));
  Script("capture " + Path("dialog.png") + "\nclick 1\n");
  const struct {
    const char* out;
    const char* reason;
  } cases[] = {
      {"nofolder/out.png", "nofolder/out.png: cannot be written: the folder nofolder does not exist"},
      {"folder.png", "folder.png: cannot be written: it is a folder"}};
  for (const auto& c : cases) {
    const Outcome run = Host(std::string("--in picture.png --out ") + c.out + " --dialog script.txt");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.error, std::string("wf-host: ") + c.reason + "\n");
    EXPECT_FALSE(Exists("dialog.png")) << c.out;
  }
  EXPECT_TRUE(std::filesystem::is_empty(Path("folder.png"))) << "nothing left behind";
}

TEST_F(WfHostDialog, AboutShowsTheModulesVersionBlockUntilAClickOrOnStandardError) {
  Script("capture " + Path("about.png") + "\nclick-in 1014 5 5\n");
  Outcome run = Host("--about script.txt");
  EXPECT_EQ(run.exitCode, 0) << run.error;
  EXPECT_EQ(Identify("%m", Path("about.png")), "PNG");

  Script("capture " + Path("about.png") + "\n");
  run = Host("--about script.txt");
  EXPECT_EQ(run.exitCode, 1) << "the box stays until a click";
  EXPECT_NE(run.error.find("the event script ran dry"), std::string::npos) << run.error;

  setenv("WF_HEADLESS", "1", 1);
  run = Host("--about");
  unsetenv("WF_HEADLESS");
  EXPECT_EQ(run.exitCode, 0) << run.error;
  EXPECT_EQ(run.error.rfind("About: Wendle Forge Version ", 0), 0u) << run.error;
  EXPECT_NE(run.error.find("About: Copyright (C) 2026 Veltra Moor\n"), std::string::npos) << run.error;
}

// The help names the about box's lines, and a click on each closes the box.
TEST_F(WfHostDialog, TheAboutBoxsControlsInTheHelpCloseIt) {
  const std::string help = Output(WF_HOST_PATH " --help");
  const std::size_t about = help.find("The about box (--about SCRIPT)");
  ASSERT_NE(about, std::string::npos) << help;
  const std::string lines = help.substr(about, help.find('\n', help.find('\n', about) + 1) - about);
  for (const char* id : {"1014", "1015", "1016", "1017"}) {
    SCOPED_TRACE(id);
    EXPECT_NE(lines.find(id), std::string::npos) << lines;
    Script(std::string("click ") + id + "\n");
    const Outcome run = Host("--about script.txt");
    EXPECT_EQ(run.exitCode, 0) << run.error;
  }
}

TEST_F(WfHostDialog, CancelABadScriptOrNoInputWriteNothingAndSayWhy) {
  Script("click 3006\nwait-enabled 1\nclick 2\n");
  Outcome run = Host("--in picture.png --out out.png --dialog script.txt");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.error.find("the dialog was cancelled; out.png is not written"), std::string::npos)
      << run.error;

  Script("click 3006\nwait-enabled 1\npress 1\n");
  run = Host("--in picture.png --out out.png --dialog script.txt");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.error.find("script.txt:3: no step \"press\""), std::string::npos) << run.error;

  Script("click 3006\n");
  run = Host("--in picture.png --out out.png --dialog script.txt");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.error.find("the event script ran dry"), std::string::npos) << run.error;

  const char* given = std::getenv("DISPLAY");
  const std::string display = given ? given : "";
  setenv("DISPLAY", ":99", 1);  // not to be opened: WF_HEADLESS keeps the module off any display
  setenv("WF_HEADLESS", "1", 1);
  run = Host("--in picture.png --out out.png --dialog");
  unsetenv("WF_HEADLESS");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.error.find("no event script is installed"), std::string::npos) << run.error;

  unsetenv("DISPLAY");
  run = Host("--in picture.png --out out.png --dialog");
  if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.error,
            "wf-host: --dialog: DISPLAY is not set, so the dialog has no display to show on; give an event "
            "script file to run it without one (--dialog SCRIPT, wf-host --help)\n");
  EXPECT_FALSE(Exists("out.png"));
}

}  // namespace
