#pragma once
// The stored steps a run shows when not all of them are wanted: those whose time lies in the
// window from..until, and of those the first, every N-th after it and the last, so that the
// final state of the window is never dropped. Both programs pick their steps with it, one
// step at a time as they are read.
#include <limits>

struct StepSelection {
  int every = 1;
  double from = -std::numeric_limits<double>::infinity();
  double until = std::numeric_limits<double>::infinity();

  // An end not given takes every time, one that is not a number included.
  bool contains(double time) const {
    return (from == -std::numeric_limits<double>::infinity() || from <= time) &&
           (until == std::numeric_limits<double>::infinity() || time <= until);
  }
  // Some step may be left out: a stride above 1, or a window narrower than every time.
  bool leavesOut() const {
    return every != 1 || from != -std::numeric_limits<double>::infinity() ||
           until != std::numeric_limits<double>::infinity();
  }
};

// Decides, step after step in file order, whether a stored step is shown now, kept aside as
// perhaps the last one of the window, or left out.
//
// A step kept aside is shown once the next step read lies outside the window, or at the end
// of the steps; a next step inside the window replaces it. Only one step is ever kept aside,
// and only while the next one is read.
class StepPicker {
 public:
  explicit StepPicker(const StepSelection& selection) : selection_(selection) {}

  struct Choice {
    bool showKept = false;  // first show the step kept aside: it was the last of the window
    bool show = false;      // show this step
    bool keep = false;      // keep this step aside
  };
  Choice next(double time);
  // The end of the steps: true when the step kept aside is to be shown now.
  bool finish();
  // A step is kept aside: the caller must hold on to it while the next step is read.
  bool keeping() const { return keeping_; }

 private:
  StepSelection selection_;
  long long inWindow_ = 0;  // steps inside the window so far
  bool keeping_ = false;
};
