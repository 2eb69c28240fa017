// Point location in the solid mesh and values at the points of the sub-mesh.
#include "resconv/derived.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "resconv/pointIndex.h"

namespace {

// Per-point tables hold slots 0 to pointCount.
template <class T>
void ensurePointSlots(std::vector<T>& table, int pointCount, const T& blank) {
  const auto slots = static_cast<std::size_t>(std::max(pointCount, 0)) + 1;
  if (table.size() < slots) table.resize(slots, blank);
}

}  // namespace

double signedVolume(const Point3& q1, const Point3& q2, const Point3& q3, const Point3& q4) {
  const double ax = q2.x - q1.x, ay = q2.y - q1.y, az = q2.z - q1.z;
  const double bx = q4.x - q1.x, by = q4.y - q1.y, bz = q4.z - q1.z;
  const double cx = q3.x - q1.x, cy = q3.y - q1.y, cz = q3.z - q1.z;
  const double crossX = by * cz - bz * cy;
  const double crossY = bz * cx - bx * cz;
  const double crossZ = bx * cy - by * cx;
  return (ax * crossX + ay * crossY + az * crossZ) / 6.0;
}

void locatePoints(std::span<const double> x, std::span<const double> y, std::span<const double> z,
                  std::span<const int> connectivity, int elementCount, int nodesPerElement,
                  SubMesh& subMesh) {
  const int pointCount = subMesh.pointCount;
  ensurePointSlots(subMesh.pointVertex, pointCount, {0, 0, 0, 0});
  ensurePointSlots(subMesh.pointWeight, pointCount, {0.0, 0.0, 0.0, 0.0});
  if (pointCount <= 0) return;

  const SolidMesh mesh{x, y, z, connectivity, elementCount, nodesPerElement};
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
    double totalHead = 0.0;
    if (subMesh.pointVertex[p][0] != 0) {
      for (int corner = 0; corner < 4; ++corner) {
        const auto node = static_cast<std::size_t>(subMesh.pointVertex[p][corner]);
        totalHead += subMesh.pointWeight[p][corner] * (pressureHead[node] + z[node]);
      }
    }
    subMesh.pointTotalHead[p] = totalHead;
    subMesh.pointPressureHead[p] = totalHead - subMesh.pointZ[p];
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
