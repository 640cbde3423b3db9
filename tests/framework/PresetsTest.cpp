#include "framework/Presets.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/ui/Script.h"
#include "resources/Resources.h"
#include "resources/dialogs/UiTables.h"
#include "tests/platform/UiFixture.h"

namespace {

namespace fs = std::filesystem;
using namespace framework;

void DefineParameters(ParameterSet& set) {
  set.SetName("TilingCommand");
  const auto add = [&set](int id, const char* name, std::unique_ptr<Parameter> parameter) {
    parameter->SetName(name);
    set.AddParameter(id, name, std::move(parameter));
  };
  auto size = std::make_unique<IntegerParameter>();
  size->SetRange(10, 1000);
  size->SetDefault(100);
  size->Reset();
  add(1, "TileSize", std::move(size));
  auto angle = std::make_unique<FloatParameter>();
  angle->SetRange(-180, 180);
  angle->Reset();
  add(2, "Angle", std::move(angle));
  add(3, "Mirror", std::make_unique<BooleanParameter>());
  auto scratch = std::make_unique<IntegerParameter>();
  scratch->SetRange(0, 10);
  scratch->SetFlags(0);  // not kept in presets
  add(4, "Scratch", std::move(scratch));
}

int Int(const ParameterSet& set, int id) {
  int value = 0;
  set.GetParameter(id)->GetInt(&value);
  return value;
}
float Float(const ParameterSet& set, int id) {
  float value = 0;
  set.GetParameter(id)->GetFloat(&value);
  return value;
}

TEST(PresetFiles, AreReadLooselyTellWhatWasNotUnderstoodAndAreNamedInsideTheFolder) {
  const struct {
    const char* text;
    int tileSize;
    float angle;
    int result;
  } cases[] = {
      {"TilingCommand\n\tTileSize:250\n", 250, 0, 0},
      {"TilingCommand\r\n\tTileSize : 300  \r\n\tAngle : 45\r\n", 300, 45, 0},
      {"TilingCommand\n\tTileSize : 200\n\tTileSize : 400\n\tUnknown : 3\n\n \t\n", 400, 0, 0},
      {"TilingCommand\n\tAngle\n\tTileSize : 120\n", 120, 0, kPresetPartlyRead},
      {"TilingCommand\n\tAngle : 500\n", 100, 0, kPresetPartlyRead},
      {"\x89PNG\x01\x02\n\tTileSize : 150\n", 150, 0, kPresetPartlyRead},
  };
  for (const auto& c : cases) {
    ParameterSet set;
    DefineParameters(set);
    set.GetParameter(1)->SetInt(999);
    set.GetParameter(2)->SetFloat(90);
    set.GetParameter(4)->SetInt(7);
    std::istringstream in(c.text);
    EXPECT_EQ(ParsePreset(in, set), c.result) << c.text;
    EXPECT_EQ(Int(set, 1), c.tileSize) << c.text;
    EXPECT_EQ(Float(set, 2), c.angle) << c.text;
    EXPECT_EQ(Int(set, 4), 7) << "a parameter kept out of presets keeps its value";
  }
  ParameterSet set;
  DefineParameters(set);
  std::istringstream failed;
  failed.setstate(std::ios::failbit);
  EXPECT_EQ(ParsePreset(failed, set), -1);
  EXPECT_EQ(LoadPreset("/nonexistent/folder/x.preset", set), -1);

  for (const char* good : {"Sunset", "Sunset.preset", "a.b"}) EXPECT_TRUE(IsValidPresetName(good)) << good;
  for (const char* bad : {"", ".preset", "..", "../x", "a/b", "a\\b", "x..y", "tab\there"})
    EXPECT_FALSE(IsValidPresetName(bad)) << bad;
}

class PresetsTest : public wf_test::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    static CWinApp app("Wendle Forge");
    AfxWinInit(kModule, "/plugins/WendleForge.8bf");
    resources::RegisterModuleResources(kModule);
    wf_resources::RegisterUiTables(kModule);
    folder = fs::path(::testing::TempDir()) / ("presets-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    state.folder = folder.string() + "/";
    DefineParameters(set);
    ASSERT_TRUE(
        owner.CreateEx(0, nullptr, "Owner", WS_POPUP | WS_VISIBLE, CRect(0, 0, 300, 200), nullptr, 0));
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 10, 200, 200), &owner, 1006));
  }
  void TearDown() override {
    owner.DestroyWindow();
    fs::remove_all(folder);
    resources::UnregisterModuleResources(kModule);
    UiTest::TearDown();
  }
  void Write(const std::string& name, const std::string& text) { std::ofstream(folder / name) << text; }
  std::vector<std::string> Entries() {
    std::vector<std::string> entries;
    for (int i = 0; i < list.GetCount(); ++i) {
      CString text;
      list.GetLBText(i, text);
      entries.emplace_back(static_cast<LPCSTR>(text));
    }
    return entries;
  }
  std::string Selected() {
    CString text;
    if (list.GetCurSel() >= 0) list.GetLBText(list.GetCurSel(), text);
    return static_cast<LPCSTR>(text);
  }
  // Answers the name box with a name and OK.
  static void Name(platform::EventScript& script, const std::string& name) {
    script.Then("type " + name, [name] { SetDlgItemText(GetActiveWindow(), 1010, name.c_str()); })
        .ClickControl(IDOK);
  }
  static inline const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(0x7600);
  fs::path folder;
  PresetState state;
  ParameterSet set;
  CWnd owner;
  CComboBox list;
};

