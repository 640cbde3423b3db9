#include "core/RowThreads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <typeindex>
#include <utility>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <sys/resource.h>

namespace corvel {

namespace {

constexpr int kRowsPerRun = 16;
constexpr int kFewestRowsPerRun = 2;
constexpr int kMostThreads = 64;
// Waking a sleeping thread costs 0.1-0.3 ms, as much as a whole preview's pass: between the
// passes of one filter run the threads keep looking for work at least this long before they sleep.
constexpr std::chrono::nanoseconds kSpinTime = std::chrono::microseconds(200);
// Runs that come one after another, as a preview's renders between a handle's moves, find the
// threads awake: they look for work twice as long as the pool last stood idle, but never longer
// than this, so that a program idle for longer holds no core.
constexpr std::chrono::nanoseconds kLongestSpin = std::chrono::milliseconds(10);
// Woken ahead of a run, the threads wait for it at least this long: the run's set-up comes first.
constexpr std::chrono::nanoseconds kSpinAfterWakeUp = std::chrono::milliseconds(1);

std::atomic<int> gCountOverride{0};
// Set on pool threads and on a caller while its rows run: a run asked for from inside one is
// done alone (the caller could not claim the pool it holds).
thread_local bool tInsideRun = false;

void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_pause();
#else
  std::this_thread::yield();
#endif
}

// How often the system has switched the calling thread out for another of its threads; a thread
// held up while its processor served something outside this system (a virtual machine's host)
// has not been switched out.
long SwitchedOut() {
  rusage usage{};
  return getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_nivcsw : 0;
}

// Spins on ready() for time; answers whether it came true. On a machine busy with other work a
// spinning thread would hold a core that one of this run's own threads, preempted in the middle of
// its rows, waits for: it gives way every few microseconds. A pool thread waiting for work stops
// once giving way let others run for a while, as then more threads want cores than there are; a
// caller waiting for its helpers spins on, as its run ends only when it sees them done. Held up
// without giving way to another thread, as when a virtual machine's processor waits for its host,
// it spins on: asleep, it would cost the next run 0.1 ms to wake.
enum class WhenOthersRan { kSpinOn, kStop };

template <typename Ready>
bool SpinFor(std::chrono::nanoseconds time, WhenOthersRan othersRan, Ready ready) {
  constexpr auto kOthersRan = std::chrono::microseconds(200);
  auto last = std::chrono::steady_clock::now();
  const auto until = last + time;
  const long switchedOut = othersRan == WhenOthersRan::kStop ? SwitchedOut() : 0;
  for (int i = 0;; ++i) {
    if (ready()) return true;
    CpuRelax();
    if ((i & 63) == 63) {
      const auto now = std::chrono::steady_clock::now();
      if (now >= until ||
          (othersRan == WhenOthersRan::kStop && now - last > kOthersRan && SwitchedOut() != switchedOut))
        return false;
      last = now;
      std::this_thread::yield();
    }
  }
}

// A thread's share of the rows still to start, [first, last) packed in one word so that its owner
// taking runs from the front and others taking from the back never both get a row.
struct alignas(64) Share {
  static std::uint64_t Pack(int first, int last) {
    return std::uint64_t(std::uint32_t(first)) << 32 | std::uint32_t(last);
  }
  static int First(std::uint64_t rows) { return int(rows >> 32); }
  static int Last(std::uint64_t rows) { return int(std::uint32_t(rows)); }
  std::atomic<std::uint64_t> rows{0};
};

struct Job {
  const std::function<void(int, int, int)>* work = nullptr;
  int rows = 0;
  int helpers = 0;
  Share shares[kMostThreads];
  // Apart, as every thread writes it.
  alignas(64) std::atomic<int> finished{0};
  std::atomic<bool> stop{false};
};

// The next run from the front of the thread's own share; false when the share is empty. Runs
// shorten toward the share's end, so that the threads finish together even when one of them was
// held up.
bool TakeOwnRun(Job& job, Share& own, int& first, int& last) {
  std::uint64_t rows = own.rows.load(std::memory_order_relaxed);
  for (;;) {
    const int left = Share::Last(rows) - Share::First(rows);
    if (left <= 0) return false;
    first = Share::First(rows);
    last = first + (job.helpers == 0 ? std::min(left, kRowsPerRun)
                                     : std::clamp(left / 4, std::min(left, kFewestRowsPerRun), kRowsPerRun));
    if (own.rows.compare_exchange_weak(rows, Share::Pack(last, Share::Last(rows)), std::memory_order_relaxed))
      return true;
  }
}

// Half of what is left of the largest share but the thief's own becomes the thief's; false when
// no rows are left to start.
bool TakeHalfOfLargest(Job& job, int thief) {
  for (;;) {
    int victim = -1, most = 0;
    std::uint64_t seen = 0;
    for (int i = 0; i <= job.helpers; ++i) {
      const std::uint64_t rows = job.shares[i].rows.load(std::memory_order_relaxed);
      if (i != thief && Share::Last(rows) - Share::First(rows) > most) {
        victim = i;
        most = Share::Last(rows) - Share::First(rows);
        seen = rows;
      }
    }
    if (victim < 0) return false;
    const int first = Share::First(seen), last = Share::Last(seen), split = last - (last - first + 1) / 2;
    if (job.shares[victim].rows.compare_exchange_strong(seen, Share::Pack(first, split),
                                                        std::memory_order_relaxed)) {
      job.shares[thief].rows.store(Share::Pack(split, last), std::memory_order_relaxed);
      return true;
    }
  }
}

// Takes runs of rows until none is left or the job stops. Each thread takes its runs in turn from
// the front of a share of consecutive rows, as the rows below a row read mostly what it read (a
// turned row's source lies along a long diagonal, cold to a thread that starts anywhere else);
// whoever runs out takes half of the largest share left.
template <typename AfterRun>
void TakeRuns(Job& job, int slot, AfterRun afterRun) {
  Share& own = job.shares[slot];
  while (!job.stop.load(std::memory_order_relaxed)) {
    int first = 0, last = 0;
    if (!TakeOwnRun(job, own, first, last)) {
      if (!TakeHalfOfLargest(job, slot)) return;
      continue;
    }
    (*job.work)(first, last, slot);
    job.finished.fetch_add(last - first, std::memory_order_release);
    afterRun();
  }
}

// Threads that spin a little and then sleep between jobs; one job at a time, the next caller
// meanwhile works alone.
class Pool {
 public:
  static Pool& Instance() {
    static Pool pool;
    return pool;
  }

