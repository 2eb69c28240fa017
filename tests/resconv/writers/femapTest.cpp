// Neutral-file writers on in-memory units: set numbering, set titles, statistics of empty
// vectors and of ties, and the mesh blocks for short element columns and empty meshes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/units.h"
#include "resconv/model.h"
#include "resconv/writers/femapModel.h"
#include "resconv/writers/femapOutput.h"
#include "support/meshes.h"
#include "support/texts.h"
#include "support/units.h"

namespace {

using testSupport::MemoryUnit;
using testSupport::withLineEnds;

// The records written, each ended by the platform's line end.
std::vector<std::string> linesOf(const std::string& text) {
  return testSupport::recordsOf(text);
}

// The text from the first line equal to `first` to the end.
std::string textFrom(const std::string& text, const std::string& first) {
  std::size_t at = text.find(withLineEnds("\n" + first + "\n"));
  return at == std::string::npos ? std::string() : text.substr(at + platform::lineEnd.size());
}

// The line after the first line equal to `first`, or "<missing>".
std::string lineAfter(const std::string& text, const std::string& first) {
  const std::vector<std::string> lines = linesOf(textFrom(text, first));
  return lines.size() > 1 ? lines[1] : "<missing>";
}

// A solid mesh of `nodes` nodes at the origin and `elements` elements with empty slots, and a
// state of zeros on it.
struct SolidCase {
  TestMesh mesh;
  TestState state{mesh};

  SolidCase(int nodes, int elements) {
    for (int node = 1; node <= nodes; ++node) mesh.addNode(0.0, 0.0, 0.0);
    for (int element = 1; element <= elements; ++element) mesh.addElement({});
    state = TestState(mesh);
  }

  void writeSet(OutputUnit& unit, WriterCounters& counters, double time, int stepNo) {
    state.averageVelocities(mesh);
    writeFemapOutputSet(unit, counters, mesh.view(), state.view(time, stepNo), state.nodal());
  }
};

TEST(FemapOutputSet, SolidAndSubMeshSetsShareOneNumbering) {
  MemoryUnit unit;
  WriterCounters counters;
  SolidCase solid(0, 0);
  SubMesh subMesh = makeSubMesh({});
  setPointValues(subMesh, {}, {});

  solid.writeSet(unit, counters, 0.0, 0);
  writeFemapSubMeshOutputSet(unit, counters, subMesh, shownAt(0.0, 0));
  solid.writeSet(unit, counters, 10.0, 1);

  EXPECT_EQ(counters.femapOutputSetCount, 3);
  const std::vector<std::string> lines = linesOf(unit.memory());
  std::vector<std::string> setNumbers, firstVectors, vectorCounts;
  int vectorsInBlock = 0;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i] == "   450") setNumbers.push_back(lines[i + 1]);
    if (lines[i] == "   451") {
      firstVectors.push_back(lines[i + 1]);
      if (vectorsInBlock > 0) vectorCounts.push_back(std::to_string(vectorsInBlock));
      vectorsInBlock = 0;
    }
    if (lines[i] == " 0,1,1,") ++vectorsInBlock;
  }
  vectorCounts.push_back(std::to_string(vectorsInBlock));
  EXPECT_EQ(setNumbers, (std::vector<std::string>{"           1", "           2", "           3"}));
  EXPECT_EQ(firstVectors, (std::vector<std::string>{"           1,10,1,", "           2,10,1,",
                                                    "           3,10,1,"}));
  EXPECT_EQ(vectorCounts, (std::vector<std::string>{"11", "2", "11"}));
}

struct SetTitleCase {
  int stepNo;
  double time;
  const char* block;
};

constexpr SetTitleCase setTitleCases[] = {
    {12, 3600.0,
     "   -1\n   450\n           1\n  12 T=  3.6000E+03\n 0,0,\n   3600.000    \n 1,\n   \n   -1\n"},
    {0, 0.0,
     "   -1\n   450\n           1\n   0 T=  0.0000E+00\n 0,0,\n  0.0000000E+00\n 1,\n   \n   -1\n"},
    // Too wide for its four columns; the time is rounded to single precision first.
    {10000, 0.1,
     "   -1\n   450\n           1\n**** T=  1.0000E-01\n 0,0,\n  0.1000000    \n 1,\n   \n   -1\n"},
    {-5, -2.5,
     "   -1\n   450\n           1\n  -5 T= -2.5000E+00\n 0,0,\n  -2.500000    \n 1,\n   \n   -1\n"},
};

TEST(FemapOutputSet, OutputSetBlockNamesStepAndTime) {
  for (const SetTitleCase& c : setTitleCases) {
    SCOPED_TRACE(c.stepNo);
    MemoryUnit unit;
    WriterCounters counters;
    writeFemapSubMeshOutputSet(unit, counters, SubMesh{}, shownAt(c.time, c.stepNo));
    const std::string& text = unit.memory();
    const std::size_t vectorBlock = text.find(withLineEnds("   451\n"));
    ASSERT_NE(vectorBlock, std::string::npos);
    EXPECT_EQ(text.substr(0, vectorBlock - withLineEnds("   -1\n").size()), withLineEnds(c.block));
  }
}

