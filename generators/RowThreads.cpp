#include "generators/RowThreads.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace corvel {

namespace {

constexpr int kRowsPerRun = 16;
constexpr int kMostThreads = 64;

std::atomic<int> gCountOverride{0};

struct Job {
  const std::function<void(int, int, int)>* work = nullptr;
  int rows = 0;
  int helpers = 0;
  std::atomic<int> next{0};
  std::atomic<int> finished{0};
  std::atomic<bool> stop{false};
};

// Takes runs of rows until none is left or the job stops; answers whether it did one.
void TakeRuns(Job& job, int slot, const std::function<void()>& afterRun) {
  while (!job.stop.load(std::memory_order_relaxed)) {
    const int first = job.next.fetch_add(kRowsPerRun, std::memory_order_relaxed);
    if (first >= job.rows) return;
    const int last = std::min(first + kRowsPerRun, job.rows);
    (*job.work)(first, last, slot);
    job.finished.fetch_add(last - first, std::memory_order_release);
    if (afterRun) afterRun();
  }
}

// Threads that sleep between jobs; one job at a time, the next caller meanwhile works alone.
class Pool {
 public:
  static Pool& Instance() {
    static Pool pool;
    return pool;
  }

  std::unique_lock<std::mutex> Claim() { return std::unique_lock<std::mutex>(busy_, std::try_to_lock); }

  // The claimant's job with job.helpers pool threads.
  void Start(Job& job) {
    std::lock_guard<std::mutex> lock(mutex_);
    while (int(threads_.size()) < job.helpers) {
      const int index = int(threads_.size());
      threads_.emplace_back([this, index] { Serve(index); });
    }
    job_ = &job;
    pending_ = job.helpers;
    ++generation_;
    wake_.notify_all();
  }

  void Finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return pending_ == 0; });
    job_ = nullptr;
  }

 private:
  Pool() = default;
  ~Pool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  void Serve(int index) {
    unsigned seen = 0;
    for (;;) {
      Job* job = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return quit_ || generation_ != seen; });
        if (quit_) return;
        seen = generation_;
        // A thread that takes no part must not look at the job again: it may end any moment.
        if (job_ && index < job_->helpers) job = job_;
      }
      if (!job) continue;
      TakeRuns(*job, index + 1, nullptr);
      std::lock_guard<std::mutex> lock(mutex_);
      if (--pending_ == 0) idle_.notify_one();
    }
  }

  std::mutex busy_;
  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::vector<std::thread> threads_;
  Job* job_ = nullptr;
  unsigned generation_ = 0;
  int pending_ = 0;
  bool quit_ = false;
};

}  // namespace

int RowThreads::Count() {
  if (const int forced = gCountOverride.load()) return forced;
  if (const char* text = std::getenv("WF_THREADS")) {
    const int count = std::atoi(text);
    if (count >= 1 && count <= kMostThreads) return count;
  }
  return std::clamp(int(std::thread::hardware_concurrency()), 1, kMostThreads);
}

bool RowThreads::Run(int rows, const std::function<void(int, int, int)>& work,
                     const std::function<bool(int)>& progress) {
  if (rows <= 0) return false;
  Job job;
  job.work = &work;
  job.rows = rows;
  job.helpers = std::min(Count() - 1, (rows - 1) / kRowsPerRun);
  Pool& pool = Pool::Instance();
  std::unique_lock<std::mutex> claim;
  if (job.helpers > 0) claim = pool.Claim();
  if (!claim.owns_lock()) job.helpers = 0;
  if (job.helpers > 0) pool.Start(job);

  bool stopped = false;
  int reported = 0;
  auto report = [&] {
    const int finished = job.finished.load(std::memory_order_acquire);
    if (finished > reported && progress(finished - reported)) stopped = true;
    reported = finished;
    if (stopped) job.stop.store(true, std::memory_order_relaxed);
  };
  TakeRuns(job, 0, report);
  if (job.helpers > 0) pool.Finish();
  if (!stopped) report();
  return stopped;
}

RowThreads::ScopedCount::ScopedCount(int count)
    : previous_(gCountOverride.exchange(std::clamp(count, 1, kMostThreads))) {}

RowThreads::ScopedCount::~ScopedCount() { gCountOverride.store(previous_); }

}  // namespace corvel
