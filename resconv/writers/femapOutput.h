#pragma once
// FEMAP neutral file, output sets: block 450 and block 451 per output time.
#include <span>

#include "common/units.h"
#include "resconv/model.h"
#include "resconv/views.h"

// One output set of the solid mesh for the shown state and its nodal velocities.
void writeFemapOutputSet(OutputUnit& unit, WriterCounters& counters, const SolidMesh& mesh,
                         const ShownState& state, const NodalVelocities& nodal);
// The same from the arrays, averaging the nodal velocities into nodeVx, nodeVy, nodeVz and
// nodeElementCount first.
void writeFemapOutputSet(OutputUnit& unit, WriterCounters& counters, std::span<const double> z,
                         std::span<const double> pressureHead, std::span<double> nodeVx,
                         std::span<double> nodeVy, std::span<double> nodeVz,
                         std::span<const double> vx, std::span<const double> vy,
                         std::span<const double> vz, std::span<const double> discharge,
                         std::span<int> nodeElementCount, std::span<const int> connectivity,
                         int nodeCount, int elementCount, int nodesPerElement, double time,
                         int stepNo, std::span<const int> elementFlag,
                         std::span<const int> nodeUnused);

void writeFemapMeshOutputSet(OutputUnit& unit, WriterCounters& counters, const SubMesh& subMesh,
                             double time, int stepNo);
