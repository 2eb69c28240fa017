#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/stop.h"
#include "resconv/writers/restart.h"
#include "support/meshes.h"
#include "support/texts.h"
#include "support/units.h"

namespace {

using testSupport::MemoryUnit;
using testSupport::sameText;
using testSupport::withLineEnds;

struct Step {
  double time;
  std::vector<double> pressureHead, discharge;
  std::vector<int> nodeCode;
};

// Two nodes. The header holds heads 10 and 20, discharges 0.5 and -0.25, codes 1 and 3.
TestMesh twoNodes() {
  TestMesh mesh;
  mesh.addNode(0.0, 0.0, 1.0);
  mesh.addNode(2.0, 3.0, -1.0);
  return mesh;
}
const std::vector<double> headerHead{0, 10.0, 20.0};
const std::vector<double> headerDischarge{0, 0.5, -0.25};
const std::vector<int> headerCode{0, 1, 3};

Step stepAt(double time) {
  return {time, {0, 30.0, 40.0}, {0, 1.5, 0.75}, {0, -3, -2}};
}
const Step second{20.0, {0, 50.0, 80.0}, {0, 2.5, 1.75}, {0, 2, 5}};

const std::string title = "restart title";
const std::string titleLine = title + std::string(80 - title.size(), ' ') + "\n";

struct RestartRun {
  std::string text;
  int callsMade = 0;
  int stopRequested = 0;
  double savedTime = 0.0;
  std::vector<double> savedPressureHead;
};

// The step loop's part: the copies of the header's state, then one call per stored step until
// the writer asks to stop.
RestartRun runSteps(const std::vector<Step>& steps, double restartTime, int initialValue,
                    int dischargeChoice) {
  const TestMesh mesh = twoNodes();
  MemoryUnit unit;
  RestartRun run;
  std::vector<double> savedHead = headerHead;
  std::vector<double> savedDischarge = headerDischarge;
  std::vector<int> savedCode = headerCode;
  RestartCopies copies{savedHead, savedDischarge, savedCode, headerDischarge};
  ConverterAnswers answers;
  answers.restartTime = restartTime;
  answers.restartInitialValue = initialValue;
  answers.restartDischarge = dischargeChoice;
  for (const Step& step : steps) {
    ++run.callsMade;
    const ShownState state{
        step.pressureHead, step.discharge, step.nodeCode, {}, {}, {}, step.time, 0};
    writeRestartRecords(unit, title, mesh.view(), state, copies, answers);
    if (copies.stopRequested != 0) break;
  }
  run.text = unit.memory();
  run.stopRequested = copies.stopRequested;
  run.savedTime = copies.savedTime;
  run.savedPressureHead = savedHead;
  return run;
}

}  // namespace

