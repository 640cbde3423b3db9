// Saving the tile through the file dialog, read back by ImageMagick, and the help page opened
// through the shell.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/Help.h"
#include "app/TileSave.h"
#include "app/TilingCommand.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"
#include "platform/ui/Presenter.h"
#include "platform/ui/Script.h"
#include "tests/app/AppFixture.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TempDir.h"

namespace {

using corvel::CRowIteratorBands;

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class TileSaveTest : public apptest::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ASSERT_EQ(source.CreateBGR(61, 43).GetCode(), corvel::keErrorNone);
    for (int y = 0; y < 43; ++y) {
      BYTE* row = source.LockRowPointer(y, 0, -1);
      for (int x = 0; x < 61; ++x)
        row[3 * x] = BYTE(3 * x), row[3 * x + 1] = BYTE(5 * y), row[3 * x + 2] = 128;
      source.UnlockRow(y);
    }
    command.SetSourceImage(source);
  }
  RgbPicture Expected() {
    RgbPicture picture{61, 43, {}};
    for (int y = 0; y < 43; ++y)
      for (int x = 0; x < 61; ++x) picture.rgb.insert(picture.rgb.end(), {128, BYTE(5 * y), BYTE(3 * x)});
    return picture;
  }
  bool Save(const std::string& path, int answers = 0) {
    platform::EventScript script;
    script.ChooseFile(path);
    for (int i = 0; i < answers; ++i) script.AnswerMessageBox(IDOK);
    const bool saved = app::SaveTile(nullptr, command);
    messages.clear();
    for (const auto& box : script.MessageBoxes()) messages.push_back(box.text);
    if (!script.FileDialogs().empty()) dialog = script.FileDialogs().front();
    return saved;
  }
  CRowIteratorBands source;
  app::TilingCommand command;
  TempDir dir;
  std::vector<std::string> messages;
  platform::FileDialogRecord dialog;
};

TEST_F(TileSaveTest, BeforeARenderSavesTheSourceAsJpegPngAndBmp) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  const struct {
    const char* name;
    int tolerance;  // JPEG keeps colour at half resolution, even at quality 99
  } cases[] = {{"tile.jpg", 16}, {"TILE.JPEG", 16}, {"tile.png", 0}, {"tile.bmp", 0}};
  for (const auto& c : cases) {
    ASSERT_TRUE(Save(dir.Path(c.name))) << c.name;
    EXPECT_TRUE(messages.empty()) << c.name;
    EXPECT_LE(MaxDifference(ReadWithImageMagick(dir.Path(c.name)), Expected()), c.tolerance) << c.name;
    if (&c == cases) {
      EXPECT_TRUE(dialog.save);
      EXPECT_EQ(dialog.defaultExtension, "JPEG");
      EXPECT_EQ(dialog.initialName, "*.jpg");
      EXPECT_EQ(dialog.filter, "JPEG (*.jpg)|*.jpg|BMP (*.bmp)|*.bmp|PNG (*.png)|*.png|All Files (*.*)|*.*");
    }
  }
}

// Shows nothing; notes each cursor set and whether the file was there yet.
class CursorWatch : public platform::Presenter {
 public:
  explicit CursorWatch(std::string path) : path_(std::move(path)) { platform::SetPresenter(this); }
  ~CursorWatch() override { platform::SetPresenter(nullptr); }
  void WindowPlaced(HWND) override {}
  void WindowDestroyed(HWND) override {}
  void WindowPainted(HWND, const platform::Surface&, const RECT&) override {}
  void CursorSet(HCURSOR cursor) override {
    sets.push_back({platform::detail::StandardCursorName(cursor), std::filesystem::exists(path_)});
  }
  void CursorMoved(POINT) override {}
  void CaptureChanged(HWND) override {}
  struct Set {
    int standardName;
    bool fileThere;
    bool operator==(const Set& other) const {
      return standardName == other.standardName && fileThere == other.fileThere;
    }
  };
  std::vector<Set> sets;

 private:
  std::string path_;
};

TEST_F(TileSaveTest, TheCursorShowsTheWaitWhileTheFileIsWritten) {
  const int arrow = 32512, wait = 32514;
  for (const char* name : {"tile.jpg", "tile.png"}) {
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    CursorWatch watch(dir.Path(name));
    ASSERT_TRUE(Save(dir.Path(name))) << name;
    EXPECT_EQ(watch.sets, (std::vector<CursorWatch::Set>{{wait, false}, {arrow, true}})) << name;
  }
}