  std::unique_lock<std::mutex> Claim() { return std::unique_lock<std::mutex>(busy_, std::try_to_lock); }

  // Starts threads until the pool has count; answers how many it has, up to count: fewer where
  // the system would start no more (its memory for their stacks run out), whose rows the rest take.
  int Grow(int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    try {
      while (int(threads_.size()) < count) {
        const int index = int(threads_.size());
        threads_.emplace_back([this, index] { Serve(index); });
      }
    } catch (const std::system_error&) {
      // The threads there are do the rows.
    } catch (const std::bad_alloc&) {
      // Likewise.
    }
    return std::min(count, int(threads_.size()));
  }

  // The claimant's job with job.helpers pool threads, which Grow has started.
  void Start(Job& job) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::chrono::nanoseconds idle = std::chrono::steady_clock::now() - lastFinish_;
    spinTime_.store(
        idle > kLongestSpin ? kSpinTime.count() : std::clamp(2 * idle, kSpinTime, kLongestSpin).count(),
        std::memory_order_relaxed);
    job_ = &job;
    claimed_ = 0;
    pending_.store(job.helpers, std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
    wake_.notify_all();
  }

  // Sleeping threads wake and look for work a while, unless a job is on.
  void WakeUp() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (job_ || sleeping_ == 0) return;
    spinTime_.store(std::max(spinTime_.load(std::memory_order_relaxed), kSpinAfterWakeUp.count()),
                    std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
    // One thread wakes, which wakes the others (see Serve): waking all from here cost the caller
    // 40-70 us of its set-up on a busy machine, ahead of rows that start some 0.1 ms later.
    wakeTheRest_ = true;
    wake_.notify_one();
  }

  // The object of the kind the pool holds, made by make at the first ask.
  void* Kept(const std::type_info& kind, std::shared_ptr<void> (*make)()) {
    std::lock_guard<std::mutex> lock(keptLock_);
    for (const auto& [keptKind, object] : kept_)
      if (keptKind == kind) return object.get();
    kept_.emplace_back(kind, make());
    return kept_.back().second.get();
  }

