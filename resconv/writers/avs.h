#pragma once
// MicroAVS UCD time series: sections into the scratch file during the loop, the final file
// assembled after it from the header, the mesh and the sections of its kind read back.
#include <functional>

#include "common/units.h"
#include "resconv/model.h"
#include "resconv/views.h"

// Appends one solid-mesh section (step line, node data, cell data) to the scratch file and
// counts it.
void writeAvsStep(OutputUnit& scratch, WriterCounters& counters, const SolidMesh& mesh,
                  const ShownState& state, const NodalVelocities& nodal);

// Appends one sub-mesh section (step line, point data) to the scratch file and counts it.
void writeAvsSubMeshStep(OutputUnit& scratch, WriterCounters& counters, const SubMesh& subMesh,
                         const ShownState& state);

// The scratch file open for reading from its start, once an assembly has written its header
// (the output sink flushes and closes what was written and opens the file anew).
using ScratchReopener = std::function<InputUnit&()>;

// Writes the final file of the solid mesh on `unit`: header, mesh, then the solid-mesh sections
// of the scratch file. Writes nothing when the scratch file holds sub-mesh sections only; with
// no section at all it stops at the end of the scratch file after the three header lines.
void assembleAvsFile(OutputUnit& unit, const ScratchReopener& scratch,
                     const WriterCounters& counters, const SolidMesh& mesh);

// The same for the sub-mesh: header, points, triangles and quadrilaterals, then the sub-mesh
// sections of the scratch file; nothing when the scratch file holds solid-mesh sections only.
void assembleAvsSubMeshFile(OutputUnit& unit, const ScratchReopener& scratch,
                            const WriterCounters& counters, const SubMesh& subMesh);
