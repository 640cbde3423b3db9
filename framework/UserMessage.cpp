#include "framework/UserMessage.h"

#include "platform/ui/Dialogs.h"

namespace framework {

int ShowUserMessage(LPCSTR text, LPCSTR caption, UINT type) {
  return MessageBox(nullptr, text, caption, type);
}

}  // namespace framework
