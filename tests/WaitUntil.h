// Waiting in tests: a condition that never comes true fails the test after a deadline rather
// than hanging it.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
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

}  // namespace wf_test
