#pragma once
// What a writer is shown: the solid mesh, one state of it, and the nodal velocities derived
// from that state. Views over the converter's arrays, which stay 1-based (slot 0 unused);
// connectivity is flat, nodesPerElement slots per element (see elementNode in model.h).
#include <span>

#include "common/slots.h"

struct SolidMesh {
  int nodeCount = 0;
  int elementCount = 0;
  int nodesPerElement = 0;
  std::span<const double> x, y, z;    // nodeCount + 1
  std::span<const int> connectivity;  // elementCount × nodesPerElement
  std::span<const int> materialNo;    // elementCount + 1
  std::span<const int> elementFlag;   // elementCount + 1: 1 = left out of every output
  std::span<const int> nodeUnused;    // nodeCount + 1: 1 = no element names the node
  int maxMaterialNo = 1;
};

// A stored step, or a requested time interpolated between two stored steps.
struct ShownState {
  std::span<const double> pressureHead, discharge;  // nodeCount + 1
  std::span<const int> nodeCode;       // nodeCount + 1; at a requested time, the closing step's
  std::span<const double> vx, vy, vz;  // elementCount + 1
  double time = 0.0;
  int stepNo = 0;
};

// The mean velocity of the shown elements around each node (0 where there is none).
struct NodalVelocities {
  std::span<const double> vx, vy, vz;  // nodeCount + 1
  std::span<const int> elementCount;   // nodeCount + 1: shown elements around the node
};

// Views over the arrays of the writers' array signatures.
inline SolidMesh solidMeshView(int nodeCount, int elementCount, int nodesPerElement,
                               std::span<const double> x, std::span<const double> y,
                               std::span<const double> z, std::span<const int> connectivity,
                               std::span<const int> elementFlag, std::span<const int> nodeUnused) {
  SolidMesh mesh;
  mesh.nodeCount = nodeCount;
  mesh.elementCount = elementCount;
  mesh.nodesPerElement = nodesPerElement;
  mesh.x = x;
  mesh.y = y;
  mesh.z = z;
  mesh.connectivity = connectivity;
  mesh.elementFlag = elementFlag;
  mesh.nodeUnused = nodeUnused;
  return mesh;
}

inline ShownState shownStateView(std::span<const double> pressureHead,
                                 std::span<const double> discharge, std::span<const double> vx,
                                 std::span<const double> vy, std::span<const double> vz,
                                 double time, int stepNo) {
  return ShownState{pressureHead, discharge, {}, vx, vy, vz, time, stepNo};
}

// An element takes part in the outputs unless its material number is negative.
inline bool isShownElement(std::span<const int> elementFlag, int element) {
  return elementFlag[at(element)] != 1;
}
