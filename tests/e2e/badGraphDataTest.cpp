// Bad graph data files through the extractor.
#include <chrono>
#include <string>

#include "e2e/badInput.h"
#include "support/caseTable.h"

namespace {

using namespace badInput;

// The graph data file of the extractor: cut short, letters in numeric columns, counts above
// what follows or above the capacities, numbers beyond the mesh, absurd capacities. Tables are
// written only once the result file has been read, so after a stop an old table is untouched.
struct GraphDataCase {
  const char* name;
  std::string graphData;
  std::string resultFile;
  std::string stop;
};

class BadGraphData : public testSupport::CaseTest<GraphDataCase> {};

TEST_P(BadGraphData, StopsWithOneLineAndLeavesOldTables) {
  const GraphDataCase& c = row();
  WorkDirectory dir;
  dir.write("RES.DAT", c.resultFile);
  dir.write("GRAPH.DAT", c.graphData);
  dir.write("HTIME.CSV", "old table\n");
  const auto start = std::chrono::steady_clock::now();
  const ProgramResult result = runLimited(dir, TSERIES_PATH, "1\nRES.DAT\nGRAPH.DAT\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(result.standardError, c.stop);
  EXPECT_GT(result.exitStatus, 0);
  EXPECT_EQ(dir.readBytes("HTIME.CSV"), "old table\n");  // as the test wrote it
  EXPECT_FALSE(dir.exists("VTIME.CSV"));
}

const std::string endOfGraph = runTimeStop(24, 7, "GRAPH.DAT");

const GraphDataCase graphDataCases[] = {
    {"empty", "", wholeFile,
     at(endOfGraph,
        "GRAPH.DAT, end of file at its start (the file is empty): 5 of the 5 "
        "values of the first record of the graph data file were still missing")},
    {"cutBeforeTheList", "\n    2\n", wholeFile,
     at(endOfGraph,
        "GRAPH.DAT, end of file after line 2: 2 of the 2 values of the head node "
        "list of the graph data file were still missing")},
    {"cutBeforeTheLastCount", "\n    2\n      1      9\n    0\n    0\n", wholeFile,
     at(endOfGraph,
        "GRAPH.DAT, end of file after line 5: the velocity element count of the "
        "graph data file is missing")},
    // The list reads on into the count records, which leaves the last count missing.
    {"moreNumbersThanFollow", "\n   12\n      1      2\n    0\n    0\n    0\n", wholeFile,
     at(endOfGraph,
        "GRAPH.DAT, end of file after line 6: the velocity element count of the "
        "graph data file is missing")},
    {"lettersInCapacities", "  1OO\n", wholeFile,
     at(runTimeStop(64, 7, "GRAPH.DAT"),
        "GRAPH.DAT, line 1, columns 1-5, \"  1OO\": the step capacity in the "
        "first record of the graph data file")},
    {"lettersInList", "\n    2\n      1      x\n    0\n    0\n    0\n", wholeFile,
     at(runTimeStop(64, 7, "GRAPH.DAT"),
        "GRAPH.DAT, line 3, columns 8-14, \"      x\": head node 2 of the head "
        "node list of the graph data file")},
    {"lettersInVelocityList", "\n    0\n    0\n    0\n    1\n      z\n", wholeFile,
     at(runTimeStop(64, 7, "GRAPH.DAT"),
        "GRAPH.DAT, line 6, columns 1-7, \"      z\": velocity element 1 of the "
        "velocity element list of the graph data file")},
    {"lettersInPressureCount", "\n    0\n   p1\n", wholeFile,
     at(runTimeStop(64, 7, "GRAPH.DAT"),
        "GRAPH.DAT, line 3, columns 1-5, \"   p1\": the pressure node count of "
        "the graph data file")},
    {"countAboveCapacity", "\n   60\n", wholeFile,
     at("GRAPH.DAT: the head node list holds 60 numbers, above its capacity 50\n",
        "GRAPH.DAT, line 2, columns 1-5, \"60\": the head node count of the "
        "graph data file")},
    {"nodeBeyondTheMesh", "\n    2\n      1     10\n    0\n    0\n    0\n", wholeFile,
     at("GRAPH.DAT: head node 10 is above the node count 9\n",
        "GRAPH.DAT, line 3, columns 8-14, \"10\": head node 2 of the head node "
        "list of the graph data file")},
    {"nodeBeyondTheMeshOnASecondRecord",
     "\n   12\n      1      2      3      4      5      6      7      8      9"
     "      1\n      2     10\n    0\n    0\n    0\n",
     wholeFile,
     at("GRAPH.DAT: head node 10 is above the node count 9\n",
        "GRAPH.DAT, line 4, columns 8-14, \"10\": head node 12 of the head node "
        "list of the graph data file")},
    {"absurdCapacities", "99999999999999999999999999\n    0\n    0\n    0\n    0\n", wholeFile,
     at(noMemory,
        "RES.DAT, line 2: 9 nodes and 2 elements in the header; GRAPH.DAT, line 1: "
        "capacities of 99,999 steps, 99,999, 99,999 and 99,999 head, pressure and "
        "discharge nodes and 99,999 velocity elements")},
    {"resultFileCutInAStep", goodGraph, firstLines(step2Header + 4),
     at(endOfResult,
        "RES.DAT, end of file after line 30: 15 of the 27 values of the node "
        "block of the step at line 26 (step number 2) were still missing")},
    {"resultFileGarbledInAStep", goodGraph, withLine(step3Header - 1, "9.0 9.0 nine"),
     at(syntaxInResult,
        "RES.DAT, line 37, column 9, \"nine\": the z velocity of element 2 of "
        "the step at line 26 (step number 2)")},
    {"absurdNodeCount", goodGraph, withLine(countsLine, "2000000000 2 8"),
     at(noMemory,
        "RES.DAT, line 2: 2,000,000,000 nodes and 2 elements in the header; "
        "GRAPH.DAT, line 1: capacities of 100 steps, 50, 50 and 100 head, pressure "
        "and discharge nodes and 50 velocity elements")}};

INSTANTIATE_TEST_SUITE_P(Cases, BadGraphData, testSupport::rowsOf(graphDataCases),
                         testSupport::rowName);

}  // namespace
