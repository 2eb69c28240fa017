#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/slots.h"
#include "common/stop.h"
#include "support/texts.h"
#include "support/units.h"
#include "tseries/tables.h"

namespace {

using testSupport::withLineEnds;

// A comma and the integer in 8 columns.
std::string field8(int value) {
  char text[16];
  std::snprintf(text, sizeof text, ",%8d", value);
  return text;
}

TEST(PointLists, ReadsListsOverRecordsAndSkipsEmptyOnes) {
  // Twelve head nodes over two records, a blank pressure count, a negative discharge count
  // (no records follow), and velocity elements with 0 and a negative number.
  const std::string graph =
      "   12\n"
      "      1      2      3      4      5      6      7      8      9     10\n"
      "     11     16\n"
      "\n"
      "   -3\n"
      "    3\n"
      "      0     -2      3\n";
  InputUnit unit(unitNumber::graphData);
  unit.openMemory(graph, "GRAPH.DAT");
  const ResultCounts counts{16, 3, 8};
  SeriesArrays arrays = allocateSeriesArrays(counts, GraphCapacities{});
  std::vector<std::string> warnings;
  readPointLists(unit, counts, GraphCapacities{}, arrays, NumbersBelowOne::warn, &warnings);

  EXPECT_EQ(arrays.headNodes.count, 12);
  const std::vector<int> heads(arrays.headNodes.numbers.begin() + 1,
                               arrays.headNodes.numbers.begin() + 13);
  EXPECT_EQ(heads, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 16}));
  EXPECT_EQ(arrays.pressureNodes.count, 0);
  EXPECT_EQ(arrays.dischargeNodes.count, -3);
  EXPECT_EQ(arrays.velocityElements.count, 3);
  EXPECT_EQ(arrays.velocityElements.numbers[1], 0);
  EXPECT_EQ(arrays.velocityElements.numbers[2], -2);
  EXPECT_EQ(arrays.velocityElements.numbers[3], 3);
  EXPECT_EQ(warnings,
            (std::vector<std::string>{
                "GRAPH.DAT: velocity element 0 is below 1 (a blank field reads as 0); its column "
                "holds zeros (GRAPH.DAT, line 7, columns 1-7, \"0\": velocity element 1 of the "
                "velocity element list of the graph data file)",
                "GRAPH.DAT: velocity element -2 is below 1 (a blank field reads as 0); its column "
                "holds zeros (GRAPH.DAT, line 7, columns 8-14, \"-2\": velocity element 2 of the "
                "velocity element list of the graph data file)"}));
}

TEST(PointLists, NumbersOutsideTheMeshAreRejected) {
  struct Case {
    const char* graph;
    const char* message;
    const char* place = "";  // checked when given
  };
  const Case cases[] = {
      // A blank field reads as node 0, a number no list can mean.
      {"    2\n      5       \n    0\n    0\n    0\n",
       "GRAPH.DAT: head node 0 is below 1 (a blank field reads as 0)",
       "GRAPH.DAT, line 2, columns 8-14, \"0\": head node 2 of the head node list of the graph "
       "data file"},
      {"    0\n    0\n   11\n      1      2      3      4      5      6      7      8      9     "
       " 10\n     -4\n    0\n",
       "GRAPH.DAT: discharge node -4 is below 1 (a blank field reads as 0)",
       "GRAPH.DAT, line 5, columns 1-7, \"-4\": discharge node 11 of the discharge node list of "
       "the graph data file"},
      {"    1\n     17\n    0\n    0\n    0\n",
       "GRAPH.DAT: head node 17 is above the node count 16"},
      {"    0\n    2\n     16     20\n    0\n    0\n",
       "GRAPH.DAT: pressure node 20 is above the node count 16"},
      {"    0\n    0\n    1\n     99\n    0\n",
       "GRAPH.DAT: discharge node 99 is above the node count 16"},
      {"    0\n    0\n    0\n    1\n      4\n",
       "GRAPH.DAT: velocity element 4 is above the element count 3"},
      {"   51\n", "GRAPH.DAT: the head node list holds 51 numbers, above its capacity 50"},
      {"    0\n    0\n    0\n   51\n",
       "GRAPH.DAT: the velocity element list holds 51 numbers, above its capacity 50"},
  };
  const ResultCounts counts{16, 3, 8};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    InputUnit unit(unitNumber::graphData);
    unit.openMemory(c.graph, "GRAPH.DAT");
    SeriesArrays arrays = allocateSeriesArrays(counts, GraphCapacities{});
    try {
      readPointLists(unit, counts, GraphCapacities{}, arrays);
      ADD_FAILURE() << "accepted";
    } catch (const RunStopped& stop) {
      EXPECT_EQ(stop.line(), c.message);
      if (*c.place != '\0') {
        EXPECT_EQ(stop.location(), c.place);
      }
    }
  }
}

