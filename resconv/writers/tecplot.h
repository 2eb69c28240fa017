#pragma once
// Tecplot point file: one block per output, solid mesh or sub-mesh.
#include <span>
#include <string_view>

#include "common/units.h"
#include "resconv/model.h"
#include "resconv/views.h"

// One block of the solid mesh: every node with the shown state and its nodal velocities, then
// every shown element.
void writeTecplotBlock(OutputUnit& unit, std::string_view title, const SolidMesh& mesh,
                       const ShownState& state, const NodalVelocities& nodal);
// The same from the arrays, averaging the nodal velocities into nodeVx, nodeVy, nodeVz and
// nodeElementCount first.
void writeTecplotBlock(OutputUnit& unit, std::span<const double> x, std::span<const double> y,
                       std::span<const double> z, std::span<const double> pressureHead,
                       std::span<double> nodeVx, std::span<double> nodeVy, std::span<double> nodeVz,
                       std::span<const double> vx, std::span<const double> vy,
                       std::span<const double> vz, std::span<int> nodeElementCount,
                       std::span<const int> connectivity, int nodeCount, int elementCount,
                       int nodesPerElement, std::string_view title, double time,
                       std::span<const int> elementFlag, std::span<const int> nodeUnused);

void writeTecplotMeshBlock(OutputUnit& unit, const SubMesh& subMesh, double time, int stepNo);
