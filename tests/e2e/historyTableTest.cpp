// End-to-end runs of tseries with --nodes and --elements: HISTORY.CSV byte for byte, the
// selection of steps, the usage errors, and the graph data file's numbers below 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/caseTable.h"
#include "support/programRun.h"

namespace {

const std::string tseries = TSERIES_PATH;

// Nine nodes, node 9 (at elevation 10) named by no element; element 2 is left out of the mesh
// outputs (material -1), which the table does not care about. Steps at times 2.5 and 10000
// (step number 7); `storedStepZero` puts a stored step 0 at time 0 before them.
std::string historyResultFile(bool storedStepZero) {
  std::string text =
      "history fixture\n"
      "9 2 8\n"
      "0 0 0 1.5 0 0\n1 0 0 2.5 0.25 0\n1 1 0 3 -0.5 0\n0 1 0 4 0 0\n"
      "0 0 1 5 0 0\n1 0 1 6 0 0\n1 1 1 7 0 0\n0 1 1 8 0 0\n5 5 10 0.125 1e-3 0\n"
      "1 2 3 4 5 6 7 8 1\n1 2 3 4 5 6 7 8 -1\n";
  const std::string quietElements = "0 0 0\n0 0 0\n";
  if (storedStepZero) {
    text += "0 0.0\n";
    text += "9 9 0\n9 9 0\n9 9 0\n9 9 0\n9 9 0\n9 9 0\n9 9 0\n9 9 0\n9 9 0\n";
    text += quietElements;
  }
  text += "1 2.5\n";
  text += "1 0 0\n2.75 0.5 0\n3.25 -0.75 0\n0 0 0\n0 0 0\n0 0 0\n0 0 0\n0 0 0\n0.5 -2e-3 0\n";
  text += "1e-5 2e-5 -3e-5\n0.5 -0.25 0\n";
  text += "7 1.0E+04\n";
  text += "0 0 0\n2 1 0\n3 0 0\n0 0 0\n0 0 0\n0 0 0\n0 0 0\n0 0 0\n-1.5 0 0\n";
  text += "0 0 0\n1.5e-7 0 -1\n";
  return text;
}

// --nodes 2-3,9 --elements 2,1: nodes in list order within each quantity, then each element's
// three components, elements in list order.
const std::string header =
    "time,step,total_head_2,total_head_3,total_head_9,pressure_head_2,pressure_head_3,"
    "pressure_head_9,discharge_2,discharge_3,discharge_9,vx_2,vy_2,vz_2,vx_1,vy_1,vz_1\n";
const std::string initialRow =
    "0.0,0,2.5,3.0,10.125,2.5,3.0,0.125,0.25,-0.5,0.001,0.0,0.0,0.0,0.0,0.0,0.0\n";
const std::string firstStepRow =
    "2.5,1,2.75,3.25,10.5,2.75,3.25,0.5,0.5,-0.75,-0.002,0.5,-0.25,0.0,1e-05,2e-05,-3e-05\n";
const std::string secondStepRow =
    "10000.0,7,2.0,3.0,8.5,2.0,3.0,-1.5,1.0,0.0,0.0,1.5e-07,0.0,-1.0,0.0,0.0,0.0\n";

struct HistoryCase {
  const char* name;
  bool storedStepZero;
  const char* options;
  std::string expected;
};

class HistoryRun : public testSupport::CaseTest<HistoryCase> {};

TEST_P(HistoryRun, WritesTheTable) {
  const HistoryCase& c = row();
  WorkDirectory dir;
  dir.write("RES.DAT", historyResultFile(c.storedStepZero));
  const ProgramResult run = dir.runWithArguments(tseries, std::string("RES.DAT ") + c.options);
  ASSERT_EQ(run.exitStatus, 0) << run.standardError;
  // One line: the file and its size, which counts CR LF line ends where they are written.
  const std::size_t lines =
      static_cast<std::size_t>(std::count(c.expected.begin(), c.expected.end(), '\n'));
  const std::size_t size = c.expected.size() + (crlfPrograms ? lines : 0);
  EXPECT_EQ(run.standardError, "wrote HISTORY.CSV (" + std::to_string(size) + " bytes)\n");
  EXPECT_EQ(dir.read("HISTORY.CSV"), c.expected);
  EXPECT_EQ(run.standardOutput, "");
}

const HistoryCase historyCases[] = {
    {"everyStep", false, "--nodes 2-3,9 --elements 2,1",
     header + initialRow + firstStepRow + secondStepRow},
    // A stored step at time 0 takes the initial state's row: one row per time.
    {"storedStepZero", true, "--nodes 2-3,9 --elements 2,1",
     header + "0.0,0,9.0,9.0,19.0,9.0,9.0,9.0,9.0,9.0,9.0,0.0,0.0,0.0,0.0,0.0,0.0\n" +
         firstStepRow + secondStepRow},
    // Time 0 outside the window: no initial row.
    {"fromOne", false, "--nodes 2-3,9 --elements 2,1 --from 1",
     header + firstStepRow + secondStepRow},
    {"untilFive", false, "--nodes 2-3,9 --elements 2,1 --until 5",
     header + initialRow + firstStepRow},
    {"nodesOnly", false, "--nodes 9",
     "time,step,total_head_9,pressure_head_9,discharge_9\n"
     "0.0,0,10.125,0.125,0.001\n2.5,1,10.5,0.5,-0.002\n10000.0,7,8.5,-1.5,0.0\n"},
    {"elementsOnly", false, "--elements 2",
     "time,step,vx_2,vy_2,vz_2\n0.0,0,0.0,0.0,0.0\n2.5,1,0.5,-0.25,0.0\n"
     "10000.0,7,1.5e-07,0.0,-1.0\n"}};

INSTANTIATE_TEST_SUITE_P(Tables, HistoryRun, testSupport::rowsOf(historyCases),
                         testSupport::rowName);

TEST(HistoryRun, FileCutInsideAStepKeepsTheRowsBeforeIt) {
  WorkDirectory dir;
  std::string text = historyResultFile(false);
  text.resize(text.find("7 1.0E+04\n") + 14);  // the second step's header and one node
  dir.write("RES.DAT", text);
  const ProgramResult run = dir.runWithArguments(tseries, "RES.DAT --nodes 9 -q");
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.standardError.substr(0, run.standardError.find('\n')),
            "forrtl: severe (24): end-of-file during read, unit 5, file RES.DAT");
  EXPECT_EQ(dir.read("HISTORY.CSV"),
            "time,step,total_head_9,pressure_head_9,discharge_9\n"
            "0.0,0,10.125,0.125,0.001\n2.5,1,10.5,0.5,-0.002\n");
}

