// Point location in the solid mesh, values at the points of the sub-mesh, nodal velocities.
#include "resconv/derived.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "common/resultFile.h"
#include "common/slots.h"
#include "common/workPool.h"
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

namespace {

// take(node, element) for every node a shown element names, element by element in number order
// and slot by slot: 0 is an empty slot, and a number beyond the nodes names no node.
template <class Take>
void forEachShownNode(std::span<const int> connectivity, std::span<const int> elementFlag,
                      int nodeCount, int elementCount, int nodesPerElement, Take take) {
  for (int element = 1; element <= elementCount; ++element) {
    if (elementFlag[at(element)] == 1) continue;
    for (int slot = 1; slot <= nodesPerElement; ++slot) {
      const int node = elementNode(connectivity, nodesPerElement, element, slot);
      if (node >= 1 && node <= nodeCount) take(node, element);
    }
  }
}

}  // namespace

NodeElements nodeElementsOf(std::span<const int> connectivity, std::span<const int> elementFlag,
                            int nodeCount, int elementCount, int nodesPerElement,
                            std::size_t limitBytes) {
  auto forEachNamed = [&](auto take) {
    forEachShownNode(connectivity, elementFlag, nodeCount, elementCount, nodesPerElement, take);
  };
  NodeElements around;
  const std::size_t firsts = static_cast<std::size_t>(std::max(nodeCount, 0)) + 2;
  if (firsts * sizeof(std::size_t) > limitBytes) return around;
  around.first.assign(firsts, 0);
  forEachNamed([&](int node, int) { ++around.first[at(node) + 1]; });
  for (std::size_t n = 1; n < firsts; ++n) around.first[n] += around.first[n - 1];
  if ((firsts * sizeof(std::size_t) + around.first.back() * sizeof(int)) > limitBytes) {
    return NodeElements{};
  }
  around.elements.resize(around.first.back());
  std::vector<std::size_t> next(around.first.begin(), around.first.end() - 1);
  forEachNamed([&](int node, int element) { around.elements[next[at(node)]++] = element; });
  return around;
}

void averageNodalVelocities(std::span<const double> vx, std::span<const double> vy,
                            std::span<const double> vz, std::span<const int> connectivity,
                            std::span<const int> elementFlag, int nodeCount, int elementCount,
                            int nodesPerElement, std::span<double> nodeVx, std::span<double> nodeVy,
                            std::span<double> nodeVz, std::span<int> nodeElementCount,
                            const NodeElements* around) {
  if (around == nullptr || around->first.size() != static_cast<std::size_t>(nodeCount) + 2) {
    for (int node = 1; node <= nodeCount; ++node) {
      nodeVx[at(node)] = 0.0;
      nodeVy[at(node)] = 0.0;
      nodeVz[at(node)] = 0.0;
      nodeElementCount[at(node)] = 0;
    }
    forEachShownNode(connectivity, elementFlag, nodeCount, elementCount, nodesPerElement,
                     [&](int node, int element) {
                       nodeVx[at(node)] += vx[at(element)];
                       nodeVy[at(node)] += vy[at(element)];
                       nodeVz[at(node)] += vz[at(element)];
                       ++nodeElementCount[at(node)];
                     });
    for (int node = 1; node <= nodeCount; ++node) {
      const int count = nodeElementCount[at(node)];
      if (count < 1) continue;
      nodeVx[at(node)] /= count;
      nodeVy[at(node)] /= count;
      nodeVz[at(node)] /= count;
    }
    return;
  }
  // Each node's sum on its own, over its elements in number order: the very sums of the loop
  // over the elements, the nodes shared out across the run's threads.
  constexpr long long leastNodesPerPart = 8192;
  const int parts = partsFor(nodeCount, leastNodesPerPart);
  runParts(parts, [&](int part) {
    const int begin = 1 + static_cast<int>(static_cast<long long>(nodeCount) * part / parts);
    const int end = 1 + static_cast<int>(static_cast<long long>(nodeCount) * (part + 1) / parts);
    for (int node = begin; node < end; ++node) {
      double sumX = 0.0, sumY = 0.0, sumZ = 0.0;
      const std::size_t from = around->first[at(node)], to = around->first[at(node) + 1];
      for (std::size_t k = from; k < to; ++k) {
        const std::size_t element = at(around->elements[k]);
        sumX += vx[element];
        sumY += vy[element];
        sumZ += vz[element];
      }
      const auto count = static_cast<int>(to - from);
      nodeElementCount[at(node)] = count;
      nodeVx[at(node)] = count < 1 ? sumX : sumX / count;
      nodeVy[at(node)] = count < 1 ? sumY : sumY / count;
      nodeVz[at(node)] = count < 1 ? sumZ : sumZ / count;
    }
  });
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
