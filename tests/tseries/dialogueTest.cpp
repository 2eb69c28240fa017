#include <gtest/gtest.h>

#include <string>

#include "tseries/dialogue.h"

namespace {

struct CapacityCase {
  const char* firstRecord;
  int step, head, pressure, discharge, velocity;
};

TEST(GraphCapacities, FloorsRaiseSmallValuesAndKeepLargerOnes) {
  const CapacityCase cases[] = {
      {"", 100, 50, 50, 100, 50},
      {"                         ", 100, 50, 50, 100, 50},
      {"  500  200", 500, 200, 50, 100, 50},
      {"   -1    0   49   99   51", 100, 50, 50, 100, 51},
      {"  101   51   60   50  300", 101, 51, 60, 100, 300},
      {"  100   50   50  100   50 9999", 100, 50, 50, 100, 50},
  };
  for (const CapacityCase& c : cases) {
    SCOPED_TRACE(c.firstRecord);
    InputUnit unit(unitNumber::graphData);
    unit.openMemory(std::string(c.firstRecord) + "\n    7\n", "GRAPH.DAT");
    const GraphCapacities got = readGraphCapacities(unit);
    EXPECT_EQ(got.stepCapacity, c.step);
    EXPECT_EQ(got.headCapacity, c.head);
    EXPECT_EQ(got.pressureCapacity, c.pressure);
    EXPECT_EQ(got.dischargeCapacity, c.discharge);
    EXPECT_EQ(got.velocityCapacity, c.velocity);
    // Only the first record is taken.
    std::string_view next;
    ASSERT_TRUE(unit.nextRecord(next));
    EXPECT_EQ(next, "    7");
  }
}

}  // namespace