TEST(RestartRecords, WrittenInTheCallThatReachesTheRestartTime) {
  struct Case {
    std::string name;
    std::vector<Step> steps;
    double restartTime;
    int initialValue;
    int dischargeChoice;
    int callsMade;
    std::string body;  // after the title line
  };
  const Case cases[] = {
      {"halfway between 10 and 20: means, codes of the step at 10 clamped",
       {stepAt(10.0), second},
       15.0,
       0,
       1,
       2,
       " TIME=  0.1500000E+02  0.1000000E+02  0.2000000E+02\n"
       "NODE       1  0 0.000E+00 0.000E+00 1.000E+00 4.000E+01 2.000E+00\n"
       "NODE       2 -2 2.000E+00 3.000E+00-1.000E+00 6.000E+01 1.250E+00\n"},
      {"total head and the header's discharge",
       {stepAt(10.0), second},
       15.0,
       1,
       0,
       2,
       " TIME=  0.1500000E+02  0.1000000E+02  0.2000000E+02\n"
       "NODE       1  0 0.000E+00 0.000E+00 1.000E+00 4.100E+01 5.000E-01\n"
       "NODE       2 -2 2.000E+00 3.000E+00-1.000E+00 5.900E+01-2.500E-01\n"},
      {"at a stored step's time: its values, the previous step's codes; choice 2 computes",
       {stepAt(10.0), second},
       20.0,
       0,
       2,
       2,
       " TIME=  0.2000000E+02  0.1000000E+02  0.2000000E+02\n"
       "NODE       1  0 0.000E+00 0.000E+00 1.000E+00 5.000E+01 2.500E+00\n"
       "NODE       2 -2 2.000E+00 3.000E+00-1.000E+00 8.000E+01 1.750E+00\n"},
      {"time 0.0 before the first step: the header's values and codes",
       {stepAt(10.0), second},
       0.0,
       0,
       1,
       1,
       " TIME=  0.0000000E+00  0.0000000E+00  0.1000000E+02\n"
       "NODE       1  1 0.000E+00 0.000E+00 1.000E+00 1.000E+01 5.000E-01\n"
       "NODE       2  0 2.000E+00 3.000E+00-1.000E+00 2.000E+01-2.500E-01\n"},
      {"time 0.0 at a first step at 0.0: that step's values and codes",
       {stepAt(0.0), second},
       0.0,
       1,
       1,
       1,
       " TIME=  0.0000000E+00  0.0000000E+00  0.0000000E+00\n"
       "NODE       1  0 0.000E+00 0.000E+00 1.000E+00 3.100E+01 1.500E+00\n"
       "NODE       2 -2 2.000E+00 3.000E+00-1.000E+00 3.900E+01 7.500E-01\n"},
      {"same time, choice 2 gives the header's discharge",
       {stepAt(0.0), second},
       0.0,
       0,
       2,
       1,
       " TIME=  0.0000000E+00  0.0000000E+00  0.0000000E+00\n"
       "NODE       1  0 0.000E+00 0.000E+00 1.000E+00 3.000E+01 5.000E-01\n"
       "NODE       2 -2 2.000E+00 3.000E+00-1.000E+00 4.000E+01-2.500E-01\n"},
      {"a step within the tolerance counts as the same time",
       {stepAt(5.0e-9), second},
       0.0,
       0,
       1,
       1,
       " TIME=  0.0000000E+00  0.0000000E+00  0.5000000E-08\n"
       "NODE       1  0 0.000E+00 0.000E+00 1.000E+00 3.000E+01 1.500E+00\n"
       "NODE       2 -2 2.000E+00 3.000E+00-1.000E+00 4.000E+01 7.500E-01\n"},
      {"the tolerance is the single-precision 1.0E-8, a little below 1e-8",
       {stepAt(9.99999995e-9), second},
       0.0,
       0,
       1,
       1,
       " TIME=  0.0000000E+00  0.0000000E+00  0.1000000E-07\n"
       "NODE       1  1 0.000E+00 0.000E+00 1.000E+00 1.000E+01 5.000E-01\n"
       "NODE       2  0 2.000E+00 3.000E+00-1.000E+00 2.000E+01-2.500E-01\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RestartRun run = runSteps(c.steps, c.restartTime, c.initialValue, c.dischargeChoice);
    EXPECT_EQ(run.callsMade, c.callsMade);
    EXPECT_EQ(run.stopRequested, 1);
    EXPECT_TRUE(sameText(run.text, withLineEnds(titleLine + c.body)));
  }
}

TEST(RestartRecords, NodeCodesOutsideMinusTwoToTwoAreWrittenAsZero) {
  struct Case {
    int code;
    std::string_view written;
  };
  constexpr Case cases[] = {{-3, " 0"}, {-2, "-2"}, {-1, "-1"}, {0, " 0"},
                            {2, " 2"},  {3, " 0"},  {99, " 0"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    Step step = stepAt(0.0);
    step.nodeCode[1] = c.code;
    RestartRun run = runSteps({step}, 0.0, 0, 1);
    const std::string firstNode = run.text.substr(run.text.find("NODE"), 15);
    EXPECT_EQ(firstNode, "NODE       1 " + std::string(c.written));
  }
}

TEST(RestartRecords, StepsBeforeTheRestartTimeAreKeptAndNothingIsWritten) {
  RestartRun run = runSteps({stepAt(10.0), second}, 25.0, 0, 1);
  EXPECT_EQ(run.callsMade, 2);
  EXPECT_EQ(run.stopRequested, 0);
  EXPECT_EQ(run.text, "");
  EXPECT_EQ(run.savedTime, 20.0);
  EXPECT_EQ(run.savedPressureHead, second.pressureHead);
}

TEST(RestartRecords, RestartTimeNotReachedStopsWithBothTimes) {
  try {
    reportRestartNotReached(45.0, 30.0);
    FAIL() << "no stop";
  } catch (const RunStopped& stop) {
    EXPECT_EQ(stop.line(),
              "RESTART.DAT not written: no stored step reaches the restart time 45 (the last "
              "stored step is at time 30)");
    EXPECT_NE(stop.exitStatus(), 0);
  }
}
