#pragma once
// The converter's shared data: the mesh and state arrays read from the result file, the
// sub-mesh of the output-time file with the values at its points, and the writers' counters.
//
// All arrays are 1-based: slot 0 is unused, so loops read
//   for (int node = 1; node <= nodeCount; ++node)
// connectivity is flat: element e's slot k is elementNode(connectivity, K, e, k).
#include <array>
#include <span>
#include <string>
#include <vector>

#include "common/slots.h"

// Slot `slot` (1-based) of element `element`; a slot beyond nodesPerElement counts as 0, so
// meshes with fewer than eight node numbers per element read as prisms or smaller.
inline int elementNode(std::span<const int> connectivity, int nodesPerElement, int element,
                       int slot) {
  if (slot > nodesPerElement) return 0;
  return connectivity[at(element - 1) * at(nodesPerElement) + at(slot - 1)];
}

// A solid element is a hexahedron when slot 7 or slot 8 is set, a six-node prism otherwise.
inline bool isHexahedron(std::span<const int> connectivity, int nodesPerElement, int element) {
  return elementNode(connectivity, nodesPerElement, element, 7) != 0 ||
         elementNode(connectivity, nodesPerElement, element, 8) != 0;
}

// The sub-mesh of the output-time file and the values at its points. Sized from the file.
struct SubMesh {
  int pointCount = 0;                                     // NP
  int elementCount = 0;                                   // NEM
  std::vector<double> pointX, pointY, pointZ;             // pointCount + 1
  std::vector<std::array<int, 4>> connectivity;           // elementCount + 1
  std::vector<std::array<int, 4>> pointVertex;            // pointCount + 1, 0 until located
  std::vector<std::array<double, 4>> pointWeight;         // pointCount + 1
  std::vector<double> pointTotalHead, pointPressureHead;  // pointCount + 1
  std::vector<double> sectionDistance;                    // pointCount + 1
  double xMin = 0.0, yMin = 0.0;
};

// A sub-mesh element is a triangle when its third and fourth point numbers are equal.
inline bool isTriangle(const std::array<int, 4>& element) {
  return element[2] == element[3];
}

// Counters shared by the writers for the whole run.
struct WriterCounters {
  int avsStepCount = 0;         // sections of the MicroAVS scratch file, of either kind
  int avsSolidSections = 0;     // of the solid mesh
  int avsSubMeshSections = 0;   // of the sub-mesh
  int femapOutputSetCount = 0;  // output sets of the solid mesh and the sub-mesh
};
