#include "common/stepSelection.h"

StepPicker::Choice StepPicker::next(double time) {
  Choice choice;
  if (!selection_.contains(time)) {
    choice.showKept = keeping_;
    keeping_ = false;
    return choice;
  }
  const bool onStride = selection_.every <= 1 || inWindow_ % selection_.every == 0;
  ++inWindow_;
  choice.show = onStride;
  choice.keep = !onStride;
  keeping_ = !onStride;
  return choice;
}

bool StepPicker::finish() {
  const bool kept = keeping_;
  keeping_ = false;
  return kept;
}
