#include "common/stop.h"

#include <gtest/gtest.h>

TEST(StopLine, NamesNumberUnitAndFile) {
  EXPECT_EQ(stopLine(29, 5, "RES.DAT"), "forrtl: severe (29): file not found, unit 5, file RES.DAT");
  EXPECT_EQ(stopLine(24, 7, "GRAPH.DAT"),
            "forrtl: severe (24): end-of-file during read, unit 7, file GRAPH.DAT");
  EXPECT_EQ(stopLine(59, 5, "R"), "forrtl: severe (59): list-directed I/O syntax error, unit 5, file R");
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
