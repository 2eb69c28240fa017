#pragma once
// What a writer is shown: the solid mesh, one state of it, the nodal velocities derived from
// that state, and the restart form's copies of earlier steps. Views over the converter's arrays,
// which stay 1-based (slot 0 unused); connectivity is flat, nodesPerElement slots per element (see
// elementNode in model.h).
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

// The restart form's copies of the previous step and its progress through the steps.
struct RestartCopies {
  std::span<double> savedPressureHead, savedDischarge;  // nodeCount + 1
  std::span<int> savedNodeCode;                         // nodeCount + 1
  std::span<const double> initialDischarge;             // nodeCount + 1
  double savedTime = 0.0;
  int stopRequested = 0;  // 1 once the restart file has been written
};

// An element takes part in the outputs unless its material number is negative.
inline bool isShownElement(std::span<const int> elementFlag, int element) {
  return elementFlag[at(element)] != 1;
}
