// The event script and the rule for loops that would wait.
#include "platform/ui/Script.h"

#include <chrono>

#include "platform/ui/Presenter.h"
#include "platform/ui/Window.h"
#include "platform/ui/detail/Retrieval.h"
#include "platform/win32/Clock.h"

namespace platform {

namespace {
thread_local EventScript* currentScript = nullptr;
}  // namespace

EventScript::EventScript() : previous_(currentScript) {
  if (previous_) throw ScriptFailure("an event script is already installed on this thread");
  currentScript = this;
}

EventScript::~EventScript() { currentScript = previous_; }

EventScript* EventScript::Current() { return currentScript; }

EventScript& EventScript::Add(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

HWND FindControl(int id) {
  struct Search {
    int id;
    HWND found;
  } search{id, nullptr};
  EnumChildWindows(
      GetActiveWindow(),
      [](HWND hwnd, LPARAM lParam) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lParam);
        if (GetDlgCtrlID(hwnd) != s->id) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

EventScript& EventScript::Then(std::string description, std::function<void()> action) {
  Step step;
  step.kind = StepKind::Action;
  step.description = std::move(description);
  step.action = std::move(action);
  return Add(std::move(step));
}

EventScript& EventScript::MouseMove(POINT screen) {
  return Then("move to (" + std::to_string(screen.x) + ", " + std::to_string(screen.y) + ")",
              [screen] { platform::MouseMove(screen); });
}

EventScript& EventScript::Click(POINT screen, MouseButton button) {
  return Then("click at (" + std::to_string(screen.x) + ", " + std::to_string(screen.y) + ")",
              [screen, button] { platform::Click(screen, button); });
}

EventScript& EventScript::Click(std::string description, std::function<POINT()> where) {
  return Then("click " + description, [where] { platform::Click(where()); });
}

EventScript& EventScript::ClickControl(int id) {
  std::string description = "click control " + std::to_string(id);
  return Then(description, [id, description] {
    HWND control = FindControl(id);
    if (!control) throw ScriptFailure(description + ": the active window has no such control");
    platform::Click(CentreOf(control));
  });
}

EventScript& EventScript::DoubleClick(POINT screen) {
  return Then("double-click at (" + std::to_string(screen.x) + ", " + std::to_string(screen.y) + ")",
              [screen] { platform::DoubleClick(screen); });
}

EventScript& EventScript::Drag(std::vector<POINT> path, MouseButton button) {
  return Then("drag along " + std::to_string(path.size()) + " points",
              [path, button] { platform::Drag(path, button); });
}

EventScript& EventScript::Wheel(POINT screen, int delta) {
  return Then("wheel " + std::to_string(delta), [screen, delta] { platform::Wheel(screen, delta); });
}

EventScript& EventScript::Key(int virtualKey) {
  return Then("key " + std::to_string(virtualKey), [virtualKey] { platform::Key(virtualKey); });
}

EventScript& EventScript::KeyDown(int virtualKey) {
  return Then("key down " + std::to_string(virtualKey), [virtualKey] { platform::KeyDown(virtualKey); });
}

EventScript& EventScript::KeyUp(int virtualKey) {
  return Then("key up " + std::to_string(virtualKey), [virtualKey] { platform::KeyUp(virtualKey); });
}

EventScript& EventScript::TypeText(std::string text) {
  return Then("type \"" + text + "\"", [text] { platform::TypeText(text.c_str()); });
}

EventScript& EventScript::Advance(UINT milliseconds) {
  return Then("advance the clock " + std::to_string(milliseconds) + " ms", [milliseconds] {
    if (!IsVirtualClock()) throw ScriptFailure("the script advances the clock, but the clock is not virtual");
    AdvanceVirtualClock(std::chrono::milliseconds(milliseconds));
  });
}

EventScript& EventScript::WaitForPost(UINT timeoutMs) {
  Step step{StepKind::Wait, "wait for a post from another thread"};
  step.timeoutMs = timeoutMs;
  return Add(std::move(step));
}

EventScript& EventScript::WaitUntil(std::string description, std::function<bool()> done, UINT timeoutMs) {
  Step step{StepKind::WaitUntil, "wait until " + description};
  step.done = std::move(done);
  step.timeoutMs = timeoutMs;
  return Add(std::move(step));
}

EventScript& EventScript::AnswerMessageBox(int answer) {
  Step step{StepKind::MessageBoxAnswer, "answer a message box with " + std::to_string(answer)};
  step.answer = answer;
  return Add(std::move(step));
}

EventScript& EventScript::ChooseFile(std::string path) {
  Step step{StepKind::FileAnswer, "choose the file \"" + path + "\""};
  step.path = std::move(path);
  return Add(std::move(step));
}

EventScript& EventScript::CancelFileDialog() {
  return Add(Step{StepKind::FileCancel, "cancel a file dialog"});
}

EventScript& EventScript::ChooseMenuItem(UINT id) {
  Step step{StepKind::MenuChoice, id ? "choose the menu item " + std::to_string(id) : "dismiss a menu"};
  step.answer = static_cast<int>(id);
  return Add(std::move(step));
}

void EventScript::PutBack(Step step) { steps_[--next_] = std::move(step); }

std::size_t EventScript::Remaining() const { return steps_.size() - next_; }

EventScript::Step EventScript::TakeStep(const std::string& waiter) {
  if (next_ == steps_.size()) {
    std::string after = next_ ? " (last step: " + steps_[next_ - 1].description + ")" : "";
    throw ScriptFailure("the event script ran dry while " + waiter + after);
  }
  return steps_[next_++];
}

}  // namespace platform

namespace platform::detail {

bool RunScriptStep(Lock& lock, ThreadQueue& queue) {
  EventScript* script = EventScript::Current();
  if (!script) {
    // A display's user gives the input a script would.
    if (GetPresenter()) return false;
    Window* captor = Global().capture ? Find(Global().capture) : nullptr;
    if (queue.modalDepth > 0 || (captor && captor->thread.get() == &queue)) {
      throw ScriptFailure(queue.modalDepth > 0
                              ? "a modal loop waits for input, but no event script is installed"
                              : "a tracking loop waits for input, but no event script is installed");
    }
    return false;
  }
  lock.unlock();
  EventScript::Step step = script->TakeStep("a loop waited for input");
  lock.lock();
  switch (step.kind) {
    case EventScript::StepKind::Action:
      lock.unlock();
      step.action();
      lock.lock();
      return true;
    case EventScript::StepKind::Wait: {
      auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.timeoutMs);
      while (queue.posted.empty() && queue.incoming.empty()) {
        if (queue.wake.wait_until(lock, deadline) == std::cv_status::timeout && queue.posted.empty() &&
            queue.incoming.empty()) {
          throw ScriptFailure("nothing was posted within " + std::to_string(step.timeoutMs) + " ms");
        }
      }
      return true;
    }
    case EventScript::StepKind::WaitUntil: {
      lock.unlock();
      const bool done = step.done();
      lock.lock();
      if (done) return true;
      const auto now = std::chrono::steady_clock::now();
      if (step.deadline == std::chrono::steady_clock::time_point{})
        step.deadline = now + std::chrono::milliseconds(step.timeoutMs);
      else if (now >= step.deadline)
        throw ScriptFailure(step.description + ": not within " + std::to_string(step.timeoutMs) + " ms");
      // Whatever arrives may be what it waits for; the step comes again once it is handled.
      queue.wake.wait_until(lock, step.deadline,
                            [&queue] { return !queue.posted.empty() || !queue.incoming.empty(); });
      lock.unlock();
      script->PutBack(std::move(step));
      lock.lock();
      return true;
    }
    default:
      throw ScriptFailure("a loop waits for input, but the script's next step is to " + step.description);
  }
}

}  // namespace platform::detail
