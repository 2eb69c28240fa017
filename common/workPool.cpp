#include "common/workPool.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "common/platform.h"

namespace {

std::atomic<int> chosenThreads{0};

// Polls `busy` for a short while, without sleeping: jobs often come in quick succession (the
// parts of one block, then of the next), and a thread that is still awake takes the next one
// without the delay of waking a sleeping one.
template <class Busy>
void pollWhile(Busy busy) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(250);
  while (busy() && std::chrono::steady_clock::now() < until) std::this_thread::yield();
}

// One job at a time: its parts are taken in turn by whichever thread is free, the caller's
// included. The workers sleep between jobs.
class WorkPool {
 public:
  explicit WorkPool(int workers) {
    for (int i = 0; i < workers; ++i) {
      threads_.push_back(platform::startQuietThread([this] { serve(); }));
    }
  }
  ~WorkPool() {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  // False when another caller's job holds the pool.
  bool run(int parts, const std::function<void(int)>& work) {
    std::unique_lock<std::mutex> caller(callerMutex_, std::try_to_lock);
    if (!caller.owns_lock()) return false;
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(parts));
    {
      std::lock_guard lock(mutex_);
      work_ = &work;
      failures_ = &failures;
      parts_ = parts;
      next_.store(0);
      unfinished_ = parts;
      ++generation_;
      posted_.store(generation_, std::memory_order_relaxed);
    }
    wake_.notify_all();
    takeParts();
    pollWhile([this] { return unfinished_.load() != 0 || busyWorkers_.load() != 0; });
    {
      std::unique_lock lock(mutex_);
      done_.wait(lock, [this] { return unfinished_ == 0 && busyWorkers_ == 0; });
      work_ = nullptr;
      failures_ = nullptr;
    }
    for (const std::exception_ptr& failure : failures) {
      if (failure) std::rethrow_exception(failure);
    }
    return true;
  }

 private:
  void serve() {
    unsigned long seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
      if (generation_ == seen && !quit_) {
        lock.unlock();
        pollWhile([&] { return posted_.load(std::memory_order_relaxed) == seen; });
        lock.lock();
      }
      wake_.wait(lock, [&] { return quit_ || generation_ != seen; });
      if (quit_) return;
      seen = generation_;
      if (work_ == nullptr) continue;
      ++busyWorkers_;
      lock.unlock();
      takeParts();
      lock.lock();
      --busyWorkers_;
      if (unfinished_ == 0 && busyWorkers_ == 0) done_.notify_all();
    }
  }

  // Runs parts until none is left to take.
  void takeParts() {
    int finished = 0;
    for (int part = next_.fetch_add(1); part < parts_; part = next_.fetch_add(1)) {
      try {
        (*work_)(part);
      } catch (...) {
        (*failures_)[static_cast<std::size_t>(part)] = std::current_exception();
      }
      ++finished;
    }
    if (finished == 0) return;
    std::lock_guard lock(mutex_);
    unfinished_ -= finished;
    if (unfinished_ == 0) done_.notify_all();
  }

  std::vector<std::thread> threads_;
  std::mutex callerMutex_;  // held by the caller whose job runs
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  bool quit_ = false;
  unsigned long generation_ = 0;
  // The job; set under mutex_ before the workers are woken, read by them after.
  const std::function<void(int)>* work_ = nullptr;
  std::vector<std::exception_ptr>* failures_ = nullptr;
  int parts_ = 0;
  std::atomic<int> next_{0};
  // Changed under mutex_; polled without it.
  std::atomic<unsigned long> posted_{0};  // generation_
  std::atomic<int> unfinished_{0};
  std::atomic<int> busyWorkers_{0};
};

WorkPool& pool() {
  static WorkPool workers(runThreads() - 1);
  return workers;
}

}  // namespace

int machineThreads() {
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

int runThreads() {
  const int chosen = chosenThreads.load(std::memory_order_relaxed);
  if (chosen > 0) return chosen;
  // SEEPAGE_THREADS sets the default of runs that give no --threads, the dialogue's included.
  if (const char* given = std::getenv("SEEPAGE_THREADS"); given != nullptr) {
    int threads = 0;
    const std::string_view text(given);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), threads);
    if (error == std::errc() && end == text.data() + text.size() && threads >= 1) {
      return std::min(threads, maxThreads);
    }
  }
  return machineThreads();
}

void setRunThreads(int threads) {
  chosenThreads.store(std::clamp(threads, 1, maxThreads), std::memory_order_relaxed);
}

void runParts(int parts, const std::function<void(int)>& work) {
  if (parts <= 0) return;
  if (parts > 1 && runThreads() > 1 && pool().run(parts, work)) return;
  std::exception_ptr failure;
  for (int part = 0; part < parts; ++part) {
    try {
      work(part);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

int partsFor(long long items, long long leastPerPart) {
  const long long most = std::max(1LL, items / std::max(1LL, leastPerPart));
  return static_cast<int>(std::min<long long>(runThreads(), most));
}
