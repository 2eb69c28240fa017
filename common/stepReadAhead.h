#pragma once
// The stored steps of a result file, read one ahead: while the caller shows step k, a thread of
// its own reads step k+1 into a second set of arrays, which start as a copy of step k (a null
// value keeps the value of the step before, as it does in the arrays of a sequential read).
// The caller meets every step, and every stop of the reading, where a sequential read meets
// them: a stop found in step k+1 is thrown by the call that asks for step k+1, and a step
// never asked for is never reported. An interrupt is the caller's to act on, between two steps
// or in its outputs; the reader goes on to the end of its step. A unit whose reads can wait (a
// pipe, the console) is read on the calling thread, where an interrupt cuts a waiting read
// short.
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>

#include "common/resultFile.h"
#include "common/units.h"

class StepReadAhead {
 public:
  // The steps are read over `current`, which holds the state before the first of them (the
  // initial state). `spare`, arrays of the same sizes, lets them be read ahead; with empty
  // spare arrays, or a unit whose reads can wait, every step is read on the calling thread.
  StepReadAhead(InputUnit& unit, const ResultCounts& counts, const StepArrays& current,
                const StepArrays& spare);
  // Waits for a read still under way, and drops what it found.
  ~StepReadAhead();
  StepReadAhead(const StepReadAhead&) = delete;
  StepReadAhead& operator=(const StepReadAhead&) = delete;

  // The next stored step into current(): false at the end of the data; a stop of its reading
  // is thrown here. The arrays of current() stay as they are until the next call.
  bool next(int& stepNo, double& time);
  const StepArrays& current() const { return current_; }

 private:
  void serve();
  // The read of the step after current(), on the reader thread, into spare_.
  void startRead();

  InputUnit& unit_;
  const ResultCounts& counts_;
  StepArrays current_, spare_;
  const bool ahead_;
  bool ended_ = false;

  std::thread reader_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool requested_ = false;  // a read is asked for or under way
  bool quit_ = false;
  // What the last read found.
  bool found_ = false;
  int stepNo_ = 0;
  double time_ = 0.0;
  std::exception_ptr stop_;
};