struct UsageCase {
  const char* name;
  const char* arguments;
  const char* message;
};

class HistoryUsage : public testSupport::CaseTest<UsageCase> {};

// Status 2, one line naming the option, nothing created.
TEST_P(HistoryUsage, RefusesTheList) {
  const UsageCase& c = row();
  WorkDirectory dir;
  dir.write("RES.DAT", historyResultFile(false));
  dir.write("GRAPH.DAT", "\n    1\n      1\n    0\n    0\n    0\n");
  const ProgramResult run = dir.runWithArguments(tseries, std::string("RES.DAT ") + c.arguments);
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_EQ(run.standardError, std::string("tseries: ") + c.message + "; see 'tseries --help'\n");
  EXPECT_FALSE(dir.exists("HISTORY.CSV"));
  EXPECT_FALSE(dir.exists("HTIME.CSV"));
}

const UsageCase usageCases[] = {
    {"nodeZero", "--nodes 0", "--nodes: 0 is outside 1..9 (the node count of RES.DAT)"},
    {"nodeAboveTheMesh", "--nodes 2,10", "--nodes: 10 is outside 1..9 (the node count of RES.DAT)"},
    {"elementAboveTheMesh", "--nodes 1 --elements 1-3",
     "--elements: 3 is outside 1..2 (the element count of RES.DAT)"},
    {"backwardRange", "--nodes 5-3", "--nodes: \"5-3\" holds the range 5-3, which runs backwards"},
    {"emptyItem", "--nodes 1,,2",
     "--nodes: \"1,,2\" is not a list of numbers and ranges such as 5,12-14,40 "
     "(\"\" is not a whole number)"},
    {"signedNumber", "--elements=-1",
     "--elements: \"-1\" is not a list of numbers and ranges such as 5,12-14,40 "
     "(\"\" is not a whole number)"},
    {"word", "--nodes five",
     "--nodes: \"five\" is not a list of numbers and ranges such as 5,12-14,40 "
     "(\"five\" is not a whole number)"},
    {"hugeNumber", "--nodes 4294967296",
     "--nodes: \"4294967296\" holds the number 4294967296, too large to be a number"},
    {"hugeRange", "--nodes 1-2000000000",
     "--nodes: \"1-2000000000\" lists more than 10000000 numbers"},
    {"withGraph", "--nodes 1 --graph GRAPH.DAT", "--graph excludes --nodes"},
    {"noList", "-q", "one of --graph, --nodes and --elements is required"}};

INSTANTIATE_TEST_SUITE_P(Lists, HistoryUsage, testSupport::rowsOf(usageCases),
                         testSupport::rowName);

// A scripted run stops on a list number below 1, with the place of the field; the dialogue
// keeps such a column (of zeros) and warns.
TEST(GraphDataNumbers, BelowOneStopsAScriptedRun) {
  struct Case {
    const char* graph;
    const char* stop;
    const char* place;
  };
  const Case cases[] = {
      {"\n    2\n      5       \n    0\n    0\n    0\n",
       "GRAPH.DAT: head node 0 is below 1 (a blank field reads as 0)",
       "GRAPH.DAT, line 3, columns 8-14, \"0\": head node 2 of the head node list of the graph "
       "data file"},
      {"\n    0\n    0\n    0\n    2\n      1      0\n",
       "GRAPH.DAT: velocity element 0 is below 1 (a blank field reads as 0)",
       "GRAPH.DAT, line 6, columns 8-14, \"0\": velocity element 2 of the velocity element list of "
       "the graph data file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stop);
    WorkDirectory dir;
    dir.write("RES.DAT", historyResultFile(false));
    dir.write("GRAPH.DAT", c.graph);
    const ProgramResult run = dir.runWithArguments(tseries, "RES.DAT --graph GRAPH.DAT");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError, std::string(c.stop) + "\n" + c.place + "\n");
    for (const char* table : {"HTIME.CSV", "PTIME.CSV", "QTIME.CSV", "VTIME.CSV"}) {
      EXPECT_FALSE(dir.exists(table)) << table;
    }
  }
}

}  // namespace
