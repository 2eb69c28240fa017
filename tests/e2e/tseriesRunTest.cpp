// End-to-end runs of build/tseries: console answers on standard input, the graph data file and
// the result file in a fresh directory, the tables compared byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/programRun.h"

namespace {

const std::string tseries = TSERIES_PATH;
const char* const tableNames[] = {"HTIME.CSV", "PTIME.CSV", "QTIME.CSV", "VTIME.CSV"};

std::string fixture(const std::string& name) {
  return readFile(fixturePath("tseries/" + name));
}
// Inputs of the worked example runs (which run as tests of their own).
std::string worked(const std::string& name) {
  return fixturePath("worked/" + name);
}

// Answers: the typed result-file name, then the graph data file's name.
std::string answers(const std::string& resultName, const std::string& graphName) {
  return "1\n" + resultName + "\n" + graphName + "\n";
}

class TseriesRun : public ::testing::Test {
 protected:
  // Prompts in code page 932, whatever locale the test runner has.
  void SetUp() override { ::setenv("LC_ALL", "C", 1); }
  WorkDirectory dir;
};

TEST_F(TseriesRun, HeadPressureAndVelocityTablesOverTwoSteps) {
  dir.copy(fixturePath("tseries/RES2.DAT"), "RES2.DAT");
  dir.copy(worked("err_trunc/input/GRAPH.DAT"), "GRAPH.DAT");
  // The discharge count is 0: an old table of that name stays as it is.
  dir.write("QTIME.CSV", "old table\n");
  ProgramResult run = dir.run(tseries, answers("RES2.DAT", "GRAPH.DAT"));
  ASSERT_EQ(run.exitStatus, 0) << run.standardError;
  // The pressure list's node 0 keeps its column of zeros, with a word at the end of the run.
  EXPECT_EQ(run.standardError,
            "tseries: GRAPH.DAT: pressure node 0 is below 1 (a blank field reads as 0); its "
            "column holds zeros (GRAPH.DAT, line 5, columns 1-7, \"0\": pressure node 1 of the "
            "pressure node list of the graph data file)\n");
  EXPECT_TRUE(sameText(run.standardOutput, readFile(worked("ts133/expected/stdout.txt"))));
  EXPECT_TRUE(sameText(dir.read("HTIME.CSV"), fixture("HTIME2.CSV")));
  EXPECT_TRUE(sameText(dir.read("PTIME.CSV"), fixture("PTIME2.CSV")));
  EXPECT_TRUE(sameText(dir.read("VTIME.CSV"), fixture("VTIME2.CSV")));
  EXPECT_EQ(dir.readBytes("QTIME.CSV"), "old table\n");  // as the test wrote it
}

TEST_F(TseriesRun, ResultFileWithoutStepsGivesHeaderLinesOnly) {
  dir.copy(fixturePath("tseries/RESNOSTEP.DAT"), "RES.DAT");
  dir.write("GRAPH.DAT", "\n    2\n      5      0\n    0\n    0\n    1\n      2\n");
  ProgramResult run = dir.run(tseries, answers("RES.DAT", "GRAPH.DAT"));
  ASSERT_EQ(run.exitStatus, 0) << run.standardError;
  EXPECT_EQ(dir.read("HTIME.CSV"), ",       5,       0,\n");
  EXPECT_EQ(dir.read("VTIME.CSV"), ",       2,       2,       2,\n");
  EXPECT_FALSE(dir.exists("PTIME.CSV"));
  EXPECT_FALSE(dir.exists("QTIME.CSV"));
}

// One node at elevation 2.0 and one element; step s at time s with pressure head s. After
// `fullSteps` whole steps comes a step cut after its header, unless `cut` is false.
std::string manyStepResultFile(int fullSteps, bool cut = true) {
  std::string text = "many steps\n1 1 8\n0.0 0.0 2.0 0.0 0.0 0\n1 0 0 0 0 0 0 0 1\n";
  for (int s = 1; s <= fullSteps; ++s) {
    text += std::to_string(s) + " " + std::to_string(s) + ".0\n";
    text += std::to_string(s) + ".0 0.5 0\n0.0 0.0 0.0\n";
  }
  if (cut) text += std::to_string(fullSteps + 1) + " 1.0E+03\n";
  return text;
}

TEST_F(TseriesRun, KeepsTheFirstStepCapacitySteps) {
  // A blank first record gives room for 100 steps. Step 101 is read and dropped. The steps
  // after it are counted for a warning once the tables are written: the cut step 102 ends the
  // count, not the run.
  dir.write("RES.DAT", manyStepResultFile(101));
  dir.write("GRAPH.DAT", "\n    1\n      1\n    0\n    0\n    0\n");
  ProgramResult run = dir.run(tseries, answers("RES.DAT", "GRAPH.DAT"));
  ASSERT_EQ(run.exitStatus, 0) << run.standardError;
  std::string expected = ",       1,\n";
  char line[64];
  for (int s = 1; s <= 100; ++s) {
    std::snprintf(line, sizeof line, "%16.7E,%16.7E,\n", double(s), s + 2.0);
    expected += line;
  }
  EXPECT_TRUE(sameText(dir.read("HTIME.CSV"), expected));
  EXPECT_EQ(run.standardError,
            "tseries: the step capacity 100 of GRAPH.DAT was reached at time 100; at least 1 "
            "later step is not in the tables\n");
}

TEST_F(TseriesRun, WarnsOfTheStepsTheCapacityLeftOut) {
  struct Case {
    int steps;
    const char* graph;
    const char* warning;  // empty: none
  };
  const Case cases[] = {
      {1200, "  100\n    1\n      1\n    0\n    0\n    0\n",
       "tseries: the step capacity 100 of GRAPH.DAT was reached at time 100; the 1,100 later "
       "steps are not in the tables\n"},
      {101, "  100\n    1\n      1\n    0\n    0\n    0\n",
       "tseries: the step capacity 100 of GRAPH.DAT was reached at time 100; the 1 later step is "
       "not in the tables\n"},
      {150, "  200\n    1\n      1\n    0\n    0\n    0\n", ""},
      {100, "  100\n    1\n      1\n    0\n    0\n    0\n", ""},  // exactly full
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    WorkDirectory work;
    work.write("RES.DAT", manyStepResultFile(c.steps, false));
    work.write("GRAPH.DAT", c.graph);
    // The dialogue and a scripted run warn alike, after the tables.
    const ProgramResult dialogue = work.run(tseries, answers("RES.DAT", "GRAPH.DAT"));
    EXPECT_EQ(dialogue.exitStatus, 0);
    EXPECT_EQ(dialogue.standardError, c.warning);
    const ProgramResult scripted = work.runWithArguments(tseries, "RES.DAT --graph GRAPH.DAT -q");
    EXPECT_EQ(scripted.exitStatus, 0);
    EXPECT_EQ(scripted.standardError, c.warning);
    const std::string table = work.read("HTIME.CSV");
    const int capacity = std::stoi(c.graph);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), std::min(c.steps, capacity) + 1);
  }
}