// Checks the statistics records of vector `id` of set 1 and that no value record follows.
void expectStartStatistics(const std::vector<std::string>& lines, const std::string& id,
                           const std::string& statistics, const std::string& entities) {
  const std::string header = "           1," + id + ",1,";
  for (std::size_t i = 0; i + 8 < lines.size(); ++i) {
    if (lines[i] != header) continue;
    EXPECT_EQ(lines[i + 2], statistics) << id;
    EXPECT_EQ(lines[i + 5], entities) << id;
    EXPECT_EQ(lines[i + 6], " 0,1,1,") << id;
    EXPECT_EQ(lines[i + 7].substr(0, 13), "          -1,") << id;
    return;
  }
  ADD_FAILURE() << "vector " << id << " not written";
}

constexpr const char* startStatistics = "  9.8999999E+30 -9.8999999E+30  9.8999999E+30";
constexpr const char* startStatisticsOfSpeed = "  9.8999999E+30 -9.8999999E+30 -9.8999999E+30";

struct EmptyCase {
  const char* name;
  int nodeCount;
  int elementCount;
  bool nodesUnused;
  bool elementsLeftOut;
  bool nodalVectorsEmpty;
};

constexpr EmptyCase emptyCases[] = {
    {"no nodes and no elements", 0, 0, false, false, true},
    {"every node named by no element", 3, 0, true, false, true},
    {"the only element left out", 8, 1, false, true, false},
};

TEST(FemapOutputSet, VectorWithoutEntitiesKeepsStartStatistics) {
  for (const EmptyCase& c : emptyCases) {
    SCOPED_TRACE(c.name);
    SolidCase solid(c.nodeCount, c.elementCount);
    for (int node = 1; node <= c.nodeCount; ++node) solid.mesh.nodeUnused[node] = c.nodesUnused;
    for (int element = 1; element <= c.elementCount; ++element) {
      solid.mesh.elementFlag[element] = c.elementsLeftOut;
      solid.state.vx[element] = -4.0;
      for (int slot = 1; slot <= 8; ++slot) {
        solid.mesh.connectivity[(element - 1) * 8 + slot - 1] = slot;
      }
    }
    MemoryUnit unit;
    WriterCounters counters;
    solid.writeSet(unit, counters, 1.0, 1);
    const std::vector<std::string> lines = linesOf(unit.memory());

    if (c.nodalVectorsEmpty) {
      for (const char* id : {"10", "11", "12"}) {
        expectStartStatistics(lines, id, startStatistics, "           1,           1,6,7,");
      }
      expectStartStatistics(lines, "13", startStatisticsOfSpeed, "           1,           1,1,7,");
      for (const char* id : {"14", "15", "16"}) {
        expectStartStatistics(lines, id, startStatistics, "           1,           1,1,7,");
      }
    }
    for (const char* id : {"70010", "70011", "70012", "70013"}) {
      expectStartStatistics(lines, id, startStatistics, "           1,           1,1,8,");
    }
  }
}

struct TieCase {
  const char* name;
  std::vector<double> pressureHead;  // slot 0 unused
  std::vector<int> nodeUnused;
  const char* statistics;
  const char* entities;
};

TEST(FemapOutputSet, EqualValuesKeepTheLowestEntity) {
  const TieCase cases[] = {
      {"ties at both ends",
       {0, 5.0, -1.0, 5.0, -1.0},
       {0, 0, 0, 0, 0},
       "  -1.000000       5.000000       5.000000    ",
       "           2,           1,6,7,"},
      {"all equal",
       {0, 2.0, 2.0, 2.0, 2.0},
       {0, 0, 0, 0, 0},
       "   2.000000       2.000000       2.000000    ",
       "           1,           1,6,7,"},
      {"unused node holds the extremes",
       {0, 1.0, 99.0, -99.0, 1.0},
       {0, 0, 1, 1, 0},
       "   1.000000       1.000000       1.000000    ",
       "           1,           1,6,7,"},
      {"larger magnitude below zero",
       {0, -7.5, 3.0, -7.5, 3.0},
       {0, 0, 0, 0, 0},
       "  -7.500000       3.000000       7.500000    ",
       "           1,           2,6,7,"},
  };
  for (const TieCase& c : cases) {
    SCOPED_TRACE(c.name);
    SolidCase solid(4, 0);
    solid.state.pressureHead = c.pressureHead;
    solid.mesh.nodeUnused = c.nodeUnused;
    MemoryUnit unit;
    WriterCounters counters;
    solid.writeSet(unit, counters, 1.0, 1);
    const std::vector<std::string> lines = linesOf(textFrom(unit.memory(), "   451"));
    ASSERT_GT(lines.size(), 7u);
    EXPECT_EQ(lines[1], "           1,10,1,");
    EXPECT_EQ(lines[3], c.statistics);
    EXPECT_EQ(lines[6], c.entities);
  }
}

