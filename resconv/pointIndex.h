#pragma once
// Point location in the solid mesh. Each element is cut into tetrahedra by a fixed table; a
// point belongs to the first element in number order, and within it to the first tetrahedron
// in table order, whose four partial volumes are all >= 0.
//
// locateExhaustive tests every element in number order. locateIndexed gives exactly the same
// answer through a uniform grid over the elements' bounding boxes: a box is widened by a
// bound on the rounding of the volume test, so no element that could accept a point is ever
// left out, and the candidates of a cell are tested in ascending element number. Location
// reads the coordinates, connectivity and counts of the solid-mesh view.
#include <array>
#include <span>
#include <vector>

#include "resconv/geometry.h"
#include "resconv/views.h"

// Where a point lies; element 0 when no element accepts it (vertices and weights then 0).
struct PointLocation {
  int element = 0;
  std::array<int, 4> vertex{};
  std::array<double, 4> weight{};
};

// Tests the tetrahedra of one element in table order. A tetrahedron whose volume is not
// positive, or with a corner that is not a node of the mesh, accepts no point.
bool locateInElement(const SolidMesh& mesh, int element, const Point3& point,
                     PointLocation& location);

PointLocation locateExhaustive(const SolidMesh& mesh, const Point3& point);

// Axis-aligned box; empty (lower > upper) for an element that accepts no point.
struct Box {
  std::array<double, 3> lower{}, upper{};
};

struct PointIndex {
  std::array<double, 3> origin{};        // lower corner of the grid
  std::array<double, 3> cellsPerUnit{};  // 0 along an axis of one cell
  std::array<int, 3> cells{1, 1, 1};
  Box extent;                          // union of the boxes of the gridded elements
  std::vector<Box> box;                // elementCount + 1, widened boxes
  std::vector<int> cellStart;          // cell c holds cellElement[cellStart[c], cellStart[c+1])
  std::vector<int> cellElement;        // ascending within each cell
  std::vector<int> everywhereElement;  // ascending; candidates for every point
};

PointIndex buildPointIndex(const SolidMesh& mesh);

PointLocation locateIndexed(const PointIndex& index, const SolidMesh& mesh, const Point3& point);
