#pragma once
// MicroAVS UCD time series: sections into the scratch file during the loop, the final file
// assembled after it.
#include <span>

#include "common/units.h"
#include "resconv/model.h"
#include "resconv/views.h"

// The scratch file "AVS.tmp": written during the loop, read back by the assemblers. The step
// loop counts the sections of each kind, so that each assembler copies only its own.
struct AvsScratch {
  OutputUnit out{unitNumber::avsScratch};
  bool inMemory = false;  // out was opened with openMemory(): read back from memory (tests)
  int solidSections = 0;  // sections written by writeAvsStep
  int meshSections = 0;   // sections written by writeAvsMeshStep
};

// Appends one solid-mesh section (step line, node data, cell data) to the scratch file.
void writeAvsStep(OutputUnit& scratch, WriterCounters& counters, const SolidMesh& mesh,
                  const ShownState& state, const NodalVelocities& nodal);
// The same from the arrays, averaging the nodal velocities into nodeVx, nodeVy, nodeVz and
// nodeElementCount first.
void writeAvsStep(OutputUnit& scratch, WriterCounters& counters, std::span<const double> z,
                  std::span<const double> pressureHead, std::span<double> nodeVx,
                  std::span<double> nodeVy, std::span<double> nodeVz, std::span<const double> vx,
                  std::span<const double> vy, std::span<const double> vz,
                  std::span<int> nodeElementCount, std::span<const int> connectivity, int nodeCount,
                  int elementCount, int nodesPerElement, double time,
                  std::span<const int> elementFlag, std::span<const int> nodeUnused);

// Appends one sub-mesh section (step line, point data) to the scratch file.
void writeAvsMeshStep(OutputUnit& scratch, WriterCounters& counters, const SubMesh& subMesh,
                      double time);

// Writes "AVS.INP" on `unit`: header, mesh, then the solid-mesh sections of the scratch file.
// Writes nothing when the scratch file holds sub-mesh sections only; with no section at all
// it stops at the end of the scratch file after the three header lines.
void assembleAvsFile(OutputUnit& unit, AvsScratch& scratch, const WriterCounters& counters,
                     std::span<const double> x, std::span<const double> y,
                     std::span<const double> z, std::span<const int> connectivity,
                     std::span<const int> materialNo, int nodeCount, int elementCount,
                     int nodesPerElement, std::span<const int> elementFlag,
                     std::span<const int> nodeUnused);

// The same for the sub-mesh: header, points, triangles and quadrilaterals, then the sub-mesh
// sections of the scratch file; nothing when the scratch file holds solid-mesh sections only.
void assembleAvsMeshFile(OutputUnit& unit, AvsScratch& scratch, const WriterCounters& counters,
                         const SubMesh& subMesh);
