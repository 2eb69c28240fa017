// Point location: the tetrahedra of the elements, the acceptance test, and the grid index.
#include "resconv/pointIndex.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "common/slots.h"
#include "resconv/model.h"

namespace {

using Tetrahedron = std::array<int, 4>;

// Local corner numbers (1-based slots of the element) of each tetrahedron, in search order.
constexpr std::array<Tetrahedron, 3> prismTetrahedra{{{1, 2, 3, 4}, {3, 5, 6, 4}, {2, 5, 3, 4}}};
constexpr std::array<Tetrahedron, 6> hexahedronTetrahedra{
    {{1, 2, 4, 5}, {4, 6, 8, 5}, {2, 6, 4, 5}, {2, 3, 4, 6}, {4, 7, 8, 6}, {3, 7, 4, 6}}};

// Bound on the rounding of one signed volume whose three edge vectors are at most d long
// (largest coordinate difference) and r long: roundingFactor * d * d * r + underflow * max(1, d).
// Eight roundings reach each product of the triple product (three differences, two products,
// one subtraction, two additions) and one more the division by six: 9 * 2^-53 < 1.0e-15.
constexpr double roundingFactor = 4.0e-15;
constexpr double underflow = 1.0e-300;

// Elements and points beyond these magnitudes go to the exhaustive path: no product of the
// volume test can overflow below them (1e70 * 2e150 * 1e70 is far below the largest double).
constexpr double largestElementSize = 1.0e70;
constexpr double largestCoordinate = 1.0e150;
constexpr double largestWidening = 1.0e100;

// An element whose box covers more cells than this is a candidate for every point instead.
constexpr long largestCellSpan = 4096;
constexpr int largestCellsPerAxis = 2048;

Box emptyBox() {
  constexpr double inf = std::numeric_limits<double>::infinity();
  return Box{{inf, inf, inf}, {-inf, -inf, -inf}};
}

void extendBox(Box& box, const Point3& p) {
  const std::array<double, 3> c{p.x, p.y, p.z};
  for (int axis = 0; axis < 3; ++axis) {
    box.lower[at(axis)] = std::min(box.lower[at(axis)], c[at(axis)]);
    box.upper[at(axis)] = std::max(box.upper[at(axis)], c[at(axis)]);
  }
}

void extendBox(Box& box, const Box& other) {
  for (int axis = 0; axis < 3; ++axis) {
    box.lower[at(axis)] = std::min(box.lower[at(axis)], other.lower[at(axis)]);
    box.upper[at(axis)] = std::max(box.upper[at(axis)], other.upper[at(axis)]);
  }
}

bool boxContains(const Box& box, const Point3& p) {
  return box.lower[0] <= p.x && p.x <= box.upper[0] && box.lower[1] <= p.y && p.y <= box.upper[1] &&
         box.lower[2] <= p.z && p.z <= box.upper[2];
}

int nodeCountOf(const SolidMesh& mesh) {
  const std::size_t size = std::min({mesh.x.size(), mesh.y.size(), mesh.z.size()});
  return size == 0 ? 0 : static_cast<int>(size - 1);
}

// Elements whose column lies inside the connectivity array.
int usableElementCount(const SolidMesh& mesh) {
  if (mesh.nodesPerElement <= 0) return std::max(mesh.elementCount, 0);
  const auto columns = mesh.connectivity.size() / static_cast<std::size_t>(mesh.nodesPerElement);
  return static_cast<int>(
      std::min(static_cast<std::size_t>(std::max(mesh.elementCount, 0)), columns));
}

// An element is a prism of its first six nodes when its eighth node number is 0.
std::span<const Tetrahedron> tetrahedraOf(const SolidMesh& mesh, int element) {
  if (elementNode(mesh.connectivity, mesh.nodesPerElement, element, 8) == 0) {
    return prismTetrahedra;
  }
  return hexahedronTetrahedra;
}

Point3 nodePoint(const SolidMesh& mesh, int node) {
  const auto n = static_cast<std::size_t>(node);
  return {mesh.x[n], mesh.y[n], mesh.z[n]};
}

// The element's nodes at the tetrahedron's corners; false when one is not a node of the mesh.
bool cornerNodes(const SolidMesh& mesh, int nodeCount, int element, const Tetrahedron& tetra,
                 std::array<int, 4>& node) {
  for (int corner = 0; corner < 4; ++corner) {
    node[at(corner)] =
        elementNode(mesh.connectivity, mesh.nodesPerElement, element, tetra[at(corner)]);
    if (node[at(corner)] < 1 || node[at(corner)] > nodeCount) return false;
  }
  return true;
}

enum class BoundKind { none, boxed, everywhere };

// The box of the tetrahedra of an element that can accept a point, widened so that every point
// the volume test could accept lies in it.
//
// If the computed partial volumes of a point P are all >= 0, each exact one is at least
// -(roundingFactor d^2 r + eta), where d bounds the tetrahedron's edges, r = d + m bounds
// P - corner, m is P's distance outside the box and eta the underflow term. The exact weights
// (partial over exact volume, at least vLow) sum to 1 and give P as the weighted corners, so P
// lies at most 4 d (roundingFactor d^2 (d + m) + eta) / vLow outside the box; solved for m this
// is below 8 d (roundingFactor d^3 + eta) / vLow while 4 roundingFactor d^3 / vLow < 1/2.
BoundKind boundElement(const SolidMesh& mesh, int nodeCount, int element, Box& box) {
  box = emptyBox();
  double smallestVolume = std::numeric_limits<double>::infinity();
  bool accepting = false;
  for (const Tetrahedron& tetra : tetrahedraOf(mesh, element)) {
    std::array<int, 4> node{};
    if (!cornerNodes(mesh, nodeCount, element, tetra, node)) continue;
    const Point3 t1 = nodePoint(mesh, node[0]), t2 = nodePoint(mesh, node[1]),
                 t3 = nodePoint(mesh, node[2]), t4 = nodePoint(mesh, node[3]);
    const double volume = signedVolume(t1, t2, t3, t4);
    if (!(volume > 0.0)) continue;
    accepting = true;
    smallestVolume = std::min(smallestVolume, volume);
    for (const Point3& corner : {t1, t2, t3, t4}) extendBox(box, corner);
  }
  if (!accepting) return BoundKind::none;

  double size = 0.0;
  double magnitude = 0.0;
  for (int axis = 0; axis < 3; ++axis) {
    size = std::max(size, box.upper[at(axis)] - box.lower[at(axis)]);
    magnitude = std::max({magnitude, std::abs(box.lower[at(axis)]), std::abs(box.upper[at(axis)])});
  }
  if (!(size <= largestElementSize) || !(magnitude <= largestCoordinate)) {
    return BoundKind::everywhere;
  }
  const double eta = underflow * std::max(1.0, size);
  const double cube = size * size * size;
  const double volumeLow = smallestVolume - (roundingFactor * cube + eta);
  if (!(volumeLow > 0.0) || !(4.0 * roundingFactor * cube / volumeLow < 0.5)) {
    return BoundKind::everywhere;
  }
  const double widening = 2.0 * 8.0 * size * (roundingFactor * cube + eta) / volumeLow;
  if (!(widening <= largestWidening)) return BoundKind::everywhere;
  constexpr double inf = std::numeric_limits<double>::infinity();
  for (int axis = 0; axis < 3; ++axis) {
    box.lower[at(axis)] = std::nextafter(box.lower[at(axis)] - widening, -inf);
    box.upper[at(axis)] = std::nextafter(box.upper[at(axis)] + widening, inf);
  }
  return BoundKind::boxed;
}

// Cells along each axis for about `target` cells over the extent.
void chooseCells(PointIndex& index, int target) {
  std::array<double, 3> length{};
  double logVolume = 0.0;
  int spread = 0;
  for (int axis = 0; axis < 3; ++axis) {
    length[at(axis)] = index.extent.upper[at(axis)] - index.extent.lower[at(axis)];
    if (length[at(axis)] > 0.0) {
      logVolume += std::log(length[at(axis)]);
      ++spread;
    }
  }
  index.cells = {1, 1, 1};
  index.cellsPerUnit = {0.0, 0.0, 0.0};
  for (int axis = 0; axis < 3; ++axis) index.origin[at(axis)] = index.extent.lower[at(axis)];
  if (spread == 0) return;
  const double logCell = (logVolume - std::log(static_cast<double>(target))) / spread;
  for (int axis = 0; axis < 3; ++axis) {
    if (!(length[at(axis)] > 0.0)) continue;
    const double wanted = std::ceil(std::exp(std::log(length[at(axis)]) - logCell));
    index.cells[at(axis)] =
        static_cast<int>(std::clamp(wanted, 1.0, static_cast<double>(largestCellsPerAxis)));
  }
  const long limit = 2L * target + 64;
  while (static_cast<long>(index.cells[0]) * index.cells[1] * index.cells[2] > limit) {
    int& widest = *std::max_element(index.cells.begin(), index.cells.end());
    widest = (widest + 1) / 2;
  }
  for (int axis = 0; axis < 3; ++axis) {
    if (index.cells[at(axis)] > 1)
      index.cellsPerUnit[at(axis)] = index.cells[at(axis)] / length[at(axis)];
  }
}

// Cell coordinate of a value: non-decreasing in the value, so a value inside a box maps
// into the range of cells of the box's bounds.
int cellCoordinate(const PointIndex& index, int axis, double value) {
  const double t = (value - index.origin[at(axis)]) * index.cellsPerUnit[at(axis)];
  if (!(t > 0.0)) return 0;
  if (t >= index.cells[at(axis)]) return index.cells[at(axis)] - 1;
  return static_cast<int>(t);
}

struct CellRange {
  std::array<int, 3> first{}, last{};
  long span() const {
    return static_cast<long>(last[0] - first[0] + 1) * (last[1] - first[1] + 1) *
           (last[2] - first[2] + 1);
  }
};

CellRange cellRange(const PointIndex& index, const Box& box) {
  CellRange range;
  for (int axis = 0; axis < 3; ++axis) {
    range.first[at(axis)] = cellCoordinate(index, axis, box.lower[at(axis)]);
    range.last[at(axis)] = cellCoordinate(index, axis, box.upper[at(axis)]);
  }
  return range;
}

std::size_t cellNumber(const PointIndex& index, int cx, int cy, int cz) {
  return (static_cast<std::size_t>(cz) * static_cast<std::size_t>(index.cells[1]) +
          static_cast<std::size_t>(cy)) *
             static_cast<std::size_t>(index.cells[0]) +
         static_cast<std::size_t>(cx);
}

template <class Visit>
void forEachCell(const PointIndex& index, const CellRange& range, Visit visit) {
  for (int cz = range.first[2]; cz <= range.last[2]; ++cz) {
    for (int cy = range.first[1]; cy <= range.last[1]; ++cy) {
      for (int cx = range.first[0]; cx <= range.last[0]; ++cx) visit(cellNumber(index, cx, cy, cz));
    }
  }
}

bool finiteAndModerate(const Point3& p) {
  return std::abs(p.x) <= largestCoordinate && std::abs(p.y) <= largestCoordinate &&
         std::abs(p.z) <= largestCoordinate;
}

}  // namespace