// A velocity table of `elements` elements, each number e with velocity (e, -e, 0.5) at time 1.
std::string velocityTable(int elements) {
  GraphCapacities capacities;
  capacities.velocityCapacity = 60;
  SeriesArrays arrays = allocateSeriesArrays(ResultCounts{}, capacities);
  arrays.velocityElements.count = elements;
  std::span<double> row = historyRow(arrays.velocityHistory, 1);
  for (int e = 1; e <= elements; ++e) {
    arrays.velocityElements.numbers[at(e)] = e;
    row[at(3 * (e - 1))] = e;
    row[at(3 * (e - 1) + 1)] = -e;
    row[at(3 * (e - 1) + 2)] = 0.5;
  }
  arrays.stepTimes[1] = 1.0;
  testSupport::MemoryUnit unit(unitNumber::dischargeTable);
  writeTable(unit, arrays.velocityElements, arrays.velocityHistory, arrays.stepTimes, 1);
  return unit.memory();
}

// A comma and the value in 16 columns (the C library's %E agrees with 1P,E16.7 for
// exponents of two digits).
std::string cell16(double value) {
  char text[32];
  std::snprintf(text, sizeof text, ",%16.7E", value);
  return text;
}

// The expected lines, built from the layout: 132 values to a line, a trailing comma on the
// last line unless it holds exactly 132.
std::string expectedVelocityTable(int elements) {
  std::vector<std::string> headerCells, rowCells;
  for (int e = 1; e <= elements; ++e) {
    for (int c = 0; c < 3; ++c) headerCells.push_back(field8(e));
    rowCells.push_back(cell16(e));
    rowCells.push_back(cell16(-e));
    rowCells.push_back(cell16(0.5));
  }
  auto lay = [](const std::string& first, const std::vector<std::string>& cells) {
    std::string text = first;
    std::size_t onLine = 0;
    for (const std::string& cell : cells) {
      if (onLine == 132) {
        text += "\n";
        onLine = 0;
      }
      text += cell;
      ++onLine;
    }
    if (onLine != 132) text += ",";
    return text + "\n";
  };
  return lay("", headerCells) + lay(cell16(1.0).substr(1), rowCells);
}

TEST(TableLayout, VelocityRowsWrapFrom45ElementsOn) {
  for (int elements : {1, 44, 45, 50}) {
    SCOPED_TRACE(elements);
    EXPECT_EQ(velocityTable(elements), withLineEnds(expectedVelocityTable(elements)));
  }
}

TEST(TableLayout, FortyFourElementsFillOneLineWithoutTrailingComma) {
  const std::string table = velocityTable(44);
  const std::size_t headerEnd = table.find(platform::lineEnd);
  EXPECT_EQ(headerEnd, 132u * 9u);
  EXPECT_EQ(table.substr(headerEnd - 9, 9 + platform::lineEnd.size()), withLineEnds(",      44\n"));
}

}  // namespace