TEST_F(PresetsTest, SavesListsAndLoadsByName) {
  set.GetParameter(1)->SetInt(250);
  platform::EventScript script;
  Name(script, "  Sunset ");
  ASSERT_EQ(SavePreset(state, set, &owner), 0);
  EXPECT_EQ(state.currentName, "Sunset.preset");
  std::stringstream written;
  written << std::ifstream(folder / "Sunset.preset").rdbuf();
  EXPECT_EQ(written.str().substr(0, 30), "TilingCommand\n\tTileSize : 250\n");

  Name(script, "Dawn.preset");  // the extension is not doubled
  ASSERT_EQ(SavePreset(state, set, &owner), 0);
  Write("Test.PRESET", "TilingCommand\n\tTileSize : 640\n");
  Write("notes.txt", "not a preset");
  fs::create_directory(folder / "Folder.preset");
  EXPECT_TRUE(fs::exists(folder / "Dawn.preset"));
  FillPresetList(state, list);
  std::vector<std::string> entries = Entries();
  std::sort(entries.begin() + 1, entries.end());  // the folder's order is its own
  EXPECT_EQ(entries, (std::vector<std::string>{"Default", "Dawn", "Sunset", "Test"}));
  EXPECT_EQ(Selected(), "Dawn");  // the last saved

  list.SetCurSel(list.FindStringExact(0, "Test"));
  EXPECT_TRUE(SelectPreset(state, list, set));
  EXPECT_EQ(Int(set, 1), 640);
  EXPECT_EQ(state.currentName, "Test.preset");
  EXPECT_EQ(state.currentPath, (folder / "Test.PRESET").string());

  list.SetCurSel(0);
  set.GetParameter(4)->SetInt(3);
  EXPECT_TRUE(SelectPreset(state, list, set));
  EXPECT_EQ(Int(set, 1), 100);
  EXPECT_EQ(Int(set, 4), 3);
  EXPECT_TRUE(state.currentName.empty() && state.currentPath.empty());
  EXPECT_TRUE(script.MessageBoxes().empty());
}

TEST_F(PresetsTest, AsksBeforeOverwritingAndRefusesNamesOutsideTheFolder) {
  Write("Sunset.preset", "TilingCommand\n");
  platform::EventScript script;
  Name(script, "../escape");
  script.AnswerMessageBox(IDOK);
  Name(script, "Sunset");
  script.AnswerMessageBox(IDNO);
  Name(script, "Sunset");
  script.AnswerMessageBox(IDYES);
  set.GetParameter(1)->SetInt(321);
  ASSERT_EQ(SavePreset(state, set, &owner), 0);
  ASSERT_EQ(script.MessageBoxes().size(), 3u);
  EXPECT_EQ(script.MessageBoxes()[0].text,
            "A preset name cannot be empty or hold \"/\", \"\\\", \"..\" or control characters");
  EXPECT_EQ(script.MessageBoxes()[1].text, "File already exists.\nOverwrite?");
  EXPECT_FALSE(fs::exists(folder.parent_path() / "escape.preset"));
  ParameterSet read;
  DefineParameters(read);
  EXPECT_EQ(LoadPreset((folder / "Sunset.preset").string(), read), 0);
  EXPECT_EQ(Int(read, 1), 321);

  script.ClickControl(IDCANCEL);
  EXPECT_EQ(SavePreset(state, set, &owner), kPresetCancelled);
}

