#pragma once
// Quantities derived from the mesh and a shown state: point location in the solid mesh, values
// at the points of the sub-mesh, nodal velocities.
#include <cstddef>
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
// Made once for a run's mesh, it lets each node's mean be summed on its own, and so the nodes
// be shared out across threads.
struct NodeElements {
  std::vector<std::size_t> first;  // nodeCount + 2 entries; none when not made
  std::vector<int> elements;
};
// The index of a mesh; none (empty) when it would take more than `limitBytes`.
NodeElements nodeElementsOf(std::span<const int> connectivity, std::span<const int> elementFlag,
                            int nodeCount, int elementCount, int nodesPerElement,
                            std::size_t limitBytes);
// The most bytes a run gives the index.
constexpr std::size_t nodeElementsLimitBytes = std::size_t{64} << 20;

// Nodal velocity as the plain mean of the velocities of the shown elements around each node
// (nodeElementCount of them), summed in element number order; nodes without one keep 0. With
// the mesh's index (`around`, not empty), the nodes are shared out across the run's threads;
// else one loop over the elements sums them.
void averageNodalVelocities(std::span<const double> vx, std::span<const double> vy,
                            std::span<const double> vz, std::span<const int> connectivity,
                            std::span<const int> elementFlag, int nodeCount, int elementCount,
                            int nodesPerElement, std::span<double> nodeVx, std::span<double> nodeVy,
                            std::span<double> nodeVz, std::span<int> nodeElementCount,
                            const NodeElements* around = nullptr);
