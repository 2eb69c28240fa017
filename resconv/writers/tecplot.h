#pragma once
// Tecplot point file: one block per output, solid mesh or sub-mesh.
#include <string_view>

#include "common/units.h"
#include "resconv/model.h"
#include "resconv/views.h"

// One block of the solid mesh: every node with the shown state and its nodal velocities, then
// every shown element.
void writeTecplotBlock(OutputUnit& unit, std::string_view title, const SolidMesh& mesh,
                       const ShownState& state, const NodalVelocities& nodal);

// One block of the sub-mesh: every point with the values at it (0.0 before they are first
// computed), then every element, at the shown state's time.
void writeTecplotSubMeshBlock(OutputUnit& unit, const SubMesh& subMesh, const ShownState& state);
