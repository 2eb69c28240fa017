#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/stop.h"
#include "resconv/writers/avs.h"
#include "support/temporaryFolder.h"
#include "support/texts.h"

namespace {

using testSupport::fixturePath;
using testSupport::readFile;
using testSupport::sameText;
using testSupport::TemporaryFolder;
using testSupport::withLineEnds;

// Nine nodes: a hexahedron with slot 7 empty and slot 8 set (nodes 1 to 7), a prism on nodes
// of the hexahedron, a flagged element that alone names node 8, and node 9 that no element
// names.
struct AvsMesh {
  int nodeCount = 9;
  int elementCount = 3;
  int nodesPerElement = 8;
  std::vector<double> x{0, 0, 1, 1, 0, 0, 1, 1, 0, 5};
  std::vector<double> y{0, 0, 0, 1, 1, 0, 0, 1, 1, 5};
  std::vector<double> z{0, 0, 0, 0, 0, 1, 1, 1, 1, 5};
  std::vector<int> connectivity{1, 2, 3, 4, 5, 6, 0, 7,  //
                                1, 2, 3, 5, 6, 7, 0, 0,  //
                                4, 5, 6, 8, 8, 8, 0, 0};
  std::vector<int> materialNo{0, 4, 2, -1};
  std::vector<int> elementFlag{0, 0, 0, 1};
  std::vector<int> nodeUnused{0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  std::vector<double> vx{0, 1.0, 3.0, 99.0};
  std::vector<double> vy{0, 2.0, 0.0, 99.0};
  std::vector<double> vz{0, -0.5, 0.5, 99.0};
  std::vector<double> nodeVx = std::vector<double>(10), nodeVy = nodeVx, nodeVz = nodeVx;
  std::vector<int> nodeElementCount = std::vector<int>(10);
};

// Pressure heads of the two sections: 10 + node, with node 2 at 1.234565 (1.23456 in double,
// 1.23457 once rounded to single precision), and twice that.
std::vector<double> firstHeads() {
  std::vector<double> head(10);
  for (int node = 1; node <= 9; ++node) head[node] = 10.0 + node;
  head[2] = 1.234565;
  return head;
}

std::vector<double> secondHeads() {
  std::vector<double> head = firstHeads();
  for (double& value : head) value *= 2.0;
  return head;
}

void writeSolidSection(AvsScratch& scratch, WriterCounters& counters, AvsMesh& mesh,
                       const std::vector<double>& head, double time) {
  writeAvsStep(scratch.out, counters, mesh.z, head, mesh.nodeVx, mesh.nodeVy, mesh.nodeVz, mesh.vx,
               mesh.vy, mesh.vz, mesh.nodeElementCount, mesh.connectivity, mesh.nodeCount,
               mesh.elementCount, mesh.nodesPerElement, time, mesh.elementFlag, mesh.nodeUnused);
  ++scratch.solidSections;  // as the step loop counts them
}

void assembleSolid(OutputUnit& unit, AvsScratch& scratch, const WriterCounters& counters,
                   const AvsMesh& mesh) {
  assembleAvsFile(unit, scratch, counters, mesh.x, mesh.y, mesh.z, mesh.connectivity,
                  mesh.materialNo, mesh.nodeCount, mesh.elementCount, mesh.nodesPerElement,
                  mesh.elementFlag, mesh.nodeUnused);
}

// Four points; element 1 a triangle (third point repeated), element 2 a quadrilateral.
SubMesh fourPointMesh() {
  SubMesh mesh;
  mesh.pointCount = 4;
  mesh.meshElementCount = 2;
  mesh.pointX = {0, 0, 3, 0, 3};
  mesh.pointY = {0, 0, 0, 3, 3};
  mesh.pointZ = {0, 1, 2, 3, 4};
  mesh.meshConnectivity = {{0, 0, 0, 0}, {1, 2, 3, 3}, {1, 2, 3, 4}};
  mesh.pointPressureHead = {0, -1.0, -2.0, 0.5, 1.234565};
  mesh.pointTotalHead = {0, 0.0, 0.0, 3.5, 5.234565};
  return mesh;
}

void writeMeshSections(AvsScratch& scratch, WriterCounters& counters, SubMesh& mesh,
                       int sectionNumber) {
  ++scratch.meshSections;  // as the step loop counts them
  if (sectionNumber == 1) {
    writeAvsMeshStep(scratch.out, counters, mesh, 0.0);
    return;
  }
  SubMesh later = mesh;
  later.pointPressureHead = {0, 1, 2, 3, 4};
  later.pointTotalHead = {0, 2, 4, 6, 8};
  writeAvsMeshStep(scratch.out, counters, later, 7.5);
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1)) {
    text.replace(at, from.size(), to);
  }
  return text;
}

struct MemoryScratch : AvsScratch {
  MemoryScratch() {
    out.openMemory();
    inMemory = true;
  }
};

}  // namespace