TEST_F(TileSaveTest, AFileThatExistsIsReplacedOnlyAfterAYes) {
  std::ofstream(dir.Path("mine.png")) << "a picture of the user's";
  {
    platform::EventScript script;
    script.ChooseFile(dir.Path("mine.png")).AnswerMessageBox(IDNO).ChooseFile(dir.Path("tile.png"));
    EXPECT_TRUE(app::SaveTile(nullptr, command));
    ASSERT_EQ(script.MessageBoxes().size(), 1u);
    EXPECT_EQ(script.MessageBoxes()[0].text, "\"mine.png\" already exists.\nDo you want to replace it?");
    EXPECT_EQ(script.MessageBoxes()[0].type & 0xF0F, UINT(MB_YESNO | MB_DEFBUTTON2)) << "buttons, default";
    EXPECT_EQ(script.Remaining(), 0u) << "No returned to the file dialog, which took the next name";
  }
  EXPECT_EQ(Contents(dir.Path("mine.png")), "a picture of the user's");
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.Path("tile.png")));

  platform::EventScript script;
  script.ChooseFile(dir.Path("mine.png")).AnswerMessageBox(IDYES);
  EXPECT_TRUE(app::SaveTile(nullptr, command));
  EXPECT_EQ(Contents(dir.Path("mine.png")).substr(1, 3), "PNG");
}

TEST_F(TileSaveTest, TheFileDialogOpensWhereTheLastTileWasSavedWithItsType) {
  std::filesystem::create_directory(dir.Path("sub"));
  const struct {
    std::string answer;  // empty: the dialog is cancelled
    bool saved;
    std::string nextFolder;
    DWORD nextType;
    const char* nextPattern;
  } steps[] = {
      {dir.Path("sub/a.png"), true, dir.Path("sub/"), 3, "*.png"},
      {dir.Path("b.bmp"), true, dir.Path(""), 2, "*.bmp"},
      {"", false, dir.Path(""), 2, "*.bmp"},
      {dir.Path("missing/c.jpg"), false, dir.Path(""), 2, "*.bmp"},
      {dir.Path("sub/d.tga"), true, dir.Path("sub/"), 4, "*.*"},
      {dir.Path("e.JPEG"), true, dir.Path(""), 1, "*.jpg"},
  };
  ASSERT_FALSE(Save(dir.Path("missing/first.png"), 1));
  EXPECT_EQ(dialog.initialFolder, "") << "at first, where the dialog starts by itself";
  EXPECT_EQ(dialog.filterIndex, 1u);
  for (const auto& step : steps) {
    if (step.answer.empty()) {
      platform::EventScript script;
      script.CancelFileDialog();
      EXPECT_FALSE(app::SaveTile(nullptr, command));
    } else {
      EXPECT_EQ(Save(step.answer, step.saved ? 0 : 1), step.saved) << step.answer;
    }
    ASSERT_FALSE(Save(dir.Path("missing/next.png"), 1));
    EXPECT_EQ(dialog.initialFolder + "/", step.nextFolder) << step.answer;
    EXPECT_EQ(dialog.filterIndex, step.nextType) << step.answer;
    EXPECT_EQ(dialog.initialName, step.nextPattern) << step.answer;
  }
}

TEST_F(TileSaveTest, UnknownExtensionsAndRefusedSavesAreToldAndWriteNothing) {
  for (const std::string name : {"tile.", "tile.xyz"}) {
    EXPECT_FALSE(Save(dir.Path(name), 1)) << name;
    EXPECT_EQ(messages, std::vector<std::string>{"Unknown file extension"}) << name;
  }
  EXPECT_FALSE(Save(dir.Path("missing/tile.png"), 1));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("The tile could not be saved", 0), 0u) << messages[0];
  EXPECT_FALSE(std::ifstream(dir.Path("missing/tile.png")).good());

  platform::EventScript script;
  script.CancelFileDialog();
  EXPECT_FALSE(app::SaveTile(nullptr, command));
  EXPECT_TRUE(script.MessageBoxes().empty());
}

