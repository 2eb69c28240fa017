#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/stop.h"
#include "resconv/outputSink.h"
#include "resconv/writers/avs.h"
#include "support/meshes.h"
#include "support/temporaryFolder.h"
#include "support/texts.h"
#include "support/units.h"

namespace {

using testSupport::fixturePath;
using testSupport::MemoryInput;
using testSupport::MemoryUnit;
using testSupport::readFile;
using testSupport::sameText;
using testSupport::TemporaryFolder;
using testSupport::withLineEnds;
using testSupport::WorkingFolder;

// Nine nodes: a hexahedron with slot 7 empty and slot 8 set (nodes 1 to 7), a prism on nodes
// of the hexahedron, a flagged element that alone names node 8, and node 9 that no element
// names.
struct AvsMesh {
  TestMesh mesh;
  TestState state{mesh};
  AvsMesh() {
    const double corners[9][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1},
                                  {1, 0, 1}, {1, 1, 1}, {0, 1, 1}, {5, 5, 5}};
    for (const auto& c : corners) mesh.addNode(c[0], c[1], c[2]);
    mesh.addElement({1, 2, 3, 4, 5, 6, 0, 7});
    mesh.addElement({1, 2, 3, 5, 6, 7, 0, 0});
    mesh.addElement({4, 5, 6, 8, 8, 8, 0, 0});
    mesh.materialNo = {0, 4, 2, -1};
    mesh.elementFlag[3] = 1;
    mesh.nodeUnused[9] = 1;
    state = TestState(mesh);
    state.vx = {0, 1.0, 3.0, 99.0};
    state.vy = {0, 2.0, 0.0, 99.0};
    state.vz = {0, -0.5, 0.5, 99.0};
    state.averageVelocities(mesh);
  }
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

void writeSolidSection(OutputUnit& scratch, WriterCounters& counters, AvsMesh& m,
                       const std::vector<double>& head, double time) {
  m.state.pressureHead = head;
  writeAvsStep(scratch, counters, m.mesh.view(), m.state.view(time, 0), m.state.nodal());
}

// Four points; element 1 a triangle (third point repeated), element 2 a quadrilateral.
SubMesh fourPointMesh() {
  SubMesh mesh =
      makeSubMesh({{0, 0, 1}, {3, 0, 2}, {0, 3, 3}, {3, 3, 4}}, {{1, 2, 3, 3}, {1, 2, 3, 4}});
  setPointValues(mesh, {-1.0, -2.0, 0.5, 1.234565}, {0.0, 0.0, 3.5, 5.234565});
  return mesh;
}

void writeSubMeshSection(OutputUnit& scratch, WriterCounters& counters, const SubMesh& mesh,
                         int sectionNumber) {
  if (sectionNumber == 1) {
    writeAvsSubMeshStep(scratch, counters, mesh, shownAt(0.0, 0));
    return;
  }
  SubMesh later = mesh;
  setPointValues(later, {1, 2, 3, 4}, {2, 4, 6, 8});
  writeAvsSubMeshStep(scratch, counters, later, shownAt(7.5, 1));
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1)) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The scratch file in memory, and its records read back from the start as the output sink
// reopens it for each assembly.
struct MemoryScratch {
  MemoryUnit out{unitNumber::avsScratch};
  std::optional<MemoryInput> in;
  ScratchReopener reopener() {
    return [this]() -> InputUnit& {
      in.emplace(out.memory(), avsScratchName, unitNumber::avsScratch);
      return *in;
    };
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
    writeAvsSubMeshStep(scratch.out, counters, SubMesh{}, shownAt(c.time, 0));
    EXPECT_EQ(counters.avsStepCount, c.number);
    const std::string& text = scratch.out.memory();
    EXPECT_EQ(text.substr(0, text.find(platform::lineEnd)), c.line);
  }
}

