// Point location in the solid mesh, values at the points of the sub-mesh, nodal velocities.
#include "resconv/derived.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "common/resultFile.h"
#include "common/slots.h"
#include "resconv/model.h"
#include "resconv/pointIndex.h"

namespace {

// Per-point tables hold slots 0 to pointCount.
template <class T>
void ensurePointSlots(std::vector<T>& table, int pointCount, const T& blank) {
  const auto slots = static_cast<std::size_t>(std::max(pointCount, 0)) + 1;
  if (table.size() < slots) table.resize(slots, blank);
}

}  // namespace

void locatePoints(const SolidMesh& mesh, SubMesh& subMesh) {
  const int pointCount = subMesh.pointCount;
  ensurePointSlots(subMesh.pointVertex, pointCount, {0, 0, 0, 0});
  ensurePointSlots(subMesh.pointWeight, pointCount, {0.0, 0.0, 0.0, 0.0});
  if (pointCount <= 0) return;

  const PointIndex index = buildPointIndex(mesh);
  for (int point = 1; point <= pointCount; ++point) {
    const auto p = static_cast<std::size_t>(point);
    const PointLocation location =
        locateIndexed(index, mesh, {subMesh.pointX[p], subMesh.pointY[p], subMesh.pointZ[p]});
    subMesh.pointVertex[p] = location.vertex;
    subMesh.pointWeight[p] = location.weight;
  }
}

void computePointValues(std::span<const double> pressureHead, std::span<const double> z,
                        SubMesh& subMesh) {
  const int pointCount = subMesh.pointCount;
  ensurePointSlots(subMesh.pointTotalHead, pointCount, 0.0);
  ensurePointSlots(subMesh.pointPressureHead, pointCount, 0.0);
  ensurePointSlots(subMesh.pointVertex, pointCount, {0, 0, 0, 0});
  ensurePointSlots(subMesh.pointWeight, pointCount, {0.0, 0.0, 0.0, 0.0});
  for (int point = 1; point <= pointCount; ++point) {
    const auto p = static_cast<std::size_t>(point);
    double head = 0.0;
    if (subMesh.pointVertex[p][0] != 0) {
      for (int corner = 0; corner < 4; ++corner) {
        const auto node = static_cast<std::size_t>(subMesh.pointVertex[p][at(corner)]);
        head += subMesh.pointWeight[p][at(corner)] * totalHead(pressureHead[node], z[node]);
      }
    }
    subMesh.pointTotalHead[p] = head;
    subMesh.pointPressureHead[p] = head - subMesh.pointZ[p];
  }
}

void computeExtent(SubMesh& subMesh, bool withSection) {
  const int pointCount = subMesh.pointCount;
  if (subMesh.pointX.size() < 2 || subMesh.pointY.size() < 2) return;
  subMesh.xMin = subMesh.pointX[1];
  subMesh.yMin = subMesh.pointY[1];
  for (int point = 2; point <= pointCount; ++point) {
    const auto p = static_cast<std::size_t>(point);
    subMesh.xMin = std::min(subMesh.xMin, subMesh.pointX[p]);
    subMesh.yMin = std::min(subMesh.yMin, subMesh.pointY[p]);
  }
  if (!withSection || pointCount <= 0) return;
  ensurePointSlots(subMesh.sectionDistance, pointCount, 0.0);
  for (int point = 1; point <= pointCount; ++point) {
    const auto p = static_cast<std::size_t>(point);
    const double dx = subMesh.pointX[p] - subMesh.xMin;
    const double dy = subMesh.pointY[p] - subMesh.yMin;
    subMesh.sectionDistance[p] = std::sqrt(dx * dx + dy * dy);
  }
}

void averageNodalVelocities(std::span<const double> vx, std::span<const double> vy,
                            std::span<const double> vz, std::span<const int> connectivity,
                            std::span<const int> elementFlag, int nodeCount, int elementCount,
                            int nodesPerElement, std::span<double> nodeVx, std::span<double> nodeVy,
                            std::span<double> nodeVz, std::span<int> nodeElementCount) {
  for (int node = 1; node <= nodeCount; ++node) {
    nodeVx[at(node)] = 0.0;
    nodeVy[at(node)] = 0.0;
    nodeVz[at(node)] = 0.0;
    nodeElementCount[at(node)] = 0;
  }
  for (int element = 1; element <= elementCount; ++element) {
    if (elementFlag[at(element)] == 1) continue;
    for (int slot = 1; slot <= nodesPerElement; ++slot) {
      // 0 is an empty slot; a number beyond the nodes names no node and adds nothing.
      const int node = elementNode(connectivity, nodesPerElement, element, slot);
      if (node < 1 || node > nodeCount) continue;
      nodeVx[at(node)] += vx[at(element)];
      nodeVy[at(node)] += vy[at(element)];
      nodeVz[at(node)] += vz[at(element)];
      ++nodeElementCount[at(node)];
    }
  }
  for (int node = 1; node <= nodeCount; ++node) {
    const int count = nodeElementCount[at(node)];
    if (count < 1) continue;
    nodeVx[at(node)] /= count;
    nodeVy[at(node)] /= count;
    nodeVz[at(node)] /= count;
  }
}

void markUnusedNodes(std::span<const int> connectivity, int elementCount, int nodesPerElement,
                     std::span<int> nodeUnused) {
  std::fill(nodeUnused.begin(), nodeUnused.end(), 1);
  for (int e = 1; e <= elementCount; ++e) {
    for (int k = 1; k <= nodesPerElement; ++k) {
      const int node = elementNode(connectivity, nodesPerElement, e, k);
      if (node > 0) nodeUnused[at(node)] = 0;
    }
  }
}
