#pragma once
// FEMAP neutral file, first stage: header, material, properties, nodes and elements.
#include <span>

#include "common/units.h"
#include "resconv/model.h"

// Block framing: a block opens with -1 and its block number and closes with -1; the caller
// writes the body in between.
void writeFemapBlockStart(OutputUnit& unit, int blockNumber);
void writeFemapBlockEnd(OutputUnit& unit);

void writeFemapModel(OutputUnit& unit, std::span<const double> x, std::span<const double> y,
                     std::span<const double> z, std::span<const int> connectivity, int nodeCount,
                     int elementCount, std::span<const int> materialNo, int maxMaterialNo,
                     int nodesPerElement, std::span<const int> elementFlag,
                     std::span<const int> nodeUnused);

void writeFemapMeshModel(OutputUnit& unit, const SubMesh& subMesh);