TEST_F(TseriesRun, FileCutInsideAStepWritesNoTable) {
  dir.copy(worked("err_trunc/input/RESTRUNC.DAT"), "RESTRUNC.DAT");
  dir.copy(worked("err_trunc/input/GRAPH.DAT"), "GRAPH.DAT");
  ProgramResult run = dir.run(tseries, answers("RESTRUNC.DAT", "GRAPH.DAT"));
  EXPECT_NE(run.exitStatus, 0);
  EXPECT_EQ(run.standardError,
            "forrtl: severe (24): end-of-file during read, unit 5, file RESTRUNC.DAT\n"
            "RESTRUNC.DAT, end of file after line 30: 24 of the 48 values of the node block of the "
            "step at line 22 (step number 0) were still missing\n");
  for (const char* table : tableNames) EXPECT_FALSE(dir.exists(table)) << table;
}

// Splits the Tecplot file of a run into its blocks' point records, each as its fields.
std::vector<std::vector<std::vector<std::string>>> tecplotPoints(const std::string& text) {
  std::vector<std::vector<std::vector<std::string>>> blocks;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("TITLE", 0) == 0) {
      blocks.emplace_back();
    } else if (line.size() == 87) {  // a point record; element records are 63 characters
      std::vector<std::string> fields;
      std::istringstream cells(line);
      for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
      blocks.back().push_back(fields);
    }
  }
  return blocks;
}