TEST(AvsStepLine, NumberFollowsTheWordWithoutBlanks) {
  struct Case {
    int number;
    double time;
    std::string_view line;
  };
  constexpr Case cases[] = {
      {1, 0.0, "step1  0.0000000E+00"},         {7, 12.5, "step7  0.1250000E+02"},
      {9, 1.0, "step9  0.1000000E+01"},         {10, 1.0, "step10  0.1000000E+01"},
      {12, -3.0, "step12 -0.3000000E+01"},      {999, 2.0, "step999  0.2000000E+01"},
      {1000, 2.0, "step1000  0.2000000E+01"},   {10000, 1e5, "step10000  0.1000000E+06"},
      {100000, 1e6, "step*****  0.1000000E+07"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    MemoryScratch scratch;
    WriterCounters counters;
    counters.avsStepCount = c.number - 1;
    SubMesh empty;
    writeAvsMeshStep(scratch.out, counters, empty, c.time);
    EXPECT_EQ(counters.avsStepCount, c.number);
    const std::string& text = scratch.out.memory();
    EXPECT_EQ(text.substr(0, text.find(platform::lineEnd)), c.line);
  }
}

TEST(AvsAssembly, SolidFileFromTwoSections) {
  MemoryScratch scratch;
  WriterCounters counters;
  AvsMesh mesh;
  writeSolidSection(scratch, counters, mesh, firstHeads(), 0.0);
  writeSolidSection(scratch, counters, mesh, secondHeads(), 2.5);
  OutputUnit unit(unitNumber::output);
  unit.openMemory();
  assembleSolid(unit, scratch, counters, mesh);
  EXPECT_TRUE(
      sameText(unit.memory(), withLineEnds(readFile(fixturePath("avs/solidTwoSections.INP")))));
}

TEST(AvsAssembly, MeshFileFromTwoSections) {
  MemoryScratch scratch;
  WriterCounters counters;
  SubMesh mesh = fourPointMesh();
  writeMeshSections(scratch, counters, mesh, 1);
  writeMeshSections(scratch, counters, mesh, 2);
  OutputUnit unit(unitNumber::output);
  unit.openMemory();
  assembleAvsMeshFile(unit, scratch, counters, mesh);
  EXPECT_TRUE(
      sameText(unit.memory(), withLineEnds(readFile(fixturePath("avs/meshTwoSections.INP")))));
}

// Both kinds can share the scratch file; each assembler takes its own sections only, keeping
// their step lines, and leaves out a file that has no section of its own.
TEST(AvsAssembly, EachFileTakesOnlyItsOwnSections) {
  const std::string solidFile = readFile(fixturePath("avs/solidTwoSections.INP"));
  const std::string meshFile = readFile(fixturePath("avs/meshTwoSections.INP"));
  struct Case {
    std::string name;
    std::string order;  // s: solid section, m: sub-mesh section, in writing order
    std::string expected;
  };
  const Case cases[] = {
      {"solid only, both assembled", "ss", solidFile},
      {"sub-mesh only, both assembled", "mm", meshFile},
      {"interleaved", "mssm",
       replaced(replaced(solidFile, "step2 ", "step3 "), "step1 ", "step2 ") +
           replaced(meshFile, "step2 ", "step4 ")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryScratch scratch;
    WriterCounters counters;
    AvsMesh solid;
    SubMesh mesh = fourPointMesh();
    int solidWritten = 0;
    int meshWritten = 0;
    for (char kind : c.order) {
      if (kind == 's') {
        const bool first = ++solidWritten == 1;
        writeSolidSection(scratch, counters, solid, first ? firstHeads() : secondHeads(),
                          first ? 0.0 : 2.5);
      } else {
        writeMeshSections(scratch, counters, mesh, ++meshWritten);
      }
    }
    OutputUnit unit(unitNumber::output);
    unit.openMemory();
    assembleSolid(unit, scratch, counters, solid);
    assembleAvsMeshFile(unit, scratch, counters, mesh);
    EXPECT_TRUE(sameText(unit.memory(), withLineEnds(c.expected)));
  }
}

TEST(AvsAssembly, NoSectionStopsAtTheEndOfTheScratchFileAfterTheHeader) {
  for (bool solid : {true, false}) {
    SCOPED_TRACE(solid ? "solid" : "sub-mesh");
    MemoryScratch scratch;
    const WriterCounters counters;
    AvsMesh mesh;
    SubMesh subMesh = fourPointMesh();
    OutputUnit unit(unitNumber::output);
    unit.openMemory();
    try {
      if (solid) {
        assembleSolid(unit, scratch, counters, mesh);
      } else {
        assembleAvsMeshFile(unit, scratch, counters, subMesh);
      }
      FAIL() << "no stop";
    } catch (const RunStopped& stop) {
      EXPECT_EQ(stop.line(), "forrtl: severe (24): end-of-file during read, unit 8, file AVS.tmp");
    }
    EXPECT_EQ(unit.memory(), withLineEnds("# MORAVELIN AVS FILE \n    0\ndata\n"));
  }
}

// The scratch file on disk: the assembler flushes and closes it, reads it back from its start,
// and a second assembler can read it again.
TEST(AvsAssembly, ScratchFileOnDiskIsReadBack) {
  TemporaryFolder directory;
  AvsScratch scratch;
  scratch.out.open((directory.path() / "AVS.tmp").string());
  WriterCounters counters;
  AvsMesh mesh;
  writeSolidSection(scratch, counters, mesh, firstHeads(), 0.0);
  writeSolidSection(scratch, counters, mesh, secondHeads(), 2.5);
  OutputUnit unit(unitNumber::output);
  unit.openMemory();
  assembleSolid(unit, scratch, counters, mesh);
  SubMesh subMesh = fourPointMesh();
  assembleAvsMeshFile(unit, scratch, counters, subMesh);
  EXPECT_TRUE(
      sameText(unit.memory(), withLineEnds(readFile(fixturePath("avs/solidTwoSections.INP")))));
  EXPECT_TRUE(directory.exists("AVS.tmp"));
}
