#pragma once
// Point location in the solid mesh and values at the points of the sub-mesh.
#include <span>

#include "resconv/model.h"

struct Point3 {
  double x, y, z;
};

// One sixth of (q2 - q1) . ((q4 - q1) x (q3 - q1)).
double signedVolume(const Point3& q1, const Point3& q2, const Point3& q3, const Point3& q4);

// Fills pointVertex and pointWeight of every sub-mesh point: the first element in number
// order, and within it the first tetrahedron in table order, that contains the point.
void locatePoints(std::span<const double> x, std::span<const double> y, std::span<const double> z,
                  std::span<const int> connectivity, int elementCount, int nodesPerElement,
                  SubMesh& subMesh);

// pointTotalHead and pointPressureHead of every point from a nodal pressure-head array.
void computePointValues(std::span<const double> pressureHead, std::span<const double> z,
                        SubMesh& subMesh);

// xMin and yMin over the points, and sectionDistance when `withSection`.
void computeExtent(SubMesh& subMesh, bool withSection);