std::string cell(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The first stored step leaves values empty: nodes 1 (two commas opening the record), 2 (a
// repeat count without a value), 4 (two commas after the head: no discharge) and 7 and 8 (a
// slash ends the block after node 6). They keep the initial state; the second step gives every
// value.
TEST_F(TseriesRun, EmptyValuesInTheFirstStepKeepTheInitialState) {
  dir.copy(fixturePath("tseries/RESNULL.DAT"), "RES.DAT");
  const std::string list = "    6\n      1      2      3      4      7      8\n";
  dir.write("GRAPH.DAT", "\n" + list + list + list + "    0\n");
  ProgramResult run = dir.run(tseries, answers("RES.DAT", "GRAPH.DAT"));
  ASSERT_EQ(run.exitStatus, 0) << run.standardError;

  const int nodes[] = {1, 2, 3, 4, 7, 8};
  const double elevation[] = {0.0, 0.0, 0.0, 0.0, 1.0, 1.0};
  const double times[] = {10.0, 20.0};
  const double pressure[2][6] = {{10.5, 11.5, 20.5, 21.5, 16.5, 17.5},
                                 {30.5, 31.5, 32.5, 33.5, 36.5, 37.5}};
  const double discharge[2][6] = {{0.25, 0.5, 3.0, 1.0, 1.75, 2.0},
                                  {4.25, 5.25, 6.25, 7.25, 10.25, 11.25}};
  std::string header;
  for (int n : nodes) header += "," + cell("%8.0f", n);
  std::string head = header + ",\n", pressureTable = head, dischargeTable = head;
  for (int i = 0; i < 2; ++i) {
    head += cell("%16.7E", times[i]);
    pressureTable += cell("%16.7E", times[i]);
    dischargeTable += cell("%16.7E", times[i]);
    for (int k = 0; k < 6; ++k) {
      head += "," + cell("%16.7E", pressure[i][k] + elevation[k]);
      pressureTable += "," + cell("%16.7E", pressure[i][k]);
      dischargeTable += "," + cell("%16.7E", discharge[i][k]);
    }
    head += ",\n";
    pressureTable += ",\n";
    dischargeTable += ",\n";
  }
  EXPECT_TRUE(sameText(dir.read("HTIME.CSV"), head));
  EXPECT_TRUE(sameText(dir.read("PTIME.CSV"), pressureTable));
  EXPECT_TRUE(sameText(dir.read("QTIME.CSV"), dischargeTable));

  // The converter's Tecplot file of the same result file: one block for the initial state,
  // then one per stored step, with the same pressure and total heads at those nodes.
  ProgramResult tecplot = dir.run(RESCONV_PATH, "1\nRES.DAT\n1\n0\n");
  ASSERT_EQ(tecplot.exitStatus, 0) << tecplot.standardError;
  const auto blocks = tecplotPoints(dir.read("TECPLOT.TXT"));
  ASSERT_EQ(blocks.size(), 3u);
  for (int i = 0; i < 2; ++i) {
    const auto& points = blocks[static_cast<std::size_t>(i) + 1];
    ASSERT_EQ(points.size(), 8u);
    for (int k = 0; k < 6; ++k) {
      SCOPED_TRACE("step " + std::to_string(i + 1) + ", node " + std::to_string(nodes[k]));
      const auto& fields = points[static_cast<std::size_t>(nodes[k] - 1)];
      EXPECT_EQ(fields[3], cell("%10.3E", pressure[i][k]));
      EXPECT_EQ(fields[4], cell("%10.3E", pressure[i][k] + elevation[k]));
    }
  }
}

// `count` node numbers, ten to a (10I7) record.
std::string nodeRecords(int count) {
  std::string text;
  char field[16];
  for (int k = 1; k <= count; ++k) {
    std::snprintf(field, sizeof field, "%7d", (k - 1) % 16 + 1);
    text += field;
    if (k % 10 == 0 || k == count) text += "\n";
  }
  return text;
}

struct RejectCase {
  const char* what;
  std::string graphData;
  std::string stopLine;
  std::string location;  // the line after the stop line; empty for none
};

TEST_F(TseriesRun, BadGraphDataStopsBeforeAnyTable) {
  const RejectCase cases[] = {
      {"node above the node count", "\n    3\n      5     17      1\n    0\n    0\n    0\n",
       "GRAPH.DAT: head node 17 is above the node count 16",
       "GRAPH.DAT, line 3, columns 8-14, \"17\": head node 2 of the head node list of the graph "
       "data file"},
      {"element above the element count", "\n    1\n      5\n    0\n    0\n    2\n      4      1\n",
       "GRAPH.DAT: velocity element 4 is above the element count 3",
       "GRAPH.DAT, line 7, columns 1-7, \"4\": velocity element 1 of the velocity element list of "
       "the graph data file"},
      {"head count above its floor capacity",
       "\n   51\n" + nodeRecords(51) + "    0\n    0\n    0\n",
       "GRAPH.DAT: the head node list holds 51 numbers, above its capacity 50",
       "GRAPH.DAT, line 2, columns 1-5, \"51\": the head node count of the graph data file"},
      {"discharge count above its floor of 100",
       "   10   10   10   10   10\n    0\n    0\n  101\n" + nodeRecords(101) + "    0\n",
       "GRAPH.DAT: the discharge node list holds 101 numbers, above its capacity 100",
       "GRAPH.DAT, line 4, columns 1-5, \"101\": the discharge node count of the graph data "
       "file"},
      {"non-numeric count", "\n    1\n      5\n  abc\n",
       "forrtl: severe (64): input conversion error, unit 7, file GRAPH.DAT",
       "GRAPH.DAT, line 4, columns 1-5, \"  abc\": the pressure node count of the graph data "
       "file"},
      {"lists cut short", "\n    1\n      5\n    2\n",
       "forrtl: severe (24): end-of-file during read, unit 7, file GRAPH.DAT",
       "GRAPH.DAT, end of file after line 4: 2 of the 2 values of the pressure node list of the "
       "graph data file were still missing"},
      {"capacities beyond any memory", "999999999999999999999999999999\n",
       "forrtl: severe (41): insufficient virtual memory",
       "RES.DAT, line 2: 16 nodes and 3 elements in the header; GRAPH.DAT, line 1: capacities of "
       "99,999 steps, 99,999, 99,999 and 99,999 head, pressure and discharge nodes and 99,999 "
       "velocity elements"},
      {"no first record", "",
       "forrtl: severe (24): end-of-file during read, unit 7, file GRAPH.DAT",
       "GRAPH.DAT, end of file at its start (the file is empty): 5 of the 5 values of the first "
       "record of the graph data file were still missing"},
  };
  for (const RejectCase& c : cases) {
    SCOPED_TRACE(c.what);
    WorkDirectory caseDir;
    caseDir.copy(worked("ts133/input/RES.DAT"), "RES.DAT");
    caseDir.write("GRAPH.DAT", c.graphData);
    ProgramResult run = caseDir.run(tseries, answers("RES.DAT", "GRAPH.DAT"));
    EXPECT_NE(run.exitStatus, 0);
    EXPECT_EQ(run.standardError, c.stopLine + "\n" + (c.location.empty() ? "" : c.location + "\n"));
    for (const char* table : tableNames) EXPECT_FALSE(caseDir.exists(table)) << table;
  }
}

TEST_F(TseriesRun, MissingGraphDataFileIsNotCreated) {
  dir.copy(worked("ts133/input/RES.DAT"), "RES.DAT");
  ProgramResult run = dir.run(tseries, answers("RES.DAT", "NOGRAPH.DAT"));
  EXPECT_NE(run.exitStatus, 0);
  EXPECT_EQ(run.standardError, "forrtl: severe (29): file not found, unit 7, file NOGRAPH.DAT\n");
  EXPECT_FALSE(dir.exists("NOGRAPH.DAT"));
}

TEST_F(TseriesRun, ResultFileNameFromTheWorkList) {
  dir.copy(fixturePath("tseries/RES2.DAT"), "RES2.DAT");
  dir.copy(worked("err_trunc/input/GRAPH.DAT"), "GRAPH.DAT");
  dir.write("WORK.LST", "a\nb\nc\nd\ne\nRES2.DAT\nnot read\n");
  ProgramResult run = dir.run(tseries, "0\nGRAPH.DAT\n");
  ASSERT_EQ(run.exitStatus, 0) << run.standardError;
  EXPECT_TRUE(sameText(dir.read("HTIME.CSV"), fixture("HTIME2.CSV")));
}

}  // namespace
