#pragma once
// FEMAP neutral file, first stage: header, material, properties, nodes and elements.
#include "common/units.h"
#include "resconv/model.h"
#include "resconv/views.h"

// Block framing: a block opens with -1 and its block number and closes with -1; the caller
// writes the body in between.
void writeFemapBlockStart(OutputUnit& unit, int blockNumber);
void writeFemapBlockEnd(OutputUnit& unit);

// The model of the solid mesh: its used nodes (coordinates at single precision) and its shown
// elements, one property per material number up to the largest.
void writeFemapModel(OutputUnit& unit, const SolidMesh& mesh);

// The model of the sub-mesh: its points (at double precision) and its elements, one property.
void writeFemapSubMeshModel(OutputUnit& unit, const SubMesh& subMesh);