// The built-in entry keeps its name: no file is listed beside it and none is saved under it.
TEST_F(PresetsTest, TheBuiltInNameIsTakenByNoFile) {
  Write("Default.preset", "TilingCommand\n");
  Write("default.PRESET", "TilingCommand\n");
  Write("Defaults.preset", "TilingCommand\n");
  FillPresetList(state, list);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"Default", "Defaults"}));

  platform::EventScript script;
  const char* const refused[] = {"Default", " DEFAULT ", "default.preset"};
  for (const char* name : refused) {
    Name(script, name);
    script.AnswerMessageBox(IDOK);
  }
  Name(script, "Default copy");
  ASSERT_EQ(SavePreset(state, set, &owner), 0);
  ASSERT_EQ(script.MessageBoxes().size(), std::size(refused));
  for (const auto& box : script.MessageBoxes())
    EXPECT_EQ(box.text, "\"Default\" is the name of the built-in preset; choose another name");
  FillPresetList(state, list);
  const std::vector<std::string> entries = Entries();
  EXPECT_EQ(std::count(entries.begin(), entries.end(), "Default"), 1);
  EXPECT_EQ(Selected(), "Default copy");
}

// Names are typed in the text code page; files are named in UTF-8, as the file system shows
// them, and those once named in the code page itself are still listed and read.
TEST_F(PresetsTest, FilesAreNamedInUtf8AndOnesNamedInTheCodePageAreStillRead) {
  set.GetParameter(1)->SetInt(210);
  platform::EventScript script;
  Name(script, "Caf\xe9");
  ASSERT_EQ(SavePreset(state, set, &owner), 0);
  EXPECT_TRUE(fs::is_regular_file(folder / "Caf\xc3\xa9.preset"));
  EXPECT_FALSE(fs::exists(folder / "Caf\xe9.preset"));
  EXPECT_EQ(state.currentName, "Caf\xe9.preset");

  Write("Na\xefve.preset", "TilingCommand\n\tTileSize : 320\n");      // an older save
  Write("Caf\xe9.preset", "TilingCommand\n\tTileSize : 999\n");       // the same name the old way
  Write("\xe6\x97\xa5.preset", "TilingCommand\n\tTileSize : 440\n");  // a name the page lacks
  FillPresetList(state, list);
  std::vector<std::string> entries = Entries();
  std::sort(entries.begin() + 1, entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"Default", "?", "Caf\xe9", "Na\xefve"}));
  EXPECT_EQ(Selected(), "Caf\xe9");

  const struct {
    const char* entry;
    int tileSize;
    const char* file;
  } chosen[] = {{"Caf\xe9", 210, "Caf\xc3\xa9.preset"},
                {"Na\xefve", 320, "Na\xefve.preset"},
                {"?", 440, "\xe6\x97\xa5.preset"}};
  for (const auto& c : chosen) {
    list.SetCurSel(list.FindStringExact(0, c.entry));
    EXPECT_TRUE(SelectPreset(state, list, set)) << c.entry;
    EXPECT_EQ(Int(set, 1), c.tileSize) << c.entry;
    EXPECT_EQ(state.currentPath, (folder / c.file).string());
  }

  // Saved again, an older file gives way to one named in UTF-8.
  Name(script, "Na\xefve");
  script.AnswerMessageBox(IDYES);
  ASSERT_EQ(SavePreset(state, set, &owner), 0);
  EXPECT_EQ(state.currentPath, (folder / "Na\xc3\xafve.preset").string());
  EXPECT_FALSE(fs::exists(folder / "Na\xefve.preset"));
  ASSERT_EQ(script.MessageBoxes().size(), 1u);
  EXPECT_EQ(script.MessageBoxes()[0].text, "File already exists.\nOverwrite?");
}

TEST_F(PresetsTest, AMissingFolderIsMadeByTheFirstSave) {
  state.folder = (folder / "Presets").string() + "/";
  FillPresetList(state, list);
  EXPECT_EQ(Entries(), std::vector<std::string>{"Default"});
  platform::EventScript script;
  Name(script, "First");
  EXPECT_EQ(SavePreset(state, set, &owner), 0);
  EXPECT_TRUE(fs::is_regular_file(folder / "Presets" / "First.preset"));
  FillPresetList(state, list);
  EXPECT_EQ(Selected(), "First");
  EXPECT_TRUE(script.MessageBoxes().empty());
}

