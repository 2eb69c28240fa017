#include "common/stepReadAhead.h"

#include <algorithm>
#include <utility>

#include "common/platform.h"
#include "common/stop.h"

namespace {

bool holdsArrays(const StepArrays& arrays) {
  return !arrays.pressureHead.empty() || !arrays.discharge.empty() || !arrays.nodeCode.empty() ||
         !arrays.vx.empty() || !arrays.vy.empty() || !arrays.vz.empty();
}

}  // namespace

StepReadAhead::StepReadAhead(InputUnit& unit, const ResultCounts& counts, const StepArrays& current,
                             const StepArrays& spare)
    : unit_(unit),
      counts_(counts),
      current_(current),
      spare_(spare),
      ahead_(holdsArrays(spare) && unit.neverWaits()) {}

StepReadAhead::~StepReadAhead() {
  if (!reader_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  reader_.join();
}

bool StepReadAhead::next(int& stepNo, double& time) {
  if (ended_) return false;
  if (!ahead_) {
    ended_ = !readResultStep(unit_, counts_, stepNo, time, current_);
    return !ended_;
  }
  // Between two steps: where an interrupt ends the run, named by this thread's place.
  stopIfInterrupted();
  if (!reader_.joinable()) {
    reader_ = platform::startQuietThread([this] { serve(); });
    startRead();
  }
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !requested_; });
  }
  if (stop_ || !found_) {
    ended_ = true;
    if (stop_) std::rethrow_exception(std::exchange(stop_, nullptr));
    return false;
  }
  std::swap(current_, spare_);
  stepNo = stepNo_;
  time = time_;
  // The reader thread noted the step on its own; the place of an interrupt or a failed write
  // is the calling thread's.
  noteStepRead(stepNo, time);
  startRead();
  return true;
}

void StepReadAhead::startRead() {
  {
    std::lock_guard lock(mutex_);
    requested_ = true;
  }
  changed_.notify_all();
}

void StepReadAhead::serve() {
  leaveInterruptsToTheCaller();
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return quit_ || requested_; });
    if (quit_) return;
    lock.unlock();
    // The step after current() starts as a copy of it. current() is only read meanwhile, by
    // the caller too.
    copyStep(current_, spare_);
    bool found = false;
    int stepNo = 0;
    double time = 0.0;
    std::exception_ptr stop;
    try {
      found = readResultStep(unit_, counts_, stepNo, time, spare_);
    } catch (...) {
      stop = std::current_exception();
    }
    lock.lock();
    found_ = found;
    stepNo_ = stepNo;
    time_ = time;
    stop_ = stop;
    requested_ = false;
    changed_.notify_all();
  }
}