struct ModelCase {
  const char* name;
  int nodesPerElement;
  std::vector<int> connectivity;  // one column of nodesPerElement slots per element
  std::vector<int> materialNo;    // slot 0 unused
  const char* meshBlocks;         // from the node block to the end
};

TEST(FemapModel, MeshBlocksForShortColumnsAndEmptyMeshes) {
  const std::string nodes =
      "   -1\n   403\n"
      "      1,0,0,1,46,0,0,0,0,0,0, 1.000000E+00, 0.000000E+00, 0.000000E+00\n"
      "      2,0,0,1,46,0,0,0,0,0,0, 2.000000E+00, 0.000000E+00, 0.000000E+00\n"
      "      3,0,0,1,46,0,0,0,0,0,0, 3.000000E+00, 0.000000E+00, 0.000000E+00\n"
      "      4,0,0,1,46,0,0,0,0,0,0, 4.000000E+00, 0.000000E+00, 0.000000E+00\n"
      "      5,0,0,1,46,0,0,0,0,0,0, 5.000000E+00, 0.000000E+00, 0.000000E+00\n"
      "      6,0,0,1,46,0,0,0,0,0,0, 6.000000E+00, 0.000000E+00, 0.000000E+00\n"
      "   -1\n";
  const std::string trailer =
      " 0,0,0,0,0,0,0,0,0,0,\n 0.,0.,0.,\n 0.,0.,0.,\n 0.,0.,0.,\n 0,0,0,0,0,0,0,0,0,0,0,0,\n";
  const std::string prismSix = nodes + "   -1\n   404\n" +
                               "           1,124,           2,25,           7,1,0,0,\n" +
                               "      4,      5,      6,      0,      1,      2,      3,"
                               "      0,      0,      0,\n" +
                               trailer + "   -1\n";
  const std::string brickSlot8 = nodes + "   -1\n   404\n" +
                                 "           1,124,           2,25,           8,1,0,0,\n" +
                                 "      5,      6,      0,      4,      1,      2,      3,"
                                 "      4,      0,      0,\n" +
                                 trailer + "   -1\n";
  const ModelCase cases[] = {
      {"six slots per element read as a prism", 6, {1, 2, 3, 4, 5, 6}, {0, 2}, prismSix.c_str()},
      {"slot 8 alone makes a brick", 8, {1, 2, 3, 4, 5, 6, 0, 4}, {0, 2}, brickSlot8.c_str()},
  };
  for (const ModelCase& c : cases) {
    SCOPED_TRACE(c.name);
    TestMesh mesh;
    mesh.nodesPerElement = c.nodesPerElement;
    for (int node = 1; node <= 6; ++node) mesh.addNode(node, 0.0, 0.0);
    mesh.addElement(c.connectivity);
    mesh.materialNo = c.materialNo;
    MemoryUnit unit;
    writeFemapModel(unit, mesh.view());
    EXPECT_EQ(textFrom(unit.memory(), "   403").insert(0, withLineEnds("   -1\n")),
              withLineEnds(c.meshBlocks));
    // Properties 1 and 2 only.
    EXPECT_NE(unit.memory().find(withLineEnds("    2,110,1,25,1,0,\n")), std::string::npos);
    EXPECT_EQ(unit.memory().find(withLineEnds("    3,110,1,25,1,0,\n")), std::string::npos);
  }
}

TEST(FemapModel, EmptyMeshWritesFramingOnly) {
  MemoryUnit unit;
  writeFemapModel(unit, TestMesh().view());
  EXPECT_EQ(textFrom(unit.memory(), "   403"),
            withLineEnds("   403\n   -1\n   -1\n   404\n   -1\n"));
  EXPECT_EQ(linesOf(unit.memory()).size(), 5u + 36u + 33u + 3u + 3u);

  MemoryUnit meshUnit;
  writeFemapSubMeshModel(meshUnit, SubMesh{});
  EXPECT_EQ(textFrom(meshUnit.memory(), "   403"),
            withLineEnds("   403\n   -1\n   -1\n   404\n   -1\n"));
}

TEST(FemapModel, SubMeshCoordinatesKeepDoublePrecision) {
  const SubMesh subMesh = makeSubMesh({{2.00000051, -0.1, 12345678.9}});
  MemoryUnit meshUnit;
  writeFemapSubMeshModel(meshUnit, subMesh);
  EXPECT_EQ(lineAfter(meshUnit.memory(), "   403"),
            "      1,0,0,1,46,0,0,0,0,0,0, 2.000001E+00,-1.000000E-01, 1.234568E+07");

  // The same coordinates in the solid model are rounded to single precision first.
  TestMesh mesh;
  mesh.addNode(2.00000051, -0.1, 12345678.9);
  MemoryUnit unit;
  writeFemapModel(unit, mesh.view());
  EXPECT_EQ(lineAfter(unit.memory(), "   403"),
            "      1,0,0,1,46,0,0,0,0,0,0, 2.000000E+00,-1.000000E-01, 1.234568E+07");
}

}  // namespace