TEST_F(TileSaveTest, ATileWithTransparencyAsksBeforeAFormatWithoutAlphaAndBlendsOntoWhite) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  CRowIteratorBands layer, output;
  ASSERT_EQ(layer.CreateBGRA(61, 43).GetCode(), corvel::keErrorNone);
  for (int y = 0; y < 43; ++y) {
    BYTE* row = layer.LockRowPointer(y, 0, -1);
    for (int x = 0; x < 61; ++x) {
      row[4 * x] = BYTE(3 * x), row[4 * x + 1] = BYTE(5 * y), row[4 * x + 2] = 40;
      row[4 * x + 3] = BYTE(x < 20 ? 0 : x < 40 ? 128 : 255);
    }
    layer.UnlockRow(y);
  }
  ASSERT_EQ(output.CreateCopy(layer).GetCode(), corvel::keErrorNone);
  command.SetSourceImage(layer);
  framework::RenderJob job;
  job.source = &layer, job.output = &output;
  ASSERT_EQ(command.RunTiling(job), 0);
  ASSERT_EQ(command.GetSourceFormat(), corvel::keFormatBGRA);
  CRowIteratorBands tile;
  ASSERT_TRUE(command.GetPreviewImage(tile));
  ASSERT_EQ(tile.GetFormat(), corvel::keFormatBGRA);
  RgbPicture onWhite{tile.Width(), tile.Height(), {}}, alpha = onWhite;
  for (int y = 0; y < tile.Height(); ++y) {
    const BYTE* row = tile.LockRowPointer(y, 0, -1);
    for (int x = 0; x < tile.Width(); ++x) {
      const BYTE* p = row + 4 * x;
      for (int c : {2, 1, 0}) onWhite.rgb.push_back(BYTE((p[c] * p[3] + 255 * (255 - p[3])) / 255));
      alpha.rgb.insert(alpha.rgb.end(), 3, p[3]);
    }
    tile.ReleaseRow(y);
  }

  {
    platform::EventScript refuse;
    refuse.ChooseFile(dir.Path("no.bmp")).AnswerMessageBox(IDNO);
    EXPECT_FALSE(app::SaveTile(nullptr, command));
    ASSERT_EQ(refuse.MessageBoxes().size(), 1u);
    EXPECT_EQ(refuse.MessageBoxes()[0].caption, "Possible \xe0 loss of data");
    EXPECT_FALSE(std::ifstream(dir.Path("no.bmp")).good());
  }
  const struct {
    const char* name;
    int tolerance;
  } merged[] = {{"yes.bmp", 1}, {"yes.jpg", 16}};
  for (const auto& m : merged) {
    platform::EventScript accept;
    accept.ChooseFile(dir.Path(m.name)).AnswerMessageBox(IDYES);
    EXPECT_TRUE(app::SaveTile(nullptr, command)) << m.name;
    EXPECT_LE(MaxDifference(ReadWithImageMagick(dir.Path(m.name)), onWhite), m.tolerance) << m.name;
  }

  ASSERT_TRUE(Save(dir.Path("kept.png")));
  EXPECT_TRUE(messages.empty()) << "PNG keeps the alpha";
  EXPECT_EQ(MaxDifference(ReadWithImageMagick(dir.Path("kept.png"), "-alpha extract"), alpha), 0);
}

// A grey image's tile is kept grey; the dialog shows and saves it as the BGRA it stands for.
TEST_F(TileSaveTest, AGreyImagesTileIsShownAndSavedAsColour) {
  CRowIteratorBands grey, output;
  ASSERT_EQ(grey.CreateGrey(61, 43).GetCode(), corvel::keErrorNone);
  for (int y = 0; y < 43; ++y) {
    BYTE* row = grey.LockRowPointer(y, 0, -1);
    for (int x = 0; x < 61; ++x) row[x] = BYTE(3 * x + 2 * y);
    grey.UnlockRow(y);
  }
  ASSERT_EQ(output.CreateCopy(grey).GetCode(), corvel::keErrorNone);
  command.SetSourceImage(grey);
  framework::RenderJob job;
  job.source = &grey, job.output = &output;
  ASSERT_EQ(command.RunTiling(job), 0);
  CRowIteratorBands& kept = command.GetTile();
  ASSERT_EQ(kept.GetFormat(), corvel::keFormatGrey);
  CRowIteratorBands tile;
  ASSERT_TRUE(command.GetPreviewImage(tile));
  ASSERT_EQ(tile.GetFormat(), corvel::keFormatBGRA);
  ASSERT_EQ(tile.Width(), kept.Width());
  ASSERT_EQ(tile.Height(), kept.Height());
  RgbPicture expected{tile.Width(), tile.Height(), {}};
  for (int y = 0; y < tile.Height(); ++y) {
    const BYTE* row = tile.LockRowPointer(y, 0, -1);
    const BYTE* level = kept.LockRowPointer(y, 0, -1);
    for (int x = 0; x < tile.Width(); ++x) {
      const BYTE* p = row + 4 * x;
      ASSERT_TRUE(p[0] == level[x] && p[1] == level[x] && p[2] == level[x] && p[3] == 255) << x << "," << y;
      expected.rgb.insert(expected.rgb.end(), 3, level[x]);
    }
    tile.ReleaseRow(y);
    kept.ReleaseRow(y);
  }
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  ASSERT_TRUE(Save(dir.Path("grey.png")));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(MaxDifference(ReadWithImageMagick(dir.Path("grey.png")), expected), 0);
}