TEST_F(PresetsTest, ASaveThatCannotWriteTheFileSaysSo) {
  Write("file", "");  // where the folder would be made
  state.folder = (folder / "file" / "Presets").string() + "/";
  platform::EventScript script;
  Name(script, "Lost");
  script.AnswerMessageBox(IDOK);
  EXPECT_EQ(SavePreset(state, set, &owner), kPresetNotCreated);
  ASSERT_EQ(script.MessageBoxes().size(), 1u);
  EXPECT_EQ(script.MessageBoxes()[0].text, "Can't save the preset\nthe folder " +
                                               (folder / "file" / "Presets").string() + ": Not a directory");
  EXPECT_TRUE(state.currentName.empty());
  FillPresetList(state, list);
  EXPECT_EQ(Entries(), std::vector<std::string>{"Default"});
}

// Typed past the longest name a file can have, with its temporary's mark, the box takes no more.
TEST_F(PresetsTest, ANameIsTakenAsLongAsItCanNameAFile) {
  platform::EventScript script;
  script.TypeText(std::string(300, 'n')).ClickControl(IDOK);
  ASSERT_EQ(SavePreset(state, set, &owner), 0);
  EXPECT_TRUE(script.MessageBoxes().empty());
  EXPECT_EQ(state.currentName, std::string(kLongestPresetName, 'n') + ".preset");
  EXPECT_TRUE(fs::is_regular_file(folder / state.currentName));

  // Each accented letter takes two bytes of the file's name.
  const std::string accented(kLongestPresetName / 2 + 1, '\xe9');
  Name(script, accented);
  script.AnswerMessageBox(IDOK);
  Name(script, accented.substr(1));
  ASSERT_EQ(SavePreset(state, set, &owner), 0);
  ASSERT_EQ(script.MessageBoxes().size(), 1u);
  EXPECT_EQ(script.MessageBoxes()[0].text, "The preset name is too long for a file name");
  EXPECT_TRUE(fs::is_regular_file(state.currentPath));
}

TEST_F(PresetsTest, DeletesOnlyTheSelectedEntry) {
  Write("Keep.preset", "TilingCommand\n");
  Write("Drop.preset", "TilingCommand\n");
  state.currentName = "Keep.preset";
  state.currentPath = (folder / "Keep.preset").string();
  FillPresetList(state, list);
  platform::EventScript script;
  for (int nothing : {-1, 0}) {  // no selection, "Default"
    list.SetCurSel(nothing);
    EXPECT_FALSE(DeletePreset(state, list, false));
  }
  list.SetCurSel(list.FindStringExact(0, "Drop"));
  script.AnswerMessageBox(IDNO).AnswerMessageBox(IDYES);
  EXPECT_FALSE(DeletePreset(state, list, false));
  EXPECT_TRUE(DeletePreset(state, list, false));
  EXPECT_FALSE(fs::exists(folder / "Drop.preset"));
  EXPECT_TRUE(fs::exists(folder / "Keep.preset"));
  EXPECT_EQ(state.currentName, "Keep.preset") << "another preset's deletion keeps the current one";
  FillPresetList(state, list);
  script.AnswerMessageBox(IDYES);
  EXPECT_TRUE(DeletePreset(state, list, false));  // the current one, selected by the list
  EXPECT_TRUE(state.currentName.empty() && state.currentPath.empty());
}

TEST_F(PresetsTest, ChoosingAFileThatWentAwayOrIsMalformedSaysSo) {
  Write("Gone.preset", "TilingCommand\n");
  Write("Odd.preset", "TilingCommand\n\tAngle\n\tTileSize : 420\n");
  FillPresetList(state, list);
  fs::remove(folder / "Gone.preset");
  platform::EventScript script;
  script.AnswerMessageBox(IDOK).AnswerMessageBox(IDOK);

  set.GetParameter(1)->SetInt(333);
  list.SetCurSel(list.FindStringExact(0, "Gone"));
  EXPECT_FALSE(SelectPreset(state, list, set));
  EXPECT_EQ(Int(set, 1), 333);
  EXPECT_EQ(Entries().size(), 2u) << "the list is filled again";

  list.SetCurSel(list.FindStringExact(0, "Odd"));
  EXPECT_TRUE(SelectPreset(state, list, set));
  EXPECT_EQ(Int(set, 1), 420);
  ASSERT_EQ(script.MessageBoxes().size(), 2u);
  EXPECT_EQ(script.MessageBoxes()[0].text, "Can't load the selected preset");
  EXPECT_EQ(script.MessageBoxes()[1].text,
            "Parts of the selected preset could not be read; their parameters keep their defaults");
}

}  // namespace
