#include <gtest/gtest.h>

#include "common/stop.h"
#include "support/texts.h"

TEST(StopLine, NamesNumberUnitAndFile) {
  EXPECT_EQ(stopLine(29, 5, "RES.DAT"),
            "forrtl: severe (29): file not found, unit 5, file RES.DAT");
  EXPECT_EQ(stopLine(24, 7, "GRAPH.DAT"),
            "forrtl: severe (24): end-of-file during read, unit 7, file GRAPH.DAT");
  EXPECT_EQ(stopLine(59, 5, "R"),
            "forrtl: severe (59): list-directed I/O syntax error, unit 5, file R");
  EXPECT_EQ(stopLine(64, 17, "OTF.DAT"),
            "forrtl: severe (64): input conversion error, unit 17, file OTF.DAT");
  EXPECT_EQ(stopLine(41, 0, ""), "forrtl: severe (41): insufficient virtual memory");
}

TEST(StopLine, ThrownStopCarriesTheLine) {
  try {
    stopRun(24, 5, "RES.DAT");
    FAIL();
  } catch (const RunStopped& stop) {
    EXPECT_EQ(stop.line(), "forrtl: severe (24): end-of-file during read, unit 5, file RES.DAT");
    EXPECT_NE(stop.exitStatus(), 0);
  }
}

// The stop line stays what it was; the place comes apart, through location(), and runProgram
// writes it as a second line on standard error. A stop without a place writes one line.
TEST(StopLine, LocationIsASecondLine) {
  struct Case {
    int (*body)();
    std::string what;
    std::string location;
  };
  const Case cases[] = {
      {[]() -> int {
         stopRunAt(59, 5, "RES.DAT", "RES.DAT, line 3, column 9, \"x\": the node code of node 2");
       },
       "forrtl: severe (59): list-directed I/O syntax error, unit 5, file RES.DAT",
       "RES.DAT, line 3, column 9, \"x\": the node code of node 2"},
      {[]() -> int { stopWithMessage("OTF.DAT: record 3 has the point count -2, below 0", "at"); },
       "OTF.DAT: record 3 has the point count -2, below 0", "at"},
      {[]() -> int { stopRun(24, 7, "GRAPH.DAT"); },
       "forrtl: severe (24): end-of-file during read, unit 7, file GRAPH.DAT", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.body();
      FAIL();
    } catch (const RunStopped& stop) {
      EXPECT_EQ(std::string(stop.what()), c.what);
      EXPECT_EQ(stop.location(), c.location);
    }
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(runProgram(c.body), 1);
    EXPECT_EQ(
        ::testing::internal::GetCapturedStderr(),
        testSupport::withLineEnds(c.what + "\n" + (c.location.empty() ? "" : c.location + "\n")));
  }
}

// Where a run stands, as the line of an interrupt and the place of a failed write word it: the
// last step read or output noted, or the work after the steps, which a failed write of the
// file worked on leaves out for the step reached.
TEST(RunPlace, WordsWhereTheRunStands) {
  clearRunPlace();
  EXPECT_EQ(runPlace(), "");
  noteStepRead(4012, 3600.0);
  EXPECT_EQ(runPlace(), "after reading step 4012 at time 3600");
  noteOutputBegun(4012, 1800.5);
  EXPECT_EQ(runPlace(), "while writing the output of step 4012 at time 1800.5");
  noteOutputWritten();
  EXPECT_EQ(runPlace(), "after the output of step 4012 at time 1800.5");
  noteOutputWritten();  // a second time changes nothing
  EXPECT_EQ(runPlace(), "after the output of step 4012 at time 1800.5");
  noteOutputBegun(0, 0.0);
  EXPECT_EQ(runPlace(), "while writing the output of step 0 at time 0");
  noteOutputWritten();
  noteWork("assembling", "AVS.INP");
  EXPECT_EQ(runPlace(), "while assembling AVS.INP");
  EXPECT_EQ(runPlaceWriting("AVS.tmp"), "while assembling AVS.INP");
  EXPECT_EQ(runPlaceWriting("AVS.INP"), "after the output of step 0 at time 0");
  noteStepRead(5, 1e-7);  // a step read after other work
  EXPECT_EQ(runPlace(), "after reading step 5 at time 1e-07");
  clearRunPlace();
  EXPECT_EQ(runPlace(), "");
  EXPECT_EQ(interruptExitStatus(2), 130);
  EXPECT_EQ(interruptExitStatus(15), 143);
}