TEST(TileFileNames, ExtensionsAndTheirFormats) {
  EXPECT_EQ(app::GetExtension("/a/b.c/tile.Png"), "Png");
  EXPECT_EQ(app::GetExtension("/a/b.c/tile"), "") << "a folder's point is not the file's";
  EXPECT_EQ(app::GetExtension("tile."), "");
  EXPECT_EQ(app::ExtensionToImageType("jpeg"), keImageFormatJPG);
  EXPECT_EQ(app::ExtensionToImageType("tga"), keImageFormatTGA);
  EXPECT_EQ(app::ExtensionToImageType("pgm"), keImageFormatPNM);
  EXPECT_EQ(app::ExtensionToImageType("JPG"), keImageFormatUnknown) << "compared after lowering";
}

class HelpTest : public apptest::AppTest {
 protected:
  void SetBrowser(const char* command) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueEx(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                  DWORD(strlen(command) + 1));
    RegCloseKey(key);
  }
};

TEST_F(HelpTest, TheBrowserIsTheRegisteredProgram) {
  const struct {
    const char* registered;
    const char* program;
  } cases[] = {{"  \"C:\\Program Files\\Web\\web.exe\" -url \"%1\"", "C:\\Program Files\\Web\\web.exe"},
               {"C:\\Apps\\web.exe -nohome %1", "C:\\Apps\\web.exe"},
               {"\"lonely", "\"lonely"},
               {"web %1", "web %1"}};
  for (const auto& c : cases) {
    SetBrowser(c.registered);
    std::string cache;
    EXPECT_EQ(app::GetBrowserCommand(cache), c.program) << c.registered;
  }
}

TEST_F(HelpTest, OpensThePageBesideTheModuleThroughTheShell) {
  // Stays loaded, as a host keeps it; its globals live until the program ends.
  void* module = dlopen(WF_MODULE_PATH, RTLD_NOW);
  ASSERT_NE(module, nullptr) << dlerror();
  CWinApp application;
  AfxWinInit(nullptr, WF_MODULE_PATH);
  const std::string modulePath = WF_MODULE_PATH;
  const std::string page = "\"" + modulePath.substr(0, modulePath.rfind('/') + 1) + "Help/wendleforge.html\"";

  platform::ClearShellRequests();
  EXPECT_TRUE(app::ShowHelp());
  SetBrowser("\"/bin/true\" %1");
  EXPECT_TRUE(app::ShowHelp());
  const std::vector<platform::ShellRequest> requests = platform::ShellRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].file + " " + requests[0].parameters, "xdg-open " + page)
      << "no browser: the page itself";
  EXPECT_EQ(requests[1].file, "/bin/true");
  EXPECT_EQ(requests[1].parameters, page);
}

TEST_F(HelpTest, SaysWhenThePageIsMissingOrNoBrowserCanOpenIt) {
  // A copy of the module in a folder of its own, loaded beside the first under another name and
  // by a name relative to the working folder, which then changes.
  TempDir dir;
  const std::string module = dir.Path("Other.8bf");
  std::filesystem::copy_file(WF_MODULE_PATH, module);
  const std::filesystem::path working = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path(""));
  ASSERT_NE(dlopen("./Other.8bf", RTLD_NOW), nullptr) << dlerror();
  std::filesystem::current_path(working);
  CWinApp application;
  AfxWinInit(nullptr, module.c_str());
  const std::string page = dir.Path("Help/wendleforge.html");
  // With a display the shell starts programs; no folder of the search path holds one.
  const std::string path = std::getenv("PATH");
  setenv("PATH", dir.Path("").c_str(), 1);
  setenv("DISPLAY", ":none", 1);
  platform::EventScript script;
  script.AnswerMessageBox(IDOK).AnswerMessageBox(IDOK);
  platform::ClearShellRequests();
  EXPECT_TRUE(app::ShowHelp());
  std::filesystem::create_directory(dir.Path("Help"));
  std::ofstream(page) << "<html></html>";
  EXPECT_TRUE(app::ShowHelp());
  unsetenv("DISPLAY");
  setenv("PATH", path.c_str(), 1);
  ASSERT_EQ(script.MessageBoxes().size(), 2u);
  EXPECT_EQ(script.MessageBoxes()[0].text, "The help page was not found:\n" + page);
  EXPECT_EQ(script.MessageBoxes()[1].text, "No web browser was found to open the help page:\n" + page);
  EXPECT_TRUE(platform::ShellRequests().empty());
}

}  // namespace