bool locateInElement(const SolidMesh& mesh, int element, const Point3& point,
                     PointLocation& location) {
  const int nodeCount = nodeCountOf(mesh);
  for (const Tetrahedron& tetra : tetrahedraOf(mesh, element)) {
    std::array<int, 4> node{};
    if (!cornerNodes(mesh, nodeCount, element, tetra, node)) continue;
    const Point3 t1 = nodePoint(mesh, node[0]), t2 = nodePoint(mesh, node[1]),
                 t3 = nodePoint(mesh, node[2]), t4 = nodePoint(mesh, node[3]);
    // A flat tetrahedron would give weights of 0 / 0: it accepts nothing.
    const double volume = signedVolume(t1, t2, t3, t4);
    if (!(volume > 0.0)) continue;
    const std::array<double, 4> partial{
        signedVolume(t2, t4, t3, point), signedVolume(t1, t3, t4, point),
        signedVolume(t1, t4, t2, point), signedVolume(t1, t2, t3, point)};
    if (partial[0] >= 0.0 && partial[1] >= 0.0 && partial[2] >= 0.0 && partial[3] >= 0.0) {
      location.element = element;
      location.vertex = node;
      for (int corner = 0; corner < 4; ++corner)
        location.weight[at(corner)] = partial[at(corner)] / volume;
      return true;
    }
  }
  return false;
}

