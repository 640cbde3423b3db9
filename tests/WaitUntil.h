// Waiting in tests: a condition that never comes true fails the test after a deadline rather
// than hanging it.
#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

namespace wf_test {

// Polls `done` (which may do work of its own, such as dispatching messages) until it holds;
// false, with a failure naming `what`, once `limit` has passed.
template <typename Condition>
bool WaitUntil(Condition done, const std::string& what,
               std::chrono::milliseconds limit = std::chrono::seconds(60)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << what << " did not happen within " << limit.count() << " ms";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Waits for a forked child to end, its status in `status`; one still running after `limit` is
// killed, and the test fails.
inline bool WaitForChild(pid_t child, int& status,
                         std::chrono::milliseconds limit = std::chrono::seconds(30)) {
  if (WaitUntil([&] { return waitpid(child, &status, WNOHANG) != 0; }, "the child's end", limit)) return true;
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  return false;
}

}  // namespace wf_test
