#include "core/RowThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace corvel {
namespace {

// Every row once, in runs of at most 16, slots within the count, whatever the rows and the threads.
TEST(RowThreads, CoversEveryRowOnceFromSlotsWithinTheCount) {
  for (const int threads : {1, 3, 8}) {
    const RowThreads::ScopedCount count(threads);
    for (const int rows : {1, 15, 16, 17, 100, 1000}) {
      std::vector<std::atomic<int>> visits(static_cast<std::size_t>(rows));
      std::atomic<int> badSlots{0};
      int reported = 0;
      const bool stopped = RowThreads::Run(
          rows,
          [&](int first, int last, int slot) {
            if (slot < 0 || slot >= threads || last - first < 1 || last - first > 16) ++badSlots;
            for (int row = first; row < last; ++row) ++visits[std::size_t(row)];
          },
          [&](int finished) {
            reported += finished;
            return false;
          });
      EXPECT_FALSE(stopped);
      EXPECT_EQ(reported, rows) << threads << " threads, " << rows << " rows";
      EXPECT_EQ(badSlots.load(), 0);
      for (int row = 0; row < rows; ++row)
        ASSERT_EQ(visits[std::size_t(row)].load(), 1) << threads << " threads, row " << row;
    }
  }
}

// Threads out of rows take over what is left of the others' shares: the thread that runs first,
// held up in that run, finds every other row done without it (not always the caller: its share may
// be taken whole before it starts), and rows taken while shares change hands, many short runs
// racing for the last few, are each started once.
TEST(RowThreads, SharesOfHeldUpThreadsAreTakenOverOnce) {
  const RowThreads::ScopedCount count(4);
  constexpr int kRows = 4000;
  std::atomic<int> done{0}, doneWhileHeld{-1}, heldRows{0};
  std::atomic<bool> held{false};
  RowThreads::Run(kRows, [&](int first, int last, int) {
    if (!held.exchange(true)) {
      heldRows = last - first;
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (done.load() < kRows - (last - first) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      doneWhileHeld = done.load();
    }
    done += last - first;
  });
  EXPECT_EQ(doneWhileHeld.load(), kRows - heldRows.load());
  EXPECT_EQ(done.load(), kRows);

  const RowThreads::ScopedCount eight(8);
  int twice = 0;
  for (int round = 0; round < 3000 && twice == 0; ++round) {
    const int rows = 40 + round % 90;
    std::vector<std::atomic<int>> visits(static_cast<std::size_t>(rows));
    RowThreads::Run(rows, [&](int first, int last, int) {
      for (int row = first; row < last; ++row) ++visits[std::size_t(row)];
    });
    for (const std::atomic<int>& visit : visits) twice += visit.load() != 1;
  }
  EXPECT_EQ(twice, 0);
}

TEST(RowThreads, NoRowsCallsNothing) {
  EXPECT_FALSE(RowThreads::Run(
      0, [](int, int, int) { FAIL(); }, [](int) { return true; }));
}

// A stop ends the run with every started run finished; nothing runs after it returns.
TEST(RowThreads, AStopStartsNoFurtherRuns) {
  const RowThreads::ScopedCount count(4);
  std::atomic<int> running{0}, done{0};
  const bool stopped = RowThreads::Run(
      100000,
      [&](int first, int last, int) {
        ++running;
        std::this_thread::sleep_for(std::chrono::microseconds(20));
        done += last - first;
        --running;
      },
      [](int) { return true; });
  EXPECT_TRUE(stopped);
  EXPECT_EQ(running.load(), 0);
  const int atReturn = done.load();
  EXPECT_LT(atReturn, 100000);
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_EQ(done.load(), atReturn);
}

// Callers on several threads at once, calls from inside a work call, and calls after the pool
// has fallen asleep all finish with every row done, wakings asked for meanwhile by any thread
// included.
TEST(RowThreads, ConcurrentNestedAndLateCallersAllFinish) {
  const RowThreads::ScopedCount count(4);
  auto sumRows = [](int rows) {
    std::atomic<long> sum{0};
    RowThreads::Run(rows, [&](int first, int last, int) {
      for (int row = first; row < last; ++row) sum += row;
    });
    return sum.load();
  };
  std::vector<std::thread> callers;
  std::atomic<int> wrong{0};
  std::atomic<bool> calling{true};
  std::thread waker([&] {
    while (calling) RowThreads::WakeUp();
  });
  for (int i = 0; i < 4; ++i)
    callers.emplace_back([&] {
      for (int round = 0; round < 50; ++round)
        if (sumRows(500) != 500L * 499 / 2) ++wrong;
    });
  for (std::thread& caller : callers) caller.join();
  calling = false;
  waker.join();
  EXPECT_EQ(wrong.load(), 0);

  std::atomic<int> nestedWrong{0};
  RowThreads::Run(64, [&](int, int, int) {
    RowThreads::WakeUp();
    if (sumRows(100) != 100L * 99 / 2) ++nestedWrong;
  });
  EXPECT_EQ(nestedWrong.load(), 0);

  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(sumRows(1000), 1000L * 999 / 2);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  RowThreads::WakeUp();
  EXPECT_EQ(sumRows(1000), 1000L * 999 / 2);
}

// A pool asleep and woken ahead of a run, as a render's set-up wakes it, or woken by the run
// itself, takes part in it whole: each thread's first rows wait (up to a deadline) until every
// slot has come.
TEST(RowThreads, EveryThreadTakesPartAfterThePoolSlept) {
  const RowThreads::ScopedCount count(6);
  for (const bool wokenAhead : {true, false}) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    if (wokenAhead) RowThreads::WakeUp();
    std::atomic<int> arrived{0};
    std::vector<std::atomic<bool>> came(6);
    RowThreads::Run(6 * 16 * 4, [&](int, int, int slot) {
      if (came[std::size_t(slot)].exchange(true)) return;
      ++arrived;
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (arrived.load() < 6 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    });
    EXPECT_EQ(arrived.load(), 6) << (wokenAhead ? "woken ahead" : "woken by the run");
  }
}

// A throw from the caller's own rows leaves once the helpers are done; the pool serves on.
TEST(RowThreads, AThrowFromTheCallersRowsWaitsForTheHelpers) {
  const RowThreads::ScopedCount count(4);
  std::atomic<int> running{0};
  EXPECT_THROW(RowThreads::Run(100000,
                               [&](int, int, int slot) {
                                 ++running;
                                 std::this_thread::sleep_for(std::chrono::microseconds(20));
                                 --running;
                                 if (slot == 0) throw std::runtime_error("row failed");
                               }),
               std::runtime_error);
  EXPECT_EQ(running.load(), 0);
  std::atomic<int> rows{0};
  RowThreads::Run(1000, [&](int first, int last, int) { rows += last - first; });
  EXPECT_EQ(rows.load(), 1000);
}

// What the pool keeps is one object a kind, made once however many threads ask at once: each
// asker finds what the others left in it.
TEST(RowThreads, KeepsOneObjectOfEachKindForEveryAsker) {
  struct Tally {
    std::atomic<int> asks{0};
  };
  struct Other {
    int value = 7;
  };
  std::vector<std::thread> askers;
  std::vector<Tally*> found(8);
  for (std::size_t i = 0; i < found.size(); ++i)
    askers.emplace_back([&, i] {
      found[i] = &RowThreads::KeptWithThePool<Tally>();
      ++found[i]->asks;
    });
  for (std::thread& asker : askers) asker.join();
  for (Tally* tally : found) EXPECT_EQ(tally, found[0]);
  EXPECT_EQ(found[0]->asks.load(), 8);
  EXPECT_NE(static_cast<void*>(&RowThreads::KeptWithThePool<Other>()), static_cast<void*>(found[0]));
  EXPECT_EQ(RowThreads::KeptWithThePool<Other>().value, 7);
}

TEST(RowThreads, CountFollowsTheEnvironmentWithinItsRange) {
  const char* saved = std::getenv("WF_THREADS");
  const std::string previous = saved ? saved : "";
  setenv("WF_THREADS", "3", 1);
  EXPECT_EQ(RowThreads::Count(), 3);
  for (const char* ignored : {"0", "65", "many"}) {
    setenv("WF_THREADS", ignored, 1);
    EXPECT_GE(RowThreads::Count(), 1) << ignored;
    EXPECT_LE(RowThreads::Count(), 64) << ignored;
  }
  {
    const RowThreads::ScopedCount count(2);
    EXPECT_EQ(RowThreads::Count(), 2);
  }
  if (saved)
    setenv("WF_THREADS", previous.c_str(), 1);
  else
    unsetenv("WF_THREADS");
}

}  // namespace
}  // namespace corvel
