#include "platform/ui/ScriptFile.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "platform/ui/Capture.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Queue.h"
#include "platform/ui/Window.h"

namespace platform {

namespace {

const std::map<std::string, int> kKeys = {{"enter", VK_RETURN}, {"escape", VK_ESCAPE},  {"tab", VK_TAB},
                                          {"space", VK_SPACE},  {"backspace", VK_BACK}, {"delete", VK_DELETE},
                                          {"left", VK_LEFT},    {"right", VK_RIGHT},    {"up", VK_UP},
                                          {"down", VK_DOWN},    {"home", VK_HOME},      {"end", VK_END}};

const std::map<std::string, int> kAnswers = {
    {"ok", IDOK}, {"cancel", IDCANCEL}, {"yes", IDYES}, {"no", IDNO}};

bool ParseInt(const std::string& word, int* value) {
  char* end = nullptr;
  const long number = std::strtol(word.c_str(), &end, 10);
  if (word.empty() || *end != '\0' || number < -1000000 || number > 1000000) return false;
  *value = static_cast<int>(number);
  return true;
}

// The control's window when the step runs; a script that names a control the window lacks fails.
HWND Control(int id) {
  HWND control = FindControl(id);
  if (!control) throw ScriptFailure("no control " + std::to_string(id) + " in the active window");
  return control;
}

class LineReader {
 public:
  LineReader(std::string where, const std::string& line) : where_(std::move(where)) {
    std::istringstream words(line);
    for (std::string word; words >> word;) words_.push_back(word);
  }
  std::size_t Count() const { return words_.size(); }
  const std::string& Word(std::size_t i) const { return words_[i]; }
  int Int(std::size_t i) const {
    int value = 0;
    if (i >= words_.size() || !ParseInt(words_[i], &value))
      Fail("\"" + words_[0] + "\" needs a whole number as its word " + std::to_string(i));
    return value;
  }
  void Expect(std::size_t least, std::size_t most) const {
    if (words_.size() < least || words_.size() > most)
      Fail("\"" + words_[0] + "\" takes " + std::to_string(least - 1) +
           (most > least ? " to " + std::to_string(most - 1) : "") + " values");
  }
  [[noreturn]] void Fail(const std::string& message) const { throw ScriptFailure(where_ + ": " + message); }

 private:
  std::string where_;
  std::vector<std::string> words_;
};

// What follows the step's name and one space: a text or a path, spaces kept.
std::string Rest(const LineReader& line, const std::string& text, const char* what) {
  const std::size_t at = text.find(line.Word(0)) + line.Word(0).size() + 1;
  if (at >= text.size()) line.Fail("\"" + line.Word(0) + "\" needs " + what);
  return text.substr(at);
}

void AddLine(const LineReader& line, const std::string& text, EventScript& script) {
  const std::string& command = line.Word(0);
  if (command == "click") {
    line.Expect(2, 2);
    script.ClickControl(line.Int(1));
  } else if (command == "click-in" || command == "double-click-in") {
    line.Expect(4, 4);
    const int id = line.Int(1), x = line.Int(2), y = line.Int(3);
    const bool twice = command == "double-click-in";
    script.Then(text, [id, x, y, twice] {
      const POINT at = ClientPoint(Control(id), x, y);
      twice ? DoubleClick(at) : Click(at);
    });
  } else if (command == "drag-in") {
    if (line.Count() < 6 || line.Count() % 2 != 0)
      line.Fail("\"drag-in\" takes an id and two or more points");
    const int id = line.Int(1);
    std::vector<std::pair<int, int>> points;
    for (std::size_t i = 2; i < line.Count(); i += 2) points.emplace_back(line.Int(i), line.Int(i + 1));
    script.Then(text, [id, points] {
      HWND control = Control(id);
      std::vector<POINT> path;
      for (auto [x, y] : points) path.push_back(ClientPoint(control, x, y));
      Drag(path);
    });
  } else if (command == "key") {
    line.Expect(2, 3);
    int key = 0;
    const auto named = kKeys.find(line.Word(1));
    if (named != kKeys.end())
      key = named->second;
    else if (!ParseInt(line.Word(1), &key) || key <= 0 || key > 255)
      line.Fail("no key \"" + line.Word(1) + "\"");
    const int count = line.Count() == 3 ? line.Int(2) : 1;
    if (count < 1) line.Fail("a key is pressed at least once");
    for (int i = 0; i < count; ++i) script.Key(key);
  } else if (command == "type") {
    script.TypeText(Rest(line, text, "the text to type"));
  } else if (command == "wait-enabled") {
    line.Expect(2, 3);
    const int id = line.Int(1);
    const int timeout = line.Count() == 3 ? line.Int(2) : 60000;
    if (timeout < 0) line.Fail("a wait takes a time of 0 ms or more");
    script.WaitUntil(
        "control " + std::to_string(id) + " is enabled",
        [id] { return IsWindowEnabled(Control(id)) != FALSE; }, static_cast<UINT>(timeout));
  } else if (command == "answer") {
    line.Expect(2, 2);
    const auto answer = kAnswers.find(line.Word(1));
    if (answer == kAnswers.end()) line.Fail("a message box is answered ok, cancel, yes or no");
    script.AnswerMessageBox(answer->second);
  } else if (command == "choose-file") {
    script.ChooseFile(Rest(line, text, "a path"));
  } else if (command == "cancel-file") {
    line.Expect(1, 1);
    script.CancelFileDialog();
  } else if (command == "activate") {
    const std::string title = Rest(line, text, "a window's title");
    script.Then(text, [title] {
      for (HWND top = GetTopWindow(nullptr); top; top = GetWindow(top, GW_HWNDNEXT)) {
        char caption[256] = "";
        GetWindowText(top, caption, sizeof caption);
        if (IsWindowVisible(top) && std::string(caption).rfind(title, 0) == 0) {
          SetActiveWindow(top);
          return;
        }
      }
      throw ScriptFailure("no shown window's title starts with \"" + title + "\"");
    });
  } else if (command == "capture") {
    const std::string path = Rest(line, text, "a path");
    script.Then(text, [path] {
      PumpMessages();
      if (!WritePng(Capture(GetActiveWindow()), path)) throw ScriptFailure("cannot write " + path);
    });
  } else {
    line.Fail("no step \"" + command + "\"");
  }
}

// A # that starts a word starts a comment, to the line's end, with the spaces before it: a # inside
// a word (a path's, say) is kept.
std::string WithoutComment(const std::string& text) {
  for (std::size_t at = text.find('#'); at != std::string::npos; at = text.find('#', at + 1)) {
    if (at > 0 && !std::isspace(static_cast<unsigned char>(text[at - 1]))) continue;
    const std::string step = text.substr(0, at);
    const std::size_t end = step.find_last_not_of(" \t");
    return end == std::string::npos ? std::string() : step.substr(0, end + 1);
  }
  return text;
}

}  // namespace

void ReadScriptFile(const std::string& path, EventScript& script) {
  std::ifstream file(path);
  if (!file) throw ScriptFailure(path + ": cannot be read");
  std::string text;
  for (int number = 1; std::getline(file, text); ++number) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    text = WithoutComment(text);
    const LineReader line(path + ":" + std::to_string(number), text);
    if (line.Count() == 0) continue;
    AddLine(line, text, script);
  }
}

}  // namespace platform
