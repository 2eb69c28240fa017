#pragma once
// Quantities derived from the mesh and a shown state: point location in the solid mesh, values
// at the points of the sub-mesh, nodal velocities.
#include <span>
#include <vector>

#include "resconv/geometry.h"
#include "resconv/model.h"
#include "resconv/views.h"

// Fills pointVertex and pointWeight of every sub-mesh point: the first element in number
// order, and within it the first tetrahedron in table order, that contains the point.
void locatePoints(const SolidMesh& mesh, SubMesh& subMesh);

// pointTotalHead and pointPressureHead of every point from a nodal pressure-head array.
void computePointValues(std::span<const double> pressureHead, std::span<const double> z,
                        SubMesh& subMesh);

// xMin and yMin over the points, and sectionDistance when `withSection`.
void computeExtent(SubMesh& subMesh, bool withSection);

// nodeUnused[n] is 1 where no element names node n, else 0.
void markUnusedNodes(std::span<const int> connectivity, int elementCount, int nodesPerElement,
                     std::span<int> nodeUnused);

// The shown elements around each node, in element number order (an element as often as it
// names the node): the elements of node n are elements[first[n]] to elements[first[n + 1] - 1].
// Made once for the mesh, it lets each node's mean be summed on its own, in the order of the
// element loop, and so the nodes be shared out across threads.
struct NodeElements {
  std::vector<int> first;  // nodeCount + 2 entries
  std::vector<int> elements;
};
NodeElements nodeElementsOf(std::span<const int> connectivity, std::span<const int> elementFlag,
                            int nodeCount, int elementCount, int nodesPerElement);

// Nodal velocity as the plain mean of the velocities of the shown elements around each node
// (nodeElementCount of them), summed in element number order; nodes without one keep 0.
void averageNodalVelocities(std::span<const double> vx, std::span<const double> vy,
                            std::span<const double> vz, const NodeElements& around,
                            std::span<double> nodeVx, std::span<double> nodeVy,
                            std::span<double> nodeVz, std::span<int> nodeElementCount);
// The same for a mesh without its index at hand.
void averageNodalVelocities(std::span<const double> vx, std::span<const double> vy,
                            std::span<const double> vz, std::span<const int> connectivity,
                            std::span<const int> elementFlag, int nodeCount, int elementCount,
                            int nodesPerElement, std::span<double> nodeVx, std::span<double> nodeVy,
                            std::span<double> nodeVz, std::span<int> nodeElementCount);
