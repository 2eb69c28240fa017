#pragma once
// Quantities derived from the mesh and a shown state: point location in the solid mesh, values
// at the points of the sub-mesh, nodal velocities.
#include <span>

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

// Nodal velocity as the plain mean of the velocities of the shown elements around each node.
void averageNodalVelocities(std::span<const double> vx, std::span<const double> vy,
                            std::span<const double> vz, std::span<const int> connectivity,
                            std::span<const int> elementFlag, int nodeCount, int elementCount,
                            int nodesPerElement, std::span<double> nodeVx, std::span<double> nodeVy,
                            std::span<double> nodeVz, std::span<int> nodeElementCount);
