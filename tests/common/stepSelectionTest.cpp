// The step picker: which stored steps a selection shows, and in which order, for strides and
// windows, as the step loops drive it (a step kept aside is shown before the step that
// revealed it as the last of the window).
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "common/stepSelection.h"

namespace {

constexpr double unbounded = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

struct PickCase {
  const char* name;
  std::vector<double> times;  // of the stored steps, in file order
  StepSelection selection;
  std::vector<int> shown;  // indexes of the steps shown, in the order shown
};

std::vector<int> shownSteps(const PickCase& c) {
  StepPicker picker(c.selection);
  std::vector<int> shown;
  int kept = -1;
  for (int index = 0; index < static_cast<int>(c.times.size()); ++index) {
    const StepPicker::Choice choice = picker.next(c.times[static_cast<std::size_t>(index)]);
    EXPECT_FALSE(choice.show && choice.keep);
    if (choice.showKept) shown.push_back(kept);
    if (choice.show) shown.push_back(index);
    if (choice.keep) kept = index;
    EXPECT_EQ(picker.keeping(), choice.keep);
  }
  if (picker.finish()) shown.push_back(kept);
  EXPECT_FALSE(picker.keeping());
  return shown;
}

TEST(StepPicker, ShowsTheFirstEveryNthAndTheLastOfTheWindow) {
  const std::vector<double> seven = {10, 20, 30, 40, 50, 60, 70};
  const PickCase cases[] = {
      {"every step", seven, {}, {0, 1, 2, 3, 4, 5, 6}},
      {"every second, the last on the stride", seven, {2}, {0, 2, 4, 6}},
      {"every fourth, the last kept aside", seven, {4}, {0, 4, 6}},
      {"a stride longer than the file", seven, {100}, {0, 6}},
      {"one step", {10}, {5}, {0}},
      {"no step", {}, {3}, {}},
      {"a window, both ends included", seven, {1, 20, 50}, {1, 2, 3, 4}},
      {"a window of one time", seven, {1, 40, 40}, {3}},
      {"a window and a stride: the last shown when the next step is past it",
       seven,
       {2, 15, 55},
       {1, 3, 4}},
      {"a window before every step", seven, {1, -unbounded, 5}, {}},
      {"a window after every step", seven, {2, 75, unbounded}, {}},
      // Times that go back: each stretch inside the window ends with its last step.
      {"times out of order", {10, 30, 20, 40, 15}, {2, -unbounded, 25}, {0, 2, 4}},
      {"equal times", {10, 10, 10}, {2}, {0, 2}},
      // A time that is no number lies in no window, yet an end not given takes it.
      {"a time that is no number", {10, nan, 30}, {}, {0, 1, 2}},
      {"a time that is no number, a stride", {10, nan, 30}, {2}, {0, 2}},
      {"a time that is no number, a window", {10, nan, 30}, {1, 0.0}, {0, 2}},
  };
  for (const PickCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(shownSteps(c), c.shown);
  }
}

TEST(StepPicker, TellsWhetherAStepMayBeLeftOut) {
  EXPECT_FALSE(StepSelection{}.leavesOut());
  EXPECT_TRUE((StepSelection{2}).leavesOut());
  EXPECT_TRUE((StepSelection{1, 0.0}).leavesOut());
  EXPECT_TRUE((StepSelection{1, -unbounded, 1e300}).leavesOut());
  EXPECT_TRUE(StepSelection{}.contains(0.0));
  EXPECT_FALSE((StepSelection{1, 1.0}).contains(0.0));
}

}  // namespace
