// Rows of a render or a whole-image pass shared out among the calling thread and a small pool of
// threads that stays alive between runs. Each thread takes a share of consecutive rows, 16 at a time
// (fewer toward its end), and one out of rows takes over half of the largest share left; each row's
// result depends on nothing but its own inputs, so the output is the same byte for byte for any count
// of threads.
#pragma once
#include <functional>
#include <memory>
#include <typeinfo>

namespace corvel {

class RowThreads {
 public:
  // The threads a run uses, the calling one included: WF_THREADS when set to 1..64, else the
  // count of processors.
  static int Count();

  // Calls work(first, last, slot) for consecutive runs of rows covering [0, rows), each run
  // once, from up to Count() threads; slot (0 .. Count() - 1) is the calling thread's (0) or a
  // pool thread's own, for buffers of its own. Only the calling thread calls progress (when
  // given), with the rows finished since its last call; when it answers true no further runs
  // start. Returns true when stopped so; every run started has finished by then. A run asked for
  // while the pool serves another (or from inside a work call) is done by its caller alone, and
  // one whose threads the system would not start by those it has.
  static bool Run(int rows, const std::function<void(int first, int last, int slot)>& work,
                  const std::function<bool(int finished)>& progress = nullptr);

  // Wakes the pool's sleeping threads ahead of the runs of a task about to start, so that they
  // wake (some 0.1 ms) while it sets up rather than at its first run.
  static void WakeUp();

  // The one object of type Kept that the pool holds for tasks whose callers keep nothing from one
  // to the next, such as the buffers its threads made for their rows (handed back to the system at
  // every task's end, each trimmed heap would interrupt every core where the threads wait): made at
  // the first ask, ended with the pool once its threads have quit.
  template <class Kept>
  static Kept& KeptWithThePool() {
    return *static_cast<Kept*>(
        KeptWithThePool(typeid(Kept), [] { return std::shared_ptr<void>(std::make_shared<Kept>()); }));
  }

  // For tests: Count() answers count while the object lives.
  class ScopedCount {
   public:
    explicit ScopedCount(int count);
    ~ScopedCount();
    ScopedCount(const ScopedCount&) = delete;
    ScopedCount& operator=(const ScopedCount&) = delete;

   private:
    int previous_;
  };

 private:
  static void* KeptWithThePool(const std::type_info& kind, std::shared_ptr<void> (*make)());
};

}  // namespace corvel