TEST(AvsAssembly, SolidFileFromTwoSections) {
  MemoryScratch scratch;
  WriterCounters counters;
  AvsMesh m;
  writeSolidSection(scratch.out, counters, m, firstHeads(), 0.0);
  writeSolidSection(scratch.out, counters, m, secondHeads(), 2.5);
  EXPECT_EQ(counters.avsSolidSections, 2);
  MemoryUnit unit;
  assembleAvsFile(unit, scratch.reopener(), counters, m.mesh.view());
  EXPECT_TRUE(
      sameText(unit.memory(), withLineEnds(readFile(fixturePath("avs/solidTwoSections.INP")))));
}

TEST(AvsAssembly, MeshFileFromTwoSections) {
  MemoryScratch scratch;
  WriterCounters counters;
  const SubMesh mesh = fourPointMesh();
  writeSubMeshSection(scratch.out, counters, mesh, 1);
  writeSubMeshSection(scratch.out, counters, mesh, 2);
  EXPECT_EQ(counters.avsSubMeshSections, 2);
  MemoryUnit unit;
  assembleAvsSubMeshFile(unit, scratch.reopener(), counters, mesh);
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
    const SubMesh mesh = fourPointMesh();
    int solidWritten = 0;
    int meshWritten = 0;
    for (char kind : c.order) {
      if (kind == 's') {
        const bool first = ++solidWritten == 1;
        writeSolidSection(scratch.out, counters, solid, first ? firstHeads() : secondHeads(),
                          first ? 0.0 : 2.5);
      } else {
        writeSubMeshSection(scratch.out, counters, mesh, ++meshWritten);
      }
    }
    MemoryUnit unit;
    assembleAvsFile(unit, scratch.reopener(), counters, solid.mesh.view());
    assembleAvsSubMeshFile(unit, scratch.reopener(), counters, mesh);
    EXPECT_TRUE(sameText(unit.memory(), withLineEnds(c.expected)));
  }
}

TEST(AvsAssembly, NoSectionStopsAtTheEndOfTheScratchFileAfterTheHeader) {
  for (bool solid : {true, false}) {
    SCOPED_TRACE(solid ? "solid" : "sub-mesh");
    MemoryScratch scratch;
    const WriterCounters counters;
    AvsMesh m;
    const SubMesh subMesh = fourPointMesh();
    MemoryUnit unit;
    try {
      if (solid) {
        assembleAvsFile(unit, scratch.reopener(), counters, m.mesh.view());
      } else {
        assembleAvsSubMeshFile(unit, scratch.reopener(), counters, subMesh);
      }
      FAIL() << "no stop";
    } catch (const RunStopped& stop) {
      EXPECT_EQ(stop.line(), "forrtl: severe (24): end-of-file during read, unit 8, file AVS.tmp");
    }
    EXPECT_EQ(unit.memory(), withLineEnds("# MORAVELIN AVS FILE \n    0\ndata\n"));
  }
}

// The scratch file on disk through the output sink, which flushes and closes it and reopens it
// from its start for each assembly; it is left on disk.
TEST(AvsAssembly, ScratchFileOnDiskIsReadBack) {
  TemporaryFolder folder;
  WorkingFolder here(folder.path());
  MemoryUnit console(unitNumber::console);
  MemoryUnit unit;
  {
    OutputSink sink(console);
    WriterCounters counters;
    AvsMesh m;
    writeSolidSection(sink.avsScratch(), counters, m, firstHeads(), 0.0);
    writeSolidSection(sink.avsScratch(), counters, m, secondHeads(), 2.5);
    const ScratchReopener reopen = [&sink]() -> InputUnit& { return sink.rereadAvsScratch(); };
    assembleAvsFile(unit, reopen, counters, m.mesh.view());
    assembleAvsSubMeshFile(unit, reopen, counters, fourPointMesh());
    sink.closeAll();
  }
  EXPECT_TRUE(
      sameText(unit.memory(), withLineEnds(readFile(fixturePath("avs/solidTwoSections.INP")))));
  EXPECT_TRUE(folder.exists("AVS.tmp"));
}
