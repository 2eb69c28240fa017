#pragma once
// FEMAP neutral file, output sets: block 450 and block 451 per output time.
#include "common/units.h"
#include "resconv/model.h"
#include "resconv/views.h"

// One output set of the solid mesh for the shown state and its nodal velocities.
void writeFemapOutputSet(OutputUnit& unit, WriterCounters& counters, const SolidMesh& mesh,
                         const ShownState& state, const NodalVelocities& nodal);

// One output set of the sub-mesh: the values at its points, named by the shown state's step
// number and time.
void writeFemapSubMeshOutputSet(OutputUnit& unit, WriterCounters& counters, const SubMesh& subMesh,
                                const ShownState& state);