PointLocation locateExhaustive(const SolidMesh& mesh, const Point3& point) {
  PointLocation location;
  const int elementCount = usableElementCount(mesh);
  for (int element = 1; element <= elementCount; ++element) {
    if (locateInElement(mesh, element, point, location)) return location;
  }
  return {};
}

PointIndex buildPointIndex(const SolidMesh& mesh) {
  PointIndex index;
  const int elementCount = usableElementCount(mesh);
  const int nodeCount = nodeCountOf(mesh);
  index.box.assign(static_cast<std::size_t>(elementCount) + 1, emptyBox());
  index.extent = emptyBox();

  std::vector<BoundKind> kind(static_cast<std::size_t>(elementCount) + 1, BoundKind::none);
  int gridded = 0;
  for (int element = 1; element <= elementCount; ++element) {
    Box& box = index.box[static_cast<std::size_t>(element)];
    kind[at(element)] = boundElement(mesh, nodeCount, element, box);
    if (kind[at(element)] == BoundKind::boxed) {
      extendBox(index.extent, box);
      ++gridded;
    }
  }
  chooseCells(index, std::max(gridded, 1));

  const std::size_t cellCount = static_cast<std::size_t>(index.cells[0]) *
                                static_cast<std::size_t>(index.cells[1]) *
                                static_cast<std::size_t>(index.cells[2]);
  index.cellStart.assign(cellCount + 1, 0);
  for (int element = 1; element <= elementCount; ++element) {
    if (kind[at(element)] != BoundKind::boxed) continue;
    const CellRange range = cellRange(index, index.box[static_cast<std::size_t>(element)]);
    if (range.span() > largestCellSpan) {
      kind[at(element)] = BoundKind::everywhere;
      continue;
    }
    forEachCell(index, range, [&](std::size_t cell) { ++index.cellStart[cell + 1]; });
  }
  for (std::size_t cell = 0; cell < cellCount; ++cell) {
    index.cellStart[cell + 1] += index.cellStart[cell];
  }
  index.cellElement.resize(static_cast<std::size_t>(index.cellStart[cellCount]));
  std::vector<int> fill(index.cellStart.begin(), index.cellStart.end() - 1);
  for (int element = 1; element <= elementCount; ++element) {
    if (kind[at(element)] == BoundKind::everywhere) index.everywhereElement.push_back(element);
    if (kind[at(element)] != BoundKind::boxed) continue;
    const CellRange range = cellRange(index, index.box[static_cast<std::size_t>(element)]);
    forEachCell(index, range, [&](std::size_t cell) {
      index.cellElement[static_cast<std::size_t>(fill[cell]++)] = element;
    });
  }
  return index;
}