  void Finish() {
    {
      // Threads still waking find no job: the caller does not wait for them to wake (0.1-0.3 ms)
      // once the rows are done, only for those at work.
      std::lock_guard<std::mutex> lock(mutex_);
      pending_.fetch_sub(job_->helpers - claimed_, std::memory_order_relaxed);
      job_ = nullptr;
    }
    SpinFor(kSpinTime, WhenOthersRan::kSpinOn,
            [this] { return pending_.load(std::memory_order_acquire) == 0; });
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return pending_.load(std::memory_order_acquire) == 0; });
    lastFinish_ = std::chrono::steady_clock::now();
  }

 private:
  Pool() = default;
  ~Pool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
      generation_.fetch_add(1, std::memory_order_release);
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
    kept_.clear();
  }

  void Serve(int index) {
    tInsideRun = true;
    unsigned seen = 0;
    for (;;) {
      SpinFor(std::chrono::nanoseconds(spinTime_.load(std::memory_order_relaxed)), WhenOthersRan::kStop,
              [&] { return generation_.load(std::memory_order_acquire) != seen; });
      Job* job = nullptr;
      bool wakeTheRest = false;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ++sleeping_;
        wake_.wait(lock, [&] { return generation_.load(std::memory_order_relaxed) != seen; });
        --sleeping_;
        wakeTheRest = std::exchange(wakeTheRest_, false) && sleeping_ > 0;
        if (quit_) return;
        seen = generation_.load(std::memory_order_relaxed);
        // A thread that takes no part must not look at the job again: it may end any moment.
        if (job_ && index < job_->helpers) {
          job = job_;
          ++claimed_;
        }
      }
      if (wakeTheRest) wake_.notify_all();
      if (!job) continue;
      TakeRuns(*job, index + 1, [] {});
      // The job lives on its caller's stack: once pending_ reaches 0 it may be gone.
      if (pending_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        std::lock_guard<std::mutex> lock(mutex_);
        idle_.notify_one();
      }
    }
  }

  std::mutex busy_;
  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::vector<std::thread> threads_;
  Job* job_ = nullptr;
  std::atomic<unsigned> generation_{0};
  std::atomic<int> pending_{0};
  int sleeping_ = 0;                                       // under mutex_
  int claimed_ = 0;                                        // helpers that took the job, under mutex_
  bool wakeTheRest_ = false;                               // left to the first awake, under mutex_
  std::chrono::steady_clock::time_point lastFinish_;       // under mutex_
  std::atomic<std::int64_t> spinTime_{kSpinTime.count()};  // in nanoseconds
  bool quit_ = false;
  std::mutex keptLock_;
  std::vector<std::pair<std::type_index, std::shared_ptr<void>>> kept_;  // under keptLock_
};

}  // namespace

int RowThreads::Count() {
  if (const int forced = gCountOverride.load()) return forced;
  if (const char* text = std::getenv("WF_THREADS")) {
    const int count = std::atoi(text);
    if (count >= 1 && count <= kMostThreads) return count;
  }
  // Read once: the system answers through a file, three calls and some 6 us each time, and a
  // render asks several times before its rows.
  static const int processors = std::clamp(int(std::thread::hardware_concurrency()), 1, kMostThreads);
  return processors;
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
  if (job.helpers > 0 && !tInsideRun) claim = pool.Claim();
  if (!claim.owns_lock()) job.helpers = 0;
  if (job.helpers > 0) job.helpers = pool.Grow(job.helpers);
  const int threads = job.helpers + 1;
  for (int i = 0; i < threads; ++i)
    job.shares[i].rows.store(
        Share::Pack(int(std::int64_t{rows} * i / threads), int(std::int64_t{rows} * (i + 1) / threads)),
        std::memory_order_relaxed);
  if (job.helpers > 0) pool.Start(job);
  const bool outermost = !tInsideRun;
  tInsideRun = true;

  bool stopped = false;
  int reported = 0;
  auto report = [&] {
    if (!progress) return;
    const int finished = job.finished.load(std::memory_order_acquire);
    if (finished > reported && progress(finished - reported)) stopped = true;
    reported = finished;
    if (stopped) job.stop.store(true, std::memory_order_relaxed);
  };
  try {
    TakeRuns(job, 0, report);
  } catch (...) {
    // The helpers work on this frame's job: they must be done before it unwinds.
    job.stop.store(true, std::memory_order_relaxed);
    if (outermost) tInsideRun = false;
    if (job.helpers > 0) pool.Finish();
    throw;
  }
  if (outermost) tInsideRun = false;
  if (job.helpers > 0) pool.Finish();
  if (!stopped) report();
  return stopped;
}

void RowThreads::WakeUp() {
  if (Count() > 1 && !tInsideRun) Pool::Instance().WakeUp();
}

void* RowThreads::KeptWithThePool(const std::type_info& kind, std::shared_ptr<void> (*make)()) {
  return Pool::Instance().Kept(kind, make);
}

RowThreads::ScopedCount::ScopedCount(int count)
    : previous_(gCountOverride.exchange(std::clamp(count, 1, kMostThreads))) {}

RowThreads::ScopedCount::~ScopedCount() { gCountOverride.store(previous_); }

}  // namespace corvel
