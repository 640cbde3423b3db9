#include "framework/UserMessage.h"

#include <cstdio>
#include <string>

#include "platform/ui/Dialogs.h"
#include "platform/ui/Script.h"

namespace framework {

int ShowUserMessage(LPCSTR text, LPCSTR caption, UINT type) {
  if (platform::EventScript::Current()) return MessageBox(nullptr, text, caption, type);
  std::string line = text ? text : "";
  for (char& c : line) {
    if (c == '\n') c = ' ';
  }
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "Error", line.c_str());
  return IDOK;
}

}  // namespace framework