PointLocation locateIndexed(const PointIndex& index, const SolidMesh& mesh, const Point3& point) {
  if (!finiteAndModerate(point)) return locateExhaustive(mesh, point);

  std::span<const int> cell;
  if (boxContains(index.extent, point)) {
    const std::size_t number =
        cellNumber(index, cellCoordinate(index, 0, point.x), cellCoordinate(index, 1, point.y),
                   cellCoordinate(index, 2, point.z));
    const auto first = static_cast<std::size_t>(index.cellStart[number]);
    const auto last = static_cast<std::size_t>(index.cellStart[number + 1]);
    cell = std::span<const int>(index.cellElement).subspan(first, last - first);
  }
  const std::span<const int> everywhere = index.everywhereElement;

  // Both lists ascend and share no element: walk them merged, in element order.
  PointLocation location;
  std::size_t i = 0, j = 0;
  while (i < cell.size() || j < everywhere.size()) {
    const bool fromCell = j == everywhere.size() || (i < cell.size() && cell[i] < everywhere[j]);
    const int element = fromCell ? cell[i++] : everywhere[j++];
    if (fromCell && !boxContains(index.box[static_cast<std::size_t>(element)], point)) continue;
    if (locateInElement(mesh, element, point, location)) return location;
  }
  return {};
}
