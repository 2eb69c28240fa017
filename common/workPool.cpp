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

// Jobs of any number of callers at once. A caller takes the parts of its own job; the workers
// take the parts of whichever job came first and still has parts to take, so that a core a
// caller leaves free serves another caller's parts. A caller waits only for parts already
// under way on other threads, and a part waits only for the parts of a job it starts itself:
// nothing waits in a circle. The workers sleep while no job has parts to take.
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

  void run(int parts, const std::function<void(int)>& work) {
    // Part 0 is the caller's: the others are open to every thread from the start.
    Job job{&work, parts, 1, parts,
            std::vector<std::exception_ptr>(static_cast<std::size_t>(parts))};
    {
      std::lock_guard lock(mutex_);
      open_.push_back(&job);
      openJobs_.store(open_.size(), std::memory_order_relaxed);
    }
    wake_.notify_all();
    for (int part = 0; part >= 0;) {
      runPart(job, part);
      const std::lock_guard lock(mutex_);
      part = claim(job);
    }
    pollWhile([&job] { return job.unfinished.load() != 0; });
    {
      std::unique_lock lock(mutex_);
      done_.wait(lock, [&job] { return job.unfinished.load() == 0; });
    }
    for (const std::exception_ptr& failure : job.failures) {
      if (failure) std::rethrow_exception(failure);
    }
  }

 private:
  struct Job {
    const std::function<void(int)>* work;
    int parts;
    int next;                     // the first part not yet taken
    std::atomic<int> unfinished;  // parts not yet ended; changed under mutex_, polled without
    std::vector<std::exception_ptr> failures;
  };

  // The next part of `job` for the calling thread, -1 when every part is taken; under mutex_.
  int claim(Job& job) {
    if (job.next >= job.parts) return -1;
    const int part = job.next++;
    if (job.next == job.parts) {
      open_.erase(std::find(open_.begin(), open_.end(), &job));
      openJobs_.store(open_.size(), std::memory_order_relaxed);
    }
    return part;
  }

  void runPart(Job& job, int part) {
    try {
      (*job.work)(part);
    } catch (...) {
      job.failures[static_cast<std::size_t>(part)] = std::current_exception();
    }
    std::lock_guard lock(mutex_);
    if (--job.unfinished == 0) done_.notify_all();
  }

  void serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (open_.empty() && !quit_) {
        lock.unlock();
        pollWhile([this] { return openJobs_.load(std::memory_order_relaxed) == 0; });
        lock.lock();
      }
      wake_.wait(lock, [this] { return quit_ || !open_.empty(); });
      if (quit_) return;
      Job& job = *open_.front();
      const int part = claim(job);
      lock.unlock();
      runPart(job, part);
      lock.lock();
    }
  }

  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  bool quit_ = false;
  std::vector<Job*> open_;                // the jobs with parts to take, in the order they came
  std::atomic<std::size_t> openJobs_{0};  // open_.size(), polled without mutex_
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
  if (parts > 1 && runThreads() > 1) {
    pool().run(parts, work);
    return;
  }
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
